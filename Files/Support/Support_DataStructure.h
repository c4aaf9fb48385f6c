// The collections game code keeps through the ds_ functions: stacks, queues, lists, maps,
// priority queues and grids of script values, and the text forms they are saved in.
//
// Elements are copies of RValues. Reals are compared with a tolerance (the precision, default
// 1e-08) after rounding to single precision; anything involving a string compares as text.
//
// The read functions take a text made by the matching write function. A text of another kind, or
// one that is malformed (not hexadecimal, ending early, counts the text cannot hold, unknown
// element kinds), leaves the collection as it was and gives false.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Support/Support_DataStructureMap.h"
#include "Variable/Variable_Value.h"

// The tolerance for comparing reals in every collection.
void DS_SetPrecision(double precision);  // stores |precision|
double DS_Precision();

// -1, 0 or 1: reals by the tolerance, otherwise as texts (no text on either side gives 1).
int DS_Compare(const RValue& a, const RValue& b);

// to = from, without a call for the common case of a real onto a real (neither holds a text).
inline void DS_CopyValue(RValue& to, const RValue& from) {
  if (from.IsReal() && to.IsReal()) {
    to.real = from.real;
  } else {
    to = from;
  }
}

class CDS_Stack {
 public:
  int Size() const { return static_cast<int>(m_items.size()); }
  void Clear() { m_items.clear(); }
  void Push(const RValue& v);
  // Pops into `out`; false (out untouched) when empty.
  bool Pop(RValue& out);
  const RValue* Top() const { return m_items.empty() ? nullptr : &m_items.back(); }
  void Assign(const CDS_Stack& other) { m_items = other.m_items; }
  std::string Write() const;
  bool Read(const char* text);

 private:
  std::vector<RValue> m_items;  // bottom first
};

class CDS_Queue {
 public:
  int Size() const { return m_tail - m_head; }
  void Clear();
  void Enqueue(const RValue& v);
  bool Dequeue(RValue& out);
  const RValue* Head() const { return Size() > 0 ? &m_slots[m_head] : nullptr; }
  const RValue* Tail() const { return Size() > 0 ? &m_slots[m_tail - 1] : nullptr; }
  void Assign(const CDS_Queue& other);
  std::string Write() const;
  bool Read(const char* text);
  int HeadIndex() const { return m_head; }
  int TailIndex() const { return m_tail; }
  int Capacity() const { return static_cast<int>(m_slots.size()); }

 private:
  std::vector<RValue> m_slots;  // the whole array; used slots are head..tail-1
  int m_head = 0;
  int m_tail = 0;
};

class CDS_List {
 public:
  // Lists longer than this are merge-sorted rather than insertion-sorted (same order for texts and
  // for reals that compare consistently; no quadratic time).
  static constexpr int kInsertionSortLimit = 2048;

  int Size() const { return static_cast<int>(m_items.size()); }
  void Clear() { m_items.clear(); }
  void Add(const RValue& v) { m_items.push_back(v); }
  // pos 0..count (count appends); false otherwise.
  bool Insert(int pos, const RValue& v);
  bool Replace(int pos, const RValue& v);
  bool Delete(int pos);
  int FindIndex(const RValue& v) const;
  const RValue* At(int pos) const { return (pos < 0 || pos >= Size()) ? nullptr : &m_items[pos]; }
  void Sort(bool ascending);
  void Shuffle();
  void Assign(const CDS_List& other) { m_items = other.m_items; }
  std::string Write() const;
  bool Read(const char* text);

 private:
  std::vector<RValue> m_items;
};

class CDS_Priority {
 public:
  int Size() const { return static_cast<int>(m_values.size()); }
  void Clear();
  void Add(const RValue& value, const RValue& priority);
  // The first pair whose value compares equal; -1 when none.
  int FindValue(const RValue& value) const;
  void SetPriority(int index, const RValue& priority) { m_priorities[index] = priority; }
  const RValue& PriorityAt(int index) const { return m_priorities[index]; }
  void DeleteAt(int index);
  // The pair with the lowest (highest) priority, the earliest of equals; -1 when empty.
  int FindMin() const;
  int FindMax() const;
  const RValue& ValueAt(int index) const { return m_values[index]; }
  // Removes the pair by moving the last pair into its place.
  void RemoveByLast(int index);
  void Assign(const CDS_Priority& other);
  std::string Write() const;
  bool Read(const char* text);

 private:
  std::vector<RValue> m_values;
  std::vector<RValue> m_priorities;
};

class CDS_Grid {
 public:
  // Largest number of cells a grid may have.
  static constexpr int64_t kMaxCells = int64_t{1} << 26;

  CDS_Grid(int width, int height);
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
  RValue& Cell(int x, int y) { return m_cells[static_cast<size_t>(x) * m_height + y]; }
  const RValue& Cell(int x, int y) const { return m_cells[static_cast<size_t>(x) * m_height + y]; }
  // Keeps the cells that still fit; new cells are real 0.
  void Resize(int width, int height);
  void Fill(const RValue& v);
  void Assign(const CDS_Grid& other);
  void Shuffle();
  std::string Write() const;
  bool Read(const char* text);

  enum class Op { Set, Add, Multiply };
  // The cell update of set, add and multiply.
  static void Apply(RValue& cell, const RValue& value, Op op);

 private:
  int m_width;
  int m_height;
  std::vector<RValue> m_cells;  // column-major: column x holds rows 0..height-1
};
