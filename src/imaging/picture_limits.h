// Size bounds a picture reader checks against a file's header before it
// allocates anything. The defaults are the engine's picture limits; callers
// that read untrusted data in bulk may pass tighter ones.
#pragma once

#include "imaging/picture.h"

#include <cstdint>

namespace mur::imaging {

struct PictureLimits {
    int32_t maxSide = kMaxPictureSide;
    uint64_t maxPixels = kMaxPicturePixels;
    int32_t maxHeight = kMaxPictureSide;  // strips of frames: the rows alone bounded

    bool allows(int64_t width, int64_t height) const noexcept
    {
        if (width <= 0 || height <= 0) return false;
        if (width > maxSide || height > maxSide || height > maxHeight) return false;
        if (width > kMaxPictureSide || height > kMaxPictureSide) return false;
        const uint64_t pixels = uint64_t(width) * uint64_t(height);
        return pixels <= maxPixels && pixels <= kMaxPicturePixels;
    }
};

}  // namespace mur::imaging
