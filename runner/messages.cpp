// toolMessage: every line a command prints on standard error about a model,
// kept in the model's list of lines while a batch collects them.
#include "runner/messages.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The lines of the model this thread works on, or null for standard error.
thread_local std::vector<std::string>* collectedLines = nullptr;

}  // namespace

void toolCollectMessages(std::vector<std::string>* lines) {
  collectedLines = lines;
}

void toolMessage(const char* format, ...) {
  char small[512];
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(small, sizeof small, format, arguments);
  va_end(arguments);
  if (length < 0) return;
  std::string line(small, std::min(static_cast<size_t>(length), sizeof small - 1));
  if (static_cast<size_t>(length) >= sizeof small) {
    std::vector<char> large(static_cast<size_t>(length) + 1);
    va_start(arguments, format);
    std::vsnprintf(large.data(), large.size(), format, arguments);
    va_end(arguments);
    line.assign(large.data(), static_cast<size_t>(length));
  }
  if (collectedLines) {
    collectedLines->push_back(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}
