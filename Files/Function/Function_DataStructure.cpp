// The ds_ functions: index tables of the six collection families and the wrappers that check
// indices and convert arguments before handing over to the collection classes.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "Code/Code_Error.h"
#include "Function/Function_DataStructure.h"
#include "Function/Function_Library.h"
#include "Support/Support_DataStructure.h"

using namespace Library;

namespace {

constexpr const char* kNoStructure = "Data structure with index does not exist.";

// One family's index table: creating takes the lowest empty slot, destroying empties it.
template <typename T>
class CTable {
 public:
  int Add(std::unique_ptr<T> item) {
    for (size_t i = 0; i < m_slots.size(); ++i) {
      if (!m_slots[i]) {
        m_slots[i] = std::move(item);
        return static_cast<int>(i);
      }
    }
    if (m_slots.size() == m_slots.capacity()) m_slots.reserve(m_slots.size() + 16);
    m_slots.push_back(std::move(item));
    return static_cast<int>(m_slots.size() - 1);
  }
  T* Get(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_slots.size()) return nullptr;
    return m_slots[index].get();
  }
  void Remove(int index) {
    if (Get(index) != nullptr) m_slots[index].reset();
  }
  void Clear() { m_slots.clear(); }

 private:
  std::vector<std::unique_ptr<T>> m_slots;
};

CTable<CDS_Stack> g_Stacks;
CTable<CDS_Queue> g_Queues;
CTable<CDS_List> g_Lists;
CTable<CDS_Map> g_Maps;
CTable<CDS_Priority> g_Priorities;
CTable<CDS_Grid> g_Grids;

// The collection named by argument `i`; reports the error and gives null when there is none.
template <typename T>
T* Lookup(CTable<T>& table, int argc, RValue* args, int i = 0) {
  T* item = table.Get(ArgIndex(argc, args, i));
  if (item == nullptr) ReportActionError(kNoStructure, false);
  return item;
}

// The hot cell and map calls first try their common form, every index a whole real from 0 up,
// and fall back to the general path (argument conversion, error reports) for anything else.
inline int PlainIndex(const RValue& v) {
  if (!v.IsReal() || !(v.real >= 0.0 && v.real < 2147483647.0)) return -1;
  int i = static_cast<int>(v.real);
  return static_cast<double>(i) == v.real ? i : -1;
}

// Arguments given as pointers to values (the direct forms of Code_Function.h).
struct ArgRefs {
  const RValue* const* p;
  const RValue& operator[](int i) const { return *p[i]; }
};

// The grid and cell (x, y) of a call whose first three arguments name a cell inside a grid, or null.
template <typename A>
inline CDS_Grid* PlainCell(int argc, const A& args, int wanted, int& x, int& y) {
  if (argc != wanted) return nullptr;
  if constexpr (std::is_pointer_v<A>) {
    if (args == nullptr) return nullptr;
  }
  if ((args[0].kind | args[1].kind | args[2].kind) != VALUE_REAL) return nullptr;
  int index = PlainIndex(args[0]);
  CDS_Grid* g = index >= 0 ? g_Grids.Get(index) : nullptr;
  if (g == nullptr) return nullptr;
  // Inside the grid first (NaN fails), then whole.
  double dx = args[1].real, dy = args[2].real;
  if (!(dx >= 0.0 && dx < g->Width() && dy >= 0.0 && dy < g->Height())) return nullptr;
  x = static_cast<int>(dx);
  y = static_cast<int>(dy);
  return static_cast<double>(x) == dx && static_cast<double>(y) == dy ? g : nullptr;
}

// The map of a call with exactly `wanted` arguments whose first is a whole real naming a map, or
// null (the general path then converts the index and reports a missing map).
template <typename A>
inline CDS_Map* PlainMap(int argc, const A& args, int wanted) {
  if (argc != wanted) return nullptr;
  if constexpr (std::is_pointer_v<A>) {
    if (args == nullptr) return nullptr;
  }
  int index = PlainIndex(args[0]);
  return index >= 0 ? g_Maps.Get(index) : nullptr;
}

// The map of a call through the short path or the general one (null after reporting).
inline CDS_Map* MapOf(int argc, RValue* args, int wanted) {
  CDS_Map* m = PlainMap(argc, args, wanted);
  return m != nullptr ? m : Lookup(g_Maps, argc, args);
}

void SetCopy(RValue& result, const RValue* value) {
  if (value != nullptr) DS_CopyValue(result, *value);
}

