// The SDL port's one translation of SDL events into the shell's messages:
// virtual-key codes of a standard keyboard, system keys, autorepeat, the
// window events that become WM_CLOSE and WM_SIZE, the mouse, and the files of
// a drop; and the file dialog's name patterns. Needs no display.
#include <fnmatch.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/sdl_port.h"

namespace {

constexpr uint32_t kWindowId = 7;
int windowToken;

SDL_Event keyEvent(Uint32 type, SDL_Keycode key, SDL_Scancode scancode, Uint16 mod = 0,
                   Uint8 repeat = 0) {
  SDL_Event event = {};
  event.type = type;
  event.key.windowID = kWindowId;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = scancode;
  event.key.keysym.mod = mod;
  event.key.repeat = repeat;
  return event;
}

// The one message an event gives; message 0 when it gives none.
AppMessage translate(const SDL_Event& event) {
  AppMessage out[2];
  const int count = sdlTranslateEvent(event, &windowToken, kWindowId, out);
  EXPECT_LE(count, 1);
  return count == 1 ? out[0] : AppMessage{};
}

}  // namespace

TEST(SdlTranslation, KeysOfTheKeyTableGetTheirVirtualKeyCodes) {
  EXPECT_EQ(sdlVirtualKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0), 0x1B);
  EXPECT_EQ(sdlVirtualKey(SDLK_SPACE, SDL_SCANCODE_SPACE, 0), 0x20);
  const SDL_Scancode functionKeys[] = {SDL_SCANCODE_F1, SDL_SCANCODE_F5, SDL_SCANCODE_F6,
                                       SDL_SCANCODE_F7, SDL_SCANCODE_F8, SDL_SCANCODE_F9,
                                       SDL_SCANCODE_F12};
  const int codes[] = {0x70, 0x74, 0x75, 0x76, 0x77, 0x78, 0x7B};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(sdlVirtualKey(0, functionKeys[i], 0), codes[i]);
  // Letters follow the layout (the key labelled W is 'W' wherever it is).
  for (char letter : std::string("HLJIKWSTGADRF")) {
    const SDL_Keycode key = SDLK_a + (letter - 'A');
    EXPECT_EQ(sdlVirtualKey(key, SDL_SCANCODE_Q, 0), letter);
  }
  EXPECT_EQ(sdlVirtualKey(SDLK_7, SDL_SCANCODE_7, 0), '7');
}

TEST(SdlTranslation, RestOfAStandardKeyboard) {
  EXPECT_EQ(sdlVirtualKey(SDLK_RETURN, SDL_SCANCODE_RETURN, 0), 0x0D);
  EXPECT_EQ(sdlVirtualKey(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 0), 0x0D);
  EXPECT_EQ(sdlVirtualKey(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 0), 0x08);
  EXPECT_EQ(sdlVirtualKey(SDLK_TAB, SDL_SCANCODE_TAB, 0), 0x09);
  EXPECT_EQ(sdlVirtualKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0), 0x10);
  EXPECT_EQ(sdlVirtualKey(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 0), 0x10);
  EXPECT_EQ(sdlVirtualKey(SDLK_RCTRL, SDL_SCANCODE_RCTRL, 0), 0x11);
  EXPECT_EQ(sdlVirtualKey(SDLK_LEFT, SDL_SCANCODE_LEFT, 0), 0x25);
  EXPECT_EQ(sdlVirtualKey(SDLK_DOWN, SDL_SCANCODE_DOWN, 0), 0x28);
  EXPECT_EQ(sdlVirtualKey(SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, 0), 0x21);
  EXPECT_EQ(sdlVirtualKey(SDLK_DELETE, SDL_SCANCODE_DELETE, 0), 0x2E);
  EXPECT_EQ(sdlVirtualKey(SDLK_F11, SDL_SCANCODE_F11, 0), 0x7A);
  EXPECT_EQ(sdlVirtualKey(SDLK_F24, SDL_SCANCODE_F24, 0), 0x87);
  EXPECT_EQ(sdlVirtualKey(SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 0), 0xBA);
  EXPECT_EQ(sdlVirtualKey(SDLK_SLASH, SDL_SCANCODE_SLASH, 0), 0xBF);
  EXPECT_EQ(sdlVirtualKey(SDLK_CAPSLOCK, SDL_SCANCODE_CAPSLOCK, 0), 0x14);
  // The keypad gives digits with Num Lock on and the arrows without.
  EXPECT_EQ(sdlVirtualKey(SDLK_KP_8, SDL_SCANCODE_KP_8, KMOD_NUM), 0x68);
  EXPECT_EQ(sdlVirtualKey(SDLK_KP_8, SDL_SCANCODE_KP_8, 0), 0x26);
  EXPECT_EQ(sdlVirtualKey(SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, 0), 0x6B);
  EXPECT_EQ(sdlVirtualKey(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0), 0);
}

