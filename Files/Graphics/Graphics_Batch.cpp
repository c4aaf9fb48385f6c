#include "Graphics/Graphics_Batch.h"

#include "Graphics/Graphics_RenderState.h"
#include "Graphics/Graphics_Texture.h"
#include "Graphics_API/Graphics_Device.h"
#include "Run/Run_Profile.h"

namespace {

// The staging buffer: room for the largest batch of the widest layout.
alignas(16) unsigned char g_buffer[size_t(kBatchMaxVertices) * sizeof(VertexNormal)];
int g_count = 0;
int g_type = 0;
int g_texture = kNoTexture;
int g_stride = 0;
BatchStats g_stats;

bool NeverAppended(int type) {
  return type == kPrimLineStrip || type == kPrimTriangleStrip || type == kPrimTriangleFan;
}

int PrimitiveCount(int type, int vertices) {
  switch (type) {
    case kPrimPointList: return vertices;
    case kPrimLineList: return vertices / 2;
    case kPrimLineStrip: return vertices - 1;
    case kPrimTriangleList: return vertices / 3;
    case kPrimTriangleStrip:
    case kPrimTriangleFan: return vertices - 2;
    default: return 0;
  }
}

}  // namespace

void* Batch_Add(int type, int texture, int stride, int count) {
  if (count <= 0 || count > kBatchMaxVertices) return nullptr;
  if (stride != int(sizeof(VertexColour)) && stride != int(sizeof(VertexTextured)) &&
      stride != int(sizeof(VertexNormal))) {
    return nullptr;
  }
  if (type != g_type || texture != g_texture || stride != g_stride || NeverAppended(type) ||
      g_count + count > kBatchMaxVertices) {
    Batch_Flush();
    g_type = type;
    g_texture = texture;
    g_stride = stride;
  }
  void* at = g_buffer + size_t(g_count) * size_t(stride);
  g_count += count;
  return at;
}

void Batch_GiveBack(int count) {
  if (count <= 0) return;
  g_count = count >= g_count ? 0 : g_count - count;
}

void Batch_Flush() {
  if (g_count == 0) return;
  const int count = g_count;
  // Zeroed first: the state setters below flush, and must find nothing pending.
  g_count = 0;
  const int primitives = PrimitiveCount(g_type, count);
  if (primitives < 1) return;
  DeviceTexture* texture = nullptr;
  if (g_texture != kNoTexture) {
    const TextureSlot* slot = GR_Texture_Slot(g_texture);
    if (slot == nullptr || slot->texture == nullptr) return;  // a texture that is not there draws nothing
    texture = slot->texture;
    RenderState_SetRepeat(g_DrawSettings.repeat);
  }
  if (g_FrameProfile.enabled) {
    const int64_t start = Profile_Now();
    Device().Draw(g_type, texture, g_stride, g_buffer, count);
    g_FrameProfile.deviceMicros += Profile_Now() - start;
    ++g_FrameProfile.drawCalls;
  } else {
    Device().Draw(g_type, texture, g_stride, g_buffer, count);
  }
  ++g_stats.drawCalls;
  g_stats.vertices += count;
  if (g_type >= kPrimTriangleList) g_stats.triangles += primitives;
}

void Batch_Reset() {
  g_count = 0;
  g_stats = BatchStats{};
}

const BatchStats& Batch_Stats() { return g_stats; }
void Batch_ZeroStats() { g_stats = BatchStats{}; }
int Batch_PendingCount() { return g_count; }
const void* Batch_PendingVertices() { return g_buffer; }
int Batch_PendingType() { return g_type; }
int Batch_PendingTexture() { return g_texture; }
