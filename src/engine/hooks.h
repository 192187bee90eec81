// Where the engine and the lower modules reach the modules above them. The
// engine's lifecycle and its allocators act on the undo history and the
// pick-up buffers, and selecting a layer refreshes the undo back buffers;
// the modules that own those install their hooks as the library loads (in
// the file that defines their entry points, so that a program that links a
// module also links its hooks). A hook that is not installed does nothing:
// what it would act on does not exist.
#pragma once

#include <cstdint>

namespace mur {

struct EngineHooks {
    // The undo history gives up entries, oldest first, to make room for an
    // allocation of `kilobytes`; false when it has nothing left to give.
    bool (*giveUpHistory)(int32_t kilobytes) = nullptr;
    // Every history entry's patches released.
    void (*releaseHistoryEntries)() = nullptr;
    // The undo back buffers released.
    void (*releaseBackBuffers)() = nullptr;
    // The history emptied, its counters reset and the back buffers refreshed.
    void (*clearHistory)() = nullptr;
    // A layer was made the current one: its undo back buffer is refreshed.
    void (*layerSelected)(int32_t slot) = nullptr;
    // The number of pick-up buffers (0 releases them all).
    void (*setBlendBufferCount)(int32_t count) = nullptr;
};

EngineHooks& engine_hooks() noexcept;

}  // namespace mur
