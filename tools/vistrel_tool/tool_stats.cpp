// vistrel-tool stats: loads a model exactly as the viewer does after its file
// dialog (absolute path, MAT names from the model's folder, the checker
// texture as the fallback of failed materials), writes
// "ModelStats.txt" beside the model and prints the same report on standard
// output. Message boxes go to standard error. No GL context is made: the
// report and the messages are the reading's alone.
#include <cstdio>
#include <string>
#include <vector>

#include "runner/session.h"
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
  const ToolCommand command{"stats", printStatsUsage, "unexpected argument '%s'"};
  std::vector<const char*> models;
  const int parsed = parseToolArguments(command, argc, argv, {}, models);
  if (parsed == kToolHelpShown) return kToolOk;
  if (parsed != kToolOk) return parsed;
  if (models.size() > 1) return usageError(command, withDetail(command.unknownOption, models[1]));
  if (models.empty() || models[0][0] == '\0') return usageOnly(command);

  // Every box becomes a line on standard error, never on standard output.
  headlessSetEchoBoxes(true);
  ToolSession session;
  openReadingSession(session);
  std::string report;
  BatchSteps steps;
  steps.read = [&](const BatchModel& model, BatchRead& read) {
    ReadOptions options;
    options.reportCopy = &report;
    readToolModel("stats", session, model, read, options);
    std::fwrite(report.data(), 1, report.size(), stdout);
    std::fflush(stdout);
  };
  steps.make = [](const BatchModel&, BatchRead&) { return true; };
  const int status = runSingle("stats", planSingle(models[0], std::string()), steps);
  closeToolSession(session);
  return status;
}
