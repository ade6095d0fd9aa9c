// File names and folders: BASIC names to host paths, the host's errors as the dialect's
// numbers, and KILL, NAME, MKDIR, RMDIR, CHDIR and FILES.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>
#include "events.h"
#include "files.h"
#include "hostpath.h"
#include "kels.h"
#include "text.h"
#include "files_host.h"

namespace {

bool has_wildcards(const std::string &s) { return s.find_first_of("*?") != std::string::npos; }

// * any run of characters, ? one character, without regard to case. Backtracks to the last
// * only, so any pattern takes time in proportion to its length times the name's.
bool wild_match(const char *p, const char *s) {
  const char *star = nullptr, *from = nullptr;
  auto same = [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); };
  while (*s) {
    if (*p == '*') {
      star = p++;
      from = s;
    } else if (*p && (*p == '?' || same(*p, *s))) {
      p++, s++;
    } else if (star) {
      p = star + 1;
      s = ++from;
    } else {
      return false;
    }
  }
  while (*p == '*') p++;
  return !*p;
}

// As the dialect matches names: "X.*" also takes a name X without an extension, so "*.*" is
// every name. Names starting with a dot only match a pattern that does.
bool name_matches(const std::string &pattern, const std::string &name) {
  if (name == "." || name == "..") return false;
  if (name[0] == '.' && pattern[0] != '.') return false;
  if (wild_match(pattern.c_str(), name.c_str())) return true;
  size_t n = pattern.size();
  return n >= 2 && pattern.compare(n - 2, 2, ".*") == 0 && name.find('.') == std::string::npos &&
         wild_match(pattern.substr(0, n - 2).c_str(), name.c_str());
}

// Splits a path into its folder ("." when none) and its last part.
void split(const std::string &path, std::string &dir, std::string &last) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    dir = ".";
    last = path;
  } else {
    dir = slash == 0 ? "/" : path.substr(0, slash);
    last = path.substr(slash + 1);
  }
}

bool path_of(kels *name, std::string &path) {
  int err;
  if (gfs_host_path(name, path, &err)) return true;
  error(err);
  return false;
}

}  // namespace

bool gfs_host_path(const kels *name, std::string &out, int *err) {
  std::string p = name ? std::string((const char *)name->text, name->len) : std::string();
  // Trailing blanks are no part of a name (a fixed-length string holding one has them).
  p.erase(p.find_last_not_of(' ') + 1);
  if (p.empty() || p.find('\0') != std::string::npos) {
    *err = 64;
    return false;
  }
  out = host_path_of(p);   // \ as a separator, names without regard to case
  return true;
}

int gfs_errno_error(int e, int not_found) {
  switch (e) {
    case ENOENT: return not_found;
    case ENOTDIR: return 76;
    case EACCES: case EPERM: case EROFS: case ETXTBSY: return 70;
    case EEXIST: return 58;
    case ENOSPC: case EDQUOT: case EFBIG: return 61;
    case EMFILE: case ENFILE: return 67;
    case ENAMETOOLONG: return 64;
    case EXDEV: return 74;
    case EIO: return 57;
    default: return 75;
  }
}

