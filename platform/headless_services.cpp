// The portable headless services: message boxes become lines on standard
// error and are kept in order for tests to inspect (or, on a thread that asks,
// are collected as lines for the program to print); the millisecond clock is
// a monotonic count truncated to 32 bits, which tests can pin to a value.
#include "platform/headless_services.h"

#include <chrono>
#include <cstdio>

#include "platform/platform.h"

namespace {
bool echoBoxes = true;
thread_local std::vector<std::string>* collectedLines = nullptr;
}  // namespace

std::vector<CapturedBox>& headlessCapturedBoxes() {
  static std::vector<CapturedBox> boxes;
  return boxes;
}

void headlessSetEchoBoxes(bool echo) {
  echoBoxes = echo;
}

std::string headlessBoxLine(const char* caption, const char* text) {
  std::string line = caption ? caption : "";
  line += ": ";
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '\n') {
      line += "\\n";
    } else {
      line += *p;
    }
  }
  return line;
}

void headlessCollectLines(std::vector<std::string>* lines) {
  collectedLines = lines;
}

void headlessMessageLine(const std::string& line) {
  if (collectedLines) {
    collectedLines->push_back(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

int platformMessageBox(const char* text, const char* caption, unsigned style) {
  if (collectedLines) {
    collectedLines->push_back(headlessBoxLine(caption, text));
    return 1;  // IDOK
  }
  headlessCapturedBoxes().push_back({caption ? caption : "", text ? text : "", style});
  if (echoBoxes) {
    std::fprintf(stderr, "%s\n", headlessBoxLine(caption, text).c_str());
    std::fflush(stderr);
  }
  return 1;  // IDOK
}

namespace {
bool tickOverride = false;
uint32_t tickValue = 0;
}  // namespace

void headlessSetTickOverride(bool enabled, uint32_t value) {
  tickOverride = enabled;
  tickValue = value;
}

uint32_t platformTickCount() {
  if (tickOverride) return tickValue;
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}
