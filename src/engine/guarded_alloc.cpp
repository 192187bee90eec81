#include "engine/guarded_alloc.h"

#include "engine/guard.h"
#include "engine/hooks.h"
#include "engine/memory.h"
#include "murcore.h"

#include <cstring>

namespace mur {
namespace {

inline constexpr std::size_t kUnobtainable = SIZE_MAX;

// The shared retry rule: try; when that fails, have the undo history give up
// the request's kilobytes (it gives something every round while it has any)
// and try again, until it has nothing left.
void* allocate_reducing_history(std::size_t bytes, int32_t kilobytes)
{
    for (;;) {
        if (bytes != kUnobtainable)
            if (void* block = mem::try_alloc(bytes)) return block;
        const auto giveUp = engine_hooks().giveUpHistory;
        if (!giveUp || !giveUp(kilobytes)) return nullptr;
    }
}

int32_t kilobytes_of(std::size_t bytes)
{
    const std::size_t kb = bytes >> 10;
    return kb > INT32_MAX ? INT32_MAX : static_cast<int32_t>(kb);
}

}  // namespace

uint8_t* x_NewCharUndoReduce(std::size_t bytes) noexcept
{
    try {
        return static_cast<uint8_t*>(allocate_reducing_history(bytes, kilobytes_of(bytes)));
    } catch (...) {
        set_fault_text("x_NewCharUndoReduce");
        return nullptr;
    }
}

uint16_t* x_NewShortUndoReduce(int64_t count) noexcept
{
    try {
        const bool obtainable = count >= 0 && static_cast<uint64_t>(count) <= SIZE_MAX / 2;
        const std::size_t bytes = obtainable ? static_cast<std::size_t>(count) * 2 : kUnobtainable;
        return static_cast<uint16_t*>(allocate_reducing_history(bytes, kilobytes_of(bytes)));
    } catch (...) {
        set_fault_text("x_NewShortUndoReduce");
        return nullptr;
    }
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void* MUR_Alloc(int32_t bytes)
{
    // A negative size is no request at all: it fails without costing history.
    if (bytes < 0) return nullptr;
    return guard_silent<void*>(nullptr, [&]() -> void* {
        return allocate_reducing_history(static_cast<std::size_t>(bytes), bytes / 1024);
    });
}

MUR_API void MUR_Free(void* pointer)
{
    guard("Free", [&] { mem::release(pointer); });
}

MUR_API void MUR_Memcpy(void* destination, const void* source, int32_t count)
{
    mur::guard("Memcpy", [&] {
        if (!destination || !source || count <= 0) return;
        std::memmove(destination, source, static_cast<std::size_t>(count));
    });
}

}  // extern "C"
