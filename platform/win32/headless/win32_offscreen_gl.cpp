// Offscreen OpenGL for the Windows build of the tools: a hidden window that
// is never shown gives WGL its pixel format and context, and drawing goes to
// a framebuffer object of the requested size (RGBA 8 bits each, 16-bit
// depth). Where the driver has no framebuffer objects (Windows' own OpenGL
// 1.1), drawing falls back to the hidden window's back buffer.
#include <windows.h>

#include "platform/gl.h"
#include "platform/headless_services.h"

namespace {

constexpr char kOffscreenClassName[] = "VistrelOffscreen";

// The framebuffer-object entry points, fetched from the current context.
constexpr GLenum kFramebuffer = 0x8D40;
constexpr GLenum kRenderbuffer = 0x8D41;
constexpr GLenum kColorAttachment0 = 0x8CE0;
constexpr GLenum kDepthAttachment = 0x8D00;
constexpr GLenum kFramebufferComplete = 0x8CD5;
constexpr GLenum kRgba8 = 0x8058;
constexpr GLenum kDepthComponent16 = 0x81A5;

using GenObjects = void(APIENTRY*)(GLsizei, GLuint*);
using BindObject = void(APIENTRY*)(GLenum, GLuint);
using RenderbufferStorage = void(APIENTRY*)(GLenum, GLenum, GLsizei, GLsizei);
using FramebufferRenderbuffer = void(APIENTRY*)(GLenum, GLenum, GLenum, GLuint);
using CheckFramebufferStatus = GLenum(APIENTRY*)(GLenum);

template <typename Function>
Function glFunction(const char* name) {
  PROC address = wglGetProcAddress(name);
  // Some drivers answer a missing name with a small integer instead of null.
  INT_PTR value = reinterpret_cast<INT_PTR>(address);
  if (value >= -1 && value <= 3) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

bool bindFramebufferObject(int width, int height) {
  auto genFramebuffers = glFunction<GenObjects>("glGenFramebuffers");
  auto bindFramebuffer = glFunction<BindObject>("glBindFramebuffer");
  auto genRenderbuffers = glFunction<GenObjects>("glGenRenderbuffers");
  auto bindRenderbuffer = glFunction<BindObject>("glBindRenderbuffer");
  auto renderbufferStorage = glFunction<RenderbufferStorage>("glRenderbufferStorage");
  auto framebufferRenderbuffer = glFunction<FramebufferRenderbuffer>("glFramebufferRenderbuffer");
  auto checkFramebufferStatus = glFunction<CheckFramebufferStatus>("glCheckFramebufferStatus");
  if (!genFramebuffers || !bindFramebuffer || !genRenderbuffers || !bindRenderbuffer ||
      !renderbufferStorage || !framebufferRenderbuffer || !checkFramebufferStatus) {
    return false;
  }
  // The objects belong to the context and go with it.
  GLuint renderbuffers[2] = {0, 0};
  genRenderbuffers(2, renderbuffers);
  bindRenderbuffer(kRenderbuffer, renderbuffers[0]);
  renderbufferStorage(kRenderbuffer, kRgba8, width, height);
  bindRenderbuffer(kRenderbuffer, renderbuffers[1]);
  renderbufferStorage(kRenderbuffer, kDepthComponent16, width, height);
  bindRenderbuffer(kRenderbuffer, 0);
  GLuint framebuffer = 0;
  genFramebuffers(1, &framebuffer);
  bindFramebuffer(kFramebuffer, framebuffer);
  framebufferRenderbuffer(kFramebuffer, kColorAttachment0, kRenderbuffer, renderbuffers[0]);
  framebufferRenderbuffer(kFramebuffer, kDepthAttachment, kRenderbuffer, renderbuffers[1]);
  if (checkFramebufferStatus(kFramebuffer) != kFramebufferComplete) {
    bindFramebuffer(kFramebuffer, 0);
    return false;
  }
  glViewport(0, 0, width, height);
  return true;
}

bool registerOffscreenClass(HINSTANCE module) {
  WNDCLASSEXA windowClass;
  if (GetClassInfoExA(module, kOffscreenClassName, &windowClass)) return true;
  ZeroMemory(&windowClass, sizeof windowClass);
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = module;
  windowClass.lpszClassName = kOffscreenClassName;
  return RegisterClassExA(&windowClass) != 0;
}

void releaseAll(HWND window, HDC deviceContext, HGLRC renderContext) {
  if (renderContext) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(renderContext);
  }
  if (deviceContext) ReleaseDC(window, deviceContext);
  if (window) DestroyWindow(window);
}

}  // namespace

bool createOffscreenGl(OffscreenGl& gl, int width, int height) {
  gl = OffscreenGl{};
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
  HINSTANCE module = GetModuleHandleA(nullptr);
  if (!registerOffscreenClass(module)) return false;
  HWND window = CreateWindowExA(0, kOffscreenClassName, "Vistrel offscreen", WS_POPUP, 0, 0, width,
                                height, nullptr, nullptr, module, nullptr);
  if (!window) return false;
  HDC deviceContext = GetDC(window);
  if (!deviceContext) {
    releaseAll(window, nullptr, nullptr);
    return false;
  }
  PIXELFORMATDESCRIPTOR descriptor;
  ZeroMemory(&descriptor, sizeof descriptor);
  descriptor.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  descriptor.nVersion = 1;
  descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  descriptor.iPixelType = PFD_TYPE_RGBA;
  descriptor.cColorBits = 32;
  descriptor.cAlphaBits = 8;
  descriptor.cDepthBits = 16;
  descriptor.iLayerType = PFD_MAIN_PLANE;
  int format = ChoosePixelFormat(deviceContext, &descriptor);
  if (format == 0 || !SetPixelFormat(deviceContext, format, &descriptor)) {
    releaseAll(window, deviceContext, nullptr);
    return false;
  }
  HGLRC renderContext = wglCreateContext(deviceContext);
  if (!renderContext) {
    releaseAll(window, deviceContext, nullptr);
    return false;
  }
  if (!wglMakeCurrent(deviceContext, renderContext)) {
    wglDeleteContext(renderContext);
    releaseAll(window, deviceContext, nullptr);
    return false;
  }
  if (!bindFramebufferObject(width, height)) {
    // The hidden window's own buffers: read back from where drawing went.
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glViewport(0, 0, width, height);
  }
  gl.display = window;
  gl.surface = deviceContext;
  gl.context = renderContext;
  gl.width = width;
  gl.height = height;
  return true;
}

void destroyOffscreenGl(OffscreenGl& gl) {
  releaseAll(static_cast<HWND>(gl.display), static_cast<HDC>(gl.surface),
             static_cast<HGLRC>(gl.context));
  gl = OffscreenGl{};
}
