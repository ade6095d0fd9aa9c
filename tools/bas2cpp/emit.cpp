// The emitter: writes the C++ of a checked program. Control flow becomes labels and gotos
// inside each function, so GOTO may enter or leave any block as the dialect allows; the
// module's code is cut into functions of about chunk_statements statements that hand each
// other the id of the label to go on at.
#include "emit.h"
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include "builtins.h"
#include "byvalue.h"
#include "ctext.h"
#include "fastform.h"
#include "loops.h"
#include "routines.h"

namespace bas {

namespace {

constexpr int max_expr_depth = 64;
constexpr int max_dims = 8;
constexpr int chunk_statements = 120;
constexpr size_t max_parts = 32;    // the most parts a program is cut into (split_program)
constexpr size_t part_scale = 4;    // a part's size for the size from which programs are cut
// A chain of more terms than this (A% + B% - C% ..., A$ + B$ + ...) is one call over a list
// of its terms rather than one nested call per term: the C++ compiler's time and memory
// grow with the square of how deeply calls nest.
constexpr size_t chain_terms = 32;
constexpr int item_group = 64;      // PRINT items compiled as one function (item_groups)

bool numeric(ty t) { return t <= T_DBL; }

// A whole number written out in decimal, with or without a minus sign, and its value.
bool int_literal(const expr *x, int64_t &v) {
  bool minus = x->kind == ek::unary && x->text == "-" && !x->args.empty();
  const expr *n = minus ? x->args[0].get() : x;
  if (n->kind != ek::number || n->text.empty() || n->text.size() > 9 || n->suffix) return false;
  for (char ch : n->text)
    if (!std::isdigit((unsigned char)ch)) return false;
  v = std::strtoll(n->text.c_str(), nullptr, 10) * (minus ? -1 : 1);
  return true;
}


std::string c_string(const std::string &s) {
  std::string o = "\"";
  for (unsigned char ch : s) {
    if (std::isalnum(ch) || ch == ' ' || (ch >= 32 && ch < 127 && !std::strchr("\"\\?'", ch))) {
      o += (char)ch;
    } else {
      char b[8];
      std::snprintf(b, sizeof b, "\\%03o", ch);
      o += b;
    }
  }
  return o + "\"";
}

std::string full_name(const std::string &n, char suffix) { return suffix ? n + suffix : n; }

// A FUNCTION or DEF FN written out at its calls (see emitter::procedure_def): its result's C++
// type, each parameter's C++ name and type, whether those are pointers (a FUNCTION's) or values
// (a DEF FN's), and its statements on one line.
struct inline_fn {
  std::string ctype;
  std::vector<std::pair<std::string, std::string>> params;
  bool by_ref = true;
  std::string body;
};

// Whether an expression is made only of numbers, the procedure's numeric parameters, operators
// and the numeric functions below, in at most budget nodes: then the function it is the value
// of passes emitter::inline_candidate for sure.
bool plain_numeric(const expr &e, const procedure &p, int &budget) {
  static const std::set<std::string> fns = {"ABS", "SGN", "SQR", "SIN", "COS", "TAN", "ATN", "EXP", "LOG",
                                            "INT", "FIX", "CINT", "CLNG", "CSNG", "CDBL"};
  if (--budget < 0) return false;
  switch (e.kind) {
    case ek::number: return true;
    case ek::unary: case ek::binary: break;
    case ek::name:
      if (e.parens) {
        if (e.suffix || !fns.count(e.text) || e.args.size() != 1) return false;
        break;
      }
      for (const param &q : p.params)
        if (q.name == e.text && (!e.suffix || e.suffix == tsuffix[q.type.t])) return !q.array && numeric(q.type.t) && q.type.t != T_REC;
      return false;
    default: return false;
  }
  for (const expr_p &a : e.args)
    if (!a || !plain_numeric(*a, p, budget)) return false;
  return true;
}

// Whether a FUNCTION or DEF FN is sure to be written out at its calls (see inline_candidate):
// known before its calls are emitted, so that a statement calling it can be flag-tested.
bool surely_inline(const procedure &p) {
  if (p.kind == procedure::sub || !p.def || !numeric(p.result.t) || p.result.t == T_REC) return false;
  for (const param &q : p.params)
    if (q.array || !numeric(q.type.t) || q.type.t == T_REC) return false;
  int budget = 60;
  const stmt &d = *p.def;
  if (p.kind == procedure::def_fn && !d.exprs.empty() && d.exprs[0]) return plain_numeric(*d.exprs[0], p, budget);
  bool any = false;
  for (const stmt_p &s : d.body) {
    if (s->kind == sk::label) continue;
    if (s->kind != sk::assign || s->exprs.size() < 2) return false;
    const expr &t = *s->exprs[0];
    if (t.kind != ek::name || t.parens || t.text != p.name || (t.suffix && t.suffix != p.suffix)) return false;
    if (!plain_numeric(*s->exprs[1], p, budget)) return false;
    any = true;
  }
  return any;
}

// One call of an inline_fn as a statement expression of its body, the arguments given as the
// call's C++ (pointers or values); "" when an argument needs the call (a field's copy-back).
// An argument that is a variable's address is read and written as that variable, so the
// caller keeps it where it is (in a register); a value handed by reference is a local.
std::string inline_call(const inline_fn &f, const std::vector<std::string> &args) {
  if (args.size() != f.params.size()) return "";
  std::string decls, body = f.body;
  for (size_t k = 0; k < args.size(); k++) {
    const auto &[c, t] = f.params[k];
    std::string a = args[k];
    a.erase(0, a.find_first_not_of(' '));
    a.erase(a.find_last_not_of(' ') + 1);
    if (!f.by_ref) {
      decls += t + " " + c + " = (" + a + "); ";
      continue;
    }
    if (a.compare(0, 8, "kb_cico<") == 0) return "";
    std::string to, value = copied_value(a);
    if (a.size() > 1 && a[0] == '&' && std::all_of(a.begin() + 1, a.end(), ident_char)) {
      to = "(" + a.substr(1) + ")";
    } else if (!value.empty()) {
      decls += t + " " + c + "_v = (" + value + "); ";
      to = "(" + c + "_v)";
    } else {
      decls += t + " *" + c + " = (" + a + "); ";
      continue;
    }
    body = replace_all(body, "(*" + c + ")", to);
    if (names_ident(body, c)) return "";
  }
  return "({ " + f.ctype + " kb_fr = 0; " + decls + body + " kb_fr; })";
}

// C++ text with each call of the functions in fns (by C++ name) written out by inline_call,
// arguments first; their definitions and calls that need to stay calls are left as they are.
// Each function is written out in at most inline_bytes of text in all (spent counts them), so
// a program's C++ grows at most by that much for it however often it is called.
constexpr size_t inline_bytes = 1 << 18;
std::string inline_calls(const std::string &text, const std::map<std::string, inline_fn> &fns,
                         std::map<std::string, size_t> &spent) {
  if (fns.empty() && text.find("kb_inl_") == std::string::npos) return text;
  std::string out;
  size_t last = 0;
  for (size_t k = 0; k < text.size(); k++) {
    char ch = text[k];
    if (ch == '"' || ch == '\'') {
      k = literal_end(text, k);
      continue;
    }
    if ((ch != 'F' && ch != 'k') || (k > 0 && ident_char(text[k - 1]))) continue;   // F_…: functions' names
    size_t e = k;
    while (e < text.size() && ident_char(text[e])) e++;
    std::string name = text.substr(k, e - k);
    // kb_inlb_: in a loop's copy, written with checks that only set the flag (flag_checks), or
    // as a failed check where it cannot be so written.
    // kb_inlok_: whether the function can be so written, for the copy's entry test.
    bool flagged = name.compare(0, 8, "kb_inlb_") == 0;
    bool sure = flagged || name.compare(0, 7, "kb_inl_") == 0;
    if (flagged) name.erase(6, 1);
    if (name.compare(0, 9, "kb_inlok_") == 0) {
      auto g = fns.find(name.substr(9));
      bool ok = g != fns.end() && spent[g->first] <= inline_bytes &&
                !flag_checks("({ " + g->second.ctype + " kb_fr = 0; " + g->second.body + " kb_fr; })").empty();
      size_t close = closing_paren(text, e);
      if (close == std::string::npos) break;
      out += text.substr(last, k - last) + (ok ? "true" : "false");
      last = close + 1;
      k = close;
      continue;
    }
    auto f = fns.find(sure ? name.substr(7) : name);
    if (e >= text.size() || text[e] != '(' || (f == fns.end() && !sure)) {
      k = e - 1;
      continue;
    }
    size_t close = closing_paren(text, e);
    if (close == std::string::npos) break;
    if (!sure && at_definition(text, k)) {
      k = close;                                        // its definition or declaration
      continue;
    }
    std::string inner = inline_calls(text.substr(e + 1, close - e - 1), fns, spent);
    std::vector<std::string> args = call_args(inner);
    std::string call = f == fns.end() || spent[f->first] > inline_bytes ? "" : inline_call(f->second, args);
    if (flagged && !call.empty()) call = flag_checks(call);
    if (flagged && call.empty()) call = "(kb_r = true, 0)";
    else if (call.empty()) call = (sure ? name.substr(7) : name) + "(" + inner + ")";
    else spent[f->first] += call.size();
    out += text.substr(last, k - last) + call;
    last = close + 1;
    k = close;
  }
  return out + text.substr(last);
}

// A typed expression as C++.
struct ex {
  ty t = T_SNG;
  std::string c;                    // numbers: the value; strings: a kels *; records: uint8_t *
  bool cst = false;                 // made of literals and constants only
  enum lkind { l_none, l_ref, l_field, l_str, l_rec } lk = l_none;
  std::string addr;                 // ref: a pointer to the value; field: the field's uint8_t *
  const record_type *rec = nullptr;
  int fixed = 0;                    // a fixed-length string of this many characters
  bool plain_str_var = false;       // a plain variable-length string variable (V$ = V$ + x)
  bool tmp = false;                 // a string expression that makes temporaries
  bool lone_tmp = false;            // a builtin's new string whose arguments made none
  // A value that is -1 or 0 (a comparison, or AND, OR, XOR, EQV, NOT of such): the C++ truth
  // of it, for a condition that needs only that, and the value it was made for (a truth left
  // over from an operand whose value was then rewritten is not used).
  std::string truth, truth_for;
};

// The truth of a value that is -1 or 0, or "".
static std::string truth_of(const ex &x) { return x.truth_for == x.c ? x.truth : ""; }

struct var {
  std::string cname;
  vtype type;
  bool array = false;
  bool shared = false;              // module variable visible in procedures (DIM SHARED, COMMON SHARED)
  std::string ref;                  // numbers: lvalue; strings: kels *; records: uint8_t *; arrays: kb_arr lvalue
  std::string addr;                 // numbers: pointer
};

struct scope {
  const procedure *proc = nullptr;  // null for the module
  const stmt *def = nullptr;
  std::map<std::string, var> scalars, arrays;
  std::map<std::string, vtype> as_scalar, as_array;   // names declared with AS (no suffix)
  std::set<std::string> shared;     // keys of module variables this procedure shares
  label_table *labels = nullptr;
  std::string locals;               // C++ declarations at the top of the function
  bool all_static = false;
  int gosubs = 0;
  std::vector<uint32_t> return_ids;
  bool has_return = false;
};


static bool string_view_call(const std::string &id, bool &raises);

// A statement's C++ with the statement's flag (kb_r) handed to each check it makes, when all it
// calls are such checks or helpers that raise nothing; "" when it calls anything else, which
// may raise through the runtime, wait or look at events, or when it jumps.
std::string flag_checks(const std::string &code) {
  static const std::set<std::string> flagged = {
      "kb_add", "kb_sub", "kb_mul", "kb_chain", "kb_i16", "kb_i32", "kb_i", "kb_l", "kb_round",
      "kb_idiv", "kb_mod", "kb_div", "kb_abs", "kb_sqr", "kb_get", "kb_at", "kb_asc_mid", "kb_elem", "kb_put",
      "kb_u", "kb_pset_at", "kb_point_at"};
  static const std::set<std::string> quiet = {
      "kb_int", "kb_fix", "kb_sgn", "int16_t", "int32_t", "int64_t", "uint8_t",
      "uint16_t", "uint32_t", "uint64_t", "float", "double", "bool", "sizeof", "if", "const",
      "memcpy", "memmove"};   // std::memcpy and std::memmove: records copied
  static const std::set<std::string> jumps = {"goto", "return", "throw", "break", "continue"};
  std::vector<size_t> inserts;
  bool other = false;
  for_each_ident(code, [&](size_t at, size_t n) {
    if (other) return;
    std::string id = code.substr(at, n);
    if (jumps.count(id)) { other = true; return; }
    size_t j = code.find_first_not_of(' ', at + n);
    if (j == std::string::npos) return;
    std::string targs;
    if (code[j] == '<') {                 // template arguments, or a comparison
      size_t e = code.find_first_of("<>;()", j + 1);
      if (e == std::string::npos || code[e] != '>') return;
      size_t k = code.find_first_not_of(' ', e + 1);
      if (k == std::string::npos || code[k] != '(') return;
      targs = code.substr(j + 1, e - j - 1);
      j = k;
    } else if (code[j] == ':' && j + 1 < code.size() && code[j + 1] == ':') {
      // Something from a namespace: only a record's copy raises nothing.
      if (id != "std" || (code.compare(j + 2, 7, "memcpy(") != 0 && code.compare(j + 2, 8, "memmove(") != 0)) other = true;
      return;
    }
    if (code[j] != '(') return;
    bool member = (at > 0 && code[at - 1] == '.') || (at > 1 && code.compare(at - 2, 2, "->") == 0);
    if (member) { other = true; return; }
    bool view_raises = false;
    if (flagged.count(id) && targs.find("kels") == std::string::npos) inserts.push_back(j + 1);
    else if (string_view_call(id, view_raises)) { if (view_raises) inserts.push_back(j + 1); }
    else if (!quiet.count(id) && id.compare(0, 7, "kb_inl_") != 0) other = true;
  });
  if (other) return "";
  std::string out;
  size_t last = 0;
  for (size_t at : inserts) {
    out += code.substr(last, at - last) + "kb_r, ";
    last = at;
  }
  return out + code.substr(last);
}

// ---- string views and appends (runtime/strings/strview.h) --------------------------------
// Read-only string operands (of INSTR, LEN, ASC and the comparisons) become views: a MID$,
// LEFT$, RIGHT$ or CHR$ of a variable or a literal is read where its characters are instead of
// being made as a new string. A view points into string space, so views are made only where
// the whole expression allocates nothing there: every call in it is one of the calls below or
// a numeric check, so no view can be moved under another by a compaction.

// The runtime's view helpers: true when id is one; raises is set when it takes the statement's
// flag (it can raise an error, or it gives its neutral result once an error of the statement is
// pending, which the flag tells without reading the shared error word).
static bool string_view_call(const std::string &id, bool &raises) {
  static const std::set<std::string> quiet = {"kb_str_view", "KB_LITV"};
  static const std::set<std::string> flagged = {
      "kb_chr_view", "kb_asc_view", "kb_append_char", "kb_append_txt", "kb_append_views", "kb_mid_view",
      "kb_left_view", "kb_right_view", "kb_instr_view", "kb_len_view", "kb_equal_view", "kb_notequal_view",
      "kb_lessthan_view", "kb_greaterthan_view", "kb_lessorequal_view", "kb_greaterorequal_view"};
  raises = flagged.count(id) != 0;
  return raises || quiet.count(id) != 0;
}

// True when C++ expression code makes nothing in string space (no temporary, no allocation that
// could compact it) and runs no program code: it calls only numeric checks, casts and views.
// With appends_too, a statement's code may also append in place (kb_append_char, _txt, _views):
// they may move strings but leave no temporary, so the statement needs no clean-up.
static bool allocates_nothing(const std::string &code, bool appends_too = false) {
  static const std::set<std::string> calls = {
      "kb_add", "kb_sub", "kb_mul", "kb_i16", "kb_i32", "kb_i", "kb_l", "kb_round", "kb_idiv", "kb_mod",
      "kb_div", "kb_abs", "kb_sqr", "kb_get", "kb_asc_mid", "kb_int", "kb_fix", "kb_sgn", "int16_t", "int32_t",
      "int64_t", "uint8_t", "uint16_t", "uint32_t", "uint64_t", "float", "double", "bool", "if", "kels_len"};
  bool ok = true;
  for_each_ident(code, [&](size_t at, size_t n) {
    if (!ok) return;
    std::string id = code.substr(at, n);
    if ((at > 0 && code[at - 1] == '.') || (at > 1 && code.compare(at - 2, 2, "->") == 0)) { ok = false; return; }
    size_t j = code.find_first_not_of(' ', at + n);
    if (j == std::string::npos) return;
    if (code[j] == '<') {                 // template arguments (only of numbers), or a comparison
      size_t e = code.find_first_of("<>;()", j + 1);
      if (e == std::string::npos || code[e] != '>') return;
      size_t k = code.find_first_not_of(' ', e + 1);
      if (k == std::string::npos || code[k] != '(') return;
      if (code.substr(j + 1, e - j - 1).find("kels") != std::string::npos) { ok = false; return; }
      j = k;
    } else if (code[j] == ':') {
      ok = false;
      return;
    }
    if (code[j] != '(') return;
    bool raises;
    if (!calls.count(id) && !string_view_call(id, raises)) ok = false;
    if (!appends_too && (id == "kb_append_char" || id == "kb_append_txt" || id == "kb_append_views")) ok = false;
  });
  return ok;
}

// The call f(args) that is all of c: its arguments, else false.
static bool whole_call(const std::string &c, const std::string &f, std::vector<std::string> &args) {
  if (c.compare(0, f.size() + 1, f + "(") != 0 || closing_paren(c, f.size()) != c.size() - 1) return false;
  args = call_args(c.substr(f.size() + 1, c.size() - f.size() - 2));
  for (std::string &a : args) a = trimmed(a);
  return true;
}

// A string expression's code (a kels *) as a view of the same characters.
static std::string view_of(const std::string &c) {
  std::vector<std::string> a;
  if (whole_call(c, "func_mid", a) && a.size() == 4)
    return "kb_mid_view(" + view_of(a[0]) + ", " + a[1] + ", " + a[2] + ", " + a[3] + ")";
  if (whole_call(c, "kels_left", a) && a.size() == 2) return "kb_left_view(" + view_of(a[0]) + ", " + a[1] + ")";
  if (whole_call(c, "kels_right", a) && a.size() == 2) return "kb_right_view(" + view_of(a[0]) + ", " + a[1] + ")";
  if (whole_call(c, "func_chr", a) && a.size() == 1) return "kb_chr_view(" + a[0] + ")";
  if (whole_call(c, "KB_LIT", a) && a.size() == 2) return "KB_LITV(" + a[0] + ", " + a[1] + ")";
  return "kb_str_view(" + c + ")";
}

// Views of string array elements: finding an element may dimension its array (which makes
// strings), so each element's descriptor is fetched first, into a local of its own, and the
// views are taken after all of them (descriptors never move; characters may). The viewed code
// with the fetches hoisted, as a statement expression; "" when a fetch's subscripts would
// allocate themselves or the views would.
static std::string viewed_with_elements(const std::string &viewed) {
  static const std::string fetch = "(*kb_at<kels *>(";
  std::string code, pre;
  size_t last = 0;
  int n = 0;
  for (size_t p = viewed.find(fetch); p != std::string::npos; p = viewed.find(fetch, last)) {
    size_t close = closing_paren(viewed, p);
    size_t args = p + fetch.size() - 1;
    if (close == std::string::npos || !allocates_nothing("int64_t" + viewed.substr(args, closing_paren(viewed, args) + 1 - args)))
      return "";
    std::string name = "kb_se" + std::to_string(n++);
    pre += "kels *" + name + " = " + viewed.substr(p, close + 1 - p) + "; ";
    code += viewed.substr(last, p - last) + name;
    last = close + 1;
  }
  code += viewed.substr(last);
  if (!n || !allocates_nothing(code)) return "";
  return "({ " + pre + code + "; })";
}

// The operands of a chain A + B + C ... (kels_add(kels_add(A, B), C)), in order.
static std::vector<std::string> concat_operands(const std::string &c) {
  std::vector<std::string> a;
  if (!whole_call(c, "kels_add", a) || a.size() != 2) return {c};
  std::vector<std::string> out = concat_operands(a[0]);
  out.push_back(a[1]);
  return out;
}

struct open_block {
  std::string kind;                 // "FOR", "DO", "WHILE"
  uint32_t exit_id;
};

class emitter {
 public:
  std::string entry_;               // a function that runs the program once, instead of main
  bool as_module_ = false;         // one module of a program that CHAINs or RUNs
  emitter(const program &p, checks &c, program_info *info) : prog_(p), ck_(c), info_(info) {
    for (int i = 0; i < 26; i++) deftype_[i] = ck_.deftype_at_start[i];
  }
  std::string run();

 private:
  const program &prog_;
  checks &ck_;
  program_info *info_;
  ty deftype_[26];
  std::string globals_, init_, clear_, procs_, protos_;
  scope module_;
  scope *sc_ = &module_;
  std::string body_;                // the function being written
  int statements_in_chunk_ = 0;
  int line_ = 1, last_line_ = 1;
  bool st_tmp_ = false;
  int name_ids_ = 0;
  int depth_ = 0;
  std::vector<open_block> blocks_;
  std::map<std::string, ex> consts_;
  std::map<std::string, int64_t> int_consts_;
  // Module arrays by their C names whose every DIM gives the same constant bounds (each
  // subscript's lower bound and count), and those a REDIM or a DIM of other bounds rules out.
  std::map<std::string, std::vector<std::pair<int64_t, int64_t>>> fixed_shapes_;
  std::set<std::string> unfixed_;
  std::set<std::string> dimmed_;    // module arrays some DIM or REDIM of the module's code names
  int64_t option_base_ = 0;         // as the program's OPTION BASE sets it (a guess the views check)
  bool own_name(const expr &e) const;
  bool const_name(const expr &e) const;
  bool int_constant(const expr &e, int64_t &v) const;
  std::set<uint32_t> handler_labels_;
  // Labels the module's code may be entered at from outside a chunk's own gotos: its labels
  // named by handlers, ON ERROR, RESUME and RUN, and its GOSUBs' return points. Only these
  // (and a label jumped to from another chunk) get a case in their chunk's entry switch: a
  // loop that can be entered only at its top stays a loop the compiler can optimise.
  std::set<uint32_t> entered_;
  bool has_on_error_ = false;
  bool in_proc_ = false;
  bool dynamic_ = false;           // $DYNAMIC in force
  bool traced_ = false;            // the program has TRON: numbered lines check the trace flag
  std::map<std::string, std::string> cacheable_;   // module numbers' statics and their C++ types
  std::map<uint32_t, loop_copy> loop_copies_;      // FOR loops written twice, for the loops around them
  // Short routines, copied in at their GOSUBs (see copy_routines): by label name; the emitted
  // text of each from its label to its RETURN, by the label's id (and where it starts in
  // body_ while it is being written); the routines each RETURN ends, and the label after it.
  std::map<std::string, routine> routines_;
  std::map<uint32_t, size_t> routine_from_;
  std::map<uint32_t, std::string> routine_text_;
  struct routine_end { uint32_t after = 0; std::vector<uint32_t> ids; };
  std::map<const stmt *, routine_end> routine_ends_;
  std::map<std::string, inline_fn> inline_fns_;     // functions written out at their calls
  std::map<std::string, size_t> inline_spent_;      // and how much text each has taken
  std::set<std::string> proc_cnames_;
  struct common_var { std::string type, ref; bool array, str; uint32_t bytes; };
  std::vector<common_var> common_; // the blank COMMON's variables in order, passed by CHAIN
  int common_line_ = 0;

  // ---- output
  uint32_t new_id() { return ck_.next_label_id++; }
  void put_label(uint32_t id) { body_ += "\x01" + std::to_string(id) + "\x02"; }
  std::string jump(uint32_t id) { return "\x03" + std::to_string(id) + "\x04"; }
  void emit(const std::string &code) { body_ += "  " + code + "\n"; }
  // A statement made only of numbers, variables and checks that raise through the statement's
  // own flag ends with a test of that flag (KB_Q), which costs nothing while nothing fails;
  // any other ends with the test of the event word (KB_S). Events that come from outside are
  // seen at the loops' jumps back and after every statement of the second kind.
  void stmt_code(const std::string &code) {
    std::string c = code;
    if (st_tmp_ && !allocates_nothing(code, true)) c += " kels_cleanup(kels_tmp_base, 0);";
    std::string flagged = flag_checks(c);
    if (!flagged.empty()) emit("KB_Q(" + std::to_string(line_) + ", " + flagged + ")");
    else emit("KB_S(" + std::to_string(line_) + ", " + c + ")");
  }
  void emit_cond(const ex &e, const place &at) {
    if (!numeric(e.t)) fail_at(at, "expected a number, not a string, as the condition");
    if (st_tmp_ && !allocates_nothing(e.c))
      emit("KB_S(" + std::to_string(line_) + ", kb_c = (int32_t)kels_cleanup(kels_tmp_base, (uint32_t)((" + e.c + ") != 0)))");
    else if (std::string t = truth_of(e); !t.empty())
      stmt_code("kb_c = " + t + ";");
    else
      stmt_code("kb_c = (" + e.c + ") != 0;");
  }
  // The test for events from outside (timers, keys, a stop, a closed window) at a jump back.
  void back_edge() { emit("KB_EV(" + std::to_string(line_) + ");"); }
  std::string new_cname(const std::string &prefix, const std::string &name) {
    std::string s = prefix + std::to_string(++name_ids_) + "_";
    for (char ch : name) s += std::isalnum((unsigned char)ch) ? ch : '_';
    return s;
  }
  uint32_t label_id(const std::string &name, place at) {
    auto &l = sc_->labels->labels;
    auto it = l.find(name);
    if (it == l.end()) fail_at(at, "label " + name + " not defined");
    return it->second.id;
  }
  uint32_t module_label_id(const std::string &name, place at) {
    auto it = ck_.module_labels.labels.find(name);
    if (it == ck_.module_labels.labels.end()) fail_at(at, "label " + name + " not defined");
    entered_.insert(it->second.id);
    return it->second.id;
  }
  // The id of an event handler's label (ON TIMER, ON KEY, ...): a module label, also when the
  // statement is inside a procedure; "0" is no handler.
  uint32_t handler_id(const stmt &s) {
    if (s.names[0] == "0") return 0;
    uint32_t id = module_label_id(s.names[0], s.name_places.empty() ? s.at : s.name_places[0]);
    handler_labels_.insert(id);
    return id;
  }
  void event_stmt(const stmt &s);

