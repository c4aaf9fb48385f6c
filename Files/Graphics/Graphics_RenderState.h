// The render-state cache and the drawing settings behind it.
//
// Every render state the runner uses has a cached device value; setting the cached value again does
// nothing, any other value flushes the batch (pending vertices are drawn with the states they were
// made under) and then reaches the device. The runner's state numbers and value mappings:
//   1 Z enable, 2 fill mode (1 point, 2 wireframe, else solid), 3 shade mode (1 flat, else Gouraud),
//   5 alpha test, 6/7 source/destination blend (factor 2..17 kept, else zero), 8 cull mode
//   (1 clockwise, 2 counter-clockwise, else none), 10 alpha reference, 11 alpha function (1..7 kept,
//   else always), 12 alpha blending, 13 fog, 15 fog colour, 16 fog table mode (0..2 kept, else
//   linear), 17/18 fog start/end, 20 range fog, 21 lighting, 23 fog vertex mode (as 16).
#pragma once
#include <cstdint>

#include "Graphics_API/Graphics_Device.h"

enum RunnerRenderState : int {
  kRS_ZEnable = 1,
  kRS_FillMode = 2,
  kRS_ShadeMode = 3,
  kRS_AlphaTestEnable = 5,
  kRS_SrcBlend = 6,
  kRS_DestBlend = 7,
  kRS_CullMode = 8,
  kRS_AlphaRef = 10,
  kRS_AlphaFunc = 11,
  kRS_AlphaBlendEnable = 12,
  kRS_FogEnable = 13,
  kRS_FogColour = 15,
  kRS_FogTableMode = 16,
  kRS_FogStart = 17,
  kRS_FogEnd = 18,
  kRS_RangeFogEnable = 20,
  kRS_Lighting = 21,
  kRS_FogVertexMode = 23,
};

// The device state a runner state drives, or kDS_Count for a number the runner does not use.
DeviceState RenderState_DeviceState(int runnerState);
// The device value for a runner value of that state.
uint32_t RenderState_Map(int runnerState, uint32_t value);
// Sets a runner state (mapped; nothing happens when the device already has that value).
void RenderState_Set(int runnerState, uint32_t value);
void RenderState_SetFloat(int runnerState, float value);
// The cached device value of a runner state.
uint32_t RenderState_Get(int runnerState);

// Sampler stage 0 and texture stage 0, cached the same way.
void RenderState_SetFilter(bool linear);
void RenderState_SetRepeat(bool repeat);
void RenderState_SetTextureBlending(bool modulate);

// The drawing settings that the render states are made from (script functions change them).
struct DrawSettings {
  bool alphaBlend = true;       // blend with what is below (draw_enable_alphablend)
  uint32_t srcBlend = 5;        // source alpha
  uint32_t destBlend = 6;       // inverse source alpha
  bool interpolation = false;   // linear filtering
  bool textureBlending = true;  // modulate by the vertex colour
  bool repeat = false;
  bool culling = false;
  bool lighting = false;
  bool smoothShading = true;
  bool hidden = false;          // hidden-surface removal (3-D mode)
  bool fogEnabled = false;
  int32_t fogColour = 0;        // script colour
  float fogStart = 0, fogEnd = 0;
};
extern DrawSettings g_DrawSettings;

// Fills the cache with 0xFF bytes and sets every state to the device's default (device set-up).
void RenderState_ResetCache();
// Applies the drawing settings to the device (after device set-up and after every reset).
void RenderState_ApplySettings();

// The blend modes: bm_normal 0 (and any other number), bm_add 1, bm_max 2, bm_subtract 3.
void GR_SetBlendMode(int mode);
// Source and destination factors (factors outside 2..17 become zero).
void GR_SetBlendModeExt(int source, int destination);
void GR_SetInterpolation(bool on);
void GR_SetTextureBlending(bool on);
void GR_SetRepeat(bool on);
void GR_SetCulling(bool on);
// Depth test for hidden-surface removal (only while 3-D mode is on).
void GR_SetHidden(bool on);
// Fog: enabled, colour (script colour), start and end.
void GR_SetFog(bool on, int32_t colour, float start, float end);
