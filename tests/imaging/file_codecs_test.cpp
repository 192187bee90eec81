// The readers added for the image files: PCX and PSD files written by
// ImageMagick, enhanced metafiles built record by record, Windows metafiles
// drawn by libwmf, camera raw from a linear DNG written with libtiff, the
// header resolutions of files made by other writers, and the quantiser.
#include "imaging/metafile.h"
#include "imaging/pcx_format.h"
#include "imaging/picture_reader.h"
#include "imaging/psd_format.h"
#include "imaging/quantise.h"
#include "imaging/raw_reader.h"
#include "imaging/resolution.h"
#include "io/external_readers.h"
#include "murcore.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <tuple>

namespace mur::imaging {
namespace {

using test::ScratchDir;

std::vector<uint8_t> bytes_of(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Decoded {
    Rgba32Picture p;
    ~Decoded() { release_picture(p); }
    const uint8_t* at(int x, int y) const { return p.pixels + (std::size_t(y) * p.width + x) * 4; }
};

void le16(std::vector<uint8_t>& v, uint32_t x) { v.push_back(uint8_t(x)), v.push_back(uint8_t(x >> 8)); }
void le32(std::vector<uint8_t>& v, uint32_t x) { le16(v, x & 0xFFFF), le16(v, x >> 16); }

// PCX (8-bit palette and 24-bit) and PSD (RLE-coded composite) files as
// ImageMagick writes them read as ImageMagick itself reads them.
TEST(FileCodecs, PcxAndPsdOfImageMagickReadAsImageMagickReadsThem)
{
    if (!test::have_imagemagick()) GTEST_SKIP() << "ImageMagick not installed";
    ScratchDir dir;
    const std::string source = std::string(MUR_TESTDATA_DIR) + "/chelsea.png";
    if (!std::filesystem::exists(source)) GTEST_SKIP() << "no test photograph";
    struct Case { const char* name; const char* options; };
    for (const Case c : {Case{"rgb.pcx", ""}, Case{"palette.pcx", "-colors 200 -type Palette"},
                         Case{"rle.psd", "-compress RLE"}, Case{"raw.psd", "-compress None"}}) {
        SCOPED_TRACE(c.name);
        const std::string file = dir / c.name, reference = dir / (std::string(c.name) + ".pam");
        ASSERT_EQ(std::system(("convert '" + source + "' -resize 97x61! " + c.options + " '" + file + "' && convert '" +
                               file + "' -alpha on '" + reference + "'").c_str()), 0);
        const std::vector<uint8_t> data = bytes_of(file), pam = bytes_of(reference);
        Decoded d;
        ASSERT_TRUE(read_picture_from_memory(data.data(), data.size(), d.p));
        ASSERT_EQ(d.p.width, 97);
        ASSERT_EQ(d.p.height, 61);
        const std::size_t pixels = 97 * 61 * 4;
        ASSERT_GE(pam.size(), pixels);
        EXPECT_EQ(0, std::memcmp(d.p.pixels, pam.data() + pam.size() - pixels, pixels));
        // Every truncation fails cleanly.
        for (std::size_t cut : {data.size() / 2, data.size() - 1, std::size_t(30)}) {
            Decoded t;
            EXPECT_FALSE(read_picture_from_memory(data.data(), cut, t.p)) << cut;
        }
    }
}

// A 2 x 2 bitmap record: bottom-up 24-bit rows, top row red, green; bottom
// row blue, white.
std::vector<uint8_t> bitmap_record(uint32_t type, int32_t x, int32_t y, int32_t dw, int32_t dh)
{
    const uint8_t bits[] = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
    std::vector<uint8_t> r;
    const uint32_t fixed = type == 81 ? 80 : 76;
    le32(r, type), le32(r, fixed + 40 + sizeof bits);
    for (int i = 0; i < 4; ++i) le32(r, 0);  // bounds
    le32(r, uint32_t(x)), le32(r, uint32_t(y)), le32(r, 0), le32(r, 0), le32(r, 2), le32(r, 2);
    le32(r, fixed), le32(r, 40), le32(r, fixed + 40), le32(r, sizeof bits);
    if (type == 81) {
        le32(r, 0), le32(r, 0x00CC0020), le32(r, uint32_t(dw)), le32(r, uint32_t(dh));
    } else {
        le32(r, 0), le32(r, 0), le32(r, 2);  // usage, first scan, scans
    }
    le32(r, 40), le32(r, 2), le32(r, 2), le16(r, 1), le16(r, 24);
    for (int i = 0; i < 6; ++i) le32(r, 0);
    r.insert(r.end(), bits, bits + sizeof bits);
    return r;
}

// Bounds (0, 0)-(39, 19) drawn at 80 x 40: the bitmap stretched over the
// left half by StretchDIBits, copied unscaled at (30, 0) by
// SetDIBitsToDevice, a line record that draws nothing.
TEST(FileCodecs, TheEmfPlayerDrawsBitmapRecordsOnly)
{
    std::vector<uint8_t> emf;
    le32(emf, 1), le32(emf, 108), le32(emf, 0), le32(emf, 0), le32(emf, 39), le32(emf, 19);
    le32(emf, 0), le32(emf, 0), le32(emf, 1000), le32(emf, 500), le32(emf, 0x464D4520), le32(emf, 0x10000);
    le32(emf, 0), le32(emf, 4), le16(emf, 1), le16(emf, 0);
    for (int i = 0; i < 3; ++i) le32(emf, 0);
    le32(emf, 1920), le32(emf, 1080), le32(emf, 500), le32(emf, 280);
    for (int i = 0; i < 3; ++i) le32(emf, 0);
    le32(emf, 500000), le32(emf, 280000);
    ASSERT_EQ(emf.size(), 108u);
    for (const auto& r : {bitmap_record(81, 0, 0, 20, 20), bitmap_record(80, 30, 0, 0, 0)}) emf.insert(emf.end(), r.begin(), r.end());
    le32(emf, 54), le32(emf, 16), le32(emf, 5), le32(emf, 5);  // LineTo
    le32(emf, 14), le32(emf, 20), le32(emf, 0), le32(emf, 16), le32(emf, 20);
    Decoded d;
    ASSERT_TRUE(draw_emf(emf.data(), emf.size(), 80, 40, 0x00112233, d.p));
    auto rgb = [&](int x, int y) { const uint8_t* p = d.at(x, y); return std::vector<int>{p[0], p[1], p[2], p[3]}; };
    const std::vector<int> red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255}, white{255, 255, 255, 255},
        background{0x33, 0x22, 0x11, 255};
    EXPECT_EQ(rgb(10, 10), red);
    EXPECT_EQ(rgb(30, 10), green);
    EXPECT_EQ(rgb(10, 30), blue);
    EXPECT_EQ(rgb(30, 30), white);
    EXPECT_EQ(rgb(50, 30), background);  // under the line record
    EXPECT_EQ(rgb(60, 0), red);
    EXPECT_EQ(rgb(62, 1), green);
    EXPECT_EQ(rgb(61, 3), blue);
    EXPECT_EQ(rgb(63, 3), white);
    EXPECT_EQ(rgb(64, 0), background);
    EXPECT_EQ(rgb(79, 39), background);
    // Damaged: a record past the end stops the drawing, what was drawn stays;
    // a header that is no metafile header fails.
    std::vector<uint8_t> cut(emf.begin(), emf.end() - 60);
    Decoded c;
    ASSERT_TRUE(draw_emf(cut.data(), cut.size(), 80, 40, 0, c.p));
    EXPECT_EQ(c.at(10, 10)[0], 255);
    Decoded none;
    EXPECT_FALSE(draw_emf(emf.data(), 60, 80, 40, 0, none.p));
    EXPECT_FALSE(draw_emf(emf.data(), emf.size(), 0, 40, 0, none.p));
}

// A placeable Windows metafile: a window of 100 x 50 units, a red rectangle
// without an outline from (25, 10) to (75, 40).
std::vector<uint8_t> red_rectangle_wmf(const std::vector<uint8_t>& more = {})
{
    std::vector<uint8_t> body;
    auto record = [&](uint32_t function, std::initializer_list<uint32_t> words) {
        le32(body, uint32_t(3 + words.size())), le16(body, function);
        for (uint32_t w : words) le16(body, w);
    };
    record(0x020B, {0, 0});      // SetWindowOrg
    record(0x020C, {50, 100});   // SetWindowExt (y, x)
    record(0x02FC, {0, 0x00FF, 0x0000, 0});  // CreateBrushIndirect: solid, 0x000000FF (red)
    record(0x012D, {0});         // SelectObject
    record(0x02FA, {5, 0, 0, 0, 0});  // CreatePenIndirect: no pen
    record(0x012D, {1});
    record(0x041B, {40, 75, 10, 25});  // Rectangle (bottom, right, top, left)
    body.insert(body.end(), more.begin(), more.end());
    record(0x0000, {});          // EOF
    std::vector<uint8_t> wmf;
    le32(wmf, 0x9AC6CDD7), le16(wmf, 0), le16(wmf, 0), le16(wmf, 0), le16(wmf, 100), le16(wmf, 50), le16(wmf, 96), le32(wmf, 0);
    uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i) checksum ^= uint16_t(wmf[i * 2] | wmf[i * 2 + 1] << 8);
    le16(wmf, checksum);
    le16(wmf, 1), le16(wmf, 9), le16(wmf, 0x0300), le32(wmf, uint32_t(9 + body.size() / 2)), le16(wmf, 2);
    le32(wmf, 8), le16(wmf, 0);
    wmf.insert(wmf.end(), body.begin(), body.end());
    return wmf;
}

TEST(FileCodecs, WindowsMetafilesAreDrawnOverTheBackground)
{
    const std::vector<uint8_t> wmf = red_rectangle_wmf();
    Decoded d;
    ASSERT_TRUE(draw_wmf(wmf.data(), wmf.size(), 200, 100, 0x00C08040, d.p));
    EXPECT_EQ(std::vector<uint8_t>(d.at(100, 50), d.at(100, 50) + 4), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(d.at(5, 5), d.at(5, 5) + 4), (std::vector<uint8_t>{0x40, 0x80, 0xC0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(d.at(195, 95), d.at(195, 95) + 4), (std::vector<uint8_t>{0x40, 0x80, 0xC0, 255}));
    // By content through the general reader, with the canvas it is given.
    Decoded g;
    ASSERT_TRUE(read_picture_or_metafile_from_memory(wmf.data(), wmf.size(), {64, 32, 0}, g.p));
    EXPECT_EQ(g.p.width, 64);
    // A record running past the end, or no end record: refused before the library sees it.
    for (std::size_t cut : {wmf.size() - 6, wmf.size() - 20, std::size_t(40)}) {
        Decoded t;
        EXPECT_FALSE(draw_wmf(wmf.data(), cut, 64, 32, 0, t.p)) << cut;
    }
}

// A StretchDIB record of a 2 x 1 bitmap (blue | green, 24-bit) over the
// window of 100 x 50, its header's size, width and colour count given.
std::vector<uint8_t> stretch_dib_record(uint32_t headerBytes, int32_t width, uint32_t colours)
{
    std::vector<uint8_t> dib;
    le32(dib, headerBytes), le32(dib, uint32_t(width)), le32(dib, 1), le16(dib, 1), le16(dib, 24);
    for (uint32_t v : {0u, 0u, 0u, 0u, colours, 0u}) le32(dib, v);
    for (uint8_t b : {0xFF, 0, 0, 0, 0xFF, 0, 0, 0}) dib.push_back(b);
    std::vector<uint8_t> r;
    le32(r, uint32_t(3 + 11 + dib.size() / 2)), le16(r, 0x0F43);
    le32(r, 0x00CC0020), le16(r, 0);                 // SRCCOPY, RGB colours
    for (uint32_t v : {1u, 2u, 0u, 0u, 50u, 100u, 0u, 0u}) le16(r, v);  // source h, w, y, x; destination h, w, y, x
    r.insert(r.end(), dib.begin(), dib.end());
    return r;
}

// A bitmap record whose header promises what the record does not hold is
// left out (libwmf would trust it: a colour count of 2^32 - 1 asked it for
// 12 GB) and the rest of the metafile drawn; one beyond the picture limits
// refuses the metafile.
TEST(FileCodecs, WindowsMetafileBitmapsThatDoNotFitAreLeftOut)
{
    auto pixel = [](const Decoded& d, int x, int y) { return std::vector<uint8_t>(d.at(x, y), d.at(x, y) + 4); };
    const std::vector<uint8_t> red{255, 0, 0, 255}, background{0x40, 0x80, 0xC0, 255};
    // A colour count of 2^32 - 1, a header running past the record, a width of 0.
    for (const auto& [header, width, colours] : {std::tuple{40u, 2, 0xFFFFFFFFu}, std::tuple{124u, 2, 0u},
                                                   std::tuple{40u, 0, 0u}}) {
        const std::vector<uint8_t> wmf = red_rectangle_wmf(stretch_dib_record(header, width, colours));
        Decoded t;
        ASSERT_TRUE(draw_wmf(wmf.data(), wmf.size(), 200, 100, 0x00C08040, t.p)) << header << " " << width;
        EXPECT_EQ(pixel(t, 10, 10), background);
        EXPECT_EQ(pixel(t, 100, 50), red);
    }
    // A DIBStretchBlt too long to be without a bitmap, too short for one.
    std::vector<uint8_t> blit;
    le32(blit, 16), le16(blit, 0x0B41), le32(blit, 0x00CC0020);
    for (uint32_t v : {1u, 2u, 0u, 0u, 50u, 100u, 0u, 0u, 0xFFFFu, 0xFFFFu, 0xFFFFu}) le16(blit, v);
    const std::vector<uint8_t> shortBlit = red_rectangle_wmf(blit);
    Decoded b;
    ASSERT_TRUE(draw_wmf(shortBlit.data(), shortBlit.size(), 200, 100, 0x00C08040, b.p));
    EXPECT_EQ(pixel(b, 100, 50), red);
    const std::vector<uint8_t> huge = red_rectangle_wmf(stretch_dib_record(40, 1 << 30, 0));
    Decoded t;
    EXPECT_FALSE(draw_wmf(huge.data(), huge.size(), 200, 100, 0x00C08040, t.p));
}

// A 32 x 24 linear DNG (three 16-bit samples a pixel; LibRaw takes no raw
// picture below 22 pixels a side), left half red and right half green.
TEST(FileCodecs, CameraRawFromALinearDng)
{
    ScratchDir dir;
    const std::string path = dir / "linear.dng";
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    const uint8_t version[4] = {1, 4, 0, 0}, backward[4] = {1, 1, 0, 0};
    const float matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, neutral[3] = {1, 1, 1};
    const uint32_t white = 65535;
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 32);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 24);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, 34892);  // LinearRaw
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 24);
    TIFFSetField(tif, TIFFTAG_MAKE, "murcore");
    TIFFSetField(tif, TIFFTAG_MODEL, "test");
    TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tif, TIFFTAG_DNGBACKWARDVERSION, backward);
    TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "murcore test");
    TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, matrix);
    TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21);
    TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
    TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, &white);
    for (uint32_t y = 0; y < 24; ++y) {
        uint16_t row[32 * 3];
        for (int x = 0; x < 32; ++x) {
            row[x * 3] = x < 16 ? 40000 : 2000;
            row[x * 3 + 1] = x < 16 ? 2000 : 40000;
            row[x * 3 + 2] = 2000;
        }
        ASSERT_EQ(TIFFWriteScanline(tif, row, y, 0), 1);
    }
    TIFFClose(tif);

    Decoded d;
    ASSERT_TRUE(read_raw(path.c_str(), d.p));
    ASSERT_EQ(d.p.width, 32);
    ASSERT_EQ(d.p.height, 24);
    const uint8_t* left = d.at(6, 12);
    const uint8_t* right = d.at(25, 12);
    EXPECT_GT(left[0], left[1] + 60);
    EXPECT_GT(right[1], right[0] + 60);
    EXPECT_EQ(left[3], 255);
    // Too large for the limits: refused before it is unpacked.
    PictureLimits small;
    small.maxPixels = 100;
    Decoded refused;
    EXPECT_FALSE(read_raw(path.c_str(), refused.p, small));
    const std::vector<uint8_t> data = bytes_of(path);
    EXPECT_FALSE(read_raw_from_memory(data.data(), data.size() / 2, refused.p));
    // Through the export into the holding buffer.
    ASSERT_EQ(MUR_ReadFromFileRAW(path.c_str()), 1);
    EXPECT_EQ(MUR_GetNewRGBAWidth(), 32);
    std::vector<uint8_t> held(32 * 24 * 4);
    MUR_GetNewRGBA32(held.data());
    EXPECT_EQ(0, std::memcmp(held.data(), d.p.pixels, held.size()));
    MUR_DeleteNewRGBA();
}

