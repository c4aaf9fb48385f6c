#include "Graphics/Graphics_3D.h"

#include <algorithm>
#include <cmath>

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_RenderState.h"

namespace {

constexpr float kDegrees = 0.017453292f;

Matrix4 g_stack[kD3DStackSize];
int g_top = -1;
DeviceLight g_lights[kDeviceLightCount];

int Slot(int index) { return ((index % kDeviceLightCount) + kDeviceLightCount) % kDeviceLightCount; }

void Channels(int32_t colour, DeviceLight& l) {
  l.r = float(colour & 0xFF) / 255.0f;
  l.g = float((colour >> 8) & 0xFF) / 255.0f;
  l.b = float((colour >> 16) & 0xFF) / 255.0f;
}

void SendLight(int slot) {
  Batch_Flush();
  Device().SetLight(slot, g_lights[slot]);
}

}  // namespace

void D3D_ApplyMode(bool on) {
  if (g_DrawState.mode3d == on) return;
  Batch_Flush();
  g_DrawState.mode3d = on;
  if (!on) g_DrawState.depth = 0;
  GR_SetHidden(g_DrawSettings.hidden);
}

void D3D_SetMode(bool on) {
  if (g_DrawState.mode3d == on) return;
  g_DrawState.perspective = on;
  D3D_ApplyMode(on);
}

void D3D_SetPerspective(bool on) { g_DrawState.perspective = on; }
void D3D_SetHidden(bool on) { GR_SetHidden(on); }

void D3D_SetDepth(float depth) {
  if (!g_DrawState.mode3d) return;
  g_DrawState.depth = std::isnan(depth) ? 0 : std::clamp(depth, -16000.0f, 16000.0f);
}

void D3D_SetLighting(bool on) {
  g_DrawSettings.lighting = on;
  RenderState_Set(kRS_Lighting, on ? 1 : 0);
}

void D3D_SetShading(bool smooth) {
  g_DrawSettings.smoothShading = smooth;
  RenderState_Set(kRS_ShadeMode, smooth ? 2 : 1);
}

void D3D_SetCulling(bool on) { GR_SetCulling(on); }

void D3D_SetWorld(const Matrix4& m) { Display_SetWorld(m); }
void D3D_AddWorld(const Matrix4& m) { Display_SetWorld(Matrix_Multiply(Display_World(), m)); }

Matrix4 D3D_Translation(float x, float y, float z) {
  Matrix4 m;
  m.at(3, 0) = x;
  m.at(3, 1) = y;
  m.at(3, 2) = z;
  return m;
}

Matrix4 D3D_Scaling(float x, float y, float z) {
  Matrix4 m;
  m.at(0, 0) = x;
  m.at(1, 1) = y;
  m.at(2, 2) = z;
  return m;
}

// Entry mRC (row R, column C, counted from 1) is at(R - 1, C - 1).
Matrix4 D3D_RotationX(float degrees) {
  const float s = std::sin(degrees * kDegrees), c = std::cos(degrees * kDegrees);
  Matrix4 m;
  m.at(1, 1) = c;
  m.at(1, 2) = -s;
  m.at(2, 1) = s;
  m.at(2, 2) = c;
  return m;
}

Matrix4 D3D_RotationY(float degrees) {
  const float s = std::sin(degrees * kDegrees), c = std::cos(degrees * kDegrees);
  Matrix4 m;
  m.at(0, 0) = c;
  m.at(0, 2) = s;
  m.at(2, 0) = -s;
  m.at(2, 2) = c;
  return m;
}

Matrix4 D3D_RotationZ(float degrees) {
  const float s = std::sin(degrees * kDegrees), c = std::cos(degrees * kDegrees);
  Matrix4 m;
  m.at(0, 0) = c;
  m.at(0, 1) = -s;
  m.at(1, 0) = s;
  m.at(1, 1) = c;
  return m;
}

