#include "support/engine_fixture.h"

#include "platform/desktop.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace mur::test {
namespace {

using HostServices = EngineTest;

TEST_F(HostServices, DisplayChangeIsReportedOnce)
{
    EXPECT_EQ(MUR_IsDisplayChanged(), 0);
    platform::notify_display_changed();
    platform::notify_display_changed();
    EXPECT_EQ(MUR_IsDisplayChanged(), 1);
    EXPECT_EQ(MUR_IsDisplayChanged(), 0);
}

TEST_F(HostServices, WindowCallsFailWithoutAWindowSystem)
{
    int window = 0;
    EXPECT_EQ(MUR_SetWindowRedraw(&window, 1), 0);
    EXPECT_EQ(MUR_RedrawWindow(&window), 0);
    EXPECT_EQ(MUR_SetWindowBasePos(0, 0, 100, 100), 0);
    EXPECT_EQ(MUR_IsCompositionEnabled(), 0);
}

TEST_F(HostServices, SystemColoursAndMetricsAreThoseOfAStandardDesktop)
{
    EXPECT_EQ(MUR_GetWindowBackgroundColor(), 0x00F0F0F0u);
    EXPECT_EQ(MUR_GetWindowTextColor(), 0u);
    EXPECT_GT(MUR_GetWindowCaptionSize(), MUR_GetWindowSmallCaptionSize());
    EXPECT_GT(MUR_GetWindowFixedFrameSize(), 0);
}

TEST_F(HostServices, MemoryFiguresAreConsistentMegabytes)
{
    const int32_t total = MUR_GetTotalPhyMemory();
    EXPECT_GT(total, 0);
    EXPECT_LE(MUR_GetAvailPhyMemory(), total);
    EXPECT_GE(MUR_GetTotalPgMemory(), total);
    EXPECT_LE(MUR_GetAvailPgMemory(), MUR_GetTotalPgMemory());
    EXPECT_GT(MUR_GetTotalVirMemory(), 0);
    EXPECT_LT(MUR_GetAvailVirMemory(), MUR_GetTotalVirMemory());
}

TEST_F(HostServices, ViewSettingsAreStored)
{
    MUR_SetScale(3, 0.25f);
    MUR_SetOffset(-4, 5);
    MUR_SetViewSize(640, 480);
    MUR_SetAOI(1, 2, 3, 4);
    MUR_SetAlphaLocked(1);
    MUR_SetTracingMode(0x101);
    EXPECT_EQ(engine.viewScaleInt, 3);
    EXPECT_EQ(engine.viewScale, 0.25f);
    EXPECT_EQ(engine.viewOffsetX, -4);
    EXPECT_EQ(engine.viewHeight, 480);
    EXPECT_EQ(engine.aoi[3], 4);
    EXPECT_EQ(engine.lockAlpha, 1);
    EXPECT_EQ(engine.tracingMode, 1);
}

TEST_F(HostServices, StartDirectoryKeepsPathsUnder1024Characters)
{
    MUR_SetStartDir("/home/painter");
    EXPECT_STREQ(engine.startDir, "/home/painter");
    const std::string longest(1023, 'd');
    MUR_SetStartDir(longest.c_str());
    EXPECT_EQ(std::string(engine.startDir), longest);
    MUR_SetStartDir(std::string(1024, 'e').c_str());
    EXPECT_EQ(std::string(engine.startDir), longest);
    MUR_SetStartDir(nullptr);
    EXPECT_EQ(std::string(engine.startDir), longest);
}

TEST_F(HostServices, SystemDirectoryExists)
{
    EXPECT_TRUE(std::filesystem::is_directory(MUR_GetDirInfo()));
}

TEST_F(HostServices, RenameMovesAFileButNeverReplacesOne)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("mur_rename_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                       "_" + std::to_string(reinterpret_cast<uintptr_t>(&dir)));
    std::filesystem::create_directories(dir);
    const std::string a = (dir / "a.txt").string(), b = (dir / "b.txt").string(), c = (dir / "c.txt").string();
    std::ofstream(a) << "first";
    std::ofstream(c) << "kept";
    EXPECT_EQ(MUR_RenameFile(a.c_str(), b.c_str()), 1);
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_EQ(MUR_RenameFile(b.c_str(), c.c_str()), 0);
    std::ifstream in(c);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(MUR_RenameFile(a.c_str(), b.c_str()), 0);
    EXPECT_EQ(MUR_RenameFile(nullptr, b.c_str()), 0);
    std::filesystem::remove_all(dir);
}

TEST_F(HostServices, BankAdrsGivesThePointersAddress)
{
    int value = 0;
    EXPECT_EQ(BankAdrs(&value), reinterpret_cast<intptr_t>(&value));
    EXPECT_EQ(BankAdrs(nullptr), 0);
}

// ---- The three-point curve -----------------------------------------------

TEST_F(HostServices, SplineRunsFromTheFirstToTheLastPoint)
{
    EXPECT_EQ(MUR_GetSplinePointCount(), 0);
    MUR_CalcSpline3(10, 20, 200, 300, 400, 50, 0);
    ASSERT_EQ(MUR_GetSplinePointCount(), 100);
    EXPECT_EQ(MUR_GetSplinePointX(0), 10);
    EXPECT_EQ(MUR_GetSplinePointY(0), 20);
    EXPECT_EQ(MUR_GetSplinePointX(99), 400);
    EXPECT_EQ(MUR_GetSplinePointY(99), 50);
    EXPECT_EQ(MUR_GetSplinePointX(100), 400);
    EXPECT_EQ(MUR_GetSplinePointX(-1), 400);
    EXPECT_EQ(MUR_GetSplinePointY(INT32_MIN), 50);
}

TEST_F(HostServices, SplinePassesNearTheMiddlePointAndIsSmooth)
{
    MUR_CalcSpline3(0, 0, 100, 100, 200, 0, 0);
    double nearest = 1e9;
    double longestStep = 0, shortestStep = 1e9;
    for (int i = 0; i < 100; ++i) {
        nearest = std::min(nearest, std::hypot(engine.splineX[i] - 100, engine.splineY[i] - 100));
        if (i) {
            const double step = std::hypot(engine.splineX[i] - engine.splineX[i - 1],
                                           engine.splineY[i] - engine.splineY[i - 1]);
            longestStep = std::max(longestStep, step);
            shortestStep = std::min(shortestStep, step);
        }
    }
    EXPECT_LT(nearest, longestStep);
    EXPECT_LT(longestStep, 2.5 * shortestStep);  // no kinks or bunching
    // A symmetric arch peaks at the middle point.
    double top = 0;
    for (double y : engine.splineY) top = std::max(top, y);
    EXPECT_NEAR(top, 100.0, 3.0);
}

TEST_F(HostServices, SplineThroughCollinearOrRepeatedPointsStaysOnTheLine)
{
    MUR_CalcSpline3(0, 0, 50, 50, 100, 100, 0);
    for (int i = 0; i < 100; ++i) EXPECT_NEAR(engine.splineX[i], engine.splineY[i], 1e-9);
    MUR_CalcSpline3(5, 5, 5, 5, 5, 5, 0);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(MUR_GetSplinePointX(i), 5);
    MUR_CalcSpline3(0, 0, 0, 0, 90, 0, 0);
    for (int i = 0; i < 100; ++i) {
        EXPECT_NEAR(engine.splineY[i], 0.0, 1e-9);
        EXPECT_GE(engine.splineX[i], -10.0);
        EXPECT_LE(engine.splineX[i], 100.0);
    }
}

}  // namespace
}  // namespace mur::test
