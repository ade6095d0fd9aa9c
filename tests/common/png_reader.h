// Reading the PNG files the runtime writes (8-bit RGB in stored deflate blocks), for tests
// that compare screen snapshots with golden images.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Decodes PNG bytes into 0x00RRGGBB pixels; false for anything else.
bool read_png(const std::string &bytes, std::vector<uint32_t> *rgb, int *w, int *h);
