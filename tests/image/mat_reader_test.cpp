// The MAT reader against real files: every message with its caption, the
// palette, the fixed layout, and the decoded image reaching GL unchanged.
#include "image/mat_reader.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gl.h"
#include "tests/model/model_test_files.h"
#include "tests/support/test_support.h"

namespace {

class MatReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headlessSetEchoBoxes(false);
    clearBoxes();
  }
  void TearDown() override {
    std::free(image_.pixels);
    headlessSetEchoBoxes(true);
  }
  // Reads bytes written as a file; returns loadMat's result.
  bool read(const std::string& bytes) {
    std::free(image_.pixels);
    image_ = ImageData();
    writeFile("image.mat", bytes);
    clearBoxes();
    return loadMat(image_, "image.mat");
  }
  std::string pixels() const {
    return std::string(reinterpret_cast<const char*>(image_.pixels),
                       3 * static_cast<size_t>(image_.width) * image_.height);
  }
  ScratchDir scratch_;
  ImageData image_;
};

std::string rgb(std::initializer_list<unsigned> colours) {
  std::string out;
  for (unsigned c : colours) {
    out += static_cast<char>((c >> 16) & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
    out += static_cast<char>(c & 0xFF);
  }
  return out;
}

TEST_F(MatReaderTest, TwoByOneImageAndItsRecord) {
  // Trailing bytes after the indices have no effect.
  ASSERT_TRUE(read(matBytes(2, 1, {6, 31, 16, 16})));
  EXPECT_TRUE(boxLines().empty());
  EXPECT_EQ(image_.width, 2u);
  EXPECT_EQ(image_.height, 1u);
  EXPECT_EQ(image_.bitsPerPixel, 24u);
  EXPECT_EQ(image_.format, static_cast<uint32_t>(GL_RGB));
  EXPECT_EQ(image_.textureName, 0u);
  EXPECT_EQ(pixels(), rgb({0xFF0000, 0x0000FF}));
}

TEST_F(MatReaderTest, RowsKeepFileOrderAndEveryIndexIsOpaque) {
  // 3 x 2, rows in file order: no flip, no transparency for magenta indices.
  ASSERT_TRUE(read(matBytes(3, 2, {0, 63, 255, 192, 254, 1})));
  EXPECT_EQ(pixels(), rgb({0x000000, 0x000000, 0xFFFFFF, 0xFF00FF, 0xFF00FF, 0x00FF00}));
}

TEST_F(MatReaderTest, PaletteRows) {
  // First and last entry of every listed row, and the magenta run.
  const struct {
    int index;
    unsigned colour;
  } entries[] = {
      {0, 0x000000},   {15, 0x5F0000},  {16, 0xFFFFFF},  {31, 0x0000FF},  {32, 0xFDFDFD},
      {47, 0x838383},  {48, 0x7B7B7B},  {63, 0x000000},  {64, 0xBFC7DF},  {79, 0x5F6377},
      {80, 0x5B5F73},  {95, 0x0B0B0F},  {96, 0xFFCFB3},  {111, 0x430000}, {112, 0xDFFFA7},
      {127, 0x671F00}, {128, 0xFB0000}, {143, 0x000017}, {144, 0xC37347}, {159, 0x331707},
      {160, 0xFFE7B3}, {175, 0x271700}, {176, 0x83E767}, {191, 0x37005B}, {100, 0x9F5B3F},
      {137, 0x5F7FAB}, {185, 0xDF7FE7},
  };
  for (const auto& entry : entries) {
    unsigned got = (matPalette[entry.index][0] << 16) | (matPalette[entry.index][1] << 8) |
                   matPalette[entry.index][2];
    EXPECT_EQ(got, entry.colour) << "index " << entry.index;
  }
  for (int i = 192; i <= 254; ++i) {
    EXPECT_EQ(matPalette[i][0], 0xFF) << i;
    EXPECT_EQ(matPalette[i][1], 0x00) << i;
    EXPECT_EQ(matPalette[i][2], 0xFF) << i;
  }
  EXPECT_EQ(matPalette[255][0] & matPalette[255][1] & matPalette[255][2], 0xFF);

  // All 256 through the reader, as one 16 x 16 image.
  std::vector<unsigned char> all(256);
  for (int i = 0; i < 256; ++i) all[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
  ASSERT_TRUE(read(matBytes(16, 16, all)));
  EXPECT_EQ(std::memcmp(image_.pixels, matPalette, 768), 0);
}

TEST_F(MatReaderTest, OnlyTheFixedOffsetsGiveTheSize) {
  std::string bytes = matBytes(2, 1, {6, 31});
  bytes[113] = bytes[114] = bytes[115] = '\x7F';  // start of the size block
  bytes[118] = '\x01';                            // between width and height
  bytes[119] = '\x02';
  for (int i = 122; i < 140; ++i) bytes[static_cast<size_t>(i)] = '\x33';
  ASSERT_TRUE(read(bytes));
  EXPECT_EQ(image_.width, 2u);
  EXPECT_EQ(image_.height, 1u);
  // Bytes 117 and 121 are the high bytes: 256 + 1 by 1.
  ASSERT_TRUE(read(matBytes(257, 1, std::vector<unsigned char>(257, 16))));
  EXPECT_EQ(image_.width, 257u);
}

TEST_F(MatReaderTest, EveryFailureHasItsMessageAndLeavesNoPixels) {
  const std::string good = matBytes(2, 2, {1, 2, 3, 4});
  struct Case {
    std::string bytes;
    const char* box;
  } cases[] = {
      {"", "ERROR: Could not read file header"},
      {"MAT ", "ERROR: Could not read file header"},
      {"MAT 1" + good.substr(5), "Invalid Image: Improper MAT file header found"},
      {"mat 2" + good.substr(5), "Invalid Image: Improper MAT file header found"},
      {good.substr(0, 5), "ERROR: Could not read dummy header"},
      {good.substr(0, 6), "ERROR: Could not read image size header"},
      {good.substr(0, 113), "ERROR: Could not read image size header"},
      {good.substr(0, 121), "ERROR: Could not read image size header"},
      {good.substr(0, 122), "ERROR: Could not read 2nd dummy header"},
      {good.substr(0, 123), "ERROR: Could not read image data"},
      {good.substr(0, 140), "ERROR: Could not read image data"},
      {good.substr(0, 143), "ERROR: Could not read image data"},
      {matBytes(0, 5, {}), "ERROR: Invalid texture information"},
      {matBytes(5, 0, {}), "ERROR: Invalid texture information"},
      // A zero size with the second block missing: the earlier message wins.
      {matBytes(0, 5, {}).substr(0, 122), "ERROR: Could not read 2nd dummy header"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(read(c.bytes)) << c.box;
    EXPECT_EQ(boxLines(), std::vector<std::string>{c.box}) << c.bytes.size();
    EXPECT_EQ(image_.pixels, nullptr);
  }
  ASSERT_TRUE(read(good));

  clearBoxes();
  ImageData missing;
  EXPECT_FALSE(loadMat(missing, "no\\such.mat"));
  EXPECT_EQ(boxLines(), std::vector<std::string>{
                            "ERROR: Could not open no\\such.mat.\\nUsing default texture.\\n"});
}

TEST_F(MatReaderTest, HugeClaimedSizeInASmallFileFailsWithoutAllocating) {
  // 65535 x 65535 claimed by a file of 150 bytes: no 12 GB buffer, just the
  // message that the data is short.
  ASSERT_FALSE(read(matBytes(65535, 65535, std::vector<unsigned char>(10, 1))));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read image data"});
  EXPECT_EQ(image_.pixels, nullptr);
  EXPECT_EQ(image_.width, 65535u);
}

TEST_F(MatReaderTest, NamesResolveBackslashesAndLetterCase) {
  std::filesystem::create_directories("Mats/Sub");
  writeFile("Mats/Sub/Two.Mat", matBytes(2, 1, {6, 31}));
  ImageData image;
  ASSERT_TRUE(loadMat(image, "mats\\SUB\\two.mat"));
  EXPECT_EQ(image.width, 2u);
  std::free(image.pixels);
}

class MatUploadTest : public GlTest {};

TEST_F(MatUploadTest, DecodedImageUploadsUnchanged) {
  headlessSetEchoBoxes(false);
  // 2 x 2: rows of 6 bytes, not a multiple of GL's default unpack alignment.
  writeFile("small.mat", matBytes(2, 2, {6, 1, 31, 104}));
  ImageData image;
  ASSERT_TRUE(loadMat(image, "small.mat"));
  uploadTexture(image, 3, image.format);
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  EXPECT_EQ(width, 2);
  EXPECT_EQ(height, 2);
  unsigned char back[12] = {};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back), 12),
            rgb({0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00}));
  std::free(image.pixels);

  // Sides that are not powers of two are scaled by the mipmap build, which
  // also replaces level 0.
  writeFile("odd.mat", matBytes(3, 2, {6, 1, 31, 104, 16, 0}));
  ImageData odd;
  ASSERT_TRUE(loadMat(odd, "odd.mat"));
  uploadTexture(odd, 3, odd.format);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 4);
  std::free(odd.pixels);
  headlessSetEchoBoxes(true);
}

}  // namespace
