// KeyState: one down flag per Windows virtual-key code, written by the window
// procedure and polled by the per-frame input step.
#pragma once

#include <cstdint>

struct KeyState {
  int32_t down[256] = {};  // 1 while the key is down, 0 otherwise
};

// Clears all 256 flags.
void clearKeyState(KeyState& keys);
