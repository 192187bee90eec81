// The clipboard without a display: copies, pastes, the transforming paste
// and its cache, flips, files, brush pictures, DIBs other owners put (and
// damaged ones), running out of memory, and the "Clip Fill" effect.
#include "io/external_readers.h"
#include "platform/clipboard.h"
#include "platform/desktop_exchange.h"
#include "support/engine_fixture.h"
#include "support/random_pixels.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace mur::test {
namespace {

constexpr int32_t kW = 64, kH = 48;

class ClipboardTest : public EngineTest {
protected:
    void SetUp() override
    {
        // The process's own clipboard, whatever desktop the tests run on.
        unsetenv("DISPLAY");
        platform::stop_exchange_backend();
        EngineTest::SetUp();
        create_image(kW, kH);
        ASSERT_EQ(MUR_CreateLayer(1, kW, kH), 1);  // white
        ASSERT_EQ(MUR_CreateLayer(2, kW, kH), 1);
        MUR_SetLayer(2);
    }
    LayerRecord& layer(int32_t slot = 2) { return engine.layers.slots[slot]; }

    // Every pixel of the layer random in 16 bits (opaque when asked), with
    // the rectangle (x0, y0, w, h) in whole 8-bit steps.
    void fill_random(uint32_t seed, bool opaque)
    {
        std::mt19937 rng(seed);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                uint16_t* p = pixel_at(layer(), x, y);
                for (int c = 0; c < 4; ++c) p[c] = uint16_t(rng());
                if (opaque) p[3] = 65535;
            }
    }
    void round_to_bytes(int32_t x0, int32_t y0, int32_t w, int32_t h)
    {
        for (int32_t y = y0; y < y0 + h; ++y)
            for (int32_t x = x0; x < x0 + w; ++x)
                for (int c = 0; c < 4; ++c) pixel_at(layer(), x, y)[c] &= 0xFF00;
    }
    std::vector<uint16_t> snapshot(int32_t slot = 2)
    {
        const LayerRecord& l = layer(slot);
        return {l.pixels, l.pixels + std::size_t(l.stride) * l.height};
    }
    // The clipboard picture through the holding buffer.
    std::vector<uint8_t> clipboard(int32_t& w, int32_t& h)
    {
        w = h = 0;
        if (MUR_FromClipboard() != 1) return {};
        w = MUR_GetNewRGBAWidth(), h = MUR_GetNewRGBAHeight();
        std::vector<uint8_t> p(std::size_t(w) * h * 4);
        MUR_GetNewRGBA32(p.data());
        MUR_DeleteNewRGBA();
        return p;
    }
    void put(const std::vector<uint8_t>& rgba, int32_t w, int32_t h)
    {
        ASSERT_EQ(MUR_RGBA32ToClipboardRect(rgba.data(), 0, 0, w, h, 0), 1);
    }
    ScratchDir dir;
};

std::vector<uint8_t> random_rgba(int32_t w, int32_t h, uint32_t seed, bool opaque)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> p(std::size_t(w) * h * 4);
    for (std::size_t i = 0; i < p.size(); ++i) p[i] = uint8_t(rng());
    if (opaque)
        for (std::size_t i = 3; i < p.size(); i += 4) p[i] = 255;
    return p;
}

// A DIB block as another program would put it: `bits` 24 or 32, with the
// given header size and direction; pixels (x, y) = rgba at (x, y).
std::vector<uint8_t> make_dib(const std::vector<uint8_t>& rgba, int32_t w, int32_t h, int bits, bool topDown)
{
    const std::size_t row = (std::size_t(w) * (bits / 8) + 3) / 4 * 4;
    std::vector<uint8_t> d(40 + row * h, 0);
    auto le32 = [&](std::size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) d[at + i] = uint8_t(v >> (8 * i));
    };
    le32(0, 40), le32(4, uint32_t(w)), le32(8, uint32_t(topDown ? -h : h));
    d[12] = 1, d[14] = uint8_t(bits);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* out = d.data() + 40 + row * std::size_t(topDown ? y : h - 1 - y);
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* s = rgba.data() + (std::size_t(y) * w + x) * 4;
            out[x * (bits / 8)] = s[2], out[x * (bits / 8) + 1] = s[1], out[x * (bits / 8) + 2] = s[0];
            if (bits == 32) out[x * 4 + 3] = s[3];
        }
    }
    return d;
}

