// The command line of every vistrel-tool command: one parser for the
// options each command declares, and one way to report a usage error (the
// message after "vistrel-tool COMMAND: ", then the command's usage, both on
// standard error, exit status 2).
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Exit statuses of every command.
constexpr int kToolOk = 0;
constexpr int kToolFailed = 1;
constexpr int kToolUsage = 2;

struct ToolCommand {
  const char* name = "";  // "render"
  void (*printUsage)(FILE* out) = nullptr;
  // The message of an argument that starts with '-' and names no option.
  const char* unknownOption = "unknown option '%s'";
};

// One option: its names, and what taking it means. take receives the name
// as given and its value (null for an option without one, and for one whose
// value is missing); false with the usage message in problem.
struct ToolOption {
  const char* name = "";
  const char* alias = nullptr;
  bool takesValue = false;
  std::function<bool(const char* given, const char* value, std::string& problem)> take;
};

// What parseToolArguments gives back besides kToolOk and kToolUsage: the
// usage was printed on standard output for --help or -h.
constexpr int kToolHelpShown = -1;

// Parses argv[1..argc) (argv[0] is the command's name): --help and -h print
// the usage; "--" makes every later argument positional; an option takes its
// value from the next argument; any other argument that starts with '-' and
// has more characters is a usage error; the rest are positional, in order.
int parseToolArguments(const ToolCommand& command, int argc, char** argv,
                       const std::vector<ToolOption>& options,
                       std::vector<const char*>& positional);

// "vistrel-tool COMMAND: MESSAGE" and the usage on standard error; kToolUsage.
int usageError(const ToolCommand& command, const std::string& message);
// The usage on standard error alone; kToolUsage.
int usageOnly(const ToolCommand& command);

// A text with one %s filled in (the option's name or value in a message).
std::string withDetail(const char* format, const char* detail);
