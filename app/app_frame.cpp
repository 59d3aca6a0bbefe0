// The entry point's work: the program-wide flags, the outer loop that makes
// a window per display mode, and the message pump that drives the frames.
#include "app/app_frame.h"

#include <filesystem>
#include <system_error>

#include "app/data_folder.h"
#include "app/key_state.h"
#include "app/mouse_state.h"
#include "app/viewer.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "render/frame.h"

bool appRunning = false;
bool fullScreenRequest = false;

namespace {

constexpr unsigned kErrorBoxStyle = kMbOk | kMbIconWarning;

// Takes the window's messages until kWmQuit; between messages, while the
// window is visible, runs one frame after another with no cap.
void runMessagePump(AppWindow& window, Viewer& viewer) {
  bool pumping = true;
  AppMessage message;
  while (pumping) {
    if (platformPeekMessage(window, message)) {
      if (message.message == kWmQuit) {
        pumping = false;
      } else {
        platformDispatchMessage(message);
      }
    } else if (!window.visible) {
      platformWaitMessage();
    } else {
      const uint32_t now = platformTickCount();
      updateViewer(now - window.lastTick);  // unsigned: right across the wrap
      window.lastTick = now;
      drawFrame(viewer.view, viewer.model, viewer.textures, viewer.font, viewer.frameRate,
                &viewer.drawCache);
      platformSwapBuffers(window);
    }
  }
}

}  // namespace

bool openViewerWindow(AppWindow& window) {
  if (!createAppWindow(window)) return false;
  resizeView(window.width, window.height);
  window.clientWidth = window.width;
  window.clientHeight = window.height;
  if (window.keys) clearKeyState(*window.keys);
  if (window.mouse) clearMouseState(*window.mouse);
  window.lastTick = platformTickCount();
  return true;
}

bool terminateApplication(AppWindow& window) {
  const bool posted = platformPostMessage(window.window, kWmQuit, 0, 0);
  appRunning = false;
  return posted;
}

int runApplication(void* moduleHandle, const char* initialModel) {
  AppInstance instance;
  instance.moduleHandle = moduleHandle;
  instance.className = "OpenGL";

  KeyState keys;
  clearKeyState(keys);
  MouseState mouse;

  AppWindow window;
  window.keys = &keys;
  window.mouse = &mouse;
  window.instance = &instance;
  window.title = "Vistrel";
  window.width = 640;
  window.height = 480;
  window.colorBits = 32;
  window.fullScreen = 0;

  if (!registerWindowClass(instance)) {
    platformMessageBox("Error Registering Window Class!", "Error", kErrorBoxStyle);
    return -1;
  }
  appRunning = true;
  fullScreenRequest = window.fullScreen != 0;

  Viewer& viewer = programViewer();
  std::error_code error;
  const std::filesystem::path startFolder = std::filesystem::current_path(error);
  // A model named on the command line is taken from the folder the program
  // was started in, as a shell user means it.
  viewer.initialModel.clear();
  if (initialModel && initialModel[0] != '\0') {
    const std::filesystem::path given = std::filesystem::u8path(initialModel);
    viewer.initialModel = std::filesystem::absolute(given, error).lexically_normal();
    if (error) viewer.initialModel = given;
  }
  viewer.startFolder = viewerDataFolder(startFolder);
  while (appRunning) {
    window.fullScreen = fullScreenRequest ? 1 : 0;
    if (!openViewerWindow(window)) {
      platformMessageBox("Error Creating OpenGL Window", "Error", kErrorBoxStyle);
      appRunning = false;
      continue;
    }
    if (initialiseViewer(window, keys)) {
      runMessagePump(window, viewer);
    } else {
      terminateApplication(window);
    }
    releaseViewerModel(viewer);
    destroyAppWindow(window);
  }
  unregisterWindowClass(instance);
  return 0;
}
