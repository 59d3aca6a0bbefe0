// The real vistrel-tool render, run as a program: the file it writes (size,
// header, pixel layout), where it writes it, what the options change in the
// picture, and its exit statuses.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/config_file.h"
#include "tests/support/test_support.h"

namespace {

// A model of one square facing the camera (stored in the x-z plane, which
// the drawing turns towards the viewer), radius 3, its material missing so
// that it wears the fallback checker.
std::string squareModel() {
  return "MODEL\n3DO 2.1\nRESOURCES\nMATERIALS 1\n 0: absent.mat\n"
         "GEOMETRY\nRADIUS 3.0\nINSERT OFFSET 0 0 0\nLEVELS 1\nLEVEL 0\nMESHES 1\n"
         "MESH 0\nNAME square\nRADIUS 1.5\nDRAW MODE 4\nLIGHT MODE 3\nTEXTURE MODE 3\n"
         "VERTICES 4\n"
         " 0: 1 0 -1\n 1: -1 0 -1\n 2: -1 0 1\n 3: 1 0 1\n"
         "TEXTURE VERTICES 4\n 0: 0 0\n 1: 64 0\n 2: 64 64\n 3: 0 64\n"
         "VERTEX NORMALS\n 0: 0 1 0\n 1: 0 1 0\n 2: 0 1 0\n 3: 0 1 0\n"
         "FACES 1\n 0: 0 0x0000 1 3 0 0.0 4 0,0 1,1 2,2 3,3\n"
         "FACE NORMALS\n 0: 0 1 0\n"
         "HIERARCHY\nHIERARCHY NODES 1\n"
         " 0: 0x0000 0 0 -1 0 0 0 0 0 0 0 0 0 0 0 0 square\n";
}

struct Picture {
  int width = 0;
  int height = 0;
  std::string bytes;
  // B, G, R, A of the pixel at (x, y), y counted from the bottom row.
  std::vector<int> at(int x, int y) const {
    size_t offset = 18 + 4 * (static_cast<size_t>(y) * width + x);
    std::vector<int> bgra;
    for (int i = 0; i < 4; ++i) bgra.push_back(static_cast<unsigned char>(bytes[offset + i]));
    return bgra;
  }
  bool same(int x, int y, int b, int g, int r) const {
    std::vector<int> p = at(x, y);
    return std::abs(p[0] - b) <= 1 && std::abs(p[1] - g) <= 1 && std::abs(p[2] - r) <= 1;
  }
};

Picture readPicture(const std::string& path) {
  Picture picture;
  picture.bytes = readFile(path);
  if (picture.bytes.size() >= 18) {
    picture.width = static_cast<unsigned char>(picture.bytes[12]) |
                    static_cast<unsigned char>(picture.bytes[13]) << 8;
    picture.height = static_cast<unsigned char>(picture.bytes[14]) |
                     static_cast<unsigned char>(picture.bytes[15]) << 8;
  }
  return picture;
}

class RenderToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(runCommand("mkdir -p models out"), 0);
    writeFile("models/square.3do", squareModel());
  }
  // Runs the tool from the scratch folder.
  int render(const std::string& arguments, std::string* out = nullptr, std::string* err = nullptr) {
    return runCommand("'" + runtimePath("vistrel-tool") + "' render " + arguments, out, err);
  }
  ScratchDir scratch_;
};

TEST_F(RenderToolTest, WritesTheFrameInTheScreenshotLayoutAtTheStartFolderPath) {
  // An existing, longer file at the output path is replaced, not patched.
  writeFile("out/pic.tga", std::string(100000, 'x'));
  std::string err;
  ASSERT_EQ(
      render("models/square.3do -o out/pic.tga --size 64x48 --background 1,0,0.5", nullptr, &err),
      0)
      << err;
  Picture picture = readPicture(scratch_.file("out/pic.tga"));
  ASSERT_EQ(picture.bytes.size(), 18u + 4u * 64u * 48u);
  const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64, 0, 48, 0, 32, 0};
  for (int i = 0; i < 18; ++i) {
    EXPECT_EQ(static_cast<unsigned char>(picture.bytes[i]), header[i]) << "header byte " << i;
  }
  // Corners: the background as B, G, R with the clear alpha of 0.5.
  for (int y : {0, 47}) {
    for (int x : {0, 63}) {
      EXPECT_TRUE(picture.same(x, y, 128, 0, 255)) << x << "," << y;
      EXPECT_NEAR(picture.at(x, y)[3], 128, 1);
    }
  }
  // The square fills the middle: lit and checker-textured, not background.
  EXPECT_FALSE(picture.same(32, 24, 128, 0, 255));
  // The model was loaded from its own folder: its report lies beside it.
  EXPECT_TRUE(fileExists(scratch_.file("models/ModelStats.txt")));
  EXPECT_FALSE(fileExists(scratch_.file("ModelStats.txt")));
  EXPECT_NE(err.find("absent.mat"), std::string::npos) << "the MAT reader's box: " << err;
}

