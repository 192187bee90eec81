#include "support/engine_fixture.h"

#include "mask/mask_rules.h"

#include <array>
#include <vector>

namespace mur::test {
namespace {

constexpr int32_t W = 8;
constexpr int32_t H = 4;

class Mask : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(W, H, 8);
        ASSERT_EQ(MUR_CreateLayer(2, W, H), 1);
        MUR_SetLayer(2);
    }
    static uint16_t& m(int x, int y = 0) { return engine.mask.plane[y * W + x]; }
    static std::vector<uint8_t> rgba(std::array<uint8_t, 4> fill)
    {
        std::vector<uint8_t> p(W * H * 4);
        for (int i = 0; i < W * H; ++i) std::copy(fill.begin(), fill.end(), p.begin() + i * 4);
        return p;
    }
    static void set_px(std::vector<uint8_t>& p, int i, std::array<uint8_t, 4> v) { std::copy(v.begin(), v.end(), p.begin() + i * 4); }
};

// ---- Rules ----------------------------------------------------------------------

TEST(MaskRules, GrayToMaskAndBackAtTheBoundaries)
{
    EXPECT_EQ(mask::from_gray(255), 65535);
    EXPECT_EQ(mask::from_gray(256), 65280 - 256);
    EXPECT_EQ(mask::from_gray(65280), 0);
    EXPECT_EQ(mask::from_gray(65281), 0);
    EXPECT_EQ(mask::to_gray(254), 65280);
    EXPECT_EQ(mask::to_gray(255), 65280);
    EXPECT_EQ(mask::to_gray(256), 65279);
    EXPECT_EQ(mask::to_gray(65535), 0);
    EXPECT_EQ(mask::from_amount(255), 0);
    EXPECT_EQ(mask::from_amount(0), 65280);
}

TEST_F(Mask, ClearAndImageFromMaskUseTheRules)
{
    MUR_ClearMask(255, 255, 255);
    EXPECT_EQ(m(0), 65535);
    MUR_ClearMask(256, 256, 256);
    EXPECT_EQ(m(3), 65024);
    MUR_ClearMask(65535, 65535, 65535);
    EXPECT_EQ(m(1), 0);
    MUR_ClearMask(65281, 65280, 65280);  // mean 65280: not above
    EXPECT_EQ(m(1), 0);
    m(2) = 200;
    MUR_CreateImageFromMask();
    const LayerRecord& layer = engine.layers.slots[2];
    EXPECT_EQ(pixel_at(layer, 0, 0)[0], 65280) << "mask 0 (protected) shows white";
    EXPECT_EQ(pixel_at(layer, 2, 0)[0], 65280) << "m <= 254";
    EXPECT_EQ(pixel_at(layer, 2, 0)[3], 65535);
}

TEST_F(Mask, NewMaskIsEditableEverywhere)
{
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) EXPECT_EQ(MUR_GetMask64(x, y), 0);
    m(1, 1) = 1000;
    EXPECT_EQ(MUR_GetMask64(1, 1), 64535);
    EXPECT_EQ(MUR_GetMask64(W, 0), 0);
    MUR_EnableMask(0);
    EXPECT_EQ(MUR_GetMask64(1, 1), 0) << "disabled";
}

TEST_F(Mask, FlagsAndOptionsAreStored)
{
    EXPECT_EQ(MUR_EnableMask(0x100), 0);
    EXPECT_EQ(MUR_DisplayMask(1), 1);
    MUR_SetMaskMakerOn();
    MUR_SetEraseModeOn();
    EXPECT_EQ(engine.tool.maskMaker, 1);
    EXPECT_EQ(engine.tool.eraseMode, 1);
    MUR_SetMaskOptions(255, 0, 128, 1, 2, 0x1000003, 7);
    EXPECT_EQ(engine.mask.tint1[0], 65280);
    EXPECT_EQ(engine.mask.tint1[2], 32768);
    EXPECT_EQ(engine.mask.tint2[2], 3 << 8);
    EXPECT_EQ(engine.mask.tintFull, 7);
}

TEST_F(Mask, InvertTwiceRestores)
{
    for (int i = 0; i < W * H; ++i) engine.mask.plane[i] = static_cast<uint16_t>(i * 2011);
    std::vector<uint16_t> before(engine.mask.plane, engine.mask.plane + W * H);
    MUR_InvertMask();
    EXPECT_EQ(m(1), 65535 - 2011);
    MUR_InvertMask();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), engine.mask.plane));
}

