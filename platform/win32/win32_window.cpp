// The Windows port's window class, top-level window (which accepts dropped
// files), pixel format, WGL rendering context and display-mode switch, with
// the buffer swap.
#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include "platform/gl.h"
#include "platform/platform.h"
#include "platform/win32/win32_port.h"

namespace {

HWND asWindow(void* handle) {
  return static_cast<HWND>(handle);
}
HDC asDeviceContext(void* handle) {
  return static_cast<HDC>(handle);
}
HGLRC asRenderContext(void* handle) {
  return static_cast<HGLRC>(handle);
}

// What a failure after GetDC gives back: the device context, then the window,
// both zeroed.
void releaseDeviceContextAndWindow(AppWindow& appWindow) {
  ReleaseDC(asWindow(appWindow.window), asDeviceContext(appWindow.deviceContext));
  appWindow.deviceContext = nullptr;
  DestroyWindow(asWindow(appWindow.window));
  appWindow.window = nullptr;
}

}  // namespace

bool registerWindowClass(AppInstance& instance) {
  WNDCLASSEXA windowClass;
  ZeroMemory(&windowClass, sizeof windowClass);
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = win32WindowProcedure;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = static_cast<HINSTANCE>(instance.moduleHandle);
  windowClass.hIcon = nullptr;
  windowClass.hIconSm = nullptr;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  // The system colour number given directly as the brush, as Win32 allows.
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_APPWORKSPACE));
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = instance.className;
  if (RegisterClassExA(&windowClass) == 0) {
    platformMessageBox("RegisterClassEx Failed!", "Error", kMbOk | kMbIconWarning);
    return false;
  }
  return true;
}

void unregisterWindowClass(AppInstance& instance) {
  UnregisterClassA(instance.className, static_cast<HINSTANCE>(instance.moduleHandle));
}

bool changeDisplayMode(int width, int height, int bits) {
  DEVMODEA mode;
  ZeroMemory(&mode, sizeof mode);
  mode.dmSize = sizeof(DEVMODEA);
  mode.dmPelsWidth = static_cast<DWORD>(width);
  mode.dmPelsHeight = static_cast<DWORD>(height);
  mode.dmBitsPerPel = static_cast<DWORD>(bits);
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

bool createAppWindow(AppWindow& appWindow) {
  DWORD style = WS_OVERLAPPEDWINDOW;
  DWORD extendedStyle = WS_EX_APPWINDOW;

  PIXELFORMATDESCRIPTOR descriptor;
  ZeroMemory(&descriptor, sizeof descriptor);
  descriptor.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  descriptor.nVersion = 1;
  descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  descriptor.iPixelType = PFD_TYPE_RGBA;
  descriptor.cColorBits = static_cast<BYTE>(appWindow.colorBits);
  descriptor.cDepthBits = 16;
  descriptor.cStencilBits = 0;
  descriptor.cAuxBuffers = 0;
  descriptor.iLayerType = PFD_MAIN_PLANE;

  RECT rectangle;
  rectangle.left = 0;
  rectangle.top = 0;
  rectangle.right = appWindow.width;
  rectangle.bottom = appWindow.height;

  if (appWindow.fullScreen) {
    if (changeDisplayMode(appWindow.width, appWindow.height, appWindow.colorBits)) {
      ShowCursor(FALSE);
      style = WS_POPUP;
      extendedStyle |= WS_EX_TOPMOST;
    } else {
      // Refused: windowed, with the client area of the requested size like
      // any windowed start. Left as the outer size, the client area would be
      // smaller than the 640 x 480 viewport: the picture cut off, and an F12
      // screenshot reading pixels outside the window, which GL leaves
      // undefined.
      platformMessageBox("Mode Switch Failed.\nRunning In Windowed Mode.", "Error",
                         kMbOk | kMbIconWarning);
      appWindow.fullScreen = 0;
    }
  }
  if (!appWindow.fullScreen) AdjustWindowRectEx(&rectangle, style, FALSE, extendedStyle);

  HINSTANCE module = static_cast<HINSTANCE>(appWindow.instance->moduleHandle);
  HWND window =
      CreateWindowExA(extendedStyle, appWindow.instance->className, appWindow.title, style, 0, 0,
                      rectangle.right - rectangle.left, rectangle.bottom - rectangle.top, nullptr,
                      nullptr, module, &appWindow);
  if (!window) return false;
  appWindow.window = window;

  HDC deviceContext = GetDC(window);
  if (!deviceContext) {
    DestroyWindow(window);
    appWindow.window = nullptr;
    return false;
  }
  appWindow.deviceContext = deviceContext;

  int format = ChoosePixelFormat(deviceContext, &descriptor);
  if (format == 0) {
    releaseDeviceContextAndWindow(appWindow);
    return false;
  }
  if (!SetPixelFormat(deviceContext, format, &descriptor)) {
    releaseDeviceContextAndWindow(appWindow);
    return false;
  }
  HGLRC renderContext = wglCreateContext(deviceContext);
  if (!renderContext) {
    releaseDeviceContextAndWindow(appWindow);
    return false;
  }
  appWindow.renderContext = renderContext;
  if (!wglMakeCurrent(deviceContext, renderContext)) {
    wglDeleteContext(renderContext);
    appWindow.renderContext = nullptr;
    releaseDeviceContextAndWindow(appWindow);
    return false;
  }

  // Files dropped from the desktop arrive as WM_DROPFILES.
  DragAcceptFiles(window, TRUE);
  ShowWindow(window, SW_NORMAL);
  appWindow.visible = 1;
  return true;
}

bool destroyAppWindow(AppWindow& appWindow) {
  if (appWindow.window) {
    if (appWindow.deviceContext) wglMakeCurrent(asDeviceContext(appWindow.deviceContext), nullptr);
    if (appWindow.renderContext) {
      wglDeleteContext(asRenderContext(appWindow.renderContext));
      appWindow.renderContext = nullptr;
    }
    if (appWindow.deviceContext) {
      ReleaseDC(asWindow(appWindow.window), asDeviceContext(appWindow.deviceContext));
      appWindow.deviceContext = nullptr;
    }
    DestroyWindow(asWindow(appWindow.window));
    appWindow.window = nullptr;
  }
  if (appWindow.fullScreen) {
    ChangeDisplaySettingsA(nullptr, 0);
    ShowCursor(TRUE);
  }
  return true;
}

void platformSwapBuffers(AppWindow& appWindow) {
  SwapBuffers(asDeviceContext(appWindow.deviceContext));
}
