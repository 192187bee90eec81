#include "support/engine_fixture.h"

#include "layers/blend_modes.h"

#include <array>
#include <vector>

namespace mur::test {
namespace {

constexpr int32_t W = 80;
constexpr int32_t H = 40;

using Bgr = std::array<uint8_t, 3>;

class ViewRender : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(W, H, 8);
        ASSERT_EQ(MUR_CreateLayer(2, W, H), 1);
        MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
        MUR_SetLayer(2);
        out.assign(std::size_t(W) * 4 * H * 4 * 3, 0xEE);
    }
    static LayerRecord& layer(int slot) { return engine.layers.slots[slot]; }
    static void set(int slot, int x, int y, uint16_t r, uint16_t g, uint16_t b, uint16_t a)
    {
        uint16_t* p = pixel_at(layer(slot), x, y);
        p[0] = r, p[1] = g, p[2] = b, p[3] = a;
    }
    // Renders the whole image 1:1 into `out`, rows of `stride` bytes.
    int32_t render(int32_t stride = W * 3) { return MUR_Render(out.data(), stride, 0, 0, W, H); }
    Bgr at(int x, int y, int32_t stride = W * 3) const
    {
        const uint8_t* p = out.data() + std::size_t(y) * stride + x * 3;
        return {p[0], p[1], p[2]};
    }
    std::vector<uint8_t> out;
};

constexpr Bgr kWhite{255, 255, 255};
constexpr Bgr kGrayCell{0x9F, 0x9F, 0x9F};

TEST_F(ViewRender, NothingVisibleShowsTheCheckerboard)
{
    MUR_SetLayerOptions(2, 0, 0, 100, "Normal");
    ASSERT_NE(render(), 0);
    EXPECT_EQ(at(0, 0), kWhite);
    EXPECT_EQ(at(31, 31), kWhite);
    EXPECT_EQ(at(32, 0), kGrayCell);
    EXPECT_EQ(at(0, 32), kGrayCell);
    EXPECT_EQ(at(32, 32), kWhite);
}

TEST_F(ViewRender, WithoutACurrentLayerNothingIsDrawn)
{
    MUR_DeleteLayer(2);
    EXPECT_EQ(render(), 0);
    EXPECT_EQ(out[0], 0xEE);
    EXPECT_EQ(MUR_Render(nullptr, 0, 0, 0, W, H), 0);
}

TEST_F(ViewRender, BackgroundIsOpaqueWhateverItsAlpha)
{
    ASSERT_EQ(MUR_CreateLayer(1, W, H), 1);
    MUR_SetLayerOptions(1, 1, 0, 100, "Normal");
    set(1, 3, 3, 10 << 8, 20 << 8, 30 << 8, 0);
    set(1, 4, 3, 10 << 8, 20 << 8, 30 << 8, 100);
    render();
    EXPECT_EQ(at(3, 3), (Bgr{30, 20, 10}));
    EXPECT_EQ(at(4, 3), (Bgr{30, 20, 10}));
    // Also under a layer mask right above it.
    ASSERT_EQ(MUR_CreateLayer(3, W, H), 1);
    MUR_SetLayerOptions(3, 1, 0, 100, "Layer Mask");
    MUR_SetLayerOptions(2, 0, 0, 100, "Normal");
    set(3, 3, 3, 0, 0, 0, 65535);  // black mask
    render();
    EXPECT_EQ(at(3, 3), (Bgr{30, 20, 10}));
}

TEST_F(ViewRender, TextureSourceLayerIsNeverShown)
{
    fill_layer(layer(2), 65280, 0, 0, 65535);
    MUR_SetLayerOptions(2, 1, 0, 100, "Texturize3");
    render();
    EXPECT_EQ(at(0, 0), kWhite);
}

