// The drawing tools and colour adjustments through their exports: the six
// fill modes against a model of each, shapes and gradients with their edge
// cases, undo of a fill and a shape, text with DejaVu chosen by name, Photo
// Pop and the displacements on flat pictures, and thread counts.
#include "platform/fonts.h"
#include "support/engine_fixture.h"
#include "support/random_pixels.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace mur {
namespace {

using test::pick;
using test::pixel_at;

using Rgba8 = std::array<uint8_t, 4>;

class DrawingTools : public test::EngineTest {
protected:
    static constexpr int32_t kW = 24, kH = 16;

    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(kW, kH);
        ASSERT_EQ(MUR_CreateLayer(1, kW, kH), 1);
        ASSERT_EQ(MUR_CreateLayer(2, kW, kH), 1);
        MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
        MUR_SetLayer(2);
        MUR_SetUndoLevels(10);
        MUR_SetUndoMB(100);
        platform::reset_font_records();
    }
    void TearDown() override
    {
        MUR_IPLFreeSrcBuffer32();
        MUR_IPLFreeDstBuffer32();
        MUR_ToolFreeDstBuffer32();
        EngineTest::TearDown();
    }
    static LayerRecord& layer(int32_t slot = 2) { return engine.layers.slots[slot]; }
    static Rgba8 high(int32_t x, int32_t y, int32_t slot = 2)
    {
        const uint16_t* p = pixel_at(layer(slot), x, y);
        return {uint8_t(p[0] >> 8), uint8_t(p[1] >> 8), uint8_t(p[2] >> 8), uint8_t(p[3] >> 8)};
    }
    // Every pixel from a function of (x, y), with random low bytes.
    static void paint_layer(int32_t slot, const std::function<Rgba8(int32_t, int32_t)>& colour)
    {
        test::Rng rng{uint32_t(slot)};
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const Rgba8 c = colour(x, y);
                for (int k = 0; k < 4; ++k) pixel_at(layer(slot), x, y)[k] = uint16_t(c[k] << 8 | pick(rng, 0, 255));
            }
    }
    static std::vector<uint16_t> snapshot(int32_t slot = 2)
    {
        return {layer(slot).pixels, layer(slot).pixels + std::size_t(kW) * kH * 4};
    }
    static void set_flat(int32_t slot, Rgba8 c)
    {
        paint_layer(slot, [&](int32_t, int32_t) { return c; });
    }
};

// The fill picture: A (100), B (136: squared distance 3888 from A) and C
// (137: 4107) greys, a black wall at column 12 and a pocket of A beyond it.
constexpr Rgba8 kA{100, 100, 100, 255}, kB{136, 136, 136, 255}, kC{137, 137, 137, 255}, kWall{0, 0, 0, 255};
Rgba8 fill_picture(int32_t x, int32_t y)
{
    if (x == 12) return kWall;
    if (x > 12) return y == 7 ? kC : kA;
    return x == 5 ? kB : y == 3 && x < 3 ? kC : kA;
}

