// Stream-level reading of 3DO text files with the standard buffered streams:
// fgets for lines (with the CR of a CRLF dropped, so that files written on
// any platform read alike) and fscanf for the face list's words and numbers,
// in which line ends, CRs included, are white space.
#include "tests/reference/model_text_stream.h"

#include <cctype>
#include <cstring>

bool readRawModelLine(char* buffer, FILE* stream) {
  if (!std::fgets(buffer, 256, stream)) return false;
  size_t length = std::strlen(buffer);
  if (length >= 2 && buffer[length - 2] == '\r' && buffer[length - 1] == '\n') {
    buffer[length - 2] = '\n';
    buffer[length - 1] = '\0';
  } else if (length == 255 && buffer[254] == '\r') {
    // The read stopped right behind a CR: when an LF follows, the pair is the
    // line end that text mode would have delivered as the 255th character.
    int next = std::getc(stream);
    if (next == '\n') {
      buffer[254] = '\n';
    } else if (next != EOF) {
      std::ungetc(next, stream);
    }
  }
  return true;
}

bool isIgnoredModelLine(const char* line) {
  while (*line != '\0' && std::isspace(static_cast<unsigned char>(*line))) ++line;
  return *line == '\0' || *line == '#';
}

bool readModelLine(char* buffer, FILE* stream) {
  do {
    if (!readRawModelLine(buffer, stream)) return false;
  } while (isIgnoredModelLine(buffer));
  return true;
}

bool readStreamWord(FILE* stream, char* word, size_t size) {
  int c = std::getc(stream);
  while (c != EOF && std::isspace(c)) c = std::getc(stream);
  if (c == EOF) return false;
  size_t length = 0;
  while (c != EOF && !std::isspace(c)) {
    if (length + 1 < size) word[length++] = static_cast<char>(c);
    c = std::getc(stream);
  }
  if (c != EOF) std::ungetc(c, stream);
  if (size > 0) word[length] = '\0';
  return true;
}

void skipRestOfLine(FILE* stream) {
  int c = std::getc(stream);
  while (c != EOF && c != '\n') c = std::getc(stream);
}

int scanFaceHead(FILE* stream, int32_t& material, int32_t& type, int32_t& cornerCount) {
  int materialValue = material;
  int typeValue = type;
  int cornerValue = cornerCount;
  int result =
      std::fscanf(stream, "%d 0x%d %*s %*s %*s %*s %d", &materialValue, &typeValue, &cornerValue);
  material = materialValue;
  type = typeValue;
  cornerCount = cornerValue;
  return result;
}

int scanCornerPair(FILE* stream, int32_t& vertex, int32_t& texVertex) {
  int vertexValue = vertex;
  int texVertexValue = texVertex;
  int result = std::fscanf(stream, "%d, %d", &vertexValue, &texVertexValue);
  vertex = vertexValue;
  texVertex = texVertexValue;
  return result;
}

long long streamRemaining(FILE* stream, long long size) {
  if (size < 0) return -1;
  long position = std::ftell(stream);
  if (position < 0) return -1;
  long long remaining = size - static_cast<long long>(position);
  return remaining < 0 ? 0 : remaining;
}
