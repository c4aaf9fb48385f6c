// epoxy first: it replaces the system EGL headers.
#include <epoxy/egl.h>

#include "Graphics/Graphics_Headless.h"

#include <cstdio>

namespace {

EGLDisplay g_display = EGL_NO_DISPLAY;
EGLContext g_context = EGL_NO_CONTEXT;

std::string EglError(const char* what) {
  char text[96];
  std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04x)", what, unsigned(eglGetError()));
  return text;
}

}  // namespace

bool Headless_CreateContext(std::string& error) {
  if (g_context != EGL_NO_CONTEXT) return true;
  if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
    error = "EGL has no surfaceless platform";
    return false;
  }
  g_display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0, minor = 0;
  if (g_display == EGL_NO_DISPLAY || !eglInitialize(g_display, &major, &minor)) {
    error = EglError("eglInitialize");
    g_display = EGL_NO_DISPLAY;
    return false;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                     EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                      EGL_NONE};
  if (!eglBindAPI(EGL_OPENGL_API) || !eglChooseConfig(g_display, configAttributes, &config, 1, &count) ||
      count < 1) {
    error = EglError("eglChooseConfig");
  } else {
    g_context = eglCreateContext(g_display, config, EGL_NO_CONTEXT, contextAttributes);
    if (g_context == EGL_NO_CONTEXT) {
      error = EglError("eglCreateContext");
    } else if (!eglMakeCurrent(g_display, EGL_NO_SURFACE, EGL_NO_SURFACE, g_context)) {
      error = EglError("eglMakeCurrent");
      eglDestroyContext(g_display, g_context);
      g_context = EGL_NO_CONTEXT;
    }
  }
  if (g_context == EGL_NO_CONTEXT) {
    eglTerminate(g_display);
    g_display = EGL_NO_DISPLAY;
    return false;
  }
  return true;
}

void Headless_DestroyContext() {
  if (g_display == EGL_NO_DISPLAY) return;
  eglMakeCurrent(g_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (g_context != EGL_NO_CONTEXT) eglDestroyContext(g_display, g_context);
  eglTerminate(g_display);
  g_display = EGL_NO_DISPLAY;
  g_context = EGL_NO_CONTEXT;
}
