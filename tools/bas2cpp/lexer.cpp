// The BASIC reader: identifiers with type suffixes, numbers, strings, operators, comments and
// their metacommands, DATA items and continued lines.
#include "lexer.h"
#include <algorithm>
#include <cctype>
#include <cstring>

namespace bas {

static bool is_suffix(char c) { return c == '%' || c == '&' || c == '!' || c == '#' || c == '$'; }

static bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::vector<token> lex(const std::string &src, bool keep_meta) {
  std::vector<token> out;
  size_t i = 0, n = std::min(src.size(), src.find('\x1a'));   // Ctrl-Z ends a DOS text file
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
  auto eol = [&](size_t p) { return p >= n || src[p] == '\n' || src[p] == '\r'; };
  auto skip_to_eol = [&]() { while (!eol(i)) i++; };
  // A comment from i on: dropped, but for a metacommand ("REM $DYNAMIC", "'$INCLUDE: 'f.bi'").
  auto comment = [&]() {
    size_t j = i;
    while (j < n && is_blank(src[j])) j++;
    if (keep_meta && j < n && src[j] == '$') {
      size_t at = j++;
      std::string word = "$";
      while (j < n && std::isalpha((unsigned char)src[j])) word += (char)std::toupper((unsigned char)src[j++]);
      if (word == "$DYNAMIC" || word == "$STATIC") {
        push(tok::meta, word, 0, at);
      } else if (word == "$INCLUDE") {
        while (j < n && is_blank(src[j])) j++;
        bool ok = j < n && src[j] == ':';
        if (ok) j++;
        while (ok && j < n && is_blank(src[j])) j++;
        ok = ok && j < n && src[j] == '\'';
        size_t name_at = ++j;
        while (ok && !eol(j) && src[j] != '\'') j++;
        if (!ok || eol(j) || j == name_at) throw bas_error{line, col(at), "expected $INCLUDE: 'file name'"};
        push(tok::meta, word, 0, at);
        push(tok::string, src.substr(name_at, j - name_at), 0, name_at);
      }
    }
    skip_to_eol();
  };
  // Where a statement may begin: DATA there takes the rest of the statement as raw items.
  auto statement_start = [&]() {
    if (out.empty()) return true;
    const token &b = out.back();
    return b.kind == tok::newline || (b.kind == tok::op && b.text == ":") || (b.kind == tok::number && b.line_start) ||
           (b.kind == tok::ident && !b.suffix && (b.text == "THEN" || b.text == "ELSE"));
  };
  // DATA items up to a ':' outside quotes or the end of the line, split at commas.
  auto data_items = [&]() {
    for (;;) {
      while (i < n && is_blank(src[i])) i++;
      size_t at = i;
      std::string v;
      bool quoted = i < n && src[i] == '"';
      if (quoted) {
        i++;
        while (!eol(i) && src[i] != '"') v += src[i++];
        if (i < n && src[i] == '"') i++;   // an unclosed string ends with its line
        while (i < n && is_blank(src[i])) i++;
        if (!eol(i) && src[i] != ',' && src[i] != ':') throw bas_error{line, col(i), "expected ',' after a quoted DATA item"};
      } else {
        while (!eol(i) && src[i] != ',' && src[i] != ':') v += src[i++];
        while (!v.empty() && is_blank(v.back())) v.pop_back();
      }
      push(tok::data, v, 0, at);
      out.back().quoted = quoted;
      if (i < n && src[i] == ',') { i++; continue; }
      return;
    }
  };
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
    if (is_blank(c)) { i++; continue; }
    if (c == '\'') { i++; comment(); continue; }
    // " _" ending a line continues the statement on the next one.
    if (c == '_' && i > line_begin && is_blank(src[i - 1])) {
      size_t j = i + 1;
      while (j < n && is_blank(src[j])) j++;
      if (eol(j)) {
        i = j;
        if (i < n) {
          if (src[i] == '\r' && i + 1 < n && src[i + 1] == '\n') i++;
          i++;
          line++;
          line_begin = i;
        }
        continue;
      }
    }
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
      if (name == "REM" && !suffix) { comment(); continue; }
      bool data = name == "DATA" && !suffix && statement_start();
      push(tok::ident, name, suffix, start);
      if (data) data_items();
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
    // A field of an array element or function result: A(2).X
    if (c == '.' && !out.empty() && out.back().kind == tok::op && out.back().text == ")" && i + 1 < n &&
        std::isalpha((unsigned char)src[i + 1])) {
      push(tok::op, ".", 0, start);
      i++;
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
