// The 18-byte header of the uncompressed true-colour TGA files the program
// writes (screenshots, decoded images, offscreen renders): type 2, no image
// ID, no colour map, origin 0, descriptor 0 (bottom-left, no attribute bits).
#pragma once

#include <cstdint>

constexpr int kTgaHeaderSize = 18;

// Sides are written as 16-bit little-endian numbers; the caller keeps them
// within 1 to 65535.
void fillTgaHeader(unsigned char header[kTgaHeaderSize], uint32_t width, uint32_t height,
                   uint32_t bitsPerPixel);
