// PNG writing on Windows (image/png_writer.h): stb_image_write's PNG encoder
// (Debian's libstb-dev, header-only, so it cross-builds) with zlib's deflate
// in place of stb's own (Debian's libz-mingw-w64-dev), at zlib's default
// level, as libpng uses on Linux. The pictures decode to the same pixels as
// the Linux build's; the bytes differ, as the two encoders choose their row
// filters differently. The pixels are turned top row first into a copy, as
// stb's own flip is a process-wide switch.
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "image/png_writer.h"

namespace {

// stb's compressor hook: the deflated bytes in memory stb frees with free().
unsigned char* deflateForStb(unsigned char* data, int length, int* outLength, int /*quality*/) {
  uLongf size = compressBound(static_cast<uLong>(length));
  auto* out = static_cast<unsigned char*>(std::malloc(size));
  if (!out) return nullptr;
  if (compress2(out, &size, data, static_cast<uLong>(length), Z_DEFAULT_COMPRESSION) != Z_OK) {
    std::free(out);
    return nullptr;
  }
  *outLength = static_cast<int>(size);
  return out;
}

}  // namespace

#define STBIW_ZLIB_COMPRESS deflateForStb
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {

void appendBytes(void* context, void* data, int size) {
  auto* bytes = static_cast<std::vector<unsigned char>*>(context);
  const auto* from = static_cast<const unsigned char*>(data);
  bytes->insert(bytes->end(), from, from + size);
}

}  // namespace

bool encodePngRgba(int width, int height, const unsigned char* bottomUpPixels,
                   std::vector<unsigned char>& bytes, std::vector<std::string>& messages) {
  bytes.clear();
  if (width <= 0 || height <= 0 || !bottomUpPixels || width > INT_MAX / 4) return false;
  const size_t stride = static_cast<size_t>(width) * 4;
  try {
    std::vector<unsigned char> topDown(stride * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
      const unsigned char* row = bottomUpPixels + stride * static_cast<size_t>(height - 1 - y);
      std::copy(row, row + stride, topDown.begin() + static_cast<std::ptrdiff_t>(stride * y));
    }
    if (stbi_write_png_to_func(appendBytes, &bytes, width, height, 4, topDown.data(),
                               static_cast<int>(stride)) == 0) {
      messages.push_back("PNG: could not encode the picture");
      bytes.clear();
      return false;
    }
  } catch (const std::bad_alloc&) {
    messages.push_back("PNG: out of memory");
    bytes.clear();
    return false;
  }
  return true;
}

bool writePngRgba(FILE* file, int width, int height, const unsigned char* bottomUpPixels,
                  std::vector<std::string>& messages) {
  if (!file) return false;
  std::vector<unsigned char> bytes;
  if (!encodePngRgba(width, height, bottomUpPixels, bytes, messages)) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fflush(file) != 0) {
    messages.push_back("PNG: could not write the file");
    return false;
  }
  return true;
}
