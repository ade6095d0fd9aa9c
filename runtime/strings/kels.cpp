// String descriptors: the descriptor pool, the compacting string data heap, the string
// area in the data block, the temporaries list, assignment and concatenation.
#include "kels.h"
#include <cstdlib>
#include <cstring>
#include "events.h"
#include "memory.h"

static kels *const freed_slot = reinterpret_cast<kels *>(static_cast<intptr_t>(-1));
constexpr uint32_t set_look_slots = 32;   // how far an assignment looks for the next live string
static constexpr uint32_t spare_bytes = 32;     // room left after each new heap string
static constexpr uint32_t dblock_size = 65536;

kels *kels_malloc = nullptr;
uint32_t kels_malloc_next = 0;
kels **kels_malloc_freed = nullptr;
uint32_t kels_malloc_freed_num = 0, kels_malloc_freed_size = 65536;

uint8_t *kels_data = nullptr;
uint32_t kels_data_size = 1048576;
uint32_t kels_sp = 0;
kels **kels_list = nullptr;
uint32_t kels_list_nexti = 0, kels_list_lasti = 65535;
kels **kels_tmp_list = nullptr;
uint32_t kels_tmp_list_nexti = 1, kels_tmp_list_lasti = 65535;
kels **kels_cmem_list = nullptr;
uint32_t kels_cmem_list_nexti = 0, kels_cmem_list_lasti = 65535;
uint32_t kels_cmem_sp = 256;
uint32_t kels_cmem_descriptor_space = 256;
uint32_t cmem_sp = 65536;

kels *nothingstring = nullptr;
kels *singlespace = nullptr;

static void *alloc_or_die(size_t bytes, int err) {
  void *p = std::calloc(1, bytes);
  if (!p) error(err);
  return p;
}

void kels_init() {
  static bool done = false;
  if (done) return;
  done = true;
  kels_malloc = static_cast<kels *>(alloc_or_die(65536 * sizeof(kels), 508));
  kels_malloc_next = 0;
  kels_malloc_freed_size = 65536;
  kels_malloc_freed_num = 0;
  kels_malloc_freed = static_cast<kels **>(alloc_or_die(kels_malloc_freed_size * sizeof(kels *), 508));
  kels_data_size = 1048576;
  kels_sp = 0;
  kels_data = static_cast<uint8_t *>(alloc_or_die(kels_data_size, 512));
  kels_list_nexti = 0;
  kels_list_lasti = 65535;
  kels_list = static_cast<kels **>(alloc_or_die((kels_list_lasti + 1) * sizeof(kels *), 510));
  kels_tmp_list_nexti = 1;
  kels_tmp_list_lasti = 65535;
  kels_tmp_list = static_cast<kels **>(alloc_or_die((kels_tmp_list_lasti + 1) * sizeof(kels *), 511));
  kels_cmem_list_nexti = 0;
  kels_cmem_list_lasti = 65535;
  kels_cmem_list = static_cast<kels **>(alloc_or_die((kels_cmem_list_lasti + 1) * sizeof(kels *), 509));
  kels_cmem_sp = 256;
  kels_cmem_descriptor_space = 256;
  cmem_sp = dblock_size - 8;                      // the 8 zero bytes of nothingvalue
  nothingstring = kels_new_cmem(0, 0);
  singlespace = kels_new_cmem(1, 0);
  singlespace->text[0] = ' ';
}

// ---- descriptor pool ----

kels *kels_new_descriptor() {
  kels *s;
  if (kels_malloc_freed_num) {
    s = kels_malloc_freed[--kels_malloc_freed_num];
  } else {
    if (kels_malloc_next == 65536) {              // earlier blocks stay: descriptors never move
      kels_malloc = static_cast<kels *>(alloc_or_die(65536 * sizeof(kels), 508));
      kels_malloc_next = 0;
    }
    s = &kels_malloc[kels_malloc_next++];
  }
  std::memset(s, 0, sizeof *s);
  return s;
}