TEST_F(ClipboardTest, ARectangleCopiedAndPastedElsewhereIsSixteenBitEqualAndNothingElseMoves)
{
    fill_random(1, true);
    round_to_bytes(5, 7, 13, 9);
    const std::vector<uint16_t> before = snapshot();
    // Corners in any order name the same picture.
    ASSERT_EQ(MUR_ToClipboardRect(18, 16, 5, 7), 1);
    int32_t w = 0, h = 0;
    clipboard(w, h);
    EXPECT_EQ(w, 13);
    EXPECT_EQ(h, 9);
    MUR_SaveUndoBuffer(1, 0);
    ASSERT_EQ(MUR_FromClipboardInto(40, 30, 0), 1);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const bool inside = x >= 40 && x < 53 && y >= 30 && y < 39;
            const uint16_t* was = inside ? before.data() + (std::size_t(y - 23) * kW + (x - 35)) * 4
                                         : before.data() + (std::size_t(y) * kW + x) * 4;
            for (int c = 0; c < 4; ++c) ASSERT_EQ(pixel_at(layer(), x, y)[c], was[c]) << x << "," << y << " " << c;
        }
    // The undo rectangle covers the paste only.
    EXPECT_EQ(engine.undo.dirtyX0, 40);
    EXPECT_EQ(engine.undo.dirtyY0, 30);
    EXPECT_EQ(engine.undo.dirtyX1, 52);
    EXPECT_EQ(engine.undo.dirtyY1, 38);
    EXPECT_EQ(MUR_GetNewRGBAWidth(), 0);  // the holding buffer is released
}

TEST_F(ClipboardTest, RectanglesAreClippedAndEmptyOnesPutNothing)
{
    fill_random(2, true);
    ASSERT_EQ(MUR_ToClipboardRect(10, 10, 20, 30), 1);
    int32_t w = 0, h = 0;
    clipboard(w, h);
    EXPECT_EQ(w, 10);
    EXPECT_EQ(h, 20);
    ASSERT_EQ(MUR_ToClipboardRect(-5, 40, 3, 100), 1);
    clipboard(w, h);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 8);
    const uint64_t serial = platform::clipboard_serial();
    for (auto r : {std::array<int32_t, 4>{7, 7, 7, 20}, {3, 9, 30, 9}, {INT_MIN, INT_MIN, INT_MIN, INT_MAX},
                   {kW, 0, INT_MAX, kH}, {-10, -10, 0, 0}})
        EXPECT_EQ(MUR_ToClipboardRect(r[0], r[1], r[2], r[3]), 0);
    EXPECT_EQ(platform::clipboard_serial(), serial);
    ASSERT_EQ(MUR_ToClipboardRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), 1);  // the whole layer
    clipboard(w, h);
    EXPECT_EQ(w, kW);
    EXPECT_EQ(h, kH);
}

TEST_F(ClipboardTest, CentredPartlyOutsideAndIntoTheBackground)
{
    const std::vector<uint8_t> pic = random_rgba(9, 7, 3, true);
    put(pic, 9, 7);
    MUR_SetLayer(1);  // the white background
    ASSERT_EQ(MUR_FromClipboardInto(1, 2, 1), 1);  // centred: starts at (-3, -1)
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const uint16_t* p = pixel_at(layer(1), x, y);
            const int32_t px = x + 3, py = y + 1;
            for (int c = 0; c < 4; ++c) {
                const uint16_t want = px < 9 && py < 7 ? uint16_t(pic[(py * 9 + px) * 4 + c] << 8) : 65535;
                ASSERT_EQ(p[c], want) << x << "," << y;
            }
        }
    EXPECT_EQ(MUR_FromClipboardInto(kW, 0, 0), 0);  // wholly outside
    EXPECT_EQ(MUR_FromClipboardInto(INT_MIN, INT_MAX, 1), 0);
}

