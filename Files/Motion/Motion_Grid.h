// Planning grids: cells of a room area that are free or forbidden, filled from rectangles and
// instances, and the breadth-first search that turns a start and a goal into a path.
//
// Cells are stored column-major (cell (i, j) is element i * vcells + j): 0 free, -1 forbidden,
// positive values are search marks that exist only during one search.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class CInstance;
class CPath;

class CGrid {
 public:
  CGrid(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellWidth, int32_t cellHeight);
  virtual ~CGrid() = default;

  int32_t& Cell(int32_t i, int32_t j) { return cells[size_t(i) * size_t(vcells) + size_t(j)]; }
  bool Inside(int32_t i, int32_t j) const { return i >= 0 && i < hcells && j >= 0 && j < vcells; }
  void SetCell(int32_t i, int32_t j, int32_t value);
  void SetRectangle(double x1, double y1, double x2, double y2, int32_t value);
  // Forbids the cells under the instance's box (with `precise`, only those its precise rectangle
  // test meets).
  void AddInstance(CInstance* instance, bool precise);
  void ClearAll();
  // The search; fills `path` (cleared, straight, open) from start to goal. False when the start or
  // goal is outside or forbidden, or no way exists. The cells are as before afterwards.
  bool FindPath(CPath* path, int32_t xstart, int32_t ystart, int32_t xgoal, int32_t ygoal, bool diagonal);

  int32_t left, top, cellWidth, cellHeight, hcells, vcells;
  std::vector<int32_t> cells;
};

// Largest grid accepted (cells).
inline constexpr int64_t kGridMaxCells = int64_t(1) << 24;

// The grid table: creation takes the first empty slot. -1 for sizes that are not positive or a
// grid beyond kGridMaxCells.
int32_t Grid_Create(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellWidth, int32_t cellHeight);
CGrid* Grid_Get(int32_t id);
void Grid_Destroy(int32_t id);
void Grid_FreeAll();
