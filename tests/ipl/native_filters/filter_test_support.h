// Small synthetic pictures and a one-call way to run a native filter on them.
#pragma once

#include "ipl/native_filters/native_filter.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace mur::ipl::test {

using Rgba = std::array<uint8_t, 4>;

struct Picture {
    int32_t w = 0, h = 0;
    std::vector<uint8_t> px;

    Picture(int32_t width, int32_t height, Rgba fill = {0, 0, 0, 255}) : w(width), h(height), px(std::size_t(width) * height * 4)
    {
        for (std::size_t i = 0; i < px.size(); i += 4)
            for (int c = 0; c < 4; ++c) px[i + c] = fill[c];
    }
    uint8_t* at(int32_t x, int32_t y) { return px.data() + (std::size_t(y) * w + x) * 4; }
    const uint8_t* at(int32_t x, int32_t y) const { return px.data() + (std::size_t(y) * w + x) * 4; }
    Rgba get(int32_t x, int32_t y) const
    {
        const uint8_t* p = px.data() + (std::size_t(y) * w + x) * 4;
        return {p[0], p[1], p[2], p[3]};
    }
    void set(int32_t x, int32_t y, Rgba v)
    {
        for (int c = 0; c < 4; ++c) at(x, y)[c] = v[c];
    }
    bool operator==(const Picture& o) const { return w == o.w && h == o.h && px == o.px; }
};

// Dialog values: sliders 0..1000, flags, styles, colour.
struct Settings {
    std::array<int32_t, 6> sliders{};
    std::array<int32_t, 6> flags{};
    int32_t style1 = 0, style2 = 0;
    int32_t red = 0, green = 0, blue = 0;

    NativeFilterParams params() const
    {
        NativeFilterParams p;
        for (int i = 0; i < 6; ++i) {
            p.sliders[i] = sliders[i];
            p.flags[i] = flags[i];
        }
        p.style1 = style1;
        p.style2 = style2;
        p.red = red;
        p.green = green;
        p.blue = blue;
        return p;
    }
};

inline Settings sliders(std::initializer_list<int32_t> values)
{
    Settings s;
    int i = 0;
    for (int32_t v : values) s.sliders[i++] = v;
    return s;
}

// Runs the filter from a copy of `source` into a fresh destination (filled
// with 77 so that untouched bytes show) and returns the destination.
inline Picture apply(const char* name, const Picture& source, const Settings& settings = {}, bool singleBuffer = false)
{
    Picture src = source, dst(source.w, source.h, {77, 77, 77, 77});
    if (singleBuffer) dst = source;
    EXPECT_TRUE(run_native_filter(src.px.data(), dst.px.data(), src.w, src.h, name, singleBuffer, settings.params()))
        << name;
    return dst;
}

}  // namespace mur::ipl::test