TEST_F(ClipboardTest, MaskedCopiesKeepTheirCoverageThroughThePaste)
{
    fill_random(4, true);
    round_to_bytes(0, 0, kW, kH);
    std::vector<uint16_t> plane(std::size_t(kW) * kH);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) plane[y * kW + x] = x < 20 ? 0 : 65535;
    MUR_SetMaskData16(plane.data());
    MUR_EnableMask(1);
    ASSERT_EQ(MUR_ToClipboardRect(10, 0, 30, 10), 1);
    MUR_EnableMask(0);
    int32_t w = 0, h = 0;
    const std::vector<uint8_t> got = clipboard(w, h);
    ASSERT_EQ(w, 20);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) EXPECT_EQ(got[(y * 20 + x) * 4 + 3], x + 10 < 20 ? 0 : 255);
    // Pasted on the white background: the masked-out half leaves it white.
    MUR_SetLayer(1);
    ASSERT_EQ(MUR_FromClipboardInto(0, 20, 0), 1);
    for (int32_t x = 0; x < 20; ++x) {
        const uint16_t* p = pixel_at(layer(1), x, 25);
        const uint16_t* s = pixel_at(layer(2), x + 10, 5);
        for (int c = 0; c < 4; ++c) EXPECT_EQ(p[c], x < 10 ? 65535 : s[c]) << x;
    }

    // A host buffer put through the mask: the host's bytes stay as they were.
    std::vector<uint8_t> host = random_rgba(30, 4, 5, true);
    const std::vector<uint8_t> hostBefore = host;
    MUR_EnableMask(1);
    ASSERT_EQ(MUR_RGBA32ToClipboardRect(host.data(), 5, 5, 30, 4, 1), 1);
    EXPECT_EQ(host, hostBefore);
    const std::vector<uint8_t> masked = clipboard(w, h);
    for (int32_t x = 0; x < 30; ++x) EXPECT_EQ(masked[x * 4 + 3], x + 5 < 20 ? 0 : 255) << x;
    ASSERT_EQ(MUR_RGBA32ToClipboardRect(host.data(), 5, 5, 30, 4, 0), 1);  // no mask asked
    EXPECT_EQ(clipboard(w, h), host);
    MUR_EnableMask(0);
}

TEST_F(ClipboardTest, TheTransformingPasteEdgeCasesAndItsCache)
{
    const std::vector<uint8_t> pic = random_rgba(101, 51, 6, true);
    put(pic, 101, 51);
    const uint64_t reads = platform::clipboard_reads();
    EXPECT_EQ(MUR_FromClipboardIntoEX2(0, 0, 101, 0, 1, 1, 256, 0), 0);
    // Starts at (-50, -25): its visible 51 x 26 part, unscaled.
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const uint16_t* p = pixel_at(layer(), x, y);
            if (x < 51 && y < 26) {
                for (int c = 0; c < 4; ++c) ASSERT_EQ(p[c], pic[((y + 25) * 101 + x + 50) * 4 + c] << 8) << x << "," << y;
            } else {
                ASSERT_EQ(p[3], 0) << x << "," << y;
            }
        }
    EXPECT_EQ(platform::clipboard_reads(), reads + 1);
    // The same key: the cache serves, even after a new clipboard picture.
    put(random_rgba(5, 5, 7, true), 5, 5);
    std::vector<uint16_t> again = snapshot();
    fill_layer(layer(), 0, 0, 0, 0);
    MUR_FromClipboardIntoEX2(0, 0, 101, 0, 1, 1, 256, 0);
    EXPECT_EQ(snapshot(), again);
    EXPECT_EQ(platform::clipboard_reads(), reads + 1);
    // Another angle reads again; 36000 turns nothing, as 0 does.
    put(pic, 101, 51);
    fill_layer(layer(), 0, 0, 0, 0);
    MUR_FromClipboardIntoEX2(0, 0, 101, 36000, 1, 1, 256, 0);
    EXPECT_EQ(platform::clipboard_reads(), reads + 2);
    EXPECT_EQ(snapshot(), again);
    // A cleared cache reads again.
    MUR_ClearClipEX2Cache();
    MUR_FromClipboardIntoEX2(0, 0, 101, 36000, 1, 1, 256, 0);
    EXPECT_EQ(platform::clipboard_reads(), reads + 3);
    EXPECT_EQ(engine.clipCache.width, 101);
}

