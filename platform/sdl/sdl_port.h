// What the files of the SDL port share: the window record behind the opaque
// handles, the event collection into the shared message queue, the translation of SDL events into
// the shell's Windows-valued messages, and the modal loop that keeps the main window's messages
// flowing while a dialog or box runs as a child process.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/app_window.h"
#include "platform/messages.h"

// The record AppWindow::window points to.
struct SdlWindow {
  SDL_Window* sdl = nullptr;
  SDL_GLContext context = nullptr;
  uint32_t id = 0;  // SDL's window id, to match events
  bool cursorHidden = false;
};

// The live window (the message queue's), or null between two passes of the
// outer loop.
SdlWindow* sdlCurrentWindow();

// Whether SDL's video subsystem is up (the class is registered).
bool sdlVideoReady();

// Moves pending SDL events and a pending SIGUSR1 into the queue.
void sdlCollectEvents();
// Installs the SIGUSR1 handler (it only sets a flag).
void sdlInstallToggleSignal();

// Turns one SDL event into at most two messages for window; returns how many.
// The files of one drop (SDL_DROPBEGIN, SDL_DROPFILE..., SDL_DROPCOMPLETE,
// or a lone SDL_DROPFILE) become one kWmDropFiles whose handle
// platformTakeDroppedFiles reads; every dropped string is freed here.
int sdlTranslateEvent(const SDL_Event& event, void* window, uint32_t windowId, AppMessage out[2]);
// The Windows virtual-key code of a key, 0 when it has none.
int sdlVirtualKey(SDL_Keycode key, SDL_Scancode scancode, uint16_t modifiers);

// One turn of a modal loop: collects events and dispatches every queued
// message except kWmQuit, which stays queued for the main pump.
void sdlModalDispatch();

// The dialog's name pattern (such as "*.3do") in every case of its letters
// (all lower and all upper case only, beyond four letters).
std::vector<std::string> sdlAnyCasePatterns(const std::string& pattern);

// A child process run while the main window's messages keep being
// dispatched; its standard output is collected (at most 64 KiB).
struct ChildResult {
  int spawnError = 0;   // errno of the spawn; ENOENT when the program is missing
  int exitStatus = -1;  // exit code, or -1 when it did not end normally
  std::string output;
};
ChildResult sdlRunChildModal(const std::vector<std::string>& arguments);
