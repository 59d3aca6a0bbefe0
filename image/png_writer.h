// PNG writing: 8-bit RGBA pictures laid out as the colour buffer hands them
// over (rows packed, the bottom row first), written with the top row first.
// Used for thumbnails and exported textures. One interface, two encoders:
// libpng on Linux (png_writer.cpp), stb_image_write on Windows
// (png_writer_stb.cpp); their pictures decode to the same pixels.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Writes width x height RGBA pixels to the open file as a PNG. False when
// the encoder or the file fails; the encoder's own words (warnings too) are appended
// to messages, as "PNG: ..." lines. The file then holds a partial PNG, so
// the caller writes beside its target and renames only on success.
bool writePngRgba(FILE* file, int width, int height, const unsigned char* bottomUpPixels,
                  std::vector<std::string>& messages);
// The same PNG, byte for byte, into bytes (replaced).
bool encodePngRgba(int width, int height, const unsigned char* bottomUpPixels,
                   std::vector<unsigned char>& bytes, std::vector<std::string>& messages);
