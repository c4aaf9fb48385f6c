// Routing a variable read or write by instance selector.
//
// selector   read                                          write
// -1 self    the scope's self                              the scope's self
// -2 other   the scope's other                             the scope's other
// -3 all     the first active instance                     every active instance
// -4 noone   the zero value, success                       dropped, success
// -5 global  the global list                               the global list
// -6 plain   global list when the id is a globalvar, else self (built-in ids always self)
// -7 local   the scope's locals                            the scope's locals
// 0..99999   the first active instance of that object      every active instance of it (none: ok)
// >=100000   that instance if active, else failure         that instance if active, else dropped
// other      failure                                       failure
//
// Within an instance, ids below 10000 go to the built-in table (Variable_Instance.h) and every
// other id to the instance's own list; the global and local selectors always use their list.
#pragma once
#include <cstdint>

#include "Variable/Variable_Value.h"

class CInstance;
class CVariableList;

enum : int32_t {
  SELECTOR_SELF = -1,
  SELECTOR_OTHER = -2,
  SELECTOR_ALL = -3,
  SELECTOR_NOONE = -4,
  SELECTOR_GLOBAL = -5,
  SELECTOR_PLAIN = -6,
  SELECTOR_LOCAL = -7,
};

// Who self, other and the locals are for the code that reads or writes.
struct VariableScope {
  CInstance* self;
  CInstance* other;
  CVariableList* locals;
};

// Reads variable `id` at array `index` through `selector` into *out (which starts as the zero
// value). False when the read fails; the out-of-range flag then tells an index error.
bool Variable_GetValue(const VariableScope& scope, int32_t selector, int32_t id, int32_t index, RValue* out);
// Writes `value`; false when the write fails (an index error also sets the out-of-range flag).
bool Variable_SetValue(const VariableScope& scope, int32_t selector, int32_t id, int32_t index,
                       const RValue& value);

// One instance: built-in ids through the built-in table, others through its own list.
bool Variable_GetInstance(CInstance* instance, int32_t id, int32_t index, RValue* out);
bool Variable_SetInstance(CInstance* instance, int32_t id, int32_t index, const RValue& value);
