#include "ipl/filter_framing.h"
#include "support/engine_fixture.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <random>
#include <vector>

namespace mur {
namespace {

using Pixels = std::vector<uint8_t>;

TEST(PreFilter, PremultipliesWithThePlusOneRule)
{
    Pixels p = {10, 20, 30, 128};
    MUR_AdjustRGBA32PreFilter(p.data(), 1, 1);
    // 11 * 128/255 = 5.52, 21 * 128/255 = 10.54, 31 * 128/255 = 15.56
    EXPECT_EQ(p, (Pixels{5, 10, 15, 128}));
}

TEST(PreFilter, LeavesClearAndOpaquePixelsExactlyAlone)
{
    Pixels p = {10, 20, 30, 0, 40, 50, 60, 255};
    MUR_AdjustRGBA32PreFilter(p.data(), 2, 1);
    EXPECT_EQ(p, (Pixels{10, 20, 30, 0, 40, 50, 60, 255}));
}

TEST(PostFilter, DividesOutAlphaAndClampsAt255)
{
    // 100 * 255/128 = 199.2; 200 * 255/100 = 510 -> 255.
    Pixels p = {100, 0, 1, 128, 200, 50, 0, 100};
    MUR_AdjustRGBA32PostFilter(p.data(), 2, 1);
    EXPECT_EQ(p, (Pixels{199, 0, 1, 128, 255, 127, 0, 100}));
}

TEST(PostFilter, Alpha254EndsOpaqueButIsStillDividedOut)
{
    // 200 * 255/254 = 200.79; 127 * 255/254 = 127.5.
    Pixels p = {200, 127, 0, 254, 9, 8, 7, 0, 9, 8, 7, 255};
    MUR_AdjustRGBA32PostFilter(p.data(), 3, 1);
    EXPECT_EQ(p, (Pixels{200, 127, 0, 255, 9, 8, 7, 0, 9, 8, 7, 255}));
}

TEST(PostFilter, UndoesThePreFilterWithinTwoLevels)
{
    Pixels p;
    for (int a = 1; a < 255; a += 7)
        for (int c = 0; c < 256; c += 5) p.insert(p.end(), {uint8_t(c), uint8_t(255 - c), uint8_t(c / 2), uint8_t(a)});
    const Pixels original = p;
    const int32_t pixels = static_cast<int32_t>(p.size() / 4);
    MUR_AdjustRGBA32PreFilter(p.data(), pixels, 1);
    MUR_AdjustRGBA32PostFilter(p.data(), pixels, 1);
    for (std::size_t i = 0; i < p.size(); i += 4) {
        const int a = original[i + 3];
        // Premultiplied colour keeps a/255 of its precision; the error is at most 255/a levels.
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[i + c], original[i + c], 255.0 / a + 1) << "alpha " << a;
    }
}

TEST(PostFilter, ResultDoesNotDependOnTheThreadCount)
{
    std::mt19937 rng(4);
    Pixels src(97 * 61 * 4);
    for (auto& b : src) b = static_cast<uint8_t>(rng());
    Pixels one = src, two = src;
    omp_set_num_threads(1);
    MUR_AdjustRGBA32PostFilter(one.data(), 97, 61);
    omp_set_num_threads(2);
    MUR_AdjustRGBA32PostFilter(two.data(), 97, 61);
    omp_set_num_threads(omp_get_num_procs());
    EXPECT_EQ(one, two);
}

TEST(Rgba64Framing, PremultipliesWithoutThePlusOneAndIncludesOpaque)
{
    // A = 32768: 1000 * 0.500008 = 500.008, 40000 -> 20000.3; A = 65535 keeps colour; A = 0 untouched.
    std::vector<uint16_t> p = {1000, 40000, 0, 32768, 1234, 5678, 9, 65535, 500, 600, 700, 0};
    MUR_AdjustRGBA64PreFilter(p.data(), 3, 1);
    EXPECT_EQ(p, (std::vector<uint16_t>{500, 20000, 0, 32768, 1234, 5678, 9, 65535, 500, 600, 700, 0}));
}

TEST(Rgba64Framing, UnpremultipliesAndClamps)
{
    // 20000 * 65535/32768 = 39999.4; 40000 -> 79998.8 -> 65535.
    std::vector<uint16_t> p = {20000, 40000, 0, 32768, 5, 6, 7, 0};
    MUR_AdjustRGBA64PostFilter(p.data(), 2, 1);
    EXPECT_EQ(p, (std::vector<uint16_t>{39999, 65535, 0, 32768, 5, 6, 7, 0}));
}

TEST(FramingInput, NullDataIsIgnored)
{
    MUR_AdjustRGBA32PreFilter(nullptr, 4, 4);
    MUR_AdjustRGBA32PostFilter(nullptr, 4, 4);
    MUR_AdjustRGBA64PreFilter(nullptr, 4, 4);
    MUR_AdjustRGBA64PostFilter(nullptr, 4, 4);
    MUR_SetColorRGBABuf(nullptr, 4, 4, 1, 2, 3);
    MUR_AdjustRGBA32RectByMaskAndTexture(nullptr, 0, 0, 4, 4);
    Pixels p = {1, 2, 3, 4};
    MUR_AdjustRGBA32PostFilter(p.data(), -1, 5);
    EXPECT_EQ(p, (Pixels{1, 2, 3, 4}));
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST(ColourSetters, SetColourKeepsAlphaAndTheAlphaVariantOnlyTouchesClearPixels)
{
    Pixels p = {1, 2, 3, 0, 4, 5, 6, 9};
    Pixels q = p;
    MUR_SetColorRGBABuf(p.data(), 2, 1, 10, 20, 30);
    EXPECT_EQ(p, (Pixels{10, 20, 30, 0, 10, 20, 30, 9}));
    MUR_SetColorAlphaRGBABuf(q.data(), 2, 1, 10, 20, 30);
    EXPECT_EQ(q, (Pixels{10, 20, 30, 0, 4, 5, 6, 9}));
}

TEST(ColourSetters, SetBufferAlphaWritesEveryAlpha)
{
    Pixels p = {1, 2, 3, 4, 5, 6, 7, 8};
    ipl::SetBufferAlpha32(p.data(), 2, 1, 77);
    EXPECT_EQ(p, (Pixels{1, 2, 3, 77, 5, 6, 7, 77}));
}

class FramingOnPage : public test::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(4, 3);
    }
    void add_texture(uint8_t value)
    {
        engine.layers.texture = static_cast<uint8_t*>(mem::alloc(12));
        std::fill_n(engine.layers.texture, 12, value);
    }
};

