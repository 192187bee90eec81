// The eighteen blends of a generator's drawn picture over the picture it is
// drawn on: a colour rule per channel, mixed in by the drawn coverage.
#include "imaging/script_library.h"

#include <cmath>
#include <cstdlib>

namespace mur::imaging::script {

uint8_t blend_channel(int32_t blend, uint8_t d8, uint8_t s8) noexcept
{
    const int d = d8, s = s8;
    const auto div255 = [](int v) { return (v + 127) / 255; };
    switch (blend) {
    case kBlendMultiply: return static_cast<uint8_t>(div255(d * s));
    case kBlendScreen: return static_cast<uint8_t>(255 - div255((255 - d) * (255 - s)));
    case kBlendOverlay:
        return static_cast<uint8_t>(d < 128 ? div255(2 * d * s) : 255 - div255(2 * (255 - d) * (255 - s)));
    case kBlendDarken: return static_cast<uint8_t>(std::min(d, s));
    case kBlendLighten: return static_cast<uint8_t>(std::max(d, s));
    case kBlendDifference: return static_cast<uint8_t>(std::abs(d - s));
    case kBlendAdd: return static_cast<uint8_t>(std::min(255, d + s));
    case kBlendSubtract: return static_cast<uint8_t>(std::max(0, d - s));
    case kBlendSoftLight: {
        const double D = d / 255.0, S = s / 255.0;
        return static_cast<uint8_t>(((1.0 - 2.0 * S) * D * D + 2.0 * S * D) * 255.0 + 0.5);
    }
    case kBlendHardLight:
        return static_cast<uint8_t>(s < 128 ? div255(2 * d * s) : 255 - div255(2 * (255 - d) * (255 - s)));
    case kBlendDodge: return static_cast<uint8_t>(s == 255 ? 255 : std::min(255, d * 255 / (255 - s)));
    case kBlendBurn: return static_cast<uint8_t>(s == 0 ? 0 : std::max(0, 255 - (255 - d) * 255 / s));
    case kBlendExclusion: return static_cast<uint8_t>(d + s - div255(2 * d * s));
    case kBlendAverage: return static_cast<uint8_t>((d + s + 1) / 2);
    case kBlendNegation: return static_cast<uint8_t>(255 - std::abs(255 - d - s));
    default: return s8;  // Normal, and the two alpha blends' colour
    }
}

namespace {

inline uint8_t round8(float v) noexcept { return static_cast<uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f)); }

}  // namespace

void blend_over(int32_t blend, const ConstImageView& under, const ConstImageView& drawn,
                const ImageView& target) noexcept
{
    if (!same_bgra(under, drawn) || !same_bgra(drawn, target)) return;
    if (blend < 0 || blend >= kBlendCount) blend = kBlendNormal;
    // The colour rule as a table of every (old, drawn) pair.
    static thread_local uint8_t table[256 * 256];
    static thread_local int32_t tableBlend = -1;
    if (tableBlend != blend) {
        for (int d = 0; d < 256; ++d)
            for (int s = 0; s < 256; ++s) table[d * 256 + s] = blend_channel(blend, uint8_t(d), uint8_t(s));
        tableBlend = blend;
    }
    const uint8_t* rule = table;
    const int32_t w = under.width, h = under.height;

#pragma omp parallel for schedule(static) if (int64_t{w} * h >= 65536)
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* d = under.row(y);
        const uint8_t* s = drawn.row(y);
        uint8_t* o = target.row(y);
        for (int32_t x = 0; x < w; ++x, d += 4, s += 4, o += 4) {
            const float a = s[kA] * (1.0f / 255.0f), da = d[kA] * (1.0f / 255.0f);
            uint8_t out[4];
            if (a == 0.0f) {
                for (int c = 0; c < 4; ++c) out[c] = d[c];
            } else if (blend == kBlendErase) {
                for (int c = 0; c < 3; ++c) out[c] = d[c];
                out[kA] = round8(d[kA] * (1.0f - a));
            } else if (blend == kBlendBehind) {
                const float oa = da + a * (1.0f - da);
                for (int c = 0; c < 3; ++c) out[c] = round8((s[c] * a * (1.0f - da) + d[c] * da) / oa);
                out[kA] = round8(oa * 255.0f);
            } else {
                // Where the old picture is transparent the drawn colour shows as it is.
                const float oa = a + da * (1.0f - a);
                for (int c = 0; c < 3; ++c) {
                    const float k = da * rule[d[c] * 256 + s[c]] + (1.0f - da) * s[c];
                    out[c] = round8((d[c] * da * (1.0f - a) + a * k) / oa);
                }
                out[kA] = round8(oa * 255.0f);
            }
            for (int c = 0; c < 4; ++c) o[c] = out[c];
        }
    }
}

}  // namespace mur::imaging::script
