// Copying rectangles between buffers of the same pixel format.
#pragma once

#include "imaging/image_view.h"

namespace mur::imaging {

// Copies the rectangle `from` of `src` to `dst` with its top-left corner at
// (toX, toY), clipped to both buffers. False when a buffer is missing or the
// pixel sizes differ; true otherwise, also when nothing lies inside both.
bool copy_rect(const ConstImageView& src, Rect from, const ImageView& dst, int32_t toX, int32_t toY) noexcept;

// Pastes the whole of `src` opaquely onto `dst` at (x, y), clipped to `dst`.
bool paste_opaque(const ConstImageView& src, const ImageView& dst, int32_t x, int32_t y) noexcept;

}  // namespace mur::imaging
