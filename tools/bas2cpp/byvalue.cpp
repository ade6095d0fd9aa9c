// Numbers handed to SUBs and FUNCTIONs as values (see byvalue.h).
#include "byvalue.h"
#include <cstring>
#include "ctext.h"

namespace bas {

namespace {

// Whether the text at k, just after a name, goes on to assign to it.
bool assigned_after(const std::string &t, size_t k) {
  while (k < t.size() && t[k] == ' ') k++;
  if (k >= t.size()) return false;
  if (t[k] == '=') return k + 1 >= t.size() || t[k + 1] != '=';
  for (const char *op : {"+=", "-=", "*=", "/=", "%=", "|=", "&=", "^=", "<<=", ">>=", "++", "--"})
    if (t.compare(k, std::strlen(op), op) == 0) return true;
  return false;
}

// Whether the text just before k takes the address of what follows, or steps it.
bool changed_before(const std::string &t, size_t k) {
  while (k > 0 && t[k - 1] == ' ') k--;
  if (k >= 2 && (t.compare(k - 2, 2, "++") == 0 || t.compare(k - 2, 2, "--") == 0)) return true;
  return k >= 1 && t[k - 1] == '&' && (k < 2 || t[k - 2] != '&');
}

// The C++ type of a procedure's number k, without the pointer its parameter is ("T *" → "T").
std::string number_type(const by_value_proc &p, size_t k) { return p.types[k].substr(0, p.types[k].size() - 2); }

// What one procedure's text shows of it.
struct seen {
  std::vector<bool> reads_only;                          // each number of its own
  std::vector<std::vector<std::pair<std::string, size_t>>> handed;   // where each is handed on
  std::set<std::string> types;                           // C++ types of numbers it may write
  bool writes_all = false;                               // it may write anything
  std::set<std::string> callees;
};

// Text whose presence means a procedure may write numbers that no name shows: whole arrays,
// records, clearing, the module's code, memory copies.
const char *const writes_anything[] = {"kb_elem", "kb_cico", "kb_first", "sub_clear", "kb_clear", "kb_run(", "kb_dim(",
                                        "kb_redim", "kb_erase", "kb_free_arr", "std::swap(", "memcpy", "memmove",
                                        "kels_input_variableoffsets"};

seen look_at(const std::string &unit, const by_value_proc &p, const std::map<std::string, by_value_proc> &procs,
             const std::map<std::string, std::string> &globals) {
  seen s;
  size_t open = unit.find("{\n");
  std::string body = open == std::string::npos ? unit : unit.substr(open + 2);   // without the parameters' list
  size_t n = p.names.size();
  s.reads_only.assign(n, true);
  s.handed.resize(n);
  std::vector<size_t> bare(n, 0), as_args(n, 0);
  for (const char *w : writes_anything)
    if (body.find(w) != std::string::npos) s.writes_all = true;
  std::map<std::string, size_t> mine;
  for (size_t k = 0; k < n; k++)
    if (p.number[k]) mine[p.names[k]] = k;
  for_each_ident(body, [&](size_t k, size_t len) {
    size_t e = k + len;
    std::string id = body.substr(k, len);
    if (auto m = mine.find(id); m != mine.end()) {
      if (k >= 2 && body.compare(k - 2, 2, "(*") == 0 && e < body.size() && body[e] == ')') {
        if (assigned_after(body, e + 1) || changed_before(body, k - 2)) s.reads_only[m->second] = false;
      } else {
        bare[m->second]++;
      }
      return;
    }
    if (auto g = globals.find(id); g != globals.end()) {
      // (name) is how a function written out at its calls reads and writes a variable.
      bool wrapped = k > 0 && body[k - 1] == '(' && e < body.size() && body[e] == ')';
      if (g->second.empty() || assigned_after(body, e) || changed_before(body, k) ||
          (wrapped && (assigned_after(body, e + 1) || changed_before(body, k - 1)))) {
        if (g->second.empty()) s.writes_all = true;   // a record: its fields are written through pointers
        else s.types.insert(g->second);
      }
      return;
    }
    // An element's or a field's store names its type: kb_at…<T>, kb_put<T>.
    if ((id.compare(0, 5, "kb_at") == 0 || id == "kb_put") && e < body.size() && body[e] == '<') {
      size_t close = body.find_first_of(",>", e);
      if (close != std::string::npos) s.types.insert(trimmed(body.substr(e + 1, close - e - 1)));
      return;
    }
    auto q = procs.find(id);
    if (q == procs.end() || e >= body.size() || body[e] != '(' || at_definition(body, k)) return;
    s.callees.insert(id);
    size_t close = closing_paren(body, e);
    if (close == std::string::npos) return;
    std::vector<std::string> args = call_args(body.substr(e + 1, close - e - 1));
    for (size_t a = 0; a < args.size(); a++) {
      auto m = mine.find(trimmed(args[a]));
      if (m == mine.end()) continue;
      as_args[m->second]++;
      if (a < q->second.number.size() && q->second.number[a]) s.handed[m->second].push_back({id, a});
      else s.reads_only[m->second] = false;
    }
  });
  for (size_t k = 0; k < n; k++)
    if (bare[k] != as_args[k]) s.reads_only[k] = false;   // its address goes elsewhere
  return s;
}

}  // namespace

void by_value_analyse(std::map<std::string, by_value_proc> &procs, const std::map<std::string, std::string> &units,
                      const std::map<std::string, std::string> &globals, bool handlers) {
  std::map<std::string, seen> all;
  for (const auto &[name, p] : procs) {
    auto u = units.find(name);
    seen s;
    if (u == units.end()) s.writes_all = true;
    else s = look_at(u->second, p, procs, globals);
    all[name] = std::move(s);
  }
  // A number stays read-only while every procedure it is handed to reads its own only.
  for (bool changed = true; changed;) {
    changed = false;
    for (auto &[name, s] : all)
      for (size_t k = 0; k < s.reads_only.size(); k++)
        for (const auto &[q, a] : s.handed[k])
          if (s.reads_only[k] && !all.at(q).reads_only[a]) s.reads_only[k] = false, changed = true;
  }
  // A number written (or handed to be written) may be any variable of its type.
  for (auto &[name, s] : all) {
    const by_value_proc &p = procs.at(name);
    for (size_t k = 0; k < s.reads_only.size(); k++)
      if (p.number[k] && !s.reads_only[k]) s.types.insert(number_type(p, k));
  }
  // What the procedures called write, written by the caller.
  for (bool changed = true; changed;) {
    changed = false;
    for (auto &[name, s] : all)
      for (const std::string &c : s.callees) {
        const seen &o = all.at(c);
        if (o.writes_all && !s.writes_all) s.writes_all = changed = true;
        for (const std::string &t : o.types) changed |= s.types.insert(t).second;
      }
  }
  for (auto &[name, p] : procs) {
    const seen &s = all.at(name);
    p.by_variable.assign(p.number.size(), false);
    for (size_t k = 0; k < p.number.size(); k++)
      p.by_variable[k] = p.number[k] && !handlers && s.reads_only[k] && !s.writes_all &&
                         !s.types.count(number_type(p, k));
  }
}

std::string by_value_calls(const std::string &text, const std::map<std::string, by_value_proc> &procs,
                           std::set<std::string> &used) {
  if (procs.empty()) return text;
  std::string out;
  size_t last = 0;
  for (size_t k = 0; k < text.size(); k++) {
    char ch = text[k];
    if (ch == '"' || ch == '\'') {
      k = literal_end(text, k);
      continue;
    }
    if ((ch != 'F' && ch != 'S') || (k > 0 && ident_char(text[k - 1]))) continue;   // F_…, S_…: procedures' names
    size_t e = k;
    while (e < text.size() && ident_char(text[e])) e++;
    auto p = procs.find(text.substr(k, e - k));
    if (e >= text.size() || text[e] != '(' || p == procs.end() || !p->second.entries) {
      k = e - 1;
      continue;
    }
    size_t close = closing_paren(text, e);
    if (close == std::string::npos) break;
    if (at_definition(text, k)) {
      k = close;
      continue;
    }
    std::string inner = by_value_calls(text.substr(e + 1, close - e - 1), procs, used);
    std::vector<std::string> args = call_args(inner);
    const by_value_proc &q = p->second;
    bool values = args.size() == q.number.size();
    // A variable's value is read when the call is made: no other argument may call a procedure,
    // which might change it before the callee would have read it.
    bool calls = false;
    for (const std::string &a : args)
      for_each_ident(a, [&](size_t at, size_t n) { calls = calls || (at + n < a.size() && a[at + n] == '(' && procs.count(a.substr(at, n))); });
    for (size_t a = 0; values && a < args.size(); a++) {
      if (!q.number[a]) continue;
      std::string v = copied_value(args[a]), arg = trimmed(args[a]);
      if (v.empty() && a < q.by_variable.size() && q.by_variable[a] && !calls && arg.compare(0, 7, "kb_cico") != 0)
        v = arg.size() > 1 && arg[0] == '&' ? arg.substr(1) : "(*" + arg + ")";
      if (v.empty()) values = false;
      else args[a] = v;
    }
    std::string call = p->first + "(" + inner + ")";
    if (values) {
      used.insert(p->first);
      call = p->first + "_v(";
      for (size_t a = 0; a < args.size(); a++) call += (a ? ", " : "") + args[a];
      call += ")";
    }
    out += text.substr(last, k - last) + call;
    last = close + 1;
    k = close;
  }
  return out + text.substr(last);
}

std::string by_value_unit(const std::string &unit, const std::string &name, const by_value_proc &p, std::string &proto) {
  std::string head = "[[maybe_unused]] static " + p.ret + " " + name + "(";
  size_t at = unit.find(head);
  if (at == std::string::npos) return unit;
  std::string params, vparams, pass, vpass;
  for (size_t k = 0; k < p.names.size(); k++) {
    std::string sep = k ? ", " : "";
    params += sep + glued(p.types[k], p.names[k]);
    pass += sep + p.names[k];
    if (p.number[k]) {
      vparams += sep + number_type(p, k) + " " + p.names[k];
      vpass += sep + "&" + p.names[k];
    } else {
      vparams += sep + glued(p.types[k], p.names[k]);
      vpass += sep + p.names[k];
    }
  }
  std::string out = unit.substr(0, at) + "[[gnu::always_inline]] static inline " + p.ret + " " + name + "_b(" +
                    unit.substr(at + head.size());
  out += head + params + ") { return " + name + "_b(" + pass + "); }\n";
  out += "[[maybe_unused]] static " + p.ret + " " + name + "_v(" + vparams + ") { return " + name + "_b(" + vpass + "); }\n";
  proto = "static " + p.ret + " " + name + "_v(" + vparams + ");\n";
  return out;
}

}  // namespace bas
