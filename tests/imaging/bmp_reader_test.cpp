#include "imaging/bmp_reader.h"

#include "engine/memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

namespace mur::imaging {
namespace {

// A bitmap file written byte by byte.
struct BmpFile {
    int32_t width = 1, height = 1;  // height < 0: top-down
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    uint32_t paletteCount = 0;      // biClrUsed
    std::vector<uint32_t> masks;    // written after a 40-byte header, or inside a larger one
    std::vector<uint8_t> pixels;

    static void put16(std::vector<uint8_t>& v, uint32_t x) { v.push_back(x & 255), v.push_back(x >> 8 & 255); }
    static void put32(std::vector<uint8_t>& v, uint32_t x)
    {
        for (int s = 0; s < 32; s += 8) v.push_back(x >> s & 255);
    }

    std::vector<uint8_t> bytes() const
    {
        std::vector<uint8_t> info;
        if (headerSize == 12) {
            put32(info, 12), put16(info, uint32_t(width)), put16(info, uint32_t(height)), put16(info, 1), put16(info, bits);
        } else {
            put32(info, headerSize), put32(info, uint32_t(width)), put32(info, uint32_t(height));
            put16(info, 1), put16(info, bits), put32(info, compression), put32(info, uint32_t(pixels.size()));
            put32(info, 2835), put32(info, 2835), put32(info, paletteCount), put32(info, 0);
            if (headerSize > 40)
                for (std::size_t i = 0; i < 4; ++i) put32(info, i < masks.size() ? masks[i] : 0);
            info.resize(headerSize, 0);
        }
        std::vector<uint8_t> extra;
        if (headerSize == 40)
            for (uint32_t m : masks) put32(extra, m);
        for (uint32_t c : palette) {
            extra.push_back(c & 255), extra.push_back(c >> 8 & 255), extra.push_back(c >> 16 & 255);
            if (headerSize != 12) extra.push_back(0);
        }
        std::vector<uint8_t> out = {'B', 'M'};
        const uint32_t offset = 14 + uint32_t(info.size() + extra.size());
        put32(out, offset + uint32_t(pixels.size())), put32(out, 0), put32(out, offset);
        out.insert(out.end(), info.begin(), info.end());
        out.insert(out.end(), extra.begin(), extra.end());
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

struct Read {
    Rgba32Picture p;
    bool ok = false;
    explicit Read(const std::vector<uint8_t>& file, const PictureLimits& limits = {})
    {
        ok = read_bmp_from_memory(file.data(), file.size(), p, limits);
    }
    ~Read() { release_picture(p); }
    std::vector<int> px(int x, int y) const
    {
        const uint8_t* q = p.pixels + (std::size_t(y) * p.width + x) * 4;
        return {q[0], q[1], q[2], q[3]};
    }
};

using V = std::vector<int>;

TEST(BmpReader, TwentyFourBitRowsAreBottomUpAndPadded)
{
    BmpFile f;
    f.width = 3, f.height = 2;
    // File row 0 is the bottom row; rows of 9 bytes padded to 12. B, G, R order.
    f.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 0, 0};
    Read r(f.bytes());
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.p.width, 3);
    ASSERT_EQ(r.p.height, 2);
    EXPECT_EQ(r.px(0, 1), (V{3, 2, 1, 255}));
    EXPECT_EQ(r.px(2, 1), (V{9, 8, 7, 255}));
    EXPECT_EQ(r.px(0, 0), (V{30, 20, 10, 255}));
    EXPECT_EQ(r.px(2, 0), (V{90, 80, 70, 255}));
}

TEST(BmpReader, TheLastRowMayLackItsPadding)
{
    BmpFile f;
    f.width = 1, f.height = 2;
    f.pixels = {1, 2, 3, 0, 4, 5, 6};
    Read r(f.bytes());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{6, 5, 4, 255}));
}

TEST(BmpReader, NegativeHeightMeansTopDown)
{
    BmpFile f;
    f.width = 1, f.height = -2, f.bits = 32;
    f.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    Read r(f.bytes());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.p.height, 2);
    // Alpha bytes that are all zero mean no alpha.
    EXPECT_EQ(r.px(0, 0), (V{3, 2, 1, 255}));
    EXPECT_EQ(r.px(0, 1), (V{6, 5, 4, 255}));
}

TEST(BmpReader, ThirtyTwoBitsKeepAnAlphaThatIsUsed)
{
    BmpFile f;
    f.width = 2, f.height = 1, f.bits = 32;
    f.pixels = {10, 20, 30, 0, 40, 50, 60, 128};
    Read r(f.bytes());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{30, 20, 10, 0}));
    EXPECT_EQ(r.px(1, 0), (V{60, 50, 40, 128}));
}