TEST_F(DrawingTools, EveryFillModeMatchesItsModel)
{
    const Rgba8 ink{250, 10, 20, 255};
    struct Case {
        const char* mode;
        int32_t slot;
        bool connected, erase;
    };
    const Case cases[] = {
        {"Paint Non-connected", 2, false, false}, {"Erase Non-connected", 2, false, true},
        {"Paint Connected", 2, true, false},      {"Erase Connected", 2, true, true},
        {"Erase Connected", 1, true, false},      {"Erase Non-connected", 1, false, false},
    };
    for (const Case& c : cases) {
        MUR_SetLayer(c.slot);
        paint_layer(c.slot, fill_picture);
        const auto before = snapshot(c.slot);
        MUR_IPLFloodFill(ink[0], ink[1], ink[2], 0, 0, 1000, c.mode);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const Rgba8 was = fill_picture(x, y);
                const bool matches = was == kA || was == kB;
                const bool reached = matches && (!c.connected || x < 12);
                const std::size_t at = (std::size_t(y) * kW + x) * 4;
                if (!reached) {
                    for (int k = 0; k < 4; ++k) ASSERT_EQ(layer(c.slot).pixels[at + k], before[at + k]) << c.mode << " " << x << "," << y;
                    continue;
                }
                Rgba8 want = ink;
                if (c.erase) want = {was[0], was[1], was[2], 0};
                ASSERT_EQ(high(x, y, c.slot), want) << c.mode << " slot " << c.slot << " at " << x << "," << y;
            }
        EXPECT_EQ(engine.undo.dirtyX0, 0);
        EXPECT_EQ(engine.undo.dirtyX1, kW - 1);
        EXPECT_EQ(engine.ipl.toolSrc32.data, nullptr);  // released
    }

    // Nothing for a point off the page, an unknown or null mode.
    MUR_SetLayer(2);
    paint_layer(2, fill_picture);
    const auto before = snapshot();
    for (const auto& [x, y] : {std::pair{-1, 0}, {kW, 0}, {0, kH}, {INT32_MIN, INT32_MAX}})
        MUR_IPLFloodFill(1, 2, 3, x, y, 1000, "Paint Connected");
    MUR_IPLFloodFill(1, 2, 3, 0, 0, 1000, "paint connected");
    MUR_IPLFloodFill(1, 2, 3, 0, 0, 1000, nullptr);
    MUR_IPLFloodFill(1, 2, 3, 0, 0, 1000, "Paint Connected ");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(DrawingTools, AlphaFillModesCompareAlphaAlone)
{
    // Alpha rises by 10 a column; colours vary freely; column 8 is a gap of
    // alpha 200 that the connected fill cannot cross.
    auto alpha_picture = [](int32_t x, int32_t y) -> Rgba8 {
        return {uint8_t(x * 11), uint8_t(y * 13), 7, uint8_t(x == 8 ? 200 : 40 + (x % 8) * 10)};
    };
    paint_layer(2, alpha_picture);
    // Tolerance 5000: squared distance 19507, alpha within 80 as a grey...
    MUR_IPLFloodFill(9, 8, 7, 0, 0, 5000, "Paint Alpha Connected");
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const Rgba8 was = alpha_picture(x, y);
            const bool reached = x < 8 && 3 * (was[3] - 40) * (was[3] - 40) <= 19507;
            ASSERT_EQ(high(x, y), (reached ? Rgba8{9, 8, 7, 255} : was)) << x << "," << y;
        }
    // ... and as a percent: 5000 / 500 = 10 %, 25 alpha levels, everywhere.
    paint_layer(2, alpha_picture);
    MUR_IPLFloodFill(9, 8, 7, 0, 0, 5000, "Paint Alpha Non-Connected");
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const Rgba8 was = alpha_picture(x, y);
            ASSERT_EQ(high(x, y), (std::abs(was[3] - 40) <= 25 ? Rgba8{9, 8, 7, 255} : was)) << x << "," << y;
        }
    // Only above the background.
    MUR_SetLayer(1);
    const auto background = snapshot(1);
    MUR_IPLFloodFill(9, 8, 7, 0, 0, 5000, "Paint Alpha Connected");
    EXPECT_EQ(snapshot(1), background);
}

TEST_F(DrawingTools, FloodMaskPaintsMarkedPixelsOnly)
{
    std::vector<uint8_t> image(std::size_t(kW) * kH * 4, 3), plane(std::size_t(kW) * kH, 0);
    plane[5] = 1;
    plane[6] = 2;
    MUR_ColorRGBA32FromFloodMask(image.data(), plane.data(), 300, -4, 9, 128);
    EXPECT_EQ((Rgba8{image[20], image[21], image[22], image[23]}), (Rgba8{255, 0, 9, 128}));
    EXPECT_EQ(image[24], 3);
    EXPECT_EQ(std::count(image.begin(), image.end(), 3), std::ptrdiff_t(image.size() - 4));
    EXPECT_EQ(engine.undo.dirtyY1, kH - 1);
    MUR_ColorRGBA32FromFloodMask(nullptr, plane.data(), 1, 1, 1, 1);
    MUR_ColorRGBA32FromFloodMask(image.data(), nullptr, 1, 1, 1, 1);
}

