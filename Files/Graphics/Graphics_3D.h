// 3-D mode: the mode switch and its settings, the world transform and its stack, the cameras and
// the lights.
#pragma once
#include <cstdint>

#include "Graphics/Graphics_Matrix.h"

// Mode on or off: stores it, sets the perspective flag the same, re-applies the depth test.
void D3D_SetMode(bool on);
// The mode without touching the perspective flag (the GUI layer turns it off for a moment).
void D3D_ApplyMode(bool on);
void D3D_SetPerspective(bool on);
void D3D_SetHidden(bool on);
// The depth of following 2-D drawing, clamped to -16000..16000 (only while 3-D mode is on).
void D3D_SetDepth(float depth);
void D3D_SetLighting(bool on);
void D3D_SetShading(bool smooth);
void D3D_SetCulling(bool on);

// The world transform: set, or multiplied on the right (world := world x m).
void D3D_SetWorld(const Matrix4& m);
void D3D_AddWorld(const Matrix4& m);
Matrix4 D3D_Translation(float x, float y, float z);
Matrix4 D3D_Scaling(float x, float y, float z);
// Rotations by degrees about an axis (the axis form turns by -angle about the normalised axis).
Matrix4 D3D_RotationX(float degrees);
Matrix4 D3D_RotationY(float degrees);
Matrix4 D3D_RotationZ(float degrees);
Matrix4 D3D_RotationAxis(float x, float y, float z, float degrees);

// The transform stack (51 matrices). Each returns false when it cannot act.
inline constexpr int kD3DStackSize = 51;
void D3D_StackClear();
bool D3D_StackEmpty();
bool D3D_StackPush();
bool D3D_StackPop();
bool D3D_StackTop();
bool D3D_StackDiscard();

// Cameras. The look-at form keeps the projection.
void D3D_SetProjection(const Vec3& from, const Vec3& to, const Vec3& up);
void D3D_SetProjectionExt(const Vec3& from, const Vec3& to, const Vec3& up, float fovDegrees, float aspect,
                          float zNear, float zFar);
void D3D_SetProjectionOrtho(float x, float y, float w, float h, float angle);
void D3D_SetProjectionPerspective(float x, float y, float w, float h, float angle);

// Lights: the index is taken modulo 8. Colours are script colours.
void D3D_LightAmbient(int32_t colour);
void D3D_LightDirection(int index, float dx, float dy, float dz, int32_t colour);
void D3D_LightPoint(int index, float x, float y, float z, float range, int32_t colour);
void D3D_LightEnable(int index, bool on);
// Back to the start-up state (mode off, identity world, empty stack, no lights).
void D3D_Reset();
