// The millisecond clock of the headless port: a monotonic count truncated to
// 32 bits, which tests can pin to a chosen value.
#include <chrono>

#include "platform/headless/headless.h"
#include "platform/platform.h"

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
