#include "support/engine_fixture.h"

#include "imaging/png_codec.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace mur::test {
namespace {

constexpr int32_t M = 32;

class BrushShape : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(16, 16, M);
        engine.tool.shapeIntensity = 1.0f;
    }
    static uint16_t at(int x, int y) { return engine.shape.plane[y * M + x]; }
    static std::filesystem::path temp(const std::string& name)
    {
        return std::filesystem::temp_directory_path() / ("mur_shape_" + std::to_string(::getpid()) + "_" + name);
    }
};

TEST_F(BrushShape, RoundShapeOfFourLeavesTheCornersOut)
{
    MUR_SetSize(4);
    MUR_SetBrushShape("", 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool corner = (x == 0 || x == 3) && (y == 0 || y == 3);
            EXPECT_EQ(at(x, y), corner ? 0 : 65535) << x << "," << y;
        }
    EXPECT_EQ(at(4, 1), 0) << "beyond the size: cleared";
}

TEST_F(BrushShape, FullSoftnessFallsLinearlyToTheRim)
{
    MUR_SetSize(20);
    engine.tool.shapeSoftness = 255;
    MUR_SetBrushShape("x", 0);  // one character: no picture
    // Pixel centre (10.5, 10.5) is 0.707 from the centre: 65535 * (10 - 0.707) / 10.
    EXPECT_EQ(at(10, 10), static_cast<uint16_t>(65535 * (10 - std::sqrt(0.5)) / 10));
    EXPECT_EQ(at(15, 10), static_cast<uint16_t>(65535 * (10 - std::hypot(5.5, 0.5)) / 10));
    EXPECT_LT(at(19, 10), 4000);
    EXPECT_EQ(at(0, 0), 0);
}

TEST_F(BrushShape, InvertedHardDiscIsEmptyAndSoftOneIsARing)
{
    MUR_SetSize(10);
    engine.tool.shapeInvert = 1;
    MUR_SetBrushShape(nullptr, 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(at(x, y), 0);
    engine.tool.shapeSoftness = 255;
    MUR_SetBrushShape(nullptr, 0);
    EXPECT_LT(at(5, 5), at(9, 5)) << "rises towards the rim";
}

TEST_F(BrushShape, IntensityScalesTheRoundShape)
{
    MUR_SetSize(8);
    engine.tool.shapeIntensity = 0.5f;
    MUR_SetBrushShape("", 0);
    EXPECT_EQ(at(4, 4), 32767);
}

TEST_F(BrushShape, OriginalRulesMeasureFromIntegerPositions)
{
    MUR_SetSize(4);
    MUR_SetBrushShape_ORIGINAL("", 0);
    // Centre (2, 2), radius 2: (0, 0) lies at 2.83, (0, 2) at exactly 2.
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(0, 2), 65535);
    EXPECT_EQ(at(3, 3), 65535);
}

// A 16 x 16 PNG: white on the left half, black on the right.
std::filesystem::path half_white_png(const std::filesystem::path& path)
{
    std::vector<uint8_t> rgba(16 * 16 * 4, 255);
    for (int y = 0; y < 16; ++y)
        for (int x = 8; x < 16; ++x) std::fill_n(&rgba[(y * 16 + x) * 4], 3, uint8_t{0});
    EXPECT_TRUE(imaging::write_png(path.c_str(), imaging::ConstImageView(rgba.data(), 16, 16, 64, 4)));
    return path;
}

TEST_F(BrushShape, PictureShapeFromAnImageFile)
{
    const auto path = half_white_png(temp("half.png"));
    MUR_SetSize(16);
    MUR_SetBrushShape(path.c_str(), 0);
    EXPECT_EQ(at(2, 8), 255 * 256) << "white gives full coverage";
    EXPECT_EQ(at(13, 8), 0) << "black none";
    engine.tool.shapeIntensity = 0.5f;
    MUR_SetBrushShape(path.c_str(), 0);
    EXPECT_EQ(at(2, 8), 255 * 128);
    std::filesystem::remove(path);
}

TEST_F(BrushShape, TheSamePathAndParameterLoadOnce)
{
    const auto path = half_white_png(temp("once.png"));
    MUR_SetSize(16);
    MUR_SetBrushShape(path.c_str(), 0);
    const uint8_t* source = engine.shape.sourceImage;
    ASSERT_NE(source, nullptr);
    std::filesystem::remove(path);  // a reload would now fail
    MUR_SetSize(8);
    MUR_SetBrushShape(path.c_str(), 0);
    EXPECT_EQ(engine.shape.sourceImage, source);
    EXPECT_GT(at(1, 4), 0) << "resampled from the kept picture";
    MUR_SetBrushShape(path.c_str(), 30);  // another parameter: reload, which fails
    EXPECT_EQ(engine.shape.sourceImage, nullptr);
    EXPECT_EQ(at(4, 4), 65535) << "the round shape";
    MUR_UnloadBrushShape();
}

TEST_F(BrushShape, RotatedByTheShapeParameter)
{
    const auto path = half_white_png(temp("turn.png"));
    MUR_SetSize(16);
    MUR_SetBrushShape(path.c_str(), 180);  // white moves to the right half
    EXPECT_LT(at(2, 8), 2000);
    EXPECT_GT(at(13, 8), 60000);
    std::filesystem::remove(path);
}

TEST_F(BrushShape, BlurSoftensThePictureEdge)
{
    const auto path = half_white_png(temp("blur.png"));
    MUR_SetSize(16);
    MUR_SetShapeBlur(0);
    MUR_SetBrushShape(path.c_str(), 0);
    const uint16_t sharp = at(9, 8);
    MUR_SetShapeBlur(100);  // brighter spreads fully into darker
    MUR_SetBrushShape(path.c_str(), 0);
    EXPECT_GT(at(9, 8), sharp);
    std::filesystem::remove(path);
}

TEST_F(BrushShape, PictureShapeFromATextureScript)
{
    const auto path = temp("dots.lua");
    std::ofstream(path) << "width = 8\nheight = 8\nfunction texel(x, y)\n  if x < 4 then return 1, 1, 1 end\n"
                           "  return 0, 0, 0\nend\n";
    MUR_SetSize(16);
    MUR_SetBrushShape(path.c_str(), 0);
    EXPECT_GT(at(3, 3), 60000);
    EXPECT_LT(at(12, 3), 5000);
    std::filesystem::remove(path);
}

TEST_F(BrushShape, OverlongPathsAreRefused)
{
    MUR_SetSize(8);
    MUR_SetBrushShape(std::string(1024, 'a').c_str(), 0);
    EXPECT_EQ(at(4, 4), 65535) << "the round shape";
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(BrushShape, ExampleScriptsMakeShapes)
{
    const std::filesystem::path share = std::filesystem::path(MUR_SOURCE_DIR) / "share/textures";
    if (!std::filesystem::exists(share)) GTEST_SKIP();
    MUR_SetSize(24);
    for (const auto& entry : std::filesystem::directory_iterator(share)) {
        MUR_SetBrushShape(entry.path().c_str(), 0);
        ASSERT_NE(engine.shape.sourceImage, nullptr) << entry.path();
        uint32_t lo = 65535, hi = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) lo = std::min<uint32_t>(lo, at(x, y)), hi = std::max<uint32_t>(hi, at(x, y));
        EXPECT_LT(lo, hi) << entry.path() << " has structure";
        MUR_UnloadBrushShape();
    }
}

}  // namespace
}  // namespace mur::test
