// epoxy first: it replaces the system GL headers.
#include <epoxy/gl.h>

#include "Graphics_API/Linux/Graphics_DeviceGLM.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

// Geometry is moved by this many pixels right and down so that a vertex at the device's pixel
// position p covers and samples as the runner's device convention has it (pixel centres on whole
// coordinates), a hair short of the full half pixel so that samples land just inside a texel rather
// than on its edge.
constexpr float kPixelShift = 0.5f - 1.0f / 128.0f;

const char* kVertexShader = R"(
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec4 aColour;
layout(location = 2) in vec2 aUV;
layout(location = 3) in vec3 aNormal;
uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform vec2 uPixelShift;   // clip units
uniform float uFlipY;       // -1 while drawing into a framebuffer object (rows top-down)
uniform mat4 uWorld;
uniform vec3 uAmbient;
uniform int uLightOn[8];
uniform int uLightPoint[8];
uniform vec4 uLightVec[8];     // direction travelled, or position and range
uniform vec3 uLightColour[8];
SHADE out vec4 vColour;
out vec2 vUV;
out float vEyeZ;
void main() {
  vec4 eye = uWorldView * vec4(aPosition, 1.0);
  vec4 clip = uProjection * eye;
  clip.xy += uPixelShift * clip.w;
  clip.y *= uFlipY;
  clip.z = clip.z * 2.0 - clip.w;   // depth 0..1 -> -1..1
  vec4 colour = aColour;
#if LIGHTING
  {
    vec3 at = (uWorld * vec4(aPosition, 1.0)).xyz;
    vec3 n = mat3(uWorld) * aNormal;
    float len = length(n);
    if (len > 0.0) n /= len;
    vec3 diffuse = vec3(0.0);
    for (int i = 0; i < 8; ++i) {
      if (uLightOn[i] == 0) continue;
      vec3 towards;
      float attenuation = 1.0;
      if (uLightPoint[i] != 0) {
        vec3 d = uLightVec[i].xyz - at;
        float dist = length(d);
        float range = uLightVec[i].w;
        if (range <= 0.0 || dist > range) continue;
        towards = dist > 0.0 ? d / dist : vec3(0.0);
        attenuation = 1.0 / (1.0 + dist / range);
      } else {
        towards = -uLightVec[i].xyz;
      }
      diffuse += uLightColour[i] * max(dot(n, towards), 0.0) * attenuation;
    }
    colour.rgb = clamp(uAmbient + aColour.rgb * diffuse, 0.0, 1.0);
  }
#endif
  vColour = colour;
  vUV = aUV;
  vEyeZ = eye.z;
  gl_Position = clip;
}
)";

const char* kFragmentShader = R"(
SHADE in vec4 vColour;
in vec2 vUV;
in float vEyeZ;
uniform sampler2D uTexture;
uniform int uAlphaFunc;     // 1 never ... 7 greater-equal
uniform float uAlphaRef;    // 0..255
uniform vec4 uFogColour;
uniform vec2 uFogRange;     // start, end
out vec4 outColour;
void main() {
#if TEXTURE_MODE == 1
  vec4 c = vColour * texture(uTexture, vUV);
#elif TEXTURE_MODE == 2
  vec4 c = texture(uTexture, vUV);
#else
  vec4 c = vColour;
#endif
#if ALPHA_TEST
  {
    float a = floor(c.a * 255.0 + 0.5);
    bool pass = uAlphaFunc == 2 ? a < uAlphaRef : uAlphaFunc == 3 ? a == uAlphaRef
              : uAlphaFunc == 4 ? a <= uAlphaRef : uAlphaFunc == 5 ? a > uAlphaRef
              : uAlphaFunc == 6 ? a != uAlphaRef : uAlphaFunc == 7 ? a >= uAlphaRef : false;
    if (!pass) discard;
  }
#endif
#if FOG
  {
    float span = uFogRange.y - uFogRange.x;
    float f = span != 0.0 ? clamp((uFogRange.y - vEyeZ) / span, 0.0, 1.0) : (vEyeZ < uFogRange.y ? 1.0 : 0.0);
    c.rgb = mix(uFogColour.rgb, c.rgb, f);
  }
#endif
  outColour = c;
}
)";

// A program variant carries only the stages its key switches on: on a software rasteriser every
// pixel pays for each stage the fragment program contains, whether a uniform turns it off or not.
struct ProgramKey {
  bool flat = false;
  int textureMode = 0;  // 0 none, 1 texture x vertex colour, 2 texture alone
  bool alphaTest = false, fog = false, lighting = false;

  int Index() const { return (flat ? 1 : 0) + 2 * (textureMode + 3 * ((alphaTest ? 1 : 0) + 2 * ((fog ? 1 : 0) + 2 * (lighting ? 1 : 0)))); }
};
constexpr int kProgramCount = 48;
// The most quads one draw can hold (the batch's 32768 vertices, six a quad); their four-vertex
// form stays within 16-bit indices.
constexpr int kMaxQuads = 32768 / 6;

