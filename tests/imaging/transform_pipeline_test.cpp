// The transform pipeline and the quad-to-quad warp against a plain
// reference: bilinear sampling in doubles with the edge rules written out.
#include "imaging/pixel_moves.h"
#include "imaging/transform_pipeline.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace mur::imaging {
namespace {

struct Picture {
    int32_t width, height;
    std::vector<uint8_t> rgba;

    Picture(int32_t w, int32_t h, uint32_t seed) : width(w), height(h), rgba(std::size_t(w) * h * 4)
    {
        std::mt19937 rng(seed);
        for (uint8_t& v : rgba) v = static_cast<uint8_t>(rng());
    }
    ConstImageView view() const { return ConstImageView(rgba.data(), width, height, width * 4, 4); }
    ImageView view() { return rgba32_view(rgba.data(), width, height, width * 4); }
    const uint8_t* at(int32_t x, int32_t y) const { return &rgba[(std::size_t(y) * width + x) * 4]; }
};

// One tap by the edge rule, then the bilinear mix, in doubles.
double reference_channel(const Picture& src, double x, double y, int c, EdgeMode edge, uint32_t fill)
{
    const double fx = std::floor(x), fy = std::floor(y);
    auto tap = [&](int64_t i, int64_t j) -> double {
        if (edge == EdgeMode::Wrap) {
            i = ((i % src.width) + src.width) % src.width;
            j = ((j % src.height) + src.height) % src.height;
        } else if (edge == EdgeMode::Repeat) {
            i = std::clamp<int64_t>(i, 0, src.width - 1);
            j = std::clamp<int64_t>(j, 0, src.height - 1);
        } else if (i < 0 || j < 0 || i >= src.width || j >= src.height) {
            return (fill >> (8 * c)) & 255;
        }
        return src.at(int32_t(i), int32_t(j))[c];
    };
    const double tx = x - fx, ty = y - fy;
    const auto i = int64_t(fx), j = int64_t(fy);
    return (tap(i, j) * (1 - tx) + tap(i + 1, j) * tx) * (1 - ty) + (tap(i, j + 1) * (1 - tx) + tap(i + 1, j + 1) * tx) * ty;
}

// Every pixel of `out` within `tolerance` levels of the reference sampled at
// `where(x, y)`.
template <class Where>
void expect_sampled(const Picture& out, const Picture& src, Where where, EdgeMode edge, uint32_t fill, double tolerance)
{
    int wrong = 0;
    for (int32_t y = 0; y < out.height; ++y)
        for (int32_t x = 0; x < out.width; ++x) {
            double sx, sy;
            where(x, y, sx, sy);
            for (int c = 0; c < 4; ++c) {
                const double want = reference_channel(src, sx, sy, c, edge, fill);
                if (std::fabs(out.at(x, y)[c] - want) > tolerance && ++wrong <= 3)
                    ADD_FAILURE() << "(" << x << ", " << y << ") channel " << c << ": " << int(out.at(x, y)[c])
                                  << " instead of " << want;
            }
        }
}

TEST(TransformPipeline, AnEmptyPipelineCopiesAndWholeOffsetsMoveExactlyInEveryEdgeMode)
{
    const Picture src(9, 6, 1);
    Picture out(9, 6, 2);
    TransformPipeline p;
    ASSERT_TRUE(process_transforms(p, src.view(), out.view(), EdgeMode::Fill, 0));
    EXPECT_EQ(out.rgba, src.rgba);
    ASSERT_TRUE(add_offset_transform(p, -4, 3));
    for (EdgeMode edge : {EdgeMode::Fill, EdgeMode::Wrap, EdgeMode::Repeat}) {
        ASSERT_TRUE(process_transforms(p, src.view(), out.view(), edge, 0x11223344));
        expect_sampled(out, src, [](int32_t x, int32_t y, double& sx, double& sy) { sx = x + 4, sy = y - 3; }, edge,
                       0x11223344, 0);
    }
}

TEST(TransformPipeline, FractionalPositionsMixTheFourNeighboursAndTheEdge)
{
    const Picture src(8, 7, 3);
    Picture out(8, 7, 4);
    TransformPipeline p;
    const double m[6] = {0.9, 0.23, -1.3, -0.17, 1.1, 0.6};
    ASSERT_TRUE(add_affine_transform(p, m));
    for (EdgeMode edge : {EdgeMode::Fill, EdgeMode::Wrap, EdgeMode::Repeat}) {
        ASSERT_TRUE(process_transforms(p, src.view(), out.view(), edge, 0xFF00FF80));
        // Weights in 1/256 steps and a rounding per pass: within 2 levels.
        expect_sampled(out, src, [&](int32_t x, int32_t y, double& sx, double& sy) {
            sx = m[0] * x + m[1] * y + m[2], sy = m[3] * x + m[4] * y + m[5];
        }, edge, 0xFF00FF80, 2.0);
    }
}

TEST(TransformPipeline, LongRowsOfOneAffineMapStayOnTheirPositions)
{
    // Rows of several hundred pixels, with steps that are no fraction of a
    // power of two: a position carried along the row must not drift.
    const Picture src(700, 9, 13);
    Picture out(700, 9, 14);
    const double m[6] = {0.98137, 0.0317, 1.7093, -0.00731, 0.9911, 0.4129};
    TransformPipeline p;
    ASSERT_TRUE(add_affine_transform(p, m));
    ASSERT_TRUE(process_transforms(p, src.view(), out.view(), EdgeMode::Wrap, 0));
    expect_sampled(out, src, [&](int32_t x, int32_t y, double& sx, double& sy) {
        sx = m[0] * x + m[1] * y + m[2], sy = m[3] * x + m[4] * y + m[5];
    }, EdgeMode::Wrap, 0, 2.0);
}

TEST(TransformPipeline, MapsRunInTheOrderAddedAndAffineOnesMergeToTheSame)
{
    const Picture src(10, 10, 5);
    Picture chained(10, 10, 0), single(10, 10, 0);
    TransformPipeline a;
    add_rotate_transform(a, 30, 5, 5);
    add_offset_transform(a, 1.5, -0.25);
    // The same chain with a non-affine map between, which keeps them apart.
    TransformPipeline b;
    add_rotate_transform(b, 30, 5, 5);
    add_push_transform(b, 100, 100, 100, 100, 0);  // moves nothing
    add_offset_transform(b, 1.5, -0.25);
    ASSERT_TRUE(process_transforms(a, src.view(), chained.view(), EdgeMode::Repeat, 0));
    ASSERT_TRUE(process_transforms(b, src.view(), single.view(), EdgeMode::Repeat, 0));
    // The destination first turns back about the centre, then moves.
    const double t = 30 * 3.14159265358979323846 / 180;
    expect_sampled(chained, src, [&](int32_t x, int32_t y, double& sx, double& sy) {
        const double u = std::cos(t) * (x - 5) + std::sin(t) * (y - 5) + 5, v = -std::sin(t) * (x - 5) + std::cos(t) * (y - 5) + 5;
        sx = u - 1.5, sy = v + 0.25;
    }, EdgeMode::Repeat, 0, 2.0);
    for (std::size_t i = 0; i < chained.rgba.size(); ++i) EXPECT_NEAR(chained.rgba[i], single.rgba[i], 1) << i;
}

TEST(TransformPipeline, AQuarterRotationMatchesTheQuarterTurn)
{
    const Picture src(11, 11, 6);
    Picture turned(11, 11, 0), sampled(11, 11, 0);
    ASSERT_TRUE(rotate_clockwise(src.view(), turned.view()));
    TransformPipeline p;
    add_rotate_transform(p, 90, 5, 5);
    ASSERT_TRUE(process_transforms(p, src.view(), sampled.view(), EdgeMode::Fill, 0));
    EXPECT_EQ(sampled.rgba, turned.rgba);
}

TEST(TransformPipeline, OnlyTheAreaIsWrittenAndFarOrBrokenPositionsFill)
{
    const Picture src(6, 5, 7);
    Picture out(6, 5, 8);
    const Picture before = out;
    TransformPipeline p;
    add_offset_transform(p, 1e300, NAN);
    ASSERT_TRUE(process_transforms(p, src.view(), out.view(), EdgeMode::Fill, 0xAABBCCDD, Rect{4, -3, 100, 5}));
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            uint32_t v;
            std::memcpy(&v, out.at(x, y), 4);
            if (x >= 4 && y < 2) EXPECT_EQ(v, 0xAABBCCDDu);
            else EXPECT_EQ(std::memcmp(out.at(x, y), before.at(x, y), 4), 0);
        }
    // A map that pushes everything far away, in every edge mode.
    TransformPipeline far;
    add_offset_transform(far, -3e9, 7e9);
    for (EdgeMode edge : {EdgeMode::Fill, EdgeMode::Wrap, EdgeMode::Repeat})
        EXPECT_TRUE(process_transforms(far, src.view(), out.view(), edge, 0));
    // Unusable views.
    EXPECT_FALSE(process_transforms(p, ConstImageView(), out.view(), EdgeMode::Fill, 0));
    EXPECT_FALSE(process_transforms(p, src.view(), rgba64_view(nullptr, 6, 5, 24), EdgeMode::Fill, 0));
}

