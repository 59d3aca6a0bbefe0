// The Windows port's message services: the pump's peek, dispatch and wait,
// posting, default handling, the window's user data, and the adapter that
// lets the portable windowProcedure serve as the class's procedure.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/win32_port.h"

namespace {

// The last message taken, so that dispatching it hands Windows the record
// exactly as it came (time and cursor position included).
MSG lastTaken;

HWND asWindow(void* handle) {
  return static_cast<HWND>(handle);
}

}  // namespace

LRESULT CALLBACK win32WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return static_cast<LRESULT>(windowProcedure(window, static_cast<uint32_t>(message),
                                              static_cast<uintptr_t>(wParam),
                                              static_cast<intptr_t>(lParam)));
}

bool platformPeekMessage(AppWindow& appWindow, AppMessage& message) {
  MSG taken;
  // Only messages of the main window; WM_QUIT posted to it is among them.
  if (!PeekMessageA(&taken, asWindow(appWindow.window), 0, 0, PM_REMOVE)) return false;
  lastTaken = taken;
  message.window = taken.hwnd;
  message.message = static_cast<uint32_t>(taken.message);
  message.wParam = static_cast<uintptr_t>(taken.wParam);
  message.lParam = static_cast<intptr_t>(taken.lParam);
  return true;
}

void platformDispatchMessage(const AppMessage& message) {
  MSG record;
  if (lastTaken.hwnd == message.window && lastTaken.message == message.message &&
      lastTaken.wParam == message.wParam && lastTaken.lParam == message.lParam) {
    record = lastTaken;
  } else {
    ZeroMemory(&record, sizeof record);
    record.hwnd = asWindow(message.window);
    record.message = message.message;
    record.wParam = static_cast<WPARAM>(message.wParam);
    record.lParam = static_cast<LPARAM>(message.lParam);
    record.time = GetMessageTime();
  }
  // No TranslateMessage: the shell wants key messages only, never WM_CHAR.
  DispatchMessageA(&record);
}

void platformWaitMessage() {
  WaitMessage();
}

bool platformPostMessage(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostMessageA(asWindow(window), message, static_cast<WPARAM>(wParam),
                      static_cast<LPARAM>(lParam)) != 0;
}

intptr_t platformDefWindowProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return static_cast<intptr_t>(DefWindowProcA(
      asWindow(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

// GWLP_USERDATA is the pointer-wide form of GWL_USERDATA, so the AppWindow's
// address survives on 64-bit Windows.
void* platformGetWindowUserData(void* window) {
  return reinterpret_cast<void*>(GetWindowLongPtrA(asWindow(window), GWLP_USERDATA));
}

void platformSetWindowUserData(void* window, void* data) {
  SetWindowLongPtrA(asWindow(window), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
}