TEST_F(DrawingTools, RectangleLeavesOutTheSecondPointsColumn)
{
    for (const bool reversed : {false, true}) {
        set_flat(2, {0, 0, 0, 0});
        if (reversed) {
            MUR_IPLRectangle(40, 50, 60, 20, 9, 10, 5, 100);
        } else {
            MUR_IPLRectangle(40, 50, 60, 10, 5, 20, 9, 100);
        }
        const int32_t first = reversed ? 11 : 10, last = reversed ? 20 : 19;
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const bool inside = x >= first && x <= last && y >= 5 && y <= 9;
                ASSERT_EQ(high(x, y), (inside ? Rgba8{40, 50, 60, 255} : Rgba8{0, 0, 0, 0})) << x << "," << y;
            }
    }
    // The same column twice draws nothing; far-off and huge corners are clipped.
    set_flat(2, {0, 0, 0, 0});
    MUR_IPLRectangle(1, 2, 3, 7, 0, 7, 15, 100);
    EXPECT_EQ(high(7, 3)[3], 0);
    MUR_IPLRectangle(1, 2, 3, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX);
    EXPECT_EQ(high(kW - 1, kH - 1), (Rgba8{1, 2, 3, 255}));
}

TEST_F(DrawingTools, HalfOpacityRectangleThroughAMask)
{
    set_flat(2, {200, 200, 200, 255});
    // The mask protects the left half.
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) engine.mask.plane[std::size_t(y) * kW + x] = x < kW / 2 ? 0 : 65535;
    engine.mask.enabled = 1;
    const auto before = snapshot();
    MUR_IPLRectangle(0, 0, 0, 0, 0, kW, kH - 1, 50);  // opacity trunc(50 x 2.559) = 127
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const std::size_t at = (std::size_t(y) * kW + x) * 4;
            if (x < kW / 2) {
                ASSERT_EQ(layer().pixels[at], before[at]);
                continue;
            }
            // 200 over black at 127 / 255: about 200 x 128 / 255.
            ASSERT_NEAR(high(x, y)[0], 200 * 128 / 255, 1) << x;
            ASSERT_EQ(high(x, y)[3], 255);
        }
}

TEST_F(DrawingTools, EllipseRadiiAtLeastTwoAndCoverageNearTheArea)
{
    set_flat(2, {0, 0, 0, 0});
    MUR_IPLEllipse(90, 80, 70, 5, 5, 6, 6, 100);  // one column, one row: radius 2 both ways
    double sum = 0;
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) sum += high(x, y)[3];
    EXPECT_NEAR(sum / 255, std::numbers::pi * 4, 0.25);
    EXPECT_EQ(high(7, 7), (Rgba8{90, 80, 70, 255}));  // the centre (5 + 2, 5 + 2)
    EXPECT_EQ(high(10, 7)[3], 0);
    EXPECT_EQ(high(4, 7)[3], 0);

    set_flat(2, {0, 0, 0, 0});
    MUR_IPLEllipse(90, 80, 70, 1, 1, 22, 14, 100);  // columns 1..21: rx 10, rows 1..14: ry 6
    sum = 0;
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) sum += high(x, y)[3];
    EXPECT_NEAR(sum / 255, std::numbers::pi * 10 * 6, std::numbers::pi * 60 * 0.01 + 1);
    EXPECT_EQ(high(11, 7)[3], 255);
    EXPECT_EQ(high(0, 7)[3], 0);
    EXPECT_GT(high(1, 7)[3], 0);  // the leftmost column is reached at the middle row
}

