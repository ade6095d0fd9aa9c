// The translator: BASIC in, one C++ file on the runtime out (or a located error). The stages
// run in order: the lexer (tokens with their places), the parser (the syntax tree), the checks
// (the program's tables) and the emitter (C++ from the tree).
#include "translator.h"
#include <algorithm>
#include <filesystem>
#include <fstream>
#include "check.h"
#include "hostpath.h"
#include "emit.h"
#include "lexer.h"
#include "parser.h"

namespace bas {

constexpr size_t max_include_bytes = 16 << 20;   // an $INCLUDE file larger than this is refused

translation translate(const std::string &source, const std::string &filename, program_info *info,
                      const std::string &entry) {
  translation res;
  // An editor's UTF-8 byte-order mark is not program text; dropping it keeps column 1 on the
  // first character after it.
  static const std::string bom = "\xEF\xBB\xBF";
  bool has_bom = source.compare(0, bom.size(), bom) == 0;
  std::vector<std::string> names{filename};
  // $INCLUDE names resolve against the folder of the file that includes them.
  auto read_include = [&](const std::string &name, place at) -> std::string {
    namespace fs = std::filesystem;
    fs::path base = fs::path(at.file >= 0 && (size_t)at.file < names.size() ? names[(size_t)at.file] : filename).parent_path();
    // As OPEN reads a name: '\' parts folders, and a part that does not exist as written is
    // found without regard to case.
    std::string slashed = name;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    fs::path p = fs::path(slashed).is_absolute() ? fs::path(slashed) : base / slashed;
    p = host_path_of(p.string());
    std::error_code ec;
    if (fs::is_directory(p, ec)) throw bas_error{at.line, at.col, "$INCLUDE: " + name + " is a folder, not a file", ""};
    // A FIFO or a device could keep the translator waiting or reading for ever.
    fs::file_status st = fs::status(p, ec);
    if (!ec && !fs::is_regular_file(st))
      throw bas_error{at.line, at.col, "$INCLUDE: " + name + " is not a regular file", ""};
    std::ifstream f(p, std::ios::binary);
    if (!f) throw bas_error{at.line, at.col, "$INCLUDE: cannot read " + name, ""};
    std::string text;
    char buf[65536];
    while (text.size() <= max_include_bytes && f.read(buf, sizeof buf).gcount() > 0)
      text.append(buf, (size_t)f.gcount());
    if (text.size() > max_include_bytes)
      throw bas_error{at.line, at.col, "$INCLUDE: " + name + " is too large (limit is " +
                                           std::to_string(max_include_bytes >> 20) + " MB)", ""};
    names.push_back(p.string());
    if (text.compare(0, bom.size(), bom) == 0) text.erase(0, bom.size());
    return text;
  };
  try {
    program prog = parse(lex(has_bom ? source.substr(bom.size()) : source, true), filename, read_include);
    fail_files = &prog.files;
    checks c(prog);
    c.run();
    res.cpp = emit_program(prog, c, info, entry);
    res.ok = true;
    fail_files = nullptr;
  } catch (const bas_error &e) {
    fail_files = nullptr;
    res.line = e.line;
    res.col = e.col;
    res.message = (e.file.empty() ? filename : e.file) + ":" + std::to_string(e.line) + ":" + std::to_string(e.col) + ": " + e.msg;
  }
  return res;
}

}  // namespace bas
