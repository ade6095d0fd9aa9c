// Unit tests for DEF SEG, PEEK and POKE: range rules, segments, and the regions of cmem
// that pages and the keyboard share.
#include <gtest/gtest.h>
#include <cstring>
#include "program.h"
#include "test_support.h"

namespace peekpoke_test {

TEST(PeekPoke, OffsetsWrapIntoTheSegmentAndOutOfRangeRaisesError6) {
  kel_test_reset();
  sub_defseg(0x3000, 1);
  uint8_t *base = cmem + 0x30000;
  base[0xFFFF] = 0x5A;
  base[0] = 0xA5;
  struct { int32_t offset; int32_t value; int err; } cases[] = {
    {-1, 0x5A, 0},          // PEEK(-1) is offset 65535
    {65535, 0x5A, 0},
    {-65536, 0xA5, 0},
    {0, 0xA5, 0},
    {65536, 0, 6},
    {-65537, 0, 6},
  };
  for (auto &c : cases) {
    new_error = 0;
    EXPECT_EQ(func_peek(c.offset), c.value) << c.offset;
    EXPECT_EQ(new_error, c.err) << c.offset;
  }
  new_error = 0;

  sub_poke(-2, 0x1234);                  // the low byte only
  EXPECT_EQ(base[0xFFFE], 0x34);
  sub_poke(7, -1);
  EXPECT_EQ(base[7], 0xFF);
  sub_poke(65536, 9);
  EXPECT_EQ(new_error, 6);
  EXPECT_EQ(base[0], 0xA5);              // nothing written for a bad offset
  sub_poke(8, 9);                        // an error is pending: nothing happens
  EXPECT_EQ(base[8], 0);
  sub_defseg(0, 0);
}

TEST(PeekPoke, DefSegRangeAndReturnToSegment80) {
  kel_test_reset();
  sub_defseg(0xB800, 1);
  EXPECT_EQ(defseg, cmem + 0xB8000);
  sub_defseg(0, 0);                      // DEF SEG without an argument
  EXPECT_EQ(defseg, dblock);
  EXPECT_EQ(defseg, cmem + 1280);

  struct { int32_t segment; int32_t base; int err; } cases[] = {
    {-1, 0xFFFF0, 0},                    // low 16 bits
    {-65536, 0, 0},
    {65535, 0xFFFF0, 0},
    {-32768, 0x80000, 0},
    {65536, 1280, 6},                    // refused: the base stays where it was
    {-65537, 1280, 6},
  };
  for (auto &c : cases) {
    sub_defseg(0, 0);
    new_error = 0;
    sub_defseg(c.segment, 1);
    EXPECT_EQ(defseg - cmem, c.base) << c.segment;
    EXPECT_EQ(new_error, c.err) << c.segment;
  }
  new_error = 0;
  sub_defseg(0, 0);
}

TEST(PeekPoke, PagesAndTheKeyBufferAreVisibleThroughMemory) {
  kel_test_reset();
  // SCREEN 13: a POKE at A000 is a pixel of the page.
  kelg_screen(13, 0, 0, 0, 0, 1);
  ASSERT_EQ(new_error, 0);
  sub_defseg(0xA000, 1);
  sub_poke(320 * 10 + 5, 4);
  EXPECT_EQ(display_page->pixels[320 * 10 + 5], 4);
  display_page->pixels[320 * 199 + 319] = 9;
  EXPECT_EQ(func_peek(63999), 9);

  // SCREEN 0: PRINT lands at B800 as character and attribute.
  kel_test_reset();
  kels_print(T("Hi"), 0);
  sub_defseg(0xB800, 1);
  EXPECT_EQ(func_peek(0), 'H');
  EXPECT_EQ(func_peek(2), 'i');
  EXPECT_EQ(func_peek(1), 7);

  // The key buffer at 0040:001A: head, tail and entries.
  uint8_t a, k;
  while (keybuf_get(&a, &k)) {}
  sub_defseg(0x40, 1);
  int head = func_peek(0x1A);
  ASSERT_TRUE(keybuf_put('x', 45));
  EXPECT_EQ(func_peek(0x1C), head + 2 > 60 ? 30 : head + 2);
  EXPECT_EQ(func_peek(head), 'x');
  EXPECT_EQ(func_peek(head + 1), 45);
  sub_poke(0x1A, func_peek(0x1C));       // emptying the buffer by poking the head
  EXPECT_TRUE(keybuf_empty());
  sub_defseg(0, 0);
}

TEST(PeekPoke, ArraysReachedThroughTheirPseudoSegments) {
  kel_test_reset();
  kb_arr a{nullptr, 2, kb_raw, 0, {}, {}, 0};          // DIM A%(1 TO 10)
  kb_dim(a, {1}, {10});
  int32_t seg = kb_varseg(a, kb_elem(a, 3));
  EXPECT_GE(seg, 0x10000);
  EXPECT_EQ(kb_varseg(a, kb_elem(a, 10)), seg);       // one segment per array
  EXPECT_EQ(kb_varptr(a, kb_elem(a, 3)), 4);
  sub_defseg(seg, 1);
  ASSERT_EQ(new_error, 0);
  sub_poke(4, 0x34);
  sub_poke(5, 0x12);
  EXPECT_EQ(*kb_at<int16_t>(a, 3), 0x1234);
  *kb_at<int16_t>(a, 10) = -2;
  EXPECT_EQ(func_peek(19), 0xFF);
  EXPECT_EQ(func_peek(20), 0);                         // past the storage
  EXPECT_EQ(new_error, 5);
  new_error = 0;

  kb_arr b{nullptr, 2, kb_raw, 0, {}, {}, 0};          // a second array, a segment of its own
  kb_dim(b, {0}, {4});
  int32_t seg_b = kb_varseg(b, kb_elem(b, 0));
  EXPECT_NE(seg_b, seg);
  sub_defseg(seg_b, 1);
  EXPECT_EQ(func_peek(0), 0);
  sub_defseg(seg, 1);
  EXPECT_EQ(func_peek(4), 0x34);

  kb_redim(a, false, {1}, {20});                       // REDIM: the old storage's segment goes
  EXPECT_EQ(func_peek(4), 0);
  EXPECT_EQ(new_error, 5);                             // the DEF SEG now reaches nothing
  new_error = 0;
  kb_free_arr(b);                                      // ERASE of a dynamic array
  sub_defseg(seg_b, 1);
  EXPECT_EQ(new_error, 6);                             // no longer a segment
  new_error = 0;

  kb_arr big{nullptr, 4, kb_raw, 0, {}, {}, 0};        // more than 64 KB
  kb_dim(big, {0}, {20000});
  EXPECT_EQ(kb_varptr(big, kb_elem(big, 16383)), 65532);
  EXPECT_EQ(kb_varptr(big, kb_elem(big, 16384)), 0);
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  kb_arr s{nullptr, sizeof(kels *), kb_strings, 0, {}, {}, 0};
  kb_dim(s, {0}, {2});
  EXPECT_EQ(kb_varseg(s, kb_elem(s, 0)), 0);           // string arrays hold descriptors
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  kb_free_arr(a);
  kb_free_arr(big);
  kb_free_arr(s);
  sub_defseg(0, 0);
}

}  // namespace peekpoke_test
