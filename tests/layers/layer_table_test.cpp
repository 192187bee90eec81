#include "support/engine_fixture.h"

#include "layers/blend_modes.h"

#include <algorithm>
#include <climits>
#include <set>
#include <string>
#include <vector>

namespace mur::test {
namespace {

class LayerTableTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(16, 12);
    }
    static LayerRecord& slot(int i) { return engine.layers.slots[i]; }
};

bool all_pixels(const LayerRecord& layer, uint16_t r, uint16_t g, uint16_t b, uint16_t a)
{
    for (int32_t y = 0; y < layer.height; ++y)
        for (int32_t x = 0; x < layer.width; ++x) {
            const uint16_t* p = pixel_at(layer, x, y);
            if (p[0] != r || p[1] != g || p[2] != b || p[3] != a) return false;
        }
    return true;
}

// ---- Creating and deleting ---------------------------------------------

TEST_F(LayerTableTest, BackgroundIsOpaqueWhiteOtherSlotsTransparent)
{
    ASSERT_EQ(MUR_CreateLayer(1, 16, 12), 1);
    ASSERT_EQ(MUR_CreateLayer(2, 16, 12), 1);
    ASSERT_EQ(MUR_CreateLayer(0, 8, 8), 1);
    EXPECT_TRUE(all_pixels(slot(1), 65535, 65535, 65535, 65535));
    EXPECT_TRUE(all_pixels(slot(2), 0, 0, 0, 0));
    EXPECT_TRUE(all_pixels(slot(0), 0, 0, 0, 0));
    EXPECT_EQ(slot(2).stride, 64);
    EXPECT_EQ(slot(0).width, 8);
}

TEST_F(LayerTableTest, RecreatingAtTheSameSizeClearsInPlace)
{
    ASSERT_EQ(MUR_CreateLayer(3, 16, 12), 1);
    uint16_t* const pixels = slot(3).pixels;
    fill_layer(slot(3), 1, 2, 3, 4);
    ASSERT_EQ(MUR_CreateLayer(3, 16, 12), 1);
    EXPECT_EQ(slot(3).pixels, pixels);
    EXPECT_TRUE(all_pixels(slot(3), 0, 0, 0, 0));
}

TEST_F(LayerTableTest, RecreatingAtAnotherSizeReplacesTheBuffer)
{
    ASSERT_EQ(MUR_CreateLayer(3, 16, 12), 1);
    fill_layer(slot(3), 1, 2, 3, 4);
    const std::size_t blocks = mem::live_blocks();
    ASSERT_EQ(MUR_CreateLayer(3, 5, 7), 1);
    EXPECT_EQ(mem::live_blocks(), blocks);
    EXPECT_EQ(slot(3).width, 5);
    EXPECT_EQ(slot(3).height, 7);
    EXPECT_EQ(slot(3).stride, 20);
    EXPECT_TRUE(all_pixels(slot(3), 0, 0, 0, 0));
}