TEST(BmpReader, PaletteDepthsPackPixelsFromTheHighBit)
{
    BmpFile one;
    one.width = 10, one.height = 1, one.bits = 1;
    one.palette = {0x000000, 0xFF8040};
    one.pixels = {0b10110000, 0b01000000, 0, 0};
    Read r1(one.bytes());
    ASSERT_TRUE(r1.ok);
    const int expected[10] = {1, 0, 1, 1, 0, 0, 0, 0, 0, 1};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(r1.px(x, 0)[0], expected[x] ? 255 : 0) << x;
    EXPECT_EQ(r1.px(0, 0), (V{255, 128, 64, 255}));

    BmpFile four;
    four.width = 3, four.height = 1, four.bits = 4, four.paletteCount = 3;
    four.palette = {0x010203, 0x040506, 0x070809};
    four.pixels = {0x21, 0xF0, 0, 0};  // indices 2, 1, 15 (beyond the palette)
    Read r4(four.bytes());
    ASSERT_TRUE(r4.ok);
    EXPECT_EQ(r4.px(0, 0), (V{7, 8, 9, 255}));
    EXPECT_EQ(r4.px(1, 0), (V{4, 5, 6, 255}));
    EXPECT_EQ(r4.px(2, 0), (V{0, 0, 0, 255}));

    BmpFile eight;
    eight.width = 2, eight.height = 1, eight.bits = 8;
    eight.palette.assign(256, 0);
    eight.palette[200] = 0xABCDEF;
    eight.pixels = {200, 0, 0, 0};
    Read r8(eight.bytes());
    ASSERT_TRUE(r8.ok);
    EXPECT_EQ(r8.px(0, 0), (V{0xAB, 0xCD, 0xEF, 255}));
}

TEST(BmpReader, CoreHeaderWithThreeBytePalette)
{
    BmpFile f;
    f.headerSize = 12, f.width = 2, f.height = 1, f.bits = 8;
    f.palette.assign(256, 0);
    f.palette[1] = 0x112233;
    f.pixels = {1, 0, 0, 0};
    Read r(f.bytes());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{0x11, 0x22, 0x33, 255}));
}

TEST(BmpReader, SixteenBitsDefaultTo555AndFollowBitFields)
{
    BmpFile plain;
    plain.width = 1, plain.height = 1, plain.bits = 16;
    plain.pixels = {0x1F, 0x7C, 0, 0};  // red 31, green 0, blue 31
    Read r(plain.bytes());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{255, 0, 255, 255}));

    BmpFile fields;
    fields.width = 2, fields.height = 1, fields.bits = 16, fields.compression = 3;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    // 565: green 63 -> 255, red 16 -> 132 (16 * 255 / 31 rounded), blue 0.
    const uint16_t a = 0x07E0, b = uint16_t(16 << 11);
    fields.pixels = {uint8_t(a), uint8_t(a >> 8), uint8_t(b), uint8_t(b >> 8)};
    Read f(fields.bytes());
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.px(0, 0), (V{0, 255, 0, 255}));
    EXPECT_EQ(f.px(1, 0), (V{132, 0, 0, 255}));
}

TEST(BmpReader, VersionFiveHeaderWithAlphaMask)
{
    BmpFile f;
    f.headerSize = 124, f.width = 1, f.height = 1, f.bits = 32, f.compression = 3;
    f.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};  // R G B A in memory order
    f.pixels = {11, 22, 33, 44};
    Read r(f.bytes());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{11, 22, 33, 44}));
}

TEST(BmpReader, AVersionTwoHeaderHoldsThreeMasksOnly)
{
    // 52 bytes: red, green and blue masks; what follows the header is pixels,
    // not an alpha mask, even when the compression asks for one.
    BmpFile f;
    f.headerSize = 52, f.width = 1, f.height = 1, f.bits = 32, f.compression = 6;
    f.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    f.pixels = {1, 2, 3, 4};
    Read r(f.bytes());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{3, 2, 1, 255}));
}

