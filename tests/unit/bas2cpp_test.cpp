// The BASIC reader and translator: tokens, labels, statement splitting, literal types, the
// statement protocol in the output, and located errors for bad programs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <random>
#include "lexer.h"
#include "translator.h"

namespace bas2cpp_test {

using namespace bas;

static translation tr(const std::string &src, program_info *info = nullptr) { return translate(src, "t.bas", info); }

static std::vector<std::pair<int, std::string>> statements_of(const std::string &src) {
  program_info info;
  auto t = tr(src, &info);
  EXPECT_TRUE(t.ok) << t.message;
  return info.statements;
}

TEST(Bas2cppLexer, SuffixesStringsCommentsAndNumbers) {
  auto toks = lex("A% = A! + \"x:y\" ' note\nREM all of this\nB = 1E3 + 1D3 + .5 + &HFF");
  std::vector<std::string> seen;
  for (auto &t : toks) {
    if (t.kind == tok::newline || t.kind == tok::end) { seen.push_back("|"); continue; }
    seen.push_back(t.text + (t.suffix ? std::string(1, t.suffix) : ""));
  }
  std::vector<std::string> want = {"A%", "=", "A!", "+", "x:y", "|", "|", "B", "=", "1E3", "+", "1D3",
                                   "+", ".5", "+", "&HFF", "|", "|"};
  EXPECT_EQ(seen, want);
  EXPECT_EQ(toks[4].kind, tok::string);
  EXPECT_EQ(toks[4].col, 11);
  EXPECT_TRUE(toks[7].line_start);
  EXPECT_EQ(toks[7].line, 3);
}

TEST(Bas2cppReader, LabelsStatementsAndVariables) {
  program_info info;
  auto t = tr("10 PRINT 1: GOTO Start\nStart: A% = 1: A! = 2 ' same name, two variables\n"
              "20 IF A% THEN PRINT \"a:b\" ELSE PRINT 3: PRINT 4\n",
              &info);
  ASSERT_TRUE(t.ok) << t.message;
  EXPECT_EQ(info.labels, (std::vector<std::string>{"10", "START", "20"}));
  std::vector<std::pair<int, std::string>> want = {{1, "PRINT"}, {1, "GOTO"}, {2, "A%"}, {2, "A!"},
                                                   {3, "IF"},    {3, "PRINT"}, {3, "PRINT"}, {3, "PRINT"}};
  EXPECT_EQ(info.statements, want);
  EXPECT_EQ(info.variables, (std::vector<std::string>{"A%", "A!"}));
  EXPECT_NE(t.cpp.find("last_line = 20;"), std::string::npos);
}

TEST(Bas2cppReader, LiteralsTakeTheDialectsTypes) {
  struct { const char *lit, *type; } cases[] = {
      {"1", "int16_t"},      {"32767", "int16_t"},  {"32768", "int32_t"},   {"-5", "int16_t"},
      {"100000", "int32_t"}, {"3000000000", "double"}, {"1.5", "float"},  {".5", "float"},
      {"1E3", "float"},      {"1D3", "double"},     {"1.2345678", "double"}, {"1#", "double"},
      {"2!", "float"},       {"7&", "int32_t"},     {"&HFF", "int16_t"},    {"&H10000", "int32_t"},
      {"&O17", "int16_t"},   {"1E+20", "float"},
      // At the edges: beyond SINGLE's range (or below its smallest) without a suffix is DOUBLE.
      {"3.4E+38", "float"},  {"4E+38", "double"},   {"1E+39", "double"},    {"1E+100", "double"},
      {"1E-50", "double"},   {"1E-30", "float"},    {"2147483647", "int32_t"}, {"2147483648", "double"},
      {"-32768", "int32_t"}, {"1234567", "int32_t"}, {"1234567.", "float"}, {"12345678.", "double"},
      {"1E+39#", "double"},  {"32767%", "int16_t"}, {"1&", "int32_t"},
  };
  for (auto &c : cases) {
    auto t = tr(std::string("PRINT ") + c.lit);
    ASSERT_TRUE(t.ok) << c.lit << ": " << t.message;
    EXPECT_NE(t.cpp.find(std::string("kels_str((") + c.type + ")"), std::string::npos) << c.lit;
  }
}

TEST(Bas2cppReader, SuffixedLiteralsOutsideTheirTypeAreOverflows) {
  for (const char *lit : {"1E+39!", "32768%", "2147483648&", "1D+309"}) {
    auto t = tr(std::string("PRINT ") + lit);
    EXPECT_FALSE(t.ok) << lit;
    EXPECT_NE(t.message.find("overflow"), std::string::npos) << lit << ": " << t.message;
  }
}

TEST(Bas2cppReader, PrintEndingsDecideTheLineEnd) {
  struct { const char *src; bool ends_line; } cases[] = {
      {"PRINT 1", true}, {"PRINT 1;", false}, {"PRINT ;", false}, {"PRINT", true},
      {"PRINT \"a\",", false}, {"PRINT 1; 2", true}, {"PRINT USING \"#\"; 1;", false},
  };
  for (auto &c : cases) {
    auto t = tr(c.src);
    ASSERT_TRUE(t.ok) << c.src << ": " << t.message;
    bool ends = t.cpp.find("kels_print(nothingstring, 1)") != std::string::npos ||
                t.cpp.find("sub_print_using_end(1)") != std::string::npos;
    EXPECT_EQ(ends, c.ends_line) << c.src;
  }
}

TEST(Bas2cppTranslate, FollowsTheStatementProtocol) {
  auto t = tr("A$ = \"x\"\n\nIF LCASE$(A$) = \"y\" THEN GOSUB 10\nGOSUB 10\nEND\n10 RETURN\n");
  ASSERT_TRUE(t.ok) << t.message;
  const std::string &c = t.cpp;
  EXPECT_NE(c.find("KB_S(1, kb_let_str("), std::string::npos);   // physical lines, blank ones counted
  EXPECT_NE(c.find("KB_S(3, kb_c = (int32_t)kels_cleanup(kels_tmp_base, "), std::string::npos);
  // Each GOSUB pushes its own return id; RETURN pops one and goes on there.
  size_t first = c.find("gosub_push("), second = c.find("gosub_push(", first + 1);
  ASSERT_NE(second, std::string::npos);
  EXPECT_NE(c.substr(first, c.find(')', first) - first), c.substr(second, c.find(')', second) - second));
  // RETURN is flag-tested (error 3 without a GOSUB); a return point in its own chunk is a
  // case of its switch, any other id leaves the chunk.
  EXPECT_NE(c.find("KB_Q(6, kb_rid = kb_return_pop(kb_r))"), std::string::npos);
  EXPECT_EQ(c.find("return_pop()"), std::string::npos);
  size_t back = c.find("if (kb_rid >= 0) { switch (kb_rid) {");
  ASSERT_NE(back, std::string::npos);
  std::string cases = c.substr(back, c.find('\n', back) - back);
  int points = 0;
  for (size_t p = c.find("gosub_push("); p != std::string::npos; p = c.find("gosub_push(", p + 1)) {
    std::string id = c.substr(p + 11, c.find(')', p) - p - 11);
    if (id == "0") continue;   // an event's routine
    points++;
    EXPECT_NE(cases.find(" case " + id + ": goto L" + id + ";"), std::string::npos) << cases;
  }
  EXPECT_EQ(points, 2);
  EXPECT_NE(cases.find("default: KB_OUT return (uint32_t)kb_rid;"), std::string::npos) << cases;
  EXPECT_NE(c.find("kel_on_clear(kb_clear)"), std::string::npos);
  EXPECT_NE(c.find("kel_exit(99)"), std::string::npos);
  EXPECT_NE(c.find("KB_S(6, sub_end());"), std::string::npos);  // falling off the end is END
  EXPECT_EQ(statements_of("X = 1 ' one\nY = 2 : REM two").size(), 2u);
}

TEST(Bas2cppTranslate, BadProgramsGetFileLineAndColumn) {
  struct { const char *src, *message; } cases[] = {
      {"PRINT \"a\" +", "t.bas:1:12: expected an expression before the end of the line"},
      {"X = 1 +* 2", "t.bas:1:8: expected an expression but found '*'"},
      {"X = 1 @", "t.bas:1:7: unexpected '@'"},
      {"FOR I = 1 TO 3\nPRINT I", "t.bas:1:5: FOR without NEXT"},
      {"PRINT 1\nNEXT", "t.bas:2:5: NEXT without FOR"},
      {"WEND", "t.bas:1:5: WEND without WHILE"},
      {"ELSE", "t.bas:1:1: ELSE without a block IF"},
      {"GOTO 100", "t.bas:1:6: label 100 not defined"},
      {"10 PRINT\n10 PRINT", "t.bas:2:1: duplicate label 10"},
      {"A$ = 1", "t.bas:1:6: type mismatch: cannot assign a number to a string variable"},
      {"X = \"a\" + 1", "t.bas:1:9: type mismatch: cannot combine a string and a number with +"},
      {"SUB Foo", "t.bas:1:5: SUB without END SUB"},
      {"SUB A\nEND SUB\nCALL A(1)", "t.bas:3:1: argument-count mismatch: A takes 0 arguments, not 1"},
      {"SUB A (X%)\nEND SUB\nY! = 1: CALL A(Y!)", "t.bas:3:16: parameter type mismatch: X is INTEGER, the argument SINGLE"},
      {"DECLARE SUB A (X%)\nSUB A (X!)\nEND SUB", "t.bas:2:1: the parameters of A do not match its DECLARE at line 1"},
      {"X = F(1)\nFUNCTION F (A, B)\nEND FUNCTION", "t.bas:1:5: argument-count mismatch: F takes 2 arguments, not 1"},
      {"TYPE P\nX AS INTEGER\nEND TYPE\nDIM Q AS P\nPRINT Q.Y", "t.bas:5:7: type P has no field Y"},
      {"DIM Q AS Nothing", "t.bas:1:10: type NOTHING not defined"},
      {"RESTORE Nowhere", "t.bas:1:9: label NOWHERE not defined"},
      {"EXIT SUB", "t.bas:1:6: EXIT SUB outside a SUB"},
      {"OPEN \"f\" FOR INPUT", "t.bas:1:19: expected AS"},
      {"PRINT #\"a\", X", "t.bas:1:8: expected a numeric expression"},
      {"X = VARPTR(Y)", "t.bas:1:12: VARPTR of a simple variable is not supported"},
      {"10 PRINT 1\nRUN 50", "t.bas:2:5: label 50 not defined"},
      {"RUN 1 + 2", "t.bas:1:5: RUN takes a line number or a file name"},
      {"CHAIN \"a\", 10", "t.bas:1:12: CHAIN takes one argument"},
      {"IF X THEN FOR I = 1 TO 2", "t.bas:1:15: a block opened in a single-line IF must close on that line"},
      {"FOR I = 1 TO 3\nIF I THEN NEXT", "t.bas:2:4: a single-line IF cannot close a block opened before it"},
      {"DO\nIF 1 THEN LOOP", "t.bas:2:4: a single-line IF cannot close a block opened before it"},
      {"LOCATE 1, 2, 3, 4, 5, 6", "t.bas:1:1: wrong arguments for LOCATE"},
      {"CIRCLE (1, 2)", "t.bas:1:14: expected ','"},
      {"DIM A(1, 2, 3, 4, 5, 6, 7, 8, 9)", "t.bas:1:31: an array has at most 8 dimensions"},
      {"Y = 1D400", "t.bas:1:5: overflow"},
      {"FOO 1", "t.bas:1:1: unknown statement FOO"},
      {"DIM X AS INTEGER\nX! = 1", "t.bas:2:1: duplicate definition"},
      {"SELECT CASE 1\nPRINT\nEND SELECT", "t.bas:2:1: expected CASE"},
      {"ON TIMER(1) GOTO 10\n10 PRINT", "t.bas:1:13: expected GOSUB but found GOTO"},
      {"ON TIMER(1) GOSUB Nowhere", "t.bas:1:19: label NOWHERE not defined"},
      {"SUB S\nON KEY(1) GOSUB Inner\nInner: RETURN\nEND SUB", "t.bas:2:17: label INNER not defined"},
      {"ON PLAY(2) GOSUB Nowhere", "t.bas:1:18: label NOWHERE not defined"},
      {"TIMER(2) PAUSE", "t.bas:1:10: expected ON, OFF, STOP or FREE after TIMER but found PAUSE"},
      {"ON ERROR GOTO 10", "t.bas:1:15: label 10 not defined"},
  };
  for (auto &c : cases) {
    auto t = tr(c.src);
    EXPECT_FALSE(t.ok) << c.src;
    EXPECT_TRUE(t.cpp.empty()) << c.src;
    EXPECT_EQ(t.message.rfind(c.message, 0), 0u) << c.src << "\n  got: " << t.message;
  }
}

TEST(Bas2cppTranslate, ByteOrderMarkIsSkippedAndColumnsCountAfterIt) {
  const std::string bom = "\xEF\xBB\xBF";
  std::string src = "A$ = \"x\"\nPRINT A$\n";
  auto plain = tr(src), marked = tr(bom + src);
  ASSERT_TRUE(marked.ok) << marked.message;
  EXPECT_EQ(marked.cpp, plain.cpp);
  struct { std::string src, message; } cases[] = {
      {bom + "@", "t.bas:1:1: unexpected '@'"},
      {bom + "X = 1 @", "t.bas:1:7: unexpected '@'"},
      {bom + "PRINT 1\nX = 1 @", "t.bas:2:7: unexpected '@'"},
      {"X = 1\n" + bom, "t.bas:2:1: unexpected"},   // only a leading mark is skipped
  };
  for (auto &c : cases) {
    auto t = tr(c.src);
    EXPECT_FALSE(t.ok) << c.src;
    EXPECT_EQ(t.message.rfind(c.message, 0), 0u) << c.src << "\n  got: " << t.message;
  }
}

TEST(Bas2cppTranslate, DeepNestingIsAnErrorNotACrash) {
  std::string parens = "X = " + std::string(5000, '(') + "1" + std::string(5000, ')');
  auto a = tr(parens);
  EXPECT_FALSE(a.ok);
  EXPECT_NE(a.message.find("nested too deeply"), std::string::npos) << a.message;
  std::string fors;
  for (int k = 0; k < 1000; k++) fors += "FOR I = 1 TO 2\n";
  auto b = tr(fors);
  EXPECT_FALSE(b.ok);
  EXPECT_NE(b.message.find("nested too deeply"), std::string::npos) << b.message;
  std::string ifs = "X = 1";
  for (int k = 0; k < 1000; k++) ifs = "IF 1 THEN " + ifs;
  EXPECT_FALSE(tr(ifs).ok);
  std::string negs = "X = " + std::string(5000, '-') + "1";
  EXPECT_FALSE(tr(negs).ok);
}

TEST(Bas2cppTranslate, FlatChainsOfAThousandTermsAreNotNesting) {
  std::string sum = "X& = 1&", cat = "S$ = \"a\"", all = "B = (1 < 2)";
  for (int k = 2; k <= 1000; k++) {
    sum += " + " + std::to_string(k);
    cat += " + \"b\"";
    all += " AND (" + std::to_string(k) + " > 0)";
  }
  for (const std::string &src : {sum, cat, all}) {
    auto t = tr(src);
    EXPECT_TRUE(t.ok) << src.substr(0, 20) << ": " << t.message;
  }
  // Their C++ does not nest a call per term either (the compiler's time and memory grow with
  // the square of how deeply calls nest): the INTEGER, LONG and string chains are lists.
  for (const std::string &src : {sum, cat}) {
    std::string c = tr(src).cpp;
    int depth = 0, most = 0;
    for (char ch : c) {
      if (ch == '(') most = std::max(most, ++depth);
      else if (ch == ')') depth--;
    }
    EXPECT_LT(most, 20) << src.substr(0, 20);
    EXPECT_TRUE(c.find("kb_chain<int32_t>(") != std::string::npos || c.find("kb_cat({") != std::string::npos);
  }
  // Real nesting still counts: a chain inside 70 parentheses is too deep.
  auto deep = tr("X = " + std::string(70, '(') + "1 + 2 + 3" + std::string(70, ')'));
  EXPECT_FALSE(deep.ok);
  EXPECT_NE(deep.message.find("nested too deeply"), std::string::npos) << deep.message;
}

TEST(Bas2cppTranslate, RecordArraysAnyAndPaletteUsingMistakesAreLocated) {
  const std::string t3 = "TYPE T\nE(3) AS SINGLE\nN AS STRING * 4\nX AS INTEGER\nEND TYPE\nDIM R AS T\n";
  struct { std::string src, message; } cases[] = {
      {"SUB S (A AS ANY)\nEND SUB", "t.bas:1:13: AS ANY is allowed only in a DECLARE"},
      {t3 + "R.N% = \"a\"", "t.bas:7:1: the suffix of N% does not match its field's type"},
      {t3 + "Y = R.E", "t.bas:7:5: expected a subscript: E is an array in TYPE T"},
      {t3 + "Y = R.E(1, 2)", "t.bas:7:5: wrong number of subscripts for E"},
      {t3 + "Y = R.X(1)", "t.bas:7:5: X is not an array in TYPE T"},
      {"TYPE T\nE(N) AS SINGLE\nEND TYPE", "t.bas:2:3: an array inside a TYPE needs constant bounds"},
      {"TYPE T\nE(5 TO 1) AS SINGLE\nEND TYPE", "t.bas:2:8: the bounds of E are out of order"},
      {"DIM P!(15): PALETTE USING P!(0)", "t.bas:1:27: PALETTE USING needs an INTEGER or LONG array, but P() is SINGLE"},
      {"PALETTE USING 5", "t.bas:1:15: expected an array element after PALETTE USING but found 5"},
  };
  for (auto &c : cases) {
    auto t = tr(c.src);
    EXPECT_FALSE(t.ok) << c.src;
    EXPECT_EQ(t.message.rfind(c.message, 0), 0u) << c.src << "\n  got: " << t.message;
  }
}

TEST(Bas2cppTranslate, RandomTokenSoupEitherTranslatesOrIsLocated) {
  const char *pieces[] = {"PRINT", "IF", "THEN", "ELSE", "FOR", "NEXT", "TO", "DO", "LOOP", "WHILE", "WEND", "SELECT",
                          "CASE", "END", "GOSUB", "RETURN", "GOTO", "DIM", "A", "A$", "B%(", "(", ")", ",", ";", ":",
                          "=", "+", "-", "*", "/", "\\", "^", "\"s\"", "1", "1.5E3", "&H", "10", "\n", "\n10 ", "LINE",
                          "-(", "CIRCLE", "MID$(", "LEFT$(", "AND", "NOT", "CONST", "AS", "STRING", "*", "'",
                          "SELECT CASE", "END IF", "EXIT", "\"", "#", "?", "INPUT", "X:"};
  std::mt19937 rng(12345);
  int ok = 0;
  for (int n = 0; n < 3000; n++) {
    std::string src;
    int len = 1 + (int)(rng() % 30);
    for (int k = 0; k < len; k++) src += std::string(pieces[rng() % (sizeof pieces / sizeof *pieces)]) + " ";
    auto t = tr(src);
    if (t.ok) { ok++; continue; }
    EXPECT_EQ(t.message.rfind("t.bas:", 0), 0u) << src;
    EXPECT_GE(t.line, 1) << src;
    EXPECT_GE(t.col, 1) << src;
  }
  EXPECT_GT(ok, 0);   // some soups are programs
}

// How many times the text occurs in the output.
static size_t count_of(const std::string &hay, const std::string &needle) {
  size_t n = 0;
  for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) n++;
  return n;
}

