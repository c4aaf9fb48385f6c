#include "Particle/Particle_Draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Graphics/Graphics_Quad.h"
#include "Graphics/Graphics_RenderState.h"
#include "Particle/Particle_Shape.h"
#include "Particle/Particle_System.h"
#include "Sprite/Sprite_Class.h"
#include "Sprite/Sprite_Draw.h"

namespace {

std::vector<ParticleDrawEntry> g_drawList;

float Wave(float t) { return (t > 2 ? 4 - t : t) - 1; }

// The blend of additive particles, switched on for runs of them and back afterwards.
struct BlendSwitch {
  bool additive = false;
  uint32_t src = 0, dest = 0;
  void Set(bool on) {
    if (on == additive) return;
    if (on) {
      src = g_DrawSettings.srcBlend;
      dest = g_DrawSettings.destBlend;
      GR_SetBlendMode(1);
    } else {
      GR_SetBlendModeExt(int(src), int(dest));
    }
    additive = on;
  }
  ~BlendSwitch() { Set(false); }
};

void DrawParticle(const CParticleSystem& ps, const CParticle& p, const CParticleType& t) {
  float orientation = t.orientRelative ? p.direction + p.orientation : p.orientation;
  if (t.orientWiggle != 0) orientation += t.orientWiggle * Wave(float((p.age + 2 * p.wiggleSeed) % 16) / 4.0f);
  float size = p.size;
  if (t.sizeWiggle != 0) size += t.sizeWiggle * Wave(float((p.age + p.wiggleSeed) % 16) / 4.0f);
  const float sx = t.xscale * size, sy = t.yscale * size;
  const CSprite* sprite = t.sprite >= 0 ? Sprite_Get(t.sprite) : nullptr;
  if (sprite != nullptr) {
    int32_t frame = p.age;
    if (!t.animate) frame = p.subimageSeed;
    else if (t.stretch) frame = int32_t(int64_t(p.age) * sprite->frameCount / p.life);
    const QuadImage image = Sprite_FrameImage(*sprite, Sprite_FrameToDraw(sprite->frameCount, frame, nullptr));
    GR_Quad_Scaled(image, float(sprite->xorigin), float(sprite->yorigin), p.x + ps.x, p.y + ps.y, sx, sy,
                   GR_Radians(orientation), p.colour, p.alpha);
    return;
  }
  const QuadImage image = QuadImage::Raw(ParticleShape_Texture(t.shape), kParticleShapeSide, kParticleShapeSide);
  const float angle = std::fabs(orientation) < 0.01f ? 0.0f : GR_Radians(orientation);
  GR_Quad_Scaled(image, 32, 32, std::trunc(p.x + ps.x), std::trunc(p.y + ps.y), sx, sy, angle, p.colour, p.alpha);
}

}  // namespace

void ParticleSystem_Draw(const CParticleSystem& ps) {
  BlendSwitch blend;
  const size_t n = ps.particles.size();
  for (size_t k = 0; k < n; ++k) {
    const CParticle& p = ps.particles[ps.oldToNew ? k : n - 1 - k];
    if (p.life < 1) continue;
    const CParticleType* t = ParticleType_Get(p.type);
    if (t == nullptr) continue;
    blend.Set(t->additive);
    DrawParticle(ps, p, *t);
  }
}

const ParticleDrawEntry* ParticleSystem_DrawList(int* count) {
  g_drawList.clear();
  for (int32_t i = 0; i < ParticleSystem_Count(); ++i) {
    const CParticleSystem* ps = ParticleSystem_Get(i);
    if (ps != nullptr && ps->autoDraw) g_drawList.push_back(ParticleDrawEntry{i, ps->depth});
  }
  std::stable_sort(g_drawList.begin(), g_drawList.end(),
                   [](const ParticleDrawEntry& a, const ParticleDrawEntry& b) { return a.depth > b.depth; });
  *count = int(g_drawList.size());
  return g_drawList.data();
}

void ParticleSystem_DrawIndex(int index) {
  if (const CParticleSystem* ps = ParticleSystem_Get(index)) ParticleSystem_Draw(*ps);
}

void Particle_InstallDrawHooks() {
  g_DrawHooks.particleDrawList = ParticleSystem_DrawList;
  g_DrawHooks.drawParticleSystem = ParticleSystem_DrawIndex;
}
