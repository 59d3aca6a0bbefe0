// The TGA reader: uncompressed (type 2) and run-length encoded (type 10)
// true-colour images of 24 or 32 bits into an ImageData, blue-green-red turned
// into red-green-blue, rows kept in file order (the image descriptor is never
// consulted). Every failure shows its box and leaves no pixel buffer behind.
//
// All reads go through checks that cannot run past what the file holds, and a
// pixel buffer is never larger than the rest of the file could fill: a file
// that announces a huge image but holds few bytes fails with the message its
// read would end with, before anything is allocated.
#include "image/tga_reader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/resolve_path.h"
#include "platform/platform.h"

namespace {

const unsigned char kUncompressedTemplate[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const unsigned char kRleTemplate[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

const char kCaptionError[] = "ERROR";
const char kCaptionInvalid[] = "Invalid Image";

void showError(const char* text) {
  platformMessageBox(text, kCaptionError, kMbOk);
}

// What the 6-byte image header gives, once accepted.
struct TgaLayout {
  uint32_t bytesPerPixel = 0;
  uint64_t pixelCount = 0;
  uint64_t bufferSize = 0;
};

// Bytes between the stream's position and its end; false when the stream
// cannot tell (then no bound is applied).
bool remainingBytes(FILE* stream, uint64_t& remaining) {
  long here = std::ftell(stream);
  if (here < 0 || std::fseek(stream, 0, SEEK_END) != 0) return false;
  long end = std::ftell(stream);
  if (std::fseek(stream, here, SEEK_SET) != 0) return false;
  if (end < here) return false;
  remaining = static_cast<uint64_t>(end - here);
  return true;
}

// Reads the 6-byte image header into the record and checks it. On false the
// message has been shown and the stream closed.
bool readImageHeader(ImageData& image, FILE* stream, TgaLayout& layout) {
  unsigned char header[6];
  if (std::fread(header, 1, sizeof header, stream) != sizeof header) {
    showError("Could not read info header");
    std::fclose(stream);
    return false;
  }
  image.width = header[0] + 256u * header[1];
  image.height = header[2] + 256u * header[3];
  image.bitsPerPixel = header[4];
  if (image.width == 0 || image.height == 0 ||
      (image.bitsPerPixel != 24 && image.bitsPerPixel != 32)) {
    showError("Invalid texture information");
    std::fclose(stream);
    return false;
  }
  image.format = image.bitsPerPixel == 24 ? kGlRgb : kGlRgba;
  layout.bytesPerPixel = image.bitsPerPixel / 8;
  // At most 65535 x 65535 x 4: well inside 64 bits.
  layout.pixelCount = static_cast<uint64_t>(image.width) * image.height;
  layout.bufferSize = layout.pixelCount * layout.bytesPerPixel;
  return true;
}

// Allocates the pixel buffer; on false the message has been shown and the
// stream closed.
bool allocatePixels(ImageData& image, FILE* stream, const TgaLayout& layout) {
  if (layout.bufferSize > SIZE_MAX) {
    image.pixels = nullptr;
  } else {
    image.pixels = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(layout.bufferSize)));
  }
  if (!image.pixels) {
    showError("Could not allocate memory for image");
    std::fclose(stream);
    return false;
  }
  return true;
}

// Shows the message, releases the buffer, closes the stream: the common end
// of every failure behind the image header.
bool failBody(ImageData& image, FILE* stream, const char* message) {
  showError(message);
  std::free(image.pixels);
  image.pixels = nullptr;
  std::fclose(stream);
  return false;
}

// A read-ahead window over the stream for the packet decoder: take() hands
// out exactly the bytes asked for or reports that fewer remain.
struct PacketSource {
  FILE* stream = nullptr;
  unsigned char window[32768];
  size_t position = 0;
  size_t length = 0;
};

bool refill(PacketSource& source) {
  source.position = 0;
  source.length = std::fread(source.window, 1, sizeof source.window, source.stream);
  return source.length > 0;
}

inline bool take(PacketSource& source, unsigned char* out, size_t count) {
  if (source.length - source.position >= count) {
    std::memcpy(out, source.window + source.position, count);
    source.position += count;
    return true;
  }
  while (count > 0) {
    if (source.position == source.length && !refill(source)) return false;
    size_t available = source.length - source.position;
    size_t part = available < count ? available : count;
    std::memcpy(out, source.window + source.position, part);
    source.position += part;
    out += part;
    count -= part;
  }
  return true;
}

inline void storePixel(unsigned char*& out, const unsigned char* value, uint32_t bytesPerPixel) {
  out[0] = value[2];
  out[1] = value[1];
  out[2] = value[0];
  if (bytesPerPixel == 4) out[3] = value[3];
  out += bytesPerPixel;
}

// Decodes packets until pixelCount pixels have been produced. With out null
// the pixels are only counted. Returns null on success, else the message of
// the failure. The pixel-count test comes before every store.
const char* decodePackets(PacketSource& source, unsigned char* out, uint32_t bytesPerPixel,
                          uint64_t pixelCount) {
  uint64_t produced = 0;
  unsigned char value[4];
  while (produced < pixelCount) {
    unsigned char header;
    if (!take(source, &header, 1)) return "Could not read RLE header";
    uint64_t room = pixelCount - produced;
    if (header < 128) {
      uint32_t count = header + 1u;
      uint32_t fits = count <= room ? count : static_cast<uint32_t>(room);
      for (uint32_t i = 0; i < fits; ++i) {
        if (!take(source, value, bytesPerPixel)) return "Could not read image data";
        if (out) storePixel(out, value, bytesPerPixel);
      }
      produced += fits;
      if (fits < count) {
        // One more pixel value is read before the count test refuses it.
        if (!take(source, value, bytesPerPixel)) return "Could not read image data";
        return "Too many pixels read";
      }
    } else {
      uint32_t count = header - 127u;
      if (!take(source, value, bytesPerPixel)) return "Could not read from file";
      if (count > room) return "Too many pixels read";
      if (out) {
        for (uint32_t i = 0; i < count; ++i) storePixel(out, value, bytesPerPixel);
      }
      produced += count;
    }
  }
  return nullptr;
}

}  // namespace

