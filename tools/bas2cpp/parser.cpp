// The parser: statement by statement into the tree, blocks kept as a stack of open frames so
// that NEXT may close several loops and a single-line IF can tell a block it opened from one
// it would close. Names stay as written; the checks decide what each one is.
#include "parser.h"
#include <cctype>
#include <set>
#include "builtins.h"

namespace bas {

namespace {

constexpr int max_expr_depth = 64;
constexpr int max_block_depth = 128;
constexpr int max_include_depth = 16;
constexpr int max_dims = 8;

using read_fn = std::function<std::string(const std::string &, place)>;

const std::set<std::string> &reserved() {
  static const std::set<std::string> words = {
      "AND", "OR", "XOR", "EQV", "IMP", "NOT", "MOD", "THEN", "ELSE", "ELSEIF", "TO", "STEP", "IS",
      "AS", "USING", "IF", "FOR", "NEXT", "DO", "LOOP", "WHILE", "WEND", "UNTIL", "SELECT", "CASE",
      "END", "EXIT", "GOTO", "GOSUB", "RETURN", "DIM", "SHARED", "CONST", "LET", "PRINT", "INPUT",
      "LINE", "SWAP", "LSET", "RSET", "PSET", "PRESET", "CIRCLE", "PAINT", "VIEW", "WINDOW", "ON",
      "OFF", "REM", "INTEGER", "LONG", "SINGLE", "DOUBLE", "STRING", "DEFINT", "DEFLNG", "DEFSNG",
      "DEFDBL", "DEFSTR", "TAB", "SPC", "_FULLSCREEN", "TIMER", "ERROR",
      // statements the one-pass translator refused
      "LPRINT", "WRITE", "DATA", "READ", "RESTORE", "RESUME", "REDIM", "ERASE", "STATIC", "COMMON",
      "SUB", "FUNCTION", "DECLARE", "CALL", "TYPE", "DEF", "OPTION", "STOP", "SYSTEM",
      // the file statements and pictures
      "OPEN", "CLOSE", "RESET", "GET", "PUT", "FIELD", "NAME", "SEEK", "ACCESS", "LOCK"};
  return words;
}

bool is_builtin(const std::string &full, bool statement) {
  for (const builtin &b : builtins())
    if (b.statement == statement && full == b.name) return true;
  return false;
}

std::string full_name(const token &t) { return t.text + (t.suffix ? std::string(1, t.suffix) : ""); }

place place_of(const token &t) { return place{t.line, t.col, t.file}; }

// An open block. Single-line IFs are frames too, so that a statement inside one cannot close
// or continue a block opened before it.
struct frame {
  enum kind_t { if_, for_, do_, while_, select, sub_, function_, def_fn, single_if } kind;
  stmt *s = nullptr;
  block *cur = nullptr;   // where statements go; null for a SELECT CASE before its first CASE
  place at;               // where an unclosed block is reported (single_if: its condition)
  bool has_else = false;
  bool procedure() const { return kind == sub_ || kind == function_ || kind == def_fn; }
};

class parser {
 public:
  parser(const std::vector<token> &toks, const std::string &file, const read_fn &read_include)
      : t_(toks), read_include_(read_include) {
    files_.push_back(file);
    if (t_.empty() || t_.back().kind != tok::end) {
      token e;
      e.kind = tok::end;
      if (!t_.empty()) { e.line = t_.back().line; e.col = t_.back().col; e.file = t_.back().file; }
      t_.push_back(e);
    }
  }
  program run();

 private:
  std::vector<token> t_;
  size_t p_ = 0;
  const read_fn &read_include_;
  std::vector<std::string> files_;
  block top_;
  std::vector<frame> frames_;
  std::set<std::string> labels_, sub_names_;
  int depth_ = 0;       // expression nesting
  int single_if_ = 0;   // single-line IFs being read

  // Tokens.
  const token &peek(size_t k = 0) const { return t_[std::min(p_ + k, t_.size() - 1)]; }
  token next() { token t = t_[p_]; if (p_ + 1 < t_.size()) p_++; return t; }
  [[noreturn]] void fail_at(const place &p, const std::string &msg) const {
    throw bas_error{p.line, p.col, msg, files_[p.file]};
  }
  [[noreturn]] void fail(const token &t, const std::string &msg) const { fail_at(place_of(t), msg); }
  [[noreturn]] void fail(const std::string &msg) const { fail(peek(), msg); }
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
      case tok::end: case tok::newline: case tok::meta: return " before the end of the line";
      case tok::string: return " but found a string";
      case tok::number: return " but found " + t.text;
      case tok::ident: return " but found " + full_name(t);
      case tok::data: return " but found DATA items";
      default: return " but found '" + t.text + "'";
    }
  }
  bool at_stmt_end() const {
    tok k = peek().kind;
    return k == tok::newline || k == tok::end || k == tok::meta || is_op(":") || (single_if_ && is_kw("ELSE"));
  }
  static bool is_reserved(const token &t) { return t.kind == tok::ident && !t.suffix && reserved().count(t.text); }

  // Tree building.
  stmt_p mk(sk kind, const token &at) {
    auto s = std::make_unique<stmt>();
    s->kind = kind;
    s->at = place_of(at);
    return s;
  }
  expr_p mk_expr(ek kind, const token &at) {
    auto e = std::make_unique<expr>();
    e->kind = kind;
    e->at = e->start = place_of(at);
    return e;
  }
  stmt *append(stmt_p s);
  void push_frame(frame::kind_t kind, stmt *s, block *cur, const token &at);
  [[noreturn]] void unclosed(const frame &f) const;
  frame &innermost(frame::kind_t kind, const token &at, const std::string &without);
  void close_procedure(frame::kind_t kind, const token &end_kw, const token &at, const std::string &without);
  void module_level(const token &at, const std::string &what) const;

  // The program.
  void expand_includes();
  void find_sub_names();
  void line();
  void statement_list();
  void statement();
  void define_label(const token &t);
  void label_ref(stmt &s);

  // Expressions.
  expr_p expression();
  expr_p parse_binary(int level);
  expr_p parse_not();
  expr_p parse_neg();
  expr_p parse_pow();
  expr_p atom();
  expr_p reference();
  expr_p lvalue();
  expr_p binary(const std::string &op, const token &at, expr_p a, expr_p b) {
    auto e = mk_expr(ek::binary, at);
    e->text = op;
    e->start = a->start;
    e->args.push_back(std::move(a));
    e->args.push_back(std::move(b));
    return e;
  }

  // Statements.
  void print_stmt(const token &kw);
  void print_items_before_using(const token &kw, stmt &s);
  void input_stmt(const token &kw, bool line_input);
  void if_stmt(const token &kw);
  void single_if_part(size_t mine, bool goto_form);
  void else_stmt(const token &kw);
  void block_else_rest();
  void for_stmt(const token &kw);
  void next_stmt(const token &kw);
  void do_stmt(const token &kw);
  void loop_stmt(const token &kw);
  void select_stmt(const token &kw);
  void case_stmt(const token &kw);
  void end_stmt(const token &kw);
  void exit_stmt(const token &kw);
  decl one_decl();
  void decl_list(std::vector<decl> &out);
  type_name type_after_as();
  void params(std::vector<decl> &out);
  void graphics_stmt(const token &kw);
  void point_pair(bool &step, expr_p &x, expr_p &y);
  void file_stmt(const token &kw);
  void view_stmt(const token &kw);
  void on_stmt(const token &kw);
  void timer_stmt(const token &kw);
  void on_event_stmt(const token &kw);
  bool event_stmt(const token &kw);
  void sub_stmt(const token &kw, bool function);
  void def_stmt(const token &kw);
  void declare_stmt(const token &kw);
  void type_stmt(const token &kw);
  void field_bounds(decl &d);
  void bounds_list(decl &d);
  print_item one_print_item();
  void clock_stmt(const token &kw);
  void lock_stmt(const token &kw);
  void call_stmt(const token &kw);
  void bare_call(const token &name);
};

// ---------------------------------------------------------------- blocks

stmt *parser::append(stmt_p s) {
  stmt *p = s.get();
  if (frames_.empty()) {
    top_.push_back(std::move(s));
    return p;
  }
  frame &f = frames_.back();
  if (!f.cur) {
    // Between SELECT CASE and its first CASE only line labels (of a numbered program) and
    // metacommands may stand; they go just before the SELECT, in the block that holds it.
    if (s->kind != sk::label && s->kind != sk::metacommand) fail_at(s->at, "expected CASE after SELECT CASE");
    block &outer = frames_.size() > 1 ? *frames_[frames_.size() - 2].cur : top_;
    outer.insert(outer.end() - 1, std::move(s));   // the SELECT is the last statement there
    return p;
  }
  f.cur->push_back(std::move(s));
  return p;
}