// Resolutions as other writers record them: JFIF per centimetre, TIFF per
// centimetre and without a unit, PNG without a unit, BMP of the core header.
TEST(FileCodecs, HeaderResolutionsOfOtherWriters)
{
    if (!test::have_imagemagick()) GTEST_SKIP() << "ImageMagick not installed";
    ScratchDir dir;
    struct Case { const char* name; const char* options; int32_t raw; };
    const Case cases[] = {{"cm.jpg", "-units PixelsPerCentimeter -density 118.11", 299},
                          {"in.jpg", "-units PixelsPerInch -density 301", 301},
                          {"none.jpg", "-units Undefined -density 300", 72},
                          {"cm.tif", "-units PixelsPerCentimeter -density 59", 149},
                          {"in.tif", "-units PixelsPerInch -density 600", 600},
                          {"cm.png", "-units PixelsPerCentimeter -density 236.22", 599},
                          {"cm.bmp", "-units PixelsPerCentimeter -density 37.81", 96},
                          {"in.psd", "-units PixelsPerInch -density 450", 450},
                          {"cm.psd", "-units PixelsPerCentimeter -density 78.74", 199},  // kept per inch (199.99), shown per cm
                          {"in.pcx", "-units PixelsPerInch -density 97", 97},
                          {"p.gif", "-density 300", 72}};
    for (const Case& c : cases) {
        const std::string file = dir / c.name;
        ASSERT_EQ(std::system(("convert -size 8x8 xc:orange " + std::string(c.options) + " '" + file + "'").c_str()), 0);
        const std::vector<uint8_t> data = bytes_of(file);
        EXPECT_EQ(read_dpi_from_memory(data.data(), data.size()), c.raw) << c.name;
        EXPECT_EQ(read_dpi(file.c_str()), snap_dpi(c.raw)) << c.name;
    }
    for (int32_t v = -5; v < 700; ++v) {
        const int32_t common[] = {96, 150, 200, 300, 450, 600};
        int32_t expected = 72;
        for (int32_t k : common)
            if (v >= k - 1 && v <= k + 1) expected = k;
        ASSERT_EQ(snap_dpi(v), expected) << v;
    }
}

