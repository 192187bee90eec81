// The arithmetic around a filter: premultiplying colour by alpha before a
// filter that mixes neighbouring pixels and dividing it out afterwards, and
// merging a filter's result into a layer.
#pragma once

#include "engine/layer_record.h"

#include <cstdint>

namespace mur::ipl {

// RGBA32 (rows of width * 4 bytes). Pixels with alpha 0 or 255 are left
// alone; the post-filter turns alpha 254 into 255.
void premultiply_rgba32(uint8_t* data, int32_t width, int32_t height) noexcept;
void unpremultiply_rgba32(uint8_t* data, int32_t width, int32_t height) noexcept;

// RGBA64 (rows of width * 4 words).
void premultiply_rgba64(uint16_t* data, int32_t width, int32_t height) noexcept;
void unpremultiply_rgba64(uint16_t* data, int32_t width, int32_t height) noexcept;

// Un-premultiplies every pixel with alpha above 0, opaque ones included.
void unpremultiply_for_alpha_comp(uint8_t* data, int32_t width, int32_t height) noexcept;

// Sets the alpha byte of every pixel.
void SetBufferAlpha32(uint8_t* data, int32_t width, int32_t height, uint8_t alpha) noexcept;

// Composites a page-sized RGBA32 result over the layer with the paint
// compositing of one pixel, in merge mode `mode` at opacity 0..255; the
// layer's alpha is kept where `alphaLocked`. Does nothing, and returns
// false, when the widened copy cannot be allocated.
bool MergeResultIntoLayer(const uint8_t* image, LayerRecord& layer, int32_t mode, int32_t opacity,
                          bool alphaLocked) noexcept;

}  // namespace mur::ipl
