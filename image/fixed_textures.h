// The viewer's own three textures from the systemtex folder: environment map,
// checker (the fallback of materials whose MAT file fails) and the overlay's
// menu background.
#pragma once

#include "image/image_data.h"

struct FixedTextures {
  ImageData envMapTexture;    // "systemtex\envmap.tga"
  ImageData checkerTexture;   // "systemtex\checker.tga"
  ImageData menuBackTexture;  // "systemtex\menuback.tga"
};

// Reads and uploads the three images in the order envmap, checker, menu
// background, releasing each pixel buffer after its upload.
void loadFixedTextures(FixedTextures& textures);

// The three images read in loadFixedTextures' order, with its messages, and
// no GL: for the commands that draw nothing but still give failed materials
// the checker. The checker keeps its pixels (textureName stays 0); the other
// two are released once read. Free the checker's pixels with std::free.
void readFixedImages(FixedTextures& textures);
