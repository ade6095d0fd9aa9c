// The BASIC reader: source text into tokens that carry their line and column.
#pragma once
#include <string>
#include <vector>

namespace bas {

// A problem in the program, reported as FILE:LINE:COLUMN: message.
struct bas_error {
  int line, col;
  std::string msg;
};

enum class tok { end, newline, ident, number, string, op };

struct token {
  tok kind;
  std::string text;   // ident: upper case, without suffix; number: as written; op: the operator
  char suffix = 0;    // ident or number: one of % & ! # $, or 0
  int line = 0, col = 0;
  bool line_start = false;   // first token of its physical line
};

// Reads the whole program. Comments (REM, ') are dropped; '?' reads as PRINT. Throws bas_error.
std::vector<token> lex(const std::string &src);

}  // namespace bas