TEST(TransformPipeline, TheChainHoldsSixteenMaps)
{
    TransformPipeline p;
    for (int i = 0; i < kMaxTransformMaps; ++i) EXPECT_TRUE(add_offset_transform(p, 1, 0));
    EXPECT_FALSE(add_offset_transform(p, 1, 0));
    EXPECT_FALSE(add_transform(p, TransformMap{}));
    clear_transforms(p);
    EXPECT_EQ(p.count, 0);
}

TEST(TransformPipeline, ThePushLandsFromOnToAndStaysPutBeyondItsReach)
{
    const Picture src(30, 20, 9);
    Picture out(30, 20, 0);
    TransformPipeline p;
    ASSERT_TRUE(add_push_transform(p, 10, 8, 14, 11, 0));  // a push of 5: reach 10
    ASSERT_TRUE(process_transforms(p, src.view(), out.view(), EdgeMode::Repeat, 0));
    EXPECT_EQ(std::memcmp(out.at(14, 11), src.at(10, 8), 4), 0);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 30; ++x)
            if (std::hypot(x - 14, y - 11) >= 10) {
                EXPECT_EQ(std::memcmp(out.at(x, y), src.at(x, y), 4), 0);
            }
    // The map against its formula: back along the push by (1 - r^2)^2.
    expect_sampled(out, src, [](int32_t x, int32_t y, double& sx, double& sy) {
        const double r2 = ((x - 14.0) * (x - 14.0) + (y - 11.0) * (y - 11.0)) / 100.0;
        const double f = r2 < 1 ? (1 - r2) * (1 - r2) : 0;
        sx = x - 4 * f, sy = y - 3 * f;
    }, EdgeMode::Repeat, 0, 2.0);
}

