#include "Code/Code_Tree.h"

#include <algorithm>

namespace Compiler {

void* Arena::AllocateInNewBlock(size_t size, size_t align) {
  // Blocks grow with the code so that a large program needs few of them.
  const size_t blockSize = std::max<size_t>(size + align, std::max<size_t>(16384, blocks_.size() * 65536));
  blocks_.emplace_back(new char[blockSize]);
  next_ = blocks_.back().get();
  left_ = blockSize;
  return Allocate(size, align);
}

}  // namespace Compiler
