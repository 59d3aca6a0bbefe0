// The bitmap font and the HUD on real Mesa. The test font gives every glyph
// cell its own colour, so the picture can be read back as text: each glyph's
// centre pixel names its cell. That checks cells, pen positions, advances,
// the status and help texts and the overlay space in one go.
#include <cstdio>
#include <string>

#include "overlay/bitmap_font.h"
#include "overlay/hud.h"
#include "tests/render/render_fixture.h"

namespace {

constexpr int kFontSize = 256;  // 16 x 16 cells of 16 x 16 texels
constexpr int kWhiteCell = 95;  // code 127: a plain white cell

// Cell i's colour: red from its column, green from its row, blue 255.
Rgba cellColour(int cell) {
  if (cell == kWhiteCell) return Rgba{255, 255, 255, 255};
  return Rgba{8 + 16 * (cell % 16), 8 + 16 * (cell / 16), 255, 255};
}

// The font image, rows in memory order: the first row is the bottom of the
// image (t = 0), so cell row 0 lies in the last 16 rows.
std::vector<unsigned char> fontPixels(int channels) {
  std::vector<unsigned char> pixels;
  for (int row = 0; row < kFontSize; ++row) {
    const int cellRow = (kFontSize - 1 - row) / 16;
    for (int column = 0; column < kFontSize; ++column) {
      Rgba c = cellColour(cellRow * 16 + column / 16);
      pixels.push_back(static_cast<unsigned char>(c.r));
      pixels.push_back(static_cast<unsigned char>(c.g));
      pixels.push_back(static_cast<unsigned char>(c.b));
      if (channels == 4) pixels.push_back(77);
    }
  }
  return pixels;
}

// A 24- or 32-bit uncompressed TGA file, rows in the given order, BGR(A).
std::string tgaFile(int width, int height, int channels, const std::vector<unsigned char>& rgb) {
  std::string bytes(18, '\0');
  bytes[2] = 2;
  bytes[12] = static_cast<char>(width & 0xFF);
  bytes[13] = static_cast<char>(width >> 8);
  bytes[14] = static_cast<char>(height & 0xFF);
  bytes[15] = static_cast<char>(height >> 8);
  bytes[16] = static_cast<char>(channels * 8);
  for (size_t i = 0; i < rgb.size(); i += channels) {
    bytes.push_back(static_cast<char>(rgb[i + 2]));
    bytes.push_back(static_cast<char>(rgb[i + 1]));
    bytes.push_back(static_cast<char>(rgb[i]));
    if (channels == 4) bytes.push_back(static_cast<char>(rgb[i + 3]));
  }
  return bytes;
}

// Reads the text printed with its pen at (x, y) back from the picture,
// glyph by glyph, until a glyph position shows no cell colour.
std::string readText(int x, int y, size_t limit = 200) {
  std::string text;
  for (size_t k = 0; k < limit; ++k) {
    const double centre = x + 7.2 * static_cast<double>(k) + 3.6;
    if (centre >= 640) break;
    Rgba c = readPixel(static_cast<int>(centre), y + 6);
    if (std::abs(c.b - 255) > 1) break;
    const int column = (c.r - 8 + 8) / 16;
    const int row = (c.g - 8 + 8) / 16;
    if (std::abs(c.r - (8 + 16 * column)) > 1 || std::abs(c.g - (8 + 16 * row)) > 1) break;
    text.push_back(static_cast<char>(row * 16 + column + 32));
  }
  return text;
}

class TextOverlayTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    setFixedGlState(0, 0, 0);
    // Lists made before the font, so names below the font's first list exist.
    foreignLists_ = glGenLists(64);
    for (GLuint i = 0; i < 64; ++i) {
      glNewList(foreignLists_ + i, GL_COMPILE);
      glDisable(GL_TEXTURE_2D);
      glColor3f(1, 0, 0);
      glRecti(-1000, -1000, 1000, 1000);
      glEndList();
    }
    font_.image = makeTexture(kFontSize, kFontSize, fontPixels(3));
    buildGlyphLists(font_);
    setTextColour(font_, 255, 255, 255, 255);
    // Menu background: fully transparent unless a test says otherwise.
    textures_.menuBackTexture = makeTexture(1, 1, {0, 160, 0, 0}, true);
  }
  void clear() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }
  void print(int x, int y, const char* text) {
    beginText(font_, 640, 480);
    printText(font_, x, y, text);
    endText();
  }
  bool blankPicture() {
    std::vector<unsigned char> pixels = readPicture(640, 480);
    for (size_t i = 0; i < pixels.size(); i += 4) {
      if (pixels[i] || pixels[i + 1] || pixels[i + 2]) return false;
    }
    return true;
  }
  GLuint foreignLists_ = 0;
  BitmapFont font_;
  FixedTextures textures_;
  FrameRate frameRate_;
};