TEST_F(DrawingTools, GradientStopsAndFades)
{
    // Three colours: stops at 0, 50 and 100 percent of (2, 0) .. (22, 0).
    set_flat(2, {0, 0, 0, 0});
    MUR_IPLGradient(200, 0, 0, 0, 200, 0, 0, 0, 200, 9, 9, 9, 3, 2, 0, 22, 0, "Linear");
    EXPECT_EQ(high(2, 5), (Rgba8{200, 0, 0, 255}));
    EXPECT_EQ(high(0, 0), (Rgba8{200, 0, 0, 255}));  // padded before
    EXPECT_EQ(high(12, 3), (Rgba8{0, 200, 0, 255}));
    EXPECT_EQ(high(23, 9), (Rgba8{0, 0, 200, 255}));  // padded beyond
    EXPECT_EQ(high(7, 0), (Rgba8{100, 100, 0, 255}));

    // Four colours stand at 0, 33, 66 and 99 percent.
    set_flat(2, {0, 0, 0, 0});
    MUR_IPLGradient(10, 0, 0, 20, 0, 0, 30, 0, 0, 40, 0, 0, 4, 0, 0, 100, 0, "Linear");
    EXPECT_EQ(high(0, 0)[0], 10);
    EXPECT_EQ(high(33 * kW / 100, 0)[0], 10 + (33 * kW / 100) * 10 / 33);

    // Count 0 fades from clear to opaque, count 1 the other way; alpha turned over.
    set_flat(2, {0, 0, 0, 0});
    MUR_IPLGradient(50, 60, 70, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kW - 1, 0, "Linear");
    EXPECT_EQ(high(0, 0)[3], 0);
    EXPECT_EQ(high(kW - 1, 0), (Rgba8{50, 60, 70, 255}));
    set_flat(2, {0, 0, 0, 0});
    MUR_IPLGradient(50, 60, 70, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, kW - 1, 0, "Linear");
    EXPECT_EQ(high(0, 0), (Rgba8{50, 60, 70, 255}));
    EXPECT_EQ(high(kW - 1, 0)[3], 0);

    // Other kinds are radial; a zero length and a null kind draw nothing.
    set_flat(2, {0, 0, 0, 0});
    MUR_IPLGradient(200, 0, 0, 0, 0, 200, 0, 0, 0, 0, 0, 0, 2, 12, 8, 12, 0, "Radial");
    EXPECT_EQ(high(12, 8), (Rgba8{200, 0, 0, 255}));
    EXPECT_EQ(high(20, 8), (Rgba8{0, 0, 200, 255}));
    EXPECT_EQ(high(12, 12), high(16, 8));
    set_flat(2, {1, 2, 3, 4});
    const auto before = snapshot();
    MUR_IPLGradient(200, 0, 0, 0, 0, 200, 0, 0, 0, 0, 0, 0, 2, 5, 5, 5, 5, "Linear");
    MUR_IPLGradient(200, 0, 0, 0, 0, 200, 0, 0, 0, 0, 0, 0, 2, 5, 5, 9, 5, nullptr);
    EXPECT_EQ(snapshot(), before);
    // Counts beyond four take four; the longest line still draws.
    MUR_IPLGradient(200, 0, 0, 0, 0, 200, 0, 0, 0, 0, 0, 0, INT32_MAX, INT32_MIN, 5, INT32_MAX, 5, "Linear");
    EXPECT_EQ(high(0, 0)[3], 255);
}

TEST_F(DrawingTools, UndoRestoresAFillAndAShape)
{
    paint_layer(2, fill_picture);
    MUR_SaveUndoBackBuffer(2);
    const auto original = snapshot();
    MUR_IPLFloodFill(1, 2, 3, 0, 0, 1000, "Paint Connected");
    MUR_SaveUndoBuffer(1, 0);
    const auto filled = snapshot();
    ASSERT_NE(filled, original);
    MUR_IPLEllipse(9, 9, 9, 2, 2, 20, 12, 100);
    MUR_SaveUndoBuffer(1, 0);
    ASSERT_NE(snapshot(), filled);
    MUR_Undo();
    EXPECT_EQ(snapshot(), filled);
    MUR_Undo();
    EXPECT_EQ(snapshot(), original);
}

