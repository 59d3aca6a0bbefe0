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
constexpr uint32_t kWmUser = 0x0400;
constexpr uint32_t kWmToggleFullScreen = kWmUser + 1;

// WM_SIZE wParam values.
constexpr uintptr_t kSizeRestored = 0;
constexpr uintptr_t kSizeMinimized = 1;
constexpr uintptr_t kSizeMaximized = 2;
constexpr uintptr_t kSizeMaxShow = 3;
constexpr uintptr_t kSizeMaxHide = 4;

// WM_SYSCOMMAND wParam values.
constexpr uintptr_t kScClose = 0xF060;
constexpr uintptr_t kScScreenSave = 0xF140;
constexpr uintptr_t kScMonitorPower = 0xF170;

// Virtual-key codes of the key table.
constexpr int kVkEscape = 0x1B;
constexpr int kVkSpace = 0x20;
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