TEST_F(Mask, SaveAndLoadRoundTrip)
{
    m(0) = 65535;
    m(1) = 0;
    m(2) = 0x8000;
    std::vector<uint8_t> rgb(W * H * 3);
    MUR_SaveMask(rgb.data(), W * 3);
    EXPECT_EQ(rgb[0], 0);
    EXPECT_EQ(rgb[3], 255);
    EXPECT_EQ(rgb[6], 127);
    std::fill_n(engine.mask.plane, W * H, uint16_t{12345});
    MUR_LoadMask(rgb.data(), W * 3, W, H);
    EXPECT_EQ(m(0), 65535);
    EXPECT_EQ(m(1), 0);
    EXPECT_EQ(m(2), 65280 - (127 << 8));
}

TEST_F(Mask, LoadIsCutToTheImage)
{
    std::vector<uint8_t> rgb(W * H * 3, 255);
    MUR_LoadMask(rgb.data(), W * 3, W * 10, H * 10);
    EXPECT_EQ(m(W - 1, H - 1), 0);
    MUR_LoadMask(nullptr, W * 3, W, H);
}

TEST_F(Mask, DataTransfersCopyTheWholePlane)
{
    std::vector<uint16_t> data(W * H);
    for (int i = 0; i < W * H; ++i) data[i] = static_cast<uint16_t>(i);
    MUR_SetMaskData16(data.data());
    std::vector<uint16_t> back(W * H);
    MUR_GetMaskData16(back.data());
    EXPECT_EQ(back, data);
}

// ---- The mask and the current layer ----------------------------------------------

TEST_F(Mask, AlphaFromMaskSetsAddsAndSubtracts)
{
    LayerRecord& layer = engine.layers.slots[2];
    fill_layer(layer, 0, 0, 0, 40000);
    m(0) = 30000;
    MUR_CreateAlphaFromMask(1);
    EXPECT_EQ(pixel_at(layer, 0, 0)[3], 65535) << "saturates";
    fill_layer(layer, 0, 0, 0, 20000);
    MUR_CreateAlphaFromMask(2);
    EXPECT_EQ(pixel_at(layer, 0, 0)[3], 0);
    EXPECT_EQ(pixel_at(layer, 1, 0)[3], 0);
    MUR_CreateAlphaFromMask(0);
    EXPECT_EQ(pixel_at(layer, 0, 0)[3], 30000);
    MUR_CreateAlphaFromMask(3);
    EXPECT_EQ(pixel_at(layer, 1, 0)[3], 65535);
}

TEST_F(Mask, MaskFromTheLayer)
{
    LayerRecord& layer = engine.layers.slots[2];
    uint16_t* p = pixel_at(layer, 0, 0);
    p[0] = 30000, p[1] = 30000, p[2] = 30000, p[3] = 1234;
    p = pixel_at(layer, 1, 0);
    p[0] = 0, p[1] = 65535, p[2] = 0, p[3] = 0;
    MUR_CreateMaskFromImage();
    EXPECT_EQ(m(0), 65280 - 30000);
    EXPECT_EQ(m(1), 65280 - 21845);
    EXPECT_EQ(m(2), 65535);
    MUR_CreateMaskFromImageLuma();
    EXPECT_EQ(m(1), 65280 - ((4 * 65535) >> 3));
    MUR_CreateMaskFromAlpha();
    EXPECT_EQ(m(0), 1234);
}

// ---- Masks from host pictures ---------------------------------------------------------

TEST_F(Mask, ColourMatchesWriteTheAmountAndLeaveTheRest)
{
    auto p = rgba({1, 2, 3, 255});
    set_px(p, 5, {9, 9, 9, 255});
    m(5) = 777;
    MUR_CreateMaskFromRGBAImageColor(p.data(), 1, 2, 3, 255);
    EXPECT_EQ(m(0), 0);
    EXPECT_EQ(m(5), 777);
    std::vector<uint8_t> rgb(W * H * 3, 7);
    MUR_CreateMaskFromRGB24ImageColor(rgb.data(), 7, 7, 7, 55);
    EXPECT_EQ(m(5), 200 << 8);
}

