// The window procedure against a real headless window: the link to the
// AppWindow, key flags, visibility and projection on WM_SIZE, close and
// system commands, and the full-screen toggle request.
#include <cmath>
#include <cstring>

#include "platform/gl.h"
#include "tests/app/shell_fixture.h"

namespace {

intptr_t sizeParam(int width, int height) {
  return static_cast<intptr_t>((static_cast<uint32_t>(width) & 0xFFFFu) |
                               ((static_cast<uint32_t>(height) & 0xFFFFu) << 16));
}

std::vector<int> viewport() {
  GLint v[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, v);
  return {v[0], v[1], v[2], v[3]};
}

}  // namespace

using WindowProcedureTest = ShellTest;

TEST_F(WindowProcedureTest, CreationLinksTheWindowAndLeavesItVisibleWithKeysCleared) {
  keys_.down['W'] = 1;
  ASSERT_TRUE(openWindow());
  EXPECT_EQ(platformGetWindowUserData(window_.window), &window_);
  EXPECT_EQ(window_.visible, 1);
  EXPECT_EQ(keys_.down['W'], 0);
  EXPECT_NE(window_.deviceContext, nullptr);
  EXPECT_NE(window_.renderContext, nullptr);
  EXPECT_EQ(viewport(), (std::vector<int>{0, 0, 640, 480}));
  EXPECT_TRUE(boxLines().empty());

  destroyAppWindow(window_);
  EXPECT_EQ(window_.window, nullptr);
  EXPECT_EQ(window_.deviceContext, nullptr);
  EXPECT_EQ(window_.renderContext, nullptr);
}

TEST_F(WindowProcedureTest, KeyMessagesSetAndClearFlagsOnlyForCodesUpTo255) {
  ASSERT_TRUE(openWindow());
  void* hwnd = window_.window;
  EXPECT_EQ(windowProcedure(hwnd, kWmKeyDown, 'A', 0), 0);
  EXPECT_EQ(windowProcedure(hwnd, kWmKeyDown, 0xFF, 0), 0);
  EXPECT_EQ(keys_.down['A'], 1);
  EXPECT_EQ(keys_.down[0xFF], 1);
  // Autorepeat: a second key-down leaves the flag set.
  windowProcedure(hwnd, kWmKeyDown, 'A', 1 << 30);
  EXPECT_EQ(keys_.down['A'], 1);
  windowProcedure(hwnd, kWmKeyUp, 'A', 0);
  EXPECT_EQ(keys_.down['A'], 0);
  EXPECT_EQ(keys_.down[0xFF], 1);

  // Codes above 255 go to the default handling and touch no flag.
  KeyState before = keys_;
  windowProcedure(hwnd, kWmKeyDown, 256, 0);
  windowProcedure(hwnd, kWmKeyDown, 0x10041, 0);
  EXPECT_EQ(0, std::memcmp(before.down, keys_.down, sizeof before.down));

  // System keys (F10, Alt combinations) never reach the key flags.
  windowProcedure(hwnd, kWmSysKeyDown, kVkF10, 0);
  windowProcedure(hwnd, kWmSysKeyDown, 'X', 1 << 29);
  EXPECT_EQ(keys_.down[kVkF10], 0);
  EXPECT_EQ(keys_.down['X'], 0);
  EXPECT_TRUE(takeMessages().empty());
}

TEST_F(WindowProcedureTest, SizeMessagesTrackVisibilityAndResizeTheView) {
  ASSERT_TRUE(openWindow());
  void* hwnd = window_.window;
  windowProcedure(hwnd, kWmSize, kSizeRestored, sizeParam(320, 200));
  EXPECT_EQ(viewport(), (std::vector<int>{0, 0, 320, 200}));

  // Minimising hides the window without touching the projection.
  EXPECT_EQ(windowProcedure(hwnd, kWmSize, kSizeMinimized, 0), 0);
  EXPECT_EQ(window_.visible, 0);
  EXPECT_EQ(viewport(), (std::vector<int>{0, 0, 320, 200}));

  windowProcedure(hwnd, kWmSize, kSizeRestored, sizeParam(500, 400));
  EXPECT_EQ(window_.visible, 1);
  EXPECT_EQ(viewport(), (std::vector<int>{0, 0, 500, 400}));

  windowProcedure(hwnd, kWmSize, kSizeMinimized, 0);
  windowProcedure(hwnd, kWmSize, kSizeMaximized, sizeParam(1024, 740));
  EXPECT_EQ(window_.visible, 1);
  EXPECT_EQ(viewport(), (std::vector<int>{0, 0, 1024, 740}));

  // A client height of 0 reaches the projection unchanged (no crash, no
  // division by zero in the aspect).
  windowProcedure(hwnd, kWmSize, kSizeRestored, sizeParam(640, 0));
  EXPECT_EQ(viewport(), (std::vector<int>{0, 0, 640, 0}));
  GLfloat projection[16] = {};
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  for (float value : projection) EXPECT_TRUE(std::isfinite(value));

  // SIZE_MAXSHOW and SIZE_MAXHIDE change nothing.
  window_.visible = 0;
  windowProcedure(hwnd, kWmSize, kSizeMaxShow, sizeParam(10, 10));
  windowProcedure(hwnd, kWmSize, kSizeMaxHide, sizeParam(10, 10));
  EXPECT_EQ(window_.visible, 0);
  EXPECT_EQ(viewport(), (std::vector<int>{0, 0, 640, 0}));
  // The requested size never follows the window.
  EXPECT_EQ(window_.width, 640);
  EXPECT_EQ(window_.height, 480);
}

