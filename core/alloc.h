// The engine's one answer to an exhausted heap: a message naming what could not be allocated,
// then the end of the process. Every heap block the engine makes through malloc, calloc or
// realloc is checked here, so no caller ever sees a null block; `new` reaches the same end
// through the handler the program installs at start-up.
#pragma once

#include <cstddef>

// The status the process ends with when the heap is exhausted. No other path ends with it
// (0 to 3 are the program's own statuses).
inline constexpr int OUT_OF_MEMORY_STATUS = 4;

// Prints "ERROR: out of memory allocating <what>" on stderr and ends the process with
// OUT_OF_MEMORY_STATUS. At-exit handlers do not run: the records being built are half made and
// the heap has nothing to spare for a tidy teardown.
[[noreturn]] void failAllocation(const char* what);
// calloc and realloc that end the process rather than return null. A zero size still gives a
// block of its own (or, for reallocBlock, a valid one), as the C library may return null for it.
void* allocZeroed(size_t count, size_t size, const char* what);
void* reallocBlock(void* block, size_t bytes, const char* what);