// A picture of few colours keeps them; a photograph loses little, and the
// error falls as the palette grows.
TEST(FileCodecs, QuantiserKeepsFewColoursAndApproximatesMany)
{
    std::vector<uint8_t> few(50 * 40 * 3);
    for (std::size_t i = 0; i < few.size() / 3; ++i) few[i * 3] = uint8_t(i % 256), few[i * 3 + 1] = 7, few[i * 3 + 2] = uint8_t(i % 256 / 2);
    const ConstImageView fewView(few.data(), 50, 40, 150, 3);
    Palette palette;
    ASSERT_TRUE(build_palette(fewView, 256, palette));
    EXPECT_EQ(palette.count, 256);
    std::vector<uint8_t> indices(50 * 40);
    ASSERT_TRUE(map_to_palette(fewView, palette, indices.data(), false));
    for (std::size_t i = 0; i < indices.size(); ++i)
        ASSERT_EQ(0, std::memcmp(palette.rgb[indices[i]], &few[i * 3], 3)) << i;

    Rgba32Picture photo;
    const std::string path = std::string(MUR_TESTDATA_DIR) + "/coffee.png";
    if (!read_picture(path.c_str(), photo)) GTEST_SKIP() << "no test photograph";
    const ConstImageView view(photo.pixels, photo.width, photo.height, photo.width * 4, 4);
    std::vector<uint8_t> mapped(std::size_t(photo.width) * photo.height * 3), ids(std::size_t(photo.width) * photo.height);
    double last = 1e9;
    for (int32_t colours : {2, 16, 64, 256}) {
        ASSERT_TRUE(build_palette(view, colours, palette));
        EXPECT_EQ(palette.count, colours);
        ASSERT_TRUE(map_to_palette(view, palette, ids.data(), false));
        for (std::size_t i = 0; i < ids.size(); ++i) std::memcpy(&mapped[i * 3], palette.rgb[ids[i]], 3);
        const double error = mean_channel_error(view, ConstImageView(mapped.data(), photo.width, photo.height, photo.width * 3, 3));
        EXPECT_LT(error, last) << colours;
        last = error;
    }
    EXPECT_LT(last, 4.0);
    // Floyd-Steinberg dithering raises the mean error: the writers map plainly.
    ASSERT_TRUE(map_to_palette(view, palette, ids.data(), true));
    for (std::size_t i = 0; i < ids.size(); ++i) std::memcpy(&mapped[i * 3], palette.rgb[ids[i]], 3);
    const double dithered = mean_channel_error(view, ConstImageView(mapped.data(), photo.width, photo.height, photo.width * 3, 3));
    std::printf("coffee.png at 256 colours: mean error %.3f plain, %.3f dithered\n", last, dithered);
    EXPECT_GT(dithered, last);
    release_picture(photo);
}

}  // namespace
}  // namespace mur::imaging
