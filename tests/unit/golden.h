// Golden images: the write page, through its palette, compared with tests/data/<name>.png.
// With KEL_UPDATE_GOLDENS=1 in the environment the PNG is written instead (review it by eye).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

void expect_page_golden(const std::string &name);

// Reads a PNG written by the runtime's own writer (8-bit RGB, stored deflate blocks).
bool read_stored_png(const std::string &path, std::vector<uint32_t> *rgb, int *w, int *h);
// The write page as 0x00RRGGBB pixels (graphics pages only).
std::vector<uint32_t> page_rgb(int *w, int *h);
