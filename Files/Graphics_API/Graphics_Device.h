// The graphics device: what the runner needs of the hardware, and nothing more.
//
// One device is installed at a time (an OpenGL device, or the null device where no GL context can be
// made). The runner's own logic (texture table, batch, render-state cache, frame, surfaces) talks to
// it through this interface only.
//
// Conventions:
// - Pixels are 8-bit R, G, B, A bytes, rows top-down, in every upload and read-back.
// - Matrices are row-major for row vectors (v' = v x M), clip-space depth 0..1, y up; a device that
//   works otherwise converts.
// - Render-state values are the device-state numbers below (the render-state cache maps the runner's
//   values to them first).
// - Viewports and read-back rectangles are in pixels of the current target, y from the top.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

// A texture on the device. Its size is the size the device made (exactly what was asked for).
struct DeviceTexture {
  int32_t width = 0;
  int32_t height = 0;
  int formatCode = 6;        // the runner's format code it was made for
  bool renderTarget = false;
  uint32_t flags = 0;        // bit 0: drawn to as a target since it was last used as a texture
  // The device's own objects (GL names for the OpenGL device).
  uint32_t handle = 0;
  uint32_t framebuffer = 0;
  uint32_t depthBuffer = 0;
};

struct Matrix4 {
  float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  float& at(int row, int col) { return m[row * 4 + col]; }
  float at(int row, int col) const { return m[row * 4 + col]; }
};

// A light of 3-D mode. Lighting is worked out in world space: lit colour = ambient + vertex colour x
// the sum of the enabled lights' colours x max(0, normal . direction to the light) x attenuation.
struct DeviceLight {
  bool enabled = false;
  bool point = false;           // else directional
  float x = 0, y = 0, z = 0;    // the direction the light travels (normalised), or its position
  float range = 0;              // point lights: nothing beyond; attenuation 1 / (1 + distance / range)
  float r = 0, g = 0, b = 0;    // colour, 0..1
};
inline constexpr int kDeviceLightCount = 8;

enum class TransformKind : int { World = 0, View = 1, Projection = 2 };

// Device-state numbers, and the device values they take.
enum DeviceState : int {
  kDS_ZEnable = 0,          // 0/1
  kDS_FillMode,             // 1 point, 2 wireframe, 3 solid
  kDS_ShadeMode,            // 1 flat, 2 Gouraud
  kDS_AlphaTestEnable,      // 0/1
  kDS_SrcBlend,             // a blend factor (below)
  kDS_DestBlend,
  kDS_CullMode,             // 1 none, 2 clockwise, 3 counter-clockwise
  kDS_AlphaRef,             // 0..255
  kDS_AlphaFunc,            // 1 never, 2 less, 3 equal, 4 less-equal, 5 greater, 6 not-equal, 7 greater-equal, 8 always
  kDS_AlphaBlendEnable,     // 0/1
  kDS_FogEnable,            // 0/1
  kDS_FogColour,            // ARGB
  kDS_FogTableMode,         // 0 none, 1 exp, 2 exp2, 3 linear
  kDS_FogStart,             // float bits
  kDS_FogEnd,               // float bits
  kDS_RangeFogEnable,       // 0/1
  kDS_Lighting,             // 0/1
  kDS_FogVertexMode,        // as the table mode
  kDS_Count
};

// Blend factors: 1 zero, 2 one, 3 source colour, 4 inverse source colour, 5 source alpha, 6 inverse
// source alpha, 7 destination alpha, 8 inverse destination alpha, 9 destination colour, 10 inverse
// destination colour, 11 source alpha saturated, 12 both source alpha, 13 both inverse source alpha,
// 14 blend factor, 15 inverse blend factor, 16 second source colour, 17 its inverse.
enum BlendFactor : uint32_t {
  kBlendZero = 1, kBlendOne, kBlendSrcColour, kBlendInvSrcColour, kBlendSrcAlpha, kBlendInvSrcAlpha,
  kBlendDestAlpha, kBlendInvDestAlpha, kBlendDestColour, kBlendInvDestColour, kBlendSrcAlphaSat,
  kBlendBothSrcAlpha, kBlendBothInvSrcAlpha, kBlendFactor, kBlendInvFactor, kBlendSrcColour2,
  kBlendInvSrcColour2,
};

class GraphicsDevice {
 public:
  virtual ~GraphicsDevice() = default;

  virtual const char* Name() const = 0;
  // True for the device that draws nothing.
  virtual bool IsNull() const { return false; }
  // The device's code for the last failure (0 when it has none).
  virtual uint32_t LastError() const { return 0; }

  // Textures. The size is exact (the texture table rounds where its rules say so); at most 8192 a
  // side. Null when the device cannot make it.
  virtual DeviceTexture* CreateTexture(int32_t width, int32_t height, bool renderTarget) = 0;
  virtual void FreeTexture(DeviceTexture* texture) = 0;
  // Copies a rectangle of pixels into the texture (`pitch` bytes between source rows). The rectangle
  // is clipped to the texture.
  virtual void Upload(DeviceTexture* texture, int32_t x, int32_t y, int32_t width, int32_t height,
                      const uint8_t* rgba, size_t pitch) = 0;
  // Reads a rectangle of a render target (null: the back buffer) into `out` (width x height x 4
  // bytes, rows top-down). The rectangle must lie inside the target. False when nothing was read.
  virtual bool ReadPixels(DeviceTexture* target, int32_t x, int32_t y, int32_t width, int32_t height,
                          uint8_t* out) = 0;

  // Copies a render target of the back buffer's exact size onto the back buffer, pixel for pixel
  // (the final stretch when the window has the game's size). False when the device cannot; the
  // caller then draws the target as a quad.
  virtual bool CopyToBackBuffer(DeviceTexture* source) { return false; }

  // Where drawing goes: a render-target texture, or null for the back buffer.
  virtual void SetRenderTarget(DeviceTexture* target) = 0;
  // The size of the back buffer (the window's client area).
  virtual void BackBufferSize(int32_t& width, int32_t& height) const = 0;
  virtual void SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  virtual void SetTransform(TransformKind kind, const Matrix4& matrix) = 0;

  virtual void SetRenderState(DeviceState state, uint32_t value) = 0;
  // Lights of 3-D mode (used while the lighting state is on): slot 0..7, and the ambient colour (ARGB).
  virtual void SetLight(int index, const DeviceLight& light) {}
  virtual void SetAmbient(uint32_t argb) {}
  // Sampler stage 0.
  virtual void SetFilter(bool linear) = 0;
  virtual void SetRepeat(bool repeat) = 0;
  // Texture stage 0: colour and alpha = texture x vertex colour (true) or texture alone (false).
  virtual void SetTextureBlending(bool modulate) = 0;

  // Draws `count` vertices of `stride` bytes (16, 24 or 36: see Graphics_Batch.h) as primitives of
  // `type` (1 point list ... 6 triangle fan) with `texture` bound (null: none).
  virtual void Draw(int type, DeviceTexture* texture, int stride, const void* vertices, int count) = 0;
  // Clears the current viewport of the current target: colour to `argb` and/or depth to 1.
  virtual void Clear(uint32_t argb, bool colour, bool depth) = 0;

  virtual void BeginFrame() = 0;
  // The frame's commands are complete (an offscreen device finishes them here).
  virtual void EndFrame() = 0;
  // Shows the back buffer.
  virtual void Present() = 0;
};

// The installed device (the null device until another is installed). Never null.
GraphicsDevice& Device();
// Installs a device (null puts the null device back); the previous one is destroyed.
void Device_Install(std::unique_ptr<GraphicsDevice> device);