TEST(SdlTranslation, KeyDownUpAndAutorepeat) {
  AppMessage down = translate(keyEvent(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W));
  EXPECT_EQ(down.message, kWmKeyDown);
  EXPECT_EQ(down.wParam, static_cast<uintptr_t>('W'));
  EXPECT_EQ(down.window, &windowToken);
  EXPECT_EQ(down.lParam & (1 << 30), 0);
  AppMessage repeat = translate(keyEvent(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, 0, 1));
  EXPECT_EQ(repeat.message, kWmKeyDown);  // autorepeat: another key-down
  EXPECT_NE(repeat.lParam & (1 << 30), 0);
  AppMessage up = translate(keyEvent(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W));
  EXPECT_EQ(up.message, kWmKeyUp);
  EXPECT_EQ(up.wParam, static_cast<uintptr_t>('W'));
  // Keys of another window and keys without a code give nothing.
  SDL_Event other = keyEvent(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W);
  other.key.windowID = kWindowId + 1;
  EXPECT_EQ(translate(other).message, 0u);
  EXPECT_EQ(translate(keyEvent(SDL_KEYDOWN, SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN)).message, 0u);
}

TEST(SdlTranslation, AltCombinationsAltAndF10AreSystemKeys) {
  EXPECT_EQ(translate(keyEvent(SDL_KEYDOWN, SDLK_F10, SDL_SCANCODE_F10)).message, kWmSysKeyDown);
  EXPECT_EQ(translate(keyEvent(SDL_KEYUP, SDLK_F10, SDL_SCANCODE_F10)).message, kWmSysKeyUp);
  AppMessage alt = translate(keyEvent(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT));
  EXPECT_EQ(alt.message, kWmSysKeyDown);
  EXPECT_EQ(alt.wParam, 0x12u);
  AppMessage altF4 = translate(keyEvent(SDL_KEYDOWN, SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT));
  EXPECT_EQ(altF4.message, kWmSysKeyDown);
  EXPECT_EQ(altF4.wParam, 0x73u);
  EXPECT_NE(altF4.lParam & (1 << 29), 0);
  EXPECT_EQ(translate(keyEvent(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, KMOD_RALT)).message,
            kWmSysKeyDown);
  // Ctrl with Alt is AltGr: an ordinary key.
  EXPECT_EQ(
      translate(keyEvent(SDL_KEYDOWN, SDLK_q, SDL_SCANCODE_Q, KMOD_LALT | KMOD_LCTRL)).message,
      kWmKeyDown);
  EXPECT_EQ(translate(keyEvent(SDL_KEYDOWN, SDLK_F9, SDL_SCANCODE_F9, KMOD_LSHIFT)).message,
            kWmKeyDown);
}

TEST(SdlTranslation, WindowEventsBecomeCloseAndSizeMessages) {
  SDL_Event event = {};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = kWindowId;
  event.window.event = SDL_WINDOWEVENT_CLOSE;
  EXPECT_EQ(translate(event).message, kWmClose);
  event.window.event = SDL_WINDOWEVENT_MINIMIZED;
  AppMessage minimised = translate(event);
  EXPECT_EQ(minimised.message, kWmSize);
  EXPECT_EQ(minimised.wParam, kSizeMinimized);
  event.window.event = SDL_WINDOWEVENT_RESTORED;
  AppMessage restored = translate(event);
  EXPECT_EQ(restored.message, kWmSize);
  EXPECT_EQ(restored.wParam, kSizeRestored);
  event.window.event = SDL_WINDOWEVENT_MAXIMIZED;
  EXPECT_EQ(translate(event).wParam, kSizeMaximized);
  event.window.event = SDL_WINDOWEVENT_MOVED;
  EXPECT_EQ(translate(event).message, 0u);
  event.window.event = SDL_WINDOWEVENT_CLOSE;
  event.window.windowID = kWindowId + 1;
  EXPECT_EQ(translate(event).message, 0u);

  SDL_Event quit = {};
  quit.type = SDL_QUIT;  // SIGINT or SIGTERM through SDL
  EXPECT_EQ(translate(quit).message, kWmClose);
}

