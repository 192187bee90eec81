// Rectangles and buffers a caller hands in, made safe before any pixel moves.
//
// Corners, sizes and strides come from the host and may be anywhere in the
// 32-bit range, so every sum and product here is taken in 64 bits: x + w
// and y * stride cannot overflow, and a rectangle far outside clips to
// nothing instead of wrapping around into the image.
//
// A caller's buffer is walked from its first byte downward, `stride` bytes a
// row. A negative stride would address memory before the pointer, which the
// caller has not handed in, so such a buffer is refused: the operation
// touches nothing. (The view renderer alone takes bottom-up buffers, by its
// own rule.)
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace mur::imaging {

// A half-open run [begin, end) of columns or rows.
struct Span {
    int64_t begin = 0;
    int64_t end = 0;

    constexpr bool empty() const noexcept { return end <= begin; }
    constexpr int64_t length() const noexcept { return end > begin ? end - begin : 0; }
};

// The part of the run start .. start + length - 1 that lies in 0 .. limit - 1.
constexpr Span clip_span(int64_t start, int64_t length, int64_t limit) noexcept
{
    const int64_t begin = std::max<int64_t>(start, 0);
    const int64_t end = std::min<int64_t>(start + length, limit);
    return end > begin ? Span{begin, end} : Span{0, 0};
}

// The older rule of some exports: a negative start moves to 0 without
// shortening the run, then the run is cut at the limit.
constexpr Span cut_span(int64_t start, int64_t length, int64_t limit) noexcept
{
    const int64_t begin = std::max<int64_t>(start, 0);
    const int64_t end = std::min<int64_t>(begin + length, limit);
    return end > begin ? Span{begin, end} : Span{0, 0};
}

struct ClippedRect {
    Span cols;
    Span rows;

    constexpr bool empty() const noexcept { return cols.empty() || rows.empty(); }
};

// The part of the rectangle (x, y, w, h) inside width x height.
constexpr ClippedRect clip_rect(int64_t x, int64_t y, int64_t w, int64_t h, int64_t width, int64_t height) noexcept
{
    ClippedRect r{clip_span(x, w, width), clip_span(y, h, height)};
    if (r.empty()) r = {};
    return r;
}

// A caller's buffer seen as rows; `T` is the pixel value type (uint8_t,
// uint16_t, const or not). Offsets are in bytes.
template <class T>
struct CallerRows {
    T* data = nullptr;
    int64_t stride = 0;

    // False for a null buffer, a negative stride, or rows that would not
    // start on a whole value (a 16-bit buffer at an odd address or with an
    // odd stride): nothing may be touched.
    bool usable() const noexcept
    {
        return data != nullptr && stride >= 0 && stride % int64_t{alignof(T)} == 0 &&
               reinterpret_cast<uintptr_t>(data) % alignof(T) == 0;
    }

    // The first value of row `row`, `byteOffset` bytes in.
    T* at(int64_t row, int64_t byteOffset = 0) const noexcept
    {
        using Byte = std::conditional_t<std::is_const_v<T>, const uint8_t, uint8_t>;
        return reinterpret_cast<T*>(reinterpret_cast<Byte*>(data) + row * stride + byteOffset);
    }
};

template <class T>
constexpr CallerRows<T> caller_rows(T* data, int64_t stride) noexcept
{
    return {data, stride};
}

}  // namespace mur::imaging
