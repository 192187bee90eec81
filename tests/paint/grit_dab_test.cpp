#include "support/engine_fixture.h"

#include "engine/random.h"

#include <omp.h>

#include <array>
#include <vector>

namespace mur::test {
namespace {

constexpr int32_t W = 64;
constexpr int32_t H = 48;
constexpr int32_t M = 48;  // largest brush

using Px = std::array<uint16_t, 4>;

class GritDab : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(W, H, M);
        ASSERT_EQ(MUR_CreateLayer(1, W, H), 1);
        ASSERT_EQ(MUR_CreateLayer(2, W, H), 1);
        MUR_SetLayer(2);
        brush(8, 65535);
        MUR_SetAlpha(100);
        MUR_SetDensity(255);
        MUR_SetMixMode(32, 127);
    }
    // A square brush of the given size with one coverage everywhere.
    static void brush(int32_t size, uint16_t coverage)
    {
        MUR_SetSize(size);
        std::fill_n(engine.shape.plane, M * M, uint16_t{0});
        for (int v = 0; v < size; ++v)
            for (int u = 0; u < size; ++u) engine.shape.plane[v * M + u] = coverage;
    }
    static Px px(int slot, int x, int y)
    {
        const uint16_t* p = pixel_at(engine.layers.slots[slot], x, y);
        return {p[0], p[1], p[2], p[3]};
    }
    static void set(int slot, int x, int y, Px v) { std::copy(v.begin(), v.end(), pixel_at(engine.layers.slots[slot], x, y)); }
};

TEST_F(GritDab, ColourLosesItsLowBytes)
{
    MUR_DrawDabGrit(20, 20, 0x12FF, 0x34AB, 0x5601);
    EXPECT_EQ(engine.tool.color[0], 0x1200);
    EXPECT_EQ(engine.tool.color[2], 0x5600);
    EXPECT_EQ(px(2, 20, 20), (Px{0x1200, 0x3400, 0x5600, 65534}));  // alpha (65535 * 65535) >> 16
}

TEST_F(GritDab, NormalOntoTransparentTakesTheColourAtCoverage)
{
    brush(8, 40000);
    MUR_DrawDabGrit(20, 20, 0x8000, 0x4000, 0x2000);
    // Box 16..23: alpha (40000 * 65535) >> 16.
    EXPECT_EQ(px(2, 16, 16), (Px{0x8000, 0x4000, 0x2000, 39999}));
    EXPECT_EQ(px(2, 23, 23)[3], 39999);
    EXPECT_EQ(px(2, 24, 20)[3], 0);
    EXPECT_EQ(px(2, 15, 20)[3], 0);
}

TEST_F(GritDab, NormalOverPaintBlendsByCoverage)
{
    brush(8, 32768);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) set(2, x, y, {10000, 20000, 30000, 65535});
    MUR_DrawDabGrit(20, 20, 60000, 40000, 0);
    // sigma = 32768 * 65535 >> 16 = 32767; N = 65535; colour = (P1 + P2) / N.
    const uint64_t sigma = 32767;
    auto channel = [&](uint64_t d, uint64_t s) {
        const uint64_t p1 = ((65535 - sigma) * ((d * 65535) >> 16)) & ~uint64_t{0xFFFF};
        const uint64_t p2 = (sigma * s) & ~uint64_t{0xFFFF};
        return static_cast<uint16_t>((p1 + p2) / 65535);
    };
    EXPECT_EQ(px(2, 20, 20), (Px{channel(10000, 59904), channel(20000, 39936), channel(30000, 0), 65535}));
}

