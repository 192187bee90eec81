// Image brushes through their exports: loading from files, host pixels and
// strips of frames against the pictures written; fill and colour; the copy
// from the pick-up buffer; sizing; quarter turns against index models and
// the alpha-weighted turn against flat-colour invariants; the two copies
// into the pick-up buffer against their integer formulas; the saved file as
// ImageMagick reads it; and every allocating operation with memory gone.
#include "imaging/image_view.h"
#include "imaging/png_codec.h"
#include "imaging/resample.h"
#include "io/external_readers.h"
#include "support/engine_fixture.h"
#include "support/random_pixels.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace mur {
namespace {

using test::pick;
using Pixels8 = std::vector<uint8_t>;
using Pixels16 = std::vector<uint16_t>;

constexpr int32_t kLargest = 40;

Pixels8 random_rgba32(int32_t w, int32_t h, uint32_t seed, bool opaque = false)
{
    test::Rng rng{seed};
    Pixels8 p(std::size_t(w) * h * 4);
    for (std::size_t i = 0; i < p.size(); ++i) p[i] = uint8_t(pick(rng, 0, 255));
    if (opaque)
        for (std::size_t i = 3; i < p.size(); i += 4) p[i] = 255;
    return p;
}

Pixels16 widened(const Pixels8& p)
{
    Pixels16 out(p.size());
    for (std::size_t i = 0; i < p.size(); ++i) out[i] = uint16_t(p[i] << 8);
    return out;
}

void write_png_file(const std::string& path, const Pixels8& p, int32_t w, int32_t h)
{
    ASSERT_TRUE(imaging::write_png(path.c_str(), imaging::ConstImageView(p.data(), w, h, std::ptrdiff_t{w} * 4, 4)));
}

const ImageBrushState& brush() { return engine.imageBrush; }
Pixels16 picture() { return {brush().picture, brush().picture + std::size_t(brush().width) * brush().height * 4}; }
Pixels16 sized() { return {brush().sized, brush().sized + std::size_t(brush().sizedWidth) * brush().sizedHeight * 4}; }
Pixels8 rotated() { return {brush().rotated, brush().rotated + std::size_t(brush().rotatedWidth) * brush().rotatedHeight * 4}; }

// The selected pick-up buffer's top-left square of side n.
Pixels16 buffer_square(int32_t n)
{
    const LayerRecord& b = *engine.blend.selected;
    Pixels16 out;
    for (int32_t y = 0; y < n; ++y) out.insert(out.end(), b.pixels + std::size_t(y) * b.stride, b.pixels + std::size_t(y) * b.stride + n * 4);
    return out;
}

void fill_buffer_random(uint32_t seed)
{
    const LayerRecord& b = *engine.blend.selected;
    test::Rng rng{seed};
    for (std::size_t i = 0; i < std::size_t(b.width) * b.height * 4; ++i) b.pixels[i] = uint16_t(pick(rng, 0, 65535));
}

class ImageBrush : public test::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(64, 48, kLargest);
        MUR_SetSize(16);
    }
    test::ScratchDir dir;
};

TEST_F(ImageBrush, FilesAndHostPixelsWithinTheLargestBrushBecomeThePicture)
{
    const Pixels8 p = random_rgba32(kLargest, 7, 1);
    write_png_file(dir / "brush.png", p, kLargest, 7);
    MUR_LoadImageBrush((dir / "brush.png").c_str());
    ASSERT_EQ(brush().width, kLargest);
    ASSERT_EQ(brush().height, 7);
    EXPECT_EQ(picture(), widened(p));

    // Refused, each leaving the picture as it was: a side one past the
    // largest brush (either side), a missing file, a file that is no
    // picture, null; host pixels of a bad size or null.
    write_png_file(dir / "wide.png", random_rgba32(kLargest + 1, 3, 2), kLargest + 1, 3);
    write_png_file(dir / "tall.png", random_rgba32(3, kLargest + 1, 3), 3, kLargest + 1);
    std::FILE* junk = std::fopen((dir / "junk.png").c_str(), "wb");
    std::fputs("\x89PNG\r\n\x1a\n not really", junk);
    std::fclose(junk);
    for (const char* name : {"wide.png", "tall.png", "missing.png", "junk.png"}) MUR_LoadImageBrush((dir / name).c_str());
    MUR_LoadImageBrush(nullptr);
    const Pixels8 small = random_rgba32(2, 2, 4);
    for (auto [w, h] : {std::pair{0, 2}, {2, 0}, {-1, 2}, {kLargest + 1, 2}, {2, INT_MAX}, {INT_MIN, INT_MIN}})
        MUR_LoadImageBrushFromRGBA32(small.data(), w, h);
    MUR_LoadImageBrushFromRGBA32(nullptr, 2, 2);
    EXPECT_EQ(brush().width, kLargest);
    EXPECT_EQ(picture(), widened(p));
    EXPECT_STREQ(MUR_GetLastError(), "");

    MUR_LoadImageBrushFromRGBA32(small.data(), 2, 2);
    EXPECT_EQ(brush().width, 2);
    EXPECT_EQ(picture(), widened(small));
}

