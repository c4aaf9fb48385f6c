#include "Writer_Pages.h"

#include <algorithm>
#include <numeric>

namespace {

struct Rect {
  int32_t x = 0, y = 0, w = 0, h = 0;
  int32_t right() const { return x + w; }
  int32_t bottom() const { return y + h; }
  bool contains(const Rect& o) const {
    return o.x >= x && o.y >= y && o.right() <= right() && o.bottom() <= bottom();
  }
  bool overlaps(const Rect& o) const {
    return o.x < right() && x < o.right() && o.y < bottom() && y < o.bottom();
  }
};

// One page: the maximal free rectangles (they may overlap each other).
class MaxRectsPage {
 public:
  explicit MaxRectsPage(int32_t size) { free_.push_back(Rect{0, 0, size, size}); }

  // The best free position for a w x h rectangle: least leftover on the shorter side, then on the
  // longer side. False when nothing fits.
  bool Find(int32_t w, int32_t h, Rect& out) const {
    int64_t bestShort = INT64_MAX, bestLong = INT64_MAX;
    for (const Rect& f : free_) {
      if (f.w < w || f.h < h) continue;
      const int64_t dw = f.w - w, dh = f.h - h;
      const int64_t s = std::min(dw, dh), l = std::max(dw, dh);
      if (s < bestShort || (s == bestShort && l < bestLong)) {
        bestShort = s;
        bestLong = l;
        out = Rect{f.x, f.y, w, h};
      }
    }
    return bestShort != INT64_MAX;
  }

  void Place(const Rect& used) {
    std::vector<Rect> next;
    next.reserve(free_.size() + 4);
    for (const Rect& f : free_) {
      if (!f.overlaps(used)) {
        next.push_back(f);
        continue;
      }
      // The parts of f beside the used rectangle, each as large as it can be.
      if (used.x > f.x) next.push_back(Rect{f.x, f.y, used.x - f.x, f.h});
      if (used.right() < f.right()) next.push_back(Rect{used.right(), f.y, f.right() - used.right(), f.h});
      if (used.y > f.y) next.push_back(Rect{f.x, f.y, f.w, used.y - f.y});
      if (used.bottom() < f.bottom()) next.push_back(Rect{f.x, used.bottom(), f.w, f.bottom() - used.bottom()});
    }
    // Drop rectangles held inside another (keep one of two equal ones).
    free_.clear();
    for (size_t i = 0; i < next.size(); ++i) {
      bool inside = false;
      for (size_t j = 0; j < next.size() && !inside; ++j) {
        if (i == j || !next[j].contains(next[i])) continue;
        inside = !next[i].contains(next[j]) || j < i;
      }
      if (!inside) free_.push_back(next[i]);
    }
  }

 private:
  std::vector<Rect> free_;
};

}  // namespace

int32_t Pages_Pack(std::vector<PackBox>& boxes, int32_t pageSize, int32_t gap, size_t& tooLarge) {
  for (size_t i = 0; i < boxes.size(); ++i) {
    if (boxes[i].width > pageSize || boxes[i].height > pageSize || boxes[i].width < 0 || boxes[i].height < 0) {
      tooLarge = i;
      return -1;
    }
  }
  // Large boxes first: they are the hardest to place.
  std::vector<size_t> order(boxes.size());
  std::iota(order.begin(), order.end(), size_t(0));
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const int32_t ma = std::max(boxes[a].width, boxes[a].height), mb = std::max(boxes[b].width, boxes[b].height);
    if (ma != mb) return ma > mb;
    return int64_t(boxes[a].width) * boxes[a].height > int64_t(boxes[b].width) * boxes[b].height;
  });
  std::vector<MaxRectsPage> pages;
  for (size_t index : order) {
    PackBox& box = boxes[index];
    // The gap is left only where the page has room for it.
    const int32_t w = std::min(box.width + gap, pageSize), h = std::min(box.height + gap, pageSize);
    Rect at;
    size_t page = 0;
    while (page < pages.size() && !pages[page].Find(w, h, at)) ++page;
    if (page == pages.size()) {
      pages.emplace_back(pageSize);
      pages.back().Find(w, h, at);
    }
    pages[page].Place(at);
    box.x = at.x;
    box.y = at.y;
    box.page = int32_t(page);
  }
  return int32_t(pages.size());
}

OpaqueBox Pages_OpaqueBox(const CBitmap32& image) {
  int32_t left = image.Width(), top = image.Height(), right = -1, bottom = -1;
  for (int32_t y = 0; y < image.Height(); ++y) {
    for (int32_t x = 0; x < image.Width(); ++x) {
      if (image.Pixel(x, y)[3] == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return OpaqueBox{};
  return OpaqueBox{left, top, right - left + 1, bottom - top + 1};
}
