// The out-of-memory policy: one message, one exit status.
#include "core/alloc.h"

#include <cstdio>
#include <cstdlib>

void failAllocation(const char* what) {
    std::fprintf(stderr, "ERROR: out of memory allocating %s\n", what);
    std::fflush(nullptr); // keep what stdout holds: _Exit flushes nothing
    std::_Exit(OUT_OF_MEMORY_STATUS);
}

void* allocZeroed(size_t count, size_t size, const char* what) {
    void* block = std::calloc(count > 0 ? count : 1, size > 0 ? size : 1);
    if (block == nullptr) failAllocation(what);
    return block;
}

void* reallocBlock(void* block, size_t bytes, const char* what) {
    void* grown = std::realloc(block, bytes > 0 ? bytes : 1);
    if (grown == nullptr) failAllocation(what);
    return grown;
}
