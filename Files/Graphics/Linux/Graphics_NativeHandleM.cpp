#include "Graphics/Linux/Graphics_NativeHandleM.h"

#include <SDL.h>
#include <SDL_syswm.h>

uint64_t NativeHandleOf(SDL_Window* window) {
  if (window == nullptr) return 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info)) return 0;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (info.subsystem == SDL_SYSWM_X11) return static_cast<uint64_t>(info.info.x11.window);
#endif
  return 0;
}
