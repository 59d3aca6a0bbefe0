// The whole shell run through runApplication on the headless port: exit
// codes and boxes of every ending, the frame loop, the full-screen toggle's
// second pass, the minimised wait and the elapsed time given to the input
// step (also across the wrap of the tick count).
#include "tests/app/shell_fixture.h"

namespace {

intptr_t sizeParam(int width, int height) {
  return static_cast<intptr_t>((static_cast<uint32_t>(width) & 0xFFFFu) |
                               ((static_cast<uint32_t>(height) & 0xFFFFu) << 16));
}

}  // namespace

class AppFrameTest : public ShellTest {
 protected:
  int run() {
    static char moduleToken;
    return runApplication(&moduleToken);
  }
  // Messages a test sends to the live window, as input would.
  static void post(AppWindow& window, uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
    ASSERT_TRUE(platformPostMessage(window.window, message, wParam, lParam));
  }
};

TEST_F(AppFrameTest, FailedClassRegistrationShowsTwoBoxesAndReturnsMinusOne) {
  headlessSetRegisterClassFails(true);
  EXPECT_EQ(run(), -1);
  EXPECT_EQ(boxLines(), (std::vector<std::string>{"Error: RegisterClassEx Failed!",
                                                  "Error: Error Registering Window Class!"}));
  for (const CapturedBox& box : headlessCapturedBoxes()) {
    EXPECT_EQ(box.style, kMbOk | kMbIconWarning);
  }
  EXPECT_EQ(headlessWindowStats().windowsCreated, 0);
}

TEST_F(AppFrameTest, FailedWindowCreationShowsItsBoxAndEndsWithZero) {
  headlessSetCreateWindowFails(true);
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(boxLines(), (std::vector<std::string>{"Error: Error Creating OpenGL Window"}));
  EXPECT_FALSE(appRunning);
  EXPECT_EQ(headlessWindowStats().classesUnregistered, 1);
}

TEST_F(AppFrameTest, BrokenConfigEndsWithZeroWithoutFramesOrBoxes) {
  writeFile("config.txt", "# no colour here\n");
  headlessQueueFileChoice(scratch_->file("models/small.3do"));
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(boxLines().empty());
  const HeadlessWindowStats& stats = headlessWindowStats();
  EXPECT_EQ(stats.windowsCreated, 1);
  EXPECT_EQ(stats.windowsDestroyed, 1);
  EXPECT_EQ(stats.swaps, 0);
  EXPECT_EQ(stats.classesUnregistered, 1);
}

TEST_F(AppFrameTest, CancelledFirstDialogEndsWithZeroAfterTheReadersMessage) {
  headlessQueueFileCancel();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(boxLines(), (std::vector<std::string>{"ERROR: Could not open 3do file"}));
  EXPECT_EQ(headlessWindowStats().swaps, 0);
  EXPECT_EQ(headlessWindowStats().windowsDestroyed, 1);
}

TEST_F(AppFrameTest, EscapeEndsAfterTheFrameInProgress) {
  headlessQueueFileChoice(scratch_->file("models/small.3do"));
  headlessSetSwapHook([](AppWindow& window) {
    if (headlessWindowStats().swaps == 3) post(window, kWmKeyDown, kVkEscape);
  });
  EXPECT_EQ(run(), 0);
  // Frame 4 runs the Esc key and completes; the pump then finds kWmQuit.
  EXPECT_EQ(headlessWindowStats().swaps, 4);
  EXPECT_EQ(headlessWindowStats().windowsCreated, 1);
  EXPECT_EQ(headlessWindowStats().windowsDestroyed, 1);
  EXPECT_EQ(headlessWindowStats().classesUnregistered, 1);
  EXPECT_EQ(programViewer().model.meshCount, 0);  // released at the end of the pass
  EXPECT_TRUE(boxLines().empty());
  EXPECT_GE(programViewer().frameRate.frameCount, 1u);
}

TEST_F(AppFrameTest, CloseRequestEndsWithZeroAndNoSecondPass) {
  headlessQueueFileChoice(scratch_->file("models/small.3do"));
  headlessSetSwapHook([](AppWindow& window) {
    if (headlessWindowStats().swaps == 1) post(window, kWmClose);
  });
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(headlessWindowStats().swaps, 1);
  EXPECT_EQ(headlessWindowStats().windowsCreated, 1);
  EXPECT_EQ(headlessLastFileDialog().shown, 1);
}

