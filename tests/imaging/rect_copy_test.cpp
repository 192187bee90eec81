#include "imaging/rect_copy.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace mur::imaging {
namespace {

// A G8 buffer whose bytes count up from 1, and an empty one beside it.
struct Buffers {
    std::vector<uint8_t> src = std::vector<uint8_t>(10 * 8);
    std::vector<uint8_t> dst = std::vector<uint8_t>(6 * 5, 0);
    Buffers() { std::iota(src.begin(), src.end(), uint8_t{1}); }
    ImageView s() { return g8_view(src.data(), 10, 8, 10); }
    ImageView d() { return g8_view(dst.data(), 6, 5, 6); }
};

TEST(RectCopy, CopiesTheRectangleToItsPlace)
{
    Buffers b;
    ASSERT_TRUE(copy_rect(b.s(), {2, 3, 3, 2}, b.d(), 1, 1));
    EXPECT_EQ(b.dst[1 * 6 + 1], b.src[3 * 10 + 2]);
    EXPECT_EQ(b.dst[2 * 6 + 3], b.src[4 * 10 + 4]);
    EXPECT_EQ(b.dst[0], 0);
    EXPECT_EQ(b.dst[1 * 6 + 4], 0);
    EXPECT_EQ(b.dst[3 * 6 + 1], 0);
}

TEST(RectCopy, ClipsAgainstBothBuffers)
{
    Buffers b;
    // Starts left of and above the source, ends past the destination.
    ASSERT_TRUE(copy_rect(b.s(), {-2, -1, 20, 20}, b.d(), 0, 0));
    // Source (0, 0) lands where (-2, -1) would: at (2, 1).
    EXPECT_EQ(b.dst[1 * 6 + 2], b.src[0]);
    EXPECT_EQ(b.dst[4 * 6 + 5], b.src[3 * 10 + 3]);
    EXPECT_EQ(b.dst[0], 0);
    EXPECT_EQ(b.dst[1 * 6 + 1], 0);
}

TEST(RectCopy, NegativeDestinationShiftsTheSource)
{
    Buffers b;
    ASSERT_TRUE(paste_opaque(b.s(), b.d(), -3, -2));
    EXPECT_EQ(b.dst[0], b.src[2 * 10 + 3]);
    EXPECT_EQ(b.dst[4 * 6 + 5], b.src[6 * 10 + 8]);
}

TEST(RectCopy, NothingInsideBothIsASuccessThatWritesNothing)
{
    Buffers b;
    EXPECT_TRUE(copy_rect(b.s(), {0, 0, 4, 4}, b.d(), 6, 0));
    EXPECT_TRUE(copy_rect(b.s(), {INT32_MAX - 1, 0, 4, 4}, b.d(), 0, 0));
    EXPECT_TRUE(copy_rect(b.s(), {0, 0, INT32_MAX, INT32_MAX}, b.d(), INT32_MIN, INT32_MIN));
    EXPECT_TRUE(copy_rect(b.s(), {0, 0, -5, 3}, b.d(), 0, 0));
    for (uint8_t v : b.dst) EXPECT_EQ(v, 0);
}

TEST(RectCopy, RefusesMissingBuffersAndMixedFormats)
{
    Buffers b;
    std::vector<uint16_t> wide(4 * 4 * 4);
    EXPECT_FALSE(copy_rect(b.s(), {0, 0, 2, 2}, rgba64_view(wide.data(), 4, 4, 16), 0, 0));
    EXPECT_FALSE(copy_rect(ConstImageView{}, {0, 0, 2, 2}, b.d(), 0, 0));
    EXPECT_FALSE(paste_opaque(b.s(), ImageView{}, 0, 0));
}

TEST(RectCopy, WideFormatsCopyWholePixels)
{
    std::vector<uint16_t> src(3 * 2 * 4), dst(3 * 2 * 4, 0);
    std::iota(src.begin(), src.end(), uint16_t{100});
    ASSERT_TRUE(copy_rect(rgba64_view(src.data(), 3, 2, 12), {1, 0, 2, 2}, rgba64_view(dst.data(), 3, 2, 12), 0, 0));
    EXPECT_EQ(dst[0], 104);
    EXPECT_EQ(dst[7], 111);
    EXPECT_EQ(dst[12], 116);
    EXPECT_EQ(dst[8], 0);
}

}  // namespace
}  // namespace mur::imaging
