// GIF files as RGBA32 pictures (giflib): the first frame only.
//
// The picture has the size of the logical screen (widened when the first
// frame reaches beyond it); the frame is placed at its offset and the rest is
// transparent black. The transparent colour index of the frame's graphic
// control block gives alpha 0; indices beyond the colour table are opaque
// black. Interlaced frames are put back in row order.
#pragma once

#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

bool read_gif_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                          const PictureLimits& limits = {}) noexcept;

}  // namespace mur::imaging
