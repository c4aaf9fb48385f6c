// The primitive vertex list of draw_primitive_begin ... draw_primitive_end: up to 1001 vertices of the
// 24-byte layout, one primitive kind and an optional texture (a texture id, or a page entry whose
// 0..1 coordinates are mapped onto its rectangle of the page).
#pragma once
#include <cstdint>

struct TexturePageEntry;

inline constexpr int kPrimitiveMaxVertices = 1001;

// Empties the list. `texture` is a texture id or -1; `entry` a page entry (its texture then applies).
void Primitive_Begin(int32_t kind, int texture, const TexturePageEntry* entry);
// Appends a vertex at the current depth while the list has room; later vertices are dropped.
void Primitive_Vertex(float x, float y, float u, float v, uint32_t argb);
// Adds the list to the batch when the kind is 1 to 6, and empties it.
void Primitive_End();
int Primitive_Count();