TEST_F(ImageBrush, StripFramesArePickedByPositionAndClampedToTheStrip)
{
    MUR_DeleteImage();
    create_image(64, 48, 100);
    const Pixels8 strip = random_rgba32(430, 100, 5);  // 4 frames and 30 columns left over
    write_png_file(dir / "strip.png", strip, 430, 100);
    MUR_LoadImageBrushArray((dir / "strip.png").c_str());
    ASSERT_EQ(brush().frameCount, 4);
    ASSERT_EQ(brush().width, 100);
    auto frame = [&](int f) {
        Pixels16 out;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100 * 4; ++x) out.push_back(uint16_t(strip[(std::size_t(y) * 430 + f * 100) * 4 + x] << 8));
        return out;
    };
    EXPECT_EQ(picture(), frame(0));
    MUR_CopyFromImageBrushArray(0.6f);  // frame 2, left column 200
    EXPECT_EQ(picture(), frame(2));
    for (float position : {0.0f, 0.24f, 0.25f, 0.5f, 0.74f, 0.99f, 1.0f, 7.5f, -0.5f, NAN, INFINITY, -INFINITY}) {
        const double wanted = std::floor(4.0 * position);
        const int expected = std::isnan(wanted) ? 0 : int(std::clamp(wanted, 0.0, 3.0));
        MUR_CopyFromImageBrushArray(position);
        EXPECT_EQ(picture(), frame(expected)) << position;
    }
    // A picture of another size in between: the frame makes its own again.
    MUR_FillImageBrush(1, 2, 3);
    MUR_CopyFromImageBrushArray(0.3f);
    EXPECT_EQ(picture(), frame(1));

    // Refused: narrower than tall, taller than the largest brush.
    write_png_file(dir / "narrow.png", random_rgba32(99, 100, 6), 99, 100);
    write_png_file(dir / "tall.png", random_rgba32(505, 101, 7), 505, 101);
    MUR_LoadImageBrushArray((dir / "narrow.png").c_str());
    MUR_LoadImageBrushArray((dir / "tall.png").c_str());
    MUR_LoadImageBrushArray(nullptr);
    EXPECT_EQ(brush().arrayWidth, 430);
    EXPECT_EQ(picture(), frame(1));
}

