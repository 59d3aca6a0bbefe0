// AppInstance and AppWindow: the records that describe the program's one
// top-level window and its rendering context. The handles are opaque to the
// portable code; each platform port decides what they point to. Ports fill
// the handles and the visible flag; the other fields belong to the shell.
#pragma once

#include <cstdint>

struct KeyState;    // the shell's key flags (app/key_state.h); ports never look inside
struct MouseState;  // the shell's buttons, drags, wheel and drops (app/mouse_state.h)

struct AppInstance {
  void* moduleHandle = nullptr;  // the module handle given to the entry point
  const char* className = "";    // window class name, "OpenGL"
};

struct AppWindow {
  KeyState* keys = nullptr;       // the program's KeyState
  MouseState* mouse = nullptr;    // the program's MouseState
  void* window = nullptr;         // top-level window; zero when none exists
  void* deviceContext = nullptr;  // the window's drawing surface
  void* renderContext = nullptr;  // the OpenGL rendering context
  AppInstance* instance = nullptr;
  const char* title = "";
  int32_t width = 0;  // requested client size; never follows resizes
  int32_t height = 0;
  int32_t colorBits = 0;
  int32_t fullScreen = 0;  // create in full-screen form
  int32_t visible = 0;     // frames are drawn only while set
  uint32_t lastTick = 0;   // tick count of the last frame start
  // The client size the view was last set for (the creation size, then each
  // restored or maximised WM_SIZE): what F12 reads and the mouse measures by.
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
};
