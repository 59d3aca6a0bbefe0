// The mouse record's bookkeeping: buttons, motion and wheel distance are
// summed between two frames, so the frame step sees every message at once
// however many arrived.
#include "app/mouse_state.h"

#include <limits>

#include "platform/messages.h"

namespace {

// Adds without running past the int32 range (a flood of far moves between two
// frames saturates instead of wrapping).
void addClamped(int32_t& sum, int64_t amount) {
  const int64_t total = static_cast<int64_t>(sum) + amount;
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  sum = static_cast<int32_t>(total > kMax ? kMax : (total < kMin ? kMin : total));
}

// The button a down or up message names, 0 for other messages.
uintptr_t buttonOf(uint32_t message) {
  switch (message) {
    case kWmLButtonDown:
    case kWmLButtonUp:
      return kMkLButton;
    case kWmRButtonDown:
    case kWmRButtonUp:
      return kMkRButton;
    case kWmMButtonDown:
    case kWmMButtonUp:
      return kMkMButton;
    default:
      return 0;
  }
}

}  // namespace

void clearMouseState(MouseState& mouse) {
  mouse = MouseState{};
}

bool recordMouseMessage(MouseState& mouse, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kWmMouseWheel) {
    addClamped(mouse.wheel, wheelDistance(wParam));
    return true;
  }
  const uintptr_t button = buttonOf(message);
  if (message != kWmMouseMove && button == 0) return false;

  if (message == kWmMouseMove) mouse.buttons &= wParam;
  const int32_t x = mouseX(lParam);
  const int32_t y = mouseY(lParam);
  if (mouse.placeKnown) {
    const int64_t dx = static_cast<int64_t>(x) - mouse.x;
    const int64_t dy = static_cast<int64_t>(y) - mouse.y;
    if (mouse.buttons & kMkLButton) {
      addClamped(mouse.rotateX, dx);
      addClamped(mouse.rotateY, dy);
    }
    if (mouse.buttons & (kMkRButton | kMkMButton)) {
      addClamped(mouse.panX, dx);
      addClamped(mouse.panY, dy);
    }
  }
  mouse.x = x;
  mouse.y = y;
  mouse.placeKnown = true;

  const bool down =
      message == kWmLButtonDown || message == kWmRButtonDown || message == kWmMButtonDown;
  if (down) {
    mouse.buttons |= button;
  } else {
    mouse.buttons &= ~button;
  }
  return true;
}
