// The bitmap font: a 16 x 16 glyph grid from "systemtex\font.tga", one display
// list per cell, and text mode in a fixed orthographic space.
#pragma once

#include <cstdint>

#include "image/image_data.h"

struct BitmapFont {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t alpha = 0;
  uint32_t listBase = 0;  // display list of cell 0
  ImageData image;        // textureName is the font texture
};

bool loadFont(BitmapFont& font);
// Reads the font's image as loadFont does, with the same messages, and
// releases it, without GL: a command that draws nothing starts up with the
// messages of one that draws.
void readFontImage();
bool buildGlyphLists(BitmapFont& font);
// Note the argument order: red, blue, green, alpha.
void setTextColour(BitmapFont& font, uint8_t red, uint8_t blue, uint8_t green, uint8_t alpha);
void beginText(const BitmapFont& font, int width, int height);
void printText(const BitmapFont& font, int x, int y, const char* text);
void endText();
