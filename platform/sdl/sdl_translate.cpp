// The one translation of SDL events into the shell's messages (the key
// codes are sdl_keys.cpp's), with their
// Windows numeric values: key presses as WM_KEYDOWN/WM_KEYUP with virtual-key
// codes (system keys -- Alt combinations, Alt itself and F10 -- as
// WM_SYSKEYDOWN/WM_SYSKEYUP), the close box and window manager close as
// WM_CLOSE, minimise, restore, maximise and resizes as WM_SIZE, the mouse as
// WM_MOUSEMOVE, the button messages and WM_MOUSEWHEEL, and the files of one
// drop as one WM_DROPFILES.
#include <string>
#include <utility>
#include <vector>

#include "platform/dropped_files.h"
#include "platform/sdl/sdl_port.h"

namespace {

// The files of the drop under way: SDL reports each file of a drop as an
// event of its own between SDL_DROPBEGIN and SDL_DROPCOMPLETE.
struct DropUnderWay {
  bool open = false;
  std::vector<std::string> paths;
};

DropUnderWay& dropUnderWay() {
  static DropUnderWay drop;
  return drop;
}

// SDL's button mask as the MK flags of Windows.
uintptr_t buttonFlags(uint32_t mask) {
  uintptr_t flags = 0;
  if (mask & SDL_BUTTON_LMASK) flags |= kMkLButton;
  if (mask & SDL_BUTTON_RMASK) flags |= kMkRButton;
  if (mask & SDL_BUTTON_MMASK) flags |= kMkMButton;
  return flags;
}

// The down or up message of an SDL button and its MK flag; false for the
// buttons the shell has no message for (the side buttons).
bool buttonMessage(uint8_t button, bool down, uint32_t& message, uintptr_t& flag) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      message = down ? kWmLButtonDown : kWmLButtonUp;
      flag = kMkLButton;
      return true;
    case SDL_BUTTON_RIGHT:
      message = down ? kWmRButtonDown : kWmRButtonUp;
      flag = kMkRButton;
      return true;
    case SDL_BUTTON_MIDDLE:
      message = down ? kWmMButtonDown : kWmMButtonUp;
      flag = kMkMButton;
      return true;
    default:
      return false;
  }
}

}  // namespace

