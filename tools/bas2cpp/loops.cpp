// A FOR loop's checked-once copy: the loop written twice, the second copy with the subscripts
// and the counter's sums and products an entry test has covered unchecked. The emitter hands
// over the loop's C++ text; this reads it back (the statements are its own, so their shapes
// are known) and writes both copies.
#include "loops.h"
#include <cctype>
#include <iterator>
#include <map>
#include <set>
#include <vector>

namespace bas {

namespace {

constexpr int poll_passes = 1024;

bool word_char(char c) { return std::isalnum((unsigned char)c) || c == '_'; }
bool is_ident(const std::string &s) {
  if (s.empty() || std::isdigit((unsigned char)s[0])) return false;
  for (char c : s)
    if (!word_char(c)) return false;
  return true;
}
std::string trim(const std::string &s) {
  size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}
// The parenthesis closing the one at open (the statements' code has no string literals that
// the copy rewrites; a literal's parentheses are skipped all the same).
size_t closing(const std::string &s, size_t open) {
  int depth = 0;
  for (size_t k = open; k < s.size(); k++) {
    char c = s[k];
    if (c == '"' || c == '\'') {
      for (k++; k < s.size() && s[k] != c; k++)
        if (s[k] == '\\') k++;
      continue;
    }
    if (c == '(') depth++;
    else if (c == ')' && --depth == 0) return k;
  }
  return std::string::npos;
}
// The arguments of a call whose parentheses are at open and close, split at the top level.
std::vector<std::string> arguments(const std::string &s, size_t open, size_t close) {
  std::vector<std::string> out;
  int depth = 0;
  size_t from = open + 1;
  for (size_t k = open + 1; k < close; k++) {
    char c = s[k];
    if (c == '(' || c == '{' || c == '[') depth++;
    else if (c == ')' || c == '}' || c == ']') depth--;
    else if (c == ',' && depth == 0) {
      out.push_back(trim(s.substr(from, k - from)));
      from = k + 1;
    }
  }
  out.push_back(trim(s.substr(from, close - from)));
  return out;
}

// A subscript as a function of the counters of degree 0 or 1 in each: its value at each corner
// of the counters' ranges (as 64-bit C++ expressions), and its C++ with the checks the entry
// test makes left out.
struct affine {
  bool ok = false;
  bool linear = false;              // depends on a counter
  std::vector<std::string> at;      // its value at each corner
  std::string wide;                 // its value in 64 bits, with the counter's 64-bit copy
};

// A counter as the entry test sees it: its value at each corner, and its 64-bit copy in the loop.
struct counter_ends {
  std::vector<std::string> at;
  std::string wide;
};

class copier {
 public:
  copier(const std::map<std::string, counter_ends> &counters, size_t corners, const std::set<std::string> &written)
      : counters_(counters), corners_(corners), written_(written) {}
  std::set<std::string> conds;      // the entry test's terms
  int covered = 0;                  // accesses the entry test covers

