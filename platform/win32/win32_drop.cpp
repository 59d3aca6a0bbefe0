// The Windows port's dropped files: the HDROP that WM_DROPFILES carries,
// read with DragQueryFileA and freed with DragFinish.
#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/platform.h"

bool platformTakeDroppedFiles(uintptr_t drop, std::vector<std::string>& paths) {
  paths.clear();
  if (drop == 0) return false;
  HDROP handle = reinterpret_cast<HDROP>(drop);
  const UINT count = DragQueryFileA(handle, 0xFFFFFFFFu, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileA(handle, i, nullptr, 0);
    if (length == 0) continue;
    std::vector<char> path(static_cast<size_t>(length) + 1, '\0');
    if (DragQueryFileA(handle, i, path.data(), length + 1) == 0) continue;
    paths.emplace_back(path.data());
  }
  DragFinish(handle);
  return true;
}
