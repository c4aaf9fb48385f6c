#include "Graphics/Graphics_Primitive.h"

#include <cstring>

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Graphics/Graphics_Texture.h"

namespace {

struct PrimitiveList {
  VertexTextured vertices[kPrimitiveMaxVertices];
  int count = 0;
  int32_t kind = 0;
  int texture = kNoTexture;
  // Page-entry mapping: u' = u x scaleU + offsetU (identity for a texture id).
  float scaleU = 1, offsetU = 0, scaleV = 1, offsetV = 0;
};

PrimitiveList g_List;

}  // namespace

void Primitive_Begin(int32_t kind, int texture, const TexturePageEntry* entry) {
  g_List.count = 0;
  g_List.kind = kind;
  g_List.texture = kNoTexture;
  g_List.scaleU = g_List.scaleV = 1;
  g_List.offsetU = g_List.offsetV = 0;
  if (entry != nullptr) {
    const TextureSlot* slot = GR_Texture_Slot(entry->texture);
    if (slot == nullptr || slot->width <= 0 || slot->height <= 0) return;
    g_List.texture = entry->texture;
    g_List.scaleU = float(entry->targetWidth) / float(slot->width);
    g_List.offsetU = float(entry->sourceX) / float(slot->width);
    g_List.scaleV = float(entry->targetHeight) / float(slot->height);
    g_List.offsetV = float(entry->sourceY) / float(slot->height);
  } else if (GR_Texture_Exists(texture)) {
    g_List.texture = texture;
  }
}

void Primitive_Vertex(float x, float y, float u, float v, uint32_t argb) {
  if (g_List.count >= kPrimitiveMaxVertices) return;
  g_List.vertices[g_List.count++] =
      VertexTextured{x, y, g_DrawState.depth, argb, u * g_List.scaleU + g_List.offsetU, v * g_List.scaleV + g_List.offsetV};
}

void Primitive_End() {
  const int count = g_List.count;
  g_List.count = 0;
  if (g_List.kind < kPrimPointList || g_List.kind > kPrimTriangleFan || count == 0) return;
  VertexTextured* out = Batch_AddTextured(g_List.kind, g_List.texture, count);
  std::memcpy(out, g_List.vertices, sizeof(VertexTextured) * size_t(count));
}

int Primitive_Count() { return g_List.count; }
