#include "support/engine_fixture.h"

#include <omp.h>

#include <array>
#include <vector>

namespace mur::test {
namespace {

constexpr int32_t W = 40;
constexpr int32_t H = 30;
constexpr int32_t M = 16;  // largest brush

using Px = std::array<uint16_t, 4>;

class BlendBuffer : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(W, H, M);
        ASSERT_EQ(MUR_CreateLayer(2, W, H), 1);
        MUR_SetLayer(2);
        MUR_SetBlendStrength(128);
        MUR_SetSize(10);
        MUR_SetColor(100, 150, 200);  // (25600, 38400, 51200, 65535)
    }
    static uint16_t* buf(int i, int j)
    {
        const LayerRecord* b = engine.blend.selected;
        return b->pixels + std::size_t(j) * b->stride + std::size_t(i) * 4;
    }
    static Px get(int i, int j) { return {buf(i, j)[0], buf(i, j)[1], buf(i, j)[2], buf(i, j)[3]}; }
    static void put(int i, int j, Px v) { std::copy(v.begin(), v.end(), buf(i, j)); }
    static LayerRecord& layer() { return engine.layers.slots[2]; }
};

// ---- Pick-up ----------------------------------------------------------------------

TEST_F(BlendBuffer, StrengthZeroTurnsEveryOperationOff)
{
    MUR_SetBlendStrength(0);
    put(0, 0, {1, 2, 3, 4});
    EXPECT_EQ(MUR_CopyBlendBufferSurface(20, 15, 128, 0), 0);
    EXPECT_EQ(MUR_MixBlendBufferSurface(20, 15, 128), 0);
    EXPECT_EQ(MUR_DoColorBlendBuffer(20, 15, 9, 9, 9, 0, 100), 0);
    EXPECT_EQ(MUR_DoCopyBlendBufferMask(20, 15, 128), 0);
    EXPECT_EQ(get(0, 0), (Px{1, 2, 3, 4}));
}

TEST_F(BlendBuffer, PickUpWithNoStrengthCopiesTheSourcePlusOne)
{
    fill_layer(layer(), 1000, 65280, 65535, 30000);
    ASSERT_EQ(MUR_CopyBlendBufferSurface(20, 15, 0, 0), 1);
    // Square from (15, 10): (256 * source) >> 8, plus 1, capped at 65280.
    EXPECT_EQ(get(0, 0), (Px{1001, 65280, 65280, 30000}));
    EXPECT_EQ(get(9, 9), (Px{1001, 65280, 65280, 30000}));
}

TEST_F(BlendBuffer, PickUpMixesTheCurrentColourByStrength)
{
    fill_layer(layer(), 1000, 2000, 3000, 30000);
    MUR_CopyBlendBufferSurface(20, 15, 64, 0);  // c = 64, k = 192
    const Px expected{uint16_t(((64 * 25600 + 192 * 1000) >> 8) + 1), uint16_t(((64 * 38400 + 192 * 2000) >> 8) + 1),
                      uint16_t(((64 * 51200 + 192 * 3000) >> 8) + 1), uint16_t((64 * 65535 + 192 * 30000) >> 8)};
    EXPECT_EQ(get(3, 3), expected);
    // Transparent source pixels take the current colour, with alpha c << 8,
    // or (256 - c) << 8 with the flag.
    pixel_at(layer(), 15, 10)[3] = 0;
    MUR_CopyBlendBufferSurface(20, 15, 64, 0);
    EXPECT_EQ(get(0, 0), (Px{25600, 38400, 51200, 64 << 8}));
    MUR_CopyBlendBufferSurface(20, 15, 64, 1);
    EXPECT_EQ(get(0, 0), (Px{25600, 38400, 51200, 192 << 8}));
}

TEST_F(BlendBuffer, SquareReachingOutsideIsPreparedFirst)
{
    fill_layer(layer(), 1000, 2000, 3000, 30000);
    for (int j = 0; j < 10; ++j)
        for (int i = 0; i < 10; ++i) put(i, j, {7, 7, 7, 7});
    MUR_CopyBlendBufferSurface(0, 0, 100, 0);  // square from (-5, -5)
    EXPECT_EQ(get(0, 0), (Px{25600, 38400, 51200, 100 << 8})) << "outside: the current colour";
    EXPECT_EQ(get(4, 9), (Px{25600, 38400, 51200, 100 << 8}));
    EXPECT_EQ(get(5, 5)[3], (100 * 65535 + 156 * 30000) >> 8) << "inside: picked up";
    MUR_CopyBlendBufferSurface(0, 0, 100, 1);
    EXPECT_EQ(get(0, 0)[3], 65535) << "with the flag only the alpha is prepared";
}

