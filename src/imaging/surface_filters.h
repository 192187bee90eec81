// Sharpening, relief and edge filters of the effects. Source and destination
// are views of the same size and format (RGB24 or RGBA32) that must not
// overlap; red, green and blue are filtered and alpha copied unless a
// function says otherwise. Samples beyond the picture repeat its edge pixel.
// Each returns false when the views do not match or memory cannot be had.
#pragma once

#include "engine/memory.h"
#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

// An RGBA32 copy of the picture (alpha 255 for RGB24) blurred with a
// Gaussian of `sigma`; null when memory cannot be had.
mem::Owned<uint8_t> blurred_copy(const ConstImageView& src, double sigma) noexcept;

// 3x3 Laplacian sharpening, `passes` times (ping-pong through a temporary).
bool sharpen(const ConstImageView& src, const ImageView& dst, double amount, int32_t passes) noexcept;
// c + amount (c - blur(c)) where |c - blur(c)| > threshold. `channels` as in
// window_filters.h (4 filters alpha too, for premultiplied pictures).
bool unsharp_mask(const ConstImageView& src, const ImageView& dst, double sigma, double amount, int32_t threshold,
                  int32_t channels) noexcept;
// Unsharp mask whose amount grows with the local edge strength, so flat
// areas (and their noise) stay as they are.
bool adaptive_unsharp_mask(const ConstImageView& src, const ImageView& dst, double sigma, double amount,
                           int32_t channels) noexcept;
// c + (c - blur(c)) about mid-grey.
bool high_pass(const ConstImageView& src, const ImageView& dst, double sigma) noexcept;
// A grey relief lit from `azimuth` (radians, 0 = from the right, turning
// counter-clockwise) at `elevation` (radians above the picture) with
// heights scaled by `depth`; flat areas get sin(elevation) x 255.
bool emboss(const ConstImageView& src, const ImageView& dst, double azimuth, double elevation, double depth) noexcept;
// Sobel edge strength of each channel, times `gain`.
bool edges(const ConstImageView& src, const ImageView& dst, double gain) noexcept;
// A raised frame `size` pixels wide: lit top and left, shaded bottom and right.
bool bevel(const ConstImageView& src, const ImageView& dst, int32_t size, double strength) noexcept;
// The picture fading to white over `size` pixels from its edges.
bool feather(const ConstImageView& src, const ImageView& dst, int32_t size) noexcept;
// Odd rows (or even ones, `keepOdd`) replaced by the mean of their
// neighbours.
bool deinterlace(const ConstImageView& src, const ImageView& dst, bool keepOdd) noexcept;
// Levels further than `threshold` from the window median moved towards it
// by `amount` (0..1).
bool dust_and_scratches(const ConstImageView& src, const ImageView& dst, int32_t radius, int32_t threshold,
                        double amount) noexcept;
// RGBA32 glows in colour (r, g, b): outer glow around the opaque shape
// (under it), inner glow inward from its transparent edges (over it). Size
// in pixels, strength 0..1. The inner glow also glows inward from the
// page's edges, which bound a layer as transparency does.
bool outer_glow(const ConstImageView& src, const ImageView& dst, const uint8_t (&colour)[3], int32_t size,
                double strength) noexcept;
bool inner_glow(const ConstImageView& src, const ImageView& dst, const uint8_t (&colour)[3], int32_t size,
                double strength) noexcept;

}  // namespace mur::imaging
