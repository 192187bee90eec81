// TIFF files as RGBA32 pictures (libtiff): the first image of the file, in
// any layout libtiff's RGBA interface reads (strips or tiles, contiguous or
// planar, 1 to 16 bits, palette, gray, RGB, CMYK, YCbCr, and the
// compressions the library was built with). Alpha comes out straight
// (libtiff hands it out premultiplied).
#pragma once

#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

bool read_tiff_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                           const PictureLimits& limits = {}) noexcept;

}  // namespace mur::imaging
