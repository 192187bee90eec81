// The row kernels of a grit dab: the general one, which takes any record
// (rotation, pick-up, variation, every mix mode, erasing, the locks), and the
// hand-over to the plain kernels for the common case.
#include "engine/fixed_point.h"
#include "engine/random.h"
#include "paint/dab.h"
#include "paint/dab_arithmetic.h"
#include "engine/tool_settings.h"

#include <algorithm>

namespace mur::dab {
namespace {

constexpr int32_t kPrefetchPixels = 128;

uint8_t next_byte(const RandomByteTable& table, int64_t& at) noexcept
{
    if (!table.data || table.length <= 0) return 0;
    if (at >= table.length || at < 0) at = 0;
    return table.data[at++];
}

void vary_colour(const DabRecord& d, uint32_t c[4], int channels, Variation& var) noexcept
{
    if (d.colourVary > 0) {
        const int32_t q = var.colour_offset(d);
        for (int i = 0; i < channels; ++i) c[i] = clamp16(int64_t(c[i]) + q);
    }
    if (d.lumVary > 0) {
        const double f = var.luminance_factor(d);
        for (int i = 0; i < 3; ++i) c[i] = vary_luminance(c[i], f);
    }
}

// The target's new colour and alpha for mix modes below 34.
void mix_below_34(const DabRecord& d, uint32_t a, const uint32_t s[4], const uint16_t* dst, uint32_t out[3],
                  uint32_t& n, bool& writeColour, Reciprocal& inverse) noexcept
{
    const uint32_t da = dst[3];
    writeColour = true;
    if (da == 0 || (d.mixMode == mix::kMixNormal && !d.pickUp && !d.erase)) {
        n = mix_normal(a, s, dst, out, inverse);
    } else if (d.mixMode == mix::kMixNormal && d.pickUp) {
        n = fx::blend_65536(s[3], da, a);
        for (int i = 0; i < 3; ++i)
            out[i] = s[3] != 0 ? fx::blend_65536<uint32_t>(s[i], dst[i], a) : dst[i];
    } else if (d.erase) {
        n = ((65535 - a) * da) >> 16;
        writeColour = false;
    } else {  // a premultiplied multiply
        const uint64_t sigma = (uint64_t(a) * s[3]) / 65535;
        n = static_cast<uint32_t>(((65535 - da) * sigma) / 65535 + da);
        for (int i = 0; i < 3; ++i) {
            const uint64_t sc = (sigma * s[i]) >> 16, dc = (uint64_t(dst[i]) * da) >> 16;
            const uint64_t x = ((65535 - sigma) * dc) / 65535 + ((65535 - da) * sc) / 65535 + (dc * sc) / 65535;
            out[i] = clamp16(static_cast<int64_t>(x * 65535 / n));
        }
    }
}

// The target's new colour and alpha for mix modes 34 and above; `dst` gets
// the pre-fill.
void mix_from_34(const DabRecord& d, uint32_t a, const uint32_t s[4], uint16_t* dst, uint32_t out[3],
                 uint32_t& n) noexcept
{
    const uint32_t da = dst[3];
    if (da == 0) {
        dst[0] = static_cast<uint16_t>(s[0]), dst[1] = static_cast<uint16_t>(s[1]), dst[2] = static_cast<uint16_t>(s[2]);
    } else if (da < 65535) {
        const uint32_t k = std::min<uint32_t>(3 * (((65535 - da) * a) >> 16), 65535);
        for (int i = 0; i < 3; ++i) dst[i] = static_cast<uint16_t>(fx::blend_65535<uint32_t>(s[i], dst[i], k));
    }
    n = d.erase ? 0 : s[3];
    uint32_t base[3] = {dst[0], dst[1], dst[2]};
    if (mix::draws_random(d.mixMode)) rng_next();
    const mix::Mixed mixed = mix::mix_colour(d.mixMode, base, s, d.banks);
    uint32_t m[3] = {mixed.m[0], mixed.m[1], mixed.m[2]};
    if (mixed.alpha == mix::MixedAlpha::base) n = da;
    if (mixed.alpha == mix::MixedAlpha::luminance) {
        n = (s[0] + s[1] + s[2]) / 3;
        base[0] = base[1] = base[2] = 32767;
    }
    if (mixed.alpha != mix::MixedAlpha::base && !(mix::mix_mode_flags(d.mixMode) & mix::kAmountExempt))
        for (int i = 0; i < 3; ++i) m[i] = (((s[i] * d.mixAmountInverse) >> 4) + ((m[i] * d.mixAmount) >> 4)) >> 4;
    if (a < 65535) {
        n = fx::blend_65536(n, da, a);
        for (int i = 0; i < 3; ++i)
            out[i] = std::min<uint32_t>(fx::blend_65536(m[i], base[i], a) + 1, 65535);
    } else {
        out[0] = m[0], out[1] = m[1], out[2] = m[2];
    }
}

// The pick-up buffer carries the canvas colour on to the next dab. The
// remixed colour ((d inverse + beta s) >> 8) + 1 reaches 65536 for white
// over white: every value is clamped to 16 bits (the mask dab's remix too).
void remix(const DabRecord& d, uint16_t* sample, const uint32_t s[4], const uint16_t* dst, uint32_t da) noexcept
{
    const int64_t beta = d.remixStrength, inverse = d.remixInverse;
    if (s[3] == 0) {
        sample[0] = dst[0], sample[1] = dst[1], sample[2] = dst[2];
        sample[3] = static_cast<uint16_t>(clamp16((int64_t(da) * inverse) >> 8));
    } else if (da != 0) {
        for (int i = 0; i < 3; ++i)
            sample[i] = static_cast<uint16_t>(clamp16(((int64_t(dst[i]) * inverse + beta * s[i]) >> 8) + 1));
        sample[3] = static_cast<uint16_t>(clamp16((int64_t(s[3]) * beta + int64_t(da) * inverse) >> 8));
    } else {
        sample[0] = static_cast<uint16_t>(s[0]), sample[1] = static_cast<uint16_t>(s[1]), sample[2] = static_cast<uint16_t>(s[2]);
        sample[3] = static_cast<uint16_t>(clamp16((int64_t(s[3]) * beta) >> 8));
    }
}

}  // namespace

uint32_t clamp16(int64_t v) noexcept { return fx::clamp16(v); }

uint32_t vary_luminance(uint32_t c, double f) noexcept
{
    return f <= 0.5 ? clamp16(static_cast<int64_t>(c - c * 2 * (0.5 - f)))
                    : clamp16(static_cast<int64_t>(c + (65535 - c) * 2 * (f - 0.5)));
}

// (v / 2 - (b mod v)) * 256 for the next table byte b.
int32_t Variation::colour_offset(const DabRecord& d) noexcept
{
    const int32_t v = d.colourVary;
    return ((v & ~1) - 2 * (next_byte(d.colourTable, colourAt) % v)) * 128;
}

double Variation::luminance_factor(const DabRecord& d) noexcept
{
    const int32_t w = d.lumVary;
    return ((128 - w / 2) + (next_byte(d.lumTable, lumAt) % w)) / 256.0;
}

Sample rotated(const DabRecord& d, int32_t u, int32_t v) noexcept
{
    if (!d.rotate) return {u, v};
    const float dx = float(u - d.radius), dy = float(v - d.radius);
    const int32_t ru = static_cast<int32_t>(dx * d.cos - dy * d.sin) + d.radius;
    const int32_t rv = static_cast<int32_t>(dx * d.sin + dy * d.cos) + d.radius;
    if (ru >= 0 && rv >= 0 && ru < d.size && rv < d.size) return {ru, rv};
    return {u, v};
}

plain_dab::PlainRow plain_row(const DabRecord& d, int32_t row) noexcept
{
    const int32_t v = d.steps[std::min(row - d.top + d.topOffset, kSizeSteps - 1)];
    const std::size_t rowStart = std::size_t(v) * d.shapeStride;
    plain_dab::PlainRow r;
    r.target = d.target + int64_t(row) * d.targetStride;
    r.mask = d.mask ? d.mask + std::size_t(row) * d.imageWidth : nullptr;
    r.texture = d.texture ? d.texture + std::size_t(row) * d.imageWidth : nullptr;
    r.grit = d.grit ? d.grit + rowStart : nullptr;
    r.shape = d.shape + rowStart;
    r.steps = d.steps + d.leftOffset;
    r.left = d.left;
    r.right = d.right;
    for (int c = 0; c < 4; ++c) r.colour[c] = d.colour[c];
    r.alphaScale = d.scaleAlpha ? d.alphaScale : 128;
    r.density = std::clamp(d.density, -1, 255);
    r.maskOnCoverage = d.maskOnCoverage;
    r.solid = d.solid;
    r.writeAlpha = d.writeAlpha;
    return r;
}

void paint_row(const DabRecord& d, int32_t row) noexcept
{
    // The rows of a dab lie far apart in the layer: fetch the start of the
    // next row's span while this one is painted. The processor follows a
    // longer row by itself once it runs along it, and a burst of hints for
    // all of it would hold up the painting.
    if (row + 1 < d.bottom) {
        const uint16_t* ahead = d.target + int64_t(row + 1) * d.targetStride;
        const int32_t end = std::min(d.right, d.left + kPrefetchPixels);
        for (int32_t x = d.left; x < end; x += 8) __builtin_prefetch(ahead + int64_t(x) * 4, 1, 3);
    }
    if (d.plain) {
        const int32_t v = d.steps[std::min(row - d.top + d.topOffset, kSizeSteps - 1)];
        const std::size_t rowStart = std::size_t(v) * d.shapeStride;
        // The grain row must lie wholly inside the grain buffer.
        if (!d.grit || rowStart + std::size_t(std::max(d.size, 0)) <= d.gritLimit) {
            d.plainRows->paint(plain_row(d, row));
            return;
        }
    }
    paint_general_row(d, row);
}

void paint_general_row(const DabRecord& d, int32_t row) noexcept
{
    const int32_t m = d.variationStart;
    const int32_t v = d.steps[std::min(row - d.top + d.topOffset, kSizeSteps - 1)];
    Variation var;
    if (d.colourVary > 0) var.colourAt = m > 0 ? rng_next() % m : 0;
    if (d.lumVary > 0) var.lumAt = m > 0 ? rng_next() % m : 0;
    uint16_t* targetRow = d.target + int64_t(row) * d.targetStride;
    const uint16_t* maskRow = d.mask ? d.mask + std::size_t(row) * d.imageWidth : nullptr;
    const uint8_t* textureRow = d.texture ? d.texture + std::size_t(row) * d.imageWidth : nullptr;
    const bool capAlphaByMask = !d.maskOnCoverage && maskRow;
    Reciprocal inverse;

    for (int32_t x = d.left; x < d.right; ++x) {
        const int32_t i = std::min(x - d.left + d.leftOffset, kSizeSteps - 1);
        const Sample at = rotated(d, d.steps[i], v);
        const std::size_t index = std::size_t(at.v) * d.shapeStride + at.u;
        // The grain leaves holes where it lies above the density.
        if (d.grit && index < d.gritLimit && int32_t{d.grit[index]} > d.density) continue;
        uint32_t a = d.shape[index];
        if (d.scaleAlpha) a = (a * d.alphaScale) >> 7;
        if (textureRow && textureRow[x] < 255) a = (textureRow[x] * a) >> 8;
        uint32_t keptMask = 65535;
        if (maskRow) {
            if (d.maskOnCoverage) {
                if (maskRow[x] < 65535) a = (maskRow[x] * a) >> 16;
            } else {
                keptMask = maskRow[x];
            }
        }
        if (a == 0) continue;
        if (d.solid) a = 65535;

        uint32_t s[4] = {d.colour[0], d.colour[1], d.colour[2], d.colour[3]};
        uint16_t* sample = nullptr;
        if (d.pickUp) {
            sample = d.pickUp + std::size_t(at.v) * d.pickUpStride + std::size_t(at.u) * 4;
            s[0] = sample[0], s[1] = sample[1], s[2] = sample[2], s[3] = sample[3];
            if (d.imageBrush && s[3] < 65535) {
                a = std::max<uint32_t>((a * s[3]) >> 16, 1);
                s[3] = 65535;
            }
            if (d.vary) vary_colour(d, s, 3, var);
            if (d.primaryStrength > 0)
                for (int c = 0; c < 4; ++c) s[c] = clamp16((int64_t(s[c]) * d.primaryInverse + d.primary[c]) >> 8);
        } else if (d.vary) {
            vary_colour(d, s, 4, var);
        }

        uint16_t* dst = targetRow + int64_t(x) * 4;
        const uint32_t da = dst[3];
        uint32_t out[3] = {dst[0], dst[1], dst[2]};
        uint32_t n = da;
        bool writeColour = true;
        if (d.mixMode < 34)
            mix_below_34(d, a, s, dst, out, n, writeColour, inverse);
        else
            mix_from_34(d, a, s, dst, out, n);

        if (d.remix && sample) remix(d, sample, s, dst, da);

        if (!d.erase) {
            if (writeColour && !d.lockColor) {
                dst[0] = static_cast<uint16_t>(std::min<uint32_t>(out[0], 65535));
                dst[1] = static_cast<uint16_t>(std::min<uint32_t>(out[1], 65535));
                dst[2] = static_cast<uint16_t>(std::min<uint32_t>(out[2], 65535));
            }
            if (d.writeAlpha && (!d.lockBlob || (da > 8191 && n > 8191))) {
                uint32_t value = d.alphaLevel > 0 ? d.alphaLevel : n;
                if (capAlphaByMask) value = std::min(value, keptMask);
                dst[3] = static_cast<uint16_t>(std::min<uint32_t>(value, 65535));
            }
        } else if (!d.lockBlob) {
            dst[3] = static_cast<uint16_t>(std::min<uint32_t>(n, 65535));
        } else if (da > 8191) {
            dst[3] = static_cast<uint16_t>(std::min<uint32_t>(std::max<uint32_t>(n, 9216), 65535));
        }
    }
}

}  // namespace mur::dab
