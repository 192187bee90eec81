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

// The current image brush: the picture, the strip of frames it may be cut
// from, the picture sized to the brush and its RGBA32 copies for turning.
// Every buffer is the engine heap's; null when not made.
struct ImageBrushState {
    uint16_t* picture = nullptr;   // RGBA64, width x height
    int32_t width = 0;
    int32_t height = 0;
    uint16_t* array = nullptr;     // RGBA64 strip of square frames side by side
    int32_t arrayWidth = 0;
    int32_t arrayHeight = 0;       // the frame side
    int32_t frameCount = 0;        // arrayWidth / arrayHeight
    uint16_t* sized = nullptr;     // RGBA64, sizedWidth x sizedHeight
    int32_t sizedWidth = 0;
    int32_t sizedHeight = 0;
    bool sizedCurrent = false;     // the sized brush was made from the picture as it is now
    uint8_t* unrotated = nullptr;  // RGBA32 form of the sized brush
    uint8_t* rotated = nullptr;    // the unrotated copy turned
    int32_t rotatedWidth = 0;
    int32_t rotatedHeight = 0;
    bool rotationValid = false;    // the unrotated copy matches the sized brush
};

}  // namespace mur