TEST(Bas2cppMachineCode, CallAbsolutePassesVariablesBackAndValuesAsCopies) {
  struct { const char *src; size_t refs, vals; const char *has; } cases[] = {
      {"CALL ABSOLUTE(0)", 0, 0, "kb_call_absolute((int32_t)((int16_t)0), {})"},
      {"CALL ABSOLUTE(A%, B#, 16)", 2, 0, "kb_ca_ref(&v2_B)"},
      {"DIM X!(3): CALL ABSOLUTE(X!(2), 0)", 1, 0, "kb_ca_ref(kb_at<float>("},
      {"CALL ABSOLUTE(5, 70000, 1.5, 0)", 0, 3, "kb_ca_val<int32_t>((int32_t)70000)"},
      {"CALL ABSOLUTE((A%), A% + 1, LEN(\"ab\"), O%)", 0, 3, "kb_ca_val<int16_t>((v1_A))"},
      {"CONST K = 3: CALL ABSOLUTE(K, 0)", 0, 1, "kb_ca_val<int16_t>"},
      {"DEF SEG = &H1000: POKE 0, &HCB: CALL ABSOLUTE(A&, PEEK(1))", 1, 0, "sub_defseg((int32_t)((int16_t)4096), 1)"},
  };
  for (auto &c : cases) {
    auto t = tr(c.src);
    ASSERT_TRUE(t.ok) << c.src << ": " << t.message;
    // The preamble defines each helper once; the rest are uses.
    EXPECT_EQ(count_of(t.cpp, "kb_ca_ref("), c.refs) << c.src;
    EXPECT_EQ(count_of(t.cpp, "kb_ca_val<"), c.vals) << c.src;
    EXPECT_NE(t.cpp.find(c.has), std::string::npos) << c.src;
  }
  std::string many = "CALL ABSOLUTE(";
  for (int k = 0; k < 256; k++) many += "A%, ";
  EXPECT_TRUE(tr(many + "0)").ok);
  auto over = tr(many + "A%, 0)");
  EXPECT_FALSE(over.ok);
  EXPECT_NE(over.message.find("at most 256 arguments"), std::string::npos) << over.message;
}