TEST_F(TextOverlayTest, GlyphOfAIsCell33OnA7Point2By12QuadAndAdvances) {
  clear();
  print(2, 2, "A");
  const Rgba a = cellColour(33);
  for (int y = 2; y <= 13; ++y) {
    for (int x = 2; x <= 8; ++x) {
      ASSERT_TRUE(near(readPixel(x, y), a.r, a.g, a.b, 1))
          << x << "," << y << " " << readPixel(x, y);
    }
  }
  EXPECT_TRUE(near(readPixel(9, 7), 0, 0, 0, 0)) << "right of 9.2";
  EXPECT_TRUE(near(readPixel(1, 7), 0, 0, 0, 0));
  EXPECT_TRUE(near(readPixel(5, 14), 0, 0, 0, 0)) << "above 14";
  EXPECT_TRUE(near(readPixel(5, 1), 0, 0, 0, 0));

  clear();
  print(2, 2, "AB");
  EXPECT_EQ(readText(2, 2), "AB");
  const Rgba b = cellColour(34);
  EXPECT_TRUE(near(readPixel(12, 7), b.r, b.g, b.b, 1)) << "second glyph 7.2 units on";

  // Cells after 129 are 16 units tall and 9.6 wide; cell 129 is still 12.
  clear();
  beginText(font_, 640, 480);
  glLoadIdentity();
  glTranslated(100, 100, 0);
  glCallList(font_.listBase + 129);
  glLoadIdentity();
  glTranslated(200, 100, 0);
  glCallList(font_.listBase + 130);
  endText();
  EXPECT_FALSE(near(readPixel(103, 111), 0, 0, 0, 0));
  EXPECT_TRUE(near(readPixel(103, 113), 0, 0, 0, 0)) << "cell 129 is 12 tall";
  EXPECT_FALSE(near(readPixel(203, 115), 0, 0, 0, 0)) << "cell 130 is 16 tall";
  EXPECT_FALSE(near(readPixel(209, 105), 0, 0, 0, 0)) << "and 9.6 wide";
}

TEST_F(TextOverlayTest, CodesWithoutGlyphDrawNothingAndNeverReachOtherLists) {
  // Regression: codes below 32 or above 127 must not call the display lists
  // that lie below the font's own (here: lists that fill the frame in red).
  clear();
  print(2, 2, "\x01\x1f\x80\xff");
  EXPECT_TRUE(blankPicture());
  print(50, 50, "");
  EXPECT_TRUE(blankPicture());
  print(2, 2,
        "A\x05\x90"
        "B");
  EXPECT_EQ(readText(2, 2), "AB") << "the pen does not move for them";
  EXPECT_TRUE(near(readPixel(600, 400), 0, 0, 0, 0));
}

TEST_F(TextOverlayTest, ColourArgumentsRunRedBlueGreenAndTextAddsUp) {
  glDisable(GL_LIGHTING);                  // as the HUD prints
  setTextColour(font_, 200, 0, 100, 255);  // red 200, blue 0, green 100
  EXPECT_EQ(font_.red, 200);
  EXPECT_EQ(font_.green, 100);
  EXPECT_EQ(font_.blue, 0);
  clear();
  print(10, 10, "\x7f");
  EXPECT_TRUE(near(readPixel(13, 16), 200, 100, 0)) << readPixel(13, 16);
  print(10, 10, "\x7f");
  EXPECT_TRUE(near(readPixel(13, 16), 255, 200, 0)) << "additive: " << readPixel(13, 16);

  // Text mode leaves fixed state behind, with the projection restored.
  GLfloat before[16], after[16];
  glGetFloatv(GL_PROJECTION_MATRIX, before);
  glEnable(GL_BLEND);
  print(10, 10, "x");
  glGetFloatv(GL_PROJECTION_MATRIX, after);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(before[i], after[i]);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_NEAR(colour[0], 200 / 255.0, 1e-3) << "the current colour stays the text colour";
}