// Coverage passes through the tool alpha, the texture and the mask in turn;
// with a paint layer the mask caps the alpha instead of weighing coverage.
TEST_F(GritDab, CoverageChainsAlphaTextureAndMask)
{
    brush(8, 40000);
    MUR_SetAlpha(50);  // alpha128 = 64
    ASSERT_EQ(MUR_CreateLayer(5, W, H), 1);
    fill_layer(engine.layers.slots[5], 32768, 32768, 32768, 65535);
    ASSERT_EQ(MUR_CreateTexture(5), W);  // (3 * 32768) / 768 = 128 everywhere
    MUR_SetLayer(2);
    engine.mask.plane[20 * W + 20] = 32768;
    MUR_DrawDabGrit(20, 20, 0x8000, 0x4000, 0x2000);
    // 40000 * 64 >> 7 = 20000; 128 * 20000 >> 8 = 10000; mask: 32768 * 10000 >> 16 = 5000.
    EXPECT_EQ(px(2, 20, 20), (Px{0x8000, 0x4000, 0x2000, (5000 * 65535) >> 16}));
    EXPECT_EQ(px(2, 21, 20)[3], (10000 * 65535) >> 16);

    // Into a paint layer the coverage skips the mask; the alpha is capped by it.
    MUR_CreatePaintLayer(100, 100, "Normal");
    engine.mask.plane[30 * W + 30] = 5000;
    engine.mask.plane[30 * W + 31] = 60000;
    MUR_DrawDabGrit(30, 30, 0x8000, 0x4000, 0x2000);
    EXPECT_EQ(pixel_at(engine.paintLayer, 30, 30)[3], 5000);
    EXPECT_EQ(pixel_at(engine.paintLayer, 31, 30)[3], (10000 * 65535) >> 16);
}

TEST_F(GritDab, BackgroundKeepsItsAlphaWithoutAPaintLayer)
{
    MUR_SetLayer(1);
    brush(8, 32768);
    set(1, 20, 20, {65535, 65535, 65535, 1000});
    MUR_DrawDabGrit(20, 20, 0, 0, 0);
    EXPECT_LT(px(1, 20, 20)[0], 65535);
    EXPECT_EQ(px(1, 20, 20)[3], 1000);
}

TEST_F(GritDab, PartlyOutsidePaintsTheInsideAndWidensTheDirtyRectangle)
{
    MUR_DrawDabGrit(1, 2, 0xFF00, 0, 0);  // box from (-3, -2), 8 wide
    EXPECT_EQ(px(2, 0, 0)[3], 65534);
    EXPECT_EQ(px(2, 4, 5)[3], 65534);
    EXPECT_EQ(px(2, 5, 5)[3], 0);
    EXPECT_EQ(px(2, 4, 6)[3], 0);
    EXPECT_EQ(engine.undo.dirtyX0, 0);
    EXPECT_EQ(engine.undo.dirtyY0, 0);
    EXPECT_EQ(engine.undo.dirtyX1, 5);
    EXPECT_EQ(engine.undo.dirtyY1, 6);
    MUR_DrawDabGrit(-100, -100, 0xFF00, 0, 0);  // wholly outside: nothing
    EXPECT_EQ(px(2, 0, 0)[0], 0xFF00);
}

TEST_F(GritDab, GrainLeavesHolesAboveTheDensity)
{
    engine.tool.gritCell = 1;
    engine.tool.currentGrit = 0;
    engine.tool.gritOffset = 0;
    engine.tool.drawingLength = 10;  // keep this grain position
    uint8_t* grit = engine.tool.gritBuffers[0];
    std::fill_n(grit, (M + 25) * (M + 25), uint8_t{100});
    grit[0] = 255;    // shape (0, 0)
    grit[1] = 254;    // shape (1, 0)
    MUR_SetDensity(255);  // dabDensity 254: only 255 is a hole
    MUR_DrawDabGrit(20, 20, 0xFF00, 0, 0);
    EXPECT_EQ(px(2, 16, 16)[3], 0);
    EXPECT_EQ(px(2, 17, 16)[3], 65534);
    MUR_SetDensity(101);  // dabDensity 100: 254 and 255 are holes, 100 is not
    MUR_ClearMaskedAlpha(0, 0, 0, 0);
    MUR_Clear(0, 0, 0, 0);
    MUR_DrawDabGrit(20, 20, 0xFF00, 0, 0);
    EXPECT_EQ(px(2, 17, 16)[3], 0);
    EXPECT_EQ(px(2, 18, 16)[3], 65534);
    engine.tool.gritCell = 0;
    MUR_DrawDabGrit(20, 20, 0xFF00, 0, 0);
    EXPECT_EQ(px(2, 16, 16)[3], 65534) << "no grain, no holes";
}