TEST(Bas2cppMachineCode, CallInterruptTakesIntegerArraysAsRegisterRecords) {
  struct { const char *src, *has; } cases[] = {
      {"DIM R%(9): CALL INTERRUPT(&H33, R%(), R%())", "call_interrupt((int32_t)((int16_t)51), kb_regs(a1_R), kb_regs(a1_R))"},
      {"DIM I(9) AS INTEGER, O(9) AS INTEGER: CALL INTERRUPTX(N, I(), O())", "call_interruptx(kb_l(v3_N), kb_regs(a1_I), kb_regs(a2_O))"},
      {"DEFINT R: CALL INTERRUPT(&H33, R(), R())", "kb_regs(a1_R)"},
      // Records: their INTEGER fields in order; past the registers anything may follow.
      {"TYPE RT\nAX AS INTEGER\nBX AS INTEGER\nEND TYPE\nDIM R AS RT: CALL INTERRUPT(&H33, R, R)",
       "interrupt_regs{(void *)(v1_R), 4}"},
      {"TYPE RT\nF(7) AS INTEGER\nEND TYPE\nDIM Q(1) AS RT: CALL INTERRUPT(&H33, Q(0), Q(1))",
       "interrupt_regs{(void *)(kb_elem(a1_Q, (int32_t)((int16_t)1))), 16}"},
  };
  for (auto &c : cases) {
    auto t = tr(c.src);
    ASSERT_TRUE(t.ok) << c.src << ": " << t.message;
    EXPECT_NE(t.cpp.find(c.has), std::string::npos) << c.src;
  }
}

