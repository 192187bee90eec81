// One layer: an RGBA64 pixel buffer with its size and options. The layer
// table holds 272 of them; the paint layer and the blend buffers use the same
// record outside the table.
#pragma once

#include <cstdint>

namespace mur {

inline constexpr int kLayerSlots = 272;   // slot 0 = trace image, slot 1 = background
inline constexpr int kModeNameCapacity = 50;

struct LayerRecord {
    uint16_t* pixels = nullptr;  // R, G, B, A per pixel; null = empty slot
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;          // row length in 16-bit units (width * 4)
    uint8_t visible = 0;
    uint8_t alphaLocked = 0;
    uint16_t opacity = 0;        // 0..256, 256 = fully opaque
    uint16_t density = 0;        // 0..255
    char modeName[kModeNameCapacity] = {};
    int32_t mode = 0;            // blend mode id of modeName
    int32_t extentX0 = 0;        // dirty extents, used by the paint layer
    int32_t extentY0 = 0;
    int32_t extentX1 = 0;
    int32_t extentY1 = 0;
};

struct LayerTable {
    LayerRecord slots[kLayerSlots];
    int32_t currentLayer = 0;
    LayerRecord* currentRecord = nullptr;  // null until the first MUR_SetLayer after create
    int32_t topLayer = 1;                  // highest slot in 1..271 with pixels, or 1
    uint8_t* texture = nullptr;            // image-sized 8-bit plane, values 4..250
    uint16_t alphaLayerOpacity = 65535;    // opacity of the alpha blend modes
};

constexpr bool valid_slot(int32_t slot) { return slot >= 0 && slot < kLayerSlots; }

}  // namespace mur
