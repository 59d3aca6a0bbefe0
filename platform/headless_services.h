// What headless programs (vistrel-tool, the tests, fuzzers and benchmarks)
// get on every system: message boxes as lines on standard error, kept for
// inspection; a monotonic millisecond clock that tests can pin; an offscreen
// OpenGL context (and, from platform.h, the executable's own folder). The
// boxes and the clock are portable (platform/headless_services.cpp); each
// system gives the context (EGL on Linux in platform/headless/, a hidden WGL
// window on Windows in platform/win32/headless/).
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
// While lines is set, boxes shown on the calling thread only are appended to
// it as their lines (headlessBoxLine), neither printed nor kept in
// headlessCapturedBoxes, and so are the thread's headlessMessageLine lines;
// null goes back. For a program that reads models on one thread and draws on
// another and prints each model's lines together.
void headlessCollectLines(std::vector<std::string>* lines);
// A message line of the program (no trailing newline): collected as above,
// else printed on standard error.
void headlessMessageLine(const std::string& line);

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
