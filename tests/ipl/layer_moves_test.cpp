// The pan and the point-to-point push warp of the current layer through the
// IPL buffers.
#include "support/engine_fixture.h"
#include "support/random_pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace mur {
namespace {

using test::pixel_at;

class LayerMoves : public test::EngineTest {
protected:
    static constexpr int32_t kW = 20, kH = 9;

    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(kW, kH);
        ASSERT_EQ(MUR_CreateLayer(2, kW, kH), 1);
        MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
        MUR_SetLayer(2);
        // Opaque pixels, each with its own high bytes and random low bytes.
        test::Rng rng(5);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                uint16_t* p = pixel_at(layer(), x, y);
                p[0] = uint16_t((x * 12) << 8 | test::pick(rng, 0, 255));
                p[1] = uint16_t((y * 25) << 8 | test::pick(rng, 0, 255));
                p[2] = uint16_t(((x * 7 + y * 13) & 255) << 8 | test::pick(rng, 0, 255));
                p[3] = 65535;
            }
        original.assign(layer().pixels, layer().pixels + kW * kH * 4);
        MUR_IPLAllocSrcBuffer32();
        MUR_IPLAllocDstBuffer32();
    }
    void TearDown() override
    {
        MUR_IPLFreeSrcBuffer32();
        MUR_IPLFreeDstBuffer32();
        EngineTest::TearDown();
    }
    static LayerRecord& layer() { return engine.layers.slots[2]; }
    const uint16_t* old(int32_t x, int32_t y) const { return &original[(std::size_t(y) * kW + x) * 4]; }

    // The layer's high bytes at (x, y) equal those of the old pixel (u, v).
    ::testing::AssertionResult same_high_bytes(int32_t x, int32_t y, const uint16_t* want) const
    {
        const uint16_t* p = pixel_at(layer(), x, y);
        for (int c = 0; c < 4; ++c)
            if (p[c] >> 8 != want[c] >> 8)
                return ::testing::AssertionFailure() << "(" << x << ", " << y << ") channel " << c << ": " << (p[c] >> 8)
                                                     << " instead of " << (want[c] >> 8);
        return ::testing::AssertionSuccess();
    }

    std::vector<uint16_t> original;
};

TEST_F(LayerMoves, PanWithoutWrapLaysTheMovedPictureOverTransparency)
{
    MUR_Clear(0, 0, 0, 0);  // the host clears first to move the layer
    MUR_IPLPan(3, -2, 0, 1, 2, 3, 4, 0);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const int32_t u = x - 3, v = y + 2;
            if (u >= 0 && v < kH) {
                EXPECT_TRUE(same_high_bytes(x, y, old(u, v)));
            } else {
                EXPECT_EQ(pixel_at(layer(), x, y)[3], 0) << x << ", " << y;
            }
        }
    EXPECT_EQ(engine.undo.dirtyX1, kW - 1);
}

TEST_F(LayerMoves, PanWithoutWrapKeepsWhatTheMoveLeavesUncovered)
{
    MUR_IPLPan(4, 0, 0, 0, 0, 0, 0, 0);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(std::memcmp(pixel_at(layer(), x, y), old(x, y), 8), 0) << x << ", " << y;
}

TEST_F(LayerMoves, PanModesWrapRepeatAndFill)
{
    struct Case {
        int32_t mode, dx, dy;
    };
    for (const Case c : {Case{1, -23, 11}, Case{1, INT32_MIN, INT32_MAX}, Case{2, 5, -3}, Case{7, -4, 2}}) {
        MUR_Clear(0, 0, 0, 0);
        MUR_IPLPan(c.dx, c.dy, c.mode, 9, 8, 7, 255, 0);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const int64_t u = int64_t{x} - c.dx, v = int64_t{y} - c.dy;
                const uint16_t fill[4] = {9 << 8, 8 << 8, 7 << 8, 255 << 8};
                const uint16_t* want = nullptr;
                if (c.mode == 1) want = old(int32_t(((u % kW) + kW) % kW), int32_t(((v % kH) + kH) % kH));
                else if (c.mode == 2) want = old(int32_t(std::clamp<int64_t>(u, 0, kW - 1)), int32_t(std::clamp<int64_t>(v, 0, kH - 1)));
                else want = u >= 0 && v >= 0 && u < kW && v < kH ? old(int32_t(u), int32_t(v)) : fill;
                ASSERT_TRUE(same_high_bytes(x, y, want)) << "mode " << c.mode << " by " << c.dx << ", " << c.dy;
            }
    }
}

