// bas2cpp FILE.bas -o FILE.cpp [--entry NAME]: translates one program; on an error prints
// FILE:LINE:COLUMN and writes nothing. With --entry the program becomes a function NAME that
// runs it once (for benchmarks), with no main of its own. --depfile FILE writes, in make's form,
// the programs it CHAINs or RUNs, which the output was built with. --parts BYTES writes a
// program whose code is larger than BYTES as parts to compile side by side (kelc does), each
// of up to four times BYTES. --huge BYTES: a program whose module code is larger keeps its
// numbers in their statics (kelc compiles such a program with -Og).
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <iostream>
#include <sstream>
#include <string>
#include "translator.h"

// Whether writing path b would replace file a: the same file (device and inode) when both
// exist, or the same path once symbolic links and dot segments are resolved.
static bool same_file(const std::string &a, const std::string &b) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  fs::path ra = fs::weakly_canonical(a, ec);
  if (ec) return false;
  fs::path rb = fs::weakly_canonical(b, ec);
  return !ec && ra == rb;
}

int main(int argc, char **argv) {
  std::string in, out, entry, depfile;
  size_t part_bytes = 0, huge_bytes = 0;
  for (int k = 1; k < argc; k++) {
    std::string a = argv[k];
    if (a == "-o" && k + 1 < argc) out = argv[++k];
    else if ((a == "--parts" || a == "--huge") && k + 1 < argc) {
      std::string n = argv[++k];
      if (n.empty() || n.size() > 9 || n.find_first_not_of("0123456789") != std::string::npos) {
        std::cerr << "bas2cpp: " << a << " needs a size in bytes, not " << n << "\n";
        return 2;
      }
      (a == "--parts" ? part_bytes : huge_bytes) = std::stoul(n);
    }
    else if (a == "--entry" && k + 1 < argc) entry = argv[++k];
    else if (a == "--depfile" && k + 1 < argc) depfile = argv[++k];
    else if (in.empty()) in = a;
    else { std::cerr << "bas2cpp: unexpected argument " << a << "\n"; return 2; }
  }
  bool entry_ok = true;
  for (size_t k = 0; k < entry.size(); k++)
    if (!(std::isalpha((unsigned char)entry[k]) || entry[k] == '_' || (k && std::isdigit((unsigned char)entry[k])))) entry_ok = false;
  if (!entry_ok) { std::cerr << "bas2cpp: --entry needs a C++ name, not " << entry << "\n"; return 2; }
  if (in.empty() || out.empty()) {
    std::cerr << "usage: bas2cpp FILE.bas -o FILE.cpp\n";
    return 2;
  }
  std::error_code ec;
  if (std::filesystem::is_directory(in, ec)) { std::cerr << in << ": is a directory\n"; return 1; }
  std::ifstream f(in, std::ios::binary);
  if (!f) { std::cerr << in << ": cannot read the file\n"; return 1; }
  // The translation is staged beside the output under a short name (any output name the file
  // system takes works) and renamed over it, so a failed run leaves an existing file as it was.
  // An existing output that is not a regular file (a FIFO, a device) is written into instead:
  // renaming would replace it; a folder is refused.
  std::filesystem::file_status st = std::filesystem::status(out, ec);
  if (std::filesystem::is_directory(st)) { std::cerr << out << ": is a directory\n"; return 1; }
  bool write_in_place = std::filesystem::exists(st) && !std::filesystem::is_regular_file(st);
  std::string dir = std::filesystem::path(out).parent_path().string();
  std::string tmp = (dir.empty() ? std::string(".") : dir) + "/.bas2cpp-" + std::to_string(getpid()) + ".tmp";
  for (const std::string &o : {out, tmp})
    if (same_file(in, o)) {
      std::cerr << o << ": the output would overwrite the input file\n";
      return 2;
    }
  std::stringstream ss;
  ss << f.rdbuf();
  bas::translation t = bas::translate(ss.str(), in, nullptr, entry, part_bytes, huge_bytes);
  for (const std::string &w : t.warnings) std::cerr << w << "\n";
  if (!t.ok) { std::cerr << t.message << "\n"; return 1; }
  if (write_in_place) {
    std::ofstream o(out, std::ios::binary);
    o << t.cpp;
    if (!o) { std::cerr << out << ": cannot write the file\n"; return 1; }
    return 0;
  }
  {
    std::ofstream o(tmp, std::ios::binary);
    o << t.cpp;
    if (!o) { std::cerr << out << ": cannot write the file\n"; std::remove(tmp.c_str()); return 1; }
  }
  if (!depfile.empty()) {   // make's form: the output depends on the programs built with it
    std::ofstream d(depfile, std::ios::binary);
    d << out << ":";
    for (const std::string &m : t.modules) d << " " << std::filesystem::absolute(m).string();
    d << "\n";
    if (!d) { std::cerr << depfile << ": cannot write the file\n"; std::remove(tmp.c_str()); return 1; }
  }
  if (std::rename(tmp.c_str(), out.c_str()) != 0) {
    std::cerr << out << ": cannot write the file\n";
    std::remove(tmp.c_str());
    return 1;
  }
  return 0;
}