struct Program {
  GLuint id = 0;
  bool failed = false;
  uint32_t uploaded = 0;  // the device's uniform generation last uploaded
  GLint worldView = -1, projection = -1, pixelShift = -1, flipY = -1;
  GLint world = -1, ambient = -1, lightOn = -1, lightPoint = -1, lightVec = -1, lightColour = -1;
  GLint alphaFunc = -1, alphaRef = -1, fogColour = -1, fogRange = -1;
};

GLuint Compile(GLenum kind, const char* body, const ProgramKey& key, std::string& error) {
  const std::string source = std::string("#version 330 core\n#define SHADE ") + (key.flat ? "flat" : "smooth") +
                             "\n#define TEXTURE_MODE " + std::to_string(key.textureMode) +
                             "\n#define ALPHA_TEST " + (key.alphaTest ? "1" : "0") + "\n#define FOG " +
                             (key.fog ? "1" : "0") + "\n#define LIGHTING " + (key.lighting ? "1" : "0") + "\n" + body;
  const char* text = source.c_str();
  GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    error = std::string("shader: ") + log;
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

bool Build(Program& p, const ProgramKey& key, std::string& error) {
  GLuint vs = Compile(GL_VERTEX_SHADER, kVertexShader, key, error);
  if (vs == 0) return false;
  GLuint fs = Compile(GL_FRAGMENT_SHADER, kFragmentShader, key, error);
  if (fs == 0) {
    glDeleteShader(vs);
    return false;
  }
  p.id = glCreateProgram();
  glAttachShader(p.id, vs);
  glAttachShader(p.id, fs);
  glLinkProgram(p.id);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = 0;
  glGetProgramiv(p.id, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[1024] = {};
    glGetProgramInfoLog(p.id, sizeof log, nullptr, log);
    error = std::string("program: ") + log;
    return false;
  }
  p.worldView = glGetUniformLocation(p.id, "uWorldView");
  p.projection = glGetUniformLocation(p.id, "uProjection");
  p.pixelShift = glGetUniformLocation(p.id, "uPixelShift");
  p.flipY = glGetUniformLocation(p.id, "uFlipY");
  p.world = glGetUniformLocation(p.id, "uWorld");
  p.ambient = glGetUniformLocation(p.id, "uAmbient");
  p.lightOn = glGetUniformLocation(p.id, "uLightOn");
  p.lightPoint = glGetUniformLocation(p.id, "uLightPoint");
  p.lightVec = glGetUniformLocation(p.id, "uLightVec");
  p.lightColour = glGetUniformLocation(p.id, "uLightColour");
  p.alphaFunc = glGetUniformLocation(p.id, "uAlphaFunc");
  p.alphaRef = glGetUniformLocation(p.id, "uAlphaRef");
  p.fogColour = glGetUniformLocation(p.id, "uFogColour");
  p.fogRange = glGetUniformLocation(p.id, "uFogRange");
  glUseProgram(p.id);
  glUniform1i(glGetUniformLocation(p.id, "uTexture"), 0);
  return true;
}

GLenum BlendFactorGL(uint32_t factor) {
  switch (factor) {
    case kBlendOne: return GL_ONE;
    case kBlendSrcColour: case kBlendSrcColour2: return GL_SRC_COLOR;
    case kBlendInvSrcColour: case kBlendInvSrcColour2: return GL_ONE_MINUS_SRC_COLOR;
    case kBlendSrcAlpha: return GL_SRC_ALPHA;
    case kBlendInvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case kBlendDestAlpha: return GL_DST_ALPHA;
    case kBlendInvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case kBlendDestColour: return GL_DST_COLOR;
    case kBlendInvDestColour: return GL_ONE_MINUS_DST_COLOR;
    case kBlendSrcAlphaSat: return GL_SRC_ALPHA_SATURATE;
    case kBlendFactor: return GL_CONSTANT_COLOR;
    case kBlendInvFactor: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return GL_ZERO;
  }
}

GLenum PrimitiveGL(int type) {
  switch (type) {
    case 1: return GL_POINTS;
    case 2: return GL_LINES;
    case 3: return GL_LINE_STRIP;
    case 5: return GL_TRIANGLE_STRIP;
    case 6: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
  }
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a.at(i, k) * b.at(k, j);
      r.at(i, j) = s;
    }
  }
  return r;
}