void parser::push_frame(frame::kind_t kind, stmt *s, block *cur, const token &at) {
  int open = 0;
  for (const frame &f : frames_) open += f.kind != frame::single_if;
  if (kind != frame::single_if && open >= max_block_depth) fail(at, "blocks nested too deeply");
  frame f;
  f.kind = kind;
  f.s = s;
  f.cur = cur;
  f.at = place_of(at);
  frames_.push_back(f);
}

void parser::unclosed(const frame &f) const {
  static const char *names[] = {"IF without END IF", "FOR without NEXT", "DO without LOOP", "WHILE without WEND",
                                "SELECT CASE without END SELECT", "SUB without END SUB",
                                "FUNCTION without END FUNCTION", "DEF FN without END DEF",
                                "a block opened in a single-line IF must close on that line"};
  fail_at(f.at, names[f.kind]);
}

// The block a closing or continuing statement (NEXT, ELSE, CASE, END IF, ...) belongs to: the
// innermost one, which must be of its kind and not lie outside a single-line IF around it.
frame &parser::innermost(frame::kind_t kind, const token &at, const std::string &without) {
  size_t i = frames_.size();
  while (i > 0 && frames_[i - 1].kind == frame::single_if) i--;
  if (i == 0 || frames_[i - 1].kind != kind) fail(at, without);
  if (i != frames_.size()) fail_at(frames_.back().at, "a single-line IF cannot close a block opened before it");
  return frames_[i - 1];
}

// END SUB / END FUNCTION / END DEF: the procedure is the outermost frame; anything still open
// inside it is reported as unclosed.
void parser::close_procedure(frame::kind_t kind, const token &end_kw, const token &at, const std::string &without) {
  if (frames_.empty() || frames_[0].kind != kind) fail(at, without);
  for (size_t i = frames_.size(); i-- > 1;)
    if (frames_[i].kind == frame::single_if) fail_at(frames_[i].at, "a single-line IF cannot close a block opened before it");
  if (frames_.size() > 1) unclosed(frames_.back());
  frames_[0].s->end_at = place_of(end_kw);
  frames_.pop_back();
}

// SUB, FUNCTION, DEF FN and TYPE stand at module level, outside any block.
void parser::module_level(const token &at, const std::string &what) const {
  for (const frame &f : frames_)
    if (f.procedure()) fail(at, what + " inside a procedure");
  if (!frames_.empty()) fail(at, what + " inside a block");
}

// ---------------------------------------------------------------- the program

// Splices each $INCLUDE file's tokens in place of the metacommand, so that the file's lines
// read as if written there; nested includes are expanded as the scan reaches them.
void parser::expand_includes() {
  std::vector<int> depth = {0};
  for (size_t k = 0; k < t_.size(); k++) {
    if (t_[k].kind != tok::meta || t_[k].text != "$INCLUDE") continue;
    token meta = t_[k];
    if (k + 1 >= t_.size() || t_[k + 1].kind != tok::string) fail(meta, "expected $INCLUDE: 'file name'");
    token name = t_[k + 1];
    int d = depth[meta.file] + 1;
    if (d > max_include_depth)
      fail(meta, "$INCLUDE nested more than " + std::to_string(max_include_depth) + " deep (does a file include itself?)");
    std::string text;
    try {
      text = read_include_(name.text, place_of(name));
    } catch (bas_error &e) {
      if (e.file.empty()) e.file = files_[meta.file];
      throw;
    }
    static const std::string bom = "\xEF\xBB\xBF";
    if (text.compare(0, bom.size(), bom) == 0) text.erase(0, bom.size());
    int index = (int)files_.size();
    files_.push_back(name.text);
    depth.push_back(d);
    std::vector<token> inc;
    try {
      inc = lex(text, true);
    } catch (bas_error &e) {
      e.file = name.text;
      throw;
    }
    inc.pop_back();   // its end
    for (token &x : inc) x.file = index;
    // The included lines start on a line of their own.
    token nl = meta;
    nl.kind = tok::newline;
    nl.text.clear();
    nl.line_start = false;
    inc.insert(inc.begin(), nl);
    t_.erase(t_.begin() + k, t_.begin() + k + 2);
    t_.insert(t_.begin() + k, inc.begin(), inc.end());
  }
}

// The SUB names defined or declared anywhere, so that a statement that is no call can be
// reported as an unknown statement rather than by its arguments.
void parser::find_sub_names() {
  for (size_t k = 0; k + 1 < t_.size(); k++) {
    const token &t = t_[k];
    if (t.kind != tok::ident || t.suffix || t.text != "SUB" || t_[k + 1].kind != tok::ident) continue;
    bool start = k == 0;
    if (k > 0) {
      const token &b = t_[k - 1];
      start = b.kind == tok::newline || (b.kind == tok::op && b.text == ":") || (b.kind == tok::number && b.line_start) ||
              (b.kind == tok::ident && !b.suffix && b.text == "DECLARE");
    }
    if (start) sub_names_.insert(t_[k + 1].text);
  }
}

program parser::run() {
  expand_includes();
  find_sub_names();
  while (peek().kind != tok::end) line();
  if (!frames_.empty()) unclosed(frames_.back());
  program prog;
  prog.statements = std::move(top_);
  prog.file = files_[0];
  prog.files = files_;
  return prog;
}

void parser::define_label(const token &t) {
  if (t.kind == tok::number)
    for (char ch : t.text)
      if (!std::isdigit((unsigned char)ch)) fail(t, "a line number must be a whole number");
  if (!labels_.insert(t.text).second) fail(t, "duplicate label " + t.text);
  auto s = mk(sk::label, t);
  s->text = t.text;
  append(std::move(s));
}

void parser::label_ref(stmt &s) {
  token t = next();
  if ((t.kind != tok::number && t.kind != tok::ident) || (t.kind == tok::ident && t.suffix))
    fail(t, "expected a line number or label");
  s.names.push_back(t.text);
  s.name_places.push_back(place_of(t));
}

void parser::line() {
  const token &t = peek();
  if (t.kind == tok::newline) { next(); return; }
  if (t.line_start) {
    if (t.kind == tok::number) {
      token l = next();
      define_label(l);
      accept_op(":");
    } else if (t.kind == tok::ident && !t.suffix && is_op(":", 1) && !reserved().count(t.text) &&
               !is_builtin(t.text, true) && !unsupported_reason(t.text)) {
      token l = next();
      next();
      define_label(l);
    }
  }
  statement_list();
  if (peek().kind == tok::newline) next();
  else if (peek().kind != tok::end) fail("expected the end of the line" + found());
}

void parser::statement_list() {
  for (;;) {
    if (peek().kind == tok::newline || peek().kind == tok::end) return;
    if (single_if_ && is_kw("ELSE")) return;
    if (accept_op(":")) continue;
    if (peek().kind == tok::meta) {
      token m = next();
      auto s = mk(sk::metacommand, m);
      s->text = m.text;
      append(std::move(s));
      continue;
    }
    statement();
    if (!at_stmt_end() && !is_kw("ELSE")) fail("expected ':' or the end of the line" + found());
  }
}

