// Tests for the string functions and statements: clipping, errors, in-place reuse of
// temporaries, the MID$ statement, LSET/RSET and comparison order.
#include <gtest/gtest.h>
#include <climits>
#include <cstring>
#include <functional>
#include "test_support.h"

namespace strfunc_test {

static kels *const freed_slot = reinterpret_cast<kels *>(static_cast<intptr_t>(-1));

class Strfunc : public ::testing::Test {
 protected:
  uint32_t base = 0;
  std::vector<kels *> vars;

  void SetUp() override {
    kel_test_reset();
    base = kels_tmp_list_nexti;
  }
  void TearDown() override {
    kels_cleanup(base, 0);
    for (kels *v : vars) kels_free(v);
    new_error = 0, kelevent = 0;
  }
  kels *var(const std::string &s) {
    vars.push_back(kels_set(kels_new(0, 0), kels_tmp_from(s.data(), uint32_t(s.size()))));
    return vars.back();
  }
  uint32_t live_temporaries() const {
    uint32_t n = 0;
    for (uint32_t i = base; i < kels_tmp_list_nexti; i++) n += kels_tmp_list[i] != freed_slot;
    return n;
  }
};

// Every cutting or converting function, called on four kinds of argument: a heap temporary
// (changed in place: the same descriptor comes back), a variable (never changed; a result
// that differs is a new temporary), a literal and a data-block temporary (neither may be
// written, and each is consumed unless it is itself the result).
TEST_F(Strfunc, StringResultsClipAndReuseOnlyPrivateTemporaries) {
  using fn = std::function<kels *(kels *)>;
  struct row { const char *name; fn f; std::string in, out; };
  const row rows[] = {
      {"LEFT$ 10", [](kels *s) { return kels_left(s, 10); }, "HELLO", "HELLO"},
      {"LEFT$ 2", [](kels *s) { return kels_left(s, 2); }, "HELLO", "HE"},
      {"LEFT$ 0", [](kels *s) { return kels_left(s, 0); }, "HELLO", ""},
      {"LEFT$ -1", [](kels *s) { return kels_left(s, -1); }, "HELLO", ""},
      {"LEFT$ of empty", [](kels *s) { return kels_left(s, 3); }, "", ""},
      {"RIGHT$ 2", [](kels *s) { return kels_right(s, 2); }, "ABCDE", "DE"},
      {"RIGHT$ 9", [](kels *s) { return kels_right(s, 9); }, "ABCDE", "ABCDE"},
      {"RIGHT$ -3", [](kels *s) { return kels_right(s, -3); }, "ABCDE", ""},
      {"MID$ 0,3", [](kels *s) { return func_mid(s, 0, 3, 1); }, "ABCDE", "AB"},
      {"MID$ -1,3", [](kels *s) { return func_mid(s, -1, 3, 1); }, "ABCDE", "A"},
      {"MID$ -5,3", [](kels *s) { return func_mid(s, -5, 3, 1); }, "ABCDE", ""},
      {"MID$ 2,3", [](kels *s) { return func_mid(s, 2, 3, 1); }, "ABCDE", "BCD"},
      {"MID$ 4,10", [](kels *s) { return func_mid(s, 4, 10, 1); }, "ABCDE", "DE"},
      {"MID$ 6,1", [](kels *s) { return func_mid(s, 6, 1, 1); }, "ABCDE", ""},
      {"MID$ 2,0", [](kels *s) { return func_mid(s, 2, 0, 1); }, "ABCDE", ""},
      {"MID$ 2,-1", [](kels *s) { return func_mid(s, 2, -1, 1); }, "ABCDE", ""},
      {"MID$ 1,5", [](kels *s) { return func_mid(s, 1, 5, 1); }, "ABCDE", "ABCDE"},
      {"MID$ extremes", [](kels *s) { return func_mid(s, INT_MIN, INT_MAX, 1); }, "ABCDE", ""},
      {"MID$ 2", [](kels *s) { return func_mid(s, 2, 0, 0); }, "ABCDE", "BCDE"},
      {"MID$ 6", [](kels *s) { return func_mid(s, 6, 0, 0); }, "ABCDE", ""},
      {"MID$ -7", [](kels *s) { return func_mid(s, -7, 0, 0); }, "ABCDE", "ABCDE"},
      {"MID$ INT_MAX", [](kels *s) { return func_mid(s, INT_MAX, 0, 0); }, "ABCDE", ""},
      {"LTRIM$", kels_ltrim, "  AB ", "AB "},
      {"LTRIM$ all", kels_ltrim, "   ", ""},
      {"LTRIM$ tab", kels_ltrim, "\tAB", "\tAB"},
      {"RTRIM$", kels_rtrim, " AB  ", " AB"},
      {"RTRIM$ none", kels_rtrim, " AB", " AB"},
      {"UCASE$", kels_ucase, "abc", "ABC"},
      {"UCASE$ edges", kels_ucase, "`az{@\xe9", "`AZ{@\xe9"},
      {"UCASE$ none", kels_ucase, "AB1", "AB1"},
      {"LCASE$ edges", kels_lcase, "@AZ[`\xc9", "@az[`\xc9"},
      {"LCASE$ empty", kels_lcase, "", ""},
  };
  enum kind { heap_tmp, variable, literal, cmem_tmp };
  for (const row &r : rows) {
    for (kind k : {heap_tmp, variable, literal, cmem_tmp}) {
      SCOPED_TRACE(std::string(r.name) + " on kind " + std::to_string(k));
      kels *arg;
      if (k == heap_tmp) arg = kels_tmp_from(r.in.data(), uint32_t(r.in.size()));
      else if (k == variable) arg = var(r.in);
      else if (k == literal) arg = kels_new_txt_len(r.in.data(), int32_t(r.in.size()));
      else arg = kels_new_cmem(int32_t(r.in.size()), 1), std::memcpy(arg->text, r.in.data(), r.in.size());
      kels *res = r.f(arg);
      EXPECT_EQ(S(res), r.out);
      EXPECT_EQ(new_error, 0);
      // One character cut from a string nobody may change is the shared read-only string.
      bool shared_char = k != heap_tmp && r.out.size() == 1 && r.out != r.in;
      if (k == heap_tmp || r.out == r.in) {
        EXPECT_EQ(res, arg);
      } else if (shared_char) {
        EXPECT_TRUE(res != arg && res->readonly && !res->tmp && !res->tmplisti);
      } else {
        EXPECT_TRUE(res != arg && res->tmp && !res->in_cmem);
      }
      if (k == variable) {
        EXPECT_EQ(S(arg), r.in);
      }
      EXPECT_EQ(live_temporaries(), (res == arg && k == variable) || shared_char ? 0u : 1u) << "argument consumed";
      kels_cleanup(base, 0);
    }
  }
}

// A temporary cut in place keeps a moved text pointer; the heap must stay sound around it.
TEST_F(Strfunc, InPlaceResultsSurviveAssignmentAndCompaction) {
  kels *a = var("");
  kels *b = var("");
  kels_set(a, kels_right(T("0123456789ABCDEFGHIJ"), 3));
  kels_set(b, kels_ltrim(T("      tail")));
  kels_set(a, kels_add(a, T("+more")));
  kels_concat(0);
  EXPECT_EQ(S(a), "HIJ+more");
  EXPECT_EQ(S(b), "tail");
  EXPECT_EQ(live_temporaries(), 0u);
}

TEST_F(Strfunc, MidStatementOverwritesWithoutChangingLength) {
  struct row { int32_t start, n, passed; const char *src, *out; };
  const row rows[] = {
      {4, 0, 0, "XYZ", "ABCXY"}, {1, 0, 0, "XYZ", "XYZDE"}, {5, 0, 0, "XYZ", "ABCDX"},
      {0, 0, 0, "XYZ", "YZCDE"}, {-1, 0, 0, "XYZ", "ZBCDE"}, {-2, 0, 0, "XYZ", "ABCDE"},
      {6, 0, 0, "X", "ABCDE"}, {2, 0, 0, "", "ABCDE"}, {2, 2, 1, "XYZ", "AXYDE"},
      {2, 10, 1, "XYZ", "AXYZE"}, {2, 0, 1, "XYZ", "ABCDE"}, {2, -1, 1, "XYZ", "ABCDE"},
      {1, 9, 1, "VWXYZQQ", "VWXYZ"}, {0, 3, 1, "XYZ", "YZCDE"}, {INT_MIN, INT_MAX, 1, "XYZ", "ABCDE"},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(std::to_string(r.start) + "," + std::to_string(r.n) + " " + r.src);
    kels *dest = var("ABCDE"), *src = T(r.src);
    sub_mid(dest, r.start, r.n, src, r.passed);
    EXPECT_EQ(S(dest), r.out);
    EXPECT_EQ(S(src), r.src);
    EXPECT_EQ(live_temporaries(), 1u) << "the source is only read";
    kels_cleanup(base, 0);
  }
  kels *self = var("ABCD");
  sub_mid(self, 2, 0, self, 0);
  EXPECT_EQ(S(self), "AABC");
  sub_mid(nothingstring, 1, 0, T("X"), 0);
  EXPECT_EQ(nothingstring->len, 0u);
}

TEST_F(Strfunc, InstrFindsFirstWholeMatchFromStart) {
  struct row { int32_t start, passed; std::string s, find; int32_t at; };
  const row rows[] = {
      {0, 0, "ABCABC", "CA", 3}, {4, 1, "ABCABC", "", 4}, {7, 1, "ABCABC", "", 0},
      {0, 0, "", "", 0}, {0, 0, "", "A", 0}, {0, 0, "ABCABC", "", 1},
      {0, 1, "ABCABC", "", 0}, {0, 1, "ABCABC", "BC", 2}, {-5, 1, "ABCABC", "Z", 0},
      {3, 1, "ABCABC", "BC", 5}, {5, 1, "ABCABC", "BC", 5}, {6, 1, "ABCABC", "BC", 0},
      {0, 0, "ABC", "ABCD", 0}, {0, 0, "AAAB", "AAB", 2}, {0, 0, "abc", "B", 0},
      {0, 0, "x\xe9y", "\xe9y", 2}, {0, 0, "ABCABC", "ABCABC", 1}, {INT_MAX, 1, "AB", "B", 0},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(std::to_string(r.start) + " " + r.s + " / " + r.find);
    kels *s = T(r.s.c_str()), *find = T(r.find.c_str());
    EXPECT_EQ(func_instr(r.start, s, find, r.passed), r.at);
    EXPECT_EQ(live_temporaries(), 2u);
    kels_cleanup(base, 0);
  }
}

TEST_F(Strfunc, CodesAndFillsRaiseErrorFiveOnlyWhereDefined) {
  struct row { const char *name; std::function<std::string()> f; std::string out; int err; };
  const row rows[] = {
      {"CHR$ 65", [] { return S(func_chr(65)); }, "A", 0},
      {"CHR$ 0", [] { return S(func_chr(0)); }, std::string(1, '\0'), 0},
      {"CHR$ 255", [] { return S(func_chr(255)); }, "\xff", 0},
      {"CHR$ 256", [] { return S(func_chr(256)); }, "", 5},
      {"CHR$ -1", [] { return S(func_chr(-1)); }, "", 5},
      {"ASC", [] { return std::to_string(kels_asc(T("\xe9z"))); }, "233", 0},
      {"ASC empty", [] { return std::to_string(kels_asc(T(""))); }, "0", 5},
      {"ASC 3", [] { return std::to_string(kels_asc(T("ABC"), 3)); }, "67", 0},
      {"ASC 0", [] { return std::to_string(kels_asc(T("ABC"), 0)); }, "0", 5},
      {"ASC 4", [] { return std::to_string(kels_asc(T("ABC"), 4)); }, "0", 5},
      {"SPACE$ 3", [] { return S(func_space(3)); }, "   ", 0},
      {"SPACE$ -4", [] { return S(func_space(-4)); }, "", 0},
      {"STRING$ 321", [] { return S(func_string(2, 321)); }, "AA", 0},
      {"STRING$ -191", [] { return S(func_string(2, -191)); }, "AA", 0},
      {"STRING$ -1", [] { return S(func_string(-1, 65)); }, "", 0},
      {"STRING$ text", [] { return S(func_string(3, T("xyz"))); }, "xxx", 0},
      {"STRING$ empty text", [] { return S(func_string(3, T(""))); }, "", 5},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.name);
    new_error = 0;
    EXPECT_EQ(r.f(), r.out);
    EXPECT_EQ(new_error, r.err);
  }
}

