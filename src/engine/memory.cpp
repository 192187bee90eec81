#include "engine/memory.h"

#include "engine/fault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace mur::mem {
namespace {

// Each block carries a small header in front of the caller's bytes: the size
// asked for (for the live counters and the budget), the size it really has,
// and a tag that catches releases of foreign or already released pointers.
struct alignas(16) BlockHeader {
    std::size_t bytes;
    std::size_t capacity;
    std::uint64_t tag;
};
constexpr std::uint64_t kLiveTag = 0x6d75726c69766521ull;    // "murlive!"
constexpr std::uint64_t kDeadTag = 0x6d75726465616421ull;    // "murdead!"
constexpr std::uint64_t kCachedTag = 0x6d75726361636821ull;  // "murcach!"

std::atomic<std::size_t> g_liveBytes{0};
std::atomic<std::size_t> g_liveBlocks{0};

std::atomic<long> g_failAfter{-1};   // allocations to let through before failing; -1 = off
std::atomic<long> g_failCount{0};    // allocations to fail once the countdown ends; < 0 = all
std::atomic<std::size_t> g_budget{SIZE_MAX};
std::atomic<long> g_faultReleaseAfter{-1};

std::atomic<std::size_t> g_attempts{0};
std::atomic<std::size_t> g_injected{0};
std::atomic<std::size_t> g_injectedThrowing{0};
thread_local bool t_lastFailureInjected = false;

// Recently released large blocks, kept for the next request of about the same
// size: page-sized buffers (undo patches, working copies) come and go in
// pairs, and fresh pages from the system cost a fault each on first touch.
constexpr std::size_t kCachedMinBytes = std::size_t{1} << 20;
constexpr std::size_t kCachedMaxTotal = std::size_t{512} << 20;
constexpr int kCachedMaxBlocks = 2;

struct BlockCache {
    std::mutex lock;
    BlockHeader* blocks[kCachedMaxBlocks] = {};
    std::size_t total = 0;
};
BlockCache g_cache;

bool injected_failure(std::size_t bytes) noexcept
{
    g_attempts.fetch_add(1, std::memory_order_relaxed);
    if (g_budget.load(std::memory_order_relaxed) != SIZE_MAX &&
        g_liveBytes.load(std::memory_order_relaxed) + bytes > g_budget.load(std::memory_order_relaxed))
        return true;
    long after = g_failAfter.load(std::memory_order_relaxed);
    if (after < 0) return false;
    if (after > 0) {
        g_failAfter.store(after - 1, std::memory_order_relaxed);
        return false;
    }
    long count = g_failCount.load(std::memory_order_relaxed);
    if (count == 0) {
        g_failAfter.store(-1, std::memory_order_relaxed);
        return false;
    }
    if (count > 0) {
        g_failCount.store(count - 1, std::memory_order_relaxed);
        if (count == 1) g_failAfter.store(-1, std::memory_order_relaxed);
    }
    g_injected.fetch_add(1, std::memory_order_relaxed);
    return true;
}

// A cached block that fits `bytes` without wasting more than a quarter.
BlockHeader* take_cached(std::size_t bytes) noexcept
{
    if (bytes < kCachedMinBytes) return nullptr;
    std::lock_guard<std::mutex> hold(g_cache.lock);
    int best = -1;
    for (int i = 0; i < kCachedMaxBlocks; ++i) {
        const BlockHeader* b = g_cache.blocks[i];
        if (b && b->capacity >= bytes && b->capacity - bytes <= bytes / 4 &&
            (best < 0 || b->capacity < g_cache.blocks[best]->capacity))
            best = i;
    }
    if (best < 0) return nullptr;
    BlockHeader* block = g_cache.blocks[best];
    g_cache.blocks[best] = nullptr;
    g_cache.total -= block->capacity;
    return block;
}

bool keep_cached(BlockHeader* block) noexcept
{
    if (block->capacity < kCachedMinBytes) return false;
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (g_cache.total + block->capacity > kCachedMaxTotal) return false;
    for (BlockHeader*& slot : g_cache.blocks) {
        if (slot) continue;
        block->tag = kCachedTag;
        slot = block;
        g_cache.total += block->capacity;
        return true;
    }
    return false;
}

// Page-sized buffers are walked row by row with strides of many pages: huge
// pages spare the translation misses. Only a hint; ignored where unsupported.
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

void advise_huge_pages(void* block, std::size_t bytes) noexcept
{
    if (bytes < 2 * kHugePageBytes) return;
    const auto begin = (reinterpret_cast<uintptr_t>(block) + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    const auto end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kHugePageBytes - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

void* hand_out(BlockHeader* header, std::size_t bytes) noexcept
{
    header->bytes = bytes;
    header->tag = kLiveTag;
    g_liveBytes.fetch_add(bytes, std::memory_order_relaxed);
    g_liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return header + 1;
}

void* obtain(std::size_t bytes, bool zeroed) noexcept
{
    t_lastFailureInjected = false;
    if (bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    if (injected_failure(bytes)) {
        t_lastFailureInjected = true;
        return nullptr;
    }
    if (BlockHeader* cached = take_cached(bytes)) {
        if (zeroed) std::memset(cached + 1, 0, bytes);
        return hand_out(cached, bytes);
    }
    const std::size_t total = sizeof(BlockHeader) + bytes;
    void* raw = zeroed ? std::calloc(1, total) : std::malloc(total);
    if (!raw) {
        trim();
        raw = zeroed ? std::calloc(1, total) : std::malloc(total);
        if (!raw) return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(raw);
    header->capacity = bytes;
    advise_huge_pages(raw, total);
    return hand_out(header, bytes);
}

}  // namespace

void* try_alloc(std::size_t bytes) noexcept { return obtain(bytes, true); }
void* try_alloc_uninit(std::size_t bytes) noexcept { return obtain(bytes, false); }

void* alloc(std::size_t bytes)
{
    void* block = obtain(bytes, true);
    if (!block) {
        if (t_lastFailureInjected) note_injected_throw();
        throw std::bad_alloc();
    }
    return block;
}

void release(void* block)
{
    if (!block) return;
    long after = g_faultReleaseAfter.load(std::memory_order_relaxed);
    if (after >= 0) {
        g_faultReleaseAfter.store(after - 1, std::memory_order_relaxed);
        if (after == 0) throw Fault("release");
    }
    auto* header = static_cast<BlockHeader*>(block) - 1;
    if (header->tag != kLiveTag) throw Fault("release of a block the engine does not own");
    release_nothrow(block);
}

void release_nothrow(void* block) noexcept
{
    if (!block) return;
    auto* header = static_cast<BlockHeader*>(block) - 1;
    if (header->tag != kLiveTag) return;
    g_liveBytes.fetch_sub(header->bytes, std::memory_order_relaxed);
    g_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    if (keep_cached(header)) return;
    header->tag = kDeadTag;
    std::free(header);
}

void trim() noexcept
{
    std::lock_guard<std::mutex> hold(g_cache.lock);
    for (BlockHeader*& slot : g_cache.blocks) {
        if (!slot) continue;
        slot->tag = kDeadTag;
        std::free(slot);
        slot = nullptr;
    }
    g_cache.total = 0;
}

std::size_t cached_bytes() noexcept
{
    std::lock_guard<std::mutex> hold(g_cache.lock);
    return g_cache.total;
}

std::size_t live_bytes() noexcept { return g_liveBytes.load(std::memory_order_relaxed); }
std::size_t live_blocks() noexcept { return g_liveBlocks.load(std::memory_order_relaxed); }

void fail_allocations(long after, long count) noexcept
{
    g_failCount.store(count, std::memory_order_relaxed);
    g_failAfter.store(after < 0 ? 0 : after, std::memory_order_relaxed);
}

void set_budget(std::size_t bytes) noexcept { g_budget.store(bytes, std::memory_order_relaxed); }

void fault_releases(long after) noexcept { g_faultReleaseAfter.store(after, std::memory_order_relaxed); }

AllocationCounts allocation_counts() noexcept
{
    return {g_attempts.load(std::memory_order_relaxed), g_injected.load(std::memory_order_relaxed),
            g_injectedThrowing.load(std::memory_order_relaxed)};
}

bool foreign_allocation_fails(std::size_t bytes) noexcept { return injected_failure(bytes); }

void note_injected_throw() noexcept { g_injectedThrowing.fetch_add(1, std::memory_order_relaxed); }

void reset_failures() noexcept
{
    g_failAfter.store(-1, std::memory_order_relaxed);
    g_failCount.store(0, std::memory_order_relaxed);
    g_budget.store(SIZE_MAX, std::memory_order_relaxed);
    g_faultReleaseAfter.store(-1, std::memory_order_relaxed);
}

}  // namespace mur::mem