TEST_F(ClipboardTest, TheTransformingPasteScalesTurnsAndMergesIntoThePaintLayer)
{
    std::vector<uint8_t> white(20 * 10 * 4, 255);
    put(white, 20, 10);
    MUR_CreatePaintLayer(100, 100, "Normal");
    ASSERT_NE(engine.paintLayer.pixels, nullptr);
    MUR_FromClipboardIntoEX2(10, 10, 40, 0, 0, 1, 128, 1);
    const LayerRecord& stroke = engine.paintLayer;
    // 20 x 10 scaled to 40 x 20 at (10, 10), alpha 65280 x 129 / 256.
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const bool inside = x >= 10 && x < 50 && y >= 10 && y < 30;
            ASSERT_EQ(pixel_at(stroke, x, y)[3], inside ? 32895 : 0) << x << "," << y;
        }
    EXPECT_EQ(stroke.extentX0, 0);
    EXPECT_EQ(stroke.extentY0, 0);
    EXPECT_EQ(stroke.extentX1, kW);
    EXPECT_EQ(stroke.extentY1, kH);
    for (uint16_t v : snapshot()) ASSERT_EQ(v, 0);  // the current layer is left

    // A quarter turn swaps the sides; the picture's colour comes along.
    MUR_ClearPaintLayer_old();
    for (int32_t smooth = 0; smooth < 2; ++smooth) {
        fill_layer(layer(), 0, 0, 0, 0);
        MUR_FromClipboardIntoEX2(0, 0, 20, 9000, 0, smooth, 256, 0);
        int32_t left = kW, top = kH, right = -1, bottom = -1;
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x)
                if (pixel_at(layer(), x, y)[3] > 0x8000)
                    left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        EXPECT_EQ(right - left + 1, 10) << smooth;
        EXPECT_EQ(bottom - top + 1, 20) << smooth;
        EXPECT_EQ(pixel_at(layer(), 5, 10)[0], 65280) << smooth;
    }
    // Hostile sizes and angles never fault and never reach past the image.
    for (int32_t size : {INT_MIN, -1, 0, 1, 2, 70000, INT_MAX})
        for (int32_t angle : {INT_MIN, -4500, 1, 18000, INT_MAX}) {
            MUR_FromClipboardIntoEX2(INT_MAX, INT_MIN, size, angle, 1, size & 1, INT_MAX, 1);
            MUR_FromClipboardIntoEX2(3, 3, size, angle, 0, 1, INT_MIN, 0);
        }
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(ClipboardTest, TheAlphaLockOfTheCurrentLayerHolds)
{
    fill_layer(layer(), 0, 0, 0, 0);
    MUR_SetLayerOptions(2, 1, 1, 100, "Normal");
    put(std::vector<uint8_t>(8 * 8 * 4, 200), 8, 8);
    MUR_FromClipboardIntoEX2(0, 0, 8, 0, 0, 0, 256, 0);
    for (uint16_t* p = layer().pixels; p < layer().pixels + kW * kH * 4; p += 4) ASSERT_EQ(p[3], 0);
}

TEST_F(ClipboardTest, FlipsOneIsHorizontalEveryOtherValueVertical)
{
    const std::vector<uint8_t> pic = random_rgba(7, 5, 8, false);
    for (int32_t how : {1, 0, 2, -1, INT_MIN}) {
        put(pic, 7, 5);
        ASSERT_EQ(MUR_ClipboardFlip(how), 1);
        int32_t w = 0, h = 0;
        const std::vector<uint8_t> got = clipboard(w, h);
        ASSERT_EQ(w, 7);
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 7; ++x) {
                const int32_t sx = how == 1 ? 6 - x : x, sy = how == 1 ? y : 4 - y;
                const bool clear = pic[(sy * 7 + sx) * 4 + 3] == 0;  // colour under alpha 0 may go
                for (int c = clear ? 3 : 0; c < 4; ++c)
                    ASSERT_EQ(got[(y * 7 + x) * 4 + c], pic[(sy * 7 + sx) * 4 + c]) << how;
            }
    }
    platform::empty_clipboard();
    EXPECT_EQ(MUR_ClipboardFlip(1), 0);
}

TEST_F(ClipboardTest, FilesRoundTripThroughAnIndependentReader)
{
    if (!have_pillow()) GTEST_SKIP() << "Pillow (python3-pil) is needed";
    const std::vector<uint8_t> pic = random_rgba(23, 11, 9, false);
    put(pic, 23, 11);
    const std::string png = dir / "c.png";
    ASSERT_EQ(MUR_FromClipboardToFile(png.c_str(), ".png", 72), 1);
    const PillowPicture read = pillow_read(png, "RGBA");
    EXPECT_EQ(read.summary, "PNG 23x11 RGBA");
    EXPECT_EQ(read.pixels, pic);
    platform::empty_clipboard();
    EXPECT_EQ(MUR_FromClipboardToFile((dir / "none.png").c_str(), ".png", 72), 0);
    ASSERT_EQ(MUR_ToClipboardFromFile(png.c_str()), 1);
    int32_t w = 0, h = 0;
    EXPECT_EQ(clipboard(w, h), pic);
    EXPECT_EQ(MUR_ToClipboardFromFile((dir / "missing.png").c_str()), 0);
    EXPECT_EQ(MUR_ToClipboardFromFile(nullptr), 0);
    EXPECT_EQ(MUR_FromClipboardToFile(nullptr, ".png", 72), 0);
}

