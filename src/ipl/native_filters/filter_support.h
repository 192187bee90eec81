// Small helpers the native filters share.
#pragma once

#include "ipl/native_filters/native_filter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mur::ipl {

// Brightness of a pixel: the integer mean of red, green and blue.
inline int32_t brightness(const uint8_t* p) noexcept { return (p[0] + p[1] + p[2]) / 3; }

// A real or integer channel value stored as a byte: truncated, clamped.
inline uint8_t clamp_byte(double v) noexcept
{
    if (!(v > 0)) return 0;
    return v >= 255 ? 255 : static_cast<uint8_t>(v);
}
inline uint8_t clamp_byte(int64_t v) noexcept { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255)); }

// A slider real scaled to bytes or to 16-bit weights, truncated and kept in range.
inline int32_t slider_byte(double s) noexcept { return static_cast<int32_t>(std::clamp(std::trunc(s * 255), -255.0, 510.0)); }
inline uint32_t slider_weight(double s) noexcept { return static_cast<uint32_t>(std::clamp(std::trunc(s * 65535), 0.0, 65535.0)); }

// Stores the destination into the current layer where the driver allows it
// (a stage of a filter that the layer shows as it goes).
inline void store_stage(const NativeFilterContext& ctx) noexcept
{
    if (ctx.storeStage) ctx.storeStage(ctx);
}

// The data extents (alpha != 0): of the current layer where the driver gives
// them, else of the input buffer. Without any such pixel x0 > x1.
Extents data_extents(const NativeFilterContext& ctx) noexcept;

}  // namespace mur::ipl
