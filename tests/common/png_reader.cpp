#include "png_reader.h"
#include <png.h>
#include <cstring>

bool read_png(const std::string &s, std::vector<uint32_t> *rgb, int *w, int *h) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, s.data(), s.size())) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> raw(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, raw.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  *w = (int)image.width;
  *h = (int)image.height;
  rgb->resize((size_t)*w * (size_t)*h);
  for (size_t i = 0; i < rgb->size(); i++)
    (*rgb)[i] = (uint32_t)raw[i * 3] << 16 | (uint32_t)raw[i * 3 + 1] << 8 | raw[i * 3 + 2];
  return true;
}
