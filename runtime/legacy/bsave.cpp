// BSAVE and BLOAD: memory images of the current DEF SEG segment in files.
#include "bsave.h"
#include <sys/stat.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>
#include "events.h"
#include "files.h"
#include "hostpath.h"
#include "kel_atomic.h"
#include "kels.h"
#include "memory.h"
#include "peekpoke.h"
#include "files_host.h"

static constexpr uint8_t bsave_mark = 0xFD;

static bool word_ok(int32_t n) { return n >= -65536 && n <= 65535; }

// The file name as the host takes it, mapped as OPEN maps names ('\' parts folders, case is
// ignored); empty (with error 64) when the name is not one. Trailing blanks go (a fixed-length
// string pads the name with them).
static std::string file_name(const kels *name) {
  std::string s = name ? std::string((const char *)name->text, name->len) : std::string();
  while (!s.empty() && s.back() == ' ') s.pop_back();
  if (s.empty() || s.find_first_of(std::string("*?\0", 3)) != std::string::npos) {
    error(64);
    return {};
  }
  return host_path_of(s);
}

// The dialect's error for a failed open or write of a file.
static int file_error(int e, bool reading) {
  switch (e) {
    case ENOENT: return reading ? 53 : 76;
    case ENOTDIR: return 76;
    case EACCES: case EPERM: case EROFS: return 70;
    case ENOSPC: return 61;
    case ENAMETOOLONG: return 64;
    default: return 75;
  }
}

// Bytes base[(offset + i) & 0xFFFF] of a segment with `limit` bytes reachable; false (error 5)
// when an array's storage ends before offset + count.
static bool segment_range_ok(uint32_t limit, uint32_t offset, uint32_t count) {
  if (limit < 65536 && offset + count > limit) {
    error(5);
    return false;
  }
  return true;
}

void sub_bsave(kels *name, int32_t offset, int32_t length) {
  if (new_error) return;
  if (!word_ok(offset) || !word_ok(length)) {
    error(6);
    return;
  }
  uint32_t off = (uint32_t)offset & 0xFFFF, len = (uint32_t)length & 0xFFFF;
  std::string path = file_name(name);
  if (path.empty() || !segment_range_ok(defseg_limit, off, len)) return;
  std::vector<uint8_t> out(7 + (size_t)len);
  uint32_t seg = (uint32_t)defseg_segment & 0xFFFF;
  uint8_t header[7] = {bsave_mark, (uint8_t)seg, (uint8_t)(seg >> 8), (uint8_t)off, (uint8_t)(off >> 8),
                       (uint8_t)len, (uint8_t)(len >> 8)};
  std::copy(header, header + 7, out.begin());
  for (uint32_t i = 0; i < len; i++)
    out[7 + i] = kel_atomic_ref<uint8_t>(defseg[(off + i) & 0xFFFF]).load(std::memory_order_relaxed);
  struct stat st;                     // a file open under a number would be written over at its CLOSE
  if (stat(path.c_str(), &st) == 0 && gfs_is_open(st.st_dev, st.st_ino)) {
    error(55);
    return;
  }
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) {
    error(file_error(errno, false));
    return;
  }
  size_t wrote = std::fwrite(out.data(), 1, out.size(), f);
  int write_errno = errno;
  if (std::fclose(f) != 0 && wrote == out.size()) wrote = 0, write_errno = errno;
  if (wrote != out.size()) error(file_error(write_errno, false));
}

void sub_bload(kels *name, int32_t offset, int32_t passed) {
  if (new_error) return;
  if (passed && !word_ok(offset)) {
    error(6);
    return;
  }
  std::string path = file_name(name);
  if (path.empty()) return;
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) {
    int e = errno;
    error(e == ENOENT && !host_folder_exists(path) ? 76 : file_error(e, true));   // 76: no such folder
    return;
  }
  struct stat st;
  bool known = fstat(fileno(f), &st) == 0;
  if (known && S_ISDIR(st.st_mode)) {
    std::fclose(f);
    error(75);
    return;
  }
  if (known) gfs_write_out(st.st_dev, st.st_ino);   // what a number open on the file still holds comes first
  if (new_error) {
    std::fclose(f);
    return;
  }
  uint8_t header[7] = {};
  size_t got = std::fread(header, 1, 7, f);
  bool image = got == 7 && header[0] == bsave_mark;
  std::vector<uint8_t> bytes;
  if (image) {
    bytes.resize((size_t)(header[5] | header[6] << 8));
    got = std::fread(bytes.data(), 1, bytes.size(), f);
  }
  bool failed = std::ferror(f);
  std::fclose(f);
  if (failed) {
    error(75);
    return;
  }
  if (!image || got != bytes.size()) {   // not a memory image, or cut short
    error(5);
    return;
  }
  uint32_t seg = (uint32_t)(header[1] | header[2] << 8), off = (uint32_t)(header[3] | header[4] << 8);
  uint8_t *base = defseg;
  uint32_t limit = defseg_limit;
  if (passed) {
    off = (uint32_t)offset & 0xFFFF;
  } else if (!(is_pseudo_segment(defseg_segment) && ((uint32_t)defseg_segment & 0xFFFF) == seg)) {
    base = cmem + seg * 16;
    limit = 65536;
  }
  uint32_t len = (uint32_t)bytes.size();
  if (!segment_range_ok(limit, off, len)) return;
  for (uint32_t i = 0; i < len; i++)
    kel_atomic_ref<uint8_t>(base[(off + i) & 0xFFFF]).store(bytes[i], std::memory_order_relaxed);
}
