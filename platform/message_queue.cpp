// The in-process message queue, the default window procedure and the
// per-window user data shared by the SDL and headless ports.
#include "platform/message_queue.h"

#include <deque>

#include "platform/dropped_files.h"
#include "platform/platform.h"

namespace {

struct QueueState {
  std::deque<AppMessage> messages;
  void* current = nullptr;
  void* userData = nullptr;  // of the current window
};

QueueState& state() {
  static QueueState queue;
  return queue;
}

}  // namespace

void queueWindowCreated(void* window) {
  state().current = window;
  state().userData = nullptr;
}

void queueWindowDestroyed(void* window) {
  auto& messages = state().messages;
  for (auto it = messages.begin(); it != messages.end();) {
    it = it->window == window ? messages.erase(it) : it + 1;
  }
  if (state().current == window) {
    state().current = nullptr;
    state().userData = nullptr;
  }
  forgetDroppedFiles();  // their kWmDropFiles messages are gone with the window's
}

void* queueCurrentWindow() {
  return state().current;
}

void queueAppend(const AppMessage& message) {
  state().messages.push_back(message);
}

bool queueTake(void* window, AppMessage& message) {
  auto& messages = state().messages;
  for (auto it = messages.begin(); it != messages.end(); ++it) {
    if (it->window == window) {
      message = *it;
      messages.erase(it);
      return true;
    }
  }
  return false;
}

bool queueIsEmpty() {
  return state().messages.empty();
}

void queueDispatchAllButQuit() {
  auto& messages = state().messages;
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

void queueReset() {
  state().messages.clear();
  forgetDroppedFiles();
}

void platformDispatchMessage(const AppMessage& message) {
  windowProcedure(message.window, message.message, message.wParam, message.lParam);
}

bool platformPostMessage(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (window == nullptr || window != state().current) return false;
  AppMessage posted;
  posted.window = window;
  posted.message = message;
  posted.wParam = wParam;
  posted.lParam = lParam;
  queueAppend(posted);
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
  return window != nullptr && window == state().current ? state().userData : nullptr;
}

void platformSetWindowUserData(void* window, void* data) {
  if (window != nullptr && window == state().current) state().userData = data;
}
