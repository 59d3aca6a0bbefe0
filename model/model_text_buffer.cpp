// The buffered reading of 3DO text files: blocks of the file read with fread,
// lines copied out with memchr, words and numbers taken byte by byte from a
// cursor. Each operation mirrors its stdio counterpart in
// model_text_stream.cpp line for line, with the block in place of the FILE.
#include "model/model_text_buffer.h"

#include <cstdlib>
#include <cstring>

#include "model/model_scan.h"

namespace {

constexpr size_t kBlockSize = 256 * 1024;

inline bool isSpace(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

void openModelTextBuffer(ModelTextBuffer& buffer, FILE* file, size_t blockSize) {
  if (blockSize == 0) blockSize = kBlockSize;
  buffer.file = file;
  buffer.data = static_cast<unsigned char*>(std::malloc(blockSize + 1));
  buffer.capacity = blockSize + 1;
  if (!buffer.data) {
    buffer.data = buffer.small;
    buffer.capacity = sizeof buffer.small;
  }
  buffer.position = buffer.data;
  buffer.end = buffer.data;
  buffer.ended = false;
  long start = std::ftell(file);
  buffer.dataOffset = start < 0 ? 0 : start;
}

void closeModelTextBuffer(ModelTextBuffer& buffer) {
  if (buffer.data != buffer.small) std::free(buffer.data);
  buffer.data = nullptr;
  buffer.position = nullptr;
  buffer.end = nullptr;
  buffer.file = nullptr;
}

bool refillModelTextBuffer(ModelTextBuffer& buffer) {
  if (buffer.ended || !buffer.data) return false;
  size_t keep = 0;
  if (buffer.end > buffer.data) {
    // The last byte delivered stays in front, where an unget finds it.
    buffer.dataOffset += (buffer.end - buffer.data) - 1;
    buffer.data[0] = buffer.end[-1];
    keep = 1;
  }
  size_t count = std::fread(buffer.data + keep, 1, buffer.capacity - keep, buffer.file);
  buffer.position = buffer.data + keep;
  buffer.end = buffer.position + count;
  if (count == 0) {
    buffer.ended = true;
    return false;
  }
  return true;
}

bool readRawModelLine(char* line, ModelTextBuffer& buffer) {
  size_t length = 0;
  while (length < 255) {
    if (buffer.position == buffer.end && !refillModelTextBuffer(buffer)) break;
    size_t available = static_cast<size_t>(buffer.end - buffer.position);
    if (available > 255 - length) available = 255 - length;
    const void* newline = std::memchr(buffer.position, '\n', available);
    size_t take =
        newline
            ? static_cast<size_t>(static_cast<const unsigned char*>(newline) - buffer.position) + 1
            : available;
    std::memcpy(line + length, buffer.position, take);
    buffer.position += take;
    length += take;
    if (newline) break;
  }
  if (length == 0) return false;
  line[length] = '\0';
  // As the stdio reading does after fgets: the string ends at its first NUL.
  length = std::strlen(line);
  if (length >= 2 && line[length - 2] == '\r' && line[length - 1] == '\n') {
    line[length - 2] = '\n';
    line[length - 1] = '\0';
  } else if (length == 255 && line[254] == '\r') {
    int next = modelBufferGet(buffer);
    if (next == '\n') {
      line[254] = '\n';
    } else {
      modelBufferUnget(buffer, next);
    }
  }
  return true;
}

bool readModelLine(char* line, ModelTextBuffer& buffer) {
  for (;;) {
    if (!readRawModelLine(line, buffer)) return false;
    const char* p = line;
    while (*p != '\0' && isSpace(static_cast<unsigned char>(*p))) ++p;
    if (*p != '\0' && *p != '#') return true;
  }
}

bool readStreamWord(ModelTextBuffer& buffer, char* word, size_t size) {
  int c = modelBufferGet(buffer);
  while (c != EOF && isSpace(c)) c = modelBufferGet(buffer);
  if (c == EOF) return false;
  size_t length = 0;
  while (c != EOF && !isSpace(c)) {
    if (length + 1 < size) word[length++] = static_cast<char>(c);
    c = modelBufferGet(buffer);
  }
  modelBufferUnget(buffer, c);
  if (size > 0) word[length] = '\0';
  return true;
}

void skipRestOfLine(ModelTextBuffer& buffer) {
  for (;;) {
    if (buffer.position == buffer.end && !refillModelTextBuffer(buffer)) return;
    const void* newline =
        std::memchr(buffer.position, '\n', static_cast<size_t>(buffer.end - buffer.position));
    if (newline) {
      buffer.position = static_cast<const unsigned char*>(newline) + 1;
      return;
    }
    buffer.position = buffer.end;
  }
}

int scanFaceHead(ModelTextBuffer& buffer, int32_t& material, int32_t& type, int32_t& cornerCount) {
  int materialValue = material;
  int typeValue = type;
  int cornerValue = cornerCount;
  int result = scanModelBufferFaceHead(buffer, &materialValue, &typeValue, &cornerValue);
  material = materialValue;
  type = typeValue;
  cornerCount = cornerValue;
  return result;
}

int scanCornerPair(ModelTextBuffer& buffer, int32_t& vertex, int32_t& texVertex) {
  int vertexValue = vertex;
  int texVertexValue = texVertex;
  int result = scanModelBufferCornerPair(buffer, &vertexValue, &texVertexValue);
  vertex = vertexValue;
  texVertex = texVertexValue;
  return result;
}

long long bufferRemaining(const ModelTextBuffer& buffer, long long size) {
  if (size < 0) return -1;
  long long remaining = size - modelBufferOffset(buffer);
  return remaining < 0 ? 0 : remaining;
}

long long streamSize(FILE* stream) {
  long start = std::ftell(stream);
  if (start < 0) return -1;
  if (std::fseek(stream, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(stream);
  if (std::fseek(stream, start, SEEK_SET) != 0) return -1;
  return end < 0 ? -1 : static_cast<long long>(end);
}
