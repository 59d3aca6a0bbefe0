// The one command-line parser of vistrel-tool (see options.h).
#include "runner/options.h"

#include <cstring>

std::string withDetail(const char* format, const char* detail) {
  const int length = std::snprintf(nullptr, 0, format, detail);
  if (length <= 0) return format;
  std::vector<char> text(static_cast<size_t>(length) + 1);
  std::snprintf(text.data(), text.size(), format, detail);
  return std::string(text.data(), static_cast<size_t>(length));
}

int usageError(const ToolCommand& command, const std::string& message) {
  std::fprintf(stderr, "vistrel-tool %s: %s\n", command.name, message.c_str());
  command.printUsage(stderr);
  return kToolUsage;
}

int usageOnly(const ToolCommand& command) {
  command.printUsage(stderr);
  return kToolUsage;
}

int parseToolArguments(const ToolCommand& command, int argc, char** argv,
                       const std::vector<ToolOption>& options,
                       std::vector<const char*>& positional) {
  bool positionalOnly = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (positionalOnly || arg[0] != '-' || arg[1] == '\0') {
      positional.push_back(arg);
      continue;
    }
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      command.printUsage(stdout);
      return kToolHelpShown;
    }
    if (std::strcmp(arg, "--") == 0) {
      positionalOnly = true;
      continue;
    }
    const ToolOption* found = nullptr;
    for (const ToolOption& option : options) {
      if (std::strcmp(arg, option.name) == 0 ||
          (option.alias && std::strcmp(arg, option.alias) == 0)) {
        found = &option;
        break;
      }
    }
    if (!found) return usageError(command, withDetail(command.unknownOption, arg));
    const char* value = nullptr;
    if (found->takesValue && i + 1 < argc) value = argv[++i];
    std::string problem;
    if (!found->take(arg, value, problem)) return usageError(command, problem);
  }
  return kToolOk;
}
