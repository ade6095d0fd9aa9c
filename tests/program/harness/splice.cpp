// Builds a test harness from the game's source: a template whose lines are copied as they
// stand, except "@copy A B" (the game's lines A..B) and "@blank A B" (as many empty lines, so
// the lines after keep their numbers). Usage: kel_splice GAME.bas TEMPLATE OUT.bas
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char **argv) {
  if (argc != 4) {
    std::cerr << "usage: kel_splice GAME.bas TEMPLATE OUT.bas\n";
    return 2;
  }
  std::vector<std::string> game;
  std::ifstream g(argv[1]);
  for (std::string l; std::getline(g, l);) game.push_back(l);
  std::ifstream t(argv[2]);
  std::ostringstream out;
  int n = 0;
  for (std::string l; std::getline(t, l);) {
    n++;
    if (l.rfind("@copy ", 0) != 0 && l.rfind("@blank ", 0) != 0) {
      out << l << "\n";
      continue;
    }
    size_t a = 0, b = 0;
    std::istringstream in(l.substr(l.find(' ')));
    if (!(in >> a >> b) || a < 1 || b < a || b > game.size()) {
      std::cerr << argv[2] << ":" << n << ": bad range for a game of " << game.size() << " lines\n";
      return 1;
    }
    for (size_t i = a; i <= b; i++) out << (l[1] == 'c' ? game[i - 1] : "") << "\n";
  }
  std::ofstream o(argv[3]);
  o << out.str();
  return o ? 0 : 1;
}
