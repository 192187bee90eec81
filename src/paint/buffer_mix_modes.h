// The mix modes of the pick-up buffers: how a buffer colour is transformed
// by the layer colour under it before the strength mix. All integer; every
// id without a row leaves the buffer colour as it is.
#pragma once

#include "engine/random.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace mur::buffer_mix {

// A buffer pixel and the layer pixel under it; banks are the four bank
// colours (R, G, B), color the current colour.
struct MixPixel {
    uint32_t b[3];       // buffer colour Bc
    uint32_t ba;         // buffer alpha
    const uint32_t* l;   // layer colour Lc (3)
    uint32_t la;         // layer alpha
};

struct MixContext {
    const uint16_t* bankR;
    const uint16_t* bankG;
    const uint16_t* bankB;
    const uint16_t* color;
    int32_t bias16;
};

inline uint32_t mean3(const uint32_t* c) { return (c[0] + c[1] + c[2]) / 3; }
inline uint32_t luma(const uint32_t* c) { return (3 * c[0] + 4 * c[1] + c[2]) >> 3; }

inline void set_bank(MixPixel& p, const MixContext& ctx, int k)
{
    p.b[0] = ctx.bankR[k], p.b[1] = ctx.bankG[k], p.b[2] = ctx.bankB[k];
}
inline void take_layer(MixPixel& p)
{
    p.b[0] = p.l[0], p.b[1] = p.l[1], p.b[2] = p.l[2];
    p.ba = p.la;
}

// Per-channel modes, 33..48: b is the buffer channel, l the layer's.
inline uint32_t channel_mode(int32_t mode, uint32_t b, uint32_t l)
{
    switch (mode) {
    case 33: return (b * l) >> 16;                                        // multiply
    case 34: return 65535 - (((65535 - b) * (65535 - l)) >> 16);          // screen
    case 35: return std::min(b, l);                                       // darken
    case 36: return std::max(b, l);                                       // lighten
    case 37: return l > b ? l - b : b - l;                                // difference
    case 38: return 65535 - static_cast<uint32_t>(std::abs(65535 - int64_t(b) - int64_t(l)));  // negation
    case 39: return static_cast<uint32_t>(int64_t(b) - ((int64_t(b) * l) >> 15) + l);  // exclusion
    case 40:                                                              // overlay
        return l < 32767 ? (b * l) >> 15 : 65535 - static_cast<uint32_t>((int64_t(65535 - b) * (65535 - l)) >> 15);
    case 41:                                                              // hard light
        return b < 32767 ? (b * l) >> 15 : 65535 - static_cast<uint32_t>((int64_t(65535 - b) * (65535 - l)) >> 15);
    case 42: {                                                            // soft light
        const double bb = b / 65535.0, ll = l / 65535.0;
        const double v = bb >= 0.5 ? (2 * bb - 1) * std::sqrt(ll) + 2 * ll * (1 - bb) : ll * ((1 - 2 * bb) * ll + 2 * bb);
        return static_cast<uint32_t>(v * 65535);
    }
    case 43: return b < 65535 ? std::min<uint32_t>((l << 16) / (65535 - b), 65535) : 65535;  // dodge
    case 44:                                                                                     // burn
        return b != 0 ? static_cast<uint32_t>(std::max<int64_t>(65535 - (int64_t(65535 - l) << 16) / b, 0)) : 0;
    case 45: return b < 65535 ? static_cast<uint32_t>(std::min<uint64_t>(uint64_t(l) * l / (65535 - b), 65535)) : 65535;
    case 46: return l < 65535 ? static_cast<uint32_t>(std::min<uint64_t>(uint64_t(b) * b / (65535 - l), 65535)) : 65535;
    case 47: return std::min(b + l, 65535u);                              // add
    case 48: return b + l > 65535 ? b + l - 65535 : 0;                    // subtract
    default: return b;
    }
}

