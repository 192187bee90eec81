#include "support/engine_fixture.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

namespace mur::test {
namespace {

constexpr int32_t M = 40;

class ToolSettingsTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(64, 48, M);
        MUR_SetSize(30);
    }
    static ToolSettings& tool() { return engine.tool; }
    // Random grit with the given cell size and chances; no texture, no shape.
    static void random_grit(int32_t cell, int32_t cellChance, int32_t pixelChance, int32_t hold = 3)
    {
        MUR_SetTool(1.0f, cell, cellChance, pixelChance, 0, 0, hold, 0, 0, 0, 0, 0, 0, "", "", 0);
    }
    static std::vector<uint8_t> grit(int g)
    {
        const std::size_t side = M + 25;
        return {tool().gritBuffers[g], tool().gritBuffers[g] + side * side};
    }
};

// ---- Single values ----------------------------------------------------------------------

TEST_F(ToolSettingsTest, SettersDeriveTheirValues)
{
    MUR_SetAlpha(100);
    EXPECT_EQ(tool().alpha128, 128);
    MUR_SetAlpha(50);
    EXPECT_EQ(tool().alpha128, 64);
    MUR_SetMixMode(40, 0);
    EXPECT_EQ(tool().mixBias16, -16);
    EXPECT_EQ(tool().mixAmountInverse, 256);
    MUR_SetMixMode(40, 127);
    EXPECT_EQ(tool().mixBias16, 0);
    MUR_SetMixMode(40, 254);
    EXPECT_EQ(tool().mixBias16, 16);
    MUR_SetDensity(200);
    EXPECT_EQ(tool().dabDensity, 199);
    MUR_SetColor(255, 1, 0);
    EXPECT_EQ(tool().color[0], 65280);
    EXPECT_EQ(tool().color[1], 256);
    EXPECT_EQ(tool().color[3], 65535);
    MUR_SetColorBanks(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12);
    EXPECT_EQ(tool().colorBankB[3], 12 << 8);
}

TEST_F(ToolSettingsTest, RotationUsesTheFiveDigitPi)
{
    MUR_SetRotateBrushMode(1, 90);
    EXPECT_FLOAT_EQ(tool().rotateRadians, 1.570795f);
    EXPECT_NEAR(tool().rotateCos, std::cos(1.570795), 1e-6);
}

TEST_F(ToolSettingsTest, StrengthZeroKeepsThePreviousInverse)
{
    MUR_SetBlendStrength(100);
    EXPECT_EQ(tool().blendStrengthInverse, 156);
    MUR_SetBlendStrength(0);
    EXPECT_EQ(tool().blendStrengthInverse, 156);
    MUR_SetBlendPrimaryColorStrength(56);
    EXPECT_EQ(tool().primaryColorStrengthInverse, 200);
}

TEST_F(ToolSettingsTest, ScaleSizeSamplesTheShape)
{
    MUR_SetSize(10);
    MUR_SetScaleSize(4);
    ASSERT_EQ(tool().sizeStepCount, 4);
    EXPECT_EQ(tool().sizeSteps[0], 1);
    EXPECT_EQ(tool().sizeSteps[1], 3);
    EXPECT_EQ(tool().sizeSteps[2], 6);
    EXPECT_EQ(tool().sizeSteps[3], 8);
    MUR_SetScaleSize(0);
    EXPECT_EQ(tool().sizeStepCount, 1);
    EXPECT_EQ(tool().sizeSteps[0], 5);
    MUR_SetScaleSize(500);
    EXPECT_EQ(tool().sizeStepCount, 10);
}

TEST_F(ToolSettingsTest, SizeIsHeldToTheStepTable)
{
    MUR_SetSize(5000);
    EXPECT_EQ(tool().size, 1000);
    EXPECT_EQ(tool().sizeSteps[999], 999);
    MUR_SetSize(-3);
    EXPECT_EQ(tool().size, 0);
    MUR_SetScaleSize(4);
    EXPECT_EQ(tool().sizeStepCount, 0);
}

TEST_F(ToolSettingsTest, VariationTablesAreBuiltFromTheSeed)
{
    MUR_SetPixColorVary(10);
    EXPECT_EQ(tool().pixColorVaryTable.length, 3 * M);
    EXPECT_EQ(tool().pixColorVaryTable.modulus, 1000);
    MUR_SetPixLumVary(5);
    EXPECT_EQ(tool().pixLumVaryTable.modulus, 256);
}

// ---- Colour operations ---------------------------------------------------------------------

TEST_F(ToolSettingsTest, ColourUnderFullTransparency)
{
    ASSERT_EQ(MUR_CreateLayer(2, 64, 48), 1);
    MUR_SetLayer(2);
    pixel_at(engine.layers.slots[2], 0, 0)[3] = 255;
    pixel_at(engine.layers.slots[2], 1, 0)[3] = 256;
    MUR_SetColorAlpha(1, 2, 3);
    EXPECT_EQ(pixel_at(engine.layers.slots[2], 0, 0)[0], 257);
    EXPECT_EQ(pixel_at(engine.layers.slots[2], 0, 0)[3], 0);
    EXPECT_EQ(pixel_at(engine.layers.slots[2], 1, 0)[0], 0);
}

