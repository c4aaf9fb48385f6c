// The runner's memory manager: every block carries a 16-byte header with its size and two markers,
// is handed out zero-filled, and is counted in running totals of bytes and blocks.
#pragma once
#include <cstddef>
#include <cstdint>

namespace MemoryManager {

constexpr uint32_t kMarkerA = 0xDEADC0DEu;
constexpr uint32_t kMarkerB = 0xBAADB00Bu;
constexpr size_t kHeaderSize = 16;

// Zero-filled block of `size` bytes; `file` and `line` name the requester.
void* Alloc(size_t size, const char* file, int line);
// Keeps the old bytes and zero-fills the new ones. A null block allocates.
void* ReAlloc(void* block, size_t size, const char* file, int line);
// Checks the markers; a block that this manager did not hand out goes to the system allocator.
void Free(void* block);
// True when the block carries this manager's markers.
bool IsManaged(const void* block);
// Size of a managed block (0 for null or a foreign block).
size_t BlockSize(const void* block);

int64_t TotalBytes();
int64_t TotalBlocks();
// Prints "Total memory used = %d(0x%08lx) bytes\n" on the console.
void DumpTotal();

// A zero-terminated copy of `text` (null stays null).
char* DupString(const char* text, const char* file, int line);

}  // namespace MemoryManager

#define MemAlloc(size) MemoryManager::Alloc((size), __FILE__, __LINE__)
#define MemReAlloc(block, size) MemoryManager::ReAlloc((block), (size), __FILE__, __LINE__)
#define MemFree(block) MemoryManager::Free(block)
#define MemDupString(text) MemoryManager::DupString((text), __FILE__, __LINE__)
