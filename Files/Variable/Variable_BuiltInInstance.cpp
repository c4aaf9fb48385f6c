// The instance built-in variables (ids 0..77).
#include "Variable/Variable_BuiltIn.h"

void BuiltIn_RegisterInstanceVariables() {}