TEST_F(ClipboardTest, BrushPicturesAndShapeFiles)
{
    if (!have_pillow()) GTEST_SKIP() << "Pillow (python3-pil) is needed";
    // White is transparent, black covers fully.
    for (uint8_t level : {uint8_t(255), uint8_t(0)}) {
        std::vector<uint8_t> pic(12 * 6 * 4, level);
        for (std::size_t i = 3; i < pic.size(); i += 4) pic[i] = 255;
        put(pic, 12, 6);
        const std::string shape = dir / "shape.png";
        ASSERT_EQ(MUR_FromClipboardToShapeFile(shape.c_str(), 24, 36000), 1);
        const PillowPicture read = pillow_read(shape, "RGBA");
        ASSERT_EQ(read.summary, "PNG 24x24 RGBA");
        // The 24 x 12 picture sits centred: rows 6 .. 17.
        for (int32_t y = 0; y < 24; ++y) {
            const uint8_t* p = read.pixels.data() + (y * 24 + 12) * 4;
            const uint8_t want = y >= 6 && y < 18 ? uint8_t(255 - level) : 0;
            EXPECT_EQ(p[0], want) << int(level) << " row " << y;
            EXPECT_EQ(p[3], 255);
        }
        EXPECT_EQ(identify(shape, "%[fx:round(resolution.x*2.54)] %U"), "300 PixelsPerCentimeter");
    }
    // The image brush: longer side to the size, centred.
    std::vector<uint8_t> red(10 * 5 * 4, 0);
    for (std::size_t i = 0; i < red.size(); i += 4) red[i] = 255, red[i + 3] = 255;
    put(red, 10, 5);
    const std::string brush = dir / "brush.png";
    ASSERT_EQ(MUR_FromClipboardToImageBrushFile(brush.c_str(), 20), 1);
    const PillowPicture read = pillow_read(brush, "RGBA");
    EXPECT_EQ(read.pixels[(2 * 20 + 10) * 4 + 3], 0);
    EXPECT_EQ(read.pixels[(10 * 20 + 10) * 4 + 3], 255);
    EXPECT_EQ(read.pixels[(10 * 20 + 10) * 4 + 0], 255);
    EXPECT_EQ(MUR_FromClipboardToImageBrush(20), 1);
    EXPECT_EQ(MUR_FromClipboardToImageBrush(33), 0);  // beyond the largest brush
    EXPECT_EQ(MUR_FromClipboardToImageBrush(INT_MIN), 0);
    EXPECT_EQ(MUR_FromClipboardToShapeFile(brush.c_str(), INT_MAX, 0), 0);
}

