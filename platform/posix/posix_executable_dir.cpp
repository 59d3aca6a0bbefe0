// Where the running executable lives on Linux (/proc/self/exe), for finding
// the data put beside it or in the installed share folder; shared by the SDL
// and headless ports.
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/platform.h"

std::string platformExecutableDir() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return ".";
  buffer[length] = '\0';
  std::string path(buffer);
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}
