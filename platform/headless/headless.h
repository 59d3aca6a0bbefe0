// The test hooks of the headless port's window: the portable shell runs
// whole on an offscreen EGL "window" (Mesa's surfaceless platform, no X
// server), with the shared in-process message queue, and tests steer what
// the system would decide. The services every headless program uses (boxes,
// clock, offscreen context) are in platform/headless_services.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/headless_services.h"

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

// A drop of these paths onto the live window, as the system reports one: a
// kWmDropFiles queued for it whose handle platformTakeDroppedFiles reads.
// False when no window is live.
bool headlessQueueDrop(const std::vector<std::string>& paths);

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
