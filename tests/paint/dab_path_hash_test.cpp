// One scripted stroke through each path of the dab, pinned by a hash of what
// it paints: the plain row kernels, the general row kernel in its mix
// families (pick-up with remix and variation, the modes from 34 on, the
// premultiplied mode 33 with the locks, the eraser) and the mask dab. A
// change that moves any byte of these shows here; when a change is meant to,
// the new hashes are put in with the reason.
#include "support/engine_fixture.h"

#include <omp.h>

#include <cmath>
#include <functional>

namespace mur::test {
namespace {

constexpr int32_t W = 120;
constexpr int32_t H = 90;

uint64_t fnv1a(const void* data, std::size_t bytes, uint64_t hash = 14695981039346656037ull)
{
    const auto* p = static_cast<const uint8_t*>(data);
    for (std::size_t i = 0; i < bytes; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    return hash;
}

class DabPathHash : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        omp_set_num_threads(1);
        create_image(W, H, 64);
        MUR_SetRandomSeed(1234);
        ASSERT_EQ(MUR_CreateLayer(1, W, H), 1);
        ASSERT_EQ(MUR_CreateLayer(2, W, H), 1);
        // A gradient with some transparency to paint over and pick up.
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                uint16_t* p = pixel_at(engine.layers.slots[2], x, y);
                p[0] = uint16_t(x * 540), p[1] = uint16_t(y * 720), p[2] = uint16_t((x + y) * 250);
                p[3] = uint16_t(y < 30 ? 65535 : y < 60 ? 40000 : 0);
            }
        MUR_SetLayer(2);
        // Texture (from the layer) and mask vary across the image.
        ASSERT_EQ(MUR_CreateTexture(2), W);
        for (int64_t i = 0; i < int64_t{W} * H; ++i) engine.mask.plane[i] = uint16_t((i * 977) % 65536);
    }
    void TearDown() override
    {
        omp_set_num_threads(omp_get_num_procs());
        EngineTest::TearDown();
    }
    // A wavy stroke of dabs whose size and alpha follow a pressure.
    static void stroke(int32_t r, int32_t g, int32_t b, bool pickUp = false)
    {
        for (int k = 0; k <= 30; ++k) {
            const double t = k / 30.0, pressure = std::sin(t * 3.14159);
            const int32_t x = 6 + int32_t(t * 108), y = 45 + int32_t(30 * std::sin(t * 5));
            MUR_SetScaleSize(10 + int32_t(40 * pressure));
            MUR_SetAlpha(35 + int32_t(65 * pressure));
            if (pickUp) MUR_MixBlendBufferSurface(x, y, 140);
            MUR_DrawDabGrit(x, y, r, g, b);
            MUR_DecDrawingLength();
        }
    }
    static uint64_t layer_hash(const LayerRecord& layer)
    {
        return fnv1a(layer.pixels, std::size_t(layer.stride) * layer.height * 2);
    }
};

