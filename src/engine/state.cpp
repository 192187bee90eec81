#include "engine/state.h"

#include "engine/hooks.h"

namespace mur {

EngineState engine;

EngineHooks& engine_hooks() noexcept
{
    static EngineHooks hooks;
    return hooks;
}

}  // namespace mur
