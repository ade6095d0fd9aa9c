// BASIC file names to host paths: separators and case.
#include "hostpath.h"
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <algorithm>

namespace {

bool exists(const std::string &p) {
  struct stat st;
  return lstat(p.c_str(), &st) == 0;
}

// The entry of dir whose name equals part without regard to case (the first in sorted order
// when several do), or "" when none does.
std::string match_case(const std::string &dir, const std::string &part) {
  DIR *d = opendir(dir.c_str());
  if (!d) return "";
  std::string best;
  while (dirent *e = readdir(d))
    if (strcasecmp(e->d_name, part.c_str()) == 0 && (best.empty() || best > e->d_name)) best = e->d_name;
  closedir(d);
  return best;
}

std::string resolve_case(const std::string &p) {
  if (exists(p)) return p;
  std::string out;
  size_t i = 0;
  if (!p.empty() && p[0] == '/') out = "/", i = 1;
  while (i <= p.size()) {
    size_t j = p.find('/', i);
    if (j == std::string::npos) j = p.size();
    std::string part = p.substr(i, j - i);
    if (!part.empty()) {
      std::string candidate = out + part;
      if (!exists(candidate)) {
        std::string found = match_case(out.empty() ? "." : out, part);
        if (found.empty()) return out + p.substr(i);
        candidate = out + found;
      }
      out = candidate;
    }
    if (j < p.size()) out += '/';
    i = j + 1;
  }
  return out;
}

}  // namespace

std::string host_path_of(const std::string &basic_name) {
  std::string p = basic_name;
  std::replace(p.begin(), p.end(), '\\', '/');
  return resolve_case(p);
}

bool host_folder_exists(const std::string &path) {
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  struct stat st;
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
