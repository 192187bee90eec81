#include "imaging/tga_reader.h"

#include "engine/memory.h"

#include <gtest/gtest.h>

#include <vector>

namespace mur::imaging {
namespace {

// An 18-byte TGA header followed by `body` (colour map and pixels).
std::vector<uint8_t> tga(uint8_t type, int w, int h, uint8_t depth, uint8_t descriptor, const std::vector<uint8_t>& body,
                         uint8_t mapType = 0, uint16_t mapFirst = 0, uint16_t mapLength = 0, uint8_t mapBits = 0,
                         const std::vector<uint8_t>& id = {})
{
    std::vector<uint8_t> f = {uint8_t(id.size()), mapType, type,
                              uint8_t(mapFirst), uint8_t(mapFirst >> 8), uint8_t(mapLength), uint8_t(mapLength >> 8), mapBits,
                              0, 0, 0, 0,
                              uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), depth, descriptor};
    f.insert(f.end(), id.begin(), id.end());
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

struct Read {
    Rgba32Picture p;
    bool ok = false;
    explicit Read(const std::vector<uint8_t>& file) { ok = read_tga_from_memory(file.data(), file.size(), p); }
    ~Read() { release_picture(p); }
    std::vector<int> px(int x, int y) const
    {
        const uint8_t* q = p.pixels + (std::size_t(y) * p.width + x) * 4;
        return {q[0], q[1], q[2], q[3]};
    }
};

using V = std::vector<int>;

TEST(TgaReader, UncompressedTrueColourStartsAtTheBottomLeft)
{
    // 2 x 2, 24 bits, B G R; the first stored row is the bottom one.
    const auto f = tga(2, 2, 2, 24, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 0, 0, 0, 0, {'h', 'i'});
    Read r(f);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 1), (V{3, 2, 1, 255}));
    EXPECT_EQ(r.px(1, 1), (V{6, 5, 4, 255}));
    EXPECT_EQ(r.px(0, 0), (V{9, 8, 7, 255}));
    EXPECT_EQ(r.px(1, 0), (V{12, 11, 10, 255}));
}

TEST(TgaReader, OriginBitsFlipRowsAndColumns)
{
    const std::vector<uint8_t> body = {1, 2, 3, 40, 5, 6, 7, 80};  // two 32-bit pixels, B G R A
    Read topLeft(tga(2, 2, 1, 32, 0x28, body));
    ASSERT_TRUE(topLeft.ok);
    EXPECT_EQ(topLeft.px(0, 0), (V{3, 2, 1, 40}));
    EXPECT_EQ(topLeft.px(1, 0), (V{7, 6, 5, 80}));
    Read rightToLeft(tga(2, 2, 1, 32, 0x38, body));
    ASSERT_TRUE(rightToLeft.ok);
    EXPECT_EQ(rightToLeft.px(1, 0), (V{3, 2, 1, 40}));
    EXPECT_EQ(rightToLeft.px(0, 0), (V{7, 6, 5, 80}));
}

TEST(TgaReader, AnAlphaChannelOfZerosIsNone)
{
    Read r(tga(2, 1, 1, 32, 0x20, {1, 2, 3, 0}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{3, 2, 1, 255}));
}

TEST(TgaReader, RlePacketsMayCrossRows)
{
    // 3 x 2 top-down: a run of four red pixels, then two raw pixels.
    const auto f = tga(10, 3, 2, 24, 0x20, {0x83, 0, 0, 255, 0x01, 0, 255, 0, 255, 0, 0});
    Read r(f);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{255, 0, 0, 255}));
    EXPECT_EQ(r.px(2, 0), (V{255, 0, 0, 255}));
    EXPECT_EQ(r.px(0, 1), (V{255, 0, 0, 255}));
    EXPECT_EQ(r.px(1, 1), (V{0, 255, 0, 255}));
    EXPECT_EQ(r.px(2, 1), (V{0, 0, 255, 255}));
}

