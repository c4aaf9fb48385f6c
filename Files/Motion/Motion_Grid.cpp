#include "Motion/Motion_Grid.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "Collision/Collision_Test.h"
#include "Path/Path_Class.h"
#include "Run/Run_Instance.h"

namespace {

std::vector<std::unique_ptr<CGrid>> g_grids;

// The shared search queue of cell indices: a ring buffer whose capacity is a power of two, grown
// by doubling with the live entries moved to the front.
class SearchQueue {
 public:
  void Reset() { m_head = m_count = 0; }
  bool Empty() const { return m_count == 0; }
  void Push(int32_t cell) {
    if (m_count == m_items.size()) Grow();
    m_items[(m_head + m_count) & (m_items.size() - 1)] = cell;
    ++m_count;
  }
  int32_t Pop() {
    const int32_t cell = m_items[m_head];
    m_head = (m_head + 1) & (m_items.size() - 1);
    --m_count;
    return cell;
  }

 private:
  void Grow() {
    std::vector<int32_t> bigger(m_items.empty() ? 4096 : m_items.size() * 2);
    for (size_t k = 0; k < m_count; ++k) bigger[k] = m_items[(m_head + k) & (m_items.size() - 1)];
    m_items.swap(bigger);
    m_head = 0;
  }
  std::vector<int32_t> m_items;
  size_t m_head = 0, m_count = 0;
};

SearchQueue g_queue;

// Cell range of an interval of room coordinates: truncating division, clamped to the grid.
void Range(double from, double to, int32_t origin, int32_t size, int32_t count, int32_t& first, int32_t& last) {
  const double a = std::trunc((std::min(from, to) - origin) / size), b = std::trunc((std::max(from, to) - origin) / size);
  if (std::isnan(a) || std::isnan(b)) {
    first = 0, last = -1;
    return;
  }
  first = int32_t(std::clamp(a, 0.0, double(count)));
  last = int32_t(std::clamp(b, -1.0, double(count - 1)));
}

// The eight neighbours in the orders the search uses.
enum { kLeft, kRight, kUp, kDown, kDownLeft, kUpLeft, kDownRight, kUpRight };
constexpr int kDx[] = {-1, 1, 0, 0, -1, -1, 1, 1};
constexpr int kDy[] = {0, 0, -1, 1, 1, -1, 1, -1};

}  // namespace

CGrid::CGrid(int32_t l, int32_t t, int32_t h, int32_t v, int32_t w, int32_t ht)
    : left(l), top(t), cellWidth(w), cellHeight(ht), hcells(h), vcells(v), cells(size_t(h) * size_t(v), 0) {}

void CGrid::SetCell(int32_t i, int32_t j, int32_t value) {
  if (Inside(i, j)) Cell(i, j) = value;
}

void CGrid::SetRectangle(double x1, double y1, double x2, double y2, int32_t value) {
  int32_t c0, c1, r0, r1;
  Range(x1, x2, left, cellWidth, hcells, c0, c1);
  Range(y1, y2, top, cellHeight, vcells, r0, r1);
  for (int32_t i = c0; i <= c1; ++i) {
    for (int32_t j = r0; j <= r1; ++j) Cell(i, j) = value;
  }
}

void CGrid::AddInstance(CInstance* instance, bool precise) {
  const InstanceBox& box = instance->BoundingBox();
  int32_t c0, c1, r0, r1;
  Range(box.left, box.right, left, cellWidth, hcells, c0, c1);
  Range(box.top, box.bottom, top, cellHeight, vcells, r0, r1);
  for (int32_t i = c0; i <= c1; ++i) {
    for (int32_t j = r0; j <= r1; ++j) {
      int32_t& cell = Cell(i, j);
      if (cell == -1) continue;
      if (!precise) {
        cell = -1;
        continue;
      }
      const double x = double(left) + double(i) * cellWidth, y = double(top) + double(j) * cellHeight;
      if (Collision_Rectangle(instance, x, y, x + cellWidth - 1, y + cellHeight - 1, true)) cell = -1;
    }
  }
}

void CGrid::ClearAll() { std::fill(cells.begin(), cells.end(), 0); }

