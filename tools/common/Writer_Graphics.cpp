#include "Writer_Graphics.h"

#include <algorithm>
#include <cmath>

#include "Writer_Pages.h"

namespace {

using Body = DataFileWriter::Body;

// Empty pixels between frames on a page.
constexpr int32_t kGap = 1;

bool Solid(const SpriteDesc& s, const CBitmap32& frame, int32_t x, int32_t y) {
  return frame.Pixel(x, y)[3] > s.tolerance;
}

// Whether pixel (x, y) lies inside the mask's shape, which fills the bounding box.
bool InShape(const SpriteDesc& s, int32_t x, int32_t y) {
  if (x < s.bboxLeft || x > s.bboxRight || y < s.bboxTop || y > s.bboxBottom) return false;
  const double rx = (s.bboxRight - s.bboxLeft + 1) / 2.0, ry = (s.bboxBottom - s.bboxTop + 1) / 2.0;
  const double dx = std::fabs(x + 0.5 - (s.bboxLeft + rx)) / rx, dy = std::fabs(y + 0.5 - (s.bboxTop + ry)) / ry;
  switch (s.maskKind) {
    case MaskKind::Ellipse: return dx * dx + dy * dy <= 1.0;
    case MaskKind::Diamond: return dx + dy <= 1.0;
    default: return true;
  }
}

// One frame's image on a page.
struct Placed {
  const CBitmap32* image;
  const std::string* label;
  OpaqueBox crop;  // width 0: a fully transparent frame (one empty pixel on the page)
  PackBox box;
  bool whole = false;  // placed uncropped (font regions)
};

}  // namespace

void Writer_FinishSpriteBox(SpriteDesc& s) {
  const int32_t w = s.Width(), h = s.Height();
  if (s.boxMode == BoxMode::Manual) return;
  s.bboxLeft = 0;
  s.bboxTop = 0;
  s.bboxRight = w - 1;
  s.bboxBottom = h - 1;
  if (s.boxMode == BoxMode::Full) return;
  int32_t left = w, top = h, right = -1, bottom = -1;
  for (const CBitmap32& f : s.frames) {
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        if (!Solid(s, f, x, y)) continue;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  if (right < 0) return;
  s.bboxLeft = left;
  s.bboxTop = top;
  s.bboxRight = right;
  s.bboxBottom = bottom;
}

std::vector<std::vector<uint8_t>> Writer_SpriteMaskRows(const SpriteDesc& s) {
  std::vector<std::vector<uint8_t>> masks;
  if (!s.precise || s.frames.empty()) return masks;
  const int32_t w = s.Width(), h = s.Height(), rowBytes = (w + 7) / 8;
  const size_t count = s.separateMasks ? s.frames.size() : 1;
  for (size_t m = 0; m < count; ++m) {
    std::vector<uint8_t> rows(size_t(rowBytes) * size_t(h), 0);
    const size_t first = count == 1 ? 0 : m, last = count == 1 ? s.frames.size() : m + 1;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        if (!InShape(s, x, y)) continue;
        bool solid = true;
        if (s.maskKind == MaskKind::Precise) {
          solid = false;
          for (size_t f = first; f < last && !solid; ++f) solid = Solid(s, s.frames[f], x, y);
        }
        if (solid) rows[size_t(y) * size_t(rowBytes) + size_t(x / 8)] |= uint8_t(0x80u >> (x % 8));
      }
    }
    masks.push_back(std::move(rows));
  }
  return masks;
}

