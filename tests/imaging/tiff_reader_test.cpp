#include "imaging/tiff_reader.h"

#include "engine/memory.h"
#include "imaging/picture_reader.h"

#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace mur::imaging {
namespace {

struct Layout {
    uint16_t samples = 3;
    uint16_t photometric = PHOTOMETRIC_RGB;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t extra = 0;  // EXTRASAMPLE_ code of a fourth sample, 0 for none
    uint32_t tile = 0;   // tile side, 0 for strips
    uint16_t compression = COMPRESSION_NONE;
};

// Writes an 8-bit TIFF with libtiff itself and returns its bytes. `samples`
// holds the pixels interleaved (contiguous) whatever the layout asked for.
using Sample = uint8_t;
std::vector<uint8_t> write_tiff(const Layout& l, int w, int h, const std::vector<Sample>& samples)
{
    const auto path = std::filesystem::temp_directory_path() / ("mur_tiff_" + std::to_string(::getpid()) + ".tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, l.samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, l.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, l.planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, l.compression);
    if (l.extra) {
        const uint16_t extra[1] = {l.extra};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    const int s = l.samples;
    if (l.tile) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, l.tile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, l.tile);
        std::vector<Sample> tile(std::size_t(l.tile) * l.tile * s, 0);
        for (uint32_t ty = 0; ty < uint32_t(h); ty += l.tile)
            for (uint32_t tx = 0; tx < uint32_t(w); tx += l.tile) {
                std::fill(tile.begin(), tile.end(), Sample(0));
                for (uint32_t y = 0; y < l.tile && ty + y < uint32_t(h); ++y)
                    for (uint32_t x = 0; x < l.tile && tx + x < uint32_t(w); ++x)
                        for (int c = 0; c < s; ++c)
                            tile[(y * l.tile + x) * s + c] = samples[((ty + y) * w + tx + x) * s + c];
                TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0);
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 2u);
        if (l.planar == PLANARCONFIG_SEPARATE) {
            std::vector<Sample> row(w);
            for (int c = 0; c < s; ++c)
                for (int y = 0; y < h; ++y) {
                    for (int x = 0; x < w; ++x) row[x] = samples[(y * w + x) * s + c];
                    TIFFWriteScanline(tif, row.data(), uint32_t(y), uint16_t(c));
                }
        } else {
            std::vector<uint8_t> row(std::size_t(w) * s);
            for (int y = 0; y < h; ++y) {
                std::memcpy(row.data(), samples.data() + std::size_t(y) * w * s, row.size());
                TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
            }
        }
    }
    TIFFClose(tif);
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    return bytes;
}

struct Read {
    Rgba32Picture p;
    bool ok = false;
    explicit Read(const std::vector<uint8_t>& file) { ok = read_tiff_from_memory(file.data(), file.size(), p); }
    ~Read() { release_picture(p); }
    std::vector<int> px(int x, int y) const
    {
        const uint8_t* q = p.pixels + (std::size_t(y) * p.width + x) * 4;
        return {q[0], q[1], q[2], q[3]};
    }
};

using V = std::vector<int>;

const std::vector<uint8_t> kRgb3x3 = {10, 20, 30,  40, 50, 60,  70, 80, 90,  //
                                      1,  2,  3,   4,  5,  6,   7,  8,  9,   //
                                      255, 0, 0,   0, 255, 0,   0,  0,  255};

void expect_rgb3x3(const Read& r, const char* what)
{
    ASSERT_TRUE(r.ok) << what;
    ASSERT_EQ(r.p.width, 3);
    ASSERT_EQ(r.p.height, 3);
    EXPECT_EQ(r.px(0, 0), (V{10, 20, 30, 255})) << what;
    EXPECT_EQ(r.px(2, 0), (V{70, 80, 90, 255})) << what;
    EXPECT_EQ(r.px(1, 1), (V{4, 5, 6, 255})) << what;
    EXPECT_EQ(r.px(2, 2), (V{0, 0, 255, 255})) << what;
}

TEST(TiffReader, StripsTilesAndPlanesGiveTheSamePicture)
{
    Layout contig;
    expect_rgb3x3(Read(write_tiff(contig, 3, 3, kRgb3x3)), "contiguous strips");
    Layout planar;
    planar.planar = PLANARCONFIG_SEPARATE;
    expect_rgb3x3(Read(write_tiff(planar, 3, 3, kRgb3x3)), "planar strips");
    Layout tiled;
    tiled.tile = 16;
    expect_rgb3x3(Read(write_tiff(tiled, 3, 3, kRgb3x3)), "tiles");
    Layout packed;
    packed.compression = COMPRESSION_LZW;
    expect_rgb3x3(Read(write_tiff(packed, 3, 3, kRgb3x3)), "LZW");
}

TEST(TiffReader, UnassociatedAlphaComesBackStraight)
{
    Layout l;
    l.samples = 4, l.extra = EXTRASAMPLE_UNASSALPHA;
    const std::vector<uint8_t> px = {200, 100, 50, 128, 255, 255, 255, 0, 9, 9, 9, 255};
    Read r(write_tiff(l, 3, 1, px));
    ASSERT_TRUE(r.ok);
    const V a = r.px(0, 0);
    EXPECT_NEAR(a[0], 200, 2);
    EXPECT_NEAR(a[1], 100, 2);
    EXPECT_NEAR(a[2], 50, 2);
    EXPECT_EQ(a[3], 128);
    EXPECT_EQ(r.px(1, 0)[3], 0);
    EXPECT_EQ(r.px(2, 0), (V{9, 9, 9, 255}));
}

TEST(TiffReader, DamagedFilesFailWithoutLeaking)
{
    std::vector<uint8_t> big(64 * 64 * 3);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 31);
    Layout l;
    const auto file = write_tiff(l, 64, 64, big);
    const std::size_t blocks = mem::live_blocks();
    for (std::size_t cut : {std::size_t{4}, std::size_t{100}, file.size() / 2, file.size() - 10}) {
        Read r(std::vector<uint8_t>(file.begin(), file.begin() + cut));
        EXPECT_FALSE(r.ok) << "cut at " << cut;
        EXPECT_EQ(r.p.pixels, nullptr);
    }
    Rgba32Picture p;
    const uint8_t header[8] = {'I', 'I', 42, 0, 200, 0, 0, 0};  // first directory past the end
    EXPECT_FALSE(read_tiff_from_memory(header, 8, p));
    EXPECT_EQ(mem::live_blocks(), blocks);
}

TEST(TiffReader, SizesBeyondTheLimitsAreRefused)
{
    Layout l;
    const auto file = write_tiff(l, 40, 30, std::vector<uint8_t>(40 * 30 * 3, 5));
    PictureLimits small;
    small.maxSide = 32;
    Rgba32Picture p;
    EXPECT_FALSE(read_tiff_from_memory(file.data(), file.size(), p, small));
    EXPECT_EQ(p.pixels, nullptr);
}

}  // namespace
}  // namespace mur::imaging
