#include "imaging/pixel_convert.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <cstring>
#include <random>
#include <vector>

namespace mur::imaging {
namespace {

TEST(GrayPlane, UsesRoundedBt601Weights)
{
    // (R*299 + G*587 + B*114 + 500) / 1000, worked out by hand.
    const uint8_t rgba[6 * 4] = {255, 255, 255, 0,  0, 0, 0, 255,  255, 0, 0, 255,
                                 0, 255, 0, 255,    0, 0, 255, 255, 10, 200, 30, 7};
    uint8_t gray[6] = {};
    ASSERT_TRUE(rgba32_to_gray8(ConstImageView(rgba, 6, 1, 24, 4), g8_view(gray, 6, 1, 6)));
    EXPECT_EQ(gray[0], 255);  // alpha is not looked at
    EXPECT_EQ(gray[1], 0);
    EXPECT_EQ(gray[2], 76);   // 76.245
    EXPECT_EQ(gray[3], 150);  // 149.685
    EXPECT_EQ(gray[4], 29);   // 29.07
    EXPECT_EQ(gray[5], 124);  // 2.99 + 117.4 + 3.42 = 123.81
}

TEST(GrayPlane, HonoursStridesAndRefusesMismatchedViews)
{
    // Two rows of one pixel, each row padded to 8 bytes; the plane padded to 3.
    const uint8_t rgba[16] = {100, 100, 100, 255, 9, 9, 9, 9, 200, 200, 200, 255, 9, 9, 9, 9};
    uint8_t gray[6] = {1, 1, 1, 1, 1, 1};
    ASSERT_TRUE(rgba32_to_gray8(ConstImageView(rgba, 1, 2, 8, 4), g8_view(gray, 1, 2, 3)));
    EXPECT_EQ(gray[0], 100);
    EXPECT_EQ(gray[1], 1);
    EXPECT_EQ(gray[3], 200);
    EXPECT_FALSE(rgba32_to_gray8(ConstImageView(rgba, 1, 2, 8, 4), g8_view(gray, 2, 2, 3)));
    EXPECT_FALSE(rgba32_to_gray8(ConstImageView(rgba, 1, 2, 8, 3), g8_view(gray, 1, 2, 3)));
    EXPECT_FALSE(rgba32_to_gray8(ConstImageView(nullptr, 1, 2, 8, 4), g8_view(gray, 1, 2, 3)));
}

TEST(GrayPlane, SameResultWithOneOrTwoThreads)
{
    std::vector<uint8_t> rgba(512 * 300 * 4);
    std::mt19937 rng(1);
    for (auto& b : rgba) b = static_cast<uint8_t>(rng());
    std::vector<uint8_t> one(512 * 300), two(512 * 300);
    omp_set_num_threads(1);
    ASSERT_TRUE(rgba32_to_gray8(ConstImageView(rgba.data(), 512, 300, 2048, 4), g8_view(one.data(), 512, 300, 512)));
    omp_set_num_threads(2);
    ASSERT_TRUE(rgba32_to_gray8(ConstImageView(rgba.data(), 512, 300, 2048, 4), g8_view(two.data(), 512, 300, 512)));
    omp_set_num_threads(omp_get_num_procs());
    EXPECT_EQ(one, two);
}

TEST(RedBlueSwap, TurnsRgbaIntoBgraAndBack)
{
    uint8_t px[12] = {1, 2, 3, 4, 5, 6, 7, 8, 99, 99, 99, 99};  // two pixels, then padding
    ASSERT_TRUE(swap_red_blue(rgba32_view(px, 2, 1, 12)));
    const uint8_t swapped[12] = {3, 2, 1, 4, 7, 6, 5, 8, 99, 99, 99, 99};
    EXPECT_EQ(0, std::memcmp(px, swapped, 12));
    ASSERT_TRUE(swap_red_blue(rgba32_view(px, 2, 1, 12)));
    EXPECT_EQ(px[0], 1);
    EXPECT_EQ(px[6], 7);
    EXPECT_FALSE(swap_red_blue(rgb24_view(px, 2, 1, 12)));
}

}  // namespace
}  // namespace mur::imaging