TEST_F(DrawingTools, TextWithDejaVuInBothModes)
{
    ASSERT_EQ(MUR_SetFontByName(0, "DejaVu Sans", 16, 400, 0), 1) << "fonts-dejavu-core (scripts/deps.sh) is needed";
    EXPECT_EQ(MUR_SetFontByName(0, "No Such Family Anywhere", 16, 400, 0), 0);
    EXPECT_STREQ(platform::font_record(0)->family, "DejaVu Sans");
    EXPECT_EQ(MUR_SetFontByName(2, "DejaVu Sans", 16, 400, 0), 0);
    EXPECT_EQ(MUR_SetFontByName(0, nullptr, 16, 400, 0), 0);
    MUR_IPLAllocSrcBuffer32();

    // The ink of one "H" at (x, y) and at (x + 3, y + 2), and on a second line.
    struct Ink {
        int32_t left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1, partial = 0, full = 0;
    };
    auto ink = [&](int32_t x, int32_t y, const char* text, int32_t smooth) {
        set_flat(2, {0, 0, 0, 0});
        MUR_IPLText(20, 40, 60, x, y, 0, 0, 0, 0, text, smooth);
        Ink k;
        for (int32_t py = 0; py < kH; ++py)
            for (int32_t px = 0; px < kW; ++px) {
                const Rgba8 c = high(px, py);
                if (!c[3]) continue;
                EXPECT_EQ((std::array{c[0], c[1], c[2]}), (std::array<uint8_t, 3>{20, 40, 60}));
                k.left = std::min(k.left, px);
                k.top = std::min(k.top, py);
                k.right = std::max(k.right, px);
                k.bottom = std::max(k.bottom, py);
                (c[3] == 255 ? k.full : k.partial)++;
            }
        return k;
    };
    const Ink a = ink(2, 0, "H", 1), b = ink(5, 2, "H", 1);
    ASSERT_GE(a.right, a.left);
    EXPECT_EQ(b.left - a.left, 3);
    EXPECT_EQ(b.top - a.top, 2);
    EXPECT_GE(a.left, 2);
    EXPECT_LE(a.left, 4);        // the left bearing of "H"
    EXPECT_GE(a.top, 1);         // a capital's top lies below the line box's top...
    EXPECT_LE(a.bottom, 15);     // ... and its foot within the 16-pixel em
    EXPECT_GE(a.bottom - a.top, 9);
    const Ink plain = ink(2, 0, "H", 0);
    EXPECT_EQ(plain.partial, 0);
    EXPECT_GT(plain.full, 0);
    const Ink smooth = ink(2, 0, "O", 1);
    EXPECT_GT(smooth.partial, 0);  // an "O" has curved edges
    // "\n" starts a line one line height lower (DejaVu Sans at 16 px: 19).
    const Ink second = ink(2, -19, "x\nH", 1);
    EXPECT_EQ(second.top, a.top);
    EXPECT_EQ(second.left, a.left);
    // A line running far past the page still lets the next one be drawn.
    const Ink afterLong = ink(2, -19, (std::string(5000, 'W') + "\nH").c_str(), 1);
    EXPECT_EQ(afterLong.top, a.top);  // the W's above the page, the H in place
    EXPECT_EQ(afterLong.left, a.left);
    const Ink onlyH = ink(2 + 100000, -19, (std::string(3, 'W') + "\nH").c_str(), 1);
    EXPECT_EQ(onlyH.right, -1);  // all of it right of the page
    // Bad UTF-8 is drawn as Latin-1 rather than refused.
    const Ink latin = ink(2, 0, "\xE9", 1);
    EXPECT_GT(latin.full + latin.partial, 0);

    // Without the IPL source buffer, or without text, nothing happens.
    set_flat(2, {0, 0, 0, 0});
    MUR_IPLText(1, 1, 1, 2, 0, 0, 0, 0, 0, nullptr, 1);
    MUR_IPLFreeSrcBuffer32();
    MUR_IPLText(1, 1, 1, 2, 0, 0, 0, 0, 0, "H", 1);
    EXPECT_EQ(high(5, 6)[3], 0);
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLText(1, 1, 1, INT32_MIN, INT32_MAX, 0, 0, 0, 0, "H", 1);
    MUR_IPLText(1, 1, 1, INT32_MAX, INT32_MIN, 0, 0, 0, 0, "H", 1);
}

