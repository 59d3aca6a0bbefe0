// The per-frame keyboard controls on a real headless window with a loaded
// model: held-key motion and its scaling, the order of the key table, the
// one-shot flag timing, wrap rules, the text and render-mode cycles with
// their GL state, reset, screenshots and loading another model.
#include <cmath>

#include "platform/gl.h"
#include "tests/app/shell_fixture.h"

namespace {

GLint shadeModel() {
  GLint value = 0;
  glGetIntegerv(GL_SHADE_MODEL, &value);
  return value;
}

GLint frontPolygonMode() {
  GLint modes[2] = {0, 0};
  glGetIntegerv(GL_POLYGON_MODE, modes);
  return modes[0];
}

GLint backPolygonMode() {
  GLint modes[2] = {0, 0};
  glGetIntegerv(GL_POLYGON_MODE, modes);
  return modes[1];
}

}  // namespace

class ControlsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ASSERT_TRUE(startViewer());
    view_ = &programViewer().view;
  }
  // One frame's input step with the given keys held.
  void frame(std::initializer_list<int> held, uint32_t elapsed) {
    for (int key : held) keys_.down[key] = 1;
    updateViewer(elapsed);
  }
  ViewState* view_ = nullptr;
};

TEST_F(ControlsTest, HeldPanKeysMoveByElapsedTimeAtTheSlowOrFastStep) {
  // Start values: the camera 2.3 model radii in front of the model.
  EXPECT_FLOAT_EQ(view_->cameraZ, 4.6f);
  frame({'W'}, 1000);
  EXPECT_NEAR(view_->cameraZ, 4.6 - 1000.0 / 1090.0, 1e-5);
  EXPECT_EQ(keys_.down['W'], 1);  // held keys keep their flag
  keys_.down['W'] = 0;

  frame({kVkF1}, 0);  // fast pan
  EXPECT_FALSE(view_->slowPan);
  EXPECT_EQ(keys_.down[kVkF1], 0);
  frame({'S'}, 1000);
  EXPECT_NEAR(view_->cameraZ, 4.6 - 1000.0 / 1090.0 + 1000.0 / 90.0, 1e-4);
  keys_.down['S'] = 0;

  // L and I move towards minus, J and K towards plus; together they cancel.
  frame({'L', 'I'}, 90);
  EXPECT_NEAR(view_->cameraX, -1.0, 1e-6);
  EXPECT_NEAR(view_->cameraY, -1.0, 1e-6);
  frame({'J', 'K'}, 180);  // L and I are still held
  EXPECT_NEAR(view_->cameraX, -1.0, 1e-6);
  EXPECT_NEAR(view_->cameraY, -1.0, 1e-6);
  keys_.down['L'] = keys_.down['I'] = 0;
  frame({}, 90);
  EXPECT_NEAR(view_->cameraX, 0.0, 1e-6);
  EXPECT_NEAR(view_->cameraY, 0.0, 1e-6);
}

TEST_F(ControlsTest, HeldTurnKeysTurn125DegreesASecondAndWrapOnceAFrame) {
  frame({'G'}, 1000);
  EXPECT_FLOAT_EQ(view_->rotationX, 125.0f);
  frame({}, 1000);
  EXPECT_FLOAT_EQ(view_->rotationX, 250.0f);
  frame({}, 888);  // 250 + 111 = 361 comes back to 1
  EXPECT_FLOAT_EQ(view_->rotationX, 1.0f);
  keys_.down['G'] = 0;

  frame({'T'}, 16);  // 1 - 2 = -1 becomes 359
  EXPECT_FLOAT_EQ(view_->rotationX, 359.0f);
  keys_.down['T'] = 0;

  // Exactly 360 and exactly 0 stay; a wrap happens once, not repeatedly.
  EXPECT_FLOAT_EQ(wrapUp(360.0f), 360.0f);
  EXPECT_FLOAT_EQ(wrapDown(0.0f), 0.0f);
  EXPECT_FLOAT_EQ(wrapUp(361.0f), 1.0f);
  EXPECT_FLOAT_EQ(wrapUp(800.0f), 440.0f);
  EXPECT_FLOAT_EQ(wrapDown(-1.0f), 359.0f);
  EXPECT_FLOAT_EQ(wrapDown(-500.0f), -140.0f);

  view_->rotationY = 358.0f;
  frame({'D'}, 16);
  EXPECT_FLOAT_EQ(view_->rotationY, 360.0f);
  keys_.down['D'] = 0;
  frame({'A'}, 8);
  EXPECT_FLOAT_EQ(view_->rotationY, 359.0f);
  keys_.down['A'] = 0;

  frame({'F'}, 80);
  EXPECT_FLOAT_EQ(view_->rotationZ, 10.0f);
  keys_.down['F'] = 0;
  frame({'R'}, 160);
  EXPECT_FLOAT_EQ(view_->rotationZ, 350.0f);
  // A frame with no time moves nothing.
  frame({}, 0);
  EXPECT_FLOAT_EQ(view_->rotationZ, 350.0f);
}

