// ImageData, the record every image of the program passes through, and
// uploadTexture, the one operation that turns a decoded image into a GL
// texture object.
#pragma once

#include <cstdint>

constexpr uint32_t kGlRgb = 0x1907;   // GL_RGB
constexpr uint32_t kGlRgba = 0x1908;  // GL_RGBA

struct ImageData {
  unsigned char* pixels = nullptr;  // malloc'd, tightly packed RGB(A), rows in file order
  uint32_t bitsPerPixel = 0;        // 24 or 32
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t textureName = 0;  // set only by uploadTexture
  uint32_t format = 0;       // kGlRgb or kGlRgba
};

// glGenTextures into textureName, bind, level 0 and the mipmap chain from
// pixels (both left out when pixels is null), GL_LINEAR for both filters.
// Leaves the texture bound; never frees pixels.
void uploadTexture(ImageData& image, int components, uint32_t format);