TEST_F(ToolSettingsTest, KeyColourAndSinglePixels)
{
    std::vector<uint8_t> picture(64 * 48 * 4, 200);
    picture[4] = 1, picture[5] = 2, picture[6] = 3;
    MUR_SetAlphaFromRGBAImageColor(picture.data(), 1, 2, 3);
    EXPECT_EQ(picture[7], 0);
    EXPECT_EQ(picture[3], 200);
    std::vector<uint8_t> rgb(64 * 48 * 3, 0);
    MUR_SetPixelRGB24(rgb.data(), 64 * 3, 2, 1, 0xAB00, 0xCD00, 0xEF00);
    EXPECT_EQ(rgb[64 * 3 + 6], 0xAB);
    MUR_SetPixelRGB24(rgb.data(), 64 * 3, 64, 0, 1, 1, 1);  // outside: nothing
    MUR_SetPixelRGB24(rgb.data(), 64 * 3, -1, 0, 1, 1, 1);
}

// ---- Grit ---------------------------------------------------------------------------------

TEST_F(ToolSettingsTest, NoCellChanceLeavesEveryBufferEmpty)
{
    random_grit(4, 0, 255);
    for (int g = 0; g < kGritBuffers; ++g) {
        const auto b = grit(g);
        EXPECT_TRUE(std::all_of(b.begin(), b.end(), [](uint8_t v) { return v == 255; })) << g;
    }
    EXPECT_EQ(tool().drawingLength, 3);
}

TEST_F(ToolSettingsTest, FullChancesFillEveryCellWithItsShade)
{
    MUR_SetSize(10);  // the grit square (35) fits the buffer rows (40)
    random_grit(4, 255, 255);
    const int32_t s = 10 + 25;
    for (int g = 0; g < kGritBuffers; g += 7) {
        const auto b = grit(g);
        for (int y = 0; y < s; ++y)
            for (int x = 0; x < s; ++x) {
                // One shade a cell (table B holds values below 254, so never "no grit").
                ASSERT_EQ(b[y * M + x], b[(y / 4 * 4) * M + x / 4 * 4]) << g << " " << x << "," << y;
                ASSERT_LT(b[y * M + x], 254);
            }
    }
}

TEST_F(ToolSettingsTest, SameSeedSameGrit)
{
    MUR_SetRandomSeed(77);
    random_grit(3, 120, 200);
    const auto first = grit(5);
    random_grit(3, 120, 200);
    EXPECT_EQ(grit(5), first);
    MUR_SetRandomSeed(78);
    random_grit(3, 120, 200);
    EXPECT_NE(grit(5), first);
}

TEST_F(ToolSettingsTest, NoCellAndNoTextureLeaveTheGritAlone)
{
    random_grit(4, 255, 255);
    const auto before = grit(0);
    random_grit(0, 255, 255);
    EXPECT_EQ(grit(0), before);
}

TEST_F(ToolSettingsTest, LargeBrushesDoNotWritePastTheBuffers)
{
    MUR_SetSize(200);  // far beyond the largest brush of 40
    random_grit(2, 255, 255);
    EXPECT_EQ(tool().gritCell, 2);
}

TEST_F(ToolSettingsTest, OneShotFlagsAndModeAreReset)
{
    MUR_SetMaskMakerOn();
    MUR_SetEraseModeOn();
    MUR_TempDisableBlend();
    MUR_SetMixMode(47, 200);
    random_grit(0, 0, 0);
    EXPECT_EQ(tool().maskMaker, 0);
    EXPECT_EQ(tool().eraseMode, 0);
    EXPECT_EQ(tool().tempDisableBlend, 0);
    EXPECT_EQ(tool().mixMode, 32);
}

TEST_F(ToolSettingsTest, TextureGritFromAnImageFile)
{
    // A 100 x 100 picture of vertical stripes; the grit windows are gray.
    const auto path = std::filesystem::temp_directory_path() / ("mur_stripes_" + std::to_string(::getpid()) + ".bmp");
    {
        std::vector<uint8_t> file(54 + 100 * 100 * 3);
        auto put32 = [&](int at, uint32_t v) { for (int i = 0; i < 4; ++i) file[at + i] = uint8_t(v >> (8 * i)); };
        file[0] = 'B', file[1] = 'M';
        put32(2, uint32_t(file.size()));
        put32(10, 54);
        put32(14, 40);
        put32(18, 100);
        put32(22, 100);
        file[26] = 1, file[28] = 24;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                for (int c = 0; c < 3; ++c) file[54 + (y * 100 + x) * 3 + c] = x % 2 ? 255 : 0;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
    }
    MUR_SetTool(1.0f, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, path.c_str(), "", 0);
    std::filesystem::remove(path);
    const auto b = grit(0);
    EXPECT_NE(b[0], b[1]) << "stripes";
    EXPECT_TRUE(b[0] == 0 || b[0] == 255);
    EXPECT_EQ(b[(M - 1) * M + M], 255) << "beyond the window: no grit";
    EXPECT_EQ(tool().drawingLength, 4);
}

TEST_F(ToolSettingsTest, UnreadableTexturePathLeavesTheRandomGrit)
{
    MUR_SetTool(1.0f, 4, 255, 255, 0, 0, 4, 0, 0, 0, 0, 0, 0, "/no/such/texture.png", "", 0);
    const auto b = grit(0);
    EXPECT_LT(b[0], 254) << "the random grit stays";
}

}  // namespace
}  // namespace mur::test
