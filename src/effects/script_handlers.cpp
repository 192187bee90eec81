// The scripted effects: the record's effect added to an effect-script list,
// the dialog's values set in the slots the record names, and the list run
// on the source turned to BGRA, into the destination, turned back.
#include "effects/effect_handlers.h"
#include "effects/effect_views.h"
#include "imaging/pixel_convert.h"
#include "imaging/script_effects.h"

namespace mur::effects {

bool run_script(EffectContext& ctx)
{
    if (!ctx.script || ctx.script->id == 0) return false;
    const ScriptCall& call = *ctx.script;
    const EffectArgs& a = *ctx.args;
    imaging::ScriptEffectList list;
    if (!imaging::add_script_effect(list, call.id, 1)) return false;
    const auto set = [&](int slot, double value) {
        if (slot >= 0) imaging::set_script_effect_value(list, 0, slot, value);
    };
    for (int i = 0; i < 6; ++i) set(call.sliderSlots[i], a.sliders[i]);
    set(call.seedSlot, ctx.variant);
    set(call.blendSlot, imaging::generator_blend_from_style(a.style2));
    if (call.colourSlot >= 0) {
        // The effect colour when style 1 asks for it, else white.
        const bool own = a.style1 != 0;
        set(call.colourSlot, own ? a.red & 0xFF : 255);
        set(call.colourSlot + 1, own ? a.green & 0xFF : 255);
        set(call.colourSlot + 2, own ? a.blue & 0xFF : 255);
    }
    for (int i = 0; i < 2; ++i) set(call.flagSlots[i], flag(ctx, i + 1) ? 1 : 0);

    const imaging::ImageView source = source_view(ctx), target = destination_view(ctx);
    imaging::swap_red_blue(source);
    const bool ran = imaging::run_script_effects(list, source, target);
    imaging::swap_red_blue(source);
    if (ran) imaging::swap_red_blue(target);
    // Effects that fail here on the dispatcher's own buffers lacked memory.
    return made(ran);
}

}  // namespace mur::effects
