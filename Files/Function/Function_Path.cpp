// Paths: queries, creation and editing, following a path, and the path actions.
#include <algorithm>
#include <cmath>

#include "Code/Code_Error.h"
#include "Function/Function_Register.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Primitive.h"
#include "Path/Path_Class.h"
#include "Path/Path_Main.h"
#include "Run/Run_Instance.h"

namespace {

using Args = RValue*;

double Real(int argc, Args args, int i) { return FunctionArgument(argc, args, i).real; }
float Float(int argc, Args args, int i) { return float(Real(argc, args, i)); }
int Index(int argc, Args args, int i) { return FunctionArgumentIndex(FunctionArgument(argc, args, i)); }
bool Flag(int argc, Args args, int i) { return FunctionArgumentBool(FunctionArgument(argc, args, i)); }
CPath* PathArg(int argc, Args args) { return Path_Get(Index(argc, args, 0)); }

void F_PathStart(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self == nullptr) return;
  Path_Start(self, Index(argc, args, 0), Float(argc, args, 1), 1, 0, !Flag(argc, args, 3), Index(argc, args, 2));
}

void F_PathEnd(RValue&, CInstance* self, CInstance*, int, Args) {
  if (self != nullptr) Path_Start(self, -1, 0, 1, 0, false, 0);
}

void F_PathExists(RValue& result, CInstance*, CInstance*, int argc, Args args) {
  result.SetReal(PathArg(argc, args) != nullptr);
}

void F_PathGetName(RValue& result, CInstance*, CInstance*, int argc, Args args) {
  result.SetString(Path_Name(Index(argc, args, 0)));
}

// A getter of the path's own values; -1 for a missing path.
template <double (*kGet)(const CPath&)>
void F_PathGet(RValue& result, CInstance*, CInstance*, int argc, Args args) {
  const CPath* p = PathArg(argc, args);
  result.SetReal(p != nullptr ? kGet(*p) : -1);
}
double GetLength(const CPath& p) { return p.Length(); }
double GetKind(const CPath& p) { return p.Kind(); }
double GetClosed(const CPath& p) { return p.Closed() ? 1 : 0; }
double GetPrecision(const CPath& p) { return p.Precision(); }
double GetNumber(const CPath& p) { return double(p.Points().size()); }

// Control point n: x, y (0 outside the points) or speed (1 outside).
template <int kPart>
void F_PathGetPoint(RValue& result, CInstance*, CInstance*, int argc, Args args) {
  const CPath* p = PathArg(argc, args);
  if (p == nullptr) {
    result.SetReal(-1);
    return;
  }
  const int n = Index(argc, args, 1);
  if (n < 0 || size_t(n) >= p->Points().size()) {
    result.SetReal(kPart == 2 ? 1 : 0);
    return;
  }
  const PathPoint& pt = p->Points()[size_t(n)];
  result.SetReal(kPart == 0 ? pt.x : (kPart == 1 ? pt.y : pt.speed));
}

// The point at t: x, y or speed.
template <int kPart>
void F_PathGetAt(RValue& result, CInstance*, CInstance*, int argc, Args args) {
  const CPath* p = PathArg(argc, args);
  if (p == nullptr) {
    result.SetReal(-1);
    return;
  }
  const PathPoint pt = p->At(Real(argc, args, 1));
  result.SetReal(kPart == 0 ? pt.x : (kPart == 1 ? pt.y : pt.speed));
}

void F_PathSetKind(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CPath* p = PathArg(argc, args)) {
    const int kind = Index(argc, args, 1);
    p->SetKind(kind == 0 || kind == 1 ? kind : 0);
  }
}

void F_PathSetClosed(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CPath* p = PathArg(argc, args)) p->SetClosed(Flag(argc, args, 1));
}

void F_PathSetPrecision(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CPath* p = PathArg(argc, args)) p->SetPrecision(std::clamp(Index(argc, args, 1), 0, 8));
}

void F_PathAdd(RValue& result, CInstance*, CInstance*, int, Args) { result.SetReal(Path_Add()); }

void F_PathDuplicate(RValue& result, CInstance*, CInstance*, int argc, Args args) {
  const CPath* p = PathArg(argc, args);
  if (p == nullptr) {
    ReportActionError("Trying to duplicate non-existing path.", false);
    result.SetReal(0);
    return;
  }
  const int32_t copy = Path_Add();
  Path_Get(copy)->CopyFrom(*p);
  result.SetReal(copy);
}

void F_PathAssign(RValue& result, CInstance*, CInstance*, int argc, Args args) {
  const int32_t target = Index(argc, args, 0), source = Index(argc, args, 1);
  result.SetReal(0);
  const CPath* from = Path_Get(source);
  if (from == nullptr || target < 0 || target >= Path_Count()) {
    ReportActionError("Error assigning a path.", false);
    return;
  }
  if (target == source) {
    ReportActionError("ERROR: Can not assign a path to itself!", false);
    ReportActionError("Error assigning a path.", false);
    return;
  }
  if (!Path_Exists(target)) Path_Set(target, new CPath(), "__newpath" + std::to_string(target));
  Path_Get(target)->CopyFrom(*from);
  result.SetReal(1);
}

void F_PathAppend(RValue&, CInstance*, CInstance*, int argc, Args args) {
  CPath* p = PathArg(argc, args);
  const CPath* other = Path_Get(Index(argc, args, 1));
  if (p == nullptr) {
    ReportActionError("Appending to non-existing path.", false);
  } else if (other == nullptr) {
    ReportActionError("Appending a non-existing path.", false);
  } else {
    p->Append(*other);
  }
}

void F_PathDelete(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (!Path_Delete(Index(argc, args, 0))) ReportActionError("Trying to delete non-existing path.", false);
}