void SetBool(RValue& result, bool on) { result.SetReal(on ? 1.0 : 0.0); }

// ---- Generic family functions ------------------------------------------------------------------

template <typename T, CTable<T>& Table>
struct Family {
  static void Destroy(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
    if (Lookup(Table, argc, args) != nullptr) Table.Remove(ArgIndex(argc, args, 0));
  }
  static void Clear(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
    if (T* t = Lookup(Table, argc, args)) t->Clear();
  }
  static void Copy(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
    T* dst = Lookup(Table, argc, args, 0);
    if (dst == nullptr) return;
    T* src = Lookup(Table, argc, args, 1);
    if (src != nullptr && src != dst) dst->Assign(*src);
  }
  static void Size(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
    if (T* t = Lookup(Table, argc, args)) result.SetReal(t->Size());
  }
  // The direct form of Size for one argument, a whole real naming a structure.
  static bool DirectSize(RValue& result, int argc, const RValue* const* args) {
    int index = argc == 1 ? PlainIndex(*args[0]) : -1;
    T* t = index >= 0 ? Table.Get(index) : nullptr;
    if (t == nullptr) return false;
    result.SetReal(t->Size());
    return true;
  }
  static void Empty(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
    if (T* t = Lookup(Table, argc, args)) SetBool(result, t->Size() == 0);
  }
  static void Write(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
    if (T* t = Lookup(Table, argc, args)) SetStringResult(result, t->Write());
  }
  static void Read(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
    T* t = Lookup(Table, argc, args);
    const RValue& text = Arg(argc, args, 1);
    if (t != nullptr && text.IsString()) t->Read(text.Str());
  }
  static void Create(RValue& result, CInstance*, CInstance*, int, RValue*) {
    result.SetReal(Table.Add(std::make_unique<T>()));
  }
};

// ---- Precision -----------------------------------------------------------------------------------

void F_SetPrecision(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  DS_SetPrecision(ArgReal(argc, args, 0));
}

// ---- Stack ---------------------------------------------------------------------------------------

void F_StackPush(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Stack* s = Lookup(g_Stacks, argc, args)) s->Push(Arg(argc, args, 1));
}
void F_StackPop(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Stack* s = Lookup(g_Stacks, argc, args)) s->Pop(result);
}
void F_StackTop(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Stack* s = Lookup(g_Stacks, argc, args)) SetCopy(result, s->Top());
}

// ---- Queue ---------------------------------------------------------------------------------------

void F_QueueEnqueue(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Queue* q = Lookup(g_Queues, argc, args)) q->Enqueue(Arg(argc, args, 1));
}
void F_QueueDequeue(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Queue* q = Lookup(g_Queues, argc, args)) q->Dequeue(result);
}
void F_QueueHead(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Queue* q = Lookup(g_Queues, argc, args)) SetCopy(result, q->Head());
}
void F_QueueTail(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Queue* q = Lookup(g_Queues, argc, args)) SetCopy(result, q->Tail());
}

// ---- List ----------------------------------------------------------------------------------------

// The list of a call with exactly `wanted` arguments whose first is a whole real naming a list,
// or null (the general path then converts the index and reports a missing list).
template <typename A>
inline CDS_List* PlainList(int argc, const A& args, int wanted) {
  if (argc != wanted) return nullptr;
  if constexpr (std::is_pointer_v<A>) {
    if (args == nullptr) return nullptr;
  }
  int index = PlainIndex(args[0]);
  return index >= 0 ? g_Lists.Get(index) : nullptr;
}

void F_ListAdd(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_List* l = PlainList(argc, args, 2);
  if (l != nullptr || (l = Lookup(g_Lists, argc, args)) != nullptr) l->Add(Arg(argc, args, 1));
}
bool D_ListAdd(RValue&, int argc, const RValue* const* args) {
  CDS_List* l = PlainList(argc, ArgRefs{args}, 2);
  if (l == nullptr) return false;
  l->Add(*args[1]);
  return true;
}
void F_ListInsert(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_List* l = Lookup(g_Lists, argc, args)) l->Insert(ArgIndex(argc, args, 1), Arg(argc, args, 2));
}
void F_ListReplace(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_List* l = Lookup(g_Lists, argc, args)) l->Replace(ArgIndex(argc, args, 1), Arg(argc, args, 2));
}
void F_ListDelete(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_List* l = Lookup(g_Lists, argc, args)) l->Delete(ArgIndex(argc, args, 1));
}
void F_ListFindIndex(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_List* l = Lookup(g_Lists, argc, args)) result.SetReal(l->FindIndex(Arg(argc, args, 1)));
}
void F_ListFindValue(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_List* l = PlainList(argc, args, 2);
  if (l != nullptr || (l = Lookup(g_Lists, argc, args)) != nullptr) SetCopy(result, l->At(ArgIndex(argc, args, 1)));
}
bool D_ListFindValue(RValue& result, int argc, const RValue* const* args) {
  CDS_List* l = PlainList(argc, ArgRefs{args}, 2);
  int pos = l != nullptr ? PlainIndex(*args[1]) : -1;
  if (pos < 0) return false;
  SetCopy(result, l->At(pos));
  return true;
}
void F_ListSort(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_List* l = Lookup(g_Lists, argc, args)) l->Sort(ArgBool(argc, args, 1));
}
void F_ListShuffle(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_List* l = Lookup(g_Lists, argc, args)) l->Shuffle();
}