  // ---- names and variables
  ty default_type(const std::string &name) const {
    char c = name[0];
    return (c >= 'A' && c <= 'Z') ? deftype_[c - 'A'] : T_SNG;
  }
  vtype scalar_type(const std::string &name, char suffix, place at);
  vtype array_type(const std::string &name, char suffix, place at);
  std::string key_of(const std::string &name, const vtype &t) const {
    return name + (t.t == T_REC ? std::string("\x01") + t.rec->name : std::string(1, tsuffix[t.t]));
  }
  var &scalar(const std::string &name, char suffix, place at);
  var &array_var(const std::string &name, char suffix, place at, bool declaring = false);
  var make_scalar(const std::string &name, const vtype &t, bool in_proc, bool is_static);
  var make_array(const std::string &name, const vtype &t, bool in_proc, bool is_static);
  bool is_record_var(const std::string &name) const;
  const var *find_array(const std::string &name, char suffix);

  // ---- expressions
  ex expression(const expr &e);
  ex name_expr(const expr &e, bool for_write);
  ex field_of(ex base, const std::string &path, place at, const std::vector<const expr *> *idx = nullptr, char suffix = 0);
  ex number_literal(const expr &e);
  ex call_builtin(const expr &e, const std::string &name, const std::vector<const expr *> &args, bool statement);
  ex call_proc(const procedure &p, const std::vector<const expr *> &args, place at);
  std::string pass_arg(const param &q, const expr &a);
  ex binop(const std::string &op, const ex &a, const ex &b, place at);
  bool calls_procedure(const std::string &c) const {
    bool found = false;
    for_each_ident(c, [&](size_t at, size_t n) { found = found || proc_cnames_.count(c.substr(at, n)) != 0; });
    return found;
  }
  ex conv(const ex &e, ty to, place at);
  std::string arg_as(const ex &e, char kind, place at);
  ex num_expr(const expr &e) { ex x = expression(e); if (!numeric(x.t)) fail_at(e.start, "expected a numeric expression"); return x; }
  ex str_expr(const expr &e) { ex x = expression(e); if (x.t != T_STR) fail_at(e.start, "expected a string expression"); return x; }
  ex lvalue(const expr &e);
  std::string int_arg(const expr &e) { ex x = num_expr(e); return arg_as(x, 'i', e.start); }
  std::string read_field(const ex &f) const;
  ex value_of(const ex &x) const;
  void file_stmt(const stmt &s);
  std::string array_data(const expr &a, std::string *arr);

  // ---- statements
  void block_stmts(const block &b);
  void statement(const stmt &s);
  void assign(const ex &target, const expr &value, place at);
  void assign_ex(const ex &target, const ex &v, place at);
  void print_stmt(const stmt &s);
  std::string print_code(const stmt &s);
  std::string item_groups(const std::vector<std::string> &items) const;
  void input_stmt(const stmt &s);
  void if_stmt(const stmt &s);
  void for_stmt(const stmt &s);
  bool select_switch(const stmt &s, const std::string &sel, ty t, uint32_t end);
  void do_stmt(const stmt &s);
  void while_stmt(const stmt &s);
  void select_stmt(const stmt &s);
  void dim_stmt(const stmt &s, bool redim);
  void select_tests(const stmt &s, const ex &selx, uint32_t end);
  void goto_stmt(const std::string &label, place at);
  void gosub_stmt(const std::string &label, place at);
  void return_stmt(const stmt &s);
  void on_jump(const stmt &s, bool gosub);
  void exit_stmt(const stmt &s);
  void graphics_stmt(const stmt &s);
  void call_stmt(const stmt &s);
  void read_stmt(const stmt &s);
  void procedure_def(const stmt &s);
  std::set<const stmt *> tail_;      // assignments of a FUNCTION's value that end it (tail_calls)
  bool tail_call(const stmt &s);
  void declare_locals(const stmt &s, bool is_static);
  void shared_stmt(const stmt &s);
  void common_list(const stmt &s);
  void chain_stmt(const stmt &s);
  std::string module_start() const;
  void common_puts(std::string &code) const;
  void chunk_break(bool starts_loop);
  void palette_using(const stmt &s);
  std::string register_record(const stmt &s, const expr &a);
  void copy_routines();
  std::string finish_module();
  std::string cache_chunk(const std::string &code, std::string &prologue, std::string &defines) const;
  struct array_access {
    size_t at, name_end;         // from the accessor's name to the end of the array's name
    std::string name;
    int subscripts;
    std::string through_view;    // what that text becomes when the array's view serves it
  };
  static std::vector<array_access> array_accesses(const std::string &line);
  std::string finish_proc_body(const std::string &body);
  void inline_candidate(const procedure &p, const scope &ps, const std::string &body);
  std::string split_program(const std::string &data, const std::string &support, const std::string &module_code,
                            const std::string &main_code) const;

