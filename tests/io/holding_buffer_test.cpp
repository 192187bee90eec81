// The holding buffer: filled by reads, read back by the host, resampled,
// loaded into the current layer, released; a failed read leaves it alone.
#include "imaging/resample.h"
#include "io/external_readers.h"
#include "support/engine_fixture.h"

#include <cstring>
#include <fstream>

namespace mur::test {
namespace {

class HoldingBufferTest : public EngineTest {
protected:
    ScratchDir dir;

    // Writes a w x h RGBA picture with pixel (x, y) = (x, y, x + y, alpha(x, y)) as PNG.
    std::string write_picture(const std::string& name, int w, int h, uint8_t alpha = 255)
    {
        std::vector<uint8_t> p(std::size_t(w) * h * 4);
        for (int i = 0; i < w * h; ++i) {
            p[i * 4] = uint8_t(i % w);
            p[i * 4 + 1] = uint8_t(i / w);
            p[i * 4 + 2] = uint8_t(i % w + i / w);
            p[i * 4 + 3] = alpha;
        }
        const std::string path = dir / name;
        EXPECT_EQ(MUR_WriteToFileRGBA32(p.data(), w, h, path.c_str(), ".png", 72), 1);
        pictures[name] = p;
        return path;
    }
    std::map<std::string, std::vector<uint8_t>> pictures;
};

TEST_F(HoldingBufferTest, ReadsFillItAndTheHostReadsItBack)
{
    EXPECT_EQ(MUR_GetNewRGBAWidth(), 0);
    EXPECT_EQ(MUR_IsNewRGBA32Transparent(), 0);  // empty
    const std::string path = write_picture("a.png", 9, 5);
    ASSERT_EQ(MUR_ReadFromFile(path.c_str()), 1);
    EXPECT_EQ(MUR_GetNewRGBAWidth(), 9);
    EXPECT_EQ(MUR_GetNewRGBAHeight(), 5);
    std::vector<uint8_t> rgba(9 * 5 * 4), rgb(9 * 5 * 3);
    MUR_GetNewRGBA32(rgba.data());
    EXPECT_EQ(rgba, pictures["a.png"]);
    MUR_GetNewRGBA24(rgb.data());
    for (int i = 0; i < 45; ++i)
        for (int c = 0; c < 3; ++c) ASSERT_EQ(rgb[i * 3 + c], rgba[i * 4 + c]);
    EXPECT_EQ(MUR_IsNewRGBA32Transparent(), 0);
    MUR_DeleteNewRGBA();
    EXPECT_EQ(MUR_GetNewRGBAWidth(), 0);
    EXPECT_EQ(MUR_GetNewRGBAHeight(), 0);
    MUR_GetNewRGBA32(rgba.data());  // empty: nothing, no fault
    MUR_GetNewRGBA32(nullptr);
}

TEST_F(HoldingBufferTest, OneAlphaOf254MakesItTransparent)
{
    std::vector<uint8_t> p(4 * 3 * 4, 255);
    const std::string path = dir / "t.png";
    for (int i : {0, 5, 11}) {
        std::fill(p.begin(), p.end(), 255);
        p[i * 4 + 3] = 254;
        ASSERT_EQ(MUR_WriteToFileRGBA32(p.data(), 4, 3, path.c_str(), ".png", 72), 1);
        ASSERT_EQ(MUR_ReadFromFile(path.c_str()), 1);
        EXPECT_EQ(MUR_IsNewRGBA32Transparent(), 1) << i;
    }
}

// Missing, truncated and corrupt files of every kind: 0, the holding buffer
// as it was, nothing left allocated.
TEST_F(HoldingBufferTest, AFailedReadLeavesItAsItWas)
{
    ASSERT_EQ(MUR_ReadFromFile(write_picture("keep.png", 6, 4).c_str()), 1);
    const uint8_t* held = engine.holding.pixels;
    std::vector<uint8_t> rgb(40 * 30 * 3, 200);
    std::vector<std::string> damaged;
    // Where each format keeps its size: those bytes set to 0x7F make it huge.
    struct Format { const char* ext; std::size_t sizeAt, sizeBytes; };
    const Format formats[] = {{".bmp", 18, 8}, {".png", 16, 8}, {".jpg", 0, 0}, {".gif", 6, 4},
                              {".pcx", 8, 4},  {".psd", 14, 8}, {".emf", 192, 8}};
    for (const Format& f : formats) {
        const std::string whole = dir / (std::string("whole") + f.ext);
        ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), 40, 30, whole.c_str(), f.ext, 72), 1);
        std::ifstream in(whole, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string cut = dir / (std::string("cut") + f.ext);
        std::ofstream(cut, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size() / 2));
        damaged.push_back(cut);
        std::size_t at = f.sizeAt, length = f.sizeBytes;
        if (std::string(f.ext) == ".jpg")  // the frame header's height and width
            for (std::size_t i = 2; i + 9 < bytes.size(); ++i)
                if (uint8_t(bytes[i]) == 0xFF && uint8_t(bytes[i + 1]) == 0xC0) {
                    at = i + 5, length = 4;
                    break;
                }
        ASSERT_GT(length, 0u);
        for (std::size_t i = at; i < at + length; ++i) bytes[i] = char(0x7F);
        const std::string huge = dir / (std::string("huge") + f.ext);
        std::ofstream(huge, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        damaged.push_back(huge);
    }
    damaged.push_back(dir / "missing.png");
    damaged.push_back("");
    const std::size_t blocks = mem::live_blocks();
    for (const std::string& path : damaged) {
        EXPECT_EQ(MUR_ReadFromFile(path.c_str()), 0) << path;
        EXPECT_EQ(MUR_ReadFromFileRAW(path.c_str()), 0) << path;
        EXPECT_EQ(engine.holding.pixels, held);
        EXPECT_EQ(mem::live_blocks(), blocks);
    }
    EXPECT_EQ(MUR_ReadFromFile(nullptr), 0);
    EXPECT_EQ(MUR_GetNewRGBAWidth(), 6);
    std::vector<uint8_t> back(6 * 4 * 4);
    MUR_GetNewRGBA32(back.data());
    EXPECT_EQ(back, pictures["keep.png"]);
}