TEST(TransformPipeline, TheResultDoesNotDependOnTheNumberOfThreads)
{
    const Picture src(300, 200, 10);
    Picture one(300, 200, 0), two(300, 200, 0);
    TransformPipeline p;
    add_rotate_transform(p, 17, 140, 90);
    add_push_transform(p, 100, 100, 130, 90, 40);
    const int threads = omp_get_max_threads();
    omp_set_num_threads(1);
    process_transforms(p, src.view(), one.view(), EdgeMode::Wrap, 0);
    omp_set_num_threads(2);
    process_transforms(p, src.view(), two.view(), EdgeMode::Wrap, 0);
    omp_set_num_threads(threads);
    EXPECT_EQ(one.rgba, two.rgba);
}

TEST(PolygonWarp, TheSameQuadCopiesItsInsideAndLeavesTheOutside)
{
    const Picture src(20, 16, 11);
    Picture out(20, 16, 12);
    const Picture before = out;
    const Quad q{{3, 15, 17, 2}, {2, 4, 13, 11}};
    ASSERT_TRUE(polygon_warp(src.view(), q, out.view(), q, EdgeMode::Fill, 0));
    // Inside by the even-odd rule on pixel centres, computed here by
    // counting crossings of a ray to the right.
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            int crossings = 0;
            for (int i = 0; i < 4; ++i) {
                const int j = (i + 1) % 4;
                if ((q.y[i] <= y) == (q.y[j] <= y)) continue;
                const double cx = q.x[i] + (y - q.y[i]) * (q.x[j] - q.x[i]) / (q.y[j] - q.y[i]);
                crossings += cx > x;
            }
            const uint8_t* want = crossings % 2 ? src.at(x, y) : before.at(x, y);
            EXPECT_EQ(std::memcmp(out.at(x, y), want, 4), 0) << x << ", " << y;
        }
}

TEST(PolygonWarp, ARectangleOntoALargerOneScalesAndCornersMeet)
{
    const Picture src(10, 10, 13);
    Picture out(21, 21, 0);
    const Quad from{{0, 9, 9, 0}, {0, 0, 9, 9}}, to{{0, 20, 20, 0}, {0, 0, 20, 20}};
    ASSERT_TRUE(polygon_warp(src.view(), from, out.view(), to, EdgeMode::Repeat, 0));
    // Centres on the top and left edges count as inside, the far ones not.
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x)
            for (int c = 0; c < 4; ++c)
                ASSERT_NEAR(out.at(x, y)[c], reference_channel(src, x * 9.0 / 20, y * 9.0 / 20, c, EdgeMode::Repeat, 0), 2)
                    << x << ", " << y;
    double h[9];
    ASSERT_TRUE(projective_between(from, to, h));
    EXPECT_NEAR(h[0], 20.0 / 9, 1e-9);
    EXPECT_NEAR(h[6], 0, 1e-12);
}

TEST(PolygonWarp, DegenerateQuadsAreRefused)
{
    const Picture src(10, 10, 14);
    Picture out(10, 10, 15);
    const Picture before = out;
    const Quad line{{0, 5, 9, 3}, {0, 5, 9, 7}}, fine{{0, 9, 9, 0}, {0, 0, 9, 9}}, broken{{0, NAN, 9, 0}, {0, 0, 9, 9}};
    EXPECT_FALSE(polygon_warp(src.view(), line, out.view(), fine, EdgeMode::Fill, 0));
    EXPECT_FALSE(polygon_warp(src.view(), fine, out.view(), line, EdgeMode::Fill, 0));
    EXPECT_FALSE(polygon_warp(src.view(), fine, out.view(), broken, EdgeMode::Fill, 0));
    EXPECT_EQ(out.rgba, before.rgba);
}

}  // namespace
}  // namespace mur::imaging