void kels_free_descriptor(kels *s) {
  if (kels_malloc_freed_num == kels_malloc_freed_size) {
    uint64_t bigger = uint64_t(kels_malloc_freed_size) * 2;
    void *p = bigger > UINT32_MAX ? nullptr : std::realloc(kels_malloc_freed, bigger * sizeof(kels *));
    if (!p) { error(508); return; }
    kels_malloc_freed = static_cast<kels **>(p);
    kels_malloc_freed_size = uint32_t(bigger);
  }
  kels_malloc_freed[kels_malloc_freed_num++] = s;
}

// ---- the lists ----

static kels **grow_array(kels **list, uint32_t &lasti, int err) {
  uint64_t bigger = uint64_t(lasti) * 2;
  void *p = bigger + 1 > UINT32_MAX ? nullptr : std::realloc(list, (bigger + 1) * sizeof(kels *));
  if (!p) { error(err); return list; }
  lasti = uint32_t(bigger);
  return static_cast<kels **>(p);
}

// Squeezes the freed slots out (keeping order and each descriptor's listi), then grows the
// array when it is at least half full.
static void squeeze_and_grow(kels **&list, uint32_t &nexti, uint32_t &lasti, int err) {
  uint32_t kept = 0;
  for (uint32_t i = 0; i < nexti; i++) {
    kels *s = list[i];
    if (s == freed_slot) continue;
    s->listi = kept;
    list[kept++] = s;
  }
  nexti = kept;
  if (uint64_t(kept) * 2 >= lasti) list = grow_array(list, lasti, err);
}

void kels_concat_list() { squeeze_and_grow(kels_list, kels_list_nexti, kels_list_lasti, 510); }
void kels_cmem_concat_list() {
  squeeze_and_grow(kels_cmem_list, kels_cmem_list_nexti, kels_cmem_list_lasti, 509);
}
void kels_tmp_concat_list() { kels_tmp_list = grow_array(kels_tmp_list, kels_tmp_list_lasti, 511); }

static void list_append(kels *s) {
  if (s->in_cmem) {
    if (kels_cmem_list_nexti > kels_cmem_list_lasti) kels_cmem_concat_list();
    s->listi = kels_cmem_list_nexti;
    kels_cmem_list[kels_cmem_list_nexti++] = s;
  } else {
    if (kels_list_nexti > kels_list_lasti) kels_concat_list();
    s->listi = kels_list_nexti;
    kels_list[kels_list_nexti++] = s;
  }
}

static void tmp_list_append(kels *s) {
  if (kels_tmp_list_nexti > kels_tmp_list_lasti) kels_tmp_concat_list();
  s->tmplisti = kels_tmp_list_nexti;
  kels_tmp_list[kels_tmp_list_nexti++] = s;
  s->tmp = 1;
}

static void tmp_list_remove(kels *s) {
  kels_tmp_list[s->tmplisti] = freed_slot;
  s->tmplisti = 0;
  while (kels_tmp_list[kels_tmp_list_nexti - 1] == freed_slot) kels_tmp_list_nexti--;  // slot 0 stops it
}

// After heap slots were freed: drop trailing freed slots and release the space after the
// last live string (keeping its spare bytes).
static void heap_trim() {
  while (kels_list_nexti > 0 && kels_list[kels_list_nexti - 1] == freed_slot) kels_list_nexti--;
  if (kels_list_nexti == 0) {
    kels_sp = 0;
    return;
  }
  kels *last = kels_list[kels_list_nexti - 1];
  uint64_t end = uint64_t(last->text - kels_data) + last->len + spare_bytes;
  if (last->cap > last->len + spare_bytes) end = uint64_t(last->text - kels_data) + last->cap;  // its room stays
  kels_sp = end > kels_data_size ? kels_data_size : uint32_t(end);
}

// ---- the string data heap ----

// Moves the live strings down over the gaps between them; kels_sp ends up after the last.
static void heap_compact() {
  uint8_t *dest = kels_data;
  for (uint32_t i = 0; i < kels_list_nexti; i++) {
    kels *s = kels_list[i];
    if (s == freed_slot) continue;
    s->cap = 0;                                   // the next string may move into its room
    if (s->text - dest > int64_t(spare_bytes)) {  // small gaps are not worth a move
      std::memmove(dest, s->text, s->len);
      s->text = dest;
    }
    dest = s->text + s->len;
  }
  kels_sp = uint32_t(dest - kels_data);
}

