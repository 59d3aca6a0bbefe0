// The message queue of ports whose system has none in the Windows sense (SDL,
// the headless port): posted and translated messages in arrival order for
// the one live window, the window's user data, and the default handling
// Windows gives (Alt+F4 becomes the close command, the close command a close
// request). Such a port implements platformPeekMessage and
// platformWaitMessage itself (it collects its own events first) and gets the
// other message services of platform.h from here. The Win32 port keeps the
// real queue.
#pragma once

#include "platform/messages.h"

// The port's window handle as it is made and destroyed: the queue delivers
// and accepts messages only for the live window, and forgets a destroyed
// window's queued messages, user data and kept drops (platform/dropped_files.h).
void queueWindowCreated(void* window);
void queueWindowDestroyed(void* window);
// The live window, or null between two windows.
void* queueCurrentWindow();

// Appends a message to the queue, whatever its window.
void queueAppend(const AppMessage& message);
// Takes the first queued message of window; true when there was one.
bool queueTake(void* window, AppMessage& message);
bool queueIsEmpty();
// One turn of a modal loop (a dialog or box running as a child process):
// dispatches every message queued now except kWmQuit, which stays for the
// main pump; messages posted by the dispatching wait for the next turn.
void queueDispatchAllButQuit();
// Empties the queue and the kept drops (tests start afresh).
void queueReset();
