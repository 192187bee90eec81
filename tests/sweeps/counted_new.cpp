#include "sweeps/counted_new.h"

#include "engine/memory.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace mur::sweep {
namespace {

std::atomic<bool> g_armed{false};
std::atomic<int64_t> g_live{0};

void* counted(std::size_t bytes, std::size_t alignment, bool throwing)
{
    if (g_armed.load(std::memory_order_relaxed) && mem::foreign_allocation_fails(bytes)) {
        if (!throwing) return nullptr;
        mem::note_injected_throw();
        throw std::bad_alloc();
    }
    if (bytes == 0) bytes = 1;
    void* p = alignment > alignof(std::max_align_t) ? std::aligned_alloc(alignment, (bytes + alignment - 1) / alignment * alignment)
                                                   : std::malloc(bytes);
    if (!p) {
        if (throwing) throw std::bad_alloc();
        return nullptr;
    }
    g_live.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void uncounted(void* p) noexcept
{
    if (!p) return;
    g_live.fetch_sub(1, std::memory_order_relaxed);
    std::free(p);
}

}  // namespace

void arm_operator_new(bool armed) noexcept { g_armed.store(armed, std::memory_order_relaxed); }
int64_t live_operator_new_blocks() noexcept { return g_live.load(std::memory_order_relaxed); }

}  // namespace mur::sweep

using mur::sweep::counted;
using mur::sweep::uncounted;

void* operator new(std::size_t n) { return counted(n, 0, true); }
void* operator new[](std::size_t n) { return counted(n, 0, true); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return counted(n, 0, false); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return counted(n, 0, false); }
void* operator new(std::size_t n, std::align_val_t a) { return counted(n, std::size_t(a), true); }
void* operator new[](std::size_t n, std::align_val_t a) { return counted(n, std::size_t(a), true); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return counted(n, std::size_t(a), false); }
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return counted(n, std::size_t(a), false); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, std::size_t) noexcept { uncounted(p); }
void operator delete[](void* p, std::size_t) noexcept { uncounted(p); }
void operator delete(void* p, std::align_val_t) noexcept { uncounted(p); }
void operator delete[](void* p, std::align_val_t) noexcept { uncounted(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { uncounted(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { uncounted(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { uncounted(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { uncounted(p); }
