// The bitmap font: the font texture from "systemtex\font.tga", one display
// list per cell of its 16 x 16 glyph grid, the text colour, and text mode (an
// orthographic space with additive blending, no culling, no depth test).
#include "overlay/bitmap_font.h"

#include <cstddef>
#include <cstdlib>

#include "image/tga_reader.h"
#include "platform/gl.h"

namespace {

// The font texture is made with three components. A 32-bit font image is
// packed down to RGB first, so its glyphs still show instead of every row
// being read a quarter short.
void packToRgb(ImageData& image) {
  if (!image.pixels || image.bitsPerPixel != 32) return;
  const std::size_t count = static_cast<size_t>(image.width) * image.height;
  for (std::size_t i = 0; i < count; ++i) {
    image.pixels[3 * i + 0] = image.pixels[4 * i + 0];
    image.pixels[3 * i + 1] = image.pixels[4 * i + 1];
    image.pixels[3 * i + 2] = image.pixels[4 * i + 2];
  }
  image.bitsPerPixel = 24;
  image.format = kGlRgb;
}

// Character codes that have a glyph: 32 to 127 (cells 0 to 95).
bool printable(char c) {
  const signed char code = static_cast<signed char>(c);
  return code >= 32;  // a signed byte is at most 127
}

const char* const kFontImage = "systemtex\\font.tga";

}  // namespace

bool loadFont(BitmapFont& font) {
  loadTga(font.image, kFontImage);
  packToRgb(font.image);
  uploadTexture(font.image, 3, GL_RGB);
  if (font.image.pixels) {
    std::free(font.image.pixels);
    font.image.pixels = nullptr;
  }
  buildGlyphLists(font);
  font.red = 255;
  font.green = 255;
  font.blue = 255;
  font.alpha = 255;
  return true;
}

void readFontImage() {
  ImageData image;
  loadTga(image, kFontImage);
  std::free(image.pixels);
}

bool buildGlyphLists(BitmapFont& font) {
  font.listBase = glGenLists(256);
  glBindTexture(GL_TEXTURE_2D, font.image.textureName);
  float h = 12.0f;
  for (int i = 0; i < 256; ++i) {
    const float cx = static_cast<float>(i % 16) / 16.0f;
    const float cy = static_cast<float>(i / 16) / 16.0f;
    const float w = 0.6f * h;
    glNewList(font.listBase + static_cast<GLuint>(i), GL_COMPILE);
    glBegin(GL_QUADS);
    glTexCoord2f(cx, 1.0f - cy);
    glVertex2f(0.0f, h);
    glTexCoord2f(cx + 0.0625f, 1.0f - cy);
    glVertex2f(w, h);
    glTexCoord2f(cx + 0.0625f, 0.9375f - cy);
    glVertex2f(w, 0.0f);
    glTexCoord2f(cx, 0.9375f - cy);
    glVertex2f(0.0f, 0.0f);
    glEnd();
    glTranslatef(w, 0.0f, 0.0f);
    glEndList();
    // The taller glyphs begin after cell 129.
    if (i > 128) h = 16.0f;
  }
  return true;
}

void setTextColour(BitmapFont& font, uint8_t red, uint8_t blue, uint8_t green, uint8_t alpha) {
  font.red = red;
  font.blue = blue;
  font.green = green;
  font.alpha = alpha;
}

void beginText(const BitmapFont& font, int width, int height) {
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, font.image.textureName);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, width, 0.0, height, -100.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
}

void printText(const BitmapFont& font, int x, int y, const char* text) {
  glColor4ub(font.red, font.green, font.blue, font.alpha);
  glPushMatrix();
  glLoadIdentity();
  glTranslated(x, y, 0.0);
  if (text && font.listBase != 0) {
    glListBase(font.listBase - 32);
    // Codes without a glyph draw nothing and do not move the pen. They are
    // left out of the list calls rather than sent, so they can never reach a
    // display list that something else made below the font's own.
    const char* run = text;
    while (*run) {
      while (*run && !printable(*run)) ++run;
      const char* end = run;
      while (*end && printable(*end)) ++end;
      if (end > run) glCallLists(static_cast<GLsizei>(end - run), GL_BYTE, run);
      run = end;
    }
  }
  glPopMatrix();
}

void endText() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_2D);
}