TEST_F(FramingOnPage, AlphaCompDividesOutEveryCoveredPixelOfThePage)
{
    Pixels page(4 * 3 * 4, 0);
    const Pixels pixel0 = {64, 10, 200, 128}, pixel1 = {90, 91, 92, 255}, pixel2 = {5, 6, 7, 0};
    std::copy(pixel0.begin(), pixel0.end(), page.begin());
    std::copy(pixel1.begin(), pixel1.end(), page.begin() + 4);
    std::copy(pixel2.begin(), pixel2.end(), page.begin() + 8);
    Pixels untouched = page;
    MUR_AdjustRGBA32ForAlphaComp(0, untouched.data());
    EXPECT_EQ(untouched, page);
    MUR_AdjustRGBA32ForAlphaComp(1, page.data());
    // 64 * 255/128 = 127.5, 10 -> 19.9, 200 -> 398 -> 255.
    EXPECT_EQ(Pixels(page.begin(), page.begin() + 12), (Pixels{127, 19, 255, 128, 90, 91, 92, 255, 5, 6, 7, 0}));
}

TEST_F(FramingOnPage, WithoutTextureOrMaskTheWeightChangesNothing)
{
    Pixels block(12 * 4, 200);
    MUR_AdjustRGBA32ByMaskAndTexture(block.data(), 4, 3);
    MUR_AdjustRGBA32RectByMaskAndTexture(block.data(), 0, 0, 4, 3);
    EXPECT_EQ(block, Pixels(12 * 4, 200));
}

