#include "support/engine_fixture.h"

#include <omp.h>

#include <algorithm>
#include <random>
#include <vector>

namespace mur::test {
namespace {

constexpr int32_t W = 20;
constexpr int32_t H = 10;

class PixelLoad : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(W, H, 8);
        ASSERT_EQ(MUR_CreateLayer(2, W, H), 1);
        MUR_SetLayer(2);
    }
    static LayerRecord& layer() { return engine.layers.slots[2]; }
    static uint16_t* at(int x, int y) { return pixel_at(layer(), x, y); }

    // An image-sized RGBA32 picture of one colour.
    static std::vector<uint8_t> picture(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
    {
        std::vector<uint8_t> p(W * H * 4);
        for (int i = 0; i < W * H; ++i) {
            p[i * 4] = r;
            p[i * 4 + 1] = g;
            p[i * 4 + 2] = b;
            p[i * 4 + 3] = a;
        }
        return p;
    }
    static void set_texture(uint8_t value)
    {
        engine.layers.texture = mem::alloc_array<uint8_t>(W * H);
        std::fill_n(engine.layers.texture, W * H, value);
    }
    static void set_mask(uint16_t value) { std::fill_n(engine.mask.plane, W * H, value); }
    static void expect_pixel(const uint16_t* p, uint16_t r, uint16_t g, uint16_t b, uint16_t a)
    {
        EXPECT_EQ(p[0], r);
        EXPECT_EQ(p[1], g);
        EXPECT_EQ(p[2], b);
        EXPECT_EQ(p[3], a);
    }
};

// ---- Conversion rules ----------------------------------------------------

TEST_F(PixelLoad, EightBitValuesWidenByAShiftAndNarrowToTheHighByte)
{
    const auto p = picture(255, 128, 1, 255);
    MUR_LoadRGBA32(p.data(), W * 4, 0);
    expect_pixel(at(3, 3), 65280, 32768, 256, 65280);
    std::fill_n(at(0, 0), 4, uint16_t{0x12FF});
    at(0, 0)[3] = 65535;
    std::vector<uint8_t> back(W * H * 4);
    MUR_GetRGBA32(back.data(), W * 4);
    EXPECT_EQ(back[0], 0x12);
    EXPECT_EQ(back[3], 0xFF);
    EXPECT_EQ(back[4], 255);
    EXPECT_EQ(back[6], 1);
    EXPECT_EQ(MUR_IsLayerTransparent(2), 0) << "65280 counts as opaque";
}

TEST_F(PixelLoad, UnmaskedLoadClearsFullyTransparentSourcePixels)
{
    fill_layer(layer(), 9, 9, 9, 9);
    const auto p = picture(200, 100, 50, 0);
    MUR_LoadRGBA32(p.data(), W * 4, 0);
    expect_pixel(at(5, 5), 0, 0, 0, 0);
}

TEST_F(PixelLoad, AlphaLockedLoadKeepsTheLayersAlpha)
{
    MUR_SetLayerOptions(2, 1, 1, 100, "Normal");
    fill_layer(layer(), 9, 9, 9, 1234);
    const auto p = picture(200, 100, 50, 0);
    MUR_LoadRGBA32(p.data(), W * 4, 0);
    expect_pixel(at(5, 5), 51200, 25600, 12800, 1234);
}

TEST_F(PixelLoad, RectangleWithNegativeCornerLoadsOnlyTheInsidePart)
{
    std::vector<uint8_t> src(6 * 4 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            uint8_t* s = &src[(y * 6 + x) * 4];
            s[0] = uint8_t(x);
            s[1] = uint8_t(y);
            s[3] = 255;
        }
    MUR_LoadRGBA32Layer(src.data(), 6 * 4, 2, -2, -1, 6, 4, 0);
    EXPECT_EQ(at(0, 0)[0], 2 << 8) << "source pixel (2, 1) lands on (0, 0)";
    EXPECT_EQ(at(0, 0)[1], 1 << 8);
    EXPECT_EQ(at(3, 2)[0], 5 << 8);
    EXPECT_EQ(at(4, 0)[3], 0) << "past the rectangle";
    EXPECT_EQ(at(0, 3)[3], 0);
    // A rectangle reaching past the layer is cut there.
    MUR_LoadRGBA32Layer(src.data(), 6 * 4, 2, W - 3, H - 2, 6, 4, 0);
    EXPECT_EQ(at(W - 1, H - 1)[0], 2 << 8);
    // Entirely outside, or empty: nothing.
    MUR_LoadRGBA32Layer(src.data(), 6 * 4, 2, W, 0, 6, 4, 0);
    MUR_LoadRGBA32Layer(src.data(), 6 * 4, 2, INT32_MAX - 2, INT32_MAX - 2, 6, 4, 0);
    MUR_LoadRGBA32Layer(src.data(), 6 * 4, 2, 0, 0, -6, 4, 0);
    MUR_LoadRGBA32Layer(nullptr, 6 * 4, 2, 0, 0, 6, 4, 0);
    MUR_LoadRGBA32Layer(src.data(), 6 * 4, 99, 0, 0, 6, 4, 0);
}

TEST_F(PixelLoad, UnmaskedRectanglesOfEveryWidthReplaceEachPixelOrClearIt)
{
    // Every width and offset, so rows start and end at any pixel; a third of
    // the source pixels transparent with colour left in them.
    std::mt19937 rng(7);
    std::vector<uint8_t> src(W * H * 4);
    for (int width = 1; width <= W; ++width)
        for (int x = -2; x + width <= W + 2; x += 3) {
            for (std::size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(rng());
            for (std::size_t i = 3; i < src.size(); i += 4)
                if (rng() % 3 == 0) src[i] = 0;
            fill_layer(layer(), 1, 2, 3, 4);
            MUR_LoadRGBA32Layer(src.data(), width * 4, 2, x, 1, width, 3, 0);
            for (int py = 0; py < H; ++py)
                for (int px = 0; px < W; ++px) {
                    const uint16_t* d = at(px, py);
                    const bool inside = px >= x && px < x + width && py >= 1 && py < 4;
                    const uint8_t* s = &src[((py - 1) * width + (px - x)) * 4];
                    for (int c = 0; c < 4; ++c) {
                        const uint16_t want = !inside ? uint16_t(c + 1) : s[3] == 0 ? 0 : uint16_t(s[c] << 8);
                        ASSERT_EQ(d[c], want) << "width " << width << " x " << x << " at " << px << "," << py;
                    }
                }
        }
}

// ---- Weight rule A: masked loads -----------------------------------------

TEST_F(PixelLoad, MaskedLoadWithoutMaskOrTextureIsPlain)
{
    engine.mask.enabled = 0;
    fill_layer(layer(), 1000, 2000, 3000, 40000);
    const auto p = picture(200, 100, 50, 0);
    MUR_LoadRGBA32(p.data(), W * 4, 1);
    expect_pixel(at(0, 0), 0, 0, 0, 0);
}

TEST_F(PixelLoad, MaskAtItsBoundaries)
{
    const auto p = picture(200, 100, 50, 128);
    fill_layer(layer(), 1000, 2000, 3000, 40000);
    engine.mask.plane[0] = 0;       // protected: untouched
    engine.mask.plane[1] = 32768;   // w = 129 * 65535 >> 8 = 33023
    engine.mask.plane[2] = 65535;   // editable: the source whole
    engine.mask.plane[3] = 255;     // high byte 0: protected
    MUR_LoadRGBA32(p.data(), W * 4, 1);
    expect_pixel(at(0, 0), 1000, 2000, 3000, 40000);
    expect_pixel(at(1, 0), 26295, 13891, 7938, 36355);
    expect_pixel(at(2, 0), 51200, 25600, 12800, 32768);
    expect_pixel(at(3, 0), 1000, 2000, 3000, 40000);
}

TEST_F(PixelLoad, TextureAtItsBoundaries)
{
    engine.mask.enabled = 0;
    const auto p = picture(200, 100, 50, 128);
    fill_layer(layer(), 1000, 2000, 3000, 40000);
    set_texture(128);
    engine.layers.texture[0] = 127;  // d = 254: w = 255 * 65535 >> 8 = 65279
    engine.layers.texture[1] = 0;    // d = 0: untouched
    MUR_LoadRGBA32(p.data(), W * 4, 1);
    expect_pixel(at(0, 0), 51003, 25507, 12761, 32795);
    expect_pixel(at(1, 0), 1000, 2000, 3000, 40000);
    expect_pixel(at(2, 0), 51200, 25600, 12800, 32768);  // 128 and above weigh fully
}

TEST_F(PixelLoad, PartialWeightOnTransparentDestinationTakesTheColourWhole)
{
    set_mask(32768);
    fill_layer(layer(), 1000, 2000, 3000, 0);
    const auto p = picture(200, 100, 50, 128);
    MUR_LoadRGBA32(p.data(), W * 4, 1);
    expect_pixel(at(4, 4), 51200, 25600, 12800, 16511);  // (32768 * 33023) >> 16
}

TEST_F(PixelLoad, PartialWeightWithTransparentSourceFadesTheDestination)
{
    set_mask(32768);
    fill_layer(layer(), 1000, 2000, 3000, 40000);
    const auto p = picture(200, 100, 50, 0);
    MUR_LoadRGBA32(p.data(), W * 4, 1);
    expect_pixel(at(4, 4), 1000, 2000, 3000, 19843);  // (40000 * (65535 - 33023)) >> 16
}

TEST_F(PixelLoad, AlphaLockedMaskedLoadNeverWritesAlpha)
{
    MUR_SetLayerOptions(2, 1, 1, 100, "Normal");
    set_mask(32768);
    engine.mask.plane[1] = 65535;
    fill_layer(layer(), 1000, 2000, 3000, 40000);
    at(2, 0)[3] = 0;
    const auto p = picture(200, 100, 50, 128);
    MUR_LoadRGBA32(p.data(), W * 4, 1);
    expect_pixel(at(0, 0), 26295, 13891, 7938, 40000);
    expect_pixel(at(1, 0), 51200, 25600, 12800, 40000);
    expect_pixel(at(2, 0), 51200, 25600, 12800, 0);
}

TEST_F(PixelLoad, LoadIntoIsAlwaysMasked)
{
    set_mask(0);
    const auto p = picture(200, 100, 50, 128);
    MUR_LoadRGBA32Into(p.data(), W * 4, 2, 0, 0, W, H);
    expect_pixel(at(0, 0), 0, 0, 0, 0);
}

// ---- Colour and alpha loads ----------------------------------------------

TEST_F(PixelLoad, Rgb24LoadsColourAndLeavesAlpha)
{
    fill_layer(layer(), 1000, 2000, 3000, 40000);
    std::vector<uint8_t> rgb(W * H * 3, 0);
    rgb[0] = 200, rgb[1] = 100, rgb[2] = 50;
    rgb[3] = 200, rgb[4] = 100, rgb[5] = 50;
    MUR_LoadRGB24(rgb.data(), W * 3, 0);
    expect_pixel(at(0, 0), 51200, 25600, 12800, 40000);
    engine.mask.plane[1] = 32768;
    fill_layer(layer(), 1000, 2000, 3000, 40000);
    MUR_LoadRGB24(rgb.data(), W * 3, 1);
    expect_pixel(at(1, 0), 26295, 13891, 7938, 40000);
}

TEST_F(PixelLoad, BgrLoadIsOpaque)
{
    const uint8_t bgr[6] = {10, 20, 30, 40, 50, 60};
    MUR_Load(bgr, 6, 2, 1);
    expect_pixel(at(0, 0), 30 << 8, 20 << 8, 10 << 8, 65535);
    expect_pixel(at(1, 0), 60 << 8, 50 << 8, 40 << 8, 65535);
    expect_pixel(at(2, 0), 0, 0, 0, 0);
    // A larger size is cut to the image.
    std::vector<uint8_t> whole(W * H * 3, 9);
    MUR_Load(whole.data(), W * 3, 1000, 1000);
    expect_pixel(at(W - 1, H - 1), 9 << 8, 9 << 8, 9 << 8, 65535);
}

TEST_F(PixelLoad, GrayIntoAlphaUsesTheMeanOrTheFirstByte)
{
    std::vector<uint8_t> rgb(W * H * 3, 0);
    rgb[0] = 30, rgb[1] = 60, rgb[2] = 91;  // mean 60
    fill_layer(layer(), 7, 7, 7, 40000);
    MUR_LoadRGB24ToAlpha(rgb.data(), W * 3, 0);
    expect_pixel(at(0, 0), 7, 7, 7, 60 << 8);
    // Weight rule B: texture 127 gives 254 * 65535 >> 8 = 65023, a mask of
    // 32768 halves it to 32511; full weight takes the first byte.
    set_texture(127);
    set_mask(32768);
    engine.mask.plane[1] = 65535;
    engine.layers.texture[1] = 128;
    rgb[0] = 200, rgb[3] = 200, rgb[4] = 0, rgb[5] = 0;
    fill_layer(layer(), 7, 7, 7, 40000);
    MUR_LoadRGB24ToAlpha(rgb.data(), W * 3, 1);
    EXPECT_EQ(at(0, 0)[3], 45555);
    EXPECT_EQ(at(1, 0)[3], 200 << 8);
    EXPECT_EQ(at(1, 0)[0], 7);
}

// ---- Raw copies ----------------------------------------------------------

TEST_F(PixelLoad, RawCopiesMoveWholePixelBlocks)
{
    std::vector<uint16_t> block(W * H * 4);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = uint16_t(i * 7);
    MUR_SetLayerData(block.data(), 2);
    EXPECT_EQ(at(W - 1, H - 1)[3], uint16_t((W * H * 4 - 1) * 7));
    ASSERT_EQ(MUR_CreateLayer(3, W, H), 1);
    MUR_CopyLayerData(2, 3);
    std::vector<uint16_t> out(W * H * 4);
    MUR_GetLayerData(out.data(), 3);
    EXPECT_EQ(out, block);
    std::vector<uint16_t> strided(W * H * 4 + H * 4, 0xAAAA);  // one pixel of padding a row
    MUR_GetRGBA64Layer(strided.data(), (W + 1) * 8, 3);
    EXPECT_EQ(strided[(W + 1) * 4 + 0], block[W * 4]);
    EXPECT_EQ(strided[W * 4], 0xAAAA);
    fill_layer(layer(), 0, 0, 0, 0);
    MUR_SetRGBA64Layer(strided.data(), (W + 1) * 8, 2);
    std::vector<uint16_t> again(W * H * 4);
    MUR_GetLayerData(again.data(), 2);
    EXPECT_EQ(again, block);
    MUR_CopyLayerData(2, 40);  // no such layer
    MUR_SetLayerData(nullptr, 2);
}

TEST_F(PixelLoad, Rgba64RectangleIsCutToTheLayer)
{
    fill_layer(layer(), 1, 2, 3, 4);
    std::vector<uint16_t> out(5 * 5 * 4, 0xBEEF);
    MUR_GetRGBA64LayerRect(out.data(), 5 * 8, 2, W - 2, H - 2, 5, 5);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[(1 * 5 + 1) * 4 + 3], 4);
    EXPECT_EQ(out[2 * 4], 0xBEEF);
    EXPECT_EQ(out[(2 * 5) * 4], 0xBEEF);
}

// ---- Threads -------------------------------------------------------------

TEST(PixelLoadThreads, ResultsDoNotDependOnTheThreadCount)
{
    auto run = [](int threads) {
        reset_engine();
        omp_set_num_threads(threads);
        MUR_CreateImage(nullptr, 97, 61, 8, 0);
        MUR_CreateLayer(2, 97, 61);
        MUR_SetLayer(2);
        std::mt19937 rng(17);
        for (int i = 0; i < 97 * 61; ++i) engine.mask.plane[i] = static_cast<uint16_t>(rng());
        std::vector<uint8_t> src(97 * 61 * 4);
        for (auto& b : src) b = static_cast<uint8_t>(rng());
        MUR_LoadRGBA32(src.data(), 97 * 4, 0);
        MUR_LoadRGBA32Layer(src.data() + 8, 97 * 4, 2, 3, 2, 90, 55, 1);
        std::vector<uint8_t> back(97 * 61 * 4);
        MUR_GetRGBA32Layer(back.data(), 97 * 4, 2);
        std::vector<uint16_t> pixels(engine.layers.slots[2].pixels, engine.layers.slots[2].pixels + 97 * 61 * 4);
        reset_engine();
        return std::pair{back, pixels};
    };
    const auto one = run(1);
    const auto two = run(2);
    omp_set_num_threads(omp_get_num_procs());
    EXPECT_EQ(one.first, two.first);
    EXPECT_EQ(one.second, two.second);
}

// ---- Compressed transfer -------------------------------------------------

TEST_F(PixelLoad, CompressedRoundTripOfARandomLayer)
{
    std::mt19937 rng(5);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 4; ++c) at(x, y)[c] = static_cast<uint16_t>((rng() % 256) << 8);
    for (int x = 0; x < W; ++x) at(x, 0)[3] = 65280;  // source alpha 0 would clear the pixel
    std::vector<uint16_t> before(layer().pixels, layer().pixels + W * H * 4);
    for (std::size_t i = 3; i < before.size(); i += 4)
        if (before[i] == 0) std::fill_n(&before[i - 3], 4, uint16_t{0});
    std::vector<uint8_t> packed(W * H * 8);
    const int32_t n = MUR_GetRGBA32LayerCompressed(packed.data(), 0, int32_t(packed.size()), 2, 9);
    ASSERT_GT(n, 0);
    fill_layer(layer(), 0, 0, 0, 0);
    MUR_LoadRGBA32LayerCompressed(packed.data(), 0, n, 2);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), layer().pixels));
}