// After compaction: a bigger heap when less than bytesrequired would be left with the heap at
// most half full; false when it cannot be had.
static bool heap_grow(uint32_t bytesrequired) {
  if (uint64_t(bytesrequired) + 2 * uint64_t(kels_sp) + spare_bytes < kels_data_size) return true;
  uint64_t bigger = uint64_t(kels_data_size) * 2 + bytesrequired;
  uint8_t *block = bigger > UINT32_MAX ? nullptr : static_cast<uint8_t *>(std::calloc(1, bigger));
  if (!block) return false;
  std::memcpy(block, kels_data, kels_sp);
  for (uint32_t i = 0; i < kels_list_nexti; i++) {  // rebase while the old block is still valid
    kels *s = kels_list[i];
    if (s != freed_slot) s->text = block + (s->text - kels_data);
  }
  std::free(kels_data);
  kels_data = block;
  kels_data_size = uint32_t(bigger);
  return true;
}

void kels_concat(uint32_t bytesrequired) {
  heap_compact();
  if (!heap_grow(bytesrequired)) error(512);
}

bool kels_reserve(uint32_t n) {
  if (n > kels_max_len) return false;
  if (uint64_t(kels_sp) + n + spare_bytes <= kels_data_size) return true;
  heap_compact();
  return heap_grow(n + spare_bytes) && uint64_t(kels_sp) + n + spare_bytes <= kels_data_size;
}

kels *kels_new(int32_t size, uint8_t tmp) {
  uint32_t n = uint32_t(size);
  if (uint64_t(kels_sp) + n + spare_bytes > kels_data_size) kels_concat(n + spare_bytes);
  kels *s = kels_new_descriptor();
  s->len = n;
  s->text = kels_data + kels_sp;
  kels_sp += n + spare_bytes;
  list_append(s);
  if (tmp) tmp_list_append(s);
  return s;
}

kels *kels_tmp_from(const char *text, uint32_t len) {
  kels *s = kels_new(int32_t(len), 1);
  kels_move(s->text, reinterpret_cast<const uint8_t *>(text), len);
  return s;
}

// ---- views and the data block's string area ----

kels *kels_new_txt_len(const char *text, int32_t len) {
  kels *s = kels_new_descriptor();
  s->text = reinterpret_cast<uint8_t *>(const_cast<char *>(text));  // never written: readonly
  s->len = uint32_t(len);
  s->readonly = 1;
  tmp_list_append(s);
  return s;
}

kels *kels_new_txt(const char *text) { return kels_new_txt_len(text, int32_t(std::strlen(text))); }

static void write_cmem_descriptor(kels *s) {
  uint16_t words[2] = {uint16_t(s->len), uint16_t(s->text - dblock)};
  std::memcpy(dblock + s->cmem_descriptor_offset, words, sizeof words);
}

// Takes 4 bytes from the top of the data block's descriptor stack for s.
static void give_cmem_descriptor(kels *s, int err) {
  if (cmem_sp < 4 || cmem_sp - 4 < kels_cmem_sp) { error(err); return; }
  cmem_sp -= 4;
  s->cmem_descriptor_offset = uint16_t(cmem_sp);
  s->cmem_descriptor = reinterpret_cast<uint16_t *>(dblock + cmem_sp);
  write_cmem_descriptor(s);
}

kels *kels_new_fixed(uint8_t *data, int32_t len, uint8_t tmp) {
  kels *s = kels_new_descriptor();
  s->text = data;
  s->len = uint32_t(len);
  s->fixed = 1;
  if (tmp) tmp_list_append(s);
  else if (data > dblock && data < dblock + dblock_size) give_cmem_descriptor(s, 515);
  return s;
}

