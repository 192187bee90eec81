#include "imaging/gaussian_blur.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <random>
#include <vector>

namespace mur::imaging {
namespace {

// The spread of the blurred image of one bright pixel.
struct Spread {
    double mass, meanX, variance;
};

Spread impulse_response(double sigma, int side)
{
    std::vector<uint8_t> plane(side * side, 0), out(side * side);
    // A 3 x 3 block keeps enough mass for the 8-bit output to show the tails.
    for (int y = -1; y <= 1; ++y)
        for (int x = -1; x <= 1; ++x) plane[(side / 2 + y) * side + side / 2 + x] = 255;
    EXPECT_TRUE(gaussian_blur(g8_view(plane.data(), side, side, side), g8_view(out.data(), side, side, side), sigma));
    double mass = 0, sx = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            mass += out[y * side + x];
            sx += out[y * side + x] * (x - side / 2);
        }
    double var = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) var += out[y * side + x] * (x - side / 2) * (x - side / 2);
    return {mass, sx / mass, var / mass};
}

TEST(GaussianBlur, SmallBlurKeepsTheMassCentredAndSpreadsBySigma)
{
    for (double sigma : {1.0, 2.5}) {
        const Spread s = impulse_response(sigma, 257);
        EXPECT_NEAR(s.mass, 9 * 255, 9 * 255 * 0.06) << sigma;
        EXPECT_NEAR(s.meanX, 0, 0.05) << sigma;
        // A 3-wide block has variance 2/3 before the blur.
        EXPECT_NEAR(std::sqrt(s.variance), std::sqrt(sigma * sigma + 2.0 / 3), 0.1 * sigma + 0.3) << sigma;
    }
}

// Across a straight edge the blur follows the Gaussian's integral.
TEST(GaussianBlur, EdgeProfileFollowsTheGaussian)
{
    const int w = 401, h = 8;
    std::vector<uint8_t> plane(w * h), out(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) plane[y * w + x] = x > w / 2 ? 255 : 0;
    for (double sigma : {2.5, 10.0, 30.0}) {
        ASSERT_TRUE(gaussian_blur(g8_view(plane.data(), w, h, w), g8_view(out.data(), w, h, w), sigma));
        for (double d : {-2.0, -1.0, -0.5, 0.0, 0.5, 1.0, 2.0}) {
            const int x = w / 2 + static_cast<int>(std::lround(d * sigma));
            const double expected = 255 * 0.5 * std::erfc(-((x - w / 2 - 0.5) / sigma) / std::sqrt(2.0));
            EXPECT_NEAR(out[4 * w + x], expected, 6) << "sigma " << sigma << " at " << d << " sigma";
        }
    }
}

TEST(GaussianBlur, LeavesAFlatImageFlat)
{
    std::vector<uint8_t> rgba(40 * 30 * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<uint8_t>(i % 4 * 60 + 10);
    const ImageView view = rgba32_view(rgba.data(), 40, 30, 160);
    for (double sigma : {0.7, 20.0}) {
        ASSERT_TRUE(gaussian_blur(view, view, sigma));
        for (std::size_t i = 0; i < rgba.size(); ++i) ASSERT_EQ(rgba[i], i % 4 * 60 + 10) << sigma;
    }
}

TEST(GaussianBlur, ResultDoesNotDependOnTheThreadCount)
{
    std::mt19937 rng(3);
    std::vector<uint8_t> src(123 * 77 * 4);
    for (auto& b : src) b = static_cast<uint8_t>(rng());
    std::vector<uint8_t> one(src.size()), two(src.size());
    for (double sigma : {1.5, 12.0, 20.0}) {
        omp_set_num_threads(1);
        ASSERT_TRUE(gaussian_blur(rgba32_view(src.data(), 123, 77, 492), rgba32_view(one.data(), 123, 77, 492), sigma));
        omp_set_num_threads(2);
        ASSERT_TRUE(gaussian_blur(rgba32_view(src.data(), 123, 77, 492), rgba32_view(two.data(), 123, 77, 492), sigma));
        EXPECT_EQ(one, two) << sigma;
    }
    omp_set_num_threads(omp_get_num_procs());
}

TEST(GaussianBlur, InPlaceGivesTheSameResultAsASeparateDestination)
{
    std::mt19937 rng(5);
    std::vector<uint8_t> src(64 * 50 * 4);
    for (auto& b : src) b = static_cast<uint8_t>(rng());
    for (double sigma : {3.0, 15.0}) {
        std::vector<uint8_t> apart(src.size()), inPlace = src;
        ASSERT_TRUE(gaussian_blur(rgba32_view(src.data(), 64, 50, 256), rgba32_view(apart.data(), 64, 50, 256), sigma));
        ASSERT_TRUE(gaussian_blur(rgba32_view(inPlace.data(), 64, 50, 256), rgba32_view(inPlace.data(), 64, 50, 256), sigma));
        EXPECT_EQ(inPlace, apart) << sigma;
    }
}

// A blur wider than the picture averages towards its border values without
// reading outside it.
TEST(GaussianBlur, KernelWiderThanThePictureStaysInside)
{
    std::vector<uint8_t> plane = {0, 255, 0, 255, 0, 255}, out(6);
    ASSERT_TRUE(gaussian_blur(g8_view(plane.data(), 3, 2, 3), g8_view(out.data(), 3, 2, 3), 8.0));
    for (uint8_t v : out) EXPECT_NEAR(v, 127, 20);
}

TEST(GaussianBlur, RefusesMismatchedViews)
{
    std::vector<uint8_t> a(100), b(100);
    EXPECT_FALSE(gaussian_blur(g8_view(a.data(), 10, 10, 10), g8_view(b.data(), 10, 9, 10), 1));
    EXPECT_FALSE(gaussian_blur(g8_view(a.data(), 10, 10, 10), rgb24_view(b.data(), 10, 3, 30), 1));
    EXPECT_FALSE(gaussian_blur(ConstImageView{}, g8_view(b.data(), 10, 10, 10), 1));
    EXPECT_TRUE(gaussian_blur(g8_view(a.data(), 10, 10, 10), g8_view(b.data(), 10, 10, 10), 0)) << "a copy";
}

}  // namespace
}  // namespace mur::imaging
