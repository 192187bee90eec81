// Camera raw files through LibRaw, developed to 8-bit RGB at full size and
// handed out as opaque RGBA32 pictures.
//
// The sizes a file declares (the sensor's and the developed picture's) are
// checked against the picture limits before anything is unpacked, and
// LibRaw's own working memory is bounded by them. `outOfMemory`, when given,
// tells a failure for want of memory from a file that cannot be read.
#pragma once

#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

bool read_raw_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                          const PictureLimits& limits = {}, bool* outOfMemory = nullptr) noexcept;

bool read_raw(const char* path, Rgba32Picture& picture, const PictureLimits& limits = {},
              bool* outOfMemory = nullptr) noexcept;

}  // namespace mur::imaging
