// Fuzz target of the model text reading: the block-buffered reading and the
// scanf-compatible scanner (model/model_text_buffer.h, model/model_scan.h)
// against the C library's own stdio reading, which they must match exactly.
//
// One input: byte 0 picks the block size (1 to 64 bytes, so that every
// operation meets block ends), byte 1 how many operations follow as bytes,
// then the operation bytes, then the text, written as a file. The same
// operations run on the file through stdio and through the buffer; every
// result, every target, the file position and each delivered line scanned
// with each of the reader's line formats must agree bit for bit.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "model/model_reader.h"
#include "model/model_scan.h"
#include "model/model_text_buffer.h"
#include "tests/reference/model_text_stream.h"

namespace {

void same(bool equal, const char* what) {
  if (!equal) fuzzFail(what);
}

template <typename T>
bool bitsEqual(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Scans the line with one format through sscanf and scanModelLine; targets
// start alike and must end alike.
void compareLineScans(const char* line) {
  {
    int a = 77, b = 77;
    same(std::sscanf(line, "MATERIALS %d", &a) == scanModelLine(line, "MATERIALS %d", &b) && a == b,
         "MATERIALS %d");
  }
  {
    int a = 77, b = 77;
    same(std::sscanf(line, "HIERARCHY NODES %d", &a) ==
                 scanModelLine(line, "HIERARCHY NODES %d", &b) &&
             a == b,
         "HIERARCHY NODES %d");
  }
  {
    float a[3] = {1.5f, 2.5f, 3.5f}, b[3] = {1.5f, 2.5f, 3.5f};
    same(std::sscanf(line, "INSERT OFFSET %f %f %f", &a[0], &a[1], &a[2]) ==
                 scanModelLine(line, "INSERT OFFSET %f %f %f", &b[0], &b[1], &b[2]) &&
             bitsEqual(a, b),
         "INSERT OFFSET %f %f %f");
  }
  {
    char wa[256] = "x", wb[256] = "x";
    float a[3] = {1, 2, 3}, b[3] = {1, 2, 3};
    same(std::sscanf(line, "%255s %f %f %f", wa, &a[0], &a[1], &a[2]) ==
                 scanModelLine(line, "%255s %f %f %f", wb, &b[0], &b[1], &b[2]) &&
             std::strcmp(wa, wb) == 0 && bitsEqual(a, b),
         "%255s %f %f %f");
  }
  {
    // The rows' one-pass scan against sscanf with the formats it stands for.
    char wa[256] = "x", wb[256] = "x";
    float a[3] = {1, 2, 3}, b[3] = {1, 2, 3};
    same(std::sscanf(line, "%255s %f %f %f", wa, &a[0], &a[1], &a[2]) ==
                 scanModelLineWordFloats(line, wb, &b[0], &b[1], &b[2]) &&
             std::strcmp(wa, wb) == 0 && bitsEqual(a, b),
         "row of three");
    same(std::sscanf(line, "%255s %f %f", wa, &a[0], &a[1]) ==
                 scanModelLineWordFloats(line, wb, &b[0], &b[1], nullptr) &&
             std::strcmp(wa, wb) == 0 && bitsEqual(a, b),
         "row of two");
  }
  {
    char a[8][256] = {}, b[8][256] = {};
    char wa[256] = "", wb[256] = "";
    int ia[2] = {-1, -1}, ib[2] = {-1, -1};
    float fa[6] = {}, fb[6] = {};
    const char* format =
        "%255s %255s %255s %d %d %255s %255s %255s %f %f %f %255s %255s %255s %f %f %f";
    const int ra = std::sscanf(line, format, a[0], a[1], a[2], &ia[0], &ia[1], a[3], a[4], a[5],
                               &fa[0], &fa[1], &fa[2], a[6], a[7], wa, &fa[3], &fa[4], &fa[5]);
    const int rb = scanModelLine(line, format, b[0], b[1], b[2], &ib[0], &ib[1], b[3], b[4], b[5],
                                 &fb[0], &fb[1], &fb[2], b[6], b[7], wb, &fb[3], &fb[4], &fb[5]);
    same(ra == rb && std::memcmp(a, b, sizeof a) == 0 && std::strcmp(wa, wb) == 0 &&
             bitsEqual(ia, ib) && bitsEqual(fa, fb),
         "node format");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzEnterScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t blockSize = 1 + data[0] % 64;
  const size_t opCount = data[1] % 64;
  if (size < 2 + opCount) return 0;
  const uint8_t* ops = data + 2;
  fuzzWriteFile("text.3do", data + 2 + opCount, size - 2 - opCount);

  FILE* stream = std::fopen("text.3do", "r");
  FILE* file = std::fopen("text.3do", "r");
  if (!stream || !file) fuzzFail("cannot open the scratch text");
  ModelTextBuffer buffer;
  openModelTextBuffer(buffer, file, blockSize);

  // Operations cycle until both readers have met the end a few times.
  int ends = 0;
  for (size_t step = 0; step < 512 && ends < 4; ++step) {
    const uint8_t op = opCount > 0 ? ops[step % opCount] : static_cast<uint8_t>(step % 6);
    switch (op % 6) {
      case 0:
      case 1: {
        char a[256], b[256];
        std::memset(a, 'a', sizeof a);
        std::memset(b, 'a', sizeof b);
        const bool ra = op % 6 == 0 ? readRawModelLine(a, stream) : readModelLine(a, stream);
        const bool rb = op % 6 == 0 ? readRawModelLine(b, buffer) : readModelLine(b, buffer);
        same(ra == rb, "line read result");
        if (ra) {
          same(std::strcmp(a, b) == 0, "line read text");
          compareLineScans(a);
        } else {
          ++ends;
        }
        break;
      }
      case 2: {
        const size_t wordSize = (op >> 3) % 4 == 0 ? 256 : 1 + (op >> 3) % 8;
        char a[256], b[256];
        std::memset(a, 'w', sizeof a);
        std::memset(b, 'w', sizeof b);
        const bool ra = readStreamWord(stream, a, wordSize);
        const bool rb = readStreamWord(buffer, b, wordSize);
        same(ra == rb && std::memcmp(a, b, sizeof a) == 0, "word read");
        if (ra) {
          float fa = 0, fb = 0;
          char* endA = nullptr;
          fa = std::strtof(a, &endA);
          const bool converted = convertModelFloat(a, std::strlen(a), fb);
          if (converted && endA == a + std::strlen(a)) same(bitsEqual(fa, fb), "float conversion");
        } else {
          ++ends;
        }
        break;
      }
      case 3:
        skipRestOfLine(stream);
        skipRestOfLine(buffer);
        break;
      case 4: {
        int32_t a[3] = {5, 6, 7}, b[3] = {5, 6, 7};
        const int ra = scanFaceHead(stream, a[0], a[1], a[2]);
        const int rb = scanFaceHead(buffer, b[0], b[1], b[2]);
        same(ra == rb && bitsEqual(a, b), "face head");
        if (ra == EOF) ++ends;
        break;
      }
      case 5: {
        int32_t a[2] = {5, 6}, b[2] = {5, 6};
        const int ra = scanCornerPair(stream, a[0], a[1]);
        const int rb = scanCornerPair(buffer, b[0], b[1]);
        same(ra == rb && bitsEqual(a, b), "corner pair");
        if (ra == EOF) ++ends;
        break;
      }
    }
    same(std::ftell(stream) == modelBufferOffset(buffer), "file position");
  }
  closeModelTextBuffer(buffer);
  std::fclose(file);
  std::fclose(stream);
  return 0;
}