TEST_F(BlendBuffer, MaskWeighsThePickedUpAlpha)
{
    fill_layer(layer(), 1000, 2000, 3000, 40000);
    engine.mask.plane[10 * W + 15] = 32768;  // w = 32768 * 65535 >> 16 = 32767
    engine.mask.plane[10 * W + 16] = 0;
    MUR_CopyBlendBufferSurface(20, 15, 0, 0);
    EXPECT_EQ(get(0, 0)[3], static_cast<uint16_t>(32767 / 65535.0 * 40000));
    EXPECT_EQ(get(1, 0), (Px{25600, 38400, 51200, 0})) << "fully masked counts as transparent";
    EXPECT_EQ(get(2, 0)[3], 40000);
}

TEST_F(BlendBuffer, OtherSources)
{
    ASSERT_EQ(MUR_CreateLayer(3, W, H), 1);
    fill_layer(engine.layers.slots[3], 500, 500, 500, 65535);
    MUR_CopyBlendBufferLayer(3, 20, 15, 0);
    EXPECT_EQ(get(0, 0)[0], 501);
    MUR_CopyBlendBufferTrace(20, 15, 0);
    EXPECT_EQ(get(0, 0)[0], 501) << "no trace layer: nothing";
    fill_layer(layer(), 900, 900, 900, 65535);
    MUR_CopyBlendBufferUnderLayer(20, 15, 0);
    EXPECT_EQ(get(0, 0), (Px{25600, 38400, 51200, 0})) << "the back buffer is still transparent";
    std::vector<uint16_t> host(W * H * 4, 1234);
    MUR_DoCopyBlendBuffer(20, 15, host.data(), 0, 0);
    EXPECT_EQ(get(0, 0)[0], 1235);
}

TEST_F(BlendBuffer, MaskPickUpBlendsTheColoursMaskValue)
{
    MUR_SetColor(255, 255, 255);  // white: protected, o = 0
    engine.mask.plane[10 * W + 15] = 40000;
    MUR_DoCopyBlendBufferMask(20, 15, 64);
    const uint16_t* values = engine.blend.selected->pixels;
    EXPECT_EQ(values[0], ((64 * 0 + 40000 * 192) >> 8) + 1);
    EXPECT_EQ(values[1], ((65535 * 192) >> 8) + 1);
    MUR_SetColor(0, 0, 0);  // o = 65535
    MUR_DoCopyBlendBufferMask(0, 0, 256);
    EXPECT_EQ(values[0], 65535) << "outside the image: the colour's value";
    EXPECT_EQ(values[5 * M * 4 + 5], 65280) << "inside: 256 * 65535 is at the cap";
}

// ---- Mixing pick-up -----------------------------------------------------------------

TEST_F(BlendBuffer, MixingIntoAnEmptyBufferCopiesTheLayer)
{
    fill_layer(layer(), 1000, 2000, 3000, 30000);
    MUR_ClearBlendBuffer();
    MUR_MixBlendBufferSurface(20, 15, 255);
    EXPECT_EQ(get(4, 4), (Px{1000, 2000, 3000, 30000}));
}

TEST_F(BlendBuffer, MixingFadesTheBufferOverTransparentPixels)
{
    put(0, 0, {9, 9, 9, 40000});
    MUR_MixBlendBufferSurface(20, 15, 100);  // s = 25600, inverse 39936
    EXPECT_EQ(get(0, 0), (Px{9, 9, 9, uint16_t((40000 * 39936) >> 16)}));
}

TEST_F(BlendBuffer, AddModeWithABlackBufferTakesTheLayerColourByStrength)
{
    fill_layer(layer(), 10000, 20000, 30000, 65535);
    put(0, 0, {0, 0, 0, 65535});
    MUR_SetMixMode(47, 127);
    MUR_MixBlendBufferSurface(20, 15, 200);  // s = 51200, inverse 14336
    // The add makes the buffer the layer colour; ((10000 * 14336 >> 8) + (10000 * 51200 >> 8)) >> 8, plus 1.
    EXPECT_EQ(get(0, 0), (Px{10001, 20001, 30001, 65535}));
}

