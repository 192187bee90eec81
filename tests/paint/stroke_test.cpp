// A whole stroke as a host paints it: dabs into the paint layer with the view
// drawn between them, the merge into the layer, the undo step, and undo and
// redo of it.
#include "support/engine_fixture.h"

#include <cmath>
#include <vector>

namespace mur::test {
namespace {

constexpr int32_t W = 96;
constexpr int32_t H = 64;

class Stroke : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(W, H, 32);
        MUR_SetRandomSeed(5);
        for (int32_t slot : {1, 3}) {
            ASSERT_EQ(MUR_CreateLayer(slot, W, H), 1);
            MUR_SetLayerOptions(slot, 1, 0, 100, "Normal");
        }
        // Something under the stroke to show through and to pick up.
        LayerRecord& under = engine.layers.slots[3];
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                uint16_t* p = pixel_at(under, x, y);
                p[0] = uint16_t(x * 600), p[1] = uint16_t(y * 900), p[2] = 20000, p[3] = uint16_t(x < 48 ? 65535 : 30000);
            }
        MUR_SetLayer(3);
        MUR_SetUndoLevels(10);
        MUR_SetUndoMB(16);
        view.assign(std::size_t(W) * H * 3, 0);
    }

    // A wavy stroke of chalk dabs whose size and alpha follow a pressure.
    void paint(int32_t blendStrength)
    {
        MUR_SetSize(24);
        MUR_SetTool(1.0f, 2, 150, 180, 120, 0, 3, blendStrength, 0, blendStrength > 0, 0, 0, 0, "", "", 0);
        MUR_SetDensity(170);
        MUR_CreatePaintLayer(80, 100, "Multiply");
        for (int k = 0; k <= 40; ++k) {
            const double t = k / 40.0, pressure = std::sin(t * 3.14159);
            const int32_t x = 4 + static_cast<int32_t>(t * 88), y = 32 + static_cast<int32_t>(14 * std::sin(t * 6));
            MUR_SetScaleSize(8 + static_cast<int32_t>(16 * pressure));
            MUR_SetAlpha(30 + static_cast<int32_t>(70 * pressure));
            if (blendStrength) MUR_MixBlendBufferSurface(x, y, 120);
            MUR_DrawDabGrit(x, y, 0xC000, 0x3000, 0x2000);
            MUR_DecDrawingLength();
        }
    }

    std::vector<uint8_t> render()
    {
        EXPECT_EQ(MUR_Render(view.data(), W * 3, 0, 0, W, H), 1);
        return view;
    }

    std::vector<uint16_t> layer_pixels() const
    {
        const LayerRecord& l = engine.layers.slots[3];
        return {l.pixels, l.pixels + std::size_t(l.stride) * l.height};
    }

    std::vector<uint8_t> view;
};

TEST_F(Stroke, MergedStrokeLooksAsItDidWhilePainted)
{
    for (const int32_t strength : {0, 160}) {
        const std::vector<uint8_t> before = render();
        paint(strength);
        const std::vector<uint8_t> preview = render();
        MUR_MergePaintLayer(3);
        const std::vector<uint8_t> merged = render();
        int shown = 0;
        for (std::size_t i = 0; i < merged.size(); ++i) {
            ASSERT_NEAR(preview[i], merged[i], 1) << "strength " << strength << " byte " << i;
            shown += preview[i] != before[i];
        }
        EXPECT_GT(shown, 1000) << "strength " << strength;
        MUR_SaveUndoBuffer(1, 0);
    }
}

TEST_F(Stroke, UndoTakesTheWholeStrokeBackAndRedoRestoresIt)
{
    const std::vector<uint16_t> before = layer_pixels();
    const std::vector<uint8_t> shownBefore = render();
    paint(0);
    MUR_MergePaintLayer(3);
    MUR_SaveUndoBuffer(1, 0);
    const std::vector<uint16_t> after = layer_pixels();
    ASSERT_NE(after, before);
    EXPECT_EQ(MUR_GetUndoCount(), 1);

    MUR_Undo();
    EXPECT_EQ(layer_pixels(), before);
    EXPECT_EQ(render(), shownBefore);
    MUR_Redo();
    EXPECT_EQ(layer_pixels(), after);
}

TEST_F(Stroke, SameSeedPaintsTheSameStroke)
{
    paint(160);
    MUR_MergePaintLayer(3);
    const std::vector<uint16_t> first = layer_pixels();
    reset_engine();
    SetUp();
    paint(160);
    MUR_MergePaintLayer(3);
    EXPECT_EQ(layer_pixels(), first);
}

}  // namespace
}  // namespace mur::test