TEST_F(ViewRender, LayerMaskWeighsTheLayerBelow)
{
    ASSERT_EQ(MUR_CreateLayer(1, W, H), 1);
    MUR_SetLayerOptions(1, 1, 0, 100, "Normal");  // opaque white
    ASSERT_EQ(MUR_CreateLayer(3, W, H), 1);
    MUR_SetLayerOptions(3, 1, 0, 100, "Layer Mask");
    fill_layer(layer(2), 0, 0, 0, 65535);  // black layer
    set(3, 0, 0, 65280, 65280, 65280, 65535);  // white mask: alpha 65535 * 65280 >> 16 = 65279
    set(3, 1, 0, 0, 0, 0, 65535);               // black mask: hidden
    set(3, 3, 0, 32768, 32768, 32768, 65535);   // gray mask: alpha 32767, half over white
    // (2, 0): transparent mask pixel: the layer shows whole
    render();
    EXPECT_LE(at(0, 0)[0], 1) << "just under full: 256 of 65280 left of the white";
    EXPECT_EQ(at(1, 0), kWhite);
    EXPECT_EQ(at(2, 0), (Bgr{0, 0, 0}));
    EXPECT_NEAR(at(3, 0)[0], 128, 1);
}

TEST_F(ViewRender, HiddenCurrentLayerHidesThePaint)
{
    MUR_CreatePaintLayer(100, 100, "Normal");
    fill_layer(engine.paintLayer, 65280, 65280, 65280, 65535);
    MUR_SetLayerOptions(2, 0, 0, 100, "Normal");
    render();
    EXPECT_EQ(at(5, 5), kWhite);
    EXPECT_EQ(at(40, 5), kGrayCell);
    MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
    render();
    EXPECT_EQ(at(40, 5), kWhite) << "the paint shows on a visible current layer";
}

TEST_F(ViewRender, MaskTintAtHalfStrength)
{
    fill_layer(layer(2), 0, 0, 0, 65535);  // black, opaque
    MUR_SetMaskOptions(255, 0, 0, 0, 0, 255, 0);
    MUR_DisplayMask(1);
    engine.mask.plane[0] = 0;       // unselected, even cell: tint 2 (blue)
    engine.mask.plane[40] = 0;      // odd cell: tint 1 (red)
    render();
    // v = 0 becomes 32767, w = 32768: byte = ((32768 * 65280) >> 8) >> 16 = 127.
    EXPECT_EQ(at(0, 0), (Bgr{127, 0, 0}));
    EXPECT_EQ(at(40, 0), (Bgr{0, 0, 127}));
    EXPECT_EQ(at(1, 0), (Bgr{0, 0, 0})) << "selected pixels are not tinted";
    MUR_SetMaskOptions(255, 0, 0, 0, 0, 255, 1);  // full strength
    render();
    EXPECT_EQ(at(0, 0), (Bgr{254, 0, 0}));
    MUR_EnableMask(0);
    render();
    EXPECT_EQ(at(0, 0), (Bgr{0, 0, 0}));
}

TEST_F(ViewRender, TracingAveragesInTheTraceImage)
{
    fill_layer(layer(2), 20000, 0, 0, 65535);
    ASSERT_EQ(MUR_CreateLayer(0, W, H), 1);
    fill_layer(layer(0), 0, 40000, 0, 0);
    render();
    EXPECT_EQ(at(0, 0), (Bgr{0, 0, 20000 >> 8}));
    MUR_SetTracingMode(1);
    render();
    EXPECT_EQ(at(0, 0), (Bgr{0, 20000 >> 8, 10000 >> 8}));
}

TEST_F(ViewRender, NegativeCornerDrawsFromColumnZeroWithTheWidthAsPassed)
{
    for (int x = 0; x < W; ++x) set(2, x, 0, uint16_t(x << 8), 0, 0, 65535);
    MUR_Render(out.data(), W * 3, -5, 0, 10, 1);
    EXPECT_EQ(at(0, 0)[2], 0);
    EXPECT_EQ(at(9, 0)[2], 9);
    EXPECT_EQ(out[10 * 3], 0xEE) << "ten columns, not five";
}

TEST_F(ViewRender, EqualScalePairDrawsOneToOne)
{
    for (int x = 0; x < W; ++x) set(2, x, 0, uint16_t(x << 8), 0, 0, 65535);
    MUR_SetScale(2, 2.0f);
    MUR_Render(out.data(), W * 3, 0, 0, W, 1);
    for (int x = 0; x < W; ++x) ASSERT_EQ(at(x, 0)[2], x);
}

