// The screenshot writer: the window's picture as an uncompressed 32-bit TGA
// under the first free name of "screen000.tga" to "screen999.tga" in the
// current folder. It works silently and never overwrites anything: a name that
// exists in any form (even a file it cannot read) is taken, and the file is
// created exclusively.
#include "image/screenshot.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "image/tga_header.h"
#include "platform/files.h"
#include "platform/gl.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFirstNumber = 0;
constexpr int kLastNumber = 999;

void formatName(char (&name)[32], int number) {
  std::snprintf(name, sizeof name, "screen%03d.tga", number);
}

// True when nothing at all exists under the name (a dangling link or an
// entry that cannot be examined counts as existing).
bool nameIsFree(const char* name) {
  std::error_code error;
  fs::file_status status = fs::symlink_status(fs::u8path(name), error);
  return status.type() == fs::file_type::not_found;
}

// The first free number from first on, or -1 when all are taken.
int firstFreeNumber(int first) {
  char name[32];
  for (int number = first; number <= kLastNumber; ++number) {
    formatName(name, number);
    if (nameIsFree(name)) return number;
  }
  return -1;
}

}  // namespace

void saveScreenshot(int32_t windowWidth, int32_t windowHeight) {
  int number = firstFreeNumber(kFirstNumber);
  if (number < 0) return;

  // The header holds each side in 16 bits.
  if (windowWidth <= 0 || windowHeight <= 0 || windowWidth > 0xFFFF || windowHeight > 0xFFFF) {
    return;
  }
  const uint32_t width = static_cast<uint32_t>(windowWidth);
  const uint32_t height = static_cast<uint32_t>(windowHeight);
  const size_t size = static_cast<size_t>(width) * height * 4;

  unsigned char* pixels = static_cast<unsigned char*>(std::malloc(size));
  if (!pixels) return;
  glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA,
               GL_UNSIGNED_BYTE, pixels);
  for (size_t i = 0; i < size; i += 4) {
    unsigned char red = pixels[i];
    pixels[i] = pixels[i + 2];
    pixels[i + 2] = red;
  }

  // 00 00 02 then nine zeros: type 2, no image ID, no colour map, origin 0.
  unsigned char header[kTgaHeaderSize];
  fillTgaHeader(header, width, height, 32);

  // Exclusive creation; should the name have been taken since the probe, the
  // probing goes on behind it.
  FILE* file = nullptr;
  char name[32];
  while (number >= 0) {
    formatName(name, number);
    file = platformOpenFile(name, "wbx");
    if (file) break;
    if (nameIsFree(name)) {
      // Runtimes without the exclusive mode refuse "x" outright; the name is
      // still free, so plain creation is the closest they offer.
      file = platformOpenFile(name, "wb");
      break;
    }
    number = number < kLastNumber ? firstFreeNumber(number + 1) : -1;
  }
  if (file) {
    std::fwrite(header, 1, sizeof header, file);
    std::fwrite(pixels, 1, size, file);
    std::fclose(file);
  }
  std::free(pixels);
}
