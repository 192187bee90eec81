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

// Every pixel different: (x * 20, y * 30, x + y, 255).
Picture numbered(int32_t w, int32_t h)
{
    Picture p(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) p.set(x, y, {uint8_t(x * 20), uint8_t(y * 30), uint8_t(x + y), 255});
    return p;
}

// ---- Reflection ----------------------------------------------------------------

TEST(Reflection, RowsBelowTheHorizonShowTheRowsAboveFading)
{
    // 4 x 5, slider1 500: horizon trunc(0.5 * 4) = 2. Opacity 1, reach 1 * (4 - 2) = 2 rows,
    // no darkening. Row 3 mirrors row 1 at half opacity over itself; row 4 is out of reach.
    const Picture src = numbered(4, 5);
    const Picture out = apply("Reflection", src, sliders({500, 1000, 1000, 0}));
    for (int32_t x = 0; x < 4; ++x) {
        for (int32_t y : {0, 1, 2, 4}) EXPECT_EQ(out.get(x, y), src.get(x, y)) << x << "," << y;
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(out.at(x, 3)[c], (src.at(x, 1)[c] + src.at(x, 3)[c]) / 2.0, 1.0);
        EXPECT_EQ(out.at(x, 3)[3], 255);
    }
}

TEST(Reflection, Flag1PutsTheHorizonUnderTheLowestOpaqueRow)
{
    Picture src(3, 6, {0, 0, 0, 0});
    for (int32_t x = 0; x < 3; ++x) {
        src.set(x, 0, {200, 0, 0, 255});
        src.set(x, 1, {0, 200, 0, 255});
    }
    Settings s = sliders({0, 1000, 1000, 500});  // slider1 ignored; half darker
    s.flags[0] = 1;
    const Picture out = apply("Reflection", src, s);
    // Horizon row 1; reach 4 rows. Row 2 shows row 0 at 3/4, darkened by half: (100, 0, 0).
    EXPECT_EQ(out.get(1, 2), (Rgba{100, 0, 0, 191}));
    EXPECT_EQ(out.get(1, 1), (Rgba{0, 200, 0, 255}));
    EXPECT_EQ(out.at(1, 3)[3], 0) << "nothing above row 0 to reflect";
}

TEST(Reflection, WithoutAnOpaqueRowNothingHappens)
{
    const Picture src(3, 4, {50, 50, 50, 200});
    Settings s = sliders({0, 1000, 1000, 0});
    s.flags[0] = 1;
    EXPECT_EQ(apply("Reflection", src, s), src);
}

// ---- Mirror ------------------------------------------------------------------

TEST(Mirror, CopiesTheLeftSideOntoTheRight)
{
    const Picture src = numbered(5, 2);
    const Picture out = apply("Mirror", src, sliders({500}));  // column trunc(0.5 * 4) = 2
    for (int32_t y = 0; y < 2; ++y) {
        EXPECT_EQ(out.get(3, y), src.get(1, y));
        EXPECT_EQ(out.get(4, y), src.get(0, y));
        EXPECT_EQ(out.get(2, y), src.get(2, y));
        EXPECT_EQ(out.get(0, y), src.get(0, y));
    }
}

TEST(Mirror, FlagAndStylesChooseTheOtherSideAndTheOtherAxis)
{
    const Picture src = numbered(5, 5);
    Settings flipped = sliders({250});  // column 1, right onto left
    flipped.flags[0] = 1;
    const Picture left = apply("Mirror", src, flipped);
    EXPECT_EQ(left.get(0, 3), src.get(2, 3));
    EXPECT_EQ(left.get(4, 3), src.get(4, 3));

    Settings rows = sliders({0, 500});  // row 2, top onto bottom
    rows.style1 = 1;
    const Picture down = apply("Mirror", src, rows);
    EXPECT_EQ(down.get(1, 4), src.get(1, 0));
    EXPECT_EQ(down.get(4, 1), src.get(4, 1));

    Settings both = sliders({500, 500});
    both.style1 = 2;
    const Picture four = apply("Mirror", src, both);
    EXPECT_EQ(four.get(4, 4), src.get(0, 0));
    EXPECT_EQ(four.get(4, 0), src.get(0, 0));
    EXPECT_EQ(four.get(0, 4), src.get(0, 0));
}

