#include "Graphics/Graphics_Model.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Graphics/Graphics_3DDraw.h"
#include "Graphics/Graphics_DrawState.h"

namespace {

std::vector<CModel> g_models;

// Reads one whole line starting at `at`; false at the end of the text.
bool NextLine(const std::string& text, size_t& at, std::string& line) {
  if (at >= text.size()) return false;
  size_t end = text.find('\n', at);
  if (end == std::string::npos) end = text.size();
  line.assign(text, at, end - at);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  at = end + 1;
  return true;
}

bool OnlySpace(const char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return *p == '\0';
}

// A whole integer line.
bool ParseInteger(const std::string& line, int64_t& value) {
  const char* p = line.c_str();
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(p, &end, 10);
  return end != p && errno == 0 && OnlySpace(end);
}

// "type r1 ... r10": an integer and ten finite reals, nothing else.
bool ParseCommand(const std::string& line, ModelCommand& c) {
  int64_t type = 0;
  const char* p = line.c_str();
  char* end = nullptr;
  errno = 0;
  type = std::strtoll(p, &end, 10);
  if (end == p || errno != 0) return false;
  if (type < 0 || type >= kModelCommandTypes) return false;
  c.type = int32_t(type);
  for (double& a : c.args) {
    p = end;
    a = std::strtod(p, &end);
    if (end == p || !std::isfinite(a)) return false;
  }
  return OnlySpace(end);
}

}  // namespace

int32_t Model_Create() {
  for (size_t i = 0; i < g_models.size(); ++i) {
    if (!g_models[i].exists) {
      g_models[i] = CModel{};
      return int32_t(i);
    }
  }
  g_models.emplace_back();
  return int32_t(g_models.size() - 1);
}

void Model_Destroy(int32_t index) {
  if (CModel* m = Model_Get(index)) {
    m->exists = false;
    m->commands = {};
  }
}

void Model_DestroyAll() { g_models.clear(); }

CModel* Model_Get(int32_t index) {
  if (index < 0 || size_t(index) >= g_models.size() || !g_models[size_t(index)].exists) return nullptr;
  return &g_models[size_t(index)];
}

void Model_Add(CModel& model, int32_t type, const double* args, int count) {
  if (model.commands.capacity() == 0) model.commands.reserve(16);
  ModelCommand c;
  c.type = type;
  for (int i = 0; i < count && i < 10; ++i) c.args[i] = args[i];
  model.commands.push_back(c);
}

std::string Model_ToText(const CModel& model) {
  std::string out = "100\n" + std::to_string(model.commands.size()) + "\n";
  // Room for the widest double in fixed notation (about 310 digits), so no number is cut short.
  char buffer[352];
  for (const ModelCommand& c : model.commands) {
    out += std::to_string(c.type);
    for (double a : c.args) {
      std::snprintf(buffer, sizeof buffer, " %10.4f", a);
      out += buffer;
    }
    out += "\n";
  }
  return out;
}

bool Model_FromText(const std::string& text, std::vector<ModelCommand>& out, std::string& error) {
  size_t at = 0;
  std::string line;
  int64_t version = 0, count = 0;
  if (!NextLine(text, at, line) || !ParseInteger(line, version) || version != 100) {
    error = "not a model file (the first line is not 100)";
    return false;
  }
  if (!NextLine(text, at, line) || !ParseInteger(line, count) || count < 0 || count > kModelMaxCommands) {
    error = "bad number of commands";
    return false;
  }
  std::vector<ModelCommand> commands;
  commands.reserve(size_t(std::min<int64_t>(count, 1 << 16)));
  for (int64_t i = 0; i < count; ++i) {
    if (!NextLine(text, at, line)) {
      error = "the file ends after " + std::to_string(i) + " of " + std::to_string(count) + " commands";
      return false;
    }
    ModelCommand c;
    if (!ParseCommand(line, c)) {
      error = "bad command on line " + std::to_string(i + 3);
      return false;
    }
    commands.push_back(c);
  }
  while (NextLine(text, at, line)) {
    if (!OnlySpace(line.c_str())) {
      error = "more lines than the " + std::to_string(count) + " commands";
      return false;
    }
  }
  out.swap(commands);
  return true;
}

void Model_Draw(const CModel& model, float x, float y, float z, int texture) {
  const int32_t colour = g_DrawState.colour;
  const double alpha = g_DrawState.alpha;
  for (const ModelCommand& c : model.commands) {
    const double* a = c.args;
    auto f = [&](int i) { return float(a[i]); };
    if (c.type >= 2 && c.type <= 9) {
      D3DVertex v;
      v.x = f(0) + x;
      v.y = f(1) + y;
      v.z = f(2) + z;
      v.colour = colour;
      v.alpha = alpha;
      int next = 3;
      const bool normal = c.type >= 6, textured = c.type == 4 || c.type == 5 || c.type == 8 || c.type == 9;
      const bool coloured = c.type == 3 || c.type == 5 || c.type == 7 || c.type == 9;
      if (normal) v.nx = f(next), v.ny = f(next + 1), v.nz = f(next + 2), next += 3;
      if (textured) v.u = f(next), v.v = f(next + 1), next += 2;
      if (coloured) v.colour = int32_t(std::llround(a[next])), v.alpha = a[next + 1];
      D3D_PrimitiveVertex(v);
      continue;
    }
    switch (c.type) {
      case 0: D3D_PrimitiveBegin(int(std::lround(a[0])), texture); break;
      case 1: D3D_PrimitiveEnd(); break;
      case 10: D3D_DrawBlock(f(0) + x, f(1) + y, f(2) + z, f(3) + x, f(4) + y, f(5) + z, texture, f(6), f(7)); break;
      case 11:
        D3D_DrawCylinder(f(0) + x, f(1) + y, f(2) + z, f(3) + x, f(4) + y, f(5) + z, texture, f(6), f(7), a[8] >= 0.5,
                         int(std::lround(a[9])));
        break;
      case 12:
        D3D_DrawCone(f(0) + x, f(1) + y, f(2) + z, f(3) + x, f(4) + y, f(5) + z, texture, f(6), f(7), a[8] >= 0.5,
                     int(std::lround(a[9])));
        break;
      case 13:
        D3D_DrawEllipsoid(f(0) + x, f(1) + y, f(2) + z, f(3) + x, f(4) + y, f(5) + z, texture, f(6), f(7),
                          int(std::lround(a[8])));
        break;
      case 14: D3D_DrawWall(f(0) + x, f(1) + y, f(2) + z, f(3) + x, f(4) + y, f(5) + z, texture, f(6), f(7)); break;
      case 15: D3D_DrawFloor(f(0) + x, f(1) + y, f(2) + z, f(3) + x, f(4) + y, f(5) + z, texture, f(6), f(7)); break;
      default: break;
    }
  }
  D3D_PrimitiveEnd();  // a model whose primitive was left open draws it
}
