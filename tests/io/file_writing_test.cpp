// Writing host pictures by extension, checked by independent readers
// (ImageMagick, Pillow) and by reading the files back with the engine's own
// readers.
#include "io/external_readers.h"
#include "support/engine_fixture.h"

#include <fstream>
#include <iterator>

namespace mur::test {
namespace {

// A picture with smooth gradients, hard edges and every alpha class (0,
// 254, 255 and the rest); its colours are many.
std::vector<uint8_t> test_picture(int w, int h, int channels)
{
    std::vector<uint8_t> v(std::size_t(w) * h * channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &v[(std::size_t(y) * w + x) * channels];
            p[0] = uint8_t(x * 255 / (w - 1));
            p[1] = uint8_t(y * 255 / (h - 1));
            p[2] = uint8_t((x * 7 + y * 13) % 256);
            if (channels == 4) p[3] = x == 0 ? 0 : x == 1 ? 254 : y == 0 ? 255 : uint8_t((x * y * 5) % 256);
        }
    return v;
}

std::vector<uint8_t> file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double mean_difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

class FileWriting : public EngineTest {
protected:
    static constexpr int kW = 61, kH = 37;  // odd: row padding in BMP, PCX, EMF
    ScratchDir dir;
    std::vector<uint8_t> rgb = test_picture(kW, kH, 3);
    std::vector<uint8_t> rgba = test_picture(kW, kH, 4);
};

// Every lossless format round-trips through the engine's readers, and the
// readers of other programs see the same pixels.
TEST_F(FileWriting, LosslessFormatsKeepEveryPixelForOurReadersAndOthers)
{
    struct Case { const char* ext; int channels; const char* magick; bool pillow; };
    const Case cases[] = {{".bmp", 3, "BMP3", true}, {".png", 3, "PNG", true},  {".pcx", 3, "PCX", true},
                          {".psd", 3, "PSD", true},  {".emf", 3, nullptr, false}, {".wmf", 3, nullptr, false},
                          {".png", 4, "PNG", true},  {".tga", 4, "TGA", true},  {".tif", 4, "TIFF", true}};
    const std::string reference3 = dir / "reference.ppm", reference4 = dir / "reference.pam";
    write_netpbm(reference3, rgb.data(), kW, kH, 3);
    write_netpbm(reference4, rgba.data(), kW, kH, 4);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ext) + " " + std::to_string(c.channels));
        const std::string path = dir / (std::string("picture") + std::to_string(c.channels) + c.ext);
        const std::vector<uint8_t>& pixels = c.channels == 3 ? rgb : rgba;
        const int32_t written = c.channels == 3 ? MUR_WriteToFileRGB24(pixels.data(), kW, kH, path.c_str(), c.ext, 300)
                                                : MUR_WriteToFileRGBA32(pixels.data(), kW, kH, path.c_str(), c.ext, 300);
        ASSERT_EQ(written, 1);
        // Metafiles have no size of their own: they are drawn at the image's.
        if (!c.magick) {
            ASSERT_NO_FATAL_FAILURE(create_image(kW, kH));
        }
        std::vector<uint8_t> back(pixels.size(), 0xAB);
        const int32_t read = c.channels == 3 ? MUR_ReadFromFileRGB24(back.data(), kW, kH, path.c_str())
                                             : MUR_ReadFromFileRGBA32(back.data(), kW, kH, path.c_str());
        ASSERT_EQ(read, 1);
        EXPECT_EQ(back, pixels);
        if (c.magick && have_imagemagick()) {
            EXPECT_EQ(identify(path, "%m %wx%h %z"), std::string(c.magick) + " 61x37 8");
            EXPECT_EQ(compare_pixels(path, c.channels == 3 ? reference3 : reference4, std::string(c.ext) == ".tga"), 0);
        }
        if (c.pillow && have_pillow()) {
            const PillowPicture p = pillow_read(path, c.channels == 3 ? "RGB" : "RGBA");
            EXPECT_NE(p.summary.find("61x37"), std::string::npos) << p.summary;
            EXPECT_EQ(p.pixels, pixels);
        }
    }
}

