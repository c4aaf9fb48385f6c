#include "Variable/Variable_List.h"

#include <new>
#include <utility>

#include "Platform/Platform_Memory.h"
#include "Support/Support_Stream.h"
#include "Variable/Variable_Names.h"

namespace {

bool g_outOfRange = false;
bool g_strict = false;

// ---- Node pool ----------------------------------------------------------------------------------
// Nodes are carved from blocks of kPoolBlock nodes; free nodes are chained through bucketNext.

constexpr int kPoolBlock = 256;
RVariable* g_freeNodes = nullptr;
int64_t g_nodesAllocated = 0;
int64_t g_nodesFree = 0;

RVariable* TakeNode(int32_t id) {
  if (g_freeNodes == nullptr) {
    auto* block = static_cast<RVariable*>(MemAlloc(sizeof(RVariable) * kPoolBlock));
    for (int i = 0; i < kPoolBlock; ++i) {
      RVariable* n = new (&block[i]) RVariable{};
      n->bucketNext = g_freeNodes;
      g_freeNodes = n;
    }
    g_nodesAllocated += kPoolBlock;
    g_nodesFree += kPoolBlock;
  }
  RVariable* n = g_freeNodes;
  g_freeNodes = n->bucketNext;
  --g_nodesFree;
  n->bucketNext = nullptr;
  n->listNext = nullptr;
  n->id = id;
  n->rowCount = 0;
  n->rows = nullptr;
  return n;  // n->value is the zero value: nodes go back to the pool reset
}

void FreeRows(RVariable* n) {
  for (int32_t r = 0; r < n->rowCount; ++r) {
    RVariableRow& row = n->rows[r];
    for (int32_t c = 0; c < row.count; ++c) row.values[c].~RValue();
    if (row.values != nullptr) MemFree(row.values);
  }
  if (n->rows != nullptr) MemFree(n->rows);
  n->rows = nullptr;
  n->rowCount = 0;
}

void ReturnNode(RVariable* n) {
  n->value.Reset();
  FreeRows(n);
  n->listNext = nullptr;
  n->bucketNext = g_freeNodes;
  g_freeNodes = n;
  ++g_nodesFree;
}

// Frees a chain of detached nodes linked through listNext.
void ReturnChain(RVariable* head) {
  while (head != nullptr) {
    RVariable* next = head->listNext;
    ReturnNode(head);
    head = next;
  }
}

}  // namespace

bool Variable_OutOfRange() { return g_outOfRange; }
void Variable_SetOutOfRange(bool set) { g_outOfRange = set; }
bool Variable_StrictVariables() { return g_strict; }
void Variable_SetStrictVariables(bool strict) { g_strict = strict; }
int64_t Variable_PoolNodesAllocated() { return g_nodesAllocated; }
int64_t Variable_PoolNodesFree() { return g_nodesFree; }

// ---- CVariableList ------------------------------------------------------------------------------

CVariableList::CVariableList() : m_newest(nullptr), m_count(0) {
  for (RVariable*& b : m_buckets) b = nullptr;
}

CVariableList::~CVariableList() { Clear(); }

RVariable* CVariableList::Create(int32_t id) {
  RVariable* n = TakeNode(id);
  int b = BucketOf(id);
  n->bucketNext = m_buckets[b];
  m_buckets[b] = n;
  n->listNext = m_newest;
  m_newest = n;
  ++m_count;
  return n;
}

void CVariableList::Clear() {
  RVariable* n = m_newest;
  while (n != nullptr) {
    RVariable* next = n->listNext;
    ReturnNode(n);
    n = next;
  }
  for (RVariable*& b : m_buckets) b = nullptr;
  m_newest = nullptr;
  m_count = 0;
}

bool CVariableList::Get(int32_t id, int32_t index, RValue* out) const {
  g_outOfRange = false;
  RVariable* n = Find(id);
  if (n == nullptr) {
    if (g_strict) return false;
    out->Reset();
    return true;
  }
  if (index == 0) {
    *out = n->value;
    return true;
  }
  RValue* e = n->Element(index);
  if (e == nullptr) {
    g_outOfRange = true;
    out->Reset();
    return false;
  }
  *out = *e;
  return true;
}

