#include "fastform.h"
#include <cctype>
#include <algorithm>
#include <cstring>
#include <vector>
#include <map>
#include <set>
#include "ctext.h"

namespace bas {

namespace {

// The three pieces around a fast form's FAST and SLOW parts.
const char fast_open[] = "{ __label__ kb_slow, kb_done; bool kb_r = false; ";
const char fast_mid[] = " goto kb_done; kb_slow: ";
const char fast_close[] = " kb_done:; }";

// The checked operations with a fast form, and the fast form's name.
const std::map<std::string, std::string> &fast_names() {
  static const std::map<std::string, std::string> m = {
      {"kb_getfv", "kb_getvb"}, {"kb_getv", "kb_getvb"}, {"kb_atfv", "kb_atvb"}, {"kb_atv", "kb_atvb"},
      {"kb_elemfv", "kb_elemvb"}, {"kb_elemrv", "kb_elemvb"}, {"kb_get", "kb_getb"}, {"kb_at", "kb_atb"},
      {"kb_elem", "kb_elemb"}, {"kb_add", "kb_addb"}, {"kb_sub", "kb_subb"}, {"kb_mul", "kb_mulb"},
      {"kb_i16", "kb_i16b"}, {"kb_i32", "kb_i32b"}, {"kb_idiv", "kb_idivb"}, {"kb_mod", "kb_modb"},
      {"kb_div", "kb_divb"}, {"kb_abs", "kb_absb"}, {"kb_sqr", "kb_sqrb"}, {"kb_asc_mid", "kb_asc_midb"}};
  return m;
}

// Names a fast form may keep as they are: its own, the statement's flag and value, a numeric
// FUNCTION's value (kb_fr) and the line it records for ERL (last_line), the C++ number types,
// and the operations that cannot fail or are flag-tested already.
bool kept_name(const std::string &id) {
  static const std::set<std::string> kept = {
      "kb_r", "kb_v", "kb_c", "kb_fr", "if", "int16_t", "int32_t", "int64_t", "uint8_t", "uint16_t", "uint32_t", "uint64_t",
      "float", "double", "bool", "last_line", "kb_put", "kb_getuv", "kb_atuv", "kb_elemuv", "kb_addu", "kb_min", "kb_max", "kb_sgn"};
  if (kept.count(id)) return true;
  // The emitter's variables: r_ (a chunk's copies), w_ (views), kb_fe/fk/fl (loop bounds) and
  // a<n>_, v<n>_, c<n>_, l<n>_, la<n>_, p<n>_ (arrays, statics, constants, locals, local
  // arrays, parameters).
  if (id.compare(0, 2, "r_") == 0 || id.compare(0, 2, "w_") == 0) return true;
  for (const char *p : {"kb_fe", "kb_fk", "kb_fl"})
    if (id.compare(0, std::strlen(p), p) == 0 && id.size() > std::strlen(p) && std::isdigit((unsigned char)id[std::strlen(p)])) return true;
  size_t k0 = id.compare(0, 2, "la") == 0 ? 2 : 1;   // la<n>_: a procedure's own array
  if (id.size() > k0 + 1 && std::strchr("avclp", id[0]) && std::isdigit((unsigned char)id[k0])) {
    size_t k = k0;
    while (k < id.size() && std::isdigit((unsigned char)id[k])) k++;
    return k < id.size() && id[k] == '_';
  }
  return false;
}

// The text with each check renamed to its form that only sets the flag (kb_add to kb_addb,
// ...): "" when a check has no such form or does not take the flag, or a name stands in it that
// keep does not accept. checked tells whether there was a check.
template <class K> std::string flag_only(const std::string &body, K keep, bool &checked) {
  std::string fast;
  size_t last = 0;
  bool ok = true;
  for_each_ident(body, [&](size_t at, size_t n) {
    std::string id = body.substr(at, n);
    auto f = fast_names().find(id);
    std::string to = id;
    if (f != fast_names().end()) {
      // Only the flag-taking form has a fast form: NAME(kb_r, ...) or NAME<T>(kb_r, ...).
      size_t k = at + n;
      if (k < body.size() && body[k] == '<') k = body.find('>', k);
      if (k == std::string::npos || body.compare(k + (body[k] == '>' ? 1 : 0), 6, "(kb_r,") != 0) ok = false;
      to = f->second;
      checked = true;
    } else if (!keep(id)) {
      ok = false;
    }
    fast += body.substr(last, at - last) + to;
    last = at + n;
  });
  return ok ? fast + body.substr(last) : "";
}

// Whether the statement's body has one of the three shapes.
bool fast_shape(const std::string &body) {
  std::string b = trimmed(body);
  if (b.empty()) return false;
  auto ends_with = [&](const char *t) { size_t n = std::strlen(t); return b.size() >= n && b.compare(b.size() - n, n, t) == 0; };
  if (b.compare(0, 7, "kb_c = ") == 0 || b.compare(0, 7, "kb_put<") == 0) {
    // One statement: its only ';' at the end, outside parentheses.
    int depth = 0;
    for (size_t k = 0; k < b.size(); k++) {
      char c = b[k];
      if (c == '(') depth++;
      else if (c == ')') depth--;
      else if (c == ';' && (depth != 0 || k + 1 != b.size())) return false;
    }
    return b.back() == ';';
  }
  // { T kb_v = VALUE; if (!kb_r) TARGET = kb_v; }, VALUE's own statements (a function's,
  // written out at its call) inside brackets.
  size_t v = b.find(" kb_v = ");
  if (b[0] != '{' || v == std::string::npos || !ends_with(" = kb_v; }")) return false;
  size_t semi = std::string::npos;
  int depth = 0;
  for (size_t k = v; k < b.size() && semi == std::string::npos; k++) {
    char c = b[k];
    if (c == '(' || c == '{') depth++;
    else if (c == ')' || c == '}') depth--;
    else if (c == ';' && depth == 0) semi = k;
  }
  return semi != std::string::npos && b.compare(semi, 13, "; if (!kb_r) ") == 0 && b.find(';', semi + 1) == b.size() - 3;
}

// The statements of a numeric FUNCTION written out at its calls in the statement,
// ({ T kb_fr = 0; ... KB_Q(line, ASSIGNMENT) ... kb_fr; }), as their assignments alone, when
// each stores only the function's value: the function then changes nothing but that, so its
// checks are the calling statement's own, and a failed one sends the whole statement to its
// run as written, which raises the error in the function's statement. "" otherwise.
std::string without_inner_statements(const std::string &body) {
  std::string out = body;
  for (size_t q = out.find("KB_Q("); q != std::string::npos; q = out.find("KB_Q(", q)) {
    size_t close = closing_paren(out, q + 4), comma = out.find(", ", q);
    if (close == std::string::npos || comma == std::string::npos || comma > close) return "";
    std::string inner = trimmed(out.substr(comma + 2, close - comma - 2));
    const std::string stores = "; if (!kb_r) kb_fr = kb_v; }";   // the function's value, nothing else
    if (inner.size() < stores.size() || inner.compare(inner.size() - stores.size(), stores.size(), stores) != 0) return "";
    out = out.substr(0, q) + inner + out.substr(close + 1);
  }
  return out;
}

// Each check of the fast form wrapped in KB_B, which leaves for the statement's own run as
// soon as the check fails: the rest of the fast form then goes on only from checks that held,
// and the compiler need not carry a failed check's flag and stand-in value through it.
std::string bail_at_once(const std::string &fast) {
  std::set<std::string> checks;
  for (const auto &[name, to] : fast_names()) checks.insert(to);
  std::vector<std::pair<size_t, const char *>> marks;   // where to insert, what
  for_each_ident(fast, [&](size_t at, size_t n) {
    if (!checks.count(fast.substr(at, n))) return;
    size_t k = at + n;
    if (k < fast.size() && fast[k] == '<') k = fast.find('>', k) + 1;
    size_t close = closing_paren(fast, k);
    if (close == std::string::npos) return;
    marks.push_back({at, "KB_B("});
    marks.push_back({close + 1, ")"});
  });
  std::string out = fast;
  std::stable_sort(marks.begin(), marks.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
  for (const auto &[at, text] : marks) out.insert(at, text);
  return out;
}

}  // namespace

std::string fast_form(const std::string &line, const std::string &slow) {
  size_t q = line.find("KB_Q(");
  if (q == std::string::npos || line.find_first_not_of(' ') != q) return "";
  size_t open = q + 4, close = closing_paren(line, open);
  if (close == std::string::npos || line.find_first_not_of(" \n", close + 1) != std::string::npos) return "";
  size_t comma = line.find(", ", open);
  if (comma == std::string::npos || comma > close) return "";
  std::string body = line.substr(comma + 2, close - comma - 2);
  if (!fast_shape(body)) return "";
  if (body.find("kb_fr = 0; ") != std::string::npos) body = without_inner_statements(body);
  if (body.empty()) return "";
  bool checked = false;
  std::string fast = flag_only(body, kept_name, checked);
  // Nothing to gain without a check, nor with a text the rewrite does not follow.
  if (fast.empty() || !checked || body.find_first_of("\"'") != std::string::npos || body.find("::") != std::string::npos) return "";
  std::string indent = line.substr(0, q);
  std::string tail = line.substr(close + 1);
  return indent + fast_open + trimmed(bail_at_once(fast)) + fast_mid + (slow.empty() ? line.substr(q, close + 1 - q) : slow) +
         fast_close + tail;
}

std::string flag_checks(const std::string &code) {
  std::string body = code.find("KB_Q(") != std::string::npos ? without_inner_statements(code) : code;
  if (body.empty() || body.find_first_of("\"'") != std::string::npos || body.find("::") != std::string::npos) return "";
  // The copy's unchecked accesses, and INT and FIX, which cannot fail.
  static const std::set<std::string> covered = {"kb_getu", "kb_atu", "kb_elemu", "kb_int", "kb_fix"};
  bool checked = false;
  return flag_only(body, [](const std::string &id) {
    return kept_name(id) || covered.count(id) || id.compare(0, 8, "kb_inlb_") == 0;
  }, checked);
}

namespace {

// A line fast_form wrote, cut at its parts: the indent, FAST, SLOW; false for any other line.
bool fast_parts(const std::string &line, std::string &indent, std::string &fast, std::string &slow) {
  size_t q = line.find(fast_open);
  if (q == std::string::npos || line.find_first_not_of(' ') != q) return false;
  size_t m = line.find(fast_mid, q), c = line.rfind(fast_close);
  if (m == std::string::npos || c == std::string::npos || c < m || line.find_first_not_of(" \n", c + std::strlen(fast_close)) != std::string::npos)
    return false;
  indent = line.substr(0, q);
  size_t f = q + std::strlen(fast_open);
  fast = line.substr(f, m - f);
  slow = line.substr(m + std::strlen(fast_mid), c - m - std::strlen(fast_mid));
  return true;
}

// The text of a line without its indent and newline.
std::string bare(const std::string &line) { return trimmed(line.substr(0, line.find_last_not_of("\n ") + 1)); }

// A line that may stand between two fast forms of a run and is written in both of its copies:
// a GOSUB's held return point, a flag-tested statement on its own (no view taken after it,
// nothing declared at the top), or an empty line.
bool run_line(const std::string &line) {
  std::string t = bare(line);
  if (t.empty()) return true;
  if (t.compare(0, 8, "kb_gp = ") == 0 && t.back() == ';' && t.find_first_not_of("0123456789", 8) == t.size() - 1) return true;
  return t.compare(0, 5, "KB_Q(") == 0 && closing_paren(t, 4) == t.size() - 1;
}

// Whether C++ text defines one of the emitter's labels, L<digits>: (a copy would define it twice).
bool defines_label(const std::string &s) {
  bool found = false;
  for_each_ident(s, [&](size_t at, size_t n) {
    if (s[at] == 'L' && n > 1 && s.find_first_not_of("0123456789", at + 1) == at + n && at + n < s.size() && s[at + n] == ':' &&
        (at + n + 1 == s.size() || s[at + n + 1] != ':'))
      found = true;
  });
  return found;
}

// A guarded statement from line i: "if (...)" and the lines up to where its braces close, with
// no label of the emitter's in it and no else after it; the line past it, or 0.
size_t guarded_end(const std::vector<std::string> &lines, size_t i) {
  if (bare(lines[i]).compare(0, 4, "if (") != 0) return 0;
  int depth = 0;
  for (size_t e = i; e < lines.size(); e++) {
    const std::string &l = lines[e];
    if (defines_label(l)) return 0;
    for (size_t k = 0; k < l.size(); k++) {
      if (l[k] == '"' || l[k] == '\'') k = literal_end(l, k);
      else if (l[k] == '{') depth++;
      else if (l[k] == '}') depth--;
    }
    if (depth < 0) return 0;
    if (depth == 0) return e + 1 < lines.size() && bare(lines[e + 1]).compare(0, 4, "else") == 0 ? 0 : e + 1;
  }
  return 0;
}

// The views a fast form goes through and the subscripts other than constants it checks there
// ("[" and the subscript's text).
std::set<std::string> checked_elements(const std::string &fast) {
  // Each access and where its subscripts start: after the flag, the view and the array, or
  // after the flag and the array (an array's descriptor, as a procedure reads it).
  static const std::map<std::string, size_t> accesses = {{"kb_getvb", 3}, {"kb_atvb", 3}, {"kb_elemvb", 3},
                                                         {"kb_getb", 2},  {"kb_atb", 2},  {"kb_elemb", 2}};
  std::set<std::string> own;
  for_each_ident(fast, [&](size_t at, size_t n) {
    auto a = accesses.find(fast.substr(at, n));
    if (a == accesses.end()) return;
    size_t open = fast.find('(', at + n);
    size_t close = open == std::string::npos ? std::string::npos : closing_paren(fast, open);
    if (close == std::string::npos) return;
    std::vector<std::string> args = call_args(fast.substr(open + 1, close - open - 1));
    if (args.size() > 1) own.insert(trimmed(args[1]));
    for (size_t k = a->second; k < args.size(); k++) {
      bool variable = false;   // a constant subscript's test goes anyway
      for_each_ident(args[k], [&](size_t b, size_t m) { variable = variable || args[k].compare(b, 3, "int") != 0; });
      if (variable) own.insert("[" + trimmed(args[k]));
    }
  });
  return own;
}

}  // namespace

std::string slow_runs(const std::string &code) {
  int runs = 0;
  std::vector<std::string> lines = code_lines(code);
  std::string out;
  std::string indent, fast, slow;
  for (size_t i = 0; i < lines.size();) {
    if (!fast_parts(lines[i], indent, fast, slow)) {
      out += lines[i++];
      continue;
    }
    // A run: fast forms and what may stand between them (the lines both copies can hold,
    // guarded statements), from its first fast form to its last. Only one where a fast form
    // goes through a view or checks a subscript that an earlier one did gains: the later
    // one's test of the storage, or of the subscript's bounds, then goes.
    size_t end = i;
    bool repeated = false;
    std::set<std::string> seen;
    for (size_t j = i; j < lines.size();) {
      if (fast_parts(lines[j], indent, fast, slow)) {
        std::set<std::string> own = checked_elements(fast);
        for (const std::string &w : own) repeated = !seen.insert(w).second || repeated;
        end = ++j;
      } else if (run_line(lines[j])) {
        j++;
      } else if (size_t g = guarded_end(lines, j)) {
        j = g;
      } else {
        break;
      }
    }
    if (!repeated) {   // nor does any part of it repeat a check
      for (; i < end; i++) out += lines[i];
      continue;
    }
    std::string id = std::to_string(runs++);
    std::string copy;   // the statements' own runs, one after the other
    for (size_t k = i; k < end; k++) {
      if (fast_parts(lines[k], indent, fast, slow)) {
        std::string at = "kb_s" + id + "_" + std::to_string(k - i);
        out += indent + fast_open + fast + fast_mid + "goto " + at + ";" + fast_close + "\n";
        copy += at + ": " + slow + "\n";
      } else {
        out += lines[k];
        copy += lines[k];
      }
    }
    out += "  goto kb_e" + id + ";\n" + copy + "kb_e" + id + ":;\n";
    i = end;
  }
  return out;
}

}  // namespace bas
