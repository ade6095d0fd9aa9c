// The programs a program CHAINs or RUNs, by their constant names.
#include "modules.h"
#include <strings.h>
#include <cctype>
#include <filesystem>

namespace bas {

bool find_chains(const block &b, std::vector<chain_ref> &refs) {
  bool any = false;
  for (const stmt_p &s : b) {
    if (!s) continue;
    if (s->kind == sk::builtin && (s->text == "CHAIN" || s->text == "RUN")) {
      any = true;
      if (!s->exprs.empty() && s->exprs[0] && s->exprs[0]->kind == ek::string)
        refs.push_back({s->exprs[0]->at, s->exprs[0]->text});
    }
    any |= find_chains(s->body, refs);
    for (const if_branch &br : s->branches) any |= find_chains(br.body, refs);
    for (const case_branch &c : s->cases) any |= find_chains(c.body, refs);
  }
  return any;
}

std::string module_key(const std::string &name) {
  std::string k;
  for (char ch : name) k += ch == '\\' ? '/' : (char)std::toupper((unsigned char)ch);
  while (k.compare(0, 2, "./") == 0) k.erase(0, 2);
  size_t slash = k.rfind('/');
  if (k.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos) k += ".BAS";
  return k;
}

std::string module_file(const std::string &dir, const std::string &name) {
  namespace fs = std::filesystem;
  std::string key = module_key(name);
  fs::path at = dir.empty() ? fs::path(".") : fs::path(dir);
  std::error_code ec;
  for (size_t start = 0; start <= key.size();) {
    size_t e = key.find('/', start);
    std::string part = key.substr(start, e == std::string::npos ? std::string::npos : e - start);
    start = e == std::string::npos ? key.size() + 1 : e + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") { at /= ".."; continue; }
    std::string found;
    for (const auto &entry : fs::directory_iterator(at, ec))
      if (strcasecmp(entry.path().filename().c_str(), part.c_str()) == 0 &&
          (found.empty() || found > entry.path().filename().string()))
        found = entry.path().filename().string();
    if (found.empty()) return "";
    at /= found;
  }
  if (!fs::is_regular_file(at, ec)) return "";
  return at.string();
}

}  // namespace bas
