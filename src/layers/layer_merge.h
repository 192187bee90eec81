// The layer merge: lays one RGBA64 image over another with a blend mode,
// an opacity, a density, an optional layer mask and an optional alpha lock.
// Every merge of the engine (layers into layers, the composite, the paint
// layer, pictures and effect results) runs through it.
#pragma once

#include <cstdint>

namespace mur {

struct MergeRequest {
    const uint16_t* source = nullptr;     // RGBA64, laid on top
    int32_t sourceWidth = 0;              // size of the source buffer, for clipping
    int32_t sourceHeight = 0;
    int32_t sourceStride = 0;             // in 16-bit units
    int32_t sourceX = 0;                  // first source pixel used
    int32_t sourceY = 0;
    int32_t width = 0;                    // size of the merged rectangle
    int32_t height = 0;
    const uint16_t* maskLayer = nullptr;  // RGBA64 layer mask, at the source's coordinates
    int32_t maskWidth = 0;                // its own size and stride: source pixels beyond
    int32_t maskHeight = 0;               // the mask layer are not masked
    int32_t maskStride = 0;
    uint16_t* destination = nullptr;      // RGBA64, written in place
    int32_t destWidth = 0;
    int32_t destHeight = 0;
    int32_t destStride = 0;               // in 16-bit units
    int32_t destX = 0;                    // where the rectangle lands
    int32_t destY = 0;
    int32_t mode = 0;                     // blend mode id
    int32_t maskMode = 0;                 // 51 to apply the mask layer
    int32_t opacity = 256;                // 0..256; 255 and above is full
    int32_t density = 255;                // 0..255; scales the source alpha
    bool alphaLock = false;               // the destination alpha is never written
    bool sameAlphaMode = false;           // the destination is in the same alpha mode
};

// Merges the request's rectangle, clipped to both buffers. Nothing happens
// when a buffer is missing.
void merge_layer(const MergeRequest& request) noexcept;

}  // namespace mur
