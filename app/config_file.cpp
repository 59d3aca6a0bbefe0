// Reading the configuration file's colour line.
#include "app/config_file.h"

#include <cctype>

#include "platform/files.h"

bool readConfigLine(char* buffer, FILE* file) {
  for (;;) {
    if (!std::fgets(buffer, 256, file)) return false;
    const char* p = buffer;
    while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (*p != '\0' && *p != '#') return true;
  }
}

bool readBackgroundColour(const char* path, float colour[3]) {
  FILE* file = platformOpenFile(path, "r");
  if (!file) return false;
  char line[256];
  bool found = readConfigLine(line, file);
  std::fclose(file);
  if (!found) return false;
  colour[0] = colour[1] = colour[2] = 0.0f;
  std::sscanf(line, "%f %f %f", &colour[0], &colour[1], &colour[2]);
  return true;
}
