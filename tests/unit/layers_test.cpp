// The runtime's folders form layers: the quoted includes of runtime/**/*.{h,cpp}, resolved as
// the build resolves them, give a folder graph without circles.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>
#include <unistd.h>

namespace layers_test {

namespace fs = std::filesystem;

namespace {

using folder_graph = std::map<std::string, std::map<std::string, std::string>>;  // from -> to -> why

// A folder's name relative to runtime/ ("." for runtime/ itself).
std::string folder_of(const fs::path &file, const fs::path &root) {
  std::string f = fs::relative(file.parent_path(), root).generic_string();
  return f.empty() ? "." : f;
}

// Each quoted include resolves first beside the including file, then by file name anywhere
// under the root (the build puts every runtime folder on the include path). Includes that
// resolve to nothing there (system and library headers) are no edges.
folder_graph include_graph(const fs::path &root) {
  std::vector<fs::path> files;
  std::map<std::string, std::vector<fs::path>> by_name;
  for (const auto &e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    auto ext = e.path().extension();
    if (ext != ".h" && ext != ".cpp") continue;
    files.push_back(e.path());
    by_name[e.path().filename().string()].push_back(e.path());
  }
  static const std::regex include_line(R"(^\s*#\s*include\s*"([^"]+)\")");
  folder_graph g;
  for (const auto &f : files) {
    std::ifstream in(f);
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
      if (!std::regex_search(line, m, include_line)) continue;
      fs::path name = m[1].str(), target = f.parent_path() / name;
      if (!fs::is_regular_file(target)) {
        auto it = by_name.find(name.filename().string());
        if (it == by_name.end()) continue;
        target = it->second.front();
      }
      std::string from = folder_of(f, root), to = folder_of(fs::canonical(target), fs::canonical(root));
      if (from != to)
        g[from].emplace(to, fs::relative(f, root).generic_string() + " includes " + name.generic_string());
    }
  }
  return g;
}

// The first circle found by a depth-first walk, as folder -> ... -> the same folder with the
// include that makes each step; empty when there is none.
std::string find_circle(const folder_graph &g) {
  std::map<std::string, int> state;   // 0 unseen, 1 on the walk, 2 done
  std::vector<std::string> walk;
  std::string found;
  std::function<bool(const std::string &)> visit = [&](const std::string &v) {
    state[v] = 1;
    walk.push_back(v);
    auto it = g.find(v);
    if (it != g.end())
      for (const auto &[to, why] : it->second) {
        if (state[to] == 1) {
          size_t start = 0;
          while (walk[start] != to) start++;
          for (size_t i = start; i < walk.size(); i++) {
            const std::string &next = i + 1 < walk.size() ? walk[i + 1] : to;
            found += walk[i] + " -> " + next + " (" + g.at(walk[i]).at(next) + ")\n";
          }
          return true;
        }
        if (state[to] == 0 && visit(to)) return true;
      }
    walk.pop_back();
    state[v] = 2;
    return false;
  };
  for (const auto &[v, _] : g)
    if (state[v] == 0 && visit(v)) break;
  return found;
}

// A scratch tree of runtime-like folders, removed afterwards.
struct scratch_tree {
  fs::path root = fs::temp_directory_path() / ("kel_layers_" + std::to_string(::getpid()));
  scratch_tree() { fs::create_directories(root); }
  ~scratch_tree() { fs::remove_all(root); }
  void file(const std::string &path, const std::string &text) {
    fs::create_directories((root / path).parent_path());
    std::ofstream(root / path) << text;
  }
};

}  // namespace

TEST(Layers, RuntimeFoldersIncludeNoCircle) {
  fs::path root = fs::path(KEL_SOURCE_DIR) / "runtime";
  folder_graph g = include_graph(root);
  ASSERT_FALSE(g.empty()) << "no includes between folders found under " << root;
  std::string circle = find_circle(g);
  EXPECT_TRUE(circle.empty()) << "the runtime's folders include each other around a circle:\n" << circle;
}

TEST(Layers, GraphResolvesIncludesAsTheBuildDoes) {
  scratch_tree t;
  t.file("low/a.h", "#pragma once\n#include <vector>\n#include \"missing.h\"\n");
  t.file("low/b.cpp", "#include \"a.h\"\n");                    // same folder: no edge
  t.file("mid/c.cpp", "#include \"a.h\"\n");                    // by name: mid -> low
  t.file("mid/d.cpp", "  #  include \"../top/e.h\"\n");        // beside the file first
  t.file("top/e.h", "#pragma once\n");
  folder_graph g = include_graph(t.root);
  ASSERT_EQ(g.count("mid"), 1u);
  EXPECT_EQ(g["mid"].count("top"), 1u);
  EXPECT_EQ(g.count("low"), 0u);   // <vector> and a header found nowhere are not edges
  EXPECT_EQ(g.count("top"), 0u);
  EXPECT_TRUE(find_circle(g).empty());
}

TEST(Layers, CircleIsNamedWithTheIncludesThatMakeIt) {
  scratch_tree t;
  t.file("strings/s.cpp", "#include \"core.h\"\n");
  t.file("core/core.h", "#pragma once\n#include \"page.h\"\n");
  t.file("screen/page.h", "#pragma once\n");
  t.file("screen/page.cpp", "#include \"s.h\"\n");
  t.file("strings/s.h", "#pragma once\n");
  t.file("platform/p.cpp", "#include \"page.h\"\n");            // reaches in, but no circle through it
  std::string circle = find_circle(include_graph(t.root));
  EXPECT_NE(circle.find("strings -> core (strings/s.cpp includes core.h)"), std::string::npos) << circle;
  EXPECT_NE(circle.find("core -> screen (core/core.h includes page.h)"), std::string::npos) << circle;
  EXPECT_NE(circle.find("screen -> strings (screen/page.cpp includes s.h)"), std::string::npos) << circle;
  EXPECT_EQ(circle.find("platform"), std::string::npos) << circle;
}

}  // namespace layers_test
