// Filters over a square window around each pixel: the means, the extremes,
// the median, the bilateral filter, oil paint, the spread of frosted glass,
// the mosaic and the motion, radial and zoom blurs.
//
// Source and destination are views of the same size and format (1, 3 or 4
// bytes a pixel) and must not overlap. The first `channels` channels of each
// pixel are filtered, the rest copied. Samples beyond the picture repeat its
// edge pixel, so a flat picture stays flat. Rows are shared among threads;
// the results do not depend on their number. Each returns false when the
// views do not match or memory cannot be had (the destination is then
// unspecified).
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

enum class WindowMean : uint8_t { Arithmetic, Geometric, Harmonic };
enum class WindowStatistic : uint8_t { Minimum, Maximum, Midpoint, Median };

// The mean of the (2r+1)^2 window; geometric and harmonic means are taken of
// value + 1, less 1.
bool window_mean(const ConstImageView& src, const ImageView& dst, int32_t radius, int32_t channels,
                 WindowMean kind) noexcept;
bool window_statistic(const ConstImageView& src, const ImageView& dst, int32_t radius, int32_t channels,
                      WindowStatistic kind) noexcept;

// Edge-preserving smoothing: neighbours weighed by a Gaussian of distance
// (sigma radius / 2) and of colour difference (sigma `rangeSigma` levels).
bool bilateral_filter(const ConstImageView& src, const ImageView& dst, int32_t radius, double rangeSigma,
                      int32_t channels) noexcept;

// Each pixel becomes the mean colour of the most frequent of `levels`
// brightness bins in its window. `byValue`: bins of the brightest channel
// instead of luma.
bool oil_paint(const ConstImageView& src, const ImageView& dst, int32_t radius, int32_t levels, bool byValue) noexcept;

// Each pixel taken from a random place within `radius` (frosted glass).
bool spread(const ConstImageView& src, const ImageView& dst, int32_t radius, uint32_t seed) noexcept;

// Cells of `cell` pixels filled with their mean.
bool mosaic(const ConstImageView& src, const ImageView& dst, int32_t cell, int32_t channels) noexcept;

// Motion (along `angleDegrees` over `amount` pixels each side, or one side
// only when `oneSided`), radial (a turn of `amount` degrees about the
// centre) and zoom (`amount` percent towards the centre) blurs with `samples`
// bilinear samples a pixel; centre in pixels.
enum class MotionKind : uint8_t { Linear = 0, Radial = 1, Zoom = 2 };
struct MotionBlur {
    MotionKind kind = MotionKind::Linear;
    double angleDegrees = 0;
    double amount = 0;
    int32_t samples = 8;
    bool oneSided = false;
    double centreX = 0, centreY = 0;
};
bool motion_blur(const ConstImageView& src, const ImageView& dst, const MotionBlur& blur, int32_t channels) noexcept;

}  // namespace mur::imaging
