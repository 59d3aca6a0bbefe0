// The screenshot writer in a real offscreen context: name probing, the exact
// file layout, and a drawn picture read back by the TGA reader pixel for pixel.
#include "image/screenshot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/tga_reader.h"
#include "platform/gl.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string screenName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "screen%03d.tga", number);
  return name;
}

std::vector<std::string> screenFiles() {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(".")) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class ScreenshotTest : public GlTest {};

class SmallScreenshotTest : public GlTest {
 protected:
  int contextWidth() const override { return 7; }
  int contextHeight() const override { return 5; }
};

TEST_F(ScreenshotTest, FirstFreeNameIsTakenAndNothingExistingIsOverwritten) {
  saveScreenshot(640, 480);
  EXPECT_EQ(screenFiles(), std::vector<std::string>{"screen000.tga"});

  // screen000 to screen002 present: the next is screen003.
  saveScreenshot(640, 480);
  saveScreenshot(640, 480);
  saveScreenshot(640, 480);
  EXPECT_EQ(screenFiles(), (std::vector<std::string>{"screen000.tga", "screen001.tga",
                                                     "screen002.tga", "screen003.tga"}));

  // A gap is filled first.
  fs::remove("screen001.tga");
  saveScreenshot(640, 480);
  EXPECT_TRUE(fileExists("screen001.tga"));
  EXPECT_FALSE(fileExists("screen004.tga"));

  // Names that exist in any form are taken: an unreadable file keeps its
  // content, a folder and a dangling link are left alone.
  for (const fs::directory_entry& entry : fs::directory_iterator(".")) fs::remove(entry.path());
  writeFile("screen000.tga", "keep me");
  fs::permissions("screen000.tga", fs::perms::none);
  fs::create_directory("screen001.tga");
  fs::create_symlink("nowhere.tga", "screen002.tga");
  saveScreenshot(640, 480);
  fs::permissions("screen000.tga", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(readFile("screen000.tga"), "keep me");
  EXPECT_TRUE(fs::is_directory("screen001.tga"));
  EXPECT_FALSE(fs::exists("nowhere.tga"));
  EXPECT_EQ(readFile("screen003.tga").size(), 1228818u);
  EXPECT_TRUE(boxLines().empty());
}

TEST_F(ScreenshotTest, AllThousandNamesTakenWritesNothingAndShowsNothing) {
  for (int n = 0; n < 1000; ++n) writeFile(screenName(n), "x");
  saveScreenshot(640, 480);
  std::vector<std::string> files = screenFiles();
  EXPECT_EQ(files.size(), 1000u);
  for (int n = 0; n < 1000; n += 111) EXPECT_EQ(readFile(screenName(n)), "x");
  EXPECT_TRUE(boxLines().empty());

  // One freed name in the middle is the one used.
  fs::remove(screenName(517));
  saveScreenshot(640, 480);
  EXPECT_EQ(readFile(screenName(517)).size(), 1228818u);
}

TEST_F(ScreenshotTest, FullWindowFileHasTheExactHeaderAndLength) {
  glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  saveScreenshot(640, 480);
  const std::string bytes = readFile("screen000.tga");
  ASSERT_EQ(bytes.size(), 1228818u);
  const std::string expected(
      "\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x80\x02\xE0\x01\x20\x00",
      18);
  EXPECT_EQ(bytes.substr(0, 18), expected);
  // Blue clear colour, stored blue first.
  EXPECT_EQ(static_cast<unsigned char>(bytes[18]), 255);
  EXPECT_EQ(static_cast<unsigned char>(bytes[20]), 0);
}

TEST_F(SmallScreenshotTest, DrawnPictureIsReadBackPixelForPixel) {
  // An asymmetric picture: four differently coloured regions.
  glEnable(GL_SCISSOR_TEST);
  const struct {
    int x, y, w, h;
    float r, g, b;
  } regions[] = {{0, 0, 7, 5, 0.1f, 0.2f, 0.3f},
                 {0, 0, 2, 1, 1.0f, 0.0f, 0.0f},
                 {5, 3, 2, 2, 0.0f, 0.0f, 1.0f},
                 {3, 1, 1, 3, 0.0f, 1.0f, 0.0f}};
  for (const auto& region : regions) {
    glScissor(region.x, region.y, region.w, region.h);
    glClearColor(region.r, region.g, region.b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glDisable(GL_SCISSOR_TEST);
  std::vector<unsigned char> drawn(7 * 5 * 4);
  glReadPixels(0, 0, 7, 5, GL_RGBA, GL_UNSIGNED_BYTE, drawn.data());

  saveScreenshot(7, 5);
  ASSERT_EQ(readFile("screen000.tga").size(), 18u + 7 * 5 * 4);

  ImageData image;
  ASSERT_TRUE(loadTga(image, "screen000.tga"));
  EXPECT_EQ(image.width, 7u);
  EXPECT_EQ(image.height, 5u);
  EXPECT_EQ(image.bitsPerPixel, 32u);
  EXPECT_EQ(image.format, kGlRgba);
  // Bottom row first, as GL reads it: pixel 0 is the red corner at the bottom
  // left, the last pixel the blue one at the top right.
  EXPECT_EQ(std::string(reinterpret_cast<char*>(image.pixels), drawn.size()),
            std::string(reinterpret_cast<char*>(drawn.data()), drawn.size()));
  EXPECT_EQ(image.pixels[0], 255);
  EXPECT_EQ(image.pixels[2], 0);
  EXPECT_EQ(image.pixels[(7 * 5 - 1) * 4 + 2], 255);
  EXPECT_EQ(image.pixels[(1 * 7 + 3) * 4 + 1], 255);
  std::free(image.pixels);
  EXPECT_TRUE(boxLines().empty());
}

}  // namespace
