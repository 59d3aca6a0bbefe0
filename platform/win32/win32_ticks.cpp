// The Windows port's millisecond clock: GetTickCount, which wraps after 2^32 ms.
#include <windows.h>

#include "platform/platform.h"

uint32_t platformTickCount() {
  return static_cast<uint32_t>(GetTickCount());
}
