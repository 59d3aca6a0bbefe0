// Services of the headless port that tools and tests use directly: captured
// message boxes, a controllable clock and an offscreen OpenGL context through
// EGL on Mesa's surfaceless platform (no X server needed).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CapturedBox {
  std::string caption;
  std::string text;
  unsigned style = 0;
};

// Every box shown so far, in order. Tests clear it between cases.
std::vector<CapturedBox>& headlessCapturedBoxes();
// Whether boxes are also printed on standard error (on by default).
void headlessSetEchoBoxes(bool echo);
// The line a box becomes on standard error, without the trailing newline.
std::string headlessBoxLine(const char* caption, const char* text);

// Makes platformTickCount return value (plus nothing) until disabled.
void headlessSetTickOverride(bool enabled, uint32_t value);

// An offscreen compatibility-profile OpenGL context with an RGBA colour
// buffer and a 16-bit depth buffer of the given size, current on success.
struct OffscreenGl {
  void* display = nullptr;
  void* surface = nullptr;
  void* context = nullptr;
  int width = 0;
  int height = 0;
};
bool createOffscreenGl(OffscreenGl& gl, int width, int height);
void destroyOffscreenGl(OffscreenGl& gl);

// The folder that holds the running executable (where config.txt, systemtex/
// and samples/ are put beside it), without a trailing separator.
std::string headlessExecutableDir();

// ---- Headless window port --------------------------------------------------
// registerWindowClass, createAppWindow and the message services on an
// offscreen EGL "window" with an in-process message queue, so that the
// portable shell runs whole under tests. Display-mode changes are refused
// unless a test accepts them.
#include <functional>

struct AppWindow;

// The next answers of platformChooseOpenFile, taken in order; when none is
// queued the dialog is cancelled.
void headlessQueueFileChoice(const std::string& path);
void headlessQueueFileCancel();
void headlessClearFileChoices();
// What the most recent file dialog asked for, and how many were shown.
struct HeadlessFileDialog {
  std::string title;
  std::string filterName;
  std::string filterPattern;
  std::string defaultExtension;
  size_t bufferSize = 0;
  int shown = 0;
};
const HeadlessFileDialog& headlessLastFileDialog();

// Failures and answers a test can ask of the port.
void headlessSetRegisterClassFails(bool fails);
void headlessSetCreateWindowFails(bool fails);
void headlessSetDisplayModeAccepted(bool accepted);

// Called after every buffer swap with the window (a test posts its input
// there), whenever the pump waits with nothing queued, and while a file
// dialog is open (with the live window, when there is one), as a real
// dialog keeps the window's messages flowing.
void headlessSetSwapHook(std::function<void(AppWindow&)> hook);
void headlessSetWaitHook(std::function<void(AppWindow&)> hook);
void headlessSetDialogHook(std::function<void(AppWindow&)> hook);

// Counters since the last headlessResetWindowPort(), and the live window.
struct HeadlessWindowStats {
  int classesRegistered = 0;
  int classesUnregistered = 0;
  int windowsCreated = 0;
  int windowsDestroyed = 0;
  int swaps = 0;
  int waits = 0;
  int displayModeChanges = 0;
  int displayModeRestores = 0;
  bool cursorHidden = false;
};
const HeadlessWindowStats& headlessWindowStats();
void* headlessCurrentWindow();
// Clears counters, hooks, queued messages, file choices and failure flags.
void headlessResetWindowPort();
