// The message queue of the SDL port: posted messages and translated SDL
// events in arrival order, the SIGUSR1 full-screen toggle request, peek,
// dispatch, wait and the default handling of messages.
#include <csignal>
#include <deque>

#include "platform/platform.h"
#include "platform/sdl/sdl_port.h"

namespace {

std::deque<AppMessage>& queue() {
  static std::deque<AppMessage> messages;
  return messages;
}

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

void sdlQueueMessage(const AppMessage& message) {
  queue().push_back(message);
}

void sdlDropMessagesOf(void* window) {
  auto& messages = queue();
  for (auto it = messages.begin(); it != messages.end();) {
    it = it->window == window ? messages.erase(it) : it + 1;
  }
}

void sdlCollectEvents() {
  SdlWindow* current = sdlCurrentWindow();
  // A request that arrives between two windows waits for the next one.
  if (toggleRequested && current != nullptr) {
    toggleRequested = 0;
    AppMessage message;
    message.window = current;
    message.message = kWmToggleFullScreen;
    sdlQueueMessage(message);
  }
  if (!sdlVideoReady()) return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (current == nullptr) continue;
    AppMessage translated[2];
    const int count = sdlTranslateEvent(event, current, current->id, translated);
    for (int i = 0; i < count; ++i) sdlQueueMessage(translated[i]);
  }
}

bool platformPeekMessage(AppWindow& window, AppMessage& message) {
  sdlCollectEvents();
  auto& messages = queue();
  for (auto it = messages.begin(); it != messages.end(); ++it) {
    if (it->window == window.window) {
      message = *it;
      messages.erase(it);
      return true;
    }
  }
  return false;
}

void platformDispatchMessage(const AppMessage& message) {
  windowProcedure(message.window, message.message, message.wParam, message.lParam);
}

void platformWaitMessage() {
  // SDL cannot be woken by a signal, so the wait looks at the toggle flag
  // every tenth of a second; events wake it at once.
  for (;;) {
    if (!queue().empty() || toggleRequested) return;
    if (!sdlVideoReady()) return;
    if (SDL_WaitEventTimeout(nullptr, 100)) return;
  }
}

bool platformPostMessage(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  SdlWindow* current = sdlCurrentWindow();
  if (window == nullptr || window != current) return false;
  AppMessage posted;
  posted.window = window;
  posted.message = message;
  posted.wParam = wParam;
  posted.lParam = lParam;
  sdlQueueMessage(posted);
  return true;
}

intptr_t platformDefWindowProc(void* window, uint32_t message, uintptr_t wParam, intptr_t) {
  // Alt+F4 becomes the close command, and the close command a close request,
  // as the default handling on Windows does.
  if (message == kWmSysKeyDown && wParam == 0x73) {
    return windowProcedure(window, kWmSysCommand, kScClose, 0);
  }
  if (message == kWmSysCommand && (wParam & 0xFFF0u) == kScClose) {
    return windowProcedure(window, kWmClose, 0, 0);
  }
  return 0;
}

void* platformGetWindowUserData(void* window) {
  return window ? static_cast<SdlWindow*>(window)->userData : nullptr;
}

void platformSetWindowUserData(void* window, void* data) {
  if (window) static_cast<SdlWindow*>(window)->userData = data;
}

void sdlModalDispatch() {
  sdlCollectEvents();
  auto& messages = queue();
  // Dispatch what is queued now; kWmQuit stays for the main pump, and
  // messages posted by the dispatching wait for the next turn.
  std::deque<AppMessage> taken;
  for (auto it = messages.begin(); it != messages.end();) {
    if (it->message == kWmQuit) {
      ++it;
    } else {
      taken.push_back(*it);
      it = messages.erase(it);
    }
  }
  for (const AppMessage& message : taken) platformDispatchMessage(message);
}