// ---- Map -----------------------------------------------------------------------------------------

void F_MapAdd(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Map* m = MapOf(argc, args, 3)) SetBool(result, m->Add(Arg(argc, args, 1), Arg(argc, args, 2)));
}
void F_MapReplace(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Map* m = MapOf(argc, args, 3)) m->Replace(Arg(argc, args, 1), Arg(argc, args, 2));
}
void F_MapDelete(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Map* m = Lookup(g_Maps, argc, args)) m->Delete(Arg(argc, args, 1));
}
void F_MapExists(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Map* m = MapOf(argc, args, 2)) SetBool(result, m->Find(Arg(argc, args, 1)) != nullptr);
}
void F_MapFindValue(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Map* m = MapOf(argc, args, 2)) SetCopy(result, m->Find(Arg(argc, args, 1)));
}
// The direct forms of the map calls the short path covers.
bool D_MapAdd(RValue& result, int argc, const RValue* const* args) {
  CDS_Map* m = PlainMap(argc, ArgRefs{args}, 3);
  if (m == nullptr) return false;
  SetBool(result, m->Add(*args[1], *args[2]));
  return true;
}
bool D_MapReplace(RValue&, int argc, const RValue* const* args) {
  CDS_Map* m = PlainMap(argc, ArgRefs{args}, 3);
  if (m == nullptr) return false;
  m->Replace(*args[1], *args[2]);
  return true;
}
bool D_MapExists(RValue& result, int argc, const RValue* const* args) {
  CDS_Map* m = PlainMap(argc, ArgRefs{args}, 2);
  if (m == nullptr) return false;
  SetBool(result, m->Find(*args[1]) != nullptr);
  return true;
}
bool D_MapFindValue(RValue& result, int argc, const RValue* const* args) {
  CDS_Map* m = PlainMap(argc, ArgRefs{args}, 2);
  if (m == nullptr) return false;
  SetCopy(result, m->Find(*args[1]));
  return true;
}
void F_MapFindPrevious(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Map* m = Lookup(g_Maps, argc, args)) SetCopy(result, m->Previous(Arg(argc, args, 1)));
}
void F_MapFindNext(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Map* m = Lookup(g_Maps, argc, args)) SetCopy(result, m->Next(Arg(argc, args, 1)));
}
void F_MapFindFirst(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Map* m = Lookup(g_Maps, argc, args)) SetCopy(result, m->First());
}
void F_MapFindLast(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Map* m = Lookup(g_Maps, argc, args)) SetCopy(result, m->Last());
}

// ---- Priority queue ------------------------------------------------------------------------------

void F_PriorityAdd(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Priority* p = Lookup(g_Priorities, argc, args)) p->Add(Arg(argc, args, 1), Arg(argc, args, 2));
}
void F_PriorityChange(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_Priority* p = Lookup(g_Priorities, argc, args);
  if (p == nullptr) return;
  int i = p->FindValue(Arg(argc, args, 1));
  if (i >= 0) p->SetPriority(i, Arg(argc, args, 2));
}
void F_PriorityFind(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_Priority* p = Lookup(g_Priorities, argc, args);
  if (p == nullptr) return;
  int i = p->FindValue(Arg(argc, args, 1));
  if (i >= 0) result = p->PriorityAt(i);
}
void F_PriorityDeleteValue(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_Priority* p = Lookup(g_Priorities, argc, args);
  if (p == nullptr) return;
  int i = p->FindValue(Arg(argc, args, 1));
  if (i >= 0) p->RemoveByLast(i);
}
template <bool Max, bool Delete>
void F_PriorityExtreme(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_Priority* p = Lookup(g_Priorities, argc, args);
  if (p == nullptr) return;
  int i = Max ? p->FindMax() : p->FindMin();
  if (i < 0) return;
  result = p->ValueAt(i);
  if (Delete) p->RemoveByLast(i);
}

