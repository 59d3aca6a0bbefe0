// The Windows entry point: hands the module handle and the command line to
// the portable shell and returns its result as the process's exit code. The
// arguments come from the wide command line as UTF-8 (platformUtf8Arguments),
// split as the C runtime splits them, so that "Open with", file associations
// and a typed path reach the shell whatever characters the model's path
// holds. The previous-instance handle and the show command are ignored.
#include <windows.h>

#include <cstdlib>

#include "app/command_line.h"
#include "platform/files.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
  int argc = __argc;
  char** argv = __argv;
  platformUtf8Arguments(argc, argv);
  return runViewerCommandLine(instance, argc, argv);
}
