// MouseState: what the mouse has done since the last frame, written by the
// window procedure and consumed by the per-frame controls: the buttons held
// in a drag, the pointer's last place, the motion of the rotate drag (left
// button) and of the pan drag (right or middle button), the wheel's distance,
// and the paths of the last drop onto the window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MouseState {
  uintptr_t buttons = 0;  // kMkLButton, kMkRButton, kMkMButton of the drags under way
  bool placeKnown = false;
  int32_t x = 0;  // the pointer's last place, client pixels
  int32_t y = 0;
  int32_t rotateX = 0;  // left-drag motion in pixels since the last frame
  int32_t rotateY = 0;
  int32_t panX = 0;  // right- or middle-drag motion in pixels since the last frame
  int32_t panY = 0;
  int32_t wheel = 0;  // wheel distance since the last frame, kWheelDelta per notch
  std::vector<std::string> droppedFiles;  // the last drop, not yet acted on
};

// Forgets every button, motion, wheel distance and drop: a new window, or
// one that lost the pointer by being minimised.
void clearMouseState(MouseState& mouse);

// Takes one mouse message (kWmMouseMove, a button down or up, kWmMouseWheel)
// into the state; false for any other message. Motion counts for the drags
// under way before the message; a move whose wParam lacks a dragging
// button's flag ends that drag first (the button was let go outside the
// window), as does the button's own up message.
bool recordMouseMessage(MouseState& mouse, uint32_t message, uintptr_t wParam, intptr_t lParam);