TEST_F(ImageBrush, FillColourAndCopyToMakePicturesOfTheBrushSize)
{
    MUR_FillImageBrush(255, 0, 300);  // x 257, clamped
    ASSERT_EQ(brush().width, 16);
    for (std::size_t i = 0; i < 16 * 16; ++i) {
        ASSERT_EQ(brush().picture[i * 4 + 0], 65535);
        ASSERT_EQ(brush().picture[i * 4 + 1], 0);
        ASSERT_EQ(brush().picture[i * 4 + 2], 65535);
        ASSERT_EQ(brush().picture[i * 4 + 3], 65535);
    }
    // Colour keeps each pixel's alpha.
    const Pixels8 p = random_rgba32(5, 3, 8);
    MUR_LoadImageBrushFromRGBA32(p.data(), 5, 3);
    MUR_ColorImageBrush(1, 128, 254);
    for (std::size_t i = 0; i < 15; ++i) {
        EXPECT_EQ(brush().picture[i * 4 + 0], 257);
        EXPECT_EQ(brush().picture[i * 4 + 1], 128 * 257);
        EXPECT_EQ(brush().picture[i * 4 + 2], 254 * 257);
        EXPECT_EQ(brush().picture[i * 4 + 3], p[i * 4 + 3] << 8);
    }

    // Copy-to: the buffer's top-left square; past a buffer smaller than the
    // brush, transparent.
    fill_buffer_random(9);
    MUR_CopyToImageBrush();
    EXPECT_EQ(picture(), buffer_square(16));
    MUR_SetSize(kLargest + 10);
    MUR_CopyToImageBrush();
    ASSERT_EQ(brush().width, kLargest + 10);
    const Pixels16 inside = buffer_square(kLargest);
    for (int y = 0; y < kLargest + 10; ++y)
        for (int x = 0; x < (kLargest + 10) * 4; ++x)
            ASSERT_EQ(brush().picture[std::size_t(y) * (kLargest + 10) * 4 + x],
                      y < kLargest && x < kLargest * 4 ? inside[std::size_t(y) * kLargest * 4 + x] : 0);

    // Brush size 0 makes nothing.
    MUR_SetSize(0);
    for (auto call : {+[] { MUR_FillImageBrush(1, 1, 1); }, +[] { MUR_CopyToImageBrush(); }, +[] { MUR_SizeImageBrush(); }})
        call();
    EXPECT_EQ(brush().width, kLargest + 10);
    EXPECT_EQ(brush().sized, nullptr);
}

TEST_F(ImageBrush, SizingCopiesSquaresOfTheSizeAndResamplesEverythingElse)
{
    const Pixels8 square = random_rgba32(16, 16, 10);
    MUR_LoadImageBrushFromRGBA32(square.data(), 16, 16);
    MUR_SizeImageBrush();
    EXPECT_EQ(sized(), widened(square));

    // Width 16 but height 9, larger and smaller pictures: resampled, up by
    // Lanczos3 and down by area average, as the resampler does them.
    for (auto [w, h] : {std::pair{16, 9}, {7, 5}, {33, 21}}) {
        const Pixels8 p = random_rgba32(w, h, uint32_t(w * h));
        MUR_LoadImageBrushFromRGBA32(p.data(), w, h);
        MUR_SizeImageBrush();
        const Pixels16 from = widened(p);
        Pixels16 want(16 * 16 * 4);
        ASSERT_TRUE(imaging::general_resize(
            imaging::ConstImageView(reinterpret_cast<const uint8_t*>(from.data()), w, h, std::ptrdiff_t{w} * 8, 8),
            imaging::rgba64_view(want.data(), 16, 16, 64), 16 < w ? 15 : 8));
        EXPECT_EQ(sized(), want) << w << "x" << h;
    }
    // A flat colour with a transparent hole, shrunk, stays the same colour
    // wherever it is not transparent (colours weighted by alpha): no dark
    // fringe.
    Pixels8 holed(37 * 37 * 4);
    for (int i = 0; i < 37 * 37; ++i) {
        const bool hole = (i % 37 - 18) * (i % 37 - 18) + (i / 37 - 18) * (i / 37 - 18) < 100;
        const uint8_t c[4] = {uint8_t(hole ? 0 : 200), uint8_t(hole ? 0 : 90), uint8_t(hole ? 0 : 30), uint8_t(hole ? 0 : 255)};
        std::memcpy(&holed[i * 4], c, 4);
    }
    MUR_LoadImageBrushFromRGBA32(holed.data(), 37, 37);
    MUR_SizeImageBrush();
    int partly = 0;
    for (std::size_t i = 0; i < 256; ++i) {
        const uint16_t a = brush().sized[i * 4 + 3];
        if (a == 0) continue;
        partly += a < 65280;
        EXPECT_NEAR(brush().sized[i * 4 + 0], 200 << 8, 256) << i;
        EXPECT_NEAR(brush().sized[i * 4 + 1], 90 << 8, 256) << i;
    }
    EXPECT_GT(partly, 8);
    // A change of the picture is seen by the next sizing.
    MUR_FillImageBrush(10, 20, 30);
    MUR_SizeImageBrush();
    EXPECT_EQ(sized(), picture());
}

// The rotated copy after turning by `degrees`.
Pixels8 turned(float degrees)
{
    MUR_RotateImageBrush(degrees);
    return rotated();
}

