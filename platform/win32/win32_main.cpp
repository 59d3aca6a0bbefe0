// The Windows entry point: hands the module handle and the command line
// (split by the C runtime, as "Open with" and file associations pass the
// model's path) to the portable shell and returns its result as the
// process's exit code. The previous-instance handle and the show command are
// ignored.
#include <windows.h>

#include <cstdlib>

#include "app/command_line.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
  return runViewerCommandLine(instance, __argc, __argv);
}
