// A resource array indexed by resource number, with a parallel array of names and a name index.
// Empty slots mean missing resources; run-time additions append.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

template <class T>
class ResourceTable {
 public:
  int32_t Count() const { return int32_t(items_.size()); }
  T* Get(int32_t index) const { return index < 0 || index >= Count() ? nullptr : items_[size_t(index)].get(); }
  // "<undefined>" for a missing resource.
  const char* Name(int32_t index) const { return Get(index) != nullptr ? names_[size_t(index)].c_str() : "<undefined>"; }
  // The lowest index holding a resource of that name, or -1.
  int32_t Find(const char* name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? -1 : it->second;
  }
  int32_t Add(T* item, const std::string& name) {
    const int32_t index = Count();
    Set(index, item, name);
    return index;
  }
  // Replaces slot `index` (growing the table as needed); null empties it.
  void Set(int32_t index, T* item, const std::string& name) {
    if (index < 0) return;
    if (index >= Count()) {
      items_.resize(size_t(index) + 1);
      names_.resize(size_t(index) + 1);
    }
    const std::string old = names_[size_t(index)];
    items_[size_t(index)].reset(item);
    names_[size_t(index)] = item != nullptr ? name : std::string();
    Reindex(old);
    Reindex(names_[size_t(index)]);
  }
  void Clear() {
    items_.clear();
    names_.clear();
    byName_.clear();
  }

 private:
  void Reindex(const std::string& name) {
    if (name.empty()) return;
    byName_.erase(name);
    for (int32_t i = 0; i < Count(); ++i) {
      if (items_[size_t(i)] != nullptr && names_[size_t(i)] == name) {
        byName_.emplace(name, i);
        return;
      }
    }
  }

  std::vector<std::unique_ptr<T>> items_;
  std::vector<std::string> names_;
  std::unordered_map<std::string, int32_t> byName_;
};