// ---- Grid ----------------------------------------------------------------------------------------

void F_GridCreate(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  int w = std::max(ArgIndex(argc, args, 0), 0);
  int h = std::max(ArgIndex(argc, args, 1), 0);
  if (int64_t{w} * h > CDS_Grid::kMaxCells) {
    ReportActionError("ds_grid_create: the grid would have too many cells.", false);
    result.SetReal(-1);
    return;
  }
  result.SetReal(g_Grids.Add(std::make_unique<CDS_Grid>(w, h)));
}
void F_GridResize(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_Grid* g = Lookup(g_Grids, argc, args);
  if (g == nullptr) return;
  int w = std::max(ArgIndex(argc, args, 1), 0);
  int h = std::max(ArgIndex(argc, args, 2), 0);
  if (int64_t{w} * h > CDS_Grid::kMaxCells) {
    ReportActionError("ds_grid_resize: the grid would have too many cells.", false);
    return;
  }
  g->Resize(w, h);
}
void F_GridWidth(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Grid* g = Lookup(g_Grids, argc, args)) result.SetReal(g->Width());
}
void F_GridHeight(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Grid* g = Lookup(g_Grids, argc, args)) result.SetReal(g->Height());
}
// The direct forms of the width and height for one argument, a whole real naming a grid.
template <bool Width>
bool D_GridSide(RValue& result, int argc, const RValue* const* args) {
  int index = argc == 1 ? PlainIndex(*args[0]) : -1;
  CDS_Grid* g = index >= 0 ? g_Grids.Get(index) : nullptr;
  if (g == nullptr) return false;
  result.SetReal(Width ? g->Width() : g->Height());
  return true;
}
void F_GridClear(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Grid* g = Lookup(g_Grids, argc, args)) g->Fill(Arg(argc, args, 1));
}
// Everything but a real cell read through the short path: the general path, out of line so that
// the short one saves no registers.
[[gnu::noinline]] void GridGetGeneral(RValue& result, int argc, RValue* args) {
  int px, py;
  if (CDS_Grid* cell = PlainCell(argc, args, 3, px, py)) {
    DS_CopyValue(result, cell->Cell(px, py));
    return;
  }
  CDS_Grid* g = Lookup(g_Grids, argc, args);
  if (g == nullptr) return;
  int x = ArgIndex(argc, args, 1), y = ArgIndex(argc, args, 2);
  if (g->Inside(x, y)) DS_CopyValue(result, g->Cell(x, y));
}
void F_GridGet(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  int px, py;
  if (CDS_Grid* g = PlainCell(argc, args, 3, px, py)) {
    const RValue& cell = g->Cell(px, py);
    if (cell.IsReal() && result.IsReal()) {
      result.real = cell.real;
      return;
    }
  }
  GridGetGeneral(result, argc, args);
}

// A copy of a cell that is not a real (out of line: the direct form then saves no registers).
[[gnu::noinline]] bool CopyCell(RValue& result, const RValue& cell) {
  DS_CopyValue(result, cell);
  return true;
}
bool D_GridGet(RValue& result, int argc, const RValue* const* args) {
  int px, py;
  CDS_Grid* g = PlainCell(argc, ArgRefs{args}, 3, px, py);
  if (g == nullptr) return false;
  const RValue& cell = g->Cell(px, py);
  if (!cell.IsReal()) return CopyCell(result, cell);
  result.real = cell.real;
  return true;
}

// A clipped rectangle of cells.
struct Region {
  int x1, y1, x2, y2;
  bool Empty() const { return x1 > x2 || y1 > y2; }
};
Region ClipRegion(const CDS_Grid& g, int ax, int ay, int bx, int by) {
  Region r{std::max(std::min(ax, bx), 0), std::max(std::min(ay, by), 0),
           std::min(std::max(ax, bx), g.Width() - 1), std::min(std::max(ay, by), g.Height() - 1)};
  return r;
}
Region ArgRegion(const CDS_Grid& g, int argc, RValue* args, int first) {
  return ClipRegion(g, ArgIndex(argc, args, first), ArgIndex(argc, args, first + 1),
                    ArgIndex(argc, args, first + 2), ArgIndex(argc, args, first + 3));
}

