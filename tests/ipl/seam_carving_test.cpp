// Seam carving of the whole document: plain columns go first, textured
// features stay whole, every layer follows the same seams, and what the
// mask protects is kept.
#include "support/engine_fixture.h"
#include "support/random_pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace mur {
namespace {

using test::pixel_at;

class SeamCarving : public test::EngineTest {
protected:
    static constexpr int32_t kW = 40, kH = 12;

    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(kW, kH);
        ASSERT_EQ(MUR_CreateLayer(1, kW, kH), 1);  // white
        ASSERT_EQ(MUR_CreateLayer(2, kW, kH), 1);  // transparent
        MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
        MUR_SetLayer(2);
    }

    // Random opaque colours over the columns [x0, x1) of a layer.
    static void texture(int32_t slot, int32_t x0, int32_t x1, test::Rng& rng)
    {
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = x0; x < x1; ++x) {
                uint16_t* p = pixel_at(engine.layers.slots[slot], x, y);
                for (int c = 0; c < 3; ++c) p[c] = test::random_colour(rng);
                p[3] = 65535;
            }
    }

    static std::vector<uint16_t> row_of(int32_t slot, int32_t y, int32_t x0, int32_t x1)
    {
        const LayerRecord& l = engine.layers.slots[slot];
        return std::vector<uint16_t>(pixel_at(l, x0, y), pixel_at(l, x0, y) + (x1 - x0) * 4);
    }
};

TEST_F(SeamCarving, WhiteColumnsGoAndTexturedBarsStayWholeInEveryRow)
{
    test::Rng rng(3);
    texture(2, 8, 14, rng);
    texture(2, 25, 31, rng);
    std::vector<std::vector<uint16_t>> bars;
    for (int32_t y = 0; y < kH; ++y) {
        std::vector<uint16_t> both = row_of(2, y, 8, 14), second = row_of(2, y, 25, 31);
        both.insert(both.end(), second.begin(), second.end());
        bars.push_back(both);
    }
    MUR_IPLSeamCarvingRGBA(kW - 16, kH, 0);  // 28 plain columns of 40: 16 go
    const LayerRecord& top = engine.layers.slots[2];
    const LayerRecord& background = engine.layers.slots[1];
    ASSERT_EQ(top.width, kW - 16);
    ASSERT_EQ(top.height, kH);
    ASSERT_EQ(background.width, kW - 16);
    for (int32_t y = 0; y < kH; ++y) {
        // The opaque pixels of the row are both bars, each whole, in order.
        std::vector<uint16_t> opaque;
        for (int32_t x = 0; x < top.width; ++x)
            if (pixel_at(top, x, y)[3] != 0) opaque.insert(opaque.end(), pixel_at(top, x, y), pixel_at(top, x, y) + 4);
        EXPECT_EQ(opaque, bars[y]) << "row " << y;
        for (int32_t x = 0; x < background.width; ++x) EXPECT_EQ(pixel_at(background, x, y)[0], 65535);
    }
    EXPECT_EQ(engine.undo.dirtyX1, kW - 1);
}

TEST_F(SeamCarving, TheMaskKeepsAPlainFeatureTheSeamsWouldElseTakeFirst)
{
    // A textured picture with a plain block: the cheapest seams run
    // through the block.
    const int32_t b0 = 15, b1 = 25;
    auto prepare = [&] {
        test::Rng rng(8);
        texture(1, 0, kW, rng);
        test::fill_layer(engine.layers.slots[2], 0, 0, 0, 0);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = b0; x < b1; ++x) {
                uint16_t* p = pixel_at(engine.layers.slots[1], x, y);
                p[0] = 50000, p[1] = 9000, p[2] = 9000, p[3] = 65535;
            }
    };
    auto block_width = [&](int32_t y) {
        int32_t n = 0;
        const LayerRecord& l = engine.layers.slots[1];
        for (int32_t x = 0; x < l.width; ++x) n += pixel_at(l, x, y)[0] == 50000 && pixel_at(l, x, y)[1] == 9000;
        return n;
    };

    prepare();
    MUR_IPLSeamCarvingRGBA(kW - 8, kH, 0);
    ASSERT_EQ(engine.layers.slots[1].width, kW - 8);
    int32_t narrowest = b1 - b0;
    for (int32_t y = 0; y < kH; ++y) narrowest = std::min(narrowest, block_width(y));
    EXPECT_LT(narrowest, b1 - b0) << "without the mask the seams take the block";

    // The same with the block protected.
    MUR_CreateLayer(1, kW, kH);
    MUR_CreateLayer(2, kW, kH);
    prepare();
    std::vector<uint8_t> grey(kW * kH * 3, 0);  // black: editable
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = b0; x < b1; ++x) std::memset(&grey[(y * kW + x) * 3], 255, 3);  // white: protected
    MUR_LoadMask(grey.data(), kW * 3, kW, kH);
    MUR_EnableMask(1);
    MUR_IPLSeamCarvingRGBA(kW - 8, kH, 0);
    ASSERT_EQ(engine.layers.slots[1].width, kW - 8);
    for (int32_t y = 0; y < kH; ++y) EXPECT_EQ(block_width(y), b1 - b0) << "row " << y;
}

TEST_F(SeamCarving, EnlargesAndShortensTooKeepingTheLayersInRegister)
{
    test::Rng rng(4);
    texture(2, 10, 16, rng);
    // Slot 3 holds the same picture as slot 2: it must come out the same.
    ASSERT_EQ(MUR_CreateLayer(3, kW, kH), 1);
    std::memcpy(engine.layers.slots[3].pixels, engine.layers.slots[2].pixels, std::size_t(kW) * kH * 8);
    MUR_IPLSeamCarvingRGBA(kW + 13, kH - 3, 0);
    for (int32_t slot : {1, 2, 3}) {
        ASSERT_EQ(engine.layers.slots[slot].width, kW + 13);
        ASSERT_EQ(engine.layers.slots[slot].height, kH - 3);
    }
    EXPECT_EQ(std::memcmp(engine.layers.slots[2].pixels, engine.layers.slots[3].pixels,
                          std::size_t(kW + 13) * (kH - 3) * 8),
              0);
}

TEST_F(SeamCarving, LayersOfDifferentSizesAndSizesTheCarverCannotTakeAreLeftAlone)
{
    MUR_IPLSeamCarvingRGBA(1, 1, 0);
    EXPECT_EQ(engine.layers.slots[1].width, kW);
    ASSERT_EQ(MUR_CreateLayer(4, kW / 2, kH), 1);
    MUR_IPLSeamCarvingRGBA(kW - 5, kH, 0);
    EXPECT_EQ(engine.layers.slots[1].width, kW);
    EXPECT_EQ(engine.layers.slots[4].width, kW / 2);
    // One pixel high: nothing to carve.
    MUR_DeleteLayer(4);
    MUR_IPLResize(kW, 1, "Box");
    MUR_IPLSeamCarvingRGBA(kW - 5, 3, 0);
    EXPECT_EQ(engine.layers.slots[1].width, kW);
    EXPECT_EQ(engine.layers.slots[1].height, 1);
    // A width of 1 from a wider picture works.
    MUR_IPLResize(kW, kH, "Box");
    MUR_IPLSeamCarvingRGBA(1, kH + 2, 0);
    EXPECT_EQ(engine.layers.slots[1].width, 1);
    EXPECT_EQ(engine.layers.slots[2].height, kH + 2);
}

}  // namespace
}  // namespace mur
