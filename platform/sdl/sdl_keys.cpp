// SDL keys as Windows virtual-key codes: letters and digits by the layout,
// every other key by its place on the keyboard (the scan code), as Windows'
// virtual keys do. The events that carry them are sdl_translate.cpp's.
#include "platform/sdl/sdl_port.h"

namespace {

// Virtual-key codes of a standard keyboard, by SDL scancode.
int virtualKeyOfScancode(SDL_Scancode scancode, bool numLock) {
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
    return 0x70 + (scancode - SDL_SCANCODE_F1);
  if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24)
    return 0x7C + (scancode - SDL_SCANCODE_F13);
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return 'A' + (scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
    return '1' + (scancode - SDL_SCANCODE_1);
  switch (scancode) {
    case SDL_SCANCODE_0:
      return '0';
    case SDL_SCANCODE_RETURN:
      return 0x0D;
    case SDL_SCANCODE_ESCAPE:
      return 0x1B;
    case SDL_SCANCODE_BACKSPACE:
      return 0x08;
    case SDL_SCANCODE_TAB:
      return 0x09;
    case SDL_SCANCODE_SPACE:
      return 0x20;
    case SDL_SCANCODE_MINUS:
      return 0xBD;  // VK_OEM_MINUS
    case SDL_SCANCODE_EQUALS:
      return 0xBB;  // VK_OEM_PLUS
    case SDL_SCANCODE_LEFTBRACKET:
      return 0xDB;  // VK_OEM_4
    case SDL_SCANCODE_RIGHTBRACKET:
      return 0xDD;  // VK_OEM_6
    case SDL_SCANCODE_BACKSLASH:
      return 0xDC;  // VK_OEM_5
    case SDL_SCANCODE_NONUSHASH:
      return 0xDC;
    case SDL_SCANCODE_SEMICOLON:
      return 0xBA;  // VK_OEM_1
    case SDL_SCANCODE_APOSTROPHE:
      return 0xDE;  // VK_OEM_7
    case SDL_SCANCODE_GRAVE:
      return 0xC0;  // VK_OEM_3
    case SDL_SCANCODE_COMMA:
      return 0xBC;  // VK_OEM_COMMA
    case SDL_SCANCODE_PERIOD:
      return 0xBE;  // VK_OEM_PERIOD
    case SDL_SCANCODE_SLASH:
      return 0xBF;  // VK_OEM_2
    case SDL_SCANCODE_NONUSBACKSLASH:
      return 0xE2;  // VK_OEM_102
    case SDL_SCANCODE_CAPSLOCK:
      return 0x14;
    case SDL_SCANCODE_PRINTSCREEN:
      return 0x2C;
    case SDL_SCANCODE_SCROLLLOCK:
      return 0x91;
    case SDL_SCANCODE_PAUSE:
      return 0x13;
    case SDL_SCANCODE_INSERT:
      return 0x2D;
    case SDL_SCANCODE_HOME:
      return 0x24;
    case SDL_SCANCODE_PAGEUP:
      return 0x21;
    case SDL_SCANCODE_DELETE:
      return 0x2E;
    case SDL_SCANCODE_END:
      return 0x23;
    case SDL_SCANCODE_PAGEDOWN:
      return 0x22;
    case SDL_SCANCODE_RIGHT:
      return 0x27;
    case SDL_SCANCODE_LEFT:
      return 0x25;
    case SDL_SCANCODE_DOWN:
      return 0x28;
    case SDL_SCANCODE_UP:
      return 0x26;
    case SDL_SCANCODE_NUMLOCKCLEAR:
      return 0x90;
    case SDL_SCANCODE_KP_DIVIDE:
      return 0x6F;
    case SDL_SCANCODE_KP_MULTIPLY:
      return 0x6A;
    case SDL_SCANCODE_KP_MINUS:
      return 0x6D;
    case SDL_SCANCODE_KP_PLUS:
      return 0x6B;
    case SDL_SCANCODE_KP_ENTER:
      return 0x0D;
    case SDL_SCANCODE_KP_1:
      return numLock ? 0x61 : 0x23;
    case SDL_SCANCODE_KP_2:
      return numLock ? 0x62 : 0x28;
    case SDL_SCANCODE_KP_3:
      return numLock ? 0x63 : 0x22;
    case SDL_SCANCODE_KP_4:
      return numLock ? 0x64 : 0x25;
    case SDL_SCANCODE_KP_5:
      return numLock ? 0x65 : 0x0C;  // VK_CLEAR
    case SDL_SCANCODE_KP_6:
      return numLock ? 0x66 : 0x27;
    case SDL_SCANCODE_KP_7:
      return numLock ? 0x67 : 0x24;
    case SDL_SCANCODE_KP_8:
      return numLock ? 0x68 : 0x26;
    case SDL_SCANCODE_KP_9:
      return numLock ? 0x69 : 0x21;
    case SDL_SCANCODE_KP_0:
      return numLock ? 0x60 : 0x2D;
    case SDL_SCANCODE_KP_PERIOD:
      return numLock ? 0x6E : 0x2E;
    case SDL_SCANCODE_KP_COMMA:
      return 0x6C;  // VK_SEPARATOR
    case SDL_SCANCODE_APPLICATION:
      return 0x5D;  // VK_APPS
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL:
      return 0x11;  // VK_CONTROL: left and right alike
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT:
      return 0x10;  // VK_SHIFT
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT:
      return 0x12;  // VK_MENU
    case SDL_SCANCODE_LGUI:
      return 0x5B;
    case SDL_SCANCODE_RGUI:
      return 0x5C;
    default:
      return 0;
  }
}

}  // namespace

int sdlVirtualKey(SDL_Keycode key, SDL_Scancode scancode, uint16_t modifiers) {
  // Letters and digits follow the layout, as Windows' virtual keys do; every
  // other key is named by its place on the keyboard.
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  return virtualKeyOfScancode(scancode, (modifiers & KMOD_NUM) != 0);
}