// ---- Gallery Wrap Mirror Auto ---------------------------------------------------

TEST(GalleryWrapMirrorAuto, MirrorsThePictureIntoTheMarginsAroundItsExtents)
{
    Picture src(7, 5, {0, 0, 0, 0});
    const Picture inner = numbered(7, 5);
    for (int32_t y = 1; y <= 3; ++y)
        for (int32_t x = 2; x <= 4; ++x) src.set(x, y, inner.get(x, y));
    const Picture out = apply("Gallery Wrap Mirror Auto", src);
    for (int32_t y = 1; y <= 3; ++y) {
        EXPECT_EQ(out.get(1, y), src.get(2, y)) << "the edge pixel repeats";
        EXPECT_EQ(out.get(0, y), src.get(3, y));
        EXPECT_EQ(out.get(5, y), src.get(4, y));
        EXPECT_EQ(out.get(6, y), src.get(3, y));
        EXPECT_EQ(out.get(3, y), src.get(3, y));
    }
    for (int32_t x = 0; x < 7; ++x) {
        EXPECT_EQ(out.get(x, 0), out.get(x, 1));
        EXPECT_EQ(out.get(x, 4), out.get(x, 3));
    }
    EXPECT_EQ(out.get(0, 0), src.get(3, 1)) << "corners mirror twice";
}

TEST(GalleryWrapMirrorAuto, EmptyPictureIsLeftAlone)
{
    const Picture src(5, 4, {9, 9, 9, 0});
    EXPECT_EQ(apply("Gallery Wrap Mirror Auto", src), src);
}

// ---- Fader ---------------------------------------------------------------------

TEST(Fader, AlphaFollowsTheProductOfTheTwoRamps)
{
    // Vertical factor 2 * 0.5 = 1 throughout; horizontal from 0 at x = 0 to 1 at x = 4.
    Settings s = sliders({500, 500, 0, 500});
    s.flags[3] = 1;
    const Picture out = apply("Fader", Picture(5, 2, {10, 20, 30, 200}), s);
    EXPECT_EQ(out.get(0, 1), (Rgba{10, 20, 30, 0}));
    EXPECT_EQ(out.get(2, 1), (Rgba{10, 20, 30, 100}));
    EXPECT_EQ(out.get(4, 0), (Rgba{10, 20, 30, 200}));
}

TEST(Fader, LightnessScalesThroughHsl)
{
    Settings s = sliders({500, 500, 250, 250});  // k = 0.5 everywhere
    s.flags[2] = 1;
    const Picture out = apply("Fader", Picture(3, 3, {200, 200, 200, 255}), s);
    EXPECT_NEAR(out.at(1, 1)[0], 100, 1);
    EXPECT_EQ(out.at(1, 1)[3], 255);
    EXPECT_EQ(apply("Fader", Picture(3, 3, {200, 200, 200, 255}), sliders({500, 500, 250, 250})).get(1, 1),
              (Rgba{200, 200, 200, 255}))
        << "no flag: nothing to fade";
}

TEST(Fader, Flag1LimitsTheRampToTheDataExtents)
{
    Picture src(7, 3, {0, 0, 0, 0});
    for (int32_t x = 2; x <= 4; ++x) src.set(x, 1, {50, 50, 50, 200});
    Settings s = sliders({500, 500, 0, 500});
    s.flags[0] = 1;
    s.flags[3] = 1;
    const Picture out = apply("Fader", src, s);
    EXPECT_EQ(out.at(2, 1)[3], 0);
    EXPECT_EQ(out.at(3, 1)[3], 100);
    EXPECT_EQ(out.at(4, 1)[3], 200);
}

// ---- Borderize -----------------------------------------------------------------