TEST_F(ControlsTest, ResetComesBeforeMotionAndKeepsTogglesAndMode) {
  view_->cameraX = 5;
  view_->cameraY = -3;
  view_->cameraZ = 1;
  view_->rotationX = 10;
  view_->rotationY = 20;
  view_->rotationZ = 30;
  view_->texturing = false;
  view_->slowPan = false;
  keys_.down[kVkF5] = 1;
  frame({kVkSpace, 'W', 'D'}, 90);
  // Space held with W and D: one frame's motion after the reset.
  EXPECT_FLOAT_EQ(view_->cameraX, 0);
  EXPECT_FLOAT_EQ(view_->cameraY, 0);
  EXPECT_NEAR(view_->cameraZ, 4.6 - 1.0, 1e-5);
  EXPECT_FLOAT_EQ(view_->rotationX, 0);
  EXPECT_FLOAT_EQ(view_->rotationY, 11.25f);
  EXPECT_FLOAT_EQ(view_->rotationZ, 0);
  EXPECT_FALSE(view_->texturing);
  EXPECT_FALSE(view_->slowPan);
  EXPECT_EQ(view_->renderMode, kRenderWire);
  EXPECT_EQ(keys_.down[kVkSpace], 1);  // Space is a held key
}

TEST_F(ControlsTest, OneShotKeysActOncePerKeyDownAndClearTheirFlags) {
  frame({kVkF6, kVkF8, kVkF1}, 10);
  EXPECT_FALSE(view_->texturing);
  EXPECT_TRUE(view_->envMapping);
  EXPECT_FALSE(view_->slowPan);
  EXPECT_EQ(keys_.down[kVkF6], 0);
  EXPECT_EQ(keys_.down[kVkF8], 0);
  EXPECT_EQ(keys_.down[kVkF1], 0);
  frame({}, 10);  // still held physically, but no new key-down: nothing
  EXPECT_FALSE(view_->texturing);
  EXPECT_TRUE(view_->envMapping);
  // Autorepeat sends another key-down through the window procedure.
  windowProcedure(window_.window, kWmKeyDown, kVkF6, 1 << 30);
  frame({}, 10);
  EXPECT_TRUE(view_->texturing);

  // F7 switches GL lighting along with the flag.
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  frame({kVkF7}, 10);
  EXPECT_FALSE(view_->lighting);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  frame({kVkF7}, 10);
  EXPECT_TRUE(view_->lighting);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_EQ(keys_.down[kVkF7], 0);
}

TEST_F(ControlsTest, TextCycleRunsRateHelpNothingRate) {
  EXPECT_TRUE(view_->hudVisible);
  EXPECT_FALSE(view_->helpVisible);
  frame({'H'}, 10);
  EXPECT_TRUE(view_->hudVisible);
  EXPECT_TRUE(view_->helpVisible);
  EXPECT_EQ(keys_.down['H'], 0);
  frame({'H'}, 10);
  EXPECT_FALSE(view_->hudVisible);
  EXPECT_FALSE(view_->helpVisible);
  frame({'H'}, 10);
  EXPECT_TRUE(view_->hudVisible);
  EXPECT_FALSE(view_->helpVisible);
  // From help without the status bar, H brings the bar back and keeps help.
  view_->hudVisible = false;
  view_->helpVisible = true;
  cycleText(*view_);
  EXPECT_TRUE(view_->hudVisible);
  EXPECT_TRUE(view_->helpVisible);
}

