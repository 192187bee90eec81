// The mix modes of the pick-up buffers: how a buffer colour is transformed
// by the layer colour under it before the strength mix. All integer; every
// id without a row leaves the buffer colour as it is.
#pragma once

#include "engine/random.h"
#include "paint/mix_mode_arithmetic.h"

#include <cstdint>

namespace mur::buffer_mix {

// A buffer pixel and the layer pixel under it.
struct MixPixel {
    uint32_t b[3];       // buffer colour Bc
    uint32_t ba;         // buffer alpha
    const uint32_t* l;   // layer colour Lc (3)
    uint32_t la;         // layer alpha
};

// The bank colours, the current colour and the mix bias.
using MixContext = mix::Palette;

inline void take_layer_colour(MixPixel& p) { p.b[0] = p.l[0], p.b[1] = p.l[1], p.b[2] = p.l[2]; }
inline void take_layer(MixPixel& p)
{
    take_layer_colour(p);
    p.ba = p.la;
}

// Four or three levels of a channel.
inline uint32_t four_levels(uint32_t c) { return c < 10922 ? 0 : c < 32767 ? 21845 : c < 54613 ? 43690 : 65535; }
inline uint32_t three_levels(uint32_t c) { return c < 21845 ? 0 : c < 43690 ? 32767 : 65535; }

// Transforms the buffer pixel by the mix mode: the buffer colour is mixed
// over the layer colour.
inline void apply(int32_t mode, MixPixel& p, const MixContext& ctx)
{
    if (mix::is_channel_mode(mode)) {
        for (int i = 0; i < 3; ++i) p.b[i] = std::min<uint32_t>(mix::channel_mode(mode, p.l[i], p.b[i]), 65535);
        return;
    }
    const uint32_t lum = mix::mean(p.b);
    switch (mode) {
    case 249: mix::bank_colour(ctx, mix::bank_of_two(lum), p.b); break;
    case 250: mix::bank_colour(ctx, mix::bank_of_three(lum), p.b); break;
    case 251: mix::bank_colour(ctx, mix::bank_of_four(lum), p.b); break;
    case 252: mix::bank_gradient(ctx, lum, p.b); break;
    case 253:
        rng_next();
        if (lum < 32767) mix::bank_colour(ctx, 0, p.b);
        else take_layer_colour(p);
        break;
    case 254:
        rng_next();
        if (lum < 32768) take_layer_colour(p);
        else mix::bank_colour(ctx, 0, p.b);
        break;
    case 255:
        if (lum < 20479) mix::bank_colour(ctx, 0, p.b);
        else if (lum > 49151) mix::bank_colour(ctx, 1, p.b);
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
        if (lum < 12288) mix::bank_colour(ctx, 0, p.b);
        else take_layer(p);
        break;
    case 260:
        if (lum > 57342) mix::bank_colour(ctx, 0, p.b);
        else take_layer(p);
        break;
    case 261:
        for (uint32_t& c : p.b) c = four_levels(c);
        break;
    case 262:
        for (uint32_t& c : p.b) c = three_levels(c);
        break;
    case 295:
        for (uint32_t& c : p.b) c = mix::posterize(c, ctx.bias16);
        break;
    case 340:
        p.ba = lum;
        p.b[0] = p.b[1] = p.b[2] = 32767;
        break;
    case 387:
        if (mix::weighted_luma(p.l) < mix::weighted_luma(p.b)) take_layer_colour(p);
        break;
    case 388:
        if (mix::weighted_luma(p.b) < mix::weighted_luma(p.l)) take_layer_colour(p);
        break;
    case 425: mix::tint(ctx, lum, p.b); break;
    default: break;
    }
}

}  // namespace mur::buffer_mix
