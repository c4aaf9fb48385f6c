#include "Collision/Collision_Index.h"

#include <algorithm>
#include <cmath>

#include "Run/Run_Instance.h"
#include "Run/Run_World.h"

namespace {

enum Where : uint8_t { kNotFiled = 0, kCells = 1, kBig = 2, kOutside = 3, kNowhere = 4 };

// Boxes covering more cells than this go to the big list.
constexpr int64_t kMaxCellsPerBox = 4;
// More boxes than this in the outside list lay the grid out again.
constexpr size_t kMaxOutside = 64;

// A cell's entry: the instance and the box it was filed with, so that a query passes over boxes
// far from its area without touching the instance.
struct CellEntry {
  CInstance* instance;
  InstanceBox box;
};
using Cell = std::vector<CellEntry>;

struct Index {
  const CInstanceList* list = nullptr;
  uint64_t epoch = 0;
  bool valid = false;
  uint32_t generation = 0;
  uint32_t visit = 0;
  double ox = 0, oy = 0;
  int64_t cell = 64;
  int64_t cols = 0, rows = 0;
  size_t filed = 0;
  std::vector<Cell> cells;
  std::vector<CInstance*> big, outside, nowhere;
  std::vector<CInstance*> queue;
};

// Never destroyed: instances freed late in the process still take themselves out of it.
Index& g_index = *new Index();

std::vector<CInstance*>& ListOf(uint8_t where) {
  return where == kBig ? g_index.big : (where == kOutside ? g_index.outside : g_index.nowhere);
}

bool HasNoBox(const InstanceBox& b) {
  return b.left == kNoBoxEdge && b.top == kNoBoxEdge && b.right == kNoBoxEdge && b.bottom == kNoBoxEdge;
}

int64_t CellOf(double v, double origin) {
  return int64_t(std::clamp(std::floor((v - origin) / double(g_index.cell)), -1e15, 1e15));
}

// Where a box goes: its cells (for kCells), the big, outside or nowhere list.
uint8_t Place(const InstanceBox& b, int64_t& c0, int64_t& c1, int64_t& r0, int64_t& r1) {
  if (HasNoBox(b)) return kNowhere;
  c0 = CellOf(b.left, g_index.ox), c1 = CellOf(b.right, g_index.ox);
  r0 = CellOf(b.top, g_index.oy), r1 = CellOf(b.bottom, g_index.oy);
  if (c0 < 0 || r0 < 0 || c1 >= g_index.cols || r1 >= g_index.rows) return kOutside;
  return (c1 - c0 + 1) * (r1 - r0 + 1) > kMaxCellsPerBox ? kBig : kCells;
}

void File(CInstance* i) {
  InstanceIndexEntry& e = i->index;
  e.generation = g_index.generation;
  int64_t c0 = 0, c1 = -1, r0 = 0, r1 = -1;
  const uint8_t where = Place(i->BoundingBox(), c0, c1, r0, r1);
  e.where = where;
  ++g_index.filed;
  if (where == kCells) {
    e.cellLeft = int32_t(c0);
    e.cellRight = int32_t(c1);
    e.cellTop = int32_t(r0);
    e.cellBottom = int32_t(r1);
    for (int64_t c = c0; c <= c1; ++c) {
      for (int64_t r = r0; r <= r1; ++r) g_index.cells[size_t(c * g_index.rows + r)].push_back({i, i->bbox});
    }
    return;
  }
  std::vector<CInstance*>& list = ListOf(where);
  e.listSlot = int32_t(list.size());
  list.push_back(i);
}

// When the instance's box still falls in the cells it is filed in, the entries take the new box
// and the answer is true.
bool StillInPlace(CInstance* i) {
  const InstanceIndexEntry& e = i->index;
  if (e.where != kCells) return false;
  int64_t c0 = 0, c1 = -1, r0 = 0, r1 = -1;
  if (Place(i->BoundingBox(), c0, c1, r0, r1) != kCells || c0 != e.cellLeft || c1 != e.cellRight ||
      r0 != e.cellTop || r1 != e.cellBottom) {
    return false;
  }
  for (int64_t c = c0; c <= c1; ++c) {
    for (int64_t r = r0; r <= r1; ++r) {
      for (CellEntry& entry : g_index.cells[size_t(c * g_index.rows + r)]) {
        if (entry.instance == i) entry.box = i->bbox;
      }
    }
  }
  return true;
}

void Unfile(CInstance* i) {
  InstanceIndexEntry& e = i->index;
  if (e.generation != g_index.generation || e.where == kNotFiled) return;
  if (e.where == kCells) {
    for (int64_t c = e.cellLeft; c <= e.cellRight; ++c) {
      for (int64_t r = e.cellTop; r <= e.cellBottom; ++r) {
        Cell& cell = g_index.cells[size_t(c * g_index.rows + r)];
        auto it = std::find_if(cell.begin(), cell.end(), [i](const CellEntry& entry) { return entry.instance == i; });
        if (it != cell.end()) {
          *it = cell.back();
          cell.pop_back();
        }
      }
    }
  } else {
    std::vector<CInstance*>& list = ListOf(e.where);
    const size_t slot = size_t(e.listSlot);
    if (slot < list.size() && list[slot] == i) {
      list[slot] = list.back();
      list[slot]->index.listSlot = int32_t(slot);
      list.pop_back();
    }
  }
  e.where = kNotFiled;
  --g_index.filed;
}

void ClearQueue() {
  for (CInstance* i : g_index.queue) {
    if (i != nullptr) i->index.queueSlot = -1;
  }
  g_index.queue.clear();
}

void Rebuild() {
  ClearQueue();
  g_index.big.clear();
  g_index.outside.clear();
  g_index.nowhere.clear();
  g_index.filed = 0;
  if (++g_index.generation == 0) g_index.generation = 1;
  const std::vector<CInstance*>& items = World_Active().Items();
  // The grid covers the boxes of today with cells about twice the mean box size.
  double minX = 0, minY = 0, maxX = 0, maxY = 0, sumW = 0, sumH = 0;
  size_t boxes = 0;
  for (CInstance* i : items) {
    const InstanceBox& b = i->BoundingBox();
    if (HasNoBox(b)) continue;
    if (boxes == 0) {
      minX = b.left, minY = b.top, maxX = b.right, maxY = b.bottom;
    }
    minX = std::min(minX, double(b.left));
    minY = std::min(minY, double(b.top));
    maxX = std::max(maxX, double(b.right));
    maxY = std::max(maxY, double(b.bottom));
    sumW += double(b.right) - b.left + 1;
    sumH += double(b.bottom) - b.top + 1;
    ++boxes;
  }
  const double mean = boxes > 0 ? std::max(sumW, sumH) / double(boxes) : 32;
  g_index.cell = int64_t(std::clamp(2 * mean, 16.0, double(1 << 24)));
  const double maxCells = std::max(4096.0, 4.0 * double(items.size()));
  // A margin of an eighth of the extent on every side, so that boxes drifting outwards stay filed
  // for a while instead of going to the outside list that every query visits.
  const double marginX = (maxX - minX) / 8, marginY = (maxY - minY) / 8;
  for (;;) {
    g_index.ox = minX - std::max(marginX, double(g_index.cell));
    g_index.oy = minY - std::max(marginY, double(g_index.cell));
    g_index.cols = CellOf(maxX + marginX, g_index.ox) + 2;
    g_index.rows = CellOf(maxY + marginY, g_index.oy) + 2;
    if (double(g_index.cols) * double(g_index.rows) <= maxCells) break;
    g_index.cell *= 2;
  }
  g_index.cells.resize(size_t(g_index.cols * g_index.rows));
  for (Cell& cell : g_index.cells) cell.clear();
  int32_t ordinal = 0;
  for (CInstance* i : items) {
    i->index.ordinal = ordinal++;
    File(i);
  }
  g_index.list = &World_Active();
  g_index.epoch = CInstanceList::s_epoch;
  g_index.valid = true;
}

void Sync() {
  if (!g_index.valid || g_index.list != &World_Active() || g_index.epoch != CInstanceList::s_epoch) {
    Rebuild();
    return;
  }
  for (CInstance* i : g_index.queue) {
    if (i == nullptr) continue;
    i->index.queueSlot = -1;
    if (i->index.generation != g_index.generation || i->index.where == kNotFiled || StillInPlace(i)) continue;
    Unfile(i);
    File(i);
  }
  g_index.queue.clear();
  // Every query visits the outside list: once it holds more than a few boxes, the grid is laid out
  // again around them (a rebuild costs one pass over the instances, the list one visit per query).
  if (g_index.outside.size() > kMaxOutside) Rebuild();
}

void Take(CInstance* i, std::vector<CInstance*>& out) {
  if (i->index.visit == g_index.visit || i->deactivated) return;
  i->index.visit = g_index.visit;
  out.push_back(i);
}

void Take(const std::vector<CInstance*>& list, std::vector<CInstance*>& out) {
  for (CInstance* i : list) Take(i, out);
}

}  // namespace

