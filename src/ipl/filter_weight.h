// The filter weight: how much of an image-processing result may reach each
// page pixel, from the texture and the enabled mask.
#pragma once

#include <cstdint>

namespace mur::ipl {

// True when a texture plane exists or the mask is enabled: only then does
// any pixel weigh less than full.
bool filter_weight_applies() noexcept;

// The weight 0..65535 of page pixel (x, y), which must lie inside the page.
uint32_t filter_weight(int32_t x, int32_t y) noexcept;

}  // namespace mur::ipl
