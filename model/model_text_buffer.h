// Fast reading of 3DO text files: the file is read in large blocks into a
// buffer, and lines, words and the face list's numbers are taken from it
// with a cursor that cannot run past what was read. Every operation gives
// exactly what its stdio counterpart (tests/reference/model_text_stream.h)
// gives: same bytes delivered, same bytes consumed, same end-of-file
// behaviour; the tests hold this reading against that one.
// Memory stays fixed: one block, whatever the size of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct ModelTextBuffer {
  FILE* file = nullptr;
  unsigned char* data = nullptr;  // block, with one byte kept in front for unget
  size_t capacity = 0;
  const unsigned char* position = nullptr;  // next byte to deliver
  const unsigned char* end = nullptr;       // end of the bytes read
  long long dataOffset = 0;                 // offset in the file of data[0]
  bool ended = false;                       // the file has delivered its last byte
  unsigned char small[4097];                // the block when a large one cannot be had
};

// Starts reading an open file from its current position. The buffer does
// not own the file; a small block serves when a large one cannot be had.
// blockSize 0 takes the usual size (tests pass tiny blocks).
void openModelTextBuffer(ModelTextBuffer& buffer, FILE* file, size_t blockSize = 0);
void closeModelTextBuffer(ModelTextBuffer& buffer);

// Refills the block once the cursor has reached its end; false at the end
// of the file. Keeps the last byte delivered so that it can be put back.
bool refillModelTextBuffer(ModelTextBuffer& buffer);

// The next byte, or EOF at the end of the file.
inline int modelBufferGet(ModelTextBuffer& buffer) {
  if (buffer.position == buffer.end && !refillModelTextBuffer(buffer)) return EOF;
  return *buffer.position++;
}

// Puts back the byte last delivered by modelBufferGet (nothing for EOF).
inline void modelBufferUnget(ModelTextBuffer& buffer, int c) {
  if (c != EOF) --buffer.position;
}

// Offset in the file of the next byte to be delivered.
inline long long modelBufferOffset(const ModelTextBuffer& buffer) {
  return buffer.dataOffset + (buffer.position - buffer.data);
}

// Like readRawModelLine: at most 255 characters into the 256-byte line,
// the line end kept, a CR right before LF dropped; false at the end of the
// file (line unchanged).
bool readRawModelLine(char* line, ModelTextBuffer& buffer);

// Like readModelLine: the next significant line.
bool readModelLine(char* line, ModelTextBuffer& buffer);

// Like readStreamWord and skipRestOfLine.
bool readStreamWord(ModelTextBuffer& buffer, char* word, size_t size);
void skipRestOfLine(ModelTextBuffer& buffer);

// Like scanFaceHead and scanCornerPair: the face list's numbers, with what
// fscanf returns.
int scanFaceHead(ModelTextBuffer& buffer, int32_t& material, int32_t& type, int32_t& cornerCount);
int scanCornerPair(ModelTextBuffer& buffer, int32_t& vertex, int32_t& texVertex);

// Bytes from the cursor to the end of a file of the given size, or -1 when
// unknown (like streamRemaining).
long long bufferRemaining(const ModelTextBuffer& buffer, long long size);

// Size of the open file in bytes, or -1 when it cannot be told (not seekable).
long long streamSize(FILE* stream);
