// The Windows port's dropped files: the HDROP that WM_DROPFILES carries,
// read with DragQueryFileW (paths handed on as UTF-8) and freed with
// DragFinish.
#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_port.h"

bool platformTakeDroppedFiles(uintptr_t drop, std::vector<std::string>& paths) {
  paths.clear();
  if (drop == 0) return false;
  HDROP handle = reinterpret_cast<HDROP>(drop);
  const UINT count = DragQueryFileW(handle, 0xFFFFFFFFu, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(handle, i, nullptr, 0);
    if (length == 0) continue;
    std::vector<wchar_t> path(static_cast<size_t>(length) + 1, L'\0');
    if (DragQueryFileW(handle, i, path.data(), length + 1) == 0) continue;
    paths.push_back(win32Utf8(path.data()));
  }
  DragFinish(handle);
  return true;
}
