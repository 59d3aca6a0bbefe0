// Offscreen OpenGL for tools and tests: Mesa through EGL on the surfaceless
// platform, desktop OpenGL API, a compatibility context (immediate mode,
// display lists, lighting and GLU all work) drawing into a pbuffer.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>

#include "platform/headless_services.h"

namespace {

EGLDisplay openSurfacelessDisplay() {
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return EGL_NO_DISPLAY;
  return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

}  // namespace

bool createOffscreenGl(OffscreenGl& gl, int width, int height) {
  gl = OffscreenGl{};
  if (width <= 0 || height <= 0) return false;
  EGLDisplay display = openSurfacelessDisplay();
  if (display == EGL_NO_DISPLAY) return false;
  EGLint major = 0;
  EGLint minor = 0;
  if (!eglInitialize(display, &major, &minor)) return false;
  if (!eglBindAPI(EGL_OPENGL_API)) {
    eglTerminate(display);
    return false;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                     EGL_PBUFFER_BIT,
                                     EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,
                                     8,
                                     EGL_GREEN_SIZE,
                                     8,
                                     EGL_BLUE_SIZE,
                                     8,
                                     EGL_ALPHA_SIZE,
                                     8,
                                     EGL_DEPTH_SIZE,
                                     16,
                                     EGL_NONE};
  EGLConfig config = nullptr;
  EGLint configCount = 0;
  if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1) {
    eglTerminate(display);
    return false;
  }
  const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
  if (surface == EGL_NO_SURFACE) {
    eglTerminate(display);
    return false;
  }
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (context == EGL_NO_CONTEXT) {
    eglDestroySurface(display, surface);
    eglTerminate(display);
    return false;
  }
  if (!eglMakeCurrent(display, surface, surface, context)) {
    eglDestroyContext(display, context);
    eglDestroySurface(display, surface);
    eglTerminate(display);
    return false;
  }
  gl.display = display;
  gl.surface = surface;
  gl.context = context;
  gl.width = width;
  gl.height = height;
  return true;
}

void destroyOffscreenGl(OffscreenGl& gl) {
  if (gl.display) {
    EGLDisplay display = static_cast<EGLDisplay>(gl.display);
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (gl.context) eglDestroyContext(display, static_cast<EGLContext>(gl.context));
    if (gl.surface) eglDestroySurface(display, static_cast<EGLSurface>(gl.surface));
    // The display stays initialised for the life of the process: terminating
    // it unloads Mesa's driver, and a later context would load it again.
  }
  gl = OffscreenGl{};
}
