// The MAT reader: a 5-byte signature, two skipped blocks around a size block
// that holds the width and height, then one palette index byte per pixel,
// expanded through matPalette into tightly packed 24-bit RGB.
//
// Every read goes through fread with its count checked. The index bytes are
// read into the tail of the output buffer and expanded front to back, which
// never overwrites an index not yet expanded, so one allocation serves both.
// Nothing is allocated before it is known that the file can still provide
// every index byte: a small file claiming a huge image fails at once.
#include "image/mat_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/resolve_path.h"
#include "platform/platform.h"

namespace {

constexpr unsigned char kMatSignature[5] = {0x4D, 0x41, 0x54, 0x20, 0x32};
constexpr size_t kFirstBlockSize = 108;
constexpr size_t kSizeBlockSize = 9;
constexpr size_t kSecondBlockSize = 18;

bool failDecode(ImageData& image, FILE* stream, const char* message) {
  std::free(image.pixels);
  image.pixels = nullptr;
  std::fclose(stream);
  platformMessageBox(message, "ERROR", kMbOk);
  return false;
}

// Bytes left from the read position to the end of the file, or -1 when the
// stream cannot tell.
long long bytesLeft(FILE* stream) {
  long position = std::ftell(stream);
  if (position < 0 || std::fseek(stream, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(stream);
  if (std::fseek(stream, position, SEEK_SET) != 0 || end < 0) return -1;
  return end >= position ? static_cast<long long>(end - position) : 0;
}

}  // namespace

bool loadMat(ImageData& image, const char* path, const char* folder) {
  FILE* stream = openResolved(path, "rb", folder);
  if (!stream) {
    std::string message = "Could not open ";
    message += path ? path : "";
    message += ".\nUsing default texture.\n";
    platformMessageBox(message.c_str(), "ERROR", kMbOk);
    return false;
  }
  unsigned char signature[sizeof kMatSignature];
  if (std::fread(signature, sizeof signature, 1, stream) != 1) {
    std::fclose(stream);
    platformMessageBox("Could not read file header", "ERROR", kMbOk);
    return false;
  }
  if (std::memcmp(signature, kMatSignature, sizeof kMatSignature) != 0) {
    std::fclose(stream);
    platformMessageBox("Improper MAT file header found", "Invalid Image", kMbOk);
    return false;
  }
  return decodeMat(image, stream);
}

bool decodeMat(ImageData& image, FILE* stream) {
  image.pixels = nullptr;
  unsigned char block[kFirstBlockSize];
  if (std::fread(block, 1, kFirstBlockSize, stream) == 0) {
    return failDecode(image, stream, "Could not read dummy header");
  }
  unsigned char size[kSizeBlockSize];
  if (std::fread(size, kSizeBlockSize, 1, stream) != 1) {
    return failDecode(image, stream, "Could not read image size header");
  }
  image.width = static_cast<uint32_t>(size[3]) + 256u * size[4];
  image.height = static_cast<uint32_t>(size[7]) + 256u * size[8];
  image.bitsPerPixel = 24;
  if (std::fread(block, 1, kSecondBlockSize, stream) == 0) {
    return failDecode(image, stream, "Could not read 2nd dummy header");
  }
  if (image.width == 0 || image.height == 0) {
    return failDecode(image, stream, "Invalid texture information");
  }
  image.format = kGlRgb;

  // At most 65535 x 65535 indices: the counts fit 64 bits; the buffer size
  // must also fit size_t where that is narrower.
  uint64_t count = static_cast<uint64_t>(image.width) * image.height;
  uint64_t bytes = count * 3;
  long long left = bytesLeft(stream);
  if (left >= 0 && static_cast<uint64_t>(left) < count) {
    return failDecode(image, stream, "Could not read image data");
  }
  if (bytes > SIZE_MAX) return failDecode(image, stream, "Could not allocate memory for image");
  image.pixels = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(bytes)));
  if (!image.pixels) return failDecode(image, stream, "Could not allocate memory for image");

  unsigned char* indices = image.pixels + 2 * count;
  if (std::fread(indices, 1, static_cast<size_t>(count), stream) != count) {
    return failDecode(image, stream, "Could not read image data");
  }
  unsigned char* out = image.pixels;
  for (uint64_t i = 0; i < count; ++i) {
    const unsigned char* colour = matPalette[indices[i]];
    out[0] = colour[0];
    out[1] = colour[1];
    out[2] = colour[2];
    out += 3;
  }
  std::fclose(stream);
  return true;
}
