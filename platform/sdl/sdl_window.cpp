// The window class, the window with its OpenGL context and the display mode
// on SDL2: a 640 x 480 client area whose outer corner sits at the screen's
// top-left, a double-buffered RGBA compatibility context with a 16-bit depth
// buffer, and a real display-mode change for full screen.
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/message_queue.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_port.h"

namespace {

bool videoReady = false;

// The mode found by changeDisplayMode, applied when the window goes full
// screen (SDL switches modes for a window, not on its own).
SDL_DisplayMode pendingMode = {};

constexpr unsigned kErrorBoxStyle = kMbOk | kMbIconWarning;

void releaseAll(AppWindow& window, SdlWindow* record) {
  if (record) {
    if (record->context) {
      SDL_GL_MakeCurrent(record->sdl, nullptr);
      SDL_GL_DeleteContext(record->context);
    }
    if (record->sdl) SDL_DestroyWindow(record->sdl);
    if (record->cursorHidden) SDL_ShowCursor(SDL_ENABLE);
    queueWindowDestroyed(record);
    delete record;
  }
  window.window = nullptr;
  window.deviceContext = nullptr;
  window.renderContext = nullptr;
}

// Moves the window so that its frame, not its client area, starts at the
// screen's top-left, once the window manager has told the frame's size.
void placeOuterCornerAtOrigin(SDL_Window* sdl) {
  int top = 0;
  int left = 0;
  int bottom = 0;
  int right = 0;
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (SDL_GetWindowBordersSize(sdl, &top, &left, &bottom, &right) == 0 && (top || left)) break;
    SDL_PumpEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  SDL_SetWindowPosition(sdl, left, top);
}

}  // namespace

SdlWindow* sdlCurrentWindow() {
  return static_cast<SdlWindow*>(queueCurrentWindow());
}
bool sdlVideoReady() {
  return videoReady;
}

bool registerWindowClass(AppInstance&) {
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // The file dialog and message boxes take the focus; a full-screen window
  // must stay up behind them rather than iconify.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "vistrel: no display to open a window on (%s)\n", SDL_GetError());
    platformMessageBox("RegisterClassEx Failed!", "Error", kErrorBoxStyle);
    return false;
  }
  videoReady = true;
  // The OpenGL library stays loaded for the program's life instead of going
  // and coming back with every window of a full-screen toggle.
  SDL_GL_LoadLibrary(nullptr);
  SDL_DisableScreenSaver();
  SDL_StopTextInput();
  return true;
}

void unregisterWindowClass(AppInstance&) {
  // SDL stays initialised until the process ends, which follows at once:
  // the window, its context and any display mode were given back by
  // destroyAppWindow, and SDL_Quit would only unload the X11 and OpenGL
  // libraries it opened, turning their leftover allocations into anonymous
  // frames that leak checkers cannot tell from our own.
  videoReady = false;
}

bool changeDisplayMode(int width, int height, int bits) {
  if (!videoReady) return false;
  const int count = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
    if (mode.w == width && mode.h == height &&
        static_cast<int>(SDL_BYTESPERPIXEL(mode.format)) * 8 == bits) {
      pendingMode = mode;
      return true;
    }
  }
  return false;
}

bool createAppWindow(AppWindow& window) {
  window.window = window.deviceContext = window.renderContext = nullptr;
  if (!videoReady) return false;

  bool fullScreen = false;
  if (window.fullScreen) {
    fullScreen = changeDisplayMode(window.width, window.height, window.colorBits);
    if (!fullScreen) {
      platformMessageBox("Mode Switch Failed.\nRunning In Windowed Mode.", "Error", kErrorBoxStyle);
      window.fullScreen = 0;
    }
  }

  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  flags |= fullScreen ? (SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP) : SDL_WINDOW_RESIZABLE;
  auto* record = new SdlWindow;
  record->sdl = SDL_CreateWindow(window.title, 0, 0, window.width, window.height, flags);
  if (!record->sdl) {
    releaseAll(window, record);
    return false;
  }
  record->id = SDL_GetWindowID(record->sdl);
  window.window = record;
  queueWindowCreated(record);

  // The window procedure learns its AppWindow before any other message.
  AppCreateParams params;
  params.createParam = &window;
  windowProcedure(record, kWmCreate, 0, reinterpret_cast<intptr_t>(&params));

  if (fullScreen) {
    if (SDL_SetWindowDisplayMode(record->sdl, &pendingMode) != 0 ||
        SDL_SetWindowFullscreen(record->sdl, SDL_WINDOW_FULLSCREEN) != 0) {
      // The display would not switch after all: the refusal's path.
      platformMessageBox("Mode Switch Failed.\nRunning In Windowed Mode.", "Error", kErrorBoxStyle);
      window.fullScreen = 0;
      fullScreen = false;
      SDL_SetWindowBordered(record->sdl, SDL_TRUE);
      SDL_SetWindowResizable(record->sdl, SDL_TRUE);
      SDL_SetWindowAlwaysOnTop(record->sdl, SDL_FALSE);
    }
  }

  record->context = SDL_GL_CreateContext(record->sdl);
  if (!record->context) {
    releaseAll(window, record);
    return false;
  }
  if (SDL_GL_MakeCurrent(record->sdl, record->context) != 0) {
    releaseAll(window, record);
    return false;
  }
  window.deviceContext = record->sdl;
  window.renderContext = record->context;

  SDL_ShowWindow(record->sdl);
  if (fullScreen) {
    SDL_ShowCursor(SDL_DISABLE);
    record->cursorHidden = true;
    SDL_RaiseWindow(record->sdl);
  } else {
    placeOuterCornerAtOrigin(record->sdl);
    SDL_RaiseWindow(record->sdl);
  }
  window.visible = 1;
  return true;
}

bool destroyAppWindow(AppWindow& window) {
  // Destroying a full-screen window gives the display its own mode back.
  releaseAll(window, static_cast<SdlWindow*>(window.window));
  return true;
}

void platformSwapBuffers(AppWindow& window) {
  if (window.deviceContext) SDL_GL_SwapWindow(static_cast<SDL_Window*>(window.deviceContext));
}
