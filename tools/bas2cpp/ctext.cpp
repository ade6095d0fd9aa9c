// Reading and rewriting the C++ text the emitter writes.
#include "ctext.h"
#include <cctype>

namespace bas {

// The index of the quote closing the string or character literal of C++ text opened at k.
size_t literal_end(const std::string &s, size_t k) {
  char quote = s[k];
  for (k++; k < s.size() && s[k] != quote; k++)
    if (s[k] == '\\') k++;
  return k;
}

// The position of the parenthesis closing the one at open in C++ text, outside literals.
size_t closing_paren(const std::string &s, size_t open) {
  int depth = 0;
  for (size_t k = open; k < s.size(); k++) {
    char ch = s[k];
    if (ch == '"' || ch == '\'') {
      k = literal_end(s, k);
      continue;
    }
    if (ch == '(') depth++;
    else if (ch == ')' && --depth == 0) return k;
  }
  return std::string::npos;
}

bool ident_char(char c) { return std::isalnum((unsigned char)c) || c == '_'; }

// Whether C++ text names the identifier id (outside other identifiers).
bool names_ident(const std::string &s, const std::string &id) {
  for (size_t k = s.find(id); k != std::string::npos; k = s.find(id, k + 1))
    if ((k == 0 || !ident_char(s[k - 1])) && (k + id.size() >= s.size() || !ident_char(s[k + id.size()]))) return true;
  return false;
}

std::string replace_all(std::string s, const std::string &from, const std::string &to) {
  for (size_t k = s.find(from); k != std::string::npos; k = s.find(from, k + to.size())) s.replace(k, from.size(), to);
  return s;
}

// The value inside an argument handed as a copy, kb_val<T>{value}.p() (see pass_arg); "" for
// any other argument.
std::string trimmed(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

std::string copied_value(std::string a) {
  a = trimmed(a);
  size_t brace = a.find('{');
  if (a.compare(0, 7, "kb_val<") != 0 || brace == std::string::npos || a.size() < brace + 6 ||
      a.compare(a.size() - 5, 5, "}.p()") != 0)
    return "";
  int depth = 0;
  for (size_t k = brace; k < a.size() - 5; k++) {   // the brace opened must close only at the end
    char ch = a[k];
    if (ch == '"' || ch == '\'') k = literal_end(a, k);
    else if (ch == '{') depth++;
    else if (ch == '}' && --depth == 0) return "";
  }
  return depth == 1 ? a.substr(brace + 1, a.size() - 5 - brace - 1) : "";
}

// A call's text between its parentheses split at its top-level commas.
std::vector<std::string> call_args(const std::string &inner) {
  std::vector<std::string> args;
  int depth = 0;
  size_t from = 0;
  for (size_t j = 0; j < inner.size(); j++) {
    char c = inner[j];
    if (c == '"' || c == '\'') j = literal_end(inner, j);
    else if (c == '(' || c == '{' || c == '[') depth++;
    else if (c == ')' || c == '}' || c == ']') depth--;
    else if (c == ',' && depth == 0) {
      args.push_back(inner.substr(from, j - from));
      from = j + 1;
    }
  }
  if (!inner.empty()) args.push_back(inner.substr(from));
  return args;
}

// Whether the line of C++ text holding position k starts a function's definition or declaration.
bool at_definition(const std::string &text, size_t k) {
  size_t line = text.rfind('\n', k);
  line = line == std::string::npos ? 0 : line + 1;
  return text.compare(line, 7, "static ") == 0 || text.compare(line, 24, "[[maybe_unused]] static ") == 0;
}

std::string glued(const std::string &type, const std::string &name) {
  return type + (!type.empty() && (type.back() == '*' || type.back() == '&') ? "" : " ") + name;
}

std::vector<std::string> code_lines(const std::string &code) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < code.size();) {
    size_t e = code.find('\n', start);
    e = e == std::string::npos ? code.size() : e + 1;
    lines.push_back(code.substr(start, e - start));
    start = e;
  }
  return lines;
}

}  // namespace bas