int sdlTranslateEvent(const SDL_Event& event, void* window, uint32_t windowId, AppMessage out[2]) {
  auto make = [&](uint32_t message, uintptr_t wParam, intptr_t lParam) {
    AppMessage m;
    m.window = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    return m;
  };
  switch (event.type) {
    case SDL_QUIT:  // SIGINT/SIGTERM through SDL: ask the window to close
      out[0] = make(kWmClose, 0, 0);
      return 1;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (event.key.windowID != 0 && event.key.windowID != windowId) return 0;
      const int vk =
          sdlVirtualKey(event.key.keysym.sym, event.key.keysym.scancode, event.key.keysym.mod);
      if (vk == 0) return 0;
      const uint16_t mod = event.key.keysym.mod;
      // Alt (without Ctrl, which makes AltGr), the Alt key itself and F10 are
      // system keys: they never reach the key flags.
      const bool alt = (mod & KMOD_ALT) != 0 && (mod & KMOD_CTRL) == 0;
      const bool system = alt || vk == 0x12 || vk == kVkF10;
      const bool down = event.type == SDL_KEYDOWN;
      uint32_t message =
          down ? (system ? kWmSysKeyDown : kWmKeyDown) : (system ? kWmSysKeyUp : kWmKeyUp);
      // lParam as Windows builds it: repeat count 1, scancode, previous state
      // (bit 30) for autorepeat and key-up, transition (bit 31) for key-up,
      // context (bit 29) with Alt.
      uint32_t bits = 1u | (static_cast<uint32_t>(event.key.keysym.scancode & 0xFF) << 16);
      if (alt) bits |= 1u << 29;
      if (!down || event.key.repeat) bits |= 1u << 30;
      if (!down) bits |= 1u << 31;
      out[0] = make(message, static_cast<uintptr_t>(vk), static_cast<intptr_t>(bits));
      return 1;
    }
    case SDL_WINDOWEVENT: {
      if (event.window.windowID != windowId) return 0;
      SDL_Window* sdl = SDL_GetWindowFromID(windowId);
      int width = 0;
      int height = 0;
      if (sdl) SDL_GL_GetDrawableSize(sdl, &width, &height);
      const intptr_t size =
          static_cast<intptr_t>((static_cast<uint32_t>(width) & 0xFFFFu) |
                                ((static_cast<uint32_t>(height) & 0xFFFFu) << 16));
      const bool maximised = sdl && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_MAXIMIZED) != 0;
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          out[0] = make(kWmClose, 0, 0);
          return 1;
        case SDL_WINDOWEVENT_MINIMIZED:
          out[0] = make(kWmSize, kSizeMinimized, 0);
          return 1;
        case SDL_WINDOWEVENT_MAXIMIZED:
          out[0] = make(kWmSize, kSizeMaximized, size);
          return 1;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          // A size report of an iconified window must not make it visible.
          if (sdl && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_MINIMIZED) != 0) return 0;
          out[0] = make(kWmSize, maximised ? kSizeMaximized : kSizeRestored, size);
          return 1;
        case SDL_WINDOWEVENT_RESTORED:
          out[0] = make(kWmSize, maximised ? kSizeMaximized : kSizeRestored, size);
          return 1;
        default:
          return 0;
      }
    }
    case SDL_MOUSEMOTION:
      if (event.motion.windowID != windowId) return 0;
      // The held buttons come with the motion, as MK flags in wParam.
      out[0] = make(kWmMouseMove, buttonFlags(event.motion.state),
                    mousePositionParam(event.motion.x, event.motion.y));
      return 1;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (event.button.windowID != windowId) return 0;
      const bool down = event.type == SDL_MOUSEBUTTONDOWN;
      uint32_t message = 0;
      uintptr_t flag = 0;
      if (!buttonMessage(event.button.button, down, message, flag)) return 0;
      // The other buttons as SDL holds them now; this one as the event says.
      uintptr_t flags = buttonFlags(SDL_GetMouseState(nullptr, nullptr)) & ~flag;
      if (down) flags |= flag;
      out[0] = make(message, flags, mousePositionParam(event.button.x, event.button.y));
      return 1;
    }
    case SDL_MOUSEWHEEL: {
      if (event.wheel.windowID != windowId || event.wheel.y == 0) return 0;
      // Positive away from the user, whichever way the system scrolls.
      int64_t distance = static_cast<int64_t>(event.wheel.y) * kWheelDelta;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) distance = -distance;
      if (distance > 32767) distance = 32767;
      if (distance < -32768) distance = -32768;
      // WM_MOUSEWHEEL's lParam is a screen place on Windows; the shell does
      // not read it.
      out[0] = make(kWmMouseWheel,
                    wheelParam(static_cast<int32_t>(distance),
                               buttonFlags(SDL_GetMouseState(nullptr, nullptr))),
                    0);
      return 1;
    }
    case SDL_DROPBEGIN:
      if (event.drop.windowID != 0 && event.drop.windowID != windowId) return 0;
      dropUnderWay() = DropUnderWay{};
      dropUnderWay().open = true;
      return 0;
    case SDL_DROPFILE:
    case SDL_DROPTEXT: {
      // The string is SDL's to hand over and ours to free, taken or not.
      std::string path = event.drop.file ? event.drop.file : "";
      SDL_free(event.drop.file);
      const bool ours = event.drop.windowID == 0 || event.drop.windowID == windowId;
      if (event.type != SDL_DROPFILE || !ours || path.empty()) return 0;
      if (dropUnderWay().open) {
        dropUnderWay().paths.push_back(std::move(path));
        return 0;
      }
      // A file without SDL_DROPBEGIN around it is a drop of its own.
      out[0] = make(kWmDropFiles, storeDroppedFiles({std::move(path)}), 0);
      return 1;
    }
    case SDL_DROPCOMPLETE: {
      if (event.drop.windowID != 0 && event.drop.windowID != windowId) return 0;
      DropUnderWay drop = std::move(dropUnderWay());
      dropUnderWay() = DropUnderWay{};
      if (drop.paths.empty()) return 0;  // text only, or nothing
      out[0] = make(kWmDropFiles, storeDroppedFiles(std::move(drop.paths)), 0);
      return 1;
    }
    default:
      return 0;
  }
}
