// The global operator new of the allocation sweep: while armed, every
// allocation takes part in the engine heap's failure countdown (so that
// `operator new` inside the engine fails by the same count as the engine's
// own allocations), and live blocks are counted.
#pragma once

#include <cstdint>

namespace mur::sweep {

void arm_operator_new(bool armed) noexcept;
int64_t live_operator_new_blocks() noexcept;

}  // namespace mur::sweep
