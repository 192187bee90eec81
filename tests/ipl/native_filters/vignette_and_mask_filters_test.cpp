#include "ipl/native_filters/filter_test_support.h"
#include "support/engine_fixture.h"

#include <gtest/gtest.h>

namespace mur::ipl {
namespace {

using test::apply;
using test::Picture;
using test::Rgba;
using test::Settings;
using test::sliders;

// ---- Vignette --------------------------------------------------------------------

// Black tint (slider1 0 becomes 0.001), a small blur, the ellipse a margin of
// 7 and 5 pixels in from the sides (slider5 400), fully tinted outside (slider6 1000).
Settings dark_vignette()
{
    Settings s = sliders({0, 0, 0, 100, 400, 1000});
    s.flags[0] = 1;
    return s;
}

TEST(Vignette, DarkensTheCornersMoreThanTheCentre)
{
    const Picture src(64, 48, {200, 200, 200, 255});
    const Picture out = apply("Vignette", src, dark_vignette());
    EXPECT_EQ(out.get(32, 24), (Rgba{200, 200, 200, 255}));
    for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {0, 47}, {63, 47}}) {
        EXPECT_LT(out.at(x, y)[0], 10) << x << "," << y;
        EXPECT_EQ(out.at(x, y)[3], 255) << "alpha f*a + (1 - f) stays opaque";
    }
    // Along the diagonal the darkening grows toward the corner.
    EXPECT_GE(out.at(20, 15)[0], out.at(10, 7)[0]);
    EXPECT_GE(out.at(10, 7)[0], out.at(3, 2)[0]);
}

TEST(Vignette, Flag2FadesToTransparentInstead)
{
    Settings s = dark_vignette();
    s.flags[1] = 1;
    const Picture out = apply("Vignette", Picture(64, 48, {200, 200, 200, 255}), s);
    EXPECT_EQ(out.at(0, 0)[3], 0);
    EXPECT_EQ(out.at(32, 24)[3], 255);
}

// F is the blurred plane value divided by 255. With flag2 an opaque pixel's
// alpha becomes F x 1, stored as trunc(F x 255) = the plane value itself: a
// soft edge wide enough to take every value from 0 to 255 gives every alpha
// level. (Multiplying by a rounded 1/255 instead lands 24 of them, 33, 37,
// ..., 244, just below the integer, and stores the level below twice.)
TEST(Vignette, FadeToTransparentGivesEveryAlphaLevel)
{
    Settings s = sliders({0, 0, 0, 300, 400, 1000});  // a blur of 0.3 x 0.1 x 240 pixels
    s.flags[1] = 1;
    const Picture out = apply("Vignette", Picture(240, 160, {200, 200, 200, 255}), s);
    bool seen[256] = {};
    for (int32_t y = 0; y < 160; ++y)
        for (int32_t x = 0; x < 240; ++x) seen[out.at(x, y)[3]] = true;
    for (int level = 0; level < 256; ++level) EXPECT_TRUE(seen[level]) << "alpha " << level;
}

TEST(Vignette, Flag3TintsTheShapeInsteadOfTheOutside)
{
    Settings s = dark_vignette();
    s.flags[2] = 1;
    const Picture out = apply("Vignette", Picture(64, 48, {200, 200, 200, 255}), s);
    EXPECT_LT(out.at(32, 24)[0], 10);
    EXPECT_EQ(out.at(0, 0)[0], 200);
}

TEST(Vignette, Flag4UsesARectangle)
{
    Settings s = dark_vignette();
    s.flags[3] = 1;
    const Picture out = apply("Vignette", Picture(64, 48, {200, 200, 200, 255}), s);
    // (10, 9) lies inside the rectangle (7, 5)-(56, 43) but outside the ellipse.
    EXPECT_EQ(out.at(10, 9)[0], 200);
    EXPECT_LT(out.at(2, 2)[0], 10);
    const Picture ellipse = apply("Vignette", Picture(64, 48, {200, 200, 200, 255}), dark_vignette());
    EXPECT_LT(ellipse.at(10, 9)[0], 100);
}