TEST(Bas2cppMachineCode, BadMemoryStatementsAreLocated) {
  struct { const char *src, *message; } cases[] = {
      {"CALL ABSOLUTE(A$, 0)", "t.bas:1:15: CALL ABSOLUTE cannot pass strings"},
      {"CALL ABSOLUTE(1, \"x\" + A$, 0)", "t.bas:1:18: CALL ABSOLUTE cannot pass strings"},
      {"CALL ABSOLUTE(A$)", "t.bas:1:15: expected a numeric expression"},
      {"CALL ABSOLUTE()", "t.bas:1:15: expected an expression but found ')'"},
      {"CALL ABSOLUTE(A%, 0", "t.bas:1:20: expected ')'"},
      {"CALL INTERRUPT(&H33, R, R)", "t.bas:1:22: CALL INTERRUPT takes its register records as INTEGER arrays"},
      {"CALL INTERRUPTX(&H33, R%(), R%(1))", "t.bas:1:29: CALL INTERRUPTX takes its register records as INTEGER arrays"},
      {"CALL INTERRUPT(&H33, R&(), R&())", "t.bas:1:22: CALL INTERRUPT needs INTEGER arrays as register records, but R&() is LONG"},
      {"DIM R(9): CALL INTERRUPT(&H33, R(), R())", "t.bas:1:32: CALL INTERRUPT needs INTEGER arrays as register records, but R!() is SINGLE"},
      {"CALL INTERRUPT(\"x\", R%(), R%())", "t.bas:1:16: expected a numeric expression"},
      {"TYPE T\nA AS INTEGER\nB AS LONG\nEND TYPE\nDIM R AS T: CALL INTERRUPT(&H33, R, R)",
       "t.bas:5:34: CALL INTERRUPT: the register fields of T must be INTEGERs, but B is LONG"},
      {"TYPE T\nA(8) AS INTEGER\nS AS STRING * 2\nEND TYPE\nDIM R AS T: CALL INTERRUPTX(&H33, R, R)",
       "t.bas:5:35: CALL INTERRUPTX: the register fields of T must be INTEGERs, but S is STRING"},
      {"CALL INTERRUPT(&H33, R%())", "t.bas:1:26: expected ','"},
      {"CALL Foo(1)", "t.bas:1:1: subprogram FOO not defined"},
      {"DEF SEG =", "t.bas:1:10: expected an expression before the end of the line"},
      {"POKE 1", "t.bas:1:1: wrong arguments for POKE"},
      {"PRINT FNB(1)", "t.bas:1:7: function FNB not defined"},
  };
  for (auto &c : cases) {
    auto t = tr(c.src);
    EXPECT_FALSE(t.ok) << c.src;
    EXPECT_EQ(t.message.rfind(c.message, 0), 0u) << c.src << "\n  got: " << t.message;
  }
}

