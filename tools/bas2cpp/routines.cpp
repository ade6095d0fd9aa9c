#include "routines.h"

#include <set>
#include <vector>

namespace bas {

namespace {

// The statements a copy of a routine may hold, counted (IF blocks with what they hold); -1 for
// one that jumps, ends, waits on the program's flow or declares.
int cost(const stmt &s) {
  switch (s.kind) {
    case sk::label: return 0;
    case sk::assign: case sk::mid_assign: case sk::print: case sk::graphics: case sk::swap:
    case sk::lset: case sk::rset: case sk::def_seg:
      return 1;
    case sk::builtin: {
      static const std::set<std::string> flow = {"CHAIN", "RUN", "CLEAR", "STOP", "SYSTEM"};
      return flow.count(s.text) ? -1 : 1;
    }
    case sk::if_: {
      int n = 1;
      for (const if_branch &br : s.branches)
        for (const stmt_p &t : br.body) {
          int c = cost(*t);
          if (c < 0) return -1;
          n += c;
        }
      return n;
    }
    default: return -1;
  }
}

void look_in(const block &b, std::map<std::string, routine> &out) {
  for (size_t i = 0; i < b.size(); i++) {
    const stmt &s = *b[i];
    if (s.kind == sk::sub_ || s.kind == sk::function_ || s.kind == sk::def_fn) continue;
    look_in(s.body, out);
    for (const if_branch &br : s.branches) look_in(br.body, out);
    for (const case_branch &cb : s.cases) look_in(cb.body, out);
    if (s.kind != sk::label) continue;
    int n = 0;
    for (size_t j = i + 1; j < b.size() && n <= routine_statements; j++) {
      const stmt &t = *b[j];
      if (t.kind == sk::return_) {
        if (t.names.empty() && n > 0) out[s.text].ret = &t;
        break;
      }
      int c = cost(t);
      if (c < 0) break;
      n += c;
    }
  }
}

}  // namespace

std::map<std::string, routine> find_routines(const block &module) {
  std::map<std::string, routine> out;
  look_in(module, out);
  return out;
}

std::string routine_copy(const std::string &text, const std::function<uint32_t()> &new_id) {
  std::map<std::string, std::string> renamed;
  for (size_t k = text.find('\x01'); k != std::string::npos; k = text.find('\x01', k + 1))
    renamed[text.substr(k + 1, text.find('\x02', k) - k - 1)] = std::to_string(new_id());
  std::string out;
  for (size_t k = 0; k < text.size(); k++) {
    char ch = text[k];
    if (ch == '\x05') continue;
    if (ch == '\x01' || ch == '\x03') {
      size_t e = text.find(ch == '\x01' ? '\x02' : '\x04', k);
      if (e == std::string::npos) return "";
      std::string id = text.substr(k + 1, e - k - 1);
      auto it = renamed.find(id);
      out += ch + (it == renamed.end() ? id : it->second) + text[e];
      k = e;
      continue;
    }
    if (ch >= '\x01' && ch <= '\x1f' && ch != '\n' && ch != '\t') return "";
    out += ch;
  }
  return out;
}

}  // namespace bas