bool loadTga(ImageData& image, const char* path) {
  FILE* stream = openResolved(path, "rb");
  if (!stream) {
    showError("Could not open texture file");
    return false;
  }
  unsigned char header[12];
  if (std::fread(header, 1, sizeof header, stream) != sizeof header) {
    showError("Could not read file header");
    std::fclose(stream);
    return false;
  }
  if (std::memcmp(header, kUncompressedTemplate, sizeof header) == 0) {
    return readTgaUncompressed(image, stream);
  }
  if (std::memcmp(header, kRleTemplate, sizeof header) == 0) {
    return readTgaRle(image, stream);
  }
  platformMessageBox("TGA file be type 2 or type 10 ", kCaptionInvalid, kMbOk);
  std::fclose(stream);
  return false;
}

bool readTgaUncompressed(ImageData& image, FILE* stream) {
  TgaLayout layout;
  if (!readImageHeader(image, stream, layout)) return false;
  uint64_t remaining = 0;
  if (remainingBytes(stream, remaining) && remaining < layout.bufferSize) {
    // The read below could only come up short.
    return failBody(image, stream, "Could not read image data");
  }
  if (!allocatePixels(image, stream, layout)) return false;
  size_t size = static_cast<size_t>(layout.bufferSize);
  if (std::fread(image.pixels, 1, size, stream) != size) {
    return failBody(image, stream, "Could not read image data");
  }
  unsigned char* pixel = image.pixels;
  unsigned char* end = image.pixels + size;
  for (; pixel < end; pixel += layout.bytesPerPixel) {
    unsigned char blue = pixel[0];
    pixel[0] = pixel[2];
    pixel[2] = blue;
  }
  std::fclose(stream);
  return true;
}

bool readTgaRle(ImageData& image, FILE* stream) {
  TgaLayout layout;
  if (!readImageHeader(image, stream, layout)) return false;
  PacketSource source;
  source.stream = stream;

  // A run packet turns 1 + bytesPerPixel bytes into at most 128 pixels; a
  // file too short to reach the pixel count even so is decoded without a
  // buffer, which ends in the same message the full read would give.
  uint64_t remaining = 0;
  long start = std::ftell(stream);
  if (start >= 0 && remainingBytes(stream, remaining) &&
      layout.pixelCount > remaining / (1 + layout.bytesPerPixel) * 128) {
    const char* failure = decodePackets(source, nullptr, layout.bytesPerPixel, layout.pixelCount);
    if (failure) return failBody(image, stream, failure);
    // The file grew while it was read: decode it for real from the start.
    if (std::fseek(stream, start, SEEK_SET) != 0) {
      return failBody(image, stream, "Could not read RLE header");
    }
    source.position = source.length = 0;
  }

  if (!allocatePixels(image, stream, layout)) return false;
  const char* failure =
      decodePackets(source, image.pixels, layout.bytesPerPixel, layout.pixelCount);
  if (failure) return failBody(image, stream, failure);
  std::fclose(stream);
  return true;
}