TEST(Vignette, ClearPixelsTakeTheTintWhole)
{
    Settings s = sliders({1000, 0, 0, 100, 400, 1000});  // red tint
    s.flags[0] = 1;
    const Picture out = apply("Vignette", Picture(64, 48, {0, 0, 0, 0}), s);
    EXPECT_EQ(out.get(0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(out.get(32, 24), (Rgba{255, 0, 0, 0})) << "inside: alpha f * 0, colour the tint";
}

TEST(Vignette, MarginsBeyondThePictureStayOnIt)
{
    // slider5 1000: margins of -32 and -24; the rectangle reaches past every side.
    Settings s = sliders({0, 0, 0, 0, 1000, 1000});
    s.flags[0] = 1;
    s.flags[3] = 1;
    const Picture src(64, 48, {200, 200, 200, 255});
    EXPECT_EQ(apply("Vignette", src, s), src);
}

// ---- Mask makers -------------------------------------------------------------------

class MaskFilters : public mur::test::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(5, 5);
        std::fill_n(engine.mask.plane, 25, uint16_t{1234});
    }
    static uint16_t mask(int32_t x, int32_t y) { return engine.mask.plane[y * 5 + x]; }
};

TEST_F(MaskFilters, HighLowMasksTheExtremesInProportion)
{
    Picture src(5, 5, {128, 128, 128, 255});
    src.set(0, 0, {255, 255, 255, 255});
    src.set(1, 0, {230, 230, 230, 255});
    src.set(2, 0, {10, 10, 10, 255});
    // hi = trunc(0.8 * 255) = 204, lo = trunc(0.2 * 255) = 51: kh = 255/51 = 5, kl = 255/51 = 5.
    const Picture out = apply("Mask High Low", src, sliders({800, 200}));
    EXPECT_EQ(mask(0, 0), 0);
    EXPECT_EQ(mask(1, 0), 125 * 257);  // (255 - 230) * 5
    EXPECT_EQ(mask(2, 0), 50 * 257);   // 10 * 5
    EXPECT_EQ(mask(3, 3), 1234) << "between lo and hi the cleared value stays";
    EXPECT_EQ(out, src) << "pixels are not changed";
}

TEST_F(MaskFilters, HighLowAtTheSliderEndsAvoidsDividingByZero)
{
    Picture src(5, 5, {0, 0, 0, 255});
    src.set(4, 4, {255, 255, 255, 255});
    apply("Mask High Low", src, sliders({1000, 0}));  // hi 255, lo 0: neither side applies
    EXPECT_EQ(mask(0, 0), 1234);
    EXPECT_EQ(mask(4, 4), 1234);
}

TEST_F(MaskFilters, DetailMakesBusyPixelsEditable)
{
    Picture src(5, 5, {100, 100, 100, 255});
    src.set(2, 2, {200, 200, 200, 255});
    // t = 51, softness 51: the centre and its neighbours differ by 100: 65535 * 49 / 51 = 62965.
    apply("Mask Detail", src, sliders({200, 200}));
    EXPECT_EQ(mask(2, 2), 62965);
    EXPECT_EQ(mask(1, 1), 62965);
    EXPECT_EQ(mask(0, 0), 1234) << "no detail: the cleared value stays";
    Settings inverted = sliders({200, 200});
    inverted.flags[1] = 1;
    apply("Mask Detail", src, inverted);
    EXPECT_EQ(mask(2, 2), 65535 - 62965);
}

TEST_F(MaskFilters, BuffersOtherThanThePageLeaveTheMaskAlone)
{
    apply("Mask High Low", Picture(4, 5, {255, 255, 255, 255}), sliders({500, 500}));
    apply("Mask Detail", Picture(5, 4, {255, 255, 255, 255}), sliders({0, 0}));
    for (int i = 0; i < 25; ++i) EXPECT_EQ(engine.mask.plane[i], 1234);
}

}  // namespace
}  // namespace mur::ipl
