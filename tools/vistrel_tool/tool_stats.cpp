// vistrel-tool stats (placeholder until its command is built).
#include <cstdio>

#include "tools/vistrel_tool/tool.h"

int runStats(int, char**) {
  std::fprintf(stderr, "vistrel-tool: stats is not available yet\n");
  return kToolUsage;
}
