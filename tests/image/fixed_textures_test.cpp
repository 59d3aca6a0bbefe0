// The fixed textures in a real offscreen context, read from a systemtex folder
// of small test images, with images missing, and from the shipped images
// themselves (which must load without a box and be laid out as the viewer
// expects).
#include "image/fixed_textures.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/tga_reader.h"
#include "platform/gl.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

// An uncompressed TGA of the given R, G, B(, A) pixels, file order.
std::string tgaFile(int width, int height, int bits, const std::vector<unsigned char>& pixels) {
  std::string bytes(18, '\0');
  bytes[2] = 2;
  bytes[12] = static_cast<char>(width);
  bytes[14] = static_cast<char>(height);
  bytes[16] = static_cast<char>(bits);
  const size_t step = static_cast<size_t>(bits / 8);
  for (size_t i = 0; i < pixels.size(); i += step) {
    bytes += static_cast<char>(pixels[i + 2]);
    bytes += static_cast<char>(pixels[i + 1]);
    bytes += static_cast<char>(pixels[i]);
    if (step == 4) bytes += static_cast<char>(pixels[i + 3]);
  }
  return bytes;
}

const std::vector<unsigned char> kEnvPixels = {250, 0, 0, 0, 250, 0, 0, 0, 250, 90, 80, 70};
const std::vector<unsigned char> kCheckerPixels = {
    255, 0, 255, 40, 40, 40, 255, 0, 255, 1, 2, 3, 40, 40, 40, 255, 0, 255, 7, 8, 9, 255, 0, 255};
const std::vector<unsigned char> kMenuPixels = {10, 20, 30, 0,   40,  50,  60,  64,
                                                70, 80, 90, 128, 100, 110, 120, 255};

void writeSystemtex(bool env, bool checker, bool menu) {
  fs::create_directory("systemtex");
  if (env) writeFile("systemtex/envmap.tga", tgaFile(2, 2, 24, kEnvPixels));
  if (checker) writeFile("systemtex/checker.tga", tgaFile(4, 2, 24, kCheckerPixels));
  if (menu) writeFile("systemtex/menuback.tga", tgaFile(2, 2, 32, kMenuPixels));
}

GLint levelParameter(GLuint texture, GLenum parameter) {
  glBindTexture(GL_TEXTURE_2D, texture);
  GLint value = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, parameter, &value);
  return value;
}

std::vector<unsigned char> texelsRgba(GLuint texture, int width, int height) {
  glBindTexture(GL_TEXTURE_2D, texture);
  std::vector<unsigned char> texels(static_cast<size_t>(width) * height * 4);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  return texels;
}

class FixedTexturesTest : public GlTest {};

TEST_F(FixedTexturesTest, ThreeTexturesInOrderWithAlphaKeptAndPixelsReleased) {
  writeSystemtex(true, true, true);
  FixedTextures textures;
  loadFixedTextures(textures);
  EXPECT_TRUE(boxLines().empty());

  const ImageData& env = textures.envMapTexture;
  const ImageData& checker = textures.checkerTexture;
  const ImageData& menu = textures.menuBackTexture;
  ASSERT_NE(env.textureName, 0u);
  EXPECT_LT(env.textureName, checker.textureName);
  EXPECT_LT(checker.textureName, menu.textureName);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), menu.textureName);

  for (const ImageData* record : {&env, &checker, &menu}) EXPECT_EQ(record->pixels, nullptr);
  EXPECT_EQ(checker.width, 4u);
  EXPECT_EQ(checker.height, 2u);
  EXPECT_EQ(env.bitsPerPixel, 24u);
  EXPECT_EQ(env.format, kGlRgb);
  EXPECT_EQ(menu.bitsPerPixel, 32u);
  EXPECT_EQ(menu.format, kGlRgba);

  // The 32-bit menu background keeps its alpha in the texture.
  EXPECT_GT(levelParameter(menu.textureName, GL_TEXTURE_ALPHA_SIZE), 0);
  EXPECT_EQ(texelsRgba(menu.textureName, 2, 2), kMenuPixels);
  // The 24-bit environment map is opaque, its rows unflipped.
  EXPECT_EQ(levelParameter(env.textureName, GL_TEXTURE_ALPHA_SIZE), 0);
  std::vector<unsigned char> envTexels = texelsRgba(env.textureName, 2, 2);
  EXPECT_EQ(envTexels, (std::vector<unsigned char>{250, 0, 0, 255, 0, 250, 0, 255, 0, 0, 250, 255,
                                                   90, 80, 70, 255}));
  // The checker's texels in file order, not rescaled (4 x 2 is a power of two).
  EXPECT_EQ(levelParameter(checker.textureName, GL_TEXTURE_WIDTH), 4);
  std::vector<unsigned char> checkerTexels = texelsRgba(checker.textureName, 4, 2);
  EXPECT_EQ(checkerTexels[3 * 4 + 0], 1);
  EXPECT_EQ(checkerTexels[3 * 4 + 2], 3);
  GLint minFilter = 0;
  glBindTexture(GL_TEXTURE_2D, checker.textureName);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(minFilter, GL_LINEAR);
}