bool gfs_parent_exists(const std::string &path) {
  std::string dir, last;
  split(path, dir, last);
  struct stat st;
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void sub_kill(kels *names) {
  if (new_error) return;
  std::string path, dir, last;
  if (!path_of(names, path)) return;
  split(path, dir, last);
  if (last.empty() || has_wildcards(dir)) { error(64); return; }
  struct stat st;
  if (!has_wildcards(last)) {
    if (lstat(path.c_str(), &st) != 0) { error(gfs_errno_error(errno, gfs_parent_exists(path) ? 53 : 76)); return; }
    if (S_ISDIR(st.st_mode)) { error(75); return; }
    if (gfs_is_open(st.st_dev, st.st_ino)) { error(55); return; }
    if (unlink(path.c_str()) != 0) error(gfs_errno_error(errno, 53));
    return;
  }
  DIR *d = opendir(dir.c_str());
  if (!d) { error(gfs_errno_error(errno, 76)); return; }
  std::vector<std::string> doomed;
  bool open = false;
  while (dirent *e = readdir(d)) {
    if (!name_matches(last, e->d_name)) continue;
    std::string p = dir + "/" + e->d_name;
    if (lstat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
    open |= gfs_is_open(st.st_dev, st.st_ino);
    doomed.push_back(p);
  }
  closedir(d);
  if (doomed.empty()) { error(53); return; }
  if (open) { error(55); return; }           // nothing is removed when one of them is open
  for (const std::string &p : doomed)
    if (unlink(p.c_str()) != 0) { error(gfs_errno_error(errno, 53)); return; }
}

void sub_name(kels *from, kels *to) {
  if (new_error) return;
  std::string a, b;
  if (!path_of(from, a) || !path_of(to, b)) return;
  struct stat sa, sb;
  if (lstat(a.c_str(), &sa) != 0) { error(gfs_errno_error(errno, gfs_parent_exists(a) ? 53 : 76)); return; }
  if (lstat(b.c_str(), &sb) == 0) { error(58); return; }
  if (!gfs_parent_exists(b)) { error(76); return; }
  if (!S_ISDIR(sa.st_mode) && gfs_is_open(sa.st_dev, sa.st_ino)) { error(55); return; }
  if (rename(a.c_str(), b.c_str()) != 0) error(gfs_errno_error(errno, 53));
}

void sub_mkdir(kels *path) {
  if (new_error) return;
  std::string p;
  if (!path_of(path, p)) return;
  if (mkdir(p.c_str(), 0777) != 0) error(errno == EEXIST ? 75 : gfs_errno_error(errno, 76));
}

void sub_rmdir(kels *path) {
  if (new_error) return;
  std::string p;
  if (!path_of(path, p)) return;
  if (rmdir(p.c_str()) != 0) error(errno == EEXIST || errno == ENOTEMPTY ? 75 : gfs_errno_error(errno, 76));
}

void sub_chdir(kels *path) {
  if (new_error) return;
  std::string p;
  if (!path_of(path, p)) return;
  if (chdir(p.c_str()) != 0) error(gfs_errno_error(errno, 76));
}

// FILES [names]: the folder's full path, then the matching names in 18-column zones (folders
// marked <DIR>), then the free space.
void sub_files(kels *names, int32_t passed) {
  if (new_error) return;
  std::string dir = ".", pattern = "*";
  if ((passed & 1) && names) {
    std::string path;
    if (!path_of(names, path)) return;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      dir = path;
    } else {
      split(path, dir, pattern);
      if (pattern.empty()) pattern = "*";
      if (has_wildcards(dir)) { error(64); return; }
    }
  }
  DIR *d = opendir(dir.c_str());
  if (!d) { error(gfs_errno_error(errno, 76)); return; }
  struct entry { std::string name; bool folder; };
  std::vector<entry> found;
  while (dirent *e = readdir(d)) {
    if (!name_matches(pattern, e->d_name)) continue;
    struct stat st;
    bool folder = stat((dir + "/" + e->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    found.push_back({e->d_name, folder});
  }
  closedir(d);
  if (found.empty()) { error(53); return; }
  std::sort(found.begin(), found.end(),
            [](const entry &x, const entry &y) { return strcasecmp(x.name.c_str(), y.name.c_str()) < 0; });
  auto print = [](const std::string &text, uint8_t newline) {
    kels *s = kels_tmp_from(text.data(), (uint32_t)text.size());
    if (!newline) makefit(s);
    kels_print(s, newline);
    kels_free(s);
  };
  char full[PATH_MAX];
  print(realpath(dir.c_str(), full) ? full : dir, 1);
  for (const entry &e : found) {
    std::string text = e.name + (e.folder ? "<DIR>" : "");
    text.resize((text.size() / 18 + 1) * 18, ' ');
    print(text, 0);
  }
  if (func_pos(0) != 1) kels_print(nothingstring, 1);
  struct statvfs vs;
  unsigned long long free_bytes = statvfs(dir.c_str(), &vs) == 0 ? (unsigned long long)vs.f_bavail * vs.f_frsize : 0;
  print(" " + std::to_string(free_bytes) + " Bytes free", 1);
}
