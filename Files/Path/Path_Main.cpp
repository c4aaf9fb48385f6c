#include "Path/Path_Main.h"

#include <cmath>
#include <memory>
#include <vector>

#include "DataFile/DataFile_Container.h"
#include "DataFile/DataFile_View.h"
#include "Path/Path_Class.h"
#include "Run/Run_Instance.h"

namespace {

constexpr float kPi = 3.1415927f;

std::vector<std::unique_ptr<CPath>> g_paths;
std::vector<std::string> g_names;

}  // namespace

int32_t Path_Count() { return int32_t(g_paths.size()); }

CPath* Path_Get(int32_t index) {
  return index >= 0 && size_t(index) < g_paths.size() ? g_paths[size_t(index)].get() : nullptr;
}

bool Path_Exists(int32_t index) { return Path_Get(index) != nullptr; }

const char* Path_Name(int32_t index) { return Path_Exists(index) ? g_names[size_t(index)].c_str() : "<undefined>"; }

int32_t Path_Find(const char* name) {
  for (size_t i = 0; i < g_paths.size(); ++i) {
    if (g_paths[i] != nullptr && g_names[i] == name) return int32_t(i);
  }
  return -1;
}

void Path_Set(int32_t index, CPath* path, const std::string& name) {
  if (index < 0) {
    delete path;
    return;
  }
  if (size_t(index) >= g_paths.size()) {
    g_paths.resize(size_t(index) + 1);
    g_names.resize(size_t(index) + 1);
  }
  g_paths[size_t(index)].reset(path);
  g_names[size_t(index)] = path != nullptr ? name : std::string();
}

int32_t Path_Add() {
  const int32_t index = Path_Count();
  Path_Set(index, new CPath(), "__newpath" + std::to_string(index));
  return index;
}

bool Path_Delete(int32_t index) {
  if (!Path_Exists(index)) return false;
  Path_Set(index, nullptr, "");
  return true;
}

void Path_FreeAll() {
  g_paths.clear();
  g_names.clear();
}

void Path_LoadPATH(const DataView& view, const ChunkInfo& chunk) {
  Path_FreeAll();
  const ListView list = view.list(chunk.body, "PATH list");
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint32_t at = list.entry(i);
    if (at == 0) {
      Path_Set(int32_t(i), nullptr, "");
      continue;
    }
    const char* name = view.stringAt(at, "path name");
    auto path = std::make_unique<CPath>();
    const uint32_t count = view.u32(uint64_t(at) + 16, "path point count");
    view.require(uint64_t(at) + 20, uint64_t(count) * 12, "path points");
    std::vector<PathPoint> points(count);
    for (uint32_t p = 0; p < count; ++p) {
      const uint64_t pt = uint64_t(at) + 20 + uint64_t(p) * 12;
      points[p] = {view.f32(pt, "path point x"), view.f32(pt + 4, "path point y"), view.f32(pt + 8, "path point speed")};
    }
    path->SetKind(int32_t(view.u32(uint64_t(at) + 4, "path kind")));
    path->SetClosed(view.u32(uint64_t(at) + 8, "path closed") != 0);
    path->SetPrecision(int32_t(std::min<uint32_t>(view.u32(uint64_t(at) + 12, "path precision"), 8)));
    path->SetPoints(std::move(points));
    Path_Set(int32_t(i), path.release(), name != nullptr ? name : "");
  }
}

// ---- Following paths -----------------------------------------------------------------------------

void Path_Start(CInstance* i, int32_t path, float speed, float scale, float orientation, bool relative,
                int32_t endAction) {
  i->path_index = path;
  if (path < 0) return;
  const CPath* p = Path_Get(path);
  if (p == nullptr || !(p->Length() > 0)) {
    i->path_index = -1;
    return;
  }
  i->path_speed = speed;
  const float start = speed >= 0 ? 0.0f : 1.0f;
  i->path_position = start;
  i->path_positionprevious = start;
  i->path_scale = scale;
  if (scale < 0) {
    i->path_index = -1;
    return;
  }
  i->path_orientation = orientation;
  i->path_endaction = endAction;
  if (!relative) {
    const PathPoint at = p->At(start);
    i->SetPosition(at.x, at.y);
  }
  i->path_xstart = i->x;
  i->path_ystart = i->y;
}

bool Path_Step(CInstance* i) {
  if (i->path_index < 0) return false;
  const CPath* p = Path_Get(i->path_index);
  if (p == nullptr || !(p->Length() > 0)) return false;
  const float r = i->path_orientation * kPi / 180.0f;
  const float c = std::cos(r), s = std::sin(r);
  const PathPoint here = p->At(i->path_position);
  const float f = here.speed / (i->path_scale * 100);
  i->path_position += i->path_speed * f / p->Length();
  const PathPoint origin = p->At(0);
  bool ended = false;
  const bool atStart = i->path_position <= 0, atEnd = i->path_position >= 1;
  if (atStart || atEnd) {
    ended = true;
    switch (i->path_endaction) {
      case 1:
        i->path_position += atEnd ? -1.0f : 1.0f;
        break;
      case 2: {
        const PathPoint last = p->At(1);
        const float dx = last.x - origin.x, dy = last.y - origin.y;
        const float rx = (c * dx + s * dy) * i->path_scale, ry = (c * dy - s * dx) * i->path_scale;
        if (atEnd) {
          i->path_xstart += rx;
          i->path_ystart += ry;
          i->path_position -= 1;
        } else {
          i->path_xstart -= rx;
          i->path_ystart -= ry;
          i->path_position += 1;
        }
        break;
      }
      case 3:
        if (atEnd) {
          i->path_position = 2 - i->path_position;
          i->path_speed = -std::fabs(i->path_speed);
        } else {
          i->path_position = -i->path_position;
          i->path_speed = std::fabs(i->path_speed);
        }
        break;
      default:
        i->path_index = -1;
        i->path_position = 1;
        break;
    }
  }
  const PathPoint at = p->At(i->path_position);
  const float dx = at.x - origin.x, dy = at.y - origin.y;
  const float nx = (c * dx + s * dy) * i->path_scale + i->path_xstart;
  const float ny = (c * dy - s * dx) * i->path_scale + i->path_ystart;
  if (nx - i->x != i->hspeed) i->SetHspeed(nx - i->x);
  if (ny - i->y != i->vspeed) i->SetVspeed(ny - i->y);
  if (i->speed != 0) i->SetSpeed(0);
  i->SetPosition(nx, ny);
  return ended;
}
