// The header of the TGA files the program writes.
#include "image/tga_header.h"

void fillTgaHeader(unsigned char header[kTgaHeaderSize], uint32_t width, uint32_t height,
                   uint32_t bitsPerPixel) {
  for (int i = 0; i < kTgaHeaderSize; ++i) header[i] = 0;
  header[2] = 2;  // uncompressed true-colour
  header[12] = static_cast<unsigned char>(width & 0xFF);
  header[13] = static_cast<unsigned char>((width >> 8) & 0xFF);
  header[14] = static_cast<unsigned char>(height & 0xFF);
  header[15] = static_cast<unsigned char>((height >> 8) & 0xFF);
  header[16] = static_cast<unsigned char>(bitsPerPixel);
}
