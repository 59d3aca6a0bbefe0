// The platform layer: the short list of services a port must implement for
// the viewer. Everything else in the program is portable and reaches the
// operating system only through these functions. Ports live in one folder
// each (headless/, sdl/, win32/) and are chosen at link time; what two ports
// share lives in platform/ itself (message_queue.h: the queue of the SDL and
// headless ports; headless_services.h: what headless programs get on every
// system). docs/ARCHITECTURE.md lists what a new port must provide.
//
// This header includes no operating-system header: windows, surfaces and
// contexts are plain pointers that only the port looks inside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/app_window.h"
#include "platform/messages.h"

// ---- Message boxes --------------------------------------------------------
// Shows a modal box with no owner window, the text, the caption and one OK
// button, and returns when it has been dismissed. style takes kMbOk and
// kMbIconWarning. Where no display exists, the box becomes one line on
// standard error: the caption, ": ", then the text with each newline written
// as the two characters \n.
int platformMessageBox(const char* text, const char* caption, unsigned style);

// ---- Clock ------------------------------------------------------------------
// Milliseconds as an unsigned 32-bit count that wraps after 2^32 ms.
uint32_t platformTickCount();

// ---- The program's own folder -----------------------------------------------
// The folder that holds the running executable, without a trailing
// separator; "." when it cannot be told.
std::string platformExecutableDir();

// ---- Window class, window and rendering context ------------------------------
// registerWindowClass: makes the class named by the instance known, with the
// portable windowProcedure as its procedure; shows "RegisterClassEx Failed!"
// (caption "Error", kMbOk | kMbIconWarning) and returns false on failure.
bool registerWindowClass(AppInstance& instance);
void unregisterWindowClass(AppInstance& instance);

// createAppWindow: a window whose client area is width x height with its outer
// corner at the screen's top-left, a double-buffered RGBA compatibility OpenGL
// context with a 16-bit depth buffer, current on the calling thread. Full
// screen first asks changeDisplayMode; a refusal shows "Mode Switch
// Failed.\nRunning In Windowed Mode." and goes on windowed with fullScreen
// cleared. The window procedure receives kWmCreate (lParam points to a record
// whose first member is the AppWindow pointer) before any other message. On
// success: window shown and visible set; the shell then sets the view, keys
// and clock (openViewerWindow). On failure everything acquired is released
// in reverse order and the three handles are zero.
bool createAppWindow(AppWindow& window);

// destroyAppWindow: releases context, surface and window in that order, zeroes
// the handles, and restores the display mode and cursor after a successful
// full-screen switch. Always true.
bool destroyAppWindow(AppWindow& window);

// changeDisplayMode: true when the display now runs at that size and depth.
bool changeDisplayMode(int width, int height, int bits);

void platformSwapBuffers(AppWindow& window);

// ---- Messages -----------------------------------------------------------------
// Takes the next message of the given window (removing it), true if one was
// waiting. kWmQuit posted to the window is delivered like any other message.
bool platformPeekMessage(AppWindow& window, AppMessage& message);
// Hands a message to the window procedure of its window.
void platformDispatchMessage(const AppMessage& message);
// Sleeps until a message for the program arrives.
void platformWaitMessage();
// Queues a message for the window; true when it was queued.
bool platformPostMessage(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// The platform's default handling of a message.
intptr_t platformDefWindowProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// The per-window pointer that the window procedure stores on kWmCreate.
void* platformGetWindowUserData(void* window);
void platformSetWindowUserData(void* window, void* data);

// ---- File dialog ----------------------------------------------------------------
// A native open-file dialog with the given title and one filter (a name and a
// pattern such as "*.3do"). While it is open, messages of the program's window
// keep being dispatched. True when the user chose a file: its full path is in
// buffer and the process's current folder is now the file's folder. A path
// that does not fit bufferSize bytes (terminator included) is refused. False
// on cancel or failure, with buffer unchanged.
bool platformChooseOpenFile(char* buffer, size_t bufferSize, const char* title,
                            const char* filterName, const char* filterPattern,
                            const char* defaultExtension);

// ---- Dropped files -------------------------------------------------------------
// Reads the paths of one drop from the handle that kWmDropFiles carries in
// wParam, in the order the system gave them, and frees the handle (it must
// be taken exactly once). False, with paths empty, for a handle the port does
// not know. The window accepts drops from its creation on.
bool platformTakeDroppedFiles(uintptr_t drop, std::vector<std::string>& paths);

// The window procedure of the portable shell, named by the window class.
intptr_t windowProcedure(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// What lParam of kWmCreate points to; its first member matches the first
// member of the Windows CREATESTRUCT.
struct AppCreateParams {
  void* createParam = nullptr;
};
