// String descriptors, the string data heap, the conventional-memory string area and
// the temporaries list with its per-statement clean-up.
#pragma once
#include <cstdint>
#include <cstring>

struct kels {
  uint8_t *text;                    // first character; not NUL-terminated, moved by compaction
  uint32_t len;
  uint8_t in_cmem;                  // characters live in the data block's string area
  uint16_t *cmem_descriptor;        // null, or the 4-byte (length, offset) record in the data block
  uint16_t cmem_descriptor_offset;
  uint32_t listi;                   // slot in kels_list (or kels_cmem_list)
  uint8_t tmp;
  uint32_t tmplisti;                // slot in kels_tmp_list; 0 = not listed
  uint8_t fixed;                    // view of fixed-length storage owned elsewhere
  uint8_t readonly;                 // view of constant text
  uint32_t cap;                     // heap variables: bytes owned from text on (room to append
                                    // into), all below kels_sp; 0 when only len is known to be its
                                    // own, and always 0 for any other string (a temporary, a view,
                                    // one in the data block), so len + n <= cap alone says that n
                                    // more bytes can be written in place
};

// The first and the last sizeof(W) of n bytes (sizeof(W) <= n <= 2 * sizeof(W)), which
// together cover all n: short strings are moved and compared by these two loads.
template <class W> struct kels_ends {
  W first, last;
  explicit kels_ends(const uint8_t *p, uint32_t n) {
    std::memcpy(&first, p, sizeof(W));
    std::memcpy(&last, p + n - sizeof(W), sizeof(W));
  }
  void store(uint8_t *p, uint32_t n) const {
    std::memcpy(p, &first, sizeof(W));
    std::memcpy(p + n - sizeof(W), &last, sizeof(W));
  }
  bool operator==(const kels_ends &o) const { return ((first ^ o.first) | (last ^ o.last)) == 0; }
};

// Copies n bytes from s to d, which may overlap. Most strings are short: up to 16 bytes are
// moved by loads of both ends before any store, without a call.
inline void kels_move(uint8_t *d, const uint8_t *s, uint32_t n) {
  if (n > 16) {
    std::memmove(d, s, n);
  } else if (n >= 8) {
    kels_ends<uint64_t>(s, n).store(d, n);
  } else if (n >= 4) {
    kels_ends<uint32_t>(s, n).store(d, n);
  } else if (n) {
    uint8_t a = s[0], b = s[n / 2], c = s[n - 1];
    d[0] = a;
    d[n / 2] = b;
    d[n - 1] = c;
  }
}

// Heap and lists (exposed for the runtime's own use and for tests).
extern uint8_t *kels_data;
extern uint32_t kels_data_size;
extern uint32_t kels_sp;
extern kels **kels_list;
extern uint32_t kels_list_nexti, kels_list_lasti;
extern kels **kels_tmp_list;
extern uint32_t kels_tmp_list_nexti, kels_tmp_list_lasti;
extern kels **kels_cmem_list;
extern uint32_t kels_cmem_list_nexti, kels_cmem_list_lasti;
extern uint32_t kels_cmem_sp;
extern uint32_t kels_cmem_descriptor_space;
extern uint32_t cmem_sp;
extern uint32_t kels_malloc_freed_num, kels_malloc_freed_size;

extern kels *nothingstring;         // "" in the data block, passed by PRINTs that end a line
extern kels *singlespace;           // " "

// The longest string: lengths travel as int32_t (kels_new, LEN).
constexpr uint32_t kels_max_len = 0x7FFFFFFF;

void kels_init();                   // sets up the heap and lists; creates nothingstring, singlespace

kels *kels_new_descriptor();
void kels_free_descriptor(kels *s);
kels *kels_new(int32_t size, uint8_t tmp);
kels *kels_new_txt(const char *text);
kels *kels_new_txt_len(const char *text, int32_t len);
kels *kels_new_fixed(uint8_t *data, int32_t len, uint8_t tmp);
kels *kels_new_cmem(int32_t size, uint8_t tmp);
kels *kels_maketmp(kels *s);
// A temporary of the string space (listed, not a view, not in the data block) can be taken
// over as a string of its own: kels_adopt takes it off the temporaries' list and returns it.
inline bool kels_adoptable(const kels *s) { return s->tmp && s->tmplisti && !s->fixed && !s->readonly && !s->in_cmem; }
kels *kels_adopt(kels *s);
void kels_free(kels *s);
kels *kels_set(kels *dest, kels *src);
kels *kels_add(kels *a, kels *b);
// dest = dest + src, consuming src when it is a temporary. Grows dest in place when its
// characters are the last of the heap or it has room (cap), so a loop of appends copies each
// character about once: a string that must move for an append is given room to grow.
kels *kels_append(kels *dest, kels *src);
// dest = dest + src[0] + ... + src[count - 1] (all read as they were before the call, dest
// among them), consuming the temporaries among them.
kels *kels_append_n(kels *dest, kels *const *src, uint32_t count);
// Room for add more bytes after dest's characters: true when it has them (cap), or when it is
// the last string of the heap and the heap has them; then it takes half its new length again
// as room, as far as the heap reaches, so that the appends after this one find room at once.
// False for any other string, and nothing changes.
bool kels_room(kels *dest, uint64_t add);
// dest = dest + text where dest has no room of its own (kels_room, else kels_append).
kels *kels_append_txt_more(kels *dest, const char *text, uint32_t n);
// dest = dest + a constant text (a literal): the in-place case without a descriptor for it.
inline kels *kels_append_txt(kels *dest, const char *text, uint32_t n) {
  if (uint64_t(dest->len) + n <= dest->cap) {
    uint8_t *end = dest->text + dest->len;
    for (uint32_t i = 0; i < n; i++) end[i] = (uint8_t)text[i];
    dest->len += n;
    return dest;
  }
  return kels_append_txt_more(dest, text, n);
}
// End of a statement: frees the temporaries listed above base and passes passvalue through.
// Inline, since most statements leave none and every translated statement ends with it.
void kels_cleanup_list(uint32_t base);
inline uint32_t kels_cleanup(uint32_t base, uint32_t passvalue) {
  if (kels_tmp_list_nexti > base) kels_cleanup_list(base);
  return passvalue;
}
void swap_string(kels *a, kels *b);

void kels_concat(uint32_t bytesrequired);
// Makes room for a new string of n bytes, compacting or growing the heap as kels_new would, so
// that kels_new(n) cannot fail; false, with no error raised, when n is over kels_max_len or the
// heap cannot grow that far (the caller raises its statement's error, such as 14).
bool kels_reserve(uint32_t n);
void kels_concat_cmem(uint32_t bytesrequired);
void kels_concat_list();
void kels_cmem_concat_list();
void kels_tmp_concat_list();

// Convenience for the runtime: a temporary heap copy of C text.
kels *kels_tmp_from(const char *text, uint32_t len);