bool CVariableList::Set(int32_t id, int32_t index, const RValue& value) {
  // Copy first: `value` may live in this very array, which growing can move.
  RValue copy(value);
  return Set(id, index, std::move(copy));
}

bool CVariableList::Set(int32_t id, int32_t index, RValue&& incoming) {
  // Take the value out first: it may be an element of this very array, which growing can move.
  RValue value(std::move(incoming));
  g_outOfRange = false;
  RVariable* n = FindOrCreate(id);
  if (index == 0) {
    n->value = std::move(value);
    return true;
  }
  int32_t row = index / kArrayRowStride;
  int32_t column = index % kArrayRowStride;
  if (row < 0 || column < 0) {
    g_outOfRange = true;
    return false;
  }
  if (row >= n->rowCount) {
    // New rows arrive zero-filled: no elements yet.
    n->rows = static_cast<RVariableRow*>(MemReAlloc(n->rows, sizeof(RVariableRow) * (static_cast<size_t>(row) + 1)));
    n->rowCount = row + 1;
  }
  RVariableRow& r = n->rows[row];
  if (column >= r.count) {
    if (column >= r.capacity) {
      // Existing elements are relocated bytewise. A column is below kArrayRowStride, so a row never
      // needs more room than that.
      int32_t capacity = r.capacity < 4 ? 4 : r.capacity * 2;
      if (capacity <= column) capacity = column + 1;
      if (capacity > kArrayRowStride) capacity = kArrayRowStride;
      r.values = static_cast<RValue*>(MemReAlloc(r.values, sizeof(RValue) * static_cast<size_t>(capacity)));
      r.capacity = capacity;
    }
    for (int32_t c = r.count; c <= column; ++c) new (&r.values[c]) RValue();
    r.count = column + 1;
  }
  r.values[column] = std::move(value);
  return true;
}

void CVariableList::Dump(CTextOutput& out) const {
  for (int b = 0; b < kBucketCount; ++b) {
    for (RVariable* n = m_buckets[b]; n != nullptr; n = n->bucketNext) {
      const char* name = Variable_GetName(n->id);
      if (n->rowCount == 0) {
        out.Printf("%s = ", name);
        PrintValue(n->value, out);
      } else {
        out.Printf("%s = { ", name);
        for (int32_t r = 0; r < n->rowCount; ++r) {
          out.Write("{ ");
          const RVariableRow& row = n->rows[r];
          for (int32_t c = 0; c < row.count; ++c) {
            if (c > 0) out.Write(" ,");
            PrintValue(row.values[c], out);
          }
          out.Write("},  ");
        }
        out.Write(" }");
      }
      out.Write("\n");
    }
  }
}

// ---- Save and load ------------------------------------------------------------------------------

void Variable_SaveValue(CStream* s, const RValue& v) {
  s->WriteInteger(v.kind);
  s->WriteReal(v.real);
  s->WriteString(v.kind == VALUE_STRING ? v.text : nullptr);
}

bool Variable_LoadValue(CStream* s, RValue* out) {
  int32_t kind = s->ReadInteger();
  double real = s->ReadReal();
  char* text = s->ReadString();
  if (s->Failed() || (kind != VALUE_REAL && kind != VALUE_STRING)) {
    if (text != nullptr) MemFree(text);
    return false;
  }
  if (kind == VALUE_STRING) {
    out->AdoptText(text);
  } else {
    if (text != nullptr) MemFree(text);
    out->SetReal(real);
  }
  return true;
}

