// Tests for string descriptors, the string data heap, the data block's string area,
// temporaries, assignment and concatenation.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <cstring>
#include <functional>
#include "strview.h"
#include "test_support.h"

namespace kels_test {

using words_t = std::pair<uint16_t, uint16_t>;
static kels *const freed_slot = reinterpret_cast<kels *>(static_cast<intptr_t>(-1));

// Each test gets a fresh, empty 1 MB heap and list so offsets and counts are exact whatever
// strings the rest of the runtime holds; the real ones come back afterwards.
class Kels : public ::testing::Test {
 protected:
  uint8_t *saved_data = kels_data;
  uint32_t saved_size = kels_data_size, saved_sp = kels_sp;
  kels **saved_list = kels_list;
  uint32_t saved_nexti = kels_list_nexti, saved_lasti = kels_list_lasti, base = 0;

  void SetUp() override {
    kel_test_reset();
    kels_data = static_cast<uint8_t *>(std::calloc(1, 1048576));
    kels_list = static_cast<kels **>(std::calloc(65536, sizeof(kels *)));
    kels_data_size = 1048576, kels_sp = 0, kels_list_nexti = 0, kels_list_lasti = 65535;
    base = kels_tmp_list_nexti;
  }
  void TearDown() override {
    kels_cleanup(base, 0);
    std::free(kels_data), std::free(kels_list);
    kels_data = saved_data, kels_data_size = saved_size, kels_sp = saved_sp;
    kels_list = saved_list, kels_list_nexti = saved_nexti, kels_list_lasti = saved_lasti;
  }
  // A literal view: assigning it always copies, never steals.
  static kels *L(const std::string &s) { return kels_new_txt_len(s.data(), int32_t(s.size())); }
  static kels *var(const std::string &s) { return kels_set(kels_new(0, 0), L(s)); }
  uint32_t live_temporaries() const {
    uint32_t n = 0;
    for (uint32_t i = base; i < kels_tmp_list_nexti; i++) n += kels_tmp_list[i] != freed_slot;
    return n;
  }
  static uint32_t off(const kels *s) { return uint32_t(s->text - kels_data); }
  static words_t words(const kels *s) {
    uint16_t w[2];
    std::memcpy(w, dblock + s->cmem_descriptor_offset, 4);
    return {w[0], w[1]};
  }
};

// Short copies go by loads of both ends before stores: every length up to past the cut-over,
// with source and destination overlapping either way or apart, gives what memmove gives.
TEST(KelsMove, EveryShortLengthAndOverlapMatchesMemmove) {
  for (uint32_t n = 0; n <= 40; n++)
    for (int shift = -9; shift <= 9; shift++) {
      uint8_t want[96], got[96];
      for (int i = 0; i < 96; i++) want[i] = got[i] = uint8_t(i * 7 + 3);
      std::memmove(want + 30 + shift, want + 30, n);
      kels_move(got + 30 + shift, got + 30, n);
      ASSERT_EQ(0, std::memcmp(want, got, sizeof want)) << "length " << n << " shift " << shift;
    }
}

// String comparisons read short strings by their ends and look at the first character first:
// for every length, a difference at each position (or none, or only in length) gives what a
// plain byte-by-byte comparison gives.
TEST(KelsCompare, EveryLengthAndPlaceOfADifferenceComparesAsBytes) {
  auto plain = [](kb_sv a, kb_sv b) {
    for (uint32_t i = 0; i < a.n && i < b.n; i++)
      if (a.p[i] != b.p[i]) return a.p[i] < b.p[i] ? -1 : 1;
    return a.n < b.n ? -1 : a.n > b.n ? 1 : 0;
  };
  auto sign = [](int c) { return c < 0 ? -1 : c > 0 ? 1 : 0; };
  for (uint32_t n = 0; n <= 24; n++)
    for (uint32_t at = 0; at <= n; at++)
      for (int delta : {-200, -1, 1, 130}) {
        uint8_t x[32], y[32];
        for (uint32_t i = 0; i < 32; i++) x[i] = y[i] = uint8_t(100 + i * 3);
        if (at < n) y[at] = uint8_t(x[at] + delta);
        for (uint32_t m : {n, n + 1, n ? n - 1 : 0}) {
          kb_sv a{x, n}, b{y, m};
          int want = plain(a, b);
          ASSERT_EQ(want, sign(kb_compare_view(a, b))) << n << " " << at << " " << m;
          ASSERT_EQ(want == 0, kb_same_bytes(x, y, n) && n == m) << n << " " << at << " " << m;
          ASSERT_EQ(want == 0 ? -1 : 0, kb_equal_view(a, b));
        }
      }
}

TEST_F(Kels, EachKindOfDescriptorIsListedWhereItBelongs) {
  static uint8_t outside[8];
  struct row { const char *name; std::function<kels *()> make; bool heap, cmem, tmp, fixed, readonly, words; };
  const row rows[] = {
      {"variable", [] { return kels_new(5, 0); }, 1, 0, 0, 0, 0, 0},
      {"heap temp", [] { return kels_new(5, 1); }, 1, 0, 1, 0, 0, 0},
      {"literal", [] { return kels_new_txt_len("abcdef", 2); }, 0, 0, 1, 0, 1, 0},
      {"fixed", [] { return kels_new_fixed(outside, 4, 0); }, 0, 0, 0, 1, 0, 0},
      {"fixed temp", [] { return kels_new_fixed(outside, 4, 1); }, 0, 0, 1, 1, 0, 0},
      {"fixed in dblock", [] { return kels_new_fixed(dblock + 30000, 4, 0); }, 0, 0, 0, 1, 0, 1},
      {"cmem", [] { return kels_new_cmem(3, 0); }, 0, 1, 0, 0, 0, 1},
      {"cmem temp", [] { return kels_new_cmem(3, 1); }, 0, 1, 1, 0, 0, 0},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.name);
    uint32_t heap_n = kels_list_nexti, cmem_n = kels_cmem_list_nexti, stack = cmem_sp;
    kels *s = r.make();
    EXPECT_EQ(kels_list_nexti - heap_n, uint32_t(r.heap));
    EXPECT_EQ(kels_cmem_list_nexti - cmem_n, uint32_t(r.cmem));
    EXPECT_EQ(s->tmplisti ? kels_tmp_list[s->tmplisti] == s : false, r.tmp);
    EXPECT_EQ((std::vector<int>{s->in_cmem, s->tmp, s->fixed, s->readonly}),
              (std::vector<int>{r.cmem, r.tmp, r.fixed, r.readonly}));
    EXPECT_EQ(stack - cmem_sp, r.words ? 4u : 0u);
    if (r.words) { EXPECT_EQ(words(s), words_t(s->len, s->text - dblock)); }
    kels_free(s);
  }
}

