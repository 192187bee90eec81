#include "imaging/gif_reader.h"

#include "engine/memory.h"

#include <gtest/gtest.h>

#include <gif_lib.h>

#include <vector>

namespace mur::imaging {
namespace {

int append(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct Frame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlace = false;
    int transparent = -1;
    std::vector<std::vector<uint8_t>> rows;  // in the order they are stored
};

// A GIF written by giflib: a four-colour global table (black, red, green,
// blue) and the given frames.
std::vector<uint8_t> make_gif(int screenW, int screenH, const std::vector<Frame>& frames)
{
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, append, &error);
    EXPECT_NE(gif, nullptr);
    EGifSetGifVersion(gif, true);
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EXPECT_EQ(EGifPutScreenDesc(gif, screenW, screenH, 8, 0, map), GIF_OK);
    for (const Frame& f : frames) {
        if (f.transparent >= 0) {
            const GifByteType gce[4] = {1, 0, 0, GifByteType(f.transparent)};
            EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce), GIF_OK);
        }
        EXPECT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, nullptr), GIF_OK);
        for (const auto& row : f.rows)
            EXPECT_EQ(EGifPutLine(gif, const_cast<GifPixelType*>(row.data()), f.width), GIF_OK);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

struct Read {
    Rgba32Picture p;
    bool ok = false;
    explicit Read(const std::vector<uint8_t>& file) { ok = read_gif_from_memory(file.data(), file.size(), p); }
    ~Read() { release_picture(p); }
    std::vector<int> px(int x, int y) const
    {
        const uint8_t* q = p.pixels + (std::size_t(y) * p.width + x) * 4;
        return {q[0], q[1], q[2], q[3]};
    }
};

using V = std::vector<int>;

TEST(GifReader, PaletteColoursAndTheTransparentIndex)
{
    Frame f;
    f.width = 4, f.height = 1, f.transparent = 2;
    f.rows = {{0, 1, 2, 3}};
    Read r(make_gif(4, 1, {f}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{0, 0, 0, 255}));
    EXPECT_EQ(r.px(1, 0), (V{255, 0, 0, 255}));
    EXPECT_EQ(r.px(2, 0)[3], 0);
    EXPECT_EQ(r.px(3, 0), (V{0, 0, 255, 255}));
}

TEST(GifReader, OnlyTheFirstFrameIsRead)
{
    Frame first, second;
    first.width = second.width = 2, first.height = second.height = 1;
    first.rows = {{1, 1}};
    second.rows = {{3, 3}};
    Read r(make_gif(2, 1, {first, second}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.px(0, 0), (V{255, 0, 0, 255}));
    EXPECT_EQ(r.px(1, 0), (V{255, 0, 0, 255}));
}

TEST(GifReader, InterlacedRowsAreReordered)
{
    // Eight rows stored in the order 0, 4, 2, 6, 1, 3, 5, 7; row y holds index y % 4.
    Frame f;
    f.width = 1, f.height = 8, f.interlace = true;
    for (int y : {0, 4, 2, 6, 1, 3, 5, 7}) f.rows.push_back({uint8_t(y % 4)});
    Read r(make_gif(1, 8, {f}));
    ASSERT_TRUE(r.ok);
    const V expected[4] = {{0, 0, 0, 255}, {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
    for (int y = 0; y < 8; ++y) EXPECT_EQ(r.px(0, y), expected[y % 4]) << y;
}

TEST(GifReader, AnOffsetFrameSitsOnATransparentScreen)
{
    Frame f;
    f.left = 2, f.top = 1, f.width = 1, f.height = 1;
    f.rows = {{3}};
    Read r(make_gif(4, 3, {f}));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.p.width, 4);
    ASSERT_EQ(r.p.height, 3);
    EXPECT_EQ(r.px(2, 1), (V{0, 0, 255, 255}));
    EXPECT_EQ(r.px(0, 0), (V{0, 0, 0, 0}));
    EXPECT_EQ(r.px(3, 2), (V{0, 0, 0, 0}));
}

TEST(GifReader, TruncatedAndEmptyFilesFailWithoutLeaking)
{
    Frame f;
    f.width = 16, f.height = 16;
    for (int y = 0; y < 16; ++y) {
        std::vector<uint8_t> row(16);
        for (int x = 0; x < 16; ++x) row[x] = uint8_t((x * 7 + y * 3) % 4);
        f.rows.push_back(row);
    }
    const auto file = make_gif(16, 16, {f});
    const std::size_t blocks = mem::live_blocks();
    // Everything short of the image data's end; the trailer may go.
    for (std::size_t cut = 0; cut + 2 < file.size(); ++cut) {
        Read r(std::vector<uint8_t>(file.begin(), file.begin() + cut));
        EXPECT_FALSE(r.ok) << "cut at " << cut;
        EXPECT_EQ(r.p.pixels, nullptr);
    }
    Read noFrames(make_gif(4, 4, {}));
    EXPECT_FALSE(noFrames.ok);
    EXPECT_EQ(mem::live_blocks(), blocks);
}

}  // namespace
}  // namespace mur::imaging
