// The image-processing buffers: whether the host started the imaging
// libraries (the buffers themselves are engine state, engine/ipl_state.h).
#pragma once

#include "engine/ipl_state.h"

namespace mur::ipl {

// True between MUR_IPLInit and MUR_IPLExit.
bool started() noexcept;

}  // namespace mur::ipl
