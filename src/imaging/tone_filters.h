// Tone and colour filters of the effects, each working in place on the
// red, green and blue of an RGB24 or RGBA32 view (alpha is left alone).
// They return false when the view is unusable or memory cannot be had.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

// brightness -1..1 adds up to a full range; contrast -1..1 steepens (1 is
// limited to a steep ramp) or flattens the curve around mid-grey.
bool brightness_contrast(const ImageView& image, double brightness, double contrast) noexcept;
// Levels: the input range [inLow, inHigh] mapped through `gamma` onto
// [outLow, outHigh].
bool levels(const ImageView& image, int32_t inLow, int32_t inHigh, double gamma, int32_t outLow,
            int32_t outHigh) noexcept;
// c' = 255 (c / 255)^(1 / gamma).
bool gamma_correct(const ImageView& image, double gamma) noexcept;
// Histogram equalisation and stretch, of each channel alone (`perChannel`)
// or of the three channels' pooled histogram, which keeps the hues. The
// stretch maps the levels that leave a fraction `clip` (0..0.5) of the
// values below and above onto 0 and 255.
bool histogram_equalize(const ImageView& image, bool perChannel) noexcept;
bool histogram_stretch(const ImageView& image, bool perChannel, double clip) noexcept;
// The HSL lightness stretched so, hue and saturation kept.
bool lightness_stretch(const ImageView& image, double clip) noexcept;
// Shifts of red, green and blue in levels, strongest in the mid-tones.
bool colour_balance(const ImageView& image, double red, double green, double blue) noexcept;
// Luma mapped onto black -> (r, g, b) -> white.
bool duotone(const ImageView& image, int32_t red, int32_t green, int32_t blue) noexcept;
// c' = luma + (c - luma) * factor.
bool saturate(const ImageView& image, double factor) noexcept;
// The picture's luma in the colour of hue `degrees`, mixed in by
// `strength` 0..1.
bool tint(const ImageView& image, double degrees, double strength) noexcept;
// `count` levels a channel (2..256).
bool posterize(const ImageView& image, int32_t count) noexcept;
// Levels above `threshold` inverted.
bool solarize(const ImageView& image, int32_t threshold) noexcept;
// Local contrast: the difference from a wide blur (sigma `sigma`) added
// `amount` times, then the colour lifted by `saturation`.
bool local_contrast(const ImageView& image, double sigma, double amount, double saturation) noexcept;
// The picture reduced to a palette of `colours` colours (2..256).
bool reduce_colours(const ImageView& image, int32_t colours) noexcept;

}  // namespace mur::imaging
