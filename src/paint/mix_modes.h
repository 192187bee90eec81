// The mix modes of paint: how a colour being mixed in ("over": the dab
// colour, or the pick-up buffer's colour) combines with the colour under it
// ("base": the target pixel, or the layer under the buffer). The grit dab
// (ids 34 and above) and the pick-up buffer (ids 33 and above) read this one
// list and this one function; each applies the result its own way (the dab
// through its mix amount and coverage, the buffer through its strength).
//
// All integer on 16-bit channels, except soft light. The functions are pure:
// the modes that draw a random number are flagged, and the loop draws it.
#pragma once

#include "engine/fixed_point.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace mur::mix {

// Flags of a mode.
inline constexpr uint8_t kChannelMode = 1;   // per-channel arithmetic of base and over
inline constexpr uint8_t kDrawsRandom = 2;   // one number is drawn from the generator and discarded
inline constexpr uint8_t kAmountExempt = 4;  // the dab's mix amount does not apply

// X(id, enumerator, flags)
#define MUR_MIX_MODES(X)                           \
    X(33, Multiply, kChannelMode)                  \
    X(34, Screen, kChannelMode)                    \
    X(35, Darken, kChannelMode)                    \
    X(36, Lighten, kChannelMode)                   \
    X(37, Difference, kChannelMode)                \
    X(38, Negation, kChannelMode)                  \
    X(39, Exclusion, kChannelMode)                 \
    X(40, Overlay, kChannelMode)                   \
    X(41, HardLight, kChannelMode)                 \
    X(42, SoftLight, kChannelMode)                 \
    X(43, Dodge, kChannelMode)                     \
    X(44, Burn, kChannelMode)                      \
    X(45, Reflect, kChannelMode)                   \
    X(46, Glow, kChannelMode)                      \
    X(47, Add, kChannelMode)                       \
    X(48, Subtract, kChannelMode)                  \
    X(249, TwoBanks, 0)                            \
    X(250, ThreeBanks, 0)                          \
    X(251, FourBanks, 0)                           \
    X(252, BankGradient, 0)                        \
    X(253, DarkToBank, kDrawsRandom)               \
    X(254, LightToBank, kDrawsRandom)              \
    X(255, EndsToBanks, 0)                         \
    X(256, ShadowsKeepBase, 0)                     \
    X(257, LightsKeepBase, 0)                      \
    X(258, EndsKeepBase, 0)                        \
    X(259, DeepShadowsToBank, 0)                   \
    X(260, BrightLightsToBank, 0)                  \
    X(261, FourLevels, 0)                          \
    X(262, ThreeLevels, 0)                         \
    X(295, Posterize, kAmountExempt)               \
    X(340, LuminanceAlpha, kAmountExempt)          \
    X(387, DarkerWins, 0)                          \
    X(388, LighterWins, 0)                         \
    X(425, TintByColour, 0)

enum MixMode : int32_t {
    kMixNormal = 32,  // the dab's plain coverage blend; no row of its own
#define MUR_MIX_ENUM(id, tag, flags) kMix##tag = id,
    MUR_MIX_MODES(MUR_MIX_ENUM)
#undef MUR_MIX_ENUM
};

constexpr uint8_t mix_mode_flags(int32_t mode)
{
    switch (mode) {
#define MUR_MIX_FLAGS(id, tag, bits) \
    case id: return bits;
        MUR_MIX_MODES(MUR_MIX_FLAGS)
#undef MUR_MIX_FLAGS
    default: return 0;
    }
}

constexpr bool draws_random(int32_t mode) { return (mix_mode_flags(mode) & kDrawsRandom) != 0; }

// The four colour banks (R, G, B of each), the current colour and the mix
// bias, as the modes read them.
struct ColourBanks {
    const uint16_t* r;
    const uint16_t* g;
    const uint16_t* b;
    const uint16_t* color;
    int32_t bias16;
};

// ---- Arithmetic the modes share ---------------------------------------------