TEST(BmpReader, Rle8RunsLiteralsDeltasAndSkippedPixels)
{
    BmpFile f;
    f.width = 4, f.height = 3, f.bits = 8, f.compression = 1;
    f.palette.assign(256, 0);
    f.palette[1] = 0x0000FF, f.palette[2] = 0x00FF00, f.palette[3] = 0xFF0000;
    f.pixels = {
        3, 1, 0, 0,        // bottom row: three of index 1, end of line
        0, 3, 2, 3, 2, 0,  // literal run of three (2, 3, 2), padded to a word
        0, 2, 1, 1,        // move one right and one up: to x 4 of the top row
        1, 3, 0, 1,        // one pixel of index 3 there (past the row end), end of picture
    };
    Read r(f.bytes());
    ASSERT_TRUE(r.ok);
    // Bottom row (y 2): 1 1 1 then nothing.
    EXPECT_EQ(r.px(0, 2), (V{0, 0, 255, 255}));
    EXPECT_EQ(r.px(2, 2), (V{0, 0, 255, 255}));
    EXPECT_EQ(r.px(3, 2), (V{0, 0, 0, 0}));
    // Middle row (y 1): 2 3 2, then the delta moved right 1 and up 1 from x 3.
    EXPECT_EQ(r.px(0, 1), (V{0, 255, 0, 255}));
    EXPECT_EQ(r.px(1, 1), (V{255, 0, 0, 255}));
    EXPECT_EQ(r.px(3, 1), (V{0, 0, 0, 0}));
    // After the delta the position is x 4 of the top row: past the row end,
    // so the run is cut and the top row stays empty.
    for (int x = 0; x < 4; ++x) EXPECT_EQ(r.px(x, 0), (V{0, 0, 0, 0})) << x;
}

TEST(BmpReader, Rle4AlternatesNibbles)
{
    BmpFile f;
    f.width = 5, f.height = 1, f.bits = 4, f.compression = 2;
    f.palette = {0x000000, 0x0000FF, 0x00FF00};
    f.pixels = {5, 0x12, 0, 1};  // 1 2 1 2 1
    Read r(f.bytes());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{0, 0, 255, 255}));
    EXPECT_EQ(r.px(1, 0), (V{0, 255, 0, 255}));
    EXPECT_EQ(r.px(4, 0), (V{0, 0, 255, 255}));
}

TEST(BmpReader, DamagedAndAbsurdFilesFailWithoutLeaking)
{
    const std::size_t blocks = mem::live_blocks();
    BmpFile good;
    good.width = 4, good.height = 4;
    good.pixels.assign(48, 7);
    const auto bytes = good.bytes();
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + cut);
        Read r(part);
        EXPECT_FALSE(r.ok) << "cut at " << cut;
        EXPECT_EQ(r.p.pixels, nullptr);
    }

    auto refused = [&](BmpFile f, const char* what) {
        Read r(f.bytes());
        EXPECT_FALSE(r.ok) << what;
        EXPECT_EQ(r.p.pixels, nullptr) << what;
    };
    BmpFile f = good;
    f.width = 70000, f.height = 1;
    refused(f, "width beyond the limit");
    f = good, f.width = 40000, f.height = 40000;
    refused(f, "too many pixels, nothing allocated");
    f = good, f.width = 0;
    refused(f, "no width");
    f = good, f.height = 0;
    refused(f, "no height");
    f = good, f.height = INT32_MIN;
    refused(f, "the most negative height");
    f = good, f.bits = 7;
    refused(f, "seven bits");
    f = good, f.compression = 4;
    refused(f, "embedded JPEG");
    f = good, f.bits = 8, f.compression = 1, f.height = -4;
    refused(f, "top-down RLE");
    f = good, f.headerSize = 64;
    refused(f, "unknown header size");
    BmpFile rle;
    rle.width = 4, rle.height = 2, rle.bits = 8, rle.compression = 1;
    rle.palette = {0xFFFFFF};
    rle.pixels = {4, 0, 0, 0};  // one row, then the stream stops without an end marker
    refused(rle, "RLE stream ending early");
    EXPECT_EQ(mem::live_blocks(), blocks);

    Read none(std::vector<uint8_t>{});
    EXPECT_FALSE(none.ok);
    Rgba32Picture p;
    EXPECT_FALSE(read_bmp_from_memory(nullptr, 100, p));
}

TEST(BmpReader, TighterLimitsAndFailedAllocationsRefuse)
{
    BmpFile f;
    f.width = 64, f.height = 64;
    f.pixels.assign(64 * 64 * 3, 1);
    PictureLimits small;
    small.maxSide = 32;
    Read limited(f.bytes(), small);
    EXPECT_FALSE(limited.ok);
    mem::fail_allocations(0, -1);
    Read starved(f.bytes());
    mem::reset_failures();
    EXPECT_FALSE(starved.ok);
    EXPECT_EQ(starved.p.pixels, nullptr);
}

}  // namespace
}  // namespace mur::imaging
