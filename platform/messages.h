// The window messages, their parameters and the virtual-key codes the shell
// understands, with their Windows numeric values on every platform. Named with
// a k prefix so that they never collide with the Windows headers' macros.
#pragma once

#include <cstdint>

// Messages.
constexpr uint32_t kWmCreate = 0x0001;
constexpr uint32_t kWmSize = 0x0005;
constexpr uint32_t kWmClose = 0x0010;
constexpr uint32_t kWmQuit = 0x0012;
constexpr uint32_t kWmKeyDown = 0x0100;
constexpr uint32_t kWmKeyUp = 0x0101;
constexpr uint32_t kWmSysKeyDown = 0x0104;
constexpr uint32_t kWmSysKeyUp = 0x0105;
constexpr uint32_t kWmSysCommand = 0x0112;
constexpr uint32_t kWmMouseMove = 0x0200;
constexpr uint32_t kWmLButtonDown = 0x0201;
constexpr uint32_t kWmLButtonUp = 0x0202;
constexpr uint32_t kWmRButtonDown = 0x0204;
constexpr uint32_t kWmRButtonUp = 0x0205;
constexpr uint32_t kWmMButtonDown = 0x0207;
constexpr uint32_t kWmMButtonUp = 0x0208;
constexpr uint32_t kWmMouseWheel = 0x020A;
// wParam: a handle of the port's own (a Windows HDROP) that
// platformTakeDroppedFiles reads and frees.
constexpr uint32_t kWmDropFiles = 0x0233;
constexpr uint32_t kWmUser = 0x0400;
constexpr uint32_t kWmToggleFullScreen = kWmUser + 1;

// WM_SIZE wParam values.
constexpr uintptr_t kSizeRestored = 0;
constexpr uintptr_t kSizeMinimized = 1;
constexpr uintptr_t kSizeMaximized = 2;
constexpr uintptr_t kSizeMaxShow = 3;
constexpr uintptr_t kSizeMaxHide = 4;

// The buttons held, in wParam of the mouse messages (the low word of
// WM_MOUSEWHEEL's). A mouse message's lParam holds the pointer's place in
// client pixels: x the signed low word, y the signed high word (y grows
// downwards). WM_MOUSEWHEEL's distance is the signed high word of wParam,
// kWheelDelta per notch, positive when the wheel turns away from the user.
constexpr uintptr_t kMkLButton = 0x0001;
constexpr uintptr_t kMkRButton = 0x0002;
constexpr uintptr_t kMkMButton = 0x0010;
constexpr int kWheelDelta = 120;

// The pointer's place packed as a mouse message's lParam, and back.
inline intptr_t mousePositionParam(int32_t x, int32_t y) {
  return static_cast<intptr_t>((static_cast<uint32_t>(x) & 0xFFFFu) |
                               ((static_cast<uint32_t>(y) & 0xFFFFu) << 16));
}
inline int32_t mouseX(intptr_t lParam) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uintptr_t>(lParam) & 0xFFFFu));
}
inline int32_t mouseY(intptr_t lParam) {
  return static_cast<int16_t>(
      static_cast<uint16_t>((static_cast<uintptr_t>(lParam) >> 16) & 0xFFFFu));
}
// WM_MOUSEWHEEL's wParam: the distance in the high word, the buttons in the low.
inline uintptr_t wheelParam(int32_t distance, uintptr_t buttons) {
  return ((static_cast<uintptr_t>(static_cast<uint32_t>(distance)) & 0xFFFFu) << 16) |
         (buttons & 0xFFFFu);
}
inline int32_t wheelDistance(uintptr_t wParam) {
  return static_cast<int16_t>(static_cast<uint16_t>((wParam >> 16) & 0xFFFFu));
}

// WM_SYSCOMMAND wParam values.
constexpr uintptr_t kScClose = 0xF060;
constexpr uintptr_t kScScreenSave = 0xF140;
constexpr uintptr_t kScMonitorPower = 0xF170;

// Virtual-key codes of the key table.
constexpr int kVkEscape = 0x1B;
constexpr int kVkSpace = 0x20;
constexpr int kVkPrior = 0x21;  // Page Up
constexpr int kVkNext = 0x22;   // Page Down
constexpr int kVkF1 = 0x70;
constexpr int kVkF5 = 0x74;
constexpr int kVkF6 = 0x75;
constexpr int kVkF7 = 0x76;
constexpr int kVkF8 = 0x77;
constexpr int kVkF9 = 0x78;
constexpr int kVkF10 = 0x79;
constexpr int kVkF12 = 0x7B;

// Message-box styles.
constexpr unsigned kMbOk = 0x00000000u;
constexpr unsigned kMbIconWarning = 0x00000030u;

// One message as the pump takes it from the queue.
struct AppMessage {
  void* window = nullptr;
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};