void parser::statement() {
  const token t = peek();
  if (t.kind != tok::ident) fail("expected a statement" + found());
  const std::string kw = t.text, full = full_name(t);
  if (!frames_.empty() && frames_.back().kind == frame::select && !frames_.back().cur && full != "CASE" &&
      !(full == "END" && is_kw("SELECT", 1)))
    fail(t, "expected CASE after SELECT CASE");
  if ((kw == "DATE" || kw == "TIME") && t.suffix == '$' && is_op("=", 1)) { clock_stmt(t); return; }
  if (kw == "MID" && t.suffix == '$' && is_op("(", 1)) {   // MID$(a$, s[, n]) = b$
    next();
    next();
    auto s = mk(sk::mid_assign, t);
    s->exprs.push_back(lvalue());
    expect_op(",");
    s->exprs.push_back(expression());
    s->exprs.push_back(accept_op(",") ? expression() : nullptr);
    expect_op(")");
    expect_op("=");
    s->exprs.push_back(expression());
    append(std::move(s));
    return;
  }
  if (!t.suffix) {
    next();
    if (kw == "LET") {
      auto s = mk(sk::assign, t);
      s->exprs.push_back(lvalue());
      expect_op("=");
      s->exprs.push_back(expression());
      append(std::move(s));
      return;
    }
    if (kw == "PRINT" || kw == "LPRINT" || kw == "WRITE") { print_stmt(t); return; }
    if (kw == "WIDTH" && (is_kw("LPRINT") || is_op("#") || peek().kind == tok::string)) {
      // WIDTH LPRINT n, WIDTH #file, n and WIDTH "device", n: built-ins of their own
      auto s = mk(sk::builtin, t);
      if (accept_kw("LPRINT")) {
        s->text = "WIDTH LPRINT";
      } else {
        s->text = accept_op("#") ? "WIDTH #" : "WIDTH DEVICE";
        s->exprs.push_back(expression());
        expect_op(",");
      }
      s->exprs.push_back(expression());
      append(std::move(s));
      return;
    }
    if (kw == "INPUT") { input_stmt(t, false); return; }
    if (kw == "LINE" && is_kw("INPUT")) { next(); input_stmt(t, true); return; }
    if (kw == "IF") { if_stmt(t); return; }
    if (kw == "ELSEIF" || kw == "ELSE") { else_stmt(t); return; }
    if (kw == "GOTO" || kw == "GOSUB") {
      auto s = mk(kw == "GOTO" ? sk::goto_ : sk::gosub, t);
      label_ref(*s);
      append(std::move(s));
      return;
    }
    if (kw == "RETURN") {
      auto s = mk(sk::return_, t);
      if (!at_stmt_end()) label_ref(*s);
      append(std::move(s));
      return;
    }
    if (kw == "FOR") { for_stmt(t); return; }
    if (kw == "NEXT") { next_stmt(t); return; }
    if (kw == "DO") { do_stmt(t); return; }
    if (kw == "LOOP") { loop_stmt(t); return; }
    if (kw == "WHILE") {
      auto s = mk(sk::while_, t);
      token at = peek();
      s->exprs.push_back(expression());
      stmt *p = append(std::move(s));
      push_frame(frame::while_, p, &p->body, at);
      return;
    }
    if (kw == "WEND") {
      frame &f = innermost(frame::while_, peek(), "WEND without WHILE");
      f.s->end_at = place_of(t);
      frames_.pop_back();
      return;
    }
    if (kw == "SELECT") { select_stmt(t); return; }
    if (kw == "CASE") { case_stmt(t); return; }
    if (kw == "END") { end_stmt(t); return; }
    if (kw == "EXIT") { exit_stmt(t); return; }
    if (kw == "STOP" || kw == "SYSTEM") {
      append(mk(kw == "STOP" ? sk::stop : sk::system, t));
      return;
    }
    if (kw == "DIM" || kw == "REDIM") {
      auto s = mk(kw == "DIM" ? sk::dim : sk::redim, t);
      for (;;) {   // DIM SHARED; REDIM [PRESERVE] [SHARED], either order
        if (!s->flag && accept_kw("SHARED")) s->flag = true;
        else if (kw == "REDIM" && !s->flag2 && accept_kw("PRESERVE")) s->flag2 = true;
        else break;
      }
      decl_list(s->decls);
      append(std::move(s));
      return;
    }
    if (kw == "SHARED" || kw == "STATIC") {
      if (frames_.empty() || !frames_[0].procedure()) fail(t, kw + " outside a procedure");
      auto s = mk(kw == "SHARED" ? sk::shared : sk::static_, t);
      decl_list(s->decls);
      append(std::move(s));
      return;
    }
    if (kw == "COMMON") {
      auto s = mk(sk::common, t);
      s->flag = accept_kw("SHARED");
      if (accept_op("/")) {
        if (peek().kind != tok::ident || peek().suffix) fail("expected a block name" + found());
        s->text = next().text;
        expect_op("/");
      }
      decl_list(s->decls);
      append(std::move(s));
      return;
    }
    if (kw == "ERASE") {
      auto s = mk(sk::erase, t);
      for (;;) {
        token a = peek();
        if (a.kind != tok::ident || is_reserved(a)) fail("expected an array name" + found());
        next();
        s->names.push_back(full_name(a));
        s->name_places.push_back(place_of(a));
        if (!accept_op(",")) break;
      }
      append(std::move(s));
      return;
    }
    if (kw == "CONST") {
      auto s = mk(sk::const_, t);
      for (;;) {
        token name = peek();
        if (name.kind != tok::ident || is_reserved(name)) fail("expected a constant name" + found());
        next();
        expect_op("=");
        decl d;
        d.at = place_of(name);
        d.name = name.text;
        d.suffix = name.suffix;
        s->decls.push_back(std::move(d));
        s->names.push_back(full_name(name));
        s->name_places.push_back(place_of(name));
        s->exprs.push_back(expression());
        if (!accept_op(",")) break;
      }
      append(std::move(s));
      return;
    }
    if (kw == "DEFINT" || kw == "DEFLNG" || kw == "DEFSNG" || kw == "DEFDBL" || kw == "DEFSTR") {
      auto s = mk(sk::deftype, t);
      s->text = kw;
      auto letter = [&]() {
        token a = next();
        if (a.kind != tok::ident || a.text.size() != 1 || a.suffix) fail(a, "expected a letter");
        return a;
      };
      for (;;) {
        token a = letter();
        std::string range = a.text;
        if (accept_op("-")) {
          token b = letter();
          if (b.text < a.text) fail(a, "letter range out of order");
          range += "-" + b.text;
        }
        s->names.push_back(range);
        s->name_places.push_back(place_of(a));
        if (!accept_op(",")) break;
      }
      append(std::move(s));
      return;
    }
    if (kw == "OPTION") {
      expect_kw("BASE");
      const token &n = peek();
      if (n.kind != tok::number || n.suffix || (n.text != "0" && n.text != "1")) fail("expected 0 or 1 after OPTION BASE" + found());
      auto s = mk(sk::option_base, t);
      auto e = mk_expr(ek::number, n);
      e->text = next().text;
      s->exprs.push_back(std::move(e));
      append(std::move(s));
      return;
    }
    if (kw == "SWAP") {
      auto s = mk(sk::swap, t);
      s->exprs.push_back(lvalue());
      expect_op(",");
      s->exprs.push_back(lvalue());
      append(std::move(s));
      return;
    }
    if (kw == "LSET" || kw == "RSET") {
      auto s = mk(kw == "LSET" ? sk::lset : sk::rset, t);
      s->exprs.push_back(lvalue());
      expect_op("=");
      s->exprs.push_back(expression());
      append(std::move(s));
      return;
    }
    if (kw == "LINE" || kw == "PSET" || kw == "PRESET" || kw == "CIRCLE" || kw == "PAINT") { graphics_stmt(t); return; }
    if (kw == "VIEW") { view_stmt(t); return; }
    if (kw == "WINDOW") {
      auto s = mk(sk::window, t);
      if (!at_stmt_end()) {
        s->flag = accept_kw("SCREEN");
        bool step = false;   // written STEP is read and ignored, as it always was
        s->exprs.resize(4);
        point_pair(step, s->exprs[0], s->exprs[1]);
        expect_op("-");
        point_pair(step, s->exprs[2], s->exprs[3]);
      }
      append(std::move(s));
      return;
    }
    if (kw == "_FULLSCREEN") {
      auto s = mk(sk::fullscreen, t);
      for (const char *w : {"_OFF", "_STRETCH", "_SQUAREPIXELS"})
        if (accept_kw(w)) s->text = w;
      accept_op(",");
      s->flag = accept_kw("_SMOOTH");
      append(std::move(s));
      return;
    }
    if (kw == "ON") { on_stmt(t); return; }
    if (kw == "TIMER") { timer_stmt(t); return; }
    if (kw == "RESUME") {
      auto s = mk(sk::resume, t);
      if (accept_kw("NEXT")) s->text = "NEXT";
      else if (!at_stmt_end()) label_ref(*s);
      append(std::move(s));
      return;
    }
    if (kw == "ERROR") {
      auto s = mk(sk::error_, t);
      s->exprs.push_back(expression());
      append(std::move(s));
      return;
    }
    if (kw == "DATA") {
      auto s = mk(sk::data, t);
      while (peek().kind == tok::data) {
        token d = next();
        s->data_items.push_back({d.text, d.quoted});
      }
      if (s->data_items.empty()) fail("expected DATA items" + found());
      append(std::move(s));
      return;
    }
    if (kw == "READ") {
      auto s = mk(sk::read, t);
      for (;;) {
        s->targets.push_back(lvalue());
        if (!accept_op(",")) break;
      }
      append(std::move(s));
      return;
    }
    if (kw == "RESTORE") {
      auto s = mk(sk::restore, t);
      if (!at_stmt_end()) label_ref(*s);
      append(std::move(s));
      return;
    }
    if (kw == "SUB" || kw == "FUNCTION") { sub_stmt(t, kw == "FUNCTION"); return; }
    if (kw == "DEF") { def_stmt(t); return; }
    if (kw == "DECLARE") { declare_stmt(t); return; }
    if (kw == "TYPE") { type_stmt(t); return; }
    if (kw == "CALL") { call_stmt(t); return; }
    if (kw == "LOCK" || (kw == "UNLOCK" && !is_op("="))) { lock_stmt(t); return; }
    if (kw == "PALETTE" && is_kw("USING")) {
      next();
      auto s = mk(sk::palette_using, t);
      token a = peek();
      if (a.kind != tok::ident || is_reserved(a) || !is_op("(", 1)) fail("expected an array element after PALETTE USING" + found());
      s->exprs.push_back(reference());
      append(std::move(s));
      return;
    }
    if (event_stmt(t)) return;
    if (kw == "OPEN" || kw == "CLOSE" || kw == "RESET" || kw == "GET" || kw == "PUT" || kw == "FIELD" ||
        kw == "SEEK" || kw == "NAME") {
      file_stmt(t);
      return;
    }
    p_--;   // not a keyword statement: read the name again below
  }
  if (!t.suffix || t.suffix == '$') {
    if (const char *why = unsupported_reason(full))
      if (!(is_op("=", 1) && !reserved().count(kw))) fail(t, why);
  }
  if (is_builtin(full, true)) {
    next();
    auto s = mk(sk::builtin, t);
    s->text = full;
    if (!at_stmt_end()) {   // a comma list with gaps
      for (;;) {
        s->exprs.push_back(is_op(",") ? nullptr : expression());
        if (!accept_op(",")) break;
        if (at_stmt_end()) { s->exprs.push_back(nullptr); break; }
      }
    }
    append(std::move(s));
    return;
  }
  if (is_reserved(t) || is_builtin(full, false)) fail(t, "unknown statement " + full);
  // An assignment without LET: NAME = x, NAME(...) = x, NAME(...).FIELD = x. Anything else
  // is a call of a SUB.
  bool assign = is_op("=", 1);
  if (is_op("(", 1)) {
    int open = 0;
    size_t k = p_ + 1;
    for (; k < t_.size(); k++) {
      const token &x = t_[k];
      if (x.kind == tok::newline || x.kind == tok::end) break;
      if (x.kind == tok::op && x.text == "(") open++;
      if (x.kind == tok::op && x.text == ")" && --open == 0) break;
    }
    assign = k + 1 < t_.size() && t_[k + 1].kind == tok::op && (t_[k + 1].text == "=" || t_[k + 1].text == ".");
  }
  if (!assign) { bare_call(t); return; }
  auto s = mk(sk::assign, t);
  s->exprs.push_back(lvalue());
  if (!is_op("=")) fail("expected '=' after " + full + found());
  next();
  s->exprs.push_back(expression());
  append(std::move(s));
}