TEST_F(FileWriting, FormatDetailsAsOtherReadersSeeThem)
{
    if (!have_imagemagick()) GTEST_SKIP() << "ImageMagick not installed";
    const std::string jpg = dir / "p.jpg", png = dir / "p.png", png4 = dir / "p4.png", bmp = dir / "p.bmp",
                      tif = dir / "p.tif", pcx = dir / "p.pcx", psd = dir / "p.psd";
    ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, jpg.c_str(), ".jpg", 300), 1);
    ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, png.c_str(), ".png", 300), 1);
    ASSERT_EQ(MUR_WriteToFileRGBA32(rgba.data(), kW, kH, png4.c_str(), ".png", 300), 1);
    ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, bmp.c_str(), ".bmp", 300), 1);
    ASSERT_EQ(MUR_WriteToFileRGBA32(rgba.data(), kW, kH, tif.c_str(), ".tif", 150), 1);
    ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, pcx.c_str(), ".pcx", 200), 1);
    ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, psd.c_str(), ".psd", 600), 1);
    // JPEG: quality 97, no chroma subsampling, 300 dots per inch.
    EXPECT_EQ(identify(jpg, "%m %Q %[jpeg:sampling-factor] %x %U"), "JPEG 97 1x1,1x1,1x1 300 PixelsPerInch");
    // PNG: colour types 2 and 6, 11811 pixels per metre.
    EXPECT_EQ(identify(png, "%[png:IHDR.color-type-orig] %[png:pHYs]"), "2 x_res=11811, y_res=11811, units=1");
    EXPECT_EQ(identify(png4, "%[png:IHDR.color-type-orig]"), "6");
    EXPECT_EQ(identify(bmp, "%m %wx%h"), "BMP3 61x37");
    EXPECT_EQ(MUR_GetDPIFromFile(bmp.c_str()), 300);
    EXPECT_EQ(identify(tif, "%x %U %[tiff:alpha]"), "150 PixelsPerInch unassociated");
    EXPECT_EQ(identify(pcx, "%x %U"), "200 PixelsPerInch");
    EXPECT_EQ(identify(psd, "%x %U"), "600 PixelsPerInch");
    EXPECT_EQ(MUR_GetDPIFromFile(png.c_str()), 300);
    EXPECT_EQ(MUR_GetDPIFromFile(tif.c_str()), 150);
    EXPECT_EQ(MUR_GetDPIFromFile(pcx.c_str()), 200);
    EXPECT_EQ(MUR_GetDPIFromFile(psd.c_str()), 600);
    if (have_pillow()) {
        const PillowPicture p = pillow_read(jpg, "RGB");
        EXPECT_EQ(p.summary, "JPEG 61x37 RGB");
        EXPECT_LT(mean_difference(p.pixels, rgb), 1.5);  // quality 97
    }
}

TEST_F(FileWriting, ExtensionsAreComparedWithoutCaseAndTheirDot)
{
    const std::string lower = dir / "a.png", upper = dir / "b.png", mixed = dir / "c.tif";
    ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, lower.c_str(), ".png", 96), 1);
    ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, upper.c_str(), ".PNG", 96), 1);
    EXPECT_EQ(file_bytes(lower), file_bytes(upper));
    EXPECT_EQ(MUR_WriteToFileRGBA32(rgba.data(), kW, kH, mixed.c_str(), ".TiF", 96), 1);
    // Without the dot, or another spelling, is no extension of ours.
    for (const char* ext : {"png", ".jpeg", ".tiff", "", ".png ", ".tga"})
        EXPECT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, (dir / "x").c_str(), ext, 96), 0) << ext;
    for (const char* ext : {".bmp", ".jpg", ".gif", "tif"})
        EXPECT_EQ(MUR_WriteToFileRGBA32(rgba.data(), kW, kH, (dir / "y").c_str(), ext, 96), 0) << ext;
    EXPECT_EQ(dir.names().size(), 3u);
}

TEST_F(FileWriting, RefusalsCreateNoFileAndFailuresKeepTheOldOne)
{
    const std::string path = dir / "keep.png";
    ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, path.c_str(), ".png", 72), 1);
    const std::vector<uint8_t> before = file_bytes(path);
    const std::string fresh = dir / "fresh.bmp";
    EXPECT_EQ(MUR_WriteToFileRGB24(nullptr, kW, kH, fresh.c_str(), ".bmp", 72), 0);
    EXPECT_EQ(MUR_WriteToFileRGB24(rgb.data(), 0, kH, fresh.c_str(), ".bmp", 72), 0);
    EXPECT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, -1, fresh.c_str(), ".bmp", 72), 0);
    EXPECT_EQ(MUR_WriteToFileRGB24(rgb.data(), INT32_MAX, INT32_MAX, fresh.c_str(), ".bmp", 72), 0);
    EXPECT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, nullptr, ".bmp", 72), 0);
    EXPECT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, fresh.c_str(), nullptr, 72), 0);
    EXPECT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, (dir / "no/such/folder.bmp").c_str(), ".bmp", 72), 0);
    // Every allocation of the writers failing, one after the other: no
    // partial file, the old one unchanged, nothing left allocated.
    const std::size_t blocks = mem::live_blocks();
    for (const char* ext : {".png", ".bmp", ".gif", ".psd", ".pcx", ".emf"})
        for (long n = 0; n < 4; ++n) {
            mem::fail_allocations(n, 1);
            const int32_t result = MUR_WriteToFileRGB24(rgb.data(), kW, kH, path.c_str(), ext, 72);
            mem::reset_failures();
            if (!result) {
                EXPECT_EQ(file_bytes(path), before) << ext << " " << n;
            }
            EXPECT_EQ(mem::live_blocks(), blocks);
            ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, path.c_str(), ".png", 72), 1);
        }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"keep.png"});
    // A folder in the destination's place stays a folder.
    std::filesystem::create_directory(dir / "folder.png");
    EXPECT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, (dir / "folder.png").c_str(), ".png", 72), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.png"));
    EXPECT_EQ(dir.names().size(), 2u);
}

