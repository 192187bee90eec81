// The painting effects behind the effect-script list (numbers 100 and up):
// their settings, and the filters, distortions, generators and blends that
// run them. All work on 4-byte BGRA pictures of one size, from a source
// into a separate destination.
#pragma once

#include "imaging/image_view.h"
#include "imaging/script_effects.h"

#include <algorithm>
#include <cstdint>

namespace mur::imaging::script {

// One effect's values as the list holds them.
struct Settings {
    const double* values = nullptr;

    // Slot `slot` as a fraction 0..1 of the dialog's 0..1000.
    double unit(int slot) const noexcept
    {
        const double v = values[slot];
        return v >= 0.0 && v <= 1000.0 ? v * 0.001 : (v > 1000.0 ? 1.0 : 0.0);  // not a number: 0
    }
    // An integer from first to last along slot `slot`.
    int32_t steps(int slot, int32_t first, int32_t last) const noexcept
    {
        return first + static_cast<int32_t>(unit(slot) * (last - first) + 0.5);
    }
    uint32_t seed() const noexcept
    {
        const double v = values[3];
        return v >= -2147483648.0 && v <= 4294967295.0 ? static_cast<uint32_t>(static_cast<int64_t>(v)) : 0u;
    }
    int32_t blend() const noexcept
    {
        const double v = values[7];
        return v >= 0.0 && v < double(kBlendCount) ? static_cast<int32_t>(v) : kBlendNormal;
    }
    uint8_t colour(int channel) const noexcept  // 0 red, 1 green, 2 blue
    {
        const double v = values[8 + channel];
        return v >= 0.0 && v <= 255.0 ? static_cast<uint8_t>(v) : (v > 255.0 ? 255 : 0);
    }
    bool on(int slot) const noexcept { return values[slot] != 0.0 && values[slot] == values[slot]; }
};

// Byte offsets of the colours in a BGRA pixel.
inline constexpr int kB = 0, kG = 1, kR = 2, kA = 3;

// Both views 4 bytes a pixel, the same size, not empty.
inline bool same_bgra(const ConstImageView& a, const ConstImageView& b) noexcept
{
    return a.data && b.data && a.bytesPerPixel == 4 && b.bytesPerPixel == 4 && a.width > 0 && a.height > 0 &&
           a.width == b.width && a.height == b.height;
}

// Filters (script_filters.cpp): Colorize, Edge, Bump, Emboss, Maximum, Minimum.
bool run_filter(int32_t id, const Settings& s, const ConstImageView& source, const ImageView& target) noexcept;

// Distortions (script_distortions.cpp).
bool run_distortion(int32_t id, const Settings& s, const ConstImageView& source, const ImageView& target) noexcept;

// Generators (script_generators.cpp, script_shapes.cpp): the drawn picture
// into `target`, then blended over the source with the settings' blend.
bool run_generator(int32_t id, const Settings& s, const ConstImageView& source, const ImageView& target) noexcept;
// The shape generators' drawing, into a cleared target.
bool draw_shapes(int32_t id, const Settings& s, const ImageView& target) noexcept;

// Blends (script_blends.cpp).
// The blend's colour of drawn channel s over old channel d, before coverage.
uint8_t blend_channel(int32_t blend, uint8_t d, uint8_t s) noexcept;
// `drawn` (straight colour and coverage alpha) blended over `under` into
// `target`, which may be `drawn` itself. Blends outside 0..17 act as Normal.
void blend_over(int32_t blend, const ConstImageView& under, const ConstImageView& drawn,
                const ImageView& target) noexcept;

}  // namespace mur::imaging::script
