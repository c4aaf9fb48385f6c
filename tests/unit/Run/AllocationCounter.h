// Counts the heap allocations the test binary makes (malloc, calloc, realloc, and so operator new
// and the memory manager, which both end there) while counting is switched on. The counter replaces
// the C library's allocator entry points and forwards to its own implementation; under the
// sanitizers, which replace them themselves, it is not built and Available() is false.
#pragma once
#include <cstdint>

namespace AllocationCounter {

bool Available();
// Starts counting from zero.
void Start();
// Stops counting and returns the number of allocations since Start.
int64_t Stop();

}  // namespace AllocationCounter
