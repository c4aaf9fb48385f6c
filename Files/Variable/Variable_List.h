// CVariableList: the container of user variables (one per instance, one global, one per running
// code for its locals) and their arrays.
//
// A variable lives in bucket (id mod 64), each bucket a chain with the newest node first; a second
// chain runs through all nodes, newest first. Nodes come from one pool shared by every list; freed
// nodes are kept on a free chain and reused, never given back to the system.
//
// Array index: 0 is the scalar, so x, x[0] and x[0,0] are one value. Any other index i is row
// i / 32000, column i mod 32000 (truncating), the compiler forming i = row * 32000 + column.
//
// Reads and writes of elements clear the out-of-range flag first and set it when an index falls
// outside the array; the machine's error report picks its message by it.
#pragma once
#include <cstdint>

#include "Variable/Variable_Value.h"

class CStream;

// Columns per array row in an index.
constexpr int32_t kArrayRowStride = 32000;

// Save-format versions of one list.
constexpr int32_t kVariableListVersion = 442;
constexpr int32_t kVariableListVersionRowBlock = 441;  // one count n: n / 32000 rows of n mod 32000
constexpr int32_t kVariableListVersionOld = 440;

// One array row: `count` values.
struct RVariableRow {
  int32_t count;
  int32_t capacity;  // values the block has room for; grows by doubling, so filling a row is linear
  RValue* values;    // memory-manager block of `capacity` values, the first `count` in use
};

// One variable node.
struct RVariable {
  RVariable* bucketNext;  // next node in the same bucket
  RVariable* listNext;    // next node in the all-nodes chain (older)
  int32_t id;
  RValue value;           // the scalar
  int32_t rowCount;       // 0 for a plain variable
  RVariableRow* rows;     // memory-manager block of `rowCount` rows

  // The element at a non-zero array index, or null when the index lies outside the array.
  RValue* Element(int32_t index) const {
    int32_t row = index / kArrayRowStride;
    int32_t column = index % kArrayRowStride;
    if (row < 0 || column < 0 || row >= rowCount) return nullptr;
    const RVariableRow& r = rows[row];
    if (column >= r.count) return nullptr;
    return &r.values[column];
  }
};

class CVariableList {
 public:
  static constexpr int kBucketCount = 64;

  CVariableList();
  virtual ~CVariableList();
  CVariableList(const CVariableList&) = delete;
  CVariableList& operator=(const CVariableList&) = delete;

  // Copies the variable's value at `index` into *out. Not found: the zero value and success, or
  // (strict variables) failure with *out untouched. An index outside the array sets the
  // out-of-range flag, makes *out the zero value and fails. Never creates a node.
  bool Get(int32_t id, int32_t index, RValue* out) const;
  // Stores `value` at `index`, creating the node and growing the array as needed. A negative row or
  // column sets the out-of-range flag, stores nothing and gives false (the node stays).
  bool Set(int32_t id, int32_t index, const RValue& value);
  // As Set, moving the value's text in instead of copying it.
  bool Set(int32_t id, int32_t index, RValue&& value);
  // The node for `id`, created (holding the zero value) when missing.
  RVariable* FindOrCreate(int32_t id) {
    RVariable* n = Find(id);
    return n != nullptr ? n : Create(id);
  }
  // The node for `id`, or null.
  RVariable* Find(int32_t id) const {
    for (RVariable* n = m_buckets[BucketOf(id)]; n != nullptr; n = n->bucketNext)
      if (n->id == id) return n;
    return nullptr;
  }
  // Frees every text and array and returns all nodes to the pool; the list stays usable.
  void Clear();

  int32_t Count() const { return m_count; }
  // The newest node; follow listNext for older ones.
  RVariable* Newest() const { return m_newest; }
  // The head of bucket b (0..63), newest first through bucketNext.
  RVariable* Bucket(int b) const { return m_buckets[b]; }

  // One line per variable in bucket order: "name = value" or, for an array,
  // "name = { { e ,e },  { e },   }" (see the .cpp for the exact punctuation).
  void Dump(CTextOutput& out) const;

  // Writes the list in the current format (version 442).
  void Save(CStream* stream) const;
  // Reads a list written in version 440, 441 or 442 and adds its variables as Set would. The whole
  // block is read and checked before anything is added: on a bad or truncated block (or another
  // version) nothing changes and the result is false.
  bool Load(CStream* stream);
  // Checks a saved list without keeping it: true, with the stream past the block, when Load would
  // accept it. Readers of larger saves use it to validate everything before changing anything.
  static bool Skip(CStream* stream);

  static int BucketOf(int32_t id) { return static_cast<int>(static_cast<uint32_t>(id) % kBucketCount); }

 private:
  RVariable* Create(int32_t id);

  RVariable* m_buckets[kBucketCount];
  RVariable* m_newest;
  int32_t m_count;
};

// One value as saves and data-structure streams hold it: int32 kind, real, string (the text of a
// string value, none for a real).
void Variable_SaveValue(CStream* stream, const RValue& value);
// Reads a value written by Variable_SaveValue into *out; false (and *out unchanged) when the kind is
// neither real nor string or the stream fails.
bool Variable_LoadValue(CStream* stream, RValue* out);

// The out-of-range flag shared by all lists.
bool Variable_OutOfRange();
void Variable_SetOutOfRange(bool set);

// The game's strict-variables option: reading a variable that was never set fails.
bool Variable_StrictVariables();
void Variable_SetStrictVariables(bool strict);

// Pool statistics (for tests and memory reports).
int64_t Variable_PoolNodesAllocated();
int64_t Variable_PoolNodesFree();
