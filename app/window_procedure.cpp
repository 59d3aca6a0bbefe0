// The main window's procedure: keeps the key flags, the visible flag and the
// projection up to date, turns a close request into termination, swallows
// screen-saver and monitor power-down requests, and acts on the full-screen
// toggle request. It draws nothing.
#include "app/app_frame.h"
#include "app/key_state.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "render/frame.h"

intptr_t windowProcedure(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  AppWindow* app = static_cast<AppWindow*>(platformGetWindowUserData(window));
  if (message == kWmCreate) {
    const auto* params = reinterpret_cast<const AppCreateParams*>(lParam);
    platformSetWindowUserData(window, params ? params->createParam : nullptr);
    return 0;
  }
  // Before kWmCreate has linked the window to its AppWindow nothing below can
  // act, so such a message only gets the default handling.
  if (app == nullptr) return platformDefWindowProc(window, message, wParam, lParam);

  switch (message) {
    case kWmSysCommand:
      if (wParam == kScScreenSave || wParam == kScMonitorPower) return 0;
      break;
    case kWmClose:
      terminateApplication(*app);
      return 0;
    case kWmSize:
      if (wParam == kSizeMinimized) {
        app->visible = 0;
        return 0;
      }
      if (wParam == kSizeRestored || wParam == kSizeMaximized) {
        app->visible = 1;
        const auto size = static_cast<uintptr_t>(lParam);
        resizeView(static_cast<int>(size & 0xFFFFu), static_cast<int>((size >> 16) & 0xFFFFu));
        return 0;
      }
      break;
    case kWmKeyDown:
    case kWmKeyUp:
      if (wParam <= 255 && app->keys != nullptr) {
        app->keys->down[wParam] = message == kWmKeyDown ? 1 : 0;
        return 0;
      }
      break;
    case kWmToggleFullScreen:
      fullScreenRequest = !fullScreenRequest;
      platformPostMessage(window, kWmQuit, 0, 0);
      break;
    default:
      break;
  }
  return platformDefWindowProc(window, message, wParam, lParam);
}
