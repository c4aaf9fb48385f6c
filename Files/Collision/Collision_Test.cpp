#include "Collision/Collision_Test.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "Run/Run_Instance.h"
#include "Sprite/Sprite_Class.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kFastAngle = 0.0001f;

bool InIntRange(double v) { return v > -2147483648.0 && v < 2147483647.0; }

int32_t Trunc(double value) { return InIntRange(value) ? int32_t(value) : (value > 0 ? INT32_MAX : (value < 0 ? INT32_MIN : 0)); }

void SetNoBox(CInstance* i) {
  i->bbox.left = kNoBoxEdge;
  i->bbox.top = kNoBoxEdge;
  i->bbox.right = kNoBoxEdge;
  i->bbox.bottom = kNoBoxEdge;
}

// How an instance draws its mask: sprite, frame mask, rounded position, scales and angle.
struct Drawn {
  const uint8_t* mask = nullptr;  // null: the sprite has no masks
  size_t size = 0;
  int32_t w = 0, h = 0;
  float xo = 0, yo = 0;
  int32_t ix = 0, iy = 0;
  float sx = 1, sy = 1, a = 0;
  float c = 1, s = 0;  // cos and sin of -angle
};

// False when the sprite is missing or has no frames.
bool MakeDrawn(const CInstance* i, Drawn& d) {
  const CSprite* sprite = Collision_MaskSprite(i);
  if (sprite == nullptr || sprite->frameCount <= 0) return false;
  const int32_t count = int32_t(sprite->masks.size());
  if (count > 0) {
    int32_t k = Trunc(std::trunc(double(i->image_index))) % count;
    if (k < 0) k += count;
    d.mask = sprite->masks[size_t(k)].data();
    d.size = sprite->masks[size_t(k)].size();
  }
  d.w = sprite->width;
  d.h = sprite->height;
  d.xo = float(sprite->xorigin);
  d.yo = float(sprite->yorigin);
  d.ix = Collision_Round(i->x);
  d.iy = Collision_Round(i->y);
  d.sx = i->image_xscale;
  d.sy = i->image_yscale;
  d.a = i->image_angle;
  const float r = -d.a * kPi / 180.0f;
  d.c = std::cos(r);
  d.s = std::sin(r);
  return true;
}

// The mask byte at frame pixel (u, v); `any` counts every nonzero byte as solid.
bool MaskAt(const Drawn& d, double u, double v, bool any) {
  if (!(u >= 0 && u < d.w && v >= 0 && v < d.h)) return false;
  const size_t at = size_t(int64_t(v)) * size_t(d.w) + size_t(int64_t(u));
  if (at >= d.size) return false;  // a mask smaller than its frame is empty beyond its end
  return any ? d.mask[at] != 0 : d.mask[at] == 1;
}

// The general lookup, rounded down (point, rectangle, ellipse and line tests).
bool GeneralFloor(const Drawn& d, double px, double py) {
  const float dx = float(px - d.ix), dy = float(py - d.iy);
  const float u = (dx * d.c + dy * d.s) / d.sx + d.xo;
  const float v = (dy * d.c - dx * d.s) / d.sy + d.yo;
  return MaskAt(d, std::floor(u), std::floor(v), false);
}

// A room pixel of the rectangle and ellipse tests.
bool PixelSolid(const Drawn& d, int32_t px, int32_t py) {
  if (d.sx == 1 && d.sy == 1 && std::fabs(d.a) < kFastAngle) {
    return MaskAt(d, double(int64_t(px) - d.ix) + d.xo, double(int64_t(py) - d.iy) + d.yo, false);
  }
  return GeneralFloor(d, px, py);
}

