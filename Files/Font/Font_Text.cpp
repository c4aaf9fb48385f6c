#include "Font/Font_Text.h"

#include <algorithm>
#include <cmath>

#include "Font/Font_Class.h"
#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_ColourMath.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Quad.h"
#include "Graphics/Graphics_Texture.h"
#include "Sprite/Sprite_Class.h"
#include "Sprite/Sprite_Draw.h"

namespace {

constexpr char16_t kSpace = 32, kReturn = 13, kLineFeed = 10;

int32_t g_HAlign = 0, g_VAlign = 0;

bool IsBreak(char16_t c) { return c == kReturn || c == kLineFeed; }

// Where and how one line is drawn: its start, scale, rotation and colours.
struct LinePlacement {
  double x = 0, y = 0;
  double sx = 1, sy = 1;
  double cosA = 1, sinA = 0;
  double angle = 0;  // degrees, for sprite glyphs
  const TextDraw* how = nullptr;
};

// A point (dx, dy) from the line's start, rotated about it.
void Place(const LinePlacement& at, double dx, double dy, float& x, float& y) {
  x = float(at.x + dx * at.cosA + dy * at.sinA);
  y = float(at.y - dx * at.sinA + dy * at.cosA);
}

// The corner colours of a glyph spanning [p, p + shift] of a line of width w: TL, TR, BR, BL.
void GlyphColours(const TextDraw& how, double p, double shift, double w, int32_t out[4]) {
  if (!how.gradient) {
    std::fill(out, out + 4, how.colours[0]);
    return;
  }
  const double t0 = w > 0 ? p / w : 0, t1 = w > 0 ? (p + shift) / w : 0;
  out[0] = Colour_Merge(how.colours[0], how.colours[1], t0);
  out[1] = Colour_Merge(how.colours[0], how.colours[1], t1);
  out[2] = Colour_Merge(how.colours[3], how.colours[2], t1);
  out[3] = Colour_Merge(how.colours[3], how.colours[2], t0);
}

void DrawTextureLine(const CFontTessera& font, const std::u16string& line, const LinePlacement& at) {
  int32_t ox = 0, oy = 0;
  const int texture = font.DrawTexture(&ox, &oy);
  const TextureSlot* slot = GR_Texture_Slot(texture);
  if (slot == nullptr) return;
  const TextDraw& how = *at.how;
  const uint32_t alpha = how.gradient ? GR_AlphaByteRounded(how.alpha) : GR_AlphaByte(how.alpha);
  const double width = Text_LineWidth(font, line);
  double pen = 0;       // drawn units
  double penUnits = 0;  // font units, for the colours
  for (char16_t c : line) {
    const FontGlyph* g = font.Find(c);
    if (g == nullptr) continue;  // draws nothing, moves nothing
    int32_t colours[4];
    GlyphColours(how, penUnits, g->shift, width, colours);
    const double left = pen + g->offset * at.sx, right = left + g->width * at.sx, bottom = g->height * at.sy;
    const float u0 = float(ox + g->x) * slot->recipWidth, u1 = float(ox + g->x + g->width) * slot->recipWidth;
    const float v0 = float(oy + g->y) * slot->recipHeight, v1 = float(oy + g->y + g->height) * slot->recipHeight;
    VertexTextured corner[4];
    const double dx[4] = {left, right, right, left}, dy[4] = {0, 0, bottom, bottom};
    const float us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
    for (int k = 0; k < 4; ++k) {
      Place(at, dx[k], dy[k], corner[k].x, corner[k].y);
      corner[k].z = g_DrawState.depth;
      corner[k].colour = GR_ARGB(colours[k], alpha);
      corner[k].u = us[k];
      corner[k].v = vs[k];
    }
    VertexTextured* v = Batch_AddTextured(kPrimTriangleList, texture, 6);
    static constexpr int kOrder[6] = {0, 1, 2, 2, 3, 0};
    for (int k = 0; k < 6; ++k) v[k] = corner[kOrder[k]];
    pen += g->shift * at.sx;
    penUnits += g->shift;
  }
}

// A sprite font's glyph: the frame drawn as draw_sprite_ext draws it (origin, view culling); the colour
// forms shade it with the four-colour part builder, placed by the same origin.
void DrawSpriteGlyph(const CSprite& sprite, int32_t frame, float x, float y, const LinePlacement& at,
                     const int32_t colours[4]) {
  const QuadImage image = Sprite_FrameImage(sprite, frame);
  if (!image.Drawable()) return;
  const float sx = float(at.sx), sy = float(at.sy);
  const float r = float(sprite.radius) * std::max(std::fabs(sx), std::fabs(sy));
  if (!g_DrawState.mode3d && !Draw_InView(x, y, r, r)) return;
  const TextDraw& how = *at.how;
  if (!how.gradient) {
    GR_Quad_Scaled(image, float(sprite.xorigin), float(sprite.yorigin), x, y, sx, sy, GR_Radians(at.angle), colours[0],
                   how.alpha);
    return;
  }
  const double ox = sprite.xorigin * at.sx, oy = sprite.yorigin * at.sy;
  const float px = float(x - ox * at.cosA - oy * at.sinA), py = float(y + ox * at.sinA - oy * at.cosA);
  GR_Quad_Part(image, 0, 0, float(GR_Quad_FrameWidth(image)), float(GR_Quad_FrameHeight(image)), px, py, sx, sy,
               GR_Radians(at.angle), colours, how.alpha);
}

void DrawSpriteLine(const CFontTessera& font, const std::u16string& line, const LinePlacement& at) {
  const CSprite* sprite = Sprite_Get(font.sprite);
  if (sprite == nullptr) return;
  const double width = Text_LineWidth(font, line);
  double pen = 0, penUnits = 0;
  for (char16_t c : line) {
    const FontGlyph* g = font.Find(c);
    if (g == nullptr) continue;
    if (c != kSpace) {
      int32_t colours[4];
      GlyphColours(*at.how, penUnits, g->shift, width, colours);
      float x = 0, y = 0;
      Place(at, pen + g->offset * at.sx, 0, x, y);
      DrawSpriteGlyph(*sprite, g->width, x, y, at, colours);
    }
    pen += g->shift * at.sx;
    penUnits += g->shift;
  }
}

void DrawLine(const CFontTessera& font, const std::u16string& line, const LinePlacement& at) {
  if (font.sprite >= 0) DrawSpriteLine(font, line, at);
  else DrawTextureLine(font, line, at);
}

}  // namespace

