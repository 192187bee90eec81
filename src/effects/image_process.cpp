// The effect dispatcher's driver: the prologue, the framing of each record
// around its handler, and the epilogue that runs after every effect.
#include "effects/effects.h"

#include "engine/guard.h"
#include "engine/random.h"
#include "engine/state.h"
#include "ipl/filter_framing.h"
#include "ipl/ipl_buffers.h"
#include "layers/layers.h"
#include "undo/history.h"

#include "murcore.h"

#include <algorithm>
#include <new>

namespace mur::effects {
namespace {

constexpr const char* kOperation = "IPLImageProc";

EffectContext make_context(const EffectArgs& args)
{
    EffectContext ctx;
    ctx.args = &args;
    ctx.variant = args.variant != 0 ? args.variant : rng_next() % 32767;
    for (int i = 0; i < 6; ++i) ctx.sliderReal[i] = static_cast<float>(args.sliders[i] * 0.1);
    ctx.packedColour = (args.red & 0xFF) + (args.green & 0xFF) * 256 + (args.blue & 0xFF) * 65536;
    ctx.width = engine.width;
    ctx.height = engine.height;
    ctx.source = engine.ipl.src32.data;
    ctx.destination = engine.ipl.dst32.data;
    ctx.mergeMode = args.style1 >= 0 && args.style1 <= 30 ? args.style1 : 0;
    ctx.mergeOpacity = 255;
    return ctx;
}

void refill_source() { ipl::fill_rgba32_from_current_layer(engine.ipl.src32); }

// The destination weighed by the texture and the mask and merged into the
// current layer, or stored when the handler asked for that.
void merge_or_store(EffectContext& ctx)
{
    if (ctx.mergeMode == kStoreResult) {
        layers::load_rgba32(ctx.destination, ctx.width * 4, 1);
        return;
    }
    LayerRecord* layer = engine.layers.currentRecord;
    if (!layer || !layer->pixels) return;
    layers::weigh_by_texture_and_mask(ctx.destination, 0, 0, ctx.width, ctx.height);
    // The widened copy's allocation gives up undo history before it fails:
    // that is reported, never passed over.
    if (!ipl::MergeResultIntoLayer(ctx.destination, *layer, std::clamp(ctx.mergeMode, 0, 30),
                                   std::clamp(ctx.mergeOpacity, 0, 255), layer->alphaLocked != 0 || ctx.lockAlpha))
        throw std::bad_alloc();
}

// The record's framing around its handler.
void run_framed(const EffectRecord& record, EffectContext& ctx)
{
    ctx.nativeName = record.nativeName;
    ctx.script = &record.script;
    const int32_t stride = ctx.width * 4;
    switch (record.framing) {
    case Framing::None:
        record.run(ctx);
        return;
    case Framing::Direct:
        refill_source();
        if (record.run(ctx)) layers::load_rgba32(ctx.destination, stride, 1);
        return;
    case Framing::Premultiplied:
        refill_source();
        ipl::premultiply_rgba32(ctx.source, ctx.width, ctx.height);
        if (!record.run(ctx)) return;
        ipl::unpremultiply_rgba32(ctx.destination, ctx.width, ctx.height);
        layers::load_rgba32(ctx.destination, stride, 1);
        return;
    case Framing::InPlace:
        refill_source();
        if (record.run(ctx)) layers::load_rgba32(ctx.source, stride, 1);
        return;
    case Framing::Rgb24:
        // These allocations give up undo history before they fail: reported.
        if (!ipl::keep_or_allocate(engine.ipl.src24, 3) || !ipl::keep_or_allocate(engine.ipl.dst24, 3))
            throw std::bad_alloc();
        layers::read_rgb24(engine.ipl.src24.data, ctx.width * 3);
        ctx.source24 = engine.ipl.src24.data;
        ctx.destination24 = engine.ipl.dst24.data;
        if (record.run(ctx)) layers::load_rgb24(ctx.destination24, ctx.width * 3, 1);
        ipl::release(engine.ipl.src24);
        ipl::release(engine.ipl.dst24);
        return;
    case Framing::WeightedMerge:
        refill_source();
        if (record.run(ctx)) merge_or_store(ctx);
        return;
    case Framing::PremultipliedMerge:
        refill_source();
        ipl::premultiply_rgba32(ctx.source, ctx.width, ctx.height);
        if (!record.run(ctx)) return;
        ipl::unpremultiply_rgba32(ctx.destination, ctx.width, ctx.height);
        merge_or_store(ctx);
        return;
    case Framing::Chain:
        refill_source();
        if (!record.run(ctx)) return;
        layers::load_rgba32(ctx.destination, stride, 1);
        refill_source();
        ctx.mergeMode = kStoreResult;
        if (record.then && record.then(ctx)) merge_or_store(ctx);
        return;
    }
}

// After every effect that got past the prologue, faults included.
void epilogue() noexcept
{
    try {
        ipl::release(engine.ipl.src24);
        ipl::release(engine.ipl.dst24);
    } catch (...) {
        set_fault_text(kOperation);
    }
    undo::mark_page_dirty();
}

}  // namespace

int32_t image_process(const EffectArgs& args)
{
    EffectContext ctx = make_context(args);
    if (!ipl::holds_page(engine.ipl.src32, 4) || !ipl::holds_page(engine.ipl.dst32, 4)) return 0;
    const EffectRecord* record = find_effect(args.name);
    int32_t result = record ? 1 : 0;
    try {
        if (record) run_framed(*record, ctx);
    } catch (...) {
        set_fault_text(kOperation);
        result = 0;
    }
    epilogue();
    return result;
}

}  // namespace mur::effects

using namespace mur;

extern "C" {

MUR_API int32_t MUR_IPLImageProcess(int32_t reserved, const char* name, int32_t variant, int32_t slider1,
                                    int32_t slider2, int32_t slider3, int32_t slider4, int32_t slider5,
                                    int32_t slider6, int32_t style1, int32_t style2, int32_t flag1, int32_t flag2,
                                    int32_t flag3, int32_t flag4, int32_t flag5, int32_t flag6, int32_t red,
                                    int32_t green, int32_t blue, const char* resourcePath)
{
    (void)reserved;
    return guard("IPLImageProc", int32_t{0}, [&] {
        effects::EffectArgs args;
        args.name = name;
        args.variant = variant;
        const int32_t sliders[6] = {slider1, slider2, slider3, slider4, slider5, slider6};
        const int32_t flags[6] = {flag1, flag2, flag3, flag4, flag5, flag6};
        for (int i = 0; i < 6; ++i) {
            args.sliders[i] = sliders[i];
            args.flags[i] = flags[i];
        }
        args.style1 = style1;
        args.style2 = style2;
        args.red = red;
        args.green = green;
        args.blue = blue;
        args.resourcePath = resourcePath;
        return effects::image_process(args);
    });
}

}  // extern "C"