 public:
  size_t part_bytes_ = 0;          // cut a program larger than this into parts (0: never)
  size_t huge_bytes_ = 0;          // no register copies in a module whose code is larger (0: never)
 private:
  std::vector<size_t> proc_starts_;   // where each procedure's function starts in procs_
  std::map<std::string, by_value_proc> by_value_procs_;   // by C++ name
  std::set<std::string> by_value_used_;                   // those with a call of their _v entry
  void by_value_prepare();
  void by_value_entries();
  // Each procedure's definition in procs_ replaced by f of it (proc_starts_ kept with them).
  template <class F> void rewrite_units(F f) {
    std::string procs = procs_.substr(0, proc_starts_.empty() ? procs_.size() : proc_starts_[0]);
    std::vector<size_t> starts;
    each_unit([&](const std::string &unit) {
      starts.push_back(procs.size());
      procs += f(unit);
    });
    proc_starts_ = std::move(starts);
    procs_ = std::move(procs);
  }
  // f of each procedure's definition in procs_, in order.
  template <class F> void each_unit(F f) const {
    for (size_t k = 0; k < proc_starts_.size(); k++) {
      size_t end = k + 1 < proc_starts_.size() ? proc_starts_[k + 1] : procs_.size();
      f(procs_.substr(proc_starts_[k], end - proc_starts_[k]));
    }
  }
  std::vector<size_t> chunk_starts_;  // where each chunk starts in finish_module's code, and the end
};

// ============================================================================ variables

vtype emitter::scalar_type(const std::string &name, char suffix, place at) {
  if (suffix) {
    vtype v;
    v.t = suffix_type(suffix);
    auto it = sc_->as_scalar.find(name);
    if (it != sc_->as_scalar.end() && !(it->second.t == v.t && !it->second.fixed))
      fail_at(at, "duplicate definition: " + name + " was declared AS " + (it->second.t == T_REC ? it->second.rec->name : tname[it->second.t]));
    return v;
  }
  auto it = sc_->as_scalar.find(name);
  if (it != sc_->as_scalar.end()) return it->second;
  if (sc_ != &module_) {
    auto m = module_.as_scalar.find(name);
    if (m != module_.as_scalar.end()) {
      auto mv = module_.scalars.find(key_of(name, m->second));
      if (mv != module_.scalars.end() && (mv->second.shared || sc_->shared.count(mv->first))) return m->second;
    }
  }
  vtype v;
  v.t = default_type(name);
  return v;
}

vtype emitter::array_type(const std::string &name, char suffix, place at) {
  if (suffix) {
    vtype v;
    v.t = suffix_type(suffix);
    auto it = sc_->as_array.find(name);
    if (it != sc_->as_array.end() && !(it->second.t == v.t && !it->second.fixed))
      fail_at(at, "duplicate definition: " + name + "() was declared with AS");
    return v;
  }
  auto it = sc_->as_array.find(name);
  if (it != sc_->as_array.end()) return it->second;
  if (sc_ != &module_) {
    auto m = module_.as_array.find(name);
    if (m != module_.as_array.end()) {
      auto mv = module_.arrays.find(key_of(name, m->second));
      if (mv != module_.arrays.end() && (mv->second.shared || sc_->shared.count(mv->first + "()"))) return m->second;
    }
  }
  vtype v;
  v.t = default_type(name);
  return v;
}

// A procedure's local record of at most this many bytes lives in its frame (kb_local_rec).
constexpr uint32_t frame_record_bytes = 256;

var emitter::make_scalar(const std::string &name, const vtype &t, bool in_proc, bool is_static) {
  var v;
  v.type = t;
  v.cname = new_cname(in_proc && !is_static ? "l" : "v", name);
  if (info_ && !in_proc) info_->variables.push_back(t.t == T_REC ? name : name + tsuffix[t.t]);
  const std::string &c = v.cname;
  if (in_proc && !is_static) {
    if (t.t == T_REC) {
      if (t.rec->size <= frame_record_bytes)
        sc_->locals += "  kb_local_rec<" + std::to_string(t.rec->size) + "> " + c + ";\n";
      else
        sc_->locals += "  kb_local_bytes " + c + "(" + std::to_string(t.rec->size) + ", 0);\n";
      v.ref = c + ".p";
    } else if (t.t == T_STR && t.fixed) {
      sc_->locals += "  kb_local_bytes " + c + "_b(" + std::to_string(t.fixed) + ", 32);\n";
      sc_->locals += "  kels *" + c + " = kels_new_fixed(" + c + "_b.p, " + std::to_string(t.fixed) + ", 0);\n";
      sc_->locals += "  struct kb_fx_" + c + " { kels *s; ~kb_fx_" + c + "() { kels_free(s); } } " + c + "_g{" + c + "};\n";
      v.ref = c;
    } else if (t.t == T_STR) {
      sc_->locals += "  kb_local_str " + c + ";\n";
      v.ref = "((kels *)" + c + ")";
    } else {
      sc_->locals += std::string("  ") + ctype[t.t] + " " + c + " = 0;\n";
      v.ref = c;
      v.addr = "&" + c;
    }
    return v;
  }
  // Module variables (and STATIC ones) live for the whole run, in the static area.
  if (t.t == T_REC) {
    globals_ += "static uint8_t *" + c + ";\n";
    init_ += "  " + c + " = (uint8_t *)mem_static_malloc(" + std::to_string(t.rec->size) + ");\n";
    clear_ += "  std::memset(" + c + ", 0, " + std::to_string(t.rec->size) + ");\n";
    v.ref = c;
  } else if (t.t == T_STR && t.fixed) {
    globals_ += "static kels *" + c + ";\n";
    init_ += "  " + c + " = kels_new_fixed((uint8_t *)mem_static_malloc(" + std::to_string(t.fixed) + "), " +
             std::to_string(t.fixed) + ", 0); std::memset(" + c + "->text, 32, " + std::to_string(t.fixed) + ");\n";
    clear_ += "  kels_set(" + c + ", kels_new_txt(\"\"));\n";
    v.ref = c;
  } else if (t.t == T_STR) {
    globals_ += "static kels *" + c + ";\n";
    init_ += "  " + c + " = kels_new(0, 0);\n";
    clear_ += "  kels_set(" + c + ", kels_new_txt(\"\"));\n";
    v.ref = c;
  } else {
    // A number is a plain static, which the module's code keeps in a register (see cache_chunk).
    globals_ += std::string("static ") + ctype[t.t] + " " + c + ";\n";
    clear_ += "  " + c + " = 0;\n";
    if (!in_proc) cacheable_[c] = ctype[t.t];
    v.ref = c;
    v.addr = "&" + c;
  }
  return v;
}

var emitter::make_array(const std::string &name, const vtype &t, bool in_proc, bool is_static) {
  var v;
  v.type = t;
  v.array = true;
  v.cname = new_cname(in_proc && !is_static ? "la" : "a", name);
  if (info_ && !in_proc) info_->variables.push_back((t.t == T_REC ? name : name + tsuffix[t.t]) + "()");
  std::string esize = std::to_string(t.t == T_STR && !t.fixed ? (uint32_t)sizeof(void *) : t.bytes());
  std::string kind = t.t == T_STR ? (t.fixed ? "kb_fixed" : "kb_strings") : "kb_raw";
  if (in_proc && !is_static) {
    sc_->locals += "  kb_local_arr " + v.cname + "(" + esize + ", " + kind + ");\n";
  } else {
    globals_ += "static kb_arr " + v.cname + " = {nullptr, " + esize + ", " + kind + ", 0, {}, {}, 0};\n";
    clear_ += "  kb_free_arr(" + v.cname + ");\n";
  }
  v.ref = v.cname;
  return v;
}

bool emitter::is_record_var(const std::string &name) const {
  auto it = sc_->as_scalar.find(name);
  if (it != sc_->as_scalar.end()) return it->second.t == T_REC;
  if (sc_ != &module_) {
    auto m = module_.as_scalar.find(name);
    if (m != module_.as_scalar.end() && m->second.t == T_REC) {
      auto mv = module_.scalars.find(key_of(name, m->second));
      return mv != module_.scalars.end() && (mv->second.shared || sc_->shared.count(mv->first));
    }
  }
  return false;
}

var &emitter::scalar(const std::string &name, char suffix, place at) {
  vtype t = scalar_type(name, suffix, at);
  std::string key = key_of(name, t);
  auto it = sc_->scalars.find(key);
  if (it != sc_->scalars.end()) return it->second;
  if (sc_ != &module_) {
    auto m = module_.scalars.find(key);
    if (m != module_.scalars.end() && (m->second.shared || sc_->shared.count(key))) return m->second;
    if (sc_->proc && sc_->proc->kind == procedure::def_fn) {     // DEF FN sees the module's variables
      scope *inner = sc_;
      sc_ = &module_;
      var &v = scalar(name, suffix, at);
      sc_ = inner;
      return v;
    }
  }
  var v = make_scalar(name, t, sc_ != &module_, sc_->all_static);
  return sc_->scalars.emplace(key, v).first->second;
}

var &emitter::array_var(const std::string &name, char suffix, place at, bool declaring) {
  vtype t = array_type(name, suffix, at);
  std::string key = key_of(name, t);
  auto it = sc_->arrays.find(key);
  if (it != sc_->arrays.end()) return it->second;
  if (sc_ != &module_ && !declaring) {
    auto m = module_.arrays.find(key);
    if (m != module_.arrays.end() && (m->second.shared || sc_->shared.count(key + "()") ||
                                      (sc_->proc && sc_->proc->kind == procedure::def_fn)))
      return m->second;
  }
  var v = make_array(name, t, sc_ != &module_, sc_->all_static);
  return sc_->arrays.emplace(key, v).first->second;
}

const var *emitter::find_array(const std::string &name, char suffix) {
  vtype t = array_type(name, suffix, place{});
  std::string key = key_of(name, t);
  auto it = sc_->arrays.find(key);
  if (it != sc_->arrays.end()) return &it->second;
  if (sc_ != &module_) {
    auto m = module_.arrays.find(key);
    if (m != module_.arrays.end() && (m->second.shared || sc_->shared.count(key + "()") ||
                                      (sc_->proc && sc_->proc->kind == procedure::def_fn)))
      return &m->second;
  }
  return nullptr;
}

// ============================================================================ expressions

// A literal without a suffix is SINGLE only when SINGLE holds it: not beyond its range, and
// not so small that it would read as zero.
static bool fits_single(double v) {
  double a = std::fabs(v);
  return a <= 3.402823466e38 && (a == 0 || (float)a != 0.0f);
}

ex emitter::number_literal(const expr &e) {
  ex r;
  r.cst = true;
  const std::string &s = e.text;
  auto fmt_int = [&](ty type, int64_t v) {
    r.t = type;
    r.c = std::string("(") + ctype[type] + ")" + std::to_string(v);
    if (v == INT32_MIN) r.c = "(int32_t)(-2147483647 - 1)";
    return r;
  };
  if (s[0] == '&') {
    int base = s[1] == 'H' ? 16 : s[1] == 'O' ? 8 : 2;
    std::string digits = s.substr(2);
    if (digits.empty()) fail_at(e.at, "expected digits after &" + std::string(1, s[1]));
    uint64_t v = 0;
    for (char ch : digits) {
      int d = std::isdigit((unsigned char)ch) ? ch - '0' : ch - 'A' + 10;
      if (d < 0 || d >= base) fail_at(e.at, "bad digit '" + std::string(1, ch) + "' in " + s);
      v = v * base + d;
      if (v > 0xFFFFFFFFull) fail_at(e.at, "overflow: " + s + " does not fit a LONG");
    }
    if (e.suffix == '&' || v > 0xFFFF) return fmt_int(T_LNG, (int32_t)(uint32_t)v);
    return fmt_int(T_INT, (int16_t)(uint16_t)v);
  }
  bool whole = s.find_first_of(".ED") == std::string::npos;
  size_t digits = 0;
  bool leading = true;
  for (char ch : s) {
    if (ch == 'E' || ch == 'D') break;
    if (!std::isdigit((unsigned char)ch)) continue;
    if (leading && ch == '0') continue;
    leading = false;
    digits++;
  }
  double v = std::strtod(std::string(s).replace(s.find('D') == std::string::npos ? s.size() : s.find('D'),
                                                s.find('D') == std::string::npos ? 0 : 1, "E").c_str(), nullptr);
  ty t;
  switch (e.suffix) {
    case '%': t = T_INT; break;
    case '&': t = T_LNG; break;
    case '!': t = T_SNG; break;
    case '#': t = T_DBL; break;
    default:
      if (whole && v <= 32767) t = T_INT;
      else if (whole && v <= 2147483647.0) t = T_LNG;
      else if (s.find('D') != std::string::npos || digits > 7 || !fits_single(v)) t = T_DBL;
      else t = T_SNG;
  }
  if (t == T_INT || t == T_LNG) {
    if (!whole && e.suffix) {
      double rv = std::nearbyint(v);
      if ((t == T_INT && (rv < -32768 || rv > 32767)) || (t == T_LNG && (rv < -2147483648.0 || rv > 2147483647.0)))
        fail_at(e.at, "overflow: " + s + " does not fit " + tname[t]);
      return fmt_int(t, (int64_t)rv);
    }
    if ((t == T_INT && v > 32767) || (t == T_LNG && v > 2147483647.0))
      fail_at(e.at, "overflow: " + s + " does not fit " + tname[t]);
    return fmt_int(t, (int64_t)v);
  }
  if (std::isinf(v) || (t == T_SNG && std::fabs(v) > 3.402823466e38)) fail_at(e.at, "overflow: " + s);
  char buf[64];
  if (t == T_SNG) std::snprintf(buf, sizeof buf, "%.9gf", (double)(float)v);
  else std::snprintf(buf, sizeof buf, "%.17g", v);
  std::string c = buf;
  if (c.find_first_of(".e") == std::string::npos) c.insert(t == T_SNG ? c.size() - 1 : c.size(), ".0");
  r.t = t;
  r.c = "(" + c + ")";
  return r;
}

std::string emitter::arg_as(const ex &e, char kind, place at) {
  if (kind == 's') {
    if (e.t != T_STR) fail_at(at, "type mismatch: expected a string argument");
    return e.c;
  }
  if (!numeric(e.t)) fail_at(at, "type mismatch: expected a numeric argument");
  switch (kind) {
    case 'i': return e.t <= T_LNG ? "(int32_t)(" + e.c + ")" : "kb_l(" + e.c + ")";
    case 'u': return "kb_u(" + e.c + ")";
    case 'f': return "(float)(" + e.c + ")";
    case 'd': return "(double)(" + e.c + ")";
    case 'x': return e.t == T_DBL ? "(double)(" + e.c + ")" : "(float)(" + e.c + ")";
    default: return std::string("(") + ctype[e.t] + ")(" + e.c + ")";
  }
}

ex emitter::conv(const ex &e, ty to, place at) {
  if (e.t == to) return value_of(e);
  if (!numeric(e.t) || !numeric(to)) fail_at(at, std::string("type mismatch: expected ") + (to == T_STR ? "a string" : "a number"));
  ex r;
  r.t = to;
  r.cst = e.cst;
  switch (to) {
    case T_INT: r.c = e.t == T_LNG ? "kb_i16(" + e.c + ")" : "kb_i(" + e.c + ")"; break;
    case T_LNG: r.c = e.t == T_INT ? "(int32_t)(" + e.c + ")" : "kb_l(" + e.c + ")"; break;
    case T_SNG: r.c = "(float)(" + e.c + ")"; break;
    default: r.c = "(double)(" + e.c + ")"; break;
  }
  return r;
}

ex emitter::value_of(const ex &x) const {
  ex r = x;
  r.lk = ex::l_none;
  return r;
}

// The value of a number written out as a literal (under casts and parentheses), as C++ has
// it: false for anything else.
static bool literal_value(std::string c, double &v) {
  for (;;) {
    size_t a = c.find_first_not_of(' '), b = c.find_last_not_of(' ');
    if (a == std::string::npos) return false;
    c = c.substr(a, b - a + 1);
    bool cast = false;
    for (const char *t : {"(float)", "(double)", "(int16_t)", "(int32_t)"})
      if (c.compare(0, std::strlen(t), t) == 0) {
        c = c.substr(std::strlen(t));
        cast = true;
        break;
      }
    if (cast) continue;
    if (c.size() >= 2 && c.front() == '(' && c.back() == ')') {
      int depth = 0;
      size_t k = 0;
      for (; k < c.size(); k++) {
        depth += c[k] == '(' ? 1 : c[k] == ')' ? -1 : 0;
        if (depth == 0) break;
      }
      if (k + 1 != c.size()) return false;
      c = c.substr(1, c.size() - 2);
      continue;
    }
    break;
  }
  if (c.empty() || !(std::isdigit((unsigned char)c[0]) || c[0] == '.')) return false;
  char *end = nullptr;
  v = std::strtod(c.c_str(), &end);
  if (*end == 'f') end++;
  return *end == '\0';
}

ex emitter::binop(const std::string &op, const ex &a, const ex &b, place at) {
  ex r;
  r.cst = a.cst && b.cst;
  if (a.t == T_REC || b.t == T_REC) fail_at(at, "type mismatch: a record cannot take part in " + op);
  bool sa = !numeric(a.t), sb = !numeric(b.t);
  bool cmp = op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=";
  if (sa || sb) {
    if (!(sa && sb)) fail_at(at, "type mismatch: cannot combine a string and a number with " + op);
    st_tmp_ = true;
    if (op == "+") { r.t = T_STR; r.c = "kels_add(" + a.c + ", " + b.c + ")"; return r; }
    if (!cmp) fail_at(at, "type mismatch: " + op + " does not take strings");
    static const std::map<std::string, std::string> f = {
        {"=", "kels_equal"}, {"<>", "kels_notequal"}, {"<", "kels_lessthan"},
        {">", "kels_greaterthan"}, {"<=", "kels_lessorequal"}, {">=", "kels_greaterorequal"}};
    r.t = T_INT;
    r.c = "(int16_t)" + f.at(op) + "(" + a.c + ", " + b.c + ")";
    std::string viewed = "(int16_t)kb" + f.at(op).substr(4) + "_view(" + view_of(a.c) + ", " + view_of(b.c) + ")";
    if (allocates_nothing(viewed)) r.c = viewed;   // the operands read where they are
    else if (std::string hoisted = viewed_with_elements(viewed); !hoisted.empty()) r.c = hoisted;
    return r;
  }
  ty w = std::max(a.t, b.t);
  if (cmp) {
    std::string o = op == "=" ? "==" : op == "<>" ? "!=" : op;
    r.t = T_INT;
    r.truth = "((" + conv(a, w, at).c + ") " + o + " (" + conv(b, w, at).c + "))";
    r.c = "(int16_t)-" + r.truth;
    r.truth_for = r.c;
    return r;
  }
  if (op == "+" || op == "-" || op == "*") {
    r.t = w;
    std::string f = op == "+" ? "kb_add<" : op == "-" ? "kb_sub<" : "kb_mul<";
    if (w == T_INT) r.c = f + "int16_t>(" + a.c + ", " + b.c + ")";
    else if (w == T_LNG) r.c = f + "int32_t>(" + a.c + ", " + b.c + ")";
    else r.c = "(" + conv(a, w, at).c + " " + op + " " + conv(b, w, at).c + ")";
    return r;
  }
  // A divisor written as a number other than 0 (or -1, whose quotient may overflow and whose
  // remainder C++ leaves undefined) needs no test.
  double divisor = 0;
  bool known = literal_value(b.c, divisor) && divisor != 0;
  if (op == "/" || op == "^") {
    r.t = w == T_DBL ? T_DBL : T_SNG;
    if (op == "/" && known) r.c = "(" + conv(a, r.t, at).c + " / " + conv(b, r.t, at).c + ")";
    else r.c = std::string(op == "/" ? "kb_div" : "kb_pow") + "(" + conv(a, r.t, at).c + ", " + conv(b, r.t, at).c + ")";
    return r;
  }
  known = known && b.t <= T_LNG && divisor != -1;
  bool small = a.t == T_INT && b.t == T_INT;
  std::string x = a.t <= T_LNG ? "(int32_t)(" + a.c + ")" : "kb_l(" + a.c + ")";
  std::string y = b.t <= T_LNG ? "(int32_t)(" + b.c + ")" : "kb_l(" + b.c + ")";
  std::string c;
  if (op == "\\") c = known ? "(" + x + " / " + y + ")" : "kb_idiv(" + x + ", " + y + ")";
  else if (op == "MOD") c = known ? "(" + x + " % " + y + ")" : "kb_mod(" + x + ", " + y + ")";
  else if (op == "AND") c = "(" + x + " & " + y + ")";
  else if (op == "OR") c = "(" + x + " | " + y + ")";
  else if (op == "XOR") c = "(" + x + " ^ " + y + ")";
  else if (op == "EQV") c = "~(" + x + " ^ " + y + ")";
  else if (op == "IMP") c = "(~" + x + " | " + y + ")";
  else fail_at(at, "unknown operator " + op);
  r.t = small ? T_INT : T_LNG;
  r.c = small ? (op == "\\" && !known ? "kb_i16(" + c + ")" : "(int16_t)(" + c + ")") : "(int32_t)(" + c + ")";
  // Both operands' truths evaluated, as the values are, and combined without a branch.
  std::string ta = truth_of(a), tb = truth_of(b);
  static const std::map<std::string, std::string> logic = {{"AND", " & "}, {"OR", " | "}, {"XOR", " != "}, {"EQV", " == "}};
  if (!ta.empty() && !tb.empty() && logic.count(op)) {
    r.truth = "(" + ta + logic.at(op) + tb + ")";
    r.truth_for = r.c;
  }
  return r;
}

std::string emitter::read_field(const ex &f) const {
  return std::string("kb_get<") + ctype[f.t] + ">(" + f.addr + ")";
}

// A field path ("X" or "P.X") of a record value.
// idx: the subscripts written after the last name (an array inside the TYPE); suffix: the one
// written on the last name, which must be its field's type's (R.NAME$, P.X%).
ex emitter::field_of(ex base, const std::string &path, place at, const std::vector<const expr *> *idx, char suffix) {
  size_t start = 0;
  for (;;) {
    if (base.t != T_REC) fail_at(at, "expected a record before ." + path.substr(start));
    size_t dot = path.find('.', start);
    std::string name = path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    const field *f = base.rec->find(name);
    if (!f) fail_at(at, "type " + base.rec->name + " has no field " + name);
    std::string p = "(" + base.c + " + " + std::to_string(f->offset) + ")";
    bool last = dot == std::string::npos;
    if (last && suffix && (f->type.t == T_REC || suffix_type(suffix) != f->type.t))
      fail_at(at, "the suffix of " + name + suffix + " does not match its field's type");
    if (!f->dims.empty()) {
      if (!last || !idx) fail_at(at, "expected a subscript: " + name + " is an array in TYPE " + base.rec->name);
      if (idx->size() != f->dims.size()) fail_at(at, "wrong number of subscripts for " + name);
      std::string ix, bounds;
      for (size_t k = 0; k < idx->size(); k++) {
        ix += (k ? ", " : "") + int_arg(*(*idx)[k]);
        bounds += (k ? ", " : "") + std::to_string(f->dims[k].first) + ", " + std::to_string(f->dims[k].second);
      }
      p = "(" + p + " + " + std::to_string(f->type.bytes()) + " * kb_field_index({" + ix + "}, {" + bounds + "}))";
    } else if (last && idx) {
      fail_at(at, name + " is not an array in TYPE " + base.rec->name);
    }
    ex r;
    r.t = f->type.t;
    if (f->type.t == T_REC) {
      r.c = p;
      r.rec = f->type.rec;
      r.lk = ex::l_rec;
    } else if (f->type.t == T_STR) {
      r.c = "kb_fixed_view(" + p + ", " + std::to_string(f->type.fixed) + ")";
      r.fixed = f->type.fixed;
      r.lk = ex::l_str;
      st_tmp_ = true;
    } else {
      r.addr = p;
      r.lk = ex::l_field;
      r.c = read_field(r);
    }
    base = r;
    if (dot == std::string::npos) return base;
    start = dot + 1;
  }
}

ex emitter::expression(const expr &e) {
  if (depth_ >= max_expr_depth) fail_at(e.at, "expression nested too deeply");
  ++depth_;
  ex r;
  switch (e.kind) {
    case ek::number: r = number_literal(e); break;
    case ek::string:
      r.t = T_STR;                 // a descriptor of its own for the whole run: no temporary
      r.cst = true;
      r.c = "KB_LIT(" + c_string(e.text) + ", " + std::to_string(e.text.size()) + ")";
      break;
    case ek::unary: {
      ex a = expression(*e.args[0]);
      if (!numeric(a.t)) fail_at(e.at, std::string("type mismatch: ") + (e.text == "NOT" ? "NOT needs a number" : "a sign needs a number"));
      a = value_of(a);
      if (e.text == "+") { r = a; break; }
      r.cst = a.cst;
      if (e.text == "NOT") {
        if (a.t == T_INT) { r.t = T_INT; r.c = "(int16_t)~(" + a.c + ")"; }
        else { r.t = T_LNG; r.c = "(int32_t)~" + arg_as(a, 'i', e.at); }
        if (std::string t = truth_of(a); !t.empty()) { r.truth = "!" + t; r.truth_for = r.c; }
        break;
      }
      r.t = a.t;
      switch (a.t) {
        case T_INT: r.c = "kb_i16(-(int64_t)(" + a.c + "))"; break;
        case T_LNG: r.c = "kb_i32(-(int64_t)(" + a.c + "))"; break;
        default: r.c = "(-(" + a.c + "))"; break;
      }
      break;
    }
    case ek::binary: {
      // A chain A + B + C ... is a left-leaning tree: walked along its left edge, so that only
      // real nesting (parentheses, right operands) counts against the depth.
      std::vector<const expr *> spine;
      const expr *x = &e;
      while (x->kind == ek::binary && (x == &e || !x->parenthesised)) {
        spine.push_back(x);
        x = x->args[0].get();
      }
      ex acc = expression(*x);
      // The run of INTEGER or LONG +, - and * (or string +) of one type that ends at acc.
      std::vector<std::string> terms;
      std::string ops;
      for (auto it = spine.rbegin(); it != spine.rend(); ++it) {
        ex a = value_of(acc), b = value_of(expression(*(*it)->args[1]));
        const std::string &op = (*it)->text;
        // Both operands calling procedures: the left one's value first, as the dialect works
        // them out (C++ leaves the order of a call's arguments open, and g++ takes the right
        // one first), so that a call which changes what the other reads is seen in order.
        if (calls_procedure(a.c) && calls_procedure(b.c)) {
          std::string held = "kb_lv" + std::to_string(new_id());
          ex left = a;
          left.c = held;
          acc = binop(op, left, b, (*it)->at);
          acc.c = "({ " + std::string(a.t == T_STR ? "kels *" : ctype[a.t]) + " " + held + " = " + a.c + "; " + acc.c + "; })";
          acc.truth.clear();
          terms.clear();
          ops.clear();
          continue;
        }
        acc = binop(op, a, b, (*it)->at);
        bool number = (acc.t == T_INT || acc.t == T_LNG) && (op == "+" || op == "-" || op == "*");
        if (!number && !(acc.t == T_STR && op == "+")) { terms.clear(); ops.clear(); continue; }
        if (ops.empty() || a.t != acc.t) { terms = {a.c}; ops.clear(); }
        terms.push_back(b.c);
        ops += op;
        if (terms.size() <= chain_terms) continue;
        // Worked left to right as the nested calls are (kb_chain, kb_cat in program.h), in
        // lists of chain_terms terms one after another, each list's result the first term of
        // the next (kept in kb_chain_acc between them): a list of thousands of terms, or lists
        // nested in each other, cost the compiler as much as the nested calls.
        std::string type = number ? ctype[acc.t] : "kels *";
        std::string held = "kb_chain_acc<" + type + ">";
        acc.c = "(";
        for (size_t k = 1; k < terms.size(); k += chain_terms) {
          size_t e = std::min(terms.size(), k + chain_terms);
          std::string list;
          for (size_t j = k - 1; j < e; j++) {
            const std::string &t = j == k - 1 && k > 1 ? held : terms[j];
            list += (list.empty() ? "" : ", ") + (number ? "(" + type + ")(" + t + ")" : t);
          }
          acc.c += held + " = " + (number ? "kb_chain<" + type + ">(\"" + ops.substr(k - 1, e - k) + "\", {" + list + "})"
                                          : "kb_cat({" + list + "})") + ", ";
        }
        acc.c += held + ")";
      }
      r = acc;
      break;
    }
    case ek::name: r = name_expr(e, false); break;
    case ek::field: {
      ex base = expression(*e.args[0]);
      std::vector<const expr *> idx;
      for (size_t k = 1; k < e.args.size(); k++) idx.push_back(e.args[k].get());
      r = field_of(base, e.text, e.at, e.parens ? &idx : nullptr, e.suffix);
      break;
    }
  }
  if (e.parenthesised && numeric(r.t)) {
    r = value_of(r);
    r.c = "(" + r.c + ")";
  }
  --depth_;
  return r;
}

ex emitter::lvalue(const expr &e) {
  if (e.kind == ek::field) {
    ex base = expression(*e.args[0]);
    std::vector<const expr *> idx;
    for (size_t k = 1; k < e.args.size(); k++) idx.push_back(e.args[k].get());
    return field_of(base, e.text, e.at, e.parens ? &idx : nullptr, e.suffix);
  }
  if (e.kind != ek::name) fail_at(e.at, "expected a variable");
  return name_expr(e, true);
}

// Whether a name is a parameter or a local declared with AS of the procedure being written,
// which a module constant of that name does not hide.
bool emitter::own_name(const expr &e) const {
  if (!sc_->proc) return false;
  bool own = sc_->as_scalar.count(e.text) > 0;
  for (const param &q : sc_->proc->params)
    own = own || (!q.array && q.name == e.text && (!e.suffix || suffix_type(e.suffix) == q.type.t));
  return own;
}

// Whether a name without arguments is a constant's.
// An integer known here: a whole-number literal, a CONST of one, and their sums, differences,
// products, integer quotients and negations, within LONG's range.
bool emitter::int_constant(const expr &e, int64_t &v) const {
  const int64_t lim = 2147483647;
  if (e.kind == ek::number) {
    if (e.text.empty() || e.text.size() > 10 || e.text.find_first_not_of("0123456789") != std::string::npos) return false;
    if (e.suffix && e.suffix != '%' && e.suffix != '&') return false;
    v = std::stoll(e.text);
    return v <= lim;
  }
  if (e.kind == ek::name) {
    auto c = int_consts_.find(e.text);
    if (!const_name(e) || c == int_consts_.end()) return false;
    v = c->second;
    return true;
  }
  int64_t a = 0, b = 0;
  if (e.kind == ek::unary && e.text == "-" && int_constant(*e.args[0], a)) v = -a;
  else if (e.kind == ek::unary && e.text == "+" && int_constant(*e.args[0], a)) v = a;
  else if (e.kind != ek::binary || !int_constant(*e.args[0], a) || !int_constant(*e.args[1], b)) return false;
  else if (e.text == "+") v = a + b;
  else if (e.text == "-") v = a - b;
  else if (e.text == "*") v = a * b;
  else if (e.text == "\\" && b != 0) v = a / b;
  else return false;
  return v >= -lim - 1 && v <= lim;
}

bool emitter::const_name(const expr &e) const {
  return e.kind == ek::name && !e.parens && !own_name(e) &&
         (consts_.count(full_name(e.text, e.suffix)) || (!e.suffix && consts_.count(e.text)));
}

ex emitter::name_expr(const expr &e, bool for_write) {
  const std::string full = full_name(e.text, e.suffix);
  // Constants, but for a procedure's own parameter or local of that name.
  if (!e.parens && !own_name(e)) {
    auto c = consts_.find(full);
    if (c == consts_.end() && !e.suffix) c = consts_.find(e.text);
    if (c != consts_.end()) {
      if (for_write) fail_at(e.at, "cannot assign to the constant " + full);
      if (c->second.t == T_STR) st_tmp_ = true;
      return c->second;
    }
  }
  // A record variable's field written as one dotted name: R.X, R.P.X.
  size_t dot = e.text.find('.');
  if (dot != std::string::npos && dot > 0 && is_record_var(e.text.substr(0, dot))) {
    var &v = scalar(e.text.substr(0, dot), 0, e.at);
    ex base;
    base.t = T_REC;
    base.rec = v.type.rec;
    base.c = v.ref;
    base.lk = ex::l_rec;
    std::vector<const expr *> idx;
    for (auto &a : e.args) idx.push_back(a.get());
    return field_of(base, e.text.substr(dot + 1), e.at, e.parens ? &idx : nullptr, e.suffix);
  }
  std::vector<const expr *> args;
  for (auto &a : e.args) args.push_back(a.get());
  // Procedures: a FUNCTION or DEF FN; inside a FUNCTION its own name is its result.
  if (const procedure *p = ck_.find_proc(e.text)) {
    if (p->kind != procedure::sub) {
      bool own_result = sc_->proc == p && !e.parens &&
                        (for_write || (p->kind != procedure::def_fn && p->params.size() > 0));
      if (own_result) {
        if (e.suffix && suffix_type(e.suffix) != p->result.t) fail_at(e.at, "the suffix of " + full + " does not match the FUNCTION");
        ex r;
        r.t = p->result.t;
        if (r.t == T_STR) { r.c = "((kels *)kb_fr)"; r.lk = ex::l_str; r.plain_str_var = true; }
        else { r.c = "kb_fr"; r.lk = ex::l_ref; r.addr = "&kb_fr"; }
        return r;
      }
      if (for_write) fail_at(e.at, "cannot assign to the FUNCTION " + e.text + " outside it");
      if (e.suffix && suffix_type(e.suffix) != p->result.t) fail_at(e.at, "the suffix of " + full + " does not match the FUNCTION");
      return call_proc(*p, args, e.at);
    }
  }
  // Built-in functions.
  bool builtin_name = false;
  for (const builtin &b : builtins())
    if (!b.statement && full == b.name) builtin_name = true;
  if ((e.text == "VARPTR" || e.text == "VARSEG") && !e.suffix) {
    // Only an array's elements can be addressed: each array gets a segment of its own.
    if (for_write) fail_at(e.at, "expected a variable but found the function " + full);
    if (args.size() != 1) fail_at(e.at, e.text + " takes one argument");
    const expr &a = *args[0];
    const var *v = a.kind == ek::name && a.parens && !a.args.empty() ? find_array(a.text, a.suffix) : nullptr;
    if (!v)
      fail_at(a.start, e.text + " of a simple variable is not supported: only array elements live where a program can "
                              "address them (use an array, as in " + e.text + "(A(0)))");
    std::string idx;
    for (auto &i : a.args) idx += ", " + int_arg(*i);
    ex r;
    r.t = T_LNG;
    r.c = std::string(e.text == "VARPTR" ? "kb_varptr(" : "kb_varseg(") + v->ref + ", kb_elem(" + v->ref + idx + "))";
    return r;
  }
  if ((e.text == "LBOUND" || e.text == "UBOUND") && !e.suffix) {
    if (for_write) fail_at(e.at, "expected a variable but found the function " + full);
    if (args.empty() || args.size() > 2 || args[0]->kind != ek::name) fail_at(e.at, e.text + " needs an array name");
    const var *v = find_array(args[0]->text, args[0]->suffix);
    if (!v) fail_at(args[0]->start, "array " + args[0]->text + " not defined");
    ex r;
    r.t = T_LNG;
    std::string dim = args.size() == 2 ? int_arg(*args[1]) : "0";
    r.c = std::string(e.text == "LBOUND" ? "kb_lbound(" : "kb_ubound(") + v->ref + ", " + dim + ", " + (args.size() == 2 ? "1" : "0") + ")";
    return r;
  }
  if (e.text == "LEN" && !e.suffix && args.size() == 1 && !for_write) {
    // LEN of a record or of a number variable is its size in bytes.
    const expr &a = *args[0];
    bool var_like = a.kind == ek::field || (a.kind == ek::name && !const_name(a) && !ck_.find_proc(a.text));
    if (a.kind == ek::name)
      for (const builtin &b : builtins())
        if (!b.statement && full_name(a.text, a.suffix) == b.name) var_like = false;
    if (var_like) {
      bool saved = st_tmp_;
      ex x = expression(a);
      st_tmp_ = saved;
      if (x.t == T_REC || numeric(x.t)) {
        ex r;
        r.t = T_INT;
        r.c = "(int16_t)" + std::to_string(x.t == T_REC ? x.rec->size : (uint32_t)tsize[x.t]);
        return r;
      }
    }
  }
  if (builtin_name && !for_write) return call_builtin(e, full, args, false);
  if (const char *why = unsupported_reason(full))
    if (e.parens || full == "FREEFILE") fail_at(e.at, why);
  if (for_write && builtin_name) fail_at(e.at, "expected a variable but found the function " + full);
  // Arrays and array elements.
  if (e.parens) {
    if (e.text.size() > 2 && e.text.compare(0, 2, "FN") == 0 && !ck_.find_proc(e.text))
      fail_at(e.at, "function " + e.text + " not defined");
    if (args.empty()) fail_at(e.at, "expected a subscript: a whole array " + full + "() passes only to a procedure");
    if (args.size() > (size_t)max_dims) fail_at(e.at, "an array has at most 8 dimensions");
    var &v = array_var(e.text, e.suffix, e.at);
    std::string idx;
    for (size_t k = 0; k < args.size(); k++) {
      ex x = expression(*args[k]);
      if (!numeric(x.t)) fail_at(args[k]->start, "type mismatch: an array index must be a number");
      idx += ", " + arg_as(value_of(x), 'i', args[k]->start);
    }
    ex r;
    r.t = v.type.t;
    if (v.type.t == T_REC) {
      r.c = "kb_elem(" + v.ref + idx + ")";
      r.rec = v.type.rec;
      r.lk = ex::l_rec;
    } else if (v.type.t == T_STR && v.type.fixed) {
      r.c = "kb_fixed_view(kb_elem(" + v.ref + idx + "), " + std::to_string(v.type.fixed) + ")";
      r.fixed = v.type.fixed;
      r.lk = ex::l_str;
      st_tmp_ = true;
    } else {
      std::string ct = v.type.t == T_STR ? "kels *" : ctype[v.type.t];
      r.addr = "kb_at<" + ct + ">(" + v.ref + idx + ")";
      r.c = for_write || v.type.t == T_STR ? "(*" + r.addr + ")" : "kb_get<" + ct + ">(" + v.ref + idx + ")";
      r.lk = v.type.t == T_STR ? ex::l_str : ex::l_ref;
    }
    return r;
  }
  if (e.text.size() > 2 && e.text.compare(0, 2, "FN") == 0 && !for_write && !ck_.find_proc(e.text))
    fail_at(e.at, "function " + e.text + " not defined");
  var &v = scalar(e.text, e.suffix, e.at);
  ex r;
  r.t = v.type.t;
  r.c = v.ref;
  if (v.type.t == T_REC) { r.rec = v.type.rec; r.lk = ex::l_rec; }
  else if (v.type.t == T_STR) { r.lk = ex::l_str; r.fixed = v.type.fixed; r.plain_str_var = !v.type.fixed; }
  else { r.lk = ex::l_ref; r.addr = v.addr; }
  return r;
}

// One form of a built-in's argument list: type letter, optional, passed bit.
struct arg_sig { char kind; bool optional; int bit; };
static std::vector<arg_sig> parse_sig(const char *sig) {
  std::vector<arg_sig> out;
  const char *p = sig;
  int k = 0;
  while (*p) {
    while (*p == ' ') p++;
    if (!*p) break;
    arg_sig a{*p++, false, 1 << k};
    if (*p == '?') {
      a.optional = true;
      p++;
      if (std::isdigit((unsigned char)*p)) a.bit = (int)std::strtol(p, const_cast<char **>(&p), 10);
    }
    out.push_back(a);
    k++;
  }
  return out;
}

ex emitter::call_builtin(const expr &at_e, const std::string &full, const std::vector<const expr *> &raw, bool statement) {
  place at = at_e.at;
  std::vector<std::pair<bool, ex>> args;
  std::vector<place> where;
  bool tmp_before = st_tmp_;
  st_tmp_ = false;
  for (const expr *a : raw) {
    if (!a) { args.push_back({false, ex()}); where.push_back(at); continue; }
    args.push_back({true, value_of(expression(*a))});
    where.push_back(a->start);
  }
  bool args_tmp = st_tmp_;
  st_tmp_ = tmp_before || args_tmp;
  const builtin *chosen = nullptr;
  std::vector<arg_sig> sig;
  for (const builtin &b : builtins()) {
    if (b.statement != statement || full != b.name) continue;
    auto s = parse_sig(b.args);
    if (args.size() > s.size()) continue;
    bool fits = true;
    for (size_t k = 0; k < s.size() && fits; k++) {
      if (k >= args.size() || !args[k].first) { fits = s[k].optional; continue; }
      bool str = args[k].second.t == T_STR;
      if (args[k].second.t == T_REC) fits = false;
      if (str != (s[k].kind == 's')) fits = false;
    }
    if (fits) { chosen = &b; sig = s; break; }
  }
  if (!chosen) {
    std::string forms;
    for (const builtin &b : builtins())
      if (b.statement == statement && full == b.name) {
        auto s = parse_sig(b.args);
        std::string f = full + (statement ? " " : "(");
        for (size_t k = 0; k < s.size(); k++) {
          if (k) f += ", ";
          f += s[k].kind == 's' ? "string" : "number";
          if (s[k].optional) f += "?";
        }
        if (!statement) f += ")";
        forms += (forms.empty() ? "" : " or ") + f;
      }
    fail_at(at, "wrong arguments for " + full + ": expected " + forms);
  }
  if (full == "POINT" && args.size() == 2 && args[1].first && args[0].second.t <= T_LNG && args[1].second.t <= T_LNG) {
    ex r;                                        // whole-number coordinates: the inline path
    r.t = T_LNG;
    r.c = "kb_point_at((int32_t)(" + args[0].second.c + "), (int32_t)(" + args[1].second.c + "))";
    return r;
  }
  // ASC(MID$(s$, start[, n])): the character read in place, with the errors the two give
  // together, instead of a one-character string made and dropped.
  if (full == "ASC" && args.size() == 1 && args[0].second.lone_tmp && args[0].second.c.rfind("func_mid(", 0) == 0) {
    ex r;
    r.t = T_INT;
    r.c = "(int16_t)kb_asc_mid(" + args[0].second.c.substr(9);
    st_tmp_ = tmp_before;
    return r;
  }
  // CINT and CLNG of a whole number: a widening, or a range check, with no rounding.
  if ((full == "CINT" || full == "CLNG") && args.size() == 1 && args[0].second.t <= T_LNG) {
    ex r;
    const ex &a = args[0].second;
    r.t = full == "CINT" ? T_INT : T_LNG;
    if (full == "CLNG") r.c = "(int32_t)(" + a.c + ")";
    else r.c = a.t == T_INT ? "(int16_t)(" + a.c + ")" : "kb_i16((int64_t)(" + a.c + "))";
    return r;
  }
  std::string code = chosen->tmpl;
  int passed = 0;
  std::string out;
  for (size_t k = 0; k < code.size(); k++) {
    if (code[k] == '%' && k + 1 < code.size()) {
      char d = code[++k];
      if (d == 'p') { out += "__PASSED__"; continue; }
      size_t idx = d - '1';
      if (idx < args.size() && args[idx].first) out += arg_as(args[idx].second, sig[idx].kind, where[idx]);
      else out += "0";
      continue;
    }
    out += code[k];
  }
  for (size_t k = 0; k < args.size(); k++)
    if (args[k].first) passed |= sig[k].bit;
  size_t pp = out.find("__PASSED__");
  if (pp != std::string::npos) out.replace(pp, 10, std::to_string(passed));
  // INSTR, LEN and ASC read their string operands as views when nothing in them allocates.
  {
    std::vector<std::string> a;
    std::string viewed;
    if (whole_call(out, "func_instr", a) && a.size() == 4)
      viewed = "kb_instr_view(" + a[0] + ", " + view_of(a[1]) + ", " + view_of(a[2]) + ", " + a[3] + ")";
    else if (whole_call(out, "kels_len", a) && a.size() == 1)
      viewed = "kb_len_view(" + view_of(a[0]) + ")";
    else if (out.rfind("(int16_t)", 0) == 0 && whole_call(out.substr(9), "kels_asc", a) && (a.size() == 1 || a.size() == 2))
      viewed = "(int16_t)kb_asc_view(" + view_of(a[0]) + (a.size() == 2 ? ", " + a[1] : "") + ")";
    if (!viewed.empty() && allocates_nothing(viewed)) {
      out = viewed;
      st_tmp_ = tmp_before;
    }
  }
  ex r;
  switch (chosen->ret) {
    case 'I': r.t = T_INT; break;
    case 'L': r.t = T_LNG; break;
    case 'F': r.t = T_SNG; break;
    case 'D': r.t = T_DBL; break;
    case 'S': r.t = T_STR; st_tmp_ = true; r.lone_tmp = !args_tmp; break;
    case 'N': r.t = args[0].second.t; break;
    case 'X': r.t = args[0].second.t == T_DBL ? T_DBL : T_SNG; break;
    default: r.t = T_INT; break;
  }
  r.c = out;
  return r;
}

// One argument for a parameter: by reference when it is a variable, an element or a field
// of the parameter's own type, else a copy (an expression, or anything in parentheses).
std::string emitter::pass_arg(const param &q, const expr &a) {
  if (q.array) {
    if (a.kind != ek::name || !a.parens || !a.args.empty())
      fail_at(a.start, "expected an array, as " + q.name + "()");
    const var *v = find_array(a.text, a.suffix);
    if (!v) {
      var &nv = array_var(a.text, a.suffix, a.start);
      v = &nv;
    }
    if (!(v->type == q.type) && !(v->type.t == q.type.t && q.type.t != T_REC && q.type.fixed == 0 && v->type.fixed == 0))
      fail_at(a.start, "parameter type mismatch: " + q.name + "() is " + (q.type.t == T_REC ? q.type.rec->name : tname[q.type.t]));
    return v->ref;
  }
  bool by_ref = !a.parenthesised && (a.kind == ek::name || a.kind == ek::field);
  if (by_ref && a.kind == ek::name) {
    std::string full = full_name(a.text, a.suffix);
    if (const_name(a)) by_ref = false;
    // A function's name is a call, but for its own value inside it (the name without arguments).
    if (const procedure *p = ck_.find_proc(a.text))
      if (p->kind != procedure::sub && (sc_->proc != p || a.parens || !a.args.empty())) by_ref = false;
    for (const builtin &b : builtins())
      if (!b.statement && full == b.name) by_ref = false;
  }
  if (q.type.t == T_REC) {
    ex x = by_ref ? lvalue(a) : expression(a);
    if (x.t != T_REC || x.rec != q.type.rec) fail_at(a.start, "parameter type mismatch: " + q.name + " is " + q.type.rec->name);
    return x.c;
  }
  if (q.type.t == T_STR) {
    ex x = expression(a);
    if (x.t != T_STR) fail_at(a.start, "parameter type mismatch: " + q.name + " is a STRING");
    if (!by_ref || a.parenthesised) {
      st_tmp_ = true;
      return "kb_result(" + x.c + ")";
    }
    return x.c;
  }
  ex x = by_ref ? lvalue(a) : expression(a);
  if (!numeric(x.t)) fail_at(a.start, std::string("parameter type mismatch: ") + q.name + " is " + tname[q.type.t]);
  if (by_ref && x.t != q.type.t)
    fail_at(a.start, std::string("parameter type mismatch: ") + q.name + " is " + tname[q.type.t] + ", the argument " + tname[x.t]);
  const char *ct = ctype[q.type.t];
  if (by_ref && x.lk == ex::l_ref) return x.addr;
  if (by_ref && x.lk == ex::l_field) return std::string("kb_cico<") + ct + ">(" + x.addr + ").p()";
  return std::string("kb_val<") + ct + ">{" + conv(value_of(x), q.type.t, a.start).c + "}.p()";
}

ex emitter::call_proc(const procedure &p, const std::vector<const expr *> &args, place at) {
  if (!p.defined) fail_at(at, (p.kind == procedure::sub ? "SUB " : "FUNCTION ") + p.name + " is declared but not defined");
  if (args.size() != p.params.size())
    fail_at(at, "argument-count mismatch: " + p.name + " takes " + std::to_string(p.params.size()) + " argument" +
                    (p.params.size() == 1 ? "" : "s") + ", not " + std::to_string(args.size()));
  std::string list;
  int calling = 0;                  // arguments that call procedures
  for (size_t k = 0; k < args.size(); k++) {
    if (!args[k]) fail_at(at, "argument " + std::to_string(k + 1) + " of " + p.name + " is missing");
    if (p.kind == procedure::def_fn) {
      // DEF FN parameters are values.
      ex x = expression(*args[k]);
      const param &q = p.params[k];
      if ((q.type.t == T_STR) != (x.t == T_STR)) fail_at(args[k]->start, "type mismatch in the argument of " + p.name);
      std::string one = q.type.t == T_STR ? "kb_result(" + x.c + ")" : conv(value_of(x), q.type.t, args[k]->start).c;
      calling += calls_procedure(one);
      list += (k ? ", " : "") + one;
      if (q.type.t == T_STR) st_tmp_ = true;
      continue;
    }
    std::string one = pass_arg(p.params[k], *args[k]);
    calling += calls_procedure(one);
    list += (k ? ", " : "") + one;
  }
  ex r;
  r.t = p.kind == procedure::sub ? T_INT : p.result.t;
  // A function sure to be written out at its calls (or already found to be, like a DEF FN
  // before its use) is named kb_inl_ + its C++ name until then (inline_calls): a statement of
  // such calls is flag-tested like one of numbers.
  bool sure = surely_inline(p) || inline_fns_.count(p.cname);
  r.c = (sure ? "kb_inl_" : "") + p.cname + "(" + list + ")";
  // Arguments of which more than one calls a procedure are worked out left to right, as the
  // dialect does: a braced list is, where C++ leaves a call's arguments in any order.
  if (calling > 1) r.c = "std::apply(" + p.cname + ", std::tuple{" + list + "})";
  if (r.t == T_STR) st_tmp_ = true;
  return r;
}

// ============================================================================ statements

// A loop cut by a chunk's end goes through the dispatch loop twice each pass, so a loop that
// starts in a chunk's second half starts a new chunk, and a cut waits while the code is inside
// a loop (up to four times the usual size, which bounds what one C++ function holds).
void emitter::chunk_break(bool starts_loop) {
  if (in_proc_) return;
  ++statements_in_chunk_;
  bool in_loop = std::any_of(blocks_.begin(), blocks_.end(), [](const open_block &b) {
    return b.kind == "FOR" || b.kind == "DO" || b.kind == "WHILE";
  });
  bool late_loop = starts_loop && !in_loop && statements_in_chunk_ >= chunk_statements / 2;
  if (!late_loop && statements_in_chunk_ < (in_loop ? 4 : 1) * chunk_statements) return;
  statements_in_chunk_ = 0;
  uint32_t id = new_id();
  emit(jump(id));
  body_ += "\x05";
  put_label(id);
}

void emitter::block_stmts(const block &b) {
  for (const stmt_p &s : b) statement(*s);
}

void emitter::goto_stmt(const std::string &label, place at) {
  uint32_t id = label_id(label, at);
  emit("KB_EV(" + std::to_string(line_) + ");");
  emit(jump(id));
}

void emitter::gosub_stmt(const std::string &label, place at) {
  uint32_t id = label_id(label, at);
  uint32_t ret = new_id();
  sc_->return_ids.push_back(ret);
  if (!in_proc_) entered_.insert(ret);
  emit(std::string(in_proc_ ? "KB_GOSUB(" : "gosub_push(") + std::to_string(ret) + ");");
  emit("KB_EV(" + std::to_string(line_) + ");");
  // In the module, a jump that knows its return point: into another chunk it becomes a call
  // of that chunk (see finish_module); to a short routine, a copy of it (see copy_routines).
  auto r = in_proc_ ? routines_.end() : routines_.find(label);
  if (in_proc_) emit(jump(id));
  else if (r != routines_.end())
    emit("\x0e" + std::to_string(id) + "\x07" + std::to_string(ret) + "\x07" + std::to_string(r->second.after) + "\x07" +
         std::to_string(r->second.ret->at.line) + "\x04");
  else emit("\x06" + std::to_string(id) + "\x07" + std::to_string(ret) + "\x04");
  put_label(ret);
}

void emitter::return_stmt(const stmt &s) {
  if (!s.names.empty()) {
    uint32_t id = label_id(s.names[0], s.name_places.empty() ? s.at : s.name_places[0]);
    emit(in_proc_ ? "KB_POP(" + std::to_string(line_) + ")" : "KB_Q(" + std::to_string(line_) + ", kb_rid = kb_return_pop(kb_r))");
    emit("if (kb_rid >= 0) " + jump(id));
    return;
  }
  // The routines this RETURN ends, as written, for their copies (see copy_routines).
  auto ends = in_proc_ ? routine_ends_.end() : routine_ends_.find(&s);
  if (ends != routine_ends_.end())
    for (uint32_t id : ends->second.ids) routine_text_[id] = body_.substr(routine_from_.at(id));
  sc_->has_return = true;
  emit(in_proc_ ? "KB_POP(" + std::to_string(line_) + ")" : "KB_Q(" + std::to_string(line_) + ", kb_rid = kb_return_pop(kb_r))");
  if (in_proc_) {
    emit("if (kb_rid > 0) goto kb_return_dispatch;");
    emit("if (kb_rid == 0) goto kb_exit;");
  } else {
    // A return point in the chunk is a jump, any other id leaves it (see finish_module).
    emit("if (kb_rid >= 0) \x08");
    // Where a copy goes on when its pop fails and the error's handler resumes next.
    if (ends != routine_ends_.end()) put_label(ends->second.after);
  }
}

void emitter::on_jump(const stmt &s, bool gosub) {
  std::string v = int_arg(*s.exprs[0]);
  if (st_tmp_ && !allocates_nothing(v)) emit("KB_S(" + std::to_string(line_) + ", kb_c = (int32_t)kels_cleanup(kels_tmp_base, (uint32_t)(" + v + ")))");
  else emit("KB_S(" + std::to_string(line_) + ", kb_c = " + v + ")");
  emit("if (kb_c < 0 || kb_c > 255) { KB_S(" + std::to_string(line_) + ", error(5)) }");
  std::vector<uint32_t> rets;
  for (size_t k = 0; k < s.names.size(); k++) {
    place at = k < s.name_places.size() ? s.name_places[k] : s.at;
    uint32_t id = label_id(s.names[k], at);
    std::string test = "if (kb_c == " + std::to_string(k + 1) + ") ";
    if (gosub) {
      uint32_t ret = new_id();
      sc_->return_ids.push_back(ret);
      if (!in_proc_) entered_.insert(ret);
      rets.push_back(ret);
      emit(test + "{ " + (in_proc_ ? "KB_GOSUB(" : "gosub_push(") + std::to_string(ret) + "); " + jump(id) + " }");
    } else {
      emit(test + jump(id));
    }
  }
  for (uint32_t ret : rets) put_label(ret);   // every routine returns to the next statement
}

void emitter::exit_stmt(const stmt &s) {
  if (s.text == "SUB" || s.text == "FUNCTION" || s.text == "DEF") {
    if (!sc_->proc) fail_at(s.at, "EXIT " + s.text + " outside a " + s.text);
    bool ok = (s.text == "SUB" && sc_->proc->kind == procedure::sub) ||
              (s.text == "FUNCTION" && sc_->proc->kind == procedure::function) ||
              (s.text == "DEF" && sc_->proc->kind == procedure::def_fn);
    if (!ok) fail_at(s.at, "EXIT " + s.text + " outside a " + s.text);
    emit("goto kb_exit;");
    return;
  }
  for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it)
    if (it->kind == s.text) {
      emit(jump(it->exit_id));
      return;
    }
  fail_at(s.at, "EXIT " + s.text + " outside a " + s.text + " loop");
}

// The fields of a record as (offset, bytes) pieces: each number, fixed-length string and array
// element, nested records' fields in line; false past record_pieces_most of them.
constexpr size_t record_pieces_most = 16;
static bool record_pieces(const record_type &r, uint32_t base, std::vector<std::pair<uint32_t, uint32_t>> &out) {
  for (const field &f : r.fields) {
    uint64_t count = 1;
    for (const auto &[lo, hi] : f.dims) count *= (uint64_t)((int64_t)hi - lo + 1);
    uint32_t each = f.type.t == T_REC ? f.type.rec->size : f.type.bytes();
    for (uint64_t k = 0; k < count; k++) {
      uint32_t at = base + f.offset + (uint32_t)k * each;
      if (f.type.t == T_REC) {
        if (!record_pieces(*f.type.rec, at, out)) return false;
      } else {
        out.push_back({at, each});
      }
      if (out.size() > record_pieces_most) return false;
    }
  }
  return true;
}

void emitter::assign_ex(const ex &target, const ex &e, place at) {
  if (target.t == T_REC) {
    if (e.t != T_REC || e.rec != target.rec) fail_at(at, "type mismatch: a record takes only a record of its own type");
    std::vector<std::pair<uint32_t, uint32_t>> pieces;
    uint64_t covered = 0;
    bool by_fields = record_pieces(*target.rec, 0, pieces);
    for (const auto &piece : pieces) covered += piece.second;
    if (!by_fields || covered != target.rec->size) {   // every byte, or the whole at once
      stmt_code("std::memmove(" + target.c + ", " + e.c + ", " + std::to_string(target.rec->size) + ");");
      return;
    }
    // Field by field: a local record's fields stay the numbers the compiler keeps them as.
    std::string copy = "{ uint8_t *kb_d = " + target.c + "; const uint8_t *kb_s = " + e.c + ";";
    for (const auto &[at, n] : pieces)
      copy += " std::memcpy(kb_d + " + std::to_string(at) + ", kb_s + " + std::to_string(at) + ", " + std::to_string(n) + ");";
    stmt_code(copy + " }");
    return;
  }
  if (target.t == T_STR) {
    if (e.t != T_STR) fail_at(at, "type mismatch: cannot assign a number to a string variable");
    st_tmp_ = true;
    // A$ = A$ + X$ [+ Y$ ...]: the operands appended to A$ in place (strview.h's kb_append).
    std::vector<std::string> ops = target.plain_str_var ? concat_operands(e.c) : std::vector<std::string>();
    if (ops.size() >= 2 && ops[0] == target.c) {
      std::vector<std::string> a;
      if (ops.size() == 2 && whole_call(ops[1], "KB_LIT", a) && a.size() == 2)
        stmt_code("kb_append_txt(" + target.c + ", " + a[0] + ", " + a[1] + ");");
      else if (ops.size() == 2 && whole_call(ops[1], "func_chr", a) && a.size() == 1)
        stmt_code("kb_append_char(" + target.c + ", " + a[0] + ");");
      else {
        std::string list, views;
        for (size_t k = 1; k < ops.size(); k++) {
          list += (k > 1 ? ", " : "") + ops[k];
          views += (k > 1 ? ", " : "") + view_of(ops[k]);
        }
        if (allocates_nothing(views))             // every operand read where it is
          stmt_code("kb_append_views(" + target.c + ", {" + views + "});");
        else
          stmt_code("kb_append(" + target.c + ", {" + list + "});");
      }
    } else if (target.c == "((kels *)kb_fr)") {
      stmt_code("kb_fr.take(" + e.c + ");");     // the FUNCTION's value (kb_value_str)
    } else {
      stmt_code("kb_let_str(" + target.c + ", " + e.c + ");");
    }
    return;
  }
  if (!numeric(e.t)) fail_at(at, "type mismatch: cannot assign a string to a numeric variable");
  if (target.lk == ex::l_field)
    stmt_code(std::string("kb_put<") + ctype[target.t] + ">(" + target.addr + ", " + conv(value_of(e), target.t, at).c + ");");
  else {
    // A value whose making failed leaves the variable as it was.
    std::string head = std::string("{ ") + ctype[target.t] + " kb_v = " + conv(value_of(e), target.t, at).c + "; if (!";
    std::string tail = ") " + target.c + " = kb_v; }";
    std::string flagged = head + "kb_r" + tail;
    stmt_code(flag_checks(flagged).empty() ? head + "new_error" + tail : flagged);
  }
}

void emitter::assign(const ex &target, const expr &value, place at) {
  ex e = expression(value);
  assign_ex(target, e, value.start);
}

void emitter::print_stmt(const stmt &s) {
  st_tmp_ = true;
  if (s.text == "LPRINT") {   // the screen's code, with the printer file as the output
    stmt_code("gfs_print_to_printer(); " + print_code(s) + " kels_cleanup(kels_tmp_base, 0); gfs_print_to(0);");
    return;
  }
  if (s.exprs.size() > 0 && s.exprs[0]) {
    // PRINT #n and WRITE #n: the screen's code, with the file as the output.
    std::string n = int_arg(*s.exprs[0]);
    stmt_code("gfs_print_to(" + n + "); " + print_code(s) + " kels_cleanup(kels_tmp_base, 0); gfs_print_to(0);");
    return;
  }
  stmt_code(print_code(s));
}

// A statement's items in order. A long list is cut into groups of item_group items, each run
// by a lambda of its own that is never inlined: the C++ compiler then sees many small
// functions in place of one body that grows with the list, so its time stays linear in it.
std::string emitter::item_groups(const std::vector<std::string> &items) const {
  std::string code;
  if (items.size() <= (size_t)item_group) {
    for (const std::string &c : items) code += c;
    return code;
  }
  for (size_t k = 0; k < items.size(); k += item_group) {
    code += " [&]() __attribute__((noinline)) {";
    for (size_t i = k; i < items.size() && i < k + item_group; i++) code += items[i];
    code += " }();";
  }
  return code;
}

// The items of PRINT, PRINT USING or WRITE as the statement's code.
std::string emitter::print_code(const stmt &s) {
  std::string code;
  if (s.text == "WRITE") {
    std::vector<std::string> items;
    for (const print_item &it : s.items) {
      if (!it.value) continue;
      ex e = value_of(expression(*it.value));
      std::string c = items.empty() ? "" : " kb_print_raw(kels_new_txt(\",\"));";
      if (e.t == T_STR) c += " kb_print_raw(kels_add(kels_add(kels_new_txt(\"\\\"\"), " + e.c + "), kels_new_txt(\"\\\"\")));";
      else c += std::string(" kb_print_raw(kels_ltrim(kels_str((") + ctype[e.t] + ")(" + e.c + "))));";
      items.push_back(c);
    }
    return item_groups(items) + " kels_print(nothingstring, 1);";
  }
  if (s.exprs.size() > 1 && s.exprs[1]) {
    ex fmt = str_expr(*s.exprs[1]);
    code = "sub_print_using_begin(" + fmt.c + ");";
    bool newline = true;
    std::vector<std::string> items;
    for (const print_item &it : s.items) {
      if (it.value) {
        ex e = value_of(expression(*it.value));
        switch (e.t) {
          case T_STR: items.push_back(" sub_print_using_string(" + e.c + ");"); break;
          case T_INT: case T_LNG: items.push_back(" sub_print_using_integer64((int64_t)(" + e.c + "));"); break;
          case T_SNG: items.push_back(" sub_print_using_single(" + e.c + ");"); break;
          case T_DBL: items.push_back(" sub_print_using_double(" + e.c + ");"); break;
          default: fail_at(it.value->start, "a record cannot be printed");
        }
        newline = true;
      }
      if (it.sep) newline = false;
    }
    code += item_groups(items) + std::string(" sub_print_using_end(") + (newline ? "1" : "0") + ");";
    return code;
  }
  bool newline = true;
  std::vector<std::string> items;
  for (const print_item &it : s.items) {
    std::string c;
    if (it.value) {
      newline = true;
      const expr &v = *it.value;
      if (v.kind == ek::name && (v.text == "TAB" || v.text == "SPC") && !v.suffix && v.parens && v.args.size() == 1) {
        std::string n = int_arg(*v.args[0]);
        c = std::string(" kb_print_raw(") + (v.text == "TAB" ? "func_tab(" : "func_spc(") + n + "));";
      } else {
        ex e = value_of(expression(v));
        if (e.t == T_REC) fail_at(v.at, "a record cannot be printed");
        if (numeric(e.t)) c = std::string(" kb_print(kb_num(kels_str((") + ctype[e.t] + ")(" + e.c + "))));";
        else c = " kb_print(" + e.c + ");";
      }
    }
    if (it.sep == ';') newline = false;
    else if (it.sep == ',') { c += " tab();"; newline = false; }
    if (!c.empty()) items.push_back(c);
  }
  code = item_groups(items);
  if (newline) code += " kels_print(nothingstring, 1);";
  if (code.empty()) code = ";";
  return code;
}

void emitter::input_stmt(const stmt &s) {
  bool line_input = s.kind == sk::line_input;
  if (s.exprs.size() > 0 && s.exprs[0]) {
    // INPUT #n and LINE INPUT #n read the file's items into the variables in order.
    std::string n = int_arg(*s.exprs[0]);
    std::string code, after;
    if (line_input) {
      ex v = lvalue(*s.targets.at(0));
      if (v.t != T_STR) fail_at(s.targets[0]->start, "LINE INPUT needs a string variable");
      st_tmp_ = true;
      stmt_code("gfs_line_input(" + n + ", " + v.c + ");");
      return;
    }
    code = "gfs_input_begin(" + n + ");";
    int k = 0;
    for (const expr_p &t : s.targets) {
      ex v = lvalue(*t);
      std::string kk = std::to_string(++k);
      switch (v.t) {
        case T_STR:
          if (v.fixed) {
            code += " kels *kb_in" + kk + " = kels_new(0, 1); gfs_input_value(input_type_string, kb_in" + kk + "); kels_set(" + v.c + ", kb_in" + kk + ");";
          } else {
            code += " gfs_input_value(input_type_string, " + v.c + ");";
          }
          break;
        case T_REC: fail_at(t->start, "INPUT # cannot read a whole record");
        default: {
          std::string type = v.t == T_INT ? "16" : v.t == T_LNG ? "32" : v.t == T_SNG ? "32 | input_type_float" : "64 | input_type_float";
          if (v.lk == ex::l_field) {
            code += std::string(" { ") + ctype[v.t] + " kb_v = 0; gfs_input_value(" + type + ", &kb_v); kb_put<" + ctype[v.t] + ">(" + v.addr + ", kb_v); }";
          } else {
            code += " gfs_input_value(" + type + ", " + v.addr + ");";
          }
        }
      }
    }
    st_tmp_ = true;
    stmt_code("{ " + code + " }");
    return;
  }
  std::string code;
  bool newline = !s.flag;
  bool question = true;
  if (s.has_prompt) {
    code += "kels_print(kels_new_txt_len(" + c_string(s.text) + ", " + std::to_string(s.text.size()) + "), 0);";
    if (s.prompt_comma) question = false;
    if (line_input) question = false;
  } else if (line_input) {
    question = false;
  }
  if (question) code += " kels_print(kels_new_txt(\"? \"), 0);";
  int n = 0;
  std::string after;
  for (const expr_p &t : s.targets) {
    ex v = lvalue(*t);
    if (++n > 255) fail_at(t->start, "too many variables in one INPUT");
    std::string k = std::to_string(n);
    std::string type;
    switch (v.t) {
      case T_INT: type = "16"; break;
      case T_LNG: type = "32"; break;
      case T_SNG: type = "32 | input_type_float"; break;
      case T_DBL: type = "64 | input_type_float"; break;
      case T_STR: type = "input_type_string"; break;
      default: fail_at(t->start, "INPUT cannot read a whole record");
    }
    if (line_input) {
      if (v.t != T_STR) fail_at(t->start, "LINE INPUT needs a string variable");
      type += " | input_type_line";
    }
    std::string target;
    if (v.t == T_STR) {
      if (v.fixed) {   // read into a string of its own, then assigned (padded or cut)
        std::string tmpv = "kb_in" + k;
        code += " kels *" + tmpv + " = kels_new(0, 1);";
        target = tmpv;
        after += " kels_set(" + v.c + ", " + tmpv + ");";
      } else {
        target = v.c;
      }
    } else if (v.lk == ex::l_field) {
      std::string tmpv = "kb_in" + k;
      code += std::string(" ") + ctype[v.t] + " " + tmpv + " = 0;";
      target = "&" + tmpv;
      after += std::string(" kb_put<") + ctype[v.t] + ">(" + v.addr + ", " + tmpv + ");";
    } else {
      target = v.addr;
    }
    code += " kels_input_variabletypes[" + k + "] = " + type + ";";
    code += " kels_input_variableoffsets[" + k + "] = (void *)" + target + ";";
  }
  code += " kels_input(" + std::to_string(n) + ", " + (newline ? "1" : "0") + "); if (stop_program) end();" + after;
  st_tmp_ = true;
  stmt_code("{" + code + " }");
}

void emitter::if_stmt(const stmt &s) {
  uint32_t end = new_id();
  for (size_t k = 0; k < s.branches.size(); k++) {
    const if_branch &br = s.branches[k];
    uint32_t next = new_id();
    if (br.cond) {
      line_ = br.at.line;
      st_tmp_ = false;
      ex c = num_expr(*br.cond);
      emit_cond(c, br.cond->start);
      emit("if (!kb_c) " + jump(next));
    }
    block_stmts(br.body);
    if (k + 1 < s.branches.size()) emit(jump(end));
    put_label(next);
  }
  put_label(end);
}

void emitter::for_stmt(const stmt &s) {
  const expr &ve = *s.exprs[0];
  if (ve.kind != ek::name || ve.parens) fail_at(ve.at, "expected a simple numeric variable after FOR");
  ex v = lvalue(ve);
  if (!numeric(v.t)) fail_at(ve.at, "FOR needs a numeric variable");
  ex from = num_expr(*s.exprs[1]);
  ex to = num_expr(*s.exprs[2]);
  ex step;
  step.t = T_INT;
  step.c = "(int16_t)1";
  if (s.exprs.size() > 3 && s.exprs[3]) step = num_expr(*s.exprs[3]);
  uint32_t id = new_id(), top = new_id(), exit = new_id();
  std::string e = "kb_fe" + std::to_string(id), st = "kb_fs" + std::to_string(id);
  place step_at = s.exprs.size() > 3 && s.exprs[3] ? s.exprs[3]->start : s.at;
  // A step written as a number has a known sign: one comparison, and the step as a constant.
  int sign = 0;
  const expr *sx = s.exprs.size() > 3 ? s.exprs[3].get() : nullptr;
  bool minus = sx && sx->kind == ek::unary && sx->text == "-" && !sx->args.empty();
  const expr *lit = minus ? sx->args[0].get() : sx;
  if (!sx) sign = 1;
  else if (lit->kind == ek::number && !lit->text.empty() && std::isdigit((unsigned char)lit->text[0]))
    sign = minus && std::strtod(lit->text.c_str(), nullptr) != 0 ? -1 : 1;
  std::string step_value = conv(step, v.t, step_at).c, step_c = sign ? step_value : st;
  std::string decl = std::string(ctype[v.t]) + " " + e + (sign ? "" : ", " + st) + ";\n";
  if (in_proc_) sc_->locals += "  " + decl;
  else {
    globals_ += "static " + decl;
    cacheable_[e] = ctype[v.t];
    if (!sign) cacheable_[st] = ctype[v.t];
  }
  std::string from_c = conv(from, v.t, s.exprs[1]->start).c, to_c = conv(to, v.t, s.exprs[2]->start).c;
  stmt_code(v.c + " = " + from_c + "; " + e + " = " + to_c + ";" +
            (sign ? "" : " " + st + " = " + step_value + ";"));
  size_t loop_at = body_.size();
  put_label(top);
  size_t head_at = body_.size();
  if (sign > 0) emit("if (" + v.c + " > " + e + ") " + jump(exit));
  else if (sign < 0) emit("if (" + v.c + " < " + e + ") " + jump(exit));
  else emit("if (" + st + " >= 0 ? " + v.c + " > " + e + " : " + v.c + " < " + e + ") " + jump(exit));
  size_t body_at = body_.size();
  blocks_.push_back({"FOR", exit});
  block_stmts(s.body);
  blocks_.pop_back();
  size_t next_at = body_.size();
  // NEXT: the line of the NEXT is the statement's end; its place is not kept, so the loop's own.
  std::string inc = v.t == T_INT ? "kb_add<int16_t>(" + v.c + ", " + step_c + ")"
                  : v.t == T_LNG ? "kb_add<int32_t>(" + v.c + ", " + step_c + ")"
                  : v.c + " + " + step_c;
  st_tmp_ = false;
  // A counter that overflows leaves the loop: RESUME NEXT goes on after the NEXT.
  std::string next = v.c + " = " + inc + ";";
  if (!flag_checks(next).empty()) {
    stmt_code(next + " kb_c = !kb_r;");
    emit("if (!kb_c) " + jump(exit));
  } else {
    stmt_code(next);
  }
  int next_line = line_;
  back_edge();
  emit(jump(top));
  // The loop again as a copy whose covered subscripts are checked once, at its entry.
  if (body_.size() > loop_at && next_at >= body_at && (v.t == T_INT || v.t == T_LNG)) {
    for_loop_text l;
    l.head = body_.substr(head_at, body_at - head_at);
    l.body = body_.substr(body_at, next_at - body_at);
    l.next = body_.substr(next_at);
    l.counter = v.c;
    l.end = e;
    l.ctype = ctype[v.t];
    l.sign = sign;
    l.top = top;
    l.next_line = next_line;
    l.wide = "kb_fk" + std::to_string(id);
    l.last = "kb_fl" + std::to_string(id);
    l.from = from_c;
    l.to = to_c;
    if (in_proc_)
      for (const auto &sv : sc_->scalars)
        if (sv.second.ref.compare(0, 3, "(*p") == 0 && numeric(sv.second.type.t) && sv.second.type.t != T_REC)
          l.params[sv.second.ref] = ctype[sv.second.type.t];
    // A loop of a few passes written out (FOR I = 1 TO 4) gains nothing from a copy: its entry
    // test costs what its checks do.
    int64_t from_v = 0, to_v = 0;
    bool short_loop = int_literal(s.exprs[1].get(), from_v) && int_literal(s.exprs[2].get(), to_v) &&
                      std::llabs(to_v - from_v) < 16;
    // The copy works with the step's value: a whole number other than 0 that fits the counter
    // (a step of 0 loops for ever, one that does not fit raises its error at each NEXT).
    int64_t step_v = 1;
    bool step_ok = !sx;
    if (sx && lit->kind == ek::number && !lit->text.empty() && std::isdigit((unsigned char)lit->text[0])) {
      double d = std::strtod(lit->text.c_str(), nullptr) * (minus ? -1 : 1);
      step_ok = d == std::floor(d) && std::fabs(d) <= 32767 && d != 0;
      step_v = (int64_t)d;
    }
    l.step = "(" + l.ctype + ")" + std::to_string(step_v);
    if (!sign) {                    // a step worked out at the loop's entry: the copy takes a positive one
      step_ok = true;
      l.step = st;
    }
    // A loop around loops written twice can spare them their entry tests, however few its passes.
    std::vector<uint32_t> inner;
    for (size_t k = l.body.find('\x01'); k != std::string::npos; k = l.body.find('\x01', k + 1)) {
      uint32_t label = (uint32_t)std::stoul(l.body.substr(k + 1, l.body.find('\x02', k) - k - 1));
      if (loop_copies_.count(label)) inner.push_back(label);
    }
    if (l.body.size() <= 12288 && (!short_loop || !inner.empty()) && step_ok) {
      std::string both = version_for_loop(l, [this] { return new_id(); }, loop_copies_);
      // The copies are kept only for the FOR directly around them.
      bool in_for = false;
      for (const open_block &b : blocks_) in_for = in_for || b.kind == "FOR";
      if (!in_for && !both.empty()) loop_copies_.erase((uint32_t)std::stoul(both.substr(1, both.find('\x02') - 1)));
      if (!both.empty()) {
        body_ = body_.substr(0, loop_at) + both;
        for (const std::string &n : {l.wide, l.last}) {
          if (in_proc_) sc_->locals += "  int64_t " + n + ";\n";
          else {
            globals_ += "static int64_t " + n + ";\n";
            cacheable_[n] = "int64_t";
          }
        }
      }
    }
    for (uint32_t label : inner) loop_copies_.erase(label);
  }
  put_label(exit);
}

void emitter::do_stmt(const stmt &s) {
  uint32_t top = new_id(), exit = new_id();
  put_label(top);
  if (!s.text.empty() && s.exprs.size() > 0 && s.exprs[0]) {
    st_tmp_ = false;
    ex c = num_expr(*s.exprs[0]);
    emit_cond(c, s.exprs[0]->start);
    emit(std::string(s.text == "WHILE" ? "if (!kb_c) " : "if (kb_c) ") + jump(exit));
  }
  blocks_.push_back({"DO", exit});
  block_stmts(s.body);
  blocks_.pop_back();
  if (!s.text2.empty() && s.exprs.size() > 1 && s.exprs[1]) {
    st_tmp_ = false;
    ex c = num_expr(*s.exprs[1]);
    emit_cond(c, s.exprs[1]->start);
    back_edge();
    emit(std::string(s.text2 == "WHILE" ? "if (kb_c) " : "if (!kb_c) ") + jump(top));
  } else {
    back_edge();
    emit(jump(top));
  }
  put_label(exit);
}

void emitter::while_stmt(const stmt &s) {
  uint32_t top = new_id(), exit = new_id();
  put_label(top);
  st_tmp_ = false;
  ex c = num_expr(*s.exprs[0]);
  emit_cond(c, s.exprs[0]->start);
  emit("if (!kb_c) " + jump(exit));
  blocks_.push_back({"WHILE", exit});
  block_stmts(s.body);
  blocks_.pop_back();
  back_edge();
  emit(jump(top));
  put_label(exit);
}

void emitter::select_stmt(const stmt &s) {
  ex e = value_of(expression(*s.exprs[0]));
  if (e.t == T_REC) fail_at(s.exprs[0]->start, "SELECT CASE cannot test a record");
  uint32_t id = new_id(), end = new_id();
  // A switch on a variable reads it once, as the copy would: no copy to keep (a copy is one
  // more number the loop around the SELECT holds, saved and read again with the others).
  if ((e.t == T_INT || e.t == T_LNG) && !e.c.empty() && !std::isdigit((unsigned char)e.c[0]) &&
      std::all_of(e.c.begin(), e.c.end(), [](char ch) { return std::isalnum((unsigned char)ch) || ch == '_'; }) &&
      select_switch(s, e.c, e.t, end))
    return;
  // A string variable tested only against literals is read in place: the tests come before
  // any case's statements and change nothing, so a copy would hold the same text.
  auto ident = [](const std::string &c) {
    return !c.empty() && !std::isdigit((unsigned char)c[0]) &&
           std::all_of(c.begin(), c.end(), [](char ch) { return std::isalnum((unsigned char)ch) || ch == '_'; });
  };
  bool literals = true;
  for (const case_branch &cb : s.cases)
    for (const case_test &t : cb.tests)
      literals = literals && t.a && t.a->kind == ek::string && (!t.b || t.b->kind == ek::string);
  if (e.t == T_STR && literals && s.exprs[0]->kind == ek::name && !s.exprs[0]->parens &&
      (ident(e.c) || (e.c.compare(0, 9, "((kels *)") == 0 && e.c.back() == ')' && ident(e.c.substr(9, e.c.size() - 10))))) {
    select_tests(s, e, end);
    return;
  }
  std::string sel = "kb_sel" + std::to_string(id);
  if (e.t == T_STR) {
    if (in_proc_) sc_->locals += "  kb_local_str " + sel + ";\n";
    else {
      globals_ += "static kels *" + sel + ";\n";
      init_ += "  " + sel + " = kels_new(0, 0);\n";
    }
    st_tmp_ = true;
    stmt_code("kels_set(" + sel + ", " + e.c + ");");
  } else {
    std::string decl = std::string(ctype[e.t]) + " " + sel + ";\n";
    if (in_proc_) sc_->locals += "  " + decl;
    else {
      globals_ += "static " + decl;
      cacheable_[sel] = ctype[e.t];
    }
    stmt_code(sel + " = " + e.c + ";");
  }
  ex selx;
  selx.t = e.t;
  selx.c = e.t == T_STR ? "((kels *)" + sel + ")" : sel;
  if (select_switch(s, sel, e.t, end)) return;
  select_tests(s, selx, end);
}

// The CASEs of a SELECT as tests in order of the selector selx, then END SELECT's label.
void emitter::select_tests(const stmt &s, const ex &selx, uint32_t end) {
  for (const case_branch &cb : s.cases) {
    uint32_t next = new_id();
    line_ = cb.at.line;
    if (!cb.is_else) {
      st_tmp_ = false;
      std::string cond;
      for (const case_test &t : cb.tests) {
        std::string one;
        if (t.kind == case_test::is) {
          one = binop(t.op, selx, value_of(expression(*t.a)), t.at).c;
        } else if (t.kind == case_test::range) {
          ex lo = value_of(expression(*t.a)), hi = value_of(expression(*t.b));
          one = "(" + binop(">=", selx, lo, t.at).c + " && " + binop("<=", selx, hi, t.at).c + ")";
        } else {
          one = binop("=", selx, value_of(expression(*t.a)), t.at).c;
        }
        cond += (cond.empty() ? "" : " || ") + std::string("(") + one + ")";
      }
      ex c;
      c.t = T_INT;
      c.c = cond;
      emit_cond(c, cb.at);
      emit("if (!kb_c) " + jump(next));
    }
    block_stmts(cb.body);
    emit(jump(end));
    put_label(next);
  }
  put_label(end);
}

// SELECT CASE on an INTEGER or LONG whose cases are whole numbers written out (single values
// and short ranges) is a C++ switch: one jump through a table instead of a test per case. A
// value that an earlier case already takes goes to that earlier case, as the tests in order do.
bool emitter::select_switch(const stmt &s, const std::string &sel, ty t, uint32_t end) {
  if (t != T_INT && t != T_LNG) return false;
  auto literal = [&](const expr *x, int64_t &v) { return int_literal(x, v) && (t == T_LNG || (v >= -32768 && v <= 32767)); };
  for (size_t k = 0; k + 1 < s.cases.size(); k++)
    if (s.cases[k].is_else) return false;      // cases after CASE ELSE are never reached
  std::vector<std::vector<int64_t>> values(s.cases.size());
  size_t labels = 0;
  for (size_t k = 0; k < s.cases.size(); k++) {
    const case_branch &cb = s.cases[k];
    if (cb.is_else) continue;
    for (const case_test &ct : cb.tests) {
      int64_t a = 0, b = 0;
      if (ct.kind == case_test::is || !ct.a || !literal(ct.a.get(), a)) return false;
      if (ct.kind == case_test::range) {
        if (!ct.b || !literal(ct.b.get(), b) || b - a > 64) return false;
      } else {
        b = a;
      }
      for (int64_t v = a; v <= b; v++) values[k].push_back(v);
      labels += b >= a ? (size_t)(b - a + 1) : 0;
      if (labels > 1024) return false;
    }
  }
  std::vector<uint32_t> body(s.cases.size());
  uint32_t other = end;
  std::string table;
  std::set<int64_t> taken;
  for (size_t k = 0; k < s.cases.size(); k++) {
    body[k] = new_id();
    if (s.cases[k].is_else) { if (other == end) other = body[k]; continue; }
    for (int64_t v : values[k])
      if (taken.insert(v).second) table += " case " + std::to_string(v) + ": " + jump(body[k]);
  }
  emit("switch (" + sel + ") {" + table + " default: " + jump(other) + " }");
  for (size_t k = 0; k < s.cases.size(); k++) {
    line_ = s.cases[k].at.line;
    put_label(body[k]);
    block_stmts(s.cases[k].body);
    emit(jump(end));
  }
  put_label(end);
  return true;
}

void emitter::dim_stmt(const stmt &s, bool redim) {
  for (const decl &d : s.decls) {
    vtype t;
    bool has_as = d.as.kind != type_name::none;
    if (has_as) {
      t = ck_.resolve(d.as, int_consts_);
      if (d.suffix && (t.t == T_REC || suffix_type(d.suffix) != t.t || t.fixed))
        fail_at(d.as.at, "the suffix of " + d.name + " does not match AS " + (t.t == T_REC ? t.rec->name : tname[t.t]));
      auto &as = d.array ? sc_->as_array : sc_->as_scalar;
      auto prev = as.find(d.name);
      if (prev != as.end() && !(prev->second == t) && !redim) fail_at(d.at, "duplicate definition of " + d.name);
      if (!d.array && !d.suffix) {
        auto used = sc_->scalars.find(d.name + tsuffix[default_type(d.name)]);
        if (prev == as.end() && used != sc_->scalars.end() && !(t.t == used->second.type.t && !t.fixed))
          fail_at(d.at, "duplicate definition: " + d.name + " was already used as " + tname[used->second.type.t]);
      }
      if (!d.suffix) as[d.name] = t;
    }
    bool shared = s.kind == sk::common ? s.flag : s.flag;
    if (d.array) {
      if (!has_as) t = array_type(d.name, d.suffix, d.at);
      std::string key = key_of(d.name, t);
      bool exists = sc_->arrays.count(key) > 0;
      var &v = array_var(d.name, d.suffix, d.at, !redim);   // REDIM in a SUB reaches a shared array
      if (shared) v.shared = true;
      if (d.bounds.empty()) {
        if (redim) fail_at(d.at, "REDIM needs the new bounds");
        (void)exists;
        continue;   // DIM A() or COMMON A(): declared, dimensioned later by REDIM
      }
      std::string l, u;
      for (size_t k = 0; k < d.bounds.size(); k++) {
        if (k >= (size_t)max_dims) fail_at(d.at, "an array has at most 8 dimensions");
        std::string lo = d.bounds[k].first ? int_arg(*d.bounds[k].first) : "kb_option_base";
        std::string hi = int_arg(*d.bounds[k].second);
        l += (k ? ", " : "") + lo;
        u += (k ? ", " : "") + hi;
      }
      bool dynamic = redim || dynamic_;
      if (!dynamic)
        for (auto &b : d.bounds)
          for (const expr *x : {b.first.get(), b.second.get()})
            if (x && x->kind != ek::number && !(x->kind == ek::unary && x->args[0]->kind == ek::number) && !const_name(*x))
              dynamic = true;
      // The shape a chunk's views may take as known (kb_shape): the same constant bounds at every
      // DIM of a module array, and never a REDIM.
      std::vector<std::pair<int64_t, int64_t>> shape;
      for (auto &b : d.bounds) {
        int64_t lo = 0, hi = 0;
        bool known = b.first ? int_constant(*b.first, lo) : (lo = option_base_, true);
        if (!known || !int_constant(*b.second, hi) || hi < lo || hi - lo >= 65536) break;
        shape.push_back({lo, hi - lo + 1});
      }
      if (!in_proc_) dimmed_.insert(v.ref);
      if (redim || in_proc_ || shape.size() != d.bounds.size() || (fixed_shapes_.count(v.ref) && fixed_shapes_[v.ref] != shape))
        unfixed_.insert(v.ref);
      else
        fixed_shapes_[v.ref] = shape;
      if (redim) stmt_code("kb_redim(" + v.ref + ", " + (s.flag2 ? "true" : "false") + ", {" + l + "}, {" + u + "});");
      else if (dynamic) stmt_code(v.ref + ".dynamic = 1; kb_dim(" + v.ref + ", {" + l + "}, {" + u + "});");
      else stmt_code("kb_dim(" + v.ref + ", {" + l + "}, {" + u + "});");
    } else {
      if (redim) fail_at(d.at, "REDIM needs an array");
      if (!has_as) t = scalar_type(d.name, d.suffix, d.at);
      var &v = scalar(d.name, d.suffix, d.at);
      if (shared) v.shared = true;
    }
  }
}

void emitter::graphics_stmt(const stmt &s) {
  const graphics_args &g = s.g;
  auto f = [&](const expr_p &e) { return arg_as(num_expr(*e), 'f', e->start); };
  auto opt = [&](size_t k, char kind, std::string &out) -> bool {
    if (k >= g.rest.size() || !g.rest[k]) return false;
    out = arg_as(num_expr(*g.rest[k]), kind, g.rest[k]->start);
    return true;
  };
  const std::string &kw = s.text;
  if (kw == "LINE") {
    std::string s1 = g.step1 ? "1" : "0", x1 = "0", y1 = "0", colour = "0", style = "0";
    int passed = 0, kind = g.box == "B" ? 1 : g.box == "BF" ? 2 : 0;
    if (g.has_first) { x1 = f(g.x1); y1 = f(g.y1); passed |= 1; }
    std::string x2 = f(g.x2), y2 = f(g.y2);
    if (opt(0, 'u', colour)) passed |= 2;
    if (opt(1, 'u', style)) passed |= 4;
    stmt_code("sub_line(" + s1 + ", " + x1 + ", " + y1 + ", " + std::string(g.step2 ? "1" : "0") + ", " + x2 + ", " + y2 + ", " +
              colour + ", " + std::to_string(kind) + ", " + style + ", " + std::to_string(passed) + ");");
    return;
  }
  if ((kw == "PSET" || kw == "PRESET") && !g.step1) {
    // Whole-number coordinates take the inline path.
    ex ex_x = value_of(num_expr(*g.x1)), ex_y = value_of(num_expr(*g.y1));
    if (ex_x.t <= T_LNG && ex_y.t <= T_LNG) {
      std::string colour = "0";
      int passed = opt(0, 'u', colour) ? 1 : 0;
      stmt_code("kb_pset_at((int32_t)(" + ex_x.c + "), (int32_t)(" + ex_y.c + "), " + colour + ", " + std::to_string(passed) + ", " +
                (kw == "PSET" ? "false" : "true") + ");");
      return;
    }
  }
  std::string st = g.step1 ? "1" : "0", x = f(g.x1), y = f(g.y1);
  if (kw == "PSET" || kw == "PRESET") {
    std::string colour = "0";
    int passed = opt(0, 'u', colour) ? 1 : 0;
    stmt_code(std::string(kw == "PSET" ? "kelg_pset(" : "sub_preset(") + st + ", " + x + ", " + y + ", " + colour + ", " +
              std::to_string(passed) + ");");
    return;
  }
  if (kw == "CIRCLE") {
    if (g.rest.empty() || !g.rest[0]) fail_at(s.at, "CIRCLE needs a radius");
    std::string radius = arg_as(num_expr(*g.rest[0]), 'd', g.rest[0]->start);
    std::string v[4] = {"0", "0", "0", "0"};
    const char kinds[4] = {'u', 'd', 'd', 'd'};
    int passed = 0;
    for (int k = 0; k < 4; k++)
      if (opt((size_t)k + 1, kinds[k], v[k])) passed |= 1 << k;
    stmt_code("sub_circle(" + st + ", " + x + ", " + y + ", " + radius + ", " + v[0] + ", " + v[1] + ", " + v[2] + ", " + v[3] +
              ", " + std::to_string(passed) + ");");
    return;
  }
  std::string fill = "0", border = "0", bg = "nullptr";
  int passed = 0;
  if (g.rest.size() > 0 && g.rest[0]) {
    ex fe = value_of(expression(*g.rest[0]));
    if (fe.t == T_STR) {   // a tile
      std::string border_tile = "0", bg_tile = "nullptr";
      int tile_passed = 0;
      if (opt(1, 'u', border_tile)) tile_passed |= 2;
      if (g.rest.size() > 2 && g.rest[2]) { bg_tile = str_expr(*g.rest[2]).c; tile_passed |= 4; }
      st_tmp_ = true;
      stmt_code("sub_paint_tile(" + st + ", " + x + ", " + y + ", " + fe.c + ", " + border_tile + ", " + bg_tile + ", " +
                std::to_string(tile_passed) + ");");
      return;
    }
    fill = arg_as(fe, 'u', g.rest[0]->start);
    passed |= 1;
  }
  if (opt(1, 'u', border)) passed |= 2;
  if (g.rest.size() > 2 && g.rest[2]) {
    bg = str_expr(*g.rest[2]).c;
    passed |= 4;
    st_tmp_ = true;
  }
  stmt_code("sub_paint(" + st + ", " + x + ", " + y + ", " + fill + ", " + border + ", " + bg + ", " + std::to_string(passed) + ");");
}

void emitter::call_stmt(const stmt &s) {
  const procedure *p = ck_.find_proc(s.text);
  if (!p || p->kind != procedure::sub) {
    if (p) fail_at(s.at, s.text + " is a FUNCTION; use it in an expression");
    if (!s.flag) fail_at(s.at, "unknown statement " + full_name(s.text, s.suffix));
    fail_at(s.at, "subprogram " + full_name(s.text, s.suffix) + " not defined");
  }
  if (s.suffix) fail_at(s.at, "a SUB's name takes no suffix");
  std::vector<const expr *> args;
  for (auto &a : s.exprs) args.push_back(a.get());
  ex call = call_proc(*p, args, s.at);
  stmt_code(call.c + ";");
}

void emitter::read_stmt(const stmt &s) {
  for (const expr_p &t : s.targets) {
    st_tmp_ = true;
    ex v = lvalue(*t);
    switch (v.t) {
      case T_STR: stmt_code("kb_read_string(" + v.c + ");"); break;
      case T_REC: fail_at(t->start, "READ cannot read a whole record");
      default:
        if (v.lk == ex::l_field) stmt_code(std::string("kb_put<") + ctype[v.t] + ">(" + v.addr + ", kb_read<" + ctype[v.t] + ">());");
        else stmt_code(v.c + " = kb_read<" + ctype[v.t] + ">();");
    }
  }
}

void emitter::shared_stmt(const stmt &s) {
  if (!sc_->proc) fail_at(s.at, "SHARED is allowed only inside a procedure");
  for (const decl &d : s.decls) {
    scope *inner = sc_;
    sc_ = &module_;
    vtype t;
    if (d.as.kind != type_name::none) {
      t = ck_.resolve(d.as, int_consts_);
      if (!d.suffix) (d.array ? module_.as_array : module_.as_scalar).emplace(d.name, t);
    }
    std::string key;
    if (d.array) {
      var &v = array_var(d.name, d.suffix, d.at);
      key = key_of(d.name, v.type) + "()";
      if (!d.suffix) inner->as_array[d.name] = v.type;
    } else {
      var &v = scalar(d.name, d.suffix, d.at);
      key = key_of(d.name, v.type);
      if (!d.suffix) inner->as_scalar[d.name] = v.type;
    }
    sc_ = inner;
    sc_->shared.insert(key);
  }
}

void emitter::declare_locals(const stmt &s, bool is_static) {
  for (const decl &d : s.decls) {
    vtype t;
    if (d.as.kind != type_name::none) {
      t = ck_.resolve(d.as, int_consts_);
      if (!d.suffix) (d.array ? sc_->as_array : sc_->as_scalar)[d.name] = t;
    }
    bool saved = sc_->all_static;
    sc_->all_static = is_static || saved;
    if (d.array) {
      var &v = array_var(d.name, d.suffix, d.at, true);
      if (!d.bounds.empty()) {
        std::string l, u;
        for (size_t k = 0; k < d.bounds.size(); k++) {
          l += (k ? ", " : "") + (d.bounds[k].first ? int_arg(*d.bounds[k].first) : std::string("kb_option_base"));
          u += (k ? ", " : "") + int_arg(*d.bounds[k].second);
        }
        if (is_static) stmt_code("if (!" + v.ref + ".data) kb_dim(" + v.ref + ", {" + l + "}, {" + u + "});");
        else stmt_code("kb_dim(" + v.ref + ", {" + l + "}, {" + u + "});");
      }
    } else {
      scalar(d.name, d.suffix, d.at);
    }
    sc_->all_static = saved;
  }
}

// The assignments in a FUNCTION's body after which nothing runs but its end: the last
// statement of the body (labels aside), or of a branch of an IF or SELECT that is, and one
// followed by EXIT FUNCTION.
static void mark_tails(const block &b, bool at_end, std::set<const stmt *> &tails) {
  for (size_t k = 0; k < b.size(); k++) {
    const stmt &st = *b[k];
    size_t n = k + 1;
    while (n < b.size() && b[n]->kind == sk::label) n++;
    bool ends = n < b.size() ? b[n]->kind == sk::exit_ && b[n]->text == "FUNCTION" : at_end;
    if (st.kind == sk::assign && ends) tails.insert(&st);
    for (const if_branch &br : st.branches) mark_tails(br.body, ends && st.kind == sk::if_, tails);
    for (const case_branch &c : st.cases) mark_tails(c.body, ends && st.kind == sk::select, tails);
    if (st.kind == sk::for_ || st.kind == sk::do_ || st.kind == sk::while_) mark_tails(st.body, false, tails);
  }
}

// FuncName = G(args) where the assignment ends the FUNCTION and G gives a number of its type:
// the arguments are worked out as the statement (with its own errors and its event test), and
// then the function returns what the call returns, which the C++ compiler makes a jump. The
// event test after the call is the caller's, after this function returns with nothing run in
// between.
bool emitter::tail_call(const stmt &s) {
  if (!in_proc_ || !sc_->proc || sc_->proc->kind != procedure::function) return false;
  ex target = lvalue(*s.exprs[0]);
  if (target.c != "kb_fr" || !numeric(target.t)) return false;
  const expr &v = *s.exprs[1];
  const procedure *g = v.kind == ek::name ? ck_.find_proc(v.text) : nullptr;
  if (!g || g->kind != procedure::function || g->result.t != target.t || !v.parens) return false;
  for (const param &q : g->params)
    if (q.array || !numeric(q.type.t) || q.type.t == T_REC) return false;
  std::string saved_body = body_;
  bool saved_tmp = st_tmp_;
  st_tmp_ = false;
  ex e = expression(v);
  std::string head = g->cname + "(";
  if (st_tmp_ || e.t != target.t || e.c.compare(0, head.size(), head) != 0 || closing_paren(e.c, head.size() - 1) != e.c.size() - 1 ||
      body_ != saved_body) {
    st_tmp_ = saved_tmp;
    body_ = saved_body;
    return false;                                  // written the usual way (the caller emits it again)
  }
  std::vector<std::string> args = call_args(e.c.substr(head.size(), e.c.size() - head.size() - 1));
  std::string decls, code, call;
  for (size_t k = 0; k < args.size(); k++) {
    std::string a = trimmed(args[k]), value = copied_value(a), t = "kb_t" + std::to_string(k);
    if (!value.empty()) {
      std::string type = a.substr(7, a.find('>') - 7);   // kb_val<T>{…}.p()
      decls += type + " " + t + "; ";
      code += t + " = " + value + "; ";
      a = "kb_val<" + type + ">{" + t + "}.p()";
    } else if (!std::all_of(a.begin() + (a[0] == '&'), a.end(), ident_char)) {
      st_tmp_ = saved_tmp;
      body_ = saved_body;
      return false;                                  // an element or a field: the usual way
    }
    call += (k ? ", " : "") + a;
  }
  call = head + call + ")";
  // The statement tests the event word: a function that calls itself so is a loop, whose
  // jump back must see events.
  emit("{ " + decls + "bool kb_ok = false;");
  emit("KB_T(" + std::to_string(line_) + ", kb_ok, " + code + ")");
  emit("if (kb_ok) return " + call + "; }");
  return true;
}

static std::string fast_statements(const std::string &code, bool recursive);   // below, with the chunks' loops
constexpr size_t fast_all_lines = 40;   // a procedure this short has all its statements in fast form
// The general registers a call preserves on x86-64 (rbx, rbp, r12 to r15; no vector register is).
constexpr size_t call_preserved_registers = 6;

void emitter::procedure_def(const stmt &s) {
  const procedure *p = ck_.find_proc(s.text);
  scope ps;
  ps.proc = p;
  ps.def = &s;
  ps.labels = &ck_.proc_labels[&s];
  ps.all_static = p->is_static;
  scope *outer = sc_;
  std::string outer_body;
  outer_body.swap(body_);
  auto outer_blocks = blocks_;
  blocks_.clear();
  sc_ = &ps;
  in_proc_ = true;
  // Parameters.
  std::string params, pre;
  by_value_proc byv;
  auto add_param = [&](const std::string &type, const std::string &name, bool number) {
    params += std::string(params.empty() ? "" : ", ") + glued(type, name);
    byv.types.push_back(type);
    byv.names.push_back(name);
    byv.number.push_back(number);
  };
  for (size_t k = 0; k < p->params.size(); k++) {
    const param &q = p->params[k];
    std::string c = new_cname("p", q.name);
    var v;
    v.type = q.type;
    std::string key = key_of(q.name, q.type);
    if (!q.suffix && (q.type.t == T_REC || q.type.t != default_type(q.name) || q.type.fixed))
      (q.array ? ps.as_array : ps.as_scalar)[q.name] = q.type;
    if (q.array) {
      add_param("kb_arr &", c, false);
      v.array = true;
      v.ref = c;
      ps.arrays[key] = v;
      continue;
    }
    if (p->kind == procedure::def_fn) {
      if (q.type.t == T_STR) {
        add_param("kels *", c + "_in", false);
        pre += "  kb_param_str " + c + "(" + c + "_in);\n";
        v.ref = "((kels *)" + c + ")";
      } else {
        add_param(ctype[q.type.t], c, false);
        v.ref = c;
        v.addr = "&" + c;
      }
    } else if (q.type.t == T_REC) {
      add_param("uint8_t *", c, false);
      v.ref = c;
    } else if (q.type.t == T_STR) {
      add_param("kels *", c + "_in", false);
      pre += "  kb_param_str " + c + "(" + c + "_in);\n";
      v.ref = "((kels *)" + c + ")";
    } else {
      add_param(std::string(ctype[q.type.t]) + " *", c, true);
      v.ref = "(*" + c + ")";
      v.addr = c;
    }
    ps.scalars[key] = v;
  }
  line_ = s.at.line;
  tail_.clear();
  if (p->kind == procedure::function) mark_tails(s.body, true, tail_);
  block_stmts(s.body);
  std::string ret_type = p->kind == procedure::sub ? "void" : p->result.t == T_STR ? "kels *" : ctype[p->result.t];
  std::string out = "[[maybe_unused]] static " + ret_type + " " + p->cname + "(" + params + ") {\n";
  out += "  kb_frame kb_fr_depth;\n" + pre;
  if (p->kind != procedure::sub) {
    if (p->result.t == T_STR) out += "  kb_value_str kb_fr;\n";
    else out += std::string("  ") + ctype[p->result.t] + " kb_fr = 0;\n";
  }
  if (p->kind == procedure::def_fn && s.exprs.size() > 0 && s.exprs[0]) {
    // The single-line form: the function's value is the expression.
    st_tmp_ = false;
    ex e = expression(*s.exprs[0]);
    ex target;
    target.t = p->result.t;
    if (target.t == T_STR) { target.c = "((kels *)kb_fr)"; target.lk = ex::l_str; }
    else { target.c = "kb_fr"; target.lk = ex::l_ref; }
    line_ = s.at.line;
    assign_ex(target, e, s.exprs[0]->start);
  }
  out += ps.locals;
  out += "  uint32_t kels_tmp_base = kels_tmp_list_nexti;\n  (void)kels_tmp_base;\n";
  out += "  [[maybe_unused]] int32_t kb_c = 0;\n  [[maybe_unused]] int64_t kb_rid = 0;\n  [[maybe_unused]] kb_pixels kb_pw, kb_pr;\n";
  std::string fbody = finish_proc_body(body_);
  // Written out at its calls as it is (the copy's statements get their fast forms in the loop
  // they land in); the procedure's own body in fast forms.
  inline_candidate(*p, ps, fbody);
  fbody = fast_statements(fbody, names_ident(fbody, p->cname) || names_ident(fbody, p->cname + "_v"));
  // A call whose arguments raised an error does not run: the error is the calling statement's.
  out += "  if (__builtin_expect(new_error != 0, 0)) goto kb_exit;\n" + fbody;
  if (ps.has_return) {
    out += "kb_return_dispatch:\n  switch (kb_rid) {\n";
    for (uint32_t id : ps.return_ids) out += "    case " + std::to_string(id) + ": goto L" + std::to_string(id) + ";\n";
    out += "    default: break;\n  }\n";
  }
  // The latest GOSUB's point in a register where nothing but the procedure's own statements
  // can look at the stack (see KB_GOSUB): no call, whose statements would push and pop there.
  bool lazy = !ps.return_ids.empty() && !calls_procedure(fbody);
  out += "  goto kb_exit;\nkb_exit:;\n";
  if (lazy) {
    static const char *lazy_macros =
        "#undef KB_LAZY\n#undef KB_GOSUB\n#undef KB_POP\n"
        "#define KB_LAZY KB_LAZY_PUSH\n#define KB_GOSUB(id) KB_GOSUB_HELD(id)\n#define KB_POP(line) KB_POP_HELD(line)\n"
        "  uint32_t kb_gp = 0;           // a return point not yet pushed (see KB_GOSUB)\n";
    size_t open = out.find("{\n") + 2;
    out.insert(open, lazy_macros);
    out += "  KB_LAZY\n";               // one left open stays on the stack, as when pushed
  }
  if (p->kind != procedure::sub) out += p->result.t == T_STR ? "  return kb_result(kb_fr);\n" : "  return kb_fr;\n";
  if (lazy) out += "#undef KB_LAZY\n#undef KB_GOSUB\n#undef KB_POP\n"
                   "#define KB_LAZY\n#define KB_GOSUB(id) KB_GOSUB_PUSHED(id)\n#define KB_POP(line) KB_POP_PUSHED(line)\n";
  out += "}\n";
  proc_starts_.push_back(procs_.size());
  procs_ += "\n" + out;
  protos_ += "static " + ret_type + " " + p->cname + "(" + params + ");\n";
  byv.ret = ret_type;
  byv.entries = p->kind != procedure::def_fn && out.size() <= by_value_bytes &&
                std::find(byv.number.begin(), byv.number.end(), true) != byv.number.end();
  by_value_procs_[p->cname] = std::move(byv);
  body_.swap(outer_body);
  blocks_ = outer_blocks;
  sc_ = outer;
  in_proc_ = false;
}

// A FUNCTION or DEF FN is written out at its calls (see inline_calls) when it is a value of
// its numeric parameters and nothing else: no locals, arrays, SHARED variables, calls, jumps,
// strings or graphics, its statements each a line of numbers (KB_Q, or KB_S, whose event test
// then looks at the caller's events as a call's test after it did), numbered lines kept. A
// call costs the caller saving and reading again every number it keeps, which is most of a
// short function's time.
void emitter::inline_candidate(const procedure &p, const scope &ps, const std::string &body) {
  if (p.kind == procedure::sub || !numeric(p.result.t) || p.result.t == T_REC || !ps.locals.empty() || ps.has_return ||
      !ps.arrays.empty() || !ps.shared.empty() || ps.scalars.size() != p.params.size() || body.size() > 2000)
    return;
  inline_fn f;
  f.ctype = ctype[p.result.t];
  f.by_ref = p.kind != procedure::def_fn;
  for (const param &q : p.params) {
    if (q.array || !numeric(q.type.t) || q.type.t == T_REC) return;
    auto v = ps.scalars.find(key_of(q.name, q.type));
    if (v == ps.scalars.end()) return;
    std::string c = f.by_ref ? v->second.addr : v->second.ref;
    if (c.empty() || !std::all_of(c.begin(), c.end(), ident_char)) return;
    f.params.push_back({c, ctype[q.type.t]});
  }
  // Strings anywhere (kels_…, kb_lit…): a function's statement frees the temporaries made since
  // kels_tmp_base, which written out in a caller's statement would be the caller's too.
  if (body.find("kels") != std::string::npos || body.find("KB_LIT") != std::string::npos) return;
  for (const char *w : {"goto", "return", "throw", "kb_exit", "kb_c", "kb_rid", "kb_pw", "kb_pr", "kb_frame"})
    if (names_ident(body, w)) return;
  for (const std::string &c : proc_cnames_)
    if (names_ident(body, c)) return;
  std::string line;
  for (size_t k = 0; k < body.size();) {
    size_t e = body.find('\n', k);
    if (e == std::string::npos) e = body.size();
    std::string l = body.substr(k, e - k);
    k = e + 1;
    l.erase(0, l.find_first_not_of(' '));
    if (l.empty()) continue;
    bool numbered = l.compare(0, 12, "last_line = ") == 0 || l.compare(0, 14, "if (kb_tron) k") == 0;   // ERL, TRON
    if (l.compare(0, 5, "KB_Q(") != 0 && l.compare(0, 5, "KB_S(") != 0 && !numbered) return;
    line += l + " ";
  }
  if (line.empty()) return;
  f.body = line;
  inline_fns_[p.cname] = f;
}

// Labels of a procedure's body: placements of used labels become C++ labels, jumps gotos.
std::string emitter::finish_proc_body(const std::string &body) {
  std::set<std::string> used;
  for (size_t k = 0; k < body.size(); k++)
    if (body[k] == '\x03') used.insert(body.substr(k + 1, body.find('\x04', k) - k - 1));
  for (uint32_t id : sc_->return_ids) used.insert(std::to_string(id));
  std::string out;
  for (size_t k = 0; k < body.size(); k++) {
    char ch = body[k];
    if (ch == '\x01' || ch == '\x03') {
      size_t e = body.find(ch == '\x01' ? '\x02' : '\x04', k);
      std::string id = body.substr(k + 1, e - k - 1);
      k = e;
      if (ch == '\x01') { if (used.count(id)) out += "L" + id + ":;\n"; }
      else out += "goto L" + id + ";";
      continue;
    }
    out += ch;
  }
  return out;
}

void emitter::statement(const stmt &s) {
  line_ = s.at.line;
  st_tmp_ = false;
  if (s.kind != sk::label) last_line_ = line_;
  switch (s.kind) {
    case sk::label: {
      uint32_t id = label_id(s.text, s.at);
      if (info_ && !in_proc_) info_->labels.push_back(s.text);
      put_label(id);
      if (!in_proc_ && routines_.count(s.text)) routine_from_[id] = body_.size();
      if (std::isdigit((unsigned char)s.text[0])) emit("last_line = " + s.text + ";");
      if (traced_ && std::isdigit((unsigned char)s.text[0])) emit("if (kb_tron) kb_trace(" + s.text + ");");
      return;
    }
    default: break;
  }
  if (info_) {
    static const std::map<sk, const char *> kw = {
        {sk::assign, "LET"}, {sk::print, "PRINT"}, {sk::input, "INPUT"}, {sk::line_input, "LINE INPUT"}, {sk::if_, "IF"},
        {sk::for_, "FOR"}, {sk::do_, "DO"}, {sk::while_, "WHILE"}, {sk::select, "SELECT"}, {sk::goto_, "GOTO"},
        {sk::gosub, "GOSUB"}, {sk::return_, "RETURN"}, {sk::end, "END"}, {sk::dim, "DIM"}, {sk::const_, "CONST"}};
    auto it = kw.find(s.kind);
    std::string k = it != kw.end() ? it->second : s.kind == sk::builtin ? s.text : "?";
    if (s.kind == sk::print) k = s.text;
    if (s.kind == sk::assign && s.exprs[0]->kind == ek::name) k = full_name(s.exprs[0]->text, s.exprs[0]->suffix);
    info_->statements.push_back({line_, k});
  }
  chunk_break(s.kind == sk::for_ || s.kind == sk::do_ || s.kind == sk::while_);
  switch (s.kind) {
    case sk::assign: {
      if (tail_.count(&s) && tail_call(s)) break;
      ex target = lvalue(*s.exprs[0]);
      assign(target, *s.exprs[1], s.at);
      break;
    }
    case sk::mid_assign: {
      ex dest = lvalue(*s.exprs[0]);
      if (dest.t != T_STR) fail_at(s.exprs[0]->start, "MID$ needs a string variable");
      std::string start = int_arg(*s.exprs[1]);
      std::string len = "0", passed = "0";
      if (s.exprs[2]) { len = int_arg(*s.exprs[2]); passed = "1"; }
      ex src = str_expr(*s.exprs[3]);
      st_tmp_ = true;
      stmt_code("sub_mid(" + dest.c + ", " + start + ", " + len + ", " + src.c + ", " + passed + ");");
      break;
    }
    case sk::print: print_stmt(s); break;
    case sk::input: case sk::line_input: input_stmt(s); break;
    case sk::if_: if_stmt(s); break;
    case sk::for_: for_stmt(s); break;
    case sk::do_: do_stmt(s); break;
    case sk::while_: while_stmt(s); break;
    case sk::select: select_stmt(s); break;
    case sk::goto_: goto_stmt(s.names[0], s.name_places.empty() ? s.at : s.name_places[0]); break;
    case sk::gosub: gosub_stmt(s.names[0], s.name_places.empty() ? s.at : s.name_places[0]); break;
    case sk::return_: return_stmt(s); break;
    case sk::on_goto: on_jump(s, false); break;
    case sk::on_gosub: on_jump(s, true); break;
    case sk::end: stmt_code("sub_end();"); break;
    case sk::system: stmt_code("kel_exit(0);"); break;
    case sk::stop: stmt_code("kel_exit(0);"); break;
    case sk::exit_: exit_stmt(s); break;
    case sk::dim: dim_stmt(s, false); break;
    case sk::redim: dim_stmt(s, true); break;
    case sk::common:
      if (in_proc_) fail_at(s.at, "COMMON is allowed only at module level");
      dim_stmt(s, false);
      if (s.text.empty()) common_list(s);
      break;
    case sk::erase:
      for (size_t k = 0; k < s.names.size(); k++) {
        place at = k < s.name_places.size() ? s.name_places[k] : s.at;
        std::string name = s.names[k];
        char suffix = 0;   // ERASE A% names the array A%()
        if (!name.empty() && std::strchr("%&!#$", name.back())) suffix = name.back(), name.pop_back();
        const var *v = find_array(name, suffix);
        if (!v) fail_at(at, "array " + s.names[k] + " not defined");
        stmt_code("kb_erase(" + v->ref + ");");
      }
      break;
    case sk::shared: shared_stmt(s); break;
    case sk::static_:
      if (!in_proc_) fail_at(s.at, "STATIC is allowed only inside a procedure");
      declare_locals(s, true);
      break;
    case sk::const_:
      for (size_t k = 0; k < s.decls.size(); k++) {
        const decl &d = s.decls[k];
        std::string full = full_name(d.name, d.suffix);
        bool tmp = st_tmp_;
        ex e = value_of(expression(*s.exprs[k]));
        st_tmp_ = tmp;
        if (!e.cst) fail_at(s.exprs[k]->start, "expected a constant expression");
        if (d.suffix) e = conv(e, suffix_type(d.suffix), s.exprs[k]->start);
        if (consts_.count(full)) fail_at(d.at, "duplicate definition of " + full);
        if (numeric(e.t)) {
          std::string c = new_cname("c", d.name);
          globals_ += std::string("static ") + ctype[e.t] + " " + c + ";\n";
          init_ += "  " + c + " = " + e.c + ";\n";
          if (s.exprs[k]->kind == ek::number && (e.t == T_INT || e.t == T_LNG)) {
            std::string digits = s.exprs[k]->text;
            if (digits.find_first_not_of("0123456789") == std::string::npos && digits.size() < 10)
              int_consts_[d.name] = std::stoll(digits);
          }
          e.c = c;
          e.cst = true;
        }
        consts_[full] = e;
      }
      break;
    case sk::deftype: {
      ty t = s.text == "DEFINT" ? T_INT : s.text == "DEFLNG" ? T_LNG : s.text == "DEFSNG" ? T_SNG : s.text == "DEFDBL" ? T_DBL : T_STR;
      for (const std::string &r : s.names) {
        char lo = r[0], hi = r.size() >= 3 ? r[2] : r[0];
        if (hi < lo) fail_at(s.at, "letter range out of order");
        for (char ch = lo; ch <= hi; ch++) deftype_[ch - 'A'] = t;
      }
      break;
    }
    case sk::option_base: {
      std::string v = s.exprs.empty() ? "0" : s.exprs[0]->text;
      if (v != "0" && v != "1") fail_at(s.at, "OPTION BASE takes 0 or 1");
      init_ += "  kb_option_base = " + v + ";\n";
      option_base_ = v == "1";
      break;
    }
    case sk::metacommand: dynamic_ = s.text == "$DYNAMIC"; break;
    case sk::swap: {
      ex a = lvalue(*s.exprs[0]);
      ex b = lvalue(*s.exprs[1]);
      if (a.t != b.t || (a.t == T_REC && a.rec != b.rec)) fail_at(s.exprs[1]->start, "type mismatch: SWAP needs two variables of the same type");
      if (a.t == T_STR) { st_tmp_ = true; stmt_code("swap_string(" + a.c + ", " + b.c + ");"); }
      else if (a.t == T_REC) stmt_code("{ uint8_t kb_t[" + std::to_string(a.rec->size) + "]; std::memcpy(kb_t, " + a.c + ", sizeof kb_t); std::memmove(" + a.c + ", " + b.c + ", sizeof kb_t); std::memcpy(" + b.c + ", kb_t, sizeof kb_t); }");
      else if (a.lk == ex::l_field || b.lk == ex::l_field) {
        std::string ct = ctype[a.t];
        std::string ra = a.lk == ex::l_field ? read_field(a) : a.c, rb = b.lk == ex::l_field ? read_field(b) : b.c;
        std::string wa = a.lk == ex::l_field ? "kb_put<" + ct + ">(" + a.addr + ", kb_tb)" : a.c + " = kb_tb";
        std::string wb = b.lk == ex::l_field ? "kb_put<" + ct + ">(" + b.addr + ", kb_ta)" : b.c + " = kb_ta";
        stmt_code("{ " + ct + " kb_ta = " + ra + ", kb_tb = " + rb + "; " + wa + "; " + wb + "; }");
      } else stmt_code("std::swap(" + a.c + ", " + b.c + ");");
      break;
    }
    case sk::call: call_stmt(s); break;
    case sk::builtin: {
      if (s.text == "CHAIN" || s.text == "RUN") { chain_stmt(s); break; }
      std::vector<const expr *> args;
      for (auto &a : s.exprs) args.push_back(a.get());
      expr at_e;
      at_e.at = s.at;
      ex call = call_builtin(at_e, s.text, args, true);
      stmt_code(call.c + ";");
      break;
    }
    case sk::lset: case sk::rset: {
      ex dest = lvalue(*s.exprs[0]);
      if (dest.t == T_REC) fail_at(s.exprs[0]->start, "LSET of a whole record is not supported yet");
      if (dest.t != T_STR) fail_at(s.exprs[0]->start, std::string(s.kind == sk::lset ? "LSET" : "RSET") + " needs a string variable");
      ex src = str_expr(*s.exprs[1]);
      st_tmp_ = true;
      stmt_code(std::string(s.kind == sk::lset ? "sub_lset(" : "sub_rset(") + dest.c + ", " + src.c + ");");
      break;
    }
    case sk::graphics: graphics_stmt(s); break;
    case sk::view: {
      if (s.text == "PRINT") {
        if (s.exprs.empty()) { stmt_code("kelg_sub_view_print(0, 0, 0);"); break; }
        stmt_code("kelg_sub_view_print(" + int_arg(*s.exprs[0]) + ", " + int_arg(*s.exprs[1]) + ", 1);");
        break;
      }
      if (s.exprs.empty()) { stmt_code("kelg_sub_view(0, 0, 0, 0, 0, 0, 0, 0);"); break; }
      std::string c[4];
      for (int k = 0; k < 4; k++) c[k] = int_arg(*s.exprs[k]);
      std::string fill = "0", border = "0";
      int passed = 1;
      if (s.exprs.size() > 4 && s.exprs[4]) { fill = arg_as(num_expr(*s.exprs[4]), 'u', s.exprs[4]->start); passed |= 2; }
      if (s.exprs.size() > 5 && s.exprs[5]) { border = arg_as(num_expr(*s.exprs[5]), 'u', s.exprs[5]->start); passed |= 4; }
      stmt_code("kelg_sub_view(" + std::string(s.flag ? "1" : "0") + ", " + c[0] + ", " + c[1] + ", " + c[2] + ", " + c[3] + ", " + fill +
                ", " + border + ", " + std::to_string(passed) + ");");
      break;
    }
    case sk::window: {
      if (s.exprs.empty()) { stmt_code("kelg_sub_window(0, 0, 0, 0, 0, 0);"); break; }
      std::string c[4];
      for (int k = 0; k < 4; k++) c[k] = arg_as(num_expr(*s.exprs[k]), 'f', s.exprs[k]->start);
      stmt_code("kelg_sub_window(" + std::string(s.flag ? "1" : "0") + ", " + c[0] + ", " + c[1] + ", " + c[2] + ", " + c[3] + ", 1);");
      break;
    }
    case sk::fullscreen: {
      int kind = s.text == "_OFF" ? 1 : s.text == "_STRETCH" ? 2 : s.text == "_SQUAREPIXELS" ? 3 : 0;
      stmt_code("sub__fullscreen(" + std::to_string(kind) + ");");
      break;
    }
    case sk::def_seg:
      if (!s.exprs.empty() && s.exprs[0]) stmt_code("sub_defseg(" + int_arg(*s.exprs[0]) + ", 1);");
      else stmt_code("sub_defseg(0, 0);");
      break;
    case sk::call_absolute: {
      std::string items;
      size_t n = s.exprs.size();
      if (n == 0) fail_at(s.at, "CALL ABSOLUTE needs the routine's offset");
      if (n > 257) fail_at(s.exprs[256]->start, "CALL ABSOLUTE passes at most 256 arguments");
      for (size_t k = 0; k + 1 < n; k++) {
        const expr &a = *s.exprs[k];
        bool ref = !a.parenthesised && (a.kind == ek::name || a.kind == ek::field) && !const_name(a);
        if (ref && a.kind == ek::name)
          for (const builtin &b : builtins())
            if (!b.statement && full_name(a.text, a.suffix) == b.name) ref = false;
        ex e = ref ? lvalue(a) : value_of(expression(a));
        if (!numeric(e.t)) fail_at(a.start, "CALL ABSOLUTE cannot pass strings: their descriptors do not live in the data block");
        items += k ? ", " : "";
        if (ref && e.lk == ex::l_ref) items += "kb_ca_ref(" + e.addr + ")";
        else items += std::string("kb_ca_val<") + ctype[e.t] + ">(" + value_of(e).c + ")";
      }
      std::string offset = int_arg(*s.exprs[n - 1]);
      stmt_code("kb_call_absolute(" + offset + ", {" + items + "});");
      break;
    }
    case sk::call_interrupt: {
      std::string number = int_arg(*s.exprs[0]);
      std::string regs[2];
      for (int k = 0; k < 2; k++) {
        const expr &a = *s.exprs[(size_t)k + 1];
        if (a.kind == ek::field || (a.kind == ek::name && !(a.parens && a.args.empty()))) {
          regs[k] = register_record(s, a);
          continue;
        }
        if (a.kind != ek::name || !a.parens || !a.args.empty())
          fail_at(a.start, "CALL " + s.text + " takes its register records as INTEGER arrays, such as Regs%(), "
                        "or records of INTEGER fields");
        vtype t = array_type(a.text, a.suffix, a.start);
        if (t.t != T_INT)
          fail_at(a.start, "CALL " + s.text + " needs INTEGER arrays as register records, but " + a.text + tsuffix[t.t] + "() is " + tname[t.t]);
        regs[k] = "kb_regs(" + array_var(a.text, a.suffix, a.start).ref + ")";
      }
      stmt_code(std::string(s.text == "INTERRUPT" ? "call_interrupt(" : "call_interruptx(") + number + ", " + regs[0] + ", " + regs[1] + ");");
      break;
    }
    case sk::on_timer: {
      std::string slot = "0", seconds = arg_as(num_expr(*s.exprs[1]), 'd', s.exprs[1]->start);
      if (s.exprs[0]) slot = int_arg(*s.exprs[0]);
      uint32_t id = handler_id(s);
      stmt_code("ontimer_setup(" + slot + ", " + seconds + ", " + std::to_string(id) + ", 0);");
      break;
    }
    case sk::timer_ctl: {
      std::string slot = "0";
      int passed = 0;
      if (!s.exprs.empty() && s.exprs[0]) { slot = int_arg(*s.exprs[0]); passed = 1; }
      int kind = s.text == "ON" ? 1 : s.text == "OFF" ? 2 : s.text == "STOP" ? 3 : 4;
      stmt_code("sub_timer(" + slot + ", " + std::to_string(kind) + ", " + std::to_string(passed) + ");");
      break;
    }
    case sk::on_event: case sk::event_ctl: case sk::key_line: event_stmt(s); break;
    case sk::on_error: {
      has_on_error_ = true;
      if (s.names.empty() || s.names[0] == "0") { stmt_code("kb_on_error(0);"); break; }
      uint32_t id = module_label_id(s.names[0], s.name_places.empty() ? s.at : s.name_places[0]);
      handler_labels_.insert(id);
      stmt_code("kb_on_error(" + std::to_string(id) + ");");
      break;
    }
    case sk::resume: {
      if (in_proc_) fail_at(s.at, "RESUME belongs in the module's error handler, not in a procedure");
      if (s.text == "NEXT") { stmt_code("kb_c = kb_resume(1);"); emit("if (kb_c) { KB_OUT return 0; }"); break; }
      if (s.names.empty() || s.names[0] == "0") { stmt_code("kb_c = kb_resume(0);"); emit("if (kb_c) { KB_OUT return 0; }"); break; }
      uint32_t id = module_label_id(s.names[0], s.name_places.empty() ? s.at : s.name_places[0]);
      handler_labels_.insert(id);
      stmt_code("kb_c = kb_resume(1);");
      emit("if (kb_c) { KB_OUT throw kb_resume_to{" + std::to_string(id) + "}; }");
      break;
    }
    case sk::error_: {
      stmt_code("error(" + int_arg(*s.exprs[0]) + ");");
      break;
    }
    case sk::data: break;
    case sk::read: read_stmt(s); break;
    case sk::restore: {
      uint32_t index = 0;
      if (!s.names.empty()) {
        if (!ck_.restore_index(sc_->def, s.names[0], index))
          fail_at(s.name_places.empty() ? s.at : s.name_places[0], "label " + s.names[0] + " not defined");
      }
      stmt_code("kb_restore(" + std::to_string(index) + ");");
      break;
    }
    case sk::sub_: case sk::function_: case sk::def_fn:
      if (in_proc_) fail_at(s.at, "a procedure cannot be defined inside another");
      procedure_def(s);
      break;
    case sk::open_: case sk::close_: case sk::get_: case sk::put_: case sk::field: case sk::seek: case sk::name_:
      file_stmt(s);
      break;
    case sk::palette_using: palette_using(s); break;
    case sk::declare: case sk::type_: case sk::include: case sk::label: break;
    default:
      fail_at(s.at, "this statement is not supported yet");
  }
}

// PALETTE USING A(i): the array's storage from element i on.
void emitter::palette_using(const stmt &s) {
  const expr &a = *s.exprs[0];
  const var *v = a.kind == ek::name && a.parens && !a.args.empty() ? find_array(a.text, a.suffix) : nullptr;
  if (!v) fail_at(a.start, "PALETTE USING needs an element of an INTEGER or LONG array, such as A%(0)");
  if (v->type.t != T_INT && v->type.t != T_LNG)
    fail_at(a.start, "PALETTE USING needs an INTEGER or LONG array, but " + a.text + "() is " +
                         (v->type.t == T_REC ? v->type.rec->name : tname[v->type.t]));
  std::string idx;
  for (auto &i : a.args) idx += ", " + int_arg(*i);
  stmt_code("kb_palette_using(" + v->ref + ", kb_elem(" + v->ref + idx + "));");
}

// A register record of CALL INTERRUPT given as a record (a variable, an element of a record
// array or a field): its INTEGER fields are the registers in order, AX BX CX DX BP SI DI FLAGS
// and for INTERRUPTX also DS ES; a record too short for them is error 5 when called.
std::string emitter::register_record(const stmt &s, const expr &a) {
  ex r = lvalue(a);
  if (r.t != T_REC)
    fail_at(a.start, "CALL " + s.text + " takes its register records as INTEGER arrays or records of INTEGER fields");
  uint32_t regs_bytes = s.text == "INTERRUPT" ? 16 : 20;
  for (const field &f : r.rec->fields)
    if (f.offset < regs_bytes && f.type.t != T_INT)   // an INTEGER array field is INTEGERs in a row too
      fail_at(a.start, "CALL " + s.text + ": the register fields of " + r.rec->name + " must be INTEGERs, but " + f.name +
                           " is " + (f.type.t == T_REC ? f.type.rec->name : tname[f.type.t]));
  return "interrupt_regs{(void *)(" + r.c + "), " + std::to_string(r.rec->size) + "}";
}

// The start of an array's storage for GET/PUT of pictures: the element named, or the first.
std::string emitter::array_data(const expr &a, std::string *arr) {
  if (a.kind != ek::name) fail_at(a.start, "expected an array");
  const var *v = find_array(a.text, a.suffix);
  if (!v) fail_at(a.start, "array " + full_name(a.text, a.suffix) + " not defined");
  if (v->type.t == T_STR && !v->type.fixed) fail_at(a.start, "a picture goes into a numeric array, not a string array");
  *arr = v->ref;
  if (!a.parens || a.args.empty()) return "kb_first(" + v->ref + ")";
  std::string idx;
  for (auto &i : a.args) idx += ", " + int_arg(*i);
  return "kb_elem(" + v->ref + idx + ")";
}

void emitter::file_stmt(const stmt &s) {
  switch (s.kind) {
    case sk::open_: {
      st_tmp_ = true;
      if (s.flag) {   // OPEN mode$, #n, name$[, len]
        ex mode = str_expr(*s.exprs[0]);
        std::string n = int_arg(*s.exprs[1]);
        ex name = str_expr(*s.exprs[2]);
        std::string len = s.exprs[3] ? int_arg(*s.exprs[3]) : "0";
        stmt_code("sub_open_short(" + mode.c + ", " + n + ", " + name.c + ", " + len + ", " + (s.exprs[3] ? "1" : "0") + ");");
        break;
      }
      ex name = str_expr(*s.exprs[0]);
      std::string n = int_arg(*s.exprs[1]);
      std::string len = s.exprs[2] ? int_arg(*s.exprs[2]) : "0";
      std::string mode = "gfs_" + std::string(s.text == "INPUT" ? "input" : s.text == "OUTPUT" ? "output" : s.text == "APPEND" ? "append"
                                              : s.text == "BINARY" ? "binary" : "random");
      stmt_code("sub_open(" + name.c + ", " + mode + ", " + n + ", " + len + ", " + (s.exprs[2] ? "1" : "0") + ");");
      break;
    }
    case sk::close_:
      if (s.exprs.empty()) { stmt_code("sub_close_all();"); break; }
      for (auto &e : s.exprs) stmt_code("sub_close(" + int_arg(*e) + ");");
      break;
    case sk::seek:
      stmt_code("sub_seek(" + int_arg(*s.exprs[0]) + ", " + int_arg(*s.exprs[1]) + ");");
      break;
    case sk::name_: {
      st_tmp_ = true;
      ex a = str_expr(*s.exprs[0]);
      ex b = str_expr(*s.exprs[1]);
      stmt_code("sub_name(" + a.c + ", " + b.c + ");");
      break;
    }
    case sk::field: {
      std::string code = "gfs_field_begin(" + int_arg(*s.exprs[0]) + ");";
      for (size_t k = 1; k + 1 < s.exprs.size(); k += 2) {
        std::string w = int_arg(*s.exprs[k]);
        ex v = lvalue(*s.exprs[k + 1]);
        if (v.t != T_STR || v.fixed || !v.plain_str_var) fail_at(s.exprs[k + 1]->start, "FIELD needs string variables");
        code += " gfs_field(" + w + ", " + v.c + ");";
      }
      stmt_code(code);
      break;
    }
    case sk::get_: case sk::put_: {
      bool get = s.kind == sk::get_;
      if (s.flag) {   // GET #n [, rec] [, var]
        std::string n = int_arg(*s.exprs[0]);
        std::string rec = s.exprs[1] ? "(int64_t)" + arg_as(num_expr(*s.exprs[1]), 'd', s.exprs[1]->start) : "0";
        std::string passed = s.exprs[1] ? "1" : "0";
        std::string f = get ? "gfs_get" : "gfs_put";
        if (!s.exprs[2]) { stmt_code(f + "(" + n + ", " + rec + ", " + passed + ", nullptr, 0);"); break; }
        ex v = lvalue(*s.exprs[2]);
        st_tmp_ = st_tmp_ || v.t == T_STR;
        if (v.t == T_STR) stmt_code(f + "_string(" + n + ", " + rec + ", " + passed + ", " + v.c + ");");
        else if (v.t == T_REC) stmt_code(f + "(" + n + ", " + rec + ", " + passed + ", " + v.c + ", " + std::to_string(v.rec->size) + ");");
        else stmt_code(f + "(" + n + ", " + rec + ", " + passed + ", (void *)" + v.addr + ", " + std::to_string(tsize[v.t]) + ");");
        break;
      }
      const graphics_args &g = s.g;
      auto f = [&](const expr_p &e) { return arg_as(num_expr(*e), 'f', e->start); };
      std::string arr;
      std::string data = array_data(*s.exprs[0], &arr);
      if (get) {
        stmt_code("{ uint8_t *kb_p = " + data + "; sub_graphics_get(" + std::string(g.step1 ? "1" : "0") + ", " + f(g.x1) + ", " + f(g.y1) + ", " +
                  (g.step2 ? "1" : "0") + ", " + f(g.x2) + ", " + f(g.y2) + ", kb_p, kb_bytes_after(" + arr + ", kb_p)); }");
      } else {
        int action = s.text == "PSET" ? 1 : s.text == "PRESET" ? 2 : s.text == "AND" ? 3 : s.text == "OR" ? 4 : 0;
        stmt_code("{ uint8_t *kb_p = " + data + "; sub_graphics_put(" + std::string(g.step1 ? "1" : "0") + ", " + f(g.x1) + ", " + f(g.y1) +
                  ", kb_p, kb_bytes_after(" + arr + ", kb_p), " + std::to_string(action) + "); }");
      }
      break;
    }
    default: break;
  }
}

// ============================================================================ the program


// The event traps beside ON TIMER: ON KEY|PLAY|STRIG|PEN|COM|UEVENT ... GOSUB, their ON, OFF
// and STOP, and KEY ON|OFF|LIST.
void emitter::event_stmt(const stmt &s) {
  static const std::map<std::string, int> source = {{"KEY", 1}, {"STRIG", 3}, {"PEN", 4}, {"COM", 5}, {"UEVENT", 6}};
  if (s.kind == sk::key_line) {
    stmt_code(s.text == "LIST" ? "sub_key_list();" : s.text == "ON" ? "sub_key_onoff(1);" : "sub_key_onoff(0);");
    return;
  }
  std::string n = s.exprs[0] ? int_arg(*s.exprs[0]) : "0";
  std::string trap = s.text == "PLAY" ? "trap_play" : "trap_number(" + std::to_string(source.at(s.text)) + ", " + n + ")";
  if (s.kind == sk::on_event) {
    std::string id = std::to_string(handler_id(s));
    stmt_code(s.text == "PLAY" ? "sub_on_play(" + n + ", " + id + ");" : "trap_setup(" + trap + ", " + id + ");");
    return;
  }
  int kind = s.text2 == "ON" ? 1 : s.text2 == "OFF" ? 2 : 3;
  stmt_code("trap_switch(" + trap + ", " + std::to_string(kind) + ");");
}

// The reads and stores of module arrays of numbers in a line of C++ that a view can serve:
// kb_get<T>(kb_r, NAME, subscripts...) and kb_at<T>(kb_r, NAME, ...), their forms in a loop's
// checked-once copy (kb_getf, kb_atf, and kb_getu<T>(NAME, ...), kb_atu), and that copy's entry
// tests kb_span<N>(NAME, d, lo, hi) and kb_live<N>(NAME).
std::vector<emitter::array_access> emitter::array_accesses(const std::string &l) {
  static const std::set<std::string> numbers = {"int16_t", "int32_t", "int64_t", "float", "double"};
  // Each form: its name, whether it takes the flag, and what it becomes through a view.
  // Record elements (kb_elem and its forms) have no template argument.
  struct form { const char *name; bool flag; const char *view; };
  static const form forms[] = {{"kb_get", true, "kb_getv"}, {"kb_at", true, "kb_atv"},
                               {"kb_getf", true, "kb_getfv"}, {"kb_atf", true, "kb_atfv"},
                               {"kb_getu", false, "kb_getuv"}, {"kb_atu", false, "kb_atuv"},
                               {"kb_span", false, "kb_spanv"}, {"kb_live", false, "kb_livev"},
                               {"kb_elem", true, "kb_elemrv"}, {"kb_elemf", true, "kb_elemfv"},
                               {"kb_elemu", false, "kb_elemuv"}};
  std::vector<array_access> found;
  auto word = [&](size_t k) { return k < l.size() && (std::isalnum((unsigned char)l[k]) || l[k] == '_'); };
  for (size_t p = l.find("kb_"); p != std::string::npos; p = l.find("kb_", p + 3)) {
    if (p > 0 && word(p - 1)) continue;
    size_t t0 = p;
    while (word(t0)) t0++;
    const form *f = nullptr;
    for (const form &x : forms)
      if (l.compare(p, t0 - p, x.name) == 0 && std::strlen(x.name) == t0 - p) f = &x;
    if (!f || t0 >= l.size()) continue;
    bool shape = f->name == std::string("kb_span") || f->name == std::string("kb_live");
    bool record = std::strncmp(f->name, "kb_elem", 7) == 0;
    if (l[t0] != (record ? '(' : '<')) continue;
    size_t t1 = record ? t0 : l.find('>', t0 + 1);     // the call's parenthesis follows t1
    if (t1 == std::string::npos) continue;
    std::string targ = record ? "" : l.substr(t0 + 1, t1 - t0 - 1);
    if (!record && (shape ? (targ.size() != 1 || targ[0] < '1' || targ[0] > '8') : !numbers.count(targ))) continue;
    if (!record) t1++;
    std::string open = f->flag ? "(kb_r, " : "(";
    if (l.compare(t1, open.size(), open) != 0) continue;
    size_t n0 = t1 + open.size(), n1 = n0;
    while (word(n1)) n1++;
    // Module arrays are a<number>_<name>; anything else (a parameter, a record) is left alone.
    if (n1 == n0 || l[n0] != 'a' || !std::isdigit((unsigned char)l[n0 + 1]) || n1 >= l.size() || (l[n1] != ',' && l[n1] != ')')) continue;
    int subscripts = 0;
    if (shape) {
      subscripts = targ[0] - '0';
    } else {
      int depth = 0;
      subscripts = 1;
      for (size_t q = n1 + 1; q < l.size(); q++) {
        char c = l[q];
        if (c == '(' || c == '{' || c == '[') depth++;
        else if (c == ')' || c == '}' || c == ']') { if (depth-- == 0) break; }
        else if (c == ',' && depth == 0) subscripts++;
      }
      if (subscripts > 8) continue;
    }
    std::string name = l.substr(n0, n1 - n0);
    std::string to = std::string(f->view) + (shape || record ? "(" : "<" + targ + ">(") + (f->flag ? "kb_r, " : "") + "w_" + name +
                     (f->flag ? ", " + name : "");
    found.push_back({p, n1, name, subscripts, to});
  }
  return found;
}

// The module's numbers in registers: a chunk copies the numbers its loops use into locals on
// entry and works on those. The ones it changes go back to their statics (KB_OUT) before
// anything that may look at the statics: an event's handler (evnt), a procedure, CLEAR,
// RESUME, a pointer to one of them handed to a call, and leaving the chunk; after such a
// statement they are loaded again (KB_IN). A statement that calls such a thing works on the
// statics themselves.

// How many loops each line lies in: between a label (L<id>:;) and a jump back to it.
static std::vector<int> loop_depths(const std::vector<std::string> &lines) {
  std::map<std::string, size_t> label_line;
  for (size_t i = 0; i < lines.size(); i++)
    if (lines[i].size() > 3 && lines[i][0] == 'L' && lines[i].find(":;") != std::string::npos)
      label_line[lines[i].substr(1, lines[i].find(':') - 1)] = i;
  std::vector<int> depth(lines.size() + 1, 0);
  for (size_t j = 0; j < lines.size(); j++)
    for (size_t at = lines[j].find("goto L"); at != std::string::npos; at = lines[j].find("goto L", at + 6)) {
      size_t e = lines[j].find(';', at);
      auto it = label_line.find(lines[j].substr(at + 6, e - at - 6));
      if (it != label_line.end() && it->second <= j) depth[it->second]++, depth[j + 1]--;
    }
  for (size_t i = 1; i < lines.size(); i++) depth[i] += depth[i - 1];
  depth.pop_back();
  return depth;
}

// The lines of the procedure's GOSUB routines: from a label a GOSUB jumps to up to the next
// RETURN's pop (routines run as often as the GOSUBs in its loops call them).
static std::vector<bool> routine_lines(const std::vector<std::string> &lines) {
  // The jump after each push (on its line, as ON GOSUB writes it, or a line or two on).
  std::set<std::string> targets;
  for (size_t i = 0; i < lines.size(); i++)
    for (size_t at = lines[i].find("KB_GOSUB("); at != std::string::npos; at = lines[i].find("KB_GOSUB(", at + 9))
      for (size_t j = i, from = at; j < lines.size() && j <= i + 2; j++, from = 0) {
        size_t g = lines[j].find("goto L", from);
        if (g == std::string::npos) continue;
        targets.insert(lines[j].substr(g + 5, lines[j].find(';', g) - g - 5));
        break;
      }
  std::vector<bool> in(lines.size(), false);
  bool on = false;
  for (size_t i = 0; i < lines.size(); i++) {
    const std::string &l = lines[i];
    if (l.size() > 3 && l[0] == 'L' && l.find(":;") != std::string::npos && targets.count(l.substr(0, l.find(':'))))
      on = true;
    in[i] = on;
    if (l.find("KB_POP(") != std::string::npos) on = false;
  }
  return in;
}

// A procedure's statements in fast form (fast_form) where they have one: those of its loops
// and its GOSUB routines, and all of them in a short procedure (which g++ may write into its
// callers' loops) or one that calls itself (whose body is the loop of a recursion). A long
// one's other statements run once a call, and would only make the program slower to compile.
static std::string fast_statements(const std::string &code, bool recursive) {
  std::vector<std::string> lines = code_lines(code);
  std::vector<int> depth = loop_depths(lines);
  bool all = recursive || lines.size() <= fast_all_lines;
  std::vector<bool> routine = all ? std::vector<bool>(lines.size(), true) : routine_lines(lines);
  std::string out;
  for (size_t i = 0; i < lines.size(); i++) {
    std::string f = all || depth[i] > 0 || routine[i] ? fast_form(lines[i]) : "";
    out += f.empty() ? lines[i] : f;
  }
  return slow_runs(out);
}

std::string emitter::cache_chunk(const std::string &code, std::string &prologue, std::string &defines) const {
  static const std::set<std::string> observers = {"evnt", "kb_run", "sub_clear", "kb_resume", "kb_clear"};
  std::vector<std::string> lines = code_lines(code);
  // An assignment, an increment or a SWAP changes a number; only changed ones need saving.
  auto writes = [](const std::string &l, size_t at, size_t n) {
    size_t k = l.find_first_not_of(' ', at + n);
    if (k != std::string::npos && k + 1 < l.size()) {
      char a = l[k], b = l[k + 1];
      if ((a == '=' && b != '=') || (b == '=' && std::strchr("+-*/%&|^", a)) || (a == b && (a == '+' || a == '-')))
        return true;
    }
    return at >= 2 && (l.compare(at - 2, 2, "++") == 0 || l.compare(at - 2, 2, "--") == 0);
  };
  // Lines inside a loop: only numbers used there are kept in registers, so that entering the
  // chunk (a GOSUB or a GOTO from another chunk) loads few of them.
  std::vector<int> loop_depth = loop_depths(lines);
  std::vector<bool> impure(lines.size(), false);
  std::set<std::string> used, written;
  std::vector<std::set<std::string>> names(lines.size());   // the numbers and arrays each line names
  for (size_t i = 0; i < lines.size(); i++) {
    const std::string &l = lines[i];
    std::vector<std::string> mine, changed;
    bool swaps = l.find("std::swap(") != std::string::npos;   // both of a SWAP change
    for_each_ident(l, [&](size_t at, size_t n) {
      std::string id = l.substr(at, n);
      if (observers.count(id) || proc_cnames_.count(id)) impure[i] = true;
      else if (cacheable_.count(id)) {
        if (at > 0 && l[at - 1] == '&') impure[i] = true;
        mine.push_back(id);
        if (swaps || writes(l, at, n)) changed.push_back(id);
      }
    });
    if (!impure[i] && loop_depth[i] > 0) used.insert(mine.begin(), mine.end());
    if (!impure[i]) written.insert(changed.begin(), changed.end());
    names[i].insert(mine.begin(), mine.end());
  }
  // Arrays of numbers read or written by the loops' flag-tested statements: their shapes are
  // kept in views (kb_view), taken again with the numbers (KB_IN) and after any other line
  // that names the array (a DIM, REDIM or ERASE of it, or a use the view does not serve).
  std::map<std::string, int> views;
  std::vector<std::vector<array_access>> accesses(lines.size());
  for (size_t i = 0; i < lines.size(); i++) {
    if (impure[i]) continue;
    accesses[i] = array_accesses(lines[i]);
    if (loop_depth[i] > 0)
      for (const array_access &a : accesses[i]) views.emplace(a.name, a.subscripts);
  }
  if (used.empty() && views.empty()) return code;
  // Whether an innermost loop of the chunk (a run of lines at one depth with none deeper) names
  // more whole numbers and arrays' storage, which it keeps in general registers, than a call
  // preserves. Then the loops' statements' own runs work on the statics, so that nothing the
  // loops keep lives across their calls. In a chunk whose loops' numbers fit, they stay in
  // those registers through the slow paths, as saving and loading them around each would only
  // lengthen the code (an interpreter's loop of SELECT CASE ran a quarter slower so). It is the
  // chunk's choice, not each loop's: g++ places a number for the whole function.
  bool crowded = false;
  for (size_t i = 0; i < lines.size() && !crowded;) {
    if (loop_depth[i] == 0) { i++; continue; }
    size_t e = i, deeper = 0;
    std::set<std::string> held;
    for (; e < lines.size() && loop_depth[e] >= loop_depth[i]; e++) {
      if (loop_depth[e] > loop_depth[i] && !deeper) deeper = e;
      for (const std::string &id : names[e])
        if (used.count(id) && cacheable_.at(id) != "float" && cacheable_.at(id) != "double") held.insert(id);
      for (const array_access &a : accesses[e])
        if (views.count(a.name)) held.insert("w_" + a.name);
    }
    crowded = !deeper && held.size() > call_preserved_registers;
    i = deeper ? deeper : e;                 // a loop holding loops: on to the first of them
  }
  std::string out, save, load;
  for (const std::string &id : used) {
    prologue += "  " + cacheable_.at(id) + " r_" + id + " = " + id + ";\n";
    if (written.count(id)) save += " " + id + " = r_" + id + ";";
    load += " r_" + id + " = " + id + ";";
  }
  auto take_view = [](const std::string &name) { return " kb_take(w_" + name + ", " + name + ");"; };
  for (const auto &[name, n] : views) {
    // An array of known shape keeps only its storage's place in a register (kb_shape).
    std::string type = "kb_view<" + std::to_string(n) + ">";
    auto f = fixed_shapes_.find(name);
    if (f != fixed_shapes_.end() && !unfixed_.count(name) && (int)f->second.size() == n) {
      type = "kb_shape<";
      for (size_t d = 0; d < f->second.size(); d++)
        type += (d ? ", " : "") + std::to_string(f->second[d].first) + ", " + std::to_string(f->second[d].second);
      type += ">";
    }
    prologue += "  " + type + " w_" + name + ";" + take_view(name) + "\n";
    load += take_view(name);
  }
  defines = "#undef KB_OUT\n#undef KB_IN\n#define KB_OUT" + save + "\n#define KB_IN" + load + "\n";
  // An access's slow path takes the view again only for an array the module never DIMs, whose
  // first access may give it its implicit DIM. An array the module DIMs keeps its view in
  // registers through the loop: were it used before its DIM, the empty view only sends each
  // access the descriptor's way until the view is next taken.
  static const std::pair<const char *, const char *> kept_view[] = {{"kb_getv<", "kb_getfv<"}, {"kb_atv<", "kb_atfv<"}, {"kb_elemrv(", "kb_elemfv("}};
  for (size_t i = 0; i < lines.size(); i++) {
    std::string l = lines[i];
    // Accesses through views first (from the line's end, so positions stay right); any other
    // mention of a viewed array takes its view again after the line.
    std::set<std::string> retake;
    for (auto a = accesses[i].rbegin(); a != accesses[i].rend(); ++a) {
      auto v = views.find(a->name);
      if (v == views.end() || v->second != a->subscripts) continue;
      std::string to = a->through_view;
      if (dimmed_.count(a->name))
        for (const auto &[retaking, keeping] : kept_view)
          if (to.compare(0, std::strlen(retaking), retaking) == 0) to = keeping + to.substr(std::strlen(retaking));
      l.replace(a->at, a->name_end - a->at, to);
    }
    for_each_ident(l, [&](size_t at, size_t n) {
      std::string id = l.substr(at, n);
      if (views.count(id) && !(at >= n + 4 && l.compare(at - n - 4, n + 4, "w_" + id + ", ") == 0))
        retake.insert(id);
    });
    std::string o;
    size_t last = 0;
    for_each_ident(l, [&](size_t at, size_t n) {
      std::string id = l.substr(at, n);
      std::string to = id;
      if (impure[i]) {
        if (id == "KB_S") to = "KB_SN";
        else if (id == "KB_Q") to = "KB_QN";
        else if (id == "KB_EV") to = "KB_EVN";
        else if (id == "KB_OUT") to = "";        // the statics are already the values here
      } else if (used.count(id)) {
        to = "r_" + id;
      }
      o += l.substr(last, at - last) + to;
      last = at + n;
    });
    o += l.substr(last);
    // A loop's statement first in its fast form, with nothing called on any path of its checks.
    // Its own run, only after a check failed, works on the statics in a crowded loop, as an
    // impure line does: nothing the loop holds in registers then lives across that run's calls.
    if (!impure[i] && loop_depth[i] > 0 && retake.empty()) {
      std::string slow = trimmed(lines[i].substr(0, lines[i].find_last_not_of("\n ") + 1));
      slow = crowded && slow.compare(0, 5, "KB_Q(") == 0 ? "KB_OUT KB_QN(" + slow.substr(5) + " KB_IN" : "";
      std::string f = fast_form(o, slow);
      if (!f.empty()) o = f;
    }
    if (impure[i]) {
      size_t indent = o.find_first_not_of(' ');
      bool nl = !o.empty() && o.back() == '\n';
      if (nl) o.pop_back();
      if (indent != std::string::npos) o = o.substr(0, indent) + "KB_OUT " + o.substr(indent) + " KB_IN";
      if (nl) o += '\n';
    } else if (!retake.empty()) {
      bool nl = !o.empty() && o.back() == '\n';
      if (nl) o.pop_back();
      for (const std::string &name : retake) o += take_view(name);
      if (nl) o += '\n';
    }
    out += o;
  }
  return slow_runs(out);
}

// A GOSUB of a short routine becomes a copy of the routine's statements, then its RETURN's pop.
// The pop gives this GOSUB's own return point unless a handler left the stack otherwise; any
// other id goes where the RETURN sends it, and a failed pop whose handler resumes next goes on
// after the RETURN. A routine too long as emitted (or in a huge module) is called as before.
void emitter::copy_routines() {
  if (body_.find('\x0e') == std::string::npos) return;
  bool huge = huge_bytes_ && body_.size() > huge_bytes_;
  std::string out;
  out.reserve(body_.size());
  for (size_t k = 0; k < body_.size(); k++) {
    if (body_[k] != '\x0e') {
      out += body_[k];
      continue;
    }
    size_t e = body_.find('\x04', k);
    std::vector<std::string> f;
    for (size_t a = k + 1, b; a <= e; a = b + 1) {
      b = std::min(body_.find('\x07', a), e);
      f.push_back(body_.substr(a, b - a));
    }
    k = e;
    std::string copy;
    auto it = routine_text_.find((uint32_t)std::stoul(f[0]));
    if (!huge && it != routine_text_.end() && it->second.size() <= routine_bytes)
      copy = routine_copy(it->second, [this] { return new_id(); });
    if (copy.empty()) {
      out += "\x06" + f[0] + "\x07" + f[1] + "\x04";
      continue;
    }
    // The return point is pushed only on a way out to evnt (KB_LAZY, which each statement's
    // way out holds, defined by finish_module for a chunk with such copies): a copy that meets no
    // event and no error leaves the stack alone, and one that did pops what it pushed. The
    // GOSUB's own event test goes too: the copy holds no jump and no wait, so the test after
    // it (at the latest the loop's jump back) sees the event a few statements on.
    // A copy that calls a SUB, FUNCTION or DEF FN pushes at once: their statements meet their
    // errors and events in their own code, where a handler leaving by RETURN must find the
    // point on the stack.
    std::string push = "  gosub_push(" + f[1] + ");\n  KB_EV(";
    size_t at = out.rfind(push);
    bool calls = false;
    for_each_ident(copy, [&](size_t a, size_t n) { calls = calls || proc_cnames_.count(copy.substr(a, n)) != 0; });
    bool lazy = !calls && at != std::string::npos && out.find('\n', out.find('\n', at) + 1) == out.size() - 3 &&
                out.compare(out.size() - 3, 3, "\n  ") == 0;
    // A lazy copy's pop works on the statics (KB_OUT, KB_IN), so nothing the loops hold in
    // registers lives across its call.
    std::string pop_call = "kb_rid = kb_return_pop(kb_r))";
    std::string pop = (lazy ? "  KB_OUT KB_QN(" + f[3] + ", " + pop_call + " KB_IN" : "  KB_Q(" + f[3] + ", " + pop_call) +
                      "\n  if (__builtin_expect(kb_rid != " + f[1] + ", 0)) { if (kb_rid < 0) \x03" + f[2] + "\x04 \x08 }";
    if (!lazy) {
      out += "\n" + copy + pop;
      continue;
    }
    out.replace(at, out.size() - at, "  kb_gp = " + f[1] + ";\n");
    out += "\n" + copy + "  if (__builtin_expect(kb_gp == 0, 0)) {\n" + pop + "\n  } else kb_gp = 0;";
  }
  body_ = std::move(out);
}

// The name of the procedure whose definition a unit of procs_ is ("" when none is found).
static std::string unit_name(const std::string &unit) {
  size_t name = unit.find(" static ");
  size_t open = name == std::string::npos ? name : unit.find('(', name);
  if (open == std::string::npos) return "";
  size_t from = unit.rfind(' ', open) + 1;
  return unit.substr(from, open - from);
}

// Which numbers may be handed as values (by_value_analyse), then the procedures' calls so
// written. The module's numbers' types come from their declarations ("static T name;"); a
// record's (uint8_t *) is kept as "", any use of which may write it.
void emitter::by_value_prepare() {
  std::map<std::string, std::string> units, globals;
  each_unit([&](const std::string &unit) { units[unit_name(unit)] = unit; });
  for (size_t k = 0; k < globals_.size();) {
    size_t e = globals_.find('\n', k);
    if (e == std::string::npos) e = globals_.size();
    std::string line = globals_.substr(k, e - k);
    k = e + 1;
    for (const char *t : {"int16_t ", "int32_t ", "float ", "double ", "uint8_t *"}) {
      std::string lead = std::string("static ") + t;
      if (line.compare(0, lead.size(), lead) != 0 || line.empty() || line.back() != ';') continue;
      std::string name = line.substr(lead.size(), line.size() - 1 - lead.size());
      if (std::all_of(name.begin(), name.end(), ident_char)) globals[name] = t[0] == 'u' ? "" : std::string(t, std::strlen(t) - 1);
    }
  }
  by_value_analyse(by_value_procs_, units, globals, !handler_labels_.empty() || has_on_error_);
  rewrite_units([this](const std::string &unit) { return by_value_calls(unit, by_value_procs_, by_value_used_); });
}

// The procedures called with values get their two entries (by_value_unit).
void emitter::by_value_entries() {
  if (by_value_used_.empty()) return;
  rewrite_units([this](const std::string &unit) {
    auto p = by_value_procs_.find(unit_name(unit));
    if (p == by_value_procs_.end() || !by_value_used_.count(p->first)) return unit;
    std::string proto, out = by_value_unit(unit, p->first, p->second, proto);
    protos_ += proto;
    return out;
  });
}

std::string emitter::finish_module() {
  copy_routines();
  body_ = inline_calls(body_, inline_fns_, inline_spent_);
  body_ = by_value_calls(body_, by_value_procs_, by_value_used_);
  // Cut at the chunk marks; a jump stays a goto inside its chunk and becomes a return of the
  // label's id (taken by the dispatch loop) across chunks.
  std::vector<std::string> chunks;
  size_t start = 0;
  for (;;) {
    size_t e = body_.find('\x05', start);
    chunks.push_back(body_.substr(start, e == std::string::npos ? std::string::npos : e - start));
    if (e == std::string::npos) break;
    start = e + 1;
  }
  std::map<std::string, size_t> chunk_of;
  std::vector<std::vector<std::string>> labels(chunks.size());
  for (size_t c = 0; c < chunks.size(); c++) {
    const std::string &b = chunks[c];
    for (size_t k = 0; k < b.size(); k++)
      if (b[k] == '\x01') {
        std::string id = b.substr(k + 1, b.find('\x02', k) - k - 1);
        chunk_of[id] = c;
        labels[c].push_back(id);
      }
  }
  // The labels each chunk jumps to; those in another chunk are entered through its switch.
  std::vector<std::set<std::string>> jumps(chunks.size());
  std::set<std::string> entries;
  for (uint32_t id : entered_) entries.insert(std::to_string(id));
  for (size_t c = 0; c < chunks.size(); c++) {
    const std::string &b = chunks[c];
    for (size_t k = b.find_first_of("\x03\x06"); k != std::string::npos; k = b.find_first_of("\x03\x06", k + 1)) {
      std::string id = b.substr(k + 1, b.find(b[k] == '\x03' ? '\x04' : '\x07', k) - k - 1);
      auto it = chunk_of.find(id);
      if (it == chunk_of.end() || it->second != c) entries.insert(id);
      jumps[c].insert(id);
    }
  }
  // A GOSUB into another chunk calls it, and goes on at its return point when the call ends
  // with that id (the routine's RETURN); any other id goes to the dispatch loop. Nested deeper
  // than kb_gosub_calls, a GOSUB goes through the dispatch loop, so C++ frames stay bounded.
  std::string out, table;
  if (chunks.size() > 1)
    for (size_t c = 0; c < chunks.size(); c++) out += "static uint32_t kb_chunk" + std::to_string(c) + "(uint32_t kb_entry, int32_t kb_depth);\n";
  uint32_t max_id = ck_.next_label_id;
  std::set<std::string> return_points;
  for (uint32_t id : module_.return_ids) return_points.insert(std::to_string(id));
  for (size_t c = 0; c < chunks.size(); c++) {
    const std::string &b = chunks[c];
    const std::set<std::string> &used = jumps[c];
    // A RETURN goes to a return point of its own chunk by a switch of those alone; any other
    // id (another chunk's, or 0 back to an event's caller) leaves the chunk with it.
    std::string back = "{ switch (kb_rid) {";
    for (const std::string &id : labels[c])
      if (return_points.count(id)) back += " case " + id + ": goto L" + id + ";";
    back += " default: KB_OUT return (uint32_t)kb_rid; } }";
    std::string code;
    for (size_t k = 0; k < b.size(); k++) {
      char ch = b[k];
      if (ch == '\x01' || ch == '\x03') {
        size_t e = b.find(ch == '\x01' ? '\x02' : '\x04', k);
        std::string id = b.substr(k + 1, e - k - 1);
        k = e;
        if (ch == '\x01') { if (used.count(id) || entries.count(id)) code += "L" + id + ":;\n"; }
        else {
          auto it = chunk_of.find(id);
          if (it != chunk_of.end() && it->second == c) code += "goto L" + id + ";";
          else code += "{ KB_OUT return " + id + "; }";
        }
        continue;
      }
      if (ch == '\x08') {
        code += back;
        continue;
      }
      if (ch == '\x06') {
        size_t m = b.find('\x07', k), e = b.find('\x04', m);
        std::string id = b.substr(k + 1, m - k - 1), ret = b.substr(m + 1, e - m - 1);
        k = e;
        auto it = chunk_of.find(id);
        if (it != chunk_of.end() && it->second == c) code += "goto L" + id + ";";
        else if (it == chunk_of.end()) code += "{ KB_OUT return " + id + "; }";
        else
          code += "{ KB_OUT if (kb_depth >= kb_gosub_calls) return " + id + "; kb_gosub_depth = kb_depth + 1; kb_entry = kb_chunk" +
                  std::to_string(it->second) + "(" + id + ", kb_depth + 1); kb_gosub_depth = kb_depth; if (kb_entry != " + ret +
                  ") return kb_entry; KB_IN goto L" + ret + "; }";
        continue;
      }
      code += ch;
    }
    if (c + 1 == chunks.size() && entry_.empty()) code += "  KB_S(" + std::to_string(last_line_) + ", sub_end());\n";
    code += "  KB_OUT return 0;\n";
    std::string prologue, defines;
    // A huge module keeps its numbers in their statics: at the -Og it is compiled with the
    // copies gain little, and saving and loading them around every statement's event test was
    // most of its C++ (and of its compile).
    if (!huge_bytes_ || body_.size() <= huge_bytes_) code = cache_chunk(code, prologue, defines);
    chunk_starts_.push_back(out.size());
    // Never inlined into the dispatch loop, which runs inside the try of the main entry: there
    // the compiler keeps the chunk's numbers in memory instead of registers.
    bool lazy = code.find("kb_gp = ") != std::string::npos;
    if (lazy) defines += "#undef KB_LAZY\n#define KB_LAZY KB_LAZY_PUSH\n";
    out += "\n" + defines + "static uint32_t kb_chunk" + std::to_string(c) + " [[gnu::noinline]] (uint32_t kb_entry, [[maybe_unused]] int32_t kb_depth) {\n" + prologue;
    out += "  uint32_t kels_tmp_base = kels_tmp_list_nexti;\n  (void)kels_tmp_base;\n";
    if (lazy) out += "  uint32_t kb_gp = 0;           // a return point not yet pushed (see KB_LAZY)\n";
    out += "  [[maybe_unused]] int32_t kb_c = 0;\n  [[maybe_unused]] int64_t kb_rid = 0;\n  [[maybe_unused]] kb_pixels kb_pw, kb_pr;\n";
    out += std::string("  switch (kb_entry) {\n") + (c == 0 ? "    case 1: break;\n" : "");
    for (const std::string &id : labels[c])
      if (entries.count(id)) out += "    case " + id + ": goto L" + id + ";\n";
    out += "    default: return 0;\n  }\n";
    out += code + "}\n";
    if (!defines.empty()) out += "#undef KB_OUT\n#undef KB_IN\n#define KB_OUT\n#define KB_IN\n";
    if (lazy) out += "#undef KB_LAZY\n#define KB_LAZY\n";
  }
  chunk_starts_.push_back(out.size());   // the end of the last chunk
  std::string chunk_table = "static uint32_t (*const kb_chunks[])(uint32_t, int32_t) = {";
  for (size_t c = 0; c < chunks.size(); c++) chunk_table += (c ? ", " : "") + std::string("kb_chunk") + std::to_string(c);
  chunk_table += "};\n";
  // Which chunk holds each label id (ids of procedures' labels are never looked up here).
  std::string where = "static const uint32_t kb_label_chunk[" + std::to_string(max_id + 1) + "] = {";
  std::vector<size_t> owner(max_id + 1, 0);
  for (auto &[id, c] : chunk_of) {
    unsigned long n = std::stoul(id);
    if (n <= max_id) owner[n] = c;
  }
  for (size_t i = 0; i <= max_id; i++) where += (i ? "," : "") + std::to_string(owner[i]);
  where += "};\n";
  out += "\n" + chunk_table + where;
  out += "// Runs the module from a label's id until a RETURN leaves to the caller (id 0), its direct\n";
  out += "// GOSUB calls counted from those open where it starts.\n";
  out += "static void kb_run(uint32_t id) {\n  int32_t depth = kb_gosub_depth;\n  while (id) id = kb_chunks[id < " + std::to_string(max_id + 1) +
         " ? kb_label_chunk[id] : 0](id, depth);\n  kb_gosub_depth = depth;\n}\n";
  return out;
}

// Whether a block, or any block inside it, holds the built-in statement name.
static bool holds_builtin(const block &b, const char *name) {
  for (const stmt_p &s : b) {
    if (s->kind == sk::builtin && s->text == name) return true;
    if (holds_builtin(s->body, name)) return true;
    for (const if_branch &br : s->branches)
      if (holds_builtin(br.body, name)) return true;
    for (const case_branch &cb : s->cases)
      if (holds_builtin(cb.body, name)) return true;
  }
  return false;
}

std::string emitter::run() {
  traced_ = holds_builtin(prog_.statements, "TRON");
  module_.labels = &ck_.module_labels;
  routines_ = find_routines(prog_.statements);
  for (auto &[name, r] : routines_) {
    routine_end &e = routine_ends_[r.ret];
    if (!e.after) e.after = new_id();
    r.after = e.after;
    e.ids.push_back(ck_.module_labels.labels.at(name).id);
  }
  for (auto &[name, p] : ck_.procedures) {
    proc_cnames_.insert(p.cname);
    proc_cnames_.insert(p.cname + "_v");   // its entry with values (byvalue.h), where it has one
  }
  body_.clear();
  block_stmts(prog_.statements);
  rewrite_units([this](const std::string &unit) { return inline_calls(unit, inline_fns_, inline_spent_); });
  by_value_prepare();
  if (as_module_) {
    common_puts(body_);
    common_puts(procs_);
  }
  std::string module_code = finish_module();
  by_value_entries();

  std::string data;
  if (!ck_.data.empty()) {
    data += "\nstatic const kb_data_item kb_data[] = {\n";
    for (auto &[text, quoted] : ck_.data)
      data += "  {" + c_string(text) + ", " + std::to_string(text.size()) + ", " + (quoted ? "1" : "0") + "},\n";
    data += "};\n";
  }
  bool timers = !handler_labels_.empty();
  std::string support = "static bool kb_ready;\n";
  support += "\n[[maybe_unused]] static void kb_on_event(uint32_t id, int64_t pass) {\n  (void)pass;\n";
  support += "  int saved_return = event_return, saved_repeat = evnt_repeat;\n";
  support += "  event_return = 1;\n  gosub_push(0);\n  kb_run(id);\n";
  support += "  event_return = saved_return;\n  evnt_repeat = saved_repeat;\n}\n";
  support += "\n[[maybe_unused]] static void kb_error_entry() {\n  int saved_repeat = evnt_repeat;\n  kb_run((uint32_t)error_goto_line);\n  evnt_repeat = saved_repeat;\n}\n";
  support += "\nstatic void kb_setup() {\n  if (kb_ready) return;\n  kb_ready = true;\n  kb_dummy_str = kels_new(0, 0);\n" + init_ +
             "  kel_on_clear(kb_clear);\n";
  if (timers) support += "  ontimer_handler = kb_on_event;\n  evnt_trap_handler = kb_on_event;\n";
  if (has_on_error_) support += "  error_handler = kb_error_entry;\n";
  if (!ck_.data.empty()) support += "  kb_data_table(kb_data, " + std::to_string(ck_.data.size()) + ");\n";
  support += "}\n";
  std::string main_code;
  if (!entry_.empty()) {
    main_code = "\nvoid " + entry_ + "() {\n  kb_setup();\n  kb_gosub_depth = 0;\n  kb_run(1);\n}\n";
  } else if (as_module_) {
    main_code = module_start();
  } else {
    main_code = "\nstatic void KELMAIN() {\n";
    main_code += "  if (error_occurred) { error_occurred = 0; kel_exit(99); }   // no ON ERROR handler\n";
    main_code += "  kb_setup();\n  uint32_t kb_at_label = 1;\n";
    main_code += "  for (;;) {\n    try {\n      kb_gosub_depth = 0;\n      kb_run(kb_at_label);\n      return;\n";
    main_code += "    } catch (const kb_resume_to &to) {\n      kb_at_label = to.label;   // RESUME label\n    }\n  }\n}\n";
  }
  if (part_bytes_ && entry_.empty() && !as_module_ && procs_.size() + module_code.size() > part_bytes_)
    return split_program(data, support, module_code, main_code);

  std::string out = "// Translated from BASIC by bas2cpp; edit the .bas file instead.\n#include \"program.h\"\n";
  out += "\n// The program's variables.\n" + globals_;
  out += data;
  out += "\nstatic void kb_clear() {\n" + clear_ + "}\n";
  out += "\n" + protos_;
  out += "\nstatic void kb_run(uint32_t id);\n";
  out += support;
  out += procs_;
  out += module_code;
  out += main_code;
  if (entry_.empty() && !as_module_) out += "\nint main(int argc, char **argv) { return kel_main(argc, argv, KELMAIN); }\n";
  return out;
}

// Top-level definitions of the emitted code with external linkage: "static " dropped at the
// start of a line (the emitter writes every function's and variable's definition at the start
// of a line and everything inside a function indented); numbers and arrays become inline
// variables, one object however many parts include them.
static std::string external(const std::string &code, const char *vars) {
  std::string out;
  out.reserve(code.size());
  for (size_t k = 0; k < code.size();) {
    size_t e = code.find('\n', k);
    e = e == std::string::npos ? code.size() : e + 1;
    for (const char *lead : {"static ", "[[maybe_unused]] static "}) {
      size_t n = std::strlen(lead);
      if (code.compare(k, n, lead) == 0) {
        out.append(code, k, n - 7);
        out += vars;
        k += n;
        break;
      }
    }
    out.append(code, k, e - k);
    k = e;
  }
  return out;
}

// A large program as parts that the C++ compiler takes one at a time (kelc compiles them side
// by side, with -DKB_PART=n): every part declares the variables and functions, and each
// defines its share of the procedures and chunks; part 0 also has the tables, the start and
// main. Without KB_PART the file compiles whole. The second line says how many parts there are.
std::string emitter::split_program(const std::string &data, const std::string &support, const std::string &module_code,
                                   const std::string &main_code) const {
  std::vector<std::string> units;
  for (size_t k = 0; k < proc_starts_.size(); k++)
    units.push_back(procs_.substr(proc_starts_[k], (k + 1 < proc_starts_.size() ? proc_starts_[k + 1] : procs_.size()) - proc_starts_[k]));
  size_t chunks = chunk_starts_.size() - 1;
  for (size_t c = 0; c < chunks; c++) units.push_back(module_code.substr(chunk_starts_[c], chunk_starts_[c + 1] - chunk_starts_[c]));
  std::string tables = module_code.substr(chunk_starts_.back());
  size_t total = 0;
  for (const std::string &u : units) total += u.size();
  // Parts of up to part_scale times the size from which a program is cut, an even number of
  // them (compilers run two side by side) and at most max_parts: each part pays for reading the
  // support header again, and the largest part bounds the compiler's memory.
  size_t most = part_scale * part_bytes_;
  size_t parts = std::min<size_t>(max_parts, std::max<size_t>(2, (total + most - 1) / most));
  parts += parts % 2;
  size_t per_part = (total + parts - 1) / parts;

  std::string head = "\n#include \"program.h\"\n\nnamespace kbp {\n";
  head += "\n// The program's variables.\n" + external(globals_, "inline ");
  if (!ck_.data.empty()) head += "extern const kb_data_item kb_data[];\n";
  head += "\nvoid kb_clear();\nvoid kb_run(uint32_t id);\nvoid kb_on_event(uint32_t id, int64_t pass);\nvoid kb_error_entry();\nvoid kb_setup();\n";
  head += external(protos_, "");
  for (size_t c = 0; c < chunks; c++) head += "uint32_t kb_chunk" + std::to_string(c) + "(uint32_t kb_entry, int32_t kb_depth);\n";
  head += "}  // namespace kbp\n";

  std::string out = head;
  out += "\n#if !defined(KB_PART) || KB_PART == 0\nnamespace kbp {\n";
  out += external(data, "extern ");
  out += "\nvoid kb_clear() {\n" + clear_ + "}\n";
  out += external(support, "");
  out += external(tables, "");
  out += main_code;
  out += "}  // namespace kbp\n\nint main(int argc, char **argv) { return kel_main(argc, argv, kbp::KELMAIN); }\nnamespace kbp {\n";
  size_t part = 0, filled = 0;
  bool open = true;
  for (const std::string &u : units) {
    if (!open) {
      out += "\n#if !defined(KB_PART) || KB_PART == " + std::to_string(part) + "\nnamespace kbp {\n";
      open = true;
    }
    out += external(u, "");
    filled += u.size();
    if (filled >= per_part * (part + 1) && part + 1 < parts) {
      out += "}  // namespace kbp\n#endif\n";
      open = false;
      part++;
    }
  }
  if (open) out += "}  // namespace kbp\n#endif\n";
  return "// Translated from BASIC by bas2cpp; edit the .bas file instead.\n// kelc: parts " +
         std::to_string(open ? part + 1 : part) + "\n" + out;
}

// ============================================================================ CHAIN and RUN

// The blank COMMON's variables, in the order of the module's COMMON statements: CHAIN hands
// their values over by position, and the module's start takes them.
void emitter::common_list(const stmt &s) {
  if (!common_line_) common_line_ = s.at.line;
  for (const decl &d : s.decls) {
    const var &v = d.array ? array_var(d.name, d.suffix, d.at) : scalar(d.name, d.suffix, d.at);
    common_var c;
    c.type = v.type.t == T_REC ? "R:" + v.type.rec->name : std::string(1, tsuffix[v.type.t]);
    if (d.array) c.type = "A" + c.type;
    c.ref = v.ref;
    c.array = d.array;
    c.str = v.type.t == T_STR;
    c.bytes = v.type.t == T_REC ? v.type.rec->size : v.type.t == T_STR ? 0 : (uint32_t)tsize[v.type.t];
    common_.push_back(c);
  }
}

// CHAIN name$ hands the COMMON values over and starts the other module, files left open.
// RUN restarts this module (RUN n: at line n; a translation error when there is none), RUN
// name$ starts another one, both with variables cleared and files closed.
void emitter::chain_stmt(const stmt &s) {
  const expr *a = s.exprs.empty() ? nullptr : s.exprs[0].get();
  if (s.exprs.size() > 1) fail_at(s.exprs[1] ? s.exprs[1]->start : s.at, s.text + " takes one argument");
  if (s.text == "RUN" && !a) { stmt_code("kb_run_program(1);"); return; }
  if (!a) fail_at(s.at, "CHAIN needs the name of the program to run");
  if (s.text == "RUN" && a->kind == ek::number) {
    if (a->text.find_first_not_of("0123456789") != std::string::npos) fail_at(a->start, "RUN takes a line number");
    stmt_code("kb_run_program(" + std::to_string(module_label_id(a->text, a->start)) + ");");
    return;
  }
  st_tmp_ = true;
  ex e = expression(*a);
  if (e.t != T_STR) fail_at(a->start, s.text == "RUN" ? "RUN takes a line number or a file name" : "CHAIN takes a file name");
  if (s.text == "RUN") { stmt_code("{ int32_t kb_m = kb_module_find(" + e.c + "); if (kb_m >= 0) kb_run_module(kb_m); }"); return; }
  // The COMMON list is known only at the module's end (COMMON may follow CHAIN): run() puts
  // the values in place of KB_COMMON_PUTS.
  stmt_code("{ int32_t kb_m = kb_module_find(" + e.c + "); if (kb_m >= 0) { kb_common_begin(); KB_COMMON_PUTS kb_chain(kb_m); } }");
}

// CHAIN's code that hands the COMMON values over, in place of KB_COMMON_PUTS.
void emitter::common_puts(std::string &code) const {
  std::string puts;
  for (const common_var &c : common_) {
    if (c.array) puts += "kb_common_put_arr(\"" + c.type + "\", " + c.ref + "); ";
    else if (c.str) puts += "kb_common_put_str(" + c.ref + "); ";
    else if (c.type[0] == 'R') puts += "kb_common_put(\"" + c.type + "\", " + c.ref + ", " + std::to_string(c.bytes) + "); ";
    else puts += "kb_common_put(\"" + c.type + "\", &" + c.ref + ", " + std::to_string(c.bytes) + "); ";
  }
  static const std::string mark = "KB_COMMON_PUTS ";
  for (size_t at = code.find(mark); at != std::string::npos; at = code.find(mark, at + puts.size()))
    code.replace(at, mark.size(), puts);
}

// The module's entry: at the program's start (how 0), after CHAIN (1: the COMMON values are
// taken, by position and type) or after RUN (2). Entered again, the module gets its handlers
// and DATA back and its variables cleared.
std::string emitter::module_start() const {
  bool timers = !handler_labels_.empty();
  std::string out = "\nvoid kb_module_start(uint32_t kb_label, int32_t how) {\n";
  out += "  if (error_occurred) { error_occurred = 0; kel_exit(99); }   // no ON ERROR handler\n";
  out += "  kb_setup();\n  if (how) {\n";
  out += std::string("    error_handler = ") + (has_on_error_ ? "kb_error_entry" : "nullptr") + ";\n";
  out += std::string("    ontimer_handler = ") + (timers ? "kb_on_event" : "nullptr") + ";\n";
  out += std::string("    evnt_trap_handler = ") + (timers ? "kb_on_event" : "nullptr") + ";\n";
  out += ck_.data.empty() ? "    kb_data_table(nullptr, 0);\n" : "    kb_data_table(kb_data, " + std::to_string(ck_.data.size()) + ");\n";
  out += "    kb_clear();\n  }\n";
  if (!common_.empty()) {
    std::string code;
    for (size_t k = 0; k < common_.size(); k++) {
      const common_var &c = common_[k];
      std::string n = std::to_string(k);
      if (c.array) code += " kb_common_get_arr(" + n + ", \"" + c.type + "\", " + c.ref + ");";
      else if (c.str) code += " kb_common_get_str(" + n + ", " + c.ref + ");";
      else if (c.type[0] == 'R') code += " kb_common_get(" + n + ", \"" + c.type + "\", " + c.ref + ", " + std::to_string(c.bytes) + ");";
      else code += " kb_common_get(" + n + ", \"" + c.type + "\", &" + c.ref + ", " + std::to_string(c.bytes) + ");";
    }
    out += "  if (how == 1) { KB_S(" + std::to_string(common_line_) + "," + code + ") }\n";
  }
  out += "  kb_common_end();\n  uint32_t kb_at_label = kb_label;\n";
  out += "  for (;;) {\n    try {\n      kb_gosub_depth = 0;\n      kb_run(kb_at_label);\n      return;\n";
  out += "    } catch (const kb_resume_to &to) {\n      kb_at_label = to.label;   // RESUME label\n    }\n  }\n}\n";
  return out;
}

}  // namespace

std::string emit_program(const program &p, checks &c, program_info *info, const std::string &entry, size_t part_bytes,
                         size_t huge_bytes) {
  emitter e(p, c, info);
  e.entry_ = entry;
  e.part_bytes_ = part_bytes;
  e.huge_bytes_ = huge_bytes;
  return e.run();
}

std::string emit_module(const program &p, checks &c, program_info *info) {
  emitter e(p, c, info);
  e.as_module_ = true;
  return e.run();
}

}  // namespace bas