TEST_F(TextOverlayTest, StatusLineShowsFrameRateCameraAndRotation) {
  ViewState view;
  view.cameraZ = 2.3f;
  frameRate_.fps = 0;
  clear();
  drawHud(hudValues(view, frameRate_), textures_, font_);
  EXPECT_EQ(readText(2, 2), "0 fps");
  EXPECT_EQ(readText(65, 2), "Camera[XYZ]: 0.000,0.000,2.300");
  EXPECT_EQ(readText(340, 2), "Rotation[XYZ]: 0.000,0.000,0.000");
  EXPECT_EQ(readText(25, 400), "") << "no help page in frame-rate mode";

  view.cameraX = -1.25f;
  view.rotationY = 359.5f;
  frameRate_.fps = 1234;
  clear();
  drawHud(hudValues(view, frameRate_), textures_, font_);
  EXPECT_EQ(readText(2, 2), "1234 fps");
  EXPECT_EQ(readText(65, 2), "Camera[XYZ]: -1.250,0.000,2.300");
  EXPECT_EQ(readText(340, 2), "Rotation[XYZ]: 0.000,359.500,0.000");

  // A coordinate far too long for the line: formatted with truncation into
  // the 128-byte buffer (the sanitizer build checks nothing overruns).
  view.cameraX = 1e30f;
  view.cameraY = -1e38f;
  view.cameraZ = 1e38f;
  clear();
  drawHud(hudValues(view, frameRate_), textures_, font_);
  char expected[200];
  std::snprintf(expected, sizeof expected, "Camera[XYZ]: %0.3f", 1e30f);
  EXPECT_EQ(readText(65, 2, 36), std::string(expected, 36));
}

TEST_F(TextOverlayTest, HelpModeAddsPanelAndTwentySixLines) {
  ViewState view;
  view.helpVisible = true;
  clear();
  drawHud(hudValues(view, frameRate_), textures_, font_);
  const struct {
    int x, y;
    const char* text;
  } fixed[] = {
      {25, 400, "Vistrel - Public Release 2 - July 30th 2003"},
      {25, 350, "[ESC] - Quit"},
      {25, 330, "[T,G] - Rotate on X-axis"},
      {25, 310, "[A,D] - Rotate on Y-axis"},
      {25, 290, "[R,F] - Rotate on Z-axis"},
      {25, 270, "[W,S] - Pan Forward/Backward"},
      {25, 250, "[J,L] - Pan Left/Right"},
      {25, 230, "[I,K] - Pan Up/Down"},
      {25, 210, "[H]   - Toggle FPS/Help/No Text"},
      {300, 350, "[SPACE] - Reset View"},
      {300, 330, "[F1]    - Fast/Slow Pan Step Size Toggle"},
      {300, 310, "[F5]    - Wire/Flat/Smooth View Toggle"},
      {300, 290, "[F6]    - Draw Textured Toggle"},
      {300, 270, "[F7]    - OpenGL Lighting Toggle"},
      {300, 250, "[F8]    - Enviornmental Mapping Toggle"},
      {300, 230, "[F9]    - Load New 3do"},
      {300, 210, "[F12]   - Take ScreenShot"},
      {25, 130, "[Left Drag]   - Rotate on X/Y-axis"},
      {25, 110, "[Wheel]       - Pan Forward/Backward"},
      {25, 90, "[PGDN,PGUP]   - Next/Previous 3do"},
      {300, 130, "[Right Drag]  - Pan Left/Right/Up/Down"},
      {300, 110, "[Middle Drag] - Pan Left/Right/Up/Down"},
      {300, 90, "[Drop a File] - Load the Dropped 3do"},
  };
  for (const auto& line : fixed) EXPECT_EQ(readText(line.x, line.y), line.text);
  // The three credit lines: our own wording, legible, no wider than the panel.
  for (int y : {385, 170, 154}) {
    std::string credit = readText(25, y);
    EXPECT_GT(credit.size(), 20u) << y;
    EXPECT_LT(25 + 7.2 * credit.size(), 630) << credit;
  }
  EXPECT_EQ(readText(65, 2), "Camera[XYZ]: 0.000,0.000,0.000") << "the status line stays";

  // Panels: a half-transparent green menu background shows from (10, 72)
  // to (630, 440) in help mode, and along the bottom 20 units always.
  textures_.menuBackTexture = makeTexture(1, 1, {0, 160, 0, 128}, true);
  glColor3f(1, 1, 1);
  clear();
  drawHud(hudValues(view, frameRate_), textures_, font_);
  EXPECT_TRUE(near(readPixel(620, 430), 0, 80, 0)) << readPixel(620, 430);
  EXPECT_TRUE(near(readPixel(635, 18), 0, 80, 0)) << readPixel(635, 18);
  EXPECT_TRUE(near(readPixel(5, 300), 0, 0, 0, 0)) << "outside the help panel";
  EXPECT_TRUE(near(readPixel(620, 445), 0, 0, 0, 0));
  EXPECT_TRUE(near(readPixel(620, 75), 0, 80, 0)) << "the panel reaches below the lowest line";
  EXPECT_TRUE(near(readPixel(620, 40), 0, 0, 0, 0)) << "and stays clear of the status bar";
  view.helpVisible = false;
  clear();
  drawHud(hudValues(view, frameRate_), textures_, font_);
  EXPECT_TRUE(near(readPixel(620, 430), 0, 0, 0, 0)) << "no help panel in frame-rate mode";
  EXPECT_TRUE(near(readPixel(635, 18), 0, 80, 0));
  EXPECT_TRUE(near(readPixel(635, 21), 0, 0, 0, 0));
}

