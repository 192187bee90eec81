// The general row kernel of the dab gives the bytes of the plain kernels
// (portable and AVX2) on every row both accept: random records of every
// layout (grain, texture, mask on the coverage or capping the alpha), widths
// 1 to 70, solid or not, alpha written or not, over random pixels.
#include "paint/dab.h"
#include "engine/tool_settings.h"
#include "support/random_pixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace mur::test {
namespace {

TEST(DabRows, GeneralKernelEqualsThePlainKernelsOnPlainRows)
{
    constexpr int32_t kShape = 80, kImage = 100;
    Rng rng(2024);
    std::vector<uint16_t> shape(kShape * kShape), mask(kImage * kImage);
    std::vector<uint8_t> grit(kShape * kShape), texture(kImage * kImage);
    std::vector<int32_t> steps(kSizeSteps);
    int rows = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        if (trial % 50 == 0) {
            for (uint16_t& v : shape) v = pick(rng, 0, 3) ? random_alpha(rng) : 0;
            for (uint16_t& v : mask) v = pick(rng, 0, 2) ? 65535 : random_alpha(rng);
            for (uint8_t& v : grit) v = static_cast<uint8_t>(pick(rng, 0, 255));
            for (uint8_t& v : texture) v = pick(rng, 0, 2) ? 255 : static_cast<uint8_t>(pick(rng, 0, 255));
        }
        // Shape columns in order, as scaled brushes step through them, or anywhere.
        const bool ordered = pick(rng, 0, 1);
        for (int32_t k = 0; k < kSizeSteps; ++k) steps[k] = ordered ? std::min(k, kShape - 1) : pick(rng, 0, kShape - 1);

        dab::DabRecord d;
        d.left = pick(rng, 0, 20);
        d.right = d.left + pick(rng, 1, 70);
        d.top = pick(rng, 0, 20);
        d.bottom = d.top + 1;
        d.leftOffset = pick(rng, 0, 5);
        d.topOffset = pick(rng, 0, 5);
        d.steps = steps.data();
        d.shape = shape.data();
        d.shapeStride = kShape;
        d.size = kShape;
        d.imageWidth = kImage;
        if (pick(rng, 0, 1)) {
            d.grit = grit.data();
            d.gritLimit = grit.size();
        }
        if (pick(rng, 0, 1)) d.texture = texture.data();
        if (pick(rng, 0, 1)) d.mask = mask.data();
        d.maskOnCoverage = pick(rng, 0, 1);
        d.density = pick(rng, -1, 255);
        d.scaleAlpha = pick(rng, 0, 1);
        d.alphaScale = static_cast<uint32_t>(pick(rng, 0, 128));
        d.solid = pick(rng, 0, 4) == 0;
        d.writeAlpha = pick(rng, 0, 3) != 0;
        d.mixMode = mix::kMixNormal;
        for (uint32_t& c : d.colour) c = random_colour(rng);
        d.colour[3] = random_alpha(rng);
        d.plain = true;

        std::vector<uint16_t> pixels(std::size_t(kImage) * 4 * (d.bottom + 1));
        fill_random_pixels(pixels.data(), int64_t(pixels.size() / 4), rng);
        d.targetStride = kImage * 4;
        const int32_t row = d.top;

        std::vector<uint16_t> general = pixels;
        d.target = general.data();
        dab::paint_general_row(d, row);

        std::vector<uint16_t> portable = pixels;
        d.target = portable.data();
        plain_dab::portable_rows().paint(dab::plain_row(d, row));
        ASSERT_EQ(portable, general) << "trial " << trial;

        if (plain_dab::avx2_available()) {
            std::vector<uint16_t> vector = pixels;
            d.target = vector.data();
            plain_dab::avx2_rows().paint(dab::plain_row(d, row));
            ASSERT_EQ(vector, general) << "trial " << trial << " (AVX2)";
        }
        ++rows;
    }
    EXPECT_EQ(rows, 3000);
}

}  // namespace
}  // namespace mur::test
