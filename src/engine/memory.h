// The engine's heap. Every buffer the engine owns comes from here, so that
// tests can make allocations fail on purpose (a countdown or a byte budget)
// and can count what is still live.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace mur::mem {

// Plain allocation: zero-filled, throws std::bad_alloc when the block cannot
// be had. The enclosing export's guard turns that into its failure text.
void* alloc(std::size_t bytes);

// The same, returning null instead of throwing.
void* try_alloc(std::size_t bytes) noexcept;

// Without the zero fill, for buffers that are written whole before use.
void* try_alloc_uninit(std::size_t bytes) noexcept;

// Releases a block of alloc/try_alloc; null is ignored. May raise a fault
// (a foreign block, or one injected by a test).
void release(void* block);

// The same for code that must not raise (callbacks of C libraries): never
// faults, a foreign block is left alone.
void release_nothrow(void* block) noexcept;

template <class T>
T* alloc_array(std::size_t count)
{
    if (count > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(alloc(count * sizeof(T)));
}

template <class T>
T* try_alloc_array(std::size_t count) noexcept
{
    if (count > SIZE_MAX / sizeof(T)) return nullptr;
    return static_cast<T*>(try_alloc(count * sizeof(T)));
}

// Releases the block an owning pointer holds and nulls the pointer.
template <class T>
void release_and_null(T*& owner)
{
    T* block = owner;
    release(block);
    owner = nullptr;
}

// A temporary block owned for the length of one operation and released on
// every path out of it.
struct ReleaseBlock {
    void operator()(void* block) const noexcept { release_nothrow(block); }
};
template <class T>
using Owned = std::unique_ptr<T[], ReleaseBlock>;

// Counters of what is live now.
std::size_t live_bytes() noexcept;
std::size_t live_blocks() noexcept;

// Large released blocks are kept for reuse (a few, bounded in total);
// `trim` hands them back to the system, as does an allocation that fails.
void trim() noexcept;
std::size_t cached_bytes() noexcept;

// Failure injection for tests. `fail_allocations(after, count)`: the next
// `after` allocations succeed, then `count` fail (count < 0: all fail).
// `set_budget(bytes)`: an allocation fails when it would raise the live
// bytes above the budget. `fault_releases(after)`: after `after` releases the
// next one raises a fault instead of releasing (the block stays owned).
// `reset_failures()` lifts all three.
void fail_allocations(long after, long count) noexcept;
void set_budget(std::size_t bytes) noexcept;
void fault_releases(long after) noexcept;
void reset_failures() noexcept;

// For the allocation sweeps: every allocation attempt counts, those of the
// engine heap and those of another allocator (operator new in a test) that
// takes part in the same countdown through `foreign_allocation_fails`.
// `injectedThrowing` counts the injected failures that reached a caller as
// an exception (alloc and alloc_array here; the foreign allocator reports
// its own with `note_injected_throw`).
struct AllocationCounts {
    std::size_t attempts = 0;
    std::size_t injected = 0;
    std::size_t injectedThrowing = 0;
};
AllocationCounts allocation_counts() noexcept;
bool foreign_allocation_fails(std::size_t bytes) noexcept;
void note_injected_throw() noexcept;

}  // namespace mur::mem
