#include "engine/state.h"

namespace mur {

EngineState engine;

}  // namespace mur
