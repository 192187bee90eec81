// The mask shape tools through their exports: the ellipse and rectangle
// against a model of their covered pixels and of the combine operations,
// black-only, every wand mode on pictures built so that each rule's bound
// falls between two pixels, refusals, and undo of a mask change.
#include "support/engine_fixture.h"
#include "support/random_pixels.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace mur {
namespace {

using test::pick;
using test::pixel_at;

using Rgba8 = std::array<uint8_t, 4>;
using Plane = std::vector<uint16_t>;

class MaskShapes : public test::EngineTest {
protected:
    static constexpr int32_t kW = 30, kH = 20;

    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(kW, kH);
        ASSERT_EQ(MUR_CreateLayer(1, kW, kH), 1);
        ASSERT_EQ(MUR_CreateLayer(2, kW, kH), 1);
        MUR_SetLayer(2);
        MUR_SetUndoLevels(10);
        MUR_SetUndoMB(100);
    }
    static Plane mask() { return {engine.mask.plane, engine.mask.plane + std::size_t(kW) * kH}; }
    static void set_mask(uint16_t v) { std::fill_n(engine.mask.plane, std::size_t(kW) * kH, v); }
    static uint16_t m(int32_t x, int32_t y) { return engine.mask.plane[std::size_t(y) * kW + x]; }
    // Every pixel of a layer from a function of (x, y), with random low bytes.
    static void paint_layer(int32_t slot, const std::function<Rgba8(int32_t, int32_t)>& colour)
    {
        test::Rng rng{uint32_t(slot) + 7};
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const Rgba8 c = colour(x, y);
                for (int k = 0; k < 4; ++k)
                    pixel_at(engine.layers.slots[slot], x, y)[k] = uint16_t(c[k] << 8 | pick(rng, 0, 255));
            }
    }
    // An editable mask with `inside` where the rule holds (0: what a
    // full-strength wand writes).
    static Plane expected(const std::function<bool(int32_t, int32_t)>& selected, uint16_t inside = 0)
    {
        Plane p(std::size_t(kW) * kH);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) p[std::size_t(y) * kW + x] = selected(x, y) ? inside : 65535;
        return p;
    }
};

// ---- Ellipse and rectangle ---------------------------------------------------------

TEST_F(MaskShapes, PointEllipseHasRadiusTwoAboutTheCornerPlusTwo)
{
    MUR_IPLMaskEllipse(10, 8, 10, 8, 100, 0, "Add");
    const Plane point = mask();
    // Full strength "Add" leaves 255 (65535 - 65280) at the covered centre.
    EXPECT_EQ(m(12, 10), 255);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            if (std::abs(x - 12) > 2 || std::abs(y - 10) > 2) {
                EXPECT_EQ(m(x, y), 65535) << x << "," << y;
            }
            EXPECT_EQ(m(x, y), m(std::clamp(24 - x, 0, kW - 1), std::clamp(20 - y, 0, kH - 1)))
                << "symmetric about (12, 10): " << x << "," << y;
        }
    // The same ellipse from its box (10, 8)-(14, 12), corners in every order.
    for (auto [x0, y0, x1, y1] : {std::array{10, 8, 14, 12}, {14, 12, 10, 8}, {10, 12, 14, 8}, {14, 8, 10, 12}}) {
        set_mask(65535);
        MUR_IPLMaskEllipse(x0, y0, x1, y1, 100, 0, "Add");
        EXPECT_EQ(mask(), point);
    }
    // An anti-aliased edge: some pixel between covered and untouched.
    int partial = 0;
    for (uint16_t v : point) partial += v != 255 && v != 65535;
    EXPECT_GT(partial, 0);
}

