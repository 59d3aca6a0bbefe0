// PNG writing for vistrel-tool, through libpng: 8-bit RGBA pictures as the
// colour buffer hands them over.
#pragma once

#include <cstdio>

// Writes width x height RGBA pixels (4 bytes each, rows packed, the bottom
// row first, as glReadPixels gives them) to the open file as a PNG with the
// top row first. False (with the reason on standard error) when libpng or
// the file fails; the file then holds a partial PNG, so the caller writes to
// a temporary file and renames it only on success.
bool writePngRgba(FILE* file, int width, int height, const unsigned char* bottomUpPixels);
