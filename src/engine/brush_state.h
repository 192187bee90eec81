// The brush shape plane with the picture it was last made from, and the
// colour pick-up buffers.
#pragma once

#include "engine/layer_record.h"

#include <cstdint>

namespace mur {

inline constexpr int kBlendBufferMax = 20;
inline constexpr int kShapePathCapacity = 1024;

struct BrushShapeState {
    uint16_t* plane = nullptr;        // maxBrushSize^2 coverage values
    uint8_t* sourceImage = nullptr;   // RGBA32 picture the shape was last made from
    int32_t sourceWidth = 0;
    int32_t sourceHeight = 0;
    char sourcePath[kShapePathCapacity] = {};
    int32_t sourceParam = 0;
};

struct BlendBufferState {
    LayerRecord buffers[kBlendBufferMax];  // pixels: maxBrushSize^2 RGBA64; stride maxBrushSize * 4
    int32_t count = 0;
    LayerRecord* selected = nullptr;
};

}  // namespace mur