TEST_F(LayerMoves, PanWeighsByTheMaskWhenAsked)
{
    // A protected (white) left half: the moved picture reaches only the right half.
    std::vector<uint8_t> grey(kW * kH * 3);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) std::memset(&grey[(y * kW + x) * 3], x < kW / 2 ? 255 : 0, 3);
    MUR_LoadMask(grey.data(), kW * 3, kW, kH);
    MUR_EnableMask(1);
    MUR_Clear(0, 0, 0, 0);
    MUR_IPLPan(1, 0, 1, 0, 0, 0, 0, 1);
    EXPECT_EQ(pixel_at(layer(), 2, 4)[3], 0);
    EXPECT_TRUE(same_high_bytes(kW - 2, 4, old(kW - 3, 4)));
}

TEST_F(LayerMoves, NothingMovesWithoutBothBuffers)
{
    MUR_IPLFreeDstBuffer32();
    MUR_IPLPan(3, 3, 1, 0, 0, 0, 0, 0);
    MUR_WarpPointToPoint(2, 2, 5, 5);
    EXPECT_EQ(std::memcmp(layer().pixels, original.data(), original.size() * 2), 0);
}

TEST_F(LayerMoves, AWarpFromAPointToItselfChangesNothing)
{
    engine.undo.dirtyX0 = 5;
    MUR_WarpPointToPoint(7, 4, 7, 4);
    EXPECT_EQ(std::memcmp(layer().pixels, original.data(), original.size() * 2), 0);
    EXPECT_EQ(engine.undo.dirtyX0, 5);
}

TEST_F(LayerMoves, AWarpPushesTheContentAtFromOntoToAndLeavesTheRestExactly)
{
    const int32_t fromX = 6, fromY = 4, toX = 8, toY = 4;  // a push of 2: reach 4
    MUR_WarpPointToPoint(fromX, fromY, toX, toY);
    EXPECT_TRUE(same_high_bytes(toX, toY, old(fromX, fromY)));
    // Along the push the content is pulled along: the pixel before `to`
    // comes from between `from` and itself.
    EXPECT_GE(pixel_at(layer(), toX - 1, toY)[0] >> 8, old(fromX - 1, fromY)[0] >> 8);
    EXPECT_LT(pixel_at(layer(), toX - 1, toY)[0] >> 8, old(toX - 1, toY)[0] >> 8);
    // From the reach on, every pixel exactly as it was, low bytes included.
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x)
            if (std::hypot(x - toX, y - toY) >= 4.0) {
                EXPECT_EQ(std::memcmp(pixel_at(layer(), x, y), old(x, y), 8), 0) << x << ", " << y;
            }
    // The source buffer is left for the next push.
    EXPECT_EQ(engine.ipl.src32.data[(fromY * kW + fromX) * 4], old(fromX, fromY)[0] >> 8);
    EXPECT_EQ(engine.undo.dirtyX0, 0);
    EXPECT_EQ(engine.undo.dirtyX1, kW - 1);
}

TEST_F(LayerMoves, AWarpStoresThroughTheMask)
{
    std::vector<uint8_t> grey(kW * kH * 3, 255);  // white: everything protected
    MUR_LoadMask(grey.data(), kW * 3, kW, kH);
    MUR_EnableMask(1);
    MUR_WarpPointToPoint(6, 4, 9, 5);
    EXPECT_EQ(std::memcmp(layer().pixels, original.data(), original.size() * 2), 0);
}

TEST_F(LayerMoves, HostileWarpsStayInsideThePage)
{
    MUR_WarpPointToPoint(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    MUR_WarpPointToPoint(-50, 4, -40, 4);
    MUR_WarpPointToPoint(0, 0, kW - 1, kH - 1);
    MUR_IPLPan(INT32_MAX, INT32_MIN, 0, 0, 0, 0, 0, 0);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

}  // namespace
}  // namespace mur
