// The Windows entry point: hands the module handle to the portable shell and
// returns its result as the process's exit code. The previous-instance
// handle, the command line and the show command are ignored.
#include <windows.h>

#include "app/app_frame.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
  return runApplication(instance);
}
