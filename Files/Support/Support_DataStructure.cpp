#include "Support/Support_DataStructure.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Platform/Platform_Memory.h"
#include "Support/Support_Random.h"
#include "Support/Support_Stream.h"

namespace {

double g_Precision = 1e-08;

constexpr int32_t kStackTag = 101;
constexpr int32_t kQueueTag = 201;
constexpr int32_t kListTag = 301;
constexpr int32_t kPriorityTag = 501;
constexpr int32_t kGridTag = 601;
// The fewest bytes one element takes in a stream: kind, real and text length.
constexpr int64_t kMinElementBytes = 16;

// ---- Elements in a stream ----------------------------------------------------------------------

void WriteElement(CStream& s, const RValue& v) {
  s.WriteInteger(v.kind);
  s.WriteReal(v.IsReal() ? v.real : 0.0);
  s.WriteString(v.IsString() ? v.text : nullptr);
}

// Reads one element; false for an unknown kind or a stream that ran short.
bool ReadElement(CStream& s, RValue& out) {
  int32_t kind = s.ReadInteger();
  double real = s.ReadReal();
  char* text = s.ReadString();
  if (s.Failed() || (kind != VALUE_REAL && kind != VALUE_STRING)) {
    MemFree(text);
    return false;
  }
  if (kind == VALUE_REAL) {
    MemFree(text);
    out.SetReal(real);
  } else {
    out.AdoptText(text);
  }
  return true;
}

// Decodes `text` into `s` and checks the leading tag.
bool OpenStream(CStream& s, const char* text, int32_t tag) {
  if (text == nullptr || !s.ConvertFromString(text)) return false;
  return s.ReadInteger() == tag && !s.Failed();
}

// True when `count` elements (times `per` element groups) can still fit in what remains.
bool CountFits(const CStream& s, int64_t count, int64_t per = 1) {
  return count >= 0 && count * per <= s.Remaining() / kMinElementBytes;
}

bool ReadElements(CStream& s, std::vector<RValue>& out, int64_t count) {
  out.clear();
  out.resize(static_cast<size_t>(count));
  for (auto& v : out) {
    if (!ReadElement(s, v)) return false;
  }
  return true;
}

std::string StreamText(const CStream& s) {
  char* hex = s.ConvertToString();
  std::string out(hex != nullptr ? hex : "");
  MemFree(hex);
  return out;
}

}  // namespace

// ---- Shared rules --------------------------------------------------------------------------------

void DS_SetPrecision(double precision) { g_Precision = std::fabs(precision); }
double DS_Precision() { return g_Precision; }

