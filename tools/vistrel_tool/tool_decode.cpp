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
#include "runner/batch.h"
#include "runner/options.h"
#include "runner/output_file.h"
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

// Writes the decoded image as a type-2 TGA into the open file; false when a
// write fails.
bool writeDecodedTga(const ImageData& image, FILE* file) {
  const uint32_t bytesPerPixel = image.bitsPerPixel / 8;
  const size_t rowSize = static_cast<size_t>(image.width) * bytesPerPixel;
  unsigned char header[kTgaHeaderSize];
  fillTgaHeader(header, image.width, image.height, image.bitsPerPixel);

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
  return ok;
}

}  // namespace

int runDecode(int argc, char** argv) {
  const ToolCommand command{"decode", printDecodeUsage};
  const char* output = nullptr;
  std::vector<const char*> inputs;
  const std::vector<ToolOption> options = {
      {"-o", nullptr, true, [&](const char*, const char* value, std::string& problem) {
         if (!value || output) {
           problem = "-o takes one output file";
           return false;
         }
         output = value;
         return true;
       }}};
  const int parsed = parseToolArguments(command, argc, argv, options, inputs);
  if (parsed == kToolHelpShown) return kToolOk;
  if (parsed != kToolOk) return parsed;
  if (inputs.size() > 1) return usageError(command, "only one IMAGE is taken");
  const char* input = inputs.empty() ? nullptr : inputs[0];
  if (!input || !output || output[0] == '\0' || input[0] == '\0') {
    return usageError(command, "IMAGE and -o OUT.tga are both needed");
  }

  ImageData image;
  bool decoded = endsWithMat(input) ? loadMat(image, input) : loadTga(image, input);
  if (!decoded) {
    std::fprintf(stderr, "vistrel-tool decode: could not decode %s\n", input);
    return kToolFailed;
  }
  std::string path;
  OutputFailure failure;
  int errorNumber = 0;
  const bool written =
      absolutePath(output, path) &&
      writeOutputFile(
          path, [&](FILE* file) { return writeDecodedTga(image, file); }, failure, errorNumber);
  std::free(image.pixels);
  if (!written) {
    std::fprintf(stderr, "vistrel-tool decode: could not write %s\n", output);
    return kToolFailed;
  }
  return kToolOk;
}