TEST_F(LayerTableTest, FailedAllocationLeavesTheSlotEmptyWithItsNewSize)
{
    ASSERT_EQ(MUR_CreateLayer(4, 16, 12), 1);
    mem::set_budget(mem::live_bytes());
    EXPECT_EQ(MUR_CreateLayer(4, 30, 30), 0);
    mem::reset_failures();
    EXPECT_EQ(slot(4).pixels, nullptr);
    EXPECT_EQ(slot(4).width, 30);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(LayerTableTest, NegativeOrHugeSizesAreRefusedAndChangeNothing)
{
    ASSERT_EQ(MUR_CreateLayer(4, 16, 12), 1);
    EXPECT_EQ(MUR_CreateLayer(4, -1, 12), 0);
    EXPECT_EQ(MUR_CreateLayer(4, 16, INT32_MIN), 0);
    EXPECT_EQ(MUR_CreateLayer(4, INT32_MAX, INT32_MAX), 0);
    EXPECT_NE(slot(4).pixels, nullptr);
    EXPECT_EQ(slot(4).width, 16);
}

TEST_F(LayerTableTest, DeleteKeepsTheOptions)
{
    ASSERT_EQ(MUR_CreateLayer(5, 16, 12), 1);
    MUR_SetLayerOptions(5, 1, 1, 50, "Screen");
    MUR_DeleteLayer(5);
    EXPECT_EQ(slot(5).pixels, nullptr);
    EXPECT_EQ(slot(5).mode, 2);
    EXPECT_EQ(slot(5).opacity, 128);
    ASSERT_EQ(MUR_CreateLayer(5, 16, 12), 1);
    EXPECT_STREQ(slot(5).modeName, "Screen");
}

TEST_F(LayerTableTest, CountIncludesTheTraceSlot)
{
    EXPECT_EQ(MUR_GetLayerCount(), 0);
    ASSERT_EQ(MUR_CreateLayer(0, 16, 12), 1);
    ASSERT_EQ(MUR_CreateLayer(1, 16, 12), 1);
    ASSERT_EQ(MUR_CreateLayer(271, 16, 12), 1);
    EXPECT_EQ(MUR_GetLayerCount(), 3);
    MUR_DeleteLayer(1);
    EXPECT_EQ(MUR_GetLayerCount(), 2);
}

// ---- Choosing the current layer ------------------------------------------

TEST_F(LayerTableTest, SetLayerSelectsLiveSlotsOnly)
{
    ASSERT_EQ(MUR_CreateLayer(2, 16, 12), 1);
    MUR_SetLayer(2);
    EXPECT_EQ(MUR_GetLayerNum(), 2);
    EXPECT_EQ(engine.layers.currentRecord, &slot(2));
    MUR_SetLayer(3);  // empty
    EXPECT_EQ(MUR_GetLayerNum(), 2);
    EXPECT_EQ(engine.layers.currentRecord, &slot(2));
}

TEST_F(LayerTableTest, SetLayerRefreshesTheBackBuffersUnlessPaused)
{
    ASSERT_EQ(MUR_CreateLayer(2, 16, 12), 1);
    fill_layer(slot(2), 10, 20, 30, 40);
    engine.mask.plane[5] = 1234;
    MUR_SetLayer(2);
    const uint16_t* back = engine.undo.backBuffer.colorPatch;
    EXPECT_TRUE(std::equal(back, back + 16 * 12 * 4, slot(2).pixels));
    EXPECT_EQ(engine.undo.backBuffer.maskPatch[5], 1234);

    ASSERT_EQ(MUR_CreateLayer(3, 16, 12), 1);
    engine.undo.undoPaused = 1;
    MUR_SetLayer(3);
    EXPECT_EQ(back[3], 40);
}

TEST_F(LayerTableTest, BackBufferCopyStaysInsideALayerOfAnotherSize)
{
    ASSERT_EQ(MUR_CreateLayer(2, 4, 3), 1);
    fill_layer(slot(2), 7, 7, 7, 7);
    MUR_SetLayer(2);
    const uint16_t* back = engine.undo.backBuffer.colorPatch;
    EXPECT_EQ(back[(2 * 16 + 3) * 4], 7);
    EXPECT_EQ(back[(2 * 16 + 4) * 4], 0);
    EXPECT_EQ(back[(3 * 16 + 0) * 4], 0);
}

// ---- Options and blend-mode names ----------------------------------------

TEST_F(LayerTableTest, OpacityIsPercentTimes256Truncated)
{
    const std::pair<int32_t, uint16_t> cases[] = {{100, 256}, {50, 128}, {99, 253}, {1, 2}, {0, 0},
                                                  {150, 256}, {-10, 0}};
    for (auto [percent, opacity] : cases) {
        MUR_SetLayerOptions(6, 1, 0, percent, "Normal");
        EXPECT_EQ(slot(6).opacity, opacity) << percent << "%";
    }
}

TEST_F(LayerTableTest, OptionsStoreLowBytesAndFullDensity)
{
    MUR_SetLayerOptions(6, 0x101, 0x200, 100, "Multiply");
    EXPECT_EQ(slot(6).visible, 1);
    EXPECT_EQ(slot(6).alphaLocked, 0);
    EXPECT_EQ(slot(6).density, 255);
    EXPECT_EQ(slot(6).mode, 1);
    EXPECT_STREQ(slot(6).modeName, "Multiply");
}

TEST_F(LayerTableTest, EveryModeNameGivesItsId)
{
    for (const BlendModeInfo& mode : kBlendModes) {
        const std::string name(mode.name);
        MUR_SetLayerOptions(7, 1, 0, 100, name.c_str());
        EXPECT_EQ(slot(7).mode, mode.id) << name;
        EXPECT_EQ(slot(7).modeName, name);
    }
    const std::pair<const char*, int32_t> spot[] = {{"Silhoulette", 30}, {"Luminance Alpha Invert", 53},
                                                    {"Layer Mask", 51}, {"Alpha Normal", 32}};
    for (auto [name, id] : spot) EXPECT_EQ(blend_mode_id(name), id) << name;
}

TEST_F(LayerTableTest, UnknownAndMiscasedNamesAreNormal)
{
    for (const char* name : {"normal", "Hard light", "", "Silhouette", "Multiply ", "31"}) {
        MUR_SetLayerOptions(7, 1, 0, 100, "Screen");
        MUR_SetLayerOptions(7, 1, 0, 100, name);
        EXPECT_EQ(slot(7).mode, 0) << '"' << name << '"';
        EXPECT_STREQ(slot(7).modeName, name);
    }
    MUR_SetLayerOptions(7, 1, 0, 100, nullptr);
    EXPECT_EQ(slot(7).mode, 0);
    EXPECT_STREQ(slot(7).modeName, "Normal");
}

TEST_F(LayerTableTest, OverlongNameIsLookedUpButNotStored)
{
    const std::string fits(49, 'a');
    MUR_SetLayerOptions(7, 1, 0, 100, fits.c_str());
    EXPECT_EQ(slot(7).modeName, fits);
    const std::string tooLong(50, 'a');
    MUR_SetLayerOptions(7, 1, 0, 100, tooLong.c_str());
    EXPECT_STREQ(slot(7).modeName, "");
    EXPECT_EQ(slot(7).mode, 0);
}

TEST(BlendModeTable, NamesAndIdsAreUniqueAndThirtyOneIsUnused)
{
    std::set<std::string_view> names;
    std::set<int32_t> ids;
    for (const BlendModeInfo& mode : kBlendModes) {
        EXPECT_TRUE(names.insert(mode.name).second) << mode.name;
        EXPECT_TRUE(ids.insert(mode.id).second) << mode.id;
        EXPECT_EQ(!mode.luaConstant.empty(), mode.id < 31) << mode.name;
        EXPECT_EQ(blend_mode_name(mode.id), mode.name);
    }
    EXPECT_EQ(ids.size(), 53u);
    EXPECT_EQ(ids.count(31), 0u);
    EXPECT_EQ(*ids.rbegin(), 53);
    EXPECT_TRUE(blend_mode_name(31).empty());
    EXPECT_TRUE(blend_mode_name(54).empty());
}

TEST_F(LayerTableTest, TopLayerIsTheHighestLiveSlot)
{
    MUR_SetLayerOptions(1, 1, 0, 100, "Normal");
    EXPECT_EQ(engine.layers.topLayer, 1);
    ASSERT_EQ(MUR_CreateLayer(9, 16, 12), 1);
    ASSERT_EQ(MUR_CreateLayer(40, 16, 12), 1);
    MUR_SetLayerOptions(9, 1, 0, 100, "Normal");
    EXPECT_EQ(engine.layers.topLayer, 40);
    MUR_DeleteLayer(40);
    MUR_SetLayerOptions(9, 1, 0, 100, "Normal");
    EXPECT_EQ(engine.layers.topLayer, 9);
}

TEST_F(LayerTableTest, SwapExchangesWholeRecords)
{
    ASSERT_EQ(MUR_CreateLayer(2, 16, 12), 1);
    ASSERT_EQ(MUR_CreateLayer(3, 4, 4), 1);
    MUR_SetLayerOptions(2, 1, 1, 50, "Darken");
    MUR_SetLayerOptions(3, 0, 0, 100, "Alpha Smooth");
    uint16_t* const p2 = slot(2).pixels;
    uint16_t* const p3 = slot(3).pixels;
    MUR_SwapLayers(2, 3);
    EXPECT_EQ(slot(2).pixels, p3);
    EXPECT_EQ(slot(2).width, 4);
    EXPECT_EQ(slot(2).mode, 42);
    EXPECT_STREQ(slot(2).modeName, "Alpha Smooth");
    EXPECT_EQ(slot(3).pixels, p2);
    EXPECT_EQ(slot(3).opacity, 128);
    EXPECT_EQ(slot(3).alphaLocked, 1);
    MUR_SwapLayers(3, 3);
    EXPECT_EQ(slot(3).pixels, p2);
}

// ---- Alpha operations ----------------------------------------------------

TEST_F(LayerTableTest, NormalizeFoldsOpacityIntoAlpha)
{
    ASSERT_EQ(MUR_CreateLayer(2, 16, 12), 1);
    fill_layer(slot(2), 9, 9, 9, 65535);
    pixel_at(slot(2), 1, 1)[3] = 1000;
    MUR_SetLayerOptions(2, 1, 0, 50, "Normal");
    MUR_NormalizeLayerAlpha(2);
    EXPECT_EQ(slot(2).opacity, 256);
    EXPECT_EQ(pixel_at(slot(2), 0, 0)[3], 32767);
    EXPECT_EQ(pixel_at(slot(2), 1, 1)[3], 500);
    EXPECT_EQ(pixel_at(slot(2), 0, 0)[0], 9);
}

TEST_F(LayerTableTest, NormalizeLeavesAlphaModeLayersAlone)
{
    ASSERT_EQ(MUR_CreateLayer(2, 16, 12), 1);
    fill_layer(slot(2), 9, 9, 9, 65535);
    MUR_SetLayerOptions(2, 1, 0, 50, "Alpha Smooth");
    MUR_NormalizeLayerAlpha(2);
    EXPECT_EQ(slot(2).opacity, 128);
    EXPECT_EQ(pixel_at(slot(2), 0, 0)[3], 65535);
}

TEST_F(LayerTableTest, SetAndInvertAlpha)
{
    ASSERT_EQ(MUR_CreateLayer(2, 16, 12), 1);
    MUR_SetLayerAlpha(2, 1000);
    EXPECT_TRUE(all_pixels(slot(2), 0, 0, 0, 1000));
    MUR_InvertAlpha(2);
    EXPECT_TRUE(all_pixels(slot(2), 0, 0, 0, 64535));
    MUR_SetLayerAlpha(2, 70000);
    EXPECT_TRUE(all_pixels(slot(2), 0, 0, 0, 65535));
    MUR_SetLayerAlpha(2, -3);
    EXPECT_TRUE(all_pixels(slot(2), 0, 0, 0, 0));
}

TEST_F(LayerTableTest, InvertAlphaOfAHostImage)
{
    std::vector<uint8_t> image(16 * 12 * 4, 7);
    image[3] = 0;
    image[7] = 255;
    MUR_InvertAlpha_RGBA32(image.data());
    EXPECT_EQ(image[3], 255);
    EXPECT_EQ(image[7], 0);
    EXPECT_EQ(image[11], 248);
    EXPECT_EQ(image[0], 7);
    EXPECT_EQ(image.back(), 248);
}

TEST_F(LayerTableTest, AlphaLayerOpacityIsPercentOfFull)
{
    const std::pair<int32_t, uint16_t> cases[] = {{100, 65535}, {50, 32767}, {0, 0}, {1, 655}, {150, 65535},
                                                  {-5, 0}};
    for (auto [percent, value] : cases) {
        MUR_SetAlphaLayerOpacity(percent);
        EXPECT_EQ(engine.layers.alphaLayerOpacity, value) << percent;
    }
}

TEST_F(LayerTableTest, BlobPullsColourToMidLevelAndBrightnessIntoAlpha)
{
    ASSERT_EQ(MUR_CreateLayer(2, 4, 1), 1);
    const uint16_t in[4][4] = {{65535, 65535, 65535, 65535}, {0, 0, 0, 65535}, {32767, 32767, 32767, 8192},
                               {65535, 0, 0, 8191}};
    for (int x = 0; x < 4; ++x) std::copy(in[x], in[x] + 4, pixel_at(slot(2), x, 0));
    MUR_CreateBlobFromImage(2, 1);
    // White: l = 65535, u = 32768/65534, c = trunc(65535 - 32768.5) = 32766.
    EXPECT_EQ(pixel_at(slot(2), 0, 0)[0], 32766);
    EXPECT_EQ(pixel_at(slot(2), 0, 0)[3], 65485);
    // Black: l = 0, u = 32767/65534 = 0.5, c = trunc(32767.5) = 32767.
    EXPECT_EQ(pixel_at(slot(2), 1, 0)[2], 32767);
    EXPECT_EQ(pixel_at(slot(2), 1, 0)[3], 10239);
    // Mid gray is left as it is; its alpha of 8192 takes the rule.
    EXPECT_EQ(pixel_at(slot(2), 2, 0)[1], 32767);
    EXPECT_EQ(pixel_at(slot(2), 2, 0)[3], 37861);  // trunc(32767 * 0.843 + 10239)
    // Red: l = 21845, u = 10922/65534, green = trunc(10922.17); alpha 8191 stays.
    EXPECT_EQ(pixel_at(slot(2), 3, 0)[0], 65535);
    EXPECT_EQ(pixel_at(slot(2), 3, 0)[1], 10922);
    EXPECT_EQ(pixel_at(slot(2), 3, 0)[3], 8191);

    MUR_CreateBlobFromImage(2, 0);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(pixel_at(slot(2), x, 0)[0], 32767);
}

// ---- Texture --------------------------------------------------------------

TEST_F(LayerTableTest, TextureIsBrightnessClampedTo4Through250)
{
    ASSERT_EQ(MUR_CreateLayer(2, 16, 12), 1);
    fill_layer(slot(2), 0, 0, 0, 65535);
    pixel_at(slot(2), 1, 0)[0] = 65535;
    std::fill_n(pixel_at(slot(2), 2, 0), 3, uint16_t{65535});
    std::fill_n(pixel_at(slot(2), 3, 0), 3, uint16_t{30000});
    EXPECT_EQ(MUR_CreateTexture(2), 16);
    const uint8_t* t = engine.layers.texture;
    EXPECT_EQ(t[0], 4);
    EXPECT_EQ(t[1], 65535 / 768);
    EXPECT_EQ(t[2], 250);
    EXPECT_EQ(t[3], 90000 / 768);
}

TEST_F(LayerTableTest, TextureBeyondASmallerLayerIsBlack)
{
    ASSERT_EQ(MUR_CreateLayer(2, 5, 5), 1);
    fill_layer(slot(2), 65535, 65535, 65535, 65535);
    EXPECT_EQ(MUR_CreateTexture(2), 16);
    EXPECT_EQ(engine.layers.texture[4 * 16 + 4], 250);
    EXPECT_EQ(engine.layers.texture[4 * 16 + 5], 4);
    EXPECT_EQ(engine.layers.texture[5 * 16 + 0], 4);
}

TEST_F(LayerTableTest, TextureFollowsTheTextureLayersRole)
{
    ASSERT_EQ(MUR_CreateLayer(1, 16, 12), 1);
    ASSERT_EQ(MUR_CreateLayer(2, 16, 12), 1);
    MUR_SetLayer(1);
    MUR_SetLayerOptions(2, 1, 0, 100, "Texturize3");
    EXPECT_NE(engine.layers.texture, nullptr) << "built when a visible texture layer is not current";
    MUR_SetLayer(2);
    EXPECT_EQ(engine.layers.texture, nullptr) << "dropped while the texture layer is edited";
    MUR_SetLayer(1);
    EXPECT_NE(engine.layers.texture, nullptr) << "rebuilt when another layer becomes current";
    MUR_SetLayerOptions(2, 0, 0, 100, "Texturize3");
    EXPECT_EQ(engine.layers.texture, nullptr) << "a hidden texture layer gives none";
    MUR_DeleteTexture();
    EXPECT_EQ(engine.layers.texture, nullptr);
}

TEST_F(LayerTableTest, TextureNeedsALiveLayer)
{
    EXPECT_EQ(MUR_CreateTexture(2), 0);
    EXPECT_EQ(engine.layers.texture, nullptr);
    ASSERT_EQ(MUR_CreateLayer(2, 16, 12), 1);
    mem::fail_allocations(0, -1);
    EXPECT_EQ(MUR_CreateTexture(2), 0);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

// ---- Slots outside the table -----------------------------------------------

class OutOfRangeSlot : public LayerTableTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(OutOfRangeSlot, EveryLayerExportDoesNothing)
{
    const int32_t bad = GetParam();
    ASSERT_EQ(MUR_CreateLayer(1, 16, 12), 1);
    MUR_SetLayer(1);
    const std::size_t blocks = mem::live_blocks();
    const LayerTable before = engine.layers;

    EXPECT_EQ(MUR_CreateLayer(bad, 4, 4), 0);
    MUR_DeleteLayer(bad);
    MUR_SetLayer(bad);
    MUR_SetLayerOptions(bad, 1, 1, 100, "Texturize3");
    MUR_SwapLayers(bad, 1);
    MUR_SwapLayers(1, bad);
    MUR_SetLayerAlpha(bad, 0);
    MUR_NormalizeLayerAlpha(bad);
    MUR_InvertAlpha(bad);
    MUR_CreateBlobFromImage(bad, 1);
    EXPECT_EQ(MUR_CreateTexture(bad), 0);
    MUR_SaveUndoBackBuffer(bad);

    EXPECT_EQ(mem::live_blocks(), blocks);
    EXPECT_EQ(engine.layers.currentLayer, 1);
    EXPECT_EQ(engine.layers.slots[1].pixels, before.slots[1].pixels);
    EXPECT_EQ(engine.layers.slots[1].mode, before.slots[1].mode);
    EXPECT_TRUE(all_pixels(slot(1), 65535, 65535, 65535, 65535));
    EXPECT_EQ(engine.layers.texture, nullptr);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

INSTANTIATE_TEST_SUITE_P(Slots, OutOfRangeSlot, ::testing::Values(-1, 272, 273, INT32_MIN, INT32_MAX));

}  // namespace
}  // namespace mur::test
