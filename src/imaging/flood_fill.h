// Flood fills that mark a byte plane instead of painting: every pixel whose
// colour lies within a squared distance of a seed colour, over the whole
// picture or only where 4-connected to a seed pixel. The caller then paints,
// erases or masks through the plane, so no marker colour is needed and a
// picture that holds every colour fills like any other.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

// What a fill compares: the R, G, B bytes, or the alpha byte as a grey
// (each of three channels the alpha, so its squared distance is 3 (a - s)^2).
enum class FloodKey : int32_t { Rgb, AlphaAsGrey };

struct FloodSeed {
    uint8_t r = 0, g = 0, b = 0;  // for FloodKey::Rgb
    uint8_t a = 0;                // for FloodKey::AlphaAsGrey
};

// The squared-distance limit of a fill tolerance 0..50000 (clamped):
// trunc(t x 0.00002f x 195075), 195075 being 3 x 255^2 (1000 gives 3901).
int32_t flood_distance_limit(int32_t tolerance) noexcept;

// The seed colour of pixel (x, y) of an RGBA32 view, which must hold it.
FloodSeed flood_seed_at(const ConstImageView& rgba, int32_t x, int32_t y) noexcept;

// Writes 1 into `plane` (width x height bytes, rows without gaps, which the
// caller has zeroed) for every pixel of the RGBA32 view within `limit` of
// the seed. Rows are shared among threads when `threaded`.
void flood_match_plane(const ConstImageView& rgba, FloodSeed seed, int32_t limit, FloodKey key, uint8_t* plane,
                       bool threaded) noexcept;

// The same for the pixels 4-connected to (x, y) through matching pixels (a
// scanline fill); nothing when (x, y) lies outside the view or does not
// match. The number of pixels marked, or -1 when the span stack could not
// be had (the plane is then partly marked).
int64_t flood_fill_plane(const ConstImageView& rgba, int32_t x, int32_t y, FloodSeed seed, int32_t limit,
                         FloodKey key, uint8_t* plane) noexcept;

}  // namespace mur::imaging
