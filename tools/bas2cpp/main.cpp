// bas2cpp FILE.bas -o FILE.cpp: translates one program; on an error prints FILE:LINE:COLUMN
// and writes nothing.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include "translator.h"

int main(int argc, char **argv) {
  std::string in, out;
  for (int k = 1; k < argc; k++) {
    std::string a = argv[k];
    if (a == "-o" && k + 1 < argc) out = argv[++k];
    else if (in.empty()) in = a;
    else { std::cerr << "bas2cpp: unexpected argument " << a << "\n"; return 2; }
  }
  if (in.empty() || out.empty()) {
    std::cerr << "usage: bas2cpp FILE.bas -o FILE.cpp\n";
    return 2;
  }
  std::ifstream f(in, std::ios::binary);
  if (!f) { std::cerr << in << ": cannot read the file\n"; return 1; }
  std::stringstream ss;
  ss << f.rdbuf();
  bas::translation t = bas::translate(ss.str(), in);
  if (!t.ok) { std::cerr << t.message << "\n"; return 1; }
  std::string tmp = out + ".tmp";
  {
    std::ofstream o(tmp, std::ios::binary);
    o << t.cpp;
    if (!o) { std::cerr << out << ": cannot write the file\n"; std::remove(tmp.c_str()); return 1; }
  }
  if (std::rename(tmp.c_str(), out.c_str()) != 0) { std::cerr << out << ": cannot write the file\n"; return 1; }
  return 0;
}
