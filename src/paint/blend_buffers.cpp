// The pick-up buffers: brush-sized RGBA64 squares that carry colour picked
// up from the image from dab to dab, and the mixing of colour into them.
#include "engine/fixed_point.h"
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/hooks.h"
#include "engine/memory.h"
#include "engine/parallel_rows.h"
#include "engine/random.h"
#include "engine/saturate.h"
#include "engine/state.h"
#include "layers/layer_access.h"
#include "layers/pixel_sources.h"
#include "mask/mask_rules.h"
#include "paint/mix_modes.h"
#include "paint/paint.h"

#include <algorithm>
#include <cstring>

namespace mur {
namespace {

using layers::PixelSource;
using Source = layers::PixelSource;

// The dab square of the brush size around (x, y), and its part inside the
// image and the source.
struct Square {
    int32_t left, top, n;
    int32_t i0, i1, j0, j1;  // buffer columns [i0, i1) and rows [j0, j1) that lie inside
    bool reachesOutside;
};

// The square within bounds w x h (the image, or less where a source is smaller).
Square dab_square(int32_t x, int32_t y, int32_t w, int32_t h) noexcept
{
    const LayerRecord* buffer = engine.blend.selected;
    const int32_t n = std::clamp(engine.tool.size, 0, buffer ? buffer->width : 0);
    // In 64 bits: (x, y) may be anywhere in the 32-bit range. A corner that
    // does not fit 32 bits leaves no part of the square inside.
    const int64_t left = int64_t{x} - n / 2, top = int64_t{y} - n / 2;
    Square s{saturate_i32(left), saturate_i32(top), n, 0, 0, 0, 0, false};
    s.i0 = static_cast<int32_t>(std::clamp<int64_t>(-left, 0, n));
    s.j0 = static_cast<int32_t>(std::clamp<int64_t>(-top, 0, n));
    s.i1 = static_cast<int32_t>(std::clamp<int64_t>(w - left, s.i0, n));
    s.j1 = static_cast<int32_t>(std::clamp<int64_t>(h - top, s.j0, n));
    s.reachesOutside = s.i0 > 0 || s.j0 > 0 || s.i1 < n || s.j1 < n;
    return s;
}

Square dab_square(int32_t x, int32_t y, const Source& source) noexcept
{
    return dab_square(x, y, std::min(engine.width, source.width), std::min(engine.height, source.height));
}

uint16_t* buffer_pixel(int32_t i, int32_t j) noexcept
{
    const LayerRecord* b = engine.blend.selected;
    return b->pixels + std::size_t(j) * b->stride + std::size_t(i) * 4;
}

const uint16_t* source_pixel(const Source& s, const Square& sq, int32_t i, int32_t j) noexcept
{
    return s.pixels + int64_t(sq.top + j) * s.stride + int64_t(sq.left + i) * 4;
}

// The source alpha, weighted by the mask while it is enabled.
uint32_t masked_alpha(uint32_t alpha, int32_t x, int32_t y) noexcept
{
    if (!engine.mask.enabled || !engine.mask.plane) return alpha;
    const uint32_t m = engine.mask.plane[std::size_t(y) * engine.width + x];
    const uint32_t w = m == 65535 ? 65535 : (m * 65535) >> 16;
    return static_cast<uint32_t>(w / 65535.0 * alpha);
}

bool ready(const Source& source) noexcept
{
    const LayerRecord* b = engine.blend.selected;
    return engine.tool.blendStrength != 0 && b && b->pixels && source.pixels;
}

// A strength (0..255, 256 for all) as a 16-bit weight: strength << 8, at
// most 65535 (so 256 weighs 65535, not 65280); below 0 it is 0.
inline uint32_t strength_weight(int32_t strength) noexcept
{
    return static_cast<uint32_t>(std::min<int64_t>(int64_t{std::max(strength, 0)} << 8, 65535));
}

inline uint16_t cap65280(uint32_t v) noexcept { return static_cast<uint16_t>(std::min<uint32_t>(v, 65280)); }

int32_t copy_blend_buffer(int32_t x, int32_t y, const Source& source, int32_t strength, bool flag) noexcept
{
    if (!ready(source)) return 0;
    const uint32_t c = static_cast<uint32_t>(std::clamp(strength, 0, 256)), k = 256 - c;
    const uint16_t* color = engine.tool.color;
    const Square sq = dab_square(x, y, source);
    if (sq.reachesOutside) {
        for (int32_t j = 0; j < sq.n; ++j)
            for (int32_t i = 0; i < sq.n; ++i) {
                uint16_t* b = buffer_pixel(i, j);
                if (flag) {
                    b[3] = 65535;
                } else {
                    b[0] = color[0], b[1] = color[1], b[2] = color[2];
                    b[3] = static_cast<uint16_t>((c & 255) << 8);
                }
            }
    }
    for (int32_t j = sq.j0; j < sq.j1; ++j)
        for (int32_t i = sq.i0; i < sq.i1; ++i) {
            const uint16_t* s = source_pixel(source, sq, i, j);
            uint16_t* b = buffer_pixel(i, j);
            const uint32_t a = masked_alpha(s[3], sq.left + i, sq.top + j);
            if (a != 0) {
                for (int ch = 0; ch < 3; ++ch) {
                    const uint32_t sum = c * color[ch] + k * s[ch];
                    b[ch] = sum >= 0xFF0000 ? 65280 : static_cast<uint16_t>((sum >> 8) + 1);
                }
                b[3] = static_cast<uint16_t>((c * color[3] + k * a) >> 8);
            } else {
                b[0] = color[0], b[1] = color[1], b[2] = color[2];
                b[3] = static_cast<uint16_t>(flag ? (256 - c) << 8 : c << 8);
            }
        }
    return 1;
}

int32_t mix_blend_buffer(int32_t x, int32_t y, const Source& source, int32_t strength) noexcept
{
    if (!ready(source)) return 0;
    const uint32_t s = strength_weight(strength);
    const uint32_t inverse = 65536 - s;
    const Square sq = dab_square(x, y, source);
    const ToolSettings& t = engine.tool;
    const mix::ColourBanks banks{t.colorBankR, t.colorBankG, t.colorBankB, t.color, t.mixBias16};
    const int32_t mode = t.mixMode;
    const bool draws = mix::draws_random(mode);
    // Rows are shared among threads above 36 of them. Modes 253 and 254 draw
    // from each thread's own generator, so their draws follow the split.
    for_rows(sq.j0, sq.j1, sq.j1 - sq.j0 > 36, [&](int64_t row) {
        const auto j = static_cast<int32_t>(row);
        for (int32_t i = sq.i0; i < sq.i1; ++i) {
            const uint16_t* src = source_pixel(source, sq, i, j);
            uint16_t* b = buffer_pixel(i, j);
            const uint32_t la = masked_alpha(src[3], sq.left + i, sq.top + j);
            if (la == 0) {
                b[3] = static_cast<uint16_t>((b[3] * inverse) >> 16);
                continue;
            }
            if (s == 0) continue;
            const uint32_t l[3] = {src[0], src[1], src[2]};
            if (b[3] == 0) {
                b[0] = cap65280(l[0]), b[1] = cap65280(l[1]), b[2] = cap65280(l[2]);
                b[3] = static_cast<uint16_t>(la);
                continue;
            }
            // The buffer colour mixed over the layer colour by the mode.
            const uint32_t over[3] = {b[0], b[1], b[2]};
            if (draws) rng_next();
            const mix::Mixed mixed = mix::mix_colour(mode, l, over, banks);
            const uint32_t alpha = mixed.alpha == mix::MixedAlpha::base        ? la
                                   : mixed.alpha == mix::MixedAlpha::luminance ? mix::mean(over)
                                                                               : b[3];
            for (int ch = 0; ch < 3; ++ch) b[ch] = cap65280(fx::blend_65536(l[ch], mixed.m[ch], s) + 1);
            b[3] = static_cast<uint16_t>(fx::blend_65536(la, alpha, s));
        }
    });
    return 1;
}

}  // namespace

void paint::set_blend_buffer_count(int32_t count)
{
    BlendBufferState& blend = engine.blend;
    count = std::clamp(count, 0, kBlendBufferMax);
    if (count != blend.count) {
        for (LayerRecord& buffer : blend.buffers) mem::release_and_null(buffer.pixels);
        const int32_t side = std::max(engine.maxBrushSize, 0);
        const int64_t values = int64_t{side} * side * 4;
        for (int32_t i = 0; i < count; ++i) {
            LayerRecord& buffer = blend.buffers[i];
            buffer.pixels = x_NewShortUndoReduce(values);
            buffer.width = side;
            buffer.height = side;
            buffer.stride = side * 4;
        }
        blend.count = count;
    }
    blend.selected = &blend.buffers[0];
}

namespace {

// The engine's lifecycle makes and releases the pick-up buffers with the image.
const bool kHooksInstalled = [] {
    engine_hooks().setBlendBufferCount = [](int32_t count) {
        guard("SetBlendBufferCount", [&] { paint::set_blend_buffer_count(count); });
    };
    return true;
}();

}  // namespace

int32_t paint::do_copy_blend_buffer_mask(int32_t x, int32_t y, int32_t strength)
{
    const LayerRecord* buffer = engine.blend.selected;
    const uint16_t* mask = engine.mask.plane;
    if (engine.tool.blendStrength == 0 || !buffer || !buffer->pixels || !mask) return 0;
    const uint32_t c = static_cast<uint32_t>(std::clamp(strength, 0, 256));
    const uint16_t* color = engine.tool.color;
    const uint32_t o = mask::from_gray((uint32_t{color[0]} + color[1] + color[2]) / 3);
    const Square sq = dab_square(x, y, engine.width, engine.height);
    // One 16-bit value a pixel, packed at the start of each buffer row.
    auto value = [buffer](int32_t i, int32_t j) -> uint16_t& { return buffer->pixels[std::size_t(j) * buffer->stride + i]; };
    if (sq.reachesOutside)
        for (int32_t j = 0; j < sq.n; ++j)
            for (int32_t i = 0; i < sq.n; ++i) value(i, j) = static_cast<uint16_t>(o);
    for (int32_t j = sq.j0; j < sq.j1; ++j)
        for (int32_t i = sq.i0; i < sq.i1; ++i) {
            const uint32_t m = mask[std::size_t(sq.top + j) * engine.width + (sq.left + i)];
            const uint32_t v = c * o + m * (256 - c);
            value(i, j) = v < 0xFF0000 ? static_cast<uint16_t>((v >> 8) + 1) : 65280;
        }
    return 1;
}

void paint::filter_blend_buffer(int32_t kind, int32_t level)
{
    const LayerRecord* buffer = engine.blend.selected;
    if (!buffer || !buffer->pixels) return;
    const auto t = static_cast<uint32_t>(std::clamp(level * 655.35, 0.0, double(UINT32_MAX)));
    const int32_t n = std::clamp(engine.tool.size, 0, buffer->width);
    for (int32_t j = 0; j < n; ++j)
        for (int32_t i = 0; i < n; ++i) {
            uint16_t* p = buffer_pixel(i, j);
            switch (kind) {
            case 289: p[0] = p[1] = p[2] = static_cast<uint16_t>((uint32_t{p[0]} + p[1] + p[2]) / 3); break;
            case 290:
                for (int ch = 0; ch < 3; ++ch) p[ch] = static_cast<uint16_t>(65535 - p[ch]);
                break;
            case 291:
                for (int ch = 0; ch < 3; ++ch)
                    if (p[ch] < t) p[ch] = 0;
                break;
            case 292:
                for (int ch = 0; ch < 3; ++ch)
                    if (p[ch] > t) p[ch] = 65280;
                break;
            default: break;
            }
        }
}

int32_t paint::colour_blend_buffer(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b, int32_t strength) noexcept
{
    const LayerRecord* buffer = engine.blend.selected;
    if (engine.tool.blendStrength == 0 || !buffer || !buffer->pixels) return 0;
    const uint32_t f = strength_weight(strength);
    const uint32_t v[3] = {uint32_t(r & 0xFF), uint32_t(g & 0xFF), uint32_t(b & 0xFF)};
    const Square sq = dab_square(x, y, engine.width, engine.height);
    for (int32_t j = sq.j0; j < sq.j1; ++j)
        for (int32_t i = sq.i0; i < sq.i1; ++i) {
            uint16_t* p = buffer_pixel(i, j);
            for (int ch = 0; ch < 3; ++ch)
                p[ch] = p[3] != 0 ? cap65280((((v[ch] * f) + ((p[ch] * (65536 - f)) >> 8)) >> 8) + 1)
                                  : cap65280(v[ch] << 8);
        }
    return 1;
}

}  // namespace mur