TEST(TgaReader, GrayAndGrayWithAlpha)
{
    Read gray(tga(3, 2, 1, 8, 0, {17, 200}));
    ASSERT_TRUE(gray.ok);
    EXPECT_EQ(gray.px(0, 0), (V{17, 17, 17, 255}));
    EXPECT_EQ(gray.px(1, 0), (V{200, 200, 200, 255}));
    Read grayAlpha(tga(11, 2, 1, 16, 8, {0x81, 90, 30}));
    ASSERT_TRUE(grayAlpha.ok);
    EXPECT_EQ(grayAlpha.px(1, 0), (V{90, 90, 90, 30}));
}

TEST(TgaReader, ColourMappedIndicesCountFromTheFirstEntry)
{
    // Map entries 5 and 6 (24-bit); index 7 is not in the map.
    const auto f = tga(1, 3, 1, 8, 0x20, {10, 20, 30, 40, 50, 60, 5, 6, 7}, 1, 5, 2, 24);
    Read r(f);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{30, 20, 10, 255}));
    EXPECT_EQ(r.px(1, 0), (V{60, 50, 40, 255}));
    EXPECT_EQ(r.px(2, 0), (V{0, 0, 0, 255}));
}

TEST(TgaReader, SixteenBitPixelsAre1555)
{
    const uint16_t v = 0x8000 | (31 << 10) | (16 << 5) | 0;  // attribute bit, red 31, green 16
    Read r(tga(2, 1, 1, 16, 0x21, {uint8_t(v), uint8_t(v >> 8)}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{255, 132, 0, 255}));  // 16 * 255 / 31 = 131.6
}

TEST(TgaReader, HeadersThatAreNotTgaAreRecognised)
{
    const std::vector<uint8_t> text = {'H', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', ',', ' ', 't', 'h', 'i', 's', ' ', 'i'};
    EXPECT_FALSE(looks_like_tga(text.data(), text.size()));
    EXPECT_TRUE(looks_like_tga(tga(2, 1, 1, 24, 0, {1, 2, 3}).data(), 21));
    EXPECT_FALSE(looks_like_tga(tga(4, 1, 1, 24, 0, {1, 2, 3}).data(), 21));      // no such type
    EXPECT_FALSE(looks_like_tga(tga(2, 1, 1, 12, 0, {1, 2, 3}).data(), 21));      // no such depth
    EXPECT_FALSE(looks_like_tga(tga(2, 0, 1, 24, 0, {1, 2, 3}).data(), 21));      // no width
    EXPECT_FALSE(looks_like_tga(tga(1, 1, 1, 8, 0, {1}).data(), 19));             // mapped without a map
    EXPECT_FALSE(looks_like_tga(tga(2, 1, 1, 24, 0xC0, {1, 2, 3}).data(), 21));   // interleaved
    EXPECT_FALSE(looks_like_tga(tga(1, 1, 1, 8, 0, {1}, 1, 0, 200, 24).data(), 19));  // map past the end
}

TEST(TgaReader, DamagedFilesFailWithoutLeaking)
{
    const std::size_t blocks = mem::live_blocks();
    const auto raw = tga(2, 4, 4, 32, 8, std::vector<uint8_t>(64, 9));
    const auto rle = tga(10, 4, 4, 24, 0, {0x87, 1, 2, 3, 0x07, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2, 3, 4, 5, 6});
    for (const auto* file : {&raw, &rle}) {
        Read whole(*file);
        EXPECT_TRUE(whole.ok);
        for (std::size_t cut = 0; cut < file->size(); ++cut) {
            Read r(std::vector<uint8_t>(file->begin(), file->begin() + cut));
            EXPECT_FALSE(r.ok) << "cut at " << cut;
            EXPECT_EQ(r.p.pixels, nullptr);
        }
    }
    Read huge(tga(2, 65535, 65535, 24, 0, {1, 2, 3}));
    EXPECT_FALSE(huge.ok);
    EXPECT_EQ(mem::live_blocks(), blocks);
}

}  // namespace
}  // namespace mur::imaging