// ---------------------------------------------------------------- expressions

expr_p parser::expression() {
  if (depth_ >= max_expr_depth) fail("expression nested too deeply");
  ++depth_;
  expr_p e = parse_binary(0);
  --depth_;
  return e;
}

// Binary levels from loosest: IMP, EQV, XOR, OR, AND, (NOT), comparisons, + -, MOD, \, * /.
static const std::vector<std::vector<std::string>> levels = {
    {"IMP"}, {"EQV"}, {"XOR"}, {"OR"}, {"AND"}, {}, {"=", "<>", "<", ">", "<=", ">="},
    {"+", "-"}, {"MOD"}, {"\\"}, {"*", "/"}};

expr_p parser::parse_binary(int level) {
  if (level == 5) return parse_not();
  if (level == (int)levels.size()) return parse_neg();
  expr_p a = parse_binary(level + 1);
  for (;;) {
    std::string op;
    for (const std::string &o : levels[level]) {
      bool word = std::isalpha((unsigned char)o[0]);
      if (word ? is_kw(o.c_str()) : is_op(o.c_str())) op = o;
    }
    if (op.empty()) return a;
    token at = next();
    expr_p b = parse_binary(level + 1);
    a = binary(op, at, std::move(a), std::move(b));
  }
}

expr_p parser::parse_not() {
  if (!is_kw("NOT")) return parse_binary(6);
  token at = next();
  if (++depth_ > max_expr_depth) fail(at, "expression nested too deeply");
  auto e = mk_expr(ek::unary, at);
  e->text = "NOT";
  e->args.push_back(parse_not());
  --depth_;
  return e;
}

expr_p parser::parse_neg() {
  if (!is_op("-") && !is_op("+")) return parse_pow();
  token at = next();
  if (++depth_ > max_expr_depth) fail(at, "expression nested too deeply");
  auto e = mk_expr(ek::unary, at);
  e->text = at.text;
  e->args.push_back(parse_neg());
  --depth_;
  return e;
}

expr_p parser::parse_pow() {
  expr_p a = atom();
  while (is_op("^")) {
    token at = next();
    expr_p b = is_op("-") || is_op("+") ? parse_neg() : atom();   // 2 ^ -1
    a = binary("^", at, std::move(a), std::move(b));
  }
  return a;
}

expr_p parser::atom() {
  const token t = peek();
  if (t.kind == tok::number || t.kind == tok::string) {
    next();
    auto e = mk_expr(t.kind == tok::number ? ek::number : ek::string, t);
    e->text = t.text;
    e->suffix = t.suffix;
    return e;
  }
  if (is_op("(")) {
    next();
    expr_p e = expression();
    expect_op(")");
    e->parenthesised = true;
    e->start = place_of(t);
    return e;
  }
  if (t.kind == tok::ident) {
    // Functions are names like any other here (the checks know which exist, and refuse the
    // ones not supported); only statements are refused by the parser.
    std::string full = full_name(t);
    bool print_function = (full == "TAB" || full == "SPC") && is_op("(", 1);
    if (is_reserved(t) && !print_function && !is_builtin(full, false))
      fail(t, "expected an expression but found " + t.text);
    return reference();
  }
  fail("expected an expression" + found());
}

// NAME, NAME(args), NAME() and fields of a subscripted name: A(2).P.X
expr_p parser::reference() {
  token name = next();
  auto e = mk_expr(ek::name, name);
  e->text = name.text;
  e->suffix = name.suffix;
  if (!accept_op("(")) return e;
  e->parens = true;
  if (!accept_op(")")) {
    for (;;) {
      accept_op("#");   // INPUT$(n, #f): a file number may carry its '#'
      e->args.push_back(expression());
      if (!accept_op(",")) break;
    }
    expect_op(")");
  }
  while (is_op(".")) {   // A(2).X, A(2).Elems(i), A(2).Pts(1).X
    next();
    token f = peek();
    if (f.kind != tok::ident) fail("expected a field name" + found());
    next();
    auto fe = mk_expr(ek::field, f);
    fe->text = f.text;
    fe->suffix = f.suffix;
    fe->start = e->start;
    fe->args.push_back(std::move(e));
    if (accept_op("(")) {   // an array field's subscripts follow the record in args
      fe->parens = true;
      for (;;) {
        fe->args.push_back(expression());
        if (!accept_op(",")) break;
      }
      expect_op(")");
    }
    e = std::move(fe);
  }
  return e;
}

expr_p parser::lvalue() {
  const token &t = peek();
  if (t.kind != tok::ident) fail("expected a variable" + found());
  if (is_reserved(t)) fail(t, "expected a variable but found " + t.text);
  if (is_builtin(full_name(t), false)) fail(t, "expected a variable but found the function " + full_name(t));
  return reference();
}

// ---------------------------------------------------------------- statements

void parser::print_stmt(const token &kw) {
  auto s = mk(sk::print, kw);
  s->text = kw.text;
  s->exprs.resize(2);
  if (accept_op("#")) {
    s->exprs[0] = expression();
    expect_op(",");
  }
  if (kw.text != "WRITE" && !is_kw("USING")) print_items_before_using(kw, *s);
  if (kw.text != "WRITE" && accept_kw("USING")) {
    s->exprs[1] = expression();
    if (!accept_op(";")) expect_op(",");
    while (!at_stmt_end()) {
      print_item item;
      item.value = expression();
      if (accept_op(";")) item.sep = ';';
      else if (accept_op(",")) item.sep = ',';
      else if (!at_stmt_end()) fail("expected ';' or ','" + found());
      s->items.push_back(std::move(item));
    }
    append(std::move(s));
    return;
  }
  while (!at_stmt_end()) s->items.push_back(one_print_item());
  append(std::move(s));
}

