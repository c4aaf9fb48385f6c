// Motion planning: straight and steered steps, planned paths, and the planning grids.
#include "Code/Code_Error.h"
#include "Function/Function_Register.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Shape.h"
#include "Motion/Motion_Grid.h"
#include "Object/Object_Class.h"
#include "Motion/Motion_Planning.h"
#include "Path/Path_Main.h"
#include "Run/Run_Instance.h"
#include "Run/Run_World.h"
#include "Variable/Variable_Route.h"

namespace {

using Args = RValue*;

double Real(int argc, Args args, int i) { return FunctionArgument(argc, args, i).real; }
int Index(int argc, Args args, int i) { return FunctionArgumentIndex(FunctionArgument(argc, args, i)); }
bool Flag(int argc, Args args, int i) { return FunctionArgumentBool(FunctionArgument(argc, args, i)); }

// The fourth argument: checkall (the first form) or the object to avoid (the _object form).
template <bool kObject>
void Avoid(int argc, Args args, int at, int32_t& selector, bool& checkAll) {
  selector = kObject ? Index(argc, args, at) : SELECTOR_ALL;
  checkAll = kObject ? false : Flag(argc, args, at);
}

template <bool kObject, bool kPotential>
void F_Step(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  if (self == nullptr) return;
  int32_t selector;
  bool checkAll;
  Avoid<kObject>(argc, args, 3, selector, checkAll);
  const double x = Real(argc, args, 0), y = Real(argc, args, 1), step = Real(argc, args, 2);
  result.SetReal(kPotential ? Planning_PotentialStep(self, x, y, step, selector, checkAll)
                            : Planning_LinearStep(self, x, y, step, selector, checkAll));
}

// action_linear_step, action_potential_step: (x, y) relative when the relative flag is set.
template <bool kPotential>
void F_ActionStep(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  if (self == nullptr) return;
  double x = Real(argc, args, 0), y = Real(argc, args, 1);
  if (Action_Relative()) {
    x += self->x;
    y += self->y;
  }
  const double step = Real(argc, args, 2);
  const bool all = Flag(argc, args, 3);
  result.SetReal(kPotential ? Planning_PotentialStep(self, x, y, step, SELECTOR_ALL, all)
                            : Planning_LinearStep(self, x, y, step, SELECTOR_ALL, all));
}

// The path argument of the path-building functions; reports a missing one.
CPath* TargetPath(int argc, Args args) {
  CPath* path = Path_Get(Index(argc, args, 0));
  if (path == nullptr) ReportActionError("Trying to assign to a non-existing path.", false);
  return path;
}

template <bool kObject>
void F_LinearPath(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  CPath* path = TargetPath(argc, args);
  if (self == nullptr || path == nullptr) return;
  int32_t selector;
  bool checkAll;
  Avoid<kObject>(argc, args, 4, selector, checkAll);
  result.SetReal(Planning_LinearPath(self, path, Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3),
                                     selector, checkAll));
}

template <bool kObject>
void F_PotentialPath(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  CPath* path = TargetPath(argc, args);
  if (self == nullptr || path == nullptr) return;
  int32_t selector;
  bool checkAll;
  Avoid<kObject>(argc, args, 5, selector, checkAll);
  result.SetReal(Planning_PotentialPath(self, path, Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3),
                                        Real(argc, args, 4), selector, checkAll));
}

void F_PotentialSettings(RValue&, CInstance*, CInstance*, int argc, Args args) {
  PotentialSettings& s = Planning_Settings();
  auto atLeastOne = [](double v) { return v < 1 ? 1.0f : float(v); };
  s.maxRotation = atLeastOne(Real(argc, args, 0));
  s.rotationStep = atLeastOne(Real(argc, args, 1));
  s.ahead = atLeastOne(Real(argc, args, 2));
  s.onSpot = Flag(argc, args, 3);
}

void F_GridCreate(RValue& result, CInstance*, CInstance*, int argc, Args args) {
  const int32_t id = Grid_Create(Index(argc, args, 0), Index(argc, args, 1), Index(argc, args, 2), Index(argc, args, 3),
                                 Index(argc, args, 4), Index(argc, args, 5));
  if (id < 0) {
    ReportActionErrorF(false, "mp_grid_create: the cell counts and sizes must be positive and the grid at most %lld cells",
                       static_cast<long long>(kGridMaxCells));
  }
  result.SetReal(id);
}

CGrid* GridArg(int argc, Args args) { return Grid_Get(Index(argc, args, 0)); }

void F_GridDestroy(RValue&, CInstance*, CInstance*, int argc, Args args) { Grid_Destroy(Index(argc, args, 0)); }