// A room pixel of the sprite-against-sprite test: truncated; without masks every pixel of the
// frame is solid.
bool SpritePixelSolid(const Drawn& d, int32_t px, int32_t py) {
  const float dx = float(int64_t(px) - d.ix), dy = float(int64_t(py) - d.iy);
  float u, v;
  if (d.a == 0) {
    u = dx / d.sx + d.xo;
    v = dy / d.sy + d.yo;
  } else {
    u = (dx * d.c + dy * d.s) / d.sx + d.xo;
    v = (dy * d.c - dx * d.s) / d.sy + d.yo;
  }
  const double tu = std::trunc(u), tv = std::trunc(v);
  if (d.mask == nullptr) return tu >= 0 && tu < d.w && tv >= 0 && tv < d.h;
  return MaskAt(d, tu, tv, true);
}

bool SpritePoint(const Drawn& d, double px, double py) {
  if (d.mask == nullptr) return true;
  if (std::fabs(d.a) < kFastAngle) {
    return MaskAt(d, std::floor(float(px - d.ix) / d.sx + d.xo), std::floor(float(py - d.iy) / d.sy + d.yo), false);
  }
  return GeneralFloor(d, px, py);
}

bool SpriteRectangle(const Drawn& d, const InstanceBox& box, int32_t rl, int32_t rt, int32_t rr, int32_t rb) {
  if (d.mask == nullptr) return true;
  const int32_t l = std::max(box.left, rl), r = std::min(box.right, rr);
  const int32_t t = std::max(box.top, rt), b = std::min(box.bottom, rb);
  for (int64_t j = t; j <= b; ++j) {
    for (int64_t i = l; i <= r; ++i) {
      if (PixelSolid(d, int32_t(i), int32_t(j))) return true;
    }
  }
  return false;
}

// Integer centre and semi-axes of an ellipse box; the inside test of a pixel.
struct EllipseShape {
  int64_t cx, cy, ax, ay;
  EllipseShape(int32_t el, int32_t et, int32_t er, int32_t eb)
      : cx((int64_t(er) + el) / 2), cy((int64_t(eb) + et) / 2), ax((int64_t(er) - el) / 2), ay((int64_t(eb) - et) / 2) {}
  bool Inside(int64_t i, int64_t j) const {
    const double u = double(i - cx) / double(ax), v = double(j - cy) / double(ay);
    return u * u + v * v <= 1;
  }
};

bool SpriteEllipse(const Drawn& d, const InstanceBox& box, int32_t el, int32_t et, int32_t er, int32_t eb) {
  if (d.mask == nullptr) return true;
  const EllipseShape e(el, et, er, eb);
  const int32_t l = std::max(box.left, el), r = std::min(box.right, er);
  const int32_t t = std::max(box.top, et), b = std::min(box.bottom, eb);
  for (int64_t j = t; j <= b; ++j) {
    for (int64_t i = l; i <= r; ++i) {
      if (e.Inside(i, j) && PixelSolid(d, int32_t(i), int32_t(j))) return true;
    }
  }
  return false;
}