// One item of a PRINT list: a separator alone, or a value with the separator after it.
print_item parser::one_print_item() {
  print_item item;
  if (is_op(";") || is_op(",")) {
    item.sep = next().text[0];
  } else {
    item.value = expression();
    if (accept_op(";")) item.sep = ';';
    else if (accept_op(",")) item.sep = ',';
    else if (!at_stmt_end()) item.sep = ';';   // PRINT "a" B$: items side by side print as with ';'
  }
  return item;
}

// A copy of an expression (the file number of a PRINT # that is split in two).
static expr_p clone_expr(const expr &e) {
  auto c = std::make_unique<expr>();
  c->kind = e.kind;
  c->at = e.at;
  c->text = e.text;
  c->suffix = e.suffix;
  c->parens = e.parens;
  c->parenthesised = e.parenthesised;
  c->start = e.start;
  for (const expr_p &a : e.args) c->args.push_back(a ? clone_expr(*a) : nullptr);
  return c;
}

// PRINT [#n,] items; USING fmt; values: the items before USING print as a PRINT of their own
// that leaves the cursor after them; s goes on with USING. Without a USING later in the
// statement nothing is read.
void parser::print_items_before_using(const token &kw, stmt &s) {
  int open = 0;
  size_t k = p_;
  for (; k < t_.size(); k++) {
    const token &x = t_[k];
    if (x.kind == tok::newline || x.kind == tok::end || x.kind == tok::meta) return;
    if (x.kind == tok::op && x.text == "(") open++;
    if (x.kind == tok::op && x.text == ")") open--;
    if (open == 0 && x.kind == tok::op && x.text == ":") return;
    if (open == 0 && x.kind == tok::ident && !x.suffix && x.text == "ELSE" && single_if_) return;
    if (open == 0 && x.kind == tok::ident && !x.suffix && x.text == "USING") break;
  }
  if (k >= t_.size()) return;
  auto first = mk(sk::print, kw);
  first->text = kw.text;
  first->exprs.resize(2);
  if (s.exprs[0]) first->exprs[0] = clone_expr(*s.exprs[0]);
  while (!is_kw("USING")) {
    first->items.push_back(one_print_item());
  }
  append(std::move(first));
}

void parser::input_stmt(const token &kw, bool line_input) {
  auto s = mk(line_input ? sk::line_input : sk::input, kw);
  s->exprs.resize(1);
  if (accept_op("#")) {
    s->exprs[0] = expression();
    expect_op(",");
  } else {
    s->flag = accept_op(";");
    if (peek().kind == tok::string) {
      s->has_prompt = true;
      s->text = next().text;
      if (accept_op(",")) s->prompt_comma = true;
      else expect_op(";");
    }
  }
  int n = 0;
  for (;;) {
    token vt = peek();
    s->targets.push_back(lvalue());
    if (++n > 255) fail(vt, "too many variables in one INPUT");
    if (line_input || !accept_op(",")) break;
  }
  append(std::move(s));
}

void parser::if_stmt(const token &kw) {
  auto s = mk(sk::if_, kw);
  token at = peek();
  if_branch first;
  first.at = place_of(kw);
  first.cond = expression();
  s->branches.push_back(std::move(first));
  bool goto_form = is_kw("GOTO");
  if (!goto_form) expect_kw("THEN");
  if (!goto_form && (peek().kind == tok::newline || peek().kind == tok::end || peek().kind == tok::meta)) {
    stmt *p = append(std::move(s));
    push_frame(frame::if_, p, &p->branches[0].body, at);
    return;
  }
  s->single_line = true;
  if (++single_if_ > max_expr_depth) fail(at, "IF statements nested too deeply");
  stmt *p = append(std::move(s));
  push_frame(frame::single_if, p, &p->branches[0].body, at);
  size_t mine = frames_.size() - 1;
  single_if_part(mine, goto_form);
  if (is_kw("ELSE")) {
    if_branch other;
    other.at = place_of(next());
    p->branches.push_back(std::move(other));
    frames_[mine].cur = &p->branches.back().body;
    single_if_part(mine, false);
  }
  frames_.pop_back();
  --single_if_;
}

// THEN or ELSE of a single-line IF: a line number (a GOTO), GOTO label, or statements.
void parser::single_if_part(size_t mine, bool goto_form) {
  if (goto_form || peek().kind == tok::number) {
    token at = goto_form ? next() : peek();
    auto g = mk(sk::goto_, at);
    label_ref(*g);
    append(std::move(g));
  } else {
    statement_list();
  }
  if (frames_.size() > mine + 1) fail_at(frames_.back().at, "a block opened in a single-line IF must close on that line");
}

void parser::else_stmt(const token &kw) {
  frame &f = innermost(frame::if_, kw, kw.text + " without a block IF");
  if (f.has_else) fail(kw, kw.text + " after ELSE");
  if_branch b;
  b.at = place_of(kw);
  if (kw.text == "ELSEIF") {
    b.cond = expression();
    expect_kw("THEN");
  } else {
    f.has_else = true;
  }
  f.s->branches.push_back(std::move(b));
  f.cur = &f.s->branches.back().body;
  if (kw.text == "ELSE") block_else_rest();
}

// The rest of a block IF's ELSE line is the first part of the ELSE branch (ELSE GOTO 29,
// ELSE PRINT X, ELSE 40); the block goes on to END IF.
void parser::block_else_rest() {
  if (peek().kind == tok::number) {
    auto g = mk(sk::goto_, peek());
    label_ref(*g);
    append(std::move(g));
  } else if (!at_stmt_end()) {
    statement_list();
  }
}

void parser::for_stmt(const token &kw) {
  token vt = peek();
  if (vt.kind != tok::ident || is_op("(", 1)) fail("expected a simple numeric variable after FOR");
  auto s = mk(sk::for_, kw);
  s->exprs.push_back(lvalue());
  expect_op("=");
  s->exprs.push_back(expression());
  expect_kw("TO");
  s->exprs.push_back(expression());
  s->exprs.push_back(accept_kw("STEP") ? expression() : nullptr);
  stmt *p = append(std::move(s));
  push_frame(frame::for_, p, &p->body, vt);
}

// NEXT [v [, v ...]]: each name closes one loop, innermost first; a bare NEXT closes one.
void parser::next_stmt(const token &kw) {
  for (;;) {
    token at = peek();
    frame &f = innermost(frame::for_, at, "NEXT without FOR");
    if (at.kind == tok::ident && !at_stmt_end()) {
      token vt = next();
      const expr &var = *f.s->exprs[0];
      if (vt.text != var.text) fail(vt, "NEXT " + full_name(vt) + " does not match FOR " + var.text + (var.suffix ? std::string(1, var.suffix) : ""));
      f.s->next_vars.push_back(full_name(vt));
    }
    f.s->end_at = place_of(kw);
    frames_.pop_back();
    if (!accept_op(",")) break;
  }
}

void parser::do_stmt(const token &kw) {
  auto s = mk(sk::do_, kw);
  token at = peek();
  s->exprs.resize(2);
  if (is_kw("WHILE") || is_kw("UNTIL")) {
    s->text = next().text;
    s->exprs[0] = expression();
  }
  stmt *p = append(std::move(s));
  push_frame(frame::do_, p, &p->body, at);
}

void parser::loop_stmt(const token &kw) {
  frame &f = innermost(frame::do_, peek(), "LOOP without DO");
  stmt *s = f.s;
  s->end_at = place_of(kw);
  frames_.pop_back();
  if (is_kw("WHILE") || is_kw("UNTIL")) {
    s->text2 = next().text;
    s->exprs[1] = expression();
  }
}

void parser::select_stmt(const token &kw) {
  expect_kw("CASE");
  auto s = mk(sk::select, kw);
  token at = peek();
  s->exprs.push_back(expression());
  stmt *p = append(std::move(s));
  push_frame(frame::select, p, nullptr, at);
}

void parser::case_stmt(const token &kw) {
  token at = peek();
  frame &f = innermost(frame::select, at, "CASE without SELECT CASE");
  if (f.has_else) fail(at, "CASE after CASE ELSE");
  case_branch b;
  b.at = place_of(kw);
  if (accept_kw("ELSE")) {
    b.is_else = true;
    f.has_else = true;
  } else {
    for (;;) {
      case_test c;
      c.at = place_of(peek());
      if (accept_kw("IS")) {
        c.kind = case_test::is;
        for (const char *o : {"=", "<>", "<=", ">=", "<", ">"})
          if (is_op(o)) c.op = o;
        if (c.op.empty()) fail("expected a comparison after IS" + found());
        next();
        c.a = expression();
      } else {
        c.a = expression();
        if (accept_kw("TO")) {
          c.kind = case_test::range;
          c.b = expression();
        }
      }
      b.tests.push_back(std::move(c));
      if (!accept_op(",")) break;
    }
  }
  f.s->cases.push_back(std::move(b));
  f.cur = &f.s->cases.back().body;
}

