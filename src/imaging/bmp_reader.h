// Windows and OS/2 bitmap files (.bmp) as RGBA32 pictures.
//
// Read: the core (OS/2 1.x) header and the info headers of 40, 52, 56, 108
// and 124 bytes; 1, 2, 4 and 8 bits through a palette, 16 and 32 bits as
// BI_RGB or with bit-field masks (BI_BITFIELDS, BI_ALPHABITFIELDS), 24 bits;
// RLE8 and RLE4; bottom-up and top-down rows. A 32- or 16-bit alpha channel
// that is zero in every pixel is taken as absent (many writers leave the
// fourth byte zero), so such files come out opaque. Pixels an RLE stream
// skips are transparent black.
#pragma once

#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

bool read_bmp_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                          const PictureLimits& limits = {}) noexcept;

}  // namespace mur::imaging
