// The translator: BASIC in, one C++ file on the runtime out (or a located error). The stages
// run in order: the lexer (tokens with their places), the parser (the syntax tree), the checks
// (the program's tables) and the emitter (C++ from the tree).
#include "translator.h"
#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include "check.h"
#include "hostpath.h"
#include "emit.h"
#include "lexer.h"
#include "modules.h"
#include "parser.h"

namespace bas {

constexpr size_t max_include_bytes = 16 << 20;   // an $INCLUDE file larger than this is refused

namespace {

// The program and every program it CHAINs or RUNs by a constant name, found beside it, as
// modules of one executable: each module's code in a namespace of its own and a table of
// modules by name. current names the file being translated (for an error's place).
std::string translate_modules(program main, std::vector<chain_ref> refs, const std::string &filename, program_info *info,
                              std::string &current, std::vector<std::string> &warnings,
                              const std::function<std::string(const std::string &, place)> &read_include,
                              std::vector<std::string> &names, std::vector<std::string> &modules) {
  namespace fs = std::filesystem;
  std::string dir = fs::path(filename).parent_path().string();
  std::vector<std::string> keys{module_key(fs::path(filename).filename().string())};
  std::vector<std::string> files{filename};
  std::string out = "// Translated from BASIC by bas2cpp; edit the .bas files instead.\n#include \"program.h\"\n";
  std::string table = "\nstatic const kb_module kb_modules[] = {\n";
  program prog = std::move(main);
  for (size_t k = 0; k < files.size(); k++) {
    current = files[k];
    if (k > 0) {
      std::ifstream f(files[k], std::ios::binary);
      if (!f) throw bas_error{1, 1, "cannot read the file", files[k]};
      std::stringstream ss;
      ss << f.rdbuf();
      std::string text = ss.str();
      if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
      names.assign(1, files[k]);
      prog = parse(lex(text, true), files[k], read_include);
      refs.clear();
      find_chains(prog.statements, refs);
    }
    for (const chain_ref &r : refs) {
      std::string key = module_key(r.name);
      if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
      std::string file = module_file(dir, r.name);
      if (file.empty()) {
        warnings.push_back(files[k] + ":" + std::to_string(r.at.line) + ":" + std::to_string(r.at.col) + ": warning: " + r.name +
                           " is not beside the program; running it will be error 53 (File not found)");
        continue;
      }
      keys.push_back(key);
      files.push_back(file);
    }
    fail_files = &prog.files;
    checks c(prog);
    c.run();
    std::string code = emit_module(prog, c, k == 0 ? info : nullptr);
    fail_files = nullptr;
    code.erase(0, code.find("#include \"program.h\"\n") + 22);
    out += "\nnamespace kbm" + std::to_string(k) + " {\n" + code + "}  // namespace kbm" + std::to_string(k) + "\n";
  }
  for (size_t k = 0; k < keys.size(); k++)
    table += "  {\"" + keys[k] + "\", kbm" + std::to_string(k) + "::kb_module_start},\n";
  out += table + "};\n";
  modules.assign(files.begin() + 1, files.end());
  out += "\nstatic void KELMAIN() { kb_run_modules(kb_modules, " + std::to_string(keys.size()) + "); }\n";
  out += "\nint main(int argc, char **argv) { return kel_main(argc, argv, KELMAIN); }\n";
  return out;
}

}  // namespace

translation translate(const std::string &source, const std::string &filename, program_info *info,
                      const std::string &entry, size_t part_bytes, size_t huge_bytes) {
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
  std::string current = filename;
  try {
    program prog = parse(lex(has_bom ? source.substr(bom.size()) : source, true), filename, read_include);
    std::vector<chain_ref> refs;
    if (entry.empty() && find_chains(prog.statements, refs)) {
      res.cpp = translate_modules(std::move(prog), refs, filename, info, current, res.warnings, read_include, names, res.modules);
    } else {
      fail_files = &prog.files;
      checks c(prog);
      c.run();
      res.cpp = emit_program(prog, c, info, entry, part_bytes, huge_bytes);
    }
    res.ok = true;
    fail_files = nullptr;
  } catch (const bas_error &e) {
    fail_files = nullptr;
    res.line = e.line;
    res.col = e.col;
    res.message = (e.file.empty() ? current : e.file) + ":" + std::to_string(e.line) + ":" + std::to_string(e.col) + ": " + e.msg;
  }
  return res;
}

}  // namespace bas