TEST_F(DabPathHash, EachPathPaintsWhatItPainted)
{
    struct Path {
        const char* name;
        std::function<uint64_t()> paint;
        uint64_t hash;
    };
    const Path paths[] = {
        {"plain, grit, mask capping the alpha in the paint layer",
         [] {
             MUR_SetSize(48);
             MUR_SetTool(0.8f, 2, 150, 180, 100, 0, 4, 0, 0, 0, 0, 0, 0, "", "", 0);
             MUR_SetDensity(200);
             MUR_EnableMask(1);
             MUR_CreatePaintLayer(90, 100, "Normal");
             stroke(0xC000, 0x4000, 0x2000);
             return layer_hash(engine.paintLayer);
         },
         0xa11fb1219ca5bcefull},
        {"plain, no grit, straight into the layer with the mask on the coverage",
         [] {
             MUR_SetSize(40);
             MUR_SetTool(1.0f, 0, 0, 0, 60, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0);
             MUR_EnableMask(1);
             stroke(0x2000, 0x8000, 0xF000);
             return layer_hash(engine.layers.slots[2]);
         },
         0xbc08d04223ec6b58ull},
        {"general: pick-up with remix, colour and luminance variation, rotation",
         [] {
             MUR_SetSize(40);
             MUR_SetTool(1.0f, 3, 120, 200, 80, 12, 5, 180, 60, 1, 0, 0, 0, "", "", 0);
             MUR_SetPixColorVary(20);
             MUR_SetPixLumVary(30);
             MUR_SetRotateBrushMode(1, 30);
             MUR_CreatePaintLayer(100, 100, "Normal");
             stroke(0x9000, 0x3000, 0xA000, true);
             return layer_hash(engine.paintLayer) ^ layer_hash(*engine.blend.selected);
         },
         0x5cdca17702de1386ull},
        {"general: mix modes from 34 on, straight into the layer",
         [] {
             MUR_SetSize(36);
             MUR_SetTool(1.0f, 0, 0, 0, 70, 8, 0, 0, 0, 0, 0, 0, 0, "", "", 0);
             MUR_SetColorBanks(200, 30, 30, 30, 200, 30, 30, 30, 200, 250, 250, 250);
             uint64_t hash = 0;
             for (int32_t mode : {34, 42, 47, 250, 253, 256, 295, 340, 387, 425}) {
                 MUR_SetMixMode(mode, 180);
                 stroke(0x6000, 0xB000, 0x3000);
                 hash = hash * 31 + layer_hash(engine.layers.slots[2]);
             }
             return hash;
         },
         0x9113800db05dba65ull},
        {"general: the premultiplied mode 33 with colour and blob locks and an alpha level",
         [] {
             MUR_SetSize(30);
             MUR_SetTool(1.0f, 2, 150, 180, 90, 0, 4, 0, 0, 0, 0, 0, 0, "", "", 0);
             MUR_SetMixMode(33, 127);
             MUR_SetBlobLocked(1);
             stroke(0x7000, 0x7000, 0x1000);
             MUR_SetBlobLocked(0);
             MUR_SetColorLocked(1);
             MUR_SetAlphaLevel(30000);
             stroke(0x1000, 0x7000, 0x7000);
             return layer_hash(engine.layers.slots[2]);
         },
         0xde5be0e925b14233ull},
        {"general: the eraser, solid and through the grit",
         [] {
             MUR_SetSize(30);
             MUR_SetTool(1.0f, 2, 150, 180, 90, 0, 4, 0, 0, 0, 0, 0, 0, "", "", 0);
             MUR_SetSolidBrushMode(1);
             for (int k = 0; k < 12; ++k) {
                 MUR_SetEraseModeOn();
                 MUR_DrawDabGrit(10 + k * 9, 20 + k * 3, 0, 0, 0);
             }
             return layer_hash(engine.layers.slots[2]);
         },
         0x3b31d22e9ba7efc4ull},
        {"the mask dab, picking up from the buffer",
         [] {
             MUR_SetSize(36);
             MUR_SetTool(1.0f, 2, 150, 180, 90, 16, 4, 160, 0, 1, 0, 0, 0, "", "", 0);
             MUR_SetPixLumVary(20);
             for (int k = 0; k <= 20; ++k) {
                 MUR_SetMaskMakerOn();
                 MUR_MixBlendBufferSurface(8 + k * 5, 40, 120);
                 MUR_DrawDabGrit(8 + k * 5, 40 + (k % 5) * 4, 0x3000 + k * 0x800, 0x9000, 0x6000);
             }
             return fnv1a(engine.mask.plane, std::size_t(W) * H * 2);
         },
         0xe71d6341c71dab44ull},
    };
    for (const Path& path : paths) {
        SetUp();
        const uint64_t hash = path.paint();
        EXPECT_EQ(hash, path.hash) << path.name << ": 0x" << std::hex << hash;
        TearDown();
    }
}

}  // namespace
}  // namespace mur::test
