// The template of a port: the viewer's half, every function of platform.h
// a port provides, with the smallest body that compiles and a line saying
// what a real port does there. Copy this folder to platform/<port>/ and fill
// each body in; template_services.cpp holds the services that the tool needs
// too. Both are linked in every CI run with the whole portable core
// (vistrel_port_template) and with the tool's commands
// (vistrel_port_template_tool), so a port function that the core or the tool
// calls and that is missing here, or whose declaration changed, fails the
// build.
//
// The messages go through the shared queue of platform/message_queue.h, as
// in the SDL and headless ports: a new port is most likely for a system
// without a Windows-style queue, and the queue then gives it
// platformDispatchMessage, platformPostMessage, platformDefWindowProc and
// the window's user data, and platform/dropped_files.cpp gives
// platformTakeDroppedFiles. A system with its own queue implements those six
// instead, as platform/win32/win32_messages.cpp and win32_drop.cpp do, and
// leaves message_queue.cpp out of its link.
#include <cstddef>
#include <cstdint>

#include "platform/message_queue.h"
#include "platform/platform.h"

// ---- Boxes and the clock ------------------------------------------------
int platformMessageBox(const char*, const char*, unsigned) {
  return 1;  // a modal box with one OK button (or the line on stderr); IDOK
}
uint32_t platformTickCount() {
  return 0;  // milliseconds of a monotonic clock, truncated to 32 bits
}

// ---- The window class, the window and its GL context --------------------
bool registerWindowClass(AppInstance&) {
  return true;  // make the class known; box "RegisterClassEx Failed!" on failure
}
void unregisterWindowClass(AppInstance&) {}  // undo registerWindowClass
bool createAppWindow(AppWindow& window) {
  window.window = window.deviceContext = window.renderContext = nullptr;
  if (window.fullScreen && !changeDisplayMode(window.width, window.height, window.colorBits)) {
    platformMessageBox("Mode Switch Failed.\nRunning In Windowed Mode.", "Error",
                       kMbOk | kMbIconWarning);
    window.fullScreen = 0;  // as every port: the refusal box, then windowed
  }
  // Make the window, queueWindowCreated, send kWmCreate to windowProcedure
  // before anything else, then a current GL context; show it and set
  // visible. This one fails, leaving the three handles zero.
  return false;
}
bool destroyAppWindow(AppWindow& window) {
  // Release context, surface and window, queueWindowDestroyed, restore the
  // display mode and the cursor.
  window.window = window.deviceContext = window.renderContext = nullptr;
  return true;
}
bool changeDisplayMode(int, int, int) {
  return false;  // switch the display to width x height x bits; false: refused
}
void platformSwapBuffers(AppWindow&) {}  // show the back buffer

// ---- Messages (the rest from message_queue.cpp) ---------------------------
bool platformPeekMessage(AppWindow& window, AppMessage& message) {
  // Translate the system's waiting events into messages.h's and queueAppend
  // them (a drop: storeDroppedFiles, then kWmDropFiles with the handle).
  return queueTake(window.window, message);
}
void platformWaitMessage() {}  // block until the system has an event or the queue a message

// ---- The file dialog ------------------------------------------------------
bool platformChooseOpenFile(char*, size_t, const char*, const char*, const char*, const char*) {
  // The system's open dialog, dispatching the window's messages meanwhile
  // (queueDispatchAllButQuit); the chosen path into the buffer, its folder
  // the current one. False: cancelled, buffer unchanged.
  return false;
}
