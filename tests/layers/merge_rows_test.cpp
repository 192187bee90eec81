// The layer merge by row kernels (opaque runs copied whole, Normal decided in
// double precision where that is certain) gives the bytes of a plain
// per-pixel merge in extended precision, on random rectangles of every mode
// with random opacities, densities, layer masks, locks and the same-alpha
// flag.
#include "support/engine_fixture.h"
#include "support/random_pixels.h"

#include "layers/blend_colour.h"
#include "layers/blend_stage.h"
#include "layers/layer_merge.h"
#include "layers/merge_pixel.h"
#include "layers/normal_blend_fast.h"

#include <vector>

namespace mur::test {
namespace {

using Real = long double;

uint16_t clamp16(int32_t v) { return static_cast<uint16_t>(std::clamp(v, 0, 65535)); }

// The merge of one pixel pair, straight from the rules.
void reference_pixel(const MergeRequest& r, const uint16_t* s, const uint16_t* m, uint16_t* d)
{
    const int32_t mode = (r.mode >= 0 && r.mode < kBlendModeCount) ? r.mode : kModeNormal;
    const int32_t opacity = std::clamp(r.opacity, 0, 256), density = std::clamp(r.density, 0, 255);
    const bool alphaMode = mode >= kFirstAlphaMode;
    int32_t sourceAlpha = s[3];
    if (sourceAlpha == 0 && !alphaMode) return;
    if (m && m[3] != 0)
        sourceAlpha = static_cast<int32_t>(((uint32_t{m[0]} + m[1] + m[2]) / 3 * uint32_t(sourceAlpha)) >> 16);
    blend::StagePixel p{{s[0], s[1], s[2]}, ((density + 1) * sourceAlpha) >> 8, mode, false};
    const int32_t a0 = engine.layers.alphaLayerOpacity;
    if (alphaMode) {
        if (r.sameAlphaMode)
            blend::same_alpha_stage(mode, p, a0);
        else
            blend::alpha_stage(mode, p, a0);
    }
    if (opacity < 255) p.u = ((opacity + 1) * p.u) >> 8;
    p.u = std::clamp(p.u, 0, 65535);
    const int32_t destAlpha = p.destAsClear ? 0 : d[3];
    uint16_t out[4];
    if (destAlpha == 0) {
        if (keeps_clear_destination(mode) || p.u == 0) {
            out[0] = out[1] = out[2] = out[3] = 0;
        } else {
            for (int i = 0; i < 3; ++i) out[i] = clamp16(p.c[i]);
            out[3] = static_cast<uint16_t>(p.u);
        }
    } else if (p.u == 0) {
        return;
    } else if (p.u >= 65280 && p.colourMode == kModeNormal) {
        for (int i = 0; i < 3; ++i) out[i] = clamp16(p.c[i]);
        out[3] = static_cast<uint16_t>(p.u);
    } else {
        blend::Blend<Real> b{};
        b.sa = static_cast<Real>(p.u) / 65535;
        b.da = static_cast<Real>(destAlpha) / 65535;
        for (int i = 0; i < 3; ++i) {
            b.sc[i] = static_cast<Real>(p.c[i]) / 65280;
            b.sca[i] = p.c[i] * b.sa / 65280;
            b.dca[i] = d[i] * b.da / 65280;
        }
        b.ao = b.sa + b.da * (1 - b.sa);
        b.third = 0.33333334L;
        b.screenAtHalf = false;
        blend::blend_colour(p.colourMode, b);
        const Real ao = std::clamp<Real>(b.ao, 0, 1);
        for (int i = 0; i < 3; ++i) {
            Real c = ao > 0 ? b.rc[i] / ao : 0;
            if (!(c > 0)) c = 0;
            out[i] = static_cast<uint16_t>(std::min<Real>(c, 1) * 65280);
        }
        out[3] = static_cast<uint16_t>(ao * 65535);
    }
    d[0] = out[0];
    d[1] = out[1];
    d[2] = out[2];
    if (!r.alphaLock) d[3] = out[3];
}

void reference_merge(const MergeRequest& r)
{
    for (int32_t j = 0; j < r.height; ++j)
        for (int32_t i = 0; i < r.width; ++i) {
            const int32_t sx = r.sourceX + i, sy = r.sourceY + j;
            const uint16_t* m = r.maskLayer && r.maskMode == kModeLayerMask && sx < r.maskWidth && sy < r.maskHeight
                                    ? r.maskLayer + int64_t{sy} * r.maskStride + sx * 4
                                    : nullptr;
            reference_pixel(r, r.source + int64_t{sy} * r.sourceStride + sx * 4, m,
                            r.destination + int64_t{r.destY + j} * r.destStride + (r.destX + i) * 4);
        }
}

std::vector<uint16_t> random_pixels(Rng& rng, int64_t count, const std::vector<uint16_t>* like = nullptr)
{
    std::vector<uint16_t> px(count * 4);
    fill_random_pixels(px.data(), count, rng, like ? like->data() : nullptr);
    return px;
}

TEST(MergeRows, RandomRectanglesGiveTheBytesOfThePerPixelMerge)
{
    reset_engine();
    int merges = 0;
    for (uint32_t seed = 1; seed <= 1500; ++seed) {
        Rng rng(seed);
        const int32_t sw = pick(rng, 1, 70), sh = pick(rng, 1, 12), dw = pick(rng, 1, 70), dh = pick(rng, 1, 12);
        std::vector<uint16_t> dest = random_pixels(rng, int64_t{dw} * dh);
        const std::vector<uint16_t> source = random_pixels(rng, int64_t{sw} * sh, sw == dw && sh == dh ? &dest : nullptr);
        const int32_t mw = pick(rng, 1, sw + 3), mh = pick(rng, 1, sh + 3);
        const std::vector<uint16_t> mask = random_pixels(rng, int64_t{mw} * mh);
        engine.layers.alphaLayerOpacity = static_cast<uint16_t>(pick(rng, 0, 1) ? 65535 : pick(rng, 0, 65535));

        MergeRequest r;
        r.source = source.data();
        r.sourceWidth = sw, r.sourceHeight = sh, r.sourceStride = sw * 4;
        r.destination = nullptr;
        r.destWidth = dw, r.destHeight = dh, r.destStride = dw * 4;
        r.sourceX = pick(rng, 0, sw - 1), r.sourceY = pick(rng, 0, sh - 1);
        r.destX = pick(rng, 0, dw - 1), r.destY = pick(rng, 0, dh - 1);
        r.width = std::min(sw - r.sourceX, dw - r.destX);
        r.height = std::min(sh - r.sourceY, dh - r.destY);
        if (pick(rng, 0, 3) == 0) {
            r.maskLayer = mask.data();
            r.maskWidth = mw, r.maskHeight = mh, r.maskStride = mw * 4;
            r.maskMode = pick(rng, 0, 4) ? kModeLayerMask : 0;
        }
        // Normal and the modes that composite like it more often: they have
        // their own row kernel.
        const int32_t kind = pick(rng, 0, 9);
        const int32_t normalLike[] = {kModeReflect, kModeGlow, kModeSilhouette, kModeAlphaNormal, 31, 60};
        r.mode = kind < 3   ? kModeNormal
                 : kind < 5 ? normalLike[pick(rng, 0, 5)]
                            : static_cast<int32_t>(kBlendModes[pick(rng, 0, 52)].id);
        r.opacity = pick(rng, 0, 2) ? 256 : pick(rng, -5, 260);
        r.density = pick(rng, 0, 2) ? 255 : pick(rng, 0, 255);
        r.alphaLock = pick(rng, 0, 4) == 0;
        r.sameAlphaMode = pick(rng, 0, 3) == 0;

        std::vector<uint16_t> want = dest, got = dest;
        r.destination = want.data();
        reference_merge(r);
        r.destination = got.data();
        merge_layer(r);
        ASSERT_EQ(got, want) << "seed " << seed << " mode " << r.mode;
        ++merges;
    }
    EXPECT_EQ(merges, 1500);
    reset_engine();
}

// A row of paint over a row of layer pixels is what MUR_MergePixel makes of
// each pixel, in every mode, with the vector rows and without.
TEST(MergeRows, PaintRowsGiveThePixelsOfMergePixel)
{
    reset_engine();
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        Rng rng(seed);
        const int64_t n = pick(rng, 1, 90);
        const std::vector<uint16_t> paint = random_pixels(rng, n);
        const std::vector<uint16_t> layer = random_pixels(rng, n, &paint);
        PaintRow row;
        row.paint = paint.data();
        row.width = n;
        row.mode = pick(rng, 0, 1) ? kModeNormal : static_cast<int32_t>(kBlendModes[pick(rng, 0, 52)].id);
        row.opacity = pick(rng, 0, 1) ? 256 : pick(rng, 0, 256);
        row.density = pick(rng, 0, 1) ? 255 : pick(rng, 0, 255);
        row.a0 = pick(rng, 0, 65535);
        row.alphaLock = pick(rng, 0, 3) == 0;
        engine.layers.alphaLayerOpacity = static_cast<uint16_t>(row.a0);

        std::vector<uint16_t> want = layer;
        for (int64_t i = 0; i < n; ++i) {
            int32_t d[4] = {want[i * 4], want[i * 4 + 1], want[i * 4 + 2], want[i * 4 + 3]};
            const uint16_t* s = paint.data() + i * 4;
            MUR_MergePixel(&d[0], &d[1], &d[2], &d[3], s[0], s[1], s[2], (uint32_t{s[3]} * (row.density + 1)) >> 8,
                           row.mode, row.opacity, row.alphaLock);
            for (int k = 0; k < 4; ++k) want[i * 4 + k] = static_cast<uint16_t>(d[k]);
        }
        for (bool vectors : {true, false}) {
            use_vector_paint_rows(vectors);
            std::vector<uint16_t> got = layer;
            row.pixels = got.data();
            merge_paint_row(row);
            ASSERT_EQ(got, want) << "seed " << seed << " mode " << row.mode << (vectors ? " vectors" : "");
        }
    }
    use_vector_paint_rows(true);
    reset_engine();
}

// The double-precision decision for Normal: wherever it decides, it gives
// the extended-precision integers, over every coverage and destination alpha
// class, colours equal and not.
TEST(MergeRows, NormalInDoublePrecisionDecidesOnlyWhereItIsCertain)
{
    Rng rng(5);
    int64_t decided = 0, declined = 0;
    for (int32_t u = 1; u < 65280; ++u) {
        for (int trial = 0; trial < 4; ++trial) {
            const int32_t destAlpha = trial == 0 ? 65535 : trial == 1 ? pick(rng, 1, 255) : pick(rng, 1, 65535);
            const int32_t c[3] = {random_colour(rng), random_colour(rng), random_colour(rng)};
            const uint16_t green = pick(rng, 0, 7) ? random_colour(rng) : static_cast<uint16_t>(c[1]);
            uint16_t d[4] = {random_colour(rng), green, random_colour(rng), static_cast<uint16_t>(destAlpha)};
            uint16_t fast[4];
            if (!blend::normal_blend_fast(c, u, destAlpha, d, fast)) {
                ++declined;
                continue;
            }
            ++decided;
            MergeRequest r;
            r.mode = kModeNormal;
            const uint16_t s[4] = {static_cast<uint16_t>(c[0]), static_cast<uint16_t>(c[1]),
                                   static_cast<uint16_t>(c[2]), static_cast<uint16_t>(u)};
            reference_pixel(r, s, nullptr, d);
            ASSERT_TRUE(std::equal(d, d + 4, fast)) << "u " << u << " destination alpha " << destAlpha;
        }
    }
    // Equal colours (one pixel in eight here) give exact integers, where it
    // must decline; otherwise it declines rarely.
    EXPECT_GT(decided, 5 * declined);
}

}  // namespace
}  // namespace mur::test
