// The window services of the headless port: the window is an offscreen EGL
// pbuffer with the client size, messages travel through the shared in-process
// queue (platform/message_queue.h),
// the display mode is refused (unless a test accepts it), and the file
// dialog answers from a queue that tests fill. With it the portable shell
// runs whole, frames and all, without an X server.
#include <unistd.h>

#include <cstring>
#include <deque>

#include "platform/app_window.h"
#include "platform/dropped_files.h"
#include "platform/headless/headless.h"
#include "platform/message_queue.h"
#include "platform/platform.h"

namespace {

struct HeadlessWindow {
  OffscreenGl gl;
};

struct FileChoice {
  bool chosen = false;
  std::string path;
};

struct PortState {
  std::deque<FileChoice> fileChoices;
  HeadlessFileDialog lastDialog;
  HeadlessWindowStats stats;
  HeadlessWindow* current = nullptr;
  bool registerFails = false;
  bool createFails = false;
  bool displayModeAccepted = false;
  std::function<void(AppWindow&)> swapHook;
  std::function<void(AppWindow&)> waitHook;
  std::function<void(AppWindow&)> dialogHook;
  AppWindow* currentApp = nullptr;
};

PortState& port() {
  static PortState state;
  return state;
}

constexpr unsigned kErrorBoxStyle = kMbOk | kMbIconWarning;

void releaseWindow(AppWindow& window, HeadlessWindow* record) {
  if (record) {
    destroyOffscreenGl(record->gl);
    queueWindowDestroyed(record);
    if (port().current == record) {
      port().current = nullptr;
      port().currentApp = nullptr;
    }
    delete record;
  }
  window.window = nullptr;
  window.deviceContext = nullptr;
  window.renderContext = nullptr;
}

}  // namespace

void headlessQueueFileChoice(const std::string& path) {
  port().fileChoices.push_back({true, path});
}
void headlessQueueFileCancel() {
  port().fileChoices.push_back({false, ""});
}
void headlessClearFileChoices() {
  port().fileChoices.clear();
}
bool headlessQueueDrop(const std::vector<std::string>& paths) {
  void* window = port().current;
  if (window == nullptr) return false;
  return platformPostMessage(window, kWmDropFiles, storeDroppedFiles(paths), 0);
}
const HeadlessFileDialog& headlessLastFileDialog() {
  return port().lastDialog;
}
void headlessSetRegisterClassFails(bool fails) {
  port().registerFails = fails;
}
void headlessSetCreateWindowFails(bool fails) {
  port().createFails = fails;
}
void headlessSetDisplayModeAccepted(bool accepted) {
  port().displayModeAccepted = accepted;
}
void headlessSetSwapHook(std::function<void(AppWindow&)> hook) {
  port().swapHook = std::move(hook);
}
void headlessSetWaitHook(std::function<void(AppWindow&)> hook) {
  port().waitHook = std::move(hook);
}
void headlessSetDialogHook(std::function<void(AppWindow&)> hook) {
  port().dialogHook = std::move(hook);
}

const HeadlessWindowStats& headlessWindowStats() {
  return port().stats;
}
void* headlessCurrentWindow() {
  return port().current;
}

void headlessResetWindowPort() {
  PortState& state = port();
  queueReset();
  state.fileChoices.clear();
  state.lastDialog = HeadlessFileDialog{};
  state.stats = HeadlessWindowStats{};
  state.registerFails = false;
  state.createFails = false;
  state.displayModeAccepted = false;
  state.swapHook = nullptr;
  state.waitHook = nullptr;
  state.dialogHook = nullptr;
}

bool registerWindowClass(AppInstance&) {
  if (port().registerFails) {
    platformMessageBox("RegisterClassEx Failed!", "Error", kErrorBoxStyle);
    return false;
  }
  ++port().stats.classesRegistered;
  return true;
}

void unregisterWindowClass(AppInstance&) {
  ++port().stats.classesUnregistered;
}

