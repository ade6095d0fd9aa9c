// The BASIC reader: identifiers with type suffixes, numbers, strings, operators and comments.
#include "lexer.h"
#include <cctype>
#include <cstring>

namespace bas {

static bool is_suffix(char c) { return c == '%' || c == '&' || c == '!' || c == '#' || c == '$'; }

std::vector<token> lex(const std::string &src) {
  std::vector<token> out;
  size_t i = 0, n = src.size();
  int line = 1;
  size_t line_begin = 0;
  bool at_start = true;
  auto col = [&](size_t p) { return int(p - line_begin) + 1; };
  auto push = [&](tok k, std::string text, char suffix, size_t p) {
    token t;
    t.kind = k;
    t.text = std::move(text);
    t.suffix = suffix;
    t.line = line;
    t.col = col(p);
    t.line_start = at_start;
    at_start = false;
    out.push_back(std::move(t));
  };
  auto skip_to_eol = [&]() { while (i < n && src[i] != '\n' && src[i] != '\r') i++; };
  while (i < n) {
    char c = src[i];
    if (c == '\r' || c == '\n') {
      push(tok::newline, "", 0, i);
      if (c == '\r' && i + 1 < n && src[i + 1] == '\n') i++;
      i++;
      line++;
      line_begin = i;
      at_start = true;
      continue;
    }
    if (c == ' ' || c == '\t') { i++; continue; }
    if (c == '\'') { skip_to_eol(); continue; }
    size_t start = i;
    if (std::isalpha((unsigned char)c) || (c == '_' && i + 1 < n && std::isalpha((unsigned char)src[i + 1]))) {
      std::string name;
      while (i < n && (std::isalnum((unsigned char)src[i]) || src[i] == '_' || src[i] == '.'))
        name += (char)std::toupper((unsigned char)src[i++]);
      char suffix = 0;
      if (i < n && is_suffix(src[i])) {
        // "A&H1" is not a thing, but "X&" is a LONG; a '&' directly followed by H/O/B and a
        // digit starts a literal instead.
        bool literal = src[i] == '&' && i + 2 < n && std::strchr("HhOoBb", src[i + 1]) &&
                       std::isxdigit((unsigned char)src[i + 2]);
        if (!literal) suffix = src[i++];
      }
      if (name == "REM" && !suffix) { skip_to_eol(); continue; }
      push(tok::ident, name, suffix, start);
      continue;
    }
    if (std::isdigit((unsigned char)c) || (c == '.' && i + 1 < n && std::isdigit((unsigned char)src[i + 1]))) {
      std::string num;
      while (i < n && std::isdigit((unsigned char)src[i])) num += src[i++];
      if (i < n && src[i] == '.') {
        num += src[i++];
        while (i < n && std::isdigit((unsigned char)src[i])) num += src[i++];
      }
      if (i < n && std::strchr("EeDd", src[i])) {
        size_t j = i + 1;
        if (j < n && (src[j] == '+' || src[j] == '-')) j++;
        if (j < n && std::isdigit((unsigned char)src[j])) {
          num += (char)std::toupper((unsigned char)src[i]);
          num.append(src, i + 1, j - i - 1);
          i = j;
          while (i < n && std::isdigit((unsigned char)src[i])) num += src[i++];
        }
      }
      char suffix = 0;
      if (i < n && is_suffix(src[i]) && src[i] != '$') suffix = src[i++];
      push(tok::number, num, suffix, start);
      continue;
    }
    if (c == '&' && i + 1 < n && std::strchr("HhOoBb", src[i + 1])) {
      char base = (char)std::toupper((unsigned char)src[i + 1]);
      std::string num = std::string("&") + base;
      i += 2;
      while (i < n && std::isalnum((unsigned char)src[i])) num += (char)std::toupper((unsigned char)src[i++]);
      char suffix = 0;
      if (i < n && (src[i] == '%' || src[i] == '&')) suffix = src[i++];
      push(tok::number, num, suffix, start);
      continue;
    }
    if (c == '"') {
      i++;
      std::string s;
      while (i < n && src[i] != '"' && src[i] != '\n' && src[i] != '\r') s += src[i++];
      if (i < n && src[i] == '"') i++;   // an unclosed string ends with its line
      push(tok::string, s, 0, start);
      continue;
    }
    if (c == '?') {
      i++;
      push(tok::ident, "PRINT", 0, start);
      continue;
    }
    static const char *two[] = {"<=", ">=", "<>", "=<", "=>", "><"};
    bool done = false;
    for (const char *t : two) {
      if (i + 1 < n && src[i] == t[0] && src[i + 1] == t[1]) {
        std::string op = t;
        if (op == "=<") op = "<=";
        if (op == "=>") op = ">=";
        if (op == "><") op = "<>";
        push(tok::op, op, 0, start);
        i += 2;
        done = true;
        break;
      }
    }
    if (done) continue;
    if (std::strchr("+-*/\\^=<>(),;:#", c)) {
      push(tok::op, std::string(1, c), 0, start);
      i++;
      continue;
    }
    std::string shown = std::isprint((unsigned char)c) ? std::string("'") + c + "'" : "character " + std::to_string((unsigned char)c);
    throw bas_error{line, col(i), "unexpected " + shown};
  }
  push(tok::newline, "", 0, i);
  push(tok::end, "", 0, i);
  return out;
}

}  // namespace bas
