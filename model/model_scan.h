// Formatted reading for the 3DO reader with exactly the results of the C
// library's scanf family as glibc gives them, for the directives the reader
// uses: white space, literal characters and the conversions %d, %f and %s
// with an optional "*" (no assignment) and field width. That means the same
// characters consumed (one character of push-back), the same targets
// assigned, the same result (EOF when the input ends before the first
// assignment), %d as strtol's value cut to int, and %f collected as glibc
// collects it (signs, "nan", "inf"/"infinity", hexadecimal numbers with "p"
// exponents, one decimal point) and converted with the bits strtof gives.
// Plain decimals take a fast exact path; everything else goes to strtof.
#pragma once

#include <cstdarg>

#include "model/model_text_buffer.h"

// Like sscanf on a NUL-terminated line.
int scanModelLine(const char* line, const char* format, ...);
int scanModelLineV(const char* line, const char* format, va_list arguments);

// Like scanModelLine(line, "%255s %f %f %f", word, first, second, third),
// or "%255s %f %f" when third is null: a row of the reader's lists, read in
// one pass when it holds one word and plain decimal numbers.
int scanModelLineWordFloats(const char* line, char* word, float* first, float* second,
                            float* third);

// Like fscanf on the buffered file.
int scanModelBuffer(ModelTextBuffer& buffer, const char* format, ...);

// Like scanModelBuffer(buffer, "%d 0x%d %*s %*s %*s %*s %d", ...) and
// scanModelBuffer(buffer, "%d, %d", ...): the face list's numbers, read in
// one pass when they are plain and already in the block.
int scanModelBufferFaceHead(ModelTextBuffer& buffer, int* material, int* type, int* corners);
int scanModelBufferCornerPair(ModelTextBuffer& buffer, int* vertex, int* texVertex);

// The float strtof gives for text (NUL-terminated, length characters) and
// whether it converted anything; text is what %f collects.
bool convertModelFloat(const char* text, size_t length, float& value);
