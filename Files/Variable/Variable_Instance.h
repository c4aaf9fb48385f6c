// What the variable layer needs from the game world, as small interfaces the world fills in.
//
// CInstance (Run/Run_Instance.h) is the one instance record; the variable layer uses its id, object
// index, removal and deactivation flags and its own CVariableList.
//
// CInstanceWorld answers the three questions routing asks: the instances of the global active list,
// the instances of one object, and the instance with a given id. The world registers its
// implementation with SetInstanceWorld; until then there are no instances.
//
// CBuiltInVariables is the hook through which ids below 10000 reach the built-in variable table
// (names, getters and setters). Until the table registers itself, no name is built-in and every
// built-in read or write fails.
#pragma once
#include <cstdint>

#include "Run/Run_Instance.h"
#include "Variable/Variable_List.h"
#include "Variable/Variable_Value.h"

// Receives instances one at a time; returning false stops the walk.
class CInstanceVisitor {
 public:
  virtual bool Visit(CInstance* instance) = 0;

 protected:
  ~CInstanceVisitor() = default;
};

class CInstanceWorld {
 public:
  virtual ~CInstanceWorld() = default;
  // Every active instance of the global active list, in list order. The walk must stay valid when
  // a visit changes an instance (a depth change may reorder the list).
  virtual void ForEachActive(CInstanceVisitor& visitor) = 0;
  // Every active instance of object `objectIndex` (its instances with descendants), in list order;
  // an index that names no object visits nothing.
  virtual void ForEachActiveOfObject(int32_t objectIndex, CInstanceVisitor& visitor) = 0;
  // The live instance with this id, active or not, or null.
  virtual CInstance* FindInstance(int32_t instanceId) = 0;
};

// The registered world (never null: an empty world stands in when none is registered).
CInstanceWorld* InstanceWorld();
// Registers `world` (null restores the empty world).
void SetInstanceWorld(CInstanceWorld* world);

class CBuiltInVariables {
 public:
  virtual ~CBuiltInVariables() = default;
  // The built-in id of `name` (exact, case-sensitive), or -1.
  virtual int32_t Find(const char* name) = 0;
  // The name of built-in id `id`, or null when the id is outside the table.
  virtual const char* Name(int32_t id) = 0;
  // Reads built-in `id` for `instance` at array `index` into *out.
  virtual bool Get(CInstance* instance, int32_t id, int32_t index, RValue* out) = 0;
  // Writes built-in `id`; false for a read-only variable or a refused value.
  virtual bool Set(CInstance* instance, int32_t id, int32_t index, const RValue& value) = 0;
};

// The registered built-in table (never null: an empty table stands in when none is registered).
CBuiltInVariables* BuiltInVariables();
// Registers `table` (null restores the empty table).
void SetBuiltInVariables(CBuiltInVariables* table);
