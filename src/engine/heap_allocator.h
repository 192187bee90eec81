// An allocator that puts standard containers on the engine's heap.
#pragma once

#include "engine/memory.h"

#include <cstddef>

namespace mur::mem {

// The allocator of standard containers the engine keeps across calls (caches):
// their blocks come from the engine's heap, counted and failing like any
// other block (a failure throws std::bad_alloc).
template <class T>
struct HeapAllocator {
    using value_type = T;
    HeapAllocator() noexcept = default;
    template <class U>
    HeapAllocator(const HeapAllocator<U>&) noexcept {}  // NOLINT: rebinding is implicit
    T* allocate(std::size_t count) { return alloc_array<T>(count); }
    void deallocate(T* block, std::size_t) noexcept { release_nothrow(block); }
    template <class U>
    bool operator==(const HeapAllocator<U>&) const noexcept { return true; }
};

}  // namespace mur::mem