// Calls visit(x, y) for every cell of the disk at (xm, ym) with radius r, columns from the lowest
// and rows within a column from the lowest, until it returns false.
template <typename F>
void ForDisk(const CDS_Grid& g, double xm, double ym, double r, F visit) {
  if (!std::isfinite(xm) || !std::isfinite(ym) || !std::isfinite(r)) return;
  double x1 = std::max(std::floor(xm - r), 0.0), x2 = std::min(std::ceil(xm + r), g.Width() - 1.0);
  double y1 = std::max(std::floor(ym - r), 0.0), y2 = std::min(std::ceil(ym + r), g.Height() - 1.0);
  for (double x = x1; x <= x2; ++x) {
    for (double y = y1; y <= y2; ++y) {
      if (r * r >= (x - xm) * (x - xm) + (y - ym) * (y - ym)) {
        if (!visit(static_cast<int>(x), static_cast<int>(y))) return;
      }
    }
  }
}

template <CDS_Grid::Op Op>
[[gnu::noinline]] void GridCellGeneral(int argc, RValue* args) {
  int px, py;
  if (CDS_Grid* cell = PlainCell(argc, args, 4, px, py)) {
    CDS_Grid::Apply(cell->Cell(px, py), args[3], Op);
    return;
  }
  CDS_Grid* g = Lookup(g_Grids, argc, args);
  if (g == nullptr) return;
  int x = ArgIndex(argc, args, 1), y = ArgIndex(argc, args, 2);
  if (g->Inside(x, y)) CDS_Grid::Apply(g->Cell(x, y), Arg(argc, args, 3), Op);
}
// A real onto a real cell takes the short path; everything else the general one.
template <CDS_Grid::Op Op>
void F_GridCell(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  int px, py;
  if (CDS_Grid* g = PlainCell(argc, args, 4, px, py)) {
    RValue& cell = g->Cell(px, py);
    if (cell.IsReal() && args[3].IsReal()) {
      if constexpr (Op == CDS_Grid::Op::Set) cell.real = args[3].real;
      if constexpr (Op == CDS_Grid::Op::Add) cell.real += args[3].real;
      if constexpr (Op == CDS_Grid::Op::Multiply) cell.real *= args[3].real;
      return;
    }
  }
  GridCellGeneral<Op>(argc, args);
}

// The cell update of a value or cell that is not a real (out of line, as CopyCell).
template <CDS_Grid::Op Op>
[[gnu::noinline]] bool ApplyCell(RValue& cell, const RValue& value) {
  CDS_Grid::Apply(cell, value, Op);
  return true;
}
template <CDS_Grid::Op Op>
bool D_GridCell(RValue&, int argc, const RValue* const* args) {
  int px, py;
  CDS_Grid* g = PlainCell(argc, ArgRefs{args}, 4, px, py);
  if (g == nullptr) return false;
  RValue& cell = g->Cell(px, py);
  const RValue& value = *args[3];
  if (!cell.IsReal() || !value.IsReal()) return ApplyCell<Op>(cell, value);
  if constexpr (Op == CDS_Grid::Op::Set) cell.real = value.real;
  if constexpr (Op == CDS_Grid::Op::Add) cell.real += value.real;
  if constexpr (Op == CDS_Grid::Op::Multiply) cell.real *= value.real;
  return true;
}

template <CDS_Grid::Op Op>
void F_GridRegion(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_Grid* g = Lookup(g_Grids, argc, args);
  if (g == nullptr) return;
  Region r = ArgRegion(*g, argc, args, 1);
  const RValue& v = Arg(argc, args, 5);
  for (int x = r.x1; x <= r.x2; ++x) {
    for (int y = r.y1; y <= r.y2; ++y) CDS_Grid::Apply(g->Cell(x, y), v, Op);
  }
}

template <CDS_Grid::Op Op>
void F_GridDisk(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_Grid* g = Lookup(g_Grids, argc, args);
  if (g == nullptr) return;
  const RValue& v = Arg(argc, args, 4);
  ForDisk(*g, ArgReal(argc, args, 1), ArgReal(argc, args, 2), ArgReal(argc, args, 3), [&](int x, int y) {
    CDS_Grid::Apply(g->Cell(x, y), v, Op);
    return true;
  });
}

