// The engine's growable lists: a count and a heap array, appended to and never shrunk or
// reordered. Three forms: PtrList (pointers to records the owner keeps), record arrays held by
// value (RecordList, or a count/items pair inside a record), and IndexList (int32 entity
// indices, made per frame and freed after one use).
// The array's capacity is implied by the count (the next power of two), so the headers hold only
// count and items and an append is amortised constant. A record array still moves when it
// grows, so nothing keeps a pointer to one of its elements: everything refers to elements by
// index, and an index never changes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "core/alloc.h"

// Elements the storage of a list of `count` elements holds: 0 for an empty list, else the next
// power of two at or above count.
size_t listCapacity(int32_t count);
// Makes room for element number `count` in storage that holds listCapacity(count) elements, so
// callers must grow a list one element at a time from empty, through this function only.
void* growListStorage(void* items, int32_t count, size_t elementSize);

template <typename T> struct PtrList {
    int32_t count;
    T** items;
};

template <typename T> struct RecordList {
    int32_t count;
    T* items;
};

struct IndexList {
    int32_t count;
    int32_t* items;
};

// A new, empty PtrList on the heap (count 0). The list's owner frees it, with the records its
// pointers name, through its own subsystem's free function.
template <typename T> PtrList<T>* createList() {
    return static_cast<PtrList<T>*>(allocZeroed(1, sizeof(PtrList<T>), "a list"));
}

template <typename T> RecordList<T>* createRecordList() {
    return static_cast<RecordList<T>*>(allocZeroed(1, sizeof(RecordList<T>), "a list"));
}

// Stores the pointer in a new last slot; returns its index (the old count).
template <typename T> int32_t appendPointer(PtrList<T>* list, T* pointer) {
    list->items = static_cast<T**>(growListStorage(list->items, list->count, sizeof(T*)));
    list->items[list->count] = pointer;
    return list->count++;
}

// No range test: callers pass indices that an append returned.
template <typename T> T* getPointer(const PtrList<T>* list, int32_t index) {
    return list->items[index];
}

// Copies the record into a new last slot of a count/items pair; returns its index.
template <typename T> int32_t appendRecord(int32_t* count, T** items, const T& record) {
    static_assert(std::is_trivially_copyable_v<T>, "record arrays hold plain records");
    *items = static_cast<T*>(growListStorage(*items, *count, sizeof(T)));
    std::memcpy(static_cast<void*>(*items + *count), &record, sizeof(T));
    return (*count)++;
}

template <typename T> int32_t appendRecord(RecordList<T>* list, const T& record) {
    return appendRecord(&list->count, &list->items, record);
}

IndexList* createIndexList(int32_t first);
IndexList* appendIndex(IndexList* list, int32_t index);
void freeIndexList(IndexList* list);