void parser::end_stmt(const token &kw) {
  token at = peek();
  if (accept_kw("IF")) {
    frame &f = innermost(frame::if_, at, "END IF without a block IF");
    f.s->end_at = place_of(kw);
    frames_.pop_back();
    return;
  }
  if (accept_kw("SELECT")) {
    frame &f = innermost(frame::select, at, "END SELECT without SELECT CASE");
    f.s->end_at = place_of(kw);
    frames_.pop_back();
    return;
  }
  if (accept_kw("SUB")) { close_procedure(frame::sub_, kw, at, "END SUB without SUB"); return; }
  if (accept_kw("FUNCTION")) { close_procedure(frame::function_, kw, at, "END FUNCTION without FUNCTION"); return; }
  if (accept_kw("DEF")) { close_procedure(frame::def_fn, kw, at, "END DEF without DEF FN"); return; }
  if (is_kw("TYPE")) fail("END TYPE without TYPE");
  if (!at_stmt_end()) fail("expected IF, SELECT, SUB, FUNCTION, DEF or the end of the statement after END" + found());
  append(mk(sk::end, kw));
}

void parser::exit_stmt(const token &kw) {
  token at = peek();
  auto s = mk(sk::exit_, kw);
  if (is_kw("FOR") || is_kw("DO")) {
    s->text = next().text;
    frame::kind_t want = s->text == "FOR" ? frame::for_ : frame::do_;
    bool inside = false;
    for (size_t i = frames_.size(); i-- > 0 && !frames_[i].procedure();)
      if (frames_[i].kind == want) inside = true;
    if (!inside) fail(at, "EXIT " + s->text + (want == frame::for_ ? " outside a FOR loop" : " outside a DO loop"));
  } else if (is_kw("SUB") || is_kw("FUNCTION") || is_kw("DEF")) {
    s->text = next().text;
    frame::kind_t want = s->text == "SUB" ? frame::sub_ : s->text == "FUNCTION" ? frame::function_ : frame::def_fn;
    if (frames_.empty() || frames_[0].kind != want)
      fail(at, "EXIT " + s->text + " outside a " + (want == frame::def_fn ? "DEF FN" : s->text));
  } else {
    fail("expected FOR, DO, SUB, FUNCTION or DEF after EXIT" + found());
  }
  append(std::move(s));
}

// NAME[suffix] [( [[lower TO] upper, ...] )] [AS type]
decl parser::one_decl() {
  token name = peek();
  if (name.kind != tok::ident || is_reserved(name)) fail("expected a variable name" + found());
  next();
  decl d;
  d.at = place_of(name);
  d.name = name.text;
  d.suffix = name.suffix;
  if (accept_op("(")) {
    d.array = true;
    if (!accept_op(")")) {
      bounds_list(d);
      expect_op(")");
    }
  }
  if (accept_kw("AS")) d.as = type_after_as();
  return d;
}

void parser::decl_list(std::vector<decl> &out) {
  for (;;) {
    out.push_back(one_decl());
    if (!accept_op(",")) break;
  }
}

type_name parser::type_after_as() {
  type_name t;
  token at = peek();
  t.at = place_of(at);
  if (accept_kw("INTEGER")) t.kind = type_name::integer;
  else if (accept_kw("LONG")) t.kind = type_name::long_;
  else if (accept_kw("SINGLE")) t.kind = type_name::single;
  else if (accept_kw("DOUBLE")) t.kind = type_name::double_;
  else if (accept_kw("STRING")) {
    t.kind = type_name::string;
    if (accept_op("*")) {
      t.kind = type_name::fixed_string;
      token n = peek();
      if (n.kind == tok::number && !n.suffix && n.text.find_first_not_of("0123456789") == std::string::npos) {
        next();
        t.length = n.text.size() > 6 ? 99999 : std::stoll(n.text);
        if (t.length < 1 || t.length > 32767) fail(n, "a fixed-length string must be 1 to 32767 long");
      } else if (n.kind == tok::ident && !is_reserved(n)) {
        next();
        t.length_const = full_name(n);
      } else {
        fail("expected a length after STRING *" + found());
      }
    }
  } else if (at.kind == tok::ident && !at.suffix && !reserved().count(at.text)) {
    next();
    t.kind = type_name::record;
    t.record_name = at.text;
  } else {
    fail("expected INTEGER, LONG, SINGLE, DOUBLE, STRING or a TYPE name" + found());
  }
  return t;
}

// ( [BYVAL] name[suffix][()] [AS type], ... )
void parser::params(std::vector<decl> &out) {
  expect_op("(");
  if (accept_op(")")) return;
  for (;;) {
    decl d;
    d.by_val = accept_kw("BYVAL");
    token name = peek();
    if (name.kind != tok::ident || is_reserved(name)) fail("expected a parameter name" + found());
    next();
    d.at = place_of(name);
    d.name = name.text;
    d.suffix = name.suffix;
    if (accept_op("(")) {
      expect_op(")");
      d.array = true;
    }
    if (accept_kw("AS")) {
      if (is_kw("ANY")) {   // DECLARE ... (x AS ANY): the definition's type decides
        d.as.at = place_of(next());
        d.as.kind = type_name::any;
      } else {
        d.as = type_after_as();
      }
    }
    out.push_back(std::move(d));
    if (!accept_op(",")) break;
  }
  expect_op(")");
}

void parser::point_pair(bool &step, expr_p &x, expr_p &y) {
  step = accept_kw("STEP");
  expect_op("(");
  x = expression();
  expect_op(",");
  y = expression();
  expect_op(")");
}

// The file statements, and GET/PUT of pictures.
void parser::file_stmt(const token &kw) {
  const std::string &w = kw.text;
  auto file_number = [&]() { accept_op("#"); return expression(); };
  if (w == "OPEN") {
    auto s = mk(sk::open_, kw);
    expr_p first = expression();
    if (accept_op(",")) {   // OPEN "O", #1, "name"[, len]
      s->flag = true;
      s->exprs.push_back(std::move(first));
      s->exprs.push_back(file_number());
      expect_op(",");
      s->exprs.push_back(expression());
      s->exprs.push_back(accept_op(",") ? expression() : nullptr);
      append(std::move(s));
      return;
    }
    s->exprs.push_back(std::move(first));
    s->text = "RANDOM";
    if (accept_kw("FOR")) {
      token m = peek();
      if (m.kind != tok::ident || !(m.text == "INPUT" || m.text == "OUTPUT" || m.text == "APPEND" ||
                                    m.text == "RANDOM" || m.text == "BINARY"))
        fail("expected INPUT, OUTPUT, APPEND, RANDOM or BINARY after FOR" + found());
      s->text = next().text;
    }
    if (accept_kw("ACCESS")) {   // ACCESS READ | WRITE | READ WRITE: the mode decides here
      if (!accept_kw("READ") && !accept_kw("WRITE")) fail("expected READ or WRITE after ACCESS" + found());
      accept_kw("WRITE");
    }
    if (is_kw("SHARED")) next();
    if (accept_kw("LOCK")) {
      if (!accept_kw("READ") && !accept_kw("WRITE")) fail("expected READ or WRITE after LOCK" + found());
      accept_kw("WRITE");
    }
    expect_kw("AS");
    s->exprs.push_back(file_number());
    expr_p len;
    if (accept_kw("LEN")) {
      expect_op("=");
      len = expression();
    }
    s->exprs.push_back(std::move(len));
    append(std::move(s));
    return;
  }
  if (w == "CLOSE" || w == "RESET") {
    auto s = mk(sk::close_, kw);
    s->text = w;
    if (w == "CLOSE" && !at_stmt_end())
      for (;;) {
        s->exprs.push_back(file_number());
        if (!accept_op(",")) break;
      }
    append(std::move(s));
    return;
  }
  if (w == "GET" || w == "PUT") {
    auto s = mk(w == "GET" ? sk::get_ : sk::put_, kw);
    if (is_op("(") || is_kw("STEP")) {   // a picture
      graphics_args &g = s->g;
      point_pair(g.step1, g.x1, g.y1);
      if (w == "GET") {
        expect_op("-");
        point_pair(g.step2, g.x2, g.y2);
      }
      expect_op(",");
      token a = peek();
      if (a.kind != tok::ident) fail("expected an array" + found());
      s->exprs.push_back(reference());
      if (w == "PUT" && accept_op(",")) {
        token act = peek();
        if (act.kind != tok::ident || !(act.text == "PSET" || act.text == "PRESET" || act.text == "AND" ||
                                        act.text == "OR" || act.text == "XOR"))
          fail("expected PSET, PRESET, AND, OR or XOR" + found());
        s->text = next().text;
      }
      append(std::move(s));
      return;
    }
    s->flag = true;
    s->exprs.push_back(file_number());
    s->exprs.push_back(nullptr);
    s->exprs.push_back(nullptr);
    if (accept_op(",")) {
      if (!is_op(",") && !at_stmt_end()) s->exprs[1] = expression();
      if (accept_op(",")) s->exprs[2] = lvalue();
    }
    append(std::move(s));
    return;
  }
  if (w == "FIELD") {
    auto s = mk(sk::field, kw);
    s->exprs.push_back(file_number());
    while (accept_op(",")) {
      s->exprs.push_back(expression());
      expect_kw("AS");
      s->exprs.push_back(lvalue());
    }
    append(std::move(s));
    return;
  }
  if (w == "SEEK") {
    auto s = mk(sk::seek, kw);
    s->exprs.push_back(file_number());
    expect_op(",");
    s->exprs.push_back(expression());
    append(std::move(s));
    return;
  }
  auto s = mk(sk::name_, kw);   // NAME old AS new
  s->exprs.push_back(expression());
  expect_kw("AS");
  s->exprs.push_back(expression());
  append(std::move(s));
}

