// writePngRgba: libpng's writing with its setjmp error handling kept to one
// function that owns no C++ object, so a longjmp out of libpng skips no
// destructor. The row pointers are made before it, in the caller's frame.
#include "tools/vistrel_tool/tool_png.h"

#include <png.h>

#include <cstddef>
#include <vector>

#include "tools/vistrel_tool/tool_batch.h"

namespace {

// A line of the model in hand (tool_batch.h); nothing may be thrown through
// libpng's C frames.
void onPngError(png_structp, png_const_charp message) {
  try {
    toolMessage("vistrel-tool: PNG: %s", message);
  } catch (...) {
    std::fprintf(stderr, "vistrel-tool: PNG: %s\n", message);
  }
}

[[noreturn]] void failPng(png_structp png, png_const_charp message) {
  onPngError(png, message);
  png_longjmp(png, 1);
}

void onPngWarning(png_structp png, png_const_charp message) {
  onPngError(png, message);
}

bool writeRows(FILE* file, int width, int height, png_bytepp rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failPng, onPngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool writePngRgba(FILE* file, int width, int height, const unsigned char* bottomUpPixels) {
  if (!file || width <= 0 || height <= 0 || !bottomUpPixels) return false;
  const size_t stride = static_cast<size_t>(width) * 4;
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    // libpng only reads the rows; its interface is not const.
    rows[static_cast<size_t>(y)] =
        const_cast<png_bytep>(bottomUpPixels + stride * static_cast<size_t>(height - 1 - y));
  }
  if (!writeRows(file, width, height, rows.data())) return false;
  if (std::fflush(file) != 0 || std::ferror(file)) {
    toolMessage("vistrel-tool: PNG: could not write the file");
    return false;
  }
  return true;
}
