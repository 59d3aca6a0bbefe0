// The MAT texture reader: fixed-layout palette images expanded through the
// program's fixed 256-colour palette into 24-bit RGB.
#pragma once

#include <cstdio>

#include "image/image_data.h"

// matPalette[i] is the red, green and blue of palette index i.
extern const unsigned char matPalette[256][3];

// Reads the MAT file at path (backslashes are folder separators; see
// resolve_path.h; a relative path from folder when given, else from the
// current folder) into image. True only when the whole image was decoded; on
// false its message has been shown and image.pixels is null. Needs no GL.
bool loadMat(ImageData& image, const char* path, const char* folder = nullptr);

// Reads the rest of an open MAT file positioned right behind its signature;
// closes the stream on every path.
bool decodeMat(ImageData& image, FILE* stream);
