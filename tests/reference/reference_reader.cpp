// loadModelReference: the product's loading steps over fgets, sscanf and
// fscanf on the standard buffered stream.
#include "tests/reference/reference_reader.h"

#include <cstdarg>
#include <cstdio>

#include "model/model_loader.h"
#include "tests/reference/model_text_stream.h"

namespace {

// The text access of the reference: fgets-based lines, sscanf on them, and
// fscanf and getc on the stream for the face list.
struct StdioText {
  static constexpr const char* kOpenMode = "r";
  FILE* file = nullptr;
  void open(FILE* stream) { file = stream; }
  void close() {}
  bool line(char* buffer) { return readModelLine(buffer, file); }
  int scan(const char* line, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    int result = std::vsscanf(line, format, arguments);
    va_end(arguments);
    return result;
  }
  // "%255s %f %f %f", or "%255s %f %f" when third is null.
  int rowScan(const char* line, char* word, float* first, float* second, float* third) {
    return third ? std::sscanf(line, "%255s %f %f %f", word, first, second, third)
                 : std::sscanf(line, "%255s %f %f", word, first, second);
  }
  bool word(char* word, size_t size) { return readStreamWord(file, word, size); }
  void skipRest() { skipRestOfLine(file); }
  int faceHead(int32_t& material, int32_t& type, int32_t& corners) {
    return scanFaceHead(file, material, type, corners);
  }
  int cornerPair(int32_t& vertex, int32_t& texVertex) {
    return scanCornerPair(file, vertex, texVertex);
  }
  long long remaining(long long size) { return streamRemaining(file, size); }
};

}  // namespace

bool loadModelReference(Model& model, const char* path, std::string* reportCopy) {
  return model_loader::loadWith<StdioText>(model, path, reportCopy);
}
