// The parser: the tokens of a BASIC program into its syntax tree (ast.h).
#pragma once
#include <functional>
#include <string>
#include <vector>
#include "ast.h"
#include "lexer.h"

namespace bas {

// Reads the whole program into its tree. The tokens come from lex(source, true), so that the
// metacommands reach the parser. read_include(name, at) returns the source text of an $INCLUDE
// file (the caller resolves the name against the including file's folder) or throws bas_error;
// at.file is the including file: 0 the main file, k the file returned by the k-th call of
// read_include. Throws bas_error at the first problem, with its line, column and file name
// (file as given for the main file, the name as written in $INCLUDE for an included one).
program parse(const std::vector<token> &tokens, const std::string &file,
              const std::function<std::string(const std::string &name, place at)> &read_include);

}  // namespace bas
