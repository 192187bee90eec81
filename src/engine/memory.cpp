#include "engine/memory.h"

#include "engine/fault.h"

#include <atomic>
#include <cstdlib>

namespace mur::mem {
namespace {

// Each block carries a small header in front of the caller's bytes: its size
// (for the live counters and the budget) and a tag that catches releases of
// foreign or already released pointers.
struct alignas(16) BlockHeader {
    std::size_t bytes;
    std::uint64_t tag;
};
constexpr std::uint64_t kLiveTag = 0x6d75726c69766521ull;  // "murlive!"
constexpr std::uint64_t kDeadTag = 0x6d75726465616421ull;  // "murdead!"

std::atomic<std::size_t> g_liveBytes{0};
std::atomic<std::size_t> g_liveBlocks{0};

std::atomic<long> g_failAfter{-1};   // allocations to let through before failing; -1 = off
std::atomic<long> g_failCount{0};    // allocations to fail once the countdown ends; < 0 = all
std::atomic<std::size_t> g_budget{SIZE_MAX};
std::atomic<long> g_faultReleaseAfter{-1};

bool injected_failure(std::size_t bytes) noexcept
{
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
    return true;
}

}  // namespace

void* try_alloc(std::size_t bytes) noexcept
{
    if (bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    if (injected_failure(bytes)) return nullptr;
    void* raw = std::calloc(1, sizeof(BlockHeader) + bytes);
    if (!raw) return nullptr;
    auto* header = static_cast<BlockHeader*>(raw);
    header->bytes = bytes;
    header->tag = kLiveTag;
    g_liveBytes.fetch_add(bytes, std::memory_order_relaxed);
    g_liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return header + 1;
}

void* alloc(std::size_t bytes)
{
    void* block = try_alloc(bytes);
    if (!block) throw std::bad_alloc();
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
    header->tag = kDeadTag;
    g_liveBytes.fetch_sub(header->bytes, std::memory_order_relaxed);
    g_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    std::free(header);
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

void reset_failures() noexcept
{
    g_failAfter.store(-1, std::memory_order_relaxed);
    g_failCount.store(0, std::memory_order_relaxed);
    g_budget.store(SIZE_MAX, std::memory_order_relaxed);
    g_faultReleaseAfter.store(-1, std::memory_order_relaxed);
}

}  // namespace mur::mem
