// The viewer's command line: "vistrel [MODEL.3do]", "--help", "--version".
#pragma once

#include <cstdio>
#include <string>

enum class CommandLineAction { Run, Help, Version, UsageError };

struct CommandLine {
  CommandLineAction action = CommandLineAction::Run;
  std::string model;  // empty: the first start-up asks with the file dialog
  std::string error;  // what was wrong, for UsageError
};

// Reads the arguments after the program name.
CommandLine parseCommandLine(int argc, const char* const* argv);

// The usage text, and the version line.
void printViewerUsage(FILE* out);
void printViewerVersion(FILE* out);

// What every port's entry point does with its arguments: prints and returns
// the exit status for --help (0), --version (0) and a usage error (2);
// otherwise runs the viewer, with the model to open first when one is given.
int runViewerCommandLine(void* moduleHandle, int argc, const char* const* argv);
