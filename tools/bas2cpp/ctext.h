// Reading and rewriting the C++ text the emitter writes: literals, parentheses, identifiers,
// a call's arguments.
#pragma once
#include <cctype>
#include <cstddef>
#include <string>
#include <vector>

namespace bas {

// The index of the quote closing the string or character literal of C++ text opened at k.
size_t literal_end(const std::string &s, size_t k);
// The position of the parenthesis closing the one at open in C++ text, outside literals.
size_t closing_paren(const std::string &s, size_t open);
bool ident_char(char c);
// Whether C++ text names the identifier id (outside other identifiers).
bool names_ident(const std::string &s, const std::string &id);
std::string replace_all(std::string s, const std::string &from, const std::string &to);
// A call's text between its parentheses split at its top-level commas.
std::vector<std::string> call_args(const std::string &inner);
// The value inside an argument handed as a copy, kb_val<T>{value}.p(); "" for any other.
std::string copied_value(std::string a);
// Whether the line of C++ text holding position k starts a function's definition or declaration.
bool at_definition(const std::string &text, size_t k);
// A declaration of a C++ type and name as the emitter writes it: "T *name", "T &name", "T name".
std::string glued(const std::string &type, const std::string &name);
// s without the blanks at its ends.
std::string trimmed(std::string s);
// Emitted C++ cut into lines, each with its newline.
std::vector<std::string> code_lines(const std::string &code);

// Calls f(start, length) for each identifier of a line of C++, outside string and character
// literals.
template <class F> void for_each_ident(const std::string &s, F f) {
  for (size_t k = 0; k < s.size();) {
    char ch = s[k];
    if (ch == '"' || ch == '\'') {
      k = literal_end(s, k) + 1;
      continue;
    }
    if (std::isalpha((unsigned char)ch) || ch == '_') {
      size_t e = k;
      while (e < s.size() && (std::isalnum((unsigned char)s[e]) || s[e] == '_')) e++;
      f(k, e - k);
      k = e;
      continue;
    }
    if (std::isdigit((unsigned char)ch)) {   // a number, suffixes and all
      while (k < s.size() && (std::isalnum((unsigned char)s[k]) || s[k] == '.')) k++;
      continue;
    }
    k++;
  }
}


}  // namespace bas
