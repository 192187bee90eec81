// The handlers of the effect table.
#include "effects/effect_handlers.h"

#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "ipl/filter_framing.h"
#include "ipl/ipl.h"
#include "ipl/ipl_buffers.h"
#include "ipl/native_filters/native_filter.h"
#include "layers/layer_access.h"
#include "layers/layers.h"
#include "lua/lua.h"
#include "mask/mask.h"
#include "mask/mask_rules.h"

#include <algorithm>
#include <cstring>

namespace mur::effects {
namespace {

ipl::NativeFilterParams native_params(const EffectContext& ctx)
{
    const EffectArgs& a = *ctx.args;
    ipl::NativeFilterParams p;
    p.intParam = ctx.variant;
    std::copy(std::begin(a.sliders), std::end(a.sliders), p.sliders);
    std::copy(std::begin(a.flags), std::end(a.flags), p.flags);
    p.style1 = a.style1;
    p.style2 = a.style2;
    p.red = a.red & 0xFF;
    p.green = a.green & 0xFF;
    p.blue = a.blue & 0xFF;
    return p;
}

void refill_source() { ipl::fill_rgba32_from_current_layer(engine.ipl.src32); }

// The whole mask editable, as MUR_ClearMask(0, 0, 0) leaves it.
void clear_mask_to_editable() noexcept
{
    if (engine.mask.plane) std::fill_n(engine.mask.plane, image_pixels(), mask::from_gray(0));
}

std::size_t pixel_count(const EffectContext& ctx) noexcept
{
    return static_cast<std::size_t>(ctx.width) * static_cast<std::size_t>(ctx.height);
}

}  // namespace

bool run_native(EffectContext& ctx)
{
    return ipl::run_native_filter_on_ipl_buffers(ctx.nativeName, false, native_params(ctx)) != 0;
}

bool run_native_mask(EffectContext& ctx)
{
    refill_source();
    clear_mask_to_editable();
    ipl::run_native_filter_on_ipl_buffers(ctx.nativeName, false, native_params(ctx));
    return true;
}

bool run_lua(EffectContext& ctx)
{
    const EffectArgs& a = *ctx.args;
    refill_source();
    lua::FilterValues values;
    values.variant = ctx.variant;
    std::copy(std::begin(a.sliders), std::end(a.sliders), values.sliders);
    std::copy(std::begin(a.flags), std::end(a.flags), values.flags);
    values.style1 = a.style1;
    values.style2 = a.style2;
    return lua::run_filter(a.resourcePath, values);
}

bool mask_generate_hsl(EffectContext& ctx)
{
    const EffectArgs& a = *ctx.args;
    refill_source();
    clear_mask_to_editable();
    mask::create_mask_from_rgba_image_hsl_range(ctx.source, a.red & 0xFF, a.green & 0xFF, a.blue & 0xFF,
                                                std::clamp(a.sliders[0], 0, 1000) * 0.001,
                                                std::clamp(a.sliders[1], 0, 1000) * 0.001,
                                                std::clamp(a.sliders[2], 0, 1000) * 0.001, 255);
    return true;
}

bool distort_by_scratch_layer(EffectContext& ctx)
{
    constexpr int32_t kScratchSlot = 255;
    if (!live_layer(kScratchSlot)) return false;
    mem::Owned<uint8_t> bump(x_NewCharUndoReduce(pixel_count(ctx) * 4));
    if (!bump) return false;
    std::memset(bump.get(), 0, pixel_count(ctx) * 4);
    layers::read_rgba32(kScratchSlot, bump.get(), ctx.width * 4);
    refill_source();
    ipl::premultiply_rgba32(ctx.source, ctx.width, ctx.height);
    ipl::displacement_bump_rgba(bump.get(), ctx.sliderReal[0], ctx.packedColour);
    return true;
}

bool photo_pop(EffectContext& ctx)
{
    const EffectArgs& a = *ctx.args;
    ipl::photo_pop(a.sliders[0], ctx.sliderReal[1], a.flags[0] & 0xFF);
    return true;
}

// Grey, stored; then the grey inverted and spread by "Value Blur", and laid
// over the stored grey in Dodge: dark strokes on white.
bool charcoal(EffectContext& ctx)
{
    LayerRecord* layer = engine.layers.currentRecord;
    if (!layer || !layer->pixels) return false;
    refill_source();
    const ipl::NativeFilterParams params = native_params(ctx);
    ipl::run_native_filter_on_ipl_buffers("Grayscale", false, params);
    layers::load_rgba32(ctx.destination, ctx.width * 4, 1);
    ipl::run_native_filter(ctx.destination, ctx.destination, ctx.width, ctx.height, "Invert", true, params);
    ipl::value_blur(ctx.destination, ctx.width, ctx.height, ctx.args->sliders[0], ctx.args->sliders[1]);
    layers::weigh_by_texture_and_mask(ctx.destination, 0, 0, ctx.width, ctx.height);
    constexpr int32_t kDodge = 14;
    ipl::MergeResultIntoLayer(ctx.destination, *layer, kDodge, 255, layer->alphaLocked != 0);
    return true;
}

bool adjust_hsl(EffectContext& ctx)
{
    const int32_t* s = ctx.args->sliders;
    ipl::hsl_adjust(ctx.source, ctx.width, ctx.height, static_cast<int32_t>((s[0] - 500.0) * 0.36),
                    static_cast<int32_t>((s[1] - 500.0) * 0.2), static_cast<int32_t>((s[2] - 500.0) * 0.2));
    return true;
}

bool adjust_hsv(EffectContext& ctx)
{
    const int32_t* s = ctx.args->sliders;
    ipl::hsv_adjust(ctx.source, ctx.width, ctx.height, static_cast<int32_t>((s[0] - 500.0) * 0.36),
                    static_cast<int32_t>((s[1] - 500.0) * 0.2), static_cast<int32_t>((s[2] - 500.0) * 0.2));
    return true;
}

bool horizontal_flip(EffectContext& ctx)
{
    uint32_t* pixels = reinterpret_cast<uint32_t*>(ctx.source);
    for (int32_t y = 0; y < ctx.height; ++y) {
        uint32_t* row = pixels + static_cast<std::size_t>(y) * ctx.width;
        std::reverse(row, row + ctx.width);
    }
    return true;
}

bool vertical_flip(EffectContext& ctx)
{
    const std::size_t stride = static_cast<std::size_t>(ctx.width) * 4;
    for (int32_t top = 0, bottom = ctx.height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(ctx.source + top * stride, ctx.source + (top + 1) * stride, ctx.source + bottom * stride);
    return true;
}

// Every channel, alpha included: 255 inside low..high, else 0.
bool threshold(EffectContext& ctx)
{
    const int32_t low = static_cast<int32_t>(ctx.args->sliders[0] * 0.255);
    const int32_t high = static_cast<int32_t>(ctx.args->sliders[1] * 0.255);
    uint8_t* p = ctx.source;
    for (std::size_t i = 0, n = pixel_count(ctx) * 4; i < n; ++i) p[i] = (p[i] >= low && p[i] <= high) ? 255 : 0;
    return true;
}

bool negative(EffectContext& ctx)
{
    for (std::size_t i = 0, n = pixel_count(ctx) * 3; i < n; ++i) ctx.destination24[i] = 255 - ctx.source24[i];
    return true;
}

// Rec. 601 luma, rounded, into all three channels.
bool grayscale24(EffectContext& ctx)
{
    const uint8_t* in = ctx.source24;
    uint8_t* out = ctx.destination24;
    for (std::size_t i = 0, n = pixel_count(ctx); i < n; ++i, in += 3, out += 3) {
        const uint8_t y = static_cast<uint8_t>((in[0] * 299 + in[1] * 587 + in[2] * 114 + 500) / 1000);
        out[0] = out[1] = out[2] = y;
    }
    return true;
}

}  // namespace mur::effects