// A long temporary is handed over; a short one that fits where the variable is gets copied
// there, and the string space's end goes back to where it was before the temporary was made.
TEST_F(Kels, AssigningATemporaryStealsItsCharacters) {
  const std::string longer(300, 'x');
  for (bool in_cmem : {false, true}) {
    kels *v = in_cmem ? kels_new_cmem(0, 0) : kels_new(0, 0);
    kels *t = in_cmem ? kels_new_cmem(300, 1) : kels_new(300, 1);
    std::memcpy(t->text, longer.data(), 300);
    uint8_t *chars = t->text;
    uint32_t slot = t->listi, freed = kels_malloc_freed_num;
    kels_set(v, t);
    EXPECT_EQ(S(v), longer);
    EXPECT_EQ(v->text, chars) << in_cmem;
    EXPECT_EQ((in_cmem ? kels_cmem_list : kels_list)[slot], v);
    EXPECT_EQ(v->tmp, 0);
    EXPECT_EQ(kels_tmp_list_nexti, base);
    EXPECT_EQ(kels_malloc_freed_num, freed + 1) << "only the temporary's descriptor returns";
    if (in_cmem) { EXPECT_EQ(words(v), words_t(300, chars - dblock)); }
    kels_free(v);
  }
  kels *v = var("a longer value"), *after = var("after");
  uint8_t *where = v->text;
  uint32_t end = 0;
  for (const char *text : {"first", "short", "longer again", "x"}) {
    kels *t = kels_new(int32_t(std::strlen(text)), 1);
    std::memcpy(t->text, text, t->len);
    kels_set(v, t);
    EXPECT_EQ(S(v), text);
    EXPECT_EQ(v->text, where) << text;
    if (!end) end = kels_sp;                       // the last string's spare bytes stay
    EXPECT_EQ(kels_sp, end) << text;
    EXPECT_EQ(kels_tmp_list_nexti, base);
  }
  EXPECT_EQ(S(after), "after");
  kels_free(after);
  kels_free(v);
}

