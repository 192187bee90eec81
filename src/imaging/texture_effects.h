// Effects that lay a texture or a pattern over the picture: stipple,
// halftone, noises, crackle, fingerprint ridges, scribbled hatching and
// pointillist dots. Source and destination are views of the same size and
// format (RGB24 or RGBA32) that must not overlap; red, green and blue are
// written and alpha copied. Every random draw comes from `seed`: the same
// seed gives the same picture. Each returns false when the views do not
// match or memory cannot be had.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

// Dots of the picture's colour on white paper, denser where it is darker.
bool stipple(const ConstImageView& src, const ImageView& dst, double density, uint32_t seed) noexcept;
// Each channel printed as round dots on a grid of `cell` pixels, their area
// following the channel's mean over the cell.
bool halftone(const ConstImageView& src, const ImageView& dst, int32_t cell) noexcept;
// Noise of up to `amount` levels added: each channel alone (`mono` false)
// or the same to all three, in grains of `grain` pixels.
bool add_noise(const ConstImageView& src, const ImageView& dst, double amount, int32_t grain, bool mono,
               uint32_t seed) noexcept;
// Fractal gradient noise of feature size `scale` pixels, up to `amount` levels.
bool perlin_noise(const ConstImageView& src, const ImageView& dst, double scale, double amount, uint32_t seed) noexcept;
// Dark cracks along the borders of random cells about `cell` pixels across.
bool crackle(const ConstImageView& src, const ImageView& dst, int32_t cell, double depth, uint32_t seed) noexcept;
// Swirling ridges `period` pixels apart modulate the picture's brightness.
bool fingerprint(const ConstImageView& src, const ImageView& dst, double period, uint32_t seed) noexcept;
// Hatching in the picture's colours on white: one direction of strokes
// `spacing` pixels apart in light tones, crossed in darker ones.
bool scribble(const ConstImageView& src, const ImageView& dst, int32_t spacing, uint32_t seed) noexcept;
// Round dots `size` pixels across, each of the colour under its centre, on
// white.
bool pointillism(const ConstImageView& src, const ImageView& dst, int32_t size, uint32_t seed) noexcept;

}  // namespace mur::imaging