void CollisionIndex_Queue(CInstance* instance) {
  instance->index.queueSlot = int32_t(g_index.queue.size());
  g_index.queue.push_back(instance);
}

void CollisionIndex_Forget(CInstance* instance) {
  InstanceIndexEntry& e = instance->index;
  if (e.queueSlot >= 0 && size_t(e.queueSlot) < g_index.queue.size() && g_index.queue[size_t(e.queueSlot)] == instance) {
    g_index.queue[size_t(e.queueSlot)] = nullptr;
  }
  e.queueSlot = -1;
  Unfile(instance);
}

bool CollisionIndex_Candidates(double left, double top, double right, double bottom, std::vector<CInstance*>& out) {
  out.clear();
  if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(right) || !std::isfinite(bottom)) return false;
  Sync();
  if (++g_index.visit == 0) g_index.visit = 1;
  const double l = std::floor(std::min(left, right)) - 1, r = std::ceil(std::max(left, right)) + 1;
  const double t = std::floor(std::min(top, bottom)) - 1, b = std::ceil(std::max(top, bottom)) + 1;
  const int64_t c0 = CellOf(l, g_index.ox), c1 = CellOf(r, g_index.ox);
  const int64_t r0 = CellOf(t, g_index.oy), r1 = CellOf(b, g_index.oy);
  for (int64_t col = std::max<int64_t>(c0, 0); col <= std::min(c1, g_index.cols - 1); ++col) {
    for (int64_t row = std::max<int64_t>(r0, 0); row <= std::min(r1, g_index.rows - 1); ++row) {
      for (const CellEntry& entry : g_index.cells[size_t(col * g_index.rows + row)]) {
        const InstanceBox& box = entry.box;
        if (box.right < l || box.left > r || box.bottom < t || box.top > b) continue;
        Take(entry.instance, out);
      }
    }
  }
  Take(g_index.big, out);
  Take(g_index.outside, out);
  if (c0 < 0 || r0 < 0 || c1 >= g_index.cols || r1 >= g_index.rows) Take(g_index.nowhere, out);
  return true;
}

void CollisionIndex_Reset() {
  ClearQueue();
  g_index.valid = false;
  g_index.cells.clear();
  g_index.big.clear();
  g_index.outside.clear();
  g_index.nowhere.clear();
  g_index.filed = 0;
  if (++g_index.generation == 0) g_index.generation = 1;
}
