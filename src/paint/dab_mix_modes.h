// The mix modes of grit dabs from id 34 on: the colour m a mode makes of the
// target colour d and the dab colour s, before the mix amount and the
// coverage blend it with what was there. All integer, 16-bit channels.
#pragma once

#include "engine/random.h"
#include "paint/mix_mode_arithmetic.h"

#include <cstdint>

namespace mur::dab_mix {

// The bank colours, the current colour and the mix bias.
using Banks = mix::Palette;

// What a mode made of one pixel.
struct Mixed {
    uint32_t m[3];
    bool keep;        // the target stays: m = d, alpha kept
    bool unmixed;     // the mix amount does not apply (posterize, gray)
    bool alphaIsLum;  // the result alpha is the dab's mean (mode 340)
};

// The colour of a mode for one pixel: the dab colour mixed over the target.
// Ids without a row take the dab colour.
inline Mixed mix(int32_t mode, const uint32_t d[3], const uint32_t s[3], const Banks& banks)
{
    Mixed out{{s[0], s[1], s[2]}, false, false, false};
    const uint32_t lum = mix::mean(s);
    auto target = [&] { out.m[0] = d[0], out.m[1] = d[1], out.m[2] = d[2]; };
    auto keep = [&] {
        target();
        out.keep = true;
    };
    if (mix::is_channel_mode(mode) && mode >= 34) {
        for (int i = 0; i < 3; ++i) out.m[i] = std::min<uint32_t>(mix::channel_mode(mode, d[i], s[i]), 65535);
        return out;
    }
    switch (mode) {
    case 249: mix::bank_colour(banks, mix::bank_of_two(lum), out.m); break;
    case 250: mix::bank_colour(banks, mix::bank_of_three(lum), out.m); break;
    case 251: mix::bank_colour(banks, mix::bank_of_four(lum), out.m); break;
    case 252: mix::bank_gradient(banks, lum, out.m); break;
    case 253:
        rng_next();
        if (lum < 32767) mix::bank_colour(banks, 0, out.m);
        else target();
        break;
    case 254:
        rng_next();
        if (lum > 32767) mix::bank_colour(banks, 0, out.m);
        else target();
        break;
    case 255:
        if (lum < 20479) mix::bank_colour(banks, 0, out.m);
        else if (lum >= 49152) mix::bank_colour(banks, 1, out.m);
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
        if (lum <= 12287) mix::bank_colour(banks, 0, out.m);
        else keep();
        break;
    case 260:
        if (lum > 57342) mix::bank_colour(banks, 0, out.m);
        else keep();
        break;
    case 261:
        for (int i = 0; i < 3; ++i) out.m[i] = s[i] < 10922 ? 0 : s[i] < 32767 ? 21845 : s[i] <= 54612 ? 43690 : 65535;
        break;
    case 262:
        for (int i = 0; i < 3; ++i) out.m[i] = s[i] < 21845 ? 0 : s[i] <= 43689 ? 32767 : 65535;
        break;
    case 295:
        for (int i = 0; i < 3; ++i) out.m[i] = mix::posterize(s[i], banks.bias16);
        out.unmixed = true;
        break;
    case 340:
        out.m[0] = out.m[1] = out.m[2] = 32767;
        out.unmixed = true;
        out.alphaIsLum = true;
        break;
    case 387:
        if (mix::weighted_luma(d) < mix::weighted_luma(s)) target();
        break;
    case 388:
        if (mix::weighted_luma(d) > mix::weighted_luma(s)) target();
        break;
    case 425: mix::tint(banks, lum, out.m); break;
    default: break;  // no row: the dab colour
    }
    return out;
}

}  // namespace mur::dab_mix
