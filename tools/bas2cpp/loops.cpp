// A FOR loop's checked-once copy: the loop written twice, the second copy with the subscripts
// and the counter's sums and products an entry test has covered unchecked. The emitter hands
// over the loop's C++ text; this reads it back (the statements are its own, so their shapes
// are known) and writes both copies.
#include "loops.h"
#include "ctext.h"
#include "fastform.h"
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
  copier(const std::map<std::string, counter_ends> &counters, size_t corners, const std::set<std::string> &written,
         const std::set<std::string> &params)
      : counters_(counters), corners_(corners), written_(written), params_(params) {}
  std::set<std::string> conds;      // the entry test's terms
  int covered = 0;                  // accesses the entry test covers

  affine parse(const std::string &text) {
    std::string s = trim(text);
    affine r;
    if (s.empty()) return r;
    if (params_.count(s)) {             // a parameter the loop does not change
      r.ok = true;
      r.wide = "(int64_t)" + s;
      r.at.assign(corners_, r.wide);
      return r;
    }
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
  const std::set<std::string> &params_;
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

// ---- several passes of a loop around a loop at once --------------------------------------

constexpr int jam_lanes = 4;

// The text with each whole-word w replaced by `by`.
std::string replace_word(const std::string &s, const std::string &w, const std::string &by) {
  std::string o;
  size_t last = 0;
  for (size_t p = s.find(w); p != std::string::npos; p = s.find(w, p + w.size())) {
    if ((p > 0 && word_char(s[p - 1])) || (p + w.size() < s.size() && word_char(s[p + w.size()]))) continue;
    o += s.substr(last, p - last) + by;
    last = p + w.size();
  }
  return o + s.substr(last);
}
// Where the whole word w first stands in s, or npos; how often it stands there.
size_t word_at(const std::string &s, const std::string &w, size_t from = 0) {
  for (size_t p = s.find(w, from); p != std::string::npos; p = s.find(w, p + 1))
    if (!(p > 0 && word_char(s[p - 1])) && !(p + w.size() < s.size() && word_char(s[p + w.size()]))) return p;
  return std::string::npos;
}
int word_count(const std::string &s, const std::string &w) {
  int n = 0;
  for (size_t p = word_at(s, w); p != std::string::npos; p = word_at(s, w, p + 1)) n++;
  return n;
}
std::set<std::string> idents(const std::string &s) {
  std::set<std::string> out;
  for_each_ident(s, [&](size_t k, size_t n) { out.insert(s.substr(k, n)); });
  return out;
}
// The entry test's terms asking, of each function a copy's code writes with checks that only
// set the flag (kb_inlb_), whether it could be so written (kb_inlok_, known once it is).
void ask_flag_forms(const std::string &code, std::set<std::string> &conds) {
  for (size_t p = code.find("kb_inlb_"); p != std::string::npos; p = code.find("kb_inlb_", p + 8)) {
    size_t e = p + 8;
    while (e < code.size() && word_char(code[e])) e++;
    conds.insert("kb_inlok_" + code.substr(p + 8, e - p - 8) + "()");
  }
}

// A statement of the copy that cannot fail and changes nothing but the variables it assigns:
// it reads array elements the entry test covered (kb_getu, kb_getuv) and works out numbers,
// and its flag is only looked at.
bool cannot_fail(const std::string &c) {
  bool ok = true;
  for_each_ident(c, [&](size_t k, size_t n) {
    std::string w = c.substr(k, n);
    size_t e = k + n;
    bool call = e < c.size() && (c[e] == '(' || c[e] == '<');
    bool reader = w == "kb_getu" || w == "kb_getuv";
    if (call && !reader) ok = false;
    if (w == "kb_r" && !(k >= 2 && c.compare(k - 2, 7, "(!kb_r)") == 0)) ok = false;
    if (w.compare(0, 3, "kb_") == 0 && !reader && w != "kb_r" && w != "kb_v" && w.compare(0, 5, "kb_fe") != 0 &&
        w.compare(0, 5, "kb_fk") != 0 && w.compare(0, 5, "kb_el") != 0)
      ok = false;
  });
  return ok;
}

// The statements of a loop's copy that holds one loop: those before the inner loop (pre),
// the inner loop, and those after it (post, as the copy writes them and their code).
struct nest_parts {
  std::vector<std::string> pre, post;
  std::string post_fast;
  const loop_copy *inner = nullptr;
  int loops = 0;
  bool straight = true;             // no jumps or line numbers
};

// Unroll and jam: jam_lanes passes of the outer loop at once, their inner loops run as one,
// each statement of the inner loop once for each pass, so that the passes' sums proceed side
// by side instead of each waiting on the one before. It applies when what the passes share
// cannot carry a value from one to the next: the inner loop's statements cannot fail and
// assign only variables of their own pass (each assigned in its pass before it is read: by a
// statement before the inner loop, or in the inner loop before any read), the statements
// before the inner loop are such assignments or the inner FOR's own (the same range for every
// pass), and the statements after it (which run pass after pass, as written, each with its own
// error handling) assign nothing the others read and store only into arrays the others do not
// read (other names, and other storage: tested with the group). The inner loop runs at most
// 65,536 passes this way and events are looked at before each group, so a group takes at most
// milliseconds. "" when it does not apply.
std::string jam_passes(const for_loop_text &l, const nest_parts &n, uint32_t after) {
  if (!n.straight || n.loops != 1 || !n.inner) return "";
  const for_loop_text &il = n.inner->loop;
  if (l.sign != 1 || l.step != "(" + l.ctype + ")1" || il.sign != 1 || il.step != "(" + il.ctype + ")1") return "";
  if (il.body.find('\x01') != std::string::npos || il.body.find('\x03') != std::string::npos) return "";
  std::vector<std::string> body;
  const std::string &f = n.inner->fast;
  for (size_t k = f.find("KB_F("); k != std::string::npos; k = f.find("KB_F(", k + 1)) {
    size_t m = f.find("\x04, ", k), c = closing(f, k + 4);
    if (m == std::string::npos || c == std::string::npos || m > c) return "";
    body.push_back(f.substr(m + 3, c - m - 3));
  }
  std::vector<std::string> pre = n.pre;
  std::string all_post;
  for (const std::string &c : n.post) all_post += c + "\n";
  // An element the inner loop reads and stores into at the same subscripts, which name the
  // outer counter and not the inner one (C(I, J) = C(I, J) + ...), is a variable of each pass:
  // read before the inner loop, stored just before the pass's statements after it. Its array is
  // then named nowhere else in the loop, and its storage is no other array's.
  struct access { size_t from, to; std::string key; bool varies; };
  std::map<std::string, std::vector<std::pair<int, access>>> by_array;   // statement (pre: -1 - k)
  std::map<std::string, std::string> types, subs_of;
  auto scan = [&](const std::string &c, int at) {
    for (size_t p = c.find("kb_"); p != std::string::npos; p = c.find("kb_", p + 1)) {
      if (p > 0 && word_char(c[p - 1])) continue;
      bool get = c.compare(p, 8, "kb_getu<") == 0, put = c.compare(p, 7, "kb_atu<") == 0;
      if (!get && !put) continue;
      size_t t = c.find('>', p), e = t == std::string::npos ? t : closing(c, t + 1);
      if (e == std::string::npos) continue;
      std::vector<std::string> args = arguments(c, t + 1, e);
      std::string subs;   // the outer counter as the inner loop's copy writes it
      for (size_t k = 1; k < args.size(); k++) subs += ", " + replace_word(args[k], l.wide, "(int64_t)" + l.counter);
      bool varies = word_at(subs, il.counter) != std::string::npos || word_at(subs, il.wide) != std::string::npos;
      size_t from = p, to = e + 1;
      if (put) {
        if (p < 2 || c.compare(p - 2, 2, "(*") != 0 || to >= c.size() || c[to] != ')') { varies = true; }
        else { from = p - 2; to++; }
      }
      std::string type = c.substr(p + (get ? 8 : 7), t - p - (get ? 8 : 7));
      by_array[args[0]].push_back({at, {from, to, type + subs, varies}});
      types[args[0]] = type;
      subs_of[args[0]] = subs;
    }
  };
  for (size_t k = 0; k < pre.size(); k++) scan(pre[k], -1 - (int)k);
  for (size_t k = 0; k < body.size(); k++) scan(body[k], (int)k);
  std::set<std::string> read_arrays;   // every array the statements before and in the inner loop name
  for (const auto &a : by_array) read_arrays.insert(a.first);
  std::vector<std::string> elements, element_arrays, element_subs, element_types;
  for (const auto &[name, uses] : by_array) {
    bool one = word_at(all_post, name) == std::string::npos;
    bool in_body = false;
    for (const auto &u : uses) {
      one = one && !u.second.varies && u.second.key == uses[0].second.key;
      in_body = in_body || u.first >= 0;
    }
    const std::string &subs = subs_of[name];
    bool lanes_apart = word_at(subs, l.counter) != std::string::npos || word_at(subs, l.wide) != std::string::npos;
    if (!one || !in_body || !lanes_apart) continue;
    std::string v = "kb_el" + std::to_string(elements.size());
    for (auto it = uses.rbegin(); it != uses.rend(); ++it) {   // from the end: the offsets stay right
      std::string &c = it->first >= 0 ? body[it->first] : pre[-1 - it->first];
      c.replace(it->second.from, it->second.to - it->second.from, v);
    }
    elements.push_back(v);
    element_arrays.push_back(name);
    element_subs.push_back(subs);
    element_types.push_back(types[name]);
  }
  std::string all_body, all_pre;
  for (const std::string &c : body) all_body += c + "\n";
  for (const std::string &c : pre) all_pre += c + "\n";
  if (body.empty() || all_body.size() + all_pre.size() > 2000 || n.post_fast.size() > 2000) return "";
  for (const std::string &c : body)
    if (!cannot_fail(c)) return "";
  std::set<std::string> own = assigned(all_body);
  own.erase("kb_v");
  for (const std::string &p : own)
    if (p == l.counter || p == l.wide || p == il.counter || p == il.end || p == il.wide) return "";
  // Before the inner loop: the FOR's own statement once, assignments of the passes' own
  // variables once a pass.
  std::string shared;
  std::vector<std::string> each;
  std::set<std::string> killed;
  for (const std::string &e : elements) {
    own.insert(e);
    killed.insert(e);
  }
  for (const std::string &c : pre) {
    if (!cannot_fail(c)) return "";
    std::set<std::string> a = assigned(c);
    a.erase("kb_v");
    if (a.empty()) return "";
    bool of_for = true, of_own = true;
    for (const std::string &w : a) {
      of_for = of_for && (w == il.counter || w == il.end);
      of_own = of_own && own.count(w);
    }
    if (of_for) {
      if (!shared.empty() || word_at(c, l.counter) != std::string::npos || word_at(c, l.wide) != std::string::npos) return "";
      for (const std::string &p : own)
        if (word_at(c, p) != std::string::npos) return "";
      shared = c;
      continue;
    }
    if (!of_own || word_at(c, il.counter) != std::string::npos || word_at(c, il.end) != std::string::npos) return "";
    for (const std::string &p : own)
      if (word_count(c, p) != (int)a.count(p)) return "";   // assigned, never read
    each.push_back(c);
    killed.insert(a.begin(), a.end());
  }
  if (shared.empty() || word_at(shared, il.counter) == std::string::npos) return "";
  for (const std::string &p : own) {
    if (killed.count(p)) continue;
    size_t at = word_at(all_body, p);
    if (at == std::string::npos || all_body.compare(at + p.size(), 8, " = kb_v;") != 0) return "";
  }
  // After it: nothing the passes share is assigned, no array they read is stored into.
  std::set<std::string> read = idents(all_pre + all_body);
  std::set<std::string> wrote = assigned(all_post);
  for (const std::string &w : wrote)
    if (w != "kb_v" && w != il.counter && !own.count(w) && read.count(w)) return "";
  for (const char *w : {"memcpy(", "memmove(", "kb_put", "kb_elem"})
    if (all_post.find(w) != std::string::npos) return "";
  const std::set<std::string> &arrays = read_arrays;
  std::string distinct;
  for (const std::string &e : element_arrays)
    for (const std::string &a : arrays)
      if (a != e) distinct += " && (" + e + ".data != " + a + ".data)";
  for (size_t p = all_post.find("kb_at"); p != std::string::npos; p = all_post.find("kb_at", p + 1)) {
    if (p > 0 && word_char(all_post[p - 1])) continue;
    size_t t = all_post.find('>', p), c = t == std::string::npos ? t : closing(all_post, t + 1);
    if (c == std::string::npos) return "";
    std::vector<std::string> args = arguments(all_post, t + 1, c);
    std::string f = all_post.substr(p, all_post.find_first_of("<(", p) - p);
    size_t k = !args.empty() && args[0] == "kb_r" ? 1 : 0;
    size_t names = f == "kb_atfv" || f == "kb_atv" || f == "kb_atvb" ? 2 : 1;   // a view and its array
    for (size_t e = k; e < args.size() && e < k + names; e++) {
      if (!is_ident(args[e])) return "";
      if (arrays.count(args[e])) return "";
      for (const std::string &a : arrays) distinct += " && (" + args[e] + ".data != " + a + ".data)";
    }
  }
  auto rename = [&](const std::string &c, int k) {
    std::string o = c;
    for (const std::string &p : own) o = replace_word(o, p, p + "_j" + std::to_string(k));
    if (k > 0) {
      // A subscript's widened counter as the sum itself, so that the compiler sees the lanes'
      // elements one after another. The sum cannot wrap: the group's entry test keeps the
      // last lane's counter at most the loop's last value, which is of the counter's type.
      std::string wide_counter = "(int64_t)" + l.counter, held = "\x05";
      for (size_t p = o.find(wide_counter); p != std::string::npos; p = o.find(wide_counter, p + 1))
        if (p + wide_counter.size() == o.size() || !word_char(o[p + wide_counter.size()])) o.replace(p, wide_counter.size(), held);
      o = replace_word(o, l.counter, "((" + l.ctype + ")(" + l.counter + " + " + std::to_string(k) + "))");
      o = replace_all(o, held, "(" + wide_counter + " + " + std::to_string(k) + ")");
      o = replace_word(o, l.wide, "(" + l.wide + " + " + std::to_string(k) + ")");
    }
    return o;
  };
  auto lane = [&](const std::string &c, int k) { return "    { const bool kb_r = false; (void)kb_r; " + rename(c, k) + " }\n"; };
  for (const std::string &subs : element_subs)
    for (const std::string &p : own)
      if (word_at(subs, p) != std::string::npos) return "";
  // The counter at most its type's largest value less the lanes: implied by the test before it
  // (the last lane is at most the loop's last value), but written out it tells g++ that no
  // lane's counter wraps, which it needs to load the lanes' elements together (MatmulSingle
  // 1.3 without it, 0.9 with it).
  std::string t = "  if (" + l.last + " - " + l.wide + " >= " + std::to_string(jam_lanes - 1) + distinct + " && " + l.counter +
                  " <= std::numeric_limits<" + l.ctype + ">::max() - " + std::to_string(jam_lanes - 1) + " && !kb_event_pending()) {\n";
  t += "    { const bool kb_r = false; (void)kb_r; " + shared + " }\n";
  t += "    if (" + il.counter + " <= " + il.end + " && (int64_t)" + il.end + " - " + il.counter + " < 65536) {\n";
  for (size_t e = 0; e < elements.size(); e++)
    for (int k = 0; k < jam_lanes; k++) {
      t += "    " + element_types[e] + " " + elements[e] + "_j" + std::to_string(k) + " = " +
           rename("kb_getu<" + element_types[e] + ">(" + element_arrays[e] + element_subs[e] + ")", k) + ";\n";
    }
  for (const std::string &p : own)
    if (p.compare(0, 5, "kb_el") != 0)
      for (int k = 0; k < jam_lanes; k++) t += "    decltype(" + p + ") " + p + "_j" + std::to_string(k) + " = " + p + ";\n";
  for (const std::string &c : each)
    for (int k = 0; k < jam_lanes; k++) t += lane(c, k);
  std::string inext = il.counter + " = kb_addu<" + il.ctype + ">(" + il.counter + ", " + il.step + ");";
  t += "    " + il.wide + " = " + il.counter + ";\n    for (;;) {\n";
  for (const std::string &c : body)
    for (int k = 0; k < jam_lanes; k++) t += "  " + lane(c, k);
  t += "      if (" + il.wide + " == (int64_t)" + il.end + ") break;\n      " + inext + " " + il.wide + " += 1;\n    }\n";
  t += "    " + inext + "\n";
  for (int k = 0; k < jam_lanes; k++) {
    for (const std::string &p : own)
      if (p.compare(0, 5, "kb_el") != 0) t += "    " + p + " = " + p + "_j" + std::to_string(k) + ";\n";
    for (size_t e = 0; e < elements.size(); e++)
      t += "    (*kb_atu<" + element_types[e] + ">(" + element_arrays[e] + element_subs[e] + ")) = " + elements[e] + "_j" +
           std::to_string(k) + ";\n";
    t += n.post_fast;
    if (k + 1 < jam_lanes) t += "    " + l.counter + " = kb_addu<" + l.ctype + ">(" + l.counter + ", " + l.step + "); " + l.wide + " += 1;\n";
  }
  t += "    " + jump(after) + "\n    }\n  }\n";
  return t;
}

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
  // Nothing may reach a variable another way than by its name: a parameter passed by
  // reference is read as it is, never written. It is a value the loop does not change (one a
  // covered subscript may use) when the loop writes nothing it may name (see loops.h).
  std::set<std::string> params;      // the parameters so read
  std::set<std::string> param_types;
  for (size_t p = b.find("(*"); p != std::string::npos; p = b.find("(*", p + 2)) {
    if (b.compare(p + 2, 5, "kb_at") == 0) continue;
    size_t c = closing(b, p);
    auto it = c == std::string::npos ? l.params.end() : l.params.find(b.substr(p, c - p + 1));
    if (it == l.params.end()) return "";
    size_t after = b.find_first_not_of(' ', c + 1);
    if (after != std::string::npos && b[after] == '=' && (after + 1 >= b.size() || b[after + 1] != '=')) return "";
    params.insert(it->first);
    param_types.insert(it->second);
  }
  std::set<std::string> written = assigned(b);
  if (!params.empty()) {
    bool params_fixed = true;
    for (const char *w : {"memcpy(", "memmove(", "kb_put", "kb_elem"})
      params_fixed = params_fixed && b.find(w) == std::string::npos;
    for (const std::string &t : param_types)
      for (size_t p = b.find("kb_at"); p != std::string::npos; p = b.find("kb_at", p + 5)) {
        size_t lt = b.find('<', p);
        if (lt != std::string::npos && b.compare(lt + 1, t.size() + 1, t + ">") == 0) params_fixed = false;
      }
    for (const std::string &w : written) {
      bool temporary = w.compare(0, 3, "kb_") == 0;
      bool local = w.size() > 2 && w[0] == 'l' && std::isdigit((unsigned char)w[1]);
      params_fixed = params_fixed && (temporary || local);
    }
    if (!params_fixed) params.clear();
  }
  // Records copied (std::memcpy, std::memmove) change no number a name reaches; a SWAP does.
  for (size_t p = b.find("std::"); p != std::string::npos; p = b.find("std::", p + 5))
    if (b.compare(p + 5, 7, "memcpy(") != 0 && b.compare(p + 5, 8, "memmove(") != 0) return "";
  if (b.find('\x05') != std::string::npos) return "";
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
    copier ends(own, 2, written, params);
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
  copier cp(outer_only, nest ? 4 : 2, written, params), cpi(counters, 4, written, params);
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
  nest_parts parts;
  for (const item &it : items) {
    if (it.kind == item::label) {
      slow += label((uint32_t)std::stoul(it.text));
      fast += label(renamed[it.text]);   // reached only by jumps in the loop (a label's own line)
      continue;
    }
    if (it.kind == item::loop) {
      parts.loops++;
      parts.inner = &copies.at(it.id);
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
      ask_flag_forms(f, cp.conds);   // as the inner copy's own entry test does
      continue;
    }
    if (it.text.find("kb_inl_") != std::string::npos && it.text.compare(0, 5, "KB_Q(") != 0) return "";
    if (it.text.compare(0, 5, "KB_Q(") != 0) {
      slow += "  " + it.text + "\n";
      fast += "  " + rename_jumps(it.text) + "\n";
      parts.straight = false;
      continue;
    }
    size_t comma = it.text.find(", ");
    std::string line = it.text.substr(5, comma - 5), code = it.text.substr(comma + 2, it.text.size() - comma - 3);
    uint32_t before = new_id(), after = new_id(), bail = new_id();
    slow += label(before) + "  " + it.text + "\n" + label(after);
    std::string rw = cp.rewrite(rename_jumps(code));
    // A short FUNCTION written out at its call (kb_inl_) would handle its own errors where it
    // is, and the copy would go on after a handler that may have changed what its entry test
    // covered. In the copy such a statement raises nothing: its checks and the function's only
    // set the flag (kb_inlb_ writes the function so), and a failed one leaves for the checked
    // loop's run of the statement, which raises the error where it belongs.
    // Whether each function can be so written is known only once it is (kb_inlok_ in the entry
    // test: false makes the copy one never entered).
    bool inlined = rw.find("kb_inl_") != std::string::npos;
    if (inlined) {
      rw = flag_checks(replace_all(rw, "kb_inl_", "kb_inlb_"));
      if (rw.empty()) return "";
      ask_flag_forms(rw, cp.conds);
      parts.straight = false;
    }
    std::string statement = "  KB_F(" + jump(inlined ? before : bail) + ", " + rw + ")\n";
    fast += statement;
    if (parts.loops == 0) {
      parts.pre.push_back(rw);
    } else {
      parts.post.push_back(rw);
      parts.post_fast += statement;
    }
    if (!inlined)
      handlers += label(bail) + "  KB_LAZY KB_OUT evnt(" + line + "); KB_IN if (evnt_repeat == 1) " + jump(before) + " " + jump(after) + "\n";
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
  uint32_t stepped = new_id();
  std::string jammed = nest ? jam_passes(l, parts, stepped) : "";
  copy += label(inner) + jammed + fast + (jammed.empty() ? "" : label(stepped));
  copy += "  if (" + l.wide + " != " + l.last + ") { " + next + " " + l.wide + " += " + step + "; " + jump(inner) + " }\n";
  copy += "  " + next + "\n";
  copy += "  if (kb_event_pending()) " + jump(event) + "\n  " + jump(fast_top) + "\n";
  out += copy;
  out += label(event) + "  KB_LAZY KB_OUT evnt(" + std::to_string(l.next_line) + "); KB_IN " + jump(check) + "\n";
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
