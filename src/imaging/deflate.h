// Compression of whole buffers (zlib streams).
#pragma once

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

// Compresses `size` bytes of `src` into `dst` as one zlib stream. `level` is
// 0 (store) to 9 (smallest); anything else is the library's default. Returns
// the compressed length, or 0 when it does not fit `capacity` or fails.
std::size_t deflate_buffer(const uint8_t* src, std::size_t size, uint8_t* dst, std::size_t capacity,
                           int level) noexcept;

// The largest compressed length `deflate_buffer` can produce for `size` bytes.
std::size_t deflate_bound(std::size_t size) noexcept;

// Decompresses one zlib stream of `size` bytes into `dst`. Returns the
// decompressed length, or 0 when the stream is corrupt, truncated or longer
// than `capacity`.
std::size_t inflate_buffer(const uint8_t* src, std::size_t size, uint8_t* dst, std::size_t capacity) noexcept;

}  // namespace mur::imaging
