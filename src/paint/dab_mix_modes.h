// The mix modes of grit dabs from id 34 on: the colour m a mode makes of the
// target colour d and the dab colour s, before the mix amount and the
// coverage blend it with what was there. All integer, 16-bit channels.
#pragma once

#include "engine/random.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mur::dab_mix {

struct Banks {
    const uint16_t* r;  // the four bank colours
    const uint16_t* g;
    const uint16_t* b;
    const uint16_t* color;  // the current colour
    int32_t bias16;
};

// What a mode made of one pixel.
struct Mixed {
    uint32_t m[3];
    bool keep;        // the target stays: m = d, alpha kept
    bool unmixed;     // the mix amount does not apply (posterize, gray)
    bool alphaIsLum;  // the result alpha is the dab's mean (mode 340)
};

// Per-channel modes 34..48; d is the target channel, s the dab's.
inline uint32_t channel_mode(int32_t mode, uint32_t d, uint32_t s)
{
    switch (mode) {
    case 34: return 65535 - (((65535 - d) * (65535 - s)) >> 16);                          // screen
    case 35: return std::min(d, s);                                                       // darken
    case 36: return std::max(d, s);                                                       // lighten
    case 37: return d > s ? d - s : s - d;                                                // difference
    case 38: return 65535 - static_cast<uint32_t>(std::abs(65535 - int64_t(d) - int64_t(s)));  // negation
    case 39: return static_cast<uint32_t>(int64_t(d) + s - ((int64_t(d) * s) >> 15));   // exclusion
    case 40:                                                                              // overlay
        return d < 32767 ? (d * s) >> 15 : 65535 - static_cast<uint32_t>((int64_t(65535 - d) * (65535 - s)) >> 15);
    case 41:                                                                              // hard light
        return s < 32767 ? (d * s) >> 15 : 65535 - static_cast<uint32_t>((int64_t(65535 - d) * (65535 - s)) >> 15);
    case 42: {                                                                            // soft light
        const double ss = s / 65535.0, t = d / 65535.0;
        const double v = ss >= 0.5 ? (2 * ss - 1) * std::sqrt(t) + 2 * t * (1 - ss) : t * ((1 - 2 * ss) * t + 2 * ss);
        return static_cast<uint32_t>(v * 65535);
    }
    case 43: return s < 65535 ? static_cast<uint32_t>(std::min<uint64_t>(uint64_t(d) * 65536 / (65535 - s), 65535)) : 65535;
    case 44:  // burn
        return s == 0 ? 0 : static_cast<uint32_t>(std::max<int64_t>(65535 - int64_t(65535 - d) * 65536 / s, 0));
    case 45: return s < 65535 ? static_cast<uint32_t>(std::min<uint64_t>(uint64_t(d) * d / (65535 - s), 65535)) : 65535;
    case 46: return d < 65535 ? static_cast<uint32_t>(std::min<uint64_t>(uint64_t(s) * s / (65535 - d), 65535)) : 65535;
    case 47: return std::min(d + s, 65535u);                                              // add
    case 48: return d + s > 65535 ? d + s - 65535 : 0;                                    // subtract
    default: return s;
    }
}

inline uint32_t luma(const uint32_t* c) { return (3 * c[0] + 4 * c[1] + c[2]) >> 3; }

// The colour of a mode for one pixel. Ids without a row take the dab colour.
inline Mixed mix(int32_t mode, const uint32_t d[3], const uint32_t s[3], const Banks& banks)
{
    Mixed out{{s[0], s[1], s[2]}, false, false, false};
    const uint32_t lum = (s[0] + s[1] + s[2]) / 3;
    auto bank = [&](int k) {
        out.m[0] = banks.r[k], out.m[1] = banks.g[k], out.m[2] = banks.b[k];
    };
    auto keep = [&] {
        out.m[0] = d[0], out.m[1] = d[1], out.m[2] = d[2];
        out.keep = true;
    };
    auto target = [&] { out.m[0] = d[0], out.m[1] = d[1], out.m[2] = d[2]; };
    if (mode >= 34 && mode <= 48) {
        for (int i = 0; i < 3; ++i) out.m[i] = std::min<uint32_t>(channel_mode(mode, d[i], s[i]), 65535);
        return out;
    }
    switch (mode) {
    case 249: bank(lum < 32767 ? 0 : 1); break;
    case 250: bank(lum < 21845 ? 0 : lum < 43690 ? 1 : 2); break;
    case 251: bank(lum < 16383 ? 0 : lum < 32767 ? 1 : lum < 49151 ? 2 : 3); break;
    case 252: {
        const uint16_t* ch[3] = {banks.r, banks.g, banks.b};
        const bool low = lum < 32767;
        const uint32_t t = low ? (2 * lum) >> 8 : (2 * lum - 65534) >> 8;
        const int from = low ? 0 : 1;
        for (int i = 0; i < 3; ++i) out.m[i] = (ch[i][from] * (256 - t) + ch[i][from + 1] * t) >> 8;
        break;
    }
    case 253:
        rng_next();
        if (lum < 32767) bank(0);
        else target();
        break;
    case 254:
        rng_next();
        if (lum > 32767) bank(0);
        else target();
        break;
    case 255:
        if (lum < 20479) bank(0);
        else if (lum >= 49152) bank(1);
        break;
    case 256:
        if (lum < 20479) keep();
        break;
    case 257:
        if (lum >= 49152) keep();
        break;
    case 258:
        if (lum < 20479 || lum >= 49152) keep();
        break;
    case 259:
        if (lum <= 12287) bank(0);
        else keep();
        break;
    case 260:
        if (lum > 57342) bank(0);
        else keep();
        break;
    case 261:
        for (int i = 0; i < 3; ++i) out.m[i] = s[i] < 10922 ? 0 : s[i] < 32767 ? 21845 : s[i] <= 54612 ? 43690 : 65535;
        break;
    case 262:
        for (int i = 0; i < 3; ++i) out.m[i] = s[i] < 21845 ? 0 : s[i] <= 43689 ? 32767 : 65535;
        break;
    case 295: {  // posterize
        const int k = banks.bias16 & 31;
        for (int i = 0; i < 3; ++i) out.m[i] = (s[i] >> k) << k;
        out.unmixed = true;
        break;
    }
    case 340:
        out.m[0] = out.m[1] = out.m[2] = 32767;
        out.unmixed = true;
        out.alphaIsLum = true;
        break;
    case 387:
        if (luma(d) < luma(s)) target();
        break;
    case 388:
        if (luma(d) > luma(s)) target();
        break;
    case 425: {  // tint with the current colour
        const bool low = lum < 32767;
        const int64_t t = low ? (2 * int64_t(lum)) >> 8 : (2 * int64_t(lum) - 65536) >> 8;
        for (int i = 0; i < 3; ++i) {
            const int64_t c = banks.color[i];
            out.m[i] = static_cast<uint32_t>(std::clamp<int64_t>(low ? (c * t) >> 8 : (c * (256 - t) + 65535 * t) >> 8, 0, 65535));
        }
        break;
    }
    default: break;  // no row: the dab colour
    }
    return out;
}

}  // namespace mur::dab_mix