TEST_F(Strfunc, PendingErrorLeavesEverythingAlone) {
  kels *v = var("abc ");
  new_error = 7;
  sub_mid(v, 1, 0, T("XY"), 0);
  sub_lset(v, T("Q"));
  sub_rset(v, T("Q"));
  EXPECT_EQ(S(kels_ucase(T("x"))), "");
  EXPECT_EQ(S(func_chr(300)), "");
  EXPECT_EQ(kels_asc(T("")), 0);
  EXPECT_EQ(S(v), "abc ");
  EXPECT_EQ(new_error, 7);
}

TEST_F(Strfunc, LsetAndRsetPadOrTruncateToTheDestination) {
  struct row { const char *src, *lset, *rset; };
  const row rows[] = {{"AB", "AB   ", "   AB"}, {"ABCDEFG", "ABCDE", "ABCDE"},
                      {"", "     ", "     "}, {"VWXYZ", "VWXYZ", "VWXYZ"}};
  for (const row &r : rows) {
    SCOPED_TRACE(r.src);
    for (bool right : {false, true}) {
      uint8_t storage[7] = {'#', '?', '?', '?', '?', '?', '#'};
      kels *dest = kels_new_fixed(storage + 1, 5, 0), *src = T(r.src);
      (right ? sub_rset : sub_lset)(dest, src);
      EXPECT_EQ(std::string((char *)storage, 7), std::string("#") + (right ? r.rset : r.lset) + "#");
      EXPECT_EQ(live_temporaries(), 1u);
      kels_free(dest);
      kels_cleanup(base, 0);
    }
  }
}

