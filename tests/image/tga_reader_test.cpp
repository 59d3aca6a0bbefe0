// The TGA reader against real files: both accepted types at 24 and 32 bits,
// every refusal with its exact box, what the record holds after each kind of
// failure, and files that announce more than they hold.
#include "image/tga_reader.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string toString(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// The 18-byte header of a type-2 or type-10 file.
Bytes tgaHeader(int type, int width, int height, int bits, int descriptor = 0) {
  Bytes header(18, 0);
  header[2] = static_cast<unsigned char>(type);
  header[12] = static_cast<unsigned char>(width & 0xFF);
  header[13] = static_cast<unsigned char>(width >> 8);
  header[14] = static_cast<unsigned char>(height & 0xFF);
  header[15] = static_cast<unsigned char>(height >> 8);
  header[16] = static_cast<unsigned char>(bits);
  header[17] = static_cast<unsigned char>(descriptor);
  return header;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A 3 x 2 picture with six distinct colours, as the reader must deliver it
// (R, G, B per pixel, file order), and the same pixels as a file stores them.
const Bytes kRgb3x2 = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 200, 100, 50, 255, 255, 255};
const Bytes kAlpha3x2 = {255, 128, 64, 0, 1, 200};

Bytes fileOrder24(const Bytes& rgb) {
  Bytes out;
  for (size_t i = 0; i < rgb.size(); i += 3) out = out + Bytes{rgb[i + 2], rgb[i + 1], rgb[i]};
  return out;
}

Bytes withAlpha(const Bytes& rgb, const Bytes& alpha) {
  Bytes out;
  for (size_t i = 0; i < alpha.size(); ++i) {
    out = out + Bytes{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], alpha[i]};
  }
  return out;
}

Bytes fileOrder32(const Bytes& rgba) {
  Bytes out;
  for (size_t i = 0; i < rgba.size(); i += 4) {
    out = out + Bytes{rgba[i + 2], rgba[i + 1], rgba[i], rgba[i + 3]};
  }
  return out;
}

std::string pixelsOf(const ImageData& image) {
  if (!image.pixels) return "<null>";
  return std::string(reinterpret_cast<const char*>(image.pixels),
                     static_cast<size_t>(image.width) * image.height * (image.bitsPerPixel / 8));
}

class TgaReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headlessSetEchoBoxes(false);
    clearBoxes();
  }
  void TearDown() override { headlessSetEchoBoxes(true); }

  // Writes the bytes as "image.tga" and reads them; the record is kept for
  // inspection and released afterwards.
  bool read(const Bytes& bytes) {
    std::free(image_.pixels);
    image_ = ImageData{};
    writeFile("image.tga", toString(bytes));
    clearBoxes();
    return loadTga(image_, "image.tga");
  }
  ~TgaReaderTest() override { std::free(image_.pixels); }

  ScratchDir scratch_;
  ImageData image_;
};

TEST_F(TgaReaderTest, UncompressedImagesOf24And32BitsAreReadInFileOrderAsRgb) {
  // 24 bits, with trailing bytes (a footer) that must be ignored.
  ASSERT_TRUE(read(tgaHeader(2, 3, 2, 24) + fileOrder24(kRgb3x2) + Bytes{9, 9, 9, 9, 9}));
  EXPECT_TRUE(boxLines().empty());
  EXPECT_EQ(image_.width, 3u);
  EXPECT_EQ(image_.height, 2u);
  EXPECT_EQ(image_.bitsPerPixel, 24u);
  EXPECT_EQ(image_.format, kGlRgb);
  EXPECT_EQ(image_.textureName, 0u);
  EXPECT_EQ(pixelsOf(image_), toString(kRgb3x2));

  // 32 bits: the alpha bytes come through unchanged.
  Bytes rgba = withAlpha(kRgb3x2, kAlpha3x2);
  ASSERT_TRUE(read(tgaHeader(2, 3, 2, 32) + fileOrder32(rgba)));
  EXPECT_EQ(image_.bitsPerPixel, 32u);
  EXPECT_EQ(image_.format, kGlRgba);
  EXPECT_EQ(pixelsOf(image_), toString(rgba));

  // A top-left origin (descriptor bit 5) is not consulted: no flip.
  ASSERT_TRUE(read(tgaHeader(2, 3, 2, 24, 0x20) + fileOrder24(kRgb3x2)));
  EXPECT_EQ(pixelsOf(image_), toString(kRgb3x2));
  ASSERT_TRUE(read(tgaHeader(10, 3, 2, 24, 0x28) + Bytes{5} + fileOrder24(kRgb3x2)));
  EXPECT_EQ(pixelsOf(image_), toString(kRgb3x2));
}

