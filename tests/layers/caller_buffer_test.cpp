// Every export that moves pixels between the engine and a caller's buffer
// with a row stride refuses a negative stride (the rows would run before the
// pointer) and leaves both the buffer and the engine as they were; and with
// no image, the image-sized transfers find nothing to do.
#include "support/engine_fixture.h"

#include <climits>
#include <functional>
#include <vector>

namespace mur::test {
namespace {

constexpr int32_t W = 12;
constexpr int32_t H = 7;

struct StridedExport {
    const char* name;
    std::function<void(uint8_t* buffer, int32_t stride)> call;
};

std::vector<StridedExport> strided_exports()
{
    auto u16 = [](uint8_t* b) { return reinterpret_cast<uint16_t*>(b); };
    return {
        {"LoadRGBA32Layer", [](uint8_t* b, int32_t s) { MUR_LoadRGBA32Layer(b, s, 2, -2, -1, W, H, 1); }},
        {"LoadRGBA32", [](uint8_t* b, int32_t s) { MUR_LoadRGBA32(b, s, 0); }},
        {"LoadRGB24", [](uint8_t* b, int32_t s) { MUR_LoadRGB24(b, s, 1); }},
        {"Load", [](uint8_t* b, int32_t s) { MUR_Load(b, s, W, H); }},
        {"LoadRGB24ToAlpha", [](uint8_t* b, int32_t s) { MUR_LoadRGB24ToAlpha(b, s, 0); }},
        {"SetRGBA64Layer", [=](uint8_t* b, int32_t s) { MUR_SetRGBA64Layer(u16(b), s, 2); }},
        {"GetRGBA32Layer", [](uint8_t* b, int32_t s) { MUR_GetRGBA32Layer(b, s, 2); }},
        {"GetRGBA32", [](uint8_t* b, int32_t s) { MUR_GetRGBA32(b, s); }},
        {"GetRGB24Layer", [](uint8_t* b, int32_t s) { MUR_GetRGB24Layer(b, s, 2); }},
        {"GetRGB24", [](uint8_t* b, int32_t s) { MUR_GetRGB24(b, s); }},
        {"GetRGB24FromAlpha", [](uint8_t* b, int32_t s) { MUR_GetRGB24FromAlpha(b, s); }},
        {"GetRGBA64Layer", [=](uint8_t* b, int32_t s) { MUR_GetRGBA64Layer(u16(b), s, 2); }},
        {"GetRGB24FromRGBA64", [=](uint8_t* b, int32_t s) { MUR_GetRGB24FromRGBA64(b, s, u16(b + 4096), W * 8); }},
        {"GetRGBA32FromRGBA64", [=](uint8_t* b, int32_t s) { MUR_GetRGBA32FromRGBA64(b + 4096, W * 4, W, H, u16(b), s); }},
        {"RGBA64RectToRGBA32", [=](uint8_t* b, int32_t s) { MUR_RGBA64RectToRGBA32(u16(b), 1, 1, 3, 3, s / 8, 0, b + 4096); }},
        {"ClearRGBA64", [=](uint8_t* b, int32_t s) { MUR_ClearRGBA64(u16(b), s, 1, 2, 3, 4); }},
        {"ClearRGBA32", [](uint8_t* b, int32_t s) { MUR_ClearRGBA32(b, s, 1, 2, 3, 4); }},
        {"SaveMask", [](uint8_t* b, int32_t s) { MUR_SaveMask(b, s); }},
        {"LoadMask", [](uint8_t* b, int32_t s) { MUR_LoadMask(b, s, W, H); }},
        {"CombineMask", [](uint8_t* b, int32_t s) { MUR_CombineMask(b, s, 0, 0, "Replace"); }},
        {"ApplyMaskToAlphaRect_RGBA32", [](uint8_t* b, int32_t s) { MUR_ApplyMaskToAlphaRect_RGBA32(b, s, 0, 0, 4, 4); }},
        {"SetPixelRGB24", [](uint8_t* b, int32_t s) { MUR_SetPixelRGB24(b, s, 2, 3, 65535, 0, 0); }},
    };
}

class CallerBuffers : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(W, H, 8);
        ASSERT_EQ(MUR_CreateLayer(2, W, H), 1);
        MUR_SetLayer(2);
        fill_layer(engine.layers.slots[2], 1000, 2000, 3000, 40000);
        std::fill_n(engine.mask.plane, W * H, 30000);
    }

    // The layer and the mask as they stand.
    static std::vector<uint16_t> engine_pixels()
    {
        const LayerRecord& layer = engine.layers.slots[2];
        std::vector<uint16_t> all(layer.pixels, layer.pixels + W * H * 4);
        all.insert(all.end(), engine.mask.plane, engine.mask.plane + W * H);
        return all;
    }
};

TEST_F(CallerBuffers, NegativeStridesAreRefusedAndTouchNothing)
{
    // The buffer starts in the middle of a block, so that rows running
    // backwards would land in memory that the test can watch.
    std::vector<uint8_t> block(1 << 16, 0x5A);
    uint8_t* buffer = block.data() + (1 << 15);
    for (const StridedExport& e : strided_exports())
        for (int32_t stride : {-1, -W * 4, INT_MIN}) {
            const std::vector<uint16_t> before = engine_pixels();
            e.call(buffer, stride);
            EXPECT_EQ(engine_pixels(), before) << e.name << " with stride " << stride;
            EXPECT_EQ(std::count(block.begin(), block.end(), 0x5A), std::ptrdiff_t(block.size()))
                << e.name << " with stride " << stride;
        }
}

TEST_F(CallerBuffers, EveryStridedExportMovesPixelsWithAStrideOfTheRow)
{
    // The other side of the test above: the same calls do their work with an
    // ordinary stride, so the refusal is the stride's doing.
    std::vector<uint8_t> ramp(1 << 16);
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<uint8_t>(i * 7 + i / 256);
    for (const StridedExport& e : strided_exports()) {
        std::vector<uint8_t> block = ramp;
        fill_layer(engine.layers.slots[2], 1000, 2000, 3000, 40000);
        std::fill_n(engine.mask.plane, W * H, 30000);
        const std::vector<uint16_t> before = engine_pixels();
        e.call(block.data(), W * 8);
        EXPECT_TRUE(engine_pixels() != before || block != ramp) << e.name;
    }
}

TEST_F(CallerBuffers, WithoutAnImageTheImageSizedTransfersDoNothing)
{
    MUR_DeleteImage();
    std::vector<uint8_t> block(1 << 12, 0x5A);
    uint16_t* wide = reinterpret_cast<uint16_t*>(block.data());
    MUR_ClearRGBA32(block.data(), INT_MAX, 1, 2, 3, 4);
    MUR_ClearRGBA64(wide, INT_MAX, 1, 2, 3, 4);
    MUR_GetRGB24FromRGBA64(block.data(), INT_MAX, wide, INT_MAX);
    MUR_RGBA64RectToRGBA32(wide, 1, 1, 1, 1, INT_MAX, 0, block.data());
    MUR_SetPixelRGB24(block.data(), INT_MAX, 1, 1, 65535, 65535, 65535);
    MUR_InvertAlpha_RGBA32(block.data());
    EXPECT_EQ(std::count(block.begin(), block.end(), 0x5A), std::ptrdiff_t(block.size()));
}

}  // namespace
}  // namespace mur::test
