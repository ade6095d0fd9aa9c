// The slow path of appending views (strview.h): A$ has no room, so it must move.
#include "strview.h"
#include <string>

void kb_append_views_slow(kels *dest, const kb_sv *v, uint32_t count) {
  std::string held;                               // before anything in string space moves
  for (uint32_t k = 0; k < count; k++) held.append(reinterpret_cast<const char *>(v[k].p), v[k].n);
  if (held.size() > kels_max_len) held.resize(kels_max_len);  // kels_append raises the error
  kels_append(dest, kels_tmp_from(held.data(), uint32_t(held.size())));
}
