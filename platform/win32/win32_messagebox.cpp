// The Windows port's message boxes: MessageBoxA with no owner window.
#include <windows.h>

#include "platform/platform.h"

int platformMessageBox(const char* text, const char* caption, unsigned style) {
  return MessageBoxA(nullptr, text, caption, style);
}
