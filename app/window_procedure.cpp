// The main window's procedure: keeps the key flags, the mouse record, the
// visible flag, the client size and the projection up to date, turns a close
// request into termination, swallows screen-saver and monitor power-down
// requests, and acts on the full-screen toggle request. It draws nothing and
// loads nothing: it also runs inside the modal loops of dialogs and boxes, so
// a drop is only stored for the next frame step.
#include <string>
#include <utility>
#include <vector>

#include "app/app_frame.h"
#include "app/key_state.h"
#include "app/mouse_state.h"
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
        // A minimised window has lost the pointer: no drag goes on afterwards.
        if (app->mouse != nullptr) clearMouseState(*app->mouse);
        return 0;
      }
      if (wParam == kSizeRestored || wParam == kSizeMaximized) {
        app->visible = 1;
        const auto size = static_cast<uintptr_t>(lParam);
        app->clientWidth = static_cast<int32_t>(size & 0xFFFFu);
        app->clientHeight = static_cast<int32_t>((size >> 16) & 0xFFFFu);
        resizeView(app->clientWidth, app->clientHeight);
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
    case kWmMouseMove:
    case kWmLButtonDown:
    case kWmLButtonUp:
    case kWmRButtonDown:
    case kWmRButtonUp:
    case kWmMButtonDown:
    case kWmMButtonUp:
    case kWmMouseWheel:
      if (app->mouse != nullptr) {
        recordMouseMessage(*app->mouse, message, wParam, lParam);
        return 0;
      }
      break;
    case kWmDropFiles: {
      // The handle is taken (and freed) whether or not anyone keeps the list.
      std::vector<std::string> paths;
      platformTakeDroppedFiles(wParam, paths);
      if (app->mouse != nullptr && !paths.empty()) app->mouse->droppedFiles = std::move(paths);
      return 0;
    }
    case kWmToggleFullScreen:
      fullScreenRequest = !fullScreenRequest;
      platformPostMessage(window, kWmQuit, 0, 0);
      break;
    default:
      break;
  }
  return platformDefWindowProc(window, message, wParam, lParam);
}
