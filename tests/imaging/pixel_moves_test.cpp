// Mirroring, quarter turns and placing on a canvas, for both pixel sizes
// and many shapes, against positions computed here.
#include "imaging/pixel_moves.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <vector>

namespace mur::imaging {
namespace {

struct Picture {
    int32_t width, height, bpp;
    std::vector<uint8_t> bytes;

    Picture(int32_t w, int32_t h, int32_t b, uint32_t seed) : width(w), height(h), bpp(b), bytes(std::size_t(w) * h * b)
    {
        std::mt19937 rng(seed);
        for (uint8_t& v : bytes) v = static_cast<uint8_t>(rng());
    }
    ImageView view() { return {bytes.data(), width, height, std::ptrdiff_t{width} * bpp, bpp}; }
    ConstImageView cview() const { return {bytes.data(), width, height, std::ptrdiff_t{width} * bpp, bpp}; }
    const uint8_t* at(int32_t x, int32_t y) const { return &bytes[(std::size_t(y) * width + x) * bpp]; }
};

// Every pixel of `out` is the pixel of `in` at from(x, y).
template <class From>
void expect_moved(const Picture& out, const Picture& in, From from)
{
    for (int32_t y = 0; y < out.height; ++y)
        for (int32_t x = 0; x < out.width; ++x) {
            int32_t u, v;
            from(x, y, u, v);
            ASSERT_EQ(std::memcmp(out.at(x, y), in.at(u, v), std::size_t(out.bpp)), 0)
                << out.width << "x" << out.height << " bpp " << out.bpp << " at (" << x << ", " << y << ")";
        }
}

constexpr std::pair<int32_t, int32_t> kShapes[] = {{1, 1}, {1, 7}, {9, 1}, {33, 65}, {70, 31}, {64, 64}, {200, 190}};

TEST(QuarterTurns, MoveEveryPixelWhereTheTurnPutsIt)
{
    for (int32_t bpp : {4, 8})
        for (const auto& [w, h] : kShapes) {
            const Picture in(w, h, bpp, uint32_t(w * 31 + h));
            Picture left(h, w, bpp, 0), right(h, w, bpp, 0);
            ASSERT_TRUE(rotate_counter_clockwise(in.cview(), left.view()));
            ASSERT_TRUE(rotate_clockwise(in.cview(), right.view()));
            expect_moved(left, in, [&](int32_t x, int32_t y, int32_t& u, int32_t& v) { u = w - 1 - y, v = x; });
            expect_moved(right, in, [&](int32_t x, int32_t y, int32_t& u, int32_t& v) { u = y, v = h - 1 - x; });
        }
}

TEST(QuarterTurns, RefuseSizesThatDoNotFit)
{
    const Picture in(5, 3, 4, 1);
    Picture same(5, 3, 4, 2), wide(3, 5, 8, 3), rgb(3, 5, 3, 4);
    EXPECT_FALSE(rotate_clockwise(in.cview(), same.view()));
    EXPECT_FALSE(rotate_clockwise(in.cview(), wide.view()));
    const Picture in3(5, 3, 3, 5);
    EXPECT_FALSE(rotate_counter_clockwise(in3.cview(), rgb.view()));
}

TEST(Mirroring, ExchangesSidesInPlace)
{
    for (int32_t bpp : {4, 8})
        for (const auto& [w, h] : kShapes) {
            const Picture in(w, h, bpp, uint32_t(w + h * 7));
            Picture flipped = in;
            ASSERT_TRUE(flip_horizontal(flipped.view()));
            expect_moved(flipped, in, [&](int32_t x, int32_t y, int32_t& u, int32_t& v) { u = w - 1 - x, v = y; });
            flipped = in;
            ASSERT_TRUE(flip_vertical(flipped.view()));
            expect_moved(flipped, in, [&](int32_t x, int32_t y, int32_t& u, int32_t& v) { u = x, v = h - 1 - y; });
        }
}

TEST(PlaceOnCanvas, CopiesTheCoveredPartAndFillsTheRest)
{
    const int32_t offsets[] = {INT32_MIN, -70, -3, 0, 2, 9, 40, INT32_MAX};
    for (int32_t bpp : {4, 8}) {
        const Picture in(13, 8, bpp, 9);
        const uint8_t fill[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        for (int32_t ox : offsets)
            for (int32_t oy : offsets) {
                Picture out(17, 6, bpp, 10);
                ASSERT_TRUE(place_on_canvas(in.cview(), out.view(), ox, oy, fill));
                for (int32_t y = 0; y < out.height; ++y)
                    for (int32_t x = 0; x < out.width; ++x) {
                        const int64_t u = int64_t{x} - ox, v = int64_t{y} - oy;
                        const bool covered = u >= 0 && v >= 0 && u < in.width && v < in.height;
                        const uint8_t* want = covered ? in.at(int32_t(u), int32_t(v)) : fill;
                        ASSERT_EQ(std::memcmp(out.at(x, y), want, std::size_t(bpp)), 0)
                            << "offset " << ox << ", " << oy << " at (" << x << ", " << y << ")";
                    }
            }
    }
}

}  // namespace
}  // namespace mur::imaging