TEST_F(ClipboardTest, PicturesOtherOwnersPutDecodeAndDamagedOnesAreRefused)
{
    const std::vector<uint8_t> pic = random_rgba(5, 3, 10, false);
    int32_t w = 0, h = 0;
    for (bool topDown : {false, true}) {
        // 32 bits with alpha: kept.
        std::vector<uint8_t> dib = make_dib(pic, 5, 3, 32, topDown);
        ASSERT_TRUE(platform::put_clipboard_dib(dib.data(), dib.size()));
        EXPECT_EQ(clipboard(w, h), pic) << topDown;
        // 24 bits, and 32 bits whose alpha is zero throughout: opaque.
        std::vector<uint8_t> opaque = pic;
        for (std::size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
        dib = make_dib(pic, 5, 3, 24, topDown);
        ASSERT_TRUE(platform::put_clipboard_dib(dib.data(), dib.size()));
        EXPECT_EQ(clipboard(w, h), opaque);
        std::vector<uint8_t> zero = pic;
        for (std::size_t i = 3; i < zero.size(); i += 4) zero[i] = 0;
        dib = make_dib(zero, 5, 3, 32, topDown);
        ASSERT_TRUE(platform::put_clipboard_dib(dib.data(), dib.size()));
        EXPECT_EQ(clipboard(w, h), opaque);
    }
    // Damage of every kind: cut anywhere, sizes and depths that make no sense.
    const std::vector<uint8_t> good = make_dib(pic, 5, 3, 32, false);
    for (std::size_t cut = 1; cut < good.size(); cut += 3) {
        ASSERT_TRUE(platform::put_clipboard_dib(good.data(), cut));
        EXPECT_EQ(MUR_FromClipboard(), 0) << cut;
        EXPECT_EQ(MUR_FromClipboardInto(0, 0, 0), 0);
        MUR_FromClipboardIntoEX2(0, 0, 10, 0, 0, 1, 256, 0);
    }
    auto damaged = [&](std::size_t at, uint32_t value) {
        std::vector<uint8_t> d = good;
        for (std::size_t i = 0; i < 4; ++i) d.at(at + i) = uint8_t(value >> (8 * i));
        return d;
    };
    for (const std::vector<uint8_t>& d :
         {damaged(0, 0), damaged(0, 39), damaged(0, 0xFFFFFFFF), damaged(4, 0), damaged(4, 0x80000000),
          damaged(4, 70000), damaged(8, 0), damaged(8, 0x80000000), damaged(8, 0x7FFFFFFF), damaged(12, 0x00070001),
          damaged(12, 0x00200001 ^ 0x00200000 ^ 0x00030000), damaged(16, 9), damaged(32, 0xFFFFFFFF)}) {
        ASSERT_TRUE(platform::put_clipboard_dib(d.data(), d.size()));
        EXPECT_EQ(MUR_FromClipboard(), 0);
    }
    EXPECT_FALSE(platform::put_clipboard_dib(nullptr, 10));
    EXPECT_STREQ(MUR_GetLastError(), "");
    for (uint16_t v : snapshot()) ASSERT_EQ(v, 0);
}

TEST_F(ClipboardTest, RunningOutOfMemoryChangesNothing)
{
    fill_random(11, true);
    const std::vector<uint8_t> pic = random_rgba(16, 16, 12, true);
    put(pic, 16, 16);
    const std::vector<uint16_t> before = snapshot();
    for (long after = 0; after < 4; ++after) {
        mem::fail_allocations(after, -1);
        MUR_ToClipboard();
        MUR_FromClipboardInto(3, 3, 0);
        MUR_FromClipboardIntoEX2(3, 3, 16, 0, 0, 1, 256, 0);
        mem::reset_failures();
        // Whatever failed, the clipboard holds the picture or the layer whole.
        int32_t w = 0, h = 0;
        const std::vector<uint8_t> got = clipboard(w, h);
        ASSERT_TRUE(got == pic || (w == kW && h == kH)) << after;
        if (got != pic) put(pic, 16, 16);
    }
    mem::fail_allocations(0, -1);
    EXPECT_EQ(MUR_ToClipboardRect(0, 0, 5, 5), 0);
    EXPECT_EQ(MUR_FromClipboard(), 0);
    EXPECT_EQ(MUR_ClipboardFlip(1), 0);
    mem::reset_failures();
    int32_t w = 0, h = 0;
    EXPECT_EQ(clipboard(w, h), pic);
    (void)before;
}

TEST_F(ClipboardTest, ClipFillCoversThePageFromTheClipboardOrLeavesTheLayer)
{
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    fill_random(13, true);
    const std::vector<uint16_t> before = snapshot();
    auto run = [] {
        return MUR_IPLImageProcess(0, "Clip Fill", 1, 500, 500, 500, 500, 500, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   nullptr);
    };
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(snapshot(), before);  // nothing on the clipboard
    // A flat 3 x 2 picture over a 64 x 48 page: the page takes its colour.
    std::vector<uint8_t> flat(3 * 2 * 4);
    for (std::size_t i = 0; i < flat.size(); i += 4) flat[i] = 10, flat[i + 1] = 200, flat[i + 2] = 90, flat[i + 3] = 255;
    put(flat, 3, 2);
    EXPECT_EQ(run(), 1);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const uint16_t* p = pixel_at(layer(), x, y);
            ASSERT_EQ(p[0] >> 8, 10);
            ASSERT_EQ(p[1] >> 8, 200);
            ASSERT_EQ(p[2] >> 8, 90);
        }
}

}  // namespace
}  // namespace mur::test