void kels_concat_cmem(uint32_t bytesrequired) {
  uint32_t point = kels_cmem_descriptor_space;
  for (uint32_t i = 0; i < kels_cmem_list_nexti; i++) {
    kels *s = kels_cmem_list[i];
    if (s == freed_slot) continue;
    if (s->text != dblock + point) {
      std::memmove(dblock + point, s->text, s->len);
      s->text = dblock + point;
      if (s->cmem_descriptor) write_cmem_descriptor(s);
    }
    point += s->len;
  }
  kels_cmem_sp = point;
  if (uint64_t(kels_cmem_sp) + bytesrequired > cmem_sp) error(513);
}

kels *kels_new_cmem(int32_t size, uint8_t tmp) {
  uint32_t n = uint32_t(size);
  if (uint64_t(kels_cmem_sp) + n > cmem_sp) kels_concat_cmem(n);
  kels *s = kels_new_descriptor();
  s->text = dblock + kels_cmem_sp;
  s->len = n;
  kels_cmem_sp += n;
  s->in_cmem = 1;
  list_append(s);
  if (tmp) tmp_list_append(s);
  else give_cmem_descriptor(s, 514);
  return s;
}

// ---- ownership ----

kels *kels_maketmp(kels *s) {
  if (!s->tmplisti) tmp_list_append(s);
  s->tmp = 1;
  s->cap = 0;                                     // a temporary owns no room
  return s;
}

kels *kels_adopt(kels *s) {
  tmp_list_remove(s);
  s->tmp = 0;
  return s;
}

void kels_free(kels *s) {
  if (s->tmplisti) tmp_list_remove(s);
  if (s->fixed || s->readonly) {
  } else if (s->in_cmem) {
    kels_cmem_list[s->listi] = freed_slot;
    if (s->listi + 1 == kels_cmem_list_nexti) kels_cmem_list_nexti--;
  } else {
    kels_list[s->listi] = freed_slot;
    heap_trim();
  }
  kels_free_descriptor(s);
}

void kels_cleanup_list(uint32_t base) {
  while (kels_tmp_list_nexti > base) {
    kels *s = kels_tmp_list[--kels_tmp_list_nexti];
    if (s != freed_slot && s != nullptr) kels_free(s);
  }
}

// ---- assignment ----

// Moves dest to the end of its area and copies src there. The source is read only after
// compaction, which may have moved its characters.
static void relocate(kels *dest, kels *src) {
  uint32_t n = src->len;
  dest->cap = 0;
  if (dest->in_cmem) {
    kels_cmem_list[dest->listi] = freed_slot;
    if (uint64_t(kels_cmem_sp) + n > cmem_sp) kels_concat_cmem(n);
    list_append(dest);
    dest->text = dblock + kels_cmem_sp;
    kels_cmem_sp += n;
  } else {
    kels_list[dest->listi] = freed_slot;
    if (uint64_t(kels_sp) + n > kels_data_size) kels_concat(n);
    list_append(dest);
    dest->text = kels_data + kels_sp;
    kels_sp += n;
  }
  kels_move(dest->text, src->text, n);
  dest->len = n;
}

// Grows the last string of its area in place when the area has room, else relocates.
static void grow_last(kels *dest, kels *src) {
  uint8_t *limit = dest->in_cmem ? dblock + cmem_sp : kels_data + kels_data_size;
  if (uint64_t(limit - dest->text) < src->len) {
    relocate(dest, src);
    return;
  }
  kels_move(dest->text, src->text, src->len);
  dest->len = src->len;
  dest->cap = 0;                                  // the area ends where it ends now
  uint32_t end = uint32_t(dest->text + dest->len - (dest->in_cmem ? dblock : kels_data));
  (dest->in_cmem ? kels_cmem_sp : kels_sp) = end;
}

static void steal(kels *dest, kels *src) {
  kels **list = dest->in_cmem ? kels_cmem_list : kels_list;
  list[dest->listi] = freed_slot;
  list[src->listi] = dest;
  dest->listi = src->listi;
  dest->text = src->text;
  dest->len = src->len;
  dest->cap = src->cap;
  if (src->tmplisti) tmp_list_remove(src);
  kels_free_descriptor(src);
  if (!dest->in_cmem) heap_trim();                // the destination's old characters are free now
  else if (kels_cmem_list[kels_cmem_list_nexti - 1] == freed_slot) kels_cmem_list_nexti--;
}