TEST_F(ImageBrush, QuarterTurnsMoveEveryPixelUnchanged)
{
    for (int32_t n : {16, 9}) {
        MUR_SetSize(n);
        Pixels8 p = random_rgba32(n, n, uint32_t(n));
        for (std::size_t i = 3; i < p.size(); i += 4) p[i] = uint8_t(1 + p[i] % 255);  // no pixel fully transparent
        MUR_LoadImageBrushFromRGBA32(p.data(), n, n);
        MUR_SizeImageBrush();
        auto at = [&](const Pixels8& q, int x, int y, int c) { return q[(std::size_t(y) * n + x) * 4 + c]; };
        // Clockwise on screen (rows run down): the top-left corner goes to
        // the top-right.
        const std::vector<std::pair<float, std::function<std::pair<int, int>(int, int)>>> turns = {
            {0.0f, [](int x, int y) { return std::pair{x, y}; }},
            {360.0f, [](int x, int y) { return std::pair{x, y}; }},
            {90.0f, [n](int x, int y) { return std::pair{y, n - 1 - x}; }},
            {180.0f, [n](int x, int y) { return std::pair{n - 1 - x, n - 1 - y}; }},
            {-90.0f, [n](int x, int y) { return std::pair{n - 1 - y, x}; }},
            {450.0f, [n](int x, int y) { return std::pair{y, n - 1 - x}; }},
        };
        for (const auto& [degrees, from] : turns) {
            const Pixels8 out = turned(degrees);
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x)
                    for (int c = 0; c < 4; ++c) {
                        const auto [sx, sy] = from(x, y);
                        ASSERT_EQ(at(out, x, y, c), at(p, sx, sy, c)) << degrees << "deg n=" << n << " at " << x << "," << y;
                    }
        }
    }
}

TEST_F(ImageBrush, AnyTurnKeepsAFlatColourAndTheAlphaOfAnInnerShape)
{
    // A disc of one colour on transparent pixels of another colour: turned
    // by any angle, every pixel that is not transparent keeps the disc's
    // colour (a straight bilinear turn would mix in the hidden colour), and
    // the alpha in all is kept to within the resampling's rounding.
    const int32_t n = 32;
    MUR_SetSize(n);
    Pixels8 p(std::size_t(n) * n * 4);
    long alphaSum = 0;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double d = std::hypot(x + 0.5 - 12, y + 0.5 - 16);
            const uint8_t a = uint8_t(std::clamp((10 - d) * 128.0, 0.0, 255.0));
            const uint8_t c[4] = {uint8_t(a ? 30 : 250), uint8_t(a ? 160 : 0), uint8_t(a ? 90 : 250), a};
            std::memcpy(&p[(std::size_t(y) * n + x) * 4], c, 4);
            alphaSum += a;
        }
    MUR_LoadImageBrushFromRGBA32(p.data(), n, n);
    MUR_SizeImageBrush();
    for (float degrees : {7.5f, 30.0f, 45.0f, 133.0f, -61.0f, 1000.0f}) {
        const Pixels8 out = turned(degrees);
        long sum = 0;
        for (std::size_t i = 0; i < out.size(); i += 4) {
            sum += out[i + 3];
            if (out[i + 3] == 0) continue;
            ASSERT_NEAR(out[i + 0], 30, 1) << degrees;
            ASSERT_NEAR(out[i + 1], 160, 1) << degrees;
            ASSERT_NEAR(out[i + 2], 90, 1) << degrees;
        }
        EXPECT_NEAR(double(sum), double(alphaSum), alphaSum * 0.01) << degrees;
    }
    // An angle that is no number leaves the copy unturned.
    EXPECT_EQ(turned(NAN), p);
}

