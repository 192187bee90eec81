// The whole-document geometry exports on small documents of several layers:
// every pixel of every layer checked against the position it must come
// from, computed here.
#include "engine/memory.h"
#include "support/engine_fixture.h"
#include "support/random_pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mur {
namespace {

using test::pixel_at;

// Where pixel (x, y) of a layer after the operation comes from, or
// nothing when the operation's canvas lies there.
struct Source {
    bool inside;
    int32_t x, y;
};
using Mapping = std::function<Source(int32_t x, int32_t y)>;

struct Snapshot {
    int32_t width, height;
    std::vector<uint16_t> pixels;
};

class DocumentGeometry : public test::EngineTest {
protected:
    static constexpr int32_t kW = 7, kH = 5;
    // The background, a locked layer, a plain one, a working layer (254) and
    // a slot made after the last options call.
    static constexpr int32_t kSlots[] = {1, 2, 5, 254, 260};

    void SetUp() override
    {
        EngineTest::SetUp();
        make_document(kW, kH);
    }

    void make_document(int32_t w, int32_t h)
    {
        create_image(w, h);
        test::Rng rng(11);
        for (int32_t slot : {1, 2, 5, 254}) ASSERT_EQ(MUR_CreateLayer(slot, w, h), 1);
        MUR_SetLayerOptions(1, 1, 0, 100, "Normal");
        MUR_SetLayerOptions(2, 1, 1, 80, "Multiply");
        MUR_SetLayerOptions(5, 0, 0, 50, "Screen");
        MUR_SetLayer(2);
        ASSERT_EQ(MUR_CreateLayer(260, w, h), 1);
        ASSERT_LT(engine.layers.topLayer, 260);  // stale: slot 260 came after the options
        for (int32_t slot : kSlots) {
            LayerRecord& layer = engine.layers.slots[slot];
            test::fill_random_pixels(layer.pixels, int64_t{w} * h, rng);
        }
        before.clear();
        for (int32_t slot : kSlots) before[slot] = snapshot(slot);
        engine.undo.dirtyX0 = engine.undo.dirtyY0 = 3;
        engine.undo.dirtyX1 = engine.undo.dirtyY1 = 2;
    }

    static Snapshot snapshot(int32_t slot)
    {
        const LayerRecord& l = engine.layers.slots[slot];
        return {l.width, l.height, std::vector<uint16_t>(l.pixels, l.pixels + std::size_t(l.width) * l.height * 4)};
    }

    // Every slot is newW x newH, each pixel the old one `from` names or, off
    // the old picture, what the canvas shows in that slot.
    void expect_moved(int32_t newW, int32_t newH, const Mapping& from, const std::string& what) const
    {
        for (int32_t slot : kSlots) {
            const LayerRecord& l = engine.layers.slots[slot];
            const Snapshot& old = before.at(slot);
            ASSERT_EQ(l.width, newW) << what << " slot " << slot;
            ASSERT_EQ(l.height, newH) << what << " slot " << slot;
            ASSERT_EQ(l.stride, newW * 4);
            int wrong = 0;
            for (int32_t y = 0; y < newH; ++y)
                for (int32_t x = 0; x < newW; ++x) {
                    const Source s = from(x, y);
                    const uint16_t* p = pixel_at(l, x, y);
                    uint16_t want[4];
                    if (s.inside) std::memcpy(want, &old.pixels[(std::size_t(s.y) * old.width + s.x) * 4], 8);
                    else canvas(slot, want);
                    if (std::memcmp(p, want, 8) != 0 && ++wrong <= 3)
                        ADD_FAILURE() << what << ": slot " << slot << " pixel (" << x << ", " << y << ")";
                }
        }
    }

    // The canvas where the old picture does not reach (colour 10, 20, 30 for
    // the background).
    static void canvas(int32_t slot, uint16_t* out)
    {
        const uint16_t background[4] = {10 << 8, 20 << 8, 30 << 8, 65535}, white[4] = {65535, 65535, 65535, 65535};
        const uint16_t* v = slot == 1 ? background : slot >= 254 ? white : nullptr;
        for (int c = 0; c < 4; ++c) out[c] = v ? v[c] : 0;
    }

    void expect_unchanged(const std::string& what) const
    {
        for (int32_t slot : kSlots) {
            const Snapshot now = snapshot(slot);
            EXPECT_EQ(now.width, before.at(slot).width) << what;
            EXPECT_EQ(now.height, before.at(slot).height) << what;
            EXPECT_TRUE(now.pixels == before.at(slot).pixels) << what << ": slot " << slot;
        }
        EXPECT_EQ(engine.undo.dirtyX0, 3) << what;  // the dirty rectangle not touched
    }