bool changeDisplayMode(int, int, int) {
  if (!port().displayModeAccepted) return false;
  ++port().stats.displayModeChanges;
  return true;
}

bool createAppWindow(AppWindow& window) {
  PortState& state = port();
  window.window = window.deviceContext = window.renderContext = nullptr;
  bool switched = false;
  if (window.fullScreen) {
    switched = changeDisplayMode(window.width, window.height, window.colorBits);
    if (switched) {
      state.stats.cursorHidden = true;
    } else {
      platformMessageBox("Mode Switch Failed.\nRunning In Windowed Mode.", "Error", kErrorBoxStyle);
      window.fullScreen = 0;
    }
  }
  auto undoSwitch = [&]() {
    if (!switched) return;
    ++state.stats.displayModeRestores;
    state.stats.cursorHidden = false;
  };
  if (state.createFails) {
    undoSwitch();
    return false;
  }

  auto* record = new HeadlessWindow;
  window.window = record;
  queueWindowCreated(record);
  state.current = record;
  state.currentApp = &window;
  AppCreateParams params;
  params.createParam = &window;
  windowProcedure(record, kWmCreate, 0, reinterpret_cast<intptr_t>(&params));

  if (!createOffscreenGl(record->gl, window.width, window.height)) {
    releaseWindow(window, record);
    undoSwitch();
    return false;
  }
  window.deviceContext = record->gl.surface;
  window.renderContext = record->gl.context;
  ++state.stats.windowsCreated;

  // Showing the window reports its client size, as a real one does.
  const intptr_t size =
      static_cast<intptr_t>((static_cast<uint32_t>(window.width) & 0xFFFFu) |
                            ((static_cast<uint32_t>(window.height) & 0xFFFFu) << 16));
  windowProcedure(record, kWmSize, kSizeRestored, size);
  window.visible = 1;
  return true;
}

bool destroyAppWindow(AppWindow& window) {
  PortState& state = port();
  if (window.window) {
    releaseWindow(window, static_cast<HeadlessWindow*>(window.window));
    ++state.stats.windowsDestroyed;
  }
  if (window.fullScreen) {
    ++state.stats.displayModeRestores;
    state.stats.cursorHidden = false;
  }
  return true;
}

void platformSwapBuffers(AppWindow& window) {
  ++port().stats.swaps;
  if (port().swapHook) port().swapHook(window);
}

bool platformPeekMessage(AppWindow& window, AppMessage& message) {
  return queueTake(window.window, message);
}

void platformWaitMessage() {
  PortState& state = port();
  ++state.stats.waits;
  if (queueIsEmpty() && state.waitHook && state.currentApp) state.waitHook(*state.currentApp);
}

bool platformChooseOpenFile(char* buffer, size_t bufferSize, const char* title,
                            const char* filterName, const char* filterPattern,
                            const char* defaultExtension) {
  PortState& state = port();
  state.lastDialog.title = title ? title : "";
  state.lastDialog.filterName = filterName ? filterName : "";
  state.lastDialog.filterPattern = filterPattern ? filterPattern : "";
  state.lastDialog.defaultExtension = defaultExtension ? defaultExtension : "";
  state.lastDialog.bufferSize = bufferSize;
  ++state.lastDialog.shown;
  if (state.dialogHook && state.currentApp) state.dialogHook(*state.currentApp);
  if (state.fileChoices.empty()) return false;
  const FileChoice choice = state.fileChoices.front();
  state.fileChoices.pop_front();
  if (!choice.chosen || !buffer || choice.path.size() + 1 > bufferSize) return false;
  std::memcpy(buffer, choice.path.c_str(), choice.path.size() + 1);
  const size_t slash = choice.path.rfind('/');
  if (slash != std::string::npos) {
    const std::string folder = slash == 0 ? "/" : choice.path.substr(0, slash);
    if (chdir(folder.c_str()) != 0) return true;  // the path itself stays usable
  }
  return true;
}
