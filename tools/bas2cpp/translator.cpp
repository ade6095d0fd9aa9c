// The translator: parses the program statement by statement and writes C++ that follows the
// statement protocol (event test after every statement, numeric GOSUB return ids, temporaries
// freed per statement). Control flow becomes labels and gotos, so GOTO may enter or leave any
// block, as the dialect allows.
#include "translator.h"
#include <cmath>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <map>
#include <set>
#include "builtins.h"
#include "lexer.h"

namespace bas {

namespace {

enum ty { T_INT, T_LNG, T_SNG, T_DBL, T_STR };
const char *const ctype[] = {"int16_t", "int32_t", "float", "double", "kels *"};
const char *const tname[] = {"INTEGER", "LONG", "SINGLE", "DOUBLE", "STRING"};
const char tsuffix[] = {'%', '&', '!', '#', '$'};
const int tsize[] = {2, 4, 4, 8, 0};

constexpr int max_expr_depth = 64;
constexpr int max_block_depth = 128;
constexpr int max_dims = 8;

struct expr {
  ty t = T_SNG;
  std::string c;
  bool cst = false;   // made of literals and constants only
};

struct var {
  std::string cname;
  ty t;
  int fixed = 0;      // STRING * n
  bool array = false;
};

enum class bk { if_, for_, do_, while_, select };

struct block {
  bk kind;
  int id;
  int line, col;
  int next = 1;          // IF/SELECT: number of the pending "next branch" label
  bool has_else = false;
  bool seen_case = false;
  std::string var_ref;   // FOR: the loop variable
  std::string var_key;
  ty var_t = T_SNG;
  bool single_line = false;
};

ty suffix_type(char s) {
  switch (s) {
    case '%': return T_INT;
    case '&': return T_LNG;
    case '!': return T_SNG;
    case '#': return T_DBL;
    default: return T_STR;
  }
}

bool numeric(ty t) { return t != T_STR; }

// A C++ string literal holding exactly these bytes.
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

const std::set<std::string> &reserved() {
  static const std::set<std::string> words = {
      "AND", "OR", "XOR", "EQV", "IMP", "NOT", "MOD", "THEN", "ELSE", "ELSEIF", "TO", "STEP", "IS",
      "AS", "USING", "IF", "FOR", "NEXT", "DO", "LOOP", "WHILE", "WEND", "UNTIL", "SELECT", "CASE",
      "END", "EXIT", "GOTO", "GOSUB", "RETURN", "DIM", "SHARED", "CONST", "LET", "PRINT", "INPUT",
      "LINE", "SWAP", "LSET", "RSET", "PSET", "PRESET", "CIRCLE", "PAINT", "VIEW", "WINDOW", "ON",
      "OFF", "REM", "INTEGER", "LONG", "SINGLE", "DOUBLE", "STRING", "DEFINT", "DEFLNG", "DEFSNG",
      "DEFDBL", "DEFSTR", "TAB", "SPC", "_FULLSCREEN", "TIMER", "ERROR"};
  return words;
}

class translator {
 public:
  translator(std::vector<token> toks, program_info *info) : t_(std::move(toks)), info_(info) {
    for (auto &d : deftype_) d = T_SNG;
  }
  std::string run();

 private:
  std::vector<token> t_;
  size_t p_ = 0;
  program_info *info_;

  std::string globals_, init_, clear_, body_;
  std::map<std::string, var> scalars_, arrays_;
  std::map<std::string, ty> dim_as_, array_as_, bare_used_;
  std::map<std::string, expr> consts_;
  ty deftype_[26];
  std::map<std::string, std::string> labels_;           // label text -> C label
  std::map<std::string, std::pair<int, int>> label_refs_;
  std::set<std::string> used_labels_;
  std::vector<block> blocks_;
  std::vector<std::string> handlers_;                   // ON TIMER handler labels; id = index + 1
  std::map<std::string, int> handler_ids_;
  int next_id_ = 0, gosub_ids_ = 0, name_ids_ = 0;
  bool has_return_ = false;
  int line_ = 1, last_line_ = 1;
  int depth_ = 0;
  int single_if_ = 0;          // nesting of single-line IFs being parsed
  bool st_tmp_ = false;        // the current statement may make temporaries

  // Tokens.
  const token &peek(size_t k = 0) const { return t_[std::min(p_ + k, t_.size() - 1)]; }
  const token &next() { const token &t = t_[p_]; if (p_ + 1 < t_.size()) p_++; return t; }
  [[noreturn]] void fail(const token &t, const std::string &msg) { throw bas_error{t.line, t.col, msg}; }
  [[noreturn]] void fail(const std::string &msg) { fail(peek(), msg); }
  bool is_op(const char *op, size_t k = 0) const { return peek(k).kind == tok::op && peek(k).text == op; }
  bool is_kw(const char *kw, size_t k = 0) const {
    return peek(k).kind == tok::ident && !peek(k).suffix && peek(k).text == kw;
  }
  bool accept_op(const char *op) { if (is_op(op)) { next(); return true; } return false; }
  bool accept_kw(const char *kw) { if (is_kw(kw)) { next(); return true; } return false; }
  void expect_op(const char *op) { if (!accept_op(op)) fail(std::string("expected '") + op + "'" + found()); }
  void expect_kw(const char *kw) { if (!accept_kw(kw)) fail(std::string("expected ") + kw + found()); }
  std::string found() const {
    const token &t = peek();
    switch (t.kind) {
      case tok::end: case tok::newline: return " before the end of the line";
      case tok::string: return " but found a string";
      case tok::number: return " but found " + t.text;
      case tok::ident: return " but found " + t.text + (t.suffix ? std::string(1, t.suffix) : "");
      default: return " but found '" + t.text + "'";
    }
  }
  bool at_stmt_end() const {
    return peek().kind == tok::newline || peek().kind == tok::end || is_op(":") || (single_if_ && is_kw("ELSE"));
  }

  // Output.
  std::string new_label(const std::string &what) { return "B" + std::to_string(++next_id_) + "_" + what; }
  void place_label(const std::string &l) { body_ += "\x01" + l + "\x02"; }
  std::string jump(const std::string &l) { used_labels_.insert(l); return "goto " + l + ";"; }
  void emit(const std::string &code) { body_ += "  " + code + "\n"; }
  void stmt(const std::string &code) {
    std::string c = code;
    if (st_tmp_) c += " kels_cleanup(kels_tmp_base, 0);";
    emit("KB_S(" + std::to_string(line_) + ", " + c + ")");
  }
  void begin_stmt(const std::string &kw) {
    st_tmp_ = false;
    line_ = peek().line;
    last_line_ = line_;
    if (info_) info_->statements.push_back({line_, kw});
  }
  // Condition into kb_c, with string temporaries freed and the truth value passed through.
  void emit_cond(const expr &e) {
    if (!numeric(e.t)) fail("expected a number, not a string, as the condition");
    if (st_tmp_)
      emit("KB_S(" + std::to_string(line_) + ", kb_c = (int32_t)kels_cleanup(kels_tmp_base, (uint32_t)((" + e.c + ") != 0)))");
    else
      emit("KB_S(" + std::to_string(line_) + ", kb_c = (" + e.c + ") != 0)");
  }

  // Variables.
  ty name_type(const token &t, bool array);
  var &scalar(const token &t);
  var &array_var(const token &t, ty type);
  std::string new_cname(const std::string &prefix, const std::string &name) {
    std::string s = prefix + std::to_string(++name_ids_) + "_";
    for (char ch : name) s += std::isalnum((unsigned char)ch) ? ch : '_';
    return s;
  }

  // Expressions.
  expr expression();
  expr parse_binary(int level);
  expr parse_not();
  expr parse_neg();
  expr parse_pow();
  expr atom();
  expr number_literal(const token &t);
  expr call_builtin(const token &name, bool statement);
  expr reference(const token &name, bool for_write);
  expr binop(const std::string &op, const expr &a, const expr &b, const token &at);
  expr conv(const expr &e, ty to, const token &at);
  std::string arg_as(const expr &e, char kind, const token &at);
  expr str_expr(const token &at) { expr e = expression(); if (numeric(e.t)) fail(at, "expected a string expression"); return e; }
  expr num_expr(const token &at) { expr e = expression(); if (!numeric(e.t)) fail(at, "expected a numeric expression"); return e; }
  expr lvalue();

