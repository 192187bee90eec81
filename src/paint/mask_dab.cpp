// The mask dab: the tool as a mask maker paints the selection mask, by the
// lightness of its colour (or of the pick-up buffer), through the same
// shape, grain, alpha and texture as a colour dab.
#include "engine/fixed_point.h"
#include "engine/random.h"
#include "engine/state.h"
#include "paint/dab.h"

#include <algorithm>

namespace mur::dab {
namespace {

// Coverage of a box pixel by the shape, the alpha and the texture; false when
// the grain leaves the pixel out.
bool coverage(const DabRecord& d, Sample at, int32_t x, int32_t y, uint32_t& a) noexcept
{
    const std::size_t index = std::size_t(at.v) * d.shapeStride + at.u;
    if (d.grit && index < d.gritLimit && int32_t{d.grit[index]} > d.density) return false;
    a = d.shape[index];
    if (d.scaleAlpha) a = (a * d.alphaScale) >> 7;
    if (d.texture) {
        const uint32_t tv = d.texture[std::size_t(y) * d.imageWidth + x];
        if (tv < 255) a = (tv * a) >> 8;
    }
    return true;
}

}  // namespace

int32_t draw_mask_dab(int32_t x, int32_t y) noexcept
{
    ToolSettings& t = engine.tool;
    uint16_t* mask = engine.mask.plane;
    // A light colour protects, a dark one selects.
    const uint32_t lum = (uint32_t{t.color[0]} + t.color[1] + t.color[2]) / 3;
    // The gray-to-mask rule: a colour lighter than 65280 protects fully (0),
    // rather than going negative (which the range check below would turn
    // into fully selected).
    int64_t m0 = lum < 256 ? 65535 : std::max<int64_t>(65280 - int64_t(lum), 0);
    if (t.colorVary >= 1) {
        m0 += int64_t(t.colorVary / 2) * 256 - int64_t(rng_next() % t.colorVary) * 256;
        // Past full selection stays fully selected; below protection stays
        // protected (a light colour varied below 0 does not select).
        m0 = m0 < 0 ? 0 : std::min<int64_t>(m0, 65535);
    }
    if (t.eraseMode) m0 = 65535;
    const Placed placed = place_dab(x, y, false);
    const DabRecord& d = placed.record;
    const int64_t primary = d.primaryStrength >= 1 ? m0 * d.primaryStrength : 0;
    const LayerRecord* buffer = engine.blend.selected;
    const bool pickUp = t.blendStrength != 0 && !t.tempDisableBlend && buffer && buffer->pixels && buffer->width >= t.size;
    const bool remix = pickUp && t.blendRemix;
    const int64_t remixStrength = t.blendStrength, remixInverse = t.blendStrengthInverse;
    const int32_t m = d.variationStart;
    int32_t painted = 0;
    if (mask && placed.ready && d.right > d.left && d.bottom > d.top) {
        for (int32_t row = d.top; row < d.bottom; ++row) {
            const int32_t v = d.steps[std::min(row - d.top + d.topOffset, kSizeSteps - 1)];
            Variation var;
            if (d.colourVary > 0) var.colourAt = m > 0 ? rng_next() % m : 0;
            if (d.lumVary > 0) var.lumAt = m > 0 ? rng_next() % m : 0;
            for (int32_t col = d.left; col < d.right; ++col) {
                // The shape column of a colour dab: box column i samples
                // sizeSteps[i]. (Adding sizeSteps[leftOffset] to it, for a box
                // clipped on the left, could name a column equal to the size
                // and read past the plane at the largest brush.)
                const int32_t i = std::min(col - d.left + d.leftOffset, kSizeSteps - 1);
                const Sample at = rotated(d, d.steps[i], v);
                uint32_t a = 0;
                if (!coverage(d, at, col, row, a)) continue;
                // As for colour dabs: no coverage leaves the pixel (and the
                // pick-up sample) untouched, also for a solid brush.
                if (a == 0) continue;
                if (d.solid) a = 65535;
                int64_t value = m0;
                uint16_t* sample = nullptr;
                if (pickUp) {
                    // The buffer's values are read along its rows of 4 * m values.
                    sample = buffer->pixels + std::size_t(at.v) * 4 * m + std::size_t(at.u);
                    value = *sample;
                }
                if (d.colourVary > 0) {
                    value += var.colour_offset(d);
                    value = value < 0 ? 0 : std::min<int64_t>(value, 65535);
                }
                if (d.lumVary > 0) value = vary_luminance(static_cast<uint32_t>(value), var.luminance_factor(d));
                if (pickUp && d.primaryStrength > 0) value = (value * d.primaryInverse + primary) >> 8;
                uint16_t& old = mask[std::size_t(row) * d.imageWidth + col];
                const uint32_t before = old;
                old = static_cast<uint16_t>(clamp16(fx::blend_65536<int64_t>(value, before, a)));
                if (remix && sample)
                    *sample = static_cast<uint16_t>(
                        clamp16((((int64_t(before) * remixInverse + value * remixStrength) & 0xFFFFFF) >> 8) + 1));
            }
        }
        painted = 1;
    }
    t.tempDisableBlend = 0;
    return painted;
}

}  // namespace mur::dab