bool CGrid::FindPath(CPath* path, int32_t xs, int32_t ys, int32_t xg, int32_t yg, bool diagonal) {
  g_queue.Reset();
  auto inside = [&](int32_t x, int32_t y) {
    return x >= left && int64_t(x) < int64_t(left) + int64_t(cellWidth) * hcells && y >= top &&
           int64_t(y) < int64_t(top) + int64_t(cellHeight) * vcells;
  };
  if (!inside(xs, ys) || !inside(xg, yg)) return false;
  const int32_t si = int32_t((int64_t(xs) - left) / cellWidth), sj = int32_t((int64_t(ys) - top) / cellHeight);
  const int32_t gi = int32_t((int64_t(xg) - left) / cellWidth), gj = int32_t((int64_t(yg) - top) / cellHeight);
  if (Cell(si, sj) == -1 || Cell(gi, gj) == -1) return false;
  Cell(si, sj) = 1;
  g_queue.Push(si * vcells + sj);
  bool found = false;
  while (!g_queue.Empty()) {
    const int32_t at = g_queue.Pop();
    const int32_t i = at / vcells, j = at % vcells;
    const int32_t k = Cell(i, j);
    if (i == gi && j == gj) {
      found = true;
      break;
    }
    bool open[8];
    for (int n = 0; n < 8; ++n) open[n] = Inside(i + kDx[n], j + kDy[n]) && Cell(i + kDx[n], j + kDy[n]) == 0;
    auto mark = [&](int n) {
      Cell(i + kDx[n], j + kDy[n]) = k + 1;
      g_queue.Push((i + kDx[n]) * vcells + j + kDy[n]);
    };
    for (int n = kLeft; n <= kDown; ++n) {
      if (open[n]) mark(n);
    }
    if (diagonal) {
      if (open[kDown] && open[kLeft] && open[kDownLeft]) mark(kDownLeft);
      if (open[kUp] && open[kLeft] && open[kUpLeft]) mark(kUpLeft);
      if (open[kDown] && open[kRight] && open[kDownRight]) mark(kDownRight);
      if (open[kUp] && open[kRight] && open[kUpRight]) mark(kUpRight);
    }
  }
  if (found) {
    path->SetKind(0);
    path->SetClosed(false);
    std::vector<PathPoint> points;
    points.push_back({float(xg), float(yg), 100});
    // Walk back by falling marks; a diagonal step is taken only between two cells that are not
    // forbidden, so the path never cuts a forbidden cell's corner.
    constexpr int kBackOrder[] = {kLeft, kRight, kUp, kDown, kDownLeft, kDownRight, kUpLeft, kUpRight};
    int32_t i = gi, j = gj;
    for (size_t guard = 0; (i != si || j != sj) && guard < cells.size(); ++guard) {
      const int32_t k = Cell(i, j);
      bool moved = false;
      for (int n : kBackOrder) {
        if (n >= kDownLeft && !diagonal) break;
        const int32_t ni = i + kDx[n], nj = j + kDy[n];
        if (!Inside(ni, nj) || Cell(ni, nj) != k - 1) continue;
        if (n >= kDownLeft && (Cell(ni, j) == -1 || Cell(i, nj) == -1)) continue;
        i = ni;
        j = nj;
        moved = true;
        break;
      }
      if (!moved) break;
      if (i != si || j != sj) {
        points.push_back({float(left + i * cellWidth + cellWidth / 2), float(top + j * cellHeight + cellHeight / 2), 100});
      }
    }
    points.push_back({float(xs), float(ys), 100});
    std::reverse(points.begin(), points.end());
    path->SetPoints(std::move(points));
  }
  for (int32_t& cell : cells) {
    if (cell > 0) cell = 0;
  }
  return found;
}

int32_t Grid_Create(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellWidth, int32_t cellHeight) {
  if (hcells <= 0 || vcells <= 0 || cellWidth <= 0 || cellHeight <= 0 || int64_t(hcells) * vcells > kGridMaxCells) {
    return -1;
  }
  auto grid = std::make_unique<CGrid>(left, top, hcells, vcells, cellWidth, cellHeight);
  for (size_t id = 0; id < g_grids.size(); ++id) {
    if (g_grids[id] == nullptr) {
      g_grids[id] = std::move(grid);
      return int32_t(id);
    }
  }
  g_grids.push_back(std::move(grid));
  return int32_t(g_grids.size() - 1);
}

CGrid* Grid_Get(int32_t id) { return id >= 0 && size_t(id) < g_grids.size() ? g_grids[size_t(id)].get() : nullptr; }

void Grid_Destroy(int32_t id) {
  if (Grid_Get(id) != nullptr) g_grids[size_t(id)].reset();
}

void Grid_FreeAll() { g_grids.clear(); }
