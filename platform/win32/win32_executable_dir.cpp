// Where the running executable lives on Windows, for finding the data put
// beside it: asked in UTF-16, handed on as UTF-8.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_port.h"

std::string platformExecutableDir() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return ".";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return ".";
    path.resize(path.size() * 2);
  }
  const std::string full = win32Utf8(path.data(), path.size());
  size_t separator = full.find_last_of("\\/");
  if (separator == std::string::npos) return ".";
  if (separator == 0 || (separator == 2 && full[1] == ':')) return full.substr(0, separator + 1);
  return full.substr(0, separator);
}