TEST_F(Mask, RangeTolerancesAtTheirBounds)
{
    auto p = rgba({100, 100, 100, 100});
    set_px(p, 1, {101, 100, 100, 101});
    set_px(p, 2, {255, 0, 0, 255});
    MUR_CreateMaskFromRGBAImageColorRange(p.data(), 100, 100, 100, 0, 255);
    EXPECT_EQ(m(0), 0);
    EXPECT_EQ(m(1), 65535) << "tolerance 0 is exact";
    MUR_CreateMaskFromRGBAImageColorRange(p.data(), 100, 100, 100, 100, 200);
    EXPECT_EQ(m(2), 55 << 8) << "tolerance 100 gives 256 and matches all";
    MUR_ClearMask(0, 0, 0);
    MUR_CreateMaskFromRGBAImageAlphaRange(p.data(), 100, 0, 255);
    EXPECT_EQ(m(0), 0);
    EXPECT_EQ(m(1), 65535);
    MUR_CreateMaskFromRGBAImageAlphaRange(p.data(), 100, 1, 255);  // t = 2
    EXPECT_EQ(m(1), 0);
    MUR_ClearMask(0, 0, 0);
    MUR_CreateMaskFromRGBAImageLuminanceRange(p.data(), 98, 100, 100, 0, 255);  // mean 99 vs 100
    EXPECT_EQ(m(0), 65535);
    MUR_CreateMaskFromRGBAImageLuminanceRange(p.data(), 98, 100, 100, 1, 255);
    EXPECT_EQ(m(0), 0);
    EXPECT_EQ(m(2), 65535) << "mean 85";
}

TEST_F(Mask, HueRangeWrapsAroundTheCircle)
{
    auto p = rgba({128, 128, 128, 255});    // gray: hue -1
    set_px(p, 1, {255, 0, 8, 255});         // hue about 358
    set_px(p, 2, {255, 8, 0, 255});         // hue about 2
    set_px(p, 3, {0, 255, 0, 255});         // hue 120
    MUR_CreateMaskFromRGBAImageHueRange(p.data(), 255, 0, 0, 3, 255);  // red, t = 5 degrees
    EXPECT_EQ(m(1), 0) << "across 360";
    EXPECT_EQ(m(2), 0);
    EXPECT_EQ(m(3), 65535);
    EXPECT_EQ(m(0), 0) << "gray's -1 lies 1 degree from red's 0";
    MUR_ClearMask(0, 0, 0);
    MUR_CreateMaskFromRGBAImageHueRange(p.data(), 255, 0, 0, 0, 255);
    EXPECT_EQ(m(0), 65535);
    EXPECT_EQ(m(1), 65535);
    MUR_CreateMaskFromRGBAImageHueRange(p.data(), 50, 50, 50, 0, 255);  // gray matches gray only
    EXPECT_EQ(m(0), 0);
    EXPECT_EQ(m(3), 65535);
}

TEST_F(Mask, HslRangeTestsAllThree)
{
    auto p = rgba({128, 128, 128, 255});  // gray: hue 0, saturation 0
    set_px(p, 1, {255, 0, 0, 255});       // red: hue 0, saturation 1
    set_px(p, 2, {130, 128, 128, 255});   // nearly gray
    MUR_CreateMaskFromRGBAImageHSLRange(p.data(), 100, 100, 100, 0.0, 0.1, 0.2, 255);
    EXPECT_EQ(m(0), 0);
    EXPECT_EQ(m(1), 65535) << "saturation too far";
    EXPECT_EQ(m(2), 0);
    MUR_ClearMask(0, 0, 0);
    MUR_CreateMaskFromRGBAImageHSLRange(p.data(), 255, 0, 0, 0.0, 0.0, 0.0, 255);
    EXPECT_EQ(m(1), 0);
    EXPECT_EQ(m(0), 65535);
}

TEST_F(Mask, FloodPlaneAndDifference)
{
    std::vector<uint8_t> plane(W * H, 0);
    plane[3] = 1;
    plane[4] = 2;
    MUR_CreateMaskFromFloodMask(plane.data(), 255);
    EXPECT_EQ(m(3), 0);
    EXPECT_EQ(m(4), 65535);
    auto a = rgba({1, 1, 1, 1}), b = rgba({1, 1, 1, 1});
    b[7 * 4 + 3] = 2;
    MUR_CreateMaskFromDiff_RGBA32(a.data(), b.data(), 4321);
    EXPECT_EQ(m(7), 4321);
    EXPECT_EQ(m(6), 65535);
    MUR_CreateMaskFromDiff_RGBA32(a.data(), nullptr, 1);
}

// ---- Combining -------------------------------------------------------------------------

