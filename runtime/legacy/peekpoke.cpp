// DEF SEG, PEEK and POKE over cmem. Bytes go through atomic_ref because the main thread
// writes the keyboard buffer, flag bytes and tick counter that a program may read or poke.
#include "peekpoke.h"
#include <atomic>
#include "events.h"
#include "memory.h"

uint8_t *defseg = cmem + cmem_dblock;

static bool offset_ok(int32_t n) { return n >= -65536 && n <= 65535; }

void sub_defseg(int32_t segment, int32_t passed) {
  if (new_error) return;
  if (!passed) {
    defseg = cmem + cmem_dblock;
    return;
  }
  if (!offset_ok(segment)) {
    error(6);
    return;
  }
  defseg = cmem + (uint32_t)(segment & 0xFFFF) * 16;
}

int32_t func_peek(int32_t offset) {
  if (new_error) return 0;
  if (!offset_ok(offset)) {
    error(6);
    return 0;
  }
  return std::atomic_ref<uint8_t>(defseg[offset & 0xFFFF]).load(std::memory_order_relaxed);
}

void sub_poke(int32_t offset, int32_t value) {
  if (new_error) return;
  if (!offset_ok(offset)) {
    error(6);
    return;
  }
  std::atomic_ref<uint8_t>(defseg[offset & 0xFFFF]).store((uint8_t)value, std::memory_order_relaxed);
}