int DS_Compare(const RValue& a, const RValue& b) {
  if (a.IsReal() && b.IsReal()) {
    float d = static_cast<float>(a.real) - static_cast<float>(b.real);
    if (g_Precision > std::fabs(static_cast<double>(d))) return 0;
    return d < 0 ? -1 : 1;
  }
  if (a.IsReal() || b.IsReal() || a.text == nullptr || b.text == nullptr) return 1;
  int c = std::strcmp(a.text, b.text);  // strcmp compares as unsigned bytes
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// ---- Stack ---------------------------------------------------------------------------------------

void CDS_Stack::Push(const RValue& v) { m_items.push_back(v); }

bool CDS_Stack::Pop(RValue& out) {
  if (m_items.empty()) return false;
  out = std::move(m_items.back());
  m_items.pop_back();
  return true;
}

std::string CDS_Stack::Write() const {
  CStream s;
  s.WriteInteger(kStackTag);
  s.WriteInteger(Size());
  for (const auto& v : m_items) WriteElement(s, v);
  return StreamText(s);
}

bool CDS_Stack::Read(const char* text) {
  CStream s;
  if (!OpenStream(s, text, kStackTag)) return false;
  int32_t count = s.ReadInteger();
  std::vector<RValue> items;
  if (s.Failed() || !CountFits(s, count) || !ReadElements(s, items, count)) return false;
  m_items = std::move(items);
  return true;
}

// ---- Queue ---------------------------------------------------------------------------------------

void CDS_Queue::Clear() {
  m_slots.clear();
  m_head = 0;
  m_tail = 0;
}

void CDS_Queue::Enqueue(const RValue& v) {
  if (m_tail >= Capacity()) m_slots.resize(static_cast<size_t>(m_tail) + 16);
  m_slots[m_tail++] = v;
}

bool CDS_Queue::Dequeue(RValue& out) {
  if (m_head >= m_tail) return false;
  out = std::move(m_slots[m_head]);
  m_slots[m_head].Reset();
  ++m_head;
  if (m_head > 16 && m_head > m_tail / 2) {
    // Move the remaining elements to the front of the array.
    int old = m_head;
    for (int i = old; i < m_tail; ++i) m_slots[i - old] = std::move(m_slots[i]);
    for (int i = m_tail - old; i < m_tail; ++i) m_slots[i].Reset();
    m_head -= old;
    m_tail -= old;
  }
  return true;
}

void CDS_Queue::Assign(const CDS_Queue& other) {
  m_slots = other.m_slots;
  m_head = other.m_head;
  m_tail = other.m_tail;
}

std::string CDS_Queue::Write() const {
  CStream s;
  s.WriteInteger(kQueueTag);
  s.WriteInteger(m_tail);
  s.WriteInteger(m_head);
  s.WriteInteger(Capacity());
  for (const auto& v : m_slots) WriteElement(s, v);
  return StreamText(s);
}

bool CDS_Queue::Read(const char* text) {
  CStream s;
  if (!OpenStream(s, text, kQueueTag)) return false;
  int32_t tail = s.ReadInteger();
  int32_t head = s.ReadInteger();
  int32_t capacity = s.ReadInteger();
  if (s.Failed() || head < 0 || tail < head || capacity < tail || !CountFits(s, capacity)) return false;
  std::vector<RValue> slots;
  if (!ReadElements(s, slots, capacity)) return false;
  m_slots = std::move(slots);
  m_head = head;
  m_tail = tail;
  return true;
}

// ---- List ----------------------------------------------------------------------------------------

namespace {

// Merge-sorts a list that holds only reals through compact keys (each real at single precision
// and its position), comparing as DS_Compare does; false, with the list untouched, when any
// element is a string. For reals, b - a is exactly -(a - b), so "greater both ways" is d > 0.
bool SortReals(std::vector<RValue>& items, bool ascending) {
  struct Key {
    float value;
    uint32_t at;
  };
  std::vector<Key> keys;
  keys.reserve(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    if (!items[i].IsReal()) return false;
    keys.push_back(Key{static_cast<float>(items[i].real), static_cast<uint32_t>(i)});
  }
  const double precision = g_Precision;
  if (ascending) {
    std::stable_sort(keys.begin(), keys.end(), [precision](const Key& a, const Key& b) {
      float d = a.value - b.value;
      return !(precision > std::fabs(static_cast<double>(d))) && d < 0;
    });
  } else {
    std::stable_sort(keys.begin(), keys.end(), [precision](const Key& a, const Key& b) {
      float d = a.value - b.value;
      return !(precision > std::fabs(static_cast<double>(d))) && d > 0;
    });
  }
  std::vector<RValue> sorted(items.size());
  for (size_t i = 0; i < keys.size(); ++i) sorted[i].real = items[keys[i].at].real;
  items.swap(sorted);
  return true;
}

}  // namespace

bool CDS_List::Insert(int pos, const RValue& v) {
  if (pos < 0 || pos > Size()) return false;
  m_items.insert(m_items.begin() + pos, v);
  return true;
}

bool CDS_List::Replace(int pos, const RValue& v) {
  if (pos < 0 || pos >= Size()) return false;
  m_items[pos] = v;
  return true;
}

bool CDS_List::Delete(int pos) {
  if (pos < 0 || pos >= Size()) return false;
  m_items.erase(m_items.begin() + pos);
  return true;
}

int CDS_List::FindIndex(const RValue& v) const {
  for (int i = 0; i < Size(); ++i) {
    if (DS_Compare(m_items[i], v) == 0) return i;
  }
  return -1;
}

void CDS_List::Sort(bool ascending) {
  if (Size() > kInsertionSortLimit) {
    // A long list is merge-sorted to the same order: ascending keeps equal elements in their
    // order, descending puts later equal elements first. Pairs that compare as greater both ways
    // (a real against a string) count as equal here.
    if (!ascending) std::reverse(m_items.begin(), m_items.end());
    if (SortReals(m_items, ascending)) return;
    if (ascending) {
      std::stable_sort(m_items.begin(), m_items.end(),
                       [](const RValue& a, const RValue& b) { return DS_Compare(a, b) < 0; });
    } else {
      std::stable_sort(m_items.begin(), m_items.end(), [](const RValue& a, const RValue& b) {
        return DS_Compare(a, b) > 0 && DS_Compare(b, a) < 0;
      });
    }
    return;
  }
  // Insertion sort: each element moves toward the front while (its left neighbour compares
  // greater than it) equals the ascending flag.
  for (int i = 1; i < Size(); ++i) {
    int j = i;
    while (j > 0 && (DS_Compare(m_items[j - 1], m_items[j]) > 0) == ascending) {
      std::swap(m_items[j - 1], m_items[j]);
      --j;
    }
  }
}

void CDS_List::Shuffle() {
  int n = Size();
  for (int64_t k = 0; k < int64_t{n} * 8; ++k) {
    int a = Random_Index(n);
    int b = Random_Index(n);
    std::swap(m_items[a], m_items[b]);
  }
}

std::string CDS_List::Write() const {
  CStream s;
  s.WriteInteger(kListTag);
  s.WriteInteger(Size());
  for (const auto& v : m_items) WriteElement(s, v);
  return StreamText(s);
}

bool CDS_List::Read(const char* text) {
  CStream s;
  if (!OpenStream(s, text, kListTag)) return false;
  int32_t count = s.ReadInteger();
  std::vector<RValue> items;
  if (s.Failed() || !CountFits(s, count) || !ReadElements(s, items, count)) return false;
  m_items = std::move(items);
  return true;
}

// ---- Priority queue ------------------------------------------------------------------------------

void CDS_Priority::Clear() {
  m_values.clear();
  m_priorities.clear();
}

void CDS_Priority::Add(const RValue& value, const RValue& priority) {
  m_values.push_back(value);
  m_priorities.push_back(priority);
}

int CDS_Priority::FindValue(const RValue& value) const {
  for (int i = 0; i < Size(); ++i) {
    if (DS_Compare(m_values[i], value) == 0) return i;
  }
  return -1;
}

void CDS_Priority::DeleteAt(int index) { RemoveByLast(index); }

int CDS_Priority::FindMin() const {
  if (m_values.empty()) return -1;
  int best = 0;
  for (int i = 1; i < Size(); ++i) {
    if (DS_Compare(m_priorities[i], m_priorities[best]) < 0) best = i;
  }
  return best;
}

int CDS_Priority::FindMax() const {
  if (m_values.empty()) return -1;
  int best = 0;
  for (int i = 1; i < Size(); ++i) {
    if (DS_Compare(m_priorities[i], m_priorities[best]) > 0) best = i;
  }
  return best;
}

void CDS_Priority::RemoveByLast(int index) {
  int last = Size() - 1;
  if (index < 0 || index > last) return;
  if (index != last) {
    m_values[index] = std::move(m_values[last]);
    m_priorities[index] = std::move(m_priorities[last]);
  }
  m_values.pop_back();
  m_priorities.pop_back();
}

void CDS_Priority::Assign(const CDS_Priority& other) {
  m_values = other.m_values;
  m_priorities = other.m_priorities;
}

std::string CDS_Priority::Write() const {
  CStream s;
  s.WriteInteger(kPriorityTag);
  s.WriteInteger(Size());
  for (const auto& v : m_priorities) WriteElement(s, v);
  for (const auto& v : m_values) WriteElement(s, v);
  return StreamText(s);
}

bool CDS_Priority::Read(const char* text) {
  CStream s;
  if (!OpenStream(s, text, kPriorityTag)) return false;
  int32_t count = s.ReadInteger();
  std::vector<RValue> priorities, values;
  if (s.Failed() || !CountFits(s, count, 2) || !ReadElements(s, priorities, count) ||
      !ReadElements(s, values, count)) {
    return false;
  }
  m_priorities = std::move(priorities);
  m_values = std::move(values);
  return true;
}

// ---- Grid ----------------------------------------------------------------------------------------

CDS_Grid::CDS_Grid(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_cells(static_cast<size_t>(m_width) * static_cast<size_t>(m_height)) {}

void CDS_Grid::Resize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  std::vector<RValue> cells(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int x = 0; x < std::min(width, m_width); ++x) {
    for (int y = 0; y < std::min(height, m_height); ++y) {
      cells[static_cast<size_t>(x) * height + y] = std::move(Cell(x, y));
    }
  }
  m_cells = std::move(cells);
  m_width = width;
  m_height = height;
}

void CDS_Grid::Fill(const RValue& v) {
  for (auto& c : m_cells) c = v;
}

void CDS_Grid::Assign(const CDS_Grid& other) {
  m_width = other.m_width;
  m_height = other.m_height;
  m_cells = other.m_cells;
}

void CDS_Grid::Shuffle() {
  if (m_width <= 0 || m_height <= 0) return;
  int64_t swaps = int64_t{m_width} * m_height * 8;
  for (int64_t k = 0; k < swaps; ++k) {
    int x1 = Random_Index(m_width);
    int y1 = Random_Index(m_height);
    int x2 = Random_Index(m_width);
    int y2 = Random_Index(m_height);
    std::swap(Cell(x1, y1), Cell(x2, y2));
  }
}

void CDS_Grid::Apply(RValue& cell, const RValue& value, Op op) {
  switch (op) {
    case Op::Set:
      DS_CopyValue(cell, value);
      break;
    case Op::Add:
      if (cell.IsReal() && value.IsReal()) {
        cell.real += value.real;
      } else if (cell.IsString() && value.IsString()) {
        std::string joined = std::string(cell.Str()) + value.Str();
        cell.SetString(joined.c_str());
      } else {
        cell = value;
      }
      break;
    case Op::Multiply:
      if (cell.IsReal() && value.IsReal()) cell.real *= value.real;
      break;
  }
}

std::string CDS_Grid::Write() const {
  CStream s;
  s.WriteInteger(kGridTag);
  s.WriteInteger(m_width);
  s.WriteInteger(m_height);
  for (const auto& v : m_cells) WriteElement(s, v);
  return StreamText(s);
}

bool CDS_Grid::Read(const char* text) {
  CStream s;
  if (!OpenStream(s, text, kGridTag)) return false;
  int32_t width = s.ReadInteger();
  int32_t height = s.ReadInteger();
  if (s.Failed() || width < 0 || height < 0) return false;
  int64_t cells = int64_t{width} * height;
  if (cells > kMaxCells || !CountFits(s, cells)) return false;
  std::vector<RValue> read;
  if (!ReadElements(s, read, cells)) return false;
  m_cells = std::move(read);
  m_width = width;
  m_height = height;
  return true;
}
