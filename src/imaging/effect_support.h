// Small helpers shared by the effect filters: clamping, luma, a counter-based
// random generator and edge-repeating sample positions.
#pragma once

#include "engine/memory.h"
#include "imaging/image_view.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mur::imaging::fx {

inline uint8_t clamp8(double v) noexcept { return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); }
inline uint8_t clamp8i(int v) noexcept { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }
inline int clamp_index(int v, int n) noexcept { return std::clamp(v, 0, n - 1); }

// Rec. 601 luma of 8-bit R, G, B, 0..255.
inline double luma(const uint8_t* p) noexcept { return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]; }

// One random draw per (x, y, seed, stream), the same whatever thread asks:
// the random effects stay reproducible from their variant.
inline uint32_t hash(uint32_t x, uint32_t y, uint32_t seed, uint32_t stream = 0) noexcept
{
    uint32_t h = seed * 0x9E3779B1u ^ stream * 0x85EBCA77u;
    h ^= x * 0xC2B2AE3Du;
    h = (h ^ (h >> 15)) * 0x2C1B3C6Du;
    h ^= y * 0x27D4EB2Fu;
    h = (h ^ (h >> 12)) * 0x297A2D39u;
    return h ^ (h >> 15);
}
// The same as a real in [0, 1).
inline double unit(uint32_t x, uint32_t y, uint32_t seed, uint32_t stream = 0) noexcept
{
    return (hash(x, y, seed, stream) >> 8) * (1.0 / 16777216.0);
}

// Both views hold the same size and pixel format, 1, 3 or 4 bytes a pixel.
inline bool same_shape(const ConstImageView& a, const ConstImageView& b) noexcept
{
    return a.data && b.data && a.width > 0 && a.height > 0 && a.width == b.width && a.height == b.height &&
           a.bytesPerPixel == b.bytesPerPixel &&
           (a.bytesPerPixel == 1 || a.bytesPerPixel == 3 || a.bytesPerPixel == 4);
}

// The same, with red, green and blue (RGB24 or RGBA32).
inline bool colour_views(const ConstImageView& a, const ConstImageView& b) noexcept
{
    return same_shape(a, b) && a.bytesPerPixel >= 3;
}

// A page-sized temporary from the engine's heap.
template <class T>
mem::Owned<T> temporary(std::size_t count) noexcept
{
    return mem::Owned<T>(count > SIZE_MAX / sizeof(T) ? nullptr
                                                      : static_cast<T*>(mem::try_alloc_uninit(count * sizeof(T))));
}

inline std::size_t pixel_bytes(const ConstImageView& v) noexcept
{
    return static_cast<std::size_t>(v.width) * v.height * v.bytesPerPixel;
}

// The channels after the first `channels` copied from source to destination.
inline void copy_other_channels(const ConstImageView& src, const ImageView& dst, int channels) noexcept
{
    const int n = src.bytesPerPixel;
    if (channels >= n) return;
    for (int32_t y = 0; y < src.height; ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = dst.row(y);
        for (int32_t x = 0; x < src.width; ++x)
            for (int c = channels; c < n; ++c) d[x * n + c] = s[x * n + c];
    }
}

}  // namespace mur::imaging::fx
