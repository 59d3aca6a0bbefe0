// Fuzz target of the TGA reader: each input is read as a file through
// loadTga, which picks the uncompressed or the run-length body from the
// header. A successful read must equal what a small independent decoder
// makes of the same bytes and upload without GL reading past it; a failed
// one must leave no pixel buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "image/tga_reader.h"

namespace {

constexpr unsigned char kType2[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr unsigned char kType10[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Decodes the accepted kinds of TGA file into tightly packed RGB(A); false for
// anything the reader must refuse.
bool referenceDecode(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height,
                     uint32_t& bits, std::vector<uint8_t>& out) {
  if (size < 18) return false;
  const bool rle = std::memcmp(data, kType10, 12) == 0;
  if (!rle && std::memcmp(data, kType2, 12) != 0) return false;
  width = data[12] | (data[13] << 8);
  height = data[14] | (data[15] << 8);
  bits = data[16];
  if (width == 0 || height == 0 || (bits != 24 && bits != 32)) return false;
  const size_t depth = bits / 8;
  const size_t count = static_cast<size_t>(width) * height;
  // The decoded image can be at most 128 pixels per 4 input bytes; larger
  // claims fail before any reference buffer is made.
  if (count > size * 128) return false;
  out.assign(count * depth, 0);
  size_t at = 18;
  auto store = [&](size_t pixel, const uint8_t* value) {
    out[pixel * depth] = value[2];
    out[pixel * depth + 1] = value[1];
    out[pixel * depth + 2] = value[0];
    if (depth == 4) out[pixel * depth + 3] = value[3];
  };
  if (!rle) {
    if (size - at < count * depth) return false;
    for (size_t i = 0; i < count; ++i) store(i, data + at + i * depth);
    return true;
  }
  size_t produced = 0;
  while (produced < count) {
    if (at >= size) return false;
    const uint8_t header = data[at++];
    const size_t n = (header & 0x7F) + 1u;
    if (header < 128) {
      for (size_t k = 0; k < n; ++k) {
        if (size - at < depth || produced == count) return false;
        store(produced++, data + at);
        at += depth;
      }
    } else {
      if (size - at < depth) return false;
      const uint8_t* value = data + at;
      at += depth;
      for (size_t k = 0; k < n; ++k) {
        if (produced == count) return false;
        store(produced++, value);
      }
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzEnterScratchFolder();
  fuzzCreateGl(16, 16);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzWriteFile("image.tga", data, size);
  ImageData image;
  const bool read = loadTga(image, "image.tga");
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bits = 0;
  std::vector<uint8_t> expected;
  const bool valid = referenceDecode(data, size, width, height, bits, expected);
  if (read != valid) fuzzFail(read ? "reader accepted a bad file" : "reader refused a good file");
  if (read) {
    if (!image.pixels) fuzzFail("success without a pixel buffer");
    if (image.width != width || image.height != height || image.bitsPerPixel != bits ||
        image.format != (bits == 32 ? kGlRgba : kGlRgb)) {
      fuzzFail("wrong size, depth or format");
    }
    if (std::memcmp(image.pixels, expected.data(), expected.size()) != 0) {
      fuzzFail("pixels differ from the reference decoding");
    }
    // As the fixed textures upload: bitsPerPixel / 8 components and the format.
    fuzzUploadGuarded(image, static_cast<int>(image.bitsPerPixel / 8));
    std::free(image.pixels);
  } else if (image.pixels) {
    fuzzFail("failure left a pixel buffer");
  }
  fuzzClearBoxes();
  return 0;
}
