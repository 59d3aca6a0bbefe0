// vistrel-tool stats: loads a model exactly as the viewer does after its file
// dialog (absolute path, the model's folder as the current folder, the
// checker texture as the fallback of failed materials), writes
// "ModelStats.txt" beside the model and prints the same report on standard
// output. Message boxes go to standard error.
#include <cstdio>
#include <cstring>
#include <string>

#include "model/model_reader.h"
#include "render/start_state.h"
#include "tools/vistrel_tool/tool.h"

namespace {

void printStatsUsage(FILE* out) {
  std::fprintf(out,
               "usage: vistrel-tool stats MODEL.3do\n"
               "\n"
               "Loads MODEL.3do with its MAT textures as the viewer does, writes\n"
               "ModelStats.txt in the model's folder and prints that report on standard\n"
               "output. Message boxes are printed on standard error.\n"
               "\n"
               "exit status: 0 loaded, 1 the load failed, 2 usage error\n");
}

}  // namespace

int runStats(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    printStatsUsage(stdout);
    return kToolOk;
  }
  const char* modelPath = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0 && i + 1 < argc && !modelPath) {
      modelPath = argv[++i];
      continue;
    }
    if (argv[i][0] == '-' || modelPath) {
      std::fprintf(stderr, "vistrel-tool stats: unexpected argument '%s'\n", argv[i]);
      printStatsUsage(stderr);
      return kToolUsage;
    }
    modelPath = argv[i];
  }
  if (!modelPath || modelPath[0] == '\0') {
    printStatsUsage(stderr);
    return kToolUsage;
  }

  // Every box becomes a line on standard error, never on standard output.
  headlessSetEchoBoxes(true);
  ToolSession session;
  const float black[3] = {0, 0, 0};
  if (!openToolSession(session, 640, 480, black)) return kToolFailed;
  Model model;
  useCheckerFallback(model, session.textures);

  std::string absolutePath;
  if (!enterModelFolder(modelPath, absolutePath)) {
    std::fprintf(stderr, "vistrel-tool stats: cannot use the path '%s'\n", modelPath);
    closeToolSession(session);
    return kToolFailed;
  }
  std::string report;
  bool loaded = loadModelWithReport(model, absolutePath.c_str(), &report);
  std::fwrite(report.data(), 1, report.size(), stdout);
  std::fflush(stdout);
  releaseModel(model);
  closeToolSession(session);
  return loaded ? kToolOk : kToolFailed;
}
