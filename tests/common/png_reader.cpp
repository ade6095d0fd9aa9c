#include "png_reader.h"

static uint32_t be32(const std::string &s, size_t at) {
  return (uint32_t)(uint8_t)s[at] << 24 | (uint32_t)(uint8_t)s[at + 1] << 16 |
         (uint32_t)(uint8_t)s[at + 2] << 8 | (uint8_t)s[at + 3];
}

// Pixels of a PNG as the runtime writes them (8-bit RGB, stored deflate blocks).
bool read_png(const std::string &s, std::vector<uint32_t> *rgb, int *w, int *h) {
  if (s.size() < 8 || s.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return false;
  std::string z, raw;
  for (size_t at = 8; at + 8 <= s.size();) {
    uint32_t len = be32(s, at);
    if (at + 12 + len > s.size()) return false;
    std::string type = s.substr(at + 4, 4);
    if (type == "IHDR") {
      *w = (int)be32(s, at + 8);
      *h = (int)be32(s, at + 12);
      if (s[at + 16] != 8 || s[at + 17] != 2) return false;
    } else if (type == "IDAT") {
      z += s.substr(at + 8, len);
    }
    at += 12 + len;
  }
  for (size_t at = 2; at + 5 <= z.size();) {
    bool last = z[at] & 1;
    if ((z[at] & 6) != 0) return false;
    size_t n = (uint8_t)z[at + 1] | (size_t)(uint8_t)z[at + 2] << 8;
    raw += z.substr(at + 5, n);
    at += 5 + n;
    if (last) break;
  }
  if (raw.size() != (size_t)*h * ((size_t)*w * 3 + 1)) return false;
  rgb->resize((size_t)*w * *h);
  for (int y = 0; y < *h; y++)
    for (int x = 0; x < *w; x++) {
      const char *p = &raw[(size_t)y * (*w * 3 + 1) + 1 + (size_t)x * 3];
      (*rgb)[(size_t)y * *w + x] =
          (uint32_t)(uint8_t)p[0] << 16 | (uint32_t)(uint8_t)p[1] << 8 | (uint8_t)p[2];
    }
  return true;
}