float FloatOf(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

class GLDevice final : public GraphicsDevice {
 public:
  explicit GLDevice(const GLSurface& surface) : surface_(surface) {}
  ~GLDevice() override;
  bool Init(std::string& error);

  const char* Name() const override { return "OpenGL"; }
  uint32_t LastError() const override { return lastError_; }
  DeviceTexture* CreateTexture(int32_t width, int32_t height, bool renderTarget) override;
  void FreeTexture(DeviceTexture* texture) override;
  void Upload(DeviceTexture* texture, int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgba,
              size_t pitch) override;
  bool ReadPixels(DeviceTexture* target, int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* out) override;
  bool CopyToBackBuffer(DeviceTexture* source) override;
  void SetRenderTarget(DeviceTexture* target) override;
  void BackBufferSize(int32_t& width, int32_t& height) const override;
  void SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) override;
  void SetTransform(TransformKind kind, const Matrix4& matrix) override;
  void SetRenderState(DeviceState state, uint32_t value) override;
  void SetLight(int index, const DeviceLight& light) override {
    if (index < 0 || index >= kDeviceLightCount) return;
    lights_[index] = light;
    MarkDirty();
  }
  void SetAmbient(uint32_t argb) override {
    ambient_ = argb;
    MarkDirty();
  }
  void SetFilter(bool linear) override;
  void SetRepeat(bool repeat) override;
  void SetTextureBlending(bool modulate) override { modulate_ = modulate; }
  void Draw(int type, DeviceTexture* texture, int stride, const void* vertices, int count) override;
  void Clear(uint32_t argb, bool colour, bool depth) override;
  void BeginFrame() override {}
  void EndFrame() override;
  void Present() override;

 private:
  bool Offscreen() const { return surface_.swap == nullptr; }
  void TargetSize(int32_t& width, int32_t& height) const;
  void ApplyViewport();
  // The offscreen back buffer follows the size the surface reports.
  void ResizeBackBuffer();
  void ApplyCull();
  void ApplyBlend();
  void Upload(Program& p);
  void BindTexture(GLuint handle) {
    if (boundTexture_ == handle) return;
    glBindTexture(GL_TEXTURE_2D, handle);
    boundTexture_ = handle;
  }
  void MarkDirty() { ++generation_; }
  GLuint CurrentFbo() const { return target_ ? target_->framebuffer : backFbo_; }
  // Depth is only read or written while the depth test is on, so a depth clear made while it is off
  // is kept (per framebuffer) and made when the first draw with the test on reaches that framebuffer.
  // Every depth clear writes the same values, so only the cleared area matters, not the order.
  void DeferDepthClear(GLuint fbo, const int32_t rect[4], bool whole);
  void ClearDeferredDepth(GLuint fbo);
  // A colour clear waits until something else reaches the device, so that a clear covering it
  // (the room colour over the window colour) replaces it instead of both filling the target.
  void FlushClear();
  void ClearNow(const int32_t rect[4], uint32_t argb, bool colour, bool depth);
  ProgramKey KeyFor(DeviceTexture* texture, int stride) const;
  // True (and quadVertices_ filled) when a triangle list is quads written a, b, c, c, d, a.
  bool PackQuads(const void* vertices, int stride, int count);
  // The variant for `key`, built the first time it is asked for; null if it does not build.
  Program* ProgramFor(const ProgramKey& key, std::string* error = nullptr);

  GLSurface surface_;
  Program programs_[kProgramCount];
  int program_ = -1;
  uint32_t generation_ = 1;  // advances whenever a uniform's source changes
  GLuint vbo_ = 0;
  GLuint quadIndices_ = 0;  // 0, 1, 2, 2, 3, 0 for each quad of four vertices, bound in every VAO
  std::vector<unsigned char> quadVertices_;  // a list's quads with their repeated vertices dropped
  GLuint vao_[3] = {};    // strides 16, 24, 36
  int vaoBound_ = -1;
  GLuint sampler_ = 0;
  GLuint scratchFbo_ = 0;
  GLuint backFbo_ = 0, backTexture_ = 0, backDepth_ = 0;  // offscreen back buffer
  int32_t backWidth_ = 0, backHeight_ = 0;
  GLuint boundTexture_ = 0;
  DeviceTexture* target_ = nullptr;
  bool flip_ = false;
  int32_t viewport_[4] = {};
  Matrix4 world_, view_, projection_, worldView_;
  uint32_t states_[kDS_Count] = {};
  DeviceLight lights_[kDeviceLightCount];
  uint32_t ambient_ = 0;
  bool modulate_ = true;
  uint32_t lastError_ = 0;
  struct DeferredDepth {
    GLuint fbo = 0;
    std::vector<std::array<int32_t, 4>> rects;  // GL window rectangles
  };
  std::vector<DeferredDepth> deferredDepth_;
  struct PendingClear {
    bool on = false;
    int32_t rect[4] = {};  // GL window rectangle in the current framebuffer
    uint32_t argb = 0;
  } pendingClear_;
};