TEST_F(TgaReaderTest, RunLengthPacketsAcrossRowsAt24And32Bits) {
  // 24 bits: a run of 4 crossing the row end, then a raw packet of 2.
  Bytes runs = Bytes{0x83, 50, 60, 70} + Bytes{0x01, 3, 2, 1, 6, 5, 4};
  ASSERT_TRUE(read(tgaHeader(10, 3, 2, 24) + runs + Bytes{0xFF, 0xFF}));
  EXPECT_TRUE(boxLines().empty());
  EXPECT_EQ(image_.format, kGlRgb);
  EXPECT_EQ(pixelsOf(image_),
            toString({70, 60, 50, 70, 60, 50, 70, 60, 50, 70, 60, 50, 1, 2, 3, 4, 5, 6}));

  // 32 bits: raw 1, run 3, raw 2; alpha kept per pixel.
  Bytes packets = Bytes{0x00, 1, 2, 3, 40} + Bytes{0x82, 7, 8, 9, 200} +
                  Bytes{0x01, 10, 11, 12, 0, 13, 14, 15, 255};
  ASSERT_TRUE(read(tgaHeader(10, 2, 3, 32) + packets));
  EXPECT_EQ(image_.width, 2u);
  EXPECT_EQ(image_.height, 3u);
  EXPECT_EQ(image_.format, kGlRgba);
  EXPECT_EQ(pixelsOf(image_), toString({3, 2, 1, 40,  9,  8,  7,  200, 9,  8,  7,  200,
                                        9, 8, 7, 200, 12, 11, 10, 0,   15, 14, 13, 255}));

  // 1 x 1: the single run packet 0x80 and one pixel value.
  ASSERT_TRUE(read(tgaHeader(10, 1, 1, 24) + Bytes{0x80, 0x11, 0x22, 0x33}));
  EXPECT_EQ(pixelsOf(image_), toString({0x33, 0x22, 0x11}));

  // A run of the full 128 pixels ending exactly at the pixel count.
  ASSERT_TRUE(read(tgaHeader(10, 16, 8, 24) + Bytes{0xFF, 1, 2, 3}));
  EXPECT_EQ(pixelsOf(image_).size(), 16u * 8u * 3u);
  EXPECT_EQ(pixelsOf(image_).substr(381), toString({3, 2, 1}));
}

TEST_F(TgaReaderTest, HeadersOtherThanTheTwoTemplatesAreRefusedAsInvalidImage) {
  const std::string refused = "Invalid Image: TGA file be type 2 or type 10 ";
  Bytes good = tgaHeader(2, 3, 2, 24) + fileOrder24(kRgb3x2);
  struct Case {
    const char* what;
    size_t offset;
    unsigned char value;
  };
  const Case cases[] = {
      {"image ID", 0, 1},       {"colour map", 1, 1}, {"type 1", 2, 1},    {"type 3", 2, 3},
      {"type 9", 2, 9},         {"type 11", 2, 11},   {"map entry", 5, 8}, {"x origin", 8, 1},
      {"y origin high", 11, 1}, {"type 0", 2, 0},
  };
  for (const Case& c : cases) {
    Bytes bytes = good;
    bytes[c.offset] = c.value;
    EXPECT_FALSE(read(bytes)) << c.what;
    EXPECT_EQ(boxLines(), std::vector<std::string>{refused}) << c.what;
    EXPECT_EQ(image_.pixels, nullptr) << c.what;
    EXPECT_EQ(image_.width, 0u) << c.what;
    EXPECT_EQ(image_.format, 0u) << c.what;
  }
  EXPECT_EQ(headlessCapturedBoxes().back().caption, "Invalid Image");
  EXPECT_EQ(headlessCapturedBoxes().back().text, "TGA file be type 2 or type 10 ");
}