void F_PathAddPoint(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CPath* p = PathArg(argc, args)) {
    p->Insert(int32_t(p->Points().size()), Float(argc, args, 1), Float(argc, args, 2), Float(argc, args, 3));
  }
}

void F_PathInsertPoint(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CPath* p = PathArg(argc, args)) {
    p->Insert(Index(argc, args, 1), Float(argc, args, 2), Float(argc, args, 3), Float(argc, args, 4));
  }
}

void F_PathChangePoint(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CPath* p = PathArg(argc, args)) {
    p->Change(Index(argc, args, 1), Float(argc, args, 2), Float(argc, args, 3), Float(argc, args, 4));
  }
}

void F_PathDeletePoint(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CPath* p = PathArg(argc, args)) p->Delete(Index(argc, args, 1));
}

template <void (CPath::*kEdit)()>
void F_PathEdit(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CPath* p = PathArg(argc, args)) (p->*kEdit)();
}

void F_PathRotate(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CPath* p = PathArg(argc, args)) p->Rotate(Float(argc, args, 1));
}

void F_PathScale(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CPath* p = PathArg(argc, args)) p->Scale(Float(argc, args, 1), Float(argc, args, 2));
}

void F_PathShift(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CPath* p = PathArg(argc, args)) p->Shift(Float(argc, args, 1), Float(argc, args, 2));
}

void F_ActionPathPosition(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self == nullptr) return;
  const float v = Float(argc, args, 0);
  self->SetPathPosition(Action_Relative() ? self->path_position + v : v);
}

void F_ActionPathSpeed(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self == nullptr) return;
  const float v = Float(argc, args, 0);
  self->path_speed = Action_Relative() ? self->path_speed + v : v;
}

// The path as one line strip (several when it has more points than a primitive list holds), at
// (x, y) or where it lies, in the current colour and alpha.
void F_DrawPath(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const CPath* p = PathArg(argc, args);
  if (p == nullptr) {
    ReportActionError("Trying to drawn non-existing path.", false);
    return;
  }
  float dx = 0, dy = 0;
  if (!Flag(argc, args, 3)) {
    const PathPoint start = p->At(0);
    dx = Float(argc, args, 1) - start.x;
    dy = Float(argc, args, 2) - start.y;
  }
  const double steps = std::nearbyint(double(p->Length()) * 0.25);
  if (!(steps >= 1) || steps > 1e7) return;
  const int n = int(steps);
  const uint32_t colour = GR_Colour(g_DrawState.colour, g_DrawState.alpha);
  for (int first = 0; first < n; first += kPrimitiveMaxVertices - 1) {
    const int last = std::min(n, first + kPrimitiveMaxVertices - 1);
    Primitive_Begin(3, -1, nullptr);
    for (int i = first; i <= last; ++i) {
      const PathPoint at = p->At(double(i) / n);
      Primitive_Vertex(at.x + dx, at.y + dy, 0, 0, colour);
    }
    Primitive_End();
  }
}

}  // namespace

void Function_Path_Bind() {
  ImplementFunction("draw_path", F_DrawPath);
  ImplementFunction("path_start", F_PathStart);
  ImplementFunction("action_path", F_PathStart);
  ImplementFunction("path_end", F_PathEnd);
  ImplementFunction("action_path_end", F_PathEnd);
  ImplementFunction("action_path_position", F_ActionPathPosition);
  ImplementFunction("action_path_speed", F_ActionPathSpeed);
  ImplementFunction("path_exists", F_PathExists);
  ImplementFunction("path_get_name", F_PathGetName);
  ImplementFunction("path_name", F_PathGetName);
  ImplementFunction("path_get_length", F_PathGet<GetLength>);
  ImplementFunction("path_get_kind", F_PathGet<GetKind>);
  ImplementFunction("path_get_closed", F_PathGet<GetClosed>);
  ImplementFunction("path_get_precision", F_PathGet<GetPrecision>);
  ImplementFunction("path_get_number", F_PathGet<GetNumber>);
  ImplementFunction("path_get_point_x", F_PathGetPoint<0>);
  ImplementFunction("path_get_point_y", F_PathGetPoint<1>);
  ImplementFunction("path_get_point_speed", F_PathGetPoint<2>);
  ImplementFunction("path_get_x", F_PathGetAt<0>);
  ImplementFunction("path_get_y", F_PathGetAt<1>);
  ImplementFunction("path_get_speed", F_PathGetAt<2>);
  ImplementFunction("path_set_kind", F_PathSetKind);
  ImplementFunction("path_set_closed", F_PathSetClosed);
  ImplementFunction("path_set_precision", F_PathSetPrecision);
  ImplementFunction("path_add", F_PathAdd);
  ImplementFunction("path_duplicate", F_PathDuplicate);
  ImplementFunction("path_assign", F_PathAssign);
  ImplementFunction("path_append", F_PathAppend);
  ImplementFunction("path_delete", F_PathDelete);
  ImplementFunction("path_add_point", F_PathAddPoint);
  ImplementFunction("path_insert_point", F_PathInsertPoint);
  ImplementFunction("path_change_point", F_PathChangePoint);
  ImplementFunction("path_delete_point", F_PathDeletePoint);
  ImplementFunction("path_clear_points", F_PathEdit<&CPath::Clear>);
  ImplementFunction("path_reverse", F_PathEdit<&CPath::Reverse>);
  ImplementFunction("path_mirror", F_PathEdit<&CPath::Mirror>);
  ImplementFunction("path_flip", F_PathEdit<&CPath::Flip>);
  ImplementFunction("path_rotate", F_PathRotate);
  ImplementFunction("path_scale", F_PathScale);
  ImplementFunction("path_shift", F_PathShift);
}
