// Unit tests for DEF SEG, PEEK and POKE: range rules, segments, and the regions of cmem
// that pages and the keyboard share.
#include <gtest/gtest.h>
#include <cstring>
#include "test_support.h"

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
