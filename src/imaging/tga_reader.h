// Truevision TGA files as RGBA32 pictures.
//
// Read: uncompressed and RLE pictures of 8-bit gray (16 bits: gray and
// alpha), colour-mapped 8-bit indices (map entries of 15, 16, 24 or 32
// bits), and true colour of 15, 16, 24 and 32 bits; the origin bits of the
// descriptor (rows top-down or bottom-up, columns right-to-left) are obeyed.
// An alpha channel that is zero in every pixel is taken as absent, so such
// files come out opaque.
//
// TGA files carry no signature; `looks_like_tga` checks that a header is
// self-consistent, which is how a reader that goes by content tells them
// apart from random data.
#pragma once

#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

bool looks_like_tga(const uint8_t* data, std::size_t size) noexcept;

bool read_tga_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                          const PictureLimits& limits = {}) noexcept;

}  // namespace mur::imaging
