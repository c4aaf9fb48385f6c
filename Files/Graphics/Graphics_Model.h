// The model store: models are ordered lists of drawing commands, drawn by replaying them, saved and
// loaded as text.
//
// The text form, one item a line: "100" (the version), the number of commands N, then N lines of
// the command type and ten reals, each written " %10.4f". Command types: 0 primitive begin (kind),
// 1 primitive end, 2..9 the vertex forms (plain, colour, texture, texture and colour, normal, normal
// and colour, normal and texture, normal texture and colour), 10 block, 11 cylinder, 12 cone,
// 13 ellipsoid, 14 wall, 15 floor; the reals are the drawing function's arguments in order (without
// the texture of the solids), the rest 0.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kModelCommandTypes = 16;
// The most commands a model file may declare.
inline constexpr int64_t kModelMaxCommands = 10000000;

struct ModelCommand {
  int32_t type = 0;
  double args[10] = {};
};

struct CModel {
  bool exists = true;
  std::vector<ModelCommand> commands;
};

int32_t Model_Create();
void Model_Destroy(int32_t index);
void Model_DestroyAll();
CModel* Model_Get(int32_t index);

// Appends a command (the arguments past `count` are 0).
void Model_Add(CModel& model, int32_t type, const double* args, int count);

std::string Model_ToText(const CModel& model);
// Reads the text form into `out`; false with `error` set (and `out` untouched) when the text is not
// a model: another version, a count that is negative, too large or not the number of command lines,
// an unknown command type, or a line with missing or malformed numbers.
bool Model_FromText(const std::string& text, std::vector<ModelCommand>& out, std::string& error);

// Draws the model's commands moved by (x, y, z), with `texture` (a texture id or -1).
void Model_Draw(const CModel& model, float x, float y, float z, int texture);
