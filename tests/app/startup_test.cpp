// Start-up of a fresh window: the configuration file's colour line, the
// fixed GL state, light and material, the fallback texture, the file
// dialog and the first view; and the failures that end the program quietly.
#include <cstdio>
#include <string>

#include "app/config_file.h"
#include "platform/gl.h"
#include "tests/app/shell_fixture.h"

namespace {

std::vector<float> clearColour() {
  GLfloat c[4] = {0, 0, 0, 0};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, c);
  return {c[0], c[1], c[2], c[3]};
}

// readConfigLine over the given file content: every line it returns.
std::vector<std::string> configLines(const std::string& content) {
  writeFile("lines.txt", content);
  std::vector<std::string> lines;
  FILE* file = std::fopen("lines.txt", "r");
  if (!file) return lines;
  char buffer[256];
  while (readConfigLine(buffer, file)) lines.push_back(buffer);
  std::fclose(file);
  return lines;
}

}  // namespace

using StartupTest = ShellTest;

TEST_F(StartupTest, ConfigLinesSkipBlankAndCommentLinesAndSplitLongOnes) {
  EXPECT_EQ(configLines("\n   \n\t\n# comment\n   # indented comment\n1 2 3\nnext\n"),
            (std::vector<std::string>{"1 2 3\n", "next\n"}));
  EXPECT_EQ(configLines(""), std::vector<std::string>{});
  EXPECT_EQ(configLines("# only\n#comments\n\n"), std::vector<std::string>{});
  // Only the first word's first character decides; a later "#" is text.
  EXPECT_EQ(configLines("0.5 # half\nx#y"), (std::vector<std::string>{"0.5 # half\n", "x#y"}));
  // A line of 300 characters is read as 255 and then the remaining 45.
  const std::string longLine(300, '7');
  auto lines = configLines(longLine + "\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(255, '7'));
  EXPECT_EQ(lines[1], std::string(45, '7') + "\n");
}

TEST_F(StartupTest, FirstViewOfTheChosenModelWithTheFixedState) {
  headlessSetTickOverride(true, 123456u);
  writeFile("config.txt", "\n  \n# colour\n   #also a comment\n0 0 0.5 0.9 trailing\n1 1 1\n");
  ASSERT_TRUE(startViewer("models/large.3do"));
  EXPECT_TRUE(boxLines().empty());
  // Background from the first significant line, alpha always 0.5.
  EXPECT_EQ(clearColour(), (std::vector<float>{0.0f, 0.0f, 0.5f, 0.5f}));

  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
  EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
  GLint value = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &value);
  EXPECT_EQ(value, GL_LEQUAL);
  glGetIntegerv(GL_CULL_FACE_MODE, &value);
  EXPECT_EQ(value, GL_BACK);
  glGetIntegerv(GL_SHADE_MODEL, &value);
  EXPECT_EQ(value, GL_SMOOTH);
  GLfloat shininess = 0;
  glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
  EXPECT_FLOAT_EQ(shininess, 50.0f);
  GLfloat light[4] = {};
  glGetLightfv(GL_LIGHT0, GL_POSITION, light);
  EXPECT_FLOAT_EQ(light[2], 20.0f);
  EXPECT_FLOAT_EQ(light[3], 0.0f);

  Viewer& viewer = programViewer();
  EXPECT_NE(viewer.textures.checkerTexture.textureName, 0u);
  EXPECT_EQ(viewer.model.fallbackTexture, viewer.textures.checkerTexture.textureName);
  EXPECT_EQ(viewer.model.fallbackTextureSize,
            static_cast<int32_t>(viewer.textures.checkerTexture.width));
  EXPECT_NE(viewer.font.image.textureName, 0u);
  EXPECT_EQ(viewer.font.red, 255);
  EXPECT_EQ(viewer.font.alpha, 255);

  const ViewState& view = viewer.view;
  EXPECT_FLOAT_EQ(view.cameraX, 0);
  EXPECT_FLOAT_EQ(view.cameraY, 0);
  EXPECT_FLOAT_EQ(view.cameraZ, 23.0f);
  EXPECT_FLOAT_EQ(view.rotationX, 0);
  EXPECT_TRUE(view.slowPan);
  EXPECT_TRUE(view.hudVisible);
  EXPECT_FALSE(view.helpVisible);
  EXPECT_EQ(view.renderMode, kRenderSmooth);
  EXPECT_TRUE(view.texturing);
  EXPECT_TRUE(view.lighting);
  EXPECT_FALSE(view.envMapping);
  EXPECT_EQ(viewer.frameRate.windowStart, 123456u);
  EXPECT_EQ(viewer.frameRate.frameCount, 0u);
  EXPECT_EQ(viewer.window, &window_);
  EXPECT_EQ(viewer.keys, &keys_);

  const HeadlessFileDialog& dialog = headlessLastFileDialog();
  EXPECT_EQ(dialog.shown, 1);
  EXPECT_EQ(dialog.title, "Choose a 3do to Open");
  EXPECT_EQ(dialog.filterName, "3do files");
  EXPECT_EQ(dialog.filterPattern, "*.3do");
  EXPECT_EQ(dialog.defaultExtension, "3do");
  EXPECT_EQ(dialog.bufferSize, 256u);

  // The chosen model's folder is now the current folder: its report is there.
  EXPECT_TRUE(fileExists(scratch_->file("models/ModelStats.txt")));
  EXPECT_FALSE(fileExists(scratch_->file("ModelStats.txt")));
}

