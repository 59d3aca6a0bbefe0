// The heads-up display: the status bar with frame rate, camera and rotation,
// and the help page, on panels of the menu background image. It prints the
// numbers it is handed and knows nothing of the frame or the controls.
#pragma once

#include <cstdint>

#include "image/fixed_textures.h"
#include "overlay/bitmap_font.h"

// What the status bar and the help page show.
struct HudValues {
  int32_t fps = 0;
  float camera[3] = {0, 0, 0};
  float rotation[3] = {0, 0, 0};  // degrees
  bool helpVisible = false;
  bool lighting = true;  // lighting is on: switched off for the text, on again after
};

void drawHud(const HudValues& values, const FixedTextures& textures, const BitmapFont& font);