TEST_F(ImageBrush, CopiesIntoTheBufferFollowTheirIntegerFormulas)
{
    const Pixels8 p = random_rgba32(16, 16, 11);
    MUR_LoadImageBrushFromRGBA32(p.data(), 16, 16);
    for (int32_t percent : {0, 1, 50, 100, 150, -7}) {
        fill_buffer_random(12);
        const Pixels16 before = buffer_square(16);
        MUR_CopyFromImageBrush(percent);
        const Pixels16 after = buffer_square(16);
        const uint32_t c = uint32_t(std::clamp(percent, 0, 100) * 2.559);
        for (std::size_t i = 0; i < after.size(); ++i) {
            const uint32_t q = uint32_t(p[i]) << 8;
            const uint32_t want = c == 0 ? q : (c * before[i] + q * (255 - c)) >> 8;
            ASSERT_EQ(after[i], want) << percent << "% at " << i;
        }
    }
    // The rotated copy, before and after a turn; c from the same strength.
    MUR_RotateImageBrush(0.0f);
    const Pixels8 q = rotated();
    for (int32_t percent : {0, 50, 100}) {
        fill_buffer_random(13);
        const Pixels16 b = buffer_square(16);
        MUR_CopyFromImageBrushRotate(percent);
        const Pixels16 after = buffer_square(16);
        const uint32_t c = uint32_t(percent * 2.559), k = 255 - c;
        for (std::size_t i = 0; i < after.size(); i += 4) {
            const uint32_t want[4] = {
                c == 0 ? uint32_t(q[i] << 8) : q[i] * k + ((c * b[i]) >> 8),
                c == 0 ? uint32_t(q[i + 1] << 8) : (c * b[i + 1] + k * (q[i + 1] << 8)) >> 8,
                c == 0 ? uint32_t(q[i + 2] << 8) : (c * b[i + 2] + k * (q[i + 2] << 8)) >> 8,
                c == 0 ? uint32_t(q[i + 3] << 8) : k * q[i + 3] + ((c * b[i + 3]) >> 8)};
            for (int ch = 0; ch < 4; ++ch) ASSERT_EQ(after[i + ch], want[ch]) << percent << "% at " << i;
        }
    }
    // A new size invalidates the turn: the rotated copy is not used until
    // it is turned again.
    MUR_SetSize(12);
    MUR_SizeImageBrush();
    fill_buffer_random(14);
    const Pixels16 untouched = buffer_square(kLargest);
    MUR_CopyFromImageBrushRotate(0);
    EXPECT_EQ(buffer_square(kLargest), untouched);

    // A brush larger than the buffer: both copies stop at its square.
    MUR_SetSize(kLargest + 8);
    MUR_FillImageBrush(9, 8, 7);
    MUR_CopyFromImageBrush(0);
    MUR_RotateImageBrush(90.0f);
    MUR_CopyFromImageBrushRotate(0);
    EXPECT_EQ(buffer_square(kLargest)[0], 9 * 257 & 0xFF00);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(ImageBrush, SavedFilesReadBackAsTheyWereAndFailedWritesLeaveNothing)
{
    const Pixels8 p = random_rgba32(23, 17, 15);
    MUR_LoadImageBrushFromRGBA32(p.data(), 23, 17);
    const std::string out = dir / "saved.png";
    MUR_SaveImageBrush(out.c_str());
    if (test::have_imagemagick()) {  // 8-bit RGBA, 72 dpi
        EXPECT_EQ(test::identify(out, "%m %wx%h %[png:IHDR.bit-depth-orig] %[png:IHDR.color-type-orig] %[png:pHYs]"),
                  "PNG 23x17 8 6 x_res=2834, y_res=2834, units=1");
    }
    MUR_FillImageBrush(0, 0, 0);
    MUR_LoadImageBrush(out.c_str());
    ASSERT_EQ(brush().width, 23);
    EXPECT_EQ(picture(), widened(p));

    // A failed write: memory for the encoder runs out, or the folder does
    // not exist. Nothing is left behind and the older file stays whole.
    const auto before = std::filesystem::file_size(out);
    MUR_FillImageBrush(1, 2, 3);
    mem::fail_allocations(1, -1);
    MUR_SaveImageBrush(out.c_str());
    mem::reset_failures();
    EXPECT_STREQ(MUR_GetLastError(), "SaveImageBrush Excpt");
    EXPECT_EQ(std::filesystem::file_size(out), before);
    MUR_SaveImageBrush((dir / "no-such-folder/b.png").c_str());
    EXPECT_EQ(dir.names(), std::vector<std::string>{"saved.png"});
}

TEST_F(ImageBrush, OperationsWithoutMemoryLeaveTheBrushAsItWas)
{
    test::ScratchDir files;
    write_png_file(files / "b.png", random_rgba32(20, 20, 16), 20, 20);
    write_png_file(files / "s.png", random_rgba32(60, 20, 17), 60, 20);
    const Pixels8 host = random_rgba32(8, 8, 18);
    struct Case {
        const char* text;
        std::function<void()> call;
        std::function<void()> prepare = [] {};
    };
    const std::vector<Case> cases = {
        {"LoadImageBrush Excpt", [&] { MUR_LoadImageBrush((files / "b.png").c_str()); }},
        {"LoadImageBrushFromRGBA32 Excpt", [&] { MUR_LoadImageBrushFromRGBA32(host.data(), 8, 8); }},
        {"LoadImageBrushArray Excpt", [&] { MUR_LoadImageBrushArray((files / "s.png").c_str()); }},
        {"FillImageBrush Excpt", [] { MUR_FillImageBrush(1, 2, 3); }},
        {"CopyToImageBrush Excpt", [] { MUR_CopyToImageBrush(); }},
        {"SizeImageBrush Excpt", [] { MUR_SetSize(21); MUR_SizeImageBrush(); }},
        {"RotateImageBrush Excpt", [] { MUR_RotateImageBrush(10); }, [] { MUR_SetSize(21); MUR_SizeImageBrush(); }},
        {"ColorImageBrush Excpt", [] { MUR_ColorImageBrush(1, 2, 3); }, [] { MUR_DeleteImage(); create_image(64, 48, kLargest); }},
        {"CopyFromImageBrush Excpt", [] { MUR_SetSize(22); MUR_CopyFromImageBrush(0); }},
    };
    // What the brush holds, by content.
    struct Held {
        Pixels16 picture, sized, array;
        Pixels8 unrotated, rotated;
        int32_t width, height, arrayWidth, frameCount, sizedWidth, rotatedWidth;
        bool sizedCurrent, rotationValid;
        bool operator==(const Held&) const = default;
    };
    auto held = [] {
        const ImageBrushState& b = brush();
        return Held{picture(), sized(),
                    Pixels16(b.array, b.array + std::size_t(b.arrayWidth) * b.arrayHeight * 4),
                    Pixels8(b.unrotated, b.unrotated + std::size_t(b.rotatedWidth) * b.rotatedHeight * 4), rotated(),
                    b.width, b.height, b.arrayWidth, b.frameCount, b.sizedWidth, b.rotatedWidth, b.sizedCurrent,
                    b.rotationValid};
    };
    for (const Case& c : cases) {
        // The N-th allocation and all after it fail (the history has none to
        // give up): the call either completes or leaves the brush whole, and
        // when the brush's own memory is what ran out, it says so.
        bool reported = false;
        for (long n = 0; n < 40; ++n) {
            // A brush with everything made: picture, strip, sized, turned.
            MUR_SetSize(16);
            MUR_LoadImageBrushArray((files / "s.png").c_str());
            MUR_SizeImageBrush();
            MUR_RotateImageBrush(30);
            c.prepare();
            const Held was = held();
            engine.ErrorText[0] = '\0';
            mem::fail_allocations(n, -1);
            c.call();
            mem::reset_failures();
            const Held now = held();
            const bool failed = std::strcmp(MUR_GetLastError(), "") != 0;
            if (failed) {
                EXPECT_STREQ(MUR_GetLastError(), c.text);
                EXPECT_TRUE(now == was) << c.text << " failing from allocation " << n;
                reported = true;
            } else if (now == was) {
                // Only the file reader ran out: nothing was read.
                EXPECT_TRUE(std::string(c.text).find("LoadImageBrush") == 0) << c.text << " " << n;
            } else {
                break;  // the call completed
            }
        }
        EXPECT_TRUE(reported) << c.text;
    }
}

TEST_F(ImageBrush, DeletingTheImageReleasesTheBrush)
{
    const std::size_t blocks = mem::live_blocks();
    MUR_FillImageBrush(1, 2, 3);
    MUR_SizeImageBrush();
    MUR_RotateImageBrush(5);
    EXPECT_EQ(mem::live_blocks(), blocks + 4);
    MUR_DeleteImage();
    EXPECT_EQ(brush().picture, nullptr);
    EXPECT_EQ(brush().rotated, nullptr);
    create_image(64, 48, kLargest);
    EXPECT_EQ(mem::live_blocks(), blocks);
}

}  // namespace
}  // namespace mur
