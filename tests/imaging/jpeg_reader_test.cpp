#include "imaging/jpeg_reader.h"

#include "engine/memory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace mur::imaging {
namespace {

// Encodes with libjpeg itself: `channels` 1 (gray), 3 (RGB) or 4 (CMYK as
// stored, Adobe's inverted convention).
std::vector<uint8_t> encode(const std::vector<uint8_t>& pixels, int w, int h, int channels, bool progressive = false)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = channels;
    c.in_color_space = channels == 1 ? JCS_GRAYSCALE : channels == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(pixels.data()) + std::size_t(c.next_scanline) * w * channels;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> file(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return file;
}

// Four 8 x 8 blocks of flat colour, so that the encoding is all but exact.
std::vector<uint8_t> quadrants(const int colours[4][3])
{
    std::vector<uint8_t> v(16 * 16 * 3);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            for (int c = 0; c < 3; ++c) v[(y * 16 + x) * 3 + c] = static_cast<uint8_t>(colours[(y / 8) * 2 + x / 8][c]);
    return v;
}

struct Read {
    Rgba32Picture p;
    bool ok = false;
    explicit Read(const std::vector<uint8_t>& file, const PictureLimits& limits = {})
    {
        ok = read_jpeg_from_memory(file.data(), file.size(), p, limits);
    }
    ~Read() { release_picture(p); }
    const uint8_t* px(int x, int y) const { return p.pixels + (std::size_t(y) * p.width + x) * 4; }
};

void expect_colour(const uint8_t* px, int r, int g, int b, const char* what)
{
    EXPECT_NEAR(px[0], r, 3) << what;
    EXPECT_NEAR(px[1], g, 3) << what;
    EXPECT_NEAR(px[2], b, 3) << what;
    EXPECT_EQ(px[3], 255) << what;
}

const int kColours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {200, 150, 50}};

TEST(JpegReader, ColourPicturesComeOutOpaqueRgba)
{
    for (bool progressive : {false, true}) {
        Read r(encode(quadrants(kColours), 16, 16, 3, progressive));
        ASSERT_TRUE(r.ok) << progressive;
        ASSERT_EQ(r.p.width, 16);
        ASSERT_EQ(r.p.height, 16);
        expect_colour(r.px(3, 3), 255, 0, 0, "top left");
        expect_colour(r.px(12, 3), 0, 255, 0, "top right");
        expect_colour(r.px(3, 12), 0, 0, 255, "bottom left");
        expect_colour(r.px(12, 12), 200, 150, 50, "bottom right");
    }
}

TEST(JpegReader, GrayBecomesEqualChannels)
{
    std::vector<uint8_t> gray(16 * 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) gray[y * 16 + x] = x < 8 ? 40 : 220;
    Read r(encode(gray, 16, 8, 1));
    ASSERT_TRUE(r.ok);
    expect_colour(r.px(2, 2), 40, 40, 40, "dark half");
    expect_colour(r.px(13, 5), 220, 220, 220, "light half");
}

TEST(JpegReader, AdobeCmykIsInvertedInk)
{
    // Stored inverted: 255 = no ink. Red is magenta and yellow ink: stored C 255, M 0, Y 0, K 255.
    std::vector<uint8_t> cmyk(8 * 8 * 4);
    for (int i = 0; i < 64; ++i) {
        cmyk[i * 4 + 0] = 255, cmyk[i * 4 + 1] = 0, cmyk[i * 4 + 2] = 0, cmyk[i * 4 + 3] = 255;
    }
    Read r(encode(cmyk, 8, 8, 4));
    ASSERT_TRUE(r.ok);
    expect_colour(r.px(4, 4), 255, 0, 0, "red");
}

TEST(JpegReader, TruncatedFilesFailWithoutLeaking)
{
    const auto file = encode(quadrants(kColours), 16, 16, 3);
    const std::size_t blocks = mem::live_blocks();
    for (std::size_t cut : {std::size_t{2}, std::size_t{20}, file.size() / 2, file.size() - 40}) {
        Read r(std::vector<uint8_t>(file.begin(), file.begin() + cut));
        EXPECT_FALSE(r.ok) << "cut at " << cut;
        EXPECT_EQ(r.p.pixels, nullptr);
    }
    const auto progressive = encode(quadrants(kColours), 16, 16, 3, true);
    Read half(std::vector<uint8_t>(progressive.begin(), progressive.begin() + progressive.size() * 2 / 3));
    EXPECT_FALSE(half.ok);
    EXPECT_EQ(mem::live_blocks(), blocks);
}

// The frame header's size fields, found after the SOF0 marker.
void set_size(std::vector<uint8_t>& file, uint16_t w, uint16_t h)
{
    for (std::size_t i = 0; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            file[i + 5] = uint8_t(h >> 8), file[i + 6] = uint8_t(h);
            file[i + 7] = uint8_t(w >> 8), file[i + 8] = uint8_t(w);
            return;
        }
    FAIL() << "no frame header";
}

TEST(JpegReader, AbsurdSizesAreRefusedBeforeDecoding)
{
    auto file = encode(quadrants(kColours), 16, 16, 3);
    set_size(file, 65000, 65000);
    const std::size_t bytes = mem::live_bytes();
    Read huge(file);
    EXPECT_FALSE(huge.ok);
    EXPECT_EQ(mem::live_bytes(), bytes);

    PictureLimits small;
    small.maxPixels = 100;
    Read limited(encode(quadrants(kColours), 16, 16, 3), small);
    EXPECT_FALSE(limited.ok);
}

TEST(JpegReader, FailedAllocationIsAFailure)
{
    const auto file = encode(quadrants(kColours), 16, 16, 3);
    mem::fail_allocations(0, -1);
    Read r(file);
    mem::reset_failures();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.p.pixels, nullptr);
}

}  // namespace
}  // namespace mur::imaging
