// Mathematics and strings: the routines built so far.
#include "Function/Function_Register.h"

namespace {

void F_IsReal(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(FunctionArgument(argc, args, 0).IsReal() ? 1.0 : 0.0);
}

void F_IsString(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(FunctionArgument(argc, args, 0).IsString() ? 1.0 : 0.0);
}

}  // namespace

void Function_Maths_Bind() {
  ImplementFunction("is_real", F_IsReal);
  ImplementFunction("is_string", F_IsString);
}