GLDevice::~GLDevice() {
  for (Program& p : programs_) {
    if (p.id) glDeleteProgram(p.id);
  }
  if (vbo_) glDeleteBuffers(1, &vbo_);
  if (quadIndices_) glDeleteBuffers(1, &quadIndices_);
  glDeleteVertexArrays(3, vao_);
  if (sampler_) glDeleteSamplers(1, &sampler_);
  if (scratchFbo_) glDeleteFramebuffers(1, &scratchFbo_);
  if (backFbo_) glDeleteFramebuffers(1, &backFbo_);
  if (backTexture_) glDeleteTextures(1, &backTexture_);
  if (backDepth_) glDeleteRenderbuffers(1, &backDepth_);
}

bool GLDevice::Init(std::string& error) {
  if (epoxy_gl_version() < 33 || !epoxy_is_desktop_gl()) {
    error = "OpenGL 3.3 is not available";
    return false;
  }
  // The variants 2-D drawing uses are built now, so a driver that cannot build them says so at once.
  for (int mode = 0; mode < 3; ++mode) {
    ProgramKey key;
    key.textureMode = mode;
    if (ProgramFor(key, &error) == nullptr) return false;
  }
  glGenBuffers(1, &vbo_);
  glBindBuffer(GL_ARRAY_BUFFER, vbo_);
  glGenVertexArrays(3, vao_);
  std::vector<GLushort> indices(size_t(kMaxQuads) * 6);
  for (int q = 0; q < kMaxQuads; ++q) {
    const GLushort b = GLushort(q * 4);
    const GLushort quad[6] = {b, GLushort(b + 1), GLushort(b + 2), GLushort(b + 2), GLushort(b + 3), b};
    std::memcpy(&indices[size_t(q) * 6], quad, sizeof quad);
  }
  glGenBuffers(1, &quadIndices_);
  quadVertices_.resize(size_t(kMaxQuads) * 4 * 36);
  const int strides[3] = {16, 24, 36};
  for (int i = 0; i < 3; ++i) {
    glBindVertexArray(vao_[i]);
    if (i == 0) {
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quadIndices_);
      glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * sizeof(GLushort)), indices.data(), GL_STATIC_DRAW);
    } else {
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quadIndices_);
    }
    const GLsizei s = strides[i];
    const bool normals = s == 36;
    const size_t colourAt = normals ? 24 : 12;
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, s, reinterpret_cast<void*>(0));
    glEnableVertexAttribArray(1);  // ARGB words: B, G, R, A bytes in memory
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s, reinterpret_cast<void*>(colourAt));
    if (s >= 24) {
      glEnableVertexAttribArray(2);
      glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, s, reinterpret_cast<void*>(colourAt + 4));
    }
    if (normals) {
      glEnableVertexAttribArray(3);
      glVertexAttribPointer(3, 3, GL_FLOAT, GL_FALSE, s, reinterpret_cast<void*>(12));
    }
  }
  glVertexAttrib2f(2, 0, 0);
  glVertexAttrib3f(3, 0, 0, -1);
  glGenSamplers(1, &sampler_);
  glBindSampler(0, sampler_);
  SetFilter(false);
  SetRepeat(false);
  glActiveTexture(GL_TEXTURE0);
  glGenFramebuffers(1, &scratchFbo_);
  glDepthFunc(GL_LEQUAL);
  glBlendColor(1, 1, 1, 1);
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);  // flat shading takes the first vertex's colour
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (Offscreen()) {
    if (surface_.width <= 0 || surface_.height <= 0) {
      error = "no back buffer size";
      return false;
    }
    glGenTextures(1, &backTexture_);
    glGenRenderbuffers(1, &backDepth_);
    ResizeBackBuffer();
    glGenFramebuffers(1, &backFbo_);
    glBindFramebuffer(GL_FRAMEBUFFER, backFbo_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backTexture_, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, backDepth_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
      error = "the offscreen back buffer is incomplete";
      return false;
    }
  }
  for (uint32_t& s : states_) s = 0xFFFFFFFFu;
  SetRenderTarget(nullptr);
  if (glGetError() != GL_NO_ERROR) {
    error = "OpenGL reported an error while setting up";
    return false;
  }
  return true;
}

