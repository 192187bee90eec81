// A drop shadow: the picture's alpha blurred, moved and coloured, laid under
// the picture.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

struct ShadowLook {
    double blur = 0;         // standard deviation of the blur, pixels
    int32_t offsetX = 0;     // the shadow lies this far right of the picture
    int32_t offsetY = 0;     // and this far below it
    double opacity = 1;      // 0..1
    uint8_t colour[3] = {};  // red, green, blue
};

// The moved shadow's offset for a distance and an angle in degrees (0 to
// the right, 90 down), rounded to whole pixels.
void shadow_offset(double distance, double angleDegrees, int32_t& dx, int32_t& dy) noexcept;

// RGBA32 `src` (straight alpha) over its shadow into `dst` (same size, not
// overlapping): where the picture is opaque it stays as it is, where it is
// transparent the shadow shows, in between the picture is composited over
// the shadow. False when the views do not match or memory cannot be had.
bool drop_shadow(const ConstImageView& src, const ImageView& dst, const ShadowLook& look) noexcept;

}  // namespace mur::imaging
