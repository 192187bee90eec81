// Animated GIF recording: our own walk over the file's blocks, giflib's
// decoder and ImageMagick's identify on the same files.
#include "io/external_readers.h"
#include "support/engine_fixture.h"

#include <gif_lib.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <sstream>

namespace mur::test {
namespace {

constexpr int kW = 61, kH = 37;

// Frame k of at most 256 colours: 16 levels of red and 16 of green in
// stripes that move with k, so that the reduction keeps every pixel.
std::vector<uint8_t> frame_rgb(int k, int w = kW, int h = kH)
{
    std::vector<uint8_t> v(std::size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &v[(std::size_t(y) * w + x) * 3];
            p[0] = uint8_t(((x + k) / 4 % 16) * 17);
            p[1] = uint8_t((y / 3 % 16) * 17);
            p[2] = uint8_t(k * 40);
        }
    return v;
}

std::vector<uint8_t> file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct GifBlocks {
    std::string error;
    std::string version;
    int width = 0, height = 0, globalColours = 0;
    std::vector<uint8_t> globalTable;
    int loops = -1;  // the Netscape loop count, -1 without
    struct Frame {
        int delay = -1;  // from the graphic control extension before it
        bool transparent = true;
        int x = -1, y = -1, w = 0, h = 0, localColours = 0;
    };
    std::vector<Frame> frames;
    bool trailer = false;
};

// Walks the blocks of a GIF file: header, screen, global table, extensions
// and images (their data sub-blocks skipped), trailer.
GifBlocks walk_gif(const std::vector<uint8_t>& f)
{
    GifBlocks g;
    std::size_t at = 0;
    auto need = [&](std::size_t n) { return at + n <= f.size(); };
    auto u16 = [&](std::size_t p) { return int(f[p] | f[p + 1] << 8); };
    auto skip_sub_blocks = [&]() {
        while (need(1) && f[at] != 0) at += 1 + f[at];
        if (!need(1)) return false;
        ++at;
        return true;
    };
    if (!need(13)) return g.error = "short", g;
    g.version.assign(f.begin(), f.begin() + 6);
    g.width = u16(6);
    g.height = u16(8);
    const uint8_t packed = f[10];
    at = 13;
    if (packed & 0x80) {
        g.globalColours = 2 << (packed & 7);
        if (!need(std::size_t(3 * g.globalColours))) return g.error = "short global table", g;
        g.globalTable.assign(f.begin() + long(at), f.begin() + long(at) + 3 * g.globalColours);
        at += std::size_t(3 * g.globalColours);
    }
    GifBlocks::Frame pending;
    while (need(1)) {
        const uint8_t block = f[at++];
        if (block == 0x3B) {
            g.trailer = true;
            if (at != f.size()) g.error = "bytes after the trailer";
            return g;
        }
        if (block == 0x21) {
            if (!need(1)) break;
            const uint8_t label = f[at++];
            if (label == 0xF9 && need(6) && f[at] == 4) {
                pending.transparent = f[at + 1] & 1;
                pending.delay = u16(at + 2);
            } else if (label == 0xFF && need(16) && f[at] == 11 && std::string(f.begin() + long(at) + 1, f.begin() + long(at) + 12) == "NETSCAPE2.0") {
                if (f[at + 12] == 3 && f[at + 13] == 1) g.loops = u16(at + 14);
            }
            if (!skip_sub_blocks()) break;
        } else if (block == 0x2C) {
            if (!need(9)) break;
            GifBlocks::Frame frame = pending;
            frame.x = u16(at);
            frame.y = u16(at + 2);
            frame.w = u16(at + 4);
            frame.h = u16(at + 6);
            const uint8_t p = f[at + 8];
            at += 9;
            if (p & 0x80) {
                frame.localColours = 2 << (p & 7);
                at += std::size_t(3 * frame.localColours);
            }
            if (!need(1)) break;
            ++at;  // LZW minimum code size
            if (!skip_sub_blocks()) break;
            g.frames.push_back(frame);
            pending = GifBlocks::Frame{};
        } else {
            g.error = "unknown block " + std::to_string(block);
            return g;
        }
    }
    if (g.error.empty()) g.error = "no trailer";
    return g;
}

// Every frame as giflib decodes it, RGB24 through its own table.
std::vector<std::vector<uint8_t>> giflib_frames(const std::string& path)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    std::vector<std::vector<uint8_t>> out;
    if (!gif) return out;
    if (DGifSlurp(gif) == GIF_OK) {
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
            std::vector<uint8_t> rgb;
            const int n = image.ImageDesc.Width * image.ImageDesc.Height;
            for (int p = 0; p < n; ++p) {
                const GifColorType c = map->Colors[image.RasterBits[p]];
                rgb.insert(rgb.end(), {c.Red, c.Green, c.Blue});
            }
            out.push_back(std::move(rgb));
        }
    }
    DGifCloseFile(gif, &error);
    return out;
}

class GifExport : public EngineTest {
protected:
    ScratchDir dir;
};