TEST_F(PixelLoad, CompressedReadThatDoesNotFitReturnsZeroAndStaysInside)
{
    std::mt19937 rng(6);
    for (int i = 0; i < W * H * 4; ++i) layer().pixels[i] = static_cast<uint16_t>(rng());
    std::vector<uint8_t> packed(64 + 16, 0x5C);
    EXPECT_EQ(MUR_GetRGBA32LayerCompressed(packed.data(), 0, 64, 2, 6), 0);
    for (int i = 64; i < 80; ++i) EXPECT_EQ(packed[i], 0x5C);
    EXPECT_EQ(MUR_GetRGBA32LayerCompressed(packed.data(), 0, 64, 7, 6), 0) << "no such layer";
    EXPECT_EQ(MUR_GetRGBA32LayerCompressed(nullptr, 0, 64, 2, 6), 0);
}

TEST_F(PixelLoad, CompressedLoadRefusesStreamsOfTheWrongSize)
{
    fill_layer(layer(), 1, 2, 3, 4);
    // A valid stream of a smaller layer, and one of a larger layer.
    ASSERT_EQ(MUR_CreateLayer(3, W - 1, H), 1);
    ASSERT_EQ(MUR_CreateLayer(4, W, H + 1), 1);
    std::vector<uint8_t> packed(W * H * 8);
    for (int32_t other : {3, 4}) {
        const int32_t n = MUR_GetRGBA32LayerCompressed(packed.data(), 0, int32_t(packed.size()), other, 6);
        ASSERT_GT(n, 0);
        MUR_LoadRGBA32LayerCompressed(packed.data(), 0, n, 2);
        expect_pixel(at(0, 0), 1, 2, 3, 4);
        // Damaged: a byte changed in the middle.
        packed[n / 2] ^= 0x33;
        MUR_LoadRGBA32LayerCompressed(packed.data(), 0, n, 2);
        expect_pixel(at(0, 0), 1, 2, 3, 4);
    }
    MUR_LoadRGBA32LayerCompressed(packed.data(), 0, -5, 2);
    MUR_LoadRGBA32LayerCompressed(nullptr, 0, 100, 2);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

// ---- The old whole-image load ----------------------------------------------

TEST_F(PixelLoad, OldLoadClearsThenLaysThePictureOver)
{
    fill_layer(layer(), 1000, 2000, 3000, 40000);
    engine.mask.enabled = 0;
    auto p = picture(200, 100, 50, 255);
    p[3] = 0;  // the first pixel transparent
    MUR_LoadRGBA32Layer_BAD(p.data(), 0, 2, W, H, 0);
    expect_pixel(at(0, 0), 0, 0, 0, 0);
    expect_pixel(at(1, 0), 51200, 25600, 12800, 65280);
}

TEST_F(PixelLoad, OldLoadWithoutItsWorkingCopyLeavesLayerAndPictureAlone)
{
    fill_layer(layer(), 1000, 2000, 3000, 40000);
    set_texture(127);
    auto p = picture(200, 100, 50, 255);
    const auto before = p;
    mem::fail_allocations(0, -1);
    MUR_LoadRGBA32Layer_BAD(p.data(), 0, 2, W, H, 1);
    mem::reset_failures();
    expect_pixel(at(3, 3), 1000, 2000, 3000, 40000);
    EXPECT_EQ(p, before);
}

TEST_F(PixelLoad, OldLoadWeighsThePictureWhenMasked)
{
    set_texture(127);  // weight 65023 by rule B
    auto p = picture(200, 100, 50, 255);
    MUR_LoadRGBA32Layer_BAD(p.data(), 0, 2, W, H, 1);
    EXPECT_EQ(p[3], 253) << "trunc(255 * 65023 / 65535)";
    EXPECT_EQ(at(0, 0)[3], 253 << 8);
    EXPECT_EQ(at(0, 0)[0], 51200);
}

}  // namespace
}  // namespace mur::test