TEST_F(GritDab, EraseWithBlobLockKeepsABody)
{
    set(2, 20, 20, {9, 9, 9, 10000});
    set(2, 21, 20, {9, 9, 9, 5000});
    MUR_SetBlobLocked(1);
    MUR_SetEraseModeOn();
    MUR_DrawDabGrit(20, 20, 0, 0, 0);
    EXPECT_EQ(px(2, 20, 20)[3], 9216);
    EXPECT_EQ(px(2, 21, 20)[3], 5000);
    EXPECT_EQ(px(2, 20, 20)[0], 9) << "erasing leaves the colour";
    EXPECT_EQ(engine.tool.eraseMode, 0) << "one dab only";
    MUR_SetBlobLocked(0);
    MUR_SetEraseModeOn();
    MUR_DrawDabGrit(20, 20, 0, 0, 0);
    EXPECT_EQ(px(2, 20, 20)[3], 0);
}

TEST_F(GritDab, AddModeAmountsAndCoverage)
{
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) set(2, x, y, {65535, 65535, 65535, 65535});
    MUR_SetMixMode(47, 256);
    MUR_DrawDabGrit(20, 20, 0x4000, 0x4000, 0x4000);
    EXPECT_EQ(px(2, 20, 20), (Px{65535, 65535, 65535, 65535})) << "white stays white";
    brush(8, 32768);
    MUR_DrawDabGrit(20, 20, 0x4000, 0x4000, 0x4000);
    EXPECT_EQ(px(2, 20, 20)[0], 65535) << "a white result over white at half coverage";
    MUR_SetMixMode(47, 0);  // the dab colour itself, weighted by coverage
    MUR_DrawDabGrit(20, 20, 0x4000, 0x4000, 0x4000);
    // ((0x4000 * 32768 >> 8) + (32768 * 65535 >> 8)) >> 8, plus 1
    EXPECT_EQ(px(2, 20, 20)[0], ((((0x4000u * 32768) >> 8) + ((32768u * 65535) >> 8)) >> 8) + 1);
}

TEST_F(GritDab, MaskMakerPaintsTheMask)
{
    MUR_SetMaskMakerOn();
    engine.mask.plane[20 * W + 20] = 0;
    MUR_DrawDabGrit(20, 20, 0, 0, 0);  // black selects
    // ((1 * old) >> 8 + (65535 * 65535) >> 8) >> 8
    EXPECT_EQ(engine.mask.plane[20 * W + 20], 65534);
    EXPECT_EQ(engine.mask.plane[20 * W + 21], 65534);
    EXPECT_EQ(px(2, 20, 20)[3], 0) << "the layer is not painted";
    EXPECT_EQ(engine.tool.maskMaker, 1) << "a mask dab leaves the mask maker on";
    MUR_DrawDabGrit(20, 20, 0xFF00, 0xFF00, 0xFF00);  // white protects
    EXPECT_EQ(engine.mask.plane[20 * W + 20], 0);
}

