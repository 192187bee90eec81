// Arithmetic shared by the two mix-mode tables (pick-up buffers and grit
// dabs): the per-channel modes of a blend colour over a base colour, the
// choice of bank colours by lightness, the bank gradient, the tint by the
// current colour and the posterize step. All integer on 16-bit channels
// except soft light.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace mur::mix {

// The four bank colours (R, G, B of each) and the current colour the modes
// may draw on, with the mix bias of the posterize step.
struct Palette {
    const uint16_t* r;
    const uint16_t* g;
    const uint16_t* b;
    const uint16_t* color;
    int32_t bias16;
};

// Modes 33 to 48 on one channel: `blend` is the colour being mixed in, `base`
// the one it lies over. Other ids give the blend colour.
inline uint32_t channel_mode(int32_t mode, uint32_t base, uint32_t blend)
{
    const int64_t b = base, s = blend;
    switch (mode) {
    case 33: return (base * blend) >> 16;                                           // multiply
    case 34: return 65535 - (((65535 - base) * (65535 - blend)) >> 16);             // screen
    case 35: return std::min(base, blend);                                          // darken
    case 36: return std::max(base, blend);                                          // lighten
    case 37: return base > blend ? base - blend : blend - base;                     // difference
    case 38: return 65535 - static_cast<uint32_t>(std::abs(65535 - b - s));         // negation
    case 39: return static_cast<uint32_t>(b + s - ((b * s) >> 15));                 // exclusion
    case 40:                                                                        // overlay
        return base < 32767 ? (base * blend) >> 15 : 65535 - static_cast<uint32_t>(((65535 - b) * (65535 - s)) >> 15);
    case 41:                                                                        // hard light
        return blend < 32767 ? (base * blend) >> 15 : 65535 - static_cast<uint32_t>(((65535 - b) * (65535 - s)) >> 15);
    case 42: {                                                                      // soft light
        const double S = blend / 65535.0, T = base / 65535.0;
        const double v = S >= 0.5 ? (2 * S - 1) * std::sqrt(T) + 2 * T * (1 - S) : T * ((1 - 2 * S) * T + 2 * S);
        return static_cast<uint32_t>(v * 65535);
    }
    case 43:                                                                        // dodge
        return blend < 65535 ? static_cast<uint32_t>(std::min<int64_t>((b << 16) / (65535 - s), 65535)) : 65535;
    case 44:                                                                        // burn
        return blend == 0 ? 0 : static_cast<uint32_t>(std::max<int64_t>(65535 - ((65535 - b) << 16) / s, 0));
    case 45:                                                                        // reflect
        return blend < 65535 ? static_cast<uint32_t>(std::min<int64_t>(b * b / (65535 - s), 65535)) : 65535;
    case 46:                                                                        // glow
        return base < 65535 ? static_cast<uint32_t>(std::min<int64_t>(s * s / (65535 - b), 65535)) : 65535;
    case 47: return std::min(base + blend, 65535u);                                 // add
    case 48: return base + blend > 65535 ? base + blend - 65535 : 0;                // subtract
    default: return blend;
    }
}

inline bool is_channel_mode(int32_t mode) { return mode >= 33 && mode <= 48; }

inline uint32_t mean(const uint32_t* c) { return (c[0] + c[1] + c[2]) / 3; }
inline uint32_t weighted_luma(const uint32_t* c) { return (3 * c[0] + 4 * c[1] + c[2]) >> 3; }

// The bank a lightness picks among the first two, three or four.
inline int bank_of_two(uint32_t lum) { return lum < 32767 ? 0 : 1; }
inline int bank_of_three(uint32_t lum) { return lum < 21845 ? 0 : lum < 43690 ? 1 : 2; }
inline int bank_of_four(uint32_t lum) { return lum < 16383 ? 0 : lum < 32767 ? 1 : lum < 49151 ? 2 : 3; }

inline void bank_colour(const Palette& p, int k, uint32_t out[3])
{
    out[0] = p.r[k], out[1] = p.g[k], out[2] = p.b[k];
}

// Dark to light through banks 0, 1 and 2.
inline void bank_gradient(const Palette& p, uint32_t lum, uint32_t out[3])
{
    const uint16_t* banks[3] = {p.r, p.g, p.b};
    const bool low = lum < 32767;
    const uint32_t t = low ? (2 * lum) >> 8 : (2 * lum - 65534) >> 8;
    const int from = low ? 0 : 1;
    for (int i = 0; i < 3; ++i) out[i] = (banks[i][from] * (256 - t) + banks[i][from + 1] * t) >> 8;
}

// Black through the current colour to white as the lightness rises.
inline void tint(const Palette& p, uint32_t lum, uint32_t out[3])
{
    const bool low = lum < 32767;
    const int64_t t = low ? (2 * int64_t(lum)) >> 8 : (2 * int64_t(lum) - 65536) >> 8;
    for (int i = 0; i < 3; ++i) {
        const int64_t c = p.color[i];
        out[i] = static_cast<uint32_t>(std::clamp<int64_t>(low ? (c * t) >> 8 : (c * (256 - t) + 65535 * t) >> 8, 0, 65535));
    }
}

// Clears the low bits given by the mix bias (taken modulo 32).
inline uint32_t posterize(uint32_t c, int32_t bias16)
{
    const int k = bias16 & 31;
    return (c >> k) << k;
}

}  // namespace mur::mix