// A scratch file's contents; a file that cannot be written fails the test that reads it.
static void write_file(const std::string &path, const std::string &text) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fputs(text.c_str(), f);
  std::fclose(f);
}

// $INCLUDE reads a file beside the including one; an error inside it names that file.
TEST(Bas2cppTranslate, IncludeFilesAreReadBesideTheProgramAndNamedInErrors) {
  std::string dir = testing::TempDir() + "/kel_include_test";
  std::string mk = "mkdir -p '" + dir + "'";
  ASSERT_EQ(std::system(mk.c_str()), 0);
  auto write = [&](const std::string &name, const std::string &text) { write_file(dir + "/" + name, text); };
  write("lib.bi", "SUB Hello (N%)\n  PRINT \"hello\"; N%\nEND SUB\n");
  write("bad.bi", "\nX = 1 +\n");
  auto good = translate("'$INCLUDE: 'lib.bi'\nHello 3\n", dir + "/main.bas");
  EXPECT_TRUE(good.ok) << good.message;
  EXPECT_NE(good.cpp.find("S_1_HELLO("), std::string::npos);
  auto bad = translate("PRINT 1\n'$INCLUDE: 'bad.bi'\n", dir + "/main.bas");
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.message.rfind("bad.bi:2:8: expected an expression", 0), 0u) << bad.message;
  auto missing = translate("REM $INCLUDE: 'none.bi'\n", dir + "/main.bas");
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.message.find("cannot read none.bi"), std::string::npos) << missing.message;
  // Names as OPEN reads them: '\' parts folders, and case does not matter.
  ASSERT_EQ(std::system(("mkdir -p '" + dir + "/Inc'").c_str()), 0);
  write("Inc/Shared.BI", "SUB Twice (N%)\n  PRINT N% * 2\nEND SUB\n");
  auto mapped = translate("'$INCLUDE: 'INC\\SHARED.bi'\nTwice 3\n", dir + "/main.bas");
  EXPECT_TRUE(mapped.ok) << mapped.message;
  EXPECT_NE(mapped.cpp.find("S_1_TWICE("), std::string::npos);
  std::remove((dir + "/Inc/Shared.BI").c_str());
  std::remove((dir + "/Inc").c_str());
  std::remove((dir + "/lib.bi").c_str());
  std::remove((dir + "/bad.bi").c_str());
  std::remove(dir.c_str());
}

