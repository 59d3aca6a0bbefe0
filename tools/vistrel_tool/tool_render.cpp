// vistrel-tool render (placeholder until its command is built).
#include <cstdio>

#include "tools/vistrel_tool/tool.h"

int runRender(int, char**) {
  std::fprintf(stderr, "vistrel-tool: render is not available yet\n");
  return kToolUsage;
}
