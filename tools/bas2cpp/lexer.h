// The BASIC reader: source text into tokens that carry their line and column.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace bas {

// A problem in the program, reported as FILE:LINE:COLUMN: message.
struct bas_error {
  int line, col;
  std::string msg;
  std::string file;   // the file it is in: parse() names it; lex() alone leaves it empty
  bas_error(int line, int col, std::string msg, std::string file = "")
      : line(line), col(col), msg(std::move(msg)), file(std::move(file)) {}
};

// data: one item of a DATA statement, as written (a quoted item without its quotes).
// meta: a metacommand in a comment: "$DYNAMIC", "$STATIC", or "$INCLUDE" followed by a
// string token holding the file name.
enum class tok { end, newline, ident, number, string, op, data, meta };

struct token {
  tok kind;
  std::string text;   // ident: upper case, without suffix; number: as written; op: the operator
  char suffix = 0;    // ident or number: one of % & ! # $, or 0
  int line = 0, col = 0;
  bool line_start = false;   // first token of its physical line
  bool quoted = false;       // data: the item was written in quotes
  int file = 0;              // the parser's index of the file the token came from (0: the main file)
};

// Reads the whole program; the DOS end-of-file byte (Ctrl-Z) ends it. Comments (REM, ') are
// dropped, except that with keep_meta the metacommands in them become tok::meta tokens; the
// one-pass translator reads without them. '?' reads as PRINT; a '_' after a blank as the last
// thing on a line joins the next line to the statement. Throws bas_error.
std::vector<token> lex(const std::string &src, bool keep_meta = false);

}  // namespace bas
