// Reducing a true-colour picture to a palette of at most 256 colours.
//
// The palette comes from a median cut over a histogram of 6 bits a channel
// (each cell keeping the exact sum of its colours), refined by a few rounds
// of k-means on the cells' mean colours; pixels are mapped to the nearest
// palette colour (squared RGB distance). A picture of at most `maxColours`
// distinct colours keeps them exactly. Floyd-Steinberg dithering is offered
// but not used by the GIF writer: on photographs it raises the mean error
// against the original (`mur quantise` measures both).
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

struct Palette {
    uint8_t rgb[256][3] = {};
    int32_t count = 0;
};

// `image` is RGB24 or RGBA32 (alpha ignored); false when it is unusable or
// memory cannot be had.
bool build_palette(const ConstImageView& image, int32_t maxColours, Palette& palette) noexcept;

// Writes one palette index a pixel into `indices` (width x height bytes).
bool map_to_palette(const ConstImageView& image, const Palette& palette, uint8_t* indices, bool dither) noexcept;

// The mean absolute difference of R, G and B between two pictures of the
// same size (each RGB24 or RGBA32); -1 when they do not match.
double mean_channel_error(const ConstImageView& a, const ConstImageView& b) noexcept;

}  // namespace mur::imaging