// Four or three levels of a channel.
inline uint32_t four_levels(uint32_t c) { return c < 10922 ? 0 : c < 32767 ? 21845 : c < 54613 ? 43690 : 65535; }
inline uint32_t three_levels(uint32_t c) { return c < 21845 ? 0 : c < 43690 ? 32767 : 65535; }

// Transforms the buffer pixel by the mix mode.
inline void apply(int32_t mode, MixPixel& p, const MixContext& ctx)
{
    if (mode >= 33 && mode <= 48) {
        for (int i = 0; i < 3; ++i) p.b[i] = std::min<uint32_t>(channel_mode(mode, p.b[i], p.l[i]), 65535);
        return;
    }
    const uint32_t lum = mean3(p.b);
    switch (mode) {
    case 249: set_bank(p, ctx, lum < 32767 ? 0 : 1); break;
    case 250: set_bank(p, ctx, lum < 21845 ? 0 : lum < 43690 ? 1 : 2); break;
    case 251: set_bank(p, ctx, lum < 16383 ? 0 : lum < 32767 ? 1 : lum < 49151 ? 2 : 3); break;
    case 252: {
        const uint16_t* banks[3] = {ctx.bankR, ctx.bankG, ctx.bankB};
        const bool low = lum < 32767;
        const uint32_t t = low ? (2 * lum) >> 8 : (2 * lum - 65534) >> 8;
        const int from = low ? 0 : 1;
        for (int i = 0; i < 3; ++i) p.b[i] = (banks[i][from] * (256 - t) + banks[i][from + 1] * t) >> 8;
        break;
    }
    case 253:
        rng_next();
        if (lum < 32767)
            set_bank(p, ctx, 0);
        else
            p.b[0] = p.l[0], p.b[1] = p.l[1], p.b[2] = p.l[2];
        break;
    case 254:
        rng_next();
        if (lum < 32768)
            p.b[0] = p.l[0], p.b[1] = p.l[1], p.b[2] = p.l[2];
        else
            set_bank(p, ctx, 0);
        break;
    case 255:
        if (lum < 20479) set_bank(p, ctx, 0);
        else if (lum > 49151) set_bank(p, ctx, 1);
        break;
    case 256:
        if (lum <= 20478) take_layer(p);
        break;
    case 257:
        if (lum > 49151) take_layer(p);
        break;
    case 258:
        if (lum < 20479 || lum > 49151) take_layer(p);
        break;
    case 259:
        if (lum < 12288) set_bank(p, ctx, 0);
        else take_layer(p);
        break;
    case 260:
        if (lum > 57342) set_bank(p, ctx, 0);
        else take_layer(p);
        break;
    case 261:
        for (uint32_t& c : p.b) c = four_levels(c);
        break;
    case 262:
        for (uint32_t& c : p.b) c = three_levels(c);
        break;
    case 295: {
        const int k = ctx.bias16 & 31;
        for (uint32_t& c : p.b) c = (c >> k) << k;
        break;
    }
    case 340:
        p.ba = lum;
        p.b[0] = p.b[1] = p.b[2] = 32767;
        break;
    case 387:
        if (luma(p.l) < luma(p.b)) p.b[0] = p.l[0], p.b[1] = p.l[1], p.b[2] = p.l[2];
        break;
    case 388:
        if (luma(p.b) < luma(p.l)) p.b[0] = p.l[0], p.b[1] = p.l[1], p.b[2] = p.l[2];
        break;
    case 425: {  // tint by the current colour
        const bool low = lum < 32767;
        const int64_t t = low ? (2 * int64_t(lum)) >> 8 : (2 * int64_t(lum) - 65536) >> 8;
        for (int i = 0; i < 3; ++i) {
            const int64_t cc = ctx.color[i];
            const int64_t v = low ? (cc * t) >> 8 : (cc * (256 - t) + t * 65535) >> 8;
            p.b[i] = static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 65535));
        }
        break;
    }
    default: break;
    }
}

}  // namespace mur::buffer_mix
