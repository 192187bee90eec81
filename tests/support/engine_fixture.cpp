#include "support/engine_fixture.h"

#include "undo/history.h"

namespace mur::test {

void EngineTest::create_image(int32_t width, int32_t height, int32_t maxBrushSize)
{
    MUR_CreateImage(nullptr, width, height, maxBrushSize, 0);
    ASSERT_NE(engine.mask.plane, nullptr);
    ASSERT_NE(engine.undo.backBuffer.colorPatch, nullptr);
}

uint16_t* pixel_at(const LayerRecord& layer, int32_t x, int32_t y)
{
    return layer.pixels + static_cast<std::size_t>(y) * layer.stride + static_cast<std::size_t>(x) * 4;
}

void fill_layer(LayerRecord& layer, uint16_t r, uint16_t g, uint16_t b, uint16_t a)
{
    for (int32_t y = 0; y < layer.height; ++y)
        for (int32_t x = 0; x < layer.width; ++x) {
            uint16_t* p = pixel_at(layer, x, y);
            p[0] = r;
            p[1] = g;
            p[2] = b;
            p[3] = a;
        }
}

void put_history_entry(int index, int32_t layer, int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool color,
                       bool mask)
{
    UndoEntry& e = engine.undo.entries[index];
    undo::release_entry(e, engine.mask.enabled);
    e.x0 = x0;
    e.y0 = y0;
    e.x1 = x1;
    e.y1 = y1;
    const std::size_t area = static_cast<std::size_t>(x1 - x0 + 1) * static_cast<std::size_t>(y1 - y0 + 1);
    if (color) {
        e.colorPatch = mem::alloc_array<uint16_t>(area * 4);
        engine.undo.undoUsedKB += undo::color_patch_kb(e);
    }
    if (mask) {
        e.maskPatch = mem::alloc_array<uint16_t>(area);
        engine.undo.undoUsedKB += undo::mask_patch_kb(e);
    }
    engine.undo.entryLayer[index] = layer;
}

}  // namespace mur::test
