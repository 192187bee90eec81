// JPEG files as RGBA32 pictures (libjpeg-turbo).
//
// Gray, YCbCr and RGB pictures come out opaque RGB; CMYK and YCCK pictures
// are converted with the inverted-ink rule of Adobe files. A stream that ends
// early or whose entropy-coded data breaks off is a failure, not a picture
// with a gray bottom.
#pragma once

#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

bool read_jpeg_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                           const PictureLimits& limits = {}) noexcept;

}  // namespace mur::imaging
