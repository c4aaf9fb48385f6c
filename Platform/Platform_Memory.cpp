#include "Platform/Platform_Memory.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "Platform/Platform_Console.h"

namespace MemoryManager {
namespace {

// Header layout: size (8 bytes), marker A, marker B. The user block follows it and stays
// 16-byte aligned because malloc's blocks are.
struct Header {
  uint64_t size;
  uint32_t markerA;
  uint32_t markerB;
};
static_assert(sizeof(Header) == kHeaderSize);

int64_t g_bytes = 0;
int64_t g_blocks = 0;

Header* HeaderOf(const void* block) {
  return reinterpret_cast<Header*>(const_cast<char*>(static_cast<const char*>(block)) - kHeaderSize);
}

[[noreturn]] void OutOfMemory(size_t size, const char* file, int line) {
  Console::Output("Out of memory allocating %zu bytes (%s:%d)\n", size, file ? file : "?", line);
  std::exit(1);
}

}  // namespace

// Reads the header words in front of the block. For a foreign block these belong to the system
// allocator's own bookkeeping, which the address sanitizer counts as out of bounds; the read is
// deliberate, so it is not instrumented.
__attribute__((no_sanitize("address"))) bool IsManaged(const void* block) {
  if (block == nullptr) return false;
  const Header* h = HeaderOf(block);
  return h->markerA == kMarkerA && h->markerB == kMarkerB;
}

namespace {

// Takes a fresh block of `size` bytes into the counts; `h` is what malloc or calloc gave.
void* Track(Header* h, size_t size, const char* file, int line) {
  if (h == nullptr) OutOfMemory(size, file, line);
  h->size = size;
  h->markerA = kMarkerA;
  h->markerB = kMarkerB;
  g_bytes += static_cast<int64_t>(size);
  g_blocks += 1;
  return reinterpret_cast<char*>(h) + kHeaderSize;
}

// A block whose bytes the caller fills at once (so zero-filling them first would be wasted).
void* AllocFilled(size_t size, const char* file, int line) {
  if (size > (SIZE_MAX - kHeaderSize)) OutOfMemory(size, file, line);
  return Track(static_cast<Header*>(std::malloc(size + kHeaderSize)), size, file, line);
}

}  // namespace

void* Alloc(size_t size, const char* file, int line) {
  if (size > (SIZE_MAX - kHeaderSize)) OutOfMemory(size, file, line);
  return Track(static_cast<Header*>(std::calloc(1, size + kHeaderSize)), size, file, line);
}

void* ReAlloc(void* block, size_t size, const char* file, int line) {
  if (block == nullptr) return Alloc(size, file, line);
  if (!IsManaged(block)) {
    // A foreign block: resize it with the system allocator; new bytes cannot be known, so they are
    // not zero-filled (the manager never hands such blocks out itself).
    void* p = std::realloc(block, size);
    if (p == nullptr && size != 0) OutOfMemory(size, file, line);
    return p;
  }
  Header* h = HeaderOf(block);
  size_t old = h->size;
  if (size > (SIZE_MAX - kHeaderSize)) OutOfMemory(size, file, line);
  auto* n = static_cast<Header*>(std::realloc(h, size + kHeaderSize));
  if (n == nullptr) OutOfMemory(size, file, line);
  char* user = reinterpret_cast<char*>(n) + kHeaderSize;
  if (size > old) std::memset(user + old, 0, size - old);
  n->size = size;
  g_bytes += static_cast<int64_t>(size) - static_cast<int64_t>(old);
  return user;
}

void Free(void* block) {
  if (block == nullptr) return;
  if (!IsManaged(block)) {
    std::free(block);
    return;
  }
  Header* h = HeaderOf(block);
  g_bytes -= static_cast<int64_t>(h->size);
  g_blocks -= 1;
  h->markerA = 0;  // a second free of the same block is then seen as foreign, not counted twice
  h->markerB = 0;
  std::free(h);
}

size_t BlockSize(const void* block) {
  return IsManaged(block) ? HeaderOf(block)->size : 0;
}

int64_t TotalBytes() { return g_bytes; }
int64_t TotalBlocks() { return g_blocks; }

void DumpTotal() {
  Console::Output("Total memory used = %d(0x%08lx) bytes\n", static_cast<int>(g_bytes),
                  static_cast<unsigned long>(g_bytes));
}

char* DupString(const char* text, const char* file, int line) {
  if (text == nullptr) return nullptr;
  size_t n = std::strlen(text);
  char* p = static_cast<char*>(AllocFilled(n + 1, file, line));
  std::memcpy(p, text, n + 1);
  return p;
}

}  // namespace MemoryManager
