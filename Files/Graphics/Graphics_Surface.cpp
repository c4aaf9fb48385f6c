#include "Graphics/Graphics_Surface.h"

#include <vector>

#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Texture.h"

namespace {

std::vector<SurfaceRecord> g_surfaces;
DisplayCamera g_saved;
int g_depth = 0;  // surface targets pushed and not yet reset

}  // namespace

int32_t Surface_Create(int32_t width, int32_t height) {
  const int texture = GR_Texture_CreateEmpty(width, height, true);
  if (texture < 0) return -1;
  size_t id = 0;
  while (id < g_surfaces.size() && g_surfaces[id].exists) ++id;
  if (id == g_surfaces.size()) g_surfaces.emplace_back();
  g_surfaces[id] = SurfaceRecord{texture, width, height, true};
  return int32_t(id);
}

void Surface_Free(int32_t id) {
  if (!Surface_Exists(id)) return;
  SurfaceRecord& s = g_surfaces[size_t(id)];
  if (g_Display.currentSurface == id) Surface_ResetTarget();
  if (const TextureSlot* slot = GR_Texture_Slot(s.texture)) Display_ForgetTarget(slot->texture);
  GR_Texture_Free(s.texture);
  s = SurfaceRecord{};
}

void Surface_FrameEnded() { g_depth = 0; }

void Surface_FreeAll() {
  for (size_t i = 0; i < g_surfaces.size(); ++i) Surface_Free(int32_t(i));
  g_surfaces.clear();
}

bool Surface_Exists(int32_t id) { return id >= 0 && size_t(id) < g_surfaces.size() && g_surfaces[size_t(id)].exists; }

const SurfaceRecord* Surface_Get(int32_t id) { return Surface_Exists(id) ? &g_surfaces[size_t(id)] : nullptr; }

bool Surface_SetTarget(int32_t id) {
  const SurfaceRecord* s = Surface_Get(id);
  if (s == nullptr) return false;
  const TextureSlot* slot = GR_Texture_Slot(s->texture);
  if (slot == nullptr || slot->texture == nullptr) return false;
  const DisplayCamera saved = Display_Camera();
  if (!Display_PushTarget(slot->texture)) return false;
  if (g_depth == 0) g_saved = saved;  // nesting keeps the outermost
  ++g_depth;
  Display_SetCamera(0, 0, s->width, s->height, 0);
  Display_SetViewport(0, 0, s->width, s->height);
  g_Display.currentSurface = id;
  g_DrawState.cullingOff = true;
  return true;
}

void Surface_ResetTarget() {
  if (g_depth == 0) return;
  --g_depth;
  Display_PopTarget();
  Display_RestoreCamera(g_saved);
  g_Display.currentSurface = -1;
  g_DrawState.cullingOff = false;
}