TEST_F(TgaReaderTest, ImageHeaderChecksLeaveTheHeaderFieldsButNoFormat) {
  struct Case {
    int type, width, height, bits;
  };
  const Case cases[] = {{2, 3, 2, 16}, {10, 3, 2, 8}, {2, 0, 2, 24}, {10, 3, 0, 32}, {2, 3, 2, 0}};
  for (const Case& c : cases) {
    EXPECT_FALSE(read(tgaHeader(c.type, c.width, c.height, c.bits) + Bytes(64, 0)));
    EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Invalid texture information"});
    EXPECT_EQ(image_.pixels, nullptr);
    EXPECT_EQ(image_.width, static_cast<uint32_t>(c.width));
    EXPECT_EQ(image_.height, static_cast<uint32_t>(c.height));
    EXPECT_EQ(image_.bitsPerPixel, static_cast<uint32_t>(c.bits));
    EXPECT_EQ(image_.format, 0u);
  }

  // A missing file, and files ending inside the first 12 or the next 6 bytes.
  clearBoxes();
  EXPECT_FALSE(loadTga(image_, "no such.tga"));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not open texture file"});
  EXPECT_FALSE(read(Bytes{0, 0, 2, 0, 0}));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read file header"});
  EXPECT_FALSE(read(Bytes{}));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read file header"});
  Bytes header = tgaHeader(10, 3, 2, 24);
  EXPECT_FALSE(read(Bytes(header.begin(), header.begin() + 15)));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read info header"});
  EXPECT_EQ(image_.width, 0u);  // the image header was not read: nothing stored
  EXPECT_EQ(image_.bitsPerPixel, 0u);
}

TEST_F(TgaReaderTest, ShortPixelDataFailsWithTheMessageOfWhereItEnded) {
  // Type 2: one byte short. Width, height, depth and format stay as read.
  Bytes data = fileOrder24(kRgb3x2);
  data.pop_back();
  EXPECT_FALSE(read(tgaHeader(2, 3, 2, 24) + data));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read image data"});
  EXPECT_EQ(image_.pixels, nullptr);
  EXPECT_EQ(image_.width, 3u);
  EXPECT_EQ(image_.format, kGlRgb);

  const Bytes rle = tgaHeader(10, 3, 2, 24);
  // Packets that end early, at a packet boundary.
  EXPECT_FALSE(read(rle + Bytes{0x84, 1, 2, 3}));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read RLE header"});
  EXPECT_EQ(image_.pixels, nullptr);
  EXPECT_EQ(image_.format, kGlRgb);
  // A raw packet whose second pixel value is cut.
  EXPECT_FALSE(read(rle + Bytes{0x05, 1, 2, 3, 4, 5}));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read image data"});
  // A run packet whose pixel value is cut.
  EXPECT_FALSE(read(rle + Bytes{0x81, 1, 2, 3, 0x83, 4, 5}));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read from file"});
  EXPECT_EQ(image_.pixels, nullptr);
}