std::u16string Text_Decode(const char* utf8) {
  std::u16string out;
  if (utf8 == nullptr) return out;
  const auto* s = reinterpret_cast<const unsigned char*>(utf8);
  for (size_t i = 0; s[i] != 0;) {
    const unsigned char c = s[i];
    size_t n = 1;
    uint32_t cp = c, min = 0;
    if (c >= 0xC2 && c <= 0xDF) n = 2, cp = c & 0x1F, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, cp = c & 0x0F, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, cp = c & 0x07, min = 0x10000;
    for (size_t k = 1; k < n; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) {  // also stops at the terminator
        n = 1;
        break;
      }
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (n > 1 && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) n = 1;
    if (n == 1) cp = c;
    out.push_back(cp > 0xFFFF ? char16_t(0xFFFD) : char16_t(cp));
    i += n;
  }
  return out;
}

std::string Text_Encode(const std::u16string& codes) {
  std::string out;
  for (char16_t c : codes) {
    const uint32_t cp = c;
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xE0 | (cp >> 12));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::vector<std::u16string> Text_Split(const CFontTessera& font, const std::u16string& text, double wrap) {
  std::vector<std::u16string> lines;
  const size_t n = text.size();
  if (n == 0) return lines;
  if (!(wrap >= 0)) {
    size_t start = 0;
    for (size_t i = 0; i <= n; ++i) {
      if (i == n || IsBreak(text[i])) {
        lines.push_back(text.substr(start, i - start));
        start = i + 1;
      }
    }
    return lines;
  }
  size_t pos = 0;
  bool endsOnBreak = false;
  while (pos < n) {
    while (pos < n && text[pos] == kSpace) ++pos;
    const size_t start = pos;
    size_t i = pos;
    double sum = 0;
    while (i < n && !IsBreak(text[i]) && sum < wrap) sum += font.Advance(text[i++]);
    if (sum > wrap) --i;  // the last character went past the width
    size_t end = i, next = i;
    if (i < n && (IsBreak(text[i]) || text[i] == kSpace)) {
      next = i + 1;  // the break is dropped
    } else if (i < n) {
      // Inside a word: back to the last space after the line start (without the spaces before it),
      // else forward to the next space or break: a word is never split.
      size_t space = i;
      while (space > start && text[space] != kSpace) --space;
      if (space > start) {
        end = space;
        next = space + 1;
        while (end > start && text[end - 1] == kSpace) --end;
      } else {
        while (end < n && text[end] != kSpace && !IsBreak(text[end])) ++end;
        next = end < n ? end + 1 : end;
      }
    }
    lines.push_back(text.substr(start, end - start));
    endsOnBreak = next > 0 && next == n && IsBreak(text[n - 1]);
    pos = next;
  }
  if (endsOnBreak) lines.emplace_back();
  return lines;
}

int32_t Text_LineWidth(const CFontTessera& font, const std::u16string& line) {
  int32_t w = 0;
  for (char16_t c : line) w += font.Advance(c);
  return w;
}

int32_t Text_Width(const CFontTessera& font, const std::u16string& text, double wrap) {
  int32_t widest = 1;
  for (const std::u16string& line : Text_Split(font, text, wrap)) widest = std::max(widest, Text_LineWidth(font, line));
  return widest;
}

double Text_Height(const CFontTessera& font, const std::u16string& text, double sep, double wrap) {
  const size_t lines = Text_Split(font, text, wrap).size();
  if (lines == 0) return 1;
  if (sep < 0) sep = font.tallest;
  return font.tallest + sep * double(lines - 1);
}

void Text_SetAlign(int32_t halign, int32_t valign) {
  g_HAlign = halign >= 0 && halign <= 2 ? halign : 0;
  g_VAlign = valign >= 0 && valign <= 2 ? valign : 0;
}
int32_t Text_HAlign() { return g_HAlign; }
int32_t Text_VAlign() { return g_VAlign; }

void Text_Draw(const std::u16string& text, const TextDraw& how) {
  const CFontTessera* font = how.font != nullptr ? how.font : Font_ForText();
  if (font == nullptr) return;
  const double sep = how.sep < 0 ? font->tallest : how.sep;
  const std::vector<std::u16string> lines = Text_Split(*font, text, how.wrap);
  const double count = double(lines.size());
  LinePlacement at;
  at.how = &how;
  if (!how.transformed) {
    at.sx = font->xscale;
    at.sy = font->yscale;
    double y = how.y;
    if (g_VAlign == 1) y -= std::trunc(sep * count / 2);
    else if (g_VAlign == 2) y -= sep * count;
    for (const std::u16string& line : lines) {
      if (!line.empty()) {
        const int32_t w = Text_LineWidth(*font, line);
        const int32_t offset = g_HAlign == 1 ? -(w / 2) : g_HAlign == 2 ? -w : 0;
        at.x = how.x + offset;
        at.y = y;
        DrawLine(*font, line, at);
      }
      y += sep;
    }
    return;
  }
  const double a = how.angle * 3.1415927 / 180;
  at.sinA = std::sin(a);
  at.cosA = std::cos(a);
  at.angle = how.angle;
  at.sx = how.xscale * font->xscale;
  at.sy = how.yscale * font->yscale;
  const double stepX = at.sinA * how.yscale * sep, stepY = at.cosA * how.yscale * sep;
  double x = how.x, y = how.y;
  if (g_VAlign == 1) {
    x -= std::round(count * stepX / 2);
    y -= std::round(count * stepY / 2);
  } else if (g_VAlign == 2) {
    x -= count * stepX;
    y -= count * stepY;
  }
  for (const std::u16string& line : lines) {
    if (!line.empty()) {
      const double w = Text_LineWidth(*font, line);
      const double d = g_HAlign == 1 ? std::trunc(-0.5 * w * how.xscale) : g_HAlign == 2 ? -std::trunc(w * how.xscale) : 0;
      at.x = x + d * at.cosA;
      at.y = y - d * at.sinA;
      DrawLine(*font, line, at);
    }
    x += stepX;
    y += stepY;
  }
}
