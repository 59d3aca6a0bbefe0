// "config.txt": the background colour, from the first line that is neither
// blank nor a "#" comment.
#pragma once

#include <cstdio>

// Reads lines (at most 255 characters a read, into the caller's 256-byte
// buffer) until one holds a word that does not begin with "#"; true with that
// line in the buffer, false when the file ends first.
bool readConfigLine(char* buffer, FILE* file);

// Opens the file and reads its colour line as "%f %f %f" into red, green and
// blue (components the line does not give are 0). False, without a message,
// when the file cannot be opened or holds no colour line.
bool readBackgroundColour(const char* path, float colour[3]);
