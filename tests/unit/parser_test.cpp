// The parser: each statement form into its tree (compared as an S-expression dump), operator
// precedence, single-line IF, NEXT closing several loops, procedures, TYPE blocks, DATA,
// $INCLUDE, and located errors. Also the reader's continued lines, Ctrl-Z, DATA items and
// metacommands.
#include <gtest/gtest.h>
#include <map>
#include <random>
#include "lexer.h"
#include "parser.h"

namespace parser_test {

using namespace bas;

namespace {

std::string dump(const expr *e);

std::string dump_args(const std::vector<expr_p> &args) {
  std::string o;
  for (const expr_p &a : args) o += (o.empty() ? "" : " ") + dump(a.get());
  return o;
}

std::string dump(const expr *e) {
  if (!e) return "_";
  std::string o;
  std::string sfx = e->suffix ? std::string(1, e->suffix) : "";
  switch (e->kind) {
    case ek::number: o = e->text + sfx; break;
    case ek::string: o = "\"" + e->text + "\""; break;
    case ek::name: o = e->text + sfx + (e->parens ? "(" + dump_args(e->args) + ")" : ""); break;
    case ek::field:
      o = "(. " + dump(e->args[0].get()) + " " + e->text + sfx;
      if (e->parens) {   // an array field's subscripts
        o += "(";
        for (size_t k = 1; k < e->args.size(); k++) o += (k > 1 ? " " : "") + dump(e->args[k].get());
        o += ")";
      }
      o += ")";
      break;
    case ek::unary: case ek::binary: o = "(" + e->text + " " + dump_args(e->args) + ")"; break;
  }
  return e->parenthesised ? "[" + o + "]" : o;
}

std::string dump(const type_name &t) {
  switch (t.kind) {
    case type_name::none: return "";
    case type_name::integer: return "INTEGER";
    case type_name::long_: return "LONG";
    case type_name::single: return "SINGLE";
    case type_name::double_: return "DOUBLE";
    case type_name::string: return "STRING";
    case type_name::fixed_string: return "STRING*" + (t.length_const.empty() ? std::to_string(t.length) : t.length_const);
    case type_name::record: return t.record_name;
    case type_name::any: return "ANY";
  }
  return "?";
}

std::string dump(const decl &d) {
  std::string o = "{" + std::string(d.by_val ? "BYVAL " : "") + d.name + (d.suffix ? std::string(1, d.suffix) : "");
  if (d.array) {
    o += "(";
    for (size_t k = 0; k < d.bounds.size(); k++)
      o += (k ? " " : "") + (d.bounds[k].first ? dump(d.bounds[k].first.get()) + ":" : "") + dump(d.bounds[k].second.get());
    o += ")";
  }
  if (d.as.kind != type_name::none) o += " AS " + dump(d.as);
  return o + "}";
}

std::string dump(const block &b);

const char *kind_name(sk k) {
  static const std::map<sk, const char *> names = {
      {sk::label, "label"}, {sk::assign, "assign"}, {sk::mid_assign, "mid"}, {sk::print, "print"},
      {sk::input, "input"}, {sk::line_input, "line_input"}, {sk::if_, "if"}, {sk::select, "select"},
      {sk::for_, "for"}, {sk::do_, "do"}, {sk::while_, "while"}, {sk::goto_, "goto"}, {sk::gosub, "gosub"},
      {sk::return_, "return"}, {sk::on_goto, "on_goto"}, {sk::on_gosub, "on_gosub"}, {sk::end, "end"},
      {sk::system, "system"}, {sk::stop, "stop"}, {sk::exit_, "exit"}, {sk::dim, "dim"}, {sk::redim, "redim"},
      {sk::erase, "erase"}, {sk::shared, "shared"}, {sk::static_, "static"}, {sk::common, "common"},
      {sk::const_, "const"}, {sk::deftype, "deftype"}, {sk::option_base, "option_base"}, {sk::metacommand, "meta"},
      {sk::swap, "swap"}, {sk::call, "call"}, {sk::builtin, "builtin"}, {sk::lset, "lset"}, {sk::rset, "rset"},
      {sk::graphics, "graphics"}, {sk::view, "view"}, {sk::window, "window"}, {sk::fullscreen, "fullscreen"},
      {sk::def_seg, "def_seg"}, {sk::call_absolute, "call_absolute"}, {sk::call_interrupt, "call_interrupt"},
      {sk::on_timer, "on_timer"}, {sk::timer_ctl, "timer"}, {sk::on_error, "on_error"}, {sk::resume, "resume"},
      {sk::error_, "error"}, {sk::data, "data"}, {sk::read, "read"}, {sk::restore, "restore"}, {sk::sub_, "sub"},
      {sk::function_, "function"}, {sk::def_fn, "def_fn"}, {sk::declare, "declare"}, {sk::type_, "type"},
      {sk::include, "include"}, {sk::randomize_timer, "randomize_timer"}, {sk::open_, "open"},
      {sk::close_, "close"}, {sk::get_, "get"}, {sk::put_, "put"}, {sk::field, "field"}, {sk::seek, "seek"},
      {sk::name_, "name"}, {sk::palette_using, "palette_using"}, {sk::on_event, "on_event"},
      {sk::event_ctl, "event"}, {sk::key_line, "key_line"}};
  return names.at(k);
}

// (kind text text2 +flags exprs @names {decls} <targets> items branches cases data next: params AS body)
std::string dump(const stmt &s) {
  std::string o = std::string("(") + kind_name(s.kind);
  std::string sfx = s.suffix ? std::string(1, s.suffix) : "";
  if (s.has_prompt) o += " \"" + s.text + "\"";
  else if (!s.text.empty() || !sfx.empty()) o += " " + s.text + sfx;
  if (!s.text2.empty()) o += " " + s.text2;
  if (s.flag) o += " +flag";
  if (s.flag2) o += " +flag2";
  if (s.single_line) o += " +single";
  if (s.prompt_comma) o += " +comma";
  for (const expr_p &e : s.exprs) o += " " + dump(e.get());
  for (const std::string &n : s.names) o += " @" + n;
  for (const decl &d : s.decls) o += " " + dump(d);
  for (const expr_p &e : s.targets) o += " <" + dump(e.get()) + ">";
  for (const print_item &i : s.items) o += " " + dump(i.value.get()) + (i.sep ? std::string(1, i.sep) : "");
  for (const if_branch &b : s.branches)
    o += " (" + (b.cond ? "? " + dump(b.cond.get()) : std::string("else")) + dump(b.body) + ")";
  for (const case_branch &c : s.cases) {
    o += " (case";
    if (c.is_else) o += " else";
    for (const case_test &t : c.tests) {
      if (t.kind == case_test::equal) o += " " + dump(t.a.get());
      else if (t.kind == case_test::range) o += " (TO " + dump(t.a.get()) + " " + dump(t.b.get()) + ")";
      else o += " (IS " + t.op + " " + dump(t.a.get()) + ")";
    }
    o += dump(c.body) + ")";
  }
  for (const auto &d : s.data_items) o += d.second ? " \"" + d.first + "\"" : " '" + d.first + "'";
  if (!s.next_vars.empty()) {
    o += " next:";
    for (size_t k = 0; k < s.next_vars.size(); k++) o += (k ? "," : "") + s.next_vars[k];
  }
  if (!s.params.empty()) {
    o += " params:";
    for (const decl &d : s.params) o += dump(d);
  }
  if (s.returns.kind != type_name::none) o += " AS " + dump(s.returns);
  if (s.kind == sk::graphics || ((s.kind == sk::get_ || s.kind == sk::put_) && !s.flag)) {
    const graphics_args &g = s.g;
    if (g.x1) o += std::string(" ") + (g.step1 ? "STEP" : "") + "(" + dump(g.x1.get()) + " " + dump(g.y1.get()) + ")";
    if (g.x2) o += std::string(" -") + (g.step2 ? "STEP" : "") + "(" + dump(g.x2.get()) + " " + dump(g.y2.get()) + ")";
    for (const expr_p &e : g.rest) o += " ," + dump(e.get());
    if (!g.box.empty()) o += " box=" + g.box;
  }
  return o + dump(s.body) + ")";
}

std::string dump(const block &b) {
  if (b.empty()) return "";
  std::string o = " :";
  for (const stmt_p &s : b) o += " " + dump(*s);
  return o;
}

std::string dump(const program &p) {
  std::string o;
  for (const stmt_p &s : p.statements) o += (o.empty() ? "" : "\n") + dump(*s);
  return o;
}

std::string no_include(const std::string &name, place) { throw bas_error{0, 0, "no includes here", ""}; }

program parsed(const std::string &src, const std::function<std::string(const std::string &, place)> &inc = no_include) {
  return parse(lex(src, true), "t.bas", inc);
}

// "FILE:LINE:COL: message" of the error, or "ok". The reader's own errors name no file; the
// caller puts in the main file's.
std::string error_of(const std::string &src, const std::function<std::string(const std::string &, place)> &inc = no_include) {
  std::vector<token> toks;
  try {
    toks = lex(src, true);
  } catch (const bas_error &e) {
    return "t.bas:" + std::to_string(e.line) + ":" + std::to_string(e.col) + ": " + e.msg;
  }
  try {
    parse(toks, "t.bas", inc);
  } catch (const bas_error &e) {
    return e.file + ":" + std::to_string(e.line) + ":" + std::to_string(e.col) + ": " + e.msg;
  }
  return "ok";
}

struct tree_case {
  const char *src, *tree;
};

void expect_trees(const std::vector<tree_case> &cases) {
  for (const tree_case &c : cases) {
    try {
      EXPECT_EQ(dump(parsed(c.src)), c.tree) << c.src;
    } catch (const bas_error &e) {
      ADD_FAILURE() << c.src << "\n  error " << e.line << ":" << e.col << ": " << e.msg;
    }
  }
}

}  // namespace

TEST(ParserExpressions, PrecedenceFollowsTheDialect) {
  struct { const char *src, *tree; } cases[] = {
      {"1 + 2 * 3", "(+ 1 (* 2 3))"},
      {"A - B - C", "(- (- A B) C)"},
      {"2 ^ -1", "(^ 2 (- 1))"},
      {"-2 ^ 2", "(- (^ 2 2))"},
      {"2 ^ 3 ^ 2", "(^ (^ 2 3) 2)"},
      {"-X * 3", "(* (- X) 3)"},
      {"A * B / C", "(/ (* A B) C)"},
      {"A \\ B * C", "(\\ A (* B C))"},
      {"A MOD B \\ C", "(MOD A (\\ B C))"},
      {"A + B MOD C", "(+ A (MOD B C))"},
      {"A < B + 1", "(< A (+ B 1))"},
      {"A = B = C", "(= (= A B) C)"},
      {"NOT A = B", "(NOT (= A B))"},
      {"A AND NOT B OR C", "(OR (AND A (NOT B)) C)"},
      {"NOT NOT 1", "(NOT (NOT 1))"},
      {"A OR B AND C", "(OR A (AND B C))"},
      {"A IMP B EQV C XOR D", "(IMP A (EQV B (XOR C D)))"},
      {"A XOR B OR C", "(XOR A (OR B C))"},
      {"A >= 1 AND A <= 9", "(AND (>= A 1) (<= A 9))"},
      {"+X", "(+ X)"},
      {"(A + B) * C", "(* [(+ A B)] C)"},
      {"((A))", "[A]"},
      {"F(1, (X), -Y)", "F(1 [X] (- Y))"},
      {"A%() ", "A%()"},
      {"A(2).P.X + 1", "(+ (. A(2) P.X) 1)"},
      {"R.X * 2", "(* R.X 2)"},
      {"LEFT$(A$, 2) + \"x\"", "(+ LEFT$(A$ 2) \"x\")"},
      {"&HFF + 1.5E3 + 7& + 1D3 + .5", "(+ (+ (+ (+ &HFF 1.5E3) 7&) 1D3) .5)"},
      {"TIMER + RND", "(+ TIMER RND)"},
      {"LBOUND(A, 2) + EOF(1)", "(+ LBOUND(A 2) EOF(1))"},
  };
  for (auto &c : cases) {
    program p = parsed(std::string("X = ") + c.src);
    ASSERT_EQ(p.statements.size(), 1u) << c.src;
    EXPECT_EQ(dump(p.statements[0]->exprs[1].get()), c.tree) << c.src;
  }
}

TEST(ParserExpressions, PlacesMarkOperatorsAndStarts) {
  program p = parsed("X = (A + 1) * B(2)");
  const expr &mul = *p.statements[0]->exprs[1];
  EXPECT_EQ(mul.at.col, 13);     // the '*'
  EXPECT_EQ(mul.start.col, 5);   // the '('
  const expr &sum = *mul.args[0];
  EXPECT_TRUE(sum.parenthesised);
  EXPECT_EQ(sum.at.col, 8);
  EXPECT_EQ(sum.start.col, 5);
  EXPECT_EQ(mul.args[1]->at.col, 15);
}

TEST(ParserStatements, EachFormBecomesItsTree) {
  expect_trees({
      {"LET A = 1", "(assign A 1)"},
      {"A$ = \"x\"", "(assign A$ \"x\")"},
      {"A(1, 2) = 3", "(assign A(1 2) 3)"},
      {"R.X = 1", "(assign R.X 1)"},
      {"A(2).P.X = 5", "(assign (. A(2) P.X) 5)"},
      {"MID$(A$, 2) = \"x\"", "(mid A$ 2 _ \"x\")"},
      {"MID$(A$(1), 2, N) = B$", "(mid A$(1) 2 N B$)"},
      {"PRINT", "(print PRINT _ _)"},
      {"PRINT 1; 2, 3", "(print PRINT _ _ 1; 2, 3)"},
      {"PRINT ;", "(print PRINT _ _ _;)"},
      {"PRINT \"a\" B$;", "(print PRINT _ _ \"a\"; B$;)"},
      {"PRINT TAB(5); SPC(2); X", "(print PRINT _ _ TAB(5); SPC(2); X)"},
      {"? 1", "(print PRINT _ _ 1)"},
      {"PRINT #1, A, B", "(print PRINT 1 _ A, B)"},
      {"PRINT USING \"##.#\"; X; Y", "(print PRINT _ \"##.#\" X; Y)"},
      {"LPRINT USING F$, 1,", "(print LPRINT _ F$ 1,)"},
      {"PRINT #2, USING \"#\"; 1", "(print PRINT 2 \"#\" 1)"},
      // Items before USING print first, as a PRINT of their own.
      {"PRINT \"T\"; USING \"#\"; 1", "(print PRINT _ _ \"T\";)\n(print PRINT _ \"#\" 1)"},
      {"PRINT #N, A, B; USING F$; 1", "(print PRINT N _ A, B;)\n(print PRINT N F$ 1)"},
      {"PRINT MID$(\"USING\", 1); USING \"#\"; 2", "(print PRINT _ _ MID$(\"USING\" 1);)\n(print PRINT _ \"#\" 2)"},
      {"LOCK #1, 2 TO 5: UNLOCK 1: LOCK #1, TO 3", "(builtin LOCK 1 2 5)\n(builtin UNLOCK 1 _ _)\n(builtin LOCK 1 _ 3)"},
      {"DATE$ = \"01-02-2003\": TIME$ = T$", "(builtin DATE$= \"01-02-2003\")\n(builtin TIME$= T$)"},
      {"PALETTE USING P&(4)", "(palette_using P&(4))"},
      {"DECLARE SUB S (A AS ANY, B())", "(declare S SUB params:{A AS ANY}{B()})"},
      {"WRITE A, \"b\"", "(print WRITE _ _ A, \"b\")"},
      {"INPUT A", "(input _ <A>)"},
      {"INPUT ; \"Name\"; N$, A(1)", "(input \"Name\" +flag _ <N$> <A(1)>)"},
      {"INPUT \"X\", X", "(input \"X\" +comma _ <X>)"},
      {"INPUT #1, A, B$", "(input 1 <A> <B$>)"},
      {"LINE INPUT L$", "(line_input _ <L$>)"},
      {"LINE INPUT ; \"> \"; L$", "(line_input \"> \" +flag _ <L$>)"},
      {"LINE INPUT #3, R.S", "(line_input 3 <R.S>)"},
      {"GOTO 100\n100 GOSUB Sub1\nSub1: RETURN\nRETURN 100",
       "(goto @100)\n(label 100)\n(gosub @SUB1)\n(label SUB1)\n(return)\n(return @100)"},
      {"ON N GOTO 10, 20, Here", "(on_goto N @10 @20 @HERE)"},
      {"ON N + 1 GOSUB 10", "(on_gosub (+ N 1) @10)"},
      {"END: SYSTEM: STOP", "(end)\n(system)\n(stop)"},
      {"DIM A(10), B AS STRING * 8, C(1 TO 10, -5 TO 5) AS INTEGER, D$",
       "(dim {A(10)} {B AS STRING*8} {C(1:10 (- 5):5) AS INTEGER} {D$})"},
      {"DIM SHARED P AS Point, Q AS STRING * Size, R AS LONG, S AS SINGLE, T AS DOUBLE",
       "(dim +flag {P AS POINT} {Q AS STRING*SIZE} {R AS LONG} {S AS SINGLE} {T AS DOUBLE})"},
      {"REDIM PRESERVE A(N)", "(redim +flag2 {A(N)})"},
      {"REDIM SHARED B$(5, 5)", "(redim +flag {B$(5 5)})"},
      {"ERASE A, B$", "(erase @A @B$)"},
      {"COMMON SHARED /Blk/ A, B()", "(common BLK +flag {A} {B()})"},
      {"CONST A = 1, B$ = \"x\", C = A * 2", "(const 1 \"x\" (* A 2) @A @B$ @C {A} {B$} {C})"},
      {"DEFINT A-C, X", "(deftype DEFINT @A-C @X)"},
      {"DEFSTR S", "(deftype DEFSTR @S)"},
      {"OPTION BASE 1", "(option_base 1)"},
      {"REM $DYNAMIC\n' $STATIC\nX = 1 '$DYNAMIC", "(meta $DYNAMIC)\n(meta $STATIC)\n(assign X 1)\n(meta $DYNAMIC)"},
      {"REM just a remark\n' $ not a metacommand", ""},
      {"SWAP A, B(1)", "(swap A B(1))"},
      {"LSET F$ = \"ab\": RSET G$ = H$", "(lset F$ \"ab\")\n(rset G$ H$)"},
      {"COLOR 14, , 1", "(builtin COLOR 14 _ 1)"},
      {"LOCATE , , 1", "(builtin LOCATE _ _ 1)"},
      {"LOCATE 1,", "(builtin LOCATE 1 _)"},
      {"CLS", "(builtin CLS)"},
      {"RANDOMIZE TIMER", "(builtin RANDOMIZE TIMER)"},
      {"_DELAY .5", "(builtin _DELAY .5)"},
      {"VIEW", "(view)"},
      {"VIEW (1, 2)-(3, 4)", "(view 1 2 3 4 _ _)"},
      {"VIEW SCREEN (1, 2)-(3, 4), , 7", "(view +flag 1 2 3 4 _ 7)"},
      {"VIEW (1, 2)-(3, 4), 5", "(view 1 2 3 4 5 _)"},
      {"VIEW PRINT", "(view PRINT)"},
      {"VIEW PRINT 2 TO 20", "(view PRINT 2 20)"},
      {"WINDOW", "(window)"},
      {"WINDOW SCREEN (0, 0)-(1, 1)", "(window +flag 0 0 1 1)"},
      {"_FULLSCREEN", "(fullscreen)"},
      {"_FULLSCREEN _SQUAREPIXELS, _SMOOTH", "(fullscreen _SQUAREPIXELS +flag)"},
      {"DEF SEG", "(def_seg _)"},
      {"DEF SEG = &HB800", "(def_seg &HB800)"},
      {"CALL ABSOLUTE(A%, (B), 16)", "(call_absolute A% [B] 16)"},
      {"CALL INTERRUPTX(&H33, R(), O())", "(call_interrupt INTERRUPTX &H33 R() O())"},
      {"ON TIMER(1) GOSUB 10", "(on_timer _ 1 @10)"},
      {"ON TIMER(2, .5) GOSUB Tick", "(on_timer 2 .5 @TICK)"},
      {"TIMER ON: TIMER(2) STOP: TIMER FREE", "(timer ON _)\n(timer STOP 2)\n(timer FREE _)"},
      {"ON KEY(15) GOSUB Pad: KEY(15) ON: KEY(1) STOP: KEY(2 + 1) OFF",
       "(on_event KEY 15 @PAD)\n(event KEY ON 15)\n(event KEY STOP 1)\n(event KEY OFF (+ 2 1))"},
      {"ON PLAY(3) GOSUB 0: PLAY ON: PLAY \"MB C\"", "(on_event PLAY 3 @0)\n(event PLAY ON _)\n(builtin PLAY \"MB C\")"},
      {"ON PEN GOSUB P: PEN STOP: ON UEVENT GOSUB U: UEVENT OFF", "(on_event PEN _ @P)\n(event PEN STOP _)\n(on_event UEVENT _ @U)\n(event UEVENT OFF _)"},
      {"ON STRIG(2) GOSUB 9: STRIG(2) ON: ON COM(1) GOSUB 9: COM(1) STOP",
       "(on_event STRIG 2 @9)\n(event STRIG ON 2)\n(on_event COM 1 @9)\n(event COM STOP 1)"},
      {"KEY ON: KEY OFF: KEY LIST", "(key_line ON)\n(key_line OFF)\n(key_line LIST)"},
      {"KEY 16, CHR$(4) + CHR$(46): KEY (17), \"x\"", "(builtin KEY 16 (+ CHR$(4) CHR$(46)))\n(builtin KEY [17] \"x\")"},
      {"IOCTL #1, \"B9600\": X$ = IOCTL$(#1)", "(builtin IOCTL 1 \"B9600\")\n(assign X$ IOCTL$(1))"},
      {"ON ERROR GOTO Handler", "(on_error @HANDLER)"},
      {"ON LOCAL ERROR GOTO 0", "(on_error +flag @0)"},
      {"RESUME: RESUME NEXT: RESUME 10: RESUME 0", "(resume)\n(resume NEXT)\n(resume @10)\n(resume @0)"},
      {"ERROR 5", "(error 5)"},
      {"READ A, B$(1), R.X", "(read <A> <B$(1)> <R.X>)"},
      {"RESTORE: RESTORE 100", "(restore)\n(restore @100)"},
      {"CALL Foo", "(call FOO +flag)"},
      {"CALL Foo(1, (X), A())", "(call FOO +flag 1 [X] A())"},
      {"EXIT_ME: X = 1", "(label EXIT_ME)\n(assign X 1)"},
  });
}

TEST(ParserStatements, FileStatementsAndPictures) {
  expect_trees({
      {"OPEN F$ FOR INPUT AS #1", "(open INPUT F$ 1 _)"},
      {"OPEN \"x\" FOR RANDOM ACCESS READ WRITE LOCK WRITE AS N LEN = 24", "(open RANDOM \"x\" N 24)"},
      {"OPEN \"x\" AS #2", "(open RANDOM \"x\" 2 _)"},
      {"OPEN \"O\", #1, F$: OPEN \"R\", 2, F$, 64", "(open +flag \"O\" 1 F$ _)\n(open +flag \"R\" 2 F$ 64)"},
      {"CLOSE: CLOSE #1, 2: RESET", "(close CLOSE)\n(close CLOSE 1 2)\n(close RESET)"},
      {"GET #1, 5, R: PUT #1, , X%: GET 2", "(get +flag 1 5 R)\n(put +flag 1 _ X%)\n(get +flag 2 _ _)"},
      {"FIELD #1, 6 AS A$, 2 AS B$", "(field 1 6 A$ 2 B$)"},
      {"SEEK #3, 2: NAME \"a\" AS \"b\"", "(seek 3 2)\n(name \"a\" \"b\")"},
      {"GET (0, 0)-STEP(7, 7), S%", "(get S% (0 0) -STEP(7 7))"},
      {"PUT (10, 20), S%(5), PSET: PUT STEP(1, 1), S%", "(put PSET S%(5) (10 20))\n(put S% STEP(1 1))"},
      {"X$ = INPUT$(3, #1)", "(assign X$ INPUT$(3 1))"},
      {"KEY OFF: CLS: KEY ON", "(key_line OFF)\n(builtin CLS)\n(key_line ON)"},
  });
}

TEST(ParserStatements, GraphicsKeepStepsGapsAndBoxes) {
  expect_trees({
      {"PSET (1, 2)", "(graphics PSET (1 2))"},
      {"PRESET STEP(1, 2), 4", "(graphics PRESET STEP(1 2) ,4)"},
      {"PSET (1, 2),", "(graphics PSET (1 2) ,_)"},
      {"LINE (0, 0)-(9, 9)", "(graphics LINE (0 0) -(9 9))"},
      {"LINE -STEP(5, 5), 2", "(graphics LINE -STEP(5 5) ,2)"},
      {"LINE STEP(1, 1)-(2, 2), , BF", "(graphics LINE STEP(1 1) -(2 2) ,_ box=BF)"},
      {"LINE (0, 0)-(1, 1), 3, B, &HFF00", "(graphics LINE (0 0) -(1 1) ,3 ,&HFF00 box=B)"},
      {"LINE (0, 0)-(1, 1), , , &HF0F0", "(graphics LINE (0 0) -(1 1) ,_ ,&HF0F0)"},
      {"CIRCLE (160, 100), 50", "(graphics CIRCLE (160 100) ,50)"},
      {"CIRCLE STEP(0, 0), R, 4, , , 1.5", "(graphics CIRCLE STEP(0 0) ,R ,4 ,_ ,_ ,1.5)"},
      {"PAINT (5, 5), 2, 15", "(graphics PAINT (5 5) ,2 ,15)"},
      {"PAINT (5, 5), , , B$", "(graphics PAINT (5 5) ,_ ,_ ,B$)"},
  });
}

TEST(ParserIf, SingleLineForms) {
  expect_trees({
      {"IF A THEN PRINT 1", "(if +single (? A : (print PRINT _ _ 1)))"},
      {"IF A THEN PRINT 1: PRINT 2 ELSE PRINT 3: PRINT 4",
       "(if +single (? A : (print PRINT _ _ 1) (print PRINT _ _ 2)) (else : (print PRINT _ _ 3) (print PRINT _ _ 4)))"},
      {"IF A THEN 100\n100 END", "(if +single (? A : (goto @100)))\n(label 100)\n(end)"},
      {"IF A GOTO 100\n100 END", "(if +single (? A : (goto @100)))\n(label 100)\n(end)"},
      {"IF A THEN 100 ELSE 200", "(if +single (? A : (goto @100)) (else : (goto @200)))"},
      {"IF A GOTO 100 ELSE PRINT", "(if +single (? A : (goto @100)) (else : (print PRINT _ _)))"},
      {"IF A THEN ELSE X = 1", "(if +single (? A) (else : (assign X 1)))"},
      // A block IF's ELSE line: what follows ELSE opens the ELSE part.
      {"IF A THEN\nX = 1\nELSE GOTO 29: Y = 2\nZ = 3\nEND IF",
       "(if (? A : (assign X 1)) (else : (goto @29) (assign Y 2) (assign Z 3)))"},
      {"IF A THEN\nELSE 40\nEND IF", "(if (? A) (else : (goto @40)))"},
      {"IF A THEN IF B THEN X = 1 ELSE X = 2",
       "(if +single (? A : (if +single (? B : (assign X 1)) (else : (assign X 2)))))"},
      {"IF A THEN FOR I = 1 TO 2: NEXT: X = 1",
       "(if +single (? A : (for I 1 2 _) (assign X 1)))"},
      {"FOR I = 1 TO 2: IF I THEN EXIT FOR\nNEXT",
       "(for I 1 2 _ : (if +single (? I : (exit FOR))))"},
  });
}

TEST(ParserIf, BlockFormsWithElseIf) {
  expect_trees({
      {"IF A THEN\nX = 1\nELSEIF B THEN\nX = 2\nELSEIF C THEN\nELSE\nX = 3\nEND IF",
       "(if (? A : (assign X 1)) (? B : (assign X 2)) (? C) (else : (assign X 3)))"},
      {"IF A THEN\n10 IF B THEN X = 1\nEND IF", "(if (? A : (label 10) (if +single (? B : (assign X 1)))))"},
      {"IF A THEN\nIF B THEN\nX = 1\nEND IF\nEND IF", "(if (? A : (if (? B : (assign X 1)))))"},
      {"IF A THEN ' comment\nELSE\nEND IF", "(if (? A) (else))"},
      {"IF A THEN '$DYNAMIC\nEND IF", "(if (? A : (meta $DYNAMIC)))"},
  });
}

TEST(ParserBlocks, LoopsAndSelect) {
  expect_trees({
      {"FOR I = 1 TO 10 STEP 2\nPRINT I\nNEXT I", "(for I 1 10 2 next:I : (print PRINT _ _ I))"},
      {"FOR I% = 1 TO 3: FOR J = 1 TO 3\nX = I% * J\nNEXT J, I%",
       "(for I% 1 3 _ next:I% : (for J 1 3 _ next:J : (assign X (* I% J))))"},
      {"FOR I = 1 TO 3\nFOR J = 1 TO 3\nNEXT\nNEXT", "(for I 1 3 _ : (for J 1 3 _))"},
      {"10 FOR I = 1 TO 2\n20 NEXT", "(label 10)\n(for I 1 2 _ : (label 20))"},
      {"DO\nX = X + 1\nLOOP UNTIL X > 5", "(do UNTIL _ (> X 5) : (assign X (+ X 1)))"},
      {"DO WHILE X < 5: X = X + 1: LOOP", "(do WHILE (< X 5) _ : (assign X (+ X 1)))"},
      {"DO UNTIL A: LOOP WHILE B", "(do UNTIL WHILE A B)"},
      {"DO\nEXIT DO\nLOOP", "(do _ _ : (exit DO))"},
      {"WHILE X < 3\nX = X + 1\nWEND", "(while (< X 3) : (assign X (+ X 1)))"},
      {"SELECT CASE N\nCASE 1, 2 TO 5, IS > 7\nX = 1\nCASE IS <> 0\nCASE ELSE\nX = 2\nEND SELECT",
       "(select N (case 1 (TO 2 5) (IS > 7) : (assign X 1)) (case (IS <> 0)) (case else : (assign X 2)))"},
      {"SELECT CASE A$: CASE \"a\": X = 1: END SELECT", "(select A$ (case \"a\" : (assign X 1)))"},
      // A line number before the first CASE stands just before the SELECT.
      {"10 SELECT CASE N\n20 CASE 1\n30 END SELECT",
       "(label 10)\n(label 20)\n(select N (case 1 : (label 30)))"},
      {"DO\nSELECT CASE N\n20 CASE 1\nEND SELECT\nLOOP", "(do _ _ : (label 20) (select N (case 1)))"},
  });
}

TEST(ParserProcedures, SubsFunctionsDefFnAndCalls) {
  expect_trees({
      {"SUB Draw (A%, B AS STRING, C() AS INTEGER, R AS MyType) STATIC\nSHARED G, H()\nSTATIC N\nEXIT SUB\nEND SUB",
       "(sub DRAW +flag params:{A%}{B AS STRING}{C() AS INTEGER}{R AS MYTYPE} : (shared {G} {H()}) (static {N}) (exit SUB))"},
      {"SUB NoArgs\nEND SUB", "(sub NOARGS)"},
      {"FUNCTION Area# (W, H)\nArea# = W * H\nEND FUNCTION",
       "(function AREA# params:{W}{H} : (assign AREA# (* W H)))"},
      {"FUNCTION Name$ () AS STRING\nIF 1 THEN EXIT FUNCTION\nEND FUNCTION",
       "(function NAME$ AS STRING : (if +single (? 1 : (exit FUNCTION))))"},
      {"DEF FNSq (X) = X * X", "(def_fn FNSQ +single (* X X) params:{X})"},
      {"DEF FNMax$(A$, B$)\nFNMax$ = A$\nEXIT DEF\nEND DEF",
       "(def_fn FNMAX$ params:{A$}{B$} : (assign FNMAX$ A$) (exit DEF))"},
      {"DECLARE SUB Draw (A%, B AS STRING)", "(declare DRAW SUB params:{A%}{B AS STRING})"},
      {"DECLARE FUNCTION F% (BYVAL X) AS INTEGER", "(declare F% FUNCTION params:{BYVAL X} AS INTEGER)"},
      {"DECLARE SUB Go ()", "(declare GO SUB)"},
      // Bare calls: a name that is no assignment; parentheses around a whole argument pass it by value.
      {"DECLARE SUB Go (A, B)\nGo 1, (X)", "(declare GO SUB params:{A}{B})\n(call GO 1 [X])"},
      {"Go (X), Y + 1", "(call GO [X] (+ Y 1))"},
      {"Go (X) + 1", "(call GO (+ [X] 1))"},
      {"Go", "(call GO)"},
      {"IF A THEN Go 1 ELSE Go 2", "(if +single (? A : (call GO 1)) (else : (call GO 2)))"},
  });
}

TEST(ParserTypes, TypeBlocksHoldTheirFields) {
  expect_trees({
      {"TYPE Point\n  X AS INTEGER\n  Y AS SINGLE ' comment\n\n  N AS STRING * 10\n  P AS Other\nEND TYPE\nDIM A AS Point",
       "(type POINT {X AS INTEGER} {Y AS SINGLE} {N AS STRING*10} {P AS OTHER})\n(dim {A AS POINT})"},
      {"TYPE Empty\nEND TYPE", "(type EMPTY)"},
      {"TYPE Poly\n  E(63) AS SINGLE\n  N(1 TO 3, 2) AS STRING * 8\nEND TYPE",
       "(type POLY {E(63) AS SINGLE} {N(1:3 2) AS STRING*8})"},
      {"A(J).E(I) = R.E(I + 1)", "(assign (. A(J) E(I)) R.E((+ I 1)))"},
      {"X = A(1).P(2).Q.R(3, 4)", "(assign X (. (. A(1) P(2)) Q.R(3 4)))"},
  });
  program p = parsed("TYPE T\nA AS LONG\nEND TYPE");
  EXPECT_EQ(p.statements[0]->end_at.line, 3);
  EXPECT_EQ(p.statements[0]->decls[0].as.at.col, 6);
}

TEST(ParserData, ItemsAreKeptAsWritten) {
  expect_trees({
      {"DATA 1, 2.5,  hello world  ,\"a, b: c\"", "(data '1' '2.5' 'hello world' \"a, b: c\")"},
      {"DATA ,,", "(data '' '' '')"},
      {"DATA", "(data '')"},
      {"DATA \"\", x", "(data \"\" 'x')"},
      {"DATA it's fine ' not a comment", "(data 'it's fine ' not a comment')"},
      {"DATA 1, 2: PRINT 3", "(data '1' '2')\n(print PRINT _ _ 3)"},
      {"10 DATA -1, &HFF", "(label 10)\n(data '-1' '&HFF')"},
      {"Here: DATA A", "(label HERE)\n(data 'A')"},
      {"IF X THEN DATA 1, 2", "(if +single (? X : (data '1' '2')))"},
      {"DATA \"open", "(data \"open\")"},
      {"DATA = 5", "(data '= 5')"},
  });
}

TEST(ParserInclude, FilesAreReadInPlaceWithTheirOwnLines) {
  std::map<std::string, std::string> files = {
      {"defs.bi", "CONST K = 1\n' $INCLUDE: 'more.bi'\nDECLARE SUB Go ()"},
      {"more.bi", "\n\nDIM M"},
      {"self.bi", "'$INCLUDE: 'self.bi'"},
      {"bad.bi", "X = 1\nX = 1 +"},
      {"bom.bi", "\xEF\xBB\xBFX = 2"},
  };
  std::vector<std::pair<std::string, int>> calls;
  auto inc = [&](const std::string &name, place at) -> std::string {
    calls.push_back({name, at.file});
    auto it = files.find(name);
    if (it == files.end()) throw bas_error{at.line, at.col, "cannot read " + name, ""};
    return it->second;
  };
  program p = parsed("PRINT 0 '$INCLUDE: 'defs.bi'\nGo", inc);
  EXPECT_EQ(dump(p), "(print PRINT _ _ 0)\n(const 1 @K {K})\n(dim {M})\n(declare GO SUB)\n(call GO)");
  EXPECT_EQ(p.files, (std::vector<std::string>{"t.bas", "defs.bi", "more.bi"}));
  EXPECT_EQ(calls, (std::vector<std::pair<std::string, int>>{{"defs.bi", 0}, {"more.bi", 1}}));
  const stmt &dim = *p.statements[2];
  EXPECT_EQ(dim.at.file, 2);
  EXPECT_EQ(dim.at.line, 3);
  EXPECT_EQ(p.statements[3]->at.file, 1);
  EXPECT_EQ(p.statements[3]->at.line, 3);
  EXPECT_EQ(p.statements[4]->at.file, 0);
  EXPECT_EQ(p.statements[4]->at.line, 2);
  EXPECT_EQ(dump(parsed("REM $INCLUDE: 'bom.bi'", inc)), "(assign X 2)");

  struct { const char *src, *error; } bad[] = {
      {"'$INCLUDE: 'self.bi'", "self.bi:1:2: $INCLUDE nested more than 16 deep (does a file include itself?)"},
      {"X = 0\n'$INCLUDE: 'bad.bi'", "bad.bi:2:8: expected an expression before the end of the line"},
      {"\n  '$INCLUDE: 'none.bi'", "t.bas:2:15: cannot read none.bi"},
      {"'$INCLUDE 'x.bi'", "t.bas:1:2: expected $INCLUDE: 'file name'"},
      {"'$INCLUDE: 'x.bi", "t.bas:1:2: expected $INCLUDE: 'file name'"},
  };
  for (auto &c : bad) EXPECT_EQ(error_of(c.src, inc), c.error) << c.src;
}

TEST(ParserPlaces, StatementsAndBlocksKnowWhereTheyWere) {
  program p = parsed("FOR I = 1 TO 2\n  X = 1\n  NEXT\nIF A THEN\nEND IF");
  const stmt &f = *p.statements[0];
  EXPECT_EQ(f.at.line, 1);
  EXPECT_EQ(f.at.col, 1);
  EXPECT_EQ(f.end_at.line, 3);
  EXPECT_EQ(f.end_at.col, 3);
  EXPECT_EQ(f.body[0]->at.col, 3);
  EXPECT_EQ(p.statements[1]->end_at.line, 5);
  EXPECT_EQ(p.statements[1]->branches[0].cond->at.col, 4);
  program q = parsed("GOTO Far\nON N GOSUB 1, Two");
  EXPECT_EQ(q.statements[0]->name_places[0].col, 6);
  EXPECT_EQ(q.statements[1]->name_places[1].col, 15);
}

TEST(ParserErrors, BadProgramsAreLocated) {
  struct { const char *src, *error; } cases[] = {
      {"PRINT \"a\" +", "t.bas:1:12: expected an expression before the end of the line"},
      {"X = 1 +* 2", "t.bas:1:8: expected an expression but found '*'"},
      {"X = A = NOT B", "t.bas:1:9: expected an expression but found NOT"},
      {"EOF 1", "t.bas:1:1: unknown statement EOF"},
      {"OPEN \"f\" FOR WRITING AS 1", "t.bas:1:14: expected INPUT, OUTPUT, APPEND, RANDOM or BINARY after FOR but found WRITING"},
      {"FOR I = 1 TO 3\nPRINT I", "t.bas:1:5: FOR without NEXT"},
      {"PRINT 1\nNEXT", "t.bas:2:5: NEXT without FOR"},
      {"FOR I = 1 TO 2\nNEXT J", "t.bas:2:6: NEXT J does not match FOR I"},
      {"FOR I = 1 TO 2\nNEXT I, J", "t.bas:2:9: NEXT without FOR"},
      {"FOR A(1) = 1 TO 2", "t.bas:1:5: expected a simple numeric variable after FOR"},
      {"WEND", "t.bas:1:5: WEND without WHILE"},
      {"LOOP", "t.bas:1:5: LOOP without DO"},
      {"ELSE", "t.bas:1:1: ELSE without a block IF"},
      {"IF A THEN\nELSE\nELSE\nEND IF", "t.bas:3:1: ELSE after ELSE"},
      {"IF A THEN\nELSE\nELSEIF B THEN\nEND IF", "t.bas:3:1: ELSEIF after ELSE"},
      {"END IF", "t.bas:1:5: END IF without a block IF"},
      {"IF A THEN\nX = 1", "t.bas:1:4: IF without END IF"},
      {"DO\nX = 1", "t.bas:1:3: DO without LOOP"},
      {"WHILE 1\n", "t.bas:1:7: WHILE without WEND"},
      {"SELECT CASE X\nCASE 1", "t.bas:1:13: SELECT CASE without END SELECT"},
      {"SELECT CASE 1\nPRINT\nEND SELECT", "t.bas:2:1: expected CASE after SELECT CASE"},
      {"CASE 1", "t.bas:1:6: CASE without SELECT CASE"},
      {"SELECT CASE 1\nCASE ELSE\nCASE 2\nEND SELECT", "t.bas:3:6: CASE after CASE ELSE"},
      {"SELECT CASE 1\nCASE IS 2\nEND SELECT", "t.bas:2:9: expected a comparison after IS but found 2"},
      {"10 PRINT\n10 PRINT", "t.bas:2:1: duplicate label 10"},
      {"1.5 PRINT", "t.bas:1:1: a line number must be a whole number"},
      {"GOTO", "t.bas:1:5: expected a line number or label"},
      {"IF X THEN FOR I = 1 TO 2", "t.bas:1:15: a block opened in a single-line IF must close on that line"},
      {"FOR I = 1 TO 3\nIF I THEN NEXT", "t.bas:2:4: a single-line IF cannot close a block opened before it"},
      {"DO\nIF 1 THEN LOOP", "t.bas:2:4: a single-line IF cannot close a block opened before it"},
      {"IF A THEN\nIF B THEN END IF", "t.bas:2:4: a single-line IF cannot close a block opened before it"},
      {"SUB A\nIF B THEN END SUB", "t.bas:2:4: a single-line IF cannot close a block opened before it"},
      {"CIRCLE (1, 2)", "t.bas:1:14: expected ',' before the end of the line"},
      {"DIM A(1, 2, 3, 4, 5, 6, 7, 8, 9)", "t.bas:1:31: an array has at most 8 dimensions"},
      {"DIM S AS STRING * 0", "t.bas:1:19: a fixed-length string must be 1 to 32767 long"},
      {"DIM S AS STRING * \"x\"", "t.bas:1:19: expected a length after STRING * but found a string"},
      {"DIM X AS 5", "t.bas:1:10: expected INTEGER, LONG, SINGLE, DOUBLE, STRING or a TYPE name but found 5"},
      {"DIM THEN", "t.bas:1:5: expected a variable name but found THEN"},
      {"CONST = 1", "t.bas:1:7: expected a constant name but found '='"},
      {"DEFINT AB", "t.bas:1:8: expected a letter"},
      {"DEFINT Z-A", "t.bas:1:8: letter range out of order"},
      {"OPTION BASE 2", "t.bas:1:13: expected 0 or 1 after OPTION BASE but found 2"},
      {"ON TIMER(1) GOTO 10", "t.bas:1:13: expected GOSUB but found GOTO"},
      {"ON X PRINT", "t.bas:1:6: expected GOTO or GOSUB but found PRINT"},
      {"ON KEY GOSUB 10", "t.bas:1:8: expected ( and a number after ON KEY but found GOSUB"},
      {"KEY(1) PAUSE", "t.bas:1:8: expected ON, OFF or STOP after KEY(n) but found PAUSE"},
      {"STRIG(2), 1", "t.bas:1:9: expected ON, OFF or STOP after STRIG(n) but found ','"},
      {"KEY STOP", "t.bas:1:5: expected ON, OFF, LIST or a key number after KEY but found STOP"},
      {"TIMER(2) PAUSE", "t.bas:1:10: expected ON, OFF, STOP or FREE after TIMER but found PAUSE"},
      {"EXIT FOR", "t.bas:1:6: EXIT FOR outside a FOR loop"},
      {"FOR I = 1 TO 2\nSUB X\nEXIT FOR", "t.bas:2:1: SUB inside a block"},
      {"DO\nLOOP: EXIT DO", "t.bas:2:12: EXIT DO outside a DO loop"},
      {"EXIT SUB", "t.bas:1:6: EXIT SUB outside a SUB"},
      {"SUB A\nEXIT FUNCTION\nEND SUB", "t.bas:2:6: EXIT FUNCTION outside a FUNCTION"},
      {"EXIT WHILE", "t.bas:1:6: expected FOR, DO, SUB, FUNCTION or DEF after EXIT but found WHILE"},
      {"END 5", "t.bas:1:5: expected IF, SELECT, SUB, FUNCTION, DEF or the end of the statement after END but found 5"},
      {"END TYPE", "t.bas:1:5: END TYPE without TYPE"},
      {"END SUB", "t.bas:1:5: END SUB without SUB"},
      {"SUB A\nSUB B\nEND SUB\nEND SUB", "t.bas:2:1: SUB inside a procedure"},
      {"FUNCTION F\nDEF FNA = 1\nEND FUNCTION", "t.bas:2:1: DEF FN inside a procedure"},
      {"SUB A\nFOR I = 1 TO 2\nEND SUB", "t.bas:2:5: FOR without NEXT"},
      {"SUB A\nEND FUNCTION", "t.bas:2:5: END FUNCTION without FUNCTION"},
      {"SUB A (X(1))\nEND SUB", "t.bas:1:10: expected ')' but found 1"},
      {"SUB A", "t.bas:1:5: SUB without END SUB"},
      {"DEF FNA(X)\nX = 1", "t.bas:1:5: DEF FN without END DEF"},
      {"DEF X = 1", "t.bas:1:5: expected SEG or FNname after DEF but found X"},
      {"DECLARE X", "t.bas:1:9: expected SUB or FUNCTION after DECLARE but found X"},
      {"SHARED X", "t.bas:1:1: SHARED outside a procedure"},
      {"STATIC X", "t.bas:1:1: STATIC outside a procedure"},
      {"TYPE T\nX AS INTEGER", "t.bas:1:6: TYPE without END TYPE"},
      {"TYPE T\nX INTEGER\nEND TYPE", "t.bas:2:3: expected AS but found INTEGER"},
      {"TYPE T\n10 X AS INTEGER\nEND TYPE", "t.bas:2:1: expected a field name or END TYPE but found 10"},
      {"IF A THEN\nTYPE T\nEND TYPE\nEND IF", "t.bas:2:1: TYPE inside a block"},
      {"LET PRINT = 1", "t.bas:1:5: expected a variable but found PRINT"},
      {"INPUT LEN", "t.bas:1:7: expected a variable but found the function LEN"},
      {"INPUT \"x\" A", "t.bas:1:11: expected ';' but found A"},
      {"PRINT USING \"#\"; 1 2", "t.bas:1:20: expected ';' or ',' but found 2"},
      {"A(1) 2", "t.bas:1:1: unknown statement A"},
      {"X", "ok"},   // a call of X; whether X is a SUB is for the checks
      {"SUB Go(A)\nEND SUB\nGo 1 +", "t.bas:3:7: expected an expression before the end of the line"},
      {"A(1).X 2", "t.bas:1:8: expected '=' after A but found 2"},
      {"THEN", "t.bas:1:1: unknown statement THEN"},
      {"LEN 1", "t.bas:1:1: unknown statement LEN"},
      {"X = 1 2", "t.bas:1:7: expected ':' or the end of the line but found 2"},
      {"PRINT 1: 20 PRINT", "t.bas:1:10: expected a statement but found 20"},
      {"CALL", "t.bas:1:5: expected a SUB name after CALL before the end of the line"},
      {"CALL INTERRUPT(&H33, R%())", "t.bas:1:26: expected ',' but found ')'"},
      {"X = A(1).", "t.bas:1:9: unexpected '.'"},
      {"X = A(1).REM", "t.bas:1:13: expected a field name before the end of the line"},
      {"DATA \"a\" b", "t.bas:1:10: expected ',' after a quoted DATA item"},
  };
  for (auto &c : cases) EXPECT_EQ(error_of(c.src), c.error) << c.src;
  std::string many = "CALL ABSOLUTE(";
  for (int k = 0; k < 256; k++) many += "A%, ";
  EXPECT_EQ(error_of(many + "0)"), "ok");
  EXPECT_EQ(error_of(many + "A%, 0)").substr(0, 12), "t.bas:1:1043");
  std::string vars = "INPUT A";
  for (int k = 0; k < 255; k++) vars += ", A";
  EXPECT_EQ(error_of(vars), "t.bas:1:772: too many variables in one INPUT");
}

TEST(ParserErrors, DeepNestingIsAnErrorNotACrash) {
  EXPECT_NE(error_of("X = " + std::string(5000, '(') + "1" + std::string(5000, ')')).find("expression nested too deeply"), std::string::npos);
  EXPECT_NE(error_of("X = " + std::string(5000, '-') + "1").find("expression nested too deeply"), std::string::npos);
  EXPECT_NE(error_of("X = " + std::string(100, '(') + "1").find("expression nested too deeply"), std::string::npos);
  std::string nots = "X = ";
  for (int k = 0; k < 100; k++) nots += "NOT ";
  EXPECT_NE(error_of(nots + "1").find("expression nested too deeply"), std::string::npos);
  std::string fors;
  for (int k = 0; k < 1000; k++) fors += "FOR I = 1 TO 2\n";
  EXPECT_EQ(error_of(fors), "t.bas:129:5: blocks nested too deeply");
  std::string ifs = "X = 1";
  for (int k = 0; k < 1000; k++) ifs = "IF 1 THEN " + ifs;
  EXPECT_NE(error_of(ifs).find("IF statements nested too deeply"), std::string::npos);
  // Just inside the limits.
  std::string ok_fors, ok_nexts;
  for (int k = 0; k < 128; k++) { ok_fors += "FOR I = 1 TO 2\n"; ok_nexts += "NEXT\n"; }
  EXPECT_EQ(error_of(ok_fors + ok_nexts), "ok");
  EXPECT_EQ(error_of("X = " + std::string(63, '(') + "1" + std::string(63, ')')), "ok");
}

TEST(ParserErrors, RandomTokenSoupEitherParsesOrIsLocated) {
  const char *pieces[] = {"PRINT", "IF", "THEN", "ELSE", "FOR", "NEXT", "TO", "DO", "LOOP", "WHILE", "WEND", "SELECT",
                          "CASE", "END", "GOSUB", "RETURN", "GOTO", "DIM", "A", "A$", "B%(", "(", ")", ",", ";", ":",
                          "=", "+", "-", "*", "/", "\\", "^", "\"s\"", "1", "1.5E3", "\n", "\n10 ", "LINE", "-(",
                          "CIRCLE", "MID$(", "AND", "NOT", "CONST", "AS", "STRING", "'", "SUB", "END SUB", "FUNCTION",
                          "TYPE", "END TYPE", "DATA", "DEF", "FNA", "CALL", "ELSEIF", "EXIT", "X:", ".", ")."};
  std::mt19937 rng(2024);
  int ok = 0;
  for (int n = 0; n < 3000; n++) {
    std::string src;
    int len = 1 + (int)(rng() % 30);
    for (int k = 0; k < len; k++) src += std::string(pieces[rng() % (sizeof pieces / sizeof *pieces)]) + " ";
    std::string e = error_of(src);
    if (e == "ok") { ok++; continue; }
    EXPECT_EQ(e.rfind("t.bas:", 0), 0u) << src;
    EXPECT_EQ(e.find(":0:"), std::string::npos) << src << "\n" << e;
  }
  EXPECT_GT(ok, 0);
}

// ---------------------------------------------------------------- the reader

namespace {
std::string lexed(const std::string &src, bool keep_meta = true) {
  std::string o;
  for (const token &t : lex(src, keep_meta)) {
    if (!o.empty()) o += " ";
    switch (t.kind) {
      case tok::newline: o += "|"; break;
      case tok::end: o += "$"; break;
      case tok::string: o += "\"" + t.text + "\""; break;
      case tok::data: o += (t.quoted ? "D\"" : "D'") + t.text + (t.quoted ? "\"" : "'"); break;
      case tok::meta: o += "M" + t.text; break;
      default: o += t.text + (t.suffix ? std::string(1, t.suffix) : ""); break;
    }
  }
  return o;
}
}  // namespace

TEST(LexerReader, ContinuationCtrlZDataMetacommandsAndFields) {
  struct { const char *src, *tokens; } cases[] = {
      {"X = 1 + _\n  2\nY", "X = 1 + 2 | Y | $"},
      {"X = 1 + _   \r\n2", "X = 1 + 2 | $"},
      {"PRINT A _\n; B", "PRINT A ; B | $"},
      {"X = A_B", "X = A_B | $"},
      {"X = 1\x1aPRINT garbage @", "X = 1 | $"},
      {"\x1a", "| $"},
      {"DATA 1, \"a,b\" , x y ,", "DATA D'1' D\"a,b\" D'x y' D'' | $"},
      {"DATA a:PRINT 'c", "DATA D'a' : PRINT | $"},
      {"10 DATA ' x", "10 DATA D'' x' | $"},
      {"PRINT DATA", "PRINT DATA | $"},
      {"IF 1 THEN DATA 2", "IF 1 THEN DATA D'2' | $"},
      {"DATA1 = 2", "DATA1 = 2 | $"},
      {"REM $DYNAMIC\n'$static junk\nREM $OTHER\n' plain", "M$DYNAMIC | M$STATIC | | | $"},
      {"'$INCLUDE: 'a b.bi' rest", "M$INCLUDE \"a b.bi\" | $"},
      {"REM   $INCLUDE :  'x.bi'", "M$INCLUDE \"x.bi\" | $"},
      {"A(2).P.X = B(1).Y", "A ( 2 ) . P.X = B ( 1 ) . Y | $"},
      {"X = A(1) .5", "X = A ( 1 ) .5 | $"},
  };
  for (auto &c : cases) EXPECT_EQ(lexed(c.src), c.tokens) << c.src;
  // Without keep_meta metacommands stay comments, as the one-pass translator expects.
  EXPECT_EQ(lexed("REM $DYNAMIC\n'$INCLUDE: 'x.bi'", false), "| | $");
  // Continued lines keep their real line and column; a new physical line is not a line start.
  auto toks = lex("X = _\n  Y\nZ");
  ASSERT_GE(toks.size(), 5u);
  EXPECT_EQ(toks[2].text, "Y");
  EXPECT_EQ(toks[2].line, 2);
  EXPECT_EQ(toks[2].col, 3);
  EXPECT_FALSE(toks[2].line_start);
  EXPECT_EQ(toks[4].line, 3);
  EXPECT_TRUE(toks[4].line_start);
  auto data = lex("DATA  abc , \"q\"");
  ASSERT_GE(data.size(), 3u);
  EXPECT_EQ(data[1].col, 7);
  EXPECT_EQ(data[2].col, 13);
  // A '_' that is not the last thing on its line, or not after a blank, is still refused.
  struct { const char *src, *error; } bad[] = {
      {"X = 1 _ + 2", "1:7: unexpected '_'"},
      {"X = 1_\n2", "1:6: unexpected '_'"},
  };
  for (auto &c : bad) {
    try {
      lex(c.src);
      ADD_FAILURE() << c.src;
    } catch (const bas_error &e) {
      EXPECT_EQ(std::to_string(e.line) + ":" + std::to_string(e.col) + ": " + e.msg, c.error) << c.src;
    }
  }
}

}  // namespace parser_test