namespace {

// The smallest number of bytes a saved value takes (kind, real, string length).
constexpr int64_t kMinValueBytes = 4 + 8 + 4;
// The smallest node: id, a value, a row count.
constexpr int64_t kMinNodeBytes = 4 + kMinValueBytes + 4;


// Reads `count` elements into a fresh row.
bool LoadRow(CStream* s, int32_t count, RVariableRow* row) {
  row->count = 0;
  row->capacity = 0;
  row->values = nullptr;
  if (count < 0 || static_cast<int64_t>(count) * kMinValueBytes > s->Remaining()) return false;
  if (count == 0) return true;
  row->values = static_cast<RValue*>(MemAlloc(sizeof(RValue) * static_cast<size_t>(count)));
  for (int32_t c = 0; c < count; ++c) new (&row->values[c]) RValue();
  row->count = count;
  row->capacity = count;
  for (int32_t c = 0; c < count; ++c)
    if (!Variable_LoadValue(s, &row->values[c])) return false;
  return true;
}

// Reads the rows of a node. Rows are attached to the node as they are read, so a failure part way
// leaves everything where ReturnNode frees it.
bool LoadRows(CStream* s, int32_t version, RVariable* n) {
  int32_t rowCount, columns = -1;
  if (version == kVariableListVersionRowBlock) {
    int32_t total = s->ReadInteger();
    if (s->Failed() || total < 0) return false;
    rowCount = total / kArrayRowStride;
    columns = total % kArrayRowStride;
    // Rows without elements hold nothing; a count naming thousands of them would only cost memory.
    if (columns == 0) rowCount = 0;
    if (static_cast<int64_t>(rowCount) * columns * kMinValueBytes > s->Remaining()) return false;
  } else {
    rowCount = s->ReadInteger();
    if (s->Failed() || rowCount < 0 || static_cast<int64_t>(rowCount) * 4 > s->Remaining()) return false;
  }
  if (rowCount == 0) return true;
  n->rows = static_cast<RVariableRow*>(MemAlloc(sizeof(RVariableRow) * static_cast<size_t>(rowCount)));
  n->rowCount = rowCount;  // zero-filled rows are empty rows
  for (int32_t r = 0; r < rowCount; ++r) {
    int32_t count = columns >= 0 ? columns : s->ReadInteger();
    if (s->Failed() || !LoadRow(s, count, &n->rows[r])) return false;
  }
  return true;
}

}  // namespace

void CVariableList::Save(CStream* stream) const {
  stream->WriteInteger(kVariableListVersion);
  stream->WriteInteger(m_count);
  for (int b = 0; b < kBucketCount; ++b) {
    for (RVariable* n = m_buckets[b]; n != nullptr; n = n->bucketNext) {
      stream->WriteInteger(n->id);
      Variable_SaveValue(stream, n->value);
      stream->WriteInteger(n->rowCount);
      for (int32_t r = 0; r < n->rowCount; ++r) {
        const RVariableRow& row = n->rows[r];
        stream->WriteInteger(row.count);
        for (int32_t c = 0; c < row.count; ++c) Variable_SaveValue(stream, row.values[c]);
      }
    }
  }
}

bool CVariableList::Load(CStream* stream) {
  int32_t version = stream->ReadInteger();
  if (stream->Failed()) return false;
  if (version != kVariableListVersion && version != kVariableListVersionRowBlock &&
      version != kVariableListVersionOld)
    return false;
  int32_t count = stream->ReadInteger();
  if (stream->Failed() || count < 0 || static_cast<int64_t>(count) * kMinNodeBytes > stream->Remaining())
    return false;

  // Read every node into a detached chain (in file order) before touching the list.
  RVariable* head = nullptr;
  RVariable* tail = nullptr;
  for (int32_t i = 0; i < count; ++i) {
    int32_t id = stream->ReadInteger();
    RVariable* n = TakeNode(id);
    if (tail != nullptr)
      tail->listNext = n;
    else
      head = n;
    tail = n;
    if (stream->Failed() || !Variable_LoadValue(stream, &n->value) || !LoadRows(stream, version, n)) {
      ReturnChain(head);
      return false;
    }
  }

  // Commit: each node joins as Set would add it; an id already held has its contents replaced.
  RVariable* n = head;
  while (n != nullptr) {
    RVariable* next = n->listNext;
    n->listNext = nullptr;
    RVariable* existing = Find(n->id);
    if (existing != nullptr) {
      existing->value = std::move(n->value);
      FreeRows(existing);
      existing->rows = n->rows;
      existing->rowCount = n->rowCount;
      n->rows = nullptr;
      n->rowCount = 0;
      ReturnNode(n);
    } else {
      int b = BucketOf(n->id);
      n->bucketNext = m_buckets[b];
      m_buckets[b] = n;
      n->listNext = m_newest;
      m_newest = n;
      ++m_count;
    }
    n = next;
  }
  return true;
}

bool CVariableList::Skip(CStream* stream) {
  CVariableList scratch;
  return scratch.Load(stream);
}