TEST_F(DrawingTools, PhotoPopAndDisplacementsKeepAFlatPictureFlat)
{
    // Photo Pop moves a flat colour (the contrast is a curve) but keeps it flat.
    for (const double saturation : {0.0, 50.0, 100.0}) {
        set_flat(2, {120, 80, 40, 255});
        MUR_IPLPhotoPop(500, saturation, 1);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) ASSERT_EQ(high(x, y), high(0, 0)) << x << "," << y;
    }
    set_flat(2, {120, 80, 40, 255});
    const auto flat = snapshot();
    MUR_IPLPhotoPop(NAN, 50, 1);
    EXPECT_EQ(snapshot(), flat);

    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    MUR_AdjustRGBA32PreFilter(engine.ipl.src32.data, kW, kH);
    std::vector<uint8_t> bump(std::size_t(kW) * kH * 4, 90);
    MUR_IPLDisplacementBumpRGBA(bump.data(), 8, 0);
    EXPECT_EQ(snapshot(), flat);
    MUR_IPLDisplacementBumpRGBA(nullptr, 8, 0);
    // A flat texture script, and one that does not exist.
    const std::string script = std::string(::testing::TempDir()) + "flat_tile.lua";
    FILE* f = std::fopen(script.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("width, height = 5, 3\nfunction texel(x, y) return 0.5, 0.5, 0.5 end\n", f);
    std::fclose(f);
    MUR_IPLDisplacementBumpISLFile(script.c_str(), 30, 1, 0);
    MUR_IPLDisplacementBumpISLFile((script + ".missing").c_str(), 30, 1, 0);
    MUR_IPLDisplacementBumpISLFile(nullptr, 30, 1, 0);
    EXPECT_EQ(snapshot(), flat);
    std::remove(script.c_str());
}

TEST_F(DrawingTools, DisplacementFollowsTheSlopeAndFillsBeyondThePage)
{
    paint_layer(2, [](int32_t x, int32_t y) { return Rgba8{uint8_t(x * 10), uint8_t(y * 15), 3, 255}; });
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    // A ramp of 10 a column: slope 10 / 255, times 5 x 10.2: two pixels to
    // the right (one at the side columns, whose differences are one-sided).
    std::vector<uint8_t> bump(std::size_t(kW) * kH * 4, 255);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) std::fill_n(&bump[(std::size_t(y) * kW + x) * 4], 3, uint8_t(x * 10));
    const int32_t edge = int32_t(uint32_t{7} + 8u * 256 + 9u * 65536 + 255u * 16777216);
    MUR_IPLDisplacementBumpRGBA(bump.data(), 10.2, edge);
    for (int32_t y = 0; y < kH; ++y) {
        ASSERT_EQ(high(0, y), (Rgba8{10, uint8_t(y * 15), 3, 255}));
        for (int32_t x = 1; x < kW - 2; ++x) ASSERT_EQ(high(x, y), (Rgba8{uint8_t((x + 2) * 10), uint8_t(y * 15), 3, 255})) << x;
        ASSERT_EQ(high(kW - 2, y), (Rgba8{7, 8, 9, 255}));  // past the page: the edge colour
        ASSERT_EQ(high(kW - 1, y), (Rgba8{7, 8, 9, 255}));
    }
}

TEST_F(DrawingTools, AdjustmentsAgreeOnOneAndTwoThreads)
{
    test::Rng rng(4);
    std::vector<uint8_t> picture(std::size_t(403) * 301 * 4);
    for (uint8_t& v : picture) v = uint8_t(pick(rng, 0, 255));
    std::vector<uint8_t> results[2];
    std::vector<uint16_t> gradients[2];
    for (int threads = 1; threads <= 2; ++threads) {
        omp_set_num_threads(threads);
        std::vector<uint8_t> p = picture;
        MUR_ProcessBuffer_HSVAdjust(p.data(), 403, 301, 33, 10, -10);
        MUR_ProcessBuffer_HSLAdjust(p.data(), 403, 301, -70, -5, 12);
        std::vector<uint8_t> rgb(std::size_t(403) * 301 * 3);
        for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = picture[i];
        MUR_BlurMoreBufferRGB24(rgb.data(), 403, 301, 40, 70);
        p.insert(p.end(), rgb.begin(), rgb.end());
        results[threads - 1] = p;
        set_flat(2, {0, 0, 0, 0});
        MUR_IPLGradient(255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9, 3, 1, 1, 20, 14, "Radial");
        gradients[threads - 1] = snapshot();
    }
    omp_set_num_threads(omp_get_num_procs());
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(gradients[0], gradients[1]);
    // Refusals: nothing written for a null buffer or sizes of 0 or less.
    MUR_ProcessBuffer_HSVAdjust(nullptr, 10, 10, 1, 1, 1);
    MUR_ProcessBuffer_HSLAdjust(picture.data(), -1, 10, 1, 1, 1);
    MUR_BlurMoreBufferRGB24(picture.data(), INT32_MAX, INT32_MAX, 50, 50);
}

}  // namespace
}  // namespace mur