TEST_F(GritDab, PaintLayerTakesTheDabAndGrowsItsExtents)
{
    MUR_SetLayer(1);
    MUR_CreatePaintLayer(100, 100, "Normal");
    MUR_DrawDabGrit(20, 20, 0xFF00, 0, 0);
    EXPECT_EQ(pixel_at(engine.paintLayer, 20, 20)[3], 65534);
    EXPECT_EQ(px(1, 20, 20)[0], 65535) << "the layer waits for the merge";
    EXPECT_EQ(engine.paintLayer.extentX0, 16);
    EXPECT_EQ(engine.paintLayer.extentY1, 24);
    MUR_DrawDabGrit(40, 10, 0xFF00, 0, 0);
    EXPECT_EQ(engine.paintLayer.extentX1, 44);
    EXPECT_EQ(engine.paintLayer.extentY0, 6);
}

TEST_F(GritDab, PickUpPaintsWithTheBufferAndRemixCarriesTheCanvas)
{
    MUR_SetBlendStrength(200);
    MUR_SetBlendRemix(1);
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i) {
            uint16_t* b = engine.blend.selected->pixels + j * M * 4 + i * 4;
            b[0] = 50000, b[1] = 10000, b[2] = 0, b[3] = 65535;
        }
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) set(2, x, y, {0, 0, 30000, 65535});
    MUR_DrawDabGrit(20, 20, 0, 0xFF00, 0);
    // Mode 32 with pick-up at full coverage: the buffer colour.
    EXPECT_EQ(px(2, 20, 20), (Px{49999, 9999, 0, 65534}));
    // The sample now holds ((d * 56 + 200 * s) >> 8) + 1 of the canvas under it.
    const uint16_t* sample = engine.blend.selected->pixels + 4 * M * 4 + 4 * 4;
    EXPECT_EQ(sample[2], ((30000u * 56) >> 8) + 1);
    EXPECT_EQ(sample[0], ((50000u * 200) >> 8) + 1);
}

TEST_F(GritDab, ResultDoesNotDependOnTheThreadCount)
{
    auto run = [](int threads) {
        omp_set_num_threads(threads);
        reset_engine();
        MUR_CreateImage(nullptr, W, H, M, 0);
        MUR_CreateLayer(2, W, H);
        MUR_SetLayer(2);
        MUR_SetSize(40);
        for (int v = 0; v < 40; ++v)
            for (int u = 0; u < 40; ++u) engine.shape.plane[v * M + u] = static_cast<uint16_t>((u * v * 97) % 65536);
        MUR_SetAlpha(80);
        MUR_SetDensity(255);
        MUR_SetMixMode(41, 200);
        for (int k = 0; k < 6; ++k) MUR_DrawDabGrit(10 + k * 8, 24, 0x8000 + k * 0x1000, 0x3000, 0xC000);
        MUR_SetMixMode(32, 127);
        MUR_DrawDabGrit(30, 20, 0xFF00, 0xFF00, 0);
        std::vector<uint16_t> out(engine.layers.slots[2].pixels, engine.layers.slots[2].pixels + W * H * 4);
        reset_engine();
        return out;
    };
    const auto one = run(1);
    const auto two = run(2);
    omp_set_num_threads(omp_get_num_procs());
    EXPECT_EQ(one, two);
}

}  // namespace
}  // namespace mur::test

namespace mur::test {
namespace {

// Mix modes 253 and 254 make the dab draw one number per painted pixel, the
// other modes none (no grain, no variation here): the generator's position
// after a dab of 64 pixels tells.
TEST_F(GritDab, RandomMixModesDrawOncePerPixel)
{
    const auto draws_after_dab = [](int32_t mode) {
        MUR_SetMixMode(mode, 127);
        rng_seed(11);
        MUR_DrawDabGrit(20, 20, 0x8000, 0x4000, 0x2000);
        const int32_t next = rng_next();
        rng_seed(11);
        for (int k = 0; k <= 70; ++k)
            if (rng_next() == next) return k;
        return -1;
    };
    EXPECT_EQ(draws_after_dab(253), 64);
    EXPECT_EQ(draws_after_dab(254), 64);
    EXPECT_EQ(draws_after_dab(249), 0);
    EXPECT_EQ(draws_after_dab(47), 0);
}

}  // namespace
}  // namespace mur::test