TEST_F(ControlsTest, RenderModeCycleRunsSmoothWireFlatWithItsGlState) {
  EXPECT_EQ(view_->renderMode, kRenderSmooth);
  EXPECT_EQ(shadeModel(), GL_SMOOTH);
  frame({kVkF5}, 10);
  EXPECT_EQ(view_->renderMode, kRenderWire);
  EXPECT_EQ(shadeModel(), GL_FLAT);
  EXPECT_EQ(frontPolygonMode(), GL_LINE);
  EXPECT_EQ(backPolygonMode(), GL_FILL);  // only front faces change
  frame({kVkF5}, 10);
  EXPECT_EQ(view_->renderMode, kRenderFlat);
  EXPECT_EQ(shadeModel(), GL_FLAT);
  EXPECT_EQ(frontPolygonMode(), GL_FILL);
  frame({kVkF5}, 10);
  EXPECT_EQ(view_->renderMode, kRenderSmooth);
  EXPECT_EQ(shadeModel(), GL_SMOOTH);
  EXPECT_EQ(frontPolygonMode(), GL_FILL);
  // Any value other than smooth or flat goes to flat.
  view_->renderMode = 7;
  cycleRenderMode(*view_);
  EXPECT_EQ(view_->renderMode, kRenderFlat);
}

TEST_F(ControlsTest, EscapeEndsTheProgramButTheRestOfTheFrameStillRuns) {
  frame({kVkEscape, kVkF6, 'G'}, 80);
  EXPECT_FALSE(appRunning);
  EXPECT_EQ(keys_.down[kVkEscape], 1);
  EXPECT_FALSE(view_->texturing);
  EXPECT_FLOAT_EQ(view_->rotationX, 10.0f);
  auto messages = takeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].message, kWmQuit);
}

TEST_F(ControlsTest, F12SavesNumberedScreenshotsInTheCurrentFolderOncePerPress) {
  frame({kVkF12}, 10);
  EXPECT_EQ(keys_.down[kVkF12], 0);
  frame({}, 10);
  frame({kVkF12}, 10);
  // Start-up made the model's folder the current folder.
  EXPECT_TRUE(fileExists(scratch_->file("models/screen000.tga")));
  EXPECT_TRUE(fileExists(scratch_->file("models/screen001.tga")));
  EXPECT_FALSE(fileExists(scratch_->file("models/screen002.tga")));
  EXPECT_TRUE(boxLines().empty());
}

TEST_F(ControlsTest, F9LoadsAnotherModelResettingTheViewButKeepingToggles) {
  view_->rotationX = 45;
  view_->cameraX = 2;
  frame({kVkF5, kVkF6, kVkF8, kVkF1}, 10);  // wire, untextured, env map, fast pan
  headlessQueueFileChoice(scratch_->file("models/large.3do"));
  frame({kVkF9}, 10);
  clearBoxes();
  EXPECT_TRUE(appRunning);
  EXPECT_EQ(keys_.down[kVkF9], 0);
  const Model& model = programViewer().model;
  EXPECT_FLOAT_EQ(model.radius, 10.0f);
  ASSERT_EQ(model.meshCount, 1);
  EXPECT_STREQ(model.meshes[0].name, "large");
  EXPECT_FLOAT_EQ(view_->cameraZ, 23.0f);
  EXPECT_FLOAT_EQ(view_->cameraX, 0);
  EXPECT_FLOAT_EQ(view_->rotationX, 0);
  EXPECT_EQ(view_->renderMode, kRenderWire);
  EXPECT_FALSE(view_->texturing);
  EXPECT_TRUE(view_->envMapping);
  EXPECT_FALSE(view_->slowPan);
  EXPECT_EQ(headlessLastFileDialog().shown, 2);
  EXPECT_EQ(headlessLastFileDialog().title, "Choose a 3do to Open");
}

