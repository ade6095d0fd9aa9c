// DEF SEG, PEEK and POKE over cmem and the arrays' pseudo segments. Bytes go through
// atomic_ref because the main thread writes the keyboard buffer, flag bytes and tick counter
// that a program may read or poke.
#include "peekpoke.h"
#include <algorithm>
#include <atomic>
#include "events.h"
#include "kel_atomic.h"
#include "memory.h"

uint8_t *defseg = cmem + cmem_dblock;
int32_t defseg_segment = cmem_dblock / 16;
uint32_t defseg_limit = 65536;

namespace {
struct pseudo_slot {
  uint8_t *data;      // null: free
  uint32_t bytes;     // reachable, at most 64 KB
};
constexpr uint32_t pseudo_slots = 4096;
pseudo_slot pseudo[pseudo_slots];
uint32_t pseudo_used = 0;   // slots ever taken: 0 .. pseudo_used - 1
}  // namespace

static bool offset_ok(int32_t n) { return n >= -65536 && n <= 65535; }

bool is_pseudo_segment(int32_t segment) {
  uint32_t slot = (uint32_t)segment - (uint32_t)pseudo_segment_base;
  return segment >= pseudo_segment_base && slot < pseudo_used && pseudo[slot].data;
}

int32_t pseudo_segment_add(uint8_t *data, uint64_t bytes) {
  uint32_t free_slot = pseudo_used;
  for (uint32_t i = 0; i < pseudo_used; i++) {
    if (pseudo[i].data == data) return pseudo_segment_base + (int32_t)i;
    if (!pseudo[i].data && free_slot == pseudo_used) free_slot = i;
  }
  if (free_slot == pseudo_slots) {
    error(7);
    return 0;
  }
  if (free_slot == pseudo_used) pseudo_used++;
  pseudo[free_slot] = {data, (uint32_t)std::min<uint64_t>(bytes, 65536)};
  return pseudo_segment_base + (int32_t)free_slot;
}

void pseudo_segment_drop(const uint8_t *data) {
  if (!data) return;
  for (uint32_t i = 0; i < pseudo_used; i++) {
    if (pseudo[i].data != data) continue;
    pseudo[i] = {nullptr, 0};
    if (defseg == data) defseg_limit = 0;   // the storage is gone: nothing reachable
  }
  while (pseudo_used && !pseudo[pseudo_used - 1].data) pseudo_used--;
}

void sub_defseg(int32_t segment, int32_t passed) {
  if (new_error) return;
  if (!passed) {
    defseg = cmem + cmem_dblock;
    defseg_segment = cmem_dblock / 16;
    defseg_limit = 65536;
    return;
  }
  if (is_pseudo_segment(segment)) {
    pseudo_slot &p = pseudo[segment - pseudo_segment_base];
    defseg = p.data;
    defseg_segment = segment;
    defseg_limit = p.bytes;
    return;
  }
  if (!offset_ok(segment)) {
    error(6);
    return;
  }
  defseg = cmem + (uint32_t)(segment & 0xFFFF) * 16;
  defseg_segment = segment & 0xFFFF;
  defseg_limit = 65536;
}

int32_t func_peek(int32_t offset) {
  if (new_error) return 0;
  if (!offset_ok(offset)) {
    error(6);
    return 0;
  }
  if ((uint32_t)(offset & 0xFFFF) >= defseg_limit) {
    error(5);
    return 0;
  }
  return kel_atomic_ref<uint8_t>(defseg[offset & 0xFFFF]).load(std::memory_order_relaxed);
}

void sub_poke(int32_t offset, int32_t value) {
  if (new_error) return;
  if (!offset_ok(offset)) {
    error(6);
    return;
  }
  if ((uint32_t)(offset & 0xFFFF) >= defseg_limit) {
    error(5);
    return;
  }
  kel_atomic_ref<uint8_t>(defseg[offset & 0xFFFF]).store((uint8_t)value, std::memory_order_relaxed);
}
