#include "Graphics/Graphics_Surface.h"

#include <algorithm>
#include <vector>

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Texture.h"
#include "Graphics_API/Graphics_Device.h"

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

CBitmap32 Surface_Read(const SurfaceRecord& s, int32_t x, int32_t y, int32_t w, int32_t h) {
  const int32_t l = std::max(x, 0), t = std::max(y, 0);
  const int32_t r = int32_t(std::min<int64_t>(int64_t(x) + w, s.width));
  const int32_t b = int32_t(std::min<int64_t>(int64_t(y) + h, s.height));
  const TextureSlot* slot = GR_Texture_Slot(s.texture);
  if (slot == nullptr || slot->texture == nullptr || r <= l || b <= t) return CBitmap32();
  Batch_Flush();
  CBitmap32 out(r - l, b - t);
  if (!Device().ReadPixels(slot->texture, l, t, r - l, b - t, out.Data())) return CBitmap32();
  return out;
}