TEST(Borderize, PaintsEachRingWithItsSampleColourAndKeepsAlpha)
{
    Picture src = numbered(6, 4);
    src.set(2, 2, {1, 2, 3, 99});
    // slider2 1000: trunc(4 / 2 * 1) = 2 rings, the whole picture. slider1 0: the
    // sample of ring k lies on its top side (row k) at x = trunc(0 x 4 x 6) = 0.
    const Picture out = apply("Borderize", src, sliders({0, 1000}));
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            const bool outer = x == 0 || y == 0 || x == 5 || y == 3;
            const Rgba sample = src.get(0, outer ? 0 : 1);
            EXPECT_EQ(out.at(x, y)[0], sample[0]) << x << "," << y;
            EXPECT_EQ(out.at(x, y)[1], sample[1]) << x << "," << y;
            EXPECT_EQ(out.at(x, y)[3], src.at(x, y)[3]);
        }
}

// The sample's position along the side is the picture's, kept inside the
// picture only, not moved onto the inner ring: on 8 x 8 with 4 rings, slider1
// 0 puts ring k's sample at (trunc(0 x 4 x 8), k) = (0, k), and slider1 240 at
// (trunc(0.24 x 4 x 8), k) = (7, k).
TEST(Borderize, InnerRingsSampleAtThePicturesPosition)
{
    const Picture src = numbered(8, 8);
    for (const auto& [slider, column] : {std::pair{0, 0}, std::pair{240, 7}}) {
        const Picture out = apply("Borderize", src, sliders({slider, 1000}));
        for (int32_t k = 1; k < 4; ++k) {
            const Rgba sample = src.get(column, k);
            EXPECT_EQ(out.at(k, k)[0], sample[0]) << "ring " << k << ", slider " << slider;
            EXPECT_EQ(out.at(7 - k, 7 - k)[1], sample[1]) << "ring " << k << ", slider " << slider;
        }
    }
}

TEST(Borderize, SampleAtTheEndOfASideStaysOnThePicture)
{
    // slider1 500: the bottom side at x = trunc(6 - 0) = 6, one past the edge: (5, 3) is used.
    const Picture src = numbered(6, 4);
    const Picture out = apply("Borderize", src, sliders({500, 500}));  // one ring
    EXPECT_EQ(out.at(2, 0)[0], src.at(5, 3)[0]);
    EXPECT_EQ(out.at(2, 0)[1], src.at(5, 3)[1]);
    EXPECT_EQ(out.get(2, 1), src.get(2, 1)) << "inside the ring";
}

// ---- Filters that change the current layer --------------------------------------

class PageFilters : public mur::test::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(5, 3);
        ASSERT_EQ(MUR_CreateLayer(2, 5, 3), 1);
        MUR_SetLayer(2);
        MUR_EnableMask(0);
    }
};

TEST_F(PageFilters, MirrorStoresItsResultToTheCurrentLayer)
{
    Picture src = numbered(5, 3);
    const Picture out = apply("Mirror", src, sliders({500}));
    const uint16_t* p = mur::test::pixel_at(engine.layers.slots[2], 4, 1);
    EXPECT_EQ(p[0] >> 8, out.at(4, 1)[0]);
    EXPECT_EQ(p[1] >> 8, out.at(4, 1)[1]);
}

TEST_F(PageFilters, SmallerBuffersLeaveTheLayerAlone)
{
    apply("Mirror", numbered(4, 3), sliders({500}));
    EXPECT_EQ(mur::test::pixel_at(engine.layers.slots[2], 3, 1)[0], 0);
}

TEST_F(PageFilters, GalleryWrapReadsTheExtentsOfTheCurrentLayer)
{
    // The layer holds pixels only in column 2; the buffer is all opaque.
    for (int32_t y = 0; y < 3; ++y) mur::test::pixel_at(engine.layers.slots[2], 2, y)[3] = 65535;
    const Picture src = numbered(5, 3);
    const Picture out = apply("Gallery Wrap Mirror Auto", src);
    EXPECT_EQ(out.get(0, 1), src.get(2, 1));
    EXPECT_EQ(out.get(4, 1), src.get(2, 1));
}

}  // namespace
}  // namespace mur::ipl