// Where src's characters can go for dest (not a fixed-length one), without changing anything:
// over its own characters (here), as the last string of its area growing where it is (last), or
// at the end of the area (move).
enum class fit { here, last, move };
static fit where_fits(kels *dest, kels *src) {
  if (src->len <= dest->len) return fit::here;
  // The list is in the order of the characters: the next live string after dest's slot says
  // whether dest can grow where it is. Freed slots between are only squeezed out when the list
  // fills, so the look is cut short after a few: past them dest simply moves to the end.
  kels **list = dest->in_cmem ? kels_cmem_list : kels_list;
  uint32_t nexti = dest->in_cmem ? kels_cmem_list_nexti : kels_list_nexti;
  uint32_t i = dest->listi + 1, stop = nexti - i > set_look_slots ? i + set_look_slots : nexti;
  for (; i < stop; i++)
    if (list[i] != freed_slot && !(list[i] == src && src->tmp))
      return list[i]->text >= dest->text + src->len ? fit::here : fit::move;
  return stop < nexti ? fit::move : fit::last;
}

// A temporary of at most this many characters that fits where dest is is copied there and
// freed rather than handed over: the string space's end then goes back down as the statement's
// temporaries are freed, instead of each assignment moving the variable to the end, so a loop
// of short assignments keeps using the same few kilobytes.
static constexpr uint32_t copy_below = 256;

kels *kels_set(kels *dest, kels *src) {
  if (dest == src) return dest;                   // nothing to copy, and a temporary must survive
  if (dest->fixed) {
    uint32_t n = src->len < dest->len ? src->len : dest->len;
    kels_move(dest->text, src->text, n);
    std::memset(dest->text + n, ' ', dest->len - n);
  } else {
    fit f = where_fits(dest, src);
    if (src->tmp && !src->fixed && !src->readonly && src->in_cmem == dest->in_cmem &&
        (f == fit::move || src->len > copy_below)) {
      steal(dest, src);
      if (dest->cmem_descriptor) write_cmem_descriptor(dest);
      return dest;
    }
    if (f == fit::here) {
      kels_move(dest->text, src->text, src->len);
      dest->len = src->len;
    } else if (f == fit::move) {
      relocate(dest, src);
    } else {
      // Nothing live after dest but perhaps the source temporary: the list may end at dest,
      // but only once the copy fits; a relocation must still see the source in the list.
      uint8_t *limit = dest->in_cmem ? dblock + cmem_sp : kels_data + kels_data_size;
      if (uint64_t(limit - dest->text) >= src->len)
        (dest->in_cmem ? kels_cmem_list_nexti : kels_list_nexti) = dest->listi + 1;
      grow_last(dest, src);
    }
  }
  if (src->tmp) kels_free(src);
  if (dest->cmem_descriptor) write_cmem_descriptor(dest);
  return dest;
}

kels *kels_add(kels *a, kels *b) {
  if (b->len == 0) return a;
  if (a->len == 0) return b;
  kels *r = kels_new(int32_t(a->len + b->len), 1);  // may move a's and b's characters
  kels_move(r->text, a->text, a->len);
  kels_move(r->text + a->len, b->text, b->len);
  if (a->tmp) kels_free(a);
  if (b->tmp && b != a) kels_free(b);
  return r;
}

kels *kels_append(kels *dest, kels *src) { return kels_append_n(dest, &src, 1); }

bool kels_room(kels *dest, uint64_t add) {
  if (uint64_t(dest->len) + add <= dest->cap) return true;
  if (dest->in_cmem || dest->fixed || dest->readonly || dest->tmp || dest->listi + 1 != kels_list_nexti ||
      kels_list[dest->listi] != dest)
    return false;
  uint64_t at = uint64_t(dest->text - kels_data), total = uint64_t(dest->len) + add;
  if (total > kels_max_len || at + total > kels_data_size) return false;
  uint64_t want = total + total / 2 + spare_bytes;
  if (at + want > kels_data_size) want = kels_data_size - at;
  if (want > kels_max_len) want = kels_max_len;
  dest->cap = uint32_t(want);
  if (at + want > kels_sp) kels_sp = uint32_t(at + want);
  return true;
}

