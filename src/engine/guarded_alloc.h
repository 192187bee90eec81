// Allocation that gives up undo history, oldest first, rather than fail.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mur {

// Byte buffers: null when the request cannot be met even with the history
// gone. Release with mem::release.
uint8_t* x_NewCharUndoReduce(std::size_t bytes) noexcept;

// Buffers of `count` 16-bit values. A negative count is a request that cannot
// be met: it consumes the history and returns null.
uint16_t* x_NewShortUndoReduce(int64_t count) noexcept;

}  // namespace mur
