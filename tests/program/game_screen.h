// Reading the game's screen from a driver: text dumps as cells, the bars from a snapshot.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A text dump split into cells, so columns count characters rather than UTF-8 bytes.
struct screen_cells {
  std::vector<std::vector<std::string>> rows;
  explicit screen_cells(const std::vector<std::string> &lines) {
    for (const std::string &l : lines) {
      std::vector<std::string> row;
      for (size_t i = 0; i < l.size();) {
        unsigned char c = (unsigned char)l[i];
        size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        row.push_back(l.substr(i, n));
        i += n;
      }
      rows.push_back(std::move(row));
    }
  }
  bool empty() const { return rows.empty(); }
  std::string text(int row, int col, int n = 1000) const {
    std::string out;
    if (row < 1 || row > (int)rows.size()) return out;
    for (int c = col; c < col + n && c <= (int)rows[row - 1].size(); c++) out += rows[row - 1][c - 1];
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
  }
  bool shows(const std::string &what) const {
    for (size_t r = 1; r <= rows.size(); r++)
      if (text((int)r, 1).find(what) != std::string::npos) return true;
    return false;
  }
  // The whole number printed at (row, col) in the PRINT format (a sign place first).
  int number(int row, int col) const {
    std::string t = text(row, col, 12);
    size_t p = t.find_first_not_of(' ');
    if (p == std::string::npos) return -1;
    size_t e = t.find_first_not_of("-0123456789", p);
    std::string digits = t.substr(p, e == std::string::npos ? std::string::npos : e - p);
    return digits.empty() || digits == "-" ? -1 : std::stoi(digits);
  }
};

// A bar's value from a 320x200 .bmp snapshot: the bar covers x0..x0+value on row y.
inline int bar_value(const std::string &bmp, int x0, int y) {
  if (bmp.size() < 54) return -1;
  auto word = [&](int at) { return (int)((uint8_t)bmp[at] | (uint8_t)bmp[at + 1] << 8); };
  int w = word(18), h = word(22), stride = (w * 3 + 3) & ~3;
  if (w != 320 || h != 200) return -1;
  auto px = [&](int x) {
    size_t p = 54 + (size_t)(h - 1 - y) * stride + (size_t)x * 3;
    return p + 2 < bmp.size() ? (uint32_t)(uint8_t)bmp[p] | (uint8_t)bmp[p + 1] << 8 | (uint32_t)(uint8_t)bmp[p + 2] << 16
                              : 0xFFFFFFFFu;
  };
  uint32_t c = px(x0);
  if (c == 0) return 0;
  int x = x0;
  while (x + 1 < w && px(x + 1) == c) x++;
  return x - x0;
}