Matrix4 D3D_RotationAxis(float x, float y, float z, float degrees) {
  const float len = std::sqrt(x * x + y * y + z * z);
  if (len > 0) x /= len, y /= len, z /= len;
  const float a = -degrees * kDegrees, s = std::sin(a), c = std::cos(a), t = 1 - c;
  Matrix4 m;
  m.at(0, 0) = c + x * x * t;
  m.at(0, 1) = t * x * y + s * z;
  m.at(0, 2) = t * x * z - s * y;
  m.at(1, 0) = t * x * y - s * z;
  m.at(1, 1) = c + y * y * t;
  m.at(1, 2) = t * y * z + s * x;
  m.at(2, 0) = t * x * z + s * y;
  m.at(2, 1) = t * y * z - s * x;
  m.at(2, 2) = c + z * z * t;
  return m;
}

void D3D_StackClear() { g_top = -1; }
bool D3D_StackEmpty() { return g_top < 0; }

bool D3D_StackPush() {
  if (g_top + 1 >= kD3DStackSize) return false;
  g_stack[++g_top] = Display_World();
  return true;
}

bool D3D_StackPop() {
  if (g_top < 0) return false;
  Display_SetWorld(g_stack[g_top--]);
  return true;
}

bool D3D_StackTop() {
  if (g_top < 0) return false;
  Display_SetWorld(g_stack[g_top]);
  return true;
}

bool D3D_StackDiscard() {
  if (g_top < 0) return false;
  --g_top;
  return true;
}

void D3D_SetProjection(const Vec3& from, const Vec3& to, const Vec3& up) {
  Display_SetTransforms(Matrix_LookAtLH(from, to, up), Display_Camera().projection);
}

void D3D_SetProjectionExt(const Vec3& from, const Vec3& to, const Vec3& up, float fovDegrees, float aspect,
                          float zNear, float zFar) {
  Display_SetTransforms(Matrix_LookAtLH(from, to, up), Matrix_PerspectiveFovLH(fovDegrees * kDegrees, aspect, zNear, zFar));
  g_DrawState.cullingOff = false;
}

void D3D_SetProjectionOrtho(float x, float y, float w, float h, float angle) {
  Matrix4 view, projection;
  Matrix_ViewCamera(x, y, w, h, angle, false, view, projection);
  Display_SetTransforms(view, projection);
  g_DrawState.cullingOff = true;
}

void D3D_SetProjectionPerspective(float x, float y, float w, float h, float angle) {
  Matrix4 view, projection;
  Matrix_ViewCamera(x, y, w, h, angle, true, view, projection);
  Display_SetTransforms(view, projection);
  g_DrawState.cullingOff = false;
}

void D3D_LightAmbient(int32_t colour) {
  Batch_Flush();
  Device().SetAmbient(GR_ARGB(colour, 255));
}

void D3D_LightDirection(int index, float dx, float dy, float dz, int32_t colour) {
  const int slot = Slot(index);
  DeviceLight& l = g_lights[slot];
  const float len = std::sqrt(dx * dx + dy * dy + dz * dz);
  l.point = false;
  l.x = len > 0 ? dx / len : 0;
  l.y = len > 0 ? dy / len : 0;
  l.z = len > 0 ? dz / len : 0;
  l.range = 0;
  Channels(colour, l);
  SendLight(slot);
}

void D3D_LightPoint(int index, float x, float y, float z, float range, int32_t colour) {
  const int slot = Slot(index);
  DeviceLight& l = g_lights[slot];
  l.point = true;
  l.x = x;
  l.y = y;
  l.z = z;
  l.range = range;
  Channels(colour, l);
  SendLight(slot);
}

void D3D_LightEnable(int index, bool on) {
  const int slot = Slot(index);
  g_lights[slot].enabled = on;
  SendLight(slot);
}

void D3D_Reset() {
  D3D_SetMode(false);
  g_top = -1;
  Display_SetWorld(Matrix4{});
  for (int i = 0; i < kDeviceLightCount; ++i) {
    g_lights[i] = DeviceLight{};
    Device().SetLight(i, g_lights[i]);
  }
  Device().SetAmbient(0);
}