TEST_F(Kels, LongerValueGrowsInPlaceWhileLastOrIntoSpareBytesElseRelocates) {
  std::string value;
  kels *v = kels_new(0, 0);
  for (int n = 1; n <= 100; n++) {
    uint8_t *where = v->text;
    kels_set(v, L(value += char('a' + n % 26)));
    ASSERT_EQ(v->text, where) << n;
    ASSERT_EQ(kels_sp, off(v) + n);
  }
  for (size_t len : {20, 32, 33}) {               // a is followed at once by b
    kels *a = kels_new(0, 0), *b = var("neighbour");
    uint8_t *where = a->text;
    kels_set(a, L(std::string(len, 'x')));
    EXPECT_EQ(S(a) + S(b), std::string(len, 'x') + "neighbour");
    EXPECT_EQ(a->text != where, len > 32) << len;
    if (len > 32) { EXPECT_EQ(kels_sp, off(a) + len) << "at the end, without spare bytes"; }
  }
  EXPECT_EQ(S(v), value);
}

// Freed slots between a variable and the next live string are only squeezed out when the list
// fills: an assignment or an append looks past a few of them, and past many it moves the
// variable to the end instead of walking them all. Either way every string keeps its value.
TEST_F(Kels, AVariableFollowedByManyFreedSlotsMovesInsteadOfLookingPastThem) {
  for (int holes : {4, 200}) {
    SCOPED_TRACE(holes);
    kels *a = var("ab");
    std::vector<kels *> gone;
    for (int i = 0; i < holes; i++) gone.push_back(var("."));
    kels *b = var("neighbour");
    for (int i = holes - 1; i >= 0; i--) kels_free(gone[i]);   // freed in the middle: slots stay
    uint32_t b_at = off(b);
    uint8_t *where = a->text;
    kels_set(a, L("abc"));                        // fits in the two spare bytes after "ab"
    EXPECT_EQ(S(a), "abc");
    EXPECT_EQ(a->text == where, holes < 32) << "only a short look finds the room";
    kels_append(a, L(std::string(40, 'x')));
    EXPECT_EQ(S(a), "abc" + std::string(40, 'x'));
    EXPECT_EQ(S(b), "neighbour");
    EXPECT_EQ(off(b), b_at);
    EXPECT_GT(off(a), b_at) << "moved past its neighbour";
  }
}

TEST_F(Kels, FixedLengthDestinationPadsOrTruncates) {
  for (auto [src, want] : {std::pair{"abcdefghij", "abcd!"}, {"xy", "xy  !"}, {"", "    !"}}) {
    uint8_t storage[5] = {'?', '?', '?', '?', '!'};
    kels *f = kels_new_fixed(storage, 4, 0);
    kels_set(f, T(src));
    EXPECT_EQ(std::string((char *)storage, 5), want);
    EXPECT_EQ(f->len, 4u);
    EXPECT_EQ(live_temporaries(), 0u) << "the source temporary is consumed";
    kels_free(f);
  }
}

