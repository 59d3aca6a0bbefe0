// The application frame: the entry point's outer loop, the message pump and
// frame loop, and the two program-wide flags that steer them.
#pragma once

#include <cstdint>

#include "platform/app_window.h"

// Cleared by terminateApplication and when window creation fails; the outer
// loop runs while it is set.
extern bool appRunning;
// The display mode of the next window; flipped only by the full-screen
// toggle request.
extern bool fullScreenRequest;

// The whole viewer. Each port's main() calls it with its module handle and
// returns its result as the exit status: 0, or -1 when the window class
// cannot be registered. initialModel (may be null): a model to load at the
// first start-up instead of asking with the file dialog.
int runApplication(void* moduleHandle, const char* initialModel = nullptr);

// createAppWindow, then what every fresh window needs before its first frame:
// the projection and client size for its size, no key or button held, no
// drop waiting, the frame clock started.
bool openViewerWindow(AppWindow& window);

// Posts kWmQuit to the window (not a thread-wide quit) and clears appRunning.
// Returns whether the message was queued.
bool terminateApplication(AppWindow& window);