  affine parse(const std::string &text) {
    std::string s = trim(text);
    affine r;
    if (s.empty()) return r;
    if (s[0] == '(') {
      size_t c = closing(s, 0);
      if (c == std::string::npos) return r;
      std::string inner = trim(s.substr(1, c - 1));
      if (c + 1 == s.size()) return parse(inner);
      if (inner != "int16_t" && inner != "int32_t") return r;
      affine e = parse(s.substr(c + 1));
      if (!e.ok) return r;
      fits(inner, e);
      return e;
    }
    static const char *const ops[] = {"kb_add<", "kb_sub<", "kb_mul<"};
    for (const char *op : ops) {
      std::string o = op;
      if (s.compare(0, o.size(), o) != 0) continue;
      size_t t = s.find('>', o.size());
      if (t == std::string::npos) return r;
      std::string type = s.substr(o.size(), t - o.size());
      if ((type != "int16_t" && type != "int32_t") || t + 1 >= s.size() || s[t + 1] != '(') return r;
      size_t c = closing(s, t + 1);
      if (c != s.size() - 1) return r;
      std::vector<std::string> args = arguments(s, t + 1, c);
      // With the statement's flag, or without (as a FOR's first value and end are written).
      if (args.size() == 3 && args[0] == "kb_r") args.erase(args.begin());
      if (args.size() != 2) return r;
      affine a = parse(args[0]), b = parse(args[1]);
      if (!a.ok || !b.ok || (o == "kb_mul<" && a.linear && b.linear)) return r;
      std::string sym = o == "kb_add<" ? " + " : o == "kb_sub<" ? " - " : " * ";
      r.ok = true;
      r.linear = a.linear || b.linear;
      for (size_t k = 0; k < corners_; k++) r.at.push_back("(" + a.at[k] + sym + b.at[k] + ")");
      r.wide = "(" + a.wide + sym + b.wide + ")";
      fits(type, r);
      return r;
    }
    if (std::isdigit((unsigned char)s[0])) {
      for (char ch : s)
        if (!std::isdigit((unsigned char)ch)) return r;
      r.ok = true;
      r.wide = "(int64_t)" + s;
      r.at.assign(corners_, r.wide);
      return r;
    }
    auto counter = counters_.find(s);
    if (counter != counters_.end()) {
      r.ok = r.linear = true;
      r.at = counter->second.at;
      r.wide = counter->second.wide;
      return r;
    }
    if (!is_ident(s) || s.compare(0, 3, "kb_") == 0 || written_.count(s)) return r;
    r.ok = true;
    r.wide = "(int64_t)" + s;
    r.at.assign(corners_, r.wide);
    return r;
  }

  // A statement's code for the copy: covered accesses unchecked, the others checked without
  // taking the array's view again; a sum, difference or product of the counters and values the
  // loop does not change that the entry test covers (its values at the corners fit its type)
  // worked out unchecked.
  std::string rewrite(const std::string &code) {
    std::string out;
    size_t last = 0;
    for (size_t p = code.find("kb_"); p != std::string::npos; p = code.find("kb_", p + 1)) {
      if (p < last || (p > 0 && word_char(code[p - 1]))) continue;
      if (code.compare(p, 7, "kb_add<") == 0 || code.compare(p, 7, "kb_sub<") == 0 || code.compare(p, 7, "kb_mul<") == 0) {
        size_t t = code.find('>', p), c = t == std::string::npos ? t : closing(code, t + 1);
        if (c == std::string::npos) continue;
        std::string type = code.substr(p + 7, t - p - 7);
        std::set<std::string> kept = conds;
        affine a = parse(code.substr(p, c + 1 - p));
        if (!a.ok) {
          conds = kept;                   // inner sums are tried on their own
          continue;
        }
        out += code.substr(last, p - last) + "(" + type + ")" + a.wide;
        last = c + 1;
        covered++;                        // a loop around this one must cover it too
        continue;
      }
      // PSET and POINT on the page taken at the entry (kb_pixels); the arguments go on through
      // this loop like the rest of the code.
      bool pset = code.compare(p, 17, "kb_pset_at(kb_r, ") == 0, point = code.compare(p, 18, "kb_point_at(kb_r, ") == 0;
      if (pset || point) {
        conds.insert(pset ? "kb_pixels_take(kb_pw, write_page)" : "kb_pixels_take(kb_pr, read_page)");
        out += code.substr(last, p - last) + (pset ? "kb_pset_px(kb_r, kb_pw, " : "kb_point_px(kb_r, kb_pr, ");
        last = p + (pset ? 17 : 18);
        covered++;
        continue;
      }
      bool get = code.compare(p, 7, "kb_get<") == 0, at = code.compare(p, 6, "kb_at<") == 0;
      bool record = code.compare(p, 8, "kb_elem(") == 0;   // a record's element, for its fields
      if (!get && !at && !record) continue;
      size_t t0 = p + (get ? 7 : at ? 6 : 7), t1 = record ? p + 6 : code.find('>', t0);
      if (t1 == std::string::npos) continue;
      std::string type = record ? "" : code.substr(t0, t1 - t0);
      static const std::set<std::string> numbers = {"int16_t", "int32_t", "int64_t", "float", "double"};
      if ((!record && !numbers.count(type)) || t1 + 1 >= code.size() || code[t1 + 1] != '(') continue;
      size_t c = closing(code, t1 + 1);
      if (c == std::string::npos) continue;
      std::vector<std::string> args = arguments(code, t1 + 1, c);
      if (args.size() < 3 || args[0] != "kb_r" || !is_ident(args[1])) continue;
      const std::string &name = args[1];
      std::string n = std::to_string(args.size() - 2);
      std::vector<affine> subs;
      bool all = true;
      for (size_t k = 2; k < args.size(); k++) {
        subs.push_back(parse(args[k]));
        all = all && subs.back().ok;
      }
      std::string call;
      if (all) {
        for (size_t d = 0; d < subs.size(); d++) {
          std::set<std::string> &ends = spans_["kb_span<" + n + ">(" + name + ", " + std::to_string(d)];
          ends.insert(subs[d].at.begin(), subs[d].at.end());
        }
        call = record ? "kb_elemu(" + name : std::string(get ? "kb_getu<" : "kb_atu<") + type + ">(" + name;
        for (const affine &a : subs) call += ", " + a.wide;
        covered++;
      } else {
        conds.insert("kb_live<" + n + ">(" + name + ")");
        call = record ? "kb_elemf(kb_r, " + name : std::string(get ? "kb_getf<" : "kb_atf<") + type + ">(kb_r, " + name;
        for (size_t k = 2; k < args.size(); k++) call += ", " + rewrite(args[k]);
      }
      out += code.substr(last, p - last) + call + ")";
      last = c + 1;
    }
    return out + code.substr(last);
  }