TEST_F(Kels, CleanupFreesOnlyTemporariesAtOrAboveBase) {
  kels *keep = T("keep");
  uint32_t inner = kels_tmp_list_nexti;
  kels *gone = T("gone");
  T("also gone");
  kels_free(gone);                                // a hole the clean-up must skip
  uint32_t freed = kels_malloc_freed_num, top = kels_tmp_list_nexti;
  EXPECT_EQ(kels_cleanup(top + 5, 42), 42u);
  EXPECT_EQ(kels_tmp_list_nexti, top);
  EXPECT_EQ(kels_cleanup(inner, 7), 7u);
  EXPECT_EQ(kels_tmp_list_nexti, inner);
  EXPECT_EQ(kels_malloc_freed_num, freed + 1);
  EXPECT_EQ(S(kels_tmp_list[keep->tmplisti]), "keep");
}

TEST_F(Kels, FreeingEveryHeapStringEmptiesTheHeap) {
  std::vector<kels *> all;
  for (int i = 0; i < 60; i++) {
    all.push_back(i % 3 ? var(std::string(i * 7 % 50, 'v')) : T(std::string(i, 't').c_str()));
    if (i % 5 == 4) kels_set(all[i - 2], L(std::string(100, 'r')));  // relocations leave holes
  }
  for (size_t k = 0; k < all.size(); k++) kels_free(all[k * 37 % all.size()]);
  EXPECT_EQ(kels_sp, 0u);
  EXPECT_EQ(kels_list_nexti, 0u);
  EXPECT_EQ(kels_tmp_list_nexti, base);
}

TEST_F(Kels, AddWithAnEmptyOperandReturnsTheOtherDescriptor) {
  struct row { const char *a, *b; char result; };  // 'a', 'b', or 'n' for a new temporary
  for (row r : {row{"left", "", 'a'}, row{"", "right", 'b'}, row{"", "", 'a'}, row{"ab", "cd", 'n'}}) {
    kels *a = T(r.a), *b = T(r.b);
    kels *sum = kels_add(a, b);
    EXPECT_EQ(S(sum), std::string(r.a) + r.b);
    EXPECT_EQ(sum, r.result == 'a' ? a : r.result == 'b' ? b : sum);
    EXPECT_EQ(live_temporaries(), r.result == 'n' ? 1u : 2u) << "temporaries consumed only when joined";
    kels_cleanup(base, 0);
  }
  kels *v = var("var");
  EXPECT_EQ(S(kels_add(v, T("+tmp"))) + S(v), "var+tmpvar") << "a variable operand is kept";
}

TEST_F(Kels, CompactionClosesOnlyGapsLargerThanSpareBytesThenGrows) {
  auto heap = [](const char *t) {                // 10 characters and the usual 32 spare bytes
    kels *s = kels_new(10, 0);
    std::memcpy(s->text, t, 10);
    return s;
  };
  kels *a = heap("aaaaaaaaaa"), *b = heap("bbbbbbbbbb"), *x = kels_new(100, 0), *c = heap("cccccccccc");
  kels_free(x);
  kels_concat(0);
  EXPECT_EQ((std::vector<uint32_t>{off(a), off(b), off(c), kels_sp}), (std::vector<uint32_t>{0, 42, 52, 62}))
      << "a gap of 32 stays, a larger one is closed";
  EXPECT_EQ(S(a) + S(b) + S(c), "aaaaaaaaaabbbbbbbbbbcccccccccc");
  kels_concat(1048500);                           // request + twice the use reaches the size
  EXPECT_EQ(kels_data_size, 2u * 1048576 + 1048500);
}

// The source variable's characters move in the compaction that relocating the destination
// triggers, and their old place is overwritten by another string moving down.
TEST_F(Kels, AssignmentFromVariableSurvivesCompactionDuringRelocation) {
  kels *hole = kels_new(300000, 0);
  kels *src = var("source text " + std::string(88, 's'));
  kels *dest = kels_new(0, 0);
  kels *filler = kels_new(int32_t(kels_data_size - kels_sp - 32 - 50), 0);
  std::memset(filler->text, 'F', filler->len);
  std::string want = S(src);
  kels_free(hole);
  kels_set(dest, src);
  EXPECT_EQ(off(src), 0u) << "compaction ran";
  EXPECT_EQ(S(dest), want);
  EXPECT_EQ(S(src), want);
  EXPECT_EQ(S(filler), std::string(filler->len, 'F'));
}