  // Statements.
  void line();
  void statement_list();
  void statement();
  void define_label(const token &t, const std::string &text);
  std::string label_ref(const token &t);
  void goto_stmt(const token &target);
  void assignment(const expr &target, const token &at);
  void print_stmt();
  void input_stmt(bool line_input);
  void if_stmt();
  void for_stmt();
  void next_stmt();
  void do_stmt();
  void loop_stmt();
  void while_stmt();
  void wend_stmt();
  void select_stmt();
  void case_stmt();
  void end_stmt();
  void exit_stmt();
  void dim_stmt();
  void const_stmt();
  void deftype_stmt(ty t);
  void swap_stmt();
  void table_stmt(const token &name);
  void graphics_stmt(const token &name);
  void point_pair(std::string &step, std::string &x, std::string &y);
  void view_stmt();
  void window_stmt();
  void fullscreen_stmt();
  void timer_stmt();
  void call_absolute_stmt();
  void call_interrupt_stmt(const token &which);
  block &push_block(bk kind, const token &at) {
    if (blocks_.size() >= (size_t)max_block_depth) fail(at, "blocks nested too deeply");
    block b;
    b.kind = kind;
    b.id = ++next_id_;
    b.line = at.line;
    b.col = at.col;
    blocks_.push_back(b);
    return blocks_.back();
  }
  std::string blabel(const block &b, const std::string &what) { return "K" + std::to_string(b.id) + "_" + what; }
};

// ---------------------------------------------------------------- variables

ty translator::name_type(const token &t, bool array) {
  auto &as = array ? array_as_ : dim_as_;
  auto it = as.find(t.text);
  if (t.suffix) {
    ty s = suffix_type(t.suffix);
    if (it != as.end() && it->second != s)
      fail(t, "duplicate definition: " + t.text + " was declared AS " + tname[it->second]);
    return s;
  }
  if (it != as.end()) return it->second;
  char c = t.text[0];
  ty d = (c >= 'A' && c <= 'Z') ? deftype_[c - 'A'] : T_SNG;
  if (!array) bare_used_.emplace(t.text, d);
  return d;
}

var &translator::scalar(const token &t) {
  ty type = name_type(t, false);
  std::string key = t.text + tsuffix[type];
  auto it = scalars_.find(key);
  if (it != scalars_.end()) return it->second;
  var v;
  v.t = type;
  v.cname = new_cname("v", t.text);
  if (info_) info_->variables.push_back(key);
  if (type == T_STR) {
    globals_ += "static kels *" + v.cname + ";\n";
    init_ += "  " + v.cname + " = kels_new(0, 0);\n";
    clear_ += "  kels_set(" + v.cname + ", kels_new_txt(\"\"));\n";
  } else {
    globals_ += std::string("static ") + ctype[type] + " *" + v.cname + ";\n";
    init_ += "  " + v.cname + " = (" + ctype[type] + " *)mem_static_malloc(" + std::to_string(tsize[type]) + ");\n";
    clear_ += "  std::memset(" + v.cname + ", 0, " + std::to_string(tsize[type]) + ");\n";
  }
  return scalars_.emplace(key, v).first->second;
}

var &translator::array_var(const token &t, ty type) {
  std::string key = t.text + tsuffix[type];
  auto it = arrays_.find(key);
  if (it != arrays_.end()) return it->second;
  var v;
  v.t = type;
  v.array = true;
  v.cname = new_cname("a", t.text);
  if (info_) info_->variables.push_back(key + "()");
  std::string esize = type == T_STR ? "sizeof(kels *)" : std::to_string(tsize[type]);
  globals_ += "static kb_arr " + v.cname + " = {nullptr, " + esize + ", " + (type == T_STR ? "1" : "0") + ", 0, {}, {}};\n";
  clear_ += "  kb_erase(" + v.cname + ");\n";
  return arrays_.emplace(key, v).first->second;
}

// ---------------------------------------------------------------- expressions

expr translator::expression() {
  if (depth_ >= max_expr_depth) fail("expression nested too deeply");
  ++depth_;
  expr e = parse_binary(0);
  --depth_;
  return e;
}

// Binary levels from loosest: IMP, EQV, XOR, OR, AND, (NOT), comparisons, + -, MOD, \, * /.
static const std::vector<std::vector<std::string>> levels = {
    {"IMP"}, {"EQV"}, {"XOR"}, {"OR"}, {"AND"}, {}, {"=", "<>", "<", ">", "<=", ">="},
    {"+", "-"}, {"MOD"}, {"\\"}, {"*", "/"}};

expr translator::parse_binary(int level) {
  if (level == 5) return parse_not();
  if (level == (int)levels.size()) return parse_neg();
  expr a = parse_binary(level + 1);
  for (;;) {
    const token &t = peek();
    std::string op;
    for (const std::string &o : levels[level]) {
      bool word = std::isalpha((unsigned char)o[0]);
      if (word ? is_kw(o.c_str()) : is_op(o.c_str())) op = o;
    }
    if (op.empty()) return a;
    token at = next();
    (void)t;
    expr b = parse_binary(level + 1);
    a = binop(op, a, b, at);
  }
}

expr translator::parse_not() {
  if (is_kw("NOT")) {
    token at = next();
    if (++depth_ > max_expr_depth) fail(at, "expression nested too deeply");
    expr e = parse_not();
    --depth_;
    if (!numeric(e.t)) fail(at, "type mismatch: NOT needs a number");
    expr r;
    r.cst = e.cst;
    if (e.t == T_INT) { r.t = T_INT; r.c = "(int16_t)~(" + e.c + ")"; }
    else { r.t = T_LNG; r.c = "(int32_t)~kb_l(" + e.c + ")"; }
    return r;
  }
  return parse_binary(6);
}

expr translator::parse_neg() {
  if (is_op("-") || is_op("+")) {
    token at = next();
    if (++depth_ > max_expr_depth) fail(at, "expression nested too deeply");
    expr e = parse_neg();
    --depth_;
    if (!numeric(e.t)) fail(at, "type mismatch: a sign needs a number");
    if (at.text == "+") return e;
    expr r = e;
    switch (e.t) {
      case T_INT: r.c = "kb_i16(-(int64_t)(" + e.c + "))"; break;
      case T_LNG: r.c = "kb_i32(-(int64_t)(" + e.c + "))"; break;
      default: r.c = "(-(" + e.c + "))"; break;
    }
    return r;
  }
  return parse_pow();
}

expr translator::parse_pow() {
  expr a = atom();
  while (is_op("^")) {
    token at = next();
    expr b;
    if (is_op("-") || is_op("+")) b = parse_neg();   // 2 ^ -1
    else b = atom();
    a = binop("^", a, b, at);
  }
  return a;
}

expr translator::number_literal(const token &t) {
  expr e;
  e.cst = true;
  const std::string &s = t.text;
  auto fmt_int = [&](ty type, int64_t v) {
    e.t = type;
    e.c = std::string("(") + ctype[type] + ")" + std::to_string(v) + (type == T_LNG ? "" : "");
    if (v == INT32_MIN) e.c = "(int32_t)(-2147483647 - 1)";
    return e;
  };
  if (s[0] == '&') {
    int base = s[1] == 'H' ? 16 : s[1] == 'O' ? 8 : 2;
    std::string digits = s.substr(2);
    if (digits.empty()) fail(t, "expected digits after &" + std::string(1, s[1]));
    uint64_t v = 0;
    for (char ch : digits) {
      int d = std::isdigit((unsigned char)ch) ? ch - '0' : ch - 'A' + 10;
      if (d < 0 || d >= base) fail(t, "bad digit '" + std::string(1, ch) + "' in " + s);
      v = v * base + d;
      if (v > 0xFFFFFFFFull) fail(t, "overflow: " + s + " does not fit a LONG");
    }
    if (t.suffix == '&' || v > 0xFFFF) return fmt_int(T_LNG, (int32_t)(uint32_t)v);
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
  std::string text = s;
  for (char &ch : text) if (ch == 'D') ch = 'E';
  double v = std::strtod(text.c_str(), nullptr);
  if (std::isinf(v)) fail(t, "overflow: " + s + " is too large");
  char sfx = t.suffix;
  if (sfx == '%' || sfx == '&') {
    if (!whole || std::fabs(v) > (sfx == '%' ? 32767 : 2147483647)) fail(t, "overflow: " + s + sfx + " is not a whole number in range");
    return fmt_int(sfx == '%' ? T_INT : T_LNG, (int64_t)v);
  }
  if (!sfx && whole) {
    if (v <= 32767) return fmt_int(T_INT, (int64_t)v);
    if (v <= 2147483647) return fmt_int(T_LNG, (int64_t)v);
  }
  bool dbl = sfx == '#' || (!sfx && (digits > 7 || s.find('D') != std::string::npos || std::fabs(v) > 3.402823e38));
  char b[64];
  if (dbl) {
    std::snprintf(b, sizeof b, "%.17g", v);
    e.t = T_DBL;
  } else {
    std::snprintf(b, sizeof b, "%.9g", (double)(float)v);
    e.t = T_SNG;
  }
  std::string lit = b;
  if (lit.find_first_of(".e") == std::string::npos) lit += ".0";
  e.c = dbl ? "(" + lit + ")" : "(" + lit + "f)";
  return e;
}

expr translator::atom() {
  const token &t = peek();
  if (t.kind == tok::number) {
    next();
    return number_literal(t);
  }
  if (t.kind == tok::string) {
    next();
    st_tmp_ = true;
    expr e;
    e.t = T_STR;
    e.cst = true;
    e.c = "kels_new_txt_len(" + c_string(t.text) + ", " + std::to_string(t.text.size()) + ")";
    return e;
  }
  if (is_op("(")) {
    token at = next();
    expr e = expression();
    expect_op(")");
    if (numeric(e.t)) e.c = "(" + e.c + ")";
    return e;
  }
  if (t.kind == tok::ident) {
    token name = next();
    std::string full = name.text + (name.suffix ? std::string(1, name.suffix) : "");
    auto c = consts_.find(full);
    if (c == consts_.end() && !name.suffix) c = consts_.find(name.text);
    if (c != consts_.end()) {
      if (c->second.t == T_STR) st_tmp_ = true;
      return c->second;
    }
    if (const char *why = unsupported_reason(full))
      if (is_op("(") || full == "FREEFILE") fail(name, why);
    for (const builtin &b : builtins())
      if (!b.statement && full == b.name) return call_builtin(name, false);
    if (reserved().count(name.text) && !name.suffix) fail(name, "expected an expression but found " + name.text);
    return reference(name, false);
  }
  fail("expected an expression" + found());
}

std::string translator::arg_as(const expr &e, char kind, const token &at) {
  if (kind == 's') {
    if (numeric(e.t)) fail(at, "type mismatch: expected a string argument");
    return e.c;
  }
  if (!numeric(e.t)) fail(at, "type mismatch: expected a numeric argument");
  switch (kind) {
    case 'i': return e.t <= T_LNG ? "(int32_t)(" + e.c + ")" : "kb_l(" + e.c + ")";
    case 'u': return "kb_u(" + e.c + ")";
    case 'f': return "(float)(" + e.c + ")";
    case 'd': return "(double)(" + e.c + ")";
    case 'x': return e.t == T_DBL ? "(double)(" + e.c + ")" : "(float)(" + e.c + ")";
    default: return std::string("(") + ctype[e.t] + ")(" + e.c + ")";   // 'n'
  }
}

// One entry of an argument signature: its type letter, whether it is optional, and its passed bit.
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

expr translator::call_builtin(const token &name, bool statement) {
  std::string full = name.text + (name.suffix ? std::string(1, name.suffix) : "");
  // Gather the arguments: a statement takes a bare comma list with gaps, a function a
  // parenthesised list (or none).
  std::vector<std::pair<bool, expr>> args;   // (given, value)
  std::vector<token> where;
  if (statement) {
    if (!at_stmt_end()) {
      for (;;) {
        where.push_back(peek());
        if (is_op(",")) args.push_back({false, expr()});
        else args.push_back({true, expression()});
        if (!accept_op(",")) break;
        if (at_stmt_end()) { where.push_back(peek()); args.push_back({false, expr()}); break; }
      }
    }
  } else if (accept_op("(")) {
    for (;;) {
      where.push_back(peek());
      args.push_back({true, expression()});
      if (!accept_op(",")) break;
    }
    expect_op(")");
  }
  const builtin *chosen = nullptr;
  std::vector<arg_sig> sig;
  for (const builtin &b : builtins()) {
    if (b.statement != statement || full != b.name) continue;
    auto s = parse_sig(b.args);
    if (args.size() > s.size()) continue;
    bool fits = true;
    for (size_t k = 0; k < s.size() && fits; k++) {
      if (k >= args.size() || !args[k].first) { fits = s[k].optional; continue; }
      bool str = !numeric(args[k].second.t);
      if (str != (s[k].kind == 's')) fits = false;
    }
    if (fits) { chosen = &b; sig = s; break; }
  }
  if (!chosen) {
    // Say what the forms take.
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
    fail(name, "wrong arguments for " + full + ": expected " + forms);
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
  expr r;
  switch (chosen->ret) {
    case 'I': r.t = T_INT; break;
    case 'L': r.t = T_LNG; break;
    case 'F': r.t = T_SNG; break;
    case 'D': r.t = T_DBL; break;
    case 'S': r.t = T_STR; st_tmp_ = true; break;
    case 'N': r.t = args[0].second.t; break;
    case 'X': r.t = args[0].second.t == T_DBL ? T_DBL : T_SNG; break;
    default: r.t = T_INT; break;
  }
  r.c = out;
  return r;
}

// A variable or array element; arrays are recognised by the parenthesis.
expr translator::reference(const token &name, bool for_write) {
  if (is_op("(")) {
    ty type = name_type(name, true);
    next();
    std::vector<std::string> idx;
    for (;;) {
      token at = peek();
      expr e = expression();
      if (!numeric(e.t)) fail(at, "type mismatch: an array index must be a number");
      idx.push_back(e.t <= T_LNG ? "(int32_t)(" + e.c + ")" : "kb_l(" + e.c + ")");
      if (idx.size() > (size_t)max_dims) fail(at, "an array has at most 8 dimensions");
      if (!accept_op(",")) break;
    }
    expect_op(")");
    var &v = array_var(name, type);
    std::string list;
    for (size_t k = 0; k < idx.size(); k++) list += (k ? ", " : "") + idx[k];
    expr e;
    e.t = type;
    e.c = std::string("(*kb_at<") + (type == T_STR ? "kels *" : ctype[type]) + ">(" + v.cname + ", {" + list + "}))";
    return e;
  }
  (void)for_write;
  var &v = scalar(name);
  expr e;
  e.t = v.t;
  e.c = v.t == T_STR ? v.cname : "(*" + v.cname + ")";
  return e;
}

expr translator::conv(const expr &e, ty to, const token &at) {
  if (e.t == to) return e;
  if (!numeric(e.t) || !numeric(to)) fail(at, std::string("type mismatch: expected ") + (to == T_STR ? "a string" : "a number"));
  expr r;
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

expr translator::binop(const std::string &op, const expr &a, const expr &b, const token &at) {
  expr r;
  r.cst = a.cst && b.cst;
  bool sa = !numeric(a.t), sb = !numeric(b.t);
  bool cmp = op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=";
  if (sa || sb) {
    if (!(sa && sb)) fail(at, "type mismatch: cannot combine a string and a number with " + op);
    st_tmp_ = true;
    if (op == "+") { r.t = T_STR; r.c = "kels_add(" + a.c + ", " + b.c + ")"; return r; }
    if (!cmp) fail(at, "type mismatch: " + op + " does not take strings");
    static const std::map<std::string, std::string> f = {
        {"=", "kels_equal"}, {"<>", "kels_notequal"}, {"<", "kels_lessthan"},
        {">", "kels_greaterthan"}, {"<=", "kels_lessorequal"}, {">=", "kels_greaterorequal"}};
    r.t = T_INT;
    r.c = "(int16_t)" + f.at(op) + "(" + a.c + ", " + b.c + ")";
    return r;
  }
  ty w = std::max(a.t, b.t);
  if (cmp) {
    std::string o = op == "=" ? "==" : op == "<>" ? "!=" : op;
    r.t = T_INT;
    r.c = "(int16_t)-((" + conv(a, w, at).c + ") " + o + " (" + conv(b, w, at).c + "))";
    return r;
  }
  if (op == "+" || op == "-" || op == "*") {
    r.t = w;
    if (w == T_INT) r.c = "kb_i16((int64_t)(" + a.c + ") " + op + " (int64_t)(" + b.c + "))";
    else if (w == T_LNG) r.c = "kb_i32((int64_t)(" + a.c + ") " + op + " (int64_t)(" + b.c + "))";
    else r.c = "(" + conv(a, w, at).c + " " + op + " " + conv(b, w, at).c + ")";
    return r;
  }
  if (op == "/" || op == "^") {
    r.t = w == T_DBL ? T_DBL : T_SNG;
    r.c = std::string(op == "/" ? "kb_div" : "kb_pow") + "(" + conv(a, r.t, at).c + ", " + conv(b, r.t, at).c + ")";
    return r;
  }
  // Integer operators: \ MOD and the logical ones work on integers.
  bool small = a.t == T_INT && b.t == T_INT;
  std::string x = a.t <= T_LNG ? "(int32_t)(" + a.c + ")" : "kb_l(" + a.c + ")";
  std::string y = b.t <= T_LNG ? "(int32_t)(" + b.c + ")" : "kb_l(" + b.c + ")";
  std::string c;
  if (op == "\\") c = "kb_idiv(" + x + ", " + y + ")";
  else if (op == "MOD") c = "kb_mod(" + x + ", " + y + ")";
  else if (op == "AND") c = "(" + x + " & " + y + ")";
  else if (op == "OR") c = "(" + x + " | " + y + ")";
  else if (op == "XOR") c = "(" + x + " ^ " + y + ")";
  else if (op == "EQV") c = "~(" + x + " ^ " + y + ")";
  else if (op == "IMP") c = "(~" + x + " | " + y + ")";
  else fail(at, "unknown operator " + op);
  r.t = small ? T_INT : T_LNG;
  r.c = small ? (op == "\\" ? "kb_i16(" + c + ")" : "(int16_t)(" + c + ")") : "(int32_t)(" + c + ")";
  return r;
}

expr translator::lvalue() {
  const token &t = peek();
  if (t.kind != tok::ident) fail("expected a variable" + found());
  token name = next();
  std::string full = name.text + (name.suffix ? std::string(1, name.suffix) : "");
  if (consts_.count(full) || (!name.suffix && consts_.count(name.text))) fail(name, "cannot assign to the constant " + full);
  if (reserved().count(name.text) && !name.suffix) fail(name, "expected a variable but found " + name.text);
  for (const builtin &b : builtins())
    if (!b.statement && full == b.name) fail(name, "expected a variable but found the function " + full);
  return reference(name, true);
}

// ---------------------------------------------------------------- statements

void translator::define_label(const token &t, const std::string &text) {
  if (labels_.count(text)) fail(t, "duplicate label " + text);
  std::string c;
  if (t.kind == tok::number) {
    for (char ch : text)
      if (!std::isdigit((unsigned char)ch)) fail(t, "a line number must be a whole number");
    c = "L_" + text;
  } else {
    c = new_cname("N", text);
  }
  labels_[text] = c;
  if (info_) info_->labels.push_back(text);
  place_label(c);
  if (t.kind == tok::number) emit("last_line = " + text + ";");
}

std::string translator::label_ref(const token &t) {
  if (t.kind != tok::number && t.kind != tok::ident) fail(t, "expected a line number or label");
  std::string text = t.text;
  if (t.kind == tok::ident && t.suffix) fail(t, "expected a line number or label");
  label_refs_.emplace(text, std::make_pair(t.line, t.col));
  return text;
}

void translator::goto_stmt(const token &target) {
  std::string l = label_ref(target);
  emit("if (kelevent) evnt(" + std::to_string(line_) + ");");
  emit("\x03" + l + "\x04");
}

void translator::line() {
  const token &t = peek();
  if (t.kind == tok::newline) { next(); return; }
  if (t.line_start) {
    if (t.kind == tok::number) {
      token l = next();
      line_ = l.line;
      define_label(l, l.text);
      if (accept_op(":")) {}
    } else if (t.kind == tok::ident && !t.suffix && is_op(":", 1) && !reserved().count(t.text)) {
      bool known = false;
      for (const builtin &b : builtins()) if (b.statement && t.text == b.name) known = true;
      if (!known && !unsupported_reason(t.text)) {
        token l = next();
        next();
        line_ = l.line;
        define_label(l, l.text);
      }
    }
  }
  statement_list();
  if (peek().kind == tok::newline) next();
  else if (peek().kind != tok::end) fail("expected the end of the line" + found());
}

void translator::statement_list() {
  for (;;) {
    if (peek().kind == tok::newline || peek().kind == tok::end) return;
    if (single_if_ && is_kw("ELSE")) return;
    if (accept_op(":")) continue;
    statement();
    if (!at_stmt_end() && !is_kw("ELSE")) fail("expected ':' or the end of the line" + found());
    if (is_kw("ELSE") && !single_if_) continue;   // block ELSE after a statement: next statement
  }
}

void translator::statement() {
  const token &t = peek();
  if (t.kind != tok::ident) {
    begin_stmt("?");
    fail("expected a statement" + found());
  }
  std::string kw = t.text;
  std::string full = kw + (t.suffix ? std::string(1, t.suffix) : "");
  begin_stmt(full);
  if (!blocks_.empty() && blocks_.back().kind == bk::select && !blocks_.back().seen_case && full != "CASE" &&
      full != "END")
    fail(t, "expected CASE after SELECT CASE");
  if (t.suffix && kw == "MID" && t.suffix == '$' && is_op("(", 1)) {   // MID$(a$, s, n) = b$
    next();
    next();
    token at = peek();
    expr dest = lvalue();
    if (numeric(dest.t)) fail(at, "MID$ needs a string variable");
    expect_op(",");
    token st = peek();
    std::string start = arg_as(num_expr(st), 'i', st);
    std::string len = "0", passed = "0";
    if (accept_op(",")) {
      token lt = peek();
      len = arg_as(num_expr(lt), 'i', lt);
      passed = "1";
    }
    expect_op(")");
    expect_op("=");
    token vt = peek();
    expr src = str_expr(vt);
    st_tmp_ = true;
    stmt("sub_mid(" + dest.c + ", " + start + ", " + len + ", " + src.c + ", " + passed + ");");
    return;
  }
  if (kw == "DEF" && is_kw("SEG", 1)) {   // DEF SEG [= segment]
    next();
    next();
    if (accept_op("=")) {
      token at = peek();
      stmt("sub_defseg(" + arg_as(num_expr(at), 'i', at) + ", 1);");
    } else {
      stmt("sub_defseg(0, 0);");
    }
    return;
  }
  if (kw == "CALL" && (is_kw("ABSOLUTE", 1) || is_kw("INTERRUPT", 1) || is_kw("INTERRUPTX", 1))) {
    next();
    token which = next();
    if (which.text == "ABSOLUTE") call_absolute_stmt();
    else call_interrupt_stmt(which);
    return;
  }
  if (!t.suffix || t.suffix == '$') {
    if (const char *why = unsupported_reason(full)) {
      if (!(is_op("=", 1) && !reserved().count(kw))) fail(t, why);
    }
  }
  if (!t.suffix) {
    if (kw == "LET") { next(); token at = peek(); expr target = lvalue(); assignment(target, at); return; }
    if (kw == "PRINT") { next(); print_stmt(); return; }
    if (kw == "INPUT") { next(); input_stmt(false); return; }
    if (kw == "LINE" && is_kw("INPUT", 1)) { next(); next(); input_stmt(true); return; }
    if (kw == "IF") { next(); if_stmt(); return; }
    if (kw == "ELSEIF" || kw == "ELSE") {
      token at = next();
      if (blocks_.empty() || blocks_.back().kind != bk::if_ || blocks_.back().single_line)
        fail(at, kw + " without a block IF");
      block &b = blocks_.back();
      if (b.has_else) fail(at, kw + " after ELSE");
      emit(jump(blabel(b, "end")));
      place_label(blabel(b, std::to_string(b.next++)));
      used_labels_.insert(blabel(b, std::to_string(b.next - 1)));
      if (kw == "ELSE") { b.has_else = true; return; }
      token ct = peek();
      expr c = num_expr(ct);
      expect_kw("THEN");
      emit_cond(c);
      emit("if (!kb_c) " + jump(blabel(b, std::to_string(b.next))));
      return;
    }
    if (kw == "GOTO") { next(); token target = next(); goto_stmt(target); return; }
    if (kw == "GOSUB") {
      next();
      token target = next();
      std::string l = label_ref(target);
      int id = ++gosub_ids_;
      emit("gosub_push(" + std::to_string(id) + ");");
      emit("if (kelevent) evnt(" + std::to_string(line_) + ");");
      emit("\x03" + l + "\x04");
      place_label("R_" + std::to_string(id));
      return;
    }
    if (kw == "RETURN") {
      next();
      if (!at_stmt_end()) {
        token target = next();
        std::string l = label_ref(target);
        emit("KB_S(" + std::to_string(line_) + ", kb_rid = return_pop())");
        emit("if (kb_rid >= 0) \x03" + l + "\x04");
        return;
      }
      has_return_ = true;   // only a plain RETURN needs the dispatch to the GOSUB sites
      emit("KB_S(" + std::to_string(line_) + ", kb_rid = return_pop())");
      emit("if (kb_rid > 0) " + jump("kb_return_dispatch"));
      emit("if (kb_rid == 0) return;");
      return;
    }
    if (kw == "FOR") { next(); for_stmt(); return; }
    if (kw == "NEXT") { next(); next_stmt(); return; }
    if (kw == "DO") { next(); do_stmt(); return; }
    if (kw == "LOOP") { next(); loop_stmt(); return; }
    if (kw == "WHILE") { next(); while_stmt(); return; }
    if (kw == "WEND") { next(); wend_stmt(); return; }
    if (kw == "SELECT") { next(); select_stmt(); return; }
    if (kw == "CASE") { next(); case_stmt(); return; }
    if (kw == "END") { next(); end_stmt(); return; }
    if (kw == "EXIT") { next(); exit_stmt(); return; }
    if (kw == "DIM") { next(); dim_stmt(); return; }
    if (kw == "CONST") { next(); const_stmt(); return; }
    if (kw == "DEFINT") { next(); deftype_stmt(T_INT); return; }
    if (kw == "DEFLNG") { next(); deftype_stmt(T_LNG); return; }
    if (kw == "DEFSNG") { next(); deftype_stmt(T_SNG); return; }
    if (kw == "DEFDBL") { next(); deftype_stmt(T_DBL); return; }
    if (kw == "DEFSTR") { next(); deftype_stmt(T_STR); return; }
    if (kw == "SWAP") { next(); swap_stmt(); return; }
    if (kw == "LSET" || kw == "RSET") {
      token at = next();
      token vt = peek();
      expr dest = lvalue();
      if (numeric(dest.t)) fail(vt, kw + " needs a string variable");
      expect_op("=");
      token et = peek();
      expr src = str_expr(et);
      st_tmp_ = true;
      stmt((kw == "LSET" ? "sub_lset(" : "sub_rset(") + dest.c + ", " + src.c + ");");
      return;
    }
    if (kw == "LINE" || kw == "PSET" || kw == "PRESET" || kw == "CIRCLE" || kw == "PAINT") {
      token name = next();
      graphics_stmt(name);
      return;
    }
    if (kw == "VIEW") { next(); view_stmt(); return; }
    if (kw == "WINDOW") { next(); window_stmt(); return; }
    if (kw == "_FULLSCREEN") { next(); fullscreen_stmt(); return; }
    if (kw == "ON" || kw == "TIMER") { timer_stmt(); return; }
  }
  for (const builtin &b : builtins()) {
    if (b.statement && full == b.name) {
      token name = next();
      expr call = call_builtin(name, true);
      stmt(call.c + ";");
      return;
    }
  }
  // Assignment without LET.
  if (!reserved().count(kw) || t.suffix) {
    bool is_func = false;
    for (const builtin &b : builtins()) if (!b.statement && full == b.name) is_func = true;
    if (!is_func && (is_op("=", 1) || is_op("(", 1))) {
      token at = peek();
      expr target = lvalue();
      if (!is_op("=")) fail("expected '=' after " + full + found());
      assignment(target, at);
      return;
    }
  }
  fail(t, "unknown statement " + full);
}

void translator::assignment(const expr &target, const token &at) {
  expect_op("=");
  token et = peek();
  expr e = expression();
  if (target.t == T_STR) {
    if (numeric(e.t)) fail(et, "type mismatch: cannot assign a number to a string variable");
    st_tmp_ = true;
    // V$ = V$ + x appends in place: the variable grows where it lies instead of being copied.
    std::string self = "kels_add(" + target.c + ", ", lit = "kels_new_txt_len(";
    if (e.c.rfind(self, 0) == 0 && e.c.back() == ')') {
      std::string rhs = e.c.substr(self.size(), e.c.size() - self.size() - 1);
      if (rhs.rfind(lit, 0) == 0 && rhs.find("), ") == std::string::npos)   // a lone literal
        stmt("kels_append_txt(" + target.c + ", " + rhs.substr(lit.size()) + ";");
      else
        stmt("kels_append(" + target.c + ", " + rhs + ");");
    } else {
      stmt("kels_set(" + target.c + ", " + e.c + ");");
    }
  } else {
    if (!numeric(e.t)) fail(et, "type mismatch: cannot assign a string to a numeric variable");
    stmt(target.c + " = " + conv(e, target.t, at).c + ";");
  }
}

void translator::print_stmt() {
  if (is_op("#")) fail("file statements are not supported yet");
  std::string code;
  st_tmp_ = true;
  if (accept_kw("USING")) {
    token ft = peek();
    expr fmt = str_expr(ft);
    if (!accept_op(";")) expect_op(",");
    code = "sub_print_using_begin(" + fmt.c + ");";
    bool newline = true;
    while (!at_stmt_end()) {
      token et = peek();
      expr e = expression();
      switch (e.t) {
        case T_STR: code += " sub_print_using_string(" + e.c + ");"; break;
        case T_INT: case T_LNG: code += " sub_print_using_integer64((int64_t)(" + e.c + "));"; break;
        case T_SNG: code += " sub_print_using_single(" + e.c + ");"; break;
        default: code += " sub_print_using_double(" + e.c + ");"; break;
      }
      newline = true;
      if (accept_op(";") || accept_op(",")) newline = false;
      else if (!at_stmt_end()) fail("expected ';' or ','" + found());
    }
    code += std::string(" sub_print_using_end(") + (newline ? "1" : "0") + ");";
    stmt(code);
    return;
  }
  bool newline = true;
  while (!at_stmt_end()) {
    if (accept_op(";")) { newline = false; continue; }
    if (accept_op(",")) { code += " tab();"; newline = false; continue; }
    newline = true;
    if ((is_kw("TAB") || is_kw("SPC")) && is_op("(", 1)) {
      token f = next();
      next();
      token at = peek();
      std::string n = arg_as(num_expr(at), 'i', at);
      expect_op(")");
      code += std::string(" kb_print_raw(") + (f.text == "TAB" ? "func_tab(" : "func_spc(") + n + "));";
      continue;
    }
    token et = peek();
    expr e = expression();
    if (numeric(e.t)) code += std::string(" kb_print(kb_num(kels_str((") + ctype[e.t] + ")(" + e.c + "))));";
    else code += " kb_print(" + e.c + ");";
  }
  if (newline) code += " kels_print(nothingstring, 1);";
  if (code.empty()) code = ";";
  stmt(code);
}

void translator::input_stmt(bool line_input) {
  if (is_op("#")) fail("file statements are not supported yet");
  std::string code;
  bool newline = true;
  if (accept_op(";")) newline = false;
  bool question = true;
  if (peek().kind == tok::string) {
    token pt = next();
    code += "kels_print(kels_new_txt_len(" + c_string(pt.text) + ", " + std::to_string(pt.text.size()) + "), 0);";
    if (accept_op(",")) question = false;
    else expect_op(";");
    if (line_input) question = false;
  } else if (line_input) {
    question = false;
  }
  if (question) code += " kels_print(kels_new_txt(\"? \"), 0);";
  int n = 0;
  for (;;) {
    token vt = peek();
    expr v = lvalue();
    if (++n > 255) fail(vt, "too many variables in one INPUT");
    std::string k = std::to_string(n);
    std::string type;
    switch (v.t) {
      case T_INT: type = "16"; break;
      case T_LNG: type = "32"; break;
      case T_SNG: type = "32 | input_type_float"; break;
      case T_DBL: type = "64 | input_type_float"; break;
      default: type = "input_type_string"; break;
    }
    if (line_input) {
      if (v.t != T_STR) fail(vt, "LINE INPUT needs a string variable");
      type += " | input_type_line";
    }
    code += " kels_input_variabletypes[" + k + "] = " + type + ";";
    code += " kels_input_variableoffsets[" + k + "] = (void *)" + (v.t == T_STR ? v.c : "&" + v.c) + ";";
    if (line_input || !accept_op(",")) break;
  }
  code += " kels_input(" + std::to_string(n) + ", " + (newline ? "1" : "0") + "); if (stop_program) end();";
  st_tmp_ = true;
  stmt(code);
}

void translator::if_stmt() {
  token at = peek();
  expr c = num_expr(at);
  bool goto_form = false;
  if (is_kw("GOTO")) goto_form = true;
  else expect_kw("THEN");
  if (!goto_form && (peek().kind == tok::newline || peek().kind == tok::end)) {
    block &b = push_block(bk::if_, at);
    emit_cond(c);
    emit("if (!kb_c) " + jump(blabel(b, "1")));
    return;
  }
  int id = ++next_id_;
  std::string l_else = "I" + std::to_string(id) + "_else", l_end = "I" + std::to_string(id) + "_end";
  emit_cond(c);
  emit("if (!kb_c) " + jump(l_else));
  if (++single_if_ > max_expr_depth) fail(at, "IF statements nested too deeply");
  size_t depth = blocks_.size();
  auto part = [&]() {
    if (goto_form) {
      next();
      goto_form = false;
      token target = next();
      goto_stmt(target);
    } else if (peek().kind == tok::number) {
      token target = next();
      goto_stmt(target);
    } else {
      statement_list();
    }
    if (blocks_.size() > depth) {
      const block &b = blocks_.back();
      throw bas_error{b.line, b.col, "a block opened in a single-line IF must close on that line"};
    }
    if (blocks_.size() < depth) fail(at, "a single-line IF cannot close a block opened before it");
  };
  part();
  if (is_kw("ELSE")) {
    next();
    emit(jump(l_end));
    place_label(l_else);
    used_labels_.insert(l_else);
    part();
    place_label(l_end);
  } else {
    place_label(l_else);
  }
  --single_if_;
}

void translator::for_stmt() {
  token vt = peek();
  if (vt.kind != tok::ident || is_op("(", 1)) fail("expected a simple numeric variable after FOR");
  expr v = lvalue();
  if (!numeric(v.t)) fail(vt, "FOR needs a numeric variable");
  expect_op("=");
  token a = peek();
  expr from = num_expr(a);
  expect_kw("TO");
  token b = peek();
  expr to = num_expr(b);
  expr step;
  step.t = T_INT;
  step.c = "(int16_t)1";
  token s = peek();
  if (accept_kw("STEP")) step = num_expr(s);
  block &blk = push_block(bk::for_, vt);
  blk.var_ref = v.c;
  blk.var_key = vt.text + tsuffix[v.t];
  blk.var_t = v.t;
  std::string e = "kb_fe" + std::to_string(blk.id), st = "kb_fs" + std::to_string(blk.id);
  globals_ += std::string("static ") + ctype[v.t] + " " + e + ", " + st + ";\n";
  stmt(v.c + " = " + conv(from, v.t, a).c + "; " + e + " = " + conv(to, v.t, b).c + "; " + st + " = " + conv(step, v.t, s).c + ";");
  place_label(blabel(blk, "top"));
  used_labels_.insert(blabel(blk, "top"));
  emit("if (" + st + " >= 0 ? " + v.c + " > " + e + " : " + v.c + " < " + e + ") " + jump(blabel(blk, "exit")));
}

void translator::next_stmt() {
  for (;;) {
    token at = peek();
    if (blocks_.empty() || blocks_.back().kind != bk::for_) fail(at, "NEXT without FOR");
    block b = blocks_.back();
    if (at.kind == tok::ident && !at_stmt_end()) {
      token vt = next();
      ty type = name_type(vt, false);
      if (vt.text + tsuffix[type] != b.var_key) fail(vt, "NEXT " + vt.text + " does not match FOR " + b.var_key);
    }
    blocks_.pop_back();
    std::string st = "kb_fs" + std::to_string(b.id);
    std::string inc = b.var_t == T_INT ? "kb_i16((int64_t)" + b.var_ref + " + " + st + ")"
                    : b.var_t == T_LNG ? "kb_i32((int64_t)" + b.var_ref + " + " + st + ")"
                    : b.var_ref + " + " + st;
    stmt(b.var_ref + " = " + inc + ";");
    emit(jump(blabel(b, "top")));
    place_label(blabel(b, "exit"));
    if (!accept_op(",")) break;
  }
}

void translator::do_stmt() {
  token at = peek();
  block &b = push_block(bk::do_, at);
  std::string top = blabel(b, "top"), exit = blabel(b, "exit");
  place_label(top);
  used_labels_.insert(top);
  bool w = is_kw("WHILE"), u = is_kw("UNTIL");
  if (w || u) {
    next();
    token ct = peek();
    expr c = num_expr(ct);
    emit_cond(c);
    emit(std::string(w ? "if (!kb_c) " : "if (kb_c) ") + jump(exit));
  }
}

void translator::loop_stmt() {
  token at = peek();
  if (blocks_.empty() || blocks_.back().kind != bk::do_) fail(at, "LOOP without DO");
  block b = blocks_.back();
  blocks_.pop_back();
  std::string top = blabel(b, "top");
  bool w = is_kw("WHILE"), u = is_kw("UNTIL");
  if (w || u) {
    next();
    token ct = peek();
    expr c = num_expr(ct);
    emit_cond(c);
    emit(std::string(w ? "if (kb_c) " : "if (!kb_c) ") + jump(top));
  } else {
    emit("if (kelevent) evnt(" + std::to_string(line_) + ");");
    emit(jump(top));
  }
  place_label(blabel(b, "exit"));
}

void translator::while_stmt() {
  token at = peek();
  expr c = num_expr(at);
  block &b = push_block(bk::while_, at);
  place_label(blabel(b, "top"));
  used_labels_.insert(blabel(b, "top"));
  emit_cond(c);
  emit("if (!kb_c) " + jump(blabel(b, "exit")));
}

void translator::wend_stmt() {
  if (blocks_.empty() || blocks_.back().kind != bk::while_) fail("WEND without WHILE");
  block b = blocks_.back();
  blocks_.pop_back();
  emit(jump(blabel(b, "top")));
  place_label(blabel(b, "exit"));
}

void translator::select_stmt() {
  expect_kw("CASE");
  token at = peek();
  expr e = expression();
  block &b = push_block(bk::select, at);
  b.var_t = e.t;
  std::string sel = "kb_sel" + std::to_string(b.id);
  b.var_ref = sel;
  if (e.t == T_STR) {
    globals_ += "static kels *" + sel + ";\n";
    init_ += "  " + sel + " = kels_new(0, 0);\n";
    st_tmp_ = true;
    stmt("kels_set(" + sel + ", " + e.c + ");");
  } else {
    globals_ += std::string("static ") + ctype[e.t] + " " + sel + ";\n";
    stmt(sel + " = " + e.c + ";");
  }
}

void translator::case_stmt() {
  token at = peek();
  if (blocks_.empty() || blocks_.back().kind != bk::select) fail(at, "CASE without SELECT CASE");
  block &b = blocks_.back();
  if (b.has_else) fail(at, "CASE after CASE ELSE");
  if (b.seen_case) {
    emit(jump(blabel(b, "end")));
    place_label(blabel(b, std::to_string(b.next)));
    used_labels_.insert(blabel(b, std::to_string(b.next)));
    b.next++;
  }
  b.seen_case = true;
  if (accept_kw("ELSE")) { b.has_else = true; return; }
  expr sel;
  sel.t = b.var_t;
  sel.c = b.var_t == T_STR ? b.var_ref : b.var_ref;
  std::string cond;
  int id = b.id;
  for (;;) {
    token ct = peek();
    std::string one;
    if (accept_kw("IS")) {
      token op = peek();
      static const char *ops[] = {"=", "<>", "<=", ">=", "<", ">"};
      std::string o;
      for (const char *x : ops) if (is_op(x)) o = x;
      if (o.empty()) fail("expected a comparison after IS" + found());
      next();
      expr v = expression();
      one = binop(o, sel, v, op).c;
    } else {
      expr v = expression();
      if (accept_kw("TO")) {
        token tt = peek();
        expr w = expression();
        one = "(" + binop(">=", sel, v, ct).c + " && " + binop("<=", sel, w, tt).c + ")";
      } else {
        one = binop("=", sel, v, ct).c;
      }
    }
    cond += (cond.empty() ? "" : " || ") + std::string("(") + one + ")";
    if (!accept_op(",")) break;
  }
  block &bb = blocks_.back();
  (void)id;
  expr c;
  c.t = T_INT;
  c.c = cond;
  emit_cond(c);
  emit("if (!kb_c) " + jump(blabel(bb, std::to_string(bb.next))));
}

void translator::end_stmt() {
  token at = peek();
  if (accept_kw("IF")) {
    if (blocks_.empty() || blocks_.back().kind != bk::if_) fail(at, "END IF without a block IF");
    block b = blocks_.back();
    blocks_.pop_back();
    if (!b.has_else) place_label(blabel(b, std::to_string(b.next)));
    place_label(blabel(b, "end"));
    return;
  }
  if (accept_kw("SELECT")) {
    if (blocks_.empty() || blocks_.back().kind != bk::select) fail(at, "END SELECT without SELECT CASE");
    block b = blocks_.back();
    blocks_.pop_back();
    if (b.seen_case && !b.has_else) place_label(blabel(b, std::to_string(b.next)));
    place_label(blabel(b, "end"));
    return;
  }
  if (is_kw("SUB") || is_kw("FUNCTION")) fail("SUB and FUNCTION procedures are not supported yet");
  if (is_kw("TYPE")) fail("user-defined types are not supported yet");
  if (!at_stmt_end()) fail("expected IF, SELECT or the end of the statement after END" + found());
  stmt("sub_end();");
}

void translator::exit_stmt() {
  token at = peek();
  bk kind;
  if (accept_kw("FOR")) kind = bk::for_;
  else if (accept_kw("DO")) kind = bk::do_;
  else fail("expected FOR or DO after EXIT" + found());
  for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it)
    if (it->kind == kind) {
      emit(jump(blabel(*it, "exit")));
      return;
    }
  fail(at, std::string("EXIT ") + (kind == bk::for_ ? "FOR outside a FOR loop" : "DO outside a DO loop"));
}

void translator::dim_stmt() {
  accept_kw("SHARED");
  for (;;) {
    token name = peek();
    if (name.kind != tok::ident || (reserved().count(name.text) && !name.suffix)) fail("expected a variable name" + found());
    next();
    std::vector<std::string> lb, ub;
    bool array = false;
    if (accept_op("(")) {
      array = true;
      for (;;) {
        token bt = peek();
        expr a = num_expr(bt);
        std::string lo = "0", hi;
        if (accept_kw("TO")) {
          token ht = peek();
          lo = arg_as(a, 'i', bt);
          hi = arg_as(num_expr(ht), 'i', ht);
        } else {
          hi = arg_as(a, 'i', bt);
        }
        lb.push_back(lo);
        ub.push_back(hi);
        if (lb.size() > (size_t)max_dims) fail(bt, "an array has at most 8 dimensions");
        if (!accept_op(",")) break;
      }
      expect_op(")");
    }
    int fixed = 0;
    if (accept_kw("AS")) {
      token tt = peek();
      ty type;
      if (accept_kw("INTEGER")) type = T_INT;
      else if (accept_kw("LONG")) type = T_LNG;
      else if (accept_kw("SINGLE")) type = T_SNG;
      else if (accept_kw("DOUBLE")) type = T_DBL;
      else if (accept_kw("STRING")) {
        type = T_STR;
        if (accept_op("*")) {
          token nt = peek();
          if (nt.kind != tok::number || nt.text.find_first_not_of("0123456789") != std::string::npos)
            fail("expected a length after STRING *" + found());
          next();
          fixed = std::atoi(nt.text.c_str());
          if (fixed < 1 || fixed > 32767) fail(nt, "a fixed-length string must be 1 to 32767 long");
        }
      } else fail("expected INTEGER, LONG, SINGLE, DOUBLE or STRING" + found());
      if (name.suffix && suffix_type(name.suffix) != type) fail(tt, "the suffix of " + name.text + " does not match AS " + tname[type]);
      auto &as = array ? array_as_ : dim_as_;
      auto prev = as.find(name.text);
      if (prev != as.end() && prev->second != type) fail(name, "duplicate definition of " + name.text);
      if (!array) {
        auto used = bare_used_.find(name.text);
        if (used != bare_used_.end() && used->second != type)
          fail(name, "duplicate definition: " + name.text + " was already used as " + tname[used->second]);
        if (fixed && scalars_.count(name.text + "$")) fail(name, "duplicate definition of " + name.text);
      }
      as[name.text] = type;
      if (array && fixed) fail(tt, "arrays of fixed-length strings are not supported yet");
    }
    if (array) {
      ty type = name_type(name, true);
      var &v = array_var(name, type);
      std::string l, u;
      for (size_t k = 0; k < lb.size(); k++) { l += (k ? ", " : "") + lb[k]; u += (k ? ", " : "") + ub[k]; }
      stmt("kb_dim(" + v.cname + ", {" + l + "}, {" + u + "});");
    } else if (fixed) {
      std::string key = name.text + "$";
      var v;
      v.t = T_STR;
      v.fixed = fixed;
      v.cname = new_cname("v", name.text);
      if (info_) info_->variables.push_back(key);
      globals_ += "static kels *" + v.cname + ";\n";
      init_ += "  " + v.cname + " = kels_new_fixed((uint8_t *)mem_static_malloc(" + std::to_string(fixed) + "), " +
               std::to_string(fixed) + ", 0); std::memset(" + v.cname + "->text, 32, " + std::to_string(fixed) + ");\n";
      clear_ += "  kels_set(" + v.cname + ", kels_new_txt(\"\"));\n";
      scalars_.emplace(key, v);
    } else {
      scalar(name);
    }
    if (!accept_op(",")) break;
  }
}

void translator::const_stmt() {
  for (;;) {
    token name = peek();
    if (name.kind != tok::ident || (reserved().count(name.text) && !name.suffix)) fail("expected a constant name" + found());
    next();
    expect_op("=");
    token et = peek();
    bool tmp = st_tmp_;
    expr e = expression();
    st_tmp_ = tmp;
    if (!e.cst) fail(et, "expected a constant expression");
    if (name.suffix) e = conv(e, suffix_type(name.suffix), et);
    std::string full = name.text + (name.suffix ? std::string(1, name.suffix) : "");
    if (consts_.count(full)) fail(name, "duplicate definition of " + full);
    // A numeric constant is evaluated once, when the program starts.
    if (numeric(e.t)) {
      std::string c = new_cname("c", name.text);
      globals_ += std::string("static ") + ctype[e.t] + " " + c + ";\n";
      init_ += "  " + c + " = " + e.c + ";\n";
      e.c = c;
    }
    consts_[full] = e;
    if (!accept_op(",")) break;
  }
}

void translator::deftype_stmt(ty type) {
  for (;;) {
    token a = next();
    if (a.kind != tok::ident || a.text.size() != 1 || a.suffix) fail(a, "expected a letter");
    char hi = a.text[0];
    if (accept_op("-")) {
      token b = next();
      if (b.kind != tok::ident || b.text.size() != 1 || b.suffix) fail(b, "expected a letter");
      hi = b.text[0];
    }
    if (hi < a.text[0]) fail(a, "letter range out of order");
    for (char ch = a.text[0]; ch <= hi; ch++) deftype_[ch - 'A'] = type;
    if (!accept_op(",")) break;
  }
}

void translator::swap_stmt() {
  token at = peek();
  expr a = lvalue();
  expect_op(",");
  token bt = peek();
  expr b = lvalue();
  if (a.t != b.t) fail(bt, "type mismatch: SWAP needs two variables of the same type");
  if (a.t == T_STR) stmt("swap_string(" + a.c + ", " + b.c + ");");
  else stmt("std::swap(" + a.c + ", " + b.c + ");");
}

// [STEP] (x, y)
void translator::point_pair(std::string &step, std::string &x, std::string &y) {
  step = accept_kw("STEP") ? "1" : "0";
  expect_op("(");
  token xt = peek();
  x = arg_as(num_expr(xt), 'f', xt);
  expect_op(",");
  token yt = peek();
  y = arg_as(num_expr(yt), 'f', yt);
  expect_op(")");
}

void translator::graphics_stmt(const token &name) {
  const std::string &kw = name.text;
  auto opt = [&](char kind, std::string &out) -> bool {   // an optional argument after a comma
    if (at_stmt_end() || is_op(",")) return false;
    token t = peek();
    out = arg_as(num_expr(t), kind, t);
    return true;
  };
  if (kw == "LINE") {
    std::string s1 = "0", x1 = "0", y1 = "0", s2, x2, y2, colour = "0", style = "0";
    int passed = 0, kind = 0;
    if (!is_op("-")) { point_pair(s1, x1, y1); passed |= 1; }
    expect_op("-");
    point_pair(s2, x2, y2);
    if (accept_op(",")) {
      if (opt('u', colour)) passed |= 2;
      if (accept_op(",")) {
        if (accept_kw("B")) kind = 1;
        else if (accept_kw("BF")) kind = 2;
        if (accept_op(",")) {
          token st = peek();
          style = arg_as(num_expr(st), 'u', st);
          passed |= 4;
        }
      }
    }
    stmt("sub_line(" + s1 + ", " + x1 + ", " + y1 + ", " + s2 + ", " + x2 + ", " + y2 + ", " + colour + ", " +
         std::to_string(kind) + ", " + style + ", " + std::to_string(passed) + ");");
    return;
  }
  std::string s, x, y;
  point_pair(s, x, y);
  if (kw == "PSET" || kw == "PRESET") {
    std::string colour = "0";
    int passed = 0;
    if (accept_op(",") && opt('u', colour)) passed = 1;
    stmt(std::string(kw == "PSET" ? "kelg_pset(" : "sub_preset(") + s + ", " + x + ", " + y + ", " + colour + ", " +
         std::to_string(passed) + ");");
    return;
  }
  if (kw == "CIRCLE") {
    expect_op(",");
    token rt = peek();
    std::string radius = arg_as(num_expr(rt), 'd', rt);
    std::string v[4] = {"0", "0", "0", "0"};
    const char kinds[4] = {'u', 'd', 'd', 'd'};
    int passed = 0;
    for (int k = 0; k < 4 && accept_op(","); k++)
      if (opt(kinds[k], v[k])) passed |= 1 << k;
    stmt("sub_circle(" + s + ", " + x + ", " + y + ", " + radius + ", " + v[0] + ", " + v[1] + ", " + v[2] + ", " + v[3] +
         ", " + std::to_string(passed) + ");");
    return;
  }
  // PAINT [STEP] (x, y) [, [fill] [, [border] [, background$]]]
  std::string fill = "0", border = "0", bg = "nullptr";
  int passed = 0;
  if (accept_op(",")) {
    if (opt('u', fill)) passed |= 1;
    if (accept_op(",")) {
      if (opt('u', border)) passed |= 2;
      if (accept_op(",")) {
        token bt = peek();
        bg = str_expr(bt).c;
        passed |= 4;
        st_tmp_ = true;
      }
    }
  }
  stmt("sub_paint(" + s + ", " + x + ", " + y + ", " + fill + ", " + border + ", " + bg + ", " + std::to_string(passed) + ");");
}

void translator::view_stmt() {
  if (accept_kw("PRINT")) {
    if (at_stmt_end()) { stmt("kelg_sub_view_print(0, 0, 0);"); return; }
    token a = peek();
    std::string top = arg_as(num_expr(a), 'i', a);
    expect_kw("TO");
    token b = peek();
    std::string bottom = arg_as(num_expr(b), 'i', b);
    stmt("kelg_sub_view_print(" + top + ", " + bottom + ", 1);");
    return;
  }
  if (at_stmt_end()) { stmt("kelg_sub_view(0, 0, 0, 0, 0, 0, 0, 0);"); return; }
  std::string screen = accept_kw("SCREEN") ? "1" : "0";
  std::string c[4];
  expect_op("(");
  for (int k = 0; k < 4; k++) {
    if (k == 2) { expect_op(")"); expect_op("-"); expect_op("("); }
    else if (k) expect_op(",");
    token t = peek();
    c[k] = arg_as(num_expr(t), 'i', t);
  }
  expect_op(")");
  std::string fill = "0", border = "0";
  int passed = 1;
  if (accept_op(",")) {
    if (!at_stmt_end() && !is_op(",")) { token t = peek(); fill = arg_as(num_expr(t), 'u', t); passed |= 2; }
    if (accept_op(",")) { token t = peek(); border = arg_as(num_expr(t), 'u', t); passed |= 4; }
  }
  stmt("kelg_sub_view(" + screen + ", " + c[0] + ", " + c[1] + ", " + c[2] + ", " + c[3] + ", " + fill + ", " + border +
       ", " + std::to_string(passed) + ");");
}

void translator::window_stmt() {
  if (at_stmt_end()) { stmt("kelg_sub_window(0, 0, 0, 0, 0, 0);"); return; }
  std::string screen = accept_kw("SCREEN") ? "1" : "0";
  std::string s1, x1, y1, s2, x2, y2;
  point_pair(s1, x1, y1);
  expect_op("-");
  point_pair(s2, x2, y2);
  stmt("kelg_sub_window(" + screen + ", " + x1 + ", " + y1 + ", " + x2 + ", " + y2 + ", 1);");
}

void translator::fullscreen_stmt() {
  int kind = 0;
  if (accept_kw("_OFF")) kind = 1;
  else if (accept_kw("_STRETCH")) kind = 2;
  else if (accept_kw("_SQUAREPIXELS")) kind = 3;
  accept_op(",");
  accept_kw("_SMOOTH");
  stmt("sub__fullscreen(" + std::to_string(kind) + ");");
}

// ON TIMER([slot,] seconds) GOSUB label, and TIMER[(slot)] ON | OFF | STOP | FREE. Each
// handler label gets an id (1 upward); the timer slot carries it and the program's routine,
// entered with that id, starts at the label.
void translator::timer_stmt() {
  token kw = next();
  if (kw.text == "ON") {
    if (is_kw("ERROR")) fail("ON ERROR is not supported yet");
    if (!is_kw("TIMER")) fail("expected TIMER after ON (ON ... GOTO and ON ... GOSUB are not supported yet)" + found());
    next();
    expect_op("(");
    token a = peek();
    expr first = num_expr(a);
    std::string slot = "0", seconds;
    if (accept_op(",")) {
      slot = arg_as(first, 'i', a);
      token b = peek();
      seconds = arg_as(num_expr(b), 'd', b);
    } else {
      seconds = arg_as(first, 'd', a);
    }
    expect_op(")");
    expect_kw("GOSUB");
    token target = next();
    std::string l = label_ref(target);
    auto it = handler_ids_.find(l);
    if (it == handler_ids_.end()) {
      handlers_.push_back(l);
      it = handler_ids_.emplace(l, (int)handlers_.size()).first;
    }
    stmt("ontimer_setup(" + slot + ", " + seconds + ", " + std::to_string(it->second) + ", 0);");
    return;
  }
  std::string slot = "0";
  int passed = 0;
  if (accept_op("(")) {
    token a = peek();
    slot = arg_as(num_expr(a), 'i', a);
    expect_op(")");
    passed = 1;
  }
  int kind;
  if (accept_kw("ON")) kind = 1;
  else if (accept_kw("OFF")) kind = 2;
  else if (accept_kw("STOP")) kind = 3;
  else if (accept_kw("FREE")) kind = 4;
  else fail("expected ON, OFF, STOP or FREE after TIMER" + found());
  stmt("sub_timer(" + slot + ", " + std::to_string(kind) + ", " + std::to_string(passed) + ");");
}

// CALL ABSOLUTE([argument, ...] offset). As in the dialect, arguments pass by reference: the
// routine finds on its stack the offset, in the data block (segment 80, its DS), of each
// argument's value. The program's variables live outside the data block, so every value is
// copied into a slot taken from the data block's record stack for the call, and a variable or
// array element gets its slot's contents back afterwards, so a routine may change it.
// Anything else (a constant, an expression, a variable in parentheses) passes a copy only.
void translator::call_absolute_stmt() {
  expect_op("(");
  std::vector<std::pair<token, expr>> args;
  std::vector<bool> by_ref;
  for (;;) {
    token at = peek();
    std::string full = at.text + (at.suffix ? std::string(1, at.suffix) : "");
    bool maybe_var = at.kind == tok::ident && (at.suffix || !reserved().count(at.text)) && !consts_.count(full) &&
                     !(!at.suffix && consts_.count(at.text)) && !unsupported_reason(full);
    for (const builtin &b : builtins())
      if (!b.statement && full == b.name) maybe_var = false;
    bool ref = false;
    expr e;
    if (maybe_var) {
      size_t save = p_;
      e = lvalue();
      ref = is_op(",") || is_op(")");
      if (!ref) p_ = save;
    }
    if (!ref) e = expression();
    if (args.size() == 257) fail(at, "CALL ABSOLUTE passes at most 256 arguments");
    args.push_back({at, e});
    by_ref.push_back(ref);
    if (!accept_op(",")) break;
  }
  expect_op(")");
  std::string offset = arg_as(args.back().second, 'i', args.back().first);
  std::string items;
  for (size_t k = 0; k + 1 < args.size(); k++) {
    const expr &e = args[k].second;
    if (!numeric(e.t))
      fail(args[k].first, "CALL ABSOLUTE cannot pass strings: their descriptors do not live in the data block");
    items += k ? ", " : "";
    if (by_ref[k]) items += "kb_ca_ref(&" + e.c + ")";
    else items += std::string("kb_ca_val<") + ctype[e.t] + ">(" + e.c + ")";
  }
  stmt("kb_call_absolute(" + offset + ", {" + items + "});");
}

// CALL INTERRUPT(number, inregs%(), outregs%()) and CALL INTERRUPTX: the register records are
// INTEGER arrays whose elements are AX, BX, CX, DX, BP, SI, DI, FLAGS (and DS, ES for
// INTERRUPTX), so 8 (10) elements at least; the runtime checks their length.
void translator::call_interrupt_stmt(const token &which) {
  expect_op("(");
  token nt = peek();
  std::string number = arg_as(num_expr(nt), 'i', nt);
  std::string regs[2];
  for (std::string &r : regs) {
    expect_op(",");
    token rt = peek();
    if (rt.kind != tok::ident || !is_op("(", 1) || !is_op(")", 2))
      fail(rt, "CALL " + which.text + " takes its register records as INTEGER arrays, such as Regs%() "
               "(user-defined types are not supported yet)");
    ty type = name_type(rt, true);
    if (type != T_INT)
      fail(rt, "CALL " + which.text + " needs INTEGER arrays as register records, but " + rt.text +
               tsuffix[type] + "() is " + tname[type]);
    r = "kb_regs(" + array_var(rt, T_INT).cname + ")";
    next();
    next();
    next();
  }
  expect_op(")");
  std::string f = which.text == "INTERRUPT" ? "call_interrupt(" : "call_interruptx(";
  stmt(f + number + ", " + regs[0] + ", " + regs[1] + ");");
}

// ---------------------------------------------------------------- the program

const char *preamble = R"KB(#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <type_traits>
#include <utility>
#include "kel.h"

// The statement protocol: run the statement; on an event call evnt with its line and repeat
// the statement when evnt asks for it.
#define KB_S(line, ...) for (;;) { __VA_ARGS__; if (!kelevent) break; evnt(line); if (r != 1) break; }

static inline int16_t kb_i16(int64_t v) { if (v < -32768 || v > 32767) { error(6); return 0; } return (int16_t)v; }
static inline int32_t kb_i32(int64_t v) { if (v < INT32_MIN || v > INT32_MAX) { error(6); return 0; } return (int32_t)v; }
// Floating values meet integers rounded to nearest, ties to even.
template <class T> static inline int64_t kb_round(T x) {
  if constexpr (std::is_integral_v<T>) return x;
  else { if (!(x > -9.0e18 && x < 9.0e18)) { error(6); return 0; } return kelr((long double)x); }
}
template <class T> static inline int16_t kb_i(T x) { return kb_i16(kb_round(x)); }
template <class T> static inline int32_t kb_l(T x) { return kb_i32(kb_round(x)); }
template <class T> static inline uint32_t kb_u(T x) {
  int64_t v = kb_round(x);
  if (v < INT32_MIN || v > (int64_t)UINT32_MAX) { error(6); return 0; }
  return (uint32_t)v;
}
static inline int32_t kb_idiv(int32_t a, int32_t b) { if (b == 0) { error(11); return 0; } if (b == -1) return kb_i32(-(int64_t)a); return a / b; }
static inline int32_t kb_mod(int32_t a, int32_t b) { if (b == 0) { error(11); return 0; } if (b == -1) return 0; return a % b; }
template <class T> static inline T kb_div(T a, T b) { if (b == 0) { error(11); return 0; } return a / b; }
template <class T> static inline T kb_pow(T a, T b) {
  if (a == 0 && b < 0) { error(11); return 0; }
  if (a < 0 && b != std::floor(b)) { error(5); return 0; }
  return std::pow(a, b);
}
template <class T> static inline T kb_int(T x) { if constexpr (std::is_integral_v<T>) return x; else return std::floor(x); }
template <class T> static inline T kb_fix(T x) { if constexpr (std::is_integral_v<T>) return x; else return std::trunc(x); }
template <class T> static inline T kb_abs(T x) {
  if constexpr (std::is_integral_v<T>) { if (x == std::numeric_limits<T>::min()) { error(6); return 0; } }
  return x < 0 ? T(-x) : x;
}
template <class T> static inline int16_t kb_sgn(T x) { return x > 0 ? 1 : x < 0 ? -1 : 0; }
template <class T> static inline T kb_sqr(T x) { if (x < 0) { error(5); return 0; } return std::sqrt(x); }
template <class T> static inline T kb_log(T x) { if (x <= 0) { error(5); return 0; } return std::log(x); }
template <class T> static inline T kb_exp(T x) { T v = std::exp(x); if (std::isinf(v)) { error(6); return 0; } return v; }
static inline kels *kb_hex(int16_t v) { return func_hex(v, 4); }
static inline kels *kb_hex(int32_t v) { return func_hex(v, 8); }
static inline kels *kb_hex(float v) { return func_hex_float(v); }
static inline kels *kb_hex(double v) { return func_hex_float(v); }
static inline kels *kb_oct(int16_t v) { return func_oct(v, 16); }
static inline kels *kb_oct(int32_t v) { return func_oct(v, 32); }
static inline kels *kb_oct(float v) { return func_oct_float(v); }
static inline kels *kb_oct(double v) { return func_oct_float(v); }

// PRINT items: each is assigned to a fresh string, fitted to the line, printed and freed.
// A number prints as its STR$ followed by one space.
static inline kels *kb_num(kels *s) { return kels_add(s, kels_new_txt(" ")); }
static inline void kb_print(kels *s) {
  kels *item = kels_new(0, 0);
  kels_set(item, s);
  if (!new_error) { makefit(item); kels_print(item, 0); }
  kels_free(item);
}
static inline void kb_print_raw(kels *s) { if (!new_error) kels_print(s, 0); }   // TAB, SPC

// Arrays: bounds per dimension, elements in one zero-filled block; string arrays hold one
// descriptor per element. An array used before DIM gets 0 TO 10 in each dimension.
struct kb_arr {
  uint8_t *data;
  uint32_t esize;
  uint8_t isstr;
  int32_t dims;
  int32_t lb[8], ub[8];
};
[[maybe_unused]] static kels *kb_dummy_str;
static inline void kb_dim_n(kb_arr &a, int32_t n, const int32_t *lb, const int32_t *ub) {
  if (new_error) return;
  if (a.data) { error(10); return; }
  uint64_t count = 1;
  int32_t d = 0;
  for (; d < n; ++d) {
    if (ub[d] < lb[d]) { error(9); return; }
    count *= (uint64_t)((int64_t)ub[d] - lb[d] + 1);
    if (count * a.esize > (1ull << 30)) { error(7); return; }
    a.lb[d] = lb[d];
    a.ub[d] = ub[d];
  }
  a.data = (uint8_t *)std::calloc(count, a.esize);
  if (!a.data) { error(7); return; }
  a.dims = d;
  if (a.isstr)
    for (uint64_t i = 0; i < count; i++) ((kels **)a.data)[i] = kels_new(0, 0);
}
static inline void kb_dim(kb_arr &a, std::initializer_list<int32_t> lb, std::initializer_list<int32_t> ub) {
  kb_dim_n(a, (int32_t)lb.size(), lb.begin(), ub.begin());
}
static inline void kb_erase(kb_arr &a) {
  if (!a.data) return;
  if (a.isstr) {
    uint64_t count = 1;
    for (int32_t d = 0; d < a.dims; d++) count *= (uint64_t)((int64_t)a.ub[d] - a.lb[d] + 1);
    for (uint64_t i = 0; i < count; i++) kels_free(((kels **)a.data)[i]);
  }
  std::free(a.data);
  a.data = nullptr;
  a.dims = 0;
}
template <class T> static inline T *kb_at(kb_arr &a, std::initializer_list<int32_t> ix) {
  static T dummy;
  if (!a.data && !new_error) {
    static const int32_t lb[8] = {}, ub[8] = {10, 10, 10, 10, 10, 10, 10, 10};
    kb_dim_n(a, (int32_t)ix.size(), lb, ub);
  }
  bool ok = a.data && !new_error && (int32_t)ix.size() == a.dims;
  uint64_t off = 0;
  if (ok) {
    int32_t d = 0;
    for (int32_t v : ix) {
      if (v < a.lb[d] || v > a.ub[d]) { ok = false; break; }
      off = off * (uint64_t)((int64_t)a.ub[d] - a.lb[d] + 1) + (uint64_t)((int64_t)v - a.lb[d]);
      d++;
    }
  }
  if (!ok) {
    if (!new_error) error(9);
    if constexpr (std::is_same_v<T, kels *>) dummy = kb_dummy_str;
    else dummy = T();
    return &dummy;
  }
  return (T *)a.data + off;
}

// CALL ABSOLUTE's arguments: each value is copied into a slot taken from the top of the data
// block's record stack, the routine gets the slots' offsets, and the slots of variables are
// copied back after the call. The slots are given back when the call returns.
struct kb_ca_arg {
  void *var;          // the variable to copy back into, or null for a value
  uint8_t value[8];
  uint32_t bytes;
};
template <class T> static inline kb_ca_arg kb_ca_ref(T *v) {
  kb_ca_arg a{v, {}, sizeof(T)};
  std::memcpy(a.value, v, sizeof(T));
  return a;
}
template <class T> static inline kb_ca_arg kb_ca_val(T v) {
  kb_ca_arg a{nullptr, {}, sizeof(T)};
  std::memcpy(a.value, &v, sizeof(T));
  return a;
}
[[maybe_unused]] static void kb_call_absolute(int32_t offset, std::initializer_list<kb_ca_arg> args) {
  if (new_error) return;
  uint32_t need = 0;
  for (const kb_ca_arg &a : args) need += (a.bytes + 3) & ~3u;
  if (need > cmem_sp || cmem_sp - need < kels_cmem_sp) { error(7); return; }
  uint32_t saved = cmem_sp, base = cmem_sp - need, at = base, k = 0;
  cmem_sp = base;
  for (const kb_ca_arg &a : args) {
    std::memcpy(dblock + at, a.value, a.bytes);
    call_absolute_offsets[k++] = (uint16_t)at;
    at += (a.bytes + 3) & ~3u;
  }
  call_absolute((int32_t)args.size(), offset);
  at = base;
  for (const kb_ca_arg &a : args) {
    if (a.var) std::memcpy(a.var, dblock + at, a.bytes);
    at += (a.bytes + 3) & ~3u;
  }
  if (cmem_sp == base) cmem_sp = saved;   // unless the call took records of its own
}

// CALL INTERRUPT's register records: an INTEGER array's elements in order, all of them.
[[maybe_unused]] static interrupt_regs kb_regs(kb_arr &a) {
  if (!a.data) return {nullptr, 0};
  uint64_t count = 1;
  for (int32_t d = 0; d < a.dims; d++) count *= (uint64_t)((int64_t)a.ub[d] - a.lb[d] + 1);
  return {a.data, (uint32_t)(count * a.esize)};
}

static bool kb_ready;
)KB";

std::string translator::run() {
  while (peek().kind != tok::end) line();
  if (!blocks_.empty()) {
    const block &b = blocks_.back();
    static const char *names[] = {"IF without END IF", "FOR without NEXT", "DO without LOOP", "WHILE without WEND",
                                  "SELECT CASE without END SELECT"};
    throw bas_error{b.line, b.col, names[(int)b.kind]};
  }
  for (auto &ref : label_refs_)
    if (!labels_.count(ref.first)) throw bas_error{ref.second.first, ref.second.second, "label " + ref.first + " not defined"};

  // Resolve label references (\x03name\x04) and placements (\x01label\x02).
  std::string body;
  for (size_t k = 0; k < body_.size(); k++) {
    char ch = body_[k];
    if (ch == '\x03' || ch == '\x01') {
      size_t e = body_.find(ch == '\x03' ? '\x04' : '\x02', k);
      std::string name = body_.substr(k + 1, e - k - 1);
      k = e;
      if (ch == '\x03') {
        const std::string &c = labels_.at(name);
        used_labels_.insert(c);
        body += "goto " + c + ";";
      } else {
        body += "\x05" + name + "\x06";
      }
      continue;
    }
    body += ch;
  }
  if (has_return_)
    for (int k = 1; k <= gosub_ids_; k++) used_labels_.insert("R_" + std::to_string(k));
  for (const std::string &h : handlers_) used_labels_.insert(labels_.at(h));
  std::string final_body;
  for (size_t k = 0; k < body.size(); k++) {
    if (body[k] == '\x05') {
      size_t e = body.find('\x06', k);
      std::string name = body.substr(k + 1, e - k - 1);
      k = e;
      if (used_labels_.count(name)) final_body += name + ":;\n";
      continue;
    }
    final_body += body[k];
  }

  std::string out = "// Translated from BASIC by bas2cpp; edit the .bas file instead.\n";
  out += preamble;
  out += "\n// The program's variables.\n" + globals_;
  out += "\nstatic void kb_clear() {\n" + clear_ + "}\n";
  bool timers = !handlers_.empty();
  if (timers) out += "\nstatic void kb_on_timer(uint32_t id, int64_t pass);\n";
  out += "\nstatic void kb_setup() {\n  if (kb_ready) return;\n  kb_ready = true;\n  kb_dummy_str = kels_new(0, 0);\n" + init_ +
         "  kel_on_clear(kb_clear);\n";
  if (timers) out += "  ontimer_handler = kb_on_timer;\n";
  out += "}\n";
  // The program's routine: entry 0 runs from the top; an ON TIMER handler's id starts at its
  // label. Condition and return-id scratch are locals, so a handler entered in the middle of
  // a statement leaves the interrupted one's intact.
  out += "\nstatic void kb_program(uint32_t kb_entry) {\n";
  out += "  uint32_t kels_tmp_base = kels_tmp_list_nexti;\n  (void)kels_tmp_base;\n";
  out += "  [[maybe_unused]] int32_t kb_c = 0;     // the last condition's truth\n";
  out += "  [[maybe_unused]] int64_t kb_rid = 0;   // the return id RETURN popped\n";
  if (timers) {
    out += "  switch (kb_entry) {\n    case 0: break;\n";
    for (size_t k = 0; k < handlers_.size(); k++)
      out += "    case " + std::to_string(k + 1) + ": goto " + labels_.at(handlers_[k]) + ";\n";
    out += "    default: return;\n  }\n";
  } else {
    out += "  (void)kb_entry;\n";
  }
  out += final_body;
  out += "  KB_S(" + std::to_string(last_line_) + ", sub_end());\n";
  if (has_return_) {
    out += "kb_return_dispatch:\n  switch (kb_rid) {\n";
    for (int k = 1; k <= gosub_ids_; k++) out += "    case " + std::to_string(k) + ": goto R_" + std::to_string(k) + ";\n";
    out += "    default: return;\n  }\n";
  }
  out += "}\n";
  if (timers) {
    // A handler runs as a call from events(): the return id 0 on the stack makes its RETURN
    // leave the routine even when the interrupted code was inside a GOSUB, and event_return
    // does the same once CLEAR has emptied the stack.
    out += "\nstatic void kb_on_timer(uint32_t id, int64_t pass) {\n  (void)pass;\n";
    out += "  int saved_return = event_return, saved_r = r;\n";
    out += "  event_return = 1;\n  gosub_push(0);\n  kb_program(id);\n";
    out += "  event_return = saved_return;\n  r = saved_r;\n}\n";
  }
  out += "\nstatic void KELMAIN() {\n";
  out += "  if (error_occurred) { error_occurred = 0; kel_exit(99); }   // no ON ERROR handler\n";
  out += "  kb_setup();\n  kb_program(0);\n}\n";
  out += "\nint main(int argc, char **argv) { return kel_main(argc, argv, KELMAIN); }\n";
  return out;
}

}  // namespace

translation translate(const std::string &source, const std::string &filename, program_info *info) {
  translation res;
  // An editor's UTF-8 byte-order mark is not program text; dropping it keeps column 1 on the
  // first character after it.
  static const std::string bom = "\xEF\xBB\xBF";
  bool has_bom = source.compare(0, bom.size(), bom) == 0;
  try {
    translator tr(lex(has_bom ? source.substr(bom.size()) : source), info);
    res.cpp = tr.run();
    res.ok = true;
  } catch (const bas_error &e) {
    res.line = e.line;
    res.col = e.col;
    res.message = filename + ":" + std::to_string(e.line) + ":" + std::to_string(e.col) + ": " + e.msg;
  }
  return res;
}

}  // namespace bas