TEST_F(MaskShapes, RectangleLeavesTheFarCornerOutInEveryOrder)
{
    const std::array<std::array<int32_t, 4>, 4> orders{{{3, 2, 10, 7}, {10, 7, 3, 2}, {3, 7, 10, 2}, {10, 2, 3, 7}}};
    for (const auto& [x0, y0, x1, y1] : orders) {
        set_mask(65535);
        MUR_IPLMaskRectangle(x0, y0, x1, y1, 100, 0, "Add");
        // Full strength "Add" leaves 255 (65535 - 65280).
        EXPECT_EQ(mask(), expected([](int32_t x, int32_t y) { return x >= 3 && x < 10 && y >= 2 && y < 7; }, 255))
            << x0 << "," << y0 << " " << x1 << "," << y1;
    }
    // Clipped to the page, however far the corners lie.
    set_mask(65535);
    MUR_IPLMaskRectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 100, 0, "Add");
    EXPECT_EQ(mask(), Plane(std::size_t(kW) * kH, 255));
    set_mask(65535);
    MUR_IPLMaskEllipse(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 100, 0, "Add");
    MUR_IPLMaskEllipse(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, 100, 0, "Add");
    EXPECT_EQ(mask(), Plane(std::size_t(kW) * kH, 65535));
}

// Every operation at strengths 50 and 100 (and clamped beyond) against the
// combine rule on a mask of 40000 and a random mask.
TEST_F(MaskShapes, EachOperationAtTwoStrengths)
{
    test::Rng rng{5};
    for (const char* op : {"Add", "Subtract", "Replace", "Unknown"})
        for (int32_t strength : {50, 100, 250, -3})
            for (bool random : {false, true}) {
                Plane before(std::size_t(kW) * kH, 40000);
                if (random)
                    for (uint16_t& v : before) v = uint16_t(pick(rng, 0, 65535));
                std::copy(before.begin(), before.end(), engine.mask.plane);
                MUR_IPLMaskRectangle(2, 3, 12, 9, strength, 0, op);
                const uint32_t a = strength >= 100 ? 255 : strength <= 0 ? 0 : uint32_t(strength * 2.559);
                const uint32_t v = a << 8;
                for (int32_t y = 0; y < kH; ++y)
                    for (int32_t x = 0; x < kW; ++x) {
                        const uint32_t old = before[std::size_t(y) * kW + x];
                        uint32_t want = old;
                        if (x >= 2 && x < 12 && y >= 3 && y < 9 && v != 0) {
                            const std::string o(op);
                            want = o == "Subtract" ? std::min<uint32_t>(old + v, 65535)
                                   : o == "Replace" ? 65280 - v
                                                    : (old < v ? 0 : old - v);
                        }
                        ASSERT_EQ(m(x, y), want) << op << " " << strength << " at " << x << "," << y;
                    }
            }
}

TEST_F(MaskShapes, BlackOnlyAddMasksOutsideTheShape)
{
    MUR_IPLMaskEllipse(5, 4, 20, 15, 100, 1, "Add");
    const Plane blackOnly = mask();
    set_mask(65535);
    MUR_IPLMaskEllipse(5, 4, 20, 15, 100, 0, "Add");
    const Plane shape = mask();
    for (std::size_t i = 0; i < shape.size(); ++i) {
        // Outside the shape (untouched there) everything is masked; wherever
        // the shape drew, black-only leaves the mask.
        EXPECT_EQ(blackOnly[i], shape[i] == 65535 ? 255 : 65535) << i;
    }
    // A black-only flag other than 1 is a plain combine.
    set_mask(65535);
    MUR_IPLMaskEllipse(5, 4, 20, 15, 100, 2, "Add");
    EXPECT_EQ(mask(), shape);
}

// ---- The wand ------------------------------------------------------------------

// A: grey 100; B: 136 (squared distance 3888 from A); C: 137 (4107); a black
// wall at column 15 with a pocket of A beyond it.
constexpr Rgba8 kA{100, 100, 100, 255}, kB{136, 136, 136, 200}, kC{137, 137, 137, 255}, kWall{0, 0, 0, 255};
Rgba8 flood_picture(int32_t x, int32_t y)
{
    if (x == 15) return kWall;
    if (x > 15) return y < 5 ? kA : kC;
    return (x + y) % 3 == 1 ? kB : (x * y) % 7 == 3 ? kC : kA;
}
bool near_a(Rgba8 c) { return c == kA || c == kB; }

