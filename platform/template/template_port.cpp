// The template of a port: every function a port of the platform layer
// provides, with the smallest body that compiles and a line saying what a
// real port does there. Copy this folder to platform/<port>/ and fill each
// body in. It is built and linked with the viewer's shell in every CI run
// (target vistrel_port_template, -Wmissing-declarations as an error), so a
// function added to or changed in the headers below and missing here fails
// the build.
//
// A system without a message queue of its own may instead take the shared
// queue of platform/message_queue.h (as the SDL and headless ports do) and
// implement only platformPeekMessage (collect events with queueAppend, then
// queueTake) and platformWaitMessage; the functions marked "queue" below are
// then message_queue.cpp's.
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/headless_services.h"
#include "platform/platform.h"
#include "platform/run_limits.h"

// ---- Boxes, clock, the executable's folder (platform.h) ----------------
int platformMessageBox(const char*, const char*, unsigned) {
  return 1;  // show a modal box with the text and caption; IDOK
}
uint32_t platformTickCount() {
  return 0;  // milliseconds of a monotonic clock, truncated to 32 bits
}
std::string platformExecutableDir() {
  return ".";  // the folder the running program lives in
}

// ---- The window and its GL context (platform.h) -------------------------
bool registerWindowClass(AppInstance&) {
  return true;  // register the class; box "RegisterClassEx Failed!" on failure
}
void unregisterWindowClass(AppInstance&) {}  // undo registerWindowClass
bool createAppWindow(AppWindow&) {
  // Make the window and a current GL context, send kWmCreate first, full
  // screen via changeDisplayMode with the refusal box and a windowed fallback.
  return false;
}
bool destroyAppWindow(AppWindow&) {
  return true;  // context, surface, window; restore the display mode
}
bool changeDisplayMode(int, int, int) {
  return false;  // switch the display to width x height x bits
}
void platformSwapBuffers(AppWindow&) {}  // show the back buffer

// ---- Messages (platform.h; "queue": message_queue.cpp can provide) -------
bool platformPeekMessage(AppWindow&, AppMessage&) {
  return false;  // the next message translated from the system's events, if any
}
void platformDispatchMessage(const AppMessage&) {}  // queue: call windowProcedure
void platformWaitMessage() {}                       // block until an event arrives
bool platformPostMessage(void*, uint32_t, uintptr_t, intptr_t) {
  return false;  // queue: append a message for the window
}
intptr_t platformDefWindowProc(void*, uint32_t, uintptr_t, intptr_t) {
  return 0;  // queue: Alt+F4 -> SC_CLOSE -> WM_CLOSE, the rest ignored
}
void* platformGetWindowUserData(void*) {
  return nullptr;  // queue: the pointer set below
}
void platformSetWindowUserData(void*, void*) {}  // queue: keep a pointer with the window
bool platformTakeDroppedFiles(uintptr_t, std::vector<std::string>&) {
  return false;  // the paths behind a kWmDropFiles handle (dropped_files.h helps)
}

// ---- The file dialog (platform.h) ---------------------------------------
bool platformChooseOpenFile(char*, size_t, const char*, const char*, const char*, const char*) {
  return false;  // the system's open dialog; the chosen absolute path into buffer
}

// ---- Offscreen GL for vistrel-tool (headless_services.h) ----------------
bool createOffscreenGl(OffscreenGl&, int, int) {
  return false;  // a current GL context with a width x height back buffer
}
void destroyOffscreenGl(OffscreenGl&) {}  // release what createOffscreenGl made

// ---- Output files (files.h) ---------------------------------------------
bool beginStagedFiles(StagedFiles& staged, const std::string& folder, const std::string&) {
  staged.folder = folder;  // make a private folder beside the targets
  return false;
}
std::string stageFile(StagedFiles& staged, const std::string& name) {
  staged.names.push_back(name);  // the path to write name to
  return staged.staging + "/" + name;
}
bool commitStagedFiles(StagedFiles&) {
  return false;  // rename each file into place, in order; remove the folder
}
void discardStagedFiles(StagedFiles&) {}  // remove the folder and its files
bool platformStderrIsTerminal() {
  return false;  // whether standard error is a terminal
}

// ---- Bounds of a run over files nobody chose (run_limits.h) --------------
void startRunLimits(const RunLimits&) {}  // cap CPU, wall time, memory; stop cleanly
void renewRunLimits(const std::string&, size_t, size_t) {}  // fresh time for the next item
