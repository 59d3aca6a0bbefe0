// Fuzz target of the configuration file: each input is read line by line with
// readConfigLine from memory, and as "config.txt" through
// readBackgroundColour. Every delivered line must fit the 256-byte buffer and
// be significant (a word that does not begin with "#"); the colour read from
// the file must be the first significant line's "%f %f %f".
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/config_file.h"
#include "fuzz/fuzz_support.h"

namespace {

bool significant(const char* line) {
  while (*line && std::isspace(static_cast<unsigned char>(*line))) ++line;
  return *line != '\0' && *line != '#';
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzEnterScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char first[256] = {};
  bool haveFirst = false;
  if (size > 0) {
    FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (!stream) fuzzFail("fmemopen failed");
    // A guard byte behind the buffer shows a write past its 256 bytes even
    // where AddressSanitizer sees one stack object.
    char buffer[257];
    buffer[256] = 0x5A;
    size_t lines = 0;
    while (readConfigLine(buffer, stream)) {
      if (buffer[256] != 0x5A) fuzzFail("readConfigLine wrote past its 256 bytes");
      if (std::memchr(buffer, '\0', 256) == nullptr) fuzzFail("line without terminator");
      if (!significant(buffer)) fuzzFail("a blank or comment line was delivered");
      if (!haveFirst) {
        std::memcpy(first, buffer, sizeof first);
        haveFirst = true;
      }
      if (++lines > size) fuzzFail("more lines than bytes");
    }
    std::fclose(stream);
  }

  fuzzWriteFile("config.txt", data, size);
  float colour[3] = {-1, -1, -1};
  const bool found = readBackgroundColour("config.txt", colour);
  // Through a file, a NUL byte cuts a line short where the memory stream
  // does the same, so both must agree on whether a colour line exists.
  if (found != haveFirst) fuzzFail("file and stream disagree about the colour line");
  if (found) {
    float expected[3] = {0, 0, 0};
    std::sscanf(first, "%f %f %f", &expected[0], &expected[1], &expected[2]);
    for (int i = 0; i < 3; ++i) {
      const bool bothNan = colour[i] != colour[i] && expected[i] != expected[i];
      if (!bothNan && std::memcmp(&colour[i], &expected[i], sizeof(float)) != 0) {
        fuzzFail("colour differs from the colour line");
      }
    }
  }
  fuzzClearBoxes();
  return 0;
}