TEST_F(TgaReaderTest, PacketsReachingPastThePixelCountAreRefused) {
  const Bytes rle = tgaHeader(10, 3, 2, 24);
  // The image is complete after five pixels of the run, which holds six more.
  EXPECT_FALSE(read(rle + Bytes{0x80, 1, 1, 1, 0x85, 2, 2, 2}));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Too many pixels read"});
  EXPECT_EQ(image_.pixels, nullptr);
  // A raw packet of seven for six pixels, with its seventh value present.
  Bytes raw = Bytes{0x06} + Bytes(7 * 3, 0x40);
  EXPECT_FALSE(read(rle + raw));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Too many pixels read"});
  // The same packet with the seventh value cut: the read fails first.
  raw.pop_back();
  EXPECT_FALSE(read(rle + raw));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read image data"});
  // A run packet past the count even in a 32-bit 1 x 1 image.
  EXPECT_FALSE(read(tgaHeader(10, 1, 1, 32) + Bytes{0x81, 1, 2, 3, 4}));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Too many pixels read"});
}

TEST_F(TgaReaderTest, HugeAnnouncedImagesInSmallFilesFailAsTheirReadWouldEnd) {
  // 65535 x 65535 x 4 bytes announced, a few bytes present: the same messages
  // as for a small image, without a buffer of the announced size.
  EXPECT_FALSE(read(tgaHeader(2, 65535, 65535, 32) + Bytes(40, 7)));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read image data"});
  EXPECT_EQ(image_.pixels, nullptr);
  EXPECT_EQ(image_.width, 65535u);
  EXPECT_EQ(image_.format, kGlRgba);

  const Bytes rle = tgaHeader(10, 65535, 65535, 32);
  Bytes runs;
  for (int i = 0; i < 100; ++i) runs = runs + Bytes{0xFF, 1, 2, 3, 4};
  EXPECT_FALSE(read(rle + runs));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read RLE header"});
  EXPECT_FALSE(read(rle + runs + Bytes{0x90, 1, 2}));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read from file"});
  EXPECT_FALSE(read(rle + runs + Bytes{0x03, 1, 2, 3, 4, 5}));
  EXPECT_EQ(boxLines(), std::vector<std::string>{"ERROR: Could not read image data"});
  EXPECT_EQ(image_.pixels, nullptr);
  EXPECT_EQ(image_.height, 65535u);
}

TEST_F(TgaReaderTest, BackslashesInThePathAreFolderSeparators) {
  std::filesystem::create_directory("systemtex");
  writeFile("systemtex/small.tga", toString(tgaHeader(2, 3, 2, 24) + fileOrder24(kRgb3x2)));
  ASSERT_TRUE(loadTga(image_, "systemtex\\small.tga"));
  EXPECT_EQ(pixelsOf(image_), toString(kRgb3x2));
}

TEST_F(TgaReaderTest, EveryTruncationOfSmallFilesFailsWithOneClearBox) {
  const std::vector<Bytes> files = {
      tgaHeader(2, 3, 2, 32) + fileOrder32(withAlpha(kRgb3x2, kAlpha3x2)),
      tgaHeader(10, 3, 2, 24) +
          Bytes{0x00, 1, 2, 3, 0x81, 4, 5, 6, 0x01, 7, 8, 9, 10, 11, 12, 0x80, 13, 14, 15},
  };
  const std::vector<std::string> known = {
      "ERROR: Could not read file header", "ERROR: Could not read info header",
      "ERROR: Could not read image data", "ERROR: Could not read RLE header",
      "ERROR: Could not read from file"};
  for (const Bytes& file : files) {
    ASSERT_TRUE(read(file));
    for (size_t length = 0; length < file.size(); ++length) {
      EXPECT_FALSE(read(Bytes(file.begin(), file.begin() + length))) << length;
      std::vector<std::string> boxes = boxLines();
      ASSERT_EQ(boxes.size(), 1u) << length;
      EXPECT_NE(std::find(known.begin(), known.end(), boxes[0]), known.end()) << boxes[0];
      EXPECT_EQ(image_.pixels, nullptr) << length;
    }
  }
}

}  // namespace