void parser::graphics_stmt(const token &kw) {
  auto s = mk(sk::graphics, kw);
  s->text = kw.text;
  graphics_args &g = s->g;
  auto opt = [&]() -> expr_p {   // an optional argument: null for a gap
    if (at_stmt_end() || is_op(",")) return nullptr;
    return expression();
  };
  if (kw.text == "LINE") {   // rest: colour, style
    if (!is_op("-")) {
      point_pair(g.step1, g.x1, g.y1);
      g.has_first = true;
    }
    expect_op("-");
    point_pair(g.step2, g.x2, g.y2);
    if (accept_op(",")) {
      g.rest.push_back(opt());
      if (accept_op(",")) {
        if (accept_kw("B")) g.box = "B";
        else if (accept_kw("BF")) g.box = "BF";
        if (accept_op(",")) g.rest.push_back(expression());
      }
    }
  } else if (kw.text == "PSET" || kw.text == "PRESET") {   // rest: colour
    point_pair(g.step1, g.x1, g.y1);
    if (accept_op(",")) g.rest.push_back(opt());
  } else if (kw.text == "CIRCLE") {   // rest: radius, colour, start, end, aspect
    point_pair(g.step1, g.x1, g.y1);
    expect_op(",");
    g.rest.push_back(expression());
    for (int k = 0; k < 4 && accept_op(","); k++) g.rest.push_back(opt());
  } else {   // PAINT; rest: paint, border, background
    point_pair(g.step1, g.x1, g.y1);
    if (accept_op(",")) {
      g.rest.push_back(opt());
      if (accept_op(",")) {
        g.rest.push_back(opt());
        if (accept_op(",")) g.rest.push_back(expression());
      }
    }
  }
  append(std::move(s));
}

void parser::view_stmt(const token &kw) {
  auto s = mk(sk::view, kw);
  if (accept_kw("PRINT")) {
    s->text = "PRINT";
    if (!at_stmt_end()) {
      s->exprs.push_back(expression());
      expect_kw("TO");
      s->exprs.push_back(expression());
    }
    append(std::move(s));
    return;
  }
  if (!at_stmt_end()) {
    s->flag = accept_kw("SCREEN");
    s->exprs.resize(6);
    expect_op("(");
    for (int k = 0; k < 4; k++) {
      if (k == 2) {
        expect_op(")");
        expect_op("-");
        expect_op("(");
      } else if (k) {
        expect_op(",");
      }
      s->exprs[k] = expression();
    }
    expect_op(")");
    if (accept_op(",")) {
      if (!at_stmt_end() && !is_op(",")) s->exprs[4] = expression();
      if (accept_op(",")) s->exprs[5] = expression();
    }
  }
  append(std::move(s));
}

// ON [LOCAL] ERROR GOTO label, ON TIMER([slot,] seconds) GOSUB label, ON n GOTO|GOSUB labels.
void parser::on_stmt(const token &kw) {
  if (is_kw("ERROR") || (is_kw("LOCAL") && is_kw("ERROR", 1))) {
    auto s = mk(sk::on_error, kw);
    s->flag = accept_kw("LOCAL");
    next();
    expect_kw("GOTO");
    label_ref(*s);
    append(std::move(s));
    return;
  }
  if (accept_kw("TIMER")) {
    auto s = mk(sk::on_timer, kw);
    s->exprs.resize(2);
    expect_op("(");
    s->exprs[1] = expression();
    if (accept_op(",")) {
      s->exprs[0] = std::move(s->exprs[1]);
      s->exprs[1] = expression();
    }
    expect_op(")");
    expect_kw("GOSUB");
    label_ref(*s);
    append(std::move(s));
    return;
  }
  // The other event traps, which would otherwise read as ON n GOSUB with an array element.
  for (const char *ev : {"KEY", "PLAY", "STRIG", "PEN", "COM", "UEVENT"})
    if (is_kw(ev) && (is_op("(", 1) || is_kw("GOSUB", 1))) { on_event_stmt(kw); return; }
  auto s = mk(sk::on_goto, kw);
  s->exprs.push_back(expression());
  if (accept_kw("GOSUB")) s->kind = sk::on_gosub;
  else if (!accept_kw("GOTO")) fail("expected GOTO or GOSUB" + found());
  for (;;) {
    label_ref(*s);
    if (!accept_op(",")) break;
  }
  append(std::move(s));
}

// ON KEY(n) | PLAY(n) | STRIG(n) | COM(n) GOSUB label, ON PEN | UEVENT GOSUB label; 0 for
// the label switches the handler off.
void parser::on_event_stmt(const token &kw) {
  auto s = mk(sk::on_event, kw);
  s->text = next().text;
  s->exprs.resize(1);
  bool numbered = s->text != "PEN" && s->text != "UEVENT";
  if (numbered) {
    if (!is_op("(")) fail("expected ( and a number after ON " + s->text + found());
    next();
    s->exprs[0] = expression();
    expect_op(")");
  }
  expect_kw("GOSUB");
  label_ref(*s);
  append(std::move(s));
}

// The event statements, with the word already read: KEY(n) | STRIG(n) | COM(n) ON|OFF|STOP,
// PLAY | PEN | UEVENT ON|OFF|STOP, KEY ON|OFF|LIST, KEY n, text$ and IOCTL [#]n, text$.
// False, with nothing more read, for anything else (a variable of such a name, PLAY "...").
bool parser::event_stmt(const token &kw) {
  const std::string &w = kw.text;
  auto switch_word = [&](size_t k) { return is_kw("ON", k) || is_kw("OFF", k) || is_kw("STOP", k); };
  if ((w == "PLAY" || w == "PEN" || w == "UEVENT") && switch_word(0)) {
    auto s = mk(sk::event_ctl, kw);
    s->text = w;
    s->text2 = next().text;
    s->exprs.resize(1);
    append(std::move(s));
    return true;
  }
  if (w == "KEY" && (switch_word(0) || is_kw("LIST"))) {
    if (is_kw("STOP")) fail("expected ON, OFF, LIST or a key number after KEY" + found());
    auto s = mk(sk::key_line, kw);
    s->text = next().text;
    append(std::move(s));
    return true;
  }
  if ((w == "KEY" || w == "STRIG" || w == "COM") && is_op("(")) {
    size_t at = p_;
    next();
    expr_p n = expression();
    bool closed = accept_op(")");
    if (closed && !switch_word(0) && !(w == "KEY" && is_op(",")))
      fail("expected ON, OFF or STOP after " + w + "(n)" + found());
    if (closed && switch_word(0)) {
      auto s = mk(sk::event_ctl, kw);
      s->text = w;
      s->text2 = next().text;
      s->exprs.push_back(std::move(n));
      append(std::move(s));
      return true;
    }
    p_ = at;                                   // KEY (n), text$ or an array: read again below
  }
  if (w == "KEY" && !is_op("=") && !is_op("(") && !at_stmt_end()) {
    auto s = mk(sk::builtin, kw);              // KEY n, text$
    s->text = "KEY";
    s->exprs.push_back(expression());
    expect_op(",");
    s->exprs.push_back(expression());
    append(std::move(s));
    return true;
  }
  if (w == "IOCTL" && !is_op("=")) {
    auto s = mk(sk::builtin, kw);
    s->text = "IOCTL";
    accept_op("#");
    s->exprs.push_back(expression());
    expect_op(",");
    s->exprs.push_back(expression());
    append(std::move(s));
    return true;
  }
  return false;
}

