// The viewer's process entry on Linux: ignores its arguments, arms the
// SIGUSR1 full-screen toggle request and runs the portable shell, whose
// result (0, or -1 seen as 255) is the exit status.
#define SDL_MAIN_HANDLED
#include "app/app_frame.h"
#include "platform/sdl/sdl_port.h"

int main(int, char**) {
  static char moduleToken;  // stands for the module handle
  sdlInstallToggleSignal();
  return runApplication(&moduleToken);
}
