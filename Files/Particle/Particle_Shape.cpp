#include "Particle/Particle_Shape.h"

#include <algorithm>
#include <cmath>

#include "Graphics/Graphics_Image.h"
#include "Graphics/Graphics_Texture.h"
#include "Particle/Particle_Type.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr int kNoiseCells = 8;

int g_textures[kParticleShapeCount];
bool g_made = false;

float Clamp01(float a) { return std::min(1.0f, std::max(0.0f, a)); }

// Smooth value noise in [0, 1] over the image, from a fixed generator (the same image every run).
struct Noise {
  float grid[kNoiseCells + 1][kNoiseCells + 1];
  explicit Noise(uint32_t seed) {
    for (auto& row : grid) {
      for (float& v : row) {
        seed = seed * 1664525u + 1013904223u;
        v = float(seed >> 8) / float(1u << 24);
      }
    }
  }
  float At(float x, float y) const {  // x, y in [0, 64)
    const float gx = x * kNoiseCells / kParticleShapeSide, gy = y * kNoiseCells / kParticleShapeSide;
    const int ix = std::min(int(gx), kNoiseCells - 1), iy = std::min(int(gy), kNoiseCells - 1);
    float fx = gx - float(ix), fy = gy - float(iy);
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    const float top = grid[iy][ix] + (grid[iy][ix + 1] - grid[iy][ix]) * fx;
    const float bottom = grid[iy + 1][ix] + (grid[iy + 1][ix + 1] - grid[iy + 1][ix]) * fx;
    return top + (bottom - top) * fy;
  }
};

// A bright line from the centre along angle `a` (radians), `length` long: alpha at offset (dx, dy).
float Ray(float dx, float dy, float a, float length, float width) {
  const float along = dx * std::cos(a) + dy * std::sin(a);
  const float across = -dx * std::sin(a) + dy * std::cos(a);
  if (along < 0 || along > length) return 0;
  return Clamp01(width + 0.5f - std::fabs(across)) * (1 - along / length);
}

// The star's edge: radius at angle `theta` of a five-pointed star (points 31, valleys 12 from the centre).
float StarRadius(float theta) {
  const float sector = 2 * kPi / 5;
  float t = std::fmod(theta + kPi / 2, sector);
  if (t < 0) t += sector;
  const float f = std::fabs(t / sector * 2 - 1);  // 1 at a point, 0 in a valley
  return 12 + (31 - 12) * f;
}

// Alpha of shape `shape` at pixel offset (dx, dy) from the centre (pixel 32, 32), pixel (x, y).
float ShapeAlpha(int32_t shape, float dx, float dy, float x, float y, const Noise& n1, const Noise& n2) {
  const float r = std::sqrt(dx * dx + dy * dy);
  switch (shape) {
    case 1:  // disk
      return Clamp01(31 - r);
    case 2:  // square
      return std::fabs(dx) <= 30 && std::fabs(dy) <= 30 ? 1.0f : 0.0f;
    case 3:  // line: four pixels thick (so that it survives shrinking), across the image, ends fading
      return dy >= -2 && dy <= 1 ? Clamp01((31 - std::fabs(dx)) / 4) : 0.0f;
    case 4:  // star
      return Clamp01(StarRadius(std::atan2(dy, dx)) - r + 0.5f);
    case 5:  // circle: a thin outline
      return Clamp01(1.5f - std::fabs(r - 29.5f));
    case 6:  // ring: a soft band
      return r >= 31 ? 0.0f : std::exp(-((r - 23) / 5) * ((r - 23) / 5));
    case 7:  // sphere: opaque in the middle, thinning to the rim
      return r >= 31 ? 0.0f : std::sqrt(1 - (r / 31) * (r / 31));
    case 8: {  // flare: a glow with four rays
      const float glow = r >= 31 ? 0.0f : std::pow(1 - r / 31, 3.0f);
      float rays = 0;
      for (int k = 0; k < 4; ++k) rays = std::max(rays, Ray(dx, dy, float(k) * kPi / 2, 31, 0.5f));
      return Clamp01(glow + rays);
    }
    case 9: {  // spark: eight thin rays
      float rays = 0;
      for (int k = 0; k < 8; ++k) rays = std::max(rays, Ray(dx, dy, float(k) * kPi / 4, k % 2 ? 18.0f : 31.0f, 0.5f));
      return Clamp01(rays + (r < 2.5f ? 1.0f : 0.0f));
    }
    case 10: {  // explosion: a ragged, bright blob
      const float edge = 1 - r / 30;
      return edge <= 0 ? 0.0f : Clamp01(edge * 1.6f * (0.4f + n1.At(x, y) * 0.6f + n2.At(y, x) * 0.4f));
    }
    case 11: {  // cloud: a soft, lumpy blob
      const float edge = 1 - r / 31;
      return edge <= 0 ? 0.0f : Clamp01(edge * (0.3f + 0.7f * n1.At(y, x)) * 1.4f);
    }
    case 12: {  // smoke: thinner and fainter than a cloud
      const float edge = 1 - r / 31;
      return edge <= 0 ? 0.0f : Clamp01(edge * edge * (0.2f + 0.8f * n2.At(x, y)));
    }
    case 13: {  // snow: six arms with side branches
      float a = r < 3 ? 1.0f : 0.0f;
      for (int k = 0; k < 6; ++k) {
        const float angle = float(k) * kPi / 3;
        a = std::max(a, Ray(dx, dy, angle, 28, 0.7f) > 0 ? 1.0f : 0.0f);
        // Branches start 14 out along the arm, 30 degrees to either side.
        const float bx = dx - 14 * std::cos(angle), by = dy - 14 * std::sin(angle);
        a = std::max(a, Ray(bx, by, angle + kPi / 6, 8, 0.6f) > 0 ? 1.0f : 0.0f);
        a = std::max(a, Ray(bx, by, angle - kPi / 6, 8, 0.6f) > 0 ? 1.0f : 0.0f);
      }
      return a;
    }
    default:  // pixel: the centre pixel alone
      return dx == 0 && dy == 0 ? 1.0f : 0.0f;
  }
}

}  // namespace

CBitmap32 ParticleShape_Image(int32_t shape) {
  CBitmap32 image(kParticleShapeSide, kParticleShapeSide);
  const Noise n1(0x5EED1u), n2(0xC10D5u);
  uint8_t* p = image.Data();
  for (int y = 0; y < kParticleShapeSide; ++y) {
    for (int x = 0; x < kParticleShapeSide; ++x, p += 4) {
      const float a = ShapeAlpha(shape, float(x - 32), float(y - 32), float(x), float(y), n1, n2);
      p[0] = p[1] = p[2] = 255;
      p[3] = uint8_t(std::lround(Clamp01(a) * 255));
    }
  }
  return image;
}

void ParticleShape_InitTextures() {
  for (int32_t s = 0; s < kParticleShapeCount; ++s) g_textures[s] = GR_Texture_CreateFromBitmap(ParticleShape_Image(s));
  g_made = true;
}

int ParticleShape_Texture(int32_t shape) {
  if (!g_made || !GR_Texture_Exists(g_textures[0])) ParticleShape_InitTextures();
  if (shape < 0 || shape >= kParticleShapeCount) shape = 0;
  return g_textures[shape];
}
