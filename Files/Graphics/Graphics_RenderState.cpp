#include "Graphics/Graphics_RenderState.h"

#include <cstring>

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_DrawState.h"

DrawSettings g_DrawSettings;

namespace {

uint32_t g_cache[kDS_Count];
// Sampler and texture stage: 0xFF until first set.
uint8_t g_filter = 0xFF, g_repeat = 0xFF, g_blending = 0xFF;

uint32_t FloatBits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return bits;
}

void SetDevice(DeviceState state, uint32_t value) {
  if (g_cache[state] == value) return;
  Batch_Flush();
  g_cache[state] = value;
  Device().SetRenderState(state, value);
}

// Settings that are on or off, cached as one byte.
bool Changed(uint8_t& cached, bool on) {
  if (cached == uint8_t(on)) return false;
  Batch_Flush();
  cached = uint8_t(on);
  return true;
}

uint32_t BlendFactorOf(int factor) { return factor >= 2 && factor <= 17 ? uint32_t(factor) : kBlendZero; }

}  // namespace

DeviceState RenderState_DeviceState(int runnerState) {
  switch (runnerState) {
    case kRS_ZEnable: return kDS_ZEnable;
    case kRS_FillMode: return kDS_FillMode;
    case kRS_ShadeMode: return kDS_ShadeMode;
    case kRS_AlphaTestEnable: return kDS_AlphaTestEnable;
    case kRS_SrcBlend: return kDS_SrcBlend;
    case kRS_DestBlend: return kDS_DestBlend;
    case kRS_CullMode: return kDS_CullMode;
    case kRS_AlphaRef: return kDS_AlphaRef;
    case kRS_AlphaFunc: return kDS_AlphaFunc;
    case kRS_AlphaBlendEnable: return kDS_AlphaBlendEnable;
    case kRS_FogEnable: return kDS_FogEnable;
    case kRS_FogColour: return kDS_FogColour;
    case kRS_FogTableMode: return kDS_FogTableMode;
    case kRS_FogStart: return kDS_FogStart;
    case kRS_FogEnd: return kDS_FogEnd;
    case kRS_RangeFogEnable: return kDS_RangeFogEnable;
    case kRS_Lighting: return kDS_Lighting;
    case kRS_FogVertexMode: return kDS_FogVertexMode;
    default: return kDS_Count;
  }
}

uint32_t RenderState_Map(int runnerState, uint32_t value) {
  switch (runnerState) {
    case kRS_FillMode: return value == 1 ? 1 : value == 2 ? 2 : 3;
    case kRS_ShadeMode: return value == 1 ? 1 : 2;
    case kRS_SrcBlend:
    case kRS_DestBlend: return BlendFactorOf(int(value));
    case kRS_CullMode: return value == 1 ? 2 : value == 2 ? 3 : 1;
    case kRS_AlphaFunc: return value >= 1 && value <= 7 ? value : 8;
    case kRS_FogTableMode:
    case kRS_FogVertexMode: return value <= 2 ? value : 3;
    default: return value;
  }
}

void RenderState_Set(int runnerState, uint32_t value) {
  const DeviceState state = RenderState_DeviceState(runnerState);
  if (state == kDS_Count) return;
  SetDevice(state, RenderState_Map(runnerState, value));
}

void RenderState_SetFloat(int runnerState, float value) { RenderState_Set(runnerState, FloatBits(value)); }

uint32_t RenderState_Get(int runnerState) {
  const DeviceState state = RenderState_DeviceState(runnerState);
  return state == kDS_Count ? 0 : g_cache[state];
}

void RenderState_SetFilter(bool linear) {
  if (Changed(g_filter, linear)) Device().SetFilter(linear);
}
void RenderState_SetRepeat(bool repeat) {
  if (Changed(g_repeat, repeat)) Device().SetRepeat(repeat);
}
void RenderState_SetTextureBlending(bool modulate) {
  if (Changed(g_blending, modulate)) Device().SetTextureBlending(modulate);
}

