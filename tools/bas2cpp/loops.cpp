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

// A subscript as a function of the counter of degree 0 or 1: its value at the two ends of the
// counter's range (as 64-bit C++ expressions), and its C++ with the checks the entry test makes
// left out.
struct affine {
  bool ok = false;
  bool linear = false;              // depends on the counter
  std::string lo, hi, wide;         // wide: its value in 64 bits, with the counter's 64-bit copy
};

class copier {
 public:
  copier(const for_loop_text &l, const std::set<std::string> &written) : l_(l), written_(written) {}
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
      if (args.size() != 3 || args[0] != "kb_r") return r;
      affine a = parse(args[1]), b = parse(args[2]);
      if (!a.ok || !b.ok || (o == "kb_mul<" && a.linear && b.linear)) return r;
      char sym = o == "kb_add<" ? '+' : o == "kb_sub<" ? '-' : '*';
      r.ok = true;
      r.linear = a.linear || b.linear;
      r.lo = "(" + a.lo + " " + sym + " " + b.lo + ")";
      r.hi = "(" + a.hi + " " + sym + " " + b.hi + ")";
      r.wide = "(" + a.wide + " " + sym + " " + b.wide + ")";
      fits(type, r);
      return r;
    }
    if (std::isdigit((unsigned char)s[0])) {
      for (char ch : s)
        if (!std::isdigit((unsigned char)ch)) return r;
      r.ok = true;
      r.lo = r.hi = r.wide = "(int64_t)" + s;
      return r;
    }
    if (!is_ident(s) || s.compare(0, 3, "kb_") == 0 || written_.count(s)) {
      if (s != l_.counter) return r;
    }
    r.ok = true;
    if (s == l_.counter) {
      r.linear = true;
      r.lo = "(int64_t)" + l_.counter;
      r.hi = "(int64_t)" + l_.end;
      r.wide = l_.wide;
    } else {
      r.lo = r.hi = r.wide = "(int64_t)" + s;
    }
    return r;
  }

  // A statement's code for the copy: covered accesses unchecked, the others checked without
  // taking the array's view again; a sum, difference or product of the counter that the entry
  // test covers (its values at the two ends fit its type) worked out unchecked.
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
        if (!a.ok || !a.linear) {
          conds = kept;                   // inner sums are tried on their own
          continue;
        }
        out += code.substr(last, p - last) + "(" + type + ")" + a.wide;
        last = c + 1;
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
          ends.insert(subs[d].lo);
          ends.insert(subs[d].hi);
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
  const for_loop_text &l_;
  const std::set<std::string> &written_;
  // A term's value fits its type at both ends (and so between them). A constant needs no test,
  // nor an INTEGER or LONG variable that the loop does not change widened to LONG.
  void fits(const std::string &type, const affine &e) {
    auto bare = [](const std::string &x) { return x.compare(0, 9, "(int64_t)") == 0 ? x.substr(9) : std::string(); };
    std::string lo = bare(e.lo), hi = bare(e.hi);
    if (!e.linear && !lo.empty() && std::isdigit((unsigned char)lo[0])) return;
    if (type == "int32_t" && is_ident(lo) && is_ident(hi)) return;
    conds.insert("kb_fits<" + type + ">(" + e.lo + ")");
    if (e.hi != e.lo) conds.insert("kb_fits<" + type + ">(" + e.hi + ")");
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

std::string version_for_loop(const for_loop_text &l, const std::function<uint32_t()> &new_id) {
  if (!is_ident(l.counter) || !is_ident(l.end) || l.sign < -1 || l.sign > 1) return "";
  if (l.ctype != "int16_t" && l.ctype != "int32_t") return "";
  // The body: labels, jumps and flag-tested statements only.
  struct item { bool is_label; std::string text; };
  std::vector<item> items;
  const std::string &b = l.body;
  for (size_t k = 0; k < b.size();) {
    if (b[k] == '\x01') {
      size_t e = b.find('\x02', k);
      if (e == std::string::npos) return "";
      items.push_back({true, b.substr(k + 1, e - k - 1)});
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
      items.push_back({false, line});
      continue;
    }
    if (!stmt && !jumps) return "";
    if (jumps && line.back() != '\x04') return "";
    items.push_back({false, line});
  }
  // Nothing may reach a variable another way than by its name.
  if (b.find("(*") != std::string::npos) {
    for (size_t p = b.find("(*"); p != std::string::npos; p = b.find("(*", p + 2))
      if (b.compare(p + 2, 5, "kb_at") != 0) return "";
  }
  if (b.find("std::") != std::string::npos || b.find('\x05') != std::string::npos) return "";
  std::set<std::string> written = assigned(b);
  if (written.count(l.counter) || written.count(l.end)) return "";

  copier cp(l, written);
  std::string fast, slow;
  std::string handlers;
  std::set<std::string> mine;        // the body's labels, renamed in the copy
  for (const item &it : items)
    if (it.is_label) mine.insert(it.text);
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
    if (it.is_label) {
      slow += label((uint32_t)std::stoul(it.text));
      fast += label(renamed[it.text]);
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
  // working out each address.
  uint32_t inner = new_id();
  out += label(fast_top) + l.head + "  { int64_t kb_b = ((int64_t)" + l.end + " - " + l.counter + ") / " + step +
         "; if (kb_b > " + std::to_string(poll_passes - 1) + ") kb_b = " + std::to_string(poll_passes - 1) + "; " +
         l.wide + " = " + l.counter + "; " + l.last + " = " + l.wide + " + kb_b * " + step + "; }\n";
  std::string next = l.counter + " = kb_addu<" + l.ctype + ">(" + l.counter + ", " + l.step + ");";
  out += label(inner) + fast;
  out += "  if (" + l.wide + " != " + l.last + ") { " + next + " " + l.wide + " += " + step + "; " + jump(inner) + " }\n";
  out += "  " + next + "\n";
  out += "  if (kb_event_pending()) " + jump(event) + "\n  " + jump(fast_top) + "\n";
  out += label(event) + "  KB_OUT evnt(" + std::to_string(l.next_line) + "); KB_IN " + jump(check) + "\n";
  return out + handlers;
}

}  // namespace bas
