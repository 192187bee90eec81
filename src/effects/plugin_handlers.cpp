// Route 12: the filter plug-in named by the resource path, run by the
// plug-in host over the IPL buffers; it refills, reorders and stores by itself.
#include "effects/effect_handlers.h"
#include "effects/effect_views.h"
#include "io/io.h"

namespace mur::effects {

// Flag 1 runs the filter in its other mode, the layer's transparency lock
// forced on for the store and given back afterwards.
bool adobe_compatible_plugins(EffectContext& ctx)
{
    return io::run_plugin_effect(ctx.args->resourcePath, flag(ctx, 1));
}

}  // namespace mur::effects
