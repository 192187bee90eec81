// The view drawn by rows, chunks, vector lanes and threads gives the bytes of
// the plain per-pixel renderer, on random documents: every blend mode,
// random opacities, layers of other sizes, layer masks, a stroke in progress
// in any mode, locks, tracing, the mask tint, all three sampling paths.
#include "support/engine_fixture.h"
#include "support/random_pixels.h"

#include "layers/blend_modes.h"
#include "paint/view_normal_rows.h"
#include "paint/view_reference.h"

#include <omp.h>

#include <string>
#include <vector>

namespace mur::test {
namespace {

void fill_random(LayerRecord& layer, Rng& rng)
{
    fill_random_pixels(layer.pixels, int64_t{layer.width} * layer.height, rng);
}

std::string random_mode(Rng& rng)
{
    // Normal more often, as documents have it.
    if (pick(rng, 0, 2) == 0) return "Normal";
    return std::string(kBlendModes[pick(rng, 0, std::size(kBlendModes) - 1)].name);
}

class ViewRows : public EngineTest {
protected:
    void TearDown() override
    {
        view::use_vector_kernels(true);
        omp_set_num_threads(omp_get_num_procs());
        EngineTest::TearDown();
    }

    // A random document of the given size with a current layer.
    void build(Rng& rng, int32_t w, int32_t h)
    {
        create_image(w, h, 8);
        const int layers = pick(rng, 1, 7);
        for (int k = 0; k < layers; ++k) {
            const int slot = k == 0 && pick(rng, 0, 1) ? 1 : pick(rng, 2, 12);
            // Mostly the image's size; sometimes smaller or larger.
            const int32_t lw = pick(rng, 0, 3) ? w : pick(rng, 1, w + 20);
            const int32_t lh = pick(rng, 0, 3) ? h : pick(rng, 1, h + 20);
            ASSERT_EQ(MUR_CreateLayer(slot, lw, lh), 1);
            fill_random(engine.layers.slots[slot], rng);
            const std::string mode = pick(rng, 0, 5) ? random_mode(rng) : "Layer Mask";
            const int opacity = pick(rng, 0, 2) ? 100 : pick(rng, 0, 100);
            MUR_SetLayerOptions(slot, pick(rng, 0, 7) != 0, pick(rng, 0, 4) == 0, opacity, mode.c_str());
        }
        int current = 2;
        while (!engine.layers.slots[current].pixels && current < 13) ++current;
        if (current == 13) current = 1;
        if (!engine.layers.slots[current].pixels) {
            ASSERT_EQ(MUR_CreateLayer(current, w, h), 1);
        }
        MUR_SetLayer(current);
        if (pick(rng, 0, 2)) {
            MUR_CreatePaintLayer(pick(rng, 0, 100), pick(rng, 0, 100), random_mode(rng).c_str());
            fill_random(engine.paintLayer, rng);
        }
        MUR_SetAlphaLocked(pick(rng, 0, 4) == 0);
        MUR_SetAlphaLayerOpacity(pick(rng, 0, 1) ? 100 : pick(rng, 0, 100));
        if (pick(rng, 0, 3) == 0) {
            ASSERT_EQ(MUR_CreateLayer(0, pick(rng, 1, w + 5), pick(rng, 1, h + 5)), 1);
            fill_random(engine.layers.slots[0], rng);
            MUR_SetTracingMode(1);
        }
        if (pick(rng, 0, 3) == 0) {
            for (int64_t i = 0; i < int64_t{w} * h; ++i)
                engine.mask.plane[i] = pick(rng, 0, 2) ? 65535 : static_cast<uint16_t>(pick(rng, 0, 65535));
            MUR_EnableMask(1);
            MUR_DisplayMask(1);
            MUR_SetMaskOptions(pick(rng, 0, 255), pick(rng, 0, 255), pick(rng, 0, 255), pick(rng, 0, 255),
                               pick(rng, 0, 255), pick(rng, 0, 255), pick(rng, 0, 1));
        }
    }
};

TEST_F(ViewRows, RandomDocumentsGiveTheBytesOfThePerPixelRenderer)
{
    struct Scale {
        int32_t n;
        float s;
    };
    const Scale scales[] = {{1, 1.0f}, {2, 2.0f}, {1, 1.5f}, {1, 2.0f}, {1, 3.7f}, {0, 0.6f}, {3, 1.0f}, {4, 0.5f}};
    int documents = 0, renders = 0;
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        Rng rng(seed);
        reset_engine();
        // Wide enough for several chunks of a row and for the threads to share rows.
        const int32_t w = pick(rng, 1, 3) == 1 ? pick(rng, 1, 20) : pick(rng, 250, 600);
        const int32_t h = pick(rng, 1, 80);
        build(rng, w, h);
        ++documents;
        for (int trial = 0; trial < 4; ++trial) {
            const Scale scale = scales[pick(rng, 0, std::size(scales) - 1)];
            MUR_SetScale(scale.n, scale.s);
            const int32_t vw = pick(rng, 0, 1) ? 0 : pick(rng, 1, 3 * w);
            const int32_t vh = pick(rng, 0, 1) ? 0 : pick(rng, 1, 3 * h);
            MUR_SetViewSize(vw, vh);
            const int32_t x = pick(rng, -5, w / 2), y = pick(rng, -5, h / 2);
            const int32_t rw = pick(rng, 1, w + 10), rh = pick(rng, 1, h + 10);
            const int32_t stride = 3 * 4 * (w + 10) + pick(rng, 0, 7);
            const std::size_t bytes = std::size_t(stride) * 4 * (h + 10);
            std::vector<uint8_t> want(bytes, 0x5A);
            ASSERT_EQ(reference_render(want.data(), stride, x, y, rw, rh), 1);
            for (int variant = 0; variant < 3; ++variant) {
                view::use_vector_kernels(variant != 1);
                omp_set_num_threads(variant == 2 ? 2 : 1);
                std::vector<uint8_t> got(bytes, 0x5A);
                ASSERT_EQ(MUR_Render(got.data(), stride, x, y, rw, rh), 1);
                ASSERT_EQ(got, want) << "seed " << seed << " trial " << trial << " variant " << variant;
                ++renders;
            }
        }
    }
    EXPECT_EQ(documents, 60);
    EXPECT_EQ(renders, 60 * 4 * 3);
}

TEST_F(ViewRows, BottomUpBuffersMatchToo)
{
    Rng rng(99);
    build(rng, 300, 40);
    const int32_t stride = 300 * 3;
    std::vector<uint8_t> want(std::size_t(stride) * 40), got(want.size());
    ASSERT_EQ(reference_render(want.data() + 39 * stride, -stride, 0, 0, 300, 40), 1);
    ASSERT_EQ(MUR_Render(got.data() + 39 * stride, -stride, 0, 0, 300, 40), 1);
    EXPECT_EQ(got, want);
}

}  // namespace
}  // namespace mur::test
