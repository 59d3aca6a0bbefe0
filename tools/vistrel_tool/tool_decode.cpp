// vistrel-tool decode: reads one image with the viewer's own readers (the MAT
// reader for names ending in .mat in any case, the TGA reader for every other
// name) and writes the decoded buffer as an uncompressed type-2 TGA of the
// same width, height and depth: blue, green, red (and alpha) per pixel, rows
// in buffer order, image descriptor 0. Reading that file back with the TGA
// reader gives the very same buffer. No GL context is needed.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/mat_reader.h"
#include "image/tga_header.h"
#include "image/tga_reader.h"
#include "tools/vistrel_tool/tool.h"

namespace {

void printDecodeUsage(FILE* out) {
  std::fprintf(out,
               "usage: vistrel-tool decode IMAGE -o OUT.tga\n"
               "\n"
               "Decodes IMAGE with the viewer's own readers and writes it as an uncompressed\n"
               "TGA (type 2) of the same width, height and depth, rows in the decoded order.\n"
               "IMAGE ending in .mat (any case) is read as a MAT texture through the fixed\n"
               "palette (24 bits); any other name is read as a TGA image (types 2 and 10,\n"
               "24 or 32 bits). Reader messages appear on standard error.\n"
               "\n"
               "exit status: 0 written, 1 decode or write failed, 2 usage error\n");
}

bool endsWithMat(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".mat";
}

// Writes the decoded image as a type-2 TGA; false when the file cannot be
// written whole.
bool writeDecodedTga(const ImageData& image, const char* path) {
  const uint32_t bytesPerPixel = image.bitsPerPixel / 8;
  const size_t rowSize = static_cast<size_t>(image.width) * bytesPerPixel;
  unsigned char header[kTgaHeaderSize];
  fillTgaHeader(header, image.width, image.height, image.bitsPerPixel);

  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
  std::vector<unsigned char> row(rowSize);
  const unsigned char* source = image.pixels;
  for (uint32_t y = 0; ok && y < image.height; ++y) {
    for (size_t x = 0; x < rowSize; x += bytesPerPixel) {
      row[x] = source[x + 2];
      row[x + 1] = source[x + 1];
      row[x + 2] = source[x];
      if (bytesPerPixel == 4) row[x + 3] = source[x + 3];
    }
    ok = std::fwrite(row.data(), 1, rowSize, file) == rowSize;
    source += rowSize;
  }
  if (std::fclose(file) != 0) ok = false;
  return ok;
}

}  // namespace

int runDecode(int argc, char** argv) {
  const char* input = nullptr;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      printDecodeUsage(stdout);
      return kToolOk;
    }
    if (std::strcmp(arg, "-o") == 0) {
      if (i + 1 >= argc || output) {
        std::fprintf(stderr, "vistrel-tool decode: -o takes one output file\n");
        printDecodeUsage(stderr);
        return kToolUsage;
      }
      output = argv[++i];
      continue;
    }
    if (arg[0] == '-' && arg[1] != '\0') {
      std::fprintf(stderr, "vistrel-tool decode: unknown option '%s'\n", arg);
      printDecodeUsage(stderr);
      return kToolUsage;
    }
    if (input) {
      std::fprintf(stderr, "vistrel-tool decode: only one IMAGE is taken\n");
      printDecodeUsage(stderr);
      return kToolUsage;
    }
    input = arg;
  }
  if (!input || !output || output[0] == '\0' || input[0] == '\0') {
    std::fprintf(stderr, "vistrel-tool decode: IMAGE and -o OUT.tga are both needed\n");
    printDecodeUsage(stderr);
    return kToolUsage;
  }

  ImageData image;
  bool decoded = endsWithMat(input) ? loadMat(image, input) : loadTga(image, input);
  if (!decoded) {
    std::fprintf(stderr, "vistrel-tool decode: could not decode %s\n", input);
    return kToolFailed;
  }
  bool written = writeDecodedTga(image, output);
  std::free(image.pixels);
  if (!written) {
    std::fprintf(stderr, "vistrel-tool decode: could not write %s\n", output);
    return kToolFailed;
  }
  return kToolOk;
}
