#include "ipl/native_filters/filter_test_support.h"
#include "support/engine_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace mur::ipl {
namespace {

using test::Picture;

TEST(NativeFilterTable, HoldsTwentySixDistinctNamedFilters)
{
    const auto table = native_filters();
    EXPECT_EQ(table.size(), 26u);
    std::set<std::string> names;
    for (const NativeFilter& f : table) {
        ASSERT_NE(f.name, nullptr);
        EXPECT_NE(f.run, nullptr) << f.name;
        names.insert(f.name);
    }
    EXPECT_EQ(names.size(), table.size()) << "names must be distinct";
}

TEST(NativeFilterTable, HoldsEveryNameThatCallersUse)
{
    const char* expected[] = {"Value Blur", "Noise Reduction", "Noise Reduction RGB", "Anti Alias", "Grayscale",
                              "Invert", "Basic Threshold", "Hyper Contrast", "Adjust RGBA", "Clamp", "Channel",
                              "Alpha Edge Color", "Adjust Lab", "Box Blur", "Bas Relief", "Line Art Cleaner",
                              "Reflection", "Mirror", "Gallery Wrap Mirror Auto", "Fader", "Borderize", "Vignette",
                              "Detail Blur", "Adaptive Blur", "Mask High Low", "Mask Detail"};
    const auto table = native_filters();
    for (const char* name : expected) {
        bool found = false;
        for (const NativeFilter& f : table) found = found || std::strcmp(f.name, name) == 0;
        EXPECT_TRUE(found) << name;
    }
}

TEST(NativeFilterEntry, EveryFilterRunsWithEverySettingAtItsEndsAndBeyond)
{
    Picture src(9, 7, {120, 60, 200, 255});
    src.set(4, 3, {255, 255, 255, 128});
    src.set(0, 0, {0, 0, 0, 0});
    for (const NativeFilter& f : native_filters())
        for (int32_t v : {0, 1000, -100000, 2000000000}) {  // the dialog's ends and far beyond
            test::Settings s;
            s.sliders.fill(v);
            s.flags.fill(v > 0 ? 1 : 0);
            s.style1 = v > 0 ? 2 : 0;
            Picture dst = test::apply(f.name, src, s);
            EXPECT_EQ(dst.px.size(), src.px.size()) << f.name;
        }
}

TEST(NativeFilterEntry, NamesAreMatchedExactly)
{
    Picture src(4, 3, {10, 20, 30, 40}), dst(4, 3, {1, 1, 1, 1});
    EXPECT_FALSE(run_native_filter(src.px.data(), dst.px.data(), 4, 3, "invert", false, {}));
    EXPECT_FALSE(run_native_filter(src.px.data(), dst.px.data(), 4, 3, "Invert ", false, {}));
    EXPECT_EQ(dst, src) << "the destination still becomes a copy of the source";
    EXPECT_FALSE(run_native_filter(src.px.data(), dst.px.data(), 4, 3, nullptr, false, {}));
    EXPECT_FALSE(run_native_filter(nullptr, dst.px.data(), 4, 3, "Invert", false, {}));
    EXPECT_FALSE(run_native_filter(src.px.data(), dst.px.data(), 0, 3, "Invert", false, {}));
}

TEST(NativeFilterEntry, WithoutSingleBufferUntouchedPixelsEqualTheSource)
{
    // "Detail Blur" never writes the outer border.
    Picture src(6, 5, {50, 60, 70, 255});
    src.set(2, 2, {250, 250, 250, 255});
    Picture dst = test::apply("Detail Blur", src, test::sliders({0}));
    for (int32_t x = 0; x < 6; ++x) {
        EXPECT_EQ(dst.get(x, 0), src.get(x, 0));
        EXPECT_EQ(dst.get(x, 4), src.get(x, 4));
    }
    EXPECT_NE(dst.get(2, 2), src.get(2, 2));
}

TEST(NativeFilterEntry, SingleBufferWorksOnTheDestinationAndLeavesTheSource)
{
    Picture src(3, 3, {10, 10, 10, 255}), dst(3, 3, {100, 0, 0, 255});
    ASSERT_TRUE(run_native_filter(src.px.data(), dst.px.data(), 3, 3, "Invert", true, {}));
    EXPECT_EQ(dst.get(1, 1), (test::Rgba{155, 255, 255, 255}));
    EXPECT_EQ(src.get(1, 1), (test::Rgba{10, 10, 10, 255}));
}

TEST(NativeFilterEntry, ExportedFormRunsOnGivenBuffers)
{
    Picture src(2, 2, {0, 100, 255, 9}), dst(2, 2);
    EXPECT_EQ(MUR_IPLNativeFilterRGBA32(src.px.data(), dst.px.data(), 2, 2, "Invert", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        0, 0, 0, 0, 0, 0, 0, 0),
              1);
    EXPECT_EQ(dst.get(1, 1), (test::Rgba{255, 155, 0, 9}));
    EXPECT_EQ(MUR_IPLNativeFilterRGBA32(src.px.data(), dst.px.data(), 2, 2, "No Such Filter", 0, 0, 0, 0, 0, 0, 0,
                                        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
              0);
    EXPECT_EQ(MUR_IPLNativeFilterRGBA32(nullptr, nullptr, 2, 2, "Invert", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        0, 0, 0, 0),
              0);
}

class NativeFilterOnIpl : public mur::test::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(4, 3);
        ASSERT_EQ(MUR_CreateLayer(2, 4, 3), 1);
        MUR_SetLayer(2);
        mur::test::fill_layer(engine.layers.slots[2], 100 << 8, 0, 255 << 8, 65535);
    }
};

TEST_F(NativeFilterOnIpl, NothingHappensWithoutBothBuffers)
{
    EXPECT_EQ(run_native_filter_on_ipl_buffers("Invert", false, {}), 0);
    MUR_IPLAllocSrcBuffer32();
    EXPECT_EQ(run_native_filter_on_ipl_buffers("Invert", false, {}), 0);
}

TEST_F(NativeFilterOnIpl, RunsFromTheSourceIntoTheDestination)
{
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    EXPECT_EQ(run_native_filter_on_ipl_buffers("Invert", false, {}), 1);
    const uint8_t* d = engine.ipl.dst32.data;
    EXPECT_EQ(d[0], 155);
    EXPECT_EQ(d[1], 255);
    EXPECT_EQ(d[2], 0);
    EXPECT_EQ(d[3], 255);
    EXPECT_EQ(engine.ipl.src32.data[0], 100) << "the source is left as it was";
}

TEST_F(NativeFilterOnIpl, PageFiltersStoreIntoTheCurrentLayer)
{
    // "Line Art Cleaner" stores its black-and-white stage to the layer.
    MUR_EnableMask(0);
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    NativeFilterParams p;
    p.sliders[0] = 500;  // brightness (100 + 0 + 255) / 3 = 118 < 127: black
    EXPECT_EQ(run_native_filter_on_ipl_buffers("Line Art Cleaner", false, p), 1);
    const uint16_t* px = mur::test::pixel_at(engine.layers.slots[2], 1, 1);
    EXPECT_EQ(px[0], 0);
    EXPECT_EQ(px[2], 0);
    EXPECT_EQ(px[3] >> 8, 255);
}

}  // namespace
}  // namespace mur::ipl