TEST_F(WindowProcedureTest, CloseBoxAndAltF4EndTheProgramThroughTheWindowsQueue) {
  ASSERT_TRUE(openWindow());
  void* hwnd = window_.window;
  EXPECT_EQ(windowProcedure(hwnd, kWmClose, 0, 0), 0);
  EXPECT_FALSE(appRunning);
  auto messages = takeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].message, kWmQuit);
  EXPECT_EQ(messages[0].window, hwnd);
  EXPECT_NE(window_.window, nullptr);  // the main loop destroys the window, not the close

  appRunning = true;
  windowProcedure(hwnd, kWmSysCommand, kScClose, 0);
  EXPECT_FALSE(appRunning);
  EXPECT_EQ(takeMessages().size(), 1u);

  appRunning = true;
  windowProcedure(hwnd, kWmSysKeyDown, 0x73 /* F4 */, 1 << 29);
  EXPECT_FALSE(appRunning);
  EXPECT_EQ(takeMessages().size(), 1u);
  EXPECT_EQ(keys_.down[0x73], 0);
}

TEST_F(WindowProcedureTest, ScreenSaverAndMonitorPowerRequestsAreSwallowed) {
  ASSERT_TRUE(openWindow());
  void* hwnd = window_.window;
  EXPECT_EQ(windowProcedure(hwnd, kWmSysCommand, kScScreenSave, 0), 0);
  EXPECT_EQ(windowProcedure(hwnd, kWmSysCommand, kScMonitorPower, 2), 0);
  EXPECT_TRUE(appRunning);
  EXPECT_TRUE(takeMessages().empty());
  // Compared as whole values: a close command with low bits set is no
  // screen-saver request and still closes.
  windowProcedure(hwnd, kWmSysCommand, kScClose | 0x2, 0);
  EXPECT_FALSE(appRunning);
}

TEST_F(WindowProcedureTest, ToggleRequestFlipsTheModeAndEndsOnlyThePump) {
  ASSERT_TRUE(openWindow());
  void* hwnd = window_.window;
  windowProcedure(hwnd, kWmToggleFullScreen, 0, 0);
  EXPECT_TRUE(fullScreenRequest);
  EXPECT_TRUE(appRunning);
  auto messages = takeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].message, kWmQuit);
  windowProcedure(hwnd, kWmToggleFullScreen, 0, 0);
  EXPECT_FALSE(fullScreenRequest);
  EXPECT_EQ(takeMessages().size(), 1u);
}

TEST_F(WindowProcedureTest, MessagesBeforeTheLinkAreLeftToTheDefaultHandling) {
  ASSERT_TRUE(openWindow());
  void* hwnd = window_.window;
  platformSetWindowUserData(hwnd, nullptr);
  EXPECT_EQ(windowProcedure(hwnd, kWmKeyDown, 'A', 0), 0);
  EXPECT_EQ(windowProcedure(hwnd, kWmClose, 0, 0), 0);
  EXPECT_EQ(windowProcedure(hwnd, kWmSize, kSizeMinimized, 0), 0);
  EXPECT_EQ(keys_.down['A'], 0);
  EXPECT_TRUE(appRunning);
  EXPECT_EQ(window_.visible, 1);

  AppCreateParams params;
  params.createParam = &window_;
  EXPECT_EQ(windowProcedure(hwnd, kWmCreate, 0, reinterpret_cast<intptr_t>(&params)), 0);
  EXPECT_EQ(platformGetWindowUserData(hwnd), &window_);
}

TEST_F(WindowProcedureTest, ARefusedFullScreenSwitchGivesOneBoxAndAWindowedWindow) {
  instance_.className = "OpenGL";
  window_ = AppWindow{};
  window_.keys = &keys_;
  window_.instance = &instance_;
  window_.width = 640;
  window_.height = 480;
  window_.colorBits = 32;
  window_.fullScreen = 1;
  ASSERT_TRUE(createAppWindow(window_));
  EXPECT_EQ(boxLines(),
            (std::vector<std::string>{"Error: Mode Switch Failed.\\nRunning In Windowed Mode."}));
  ASSERT_EQ(headlessCapturedBoxes().size(), 1u);
  EXPECT_EQ(headlessCapturedBoxes()[0].style, kMbOk | kMbIconWarning);
  EXPECT_EQ(window_.fullScreen, 0);
  EXPECT_FALSE(headlessWindowStats().cursorHidden);
  destroyAppWindow(window_);
  EXPECT_EQ(headlessWindowStats().displayModeRestores, 0);
}

TEST_F(WindowProcedureTest, AFailedCreationLeavesAllHandlesZeroAndTheModeRestored) {
  headlessSetDisplayModeAccepted(true);
  headlessSetCreateWindowFails(true);
  instance_.className = "OpenGL";
  window_ = AppWindow{};
  window_.keys = &keys_;
  window_.instance = &instance_;
  window_.width = 640;
  window_.height = 480;
  window_.colorBits = 32;
  window_.fullScreen = 1;
  window_.window = reinterpret_cast<void*>(1);  // stale values must not survive
  EXPECT_FALSE(createAppWindow(window_));
  EXPECT_EQ(window_.window, nullptr);
  EXPECT_EQ(window_.deviceContext, nullptr);
  EXPECT_EQ(window_.renderContext, nullptr);
  EXPECT_EQ(headlessWindowStats().displayModeChanges, 1);
  EXPECT_EQ(headlessWindowStats().displayModeRestores, 1);
  EXPECT_FALSE(headlessWindowStats().cursorHidden);
}
