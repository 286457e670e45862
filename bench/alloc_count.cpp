// The executable's own malloc, calloc, realloc, aligned variants and operator new: each counts
// one allocation, and one more "own" allocation when its caller lies in the executable's text,
// then forwards to the C library's implementation. Frees are not counted.
#include "bench/alloc_count.h"

#include <atomic>
#include <cstddef>
#include <new>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
// Bounds of the executable's code, from the linker.
extern char __executable_start;
extern char etext;
}

namespace {

std::atomic<long long> allocations{0};
std::atomic<long long> ownAllocations{0};

inline void countFrom(const void* caller) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    const char* c = static_cast<const char*>(caller);
    if (c >= &__executable_start && c < &etext)
        ownAllocations.fetch_add(1, std::memory_order_relaxed);
}

void* newOrThrow(size_t size, const void* caller) {
    countFrom(caller);
    void* p = __libc_malloc(size ? size : 1);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

} // namespace

extern "C" {

void* malloc(size_t size) noexcept {
    countFrom(__builtin_return_address(0));
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) noexcept {
    countFrom(__builtin_return_address(0));
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size) noexcept {
    countFrom(__builtin_return_address(0));
    return __libc_realloc(pointer, size);
}

void free(void* pointer) noexcept {
    __libc_free(pointer);
}

void* aligned_alloc(size_t alignment, size_t size) noexcept {
    countFrom(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

void* memalign(size_t alignment, size_t size) noexcept {
    countFrom(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) noexcept {
    countFrom(__builtin_return_address(0));
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) return 12; // ENOMEM
    *out = p;
    return 0;
}

} // extern "C"

void* operator new(size_t size) {
    return newOrThrow(size, __builtin_return_address(0));
}
void* operator new[](size_t size) {
    return newOrThrow(size, __builtin_return_address(0));
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    countFrom(__builtin_return_address(0));
    return __libc_malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    countFrom(__builtin_return_address(0));
    return __libc_malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
    __libc_free(p);
}
void operator delete[](void* p) noexcept {
    __libc_free(p);
}
void operator delete(void* p, size_t) noexcept {
    __libc_free(p);
}
void operator delete[](void* p, size_t) noexcept {
    __libc_free(p);
}

namespace bench {
long long allocationCount() {
    return allocations.load(std::memory_order_relaxed);
}
long long ownAllocationCount() {
    return ownAllocations.load(std::memory_order_relaxed);
}
} // namespace bench