TEST_F(TextOverlayTest, NoTextModeDrawsNoOverlayAndLightingFollowsTheView) {
  Model empty;
  ViewState view;
  view.cameraZ = 5;
  view.hudVisible = false;
  drawFrame(view, empty, textures_, font_, frameRate_);
  EXPECT_TRUE(blankPicture());
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

  // Lit view: lighting off for the text (the glyph colours come out exact)
  // and on again afterwards.
  view.hudVisible = true;
  ASSERT_TRUE(glIsEnabled(GL_LIGHTING));
  drawFrame(view, empty, textures_, font_, frameRate_);
  EXPECT_EQ(readText(65, 2), "Camera[XYZ]: 0.000,0.000,5.000");
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  GLfloat modelview[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], (i % 5 == 0) ? 1.0f : 0.0f);
  GLint projectionDepth = 0;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
  EXPECT_EQ(projectionDepth, 1);

  // Lighting switched off by the user: the overlay leaves it off.
  view.lighting = false;
  glDisable(GL_LIGHTING);
  drawFrame(view, empty, textures_, font_, frameRate_);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_EQ(readText(65, 2), "Camera[XYZ]: 0.000,0.000,5.000");
}

TEST_F(TextOverlayTest, LoadFontReadsTheFontFileBesideTheProgram) {
  ASSERT_EQ(system("mkdir -p systemtex"), 0);
  writeFile("systemtex/font.tga", tgaFile(kFontSize, kFontSize, 3, fontPixels(3)));
  BitmapFont loaded;
  ASSERT_TRUE(loadFont(loaded));
  EXPECT_EQ(loaded.image.pixels, nullptr) << "pixels released once uploaded";
  EXPECT_EQ(loaded.red + loaded.green + loaded.blue + loaded.alpha, 4 * 255);
  glBindTexture(GL_TEXTURE_2D, loaded.image.textureName);
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  EXPECT_EQ(width, kFontSize);
  EXPECT_EQ(height, kFontSize);
  clear();
  beginText(loaded, 640, 480);
  printText(loaded, 40, 100, "Hello, World ~ 0123");
  endText();
  EXPECT_EQ(readText(40, 100), "Hello, World ~ 0123");

  // A 32-bit font image is packed down to RGB rather than read skewed.
  writeFile("systemtex/font.tga", tgaFile(kFontSize, kFontSize, 4, fontPixels(4)));
  BitmapFont wide;
  ASSERT_TRUE(loadFont(wide));
  clear();
  beginText(wide, 640, 480);
  printText(wide, 40, 100, "Quartz {7}");
  endText();
  EXPECT_EQ(readText(40, 100), "Quartz {7}");

  // No font file: the reader's box, lists made all the same, and printing
  // through an image-less texture is harmless.
  std::remove("systemtex/font.tga");
  clearBoxes();
  BitmapFont missing;
  EXPECT_TRUE(loadFont(missing));
  EXPECT_EQ(boxLines().size(), 1u);
  EXPECT_NE(missing.listBase, 0u);
  beginText(missing, 640, 480);
  printText(missing, 40, 100, "nothing to see");
  endText();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