TEST_F(FileWriting, GifKeepsAFewColoursExactlyAndQuantisesMany)
{
    // 200 colours: kept exactly.
    std::vector<uint8_t> few(rgb.size());
    for (std::size_t i = 0; i < few.size() / 3; ++i) {
        const uint8_t c = uint8_t(i % 200);
        few[i * 3] = c;
        few[i * 3 + 1] = uint8_t(255 - c);
        few[i * 3 + 2] = uint8_t(c * 3);
    }
    const std::string path = dir / "few.gif", many = dir / "many.gif";
    ASSERT_EQ(MUR_WriteToFileRGB24(few.data(), kW, kH, path.c_str(), ".gif", 72), 1);
    std::vector<uint8_t> back(few.size());
    ASSERT_EQ(MUR_ReadFromFileRGB24(back.data(), kW, kH, path.c_str()), 1);
    EXPECT_EQ(back, few);
    ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, many.c_str(), ".gif", 72), 1);
    ASSERT_EQ(MUR_ReadFromFileRGB24(back.data(), kW, kH, many.c_str()), 1);
    EXPECT_LT(mean_difference(back, rgb), 8.0);  // 2257 colours, one blue value in every pixel
    if (have_pillow()) {
        const PillowPicture p = pillow_read(path, "RGB");
        EXPECT_EQ(p.summary, "GIF 61x37 P");
        EXPECT_EQ(p.pixels, few);
    }
    if (have_imagemagick()) {
        EXPECT_EQ(identify(many, "%m %wx%h"), "GIF 61x37");
        EXPECT_LE(std::stoi("0" + identify(many, "%k")), 256);
        EXPECT_GT(std::stoi("0" + identify(many, "%k")), 200);  // the palette is put to use
    }
}

// The resolution snap: a JPEG at 300 reads 300, at 301 300, at 302 72;
// none reads 72; 11811 pixels per metre are 299.99 dpi and read 300; a PNG
// or BMP written at 302 has 11889 pixels per metre (301 dpi): 300.
TEST_F(FileWriting, ResolutionsReadBackSnapped)
{
    struct Case { const char* ext; int32_t dpi; int32_t expected; };
    const Case cases[] = {{".jpg", 300, 300}, {".jpg", 301, 300}, {".jpg", 302, 72},  {".jpg", 0, 72},
                          {".jpg", 96, 96},   {".jpg", 97, 96},   {".jpg", 98, 72},   {".jpg", 451, 450},
                          {".png", 300, 300}, {".png", 302, 300}, {".png", 0, 72},    {".png", 600, 600},
                          {".bmp", 302, 300}, {".bmp", 150, 150}, {".bmp", 72, 72},   {".pcx", 199, 200},
                          {".psd", 601, 600}, {".psd", 0, 72},    {".gif", 300, 72}};
    for (const Case& c : cases) {
        const std::string path = dir / (std::to_string(c.dpi) + c.ext);
        ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, path.c_str(), c.ext, c.dpi), 1);
        EXPECT_EQ(MUR_GetDPIFromFile(path.c_str()), c.expected) << c.ext << " at " << c.dpi;
    }
    EXPECT_EQ(MUR_GetDPIFromFile((dir / "missing.png").c_str()), 72);
    EXPECT_EQ(MUR_GetDPIFromFile(nullptr), 72);
    EXPECT_EQ(MUR_GetDPIFromFile(""), 72);
}

TEST_F(FileWriting, PngHeaderSizes)
{
    const std::string png = dir / "p.png", bmp = dir / "p.bmp";
    ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, png.c_str(), ".png", 72), 1);
    ASSERT_EQ(MUR_WriteToFileRGB24(rgb.data(), kW, kH, bmp.c_str(), ".bmp", 72), 1);
    EXPECT_EQ(MUR_GetWidthFromPNG(png.c_str()), kW);
    EXPECT_EQ(MUR_GetHeightFromPNG(png.c_str()), kH);
    EXPECT_EQ(MUR_GetWidthFromPNG(bmp.c_str()), 0);
    EXPECT_EQ(MUR_GetHeightFromPNG((dir / "missing.png").c_str()), 0);
    EXPECT_EQ(MUR_GetWidthFromPNG(nullptr), 0);
}

}  // namespace
}  // namespace mur::test
