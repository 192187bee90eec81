// Lossless moves of whole pictures: mirroring in place, quarter turns, and
// placing a picture on a canvas of another size. Pixels are moved whole,
// never recomputed, so they work on any pixel size; quarter turns and
// mirroring take RGBA32 (4 bytes) and RGBA64 (8 bytes) pixels.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

// Mirrors the picture in place: left and right exchanged (horizontal) or
// top and bottom (vertical). False for an unusable view.
bool flip_horizontal(const ImageView& picture) noexcept;
bool flip_vertical(const ImageView& picture) noexcept;

// A quarter turn. `dst` must be src.height wide and src.width high and must
// not overlap `src`. Counter-clockwise, the top-right corner becomes the
// top-left one; clockwise, the top-left corner becomes the top-right one.
// Rows are shared among OpenMP threads. False when the sizes do not fit.
bool rotate_counter_clockwise(const ConstImageView& src, const ImageView& dst) noexcept;
bool rotate_clockwise(const ConstImageView& src, const ImageView& dst) noexcept;

// Fills every pixel of `dst` with `fill` (the first dst.bytesPerPixel bytes
// of it), then copies `src` onto it with src's pixel (0, 0) at (x, y) of
// `dst`, clipped: the parts of `src` off the canvas are dropped and the
// canvas uncovered by `src` keeps the fill. Offsets may lie anywhere in the
// 32-bit range. False when the views differ in pixel size or overlap.
bool place_on_canvas(const ConstImageView& src, const ImageView& dst, int32_t x, int32_t y, const void* fill) noexcept;

}  // namespace mur::imaging
