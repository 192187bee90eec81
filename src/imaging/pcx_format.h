// ZSoft PCX pictures.
//
// Written (line_writer.h): version 5, 24-bit as three 8-bit planes a row
// (R, G, B), each plane run-length coded on its own, resolution in the
// header in dots per inch. Read: 8-bit pictures of one plane with the
// 256-colour palette at the end of the file, of three planes (RGB) and of
// four (RGBA). Damaged, truncated or oversized files fail with nothing
// left allocated.
#pragma once

#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

inline constexpr int kPcxHeaderBytes = 128;

// Bytes of one plane of a row: the width rounded up to an even count.
inline int32_t pcx_bytes_per_line(int32_t width) noexcept { return width + (width & 1); }

bool looks_like_pcx(const uint8_t* data, std::size_t size) noexcept;

bool read_pcx_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                          const PictureLimits& limits = {}) noexcept;

}  // namespace mur::imaging
