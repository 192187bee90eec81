// Gaussian blur of 8-bit planes and RGBA32 images.
#pragma once

#include "imaging/image_view.h"

namespace mur::imaging {

// Blurs `src` into `dst` (same size; 1 or 4 bytes a pixel, may be the same
// buffer) with a Gaussian of standard deviation `sigma` pixels; edges repeat
// the border pixels. Small sigmas use the sampled kernel, large ones three
// box passes of matching variance, so any radius costs about the same per
// pixel. Rows are shared among threads; the result does not depend on their
// number. False when the views do not match or memory cannot be had.
bool gaussian_blur(const ConstImageView& src, const ImageView& dst, double sigma) noexcept;

}  // namespace mur::imaging
