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

// Like fscanf on the buffered file.
int scanModelBuffer(ModelTextBuffer& buffer, const char* format, ...);

// The float strtof gives for text (NUL-terminated, length characters) and
// whether it converted anything; text is what %f collects.
bool convertModelFloat(const char* text, size_t length, float& value);
