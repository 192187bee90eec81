#include "imaging/deflate.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace mur::imaging {
namespace {

std::vector<uint8_t> random_bytes(std::size_t n, uint32_t seed, int spread)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng() % spread);
    return v;
}

TEST(Deflate, RoundTripsAtEveryLevel)
{
    const auto data = random_bytes(100000, 7, 16);
    for (int level : {-1, 0, 1, 6, 9, 42}) {
        std::vector<uint8_t> packed(deflate_bound(data.size()));
        const std::size_t n = deflate_buffer(data.data(), data.size(), packed.data(), packed.size(), level);
        ASSERT_GT(n, 0u) << level;
        if (level != 0) {
            EXPECT_LT(n, data.size()) << level;
        }
        std::vector<uint8_t> back(data.size());
        EXPECT_EQ(inflate_buffer(packed.data(), n, back.data(), back.size()), data.size()) << level;
        EXPECT_EQ(back, data) << level;
    }
}

TEST(Deflate, TooSmallDestinationGivesZero)
{
    const auto data = random_bytes(5000, 3, 256);
    std::vector<uint8_t> packed(100);
    EXPECT_EQ(deflate_buffer(data.data(), data.size(), packed.data(), packed.size(), 6), 0u);
    EXPECT_EQ(deflate_buffer(data.data(), data.size(), nullptr, 100, 6), 0u);
}

TEST(Inflate, RefusesStreamsThatAreCorruptTruncatedOrTooLong)
{
    const auto data = random_bytes(20000, 11, 8);
    std::vector<uint8_t> packed(deflate_bound(data.size()));
    const std::size_t n = deflate_buffer(data.data(), data.size(), packed.data(), packed.size(), 6);
    ASSERT_GT(n, 0u);
    std::vector<uint8_t> out(data.size());
    EXPECT_EQ(inflate_buffer(packed.data(), n / 2, out.data(), out.size()), 0u) << "truncated";
    EXPECT_EQ(inflate_buffer(packed.data(), n, out.data(), out.size() - 1), 0u) << "longer than the buffer";
    std::vector<uint8_t> damaged(packed.begin(), packed.begin() + n);
    damaged[n / 2] ^= 0x5A;
    damaged[n / 2 + 1] ^= 0xA5;
    EXPECT_EQ(inflate_buffer(damaged.data(), n, out.data(), out.size()), 0u) << "damaged";
    const auto noise = random_bytes(1000, 5, 256);
    EXPECT_EQ(inflate_buffer(noise.data(), noise.size(), out.data(), out.size()), 0u) << "noise";
    EXPECT_EQ(inflate_buffer(nullptr, 10, out.data(), out.size()), 0u);
}

TEST(Inflate, ShorterStreamReportsItsOwnLength)
{
    const auto data = random_bytes(300, 1, 4);
    std::vector<uint8_t> packed(deflate_bound(data.size()));
    const std::size_t n = deflate_buffer(data.data(), data.size(), packed.data(), packed.size(), 9);
    std::vector<uint8_t> out(1000);
    EXPECT_EQ(inflate_buffer(packed.data(), n, out.data(), out.size()), 300u);
}

}  // namespace
}  // namespace mur::imaging