// An $INCLUDE of something that is no regular file (a FIFO would keep the translator waiting,
// a device reading for ever) or of a file over the size limit is an error at its place.
TEST(Bas2cppTranslate, IncludeRefusesFifosDevicesAndHugeFiles) {
  std::string dir = testing::TempDir() + "/kel_include_limits";
  std::filesystem::remove_all(dir);
  ASSERT_TRUE(std::filesystem::create_directory(dir));
  ASSERT_EQ(mkfifo((dir + "/pipe.bi").c_str(), 0600), 0);
  { std::ofstream create(dir + "/huge.bi"); }
  std::filesystem::resize_file(dir + "/huge.bi", (16u << 20) + 1);   // sparse
  { std::ofstream(dir + "/fits.bi") << "PRINT 1\n" << std::string((16u << 20) - 8, ' '); }   // at the limit
  struct { const char *include, *message; } cases[] = {
    {"pipe.bi", "main.bas:2:13: $INCLUDE: pipe.bi is not a regular file"},
    {"/dev/zero", "main.bas:2:13: $INCLUDE: /dev/zero is not a regular file"},
    {"huge.bi", "main.bas:2:13: $INCLUDE: huge.bi is too large (limit is 16 MB)"},
  };
  for (auto &c : cases) {
    auto t = translate(std::string("X = 1\n'$INCLUDE: '") + c.include + "'\n", dir + "/main.bas");
    EXPECT_FALSE(t.ok) << c.include;
    EXPECT_NE(t.message.find(c.message), std::string::npos) << t.message;
  }
  auto fits = translate("'$INCLUDE: 'fits.bi'\n", dir + "/main.bas");
  EXPECT_TRUE(fits.ok) << fits.message;
  std::filesystem::remove_all(dir);
}

// A program that CHAINs or RUNs is built with every program it names by a constant found
// beside it (case ignored, .BAS added, \ as separator, followed from module to module, each
// once); a name not found is a warning. A program that does neither is translated as before.
TEST(Bas2cppTranslate, ChainAndRunTargetsAreFoundBesideTheProgram) {
  std::string dir = testing::TempDir() + "/kel_chain_test";
  std::string mk = "mkdir -p '" + dir + "/Sub'";
  ASSERT_EQ(std::system(mk.c_str()), 0);
  auto write = [&](const std::string &name, const std::string &text) { write_file(dir + "/" + name, text); };
  write("Second.Bas", "COMMON A%\nPRINT A%\nRUN \"sub\\third\"\n");
  write("Sub/THIRD.bas", "IF X THEN CHAIN \"main\" ELSE RUN \"second.bas\"\n");
  write("bad.bas", "PRINT 1 +\n");
  auto t = translate("COMMON B%\nB% = 1\nCHAIN \"SECOND\"\nRUN \"gone\"\nN$ = \"x\": CHAIN N$\n", dir + "/main.bas");
  ASSERT_TRUE(t.ok) << t.message;
  for (const char *m : {"{\"MAIN.BAS\", kbm0::", "{\"SECOND.BAS\", kbm1::", "{\"SUB/THIRD.BAS\", kbm2::"})
    EXPECT_NE(t.cpp.find(m), std::string::npos) << m;
  EXPECT_EQ(t.cpp.find("kbm3"), std::string::npos);
  ASSERT_EQ(t.warnings.size(), 1u);
  EXPECT_EQ(t.warnings[0].rfind(dir + "/main.bas:4:5: warning: gone is not beside the program", 0), 0u) << t.warnings[0];
  // An error in a chained program names its file.
  auto bad = translate("CHAIN \"BAD\"\n", dir + "/main.bas");
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.message.rfind(dir + "/bad.bas:1:10: expected an expression", 0), 0u) << bad.message;
  // Without CHAIN or RUN: one program with its own main, no module table.
  auto plain = translate("PRINT 1\n", dir + "/main.bas");
  ASSERT_TRUE(plain.ok);
  EXPECT_EQ(plain.cpp.find("kb_module"), std::string::npos);
  EXPECT_NE(plain.cpp.find("static void KELMAIN()"), std::string::npos);
  std::string rm = "rm -rf '" + dir + "'";
  ASSERT_EQ(std::system(rm.c_str()), 0);
}

// A program translated as a function (for benchmarks) runs once and returns: no main, no END wait.
// A loop that starts late in a chunk starts the next one instead of being cut at the chunk's
// end, and the chunk's entry switch names only the label other code enters it at: a loop
// reached only through its own jumps is one the C++ compiler can optimise.
TEST(Bas2cppTranslate, LoopsStayInOneChunkEnteredOnlyAtItsTop) {
  std::string src;
  for (int i = 0; i < 100; i++) src += "A" + std::to_string(i) + "% = " + std::to_string(i) + "\n";
  src += "FOR I% = 1 TO 10\n";
  for (int i = 0; i < 40; i++) src += "  B% = B% + I%\n";
  src += "NEXT I%\nPRINT B%\n";
  auto t = tr(src);
  ASSERT_TRUE(t.ok) << t.message;
  const std::string &c = t.cpp;
  size_t one = c.find("kb_chunk1 [[gnu::noinline]]"), two = c.find("kb_chunk2 [[gnu::noinline]]");
  ASSERT_NE(one, std::string::npos);
  EXPECT_EQ(two, std::string::npos);
  const std::string stmt = "_B = kb_v; })";
  EXPECT_EQ(count_of(c.substr(one), stmt), 40u);
  size_t sw = c.find("switch (kb_entry)", one), end = c.find("  }\n", sw);
  EXPECT_EQ(count_of(c.substr(sw, end - sw), "case "), 1u) << c.substr(sw, end - sw);
}