template <CDS_Grid::Op Op>
void F_GridGridRegion(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_Grid* g = Lookup(g_Grids, argc, args, 0);
  if (g == nullptr) return;
  CDS_Grid* src = Lookup(g_Grids, argc, args, 1);
  if (src == nullptr) return;
  Region r = ArgRegion(*src, argc, args, 2);
  if (r.Empty()) return;
  // (xpos, ypos) is where the region's first corner lands, also when clipping cut that corner off.
  int64_t cornerX = std::min(ArgIndex(argc, args, 2), ArgIndex(argc, args, 4));
  int64_t cornerY = std::min(ArgIndex(argc, args, 3), ArgIndex(argc, args, 5));
  int64_t dx = ArgIndex(argc, args, 6) - cornerX, dy = ArgIndex(argc, args, 7) - cornerY;
  // The source cells are taken first, so a region copied within one grid reads every source cell
  // before any is overwritten.
  std::vector<RValue> taken;
  taken.reserve(static_cast<size_t>(r.x2 - r.x1 + 1) * (r.y2 - r.y1 + 1));
  for (int x = r.x1; x <= r.x2; ++x) {
    for (int y = r.y1; y <= r.y2; ++y) taken.push_back(src->Cell(x, y));
  }
  size_t k = 0;
  for (int x = r.x1; x <= r.x2; ++x) {
    for (int y = r.y1; y <= r.y2; ++y, ++k) {
      int64_t tx = x + dx, ty = y + dy;
      if (tx < 0 || ty < 0 || tx >= g->Width() || ty >= g->Height()) continue;
      CDS_Grid::Apply(g->Cell(static_cast<int>(tx), static_cast<int>(ty)), taken[k], Op);
    }
  }
}

// Statistics over real cells.
struct Stats {
  double sum = 0;
  double max = -100000000.0;
  double min = 100000000.0;
  int count = 0;
  void Take(const RValue& v) {
    if (!v.IsReal()) return;
    sum += v.real;
    max = std::max(max, v.real);
    min = std::min(min, v.real);
    ++count;
  }
};
enum class Stat { Sum, Max, Min, Mean };
double StatValue(const Stats& s, Stat which) {
  switch (which) {
    case Stat::Sum: return s.sum;
    case Stat::Max: return s.max;
    case Stat::Min: return s.min;
    case Stat::Mean: return s.count > 0 ? s.sum / s.count : 0.0;
  }
  return 0.0;
}

template <Stat Which>
void F_GridRegionStat(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_Grid* g = Lookup(g_Grids, argc, args);
  if (g == nullptr) return;
  Region r = ArgRegion(*g, argc, args, 1);
  Stats s;
  for (int x = r.x1; x <= r.x2; ++x) {
    for (int y = r.y1; y <= r.y2; ++y) s.Take(g->Cell(x, y));
  }
  result.SetReal(StatValue(s, Which));
}

template <Stat Which>
void F_GridDiskStat(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_Grid* g = Lookup(g_Grids, argc, args);
  if (g == nullptr) return;
  Stats s;
  ForDisk(*g, ArgReal(argc, args, 1), ArgReal(argc, args, 2), ArgReal(argc, args, 3), [&](int x, int y) {
    s.Take(g->Cell(x, y));
    return true;
  });
  result.SetReal(StatValue(s, Which));
}

enum class Found { Exists, X, Y };
void SetFound(RValue& result, Found what, bool found, int x, int y) {
  switch (what) {
    case Found::Exists: SetBool(result, found); break;
    case Found::X: result.SetReal(found ? x : 0); break;
    case Found::Y: result.SetReal(found ? y : 0); break;
  }
}

template <Found What>
void F_GridValue(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_Grid* g = Lookup(g_Grids, argc, args);
  if (g == nullptr) return;
  Region r = ArgRegion(*g, argc, args, 1);
  const RValue& v = Arg(argc, args, 5);
  for (int x = r.x1; x <= r.x2; ++x) {
    for (int y = r.y1; y <= r.y2; ++y) {
      if (DS_Compare(g->Cell(x, y), v) == 0) return SetFound(result, What, true, x, y);
    }
  }
  SetFound(result, What, false, 0, 0);
}

template <Found What>
void F_GridValueDisk(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  CDS_Grid* g = Lookup(g_Grids, argc, args);
  if (g == nullptr) return;
  const RValue& v = Arg(argc, args, 4);
  bool found = false;
  int fx = 0, fy = 0;
  ForDisk(*g, ArgReal(argc, args, 1), ArgReal(argc, args, 2), ArgReal(argc, args, 3), [&](int x, int y) {
    if (DS_Compare(g->Cell(x, y), v) != 0) return true;
    found = true;
    fx = x;
    fy = y;
    return false;
  });
  SetFound(result, What, found, fx, fy);
}