void GLDevice::ResizeBackBuffer() {
  int32_t w = 0, h = 0;
  BackBufferSize(w, h);
  if (w < 1) w = 1;
  if (h < 1) h = 1;
  if (w == backWidth_ && h == backHeight_) return;
  backWidth_ = w;
  backHeight_ = h;
  BindTexture(backTexture_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);  // as render targets
  glBindRenderbuffer(GL_RENDERBUFFER, backDepth_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
}

void GLDevice::TargetSize(int32_t& width, int32_t& height) const {
  if (target_ != nullptr) {
    width = target_->width;
    height = target_->height;
  } else {
    BackBufferSize(width, height);
  }
}

void GLDevice::BackBufferSize(int32_t& width, int32_t& height) const {
  if (surface_.drawableSize != nullptr) {
    surface_.drawableSize(&width, &height);
  } else {
    width = surface_.width;
    height = surface_.height;
  }
}

DeviceTexture* GLDevice::CreateTexture(int32_t width, int32_t height, bool renderTarget) {
  FlushClear();
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) {
    lastError_ = GL_INVALID_VALUE;
    return nullptr;
  }
  while (glGetError() != GL_NO_ERROR) {
  }
  auto* t = new DeviceTexture;
  t->width = width;
  t->height = height;
  t->renderTarget = renderTarget;
  glGenTextures(1, &t->handle);
  BindTexture(t->handle);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  // Render targets are made in the window's byte order (B, G, R, A: Mesa keeps the data's order for an
  // unsized format): a software rasteriser takes its fast paths for them and the final blit is a
  // plain copy. Reads and uploads convert as ever.
  if (renderTarget) glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  else glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  GLuint fbo = scratchFbo_;
  if (renderTarget) {
    glGenRenderbuffers(1, &t->depthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, t->depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glGenFramebuffers(1, &t->framebuffer);
    fbo = t->framebuffer;
  }
  // New textures start transparent black: cleared through a framebuffer.
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t->handle, 0);
  if (renderTarget) glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, t->depthBuffer);
  bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  if (ok) {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    if (renderTarget) DeferDepthClear(t->framebuffer, nullptr, true);
  }
  if (!renderTarget) glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  const GLenum glError = glGetError();
  // Back to the current target.
  glBindFramebuffer(GL_FRAMEBUFFER, target_ ? target_->framebuffer : backFbo_);
  if (!ok || glError != GL_NO_ERROR) {
    lastError_ = glError != GL_NO_ERROR ? glError : GL_INVALID_FRAMEBUFFER_OPERATION;
    FreeTexture(t);
    return nullptr;
  }
  return t;
}

void GLDevice::FreeTexture(DeviceTexture* t) {
  FlushClear();
  if (t == nullptr) return;
  if (t == target_) SetRenderTarget(nullptr);
  if (boundTexture_ == t->handle) boundTexture_ = 0;
  glDeleteTextures(1, &t->handle);
  if (t->framebuffer) glDeleteFramebuffers(1, &t->framebuffer);
  if (t->depthBuffer) glDeleteRenderbuffers(1, &t->depthBuffer);
  delete t;
}

void GLDevice::Upload(DeviceTexture* t, int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgba,
                      size_t pitch) {
  FlushClear();
  if (t == nullptr || rgba == nullptr || x < 0 || y < 0) return;
  if (x + width > t->width) width = t->width - x;
  if (y + height > t->height) height = t->height - y;
  if (width <= 0 || height <= 0) return;
  BindTexture(t->handle);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(pitch / 4));
  glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

bool GLDevice::ReadPixels(DeviceTexture* target, int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* out) {
  FlushClear();
  int32_t tw = 0, th = 0;
  if (target != nullptr) {
    if (target->framebuffer == 0) return false;
    tw = target->width;
    th = target->height;
  } else {
    BackBufferSize(tw, th);
  }
  if (width <= 0 || height <= 0 || x < 0 || y < 0 || x + width > tw || y + height > th) return false;
  const GLuint fbo = target != nullptr ? target->framebuffer : backFbo_;
  // Every queued command finishes first: on llvmpipe a read of a surface was seen, now and then, to
  // miss a clear made just before it after the target had changed twice (one run in twenty under
  // load); with the queue finished it never did in hundreds of runs.
  glFinish();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
  if (fbo != 0) {
    // Framebuffer objects hold their rows top-down.
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out);
  } else {
    glReadBuffer(GL_BACK);
    glReadPixels(x, th - y - height, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out);
    const size_t row = size_t(width) * 4;
    std::vector<uint8_t> swap(row);
    for (int32_t r = 0; r < height / 2; ++r) {
      uint8_t* a = out + size_t(r) * row;
      uint8_t* b = out + size_t(height - 1 - r) * row;
      std::memcpy(swap.data(), a, row);
      std::memcpy(a, b, row);
      std::memcpy(b, swap.data(), row);
    }
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, target_ ? target_->framebuffer : backFbo_);
  return glGetError() == GL_NO_ERROR;
}

