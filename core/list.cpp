// Storage growth for the engine's lists and the per-frame index lists.
#include "core/list.h"

#include <bit>
#include <cstdio>

size_t listCapacity(int32_t count) {
    return count <= 0 ? 0 : std::bit_ceil(static_cast<size_t>(count));
}

// Storage grows only when it is full, that is when count is 0 or a power of two, and then
// doubles: n appends copy fewer than 2n elements in all. Large blocks are moved by the
// allocator's page remapping, so a doubling costs no copy at all past its mmap threshold.
void* growListStorage(void* items, int32_t count, size_t elementSize) {
    if (count < 0) count = 0;
    if (listCapacity(count) > static_cast<size_t>(count)) return items;
    void* grown = std::realloc(items, listCapacity(count + 1) * elementSize);
    if (grown == nullptr) {
        char what[48];
        std::snprintf(what, sizeof(what), "a list of %zu elements", listCapacity(count + 1));
        failAllocation(what);
    }
    return grown;
}

IndexList* createIndexList(int32_t first) {
    auto* list = static_cast<IndexList*>(allocZeroed(1, sizeof(IndexList), "an index list"));
    return appendIndex(list, first);
}

IndexList* appendIndex(IndexList* list, int32_t index) {
    appendRecord(&list->count, &list->items, index);
    return list;
}

void freeIndexList(IndexList* list) {
    if (list == nullptr) return;
    std::free(list->items);
    std::free(list);
}
