// Fuzz target of the MAT reader: each input is read as a file through
// loadMat, and its bytes behind the 5-byte signature through decodeMat on an
// in-memory stream. A successful read must hold exactly the image the file's
// fixed layout gives (size at bytes 116 and 120, indices from byte 140
// expanded through matPalette) and upload without GL reading past it; a
// failed one must leave no pixel buffer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "image/mat_reader.h"

namespace {

constexpr unsigned char kSignature[5] = {0x4D, 0x41, 0x54, 0x20, 0x32};

// What a successful read must hold for a file whose signature is followed by
// body (the bytes from offset 5 on).
void checkDecoded(const ImageData& image, const uint8_t* body, size_t size) {
  if (!image.pixels) fuzzFail("success without a pixel buffer");
  if (size < 117) fuzzFail("success on a file without its size block");
  const uint32_t width = body[111] | (body[112] << 8);   // file bytes 116, 117
  const uint32_t height = body[115] | (body[116] << 8);  // file bytes 120, 121
  if (image.width != width || image.height != height) fuzzFail("wrong image size");
  if (image.bitsPerPixel != 24 || image.format != kGlRgb) fuzzFail("wrong depth or format");
  const size_t count = static_cast<size_t>(width) * height;
  if (width == 0 || height == 0 || size < 135 + count) fuzzFail("success on a short file");
  for (size_t i = 0; i < count; ++i) {
    if (std::memcmp(image.pixels + 3 * i, matPalette[body[135 + i]], 3) != 0) {
      fuzzFail("pixel differs from its palette entry");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzEnterScratchFolder();
  fuzzCreateGl(16, 16);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzWriteFile("image.mat", data, size);
  ImageData fromFile;
  if (loadMat(fromFile, "image.mat")) {
    if (size < 5 || std::memcmp(data, kSignature, 5) != 0) fuzzFail("success without signature");
    checkDecoded(fromFile, data + 5, size - 5);
    // As the model reader uploads a material: 3 components, GL_RGB.
    fuzzUploadGuarded(fromFile, 3);
    std::free(fromFile.pixels);
  } else if (fromFile.pixels) {
    fuzzFail("failure left a pixel buffer");
  }

  // decodeMat on the bytes behind the signature, from memory.
  if (size >= 5) {
    static uint8_t emptyBody[1];
    const bool empty = size == 5;
    FILE* stream =
        fmemopen(empty ? emptyBody : const_cast<uint8_t*>(data + 5), empty ? 1 : size - 5, "rb");
    if (!stream) fuzzFail("fmemopen failed");
    // fmemopen refuses an empty buffer: an empty body is a stream at its end.
    if (empty) std::fgetc(stream);
    ImageData fromStream;
    if (decodeMat(fromStream, stream)) {
      checkDecoded(fromStream, data + 5, size - 5);
      std::free(fromStream.pixels);
    } else if (fromStream.pixels) {
      fuzzFail("failure left a pixel buffer");
    }
  }
  fuzzClearBoxes();
  return 0;
}
