// What the drag-and-drop actions share: calling the built-in functions and variables they stand
// for, the relative flag, and the comparisons of the "if" actions.
#pragma once
#include <cstdint>
#include <initializer_list>

#include "Function/Function_Arguments.h"

class CInstance;

namespace Action {

// Calls the built-in function `name` with self and other and returns its result. Errors are the
// called function's own (reported with the running action's frame).
RValue Call(const char* name, CInstance* self, CInstance* other, std::initializer_list<RValue> args);

// Reads or writes a built-in variable through its own rules (rounding, events, checks); `index` is
// the array index (alarm). Instance variables need self; without it nothing happens (0 read).
RValue Get(CInstance* self, const char* variable, int32_t index = 0);
void Set(CInstance* self, const char* variable, const RValue& value, int32_t index = 0);
// Sets `variable` to argument `i`, or adds argument `i` to it while the relative flag is set.
void SetRel(CInstance* self, const char* variable, const FunctionArgs& a, int i, int32_t index = 0);

// Argument `i`, plus self's x (y) while the relative flag is set.
double RelX(CInstance* self, const FunctionArgs& a, int i);
double RelY(CInstance* self, const FunctionArgs& a, int i);

// The comparison of the "if" actions: 0 equal to, 1 smaller than, 2 larger than. A real with a
// real (within the runner's comparison tolerance), a string with a string (byte order); anything
// else does not hold.
bool Compare(const RValue& value, const RValue& with, int32_t operation);

// The bound routines' result for the action blocks: 1 when `holds`, else 0.
inline void Truth(RValue& result, bool holds) { result.SetReal(holds ? 1.0 : 0.0); }

}  // namespace Action

// The binders of the action files, run by Function_Action_Bind.
void Function_ActionGame_Bind();      // Function_ActionGame.cpp: sprite, sound, alarms, score, questions
void Function_ActionDraw_Bind();      // Function_ActionDraw.cpp: drawing and draw settings
void Function_ActionParticle_Bind();  // Function_ActionParticle.cpp: the action particle system
// Forgets the action particle system, types and emitters and the fonts made for old font
// settings (game end: the particle and font tables are emptied with it).
void Function_Action_Forget();
void Function_ActionDraw_Forget();
void Function_ActionParticle_Forget();
