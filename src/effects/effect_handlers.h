// The handlers of the effect table, grouped by the engine code they drive.
#pragma once

#include "effects/effects.h"

namespace mur::effects {

// A native filter (the record's native name) on the IPL buffers, the source
// copied into the destination first.
bool run_native(EffectContext& ctx);
// A mask maker built on a native filter: the mask cleared to editable, then
// the native filter writes it; the layer stays.
bool run_native_mask(EffectContext& ctx);
bool run_lua(EffectContext& ctx);
bool mask_generate_hsl(EffectContext& ctx);
bool distort_by_scratch_layer(EffectContext& ctx);
bool photo_pop(EffectContext& ctx);
bool charcoal(EffectContext& ctx);

// In place on the source.
bool adjust_hsl(EffectContext& ctx);
bool adjust_hsv(EffectContext& ctx);
bool horizontal_flip(EffectContext& ctx);
bool vertical_flip(EffectContext& ctx);
bool threshold(EffectContext& ctx);

// RGB24, source24 into destination24.
bool negative(EffectContext& ctx);
bool grayscale24(EffectContext& ctx);

}  // namespace mur::effects
