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