bool WriteGraphics(DataFileWriter& writer, const std::vector<SpriteDesc>& sprites,
                   const std::vector<BackgroundDesc>& backgrounds, const std::vector<FontDesc>& fonts,
                   int32_t pageSize, std::string& error) {
  if (sprites.empty() && backgrounds.empty() && fonts.empty()) return true;
  // Every frame, sprites first, cropped to its opaque pixels.
  std::vector<Placed> placed;
  for (const SpriteDesc& s : sprites) {
    for (size_t f = 0; f < s.frames.size(); ++f) placed.push_back(Placed{&s.frames[f], &s.frameLabels[f], {}, {}});
  }
  for (const BackgroundDesc& b : backgrounds) placed.push_back(Placed{&b.image, &b.label, {}, {}});
  for (const FontDesc& f : fonts) placed.push_back(Placed{&f.image, &f.label, {}, {}, true});
  std::vector<PackBox> boxes;
  for (Placed& p : placed) {
    if (p.image->Width() > pageSize || p.image->Height() > pageSize) {
      error = *p.label + ": the image is " + std::to_string(p.image->Width()) + " x " +
              std::to_string(p.image->Height()) + " pixels, larger than a texture page (" +
              std::to_string(pageSize) + " x " + std::to_string(pageSize) + ")";
      return false;
    }
    p.crop = p.whole ? OpaqueBox{0, 0, p.image->Width(), p.image->Height()} : Pages_OpaqueBox(*p.image);
    boxes.push_back(PackBox{std::max(p.crop.width, 1), std::max(p.crop.height, 1)});
  }
  size_t tooLarge = 0;
  const int32_t pageCount = Pages_Pack(boxes, pageSize, kGap, tooLarge);
  if (pageCount < 0) {
    error = *placed[tooLarge].label + ": the image is larger than a texture page";
    return false;
  }
  // Each page is as large as the frames on it need.
  std::vector<CBitmap32> pages;
  std::vector<int32_t> pageW(size_t(pageCount), 1), pageH(size_t(pageCount), 1);
  for (const PackBox& b : boxes) {
    pageW[size_t(b.page)] = std::max(pageW[size_t(b.page)], b.x + b.width);
    pageH[size_t(b.page)] = std::max(pageH[size_t(b.page)], b.y + b.height);
  }
  for (int32_t p = 0; p < pageCount; ++p) pages.emplace_back(pageW[size_t(p)], pageH[size_t(p)]);
  for (size_t i = 0; i < placed.size(); ++i) {
    placed[i].box = boxes[i];
    const OpaqueBox& c = placed[i].crop;
    if (c.width > 0) pages[size_t(boxes[i].page)].Blit(placed[i].image->Crop(c.x, c.y, c.width, c.height), boxes[i].x, boxes[i].y);
  }

  // TPAG: the entry list, then the 22-byte records.
  Body& tpag = writer.chunk("TPAG");
  std::vector<DataFileWriter::Label> entry;
  tpag.list(placed, [&](const Placed& p) {
    entry.push_back(tpag.here());
    const bool empty = p.crop.width == 0;
    const int32_t fields[11] = {p.box.x, p.box.y, p.box.width, p.box.height, empty ? 0 : p.crop.x, empty ? 0 : p.crop.y,
                                p.box.width, p.box.height, p.image->Width(), p.image->Height(), p.box.page};
    for (int32_t v : fields) tpag.u16(uint16_t(int16_t(v)));
  });

  // TXTR: the page records (flags, stream offset), then the PNG streams.
  Body& txtr = writer.chunk("TXTR");
  txtr.u32(uint32_t(pageCount));
  const uint32_t pageList = txtr.size();
  txtr.zeros(4 * size_t(pageCount));
  std::vector<uint32_t> streamSlot;
  for (int32_t p = 0; p < pageCount; ++p) {
    txtr.refAt(pageList + 4 * uint32_t(p), txtr.here());
    txtr.u32(0);
    streamSlot.push_back(txtr.size());
    txtr.u32(0);
  }
  for (int32_t p = 0; p < pageCount; ++p) {
    std::vector<uint8_t> png;
    if (!Image_EncodePNG(pages[size_t(p)], png)) {
      error = "texture page " + std::to_string(p) + " cannot be encoded as PNG";
      return false;
    }
    txtr.refAt(streamSlot[size_t(p)], txtr.here());
    txtr.raw(png.data(), png.size());
  }

  // SPRT.
  Body& sprt = writer.chunk("SPRT");
  sprt.u32(uint32_t(sprites.size()));
  const uint32_t spriteList = sprt.size();
  sprt.zeros(4 * sprites.size());
  size_t next = 0;
  for (size_t i = 0; i < sprites.size(); ++i) {
    const SpriteDesc& s = sprites[i];
    sprt.refAt(spriteList + 4 * uint32_t(i), sprt.here());
    sprt.stringRef(s.name).i32(s.Width()).i32(s.Height());
    sprt.i32(s.bboxLeft).i32(s.bboxRight).i32(s.bboxBottom).i32(s.bboxTop);
    sprt.u32(s.transparent).u32(s.smooth).u32(s.preload).i32(int32_t(s.boxMode)).u32(s.precise);
    sprt.i32(s.xorigin).i32(s.yorigin).u32(uint32_t(s.frames.size()));
    for (size_t f = 0; f < s.frames.size(); ++f) sprt.ref(entry[next++]);
    const auto masks = Writer_SpriteMaskRows(s);
    sprt.u32(uint32_t(masks.size()));
    for (const auto& m : masks) sprt.raw(m.data(), m.size());
  }

  // BGND.
  Body& bgnd = writer.chunk("BGND");
  bgnd.u32(uint32_t(backgrounds.size()));
  const uint32_t backgroundList = bgnd.size();
  bgnd.zeros(4 * backgrounds.size());
  for (size_t i = 0; i < backgrounds.size(); ++i) {
    const BackgroundDesc& b = backgrounds[i];
    bgnd.refAt(backgroundList + 4 * uint32_t(i), bgnd.here());
    bgnd.stringRef(b.name).u32(b.transparent).u32(b.smooth).u32(b.preload).ref(entry[next++]);
  }

  // FONT: the list, the font records with their glyph lists, the glyph records, the character table.
  if (fonts.empty()) return true;
  Body& font = writer.chunk("FONT");
  font.u32(uint32_t(fonts.size()));
  const uint32_t fontList = font.size();
  font.zeros(4 * fonts.size());
  for (size_t i = 0; i < fonts.size(); ++i) {
    const FontDesc& f = fonts[i];
    font.refAt(fontList + 4 * uint32_t(i), font.here());
    font.stringRef(f.name).stringRef(f.typeface).i32(f.size).u32(f.bold).u32(f.italic);
    font.u16(f.first).u8(f.charset).u8(uint8_t(f.antialias + 1)).i32(f.last).ref(entry[next++]);
    font.f32(f.xscale).f32(f.yscale).u32(uint32_t(f.glyphs.size()));
    const uint32_t glyphList = font.size();
    font.zeros(4 * f.glyphs.size());
    for (size_t g = 0; g < f.glyphs.size(); ++g) {
      const FontGlyphDesc& glyph = f.glyphs[g];
      font.refAt(glyphList + 4 * uint32_t(g), font.here());
      font.u16(glyph.code);
      for (int16_t v : {glyph.x, glyph.y, glyph.width, glyph.height, glyph.shift, glyph.offset}) font.u16(uint16_t(v));
    }
  }
  for (uint32_t c = 0; c < 256; ++c) font.u16(uint16_t(c));
  return true;
}