// A framebuffer blit costs a fraction of a textured quad on a software rasteriser. Framebuffer
// objects hold their rows top-down, a window's own framebuffer bottom-up.
bool GLDevice::CopyToBackBuffer(DeviceTexture* source) {
  FlushClear();
  int32_t w = 0, h = 0;
  BackBufferSize(w, h);
  if (source == nullptr || source->framebuffer == 0 || source->width != w || source->height != h) return false;
  glBindFramebuffer(GL_READ_FRAMEBUFFER, source->framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, backFbo_);
  if (backFbo_ != 0) {
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  } else {
    glBlitFramebuffer(0, 0, w, h, 0, h, w, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, target_ ? target_->framebuffer : backFbo_);
  return glGetError() == GL_NO_ERROR;
}

void GLDevice::SetRenderTarget(DeviceTexture* target) {
  FlushClear();
  if (target != nullptr && target->framebuffer == 0) return;
  if (target == nullptr && Offscreen()) ResizeBackBuffer();
  target_ = target;
  const GLuint fbo = target != nullptr ? target->framebuffer : backFbo_;
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  if (target != nullptr) target->flags |= 1;
  flip_ = fbo != 0;
  // As a new target is set the viewport covers all of it.
  int32_t w = 0, h = 0;
  TargetSize(w, h);
  viewport_[0] = 0;
  viewport_[1] = 0;
  viewport_[2] = w;
  viewport_[3] = h;
  ApplyViewport();
  ApplyCull();
}

void GLDevice::SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  viewport_[0] = x;
  viewport_[1] = y;
  viewport_[2] = width;
  viewport_[3] = height;
  ApplyViewport();
}

void GLDevice::ApplyViewport() {
  const int32_t x = viewport_[0], y = viewport_[1], w = viewport_[2], h = viewport_[3];
  int32_t tw = 0, th = 0;
  TargetSize(tw, th);
  glViewport(x, flip_ ? y : th - y - h, w, h);
  MarkDirty();
}

void GLDevice::SetTransform(TransformKind kind, const Matrix4& matrix) {
  switch (kind) {
    case TransformKind::World: world_ = matrix; break;
    case TransformKind::View: view_ = matrix; break;
    case TransformKind::Projection: projection_ = matrix; break;
  }
  worldView_ = Multiply(world_, view_);
  MarkDirty();
}

void GLDevice::ApplyCull() {
  const uint32_t mode = states_[kDS_CullMode];
  if (mode != 2 && mode != 3) {
    glDisable(GL_CULL_FACE);
    return;
  }
  // The device's winding is what the viewer sees on the picture. GL's window y runs up the picture
  // on the back buffer (the same winding) and down it while the picture is flipped (the opposite).
  const bool cullClockwiseOnScreen = mode == 2;
  const bool cullGLClockwise = cullClockwiseOnScreen != flip_;
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glFrontFace(cullGLClockwise ? GL_CCW : GL_CW);
}

void GLDevice::ApplyBlend() {
  const uint32_t src = states_[kDS_SrcBlend], dst = states_[kDS_DestBlend];
  if (src == kBlendBothSrcAlpha) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  } else if (src == kBlendBothInvSrcAlpha) {
    glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA);
  } else {
    glBlendFunc(BlendFactorGL(src), BlendFactorGL(dst));
  }
}

void GLDevice::SetRenderState(DeviceState state, uint32_t value) {
  if (state < 0 || state >= kDS_Count) return;
  states_[state] = value;
  switch (state) {
    case kDS_ZEnable:
      if (value) glEnable(GL_DEPTH_TEST); else glDisable(GL_DEPTH_TEST);
      break;
    case kDS_FillMode:
      glPolygonMode(GL_FRONT_AND_BACK, value == 1 ? GL_POINT : value == 2 ? GL_LINE : GL_FILL);
      break;
    case kDS_SrcBlend:
    case kDS_DestBlend:
      ApplyBlend();
      break;
    case kDS_CullMode:
      ApplyCull();
      break;
    case kDS_AlphaBlendEnable:
      if (value) glEnable(GL_BLEND); else glDisable(GL_BLEND);
      break;
    default:
      MarkDirty();  // shading, alpha test, fog and lighting are the shaders' uniforms
      break;
  }
}

void GLDevice::SetFilter(bool linear) {
  const GLint f = linear ? GL_LINEAR : GL_NEAREST;
  glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, f);
  glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, f);
}

void GLDevice::SetRepeat(bool repeat) {
  const GLint w = repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
  glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, w);
  glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, w);
}

