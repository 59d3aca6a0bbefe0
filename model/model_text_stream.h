// The stream-level reading of 3DO text files: significant lines, and the
// words and numbers of a face list read straight from the stream. The model
// loader matches lines against its formats itself; everything that touches
// the FILE lives here, so that a faster reader can stand beside this one.
#pragma once

#include <cstdint>
#include <cstdio>

// Reads one physical line as text mode does: at most 255 characters into the
// 256-byte buffer, the line end kept, a CR right before LF dropped. False when
// nothing could be read because the file has ended (buffer unchanged).
bool readRawModelLine(char* buffer, FILE* stream);

// True when the line holds no word or its first word begins with "#".
bool isIgnoredModelLine(const char* line);

// Reads one whole word (a maximal run of non-white-space characters), keeping
// its first size - 1 characters in word. False at the end of the file.
bool readStreamWord(FILE* stream, char* word, size_t size);

// Consumes the rest of the current physical line, its LF included.
void skipRestOfLine(FILE* stream);

// The part of a face after its number: "%d 0x%d %s %s %s %s %d" into
// material, type (the digits after "0x", as a decimal number) and the corner
// count; the four words are not stored. Returns what fscanf returns.
int scanFaceHead(FILE* stream, int32_t& material, int32_t& type, int32_t& cornerCount);

// One corner pair "%d, %d". Returns what fscanf returns.
int scanCornerPair(FILE* stream, int32_t& vertex, int32_t& texVertex);

// Size of the open file in bytes, or -1 when it cannot be told (not seekable).
long long streamSize(FILE* stream);

// Bytes from the read position to the end of a file of the given size, or -1
// when unknown.
long long streamRemaining(FILE* stream, long long size);