void F_GridShuffle(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (CDS_Grid* g = Lookup(g_Grids, argc, args)) g->Shuffle();
}

// The functions every family shares; a grid has its own create, clear and dimensions.
template <typename T, CTable<T>& Table>
void ImplementFamily(const char* prefix) {
  using F = Family<T, Table>;
  std::string p(prefix);
  if constexpr (!std::is_same_v<T, CDS_Grid>) {
    ImplementFunction((p + "create").c_str(), F::Create);
    ImplementFunction((p + "clear").c_str(), F::Clear);
    ImplementFunction((p + "size").c_str(), F::Size);
    SetDirectRoutine((p + "size").c_str(), F::DirectSize);
    ImplementFunction((p + "empty").c_str(), F::Empty);
  }
  ImplementFunction((p + "destroy").c_str(), F::Destroy);
  ImplementFunction((p + "copy").c_str(), F::Copy);
  ImplementFunction((p + "write").c_str(), F::Write);
  ImplementFunction((p + "read").c_str(), F::Read);
}

}  // namespace

void DataStructures_FreeAll() {
  g_Stacks.Clear();
  g_Queues.Clear();
  g_Lists.Clear();
  g_Maps.Clear();
  g_Priorities.Clear();
  g_Grids.Clear();
}

CDS_Map* DataStructures_Map(int index) { return g_Maps.Get(index); }
CDS_List* DataStructures_List(int index) { return g_Lists.Get(index); }
int DataStructures_NewMap() { return g_Maps.Add(std::make_unique<CDS_Map>()); }
void DataStructures_FreeMap(int index) {
  if (g_Maps.Get(index) != nullptr) g_Maps.Remove(index);
}
int DataStructures_NewList() { return g_Lists.Add(std::make_unique<CDS_List>()); }

