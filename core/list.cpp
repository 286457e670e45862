// Storage growth for the engine's lists and the per-frame index lists.
#include "core/list.h"

#include <cstdio>

void* growListStorage(void* items, int32_t count, size_t elementSize) {
    void* grown = std::realloc(items, (static_cast<size_t>(count) + 1) * elementSize);
    if (grown == nullptr) {
        std::fprintf(stderr, "ERROR: out of memory growing a list of %d elements\n", count);
        std::abort();
    }
    return grown;
}

IndexList* createIndexList(int32_t first) {
    auto* list = static_cast<IndexList*>(std::calloc(1, sizeof(IndexList)));
    if (list == nullptr) throw std::bad_alloc();
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
