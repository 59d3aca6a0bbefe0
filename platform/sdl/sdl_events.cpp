// The SDL port's side of the message queue: translated SDL events and the
// SIGUSR1 full-screen toggle request go into the shared queue; peek and wait.
#include <csignal>

#include "platform/message_queue.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_port.h"

namespace {

volatile sig_atomic_t toggleRequested = 0;

void onToggleSignal(int) {
  toggleRequested = 1;
}

}  // namespace

void sdlInstallToggleSignal() {
  struct sigaction action = {};
  action.sa_handler = onToggleSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGUSR1, &action, nullptr);
}

void sdlCollectEvents() {
  SdlWindow* current = sdlCurrentWindow();
  // A request that arrives between two windows waits for the next one.
  if (toggleRequested && current != nullptr) {
    toggleRequested = 0;
    AppMessage message;
    message.window = current;
    message.message = kWmToggleFullScreen;
    queueAppend(message);
  }
  if (!sdlVideoReady()) return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (current == nullptr) {
      // Between two windows a drop goes nowhere; its string is still ours.
      if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT) SDL_free(event.drop.file);
      continue;
    }
    AppMessage translated[2];
    const int count = sdlTranslateEvent(event, current, current->id, translated);
    for (int i = 0; i < count; ++i) queueAppend(translated[i]);
  }
}

bool platformPeekMessage(AppWindow& window, AppMessage& message) {
  sdlCollectEvents();
  return queueTake(window.window, message);
}

void platformWaitMessage() {
  // SDL cannot be woken by a signal, so the wait looks at the toggle flag
  // every tenth of a second; events wake it at once.
  for (;;) {
    if (!queueIsEmpty() || toggleRequested) return;
    if (!sdlVideoReady()) return;
    if (SDL_WaitEventTimeout(nullptr, 100)) return;
  }
}

void sdlModalDispatch() {
  sdlCollectEvents();
  queueDispatchAllButQuit();
}