TEST_F(StartupTest, StartUpResetsEveryToggleOfAnEarlierWindow) {
  ASSERT_TRUE(startViewer());
  ViewState& view = programViewer().view;
  view.slowPan = false;
  view.helpVisible = true;
  view.hudVisible = false;
  view.texturing = false;
  view.lighting = false;
  view.envMapping = true;
  view.renderMode = kRenderWire;
  view.rotationY = 90;
  destroyAppWindow(window_);
  releaseModel(programViewer().model);
  std::filesystem::current_path(scratch_->path());
  ASSERT_TRUE(startViewer());
  EXPECT_TRUE(view.slowPan);
  EXPECT_FALSE(view.helpVisible);
  EXPECT_TRUE(view.hudVisible);
  EXPECT_TRUE(view.texturing);
  EXPECT_TRUE(view.lighting);
  EXPECT_FALSE(view.envMapping);
  EXPECT_EQ(view.renderMode, kRenderSmooth);
  EXPECT_FLOAT_EQ(view.rotationY, 0);
}

TEST_F(StartupTest, ColourLineWithMissingNumbersUsesZeroForThem) {
  writeFile("config.txt", "0.75\n");
  ASSERT_TRUE(startViewer());
  EXPECT_EQ(clearColour(), (std::vector<float>{0.75f, 0.0f, 0.0f, 0.5f}));

  destroyAppWindow(window_);
  releaseModel(programViewer().model);
  std::filesystem::current_path(scratch_->path());
  writeFile("config.txt", "red green blue\n");
  ASSERT_TRUE(startViewer());
  EXPECT_EQ(clearColour(), (std::vector<float>{0.0f, 0.0f, 0.0f, 0.5f}));
}

TEST_F(StartupTest, ConfigWithoutAColourLineOrMissingFailsWithoutAMessage) {
  const char* contents[] = {"", "# nothing but comments\n\n   \n", nullptr};
  for (const char* content : contents) {
    std::filesystem::current_path(scratch_->path());
    if (content) {
      writeFile("config.txt", content);
    } else {
      std::filesystem::remove("config.txt");
    }
    ASSERT_TRUE(openWindow());
    headlessQueueFileChoice(scratch_->file("models/small.3do"));
    EXPECT_FALSE(initialiseViewer(window_, keys_));
    EXPECT_TRUE(boxLines().empty());
    EXPECT_EQ(headlessLastFileDialog().shown, 0);  // no dialog either
    destroyAppWindow(window_);
    headlessClearFileChoices();
  }
}

TEST_F(StartupTest, CancelledDialogFailsWithTheReadersMessage) {
  ASSERT_TRUE(openWindow());
  headlessQueueFileCancel();
  EXPECT_FALSE(initialiseViewer(window_, keys_));
  EXPECT_EQ(boxLines(), (std::vector<std::string>{"ERROR: Could not open 3do file"}));
  EXPECT_EQ(programViewer().model.meshCount, 0);
}

TEST_F(StartupTest, APathTooLongForTheBufferIsRefusedNotCut) {
  ASSERT_TRUE(openWindow());
  char buffer[256] = "unchanged";
  headlessQueueFileChoice("/" + std::string(255, 'a'));  // 256 characters
  EXPECT_FALSE(chooseModelFile(buffer));
  EXPECT_STREQ(buffer, "unchanged");
  headlessQueueFileChoice("/" + std::string(254, 'a'));  // 255 fit
  EXPECT_TRUE(chooseModelFile(buffer));
  EXPECT_EQ(std::string(buffer), "/" + std::string(254, 'a'));
}
