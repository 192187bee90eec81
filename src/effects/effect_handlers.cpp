// The handlers of the effect table.
#include "effects/effect_handlers.h"
#include "effects/effect_views.h"

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

namespace {

void refill_source() { ipl::fill_rgba32_from_current_layer(engine.ipl.src32); }

// The whole mask editable, as MUR_ClearMask(0, 0, 0) leaves it.
void clear_mask_to_editable() noexcept
{
    if (engine.mask.plane) std::fill_n(engine.mask.plane, image_pixels(), mask::from_gray(0));
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


}  // namespace mur::effects