TEST_F(Mask, CombineInAllThreeWays)
{
    std::vector<uint8_t> rgb(W * H * 3, 0);
    std::fill_n(rgb.begin() + 3, 3, uint8_t{100});  // pixel 1 gray 100; the others black
    std::fill_n(engine.mask.plane, W * H, uint16_t{40000});
    MUR_CombineMask(rgb.data(), W * 3, 0, 0, "Add");
    EXPECT_EQ(m(1), 40000 - (100 << 8));
    EXPECT_EQ(m(0), 40000) << "black leaves the mask";
    MUR_CombineMask(rgb.data(), W * 3, 0, 0, "Subtract");
    EXPECT_EQ(m(1), 40000);
    MUR_CombineMask(rgb.data(), W * 3, 0, 0, "Subtract");
    MUR_CombineMask(rgb.data(), W * 3, 0, 0, "Subtract");
    EXPECT_EQ(m(1), 65535) << "saturates";
    MUR_CombineMask(rgb.data(), W * 3, 0, 0, "Replace");
    EXPECT_EQ(m(1), 65280 - (100 << 8));
    EXPECT_EQ(m(0), 40000) << "Replace leaves black pixels";
    MUR_CombineMask(rgb.data(), W * 3, 0, 0, "something else");
    EXPECT_EQ(m(1), 65280 - 2 * (100 << 8)) << "as Add";
    MUR_CombineMask(rgb.data(), W * 3, 0, 0, nullptr);
    EXPECT_EQ(m(1), 0) << "floored at 0";
}

TEST_F(Mask, CombineBlackOnlyUsesTheLevelForBlack)
{
    std::vector<uint8_t> rgb(W * H * 3, 0);
    std::fill_n(rgb.begin() + 3, 3, uint8_t{100});
    std::fill_n(engine.mask.plane, W * H, uint16_t{40000});
    MUR_CombineMask(rgb.data(), W * 3, 1, 50, "Replace");
    EXPECT_EQ(m(0), 65280 - (50 << 8));
    EXPECT_EQ(m(1), 40000);
    MUR_CombineMask(rgb.data(), W * 3, 1, 0, "Add");
    EXPECT_EQ(m(0), 65280 - (50 << 8)) << "level 0 leaves everything";
}

// ---- Helpers on host pictures -------------------------------------------------------

TEST_F(Mask, MaskScalesAlphaOfAHostPicture)
{
    auto p = rgba({1, 2, 3, 200});
    m(0) = 0x00FF;  // high byte 0
    m(1) = 0x80FF;  // high byte 128
    MUR_ApplyMaskToAlpha_RGBA32(p.data());
    EXPECT_EQ(p[3], 0);
    EXPECT_EQ(p[7], (200 * 129) >> 8);
    EXPECT_EQ(p[11], 200);
    // A rectangle reaching outside the image: its first pixel is (x0, y0).
    std::vector<uint8_t> block(4 * 4 * 4, 100);
    m(0, 1) = 0;
    MUR_ApplyMaskToAlphaRect_RGBA32(block.data(), 16, -1, 0, 2, 3);
    EXPECT_EQ(block[(1 * 4 + 1) * 4 + 3], 0) << "image (0, 1)";
    EXPECT_EQ(block[(0 * 4 + 0) * 4 + 3], 100) << "outside the image";
}

TEST_F(Mask, AlphaRangeReplacement)
{
    auto p = rgba({1, 2, 3, 10});
    set_px(p, 1, {1, 2, 3, 40});
    MUR_ReplaceFromRGBAImageAlphaRange(p.data(), 12, 1, 9, 8, 7, 6);
    EXPECT_EQ(p[0], 9);
    EXPECT_EQ(p[3], 6);
    EXPECT_EQ(p[7], 40);
}

TEST_F(Mask, ChannelConversionsBetweenRgbAndRgba)
{
    const uint8_t rgba4[8] = {10, 20, 30, 40, 50, 60, 70, 80};
    uint8_t rgb[6] = {};
    MUR_RGBAlphaToRGB(rgb, 2, 1, rgba4);
    EXPECT_EQ(rgb[0], 40);
    EXPECT_EQ(rgb[5], 80);
    MUR_RGBAToRGB(rgb, 2, 1, rgba4);
    EXPECT_EQ(rgb[3], 50);
    uint8_t out[8] = {0, 0, 0, 99, 0, 0, 0, 99};
    MUR_RGBToRGBA(out, 2, 1, rgb);
    EXPECT_EQ(out[4], 50);
    EXPECT_EQ(out[7], 99) << "alpha untouched";
    MUR_RGBToRGBAlpha(out, 2, 1, rgb);
    EXPECT_EQ(out[3], 20);
    EXPECT_EQ(out[0], 10) << "colour untouched";
}

TEST_F(Mask, WithoutAMaskNothingHappens)
{
    MUR_DeleteImage();
    auto p = rgba({1, 2, 3, 4});
    MUR_InvertMask();
    MUR_ClearMask(0, 0, 0);
    MUR_CreateMaskFromRGBAImageColor(p.data(), 1, 2, 3, 255);
    MUR_ApplyMaskToAlpha_RGBA32(p.data());
    MUR_CombineMask(p.data(), W * 3, 0, 0, "Add");
    EXPECT_EQ(MUR_GetMask64(0, 0), 0);
    EXPECT_EQ(p[3], 4);
}

}  // namespace
}  // namespace mur::test
