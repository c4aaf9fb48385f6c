#include "Code/Code_Tree.h"

#include <algorithm>

namespace Compiler {

void* Arena::Allocate(size_t size, size_t align) {
  size_t pad = static_cast<size_t>(-reinterpret_cast<uintptr_t>(next_)) & (align - 1);
  if (next_ == nullptr || pad + size > left_) {
    // Blocks grow with the code so that a large program needs few of them.
    const size_t blockSize = std::max<size_t>(size + align, std::max<size_t>(16384, blocks_.size() * 65536));
    blocks_.emplace_back(new char[blockSize]);
    next_ = blocks_.back().get();
    left_ = blockSize;
    pad = static_cast<size_t>(-reinterpret_cast<uintptr_t>(next_)) & (align - 1);
  }
  void* out = next_ + pad;
  next_ += pad + size;
  left_ -= pad + size;
  return out;
}

}  // namespace Compiler
