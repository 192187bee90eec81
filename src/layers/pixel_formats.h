// The 8/16-bit conversion rules, packed colours, and the weights by which
// the texture and the mask temper loads into a layer.
#pragma once

#include "engine/fixed_point.h"
#include "engine/state.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace mur::px {

// 8 bits become 16 by a shift (255 -> 65280); 16 become 8 by the high byte.
using fx::narrow16;
using fx::widen8;
constexpr uint16_t widen(uint32_t byte) noexcept { return widen8(byte); }
constexpr uint8_t narrow(uint32_t word) noexcept { return narrow16(word); }

// 0xAARRGGBB and 0xRRGGBBAA from the high bytes of an RGBA64 pixel.
constexpr uint32_t pack_argb(const uint16_t* p) noexcept
{
    return uint32_t{narrow(p[3])} << 24 | uint32_t{narrow(p[0])} << 16 | uint32_t{narrow(p[1])} << 8 | narrow(p[2]);
}
constexpr uint32_t pack_rgba(const uint16_t* p) noexcept
{
    return uint32_t{narrow(p[0])} << 24 | uint32_t{narrow(p[1])} << 16 | uint32_t{narrow(p[2])} << 8 | narrow(p[3]);
}

// An 8-bit source byte mixed into a 16-bit channel by weight w (0..65535):
// ((((s << 8) w) >> 8) + ((c (65535 - w)) >> 8)) >> 8, in unsigned 32 bits.
constexpr uint16_t mix(uint32_t s, uint32_t c, uint32_t w) noexcept
{
    return static_cast<uint16_t>(fx::blend_65535(s << 8, c, w));
}

// Weight rule A (layer loads): the texture byte doubled and the mask's high
// byte each scale the weight by (value + 1) / 256 below full.
constexpr uint32_t weight_rule_a(const uint8_t* texture, const uint16_t* mask, std::size_t at) noexcept
{
    uint32_t w = 65535;
    if (texture) {
        const uint32_t d = 2u * texture[at];
        if (d == 0) return 0;
        if (d < 255) w = ((d + 1) * w) >> 8;
    }
    if (mask) {
        const uint32_t h = mask[at] >> 8;
        if (h == 0) return 0;
        if (h < 255) w = ((h + 1) * w) >> 8;
    }
    return w;
}

// Weight rule B (alpha loads and the filter weight): the doubled texture
// byte scales by d / 256 below full, the mask by m / 65536 below full.
constexpr uint32_t weight_rule_b(const uint8_t* texture, const uint16_t* mask, std::size_t at) noexcept
{
    uint32_t w = 65535;
    if (texture) {
        const uint32_t d = 2u * texture[at];
        if (d < 255) w = (d * 65535u) >> 8;
    }
    if (mask && mask[at] < 65535) w = (mask[at] * w) >> 16;
    return w;
}

// The weighting planes of the image: the texture when there is one, the mask
// while it is enabled; null otherwise.
struct WeightPlanes {
    const uint8_t* texture;
    const uint16_t* mask;
    bool any() const noexcept { return texture || mask; }
};
inline WeightPlanes weight_planes() noexcept
{
    return {engine.layers.texture, engine.mask.enabled ? engine.mask.plane : nullptr};
}

// The part of a layer that lies inside the image: the whole-image transfers
// read and write only there, with the layer's own row length.
struct Overlap {
    int32_t width;
    int32_t height;
};
inline Overlap image_overlap(const LayerRecord& layer) noexcept
{
    return {std::max(0, std::min(engine.width, layer.width)), std::max(0, std::min(engine.height, layer.height))};
}

inline uint16_t* layer_row(const LayerRecord& layer, int64_t y) noexcept { return layer.pixels + y * layer.stride; }

}  // namespace mur::px