TEST_F(GifExport, DelayIsTruncatedToHundredthsAndHeldToSixteenBits)
{
    create_image(8, 8);
    const std::string path = dir / "d.gif";
    const std::pair<int32_t, int32_t> cases[] = {{250, 25}, {99, 9}, {9, 0}, {0, 0}, {-250, 0}, {655350, 65535},
                                                 {655359, 65535}, {655360, 65535}, {INT_MAX, 65535}, {INT_MIN, 0}};
    for (const auto& [ms, hundredths] : cases) EXPECT_EQ(MUR_CreateGIF(path.c_str(), ms, nullptr), hundredths) << ms;
    EXPECT_EQ(MUR_CloseGIF(), 1);
    EXPECT_EQ(MUR_CloseGIF(), 0);
    EXPECT_EQ(MUR_CreateGIF((dir.path / "no-folder" / "x.gif").c_str(), 250, nullptr), -1);
    EXPECT_EQ(MUR_CreateGIF(nullptr, 250, nullptr), -1);
    EXPECT_EQ(MUR_WriteGIF_RGB24(frame_rgb(0, 8, 8).data(), 8, 8), 0);  // nothing open
    MUR_DeleteImage();
    EXPECT_EQ(MUR_CreateGIF(path.c_str(), 250, nullptr), -1);
}

// Four frames (and two of other sizes, ignored): our block walk finds the
// screen, the global table from the palette block, the endless loop and for
// each frame the delay without a transparent colour and a local table;
// giflib decodes every pixel as given; identify sees the same.
TEST_F(GifExport, FramesKeepTheirPixelsDelayAndOwnTables)
{
    create_image(kW, kH);
    const std::string path = dir / "anim.gif";
    uint8_t palette[1024];
    for (int i = 0; i < 1024; ++i) palette[i] = uint8_t(i * 7 + 3);
    ASSERT_EQ(MUR_CreateGIF(path.c_str(), 250, palette), 25);
    std::vector<std::vector<uint8_t>> expected;
    for (int k = 0; k < 4; ++k) {
        expected.push_back(frame_rgb(k));
        ASSERT_EQ(MUR_WriteGIF_RGB24(expected.back().data(), kW, kH), 1);
        if (k == 1) {
            EXPECT_EQ(MUR_WriteGIF_RGB24(frame_rgb(k, kW + 1, kH).data(), kW + 1, kH), 0);
            EXPECT_EQ(MUR_WriteGIF_RGB24(frame_rgb(k, kW, kH - 1).data(), kW, kH - 1), 0);
            EXPECT_EQ(MUR_WriteGIF_RGB24(nullptr, kW, kH), 0);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(path));  // named when closed
    ASSERT_EQ(MUR_CloseGIF(), 1);

    const GifBlocks g = walk_gif(file_bytes(path));
    ASSERT_EQ(g.error, "");
    EXPECT_EQ(g.version, "GIF89a");
    EXPECT_EQ(g.width, kW);
    EXPECT_EQ(g.height, kH);
    ASSERT_EQ(g.globalColours, 256);
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) ASSERT_EQ(g.globalTable[std::size_t(i * 3 + c)], palette[i * 4 + c]) << i;
    EXPECT_EQ(g.loops, 0);
    ASSERT_EQ(g.frames.size(), 4u);
    for (const GifBlocks::Frame& f : g.frames) {
        EXPECT_EQ(f.delay, 25);
        EXPECT_FALSE(f.transparent);
        EXPECT_EQ(f.x, 0);
        EXPECT_EQ(f.y, 0);
        EXPECT_EQ(f.w, kW);
        EXPECT_EQ(f.h, kH);
        EXPECT_EQ(f.localColours, 256);
    }
    EXPECT_EQ(giflib_frames(path), expected);

    if (!have_imagemagick()) GTEST_SKIP() << "ImageMagick is not installed";
    EXPECT_EQ(identify(path, "%T %wx%h\\n"), "25 61x37\n25 61x37\n25 61x37\n25 61x37\n");
}

// Without a palette block the global table is black; a second recording
// finishes the first.
TEST_F(GifExport, ASecondRecordingFinishesTheFirst)
{
    create_image(kW, kH);
    const std::string a = dir / "a.gif", b = dir / "b.gif";
    ASSERT_EQ(MUR_CreateGIF(a.c_str(), 100, nullptr), 10);
    ASSERT_EQ(MUR_WriteGIF_RGB24(frame_rgb(0).data(), kW, kH), 1);
    ASSERT_EQ(MUR_WriteGIF_RGB24(frame_rgb(1).data(), kW, kH), 1);
    ASSERT_EQ(MUR_CreateGIF(b.c_str(), 100, nullptr), 10);
    const GifBlocks g = walk_gif(file_bytes(a));
    ASSERT_EQ(g.error, "");
    EXPECT_EQ(g.frames.size(), 2u);
    EXPECT_EQ(g.globalTable, std::vector<uint8_t>(768, 0));
    EXPECT_EQ(giflib_frames(a), (std::vector<std::vector<uint8_t>>{frame_rgb(0), frame_rgb(1)}));
    ASSERT_EQ(MUR_CloseGIF(), 1);
    const GifBlocks empty = walk_gif(file_bytes(b));
    EXPECT_EQ(empty.error, "");
    EXPECT_TRUE(empty.frames.empty());
}

}  // namespace
}  // namespace mur::test
