// The mouse and dropped files through the real window procedure and the
// per-frame controls on a headless window: drag distances in, angles and
// camera out; what ends a drag; the wheel; a drop loading its first model
// between frames, and a drop of other files changing nothing.
#include <cmath>

#include "tests/app/shell_fixture.h"

class MouseTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ASSERT_TRUE(startViewer());  // small.3do: radius 2, camera at 4.6
    view_ = &programViewer().view;
  }
  void send(uint32_t message, uintptr_t wParam, int x = 0, int y = 0) {
    windowProcedure(window_.window, message, wParam, mousePositionParam(x, y));
  }
  // Dispatches what the port queued (a drop), as the pump does.
  void dispatchQueued() {
    AppMessage message;
    while (platformPeekMessage(window_, message)) platformDispatchMessage(message);
  }
  ViewState* view_ = nullptr;
};

TEST_F(MouseTest, DragsTurnAndPanByTheirDistanceAndTheWheelMovesTheCamera) {
  // Left drag: 180 degrees across the client width, right about y, down about x.
  send(kWmLButtonDown, kMkLButton, 100, 100);
  send(kWmMouseMove, kMkLButton, 164, 132);
  updateViewer(0);
  EXPECT_FLOAT_EQ(view_->rotationY, 18.0f);
  EXPECT_FLOAT_EQ(view_->rotationX, 9.0f);
  send(kWmMouseMove, kMkLButton, 36, 100);  // back 128 and up 32: wraps below 0
  updateViewer(0);
  EXPECT_FLOAT_EQ(view_->rotationY, 342.0f);
  EXPECT_FLOAT_EQ(view_->rotationX, 0.0f);
  send(kWmLButtonUp, 0, 36, 100);

  // Right and middle drags pan: the model follows the pointer at the camera's
  // distance, 2 * 4.6 * tan(22.5 degrees) units over the 480 rows.
  const double unitsPerPixel = 2 * 4.6 * std::tan(22.5 * M_PI / 180) / 480;
  send(kWmRButtonDown, kMkRButton, 300, 200);
  send(kWmMouseMove, kMkRButton, 348, 224);
  send(kWmRButtonUp, 0, 348, 224);
  send(kWmMButtonDown, kMkMButton, 0, 0);
  send(kWmMouseMove, kMkMButton, 0, 24);
  updateViewer(0);
  EXPECT_NEAR(view_->cameraX, -48 * unitsPerPixel, 1e-6);
  EXPECT_NEAR(view_->cameraY, 48 * unitsPerPixel, 1e-6);
  EXPECT_FLOAT_EQ(view_->rotationY, 342.0f);  // turns only with the left button
  send(kWmMButtonUp, 0, 0, 24);

  // The wheel: 0.2 model radii a notch, away from the user is forward.
  windowProcedure(window_.window, kWmMouseWheel, wheelParam(3 * kWheelDelta, 0), 0);
  windowProcedure(window_.window, kWmMouseWheel, wheelParam(-kWheelDelta, 0), 0);
  updateViewer(0);
  EXPECT_NEAR(view_->cameraZ, 4.6 - 0.8, 1e-6);

  // After a resize a drag measures by the new client width.
  windowProcedure(window_.window, kWmSize, kSizeRestored, mousePositionParam(320, 240));
  send(kWmLButtonDown, kMkLButton, 0, 0);
  send(kWmMouseMove, kMkLButton, 80, 0);
  updateViewer(0);
  EXPECT_FLOAT_EQ(view_->rotationY, 27.0f);  // 342 + 45, wrapped
}

TEST_F(MouseTest, AReleaseAMoveWithoutTheButtonOrMinimisingEndsTheDrag) {
  send(kWmLButtonDown, kMkLButton, 10, 10);
  send(kWmMouseMove, kMkLButton, 20, 10);
  send(kWmLButtonUp, 0, 30, 10);            // the way to the release counts
  send(kWmMouseMove, kMkLButton, 200, 10);  // no drag after the release
  updateViewer(0);
  EXPECT_FLOAT_EQ(view_->rotationY, 5.625f);  // 20 pixels

  // Let go outside the window: the next move lacks the flag and ends it.
  send(kWmLButtonDown, kMkLButton, 0, 0);
  send(kWmMouseMove, 0, 64, 0);
  send(kWmMouseMove, kMkLButton, 128, 0);
  updateViewer(0);
  EXPECT_FLOAT_EQ(view_->rotationY, 5.625f);

  send(kWmRButtonDown, kMkRButton, 0, 0);
  windowProcedure(window_.window, kWmSize, kSizeMinimized, 0);
  send(kWmMouseMove, kMkRButton, 50, 50);
  updateViewer(0);
  EXPECT_FLOAT_EQ(view_->cameraX, 0.0f);
}

TEST_F(MouseTest, ADropLoadsItsFirstModelBetweenFramesAndOtherFilesOnlyGetABox) {
  std::filesystem::create_directories(scratch_->file("other/folder.3do"));
  writeFile(scratch_->file("other/LARGE.3DO"), testModelText(10.0f, "large"));
  std::filesystem::copy_file(scratch_->file("models/plate.mat"), scratch_->file("other/plate.mat"));
  view_->rotationX = 30;
  ASSERT_TRUE(headlessQueueDrop({scratch_->file("notes.txt"), scratch_->file("other/LARGE.3DO"),
                                 scratch_->file("models/small.3do")}));
  dispatchQueued();
  EXPECT_STREQ(programViewer().model.meshes[0].name, "small");  // not in the window procedure
  updateViewer(0);
  EXPECT_STREQ(programViewer().model.meshes[0].name, "large");
  EXPECT_FLOAT_EQ(view_->rotationX, 0.0f);
  EXPECT_TRUE(fileExists(scratch_->file("other/ModelStats.txt")));  // its folder is current
  EXPECT_TRUE(boxLines().empty()) << boxLines()[0];

  // Only other files: a box, and nothing changes.
  view_->rotationX = 30;
  for (auto files : {std::vector<std::string>{scratch_->file("config.txt")},
                     std::vector<std::string>{scratch_->file("other/folder.3do"), "", "x.mat"}}) {
    ASSERT_TRUE(headlessQueueDrop(files));
    dispatchQueued();
    updateViewer(0);
  }
  EXPECT_EQ(boxLines(),
            (std::vector<std::string>{"Error: The dropped file is not a 3DO model.",
                                      "Error: None of the dropped files is a 3DO model."}));
  EXPECT_EQ(headlessCapturedBoxes()[0].style, kMbOk | kMbIconWarning);
  EXPECT_STREQ(programViewer().model.meshes[0].name, "large");
  EXPECT_FLOAT_EQ(view_->rotationX, 30.0f);
}
