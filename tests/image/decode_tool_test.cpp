// vistrel-tool decode as a program: MAT and TGA inputs give uncompressed
// type-2 files whose bytes are exactly the decoded buffer, failures exit 1
// with the reader's box on stderr, and usage errors exit 2.
#include <cstdlib>
#include <string>

#include "image/tga_reader.h"
#include "tests/support/test_support.h"

namespace {

std::string tool() {
  return "'" + runtimePath("vistrel-tool") + "'";
}

std::string header(int type, int width, int height, int bits, int descriptor) {
  std::string bytes(18, '\0');
  bytes[2] = static_cast<char>(type);
  bytes[12] = static_cast<char>(width);
  bytes[14] = static_cast<char>(height);
  bytes[16] = static_cast<char>(bits);
  bytes[17] = static_cast<char>(descriptor);
  return bytes;
}

// A MAT file of the given size and index bytes.
std::string matFile(int width, int height, const std::string& indices) {
  std::string bytes = "MAT 2";
  bytes += std::string(108, 'x');
  std::string size(9, '\0');
  size[3] = static_cast<char>(width & 0xFF);
  size[4] = static_cast<char>(width >> 8);
  size[7] = static_cast<char>(height & 0xFF);
  size[8] = static_cast<char>(height >> 8);
  bytes += size;
  bytes += std::string(18, 'y');
  return bytes + indices;
}

std::string bufferOf(const ImageData& image) {
  return std::string(reinterpret_cast<const char*>(image.pixels),
                     static_cast<size_t>(image.width) * image.height * (image.bitsPerPixel / 8));
}

class DecodeToolTest : public ::testing::Test {
 protected:
  void SetUp() override { headlessSetEchoBoxes(false); }
  void TearDown() override { headlessSetEchoBoxes(true); }
  int decode(const std::string& arguments) {
    return runCommand(tool() + " decode " + arguments, &out_, &err_);
  }
  ScratchDir scratch_;
  std::string out_, err_;
};

TEST_F(DecodeToolTest, TgaInputsBecomeUncompressedFilesOfTheDecodedBuffer) {
  // Type 10, 32 bits, 2 x 3, top-left origin: raw 1, run 3, raw 2.
  const std::string packets = std::string("\x00\x01\x02\x03\x28", 5) +
                              std::string("\x82\x07\x08\x09\xC8", 5) +
                              std::string("\x01\x0A\x0B\x0C\x00\x0D\x0E\x0F\xFF", 9);
  writeFile("in.tga", header(10, 2, 3, 32, 0x28) + packets + "footer");
  ASSERT_EQ(decode("in.tga -o out.tga"), 0) << err_;
  EXPECT_EQ(out_, "");
  // Rows in buffer order, blue-green-red-alpha, image descriptor 0.
  const std::string expected =
      header(2, 2, 3, 32, 0) + std::string(
                                   "\x01\x02\x03\x28\x07\x08\x09\xC8\x07\x08\x09\xC8"
                                   "\x07\x08\x09\xC8\x0A\x0B\x0C\x00\x0D\x0E\x0F\xFF",
                                   24);
  EXPECT_EQ(readFile("out.tga"), expected);

  ImageData original, decoded;
  ASSERT_TRUE(loadTga(original, "in.tga"));
  ASSERT_TRUE(loadTga(decoded, "out.tga"));
  EXPECT_EQ(bufferOf(decoded), bufferOf(original));
  std::free(original.pixels);
  std::free(decoded.pixels);

  // 24 bits, type 2: the same bytes again; -o may come first.
  writeFile("rgb.tga",
            header(2, 3, 1, 24, 0) + std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9));
  ASSERT_EQ(decode("-o out24.tga rgb.tga"), 0) << err_;
  EXPECT_EQ(readFile("out24.tga"), readFile("rgb.tga"));
}

TEST_F(DecodeToolTest, MatInputsOfAnyCaseGoThroughThePalette) {
  // Indices 6 and 31: red and blue; a trailing byte is ignored.
  writeFile("Tex.MAT", matFile(2, 1, std::string("\x06\x1F\x10", 3)));
  ASSERT_EQ(decode("Tex.MAT -o out.tga"), 0) << err_;
  EXPECT_EQ(readFile("out.tga"),
            header(2, 2, 1, 24, 0) + std::string("\x00\x00\xFF\xFF\x00\x00", 6));
  // A MAT file under a .tga name is read as TGA and refused as such.
  writeFile("tex.tga", matFile(2, 1, std::string("\x06\x1F", 2)));
  EXPECT_EQ(decode("tex.tga -o other.tga"), 1);
  EXPECT_NE(err_.find("Invalid Image: TGA file be type 2 or type 10 "), std::string::npos) << err_;
  EXPECT_FALSE(fileExists("other.tga"));
}

TEST_F(DecodeToolTest, FailuresAndUsageErrorsHaveTheirExitStatus) {
  EXPECT_EQ(decode("missing.tga -o out.tga"), 1);
  EXPECT_NE(err_.find("ERROR: Could not open texture file"), std::string::npos) << err_;
  EXPECT_EQ(decode("missing.mat -o out.tga"), 1);
  EXPECT_NE(err_.find("ERROR: Could not open missing.mat."), std::string::npos) << err_;
  writeFile("short.tga", header(2, 4, 4, 24, 0) + "abc");
  EXPECT_EQ(decode("short.tga -o out.tga"), 1);
  EXPECT_NE(err_.find("ERROR: Could not read image data"), std::string::npos) << err_;
  EXPECT_FALSE(fileExists("out.tga"));
  EXPECT_EQ(out_, "");

  writeFile("ok.tga", header(2, 1, 1, 24, 0) + "abc");
  EXPECT_EQ(decode("ok.tga -o no-such-folder/out.tga"), 1);
  EXPECT_NE(err_.find("could not write"), std::string::npos) << err_;

  EXPECT_EQ(decode(""), 2);
  EXPECT_EQ(decode("ok.tga"), 2);
  EXPECT_EQ(decode("ok.tga -o"), 2);
  EXPECT_EQ(decode("ok.tga other.tga -o out.tga"), 2);
  EXPECT_EQ(decode("ok.tga -o out.tga --bogus"), 2);
  EXPECT_NE(err_.find("usage: vistrel-tool decode"), std::string::npos) << err_;
  EXPECT_FALSE(fileExists("out.tga"));
  EXPECT_EQ(decode("--help"), 0);
  EXPECT_NE(out_.find("usage: vistrel-tool decode IMAGE -o OUT.tga"), std::string::npos);
}

}  // namespace