TEST_F(Kels, FillingPastTheHeapSizeKeepsEveryVariableIntact) {
  const int n = 3000;
  auto value = [](int i, int round) {
    return std::to_string(i) + ":" + std::to_string(round) + std::string(16 + round * 24 + i % 7, char('a' + (i + round) % 26));
  };
  std::vector<kels *> v(n);
  for (kels *&s : v) s = kels_new(0, 0);
  kels *scratch = kels_new(0, 0);
  for (int round = 0; round < 16; round++) {      // ends with about 1.2 MB of characters live
    for (int i = 0; i < n; i++) {
      std::string s = value(i, round);
      if (i % 3 == 0) kels_set(v[i], T(s.c_str()));       // steal
      else if (i % 3 == 1) kels_set(v[i], L(s));           // copy, in place or relocated
      else kels_set(v[i], kels_set(scratch, T(s.c_str())));  // from another heap variable
    }
    for (int i = 0; i < n; i++) ASSERT_EQ(S(v[i]), value(i, round)) << "round " << round;
  }
  EXPECT_GT(kels_data_size, 1048576u) << "the heap grew";
}

// kels_reserve makes room as kels_new would, but says when the heap cannot grow instead of
// raising the critical error, and the heap stays usable. The failing case runs in a child
// whose address space is limited to a little more than it has.
TEST_F(Kels, ReserveSaysWhenTheHeapCannotGrowAndKeepsItUsable) {
  kels *a = var("kept");
  ASSERT_TRUE(kels_reserve(3u << 20));                // more than the 1 MB heap: it grows
  uint32_t grown = kels_data_size;
  EXPECT_GE(grown, kels_sp + (3u << 20));
  kels_new(3 << 20, 1);
  EXPECT_EQ(kels_data_size, grown);                   // kels_new needed no more
  EXPECT_FALSE(kels_reserve(kels_max_len + 1));
  EXPECT_EQ(new_error, 0);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  pid_t pid = fork();
  if (pid == 0) {
    std::ifstream statm("/proc/self/statm");
    uint64_t pages = 0;
    statm >> pages;
    rlimit old;
    getrlimit(RLIMIT_AS, &old);
    rlimit small = {pages * (uint64_t)sysconf(_SC_PAGESIZE) + (64u << 20), old.rlim_max};
    if (setrlimit(RLIMIT_AS, &small) != 0) _exit(200);
    if (kels_reserve(1u << 30)) _exit(1);
    if (new_error) _exit(2);
    if (!kels_reserve(1000) || S(kels_add(a, L(" still"))) != "kept still") _exit(3);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

TEST_F(Kels, HeapListSqueezesFreedSlotsBeforeGrowing) {
  std::vector<kels *> all;
  for (int i = 0; i < 65536; i++) all.push_back(kels_new(1, 0)), all.back()->text[0] = uint8_t(i);
  for (int i = 0; i < 65535; i++)
    if (i % 4) kels_free(all[i]);
  kels *extra = kels_new(0, 0);                   // list full: squeezed to a quarter, no growth
  EXPECT_EQ(kels_list_lasti, 65535u);
  EXPECT_EQ(kels_list_nexti, 16384u + 2);
  for (int i = 0; i < 65536; i += 4) ASSERT_TRUE(kels_list[all[i]->listi] == all[i] && all[i]->text[0] == uint8_t(i)) << i;
  for (int i = 0; i < 70000; i++) kels_new(0, 1);  // now over half full: the lists double
  EXPECT_EQ(kels_list_lasti, 131070u);
  EXPECT_GE(kels_tmp_list_lasti, 131070u);
  kels_cleanup(base, 0);
  EXPECT_EQ(kels_list_nexti, extra->listi + 1);
}

TEST_F(Kels, CmemStringsKeepTheirFourByteDescriptorsCurrent) {
  kels *v = kels_set(kels_new_cmem(0, 0), L("hello"));  // last in the area: grows in place
  EXPECT_EQ(words(v), words_t(5, v->text - dblock));
  EXPECT_EQ(kels_cmem_sp, uint32_t(v->text - dblock) + 5);
  kels *w = kels_new_cmem(2, 0), *x = kels_new_cmem(3, 0);
  kels_set(v, L("hello, world"));                 // w follows at once: relocates
  EXPECT_EQ(S(v), "hello, world");
  EXPECT_EQ(words(v), words_t(12, v->text - dblock));
  kels *y = kels_set(kels_new_cmem(0, 0), L("yyyy"));
  kels_free(w), kels_free(x);
  kels_concat_cmem(0);
  EXPECT_EQ(v->text + 12, y->text) << "packed in list order";
  EXPECT_EQ(kels_cmem_sp, uint32_t(y->text - dblock) + 4);
  EXPECT_EQ(S(v) + S(y) + S(singlespace), "hello, worldyyyy ");
  EXPECT_EQ(words(y), words_t(4, y->text - dblock));
  kels_free(v), kels_free(y);
}

TEST_F(Kels, SwapStringExchangesValuesOfAnyLength) {
  for (auto [x, y] : {std::pair{"short", "a much longer value than that"}, {"", "x"}, {"same", "size"}}) {
    kels *a = var(x), *b = var(y), *after = var("after");
    swap_string(a, b);
    EXPECT_EQ(S(a) + "|" + S(b) + "|" + S(after), std::string(y) + "|" + x + "|after");
    kels_free(a), kels_free(b), kels_free(after);
  }
  EXPECT_EQ(kels_list_nexti, 0u);
}

TEST_F(Kels, ExhaustedStringAreasAreCriticalErrors) {
  EXPECT_EXIT(kels_new_cmem(int32_t(cmem_sp), 0), ::testing::ExitedWithCode(0), "Critical Error #13");
  EXPECT_EXIT((cmem_sp = kels_cmem_sp + 2, kels_new_cmem(0, 0)), ::testing::ExitedWithCode(0), "Critical Error #14");
  EXPECT_EXIT((cmem_sp = kels_cmem_sp + 2, kels_new_fixed(dblock + 100, 4, 0)), ::testing::ExitedWithCode(0),
              "Critical Error #15");
}

TEST_F(Kels, AppendGrowsTheLastVariableInPlaceAndCopiesOtherwise) {
  kels *v = kels_new(0, 0);
  kels_set(v, T("ab"));
  uint8_t *first = v->text;
  for (int i = 0; i < 1000; i++) kels_append_txt(v, "x", 1);
  EXPECT_EQ(S(v), "ab" + std::string(1000, 'x'));
  EXPECT_EQ(v->text, first) << "the last string grows where it is";
  EXPECT_GE(kels_sp, uint32_t(v->text - kels_data) + v->len) << "nothing may be placed over it";

  kels_append(v, T("yz"));                        // a temporary right after it: moved down, freed
  EXPECT_EQ(S(v).substr(1000), "xxyz");
  EXPECT_EQ(v->listi + 1, kels_list_nexti);
  EXPECT_EQ(kels_tmp_list_nexti, base) << "the temporary was consumed";

  kels *w = kels_new(0, 0);                       // now v is not last: append copies
  kels_set(w, T("keep"));
  kels_set(v, T("12"));
  kels_append(v, v);
  kels_append_txt(v, "!", 1);
  EXPECT_EQ(S(v), "1212!");
  EXPECT_EQ(S(w), "keep");

  kels *c = kels_new_cmem(0, 0);                  // data block strings keep their descriptor
  kels_append_txt(c, "hi", 2);
  kels_append(c, T("!"));
  EXPECT_EQ(S(c), "hi!");
  EXPECT_EQ(c->cmem_descriptor[0], 3);
  kels_free(c);
}

// A string that moves for an append takes room to grow; nothing made later is put in that room,
// the operands are read as they were (the destination among them), and compaction, which may
// move the next string into the room, takes it back.
TEST_F(Kels, AnAppendThatMovesKeepsRoomThatLaterStringsAndCompactionRespect) {
  kels *v = var("ab"), *w = var("w");             // v is not last: its first append moves it
  kels *ops[] = {v, T("cd"), v};
  kels_append_n(v, ops, 3);
  EXPECT_EQ(S(v), "ababcdab");
  EXPECT_EQ(kels_tmp_list_nexti, base) << "the temporary operand was consumed";
  ASSERT_GT(v->cap, v->len) << "moved with room to grow";
  uint8_t *at = v->text;
  kels *x = var("after");
  EXPECT_GE(x->text, v->text + v->cap) << "a later string starts past the room";
  while (v->len < v->cap) kels_append_txt(v, "y", 1);
  EXPECT_EQ(v->text, at) << "grown within its room, not moved";
  EXPECT_EQ(S(x), "after");
  EXPECT_EQ(S(w), "w");
  kels_free(w);
  kels_concat(0);                                 // compaction
  EXPECT_EQ(v->cap, 0u) << "compaction takes the room back";
  kels_append_txt(v, "z", 1);
  kels *self[] = {v};
  kels_append_n(v, self, 1);
  EXPECT_EQ(S(x), "after");
  EXPECT_EQ(S(v).size(), 2 * (size_t(v->len) / 2));
  EXPECT_EQ(S(v).substr(0, 8), "ababcdab");
  EXPECT_EQ(S(v).substr(v->len / 2, 8), "ababcdab");
}

// A variable that is the last string of the heap takes room where it is (half its new length
// again, as far as the heap reaches): appends then fill it in place, a string made later starts
// past it. Nothing else takes room: a temporary, a string in the data block, a variable that
// is not last and has none left, or one whose append would pass the heap's end.
TEST_F(Kels, TheLastVariableTakesRoomWhereItIsAsFarAsTheHeapReaches) {
  kels *v = var("abcd");
  uint8_t *at = v->text;
  ASSERT_TRUE(kels_room(v, 2));
  EXPECT_EQ(v->text, at);
  EXPECT_EQ(v->cap, 6u + 3u + 32u) << "half the new length again, and the spare bytes";
  EXPECT_GE(kels_sp, off(v) + v->cap) << "the room is the heap's, not free";
  kels *x = var("after");
  EXPECT_GE(x->text, v->text + v->cap) << "a later string starts past the room";
  while (v->len < v->cap) kels_append_txt(v, "y", 1);
  EXPECT_EQ(v->text, at) << "filled in place";
  EXPECT_EQ(S(x), "after");
  EXPECT_FALSE(kels_room(v, 1)) << "not last, and its room is used up";
  EXPECT_EQ(v->cap, v->len);

  kels *t = T("temporary");                       // last, but a temporary
  EXPECT_FALSE(kels_room(t, 1));
  EXPECT_EQ(t->cap, 0u);
  kels *c = kels_new_cmem(0, 0);
  kels_append_txt(c, "hi", 2);
  EXPECT_FALSE(kels_room(c, 1));
  EXPECT_EQ(c->cap, 0u);
  kels_free(c);

  // 40 bytes left after the last variable: its room stops at the heap's end, and an append
  // past that end takes nothing.
  kels *fill = kels_new(int32_t(kels_data_size - kels_sp - 32 - 41), 0);
  kels *z = var("z");
  ASSERT_EQ(off(z) + 1 + 40, kels_data_size) << fill->len;
  EXPECT_FALSE(kels_room(z, 41));
  EXPECT_EQ(z->cap, 0u);
  EXPECT_TRUE(kels_room(z, 10));
  EXPECT_EQ(off(z) + z->cap, kels_data_size);
  for (int i = 0; i < 40; i++) kels_append_txt(z, "+", 1);
  EXPECT_EQ(S(z), "z" + std::string(40, '+'));
  kels_append_txt(z, "!", 1);                     // past the heap: moved by compaction
  EXPECT_EQ(S(z), "z" + std::string(40, '+') + "!");
  EXPECT_EQ(S(x), "after");
}

}  // namespace kels_test
