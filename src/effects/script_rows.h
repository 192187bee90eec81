// The table rows of the scripted effects: each names its effect in the
// effect-script list and the value slots the dialog's values go to.
#pragma once

#include "effects/effect_handlers.h"
#include "effects/effects.h"
#include "imaging/script_effects.h"

namespace mur::effects::script_rows {

// Dialog values: the six sliders, styles at 0.
constexpr EffectDefaults sliders(int16_t s1, int16_t s2 = 500, int16_t s3 = 500, int16_t s4 = 500, int16_t s5 = 500,
                                 int16_t s6 = 500)
{
    return {{s1, s2, s3, s4, s5, s6}, 0, 0};
}

// A filter or distortion: sliders 1..6 in slots 0, 1, 2, 4, 5, 6; with
// `seeded`, the variant in slot 3.
constexpr EffectRecord scripted(const char* name, int16_t id, EffectDefaults defaults, bool seeded = false)
{
    EffectRecord r{name, 6, Framing::Direct, run_script, nullptr, kNeedsNothing, defaults};
    r.script.id = id;
    if (seeded) r.script.seedSlot = 3;
    return r;
}

// A generator: the variant in slot 3, style 2's blend in slot 7; slider 6
// is the opacity of what it draws.
constexpr EffectRecord generator(const char* name, int16_t id, EffectDefaults defaults)
{
    EffectRecord r = scripted(name, id, defaults, true);
    r.script.blendSlot = 7;
    if (id == imaging::kScriptLines) {
        r.script.colourSlot = 8;
        r.script.flagSlots[0] = 15;
        r.script.flagSlots[1] = 16;
    }
    return r;
}

}  // namespace mur::effects::script_rows