TEST_F(FramingOnPage, TextureAndMaskScaleTheAlpha)
{
    add_texture(127);  // weight (254 * 65535) >> 8 = 65023
    engine.layers.texture[1] = 128;  // 256 >= 255: full weight
    Pixels p(12 * 4, 255);
    MUR_AdjustRGBA32ByMaskAndTexture(p.data(), 4, 3);
    EXPECT_EQ(p[3], 253);  // 255 * 65023/65535 = 253.008
    EXPECT_EQ(p[7], 255);
    EXPECT_EQ(p[0], 255) << "colour is not touched";

    std::fill_n(engine.mask.plane, 12, uint16_t{32768});
    MUR_EnableMask(1);
    Pixels q(12 * 4, 255);
    MUR_AdjustRGBA32ByMaskAndTexture(q.data(), 4, 3);
    EXPECT_EQ(q[3], 126);  // (65023 * 32768) >> 16 = 32511; 255 * 32511/65535 = 126.5
}

TEST_F(FramingOnPage, BlockPlacedOffThePageIsClippedAndWeighedAtPagePositions)
{
    for (int i = 0; i < 12; ++i) engine.mask.plane[i] = i == 1 ? 0 : 32768;
    MUR_EnableMask(1);
    // A 3 x 2 block at (-1, -1): only its pixels (1, 1) and (2, 1) lie on the page, at (0, 0) and (1, 0).
    Pixels block(3 * 2 * 4, 200);
    MUR_AdjustRGBA32RectByMaskAndTexture(block.data(), -1, -1, 3, 2);
    for (int by = 0; by < 2; ++by)
        for (int bx = 0; bx < 3; ++bx) {
            const uint8_t a = block[(by * 3 + bx) * 4 + 3];
            if (by == 1 && bx == 1)
                EXPECT_EQ(a, 99);  // weight (65535 * 32768) >> 16 = 32767: 200 * 0.49999 = 99.998
            else if (by == 1 && bx == 2)
                EXPECT_EQ(a, 0);  // mask 0 at page (1, 0)
            else
                EXPECT_EQ(a, 200) << bx << "," << by;
        }
}

TEST_F(FramingOnPage, MergeResultCompositesIntoTheLayer)
{
    ASSERT_EQ(MUR_CreateLayer(2, 4, 3), 1);
    LayerRecord& layer = engine.layers.slots[2];
    test::fill_layer(layer, 1000, 2000, 3000, 4000);
    Pixels image(12 * 4, 0);
    const Pixels red = {255, 0, 0, 255};
    std::copy(red.begin(), red.end(), image.begin());  // pixel (0, 0); the rest clear
    ipl::MergeResultIntoLayer(image.data(), layer, 0, 255, false);
    const uint16_t* p = test::pixel_at(layer, 0, 0);
    EXPECT_EQ(p[0], 65280);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[3], 65280);
    const uint16_t* q = test::pixel_at(layer, 1, 0);
    EXPECT_EQ(q[0], 1000) << "a clear result pixel leaves the layer alone";
    EXPECT_EQ(q[3], 4000);
}

TEST_F(FramingOnPage, MergeResultKeepsTheLockedAlpha)
{
    ASSERT_EQ(MUR_CreateLayer(2, 4, 3), 1);
    LayerRecord& layer = engine.layers.slots[2];
    test::fill_layer(layer, 1000, 2000, 3000, 4000);
    Pixels image(12 * 4, 255);
    ipl::MergeResultIntoLayer(image.data(), layer, 0, 255, true);
    EXPECT_EQ(test::pixel_at(layer, 3, 2)[0], 65280);
    EXPECT_EQ(test::pixel_at(layer, 3, 2)[3], 4000);
}

TEST_F(FramingOnPage, MergeResultDoesNothingWithoutMemory)
{
    ASSERT_EQ(MUR_CreateLayer(2, 4, 3), 1);
    LayerRecord& layer = engine.layers.slots[2];
    test::fill_layer(layer, 1000, 2000, 3000, 4000);
    Pixels image(12 * 4, 255);
    mem::fail_allocations(0, -1);
    ipl::MergeResultIntoLayer(image.data(), layer, 0, 255, false);
    mem::reset_failures();
    EXPECT_EQ(test::pixel_at(layer, 0, 0)[0], 1000);
}

}  // namespace
}  // namespace mur