using namespace mur;

namespace {

using layers::image_sized;
using layers::layer_source;
using layers::surface;
using layers::trace;
using layers::under_layer;

}  // namespace

extern "C" {

MUR_API void MUR_SetBlendBufferCount(int32_t count)
{
    guard("SetBlendBufferCount", [&] { paint::set_blend_buffer_count(count); });
}

MUR_API void* MUR_SelectBlendBuffer(int32_t index)
{
    return mur::guard<void*>("SelectBlendBuffer", nullptr, [&]() -> void* {
        BlendBufferState& blend = engine.blend;
        blend.selected = &blend.buffers[std::clamp(index, 0, std::max(blend.count - 1, 0))];
        return blend.selected;
    });
}

MUR_API int32_t MUR_DoCopyBlendBuffer(int32_t x, int32_t y, const uint16_t* image, int32_t strength, int32_t flag)
{
    return mur::guard<int32_t>("DoCopyBlendBuffer", 0, [&]() -> int32_t {
        return copy_blend_buffer(x, y, image_sized(image), strength, (flag & 0xFF) != 0);
    });
}
MUR_API int32_t MUR_CopyBlendBufferSurface(int32_t x, int32_t y, int32_t strength, int32_t flag)
{
    return mur::guard<int32_t>("CopyBlendBufferSurface", 0, [&]() -> int32_t {
        return copy_blend_buffer(x, y, surface(), strength, (flag & 0xFF) != 0);
    });
}
MUR_API int32_t MUR_CopyBlendBufferLayer(int32_t layer, int32_t x, int32_t y, int32_t strength)
{
    return mur::guard<int32_t>("CopyBlendBufferLayer", 0, [&]() -> int32_t {
        return copy_blend_buffer(x, y, layer_source(layer), strength, false);
    });
}
MUR_API int32_t MUR_CopyBlendBufferUnderLayer(int32_t x, int32_t y, int32_t strength)
{
    return mur::guard<int32_t>("CopyBlendBufferUnderLayer", 0, [&]() -> int32_t {
        return copy_blend_buffer(x, y, under_layer(), strength, false);
    });
}
MUR_API int32_t MUR_CopyBlendBufferHistory(int32_t x, int32_t y, int32_t strength)
{
    return mur::guard<int32_t>("CopyBlendBufferHistory", 0, [&]() -> int32_t {
        return MUR_CopyBlendBufferUnderLayer(x, y, strength);
    });
}
MUR_API int32_t MUR_CopyBlendBufferTrace(int32_t x, int32_t y, int32_t strength)
{
    return mur::guard<int32_t>("CopyBlendBufferTrace", 0, [&]() -> int32_t {
        return copy_blend_buffer(x, y, trace(), strength, false);
    });
}

MUR_API int32_t MUR_DoCopyBlendBufferMask(int32_t x, int32_t y, int32_t strength)
{
    return mur::guard<int32_t>("DoCopyBlendBufferMask", 0, [&]() -> int32_t {
        return paint::do_copy_blend_buffer_mask(x, y, strength);
    });
}

MUR_API int32_t MUR_DoMixBlendBuffer(int32_t x, int32_t y, const uint16_t* image, int32_t strength)
{
    return mur::guard<int32_t>("DoMixBlendBuffer", 0, [&]() -> int32_t {
        return mix_blend_buffer(x, y, image_sized(image), strength);
    });
}
MUR_API int32_t MUR_MixBlendBufferSurface(int32_t x, int32_t y, int32_t strength)
{
    return mur::guard<int32_t>("MixBlendBufferSurface", 0, [&] { return mix_blend_buffer(x, y, surface(), strength); });
}
MUR_API int32_t MUR_MixBlendBufferUnderLayer(int32_t x, int32_t y, int32_t strength)
{
    return mur::guard<int32_t>("MixBlendBufferUnderLayer", 0, [&]() -> int32_t {
        return mix_blend_buffer(x, y, under_layer(), strength);
    });
}
MUR_API int32_t MUR_MixBlendBufferHistory(int32_t x, int32_t y, int32_t strength)
{
    return mur::guard<int32_t>("MixBlendBufferHistory", 0, [&]() -> int32_t {
        return MUR_MixBlendBufferUnderLayer(x, y, strength);
    });
}
MUR_API int32_t MUR_MixBlendBufferTrace(int32_t x, int32_t y, int32_t strength)
{
    return mur::guard<int32_t>("MixBlendBufferTrace", 0, [&] { return mix_blend_buffer(x, y, trace(), strength); });
}
MUR_API int32_t MUR_MixBlendBufferLayer(int32_t layer, int32_t x, int32_t y, int32_t strength)
{
    return mur::guard<int32_t>("MixBlendBufferLayer", 0, [&]() -> int32_t {
        return mix_blend_buffer(x, y, layer_source(layer), strength);
    });
}

MUR_API int32_t MUR_DoColorBlendBuffer(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b, int32_t,
                                       int32_t strength)
{
    return mur::guard<int32_t>("DoColorBlendBuffer", 0, [&]() -> int32_t {
        return paint::colour_blend_buffer(x, y, r, g, b, strength);
    });
}

MUR_API void MUR_FilterBlendBuffer(int32_t kind, int32_t level)
{
    mur::guard("FilterBlendBuffer", [&] { paint::filter_blend_buffer(kind, level); });
}

MUR_API void MUR_ClearBlendBuffer(void)
{
    mur::guard("ClearBlendBuffer", [&] {
        const LayerRecord* buffer = engine.blend.selected;
        if (buffer && buffer->pixels) std::memset(buffer->pixels, 0, std::size_t(buffer->width) * buffer->height * 8);
    });
}

MUR_API void MUR_FillBlendBuffer(int32_t, int32_t, int32_t high, int32_t low)
{
    mur::guard("FillBlendBuffer", [&] {
        const LayerRecord* buffer = engine.blend.selected;
        if (!buffer || !buffer->pixels) return;
        // Only the low byte of the value high * 256 + low is laid into every byte.
        const uint8_t value = static_cast<uint8_t>(((high & 0xFF) << 8 | (low & 0xFF)) & 0xFF);
        std::memset(buffer->pixels, value, std::size_t(engine.maxBrushSize) * std::max(engine.maxBrushSize, 0) * 2);
    });
}

}  // extern "C"