struct ModeCase {
    int32_t mode;
    Px buffer;
    Px layer;
    std::array<uint32_t, 3> transformed;  // the buffer colour after the mode, before the strength mix
};

class BufferMixModes : public BlendBuffer, public ::testing::WithParamInterface<ModeCase> {};

// With strength 1 (s = 256) the result is ((B' * 65280 >> 8) + (L * 256 >> 8)) >> 8 + 1.
TEST_P(BufferMixModes, TransformTheBufferColour)
{
    const ModeCase c = GetParam();
    MUR_SetColorBanks(10, 20, 30, 100, 110, 120, 200, 210, 220, 250, 251, 252);
    MUR_SetColor(255, 0, 128);
    fill_layer(layer(), c.layer[0], c.layer[1], c.layer[2], c.layer[3]);
    put(0, 0, c.buffer);
    MUR_SetMixMode(c.mode, 127);
    MUR_MixBlendBufferSurface(20, 15, 1);
    for (int ch = 0; ch < 3; ++ch) {
        const uint32_t mixed = ((((c.transformed[ch] * 65280u) >> 8) + ((c.layer[ch] * 256u) >> 8)) >> 8) + 1;
        EXPECT_EQ(get(0, 0)[ch], std::min<uint32_t>(mixed, 65280)) << "mode " << c.mode << " channel " << ch;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, BufferMixModes,
    ::testing::Values(
        ModeCase{32, {40000, 20000, 100, 65535}, {1000, 2000, 3000, 65535}, {40000, 20000, 100}},
        ModeCase{33, {40000, 20000, 100, 65535}, {50000, 65535, 0, 65535}, {(40000u * 50000) >> 16, (20000u * 65535) >> 16, 0}},
        ModeCase{37, {40000, 20000, 100, 65535}, {50000, 10000, 0, 65535}, {10000, 10000, 100}},
        ModeCase{43, {32768, 65535, 0, 65535}, {1000, 2000, 3000, 65535}, {std::min(65535u, (1000u << 16) / 32767), 65535, 3000}},
        ModeCase{249, {10000, 10000, 10000, 65535}, {1, 1, 1, 65535}, {10 << 8, 20 << 8, 30 << 8}},
        ModeCase{251, {40000, 40000, 40000, 65535}, {1, 1, 1, 65535}, {200 << 8, 210 << 8, 220 << 8}},
        ModeCase{252, {16384, 16384, 16384, 65535}, {1, 1, 1, 65535},
                 {(2560u * 128 + 25600u * 128) >> 8, (5120u * 128 + 28160u * 128) >> 8, (7680u * 128 + 30720u * 128) >> 8}},
        ModeCase{261, {10921, 32766, 54613, 65535}, {1, 1, 1, 65535}, {0, 21845, 65535}},
        ModeCase{262, {21844, 43689, 43690, 65535}, {1, 1, 1, 65535}, {0, 32767, 65535}},
        ModeCase{387, {60000, 60000, 60000, 65535}, {100, 200, 300, 65535}, {100, 200, 300}},
        ModeCase{388, {60000, 60000, 60000, 65535}, {100, 200, 300, 65535}, {60000, 60000, 60000}},
        ModeCase{425, {16384, 16384, 16384, 65535}, {1, 1, 1, 65535}, {(65280u * 128) >> 8, 0, (32768u * 128) >> 8}}));

TEST_F(BlendBuffer, GrayModeTurnsAlphaIntoTheBuffersMean)
{
    fill_layer(layer(), 1000, 1000, 1000, 65535);
    put(0, 0, {30000, 30000, 30003, 65535});
    MUR_SetMixMode(340, 127);
    MUR_MixBlendBufferSurface(20, 15, 1);
    EXPECT_EQ(get(0, 0)[3], ((((30001u * 65280) >> 8) + ((65535u * 256) >> 8)) >> 8));
}

TEST_F(BlendBuffer, MixingDoesNotDependOnTheThreadCount)
{
    MUR_SetSize(M);
    auto run = [this](int threads) {
        omp_set_num_threads(threads);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                uint16_t* p = pixel_at(layer(), x, y);
                p[0] = uint16_t(x * 1500), p[1] = uint16_t(y * 2000), p[2] = 30000, p[3] = uint16_t(x * y * 50);
            }
        for (int j = 0; j < M; ++j)
            for (int i = 0; i < M; ++i) put(i, j, {uint16_t(i * 4000), 20000, uint16_t(j * 4000), 40000});
        MUR_SetMixMode(41, 127);
        MUR_MixBlendBufferSurface(20, 15, 150);
        std::vector<uint16_t> out(engine.blend.selected->pixels, engine.blend.selected->pixels + M * M * 4);
        return out;
    };
    const auto one = run(1);
    const auto two = run(2);
    omp_set_num_threads(omp_get_num_procs());
    EXPECT_EQ(one, two);
}

