// Plain views of pixel buffers: a pointer, a size and a row stride in bytes.
// Every imaging function takes views, so one function serves RGBA64, RGBA32,
// RGB24, G16 and G8 buffers alike.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

struct Rect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

struct ImageView {
    uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    std::ptrdiff_t stride = 0;  // bytes from one row to the next
    int32_t bytesPerPixel = 0;

    uint8_t* row(int32_t y) const noexcept { return data + y * stride; }
};

struct ConstImageView {
    const uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    std::ptrdiff_t stride = 0;
    int32_t bytesPerPixel = 0;

    ConstImageView() = default;
    ConstImageView(const uint8_t* d, int32_t w, int32_t h, std::ptrdiff_t s, int32_t bpp) noexcept
        : data(d), width(w), height(h), stride(s), bytesPerPixel(bpp) {}
    ConstImageView(const ImageView& v) noexcept  // NOLINT: a view may always be read
        : data(v.data), width(v.width), height(v.height), stride(v.stride), bytesPerPixel(v.bytesPerPixel) {}

    const uint8_t* row(int32_t y) const noexcept { return data + y * stride; }
};

// Views of the pixel formats, with strides in their own units.
inline ImageView rgba64_view(uint16_t* pixels, int32_t width, int32_t height, int32_t strideValues) noexcept
{
    return {reinterpret_cast<uint8_t*>(pixels), width, height, std::ptrdiff_t{strideValues} * 2, 8};
}
inline ImageView g16_view(uint16_t* values, int32_t width, int32_t height, int32_t strideValues) noexcept
{
    return {reinterpret_cast<uint8_t*>(values), width, height, std::ptrdiff_t{strideValues} * 2, 2};
}
inline ImageView rgba32_view(uint8_t* pixels, int32_t width, int32_t height, std::ptrdiff_t strideBytes) noexcept
{
    return {pixels, width, height, strideBytes, 4};
}
inline ImageView rgb24_view(uint8_t* pixels, int32_t width, int32_t height, std::ptrdiff_t strideBytes) noexcept
{
    return {pixels, width, height, strideBytes, 3};
}
inline ImageView g8_view(uint8_t* values, int32_t width, int32_t height, std::ptrdiff_t strideBytes) noexcept
{
    return {values, width, height, strideBytes, 1};
}

}  // namespace mur::imaging