TEST_F(RenderToolTest, OptionsChangeThePictureAsTheViewerWould) {
  // Default: 640 x 480, the background of the config.txt beside the program.
  ASSERT_EQ(render("models/square.3do -o plain.tga"), 0);
  Picture plain = readPicture(scratch_.file("plain.tga"));
  ASSERT_EQ(plain.bytes.size(), 18u + 4u * 640u * 480u);
  float colour[3] = {0, 0, 0};
  ASSERT_TRUE(readBackgroundColour(runtimePath("config.txt").c_str(), colour));
  const int r = static_cast<int>(colour[0] * 255 + 0.5f);
  const int g = static_cast<int>(colour[1] * 255 + 0.5f);
  const int b = static_cast<int>(colour[2] * 255 + 0.5f);
  EXPECT_TRUE(plain.same(0, 0, b, g, r));
  EXPECT_TRUE(plain.same(639, 479, b, g, r));
  EXPECT_FALSE(plain.same(320, 240, b, g, r));
  EXPECT_TRUE(plain.same(620, 10, b, g, r)) << "no overlay by default";

  // Wire mode: the inside of the square shows the background.
  ASSERT_EQ(render("models/square.3do -o wire.tga --mode wire"), 0);
  Picture wire = readPicture(scratch_.file("wire.tga"));
  EXPECT_TRUE(wire.same(340, 220, b, g, r));
  EXPECT_FALSE(plain.same(340, 220, b, g, r));

  // Help text: the panel covers the upper screen, the status bar the bottom.
  ASSERT_EQ(render("models/square.3do -o help.tga --text help"), 0);
  Picture help = readPicture(scratch_.file("help.tga"));
  EXPECT_FALSE(help.same(620, 10, b, g, r));
  EXPECT_FALSE(help.same(20, 300, b, g, r));
  ASSERT_EQ(render("models/square.3do -o fps.tga --text fps"), 0);
  Picture fps = readPicture(scratch_.file("fps.tga"));
  EXPECT_FALSE(fps.same(620, 10, b, g, r));
  EXPECT_TRUE(fps.same(20, 300, b, g, r));

  // Untextured and unlit: one flat colour over the whole square.
  ASSERT_EQ(render("models/square.3do -o flat.tga --no-texture --no-lighting"), 0);
  Picture bare = readPicture(scratch_.file("flat.tga"));
  EXPECT_TRUE(bare.same(300, 220, 255, 255, 255));
  EXPECT_TRUE(bare.same(340, 260, 255, 255, 255));

  // A camera far away and a half turn about y (the square then faces away
  // and is culled).
  ASSERT_EQ(render("models/square.3do -o far.tga --camera 0,0,30"), 0);
  Picture far = readPicture(scratch_.file("far.tga"));
  EXPECT_FALSE(far.same(320, 240, b, g, r));
  EXPECT_TRUE(far.same(320, 300, b, g, r));
  EXPECT_FALSE(plain.same(320, 300, b, g, r));
  ASSERT_EQ(render("models/square.3do -o turned.tga --rotate 0,180,0"), 0);
  Picture turned = readPicture(scratch_.file("turned.tga"));
  EXPECT_TRUE(turned.same(320, 240, b, g, r));
}

TEST_F(RenderToolTest, ExitStatusesAndUsage) {
  std::string out, err;
  EXPECT_EQ(render("--help", &out), 0);
  EXPECT_NE(out.find("usage: vistrel-tool render"), std::string::npos) << out;

  // The model does not load: 1, and nothing is written.
  EXPECT_EQ(render("models/none.3do -o none.tga", nullptr, &err), 1);
  EXPECT_FALSE(fileExists(scratch_.file("none.tga")));
  EXPECT_NE(err.find("Could not open 3do file"), std::string::npos) << err;
  writeFile("models/bad.3do", "MODEL\nXYZ\n");
  EXPECT_EQ(render("models/bad.3do -o bad.tga"), 1);
  EXPECT_FALSE(fileExists(scratch_.file("bad.tga")));
  // The picture cannot be written: 1.
  EXPECT_EQ(render("models/square.3do -o no/such/folder/pic.tga"), 1);

  const char* usageErrors[] = {
      "",
      "models/square.3do",
      "-o x.tga",
      "models/square.3do -o",
      "models/square.3do -o x.tga --size 0x5",
      "models/square.3do -o x.tga --size 64",
      "models/square.3do -o x.tga --size 64x48x2",
      "models/square.3do -o x.tga --size 99999x10",
      "models/square.3do -o x.tga --camera 1,2",
      "models/square.3do -o x.tga --camera 1,2,3,4",
      "models/square.3do -o x.tga --rotate a,b,c",
      "models/square.3do -o x.tga --background 1,nan,0",
      "models/square.3do -o x.tga --mode shiny",
      "models/square.3do -o x.tga --text all",
      "models/square.3do -o x.tga --bogus",
      "models/square.3do models/square.3do -o x.tga",
  };
  for (const char* arguments : usageErrors) {
    EXPECT_EQ(render(arguments, nullptr, &err), 2) << "'" << arguments << "'";
    EXPECT_NE(err.find("usage: vistrel-tool render"), std::string::npos) << arguments;
  }
  EXPECT_FALSE(fileExists(scratch_.file("x.tga")));
}

}  // namespace