// A loop calling a short FUNCTION written out at the call gets its checked-once copy, in
// which the function's statements raise nothing: a failed check leaves for the checked loop,
// never for the error handling inside the copy (a handler may change what its test covered).
TEST(Bas2cppTranslate, LoopCopiesWriteFunctionsWithChecksThatOnlySetTheFlag) {
  auto t = tr("DECLARE FUNCTION Q# (I AS INTEGER, J AS INTEGER)\nDIM U#(1 TO 9)\nN% = 9\n"
              "FOR J% = 1 TO N%: S# = S# + U#(J%) * Q#(N%, J%): NEXT\nPRINT S#\n"
              "FUNCTION Q# (I AS INTEGER, J AS INTEGER)\nQ# = 1# / (I - J)\nEND FUNCTION\n");
  ASSERT_TRUE(t.ok) << t.message;
  size_t copies = 0;
  for (size_t p = t.cpp.find("KB_F("); p != std::string::npos; p = t.cpp.find("KB_F(", p + 1)) {
    std::string line = t.cpp.substr(p, t.cpp.find('\n', p) - p);
    if (line.find("kb_fr = 0;") == std::string::npos) continue;
    copies++;
    EXPECT_EQ(line.find("KB_Q("), std::string::npos) << line;
    EXPECT_EQ(line.find("kb_div("), std::string::npos) << line;
    EXPECT_NE(line.find("kb_divb(kb_r, "), std::string::npos) << line;
    EXPECT_NE(line.find("kb_getuv<double>("), std::string::npos) << line;
  }
  EXPECT_EQ(copies, 1u) << t.cpp;
  EXPECT_EQ(count_of(t.cpp, "(true)"), 1u);
  // LOG raises in place and has no such form: the copy is then one never entered, and so is
  // that of a loop around it, which holds the inner copy.
  auto l = tr("DECLARE FUNCTION L# (X AS DOUBLE)\nDIM U#(1 TO 9)\nN% = 9\nFOR I% = 1 TO N%\n"
              "FOR J% = 1 TO N%: X# = J%: S# = S# + U#(J%) * L#(X#): NEXT\nNEXT\nPRINT S#\n"
              "FUNCTION L# (X AS DOUBLE)\nL# = LOG(X) + 1\nEND FUNCTION\n");
  ASSERT_TRUE(l.ok) << l.message;
  EXPECT_EQ(count_of(l.cpp, "(true)"), 0u);
  EXPECT_EQ(count_of(l.cpp, "(false)"), 2u) << l.cpp;
}

TEST(Bas2cppTranslate, EntryFunctionRunsTheProgramOnceAndReturns) {
  auto whole = translate("X = 1\n", "t.bas");
  auto entry = translate("X = 1\n", "t.bas", nullptr, "bench_x");
  ASSERT_TRUE(whole.ok && entry.ok) << entry.message;
  EXPECT_NE(whole.cpp.find("int main("), std::string::npos);
  EXPECT_NE(whole.cpp.find("sub_end()"), std::string::npos);
  EXPECT_EQ(entry.cpp.find("int main("), std::string::npos);
  EXPECT_EQ(entry.cpp.find("sub_end()"), std::string::npos);
  EXPECT_NE(entry.cpp.find("void bench_x() {"), std::string::npos);
}

// ---- the size of what the C++ compiler gets: each function and expression stays bounded
// however long a statement or a program is, so the compile grows linearly with the program.

// The largest function of emitted C++ (a definition starts at the start of a line and ends at a
// line "}"), in bytes, and the deepest nesting of parentheses in any line.
struct code_shape { size_t largest_function = 0, deepest_parens = 0, functions = 0; };
static code_shape shape_of(const std::string &cpp) {
  code_shape s;
  size_t fn_start = std::string::npos;
  for (size_t k = 0; k < cpp.size();) {
    size_t e = cpp.find('\n', k);
    if (e == std::string::npos) e = cpp.size();
    std::string line = cpp.substr(k, e - k);
    if (fn_start == std::string::npos && !line.empty() && line[0] != ' ' && line[0] != '#' && line.back() == '{' &&
        line.find('(') != std::string::npos && line.find('=') == std::string::npos)
      fn_start = k;
    else if (fn_start != std::string::npos && line == "}") {
      s.largest_function = std::max(s.largest_function, e - fn_start);
      s.functions++;
      fn_start = std::string::npos;
    }
    size_t depth = 0;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); i++) {
      char c = line[i];
      if (c == '\\' && quoted) i++;
      else if (c == '"') quoted = !quoted;
      else if (!quoted && c == '(') s.deepest_parens = std::max(s.deepest_parens, ++depth);
      else if (!quoted && c == ')' && depth) depth--;
    }
    k = e + 1;
  }
  return s;
}

// One PRINT of n items of four kinds, separated by ; and ,.
static std::string long_print(int n) {
  std::string src = "A$ = \"a\"\nPRINT ";
  for (int k = 0; k < n; k++) {
    const std::string item[] = {std::to_string(k), "\"s" + std::to_string(k) + "\"", "X + " + std::to_string(k),
                                "A$ + STR$(" + std::to_string(k) + ")"};
    src += item[k % 4] + (k + 1 == n ? "" : k % 8 == 7 ? "," : "; ");
  }
  return src + "\n";
}

TEST(Bas2cppCodeSize, LongItemListsComeAsBoundedGroupsInOrder) {
  auto small = tr(long_print(10));
  ASSERT_TRUE(small.ok) << small.message;
  EXPECT_EQ(small.cpp.find("[&]() __attribute__((noinline))"), std::string::npos);   // a short list stays inline
  size_t depth_1k = 0;
  for (int n : {1000, 30000}) {
    auto t = tr(long_print(n));
    ASSERT_TRUE(t.ok) << t.message;
    // Every item printed once, inside a group of at most 64 items of its own function.
    const std::string open = "[&]() __attribute__((noinline)) {", close = " }();";
    size_t groups = 0, items = 0, largest = 0;
    for (size_t at = t.cpp.find(open); at != std::string::npos; at = t.cpp.find(open, at + 1)) {
      size_t end = t.cpp.find(close, at);
      ASSERT_NE(end, std::string::npos);
      size_t here = count_of(t.cpp.substr(at, end - at), "kb_print(");
      groups++, items += here, largest = std::max(largest, here);
    }
    EXPECT_EQ(groups, (size_t)(n + 63) / 64) << n;
    EXPECT_EQ(items, (size_t)n) << n;
    EXPECT_LE(largest, 64u) << n;
    size_t a = t.cpp.find("kels_str((int16_t)((int16_t)" + std::to_string(n - 5) + "))"),
           b = t.cpp.find("kels_str((int16_t)((int16_t)" + std::to_string(n - 1) + "))");
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(b, std::string::npos);
    EXPECT_LT(a, b);
    if (n == 1000) depth_1k = shape_of(t.cpp).deepest_parens;
    else EXPECT_LE(shape_of(t.cpp).deepest_parens, depth_1k);   // thirty times the items, no deeper
  }
}