TEST_F(ControlsTest, F9CancelledChangesNothing) {
  view_->rotationZ = 12;
  headlessQueueFileCancel();
  frame({kVkF9}, 10);
  EXPECT_TRUE(appRunning);
  EXPECT_EQ(keys_.down[kVkF9], 0);
  EXPECT_FLOAT_EQ(view_->rotationZ, 12.0f);
  EXPECT_STREQ(programViewer().model.meshes[0].name, "small");
  EXPECT_TRUE(takeMessages().empty());
  EXPECT_TRUE(boxLines().empty());
}

TEST_F(ControlsTest, F9WithABrokenFileEndsTheProgramAfterTheReadersMessage) {
  headlessQueueFileChoice(scratch_->file("models/broken.3do"));
  frame({kVkF9, 'G'}, 80);
  EXPECT_FALSE(appRunning);
  EXPECT_EQ(boxLines(), (std::vector<std::string>{"ERROR: File header does not match 3do"}));
  EXPECT_FLOAT_EQ(view_->rotationX, 10.0f);  // the frame in progress completes
  auto messages = takeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].message, kWmQuit);
  // The failed model is safe to draw.
  Viewer& viewer = programViewer();
  drawFrame(viewer.view, viewer.model, viewer.textures, viewer.font, viewer.frameRate);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ControlsTest, PageDownAndPageUpWalkTheModelsFolderInNameOrderAndWrap) {
  // Names in any case sort case-insensitively; other files and a folder named
  // like a model are passed over.
  std::filesystem::create_directories(scratch_->file("walk/d.3do"));
  std::filesystem::create_directory(scratch_->file("one"));
  for (const char* folder : {"walk", "one"}) {
    std::filesystem::copy_file(scratch_->file("models/plate.mat"),
                               scratch_->file(std::string(folder) + "/plate.mat"));
  }
  writeFile(scratch_->file("walk/A.3do"), testModelText(3.0f, "a"));
  writeFile(scratch_->file("walk/b.3do"), testModelText(4.0f, "b"));
  writeFile(scratch_->file("walk/c.3DO"), testModelText(5.0f, "c"));
  writeFile(scratch_->file("walk/notes.txt"), "not a model\n");
  headlessQueueFileChoice(scratch_->file("walk/b.3do"));
  frame({kVkF9}, 10);
  std::string seen;
  for (int key : {kVkNext, kVkNext, kVkPrior, kVkPrior, kVkPrior}) {
    view_->rotationX = 10;
    frame({key}, 10);
    EXPECT_EQ(keys_.down[key], 0);
    EXPECT_FLOAT_EQ(view_->rotationX, 0.0f);  // each load resets the view
    seen += programViewer().model.meshes[0].name;
  }
  EXPECT_EQ(seen, "cacba");  // from b: on, wrap to a, wrap back, back
  EXPECT_TRUE(appRunning);
  EXPECT_TRUE(boxLines().empty());

  // A folder with one model: PageDown reloads it.
  writeFile(scratch_->file("one/only.3do"), testModelText(6.0f, "only"));
  headlessQueueFileChoice(scratch_->file("one/only.3do"));
  frame({kVkF9}, 10);
  view_->cameraX = 3;
  frame({kVkNext}, 10);
  EXPECT_FLOAT_EQ(view_->cameraX, 0.0f);
  EXPECT_STREQ(programViewer().model.meshes[0].name, "only");
}

TEST_F(ControlsTest, F12ReadsTheClientSizeOfTheLastResize) {
  frame({kVkF12}, 10);  // never resized: the 640 x 480 file
  EXPECT_EQ(readFile(scratch_->file("models/screen000.tga")).size(), 18u + 4 * 640 * 480);
  windowProcedure(window_.window, kWmSize, kSizeRestored, 300 << 16 | 400);
  frame({kVkF12}, 10);
  const std::string shot = readFile(scratch_->file("models/screen001.tga"));
  ASSERT_EQ(shot.size(), 18u + 4 * 400 * 300);
  EXPECT_EQ(shot.substr(12, 4), std::string("\x90\x01\x2c\x01", 4));  // 400, 300
}