// The channel modes on one channel.
inline uint32_t channel_mode(int32_t mode, uint32_t base, uint32_t over)
{
    const int64_t b = base, s = over;
    switch (mode) {
    case kMixMultiply: return (base * over) >> 16;
    case kMixScreen: return 65535 - (((65535 - base) * (65535 - over)) >> 16);
    case kMixDarken: return std::min(base, over);
    case kMixLighten: return std::max(base, over);
    case kMixDifference: return base > over ? base - over : over - base;
    case kMixNegation: return 65535 - static_cast<uint32_t>(std::abs(65535 - b - s));
    case kMixExclusion: return static_cast<uint32_t>(b + s - ((b * s) >> 15));
    case kMixOverlay:
        return base < 32767 ? (base * over) >> 15 : 65535 - static_cast<uint32_t>(((65535 - b) * (65535 - s)) >> 15);
    case kMixHardLight:
        return over < 32767 ? (base * over) >> 15 : 65535 - static_cast<uint32_t>(((65535 - b) * (65535 - s)) >> 15);
    case kMixSoftLight: {
        const double S = over / 65535.0, T = base / 65535.0;
        const double v = S >= 0.5 ? (2 * S - 1) * std::sqrt(T) + 2 * T * (1 - S) : T * ((1 - 2 * S) * T + 2 * S);
        return static_cast<uint32_t>(v * 65535);
    }
    case kMixDodge: return over < 65535 ? static_cast<uint32_t>(std::min<int64_t>((b << 16) / (65535 - s), 65535)) : 65535;
    case kMixBurn: return over == 0 ? 0 : static_cast<uint32_t>(std::max<int64_t>(65535 - ((65535 - b) << 16) / s, 0));
    case kMixReflect: return over < 65535 ? static_cast<uint32_t>(std::min<int64_t>(b * b / (65535 - s), 65535)) : 65535;
    case kMixGlow: return base < 65535 ? static_cast<uint32_t>(std::min<int64_t>(s * s / (65535 - b), 65535)) : 65535;
    case kMixAdd: return std::min(base + over, 65535u);
    case kMixSubtract: return base + over > 65535 ? base + over - 65535 : 0;
    default: return over;
    }
}

inline uint32_t mean(const uint32_t* c) { return (c[0] + c[1] + c[2]) / 3; }
inline uint32_t weighted_luma(const uint32_t* c) { return (3 * c[0] + 4 * c[1] + c[2]) >> 3; }

// The bank a lightness picks among the first two, three or four.
inline int bank_of_two(uint32_t lum) { return lum < 32767 ? 0 : 1; }
inline int bank_of_three(uint32_t lum) { return lum < 21845 ? 0 : lum < 43690 ? 1 : 2; }
inline int bank_of_four(uint32_t lum) { return lum < 16383 ? 0 : lum < 32767 ? 1 : lum < 49151 ? 2 : 3; }

inline void bank_colour(const ColourBanks& p, int k, uint32_t out[3])
{
    out[0] = p.r[k], out[1] = p.g[k], out[2] = p.b[k];
}

// Dark to light through banks 0, 1 and 2.
inline void bank_gradient(const ColourBanks& p, uint32_t lum, uint32_t out[3])
{
    const uint16_t* banks[3] = {p.r, p.g, p.b};
    const bool low = lum < 32767;
    const uint32_t t = low ? (2 * lum) >> 8 : (2 * lum - 65534) >> 8;
    const int from = low ? 0 : 1;
    for (int i = 0; i < 3; ++i) out[i] = fx::lerp_256<uint32_t>(banks[i][from], banks[i][from + 1], t);
}

// Black through the current colour to white as the lightness rises. At a
// lightness of exactly 32767 the upper branch's t is (65534 - 65536) >> 8 =
// -1, which would take the colour below 0: the result is clamped to 0..65535.
inline void tint(const ColourBanks& p, uint32_t lum, uint32_t out[3])
{
    const bool low = lum < 32767;
    const int64_t t = low ? (2 * int64_t(lum)) >> 8 : (2 * int64_t(lum) - 65536) >> 8;
    for (int i = 0; i < 3; ++i) {
        const int64_t c = p.color[i];
        out[i] = static_cast<uint32_t>(std::clamp<int64_t>(low ? (c * t) >> 8 : fx::lerp_256<int64_t>(c, 65535, t), 0, 65535));
    }
}

