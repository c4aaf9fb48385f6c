// The VertexBatch: every 2-D draw reaches the device through it.
//
// One staging buffer holds the pending vertices; the batch key is (primitive type, texture id or
// none, stride). Adding vertices with the pending key (and a type that is not a strip or fan, and room
// left within 32768 vertices) appends them; anything else flushes first and starts a new batch.
#pragma once
#include <cstdint>

// Primitive types (the device's numbers).
enum PrimitiveType : int {
  kPrimPointList = 1,
  kPrimLineList = 2,
  kPrimLineStrip = 3,
  kPrimTriangleList = 4,
  kPrimTriangleStrip = 5,
  kPrimTriangleFan = 6,
};

inline constexpr int kBatchMaxVertices = 32768;
inline constexpr int kNoTexture = -1;

// The vertex layouts, selected by stride.
struct VertexColour {   // 16 bytes
  float x, y, z;
  uint32_t colour;      // ARGB
};
struct VertexTextured {  // 24 bytes: every 2-D draw
  float x, y, z;
  uint32_t colour;
  float u, v;
};
struct VertexNormal {   // 36 bytes: 3-D models
  float x, y, z;
  float nx, ny, nz;
  uint32_t colour;
  float u, v;
};
static_assert(sizeof(VertexColour) == 16 && sizeof(VertexTextured) == 24 && sizeof(VertexNormal) == 36);

// Reserves `count` vertices of `stride` bytes under the key (type, texture, stride) and returns where
// to write them; they are drawn at the next flush. `texture` is a texture id or kNoTexture; an id that
// is not valid draws nothing. `count` must be at most kBatchMaxVertices.
void* Batch_Add(int type, int texture, int stride, int count);
inline VertexTextured* Batch_AddTextured(int type, int texture, int count) {
  return static_cast<VertexTextured*>(Batch_Add(type, texture, sizeof(VertexTextured), count));
}
// Gives back the last `count` reserved vertices (a builder that reserved more than it wrote).
void Batch_GiveBack(int count);
// Draws the pending vertices with the current states; nothing pending does nothing.
void Batch_Flush();
// Drops the pending vertices and zeroes the frame's counters (frame begin).
void Batch_Reset();

// What the batch has done since the counters were last zeroed (for tests and the benchmark).
struct BatchStats {
  int64_t drawCalls = 0;
  int64_t triangles = 0;
  int64_t vertices = 0;
};
const BatchStats& Batch_Stats();
void Batch_ZeroStats();
// The pending vertices (tests read what the builders wrote).
int Batch_PendingCount();
const void* Batch_PendingVertices();
int Batch_PendingType();
int Batch_PendingTexture();
