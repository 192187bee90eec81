// `mur replay`'s replayer: strokes land along their path, a script replays
// the same twice, skipped records are counted and reported, and bad files
// stop at their line.
#include "support/engine_fixture.h"

#include "replay.h"
#include "replay_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace mur {
namespace {

using mur_tool::ReplayOutcome;

class Replay : public test::EngineTest {
protected:
    ReplayOutcome replay(const std::string& text, int32_t maxSide = 10000)
    {
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* log = open_memstream(&buffer, &size);
        mur_tool::ReplayOptions options;
        options.maxSide = maxSide;
        options.log = log;
        ReplayOutcome outcome = mur_tool::replay_script(text, options);
        std::fclose(log);
        logText.assign(buffer, size);
        std::free(buffer);
        return outcome;
    }

    // The drawing layer (slot 2) as RGBA32.
    std::vector<uint8_t> drawing(int32_t w, int32_t h)
    {
        std::vector<uint8_t> out(std::size_t(w) * h * 4);
        MUR_GetRGBA32Layer(out.data(), w * 4, 2);
        return out;
    }

    std::string logText;
};

std::string script(const std::string& body) { return "1554\nDescription\n1\n \nRandomSeed\n42\n" + body + "ScriptEnd\n"; }

std::string stroke(const std::vector<std::array<double, 3>>& points)
{
    std::ostringstream s;
    s << "DrawStart\n" << points[0][0] << "\n" << points[0][1] << "\n-1\nSmoothPlot2\n0\n0\n0\n1\n0\n";
    for (const auto& p : points) s << "SmoothPlot2\n" << p[0] << "\n" << p[1] << "\n" << p[2] << "\n0\n0\n";
    s << "SmoothPlot2\n0\n0\n0\n0\n1\nDrawStop\n1\n";
    return s.str();
}

double distance_to_segment(double px, double py, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
    const double t = len2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0, 1.0) : 0;
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

TEST_F(Replay, ARecordedStrokePaintsAlongItsPathAndNowhereFarFromIt)
{
    const std::vector<std::array<double, 3>> path = {{20, 60, 0.6}, {70, 40, 1}, {130, 52, 1}, {180, 30, 0.8}};
    const int32_t size = 12;
    const ReplayOutcome out = replay(script("SetPage\n200\n100\n0\n0\nSelectBrush\n0\n0\n0\nSetBrushSize\n" +
                                            std::to_string(size) + "\nSetColor\n200\n30\n40\n" + stroke(path)));
    ASSERT_EQ(out.status, 0) << out.error;
    EXPECT_GT(out.dabs, 40);
    const std::vector<uint8_t> px = drawing(200, 100);
    auto near_path = [&](double x, double y) {
        double best = 1e9;
        for (std::size_t i = 0; i + 1 < path.size(); ++i)
            best = std::min(best, distance_to_segment(x, y, path[i][0], path[i][1], path[i + 1][0], path[i + 1][1]));
        return best;
    };
    int painted = 0;
    for (int32_t y = 0; y < 100; ++y)
        for (int32_t x = 0; x < 200; ++x)
            if (px[(std::size_t(y) * 200 + x) * 4 + 3] > 0) {
                ++painted;
                // The curve bends a little beyond the polyline between points.
                EXPECT_LE(near_path(x, y), size / 2.0 + 4) << x << "," << y;
            }
    EXPECT_GT(painted, 150 * size / 2);
    // Along the whole path, paint of the stroke's colour lies on it.
    for (std::size_t i = 0; i + 1 < path.size(); ++i)
        for (double t = 0; t <= 1; t += 0.05) {
            const auto x = int32_t(std::lround(path[i][0] + (path[i + 1][0] - path[i][0]) * t));
            const auto y = int32_t(std::lround(path[i][1] + (path[i + 1][1] - path[i][1]) * t));
            bool found = false;
            for (int32_t dy = -3; dy <= 3 && !found; ++dy)
                for (int32_t dx = -3; dx <= 3 && !found; ++dx) {
                    const uint8_t* p = &px[(std::size_t(y + dy) * 200 + x + dx) * 4];
                    found = p[3] > 100 && p[0] > 150 && p[1] < 80;
                }
            EXPECT_TRUE(found) << "no paint near " << x << "," << y;
        }
}

// Random grit (chalk), pick-up (smudge), the eraser, masks, buffers and
// flips: twice the same file, twice the same picture; another seed differs.
TEST_F(Replay, TheSameFileTwiceGivesTheSamePicture)
{
    const std::string body =
        "SetPage\n120\n90\n0\n0\nSelectBrush\n2\n0.5\n0.7\nSetBrushDensity\n180\nSetBrushSize\n20\nSetColor\n40\n120\n60\n" +
        stroke({{10, 20, 1}, {60, 70, 0.7}, {110, 30, 1}}) + "SelectBrush\n3\n0.8\n0\nSetBrushSize\n16\n" +
        stroke({{10, 60, 1}, {110, 60, 1}}) + "SelectBrush\n4\n0.5\n0\n" + stroke({{60, 10, 1}, {60, 80, 1}}) +
        "BufferFromLayer\n3\nImageFlipHorizontal\nBufferMergeLayer\n3\n0\n128\nMaskCreateFromImageLuma\nMaskOn\n1\n"
        "SelectBrush\n1\n1\n0\nSetColor\n250\n200\n20\nLine2\n0\n45\n120\n45\nMaskOn\n0\nCopyTool\n0\n0\n40\n40\n"
        "PasteTool2\n80\n50\n0\n0\n0\nImageFlipVertical\n";
    std::vector<uint8_t> first, second, other;
    ASSERT_EQ(replay(script(body)).status, 0);
    first = drawing(120, 90);
    ASSERT_EQ(replay(script(body)).status, 0);
    second = drawing(120, 90);
    EXPECT_EQ(first, second);
    std::string reseeded = script(body);
    reseeded.replace(reseeded.find("RandomSeed\n42"), 13, "RandomSeed\n43");
    ASSERT_EQ(replay(reseeded).status, 0);
    other = drawing(120, 90);
    EXPECT_NE(first, other);
}

TEST_F(Replay, SkippedRecordsAreCountedAndReported)
{
    const ReplayOutcome out = replay(script("SetPage\n40\n30\n0\n0\nMaskEllipse\n1\n2\n3\n4\n5\nDab\n5\n5\n1\n" +
                                            std::string("MaskWand\n1\n2\n3\n4\n5\nMaskRectangle\n1\n2\n3\n4\n5\nMaskClear\n") +
                                            "Filter\nNo Such Effect\n" + std::string("0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n") +
                                            "0\n0\n0\n0\n0\n0\n0\n0\n\nFilter\nInvert\n" +
                                            "0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n\n"));
    EXPECT_EQ(out.status, 3) << out.error;
    EXPECT_EQ(out.skipped, 1);
    EXPECT_EQ(out.records, 9);  // Description, RandomSeed, SetPage, the mask records, Dab and the "Invert" filter
    EXPECT_EQ(logText, "replay: line 35: Filter skipped: needs a known effect name\n");
    // "Invert" ran: the black dab became white.
    const std::vector<uint8_t> px = drawing(40, 30);
    const uint8_t* dab = &px[(5 * 40 + 5) * 4];
    EXPECT_EQ(dab[0], 255);
    EXPECT_GT(dab[3], 0);
}

// The mask shape records: strength 40 adds masking, -40 takes it away; the
// wand (mode 2, "Color Range") masks the red rectangle only.
TEST_F(Replay, MaskShapeRecordsChangeTheMask)
{
    const ReplayOutcome out = replay(script(
        "SetPage\n40\n30\n0\n0\nMaskRectangle\n10\n5\n0\n0\n40\nMaskEllipse\n0\n0\n0\n0\n-40\n"
        "Rectangle\n20\n10\n30\n20\n100\n255\n0\n0\nMaskWand\n25\n15\n0\n100\n2\n"));
    ASSERT_EQ(out.status, 0) << out.error;
    std::vector<uint16_t> m(40 * 30);
    MUR_GetMaskData16(m.data());
    const uint16_t masked = uint16_t(65535 - (102 << 8));  // 40 % is amount 102
    EXPECT_EQ(m[4 * 40 + 9], masked);                    // inside the rectangle, far from the ellipse
    EXPECT_EQ(m[5 * 40 + 9], 65535);                     // its last row left out
    EXPECT_EQ(m[2 * 40 + 2], 65535);                     // the ellipse's centre, given back
    EXPECT_EQ(m[15 * 40 + 25], 0);                       // the wand at full strength
    EXPECT_EQ(m[15 * 40 + 20], 0);
    EXPECT_EQ(m[15 * 40 + 30], 65535);                   // the rectangle's second column is not red
    EXPECT_EQ(replay(script("SetPage\n40\n30\n0\n0\nMaskWand\n1\n1\n0\n100\n8\n")).status, 1);
}

// Catalogue names go through the effect dispatcher: "Negative" turns the
// black dab white; nothing is skipped.
TEST_F(Replay, FilterRecordsRunTheEffectDispatcher)
{
    const ReplayOutcome out = replay(script("SetPage\n40\n30\n0\n0\nDab\n5\n5\n1\nFilter\nNegative\n" +
                                            std::string("0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n\n")));
    EXPECT_EQ(out.status, 0) << out.error;
    EXPECT_EQ(out.skipped, 0);
    const std::vector<uint8_t> px = drawing(40, 30);
    const uint8_t* dab = &px[(5 * 40 + 5) * 4];
    EXPECT_EQ(dab[0], 255);
    EXPECT_GT(dab[3], 0);
}

// The drawing-tool records draw into the drawing layer with their colours:
// a rectangle without the second point's column, an ellipse, a fill that
// stops at both, text over the fill, a linear gradient between its ends.
TEST_F(Replay, DrawingToolRecordsDraw)
{
    ReplayOutcome out = replay(script("SetPage\n40\n30\n0\n0\nRectangle\n2\n3\n12\n8\n100\n255\n0\n0\n"
                                      "Ellipse\n20\n12\n36\n28\n100\n0\n255\n0\n"
                                      "Flood Fill\n30\n1\n0\n2\n0\n0\n255\n"
                                      "Text\n2\n13\nHi\n14\n1\n255\n255\n255\nDejaVu Sans\n700\n"));
    ASSERT_EQ(out.status, 0) << out.error;
    std::vector<uint8_t> px = drawing(40, 30);
    auto at = [&](int x, int y) { return &px[(std::size_t(y) * 40 + x) * 4]; };
    EXPECT_EQ(std::vector<uint8_t>(at(2, 3), at(2, 3) + 4), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(at(11, 8), at(11, 8) + 4), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(at(12, 5), at(12, 5) + 4), (std::vector<uint8_t>{0, 0, 255, 255}));
    EXPECT_EQ(std::vector<uint8_t>(at(28, 20), at(28, 20) + 4), (std::vector<uint8_t>{0, 255, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(at(39, 0), at(39, 0) + 4), (std::vector<uint8_t>{0, 0, 255, 255}));
    int white = 0;
    for (int y = 13; y < 30; ++y)
        for (int x = 2; x < 19; ++x) white += at(x, y)[0] > 128 && at(x, y)[2] > 128;
    EXPECT_GT(white, 10);

    out = replay(script("SetPage\n40\n30\n0\n0\nGradient\n0\n0\n39\n0\n0\n2\n255\n0\n0\n0\n0\n255\n" +
                        std::string("0\n0\n0\n0\n0\n0\n")));
    ASSERT_EQ(out.status, 0) << out.error;
    px = drawing(40, 30);
    EXPECT_EQ(std::vector<uint8_t>(at(0, 15), at(0, 15) + 4), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_LT(at(39, 15)[0], 10);
    EXPECT_GT(at(39, 15)[2], 245);
    EXPECT_GT(at(20, 15)[0], 100);
    EXPECT_GT(at(20, 15)[2], 100);
}

// Bad files stop at the line they went wrong on.
TEST_F(Replay, BadScriptsStopAtTheirLine)
{
    struct Case {
        std::string text;
        std::string error;
    };
    const std::string page = "SetPage\n40\n30\n0\n0\n";
    const Case cases[] = {
        {"", "line 1: not a drawing script (its first line is not 1554)"},
        {"1555\n", "line 1: not a drawing script (its first line is not 1554)"},
        {script("Paint\n1\n"), "line 7: unknown keyword \"Paint\""},
        {script(page + "flood fill\n"), "line 12: unknown keyword \"flood fill\""},
        {"1554\nSetPage\n40\n30\n", "line 2: SetPage cut short: 4 values expected, 2 found"},
        {"1554\nSetPage\n40\n30\n0\n0\nDab\n1\n2\n", "line 7: Dab cut short: 3 values expected, 2 found"},
        {script(page + "Dab\n1\n2\n"), "line 12: Dab: value 3 \"ScriptEnd\" is not a number"},
        {script(page + "Dab\n1\n2\n0x10\n"), "line 12: Dab: value 3 \"0x10\" is not a number"},
        {script(page + "Dab\n1\n 2\n1\n"), "line 12: Dab: value 2 \" 2\" is not a number"},
        {script(page + "Dab\n1\nnan\n1\n"), "line 12: Dab: value 2 \"nan\" is not a number"},
        {script(page + "Dab\n1\n1e999\n1\n"), "line 12: Dab: value 2 \"1e999\" is not a number"},
        {script(page + "Dab\n1\n1.\n1e\n"), "line 12: Dab: value 3 \"1e\" is not a number"},
        {script("Dab\n1\n2\n3\n"), "line 7: Dab before the first SetPage"},
        {script("SetPage\n0\n30\n0\n0\n"), "line 7: a page of 0 x 30 (sides 1..10000)"},
        {script("SetPage\n10001\n30\n0\n0\n"), "line 7: a page of 10001 x 30 (sides 1..10000)"},
        {script("SetPage\n-2147483648\n2147483647\n0\n0\n"), "line 7: a page of -2147483648 x 2147483647 (sides 1..10000)"},
        {script("SelectBrush\n5\n0\n0\n"), "line 7: brush 5 is not one of 0..4"},
        {script("SelectBrush\n1.5\n0\n0\n"), "line 7: brush 1.5 is not one of 0..4"},
        {script(page + "BufferClear\n16\n"), "line 12: page buffer 16 is not one of 0..15"},
        {script(page + "BufferCopy\n0\n-1\n"), "line 12: page buffer -1 is not one of 0..15"},
        {script(page + "Dab\n1\n2\n" + std::string(5000, '7') + "\n"), "line 15: a line longer than 4096 bytes"},
        {script(page + "Dab\n1\n2\n3" + std::string("\0\n", 2)), "line 15: a NUL byte"},
    };
    for (const Case& c : cases) {
        const ReplayOutcome out = replay(c.text);
        EXPECT_EQ(out.status, 1) << c.error;
        EXPECT_EQ(out.error, c.error);
    }
    // A file without its trailer (a script that failed) replays what it has;
    // Windows line ends read alike.
    EXPECT_EQ(replay("1554\r\nSetPage\r\n40\r\n30\r\n0\r\n0\r\nDab\r\n5\r\n5\r\n1\r\n").status, 0);
    EXPECT_EQ(replay("1554\nSetPage\n40\n30\n0\n0\nDab\n5\n5\n1").dabs, 1);
}

// The every-record fixture (what the recorder writes for each of its
// functions) reads whole: the keyword tables of recorder and replayer agree.
TEST_F(Replay, EveryRecordedKeywordIsKnown)
{
    std::ifstream in(std::string(MUR_SOURCE_DIR) + "/tests/lua/drawing_scripts/every_record.srp", std::ios::binary);
    ASSERT_TRUE(in);
    std::ostringstream text;
    text << in.rdbuf();
    const ReplayOutcome out = replay(text.str());
    EXPECT_EQ(out.status, 0) << out.error;
    EXPECT_EQ(out.skipped, 0);
    EXPECT_EQ(out.records, 49);
}

}  // namespace
}  // namespace mur