  // The entry test's terms for the subscripts: each dimension of each array once, for the
  // least and the greatest of its subscripts' ends (the bounds hold every value between them).
  // Loops that read several arrays with the same subscripts test each value once, not once an
  // access.
  void add_spans() {
    auto fold = [](const std::set<std::string> &v, const char *f) {
      std::string e = *v.rbegin();
      for (auto it = std::next(v.rbegin()); it != v.rend(); ++it) e = std::string(f) + "(" + *it + ", " + e + ")";
      return e;
    };
    for (const auto &[head, ends] : spans_)
      conds.insert(head + ", " + fold(ends, "kb_min") + ", " + fold(ends, "kb_max") + ")");
  }

 private:
  std::map<std::string, std::set<std::string>> spans_;
  const std::map<std::string, counter_ends> &counters_;
  size_t corners_;
  const std::set<std::string> &written_;
  // A term's value fits its type at the corners (and so between them). A constant needs no
  // test, nor an INTEGER or LONG variable widened to LONG.
  void fits(const std::string &type, const affine &e) {
    auto bare = [](const std::string &x) { return x.compare(0, 9, "(int64_t)") == 0 ? x.substr(9) : std::string(); };
    std::string first = bare(e.at[0]);
    if (!e.linear && !first.empty() && std::isdigit((unsigned char)first[0])) return;
    bool plain = type == "int32_t";
    for (const std::string &v : e.at) {
      std::string b = bare(v);
      plain = plain && (is_ident(b) || (!b.empty() && b.find_first_not_of("0123456789") == std::string::npos));
    }
    if (plain) return;
    for (const std::string &v : e.at) conds.insert("kb_fits<" + type + ">(" + v + ")");
  }
};

// The identifiers the code assigns to (or steps).
std::set<std::string> assigned(const std::string &s) {
  std::set<std::string> out;
  for (size_t k = 0; k < s.size();) {
    if (!(std::isalpha((unsigned char)s[k]) || s[k] == '_') || (k > 0 && word_char(s[k - 1]))) { k++; continue; }
    size_t e = k;
    while (e < s.size() && word_char(s[e])) e++;
    size_t j = s.find_first_not_of(' ', e);
    bool w = false;
    if (j != std::string::npos && j + 1 < s.size()) {
      char a = s[j], b = s[j + 1];
      w = (a == '=' && b != '=') || (b == '=' && std::string("+-*/%&|^").find(a) != std::string::npos) ||
          (a == b && (a == '+' || a == '-'));
    }
    if (k >= 2 && (s.compare(k - 2, 2, "++") == 0 || s.compare(k - 2, 2, "--") == 0)) w = true;
    if (w) out.insert(s.substr(k, e - k));
    k = e;
  }
  return out;
}

std::string label(uint32_t id) { return "\x01" + std::to_string(id) + "\x02"; }
std::string jump(uint32_t id) { return "\x03" + std::to_string(id) + "\x04"; }

}  // namespace

std::string version_for_loop(const for_loop_text &l, const std::function<uint32_t()> &new_id,
                             std::map<uint32_t, loop_copy> &copies) {
  if (!is_ident(l.counter) || !is_ident(l.end) || l.sign < -1 || l.sign > 1) return "";
  if (l.ctype != "int16_t" && l.ctype != "int32_t") return "";
  // The body: labels, jumps, flag-tested statements and loops written twice (one level deep).
  struct item { enum { label, line, loop } kind; std::string text; uint32_t id = 0; };
  std::vector<item> items;
  const std::string &b = l.body;
  for (size_t k = 0; k < b.size();) {
    if (b[k] == '\x01') {
      size_t e = b.find('\x02', k);
      if (e == std::string::npos) return "";
      std::string id = b.substr(k + 1, e - k - 1);
      auto in = copies.find((uint32_t)std::stoul(id));
      if (in != copies.end() && b.compare(k, in->second.text.size(), in->second.text) == 0) {
        if (in->second.loop.sign != 1) return "";
        items.push_back({item::loop, in->second.text, in->first});
        k += in->second.text.size();
        continue;
      }
      items.push_back({item::label, id});
      k = e + 1;
      continue;
    }
    size_t e = b.find('\n', k);
    if (e == std::string::npos) e = b.size();
    std::string line = trim(b.substr(k, e - k));
    k = e + 1;
    if (line.empty()) continue;
    bool stmt = line.compare(0, 5, "KB_Q(") == 0 && line.back() == ')';
    bool jumps = line[0] == '\x03' || line.compare(0, 4, "if (") == 0;
    bool numbered = line.compare(0, 12, "last_line = ") == 0 && line.back() == ';' &&
                    line.find_first_not_of("0123456789", 12) == line.size() - 1;   // a line number, for ERL
    if (numbered) {
      items.push_back({item::line, line});
      continue;
    }
    if (!stmt && !jumps) return "";
    if (jumps && line.back() != '\x04') return "";
    items.push_back({item::line, line});
  }
  // Nothing may reach a variable another way than by its name.
  if (b.find("(*") != std::string::npos) {
    for (size_t p = b.find("(*"); p != std::string::npos; p = b.find("(*", p + 2))
      if (b.compare(p + 2, 5, "kb_at") != 0) return "";
  }
  // A function written out at its calls (kb_inl_) handles its own errors where it is: a copy
  // would go on in itself after a handler that may have changed what its entry test covered.
  // Records copied (std::memcpy, std::memmove) change no number a name reaches; a SWAP does.
  for (size_t p = b.find("std::"); p != std::string::npos; p = b.find("std::", p + 5))
    if (b.compare(p + 5, 7, "memcpy(") != 0 && b.compare(p + 5, 8, "memmove(") != 0) return "";
  if (b.find('\x05') != std::string::npos || b.find("kb_inl_") != std::string::npos)
    return "";
  std::set<std::string> written = assigned(b);
  if (written.count(l.counter) || written.count(l.end)) return "";

  // The corners: the counter's two ends; with loops inside, each of those with the inner
  // counter at each end of its range there (the inner loops' first values and ends, worked out
  // as subscripts are, at the two ends of this loop's range).
  bool nest = false;
  for (const item &it : items) nest = nest || it.kind == item::loop;
  std::map<std::string, counter_ends> counters;
  std::string start = "(int64_t)" + l.counter, stop = "(int64_t)" + l.end;
  counters[l.counter] = {{start, stop}, l.wide};
  std::set<std::string> extra;       // the entry test's terms for the inner loops' own counters
  if (nest) {
    counters[l.counter].at = {start, start, stop, stop};
    const std::map<std::string, counter_ends> own = {{l.counter, {{start, stop}, l.wide}}};
    copier ends(own, 2, written);
    for (const item &it : items) {
      if (it.kind != item::loop) continue;
      const for_loop_text &in = copies.at(it.id).loop;
      if (counters.count(in.counter)) return "";
      affine from = ends.parse(in.from), to = ends.parse(in.to);
      if (!from.ok || !to.ok) return "";
      counters[in.counter] = {{from.at[0], to.at[0], from.at[1], to.at[1]}, in.wide};
      for (const std::string &t : to.at) extra.insert("kb_fits<" + in.ctype + ">(" + t + " + (int64_t)(" + in.step + "))");
    }
    extra.insert(ends.conds.begin(), ends.conds.end());
  }
  // The inner counters are known only inside their loops (after one, its counter is past its end).
  std::map<std::string, counter_ends> outer_only = {{l.counter, counters[l.counter]}};
  copier cp(outer_only, nest ? 4 : 2, written), cpi(counters, 4, written);
  std::string fast, slow;
  std::string handlers;
  std::set<std::string> mine;        // the body's labels, renamed in the copy
  for (const item &it : items)
    if (it.kind == item::label) mine.insert(it.text);
  std::map<std::string, uint32_t> renamed;
  for (const std::string &id : mine) renamed[id] = new_id();
  auto rename_jumps = [&](const std::string &s) {
    std::string o;
    for (size_t k = 0; k < s.size(); k++) {
      if (s[k] != '\x03') { o += s[k]; continue; }
      size_t e = s.find('\x04', k);
      std::string id = s.substr(k + 1, e - k - 1);
      auto it = renamed.find(id);
      o += it == renamed.end() ? s.substr(k, e - k + 1) : jump(it->second);
      k = e;
    }
    return o;
  };
  for (const item &it : items) {
    if (it.kind == item::label) {
      slow += label((uint32_t)std::stoul(it.text));
      fast += label(renamed[it.text]);
      continue;
    }
    if (it.kind == item::loop) {
      // The inner loop's copy, its labels renamed, entered without its test; the accesses it
      // leaves unchecked must all be covered here, for both counters.
      const loop_copy &in = copies.at(it.id);
      slow += it.text;
      int before = cpi.covered;
      const std::string &inner = in.loop.body;
      for (size_t k = inner.find("KB_Q("); k != std::string::npos; k = inner.find("KB_Q(", k + 1)) {
        size_t c = closing(inner, k + 4);
        if (c == std::string::npos) return "";
        cpi.rewrite(inner.substr(k, c - k + 1));
      }
      if (cpi.covered - before != in.covered) return "";
      std::string f = in.fast;
      for (uint32_t id : in.own) {
        std::string from = label(id), to = label(renamed[std::to_string(id)] = new_id());
        for (size_t p = f.find(from); p != std::string::npos; p = f.find(from, p + to.size())) f.replace(p, from.size(), to);
      }
      fast += rename_jumps(f);
      continue;
    }
    if (it.text.compare(0, 5, "KB_Q(") != 0) {
      slow += "  " + it.text + "\n";
      fast += "  " + rename_jumps(it.text) + "\n";
      continue;
    }
    size_t comma = it.text.find(", ");
    std::string line = it.text.substr(5, comma - 5), code = it.text.substr(comma + 2, it.text.size() - comma - 3);
    uint32_t before = new_id(), after = new_id(), bail = new_id();
    slow += label(before) + "  " + it.text + "\n" + label(after);
    fast += "  KB_F(" + jump(bail) + ", " + cp.rewrite(rename_jumps(code)) + ")\n";
    handlers += label(bail) + "  KB_OUT evnt(" + line + "); KB_IN if (evnt_repeat == 1) " + jump(before) + " " + jump(after) + "\n";
  }
  cp.add_spans();
  cpi.add_spans();
  cp.conds.insert(cpi.conds.begin(), cpi.conds.end());
  cp.conds.insert(extra.begin(), extra.end());
  std::string step = "(int64_t)(" + l.step + ")";
  cp.conds.insert("kb_fits<" + l.ctype + ">((int64_t)" + l.end + " + " + step + ")");
  if (l.sign == 0) cp.conds.insert(step + " > 0");   // a step in a variable: the copy counts up
  // Every term is worked out and the truths combined without a branch apiece (a loop entered
  // often, of a few passes, spent a fifth of its time on a branch a term).
  std::string test;
  for (const std::string &c : cp.conds) test += (test.empty() ? "(" : " & (") + c + ")";
  uint32_t check = new_id(), fast_top = new_id(), event = new_id();
  std::string out = label(check) + "  kb_c = " + test + ";\n  if (kb_c) " + jump(fast_top) + "\n";
  out += label(l.top) + l.head + slow + l.next;
  // The copy runs in blocks of up to poll_passes passes and looks at events between them: the
  // test of the shared event word keeps the compiler from optimising the loop around it. The
  // counter has a 64-bit copy, which the covered subscripts use and whose block's last value
  // is the loop's only exit, so the compiler counts the passes and steps pointers instead of
  // working out each address. (An inner loop's copy looks at events between its own blocks.)
  uint32_t inner = new_id();
  std::string copy = label(fast_top) + l.head + "  { int64_t kb_b = ((int64_t)" + l.end + " - " + l.counter + ") / " + step +
                     "; if (kb_b > " + std::to_string(poll_passes - 1) + ") kb_b = " + std::to_string(poll_passes - 1) + "; " +
                     l.wide + " = " + l.counter + "; " + l.last + " = " + l.wide + " + kb_b * " + step + "; }\n";
  std::string next = l.counter + " = kb_addu<" + l.ctype + ">(" + l.counter + ", " + l.step + ");";
  copy += label(inner) + fast;
  copy += "  if (" + l.wide + " != " + l.last + ") { " + next + " " + l.wide + " += " + step + "; " + jump(inner) + " }\n";
  copy += "  " + next + "\n";
  copy += "  if (kb_event_pending()) " + jump(event) + "\n  " + jump(fast_top) + "\n";
  out += copy;
  out += label(event) + "  KB_OUT evnt(" + std::to_string(l.next_line) + "); KB_IN " + jump(check) + "\n";
  out += handlers;
  if (!nest) {
    // Kept for a loop around this one: the copy with its own labels, its jumps to the checked
    // loop's handlers and event label as they are.
    loop_copy &mine_copy = copies[check];
    mine_copy.loop = l;
    mine_copy.text = out;
    mine_copy.fast = copy;
    for (size_t k = copy.find('\x01'); k != std::string::npos; k = copy.find('\x01', k + 1))
      mine_copy.own.push_back((uint32_t)std::stoul(copy.substr(k + 1, copy.find('\x02', k) - k - 1)));
    mine_copy.covered = cp.covered;
  }
  return out;
}

}  // namespace bas
