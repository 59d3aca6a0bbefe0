// The viewer's command line and its help text.
#include "app/command_line.h"

#include <cstring>

#include "app/app_frame.h"

CommandLine parseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!optionsEnded && std::strcmp(arg, "--") == 0) {
      optionsEnded = true;
    } else if (!optionsEnded && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
      line.action = CommandLineAction::Help;
      return line;
    } else if (!optionsEnded && std::strcmp(arg, "--version") == 0) {
      line.action = CommandLineAction::Version;
      return line;
    } else if (!optionsEnded && arg[0] == '-' && arg[1] != '\0') {
      line.action = CommandLineAction::UsageError;
      line.error = std::string("unknown option '") + arg + "'";
      return line;
    } else if (!line.model.empty() || arg[0] == '\0') {
      line.action = CommandLineAction::UsageError;
      line.error = arg[0] == '\0'
                       ? "an empty model path"
                       : std::string("unexpected argument '") + arg + "' (one model only)";
      return line;
    } else {
      line.model = arg;
    }
  }
  return line;
}

void printViewerUsage(FILE* out) {
  std::fprintf(out,
               "usage: vistrel [MODEL.3do]\n"
               "\n"
               "Shows a 3DO model in a window. With MODEL.3do the model opens at once;\n"
               "without it a file dialog asks for one (F9 asks again later). The model's\n"
               "folder becomes the current folder: its MAT files are read there and\n"
               "ModelStats.txt and F12 screenshots are written there.\n"
               "\n"
               "config.txt and systemtex/ come from the folder vistrel is started in when\n"
               "it holds config.txt, else from beside the program, else from\n"
               "../share/vistrel beside the program's folder (an installed vistrel).\n"
               "\n"
               "options:\n"
               "  --help       show this text\n"
               "  --version    show the version\n"
               "\n"
               "Keys: H shows the help page in the window.\n");
}

void printViewerVersion(FILE* out) {
  std::fprintf(out, "vistrel %s\n", VISTREL_VERSION);
}

int runViewerCommandLine(void* moduleHandle, int argc, const char* const* argv) {
  const CommandLine line = parseCommandLine(argc, argv);
  switch (line.action) {
    case CommandLineAction::Help:
      printViewerUsage(stdout);
      return 0;
    case CommandLineAction::Version:
      printViewerVersion(stdout);
      return 0;
    case CommandLineAction::UsageError:
      std::fprintf(stderr, "vistrel: %s\n", line.error.c_str());
      printViewerUsage(stderr);
      return 2;
    case CommandLineAction::Run:
      break;
  }
  return runApplication(moduleHandle, line.model.empty() ? nullptr : line.model.c_str());
}
