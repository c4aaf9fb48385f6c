// A hash index from names to positions in a table the caller owns (the function registry, the
// constants table). The index stores only positions; names are read back through the caller's
// accessor, so the table may move its records when it grows.
#pragma once
#include <cstdint>

class CNameIndex {
 public:
  using NameOf = const char* (*)(int position);

  CNameIndex(NameOf nameOf, bool ignoreCase) : m_nameOf(nameOf), m_ignoreCase(ignoreCase) {}
  ~CNameIndex();
  CNameIndex(const CNameIndex&) = delete;
  CNameIndex& operator=(const CNameIndex&) = delete;

  // Files `position` under its name. When the name is already filed, `replace` decides whether the
  // new position takes its place (latest wins) or is dropped (first wins).
  void Add(int position, bool replace);
  // The position filed under `name`, or -1.
  int Find(const char* name) const;
  void Clear();

 private:
  uint32_t Hash(const char* name) const;
  bool Equal(const char* a, const char* b) const;
  void Grow();

  NameOf m_nameOf;
  bool m_ignoreCase;
  int32_t* m_slots = nullptr;  // position + 1; 0 is empty
  uint32_t m_capacity = 0;     // a power of two
  uint32_t m_count = 0;
};
