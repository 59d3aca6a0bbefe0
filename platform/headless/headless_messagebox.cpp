// Message boxes of the headless port: each box is one line on standard error
// and is kept in order for tests to inspect.
#include <cstdio>

#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace {
bool echoBoxes = true;
}

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

int platformMessageBox(const char* text, const char* caption, unsigned style) {
  headlessCapturedBoxes().push_back({caption ? caption : "", text ? text : "", style});
  if (echoBoxes) {
    std::fprintf(stderr, "%s\n", headlessBoxLine(caption, text).c_str());
    std::fflush(stderr);
  }
  return 1;  // IDOK
}