// A program of about n lines as hobby programs are written: numbers and strings, IF blocks,
// loops, labels reached by GOTO and GOSUB, and procedures called from the main program.
static std::string mixed_program(int n) {
  std::string src = "DECLARE SUB Tally (N AS INTEGER, S$)\nDECLARE FUNCTION Half! (X!)\nDIM V(100)\n";
  int lines = 3, k = 0;
  for (; lines < n - 20; k++) {
    std::string x = "X" + std::to_string(k % 50), i = std::to_string(k);
    switch (k % 6) {
      case 0: src += x + " = " + x + " * 2 + " + i + "\nS$ = STR$(" + x + ") + \"" + i + "\"\n"; lines += 2; break;
      case 1: src += "IF " + x + " > " + i + " THEN\n  " + x + " = Half!(" + x + ")\nELSE\n  PRINT \"v\"; " + x + "\nEND IF\n"; lines += 5; break;
      case 2: src += "FOR J = 1 TO 3\n  V(J) = V(J) + " + x + "\nNEXT J\n"; lines += 3; break;
      case 3: src += "IF " + x + " < 0 GOTO L" + i + "\n" + x + " = -" + x + "\nL" + i + ":\n"; lines += 3; break;
      case 4: src += "GOSUB Twice\nCALL Tally(C%, S$)\n"; lines += 2; break;
      default: src += "PRINT " + x + "; S$, C%\n"; lines += 1; break;
    }
  }
  src += "END\nTwice:\n  C% = C% + 1\nRETURN\n";
  src += "SUB Tally (N AS INTEGER, S$)\n  N = N + 1: S$ = LEFT$(S$, 8)\nEND SUB\n";
  src += "FUNCTION Half! (X!)\n  Half! = X! / 2\nEND FUNCTION\n";
  return src;
}

TEST(Bas2cppCodeSize, LargeProgramsComeInBoundedPartsOfBoundedFunctions) {
  const size_t part = 65536;
  auto whole = translate(mixed_program(300), "t.bas", nullptr, "", part);   // small: one file as ever
  ASSERT_TRUE(whole.ok) << whole.message;
  EXPECT_EQ(whole.cpp, tr(mixed_program(300)).cpp);
  code_shape shapes[2];
  size_t parts_of[2] = {0, 0};
  for (int big : {0, 1}) {
    auto t = translate(mixed_program(big ? 12000 : 3000), "t.bas", nullptr, "", part);
    ASSERT_TRUE(t.ok) << t.message;
    shapes[big] = shape_of(t.cpp);
    const std::string tag = "// kelc: parts ";
    size_t at = t.cpp.find('\n') + 1;
    ASSERT_EQ(t.cpp.compare(at, tag.size(), tag), 0) << t.cpp.substr(0, 200);
    size_t parts = std::stoul(t.cpp.substr(at + tag.size()));
    parts_of[big] = parts;
    // The sections: KB_PART 0 .. parts-1 in order, each of bounded size; every chunk of the
    // module defined in exactly one and declared before all of them.
    size_t head_end = t.cpp.find("#if !defined(KB_PART)");
    ASSERT_NE(head_end, std::string::npos);
    for (size_t p = 0; p < parts; p++) {
      std::string open = "#if !defined(KB_PART) || KB_PART == " + std::to_string(p) + "\n";
      size_t s = t.cpp.find(open), e = t.cpp.find("#endif\n", s);
      ASSERT_NE(s, std::string::npos) << p;
      ASSERT_NE(e, std::string::npos) << p;
      EXPECT_LE(e - s, 5 * part) << "part " << p;
    }
    EXPECT_EQ(t.cpp.find("KB_PART == " + std::to_string(parts) + "\n"), std::string::npos);
    for (size_t c = 0;; c++) {
      std::string name = "uint32_t kb_chunk" + std::to_string(c) + "(uint32_t kb_entry, int32_t kb_depth)";
      size_t decl = t.cpp.find(name + ";");
      if (decl == std::string::npos) { EXPECT_GT(c, 4u); break; }
      EXPECT_LT(decl, head_end);
      std::string defined = "uint32_t kb_chunk" + std::to_string(c) + " [[gnu::noinline]] (uint32_t kb_entry, [[maybe_unused]] int32_t kb_depth) {";
      EXPECT_EQ(count_of(t.cpp, defined), 1u) << name;
    }
    EXPECT_EQ(count_of(t.cpp, "void S_"), 2u);   // SUB Tally: declared once, defined once
    EXPECT_EQ(count_of(t.cpp, "int main("), 1u);
  }
  EXPECT_GE(parts_of[0], 2u);
  EXPECT_GT(parts_of[1], 2 * parts_of[0]);
  // Four times the program: as many more functions, none of them larger, and no deeper nesting.
  EXPECT_GT(shapes[1].functions, 3 * shapes[0].functions);
  EXPECT_LE(shapes[1].largest_function, shapes[0].largest_function + shapes[0].largest_function / 4);
  EXPECT_LE(shapes[1].deepest_parens, shapes[0].deepest_parens);
}

}  // namespace bas2cpp_test
