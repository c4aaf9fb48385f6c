#include "AllocationCounter.h"

#include <cstddef>

#ifndef TESSERA_SANITIZED

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void __libc_free(void* block);
}

namespace {
bool g_counting = false;
int64_t g_count = 0;
}  // namespace

extern "C" {
void* malloc(size_t size) {
  if (g_counting) ++g_count;
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  if (g_counting) ++g_count;
  return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
  if (g_counting) ++g_count;
  return __libc_realloc(block, size);
}
void free(void* block) { __libc_free(block); }
}

namespace AllocationCounter {
bool Available() { return true; }
void Start() {
  g_count = 0;
  g_counting = true;
}
int64_t Stop() {
  g_counting = false;
  return g_count;
}
}  // namespace AllocationCounter

#else

namespace AllocationCounter {
bool Available() { return false; }
void Start() {}
int64_t Stop() { return 0; }
}  // namespace AllocationCounter

#endif
