#include "imaging/picture_reader.h"

#include "engine/memory.h"
#include "imaging/png_codec.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace mur::imaging {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("mur_pictures_" + std::to_string(::getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    fs::path write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        std::ofstream(path / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path / name;
    }
};

std::vector<uint8_t> read_all(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A 2 x 1 picture as PNG: red, half-transparent blue.
std::vector<uint8_t> small_png()
{
    const uint8_t px[8] = {255, 0, 0, 255, 0, 0, 255, 128};
    ByteBlock block;
    EXPECT_TRUE(write_png_to_memory(ConstImageView(px, 2, 1, 8, 4), block));
    std::vector<uint8_t> v(block.data, block.data + block.size);
    release_block(block);
    return v;
}

// A 1 x 1 24-bit bitmap of (10, 20, 30).
std::vector<uint8_t> small_bmp()
{
    std::vector<uint8_t> f = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0};
    f.resize(54, 0);
    f.insert(f.end(), {30, 20, 10, 0});
    return f;
}

// A 1 x 1 24-bit TGA of (10, 20, 30).
std::vector<uint8_t> small_tga() { return {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 30, 20, 10}; }

TEST(PictureReader, FormatsAreToldApartByContent)
{
    const auto png = small_png(), bmp = small_bmp(), tga = small_tga();
    EXPECT_EQ(detect_picture_format(png.data(), png.size()), PictureFormat::Png);
    EXPECT_EQ(detect_picture_format(bmp.data(), bmp.size()), PictureFormat::Bmp);
    EXPECT_EQ(detect_picture_format(tga.data(), tga.size()), PictureFormat::Tga);
    const uint8_t jpeg[4] = {0xFF, 0xD8, 0xFF, 0xE0};
    EXPECT_EQ(detect_picture_format(jpeg, 4), PictureFormat::Jpeg);
    const uint8_t gif[6] = {'G', 'I', 'F', '8', '9', 'a'};
    EXPECT_EQ(detect_picture_format(gif, 6), PictureFormat::Gif);
    const uint8_t tiffLittle[4] = {'I', 'I', 42, 0}, tiffBig[4] = {'M', 'M', 0, 42};
    EXPECT_EQ(detect_picture_format(tiffLittle, 4), PictureFormat::Tiff);
    EXPECT_EQ(detect_picture_format(tiffBig, 4), PictureFormat::Tiff);
    const char* text = "width, height = 8, 8\nfunction texel(x, y) return 1, 1, 1 end\n";
    EXPECT_EQ(detect_picture_format(reinterpret_cast<const uint8_t*>(text), std::strlen(text)), PictureFormat::Unknown);
    EXPECT_EQ(detect_picture_format(nullptr, 10), PictureFormat::Unknown);
}

TEST(PictureReader, TheNameOfTheFileDoesNotMatter)
{
    TempDir dir;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        uint8_t red, alphaOfLast;
        int width;
    };
    const Case cases[] = {
        {"looks_like.jpg", small_png(), 255, 128, 2},
        {"no_extension", small_bmp(), 10, 255, 1},
        {"picture.png", small_tga(), 10, 255, 1},
    };
    for (const Case& c : cases) {
        Rgba32Picture p;
        ASSERT_TRUE(read_picture(dir.write(c.name, c.bytes).c_str(), p)) << c.name;
        EXPECT_EQ(p.width, c.width) << c.name;
        EXPECT_EQ(p.pixels[0], c.red) << c.name;
        EXPECT_EQ(p.pixels[(p.width - 1) * 4 + 3], c.alphaOfLast) << c.name;
        release_picture(p);
    }
}

TEST(PictureReader, FilesThatAreNoPicturesFail)
{
    TempDir dir;
    const std::size_t blocks = mem::live_blocks();
    Rgba32Picture p;
    EXPECT_FALSE(read_picture((dir.path / "missing.png").c_str(), p));
    EXPECT_FALSE(read_picture(dir.write("empty.png", {}).c_str(), p));
    EXPECT_FALSE(read_picture(dir.write("text.bmp", {'h', 'e', 'l', 'l', 'o'}).c_str(), p));
    EXPECT_FALSE(read_picture(dir.path.c_str(), p));
    EXPECT_FALSE(read_picture(nullptr, p));
    EXPECT_FALSE(read_picture("", p));
    EXPECT_EQ(p.pixels, nullptr);
    EXPECT_EQ(mem::live_blocks(), blocks);
}

TEST(PictureReader, TighterLimitsApplyToEveryFormat)
{
    PictureLimits tiny;
    tiny.maxPixels = 1;
    const auto png = small_png();
    Rgba32Picture p;
    EXPECT_FALSE(read_picture_from_memory(png.data(), png.size(), p, tiny));
    ASSERT_TRUE(read_picture_from_memory(png.data(), png.size(), p));
    release_picture(p);
    const auto bmp = small_bmp();
    EXPECT_TRUE(read_picture_from_memory(bmp.data(), bmp.size(), p, tiny));
    release_picture(p);
}

// Every file the photograph makes through ImageMagick, cut short at many
// places: a result is either a whole picture or nothing, and nothing stays
// allocated.
TEST(PictureReader, EveryFormatOfARealPictureReadsAndItsTruncationsFailCleanly)
{
    const fs::path photo = fs::path(MUR_TESTDATA_DIR) / "chelsea.png";
    if (!fs::exists(photo)) GTEST_SKIP() << "no test pictures at " << photo;
    if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    Rgba32Picture original;
    ASSERT_TRUE(read_picture(photo.c_str(), original));
    for (const char* kind : {"jpg", "gif", "tif", "bmp", "tga"}) {
        const fs::path out = dir.path / (std::string("photo.") + kind);
        // ImageMagick writes TGA rows top first; it must say so in the origin bit.
        const std::string orient = std::string(kind) == "tga" ? " -orient TopLeft" : "";
        const std::string command = "convert '" + photo.string() + "'" + orient + " '" + out.string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const auto bytes = read_all(out);
        Rgba32Picture p;
        ASSERT_TRUE(read_picture_from_memory(bytes.data(), bytes.size(), p)) << kind;
        EXPECT_EQ(p.width, 451) << kind;
        EXPECT_EQ(p.height, 300) << kind;
        // Lossy and palette formats stay near the original on average.
        uint64_t diff = 0;
        for (std::size_t i = 0; i < std::size_t(451) * 300 * 4; ++i) diff += std::abs(p.pixels[i] - original.pixels[i]);
        EXPECT_LT(double(diff) / (451.0 * 300 * 4), 6.0) << kind;
        release_picture(p);

        const std::size_t blocks = mem::live_blocks();
        for (int step = 1; step < 40; ++step) {
            const std::size_t cut = bytes.size() * step / 40;
            Rgba32Picture q;
            const bool ok = read_picture_from_memory(bytes.data(), cut, q);
            EXPECT_FALSE(ok) << kind << " cut at " << cut;
            EXPECT_EQ(q.pixels, nullptr);
            release_picture(q);
        }
        EXPECT_EQ(mem::live_blocks(), blocks) << kind;
    }
    release_picture(original);
}

}  // namespace
}  // namespace mur::imaging
