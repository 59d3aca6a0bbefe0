// The drops of the ports whose system gives no drop handle of its own (SDL,
// the headless port): a port keeps the paths of one drop here and posts
// kWmDropFiles with the handle it gets back; platformTakeDroppedFiles
// (platform.h) hands the paths to the shell and forgets them. The Win32 port
// has the system's HDROP instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Keeps the paths of one drop; the handle is never 0.
uintptr_t storeDroppedFiles(std::vector<std::string> paths);
// Forgets every kept drop: the window they were posted to is gone, and its
// messages with it.
void forgetDroppedFiles();
