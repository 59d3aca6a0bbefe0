// vistrel-tool decode (placeholder until its command is built).
#include <cstdio>

#include "tools/vistrel_tool/tool.h"

int runDecode(int, char**) {
  std::fprintf(stderr, "vistrel-tool: decode is not available yet\n");
  return kToolUsage;
}