void Function_DataStructure_Implement() {
  ImplementFunction("ds_set_precision", F_SetPrecision);

  ImplementFamily<CDS_Stack, g_Stacks>("ds_stack_");
  ImplementFunction("ds_stack_push", F_StackPush);
  ImplementFunction("ds_stack_pop", F_StackPop);
  ImplementFunction("ds_stack_top", F_StackTop);

  ImplementFamily<CDS_Queue, g_Queues>("ds_queue_");
  ImplementFunction("ds_queue_enqueue", F_QueueEnqueue);
  ImplementFunction("ds_queue_dequeue", F_QueueDequeue);
  ImplementFunction("ds_queue_head", F_QueueHead);
  ImplementFunction("ds_queue_tail", F_QueueTail);

  ImplementFamily<CDS_List, g_Lists>("ds_list_");
  ImplementFunction("ds_list_add", F_ListAdd);
  ImplementFunction("ds_list_insert", F_ListInsert);
  ImplementFunction("ds_list_replace", F_ListReplace);
  ImplementFunction("ds_list_delete", F_ListDelete);
  ImplementFunction("ds_list_find_index", F_ListFindIndex);
  ImplementFunction("ds_list_find_value", F_ListFindValue);
  ImplementFunction("ds_list_sort", F_ListSort);
  ImplementFunction("ds_list_shuffle", F_ListShuffle);

  ImplementFamily<CDS_Map, g_Maps>("ds_map_");
  ImplementFunction("ds_map_add", F_MapAdd);
  ImplementFunction("ds_map_replace", F_MapReplace);
  ImplementFunction("ds_map_delete", F_MapDelete);
  ImplementFunction("ds_map_exists", F_MapExists);
  ImplementFunction("ds_map_find_value", F_MapFindValue);
  ImplementFunction("ds_map_find_previous", F_MapFindPrevious);
  ImplementFunction("ds_map_find_next", F_MapFindNext);
  ImplementFunction("ds_map_find_first", F_MapFindFirst);
  ImplementFunction("ds_map_find_last", F_MapFindLast);

  ImplementFamily<CDS_Priority, g_Priorities>("ds_priority_");
  ImplementFunction("ds_priority_add", F_PriorityAdd);
  ImplementFunction("ds_priority_change_priority", F_PriorityChange);
  ImplementFunction("ds_priority_find_priority", F_PriorityFind);
  ImplementFunction("ds_priority_delete_value", F_PriorityDeleteValue);
  ImplementFunction("ds_priority_delete_min", F_PriorityExtreme<false, true>);
  ImplementFunction("ds_priority_find_min", F_PriorityExtreme<false, false>);
  ImplementFunction("ds_priority_delete_max", F_PriorityExtreme<true, true>);
  ImplementFunction("ds_priority_find_max", F_PriorityExtreme<true, false>);

  ImplementFamily<CDS_Grid, g_Grids>("ds_grid_");
  ImplementFunction("ds_grid_create", F_GridCreate);
  ImplementFunction("ds_grid_resize", F_GridResize);
  ImplementFunction("ds_grid_width", F_GridWidth);
  ImplementFunction("ds_grid_height", F_GridHeight);
  ImplementFunction("ds_grid_clear", F_GridClear);
  ImplementFunction("ds_grid_set", F_GridCell<CDS_Grid::Op::Set>);
  ImplementFunction("ds_grid_add", F_GridCell<CDS_Grid::Op::Add>);
  ImplementFunction("ds_grid_multiply", F_GridCell<CDS_Grid::Op::Multiply>);
  ImplementFunction("ds_grid_set_region", F_GridRegion<CDS_Grid::Op::Set>);
  ImplementFunction("ds_grid_add_region", F_GridRegion<CDS_Grid::Op::Add>);
  ImplementFunction("ds_grid_multiply_region", F_GridRegion<CDS_Grid::Op::Multiply>);
  ImplementFunction("ds_grid_set_disk", F_GridDisk<CDS_Grid::Op::Set>);
  ImplementFunction("ds_grid_add_disk", F_GridDisk<CDS_Grid::Op::Add>);
  ImplementFunction("ds_grid_multiply_disk", F_GridDisk<CDS_Grid::Op::Multiply>);
  ImplementFunction("ds_grid_set_grid_region", F_GridGridRegion<CDS_Grid::Op::Set>);
  ImplementFunction("ds_grid_add_grid_region", F_GridGridRegion<CDS_Grid::Op::Add>);
  ImplementFunction("ds_grid_multiply_grid_region", F_GridGridRegion<CDS_Grid::Op::Multiply>);
  ImplementFunction("ds_grid_get", F_GridGet);
  ImplementFunction("ds_grid_get_sum", F_GridRegionStat<Stat::Sum>);
  ImplementFunction("ds_grid_get_max", F_GridRegionStat<Stat::Max>);
  ImplementFunction("ds_grid_get_min", F_GridRegionStat<Stat::Min>);
  ImplementFunction("ds_grid_get_mean", F_GridRegionStat<Stat::Mean>);
  ImplementFunction("ds_grid_get_disk_sum", F_GridDiskStat<Stat::Sum>);
  ImplementFunction("ds_grid_get_disk_max", F_GridDiskStat<Stat::Max>);
  ImplementFunction("ds_grid_get_disk_min", F_GridDiskStat<Stat::Min>);
  ImplementFunction("ds_grid_get_disk_mean", F_GridDiskStat<Stat::Mean>);
  ImplementFunction("ds_grid_value_exists", F_GridValue<Found::Exists>);
  ImplementFunction("ds_grid_value_x", F_GridValue<Found::X>);
  ImplementFunction("ds_grid_value_y", F_GridValue<Found::Y>);
  ImplementFunction("ds_grid_value_disk_exists", F_GridValueDisk<Found::Exists>);
  ImplementFunction("ds_grid_value_disk_x", F_GridValueDisk<Found::X>);
  ImplementFunction("ds_grid_value_disk_y", F_GridValueDisk<Found::Y>);
  ImplementFunction("ds_grid_shuffle", F_GridShuffle);

  // Direct forms (after the routines: binding a routine drops its direct form).
  SetDirectRoutine("ds_list_add", D_ListAdd);
  SetDirectRoutine("ds_list_find_value", D_ListFindValue);
  SetDirectRoutine("ds_map_add", D_MapAdd);
  SetDirectRoutine("ds_map_replace", D_MapReplace);
  SetDirectRoutine("ds_map_exists", D_MapExists);
  SetDirectRoutine("ds_map_find_value", D_MapFindValue);
  SetDirectRoutine("ds_grid_get", D_GridGet);
  SetDirectRoutine("ds_grid_width", D_GridSide<true>);
  SetDirectRoutine("ds_grid_height", D_GridSide<false>);
  SetDirectRoutine("ds_grid_set", D_GridCell<CDS_Grid::Op::Set>);
  SetDirectRoutine("ds_grid_add", D_GridCell<CDS_Grid::Op::Add>);
  SetDirectRoutine("ds_grid_multiply", D_GridCell<CDS_Grid::Op::Multiply>);
}