// ---- Colour, filter, clear, fill, select -----------------------------------------------

TEST_F(BlendBuffer, ColourMixKeepsAlphaAndFillsTransparentPixels)
{
    put(0, 0, {10000, 10000, 10000, 500});
    put(1, 0, {10000, 10000, 10000, 0});
    MUR_DoColorBlendBuffer(20, 15, 200, 100, 0, 0, 128);  // F = 32768
    EXPECT_EQ(get(0, 0)[0], ((200u * 32768 + ((10000u * 32768) >> 8)) >> 8) + 1);
    EXPECT_EQ(get(0, 0)[3], 500);
    EXPECT_EQ(get(1, 0), (Px{200 << 8, 100 << 8, 0, 0}));
}

// Strength 256 weighs min(256 << 8, 65535) = 65535, not 255 << 8: a black
// buffer pixel mixed toward a layer colour of 30000 gives
// ((0 x 1 >> 8) + (30000 x 65535 >> 8)) >> 8, plus 1 = 29999 + 1 = 30000, and a
// colour byte of 100 mixed into black gives ((100 x 65535 + 0) >> 8) + 1 = 25600.
TEST_F(BlendBuffer, StrengthOf256WeighsFully)
{
    fill_layer(layer(), 30000, 30000, 30000, 65535);
    put(0, 0, {0, 0, 0, 65535});
    MUR_MixBlendBufferSurface(20, 15, 256);
    EXPECT_EQ(get(0, 0)[0], 30000);
    put(0, 0, {0, 0, 0, 65535});
    MUR_DoColorBlendBuffer(20, 15, 100, 100, 100, 0, 256);
    EXPECT_EQ(get(0, 0)[0], 25600);
}

TEST_F(BlendBuffer, FiltersOverTheSquare)
{
    put(0, 0, {1000, 2000, 3003, 77});
    MUR_FilterBlendBuffer(290, 0);
    EXPECT_EQ(get(0, 0), (Px{64535, 63535, 62532, 77}));
    MUR_FilterBlendBuffer(290, 0);
    EXPECT_EQ(get(0, 0), (Px{1000, 2000, 3003, 77}));
    MUR_FilterBlendBuffer(289, 0);
    EXPECT_EQ(get(0, 0), (Px{2001, 2001, 2001, 77}));
    put(0, 0, {1000, 40000, 65535, 77});
    MUR_FilterBlendBuffer(291, 50);  // t = 32767
    EXPECT_EQ(get(0, 0), (Px{0, 40000, 65535, 77}));
    MUR_FilterBlendBuffer(292, 50);
    EXPECT_EQ(get(0, 0), (Px{0, 65280, 65280, 77}));
}

TEST_F(BlendBuffer, ClearFillAndSelect)
{
    put(3, 3, {1, 2, 3, 4});
    MUR_ClearBlendBuffer();
    EXPECT_EQ(get(3, 3), (Px{0, 0, 0, 0}));
    MUR_FillBlendBuffer(0, 0, 0x12, 0x34);
    EXPECT_EQ(get(0, 0)[0], 0x3434);
    MUR_SetBlendBufferCount(3);
    EXPECT_EQ(MUR_SelectBlendBuffer(25), &engine.blend.buffers[2]);
    EXPECT_EQ(MUR_SelectBlendBuffer(-4), &engine.blend.buffers[0]);
    MUR_SetBlendBufferCount(0);
    MUR_SelectBlendBuffer(1);
    MUR_ClearBlendBuffer();
    MUR_FilterBlendBuffer(290, 0);
    EXPECT_EQ(MUR_CopyBlendBufferSurface(20, 15, 0, 0), 0);
}

}  // namespace
}  // namespace mur::test
