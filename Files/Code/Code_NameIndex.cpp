#include "Code/Code_NameIndex.h"

#include <cstring>

#include "Platform/Platform_Memory.h"

namespace {

inline unsigned char Fold(unsigned char c, bool ignoreCase) {
  return (ignoreCase && c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

CNameIndex::~CNameIndex() {
  if (m_slots != nullptr) MemFree(m_slots);
}

void CNameIndex::Clear() {
  if (m_slots != nullptr) MemFree(m_slots);
  m_slots = nullptr;
  m_capacity = 0;
  m_count = 0;
}

uint32_t CNameIndex::Hash(const char* name) const {
  // FNV-1a over the (folded) bytes.
  uint32_t h = 2166136261u;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p != 0; ++p) {
    h = (h ^ Fold(*p, m_ignoreCase)) * 16777619u;
  }
  return h;
}

bool CNameIndex::Equal(const char* a, const char* b) const {
  if (!m_ignoreCase) return std::strcmp(a, b) == 0;
  for (;; ++a, ++b) {
    unsigned char ca = Fold(static_cast<unsigned char>(*a), true);
    unsigned char cb = Fold(static_cast<unsigned char>(*b), true);
    if (ca != cb) return false;
    if (ca == 0) return true;
  }
}

void CNameIndex::Grow() {
  uint32_t oldCapacity = m_capacity;
  int32_t* oldSlots = m_slots;
  m_capacity = oldCapacity == 0 ? 64 : oldCapacity * 2;
  m_slots = static_cast<int32_t*>(MemAlloc(m_capacity * sizeof(int32_t)));
  m_count = 0;
  for (uint32_t i = 0; i < oldCapacity; ++i) {
    if (oldSlots[i] == 0) continue;
    uint32_t mask = m_capacity - 1;
    uint32_t s = Hash(m_nameOf(oldSlots[i] - 1)) & mask;
    while (m_slots[s] != 0) s = (s + 1) & mask;
    m_slots[s] = oldSlots[i];
    ++m_count;
  }
  if (oldSlots != nullptr) MemFree(oldSlots);
}

void CNameIndex::Add(int position, bool replace) {
  const char* name = m_nameOf(position);
  if (name == nullptr) return;
  if ((m_count + 1) * 2 > m_capacity) Grow();
  uint32_t mask = m_capacity - 1;
  for (uint32_t s = Hash(name) & mask;; s = (s + 1) & mask) {
    if (m_slots[s] == 0) {
      m_slots[s] = position + 1;
      ++m_count;
      return;
    }
    if (Equal(m_nameOf(m_slots[s] - 1), name)) {
      if (replace) m_slots[s] = position + 1;
      return;
    }
  }
}

int CNameIndex::Find(const char* name) const {
  if (name == nullptr || m_capacity == 0) return -1;
  uint32_t mask = m_capacity - 1;
  for (uint32_t s = Hash(name) & mask; m_slots[s] != 0; s = (s + 1) & mask) {
    if (Equal(m_nameOf(m_slots[s] - 1), name)) return m_slots[s] - 1;
  }
  return -1;
}