void GLDevice::Upload(Program& p) {
  glUniformMatrix4fv(p.worldView, 1, GL_FALSE, worldView_.m);
  glUniformMatrix4fv(p.projection, 1, GL_FALSE, projection_.m);
  const float w = float(viewport_[2] > 0 ? viewport_[2] : 1), h = float(viewport_[3] > 0 ? viewport_[3] : 1);
  glUniform2f(p.pixelShift, 2.0f * kPixelShift / w, -2.0f * kPixelShift / h);
  glUniform1f(p.flipY, flip_ ? -1.0f : 1.0f);
  if (p.lightOn >= 0) {
    glUniformMatrix4fv(p.world, 1, GL_FALSE, world_.m);
    glUniform3f(p.ambient, float((ambient_ >> 16) & 0xFF) / 255.0f, float((ambient_ >> 8) & 0xFF) / 255.0f,
                float(ambient_ & 0xFF) / 255.0f);
    GLint on[kDeviceLightCount], point[kDeviceLightCount];
    float vec[kDeviceLightCount * 4], colour[kDeviceLightCount * 3];
    for (int i = 0; i < kDeviceLightCount; ++i) {
      const DeviceLight& l = lights_[i];
      on[i] = l.enabled ? 1 : 0;
      point[i] = l.point ? 1 : 0;
      vec[i * 4] = l.x, vec[i * 4 + 1] = l.y, vec[i * 4 + 2] = l.z, vec[i * 4 + 3] = l.range;
      colour[i * 3] = l.r, colour[i * 3 + 1] = l.g, colour[i * 3 + 2] = l.b;
    }
    glUniform1iv(p.lightOn, kDeviceLightCount, on);
    glUniform1iv(p.lightPoint, kDeviceLightCount, point);
    glUniform4fv(p.lightVec, kDeviceLightCount, vec);
    glUniform3fv(p.lightColour, kDeviceLightCount, colour);
  }
  if (p.alphaFunc >= 0) {
    glUniform1i(p.alphaFunc, int(states_[kDS_AlphaFunc]));
    glUniform1f(p.alphaRef, float(states_[kDS_AlphaRef] & 0xFF));
  }
  if (p.fogColour < 0) return;
  const uint32_t c = states_[kDS_FogColour];
  glUniform4f(p.fogColour, float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f, float(c & 0xFF) / 255.0f,
              1.0f);
  glUniform2f(p.fogRange, FloatOf(states_[kDS_FogStart]), FloatOf(states_[kDS_FogEnd]));
}

ProgramKey GLDevice::KeyFor(DeviceTexture* texture, int stride) const {
  ProgramKey key;
  key.flat = states_[kDS_ShadeMode] == 1;
  key.textureMode = texture != nullptr && stride >= 24 ? (modulate_ ? 1 : 2) : 0;
  key.alphaTest = states_[kDS_AlphaTestEnable] == 1 && states_[kDS_AlphaFunc] != 8;
  key.fog = states_[kDS_FogEnable] == 1 &&
            ((states_[kDS_FogTableMode] >= 1 && states_[kDS_FogTableMode] <= 3) ||
             (states_[kDS_FogVertexMode] >= 1 && states_[kDS_FogVertexMode] <= 3));
  key.lighting = states_[kDS_Lighting] == 1;
  return key;
}

Program* GLDevice::ProgramFor(const ProgramKey& key, std::string* error) {
  Program& p = programs_[key.Index()];
  if (p.id != 0 && !p.failed) return &p;
  if (p.failed) return nullptr;
  std::string message;
  const GLint current = program_ >= 0 ? GLint(programs_[program_].id) : 0;
  if (!Build(p, key, message)) {
    if (error != nullptr) *error = message;
    if (p.id != 0) glDeleteProgram(p.id);
    p.id = 0;
    p.failed = true;
    lastError_ = GL_INVALID_OPERATION;
    glUseProgram(current);
    return nullptr;
  }
  glUseProgram(current);  // building binds the new program to set its sampler
  return &p;
}

void GLDevice::Draw(int type, DeviceTexture* texture, int stride, const void* vertices, int count) {
  FlushClear();
  if (count <= 0 || vertices == nullptr) return;
  const int vao = stride == 16 ? 0 : stride == 24 ? 1 : stride == 36 ? 2 : -1;
  if (vao < 0) return;
  const ProgramKey key = KeyFor(texture, stride);
  Program* p = ProgramFor(key);
  if (p == nullptr) return;
  if (program_ != key.Index()) {
    glUseProgram(p->id);
    program_ = key.Index();
  }
  if (p->uploaded != generation_) {
    Upload(*p);
    p->uploaded = generation_;
  }
  if (states_[kDS_ZEnable] != 0 && !deferredDepth_.empty()) ClearDeferredDepth(CurrentFbo());
  if (texture != nullptr) BindTexture(texture->handle);
  if (vaoBound_ != vao) {
    glBindVertexArray(vao_[vao]);
    vaoBound_ = vao;
  }
  // One upload per draw into fresh storage (the driver orphans the old). Quads go up as four
  // vertices each and are drawn through the shared index list: the same triangles, with the same
  // first vertex and winding, for two thirds of the vertices to upload and transform.
  if (PrimitiveGL(type) == GL_TRIANGLES && PackQuads(vertices, stride, count)) {
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(count / 6 * 4) * stride, quadVertices_.data(), GL_STREAM_DRAW);
    glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, nullptr);
    return;
  }
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(count) * stride, vertices, GL_STREAM_DRAW);
  glDrawArrays(PrimitiveGL(type), 0, count);
}