TEST_F(HoldingBufferTest, ReadingIntoHostBuffersNeedsTheExactSize)
{
    const std::string path = write_picture("s.png", 7, 3, 128);
    std::vector<uint8_t> rgb(7 * 3 * 3, 9), rgba(7 * 3 * 4, 9);
    EXPECT_EQ(MUR_ReadFromFileRGB24(rgb.data(), 3, 7, path.c_str()), 0);
    EXPECT_EQ(MUR_ReadFromFileRGBA32(rgba.data(), 7, 4, path.c_str()), 0);
    EXPECT_EQ(MUR_ReadFromFileRGB24(nullptr, 7, 3, path.c_str()), 0);
    EXPECT_EQ(rgb, std::vector<uint8_t>(7 * 3 * 3, 9));
    EXPECT_EQ(rgba, std::vector<uint8_t>(7 * 3 * 4, 9));
    ASSERT_EQ(MUR_ReadFromFileRGBA32(rgba.data(), 7, 3, path.c_str()), 1);
    EXPECT_EQ(rgba, pictures["s.png"]);
    ASSERT_EQ(MUR_ReadFromFileRGB24(rgb.data(), 7, 3, path.c_str()), 1);  // packed RGB
    for (int i = 0; i < 21; ++i)
        for (int c = 0; c < 3; ++c) ASSERT_EQ(rgb[i * 3 + c], rgba[i * 4 + c]);
    EXPECT_EQ(MUR_GetNewRGBAWidth(), 0);  // the holding buffer is not involved
}

// RGBA32 of the right size is decoded straight into the host's buffer: the
// same pixels as through the holding buffer for every format (metafiles
// drawn at the image size included), every byte of the buffer written.
TEST_F(HoldingBufferTest, HostBuffersGetWhatTheHoldingBufferGets)
{
    const int w = 9, h = 5;
    std::vector<uint8_t> source(w * h * 4);
    for (int i = 0; i < w * h; ++i) {
        const uint8_t v[4] = {uint8_t(i * 5), uint8_t(200 - i), uint8_t(i % 3 * 90), uint8_t(i % 4 ? 255 : 0)};
        std::memcpy(&source[i * 4], v, 4);
    }
    MUR_CreateImage(nullptr, w, h, 64, 0);
    std::vector<uint8_t> rgb(w * h * 3);
    for (int i = 0; i < w * h; ++i) std::memcpy(&rgb[i * 3], &source[i * 4], 3);
    for (const char* ext : {".png", ".tga", ".tif", ".gif", ".bmp", ".pcx", ".psd", ".jpg", ".emf"}) {
        const std::string path = dir / (std::string("p") + ext);
        const bool alpha = std::string(".png.tga.tif").find(ext) != std::string::npos;
        ASSERT_EQ(alpha ? MUR_WriteToFileRGBA32(source.data(), w, h, path.c_str(), ext, 72)
                        : MUR_WriteToFileRGB24(rgb.data(), w, h, path.c_str(), ext, 72), 1) << ext;
        ASSERT_EQ(MUR_ReadFromFile(path.c_str()), 1) << ext;
        std::vector<uint8_t> held(w * h * 4), host(w * h * 4, 0xAB);
        MUR_GetNewRGBA32(held.data());
        ASSERT_EQ(MUR_ReadFromFileRGBA32(host.data(), w, h, path.c_str()), 1) << ext;
        EXPECT_EQ(host, held) << ext;
    }
}