TEST_F(FixedTexturesTest, MissingImagesStillGiveThreeImagelessTexturesInOrder) {
  FixedTextures textures;
  loadFixedTextures(textures);
  EXPECT_EQ(boxLines(), std::vector<std::string>(3, "ERROR: Could not open texture file"));
  const ImageData& env = textures.envMapTexture;
  const ImageData& checker = textures.checkerTexture;
  const ImageData& menu = textures.menuBackTexture;
  ASSERT_NE(env.textureName, 0u);
  EXPECT_LT(env.textureName, checker.textureName);
  EXPECT_LT(checker.textureName, menu.textureName);
  for (const ImageData* record : {&env, &checker, &menu}) {
    EXPECT_EQ(glIsTexture(record->textureName), GL_TRUE);
    EXPECT_EQ(levelParameter(record->textureName, GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(record->pixels, nullptr);
  }
  EXPECT_EQ(checker.width, 0u);  // the fallback size handed to the model
}

TEST_F(FixedTexturesTest, MissingCheckerGivesOneBoxAndSizeZero) {
  writeSystemtex(true, false, true);
  FixedTextures textures;
  loadFixedTextures(textures);
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not open texture file"});
  EXPECT_EQ(textures.checkerTexture.width, 0u);
  EXPECT_EQ(levelParameter(textures.checkerTexture.textureName, GL_TEXTURE_WIDTH), 0);
  EXPECT_EQ(levelParameter(textures.envMapTexture.textureName, GL_TEXTURE_WIDTH), 2);
  EXPECT_EQ(levelParameter(textures.menuBackTexture.textureName, GL_TEXTURE_WIDTH), 2);
}

TEST_F(FixedTexturesTest, RefilledRecordKeepsNoStaleCheckerSize) {
  // A second start-up (after a full-screen switch) fills the same records
  // again; with the checker gone by then, the fallback size must be 0, not
  // the size of the first start-up.
  writeSystemtex(true, true, true);
  FixedTextures textures;
  loadFixedTextures(textures);
  ASSERT_EQ(textures.checkerTexture.width, 4u);
  fs::remove("systemtex/checker.tga");
  clearBoxes();
  loadFixedTextures(textures);
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not open texture file"});
  EXPECT_EQ(textures.checkerTexture.width, 0u);
  EXPECT_EQ(textures.checkerTexture.height, 0u);
  EXPECT_EQ(textures.envMapTexture.width, 2u);
}

// ---- the shipped images ------------------------------------------------------------

void copyShippedSystemtex() {
  fs::copy(sourcePath("systemtex"), "systemtex", fs::copy_options::recursive);
}

bool isPowerOfTwo(uint32_t n) {
  return n != 0 && (n & (n - 1)) == 0;
}

TEST_F(FixedTexturesTest, ShippedImagesLoadWithoutBoxAndSuitTheirUse) {
  copyShippedSystemtex();
  FixedTextures textures;
  loadFixedTextures(textures);
  EXPECT_TRUE(boxLines().empty());
  for (const ImageData* record :
       {&textures.envMapTexture, &textures.checkerTexture, &textures.menuBackTexture}) {
    EXPECT_TRUE(isPowerOfTwo(record->width)) << record->width;
    EXPECT_TRUE(isPowerOfTwo(record->height)) << record->height;
  }
  EXPECT_EQ(textures.checkerTexture.width, textures.checkerTexture.height);
  EXPECT_GE(textures.checkerTexture.width, 16u);

  // The menu background: 32 bits, translucent everywhere, dark under white text.
  const ImageData& menu = textures.menuBackTexture;
  ASSERT_EQ(menu.bitsPerPixel, 32u);
  std::vector<unsigned char> texels =
      texelsRgba(menu.textureName, static_cast<int>(menu.width), static_cast<int>(menu.height));
  for (size_t i = 0; i < texels.size(); i += 4) {
    ASSERT_LT(std::max({texels[i], texels[i + 1], texels[i + 2]}), 100) << i;
    ASSERT_GE(texels[i + 3], 128) << i;
    ASSERT_LE(texels[i + 3], 230) << i;
  }

  // The environment map: brighter above the horizon than below it.
  ImageData env;
  ASSERT_TRUE(loadTga(env, "systemtex\\envmap.tga"));
  const size_t row = env.width * 3;
  const unsigned char* centreTop = env.pixels + (env.height * 7 / 8) * row + (env.width / 2) * 3;
  const unsigned char* centreBottom = env.pixels + (env.height / 8) * row + (env.width / 2) * 3;
  EXPECT_GT(centreTop[1], centreBottom[1] + 60);  // up is the top as drawn: the last rows
  std::free(env.pixels);
}

// Ink of the shipped font inside one cell, as rows counted from the cell's
// bottom (lowest t) and columns from its left.
struct CellInk {
  int lowestRow = 1000, highestRow = -1;
  int rowOfLeftmost = -1, rowOfRightmost = -1;
  int total = 0;
};

CellInk inkOf(const ImageData& font, int cell) {
  const int cellWidth = static_cast<int>(font.width / 16);
  const int cellHeight = static_cast<int>(font.height / 16);
  // Cell row 0 lies at t = 1, the end of the buffer.
  const int firstRow = static_cast<int>(font.height) - (cell / 16 + 1) * cellHeight;
  const int firstColumn = (cell % 16) * cellWidth;
  CellInk ink;
  int leftmost = 1000, rightmost = -1;
  for (int r = 0; r < cellHeight; ++r) {
    for (int c = 0; c < cellWidth; ++c) {
      const unsigned char* p =
          font.pixels + ((firstRow + r) * static_cast<int>(font.width) + firstColumn + c) * 3;
      if (p[0] < 128) continue;
      ++ink.total;
      ink.lowestRow = std::min(ink.lowestRow, r);
      ink.highestRow = std::max(ink.highestRow, r);
      if (c < leftmost) leftmost = c, ink.rowOfLeftmost = r;
      if (c > rightmost) rightmost = c, ink.rowOfRightmost = r;
    }
  }
  return ink;
}

TEST_F(FixedTexturesTest, ShippedFontHasUprightGlyphsInTheCellsOfTheirCodes) {
  copyShippedSystemtex();
  ImageData font;
  ASSERT_TRUE(loadTga(font, "systemtex\\font.tga"));
  EXPECT_TRUE(boxLines().empty());
  ASSERT_EQ(font.bitsPerPixel, 24u);
  ASSERT_EQ(font.width % 16, 0u);
  ASSERT_EQ(font.height % 16, 0u);
  EXPECT_TRUE(isPowerOfTwo(font.width) && isPowerOfTwo(font.height));

  // White on black: grey only, and ink exactly in the cells of codes 33 to 126.
  const size_t size = static_cast<size_t>(font.width) * font.height * 3;
  for (size_t i = 0; i < size; i += 3) {
    ASSERT_EQ(font.pixels[i], font.pixels[i + 1]) << i;
    ASSERT_EQ(font.pixels[i], font.pixels[i + 2]) << i;
  }
  EXPECT_EQ(inkOf(font, 0).total, 0);  // the blank
  for (int code = 33; code <= 126; ++code) EXPECT_GT(inkOf(font, code - 32).total, 0) << code;
  for (int cell = 96; cell < 256; ++cell) EXPECT_EQ(inkOf(font, cell).total, 0) << cell;

  // Upright and not mirrored: "_" sits low, "'" high, "/" rises to the right.
  const int cellHeight = static_cast<int>(font.height / 16);
  CellInk underscore = inkOf(font, '_' - 32);
  EXPECT_LT(underscore.highestRow, cellHeight / 4);
  CellInk apostrophe = inkOf(font, '\'' - 32);
  EXPECT_GE(apostrophe.lowestRow, cellHeight / 2);
  CellInk slash = inkOf(font, '/' - 32);
  EXPECT_GT(slash.rowOfRightmost, slash.rowOfLeftmost);
  // "A" and "g" share a baseline; "g" descends below it.
  EXPECT_LT(inkOf(font, 'g' - 32).lowestRow, inkOf(font, 'A' - 32).lowestRow);
  std::free(font.pixels);
}

}  // namespace