TEST_F(ViewRender, MagnifiedPathRepeatsEachPixel)
{
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) set(2, x, y, uint16_t(x << 8), uint16_t(y << 8), 0, 65535);
    MUR_SetScale(3, 1.0f);
    const int32_t stride = W * 3 * 3;
    MUR_Render(out.data(), stride, 10, 20, 5, 4);
    for (int j = 0; j < 12; ++j)
        for (int i = 0; i < 15; ++i) {
            ASSERT_EQ(at(i, j, stride)[2], 10 + i / 3) << i << "," << j;
            ASSERT_EQ(at(i, j, stride)[1], 20 + j / 3) << i << "," << j;
        }
    EXPECT_EQ(at(15, 0, stride)[0], 0xEE);
}

TEST_F(ViewRender, ReducedPathSkipsPixelsWithoutAveraging)
{
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) set(2, x, y, uint16_t(x << 8), uint16_t(y << 8), 0, 65535);
    MUR_SetScale(1, 2.5f);
    MUR_Render(out.data(), W * 3, 0, 0, W, H);
    // trunc(80 / 2.5) = 32 columns: image columns 0, 2, 5, 7, 10, ...
    const int expected[] = {0, 2, 5, 7, 10, 12, 15};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(at(i, 0)[2], expected[i]) << i;
    EXPECT_EQ(at(1, 1)[1], 2);
    EXPECT_EQ(at(31, 0)[2], 77);
    EXPECT_EQ(at(32, 0)[0], 0xEE);
}

TEST_F(ViewRender, ViewSizeBoundsTheOutput)
{
    fill_layer(layer(2), 0, 0, 0, 65535);
    MUR_SetViewSize(3, 2);
    render();
    EXPECT_EQ(at(2, 1), (Bgr{0, 0, 0}));
    EXPECT_EQ(at(3, 0)[0], 0xEE);
    EXPECT_EQ(at(0, 2)[0], 0xEE);
}

TEST_F(ViewRender, BottomUpBuffersTakeANegativeStride)
{
    for (int y = 0; y < H; ++y) set(2, 0, y, 0, uint16_t(y << 8), 0, 65535);
    const int32_t stride = W * 3;
    MUR_Render(out.data() + std::size_t(H - 1) * stride, -stride, 0, 0, W, H);
    EXPECT_EQ(at(0, H - 1)[1], 0);
    EXPECT_EQ(at(0, 0)[1], H - 1);
}

// The stroke shown while painting is what the merge then writes, up to the
// rounding of the two routines.
class PaintPreview : public ViewRender, public ::testing::WithParamInterface<const char*> {};

TEST_P(PaintPreview, ShowsWhatTheMergeWrites)
{
    ASSERT_EQ(MUR_CreateLayer(1, W, H), 1);
    MUR_SetLayerOptions(1, 1, 0, 100, "Normal");
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) set(2, x, y, uint16_t(x * 800), uint16_t(y * 1600), 30000, uint16_t(20000 + x * 500));
    MUR_CreatePaintLayer(70, 80, GetParam());
    for (int y = 5; y < 30; ++y)
        for (int x = 10; x < 60; ++x) {
            uint16_t* p = pixel_at(engine.paintLayer, x, y);
            p[0] = 60000, p[1] = uint16_t(x * 1000), p[2] = 5000, p[3] = uint16_t((x * 997 + y * 1311) % 65536);
        }
    MUR_SetPaintLayerExtents(10, 5, 60, 30);
    render();
    const std::vector<uint8_t> preview = out;
    MUR_MergePaintLayer(2);
    MUR_DeletePaintLayer();
    render();
    for (std::size_t i = 0; i < out.size() / 16; ++i) ASSERT_NEAR(preview[i], out[i], 1) << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(Modes, PaintPreview, ::testing::Values("Normal", "Multiply", "Alpha Smooth"),
                         [](const auto& info) { return std::string(info.param).substr(0, std::string(info.param).find(' ')) + std::to_string(info.index); });

}  // namespace
}  // namespace mur::test