void F_GridClearAll(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CGrid* g = GridArg(argc, args)) g->ClearAll();
}

template <int32_t kValue>
void F_GridCell(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CGrid* g = GridArg(argc, args)) g->SetCell(Index(argc, args, 1), Index(argc, args, 2), kValue);
}

template <int32_t kValue>
void F_GridRectangle(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CGrid* g = GridArg(argc, args)) {
    g->SetRectangle(Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3), Real(argc, args, 4), kValue);
  }
}

void F_GridAddInstances(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  CGrid* g = GridArg(argc, args);
  if (g == nullptr) return;
  const bool precise = Flag(argc, args, 2);
  int32_t selector = Index(argc, args, 1);
  if (selector == SELECTOR_SELF || selector == SELECTOR_OTHER) {
    CInstance* i = selector == SELECTOR_SELF ? self : other;
    if (i != nullptr && !i->marked) g->AddInstance(i, precise);
    return;
  }
  if (selector >= 100000) {
    CInstance* i = World_Find(selector);
    if (i != nullptr && !i->marked) g->AddInstance(i, precise);
    return;
  }
  std::vector<CInstance*> list;
  if (selector == SELECTOR_ALL) {
    World_CopyActive(list);
  } else if (const CObject* o = selector >= 0 ? Object_Find(selector) : nullptr) {
    list = o->instancesRecursive;
  }
  for (CInstance* i : list) {
    if (!i->marked) g->AddInstance(i, precise);
  }
}

void F_GridPath(RValue& result, CInstance*, CInstance*, int argc, Args args) {
  result.SetReal(0);
  CGrid* g = GridArg(argc, args);
  if (g == nullptr) return;
  CPath* path = Path_Get(Index(argc, args, 1));
  if (path == nullptr) {
    ReportActionError("Trying to assign to a non-existing path.", false);
    return;
  }
  result.SetReal(g->FindPath(path, Index(argc, args, 2), Index(argc, args, 3), Index(argc, args, 4), Index(argc, args, 5),
                             Flag(argc, args, 6)));
}

// Each cell's rectangle filled red when forbidden, green otherwise, at the current alpha.
void F_GridDraw(RValue&, CInstance*, CInstance*, int argc, Args args) {
  CGrid* g = GridArg(argc, args);
  if (g == nullptr) return;
  const uint32_t forbidden = GR_Colour(0x0000FF, g_DrawState.alpha), free = GR_Colour(0x008000, g_DrawState.alpha);
  for (int32_t i = 0; i < g->hcells; ++i) {
    for (int32_t j = 0; j < g->vcells; ++j) {
      const uint32_t c = g->Cell(i, j) == -1 ? forbidden : free;
      const uint32_t corners[4] = {c, c, c, c};
      const float x = float(double(g->left) + double(i) * g->cellWidth), y = float(double(g->top) + double(j) * g->cellHeight);
      Shape_Rectangle(x, y, x + float(g->cellWidth), y + float(g->cellHeight), corners, false);
    }
  }
}

}  // namespace

void Function_MotionPlanning_Bind() {
  ImplementFunction("mp_grid_draw", F_GridDraw);
  ImplementFunction("mp_linear_step", F_Step<false, false>);
  ImplementFunction("mp_linear_step_object", F_Step<true, false>);
  ImplementFunction("mp_potential_step", F_Step<false, true>);
  ImplementFunction("mp_potential_step_object", F_Step<true, true>);
  ImplementFunction("action_linear_step", F_ActionStep<false>);
  ImplementFunction("action_potential_step", F_ActionStep<true>);
  ImplementFunction("mp_potential_settings", F_PotentialSettings);
  ImplementFunction("mp_linear_path", F_LinearPath<false>);
  ImplementFunction("mp_linear_path_object", F_LinearPath<true>);
  ImplementFunction("mp_potential_path", F_PotentialPath<false>);
  ImplementFunction("mp_potential_path_object", F_PotentialPath<true>);
  ImplementFunction("mp_grid_create", F_GridCreate);
  ImplementFunction("mp_grid_destroy", F_GridDestroy);
  ImplementFunction("mp_grid_clear_all", F_GridClearAll);
  ImplementFunction("mp_grid_clear_cell", F_GridCell<0>);
  ImplementFunction("mp_grid_add_cell", F_GridCell<-1>);
  ImplementFunction("mp_grid_clear_rectangle", F_GridRectangle<0>);
  ImplementFunction("mp_grid_add_rectangle", F_GridRectangle<-1>);
  ImplementFunction("mp_grid_add_instances", F_GridAddInstances);
  ImplementFunction("mp_grid_path", F_GridPath);
}
