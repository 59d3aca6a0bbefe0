// The Windows port's message boxes: MessageBoxW with no owner window, the
// UTF-8 text and caption (which may name a path) turned into UTF-16.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/win32_port.h"

int platformMessageBox(const char* text, const char* caption, unsigned style) {
  return MessageBoxW(nullptr, win32Wide(text ? text : "").c_str(),
                     win32Wide(caption ? caption : "").c_str(), style);
}
