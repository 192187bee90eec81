// The view's compositing, a chunk of one row at a time: each visible layer's
// pixels laid over a running composite kept in single precision, then the
// composite finished into display bytes (tracing, checkerboard, mask tint).
#pragma once

#include "engine/layer_record.h"

#include <cstdint>

namespace mur::view {

inline constexpr int kChunk = 256;  // pixels composited together

// The running composite of a chunk: straight colour and alpha, 0..1.
struct Composite {
    float c[3][kChunk];
    float a[kChunk];
};

void clear(Composite& acc, int n) noexcept;

// Lays `n` layer pixels (RGBA64) over the composite with the layer's mode
// and opacity; the first `opaqueUpTo` of them count as opaque whatever their
// alpha (the background); `a0` is the alpha modes' opacity.
void composite_layer(const uint16_t* pixels, int n, int opaqueUpTo, int32_t mode, int32_t opacity, int32_t a0,
                     Composite& acc) noexcept;

// What finishing a pixel reads besides the composite.
struct Finish {
    const LayerRecord* trace = nullptr;  // the tracing image when tracing is on
    const uint16_t* mask = nullptr;      // the mask plane when it is shown tinted
    int32_t maskStride = 0;              // in values
    bool tintFull = false;
    int32_t tintOdd[3] = {};             // tint colours (byte << 8) on odd and even cells
    int32_t tintEven[3] = {};
};

// The composite of the chunk's pixels, at image columns xs[0..n) of image
// row y, into blue-green-red bytes.
void finish(const Composite& acc, int n, const int32_t* xs, int32_t y, const Finish& with, uint8_t* bgr) noexcept;

}  // namespace mur::view