    void expect_page_dirty(int32_t w, int32_t h) const
    {
        EXPECT_EQ(engine.undo.dirtyX0, 0);
        EXPECT_EQ(engine.undo.dirtyY0, 0);
        EXPECT_EQ(engine.undo.dirtyX1, w - 1);
        EXPECT_EQ(engine.undo.dirtyY1, h - 1);
    }

    std::map<int32_t, Snapshot> before;
};

TEST_F(DocumentGeometry, FlipsMirrorEveryLayerLosslesslyAlphaOfLockedLayersIncluded)
{
    MUR_IPLFlipHorizontal();
    expect_moved(kW, kH, [](int32_t x, int32_t y) { return Source{true, kW - 1 - x, y}; }, "horizontal");
    expect_page_dirty(kW, kH);
    MUR_IPLFlipHorizontal();
    MUR_IPLFlipVertical();
    expect_moved(kW, kH, [](int32_t x, int32_t y) { return Source{true, x, kH - 1 - y}; }, "vertical");
    // Options and the current layer stay.
    EXPECT_EQ(engine.layers.slots[2].alphaLocked, 1);
    EXPECT_EQ(engine.layers.slots[2].opacity, 204);
    EXPECT_EQ(engine.layers.currentLayer, 2);
    EXPECT_EQ(engine.layers.currentRecord, &engine.layers.slots[2]);
}

TEST_F(DocumentGeometry, QuarterTurnsMoveTheCornersAndUndoEachOther)
{
    // Left: counter-clockwise, the top-right corner to the top left.
    MUR_IPLRotateLeft();
    expect_moved(kH, kW, [](int32_t x, int32_t y) { return Source{true, kW - 1 - y, x}; }, "left");
    expect_page_dirty(kW, kH);
    MUR_IPLRotateRight();
    expect_moved(kW, kH, [](int32_t x, int32_t y) { return Source{true, x, y}; }, "left then right");
    // Right: clockwise, the top-left corner to the top right.
    MUR_IPLRotateRight();
    expect_moved(kH, kW, [](int32_t x, int32_t y) { return Source{true, y, kH - 1 - x}; }, "right");
    EXPECT_EQ(engine.layers.slots[2].alphaLocked, 1);
    EXPECT_EQ(engine.layers.currentLayer, 2);
}

TEST_F(DocumentGeometry, CropKeepsTheRectangleRightAndBottomExclusive)
{
    MUR_IPLCrop(2, 1, 6, 4);
    expect_moved(4, 3, [](int32_t x, int32_t y) { return Source{true, x + 2, y + 1}; }, "crop");
    expect_page_dirty(kW, kH);
}

TEST_F(DocumentGeometry, EmptyOrOutsideCropsAreRefused)
{
    const int32_t rects[][4] = {{10, 10, 10, 20},  // zero width
                                {3, 1, 3, 4},      {3, 2, 6, 2},          {4, 1, 2, 4},          {-1, 0, 3, 3},
                                {0, 0, kW + 1, kH}, {0, 0, kW, kH + 1},   {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}};
    for (const auto& r : rects) {
        MUR_IPLCrop(r[0], r[1], r[2], r[3]);
        expect_unchanged("crop " + std::to_string(r[0]) + " " + std::to_string(r[1]) + " " + std::to_string(r[2]) +
                         " " + std::to_string(r[3]));
    }
}

TEST_F(DocumentGeometry, PageResizePlacesThePictureAtEachAnchor)
{
    // Columns L, C, R and rows T, M, B of the spare size, integer division.
    const char* names[] = {"TL", "TC", "TR", "ML", "MC", "MR", "BL", "BC", "BR", "mc", "", nullptr};
    const std::pair<int32_t, int32_t> sizes[] = {{12, 9}, {4, 3}};
    for (const auto& [nw, nh] : sizes)
        for (int i = 0; i < 12; ++i) {
            make_document(kW, kH);
            MUR_IPLResizePage(nw, nh, names[i], 10, 20, 30);
            const int32_t sx = nw - kW, sy = nh - kH;
            const int32_t ox = i >= 9 ? 0 : i % 3 == 0 ? 0 : i % 3 == 1 ? sx / 2 : sx;
            const int32_t oy = i >= 9 ? 0 : i / 3 == 0 ? 0 : i / 3 == 1 ? sy / 2 : sy;
            const Mapping from = [&](int32_t x, int32_t y) {
                const int32_t u = x - ox, v = y - oy;
                return Source{u >= 0 && v >= 0 && u < kW && v < kH, u, v};
            };
            expect_moved(nw, nh, from, std::string("anchor ") + (names[i] ? names[i] : "null") + " to " +
                                           std::to_string(nw) + "x" + std::to_string(nh));
            expect_page_dirty(kW, kH);
        }
}

TEST_F(DocumentGeometry, PageResizeMcFrom100To201PutsThePictureAt50)
{
    make_document(100, 100);
    MUR_IPLResizePage(201, 201, "MC", 10, 20, 30);
    expect_moved(201, 201, [](int32_t x, int32_t y) {
        return Source{x >= 50 && y >= 50 && x < 150 && y < 150, x - 50, y - 50};
    }, "MC 201");
}

TEST_F(DocumentGeometry, ResizeNamesFiltersExactlyWithLanczos3ForAnyOtherName)
{
    auto resized = [&](const char* name) {
        make_document(kW, kH);
        MUR_IPLResize(11, 8, name);
        std::vector<uint16_t> all;
        for (int32_t slot : kSlots) {
            const Snapshot s = snapshot(slot);
            EXPECT_EQ(s.width, 11);
            EXPECT_EQ(s.height, 8);
            all.insert(all.end(), s.pixels.begin(), s.pixels.end());
        }
        return all;
    };
    const std::vector<uint16_t> lanczos = resized("Lanczos3");
    EXPECT_EQ(resized("lanczos3"), lanczos);
    EXPECT_EQ(resized("Unknown"), lanczos);
    EXPECT_EQ(resized(nullptr), lanczos);
    EXPECT_NE(resized("Box"), lanczos);
    EXPECT_EQ(resized("Bilinear"), resized("Nearest Neighbor"));
    expect_page_dirty(kW, kH);
}

TEST_F(DocumentGeometry, FlatLayersStayFlatThroughEveryFilter)
{
    const char* filters[] = {"Area Average", "Nearest Neighbor", "Bicubic", "Box", "Triangle", "Hamming", "Gaussian",
                             "Bell", "B-Spline", "Cubic 1", "Cubic 2", "Lanczos3", "Mitchell", "Sinc", "Hermite",
                             "Hanning", "Catrom"};
    const uint16_t flat[4] = {1234, 40000, 65535, 30001};
    for (const char* name : filters)
        for (const auto& [w, h] : {std::pair{19, 13}, std::pair{3, 2}}) {
            make_document(kW, kH);
            test::fill_layer(engine.layers.slots[5], flat[0], flat[1], flat[2], flat[3]);
            MUR_IPLResize(w, h, name);
            const LayerRecord& l = engine.layers.slots[5];
            ASSERT_EQ(l.width, w);
            int wrong = 0;
            for (int32_t i = 0; i < w * h; ++i)
                if (std::memcmp(l.pixels + i * 4, flat, 8) != 0) ++wrong;
            EXPECT_EQ(wrong, 0) << name << " to " << w << "x" << h;
        }
}

TEST_F(DocumentGeometry, SizesOutsideWhatALayerMayHaveAreRefused)
{
    const std::pair<int32_t, int32_t> sizes[] = {{0, 5}, {5, 0}, {-1, 5}, {INT32_MIN, 2}, {(1 << 18) + 1, 2}, {2, INT32_MAX}};
    for (const auto& [w, h] : sizes) {
        MUR_IPLResize(w, h, "Box");
        MUR_IPLSeamCarvingRGBA(w, h, 0);
        MUR_IPLResizePage(w, h, "MC", 1, 2, 3);
        expect_unchanged(std::to_string(w) + "x" + std::to_string(h));
    }
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(DocumentGeometry, AFailedAllocationMidDocumentLeavesEveryLayer)
{
    const std::size_t blocks = mem::live_blocks();
    // Two layers get their new pixels, the third does not.
    const std::pair<const char*, std::function<void()>> operations[] = {
        {"resize", [] { MUR_IPLResize(9, 4, "Bicubic"); }},
        {"carve", [] { MUR_IPLSeamCarvingRGBA(5, 5, 0); }},
        {"page", [] { MUR_IPLResizePage(9, 9, "MC", 1, 2, 3); }},
        {"crop", [] { MUR_IPLCrop(1, 1, 4, 4); }},
        {"left", [] { MUR_IPLRotateLeft(); }},
        {"right", [] { MUR_IPLRotateRight(); }},
    };
    for (const auto& [name, run] : operations) {
        mem::fail_allocations(2, -1);
        run();
        mem::reset_failures();
        expect_unchanged(name);
        EXPECT_EQ(mem::live_blocks(), blocks) << name;
    }
}

TEST_F(DocumentGeometry, WithoutAnImageNothingHappens)
{
    test::reset_engine();
    MUR_IPLFlipHorizontal();
    MUR_IPLRotateLeft();
    MUR_IPLResize(4, 4, "Box");
    MUR_IPLResizePage(4, 4, "MC", 0, 0, 0);
    MUR_IPLCrop(0, 0, 1, 1);
    MUR_IPLSeamCarvingRGBA(4, 4, 0);
    EXPECT_EQ(MUR_GetLayerCount(), 0);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

}  // namespace
}  // namespace mur
