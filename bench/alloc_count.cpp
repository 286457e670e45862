// The executable's own malloc, calloc, realloc and aligned variants: each counts one allocation
// and forwards to the C library's implementation. Frees are not counted.
#include "bench/alloc_count.h"

#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {
std::atomic<long long> allocations{0};
void count() {
    allocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

extern "C" {

void* malloc(size_t size) noexcept {
    count();
    return __libc_malloc(size);
}

void* calloc(size_t count_, size_t size) noexcept {
    count();
    return __libc_calloc(count_, size);
}

void* realloc(void* pointer, size_t size) noexcept {
    count();
    return __libc_realloc(pointer, size);
}

void free(void* pointer) noexcept {
    __libc_free(pointer);
}

void* aligned_alloc(size_t alignment, size_t size) noexcept {
    count();
    return __libc_memalign(alignment, size);
}

void* memalign(size_t alignment, size_t size) noexcept {
    count();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) noexcept {
    count();
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) return 12; // ENOMEM
    *out = p;
    return 0;
}

} // extern "C"

namespace bench {
long long allocationCount() {
    return allocations.load(std::memory_order_relaxed);
}
} // namespace bench
