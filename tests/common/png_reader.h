// Reading PNG files (the runtime's snaps and the golden images) through libpng, for tests that
// compare screens with pictures.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Decodes PNG bytes into 0x00RRGGBB pixels; false for anything that is not a readable PNG.
bool read_png(const std::string &bytes, std::vector<uint32_t> *rgb, int *w, int *h);
