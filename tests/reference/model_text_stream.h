// The stream-level reading of 3DO text files for the reference reader:
// significant lines, and the words and numbers of a face list read straight
// from the stream with fgets, fscanf and getc. model/model_text_buffer.h has
// the same operations over the product's block buffer.
#pragma once

#include <cstdint>
#include <cstdio>

// Reads one physical line as text mode does: at most 255 characters into the
// 256-byte buffer, the line end kept, a CR right before LF dropped. False when
// nothing could be read because the file has ended (buffer unchanged).
bool readRawModelLine(char* buffer, FILE* stream);

// True when the line holds no word or its first word begins with "#".
bool isIgnoredModelLine(const char* line);

// Delivers the next significant line (not blank, first word not beginning
// with "#") into the 256-byte buffer, at most 255 characters a read, its line
// end kept. A CR right before LF is dropped. False at the end of the file.
bool readModelLine(char* buffer, FILE* stream);

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

// Bytes from the read position to the end of a file of the given size, or -1
// when unknown.
long long streamRemaining(FILE* stream, long long size);
