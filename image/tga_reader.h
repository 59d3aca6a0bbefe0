// The TGA reader: uncompressed (type 2) and run-length encoded (type 10)
// true-colour images of 24 or 32 bits, converted to RGB(A), rows unflipped.
#pragma once

#include <cstdio>

#include "image/image_data.h"

bool loadTga(ImageData& image, const char* path);
// Bodies of type 2 and type 10; each takes the stream right behind the first
// 12 bytes and closes it on every path.
bool readTgaUncompressed(ImageData& image, FILE* stream);
bool readTgaRle(ImageData& image, FILE* stream);
