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
