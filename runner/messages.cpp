// toolMessage: every line a command prints on standard error about a model,
// through the one collector of platform/headless_services.h, which keeps the
// model's lines (its boxes' too) while a batch collects them.

#include "runner/messages.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/headless_services.h"

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
  headlessMessageLine(line);
}