void parser::timer_stmt(const token &kw) {
  auto s = mk(sk::timer_ctl, kw);
  s->exprs.resize(1);
  if (accept_op("(")) {
    s->exprs[0] = expression();
    expect_op(")");
  }
  for (const char *w : {"ON", "OFF", "STOP", "FREE"})
    if (s->text.empty() && accept_kw(w)) s->text = w;
  if (s->text.empty()) fail("expected ON, OFF, STOP or FREE after TIMER" + found());
  append(std::move(s));
}

void parser::sub_stmt(const token &kw, bool function) {
  module_level(kw, kw.text);
  token name = peek();
  if (name.kind != tok::ident || is_reserved(name)) fail("expected a " + kw.text + " name" + found());
  next();
  auto s = mk(function ? sk::function_ : sk::sub_, kw);
  s->text = name.text;
  s->suffix = name.suffix;
  if (is_op("(")) params(s->params);
  if (function && accept_kw("AS")) s->returns = type_after_as();
  s->flag = accept_kw("STATIC");
  stmt *p = append(std::move(s));
  push_frame(function ? frame::function_ : frame::sub_, p, &p->body, name);
}

// DEF SEG [= segment], DEF FNname[(params)] = value, or DEF FNname[(params)] ... END DEF.
void parser::def_stmt(const token &kw) {
  if (accept_kw("SEG")) {
    auto s = mk(sk::def_seg, kw);
    s->exprs.push_back(accept_op("=") ? expression() : nullptr);
    append(std::move(s));
    return;
  }
  token name = peek();
  if (name.kind != tok::ident || name.text.size() < 3 || name.text.compare(0, 2, "FN") != 0)
    fail("expected SEG or FNname after DEF" + found());
  module_level(kw, "DEF FN");
  next();
  auto s = mk(sk::def_fn, kw);
  s->text = name.text;
  s->suffix = name.suffix;
  if (is_op("(")) params(s->params);
  if (accept_op("=")) {
    s->single_line = true;
    s->exprs.push_back(expression());
    append(std::move(s));
    return;
  }
  stmt *p = append(std::move(s));
  push_frame(frame::def_fn, p, &p->body, name);
}

void parser::declare_stmt(const token &kw) {
  auto s = mk(sk::declare, kw);
  if (!is_kw("SUB") && !is_kw("FUNCTION")) fail("expected SUB or FUNCTION after DECLARE" + found());
  s->text2 = next().text;
  token name = peek();
  if (name.kind != tok::ident || is_reserved(name)) fail("expected a " + s->text2 + " name" + found());
  next();
  s->text = name.text;
  s->suffix = name.suffix;
  if (is_op("(")) params(s->params);
  if (s->text2 == "FUNCTION" && accept_kw("AS")) s->returns = type_after_as();
  append(std::move(s));
}

// TYPE name, then one field per line (NAME AS type), then END TYPE.
void parser::type_stmt(const token &kw) {
  module_level(kw, "TYPE");
  token name = peek();
  if (name.kind != tok::ident || name.suffix || reserved().count(name.text)) fail("expected a type name" + found());
  next();
  auto s = mk(sk::type_, kw);
  s->text = name.text;
  if (!at_stmt_end()) fail("expected the end of the line" + found());
  for (;;) {
    if (peek().kind == tok::newline || is_op(":")) { next(); continue; }
    if (peek().kind == tok::end) fail(name, "TYPE without END TYPE");
    if (is_kw("END") && is_kw("TYPE", 1)) {
      s->end_at = place_of(next());
      next();
      break;
    }
    token f = peek();
    if (f.kind != tok::ident || (is_reserved(f) && f.text != "TYPE")) fail("expected a field name or END TYPE" + found());
    next();
    decl d;
    d.at = place_of(f);
    d.name = f.text;
    d.suffix = f.suffix;
    if (is_op("(")) field_bounds(d);   // Elems(63) AS SINGLE, Names(1 TO 3) AS STRING * 8
    expect_kw("AS");
    d.as = type_after_as();
    s->decls.push_back(std::move(d));
    if (!at_stmt_end()) fail("expected the end of the line" + found());
  }
  append(std::move(s));
}

// DATE$ = text and TIME$ = text: the built-in statements "DATE$=" and "TIME$=".
void parser::clock_stmt(const token &kw) {
  next();
  expect_op("=");
  auto s = mk(sk::builtin, kw);
  s->text = kw.text + "$=";
  s->exprs.push_back(expression());
  append(std::move(s));
}

// LOCK|UNLOCK [#]n [, rec | , [from] TO to]: the built-in statement with the file number and
// the two record numbers, null when not written.
void parser::lock_stmt(const token &kw) {
  auto s = mk(sk::builtin, kw);
  s->text = kw.text;
  accept_op("#");
  s->exprs.push_back(expression());
  s->exprs.push_back(nullptr);
  s->exprs.push_back(nullptr);
  if (accept_op(",")) {
    if (!is_kw("TO")) s->exprs[1] = expression();
    if (accept_kw("TO")) s->exprs[2] = expression();
  }
  append(std::move(s));
}

// ( [lower TO] upper, ... ) of an array inside a TYPE.
void parser::field_bounds(decl &d) {
  expect_op("(");
  d.array = true;
  bounds_list(d);
  expect_op(")");
}

// [lower TO] upper, ... : the bounds of an array declaration, up to its closing parenthesis.
void parser::bounds_list(decl &d) {
  for (;;) {
    token bt = peek();
    expr_p lo, hi = expression();
    if (accept_kw("TO")) {
      lo = std::move(hi);
      hi = expression();
    }
    d.bounds.emplace_back(std::move(lo), std::move(hi));
    if (d.bounds.size() > (size_t)max_dims) fail(bt, "an array has at most 8 dimensions");
    if (!accept_op(",")) break;
  }
}

// CALL ABSOLUTE(args, offset), CALL INTERRUPT[X](n, in, out), CALL name[(args)].
void parser::call_stmt(const token &kw) {
  if (accept_kw("ABSOLUTE")) {
    auto s = mk(sk::call_absolute, kw);
    expect_op("(");
    for (;;) {
      if (s->exprs.size() == 257) fail("CALL ABSOLUTE passes at most 256 arguments");
      s->exprs.push_back(expression());
      if (!accept_op(",")) break;
    }
    expect_op(")");
    append(std::move(s));
    return;
  }
  if (is_kw("INTERRUPT") || is_kw("INTERRUPTX")) {
    auto s = mk(sk::call_interrupt, kw);
    s->text = next().text;
    expect_op("(");
    s->exprs.push_back(expression());
    for (int k = 0; k < 2; k++) {
      expect_op(",");
      s->exprs.push_back(expression());
    }
    expect_op(")");
    append(std::move(s));
    return;
  }
  token name = peek();
  if (name.kind != tok::ident || is_reserved(name)) fail("expected a SUB name after CALL" + found());
  next();
  auto s = mk(sk::call, kw);
  s->text = name.text;
  s->suffix = name.suffix;
  s->flag = true;   // written with CALL
  if (accept_op("(")) {
    if (!accept_op(")")) {
      for (;;) {
        s->exprs.push_back(expression());
        if (!accept_op(",")) break;
      }
      expect_op(")");
    }
  }
  append(std::move(s));
}

// Name arg, arg: a SUB called without CALL. When the arguments do not read and no SUB of that
// name exists, the statement itself is what is unknown.
void parser::bare_call(const token &name) {
  next();
  auto s = mk(sk::call, name);
  s->text = name.text;
  s->suffix = name.suffix;
  try {
    if (!at_stmt_end()) {
      for (;;) {
        s->exprs.push_back(expression());
        if (!accept_op(",")) break;
      }
      if (!at_stmt_end() && !is_kw("ELSE")) fail("expected ',' or the end of the statement" + found());
    }
  } catch (const bas_error &) {
    if (!sub_names_.count(name.text)) fail(name, "unknown statement " + full_name(name));
    throw;
  }
  append(std::move(s));
}

}  // namespace

program parse(const std::vector<token> &tokens, const std::string &file,
              const std::function<std::string(const std::string &name, place at)> &read_include) {
  parser p(tokens, file, read_include);
  return p.run();
}

}  // namespace bas
