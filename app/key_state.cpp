// The key flags' one operation of their own.
#include "app/key_state.h"

void clearKeyState(KeyState& keys) {
  for (int32_t& flag : keys.down) flag = 0;
}
