// The millisecond clock of the SDL port: the monotonic clock truncated to an
// unsigned 32-bit count, which wraps after 2^32 ms as the shell expects.
#include <ctime>

#include "platform/platform.h"

uint32_t platformTickCount() {
  timespec now = {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t milliseconds =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(milliseconds);
}