// Clears the low bits given by the mix bias (taken modulo 32).
inline uint32_t posterize(uint32_t c, int32_t bias16)
{
    const int k = bias16 & 31;
    return (c >> k) << k;
}

// ---- The modes ------------------------------------------------------------------

// Where the result's alpha comes from.
enum class MixedAlpha : uint8_t {
    over,       // the colour mixed in keeps its own
    base,       // the base pixel stays as it is, alpha included
    luminance,  // the mean of the colour mixed in (its colour becomes mid-gray)
};

struct Mixed {
    uint32_t m[3];
    MixedAlpha alpha;
};

// The colour a mode makes of `over` laid on `base`; ids without a row give
// `over` as it is.
inline Mixed mix_colour(int32_t mode, const uint32_t base[3], const uint32_t over[3], const ColourBanks& banks)
{
    Mixed out{{over[0], over[1], over[2]}, MixedAlpha::over};
    if (mix_mode_flags(mode) & kChannelMode) {
        for (int i = 0; i < 3; ++i) out.m[i] = std::min<uint32_t>(channel_mode(mode, base[i], over[i]), 65535);
        return out;
    }
    const uint32_t lum = mean(over);
    const auto take_base = [&] { out.m[0] = base[0], out.m[1] = base[1], out.m[2] = base[2]; };
    const auto keep_base = [&] {
        take_base();
        out.alpha = MixedAlpha::base;
    };
    switch (mode) {
    case kMixTwoBanks: bank_colour(banks, bank_of_two(lum), out.m); break;
    case kMixThreeBanks: bank_colour(banks, bank_of_three(lum), out.m); break;
    case kMixFourBanks: bank_colour(banks, bank_of_four(lum), out.m); break;
    case kMixBankGradient: bank_gradient(banks, lum, out.m); break;
    case kMixDarkToBank:
        if (lum < 32767)
            bank_colour(banks, 0, out.m);
        else
            take_base();
        break;
    case kMixLightToBank:
        if (lum > 32767)
            bank_colour(banks, 0, out.m);
        else
            take_base();
        break;
    case kMixEndsToBanks:
        if (lum < 20479)
            bank_colour(banks, 0, out.m);
        else if (lum >= 49152)
            bank_colour(banks, 1, out.m);
        break;
    case kMixShadowsKeepBase:
        if (lum < 20479) keep_base();
        break;
    case kMixLightsKeepBase:
        if (lum >= 49152) keep_base();
        break;
    case kMixEndsKeepBase:
        if (lum < 20479 || lum >= 49152) keep_base();
        break;
    case kMixDeepShadowsToBank:
        if (lum <= 12287)
            bank_colour(banks, 0, out.m);
        else
            keep_base();
        break;
    case kMixBrightLightsToBank:
        if (lum > 57342)
            bank_colour(banks, 0, out.m);
        else
            keep_base();
        break;
    case kMixFourLevels:
        for (int i = 0; i < 3; ++i)
            out.m[i] = over[i] < 10922 ? 0 : over[i] < 32767 ? 21845 : over[i] <= 54612 ? 43690 : 65535;
        break;
    case kMixThreeLevels:
        for (int i = 0; i < 3; ++i) out.m[i] = over[i] < 21845 ? 0 : over[i] <= 43689 ? 32767 : 65535;
        break;
    case kMixPosterize:
        for (int i = 0; i < 3; ++i) out.m[i] = posterize(over[i], banks.bias16);
        break;
    case kMixLuminanceAlpha:
        out.m[0] = out.m[1] = out.m[2] = 32767;
        out.alpha = MixedAlpha::luminance;
        break;
    case kMixDarkerWins:
        if (weighted_luma(base) < weighted_luma(over)) take_base();
        break;
    case kMixLighterWins:
        if (weighted_luma(base) > weighted_luma(over)) take_base();
        break;
    case kMixTintByColour: tint(banks, lum, out.m); break;
    default: break;  // no row: the colour mixed in
    }
    return out;
}

}  // namespace mur::mix