TEST_F(MaskShapes, WandConnectedAndNonConnectedUseTheSquaredDistance)
{
    paint_layer(2, flood_picture);
    // The connected reference: a breadth-first search from (0, 0).
    std::vector<int> in(std::size_t(kW) * kH, 0), todo{0};
    in[0] = 1;
    while (!todo.empty()) {
        const int i = todo.back();
        todo.pop_back();
        const int x = i % kW, y = i / kW;
        const int nx[4] = {x - 1, x + 1, x, x}, ny[4] = {y, y, y - 1, y + 1};
        for (int k = 0; k < 4; ++k)
            if (nx[k] >= 0 && ny[k] >= 0 && nx[k] < kW && ny[k] < kH && !in[ny[k] * kW + nx[k]] &&
                near_a(flood_picture(nx[k], ny[k]))) {
                in[ny[k] * kW + nx[k]] = 1;
                todo.push_back(ny[k] * kW + nx[k]);
            }
    }
    ASSERT_EQ(flood_picture(0, 0), kA);
    MUR_IPLMaskWand(0, 0, 1000, 100, "Connected");
    EXPECT_EQ(mask(), expected([&](int32_t x, int32_t y) { return in[std::size_t(y) * kW + x] != 0; }));
    set_mask(65535);
    MUR_IPLMaskWand(0, 0, 1000, 100, "Non-connected");
    EXPECT_EQ(mask(), expected([](int32_t x, int32_t y) { return near_a(flood_picture(x, y)); }));
    // Strength 50 writes its amount (127) where the rule holds.
    set_mask(65535);
    MUR_IPLMaskWand(0, 0, 1000, 50, "Non-connected");
    EXPECT_EQ(m(16, 0), (255 - 127) << 8);
    EXPECT_EQ(m(16, 10), 65535);
}

TEST_F(MaskShapes, WandRangeModesMeetTheirBounds)
{
    // Column x of row 0 differs from the click (0, 0) in a way each mode's
    // bound splits; the rows below (dark blue) are far from everything.
    const std::array<Rgba8, 8> row0{{{255, 0, 0, 255},    // the click: red
                                     {255, 76, 0, 255},   // hue 17.9, L 0.5
                                     {255, 77, 0, 255},   // hue 18.1
                                     {255, 0, 76, 255},   // hue 342.1 (17.9 across 0)
                                     {230, 25, 0, 255},   // every channel within 25, L 0.5 - 0.0
                                     {229, 0, 0, 255},    // R 26 away
                                     {177, 0, 0, 255},    // mean 59 (26 away), L 0.153 below
                                     {175, 30, 50, 120}}};
    paint_layer(2, [&](int32_t x, int32_t y) -> Rgba8 {
        if (y == 0 && x < 8) return row0[x];
        return {0, 0, 40, uint8_t(y == 1 ? 255 - 25 : y == 2 ? 255 - 26 : 0)};
    });
    auto row_only = [](std::vector<int> xs) {
        return [xs](int32_t x, int32_t y) { return y == 0 && std::find(xs.begin(), xs.end(), x) != xs.end(); };
    };
    struct Case {
        const char* mode;
        std::function<bool(int32_t, int32_t)> rule;
    };
    const Case cases[] = {
        // 5000: P = 10 %, t = 25 levels.
        {"Color Range", row_only({0, 4})},
        // Means: 85, 110 (25 away), 110, 110, 85, 76, 59 (26 away), 85; the
        // far colour 13.
        {"Luminance Range", row_only({0, 1, 2, 3, 4, 5, 7})},
        // P = 10: 18 degrees; reds of any saturation and lightness.
        {"Hue Range", row_only({0, 1, 3, 4, 5, 6, 7})},
        // 0.1 on hue (18 degrees), saturation and lightness.
        {"HSL Range", row_only({0, 1, 3, 4, 5})},
        // Alpha within 25 of 255: row 0's first seven pixels and row 1 (230),
        // not row 2 (229).
        {"Alpha Non-connected", [](int32_t x, int32_t y) { return (y == 0 && x < 7) || y == 1; }},
    };
    for (const Case& c : cases) {
        set_mask(65535);
        MUR_IPLMaskWand(0, 0, 5000, 100, c.mode);
        EXPECT_EQ(mask(), expected(c.rule)) << c.mode;
    }
}