// Regression: the file dialog leaves the current folder at the model's; the
// start-up after a full-screen toggle must still find "config.txt" and the
// systemtex images in the folder the program started in.
TEST_F(AppFrameTest, SecondStartUpAfterToggleReadsConfigFromTheStartFolder) {
  headlessQueueFileChoice(scratch_->file("models/small.3do"));
  headlessQueueFileChoice(scratch_->file("models/large.3do"));
  int passTwoSwaps = 0;
  headlessSetSwapHook([&](AppWindow& window) {
    if (headlessWindowStats().windowsCreated == 1) {
      if (headlessWindowStats().swaps == 2) post(window, kWmToggleFullScreen);
    } else if (++passTwoSwaps == 2) {
      post(window, kWmClose);
    }
  });
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(headlessWindowStats().windowsCreated, 2);
  EXPECT_EQ(headlessWindowStats().windowsDestroyed, 2);
  EXPECT_EQ(headlessLastFileDialog().shown, 2);
  EXPECT_EQ(passTwoSwaps, 2);
  EXPECT_TRUE(fullScreenRequest);
  // The headless display refuses the switch: one box, no other (the
  // systemtex images were found again).
  EXPECT_EQ(boxLines(),
            (std::vector<std::string>{"Error: Mode Switch Failed.\\nRunning In Windowed Mode."}));
  EXPECT_FLOAT_EQ(programViewer().view.cameraZ, 23.0f);  // the second model's view
}

TEST_F(AppFrameTest, ToggleThenCancelledDialogEndsTheProgram) {
  headlessQueueFileChoice(scratch_->file("models/small.3do"));
  headlessQueueFileCancel();
  headlessSetDisplayModeAccepted(true);
  headlessSetSwapHook([](AppWindow& window) {
    if (headlessWindowStats().swaps == 1) post(window, kWmToggleFullScreen);
  });
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(headlessWindowStats().windowsCreated, 2);
  EXPECT_EQ(headlessWindowStats().displayModeChanges, 1);
  EXPECT_EQ(headlessWindowStats().displayModeRestores, 1);
  EXPECT_FALSE(headlessWindowStats().cursorHidden);
  EXPECT_EQ(boxLines(), (std::vector<std::string>{"ERROR: Could not open 3do file"}));
}

TEST_F(AppFrameTest, MinimisedWindowWaitsAndTheNextFrameGetsTheWholeTime) {
  headlessSetTickOverride(true, 1000);
  headlessQueueFileChoice(scratch_->file("models/small.3do"));
  float rotationAfterRestore = -1;
  headlessSetSwapHook([&](AppWindow& window) {
    const int swaps = headlessWindowStats().swaps;
    if (swaps == 1) {
      post(window, kWmKeyDown, 'D');
      post(window, kWmSize, kSizeMinimized, 0);
    } else if (swaps == 2) {
      rotationAfterRestore = programViewer().view.rotationY;
      post(window, kWmClose);
    }
  });
  int waitsSeen = 0;
  headlessSetWaitHook([&](AppWindow& window) {
    ++waitsSeen;
    EXPECT_EQ(window.visible, 0);
    headlessSetTickOverride(true, 1800);
    post(window, kWmSize, kSizeRestored, sizeParam(640, 480));
  });
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(waitsSeen, 1);
  EXPECT_EQ(headlessWindowStats().swaps, 2);      // no frame while minimised
  EXPECT_FLOAT_EQ(rotationAfterRestore, 100.0f);  // 800 ms at 125 degrees a second
}

// The time base is stamped when the window is made, so the first frame's
// elapsed value takes in the start-up dialog and the model load: a key
// pressed while the dialog is open turns the model by that whole time.
TEST_F(AppFrameTest, FirstFrameElapsedCountsFromWindowCreation) {
  headlessSetTickOverride(true, 1000);
  headlessQueueFileChoice(scratch_->file("models/small.3do"));
  headlessSetDialogHook([](AppWindow& window) {
    headlessSetTickOverride(true, 1400);  // the user takes 400 ms to choose
    post(window, kWmKeyDown, 'D');
  });
  float firstRotation = -1;
  headlessSetSwapHook([&](AppWindow& window) {
    if (headlessWindowStats().swaps == 1) {
      firstRotation = programViewer().view.rotationY;
      post(window, kWmClose);
    }
  });
  EXPECT_EQ(run(), 0);
  EXPECT_FLOAT_EQ(firstRotation, 50.0f);  // 400 ms at 125 degrees a second
}

TEST_F(AppFrameTest, ElapsedTimeIsRightAcrossTheWrapOfTheTickCount) {
  headlessSetTickOverride(true, 0xFFFFFFF0u);
  headlessQueueFileChoice(scratch_->file("models/small.3do"));
  float rotation = -1;
  headlessSetSwapHook([&](AppWindow& window) {
    const int swaps = headlessWindowStats().swaps;
    if (swaps == 1) {
      headlessSetTickOverride(true, 0x10u);
      post(window, kWmKeyDown, 'G');
    } else if (swaps == 2) {
      rotation = programViewer().view.rotationX;
      post(window, kWmClose);
    }
  });
  EXPECT_EQ(run(), 0);
  EXPECT_FLOAT_EQ(rotation, 4.0f);  // 32 ms
}
