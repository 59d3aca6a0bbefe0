// The viewer's process entry on Linux: arms the SIGUSR1 full-screen toggle
// request and hands the command line to the portable shell, whose result
// (0, 2 for a usage error, or -1 seen as 255) is the exit status.
#define SDL_MAIN_HANDLED
#include "app/command_line.h"
#include "platform/sdl/sdl_port.h"

int main(int argc, char** argv) {
  static char moduleToken;  // stands for the module handle
  sdlInstallToggleSignal();
  return runViewerCommandLine(&moduleToken, argc, argv);
}