// Resampled with the general resize: bicubic when a side is below 5, else
// Lanczos3, then R, G, B.
TEST_F(HoldingBufferTest, ResizedCopiesUseTheGeneralResize)
{
    const std::string path = write_picture("r.png", 23, 17, 200);
    ASSERT_EQ(MUR_ReadFromFile(path.c_str()), 1);
    struct Size { int w, h, mode; };
    for (const Size s : {Size{11, 9, 8}, Size{40, 30, 8}, Size{4, 20, 17}, Size{23, 3, 17}}) {
        std::vector<uint8_t> expected(std::size_t(s.w) * s.h * 4), got(std::size_t(s.w) * s.h * 3, 1);
        const imaging::ConstImageView from(engine.holding.pixels, 23, 17, 23 * 4, 4);
        ASSERT_TRUE(imaging::general_resize(from, imaging::rgba32_view(expected.data(), s.w, s.h, s.w * 4), s.mode));
        MUR_GetResizedNewRGBA24(got.data(), s.w, s.h);
        for (int i = 0; i < s.w * s.h; ++i)
            for (int c = 0; c < 3; ++c) ASSERT_EQ(got[i * 3 + c], expected[i * 4 + c]) << s.w << "x" << s.h;
    }
    std::vector<uint8_t> untouched(12, 5);
    MUR_GetResizedNewRGBA24(untouched.data(), 0, 4);
    MUR_GetResizedNewRGBA24(untouched.data(), 2, INT32_MIN);
    EXPECT_EQ(untouched, std::vector<uint8_t>(12, 5));
}

TEST_F(HoldingBufferTest, SetInNewRgbaLoadsTheCurrentLayerThroughTheMask)
{
    ASSERT_NO_FATAL_FAILURE(create_image(16, 12));
    MUR_CreateLayer(2, 16, 12);
    MUR_SetLayer(2);
    ASSERT_EQ(MUR_ReadFromFile(write_picture("l.png", 10, 8).c_str()), 1);
    for (int x = 0; x < 16; ++x) engine.mask.plane[3 * 16 + x] = 0;  // row 3 protected
    MUR_SetInNewRGBA();
    const LayerRecord& layer = engine.layers.slots[2];
    const std::vector<uint8_t>& p = pictures["l.png"];
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint16_t* px = pixel_at(layer, x, y);
            const bool loaded = x < 10 && y < 8 && y != 3;
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(px[c], loaded ? p[(y * 10 + x) * 4 + c] << 8 : 0) << x << "," << y << " " << c;
        }
}

// Metafiles are drawn at the image's size over the current colour.
TEST_F(HoldingBufferTest, MetafilesAreDrawnAtTheImageSizeOverTheCurrentColour)
{
    std::vector<uint8_t> rgb(5 * 4 * 3, 0);
    for (std::size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 250;  // red
    const std::string emf = dir / "m.emf";
    ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), 5, 4, emf.c_str(), ".emf", 96), 1);
    EXPECT_EQ(MUR_ReadFromFile(emf.c_str()), 0);  // no image: no size to draw at
    ASSERT_NO_FATAL_FAILURE(create_image(20, 8));
    MUR_SetColor(10, 200, 30);
    ASSERT_EQ(MUR_ReadFromFile(emf.c_str()), 1);
    ASSERT_EQ(MUR_GetNewRGBAWidth(), 20);
    ASSERT_EQ(MUR_GetNewRGBAHeight(), 8);
    std::vector<uint8_t> back(20 * 8 * 4);
    MUR_GetNewRGBA32(back.data());
    for (int i = 0; i < 160; ++i) ASSERT_EQ(back[i * 4], 250) << i;  // the bitmap fills the picture
    EXPECT_EQ(MUR_IsNewRGBA32Transparent(), 0);
}

}  // namespace
}  // namespace mur::test
