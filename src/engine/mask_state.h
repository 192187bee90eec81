// The selection mask: one G16 value per image pixel, 65535 = editable,
// 0 = protected.
#pragma once

#include <cstdint>

namespace mur {

struct MaskState {
    uint16_t* plane = nullptr;   // width * height values
    int32_t strideBytes = 0;     // width * 2
    uint8_t enabled = 0;         // consumers weight their changes by the mask
    uint8_t display = 0;         // shown by the host's view
    int32_t tint1[3] = {};       // display tint colours, each (value & 0xFFFFFF) << 8
    int32_t tint2[3] = {};
    int32_t tintFull = 0;
};

}  // namespace mur