// Each row is ordered a before, equal to or after b; every operator is checked both ways round.
TEST_F(Strfunc, ComparisonsOrderByUnsignedBytesThenLength) {
  struct row { std::string a, b; int order; };
  const row rows[] = {{"AB", "ABC", -1}, {"", "A", -1}, {"", "", 0}, {"ABC", "ABC", 0},
                      {"a", "Z", 1}, {"ABD", "ABC", 1}, {"\x80", "\x7f", 1}, {"\xff", "\xfe\xff", 1},
                      {"A\xe9", "A\xe9 ", -1}, {std::string("A\0B", 3), std::string("A\0C", 3), -1}};
  for (const row &r : rows) {
    for (int swap : {0, 1}) {
      const std::string &x = swap ? r.b : r.a, &y = swap ? r.a : r.b;
      kels *a = kels_tmp_from(x.data(), uint32_t(x.size())), *b = kels_tmp_from(y.data(), uint32_t(y.size()));
      int o = swap ? -r.order : r.order;
      SCOPED_TRACE(S(a) + " vs " + S(b));
      int32_t got[6] = {kels_equal(a, b), kels_notequal(a, b), kels_lessthan(a, b),
                        kels_greaterthan(a, b), kels_lessorequal(a, b), kels_greaterorequal(a, b)};
      int32_t want[6] = {-(o == 0), -(o != 0), -(o < 0), -(o > 0), -(o <= 0), -(o >= 0)};
      EXPECT_EQ(std::vector<int32_t>(got, got + 6), std::vector<int32_t>(want, want + 6));
      EXPECT_EQ(live_temporaries(), 2u);
      kels_cleanup(base, 0);
    }
  }
}

}  // namespace strfunc_test
