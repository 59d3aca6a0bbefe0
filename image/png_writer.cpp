// PNG writing: libpng's setjmp error handling kept to one function that owns
// no C++ object, so a longjmp out of libpng skips no destructor. The row
// pointers are made before it, in the caller's frame, and nothing is thrown
// through libpng's C frames.
#include "image/png_writer.h"

#include <png.h>

#include <cstddef>
#include <new>

namespace {

// Where libpng's words go: the caller's lines.
struct PngTarget {
  std::vector<std::string>* messages = nullptr;
  std::vector<unsigned char>* bytes = nullptr;  // null: libpng writes the file itself
};

void note(png_structp png, png_const_charp message) {
  auto* target = static_cast<PngTarget*>(png_get_error_ptr(png));
  try {
    target->messages->push_back(std::string("PNG: ") + message);
  } catch (...) {
    // No room for the line: the failure still shows in the result.
  }
}

[[noreturn]] void failPng(png_structp png, png_const_charp message) {
  note(png, message);
  png_longjmp(png, 1);
}

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* target = static_cast<PngTarget*>(png_get_io_ptr(png));
  bool stored = true;
  try {
    target->bytes->insert(target->bytes->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    stored = false;
  }
  if (!stored) png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

bool writeRows(FILE* file, PngTarget& target, int width, int height, png_bytepp rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &target, failPng, note);
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
  if (target.bytes) {
    png_set_write_fn(png, &target, appendBytes, flushNothing);
  } else {
    png_init_io(png, file);
  }
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool writeTo(FILE* file, PngTarget& target, int width, int height,
             const unsigned char* bottomUpPixels) {
  if (width <= 0 || height <= 0 || !bottomUpPixels) return false;
  const size_t stride = static_cast<size_t>(width) * 4;
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    // libpng only reads the rows; its interface is not const.
    rows[static_cast<size_t>(y)] =
        const_cast<png_bytep>(bottomUpPixels + stride * static_cast<size_t>(height - 1 - y));
  }
  return writeRows(file, target, width, height, rows.data());
}

}  // namespace

bool writePngRgba(FILE* file, int width, int height, const unsigned char* bottomUpPixels,
                  std::vector<std::string>& messages) {
  if (!file) return false;
  PngTarget target;
  target.messages = &messages;
  if (!writeTo(file, target, width, height, bottomUpPixels)) return false;
  if (std::fflush(file) != 0 || std::ferror(file)) {
    messages.push_back("PNG: could not write the file");
    return false;
  }
  return true;
}

bool encodePngRgba(int width, int height, const unsigned char* bottomUpPixels,
                   std::vector<unsigned char>& bytes, std::vector<std::string>& messages) {
  bytes.clear();
  PngTarget target;
  target.messages = &messages;
  target.bytes = &bytes;
  return writeTo(nullptr, target, width, height, bottomUpPixels);
}