TEST_F(MaskShapes, WandAlphaConnectedOnlyAboveTheBackground)
{
    // Alpha 255 left of a transparent wall at column 10, 219 (36 away:
    // 3 x 36^2 = 3888) in rows 0..4, 218 (4107) in row 5.
    auto alpha = [](int32_t x, int32_t y) -> uint8_t {
        if (x == 10) return 0;
        if (y == 5) return 218;
        return x % 2 ? 219 : 255;
    };
    for (int32_t slot : {1, 2}) paint_layer(slot, [&](int32_t x, int32_t y) { return Rgba8{uint8_t(x * 8), 9, 9, alpha(x, y)}; });
    MUR_IPLMaskWand(0, 0, 1000, 100, "Alpha Connected");
    // Connected through 255 and 219 on the near side; row 5 (218) spans it
    // and cuts the rows below off.
    EXPECT_EQ(mask(), expected([&](int32_t x, int32_t y) { return x < 10 && y < 5; }));
    set_mask(65535);
    MUR_SetLayer(1);
    MUR_IPLMaskWand(0, 0, 1000, 100, "Alpha Connected");
    EXPECT_EQ(mask(), Plane(std::size_t(kW) * kH, 65535)) << "not on the background";
}

TEST_F(MaskShapes, WandRefusalsChangeNothing)
{
    paint_layer(2, flood_picture);
    const Plane before = mask();
    MUR_IPLMaskWand(kW, 0, 1000, 100, "Non-connected");
    MUR_IPLMaskWand(0, kH, 1000, 100, "Non-connected");
    MUR_IPLMaskWand(-1, 0, 1000, 100, "Non-connected");
    MUR_IPLMaskWand(INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, "Connected");
    MUR_IPLMaskWand(0, 0, 1000, 100, "connected");
    MUR_IPLMaskWand(0, 0, 1000, 100, nullptr);
    MUR_IPLMaskWand(0, 0, 1000, 0, "Non-connected");  // amount 0 writes 65280: a change
    EXPECT_EQ(m(0, 0), 65280);
    std::copy(before.begin(), before.end(), engine.mask.plane);
    MUR_IPLMaskWand(0, 0, 1000, 100, "Non-connected");
    EXPECT_NE(mask(), before);
    // Extreme tolerances are clamped: 50000 and more take every colour.
    set_mask(65535);
    MUR_IPLMaskWand(0, 0, INT32_MAX, 100, "Non-connected");
    EXPECT_EQ(mask(), Plane(std::size_t(kW) * kH, 0));
}

TEST_F(MaskShapes, UndoRestoresTheMask)
{
    paint_layer(2, flood_picture);
    MUR_SaveUndoBackBuffer(2);
    const Plane original = mask();
    MUR_IPLMaskRectangle(2, 2, 20, 12, 70, 0, "Add");
    MUR_SaveUndoBuffer(0, 1);
    const Plane rectangle = mask();
    ASSERT_NE(rectangle, original);
    MUR_IPLMaskWand(0, 0, 1000, 100, "Connected");
    MUR_SaveUndoBuffer(0, 1);
    ASSERT_NE(mask(), rectangle);
    MUR_Undo();
    EXPECT_EQ(mask(), rectangle);
    MUR_Undo();
    EXPECT_EQ(mask(), original);
}

}  // namespace
}  // namespace mur