bool GLDevice::PackQuads(const void* vertices, int stride, int count) {
  if (count % 6 != 0 || count / 6 > kMaxQuads) return false;
  const auto* in = static_cast<const unsigned char*>(vertices);
  unsigned char* out = quadVertices_.data();
  const size_t s = size_t(stride);
  for (int q = 0; q < count / 6; ++q, in += 6 * s, out += 4 * s) {
    if (std::memcmp(in + 2 * s, in + 3 * s, s) != 0 || std::memcmp(in, in + 5 * s, s) != 0) return false;
    std::memcpy(out, in, 3 * s);
    std::memcpy(out + 3 * s, in + 4 * s, s);
  }
  return true;
}

void GLDevice::DeferDepthClear(GLuint fbo, const int32_t rect[4], bool whole) {
  auto it = deferredDepth_.begin();
  while (it != deferredDepth_.end() && it->fbo != fbo) ++it;
  if (it == deferredDepth_.end()) {
    deferredDepth_.push_back(DeferredDepth{fbo, {}});
    it = deferredDepth_.end() - 1;
  }
  if (whole) it->rects.clear();
  // A whole clear, or more rectangles than are worth keeping, leaves one whole-target clear.
  if (!it->rects.empty() && it->rects.front()[2] == -1) return;
  if (whole || it->rects.size() >= 16) {
    it->rects.assign(1, {0, 0, -1, -1});
    return;
  }
  it->rects.push_back({rect[0], rect[1], rect[2], rect[3]});
}

void GLDevice::ClearDeferredDepth(GLuint fbo) {
  auto it = deferredDepth_.begin();
  while (it != deferredDepth_.end() && it->fbo != fbo) ++it;
  if (it == deferredDepth_.end()) return;
  glClearDepth(1);
  for (const auto& r : it->rects) {
    if (r[2] == -1) {
      glDisable(GL_SCISSOR_TEST);
    } else {
      glEnable(GL_SCISSOR_TEST);
      glScissor(r[0], r[1], r[2], r[3]);
    }
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  }
  glDisable(GL_SCISSOR_TEST);
  deferredDepth_.erase(it);
}

void GLDevice::Clear(uint32_t argb, bool colour, bool depth) {
  if (!colour && !depth) return;
  int32_t tw = 0, th = 0;
  TargetSize(tw, th);
  const int32_t x = viewport_[0], y = viewport_[1], w = viewport_[2], h = viewport_[3];
  const int32_t rect[4] = {x, flip_ ? y : th - y - h, w < 0 ? 0 : w, h < 0 ? 0 : h};
  if (depth && states_[kDS_ZEnable] == 0) {
    const bool whole = rect[0] <= 0 && rect[1] <= 0 && rect[0] + rect[2] >= tw && rect[1] + rect[3] >= th;
    DeferDepthClear(CurrentFbo(), rect, whole);
    depth = false;
    if (!colour) return;
  }
  PendingClear& p = pendingClear_;
  if (colour && !depth) {
    const bool covers = p.on && rect[0] <= p.rect[0] && rect[1] <= p.rect[1] &&
                        rect[0] + rect[2] >= p.rect[0] + p.rect[2] && rect[1] + rect[3] >= p.rect[1] + p.rect[3];
    if (!covers) FlushClear();
    p.on = true;
    std::memcpy(p.rect, rect, sizeof rect);
    p.argb = argb;
    return;
  }
  FlushClear();
  ClearNow(rect, argb, colour, depth);
}

void GLDevice::FlushClear() {
  if (!pendingClear_.on) return;
  pendingClear_.on = false;
  ClearNow(pendingClear_.rect, pendingClear_.argb, true, false);
}

void GLDevice::ClearNow(const int32_t rect[4], uint32_t argb, bool colour, bool depth) {
  glEnable(GL_SCISSOR_TEST);
  glScissor(rect[0], rect[1], rect[2], rect[3]);
  glClearColor(float((argb >> 16) & 0xFF) / 255.0f, float((argb >> 8) & 0xFF) / 255.0f, float(argb & 0xFF) / 255.0f,
               float(argb >> 24) / 255.0f);
  glClearDepth(1);
  glClear((colour ? GL_COLOR_BUFFER_BIT : 0) | (depth ? GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT : 0));
  glDisable(GL_SCISSOR_TEST);
}

void GLDevice::EndFrame() {
  FlushClear();
  // Offscreen there is no swap to hold the queue back: finish the frame's work now.
  if (Offscreen()) glFinish();
}

void GLDevice::Present() {
  FlushClear();
  if (surface_.swap != nullptr) surface_.swap();
}

}  // namespace

std::unique_ptr<GraphicsDevice> Device_CreateGL(const GLSurface& surface, std::string& error) {
  auto device = std::make_unique<GLDevice>(surface);
  if (!device->Init(error)) return nullptr;
  return device;
}