namespace mur::test {
namespace {

// Building the grit makes the last buffer current from its start: the same
// seed and tool give the same dab, whatever grain jump came before.
TEST_F(GritDab, SameToolAndSeedGiveTheSameDabAfterAGrainJump)
{
    const auto dab_after_set_tool = [] {
        MUR_SetRandomSeed(21);
        MUR_SetTool(1.0f, 3, 150, 180, 0, 0, 2, 0, 0, 0, 0, 0, 0, "", "", 0);
        brush(8, 65535);
        MUR_SetDensity(128);
        fill_layer(engine.layers.slots[2], 0, 0, 0, 0);
        MUR_DrawDabGrit(20, 20, 0x8000, 0x4000, 0x2000);
        const uint16_t* p = engine.layers.slots[2].pixels;
        return std::vector<uint16_t>(p, p + std::size_t(W) * H * 4);
    };
    const std::vector<uint16_t> first = dab_after_set_tool();
    for (int k = 0; k < 3; ++k) MUR_DecDrawingLength();
    MUR_DrawDabGrit(40, 30, 0x8000, 0x4000, 0x2000);  // the hold has run down: a jump
    EXPECT_EQ(dab_after_set_tool(), first);
}

// A mask dab of white paint protects: lum = 65535 is lighter than 65280, so
// m0 = max(65280 - 65535, 0) = 0 and under full coverage the mask becomes
// (((65536 - 65535) x old) >> 8 + 0) >> 8 = 0. Colour variation below 0
// stays 0 (above, m0 = 256 gives at most 255), and luminance variation of width 40 lightens 0 by at most
// 2 x (147 / 256 - 0.5) x 65535 = 9727: the dab still protects.
TEST_F(GritDab, WhiteMaskDabProtects)
{
    const auto covered_max = [] {
        uint16_t most = 0;
        for (int y = 16; y < 24; ++y)
            for (int x = 16; x < 24; ++x) most = std::max(most, engine.mask.plane[y * W + x]);
        return most;
    };
    MUR_SetColor16(65535, 65535, 65535);
    MUR_SetMaskMakerOn();
    MUR_DrawDabGritMask(20, 20);
    EXPECT_EQ(covered_max(), 0);

    std::fill_n(engine.mask.plane, W * H, uint16_t{65535});
    MUR_SetColorVary(3);  // m0 varies by 256, 0 or -256: at most 256, never 65535
    for (int k = 0; k < 6; ++k) MUR_DrawDabGritMask(20, 20);
    EXPECT_LE(covered_max(), 256);

    std::fill_n(engine.mask.plane, W * H, uint16_t{65535});
    MUR_SetColorVary(0);
    MUR_SetPixLumVary(40);
    MUR_DrawDabGritMask(20, 20);
    EXPECT_LE(covered_max(), 9727);
}

// A solid mask dab leaves the pixels of no coverage alone, as a colour dab
// does: the corners outside a round shape keep their mask value.
TEST_F(GritDab, SolidMaskDabSkipsPixelsWithoutCoverage)
{
    std::fill_n(engine.shape.plane, M * M, uint16_t{0});
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u)
            if ((u - 3.5) * (u - 3.5) + (v - 3.5) * (v - 3.5) <= 12) engine.shape.plane[v * M + u] = 65535;
    std::fill_n(engine.mask.plane, W * H, uint16_t{0});
    MUR_SetColor16(0, 0, 0);
    MUR_SetSolidBrushMode(1);
    MUR_SetMaskMakerOn();
    MUR_DrawDabGritMask(20, 20);  // box 16..23
    EXPECT_EQ(engine.mask.plane[16 * W + 16], 0) << "a corner without coverage";
    EXPECT_GE(engine.mask.plane[20 * W + 20], 65534) << "the centre, selected";
}

}  // namespace
}  // namespace mur::test