kels *kels_append_txt_more(kels *dest, const char *text, uint32_t n) {
  if (!kels_room(dest, n)) return kels_append(dest, kels_new_txt_len(text, int32_t(n)));
  std::memcpy(dest->text + dest->len, text, n);
  dest->len += n;
  return dest;
}

// Room for add more bytes after dest's characters: within its own room, or as the last string
// of the heap (only the temporaries among src may follow it, and they lie after its end: their
// characters are read before they are overwritten only when they start at or after the new end,
// so any that might be overwritten forbid it).
static bool room_after(kels *dest, kels *const *src, uint32_t count, uint64_t add) {
  if (uint64_t(dest->len) + add <= dest->cap) return true;
  uint8_t *end = dest->text + dest->len;
  if (uint64_t(end - kels_data) + add > kels_data_size) return false;
  uint32_t i = dest->listi + 1;
  if (kels_list_nexti - i > set_look_slots + count) return false;   // freed slots between: it moves
  for (; i < kels_list_nexti; i++) {
    kels *s = kels_list[i];
    if (s == freed_slot) continue;
    bool piece = false;
    for (uint32_t k = 0; k < count && !piece; k++) piece = src[k] == s && s->tmp;
    if (!piece || s->text < end + add) return false;
  }
  return true;
}

kels *kels_append_n(kels *dest, kels *const *src, uint32_t count) {
  uint64_t add = 0;
  for (uint32_t k = 0; k < count; k++) add += src[k]->len;
  bool heap_var = !dest->in_cmem && !dest->fixed && !dest->readonly && !dest->tmp &&
                  dest->listi < kels_list_nexti && kels_list[dest->listi] == dest;
  if (!heap_var || add == 0 || uint64_t(dest->len) + add > kels_max_len) {
    // The general way: the sum made as a new string, then assigned.
    kels *sum = dest;
    for (uint32_t k = 0; k < count; k++) sum = kels_add(sum, src[k]);
    return kels_set(dest, sum);
  }
  uint32_t len0 = dest->len, total = uint32_t(len0 + add);
  if (!room_after(dest, src, count, add)) {
    // Moves to a new place with room to grow by half again, as much of it as string space
    // can give (the room is only a hint: any compaction takes it back).
    uint64_t want = uint64_t(total) + total / 2 + spare_bytes;
    if (want > kels_max_len || !kels_reserve(uint32_t(want))) want = total;
    kels *r = kels_new(int32_t(want), 1);         // may move every string's characters
    std::memcpy(r->text, dest->text, len0);
    r->len = len0;
    r->cap = uint32_t(want);
    kels_list[dest->listi] = freed_slot;          // dest takes r's place (as kels_set would)
    kels_list[r->listi] = dest;
    dest->listi = r->listi;
    dest->text = r->text;
    dest->cap = r->cap;
    tmp_list_remove(r);
    kels_free_descriptor(r);
  }
  uint8_t *at = dest->text + len0;
  for (uint32_t k = 0; k < count; k++) {
    kels *s = src[k];
    const uint8_t *from = s == dest ? dest->text : s->text;  // dest as it was: its first len0
    uint32_t n = s == dest ? len0 : s->len;
    if (n == 1) *at = *from;
    else if (n) std::memmove(at, from, n);
    at += n;
  }
  dest->len = total;
  uint32_t used = uint32_t(at - kels_data);
  if (used > kels_sp) kels_sp = used;
  for (uint32_t k = 0; k < count; k++) {
    kels *s = src[k];
    bool seen = false;
    for (uint32_t j = 0; j < k && !seen; j++) seen = src[j] == s;
    if (s->tmp && s != dest && !seen) kels_free(s);
  }
  return dest;
}

void swap_string(kels *a, kels *b) {
  if (new_error) return;
  kels *c = kels_new(int32_t(a->len), 0);
  std::memcpy(c->text, a->text, a->len);
  kels_set(a, b);
  kels_set(b, c);
  kels_free(c);
}
