// The template port's entry point: what every port's main (or WinMain) does,
// hand the command line to the shell.
#include "app/command_line.h"

int main(int argc, char** argv) {
  static char moduleToken;  // stands for the module handle
  return runViewerCommandLine(&moduleToken, argc, argv);
}