void RenderState_ResetCache() {
  std::memset(g_cache, 0xFF, sizeof g_cache);
  g_filter = g_repeat = g_blending = 0xFF;
  // The device's documented defaults.
  SetDevice(kDS_ZEnable, 0);
  SetDevice(kDS_FillMode, 3);
  SetDevice(kDS_ShadeMode, 2);
  SetDevice(kDS_AlphaTestEnable, 0);
  SetDevice(kDS_SrcBlend, kBlendOne);
  SetDevice(kDS_DestBlend, kBlendZero);
  SetDevice(kDS_CullMode, 3);
  SetDevice(kDS_AlphaRef, 0);
  SetDevice(kDS_AlphaFunc, 8);
  SetDevice(kDS_AlphaBlendEnable, 0);
  SetDevice(kDS_FogEnable, 0);
  SetDevice(kDS_FogColour, 0);
  SetDevice(kDS_FogTableMode, 0);
  SetDevice(kDS_FogStart, FloatBits(0.0f));
  SetDevice(kDS_FogEnd, FloatBits(1.0f));
  SetDevice(kDS_RangeFogEnable, 0);
  SetDevice(kDS_Lighting, 1);
  SetDevice(kDS_FogVertexMode, 0);
}

void RenderState_ApplySettings() {
  const DrawSettings& s = g_DrawSettings;
  RenderState_Set(kRS_AlphaBlendEnable, s.alphaBlend ? 1 : 0);
  RenderState_Set(kRS_CullMode, s.culling ? 2 : 0);
  RenderState_Set(kRS_SrcBlend, s.srcBlend);
  RenderState_Set(kRS_DestBlend, s.destBlend);
  RenderState_Set(kRS_Lighting, s.lighting ? 1 : 0);
  RenderState_Set(kRS_ShadeMode, s.smoothShading ? 2 : 1);
  GR_SetHidden(s.hidden);
  GR_SetFog(s.fogEnabled, s.fogColour, s.fogStart, s.fogEnd);
  RenderState_SetFilter(s.interpolation);
  RenderState_SetTextureBlending(s.textureBlending);
  RenderState_SetRepeat(s.repeat);
}

void GR_SetBlendMode(int mode) {
  switch (mode) {
    case 1: GR_SetBlendModeExt(kBlendSrcAlpha, kBlendOne); break;
    case 2: GR_SetBlendModeExt(kBlendSrcAlpha, kBlendInvSrcColour); break;
    case 3: GR_SetBlendModeExt(kBlendZero, kBlendInvSrcColour); break;
    default: GR_SetBlendModeExt(kBlendSrcAlpha, kBlendInvSrcAlpha); break;
  }
}

void GR_SetBlendModeExt(int source, int destination) {
  g_DrawSettings.srcBlend = BlendFactorOf(source);
  g_DrawSettings.destBlend = BlendFactorOf(destination);
  RenderState_Set(kRS_SrcBlend, g_DrawSettings.srcBlend);
  RenderState_Set(kRS_DestBlend, g_DrawSettings.destBlend);
}

void GR_SetInterpolation(bool on) {
  g_DrawSettings.interpolation = on;
  RenderState_SetFilter(on);
}

void GR_SetTextureBlending(bool on) {
  g_DrawSettings.textureBlending = on;
  RenderState_SetTextureBlending(on);
}

void GR_SetRepeat(bool on) {
  g_DrawSettings.repeat = on;
  RenderState_SetRepeat(on);
}

void GR_SetCulling(bool on) {
  g_DrawSettings.culling = on;
  RenderState_Set(kRS_CullMode, on ? 2 : 0);
}

void GR_SetHidden(bool on) {
  g_DrawSettings.hidden = on;
  if (g_DrawState.mode3d && on) {
    RenderState_Set(kRS_ZEnable, 1);
    RenderState_Set(kRS_AlphaTestEnable, 1);
    RenderState_Set(kRS_AlphaRef, 0);
    RenderState_Set(kRS_AlphaFunc, 5);  // greater: fully transparent pixels write no depth
  } else {
    RenderState_Set(kRS_ZEnable, 0);
    RenderState_Set(kRS_AlphaTestEnable, 1);
    RenderState_Set(kRS_AlphaRef, 0);
  }
}

void GR_SetFog(bool on, int32_t colour, float start, float end) {
  DrawSettings& s = g_DrawSettings;
  s.fogEnabled = on;
  s.fogColour = colour;
  s.fogStart = start;
  s.fogEnd = end;
  RenderState_Set(kRS_FogEnable, on ? 1 : 0);
  if (!on) return;
  // The GL device computes fog per pixel: table fog in linear mode.
  RenderState_Set(kRS_FogTableMode, 3);
  RenderState_Set(kRS_FogColour, GR_ARGB(colour, 255));
  RenderState_SetFloat(kRS_FogStart, start);
  RenderState_SetFloat(kRS_FogEnd, end);
}