TEST(SdlTranslation, MouseMotionButtonsAndWheel) {
  SDL_Event event = {};
  event.type = SDL_MOUSEMOTION;
  event.motion.windowID = kWindowId;
  event.motion.state = SDL_BUTTON_LMASK | SDL_BUTTON_MMASK;
  event.motion.x = -5;  // outside the window while a button is held
  event.motion.y = 300;
  AppMessage move = translate(event);
  EXPECT_EQ(move.message, kWmMouseMove);
  EXPECT_EQ(move.wParam, kMkLButton | kMkMButton);
  EXPECT_EQ(mouseX(move.lParam), -5);
  EXPECT_EQ(mouseY(move.lParam), 300);
  event.type = SDL_MOUSEBUTTONDOWN;
  event.button.button = SDL_BUTTON_RIGHT;
  EXPECT_EQ(translate(event).message, kWmRButtonDown);
  EXPECT_EQ(translate(event).wParam & kMkRButton, kMkRButton);
  event.type = SDL_MOUSEBUTTONUP;
  event.button.button = SDL_BUTTON_MIDDLE;
  EXPECT_EQ(translate(event).message, kWmMButtonUp);
  event.button.button = SDL_BUTTON_X1;  // no message for the side buttons
  EXPECT_EQ(translate(event).message, 0u);

  event = {};
  event.type = SDL_MOUSEWHEEL;
  event.wheel.windowID = kWindowId;
  event.wheel.y = 2;  // away from the user
  EXPECT_EQ(translate(event).message, kWmMouseWheel);
  EXPECT_EQ(wheelDistance(translate(event).wParam), 240);
  event.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  EXPECT_EQ(wheelDistance(translate(event).wParam), -240);
}

TEST(SdlTranslation, TheFilesOfOneDropBecomeOneDropMessage) {
  auto drop = [](Uint32 type, const char* file = nullptr, uint32_t window = kWindowId) {
    SDL_Event event = {};
    event.type = type;
    event.drop.windowID = window;
    event.drop.file = file ? SDL_strdup(file) : nullptr;  // the translation frees it
    return translate(event);
  };
  std::vector<std::string> paths;
  drop(SDL_DROPBEGIN);
  drop(SDL_DROPFILE, "/a/notes.txt");
  drop(SDL_DROPTEXT, "some text");
  EXPECT_EQ(drop(SDL_DROPFILE, "/a/Robot.3DO").message, 0u);
  AppMessage whole = drop(SDL_DROPCOMPLETE);
  EXPECT_EQ(whole.message, kWmDropFiles);
  ASSERT_TRUE(platformTakeDroppedFiles(whole.wParam, paths));
  EXPECT_EQ(paths, (std::vector<std::string>{"/a/notes.txt", "/a/Robot.3DO"}));
  EXPECT_FALSE(platformTakeDroppedFiles(whole.wParam, paths));  // taken once
  ASSERT_TRUE(platformTakeDroppedFiles(drop(SDL_DROPFILE, "/b/cube.3do").wParam, paths));
  EXPECT_EQ(paths, std::vector<std::string>{"/b/cube.3do"});  // a lone file
  // Text alone, or a file dropped onto another window, gives nothing.
  drop(SDL_DROPBEGIN);
  drop(SDL_DROPTEXT, "text");
  EXPECT_EQ(drop(SDL_DROPCOMPLETE).message, 0u);
  EXPECT_EQ(drop(SDL_DROPFILE, "/c/other.3do", kWindowId + 1).message, 0u);
}

// The file dialog's filter lists a model whatever the case of its name, as
// Windows does: the patterns given to the chooser, matched the way desktop
// choosers match them (case by case, fnmatch), take ROBOT.3DO and Robot.3Do
// as well as robot.3do, and still nothing else.
TEST(SdlFileFilterTest, ModelFilterMatchesTheExtensionInAnyCase) {
  const std::vector<std::string> patterns = sdlAnyCasePatterns("*.3do");
  auto listed = [&](const char* name) {
    for (const std::string& pattern : patterns) {
      if (fnmatch(pattern.c_str(), name, 0) == 0) return true;
    }
    return false;
  };
  for (const char* name : {"robot.3do", "ROBOT.3DO", "Robot.3Do", "cube.3dO", "x.3DO"}) {
    EXPECT_TRUE(listed(name)) << name;
  }
  for (const char* name : {"robot.3ds", "robot.3do.bak", "robot3do", "robot.mat"}) {
    EXPECT_FALSE(listed(name)) << name;
  }
  EXPECT_EQ(patterns.size(), 4u);
  // Long patterns stay few: as given, lower and upper case.
  EXPECT_EQ(sdlAnyCasePatterns("*.Model"),
            (std::vector<std::string>{"*.Model", "*.model", "*.MODEL"}));
  EXPECT_EQ(sdlAnyCasePatterns("*.model").size(), 2u);
  EXPECT_EQ(sdlAnyCasePatterns("*").size(), 1u);
}