bool SpriteLine(const Drawn& d, const InstanceBox& box, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (d.mask == nullptr) return true;
  if (x1 == x2 || y1 == y2) return SpriteRectangle(d, box, x1, std::min(y1, y2), x2, std::max(y1, y2));
  if (std::abs(int64_t(x2) - x1) < std::abs(int64_t(y2) - y1)) {
    if (y1 > y2) {
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    const float slope = float(x2 - x1) / float(y2 - y1);
    const int32_t from = std::max(y1, box.top), to = std::min(y2, box.bottom);
    for (int64_t j = from; j <= to; ++j) {
      if (GeneralFloor(d, double(x1 + float(j - y1) * slope), double(j))) return true;
    }
    return false;
  }
  if (x1 > x2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const float slope = float(y2 - y1) / float(x2 - x1);
  const int32_t from = std::max(x1, box.left), to = std::min(x2, box.right);
  for (int64_t i = from; i <= to; ++i) {
    if (GeneralFloor(d, double(i), double(y1 + float(i - x1) * slope))) return true;
  }
  return false;
}

// The box rejection of the rectangle, ellipse and line tests on a normalised rectangle.
bool Rejected(const InstanceBox& box, double minX, double minY, double maxX, double maxY) {
  return !(minX < double(box.right) + 1 && box.left <= maxX && minY < double(box.bottom) + 1 && box.top <= maxY);
}

// The precise stage shared by the shape tests: true when no precision applies; false without a
// usable mask sprite; else the sprite-level test.
template <class Test>
bool PreciseStage(CInstance* i, bool precise, Test test) {
  if (!precise || !i->precise) return true;
  Drawn d;
  if (!MakeDrawn(i, d)) return false;
  return test(d);
}

}  // namespace

int32_t Collision_Round(double value) {
  if (std::isnan(value)) return 0;
  return Trunc(std::nearbyint(value));
}

CSprite* Collision_MaskSprite(const CInstance* i) { return Sprite_Get(i->mask_index >= 0 ? i->mask_index : i->sprite_index); }

void Collision_ComputeBox(CInstance* i) {
  const CSprite* sprite = Collision_MaskSprite(i);
  i->bbox_dirty = false;
  if (sprite == nullptr) {
    SetNoBox(i);
    i->precise = false;
    return;
  }
  const float bl = float(sprite->bboxLeft), bt = float(sprite->bboxTop);
  const float br = float(sprite->bboxRight), bb = float(sprite->bboxBottom);
  const float xo = float(sprite->xorigin), yo = float(sprite->yorigin);
  const float sx = i->image_xscale, sy = i->image_yscale, a = i->image_angle, x = i->x, y = i->y;
  double left, top, right, bottom;
  if (a == 0) {
    left = std::nearbyint((bl - xo) * sx + x);
    right = std::nearbyint((br - xo + 1) * sx + x - 1);
    top = std::nearbyint((bt - yo) * sy + y);
    bottom = std::nearbyint((bb - yo + 1) * sy + y - 1);
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
  } else {
    const float x0 = (std::min(bl, br) - xo) * sx, x1 = (std::max(bl, br) - xo + 1) * sx - 1;
    const float y0 = (std::min(bt, bb) - yo) * sy, y1 = (std::max(bt, bb) - yo + 1) * sy - 1;
    const float r = a * kPi / 180.0f;
    const float c = std::cos(r), s = std::sin(r);
    left = std::trunc(x + std::min(c * x0, c * x1) + std::min(s * y0, s * y1));
    right = std::trunc(x + std::max(c * x0, c * x1) + std::max(s * y0, s * y1));
    top = std::trunc(y + std::min(c * y0, c * y1) - std::max(s * x0, s * x1));
    bottom = std::trunc(y + std::max(c * y0, c * y1) - std::min(s * x0, s * x1));
  }
  // A position, scale or angle that is not a number (or far beyond the 32-bit range) never collides.
  if (!InIntRange(left) || !InIntRange(top) || !InIntRange(right) || !InIntRange(bottom)) {
    SetNoBox(i);
    i->precise = false;
    return;
  }
  i->bbox.left = int32_t(left);
  i->bbox.top = int32_t(top);
  i->bbox.right = int32_t(right);
  i->bbox.bottom = int32_t(bottom);
  i->precise = sprite->precise;
}

bool Collision_Point(CInstance* i, double px, double py, bool precise) {
  if (i->marked) return false;
  const InstanceBox& box = i->BoundingBox();
  if (!(box.left <= px && px < double(box.right) + 1 && box.top <= py && py < double(box.bottom) + 1)) return false;
  const CSprite* sprite = Collision_MaskSprite(i);
  if (sprite == nullptr || sprite->frameCount <= 0) return false;
  if (!precise || !sprite->precise) return true;
  Drawn d;
  return MakeDrawn(i, d) && SpritePoint(d, px, py);
}

bool Collision_Rectangle(CInstance* i, double x1, double y1, double x2, double y2, bool precise) {
  if (i->marked) return false;
  const InstanceBox& box = i->BoundingBox();
  const double minX = std::min(x1, x2), maxX = std::max(x1, x2), minY = std::min(y1, y2), maxY = std::max(y1, y2);
  if (Rejected(box, minX, minY, maxX, maxY)) return false;
  return PreciseStage(i, precise, [&](const Drawn& d) {
    return SpriteRectangle(d, box, Collision_Round(minX), Collision_Round(minY), Collision_Round(maxX), Collision_Round(maxY));
  });
}

bool Collision_Ellipse(CInstance* i, double x1, double y1, double x2, double y2, bool precise) {
  if (i->marked) return false;
  const InstanceBox& box = i->BoundingBox();
  const double minX = std::min(x1, x2), maxX = std::max(x1, x2), minY = std::min(y1, y2), maxY = std::max(y1, y2);
  if (Rejected(box, minX, minY, maxX, maxY)) return false;
  const int32_t el = Collision_Round(minX), er = Collision_Round(maxX);
  const int32_t et = Collision_Round(minY), eb = Collision_Round(maxY);
  if (el == er || et == eb) return Collision_Rectangle(i, x1, y1, x2, y2, precise);
  const EllipseShape e(el, et, er, eb);
  const bool centreInside = (e.cx >= box.left && e.cx <= box.right) || (e.cy >= box.top && e.cy <= box.bottom);
  if (!centreInside && !e.Inside(box.left, box.top) && !e.Inside(box.left, box.bottom) &&
      !e.Inside(box.right, box.top) && !e.Inside(box.right, box.bottom)) {
    return false;
  }
  return PreciseStage(i, precise, [&](const Drawn& d) { return SpriteEllipse(d, box, el, et, er, eb); });
}

bool Collision_Line(CInstance* i, double x1, double y1, double x2, double y2, bool precise) {
  if (i->marked) return false;
  const InstanceBox& box = i->BoundingBox();
  if (Rejected(box, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2))) return false;
  if (x1 > x2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const double left = box.left, right1 = double(box.right) + 1;
  if (left > x1) {
    y1 += (left - x1) * (y2 - y1) / (x2 - x1);
    x1 = left;
  }
  if (right1 < x2) {
    y2 = y1 + (right1 - x1) * (y2 - y1) / (x2 - x1);
    x2 = right1;
  }
  if (y1 < box.top && y2 < box.top) return false;
  const double bottom1 = double(box.bottom) + 1;
  if (y1 >= bottom1 && y2 >= bottom1) return false;
  return PreciseStage(i, precise, [&](const Drawn& d) {
    return SpriteLine(d, box, Collision_Round(x1), Collision_Round(y1), Collision_Round(x2), Collision_Round(y2));
  });
}

bool Collision_Instances(CInstance* a, CInstance* b, bool precise) {
  if (a == b || a->marked || b->marked) return false;
  const InstanceBox& ba = a->BoundingBox();
  const InstanceBox& bb = b->BoundingBox();
  if (bb.left >= int64_t(ba.right) + 1 || ba.left >= int64_t(bb.right) + 1 || bb.top >= int64_t(ba.bottom) + 1 ||
      ba.top >= int64_t(bb.bottom) + 1) {
    return false;
  }
  Drawn da, db;
  if (!MakeDrawn(a, da) || !MakeDrawn(b, db)) return false;
  const CSprite* sa = Collision_MaskSprite(a);
  const CSprite* sb = Collision_MaskSprite(b);
  if (!precise || (!sa->precise && !sb->precise)) return true;
  const int32_t l = std::max(ba.left, bb.left), r = std::min(ba.right, bb.right);
  const int32_t t = std::max(ba.top, bb.top), btm = std::min(ba.bottom, bb.bottom);
  for (int64_t j = t; j <= btm; ++j) {
    for (int64_t i = l; i <= r; ++i) {
      if (SpritePixelSolid(da, int32_t(i), int32_t(j)) && SpritePixelSolid(db, int32_t(i), int32_t(j))) return true;
    }
  }
  return false;
}
