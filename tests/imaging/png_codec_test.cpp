#include "imaging/png_codec.h"

#include "engine/memory.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

namespace mur::imaging {
namespace {

// Encodes a small picture in another PNG layout with libpng's own writer.
std::vector<uint8_t> encode_with_libpng(const void* pixels, int w, int h, png_uint_32 format,
                                        const void* colormap = nullptr, int colormapEntries = 0)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = format;
    image.colormap_entries = static_cast<png_uint_32>(colormapEntries);
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_get_memory_size(image, size, 0, pixels, 0, colormap));
    std::vector<uint8_t> out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, colormap));
    out.resize(size);
    return out;
}

std::vector<uint8_t> random_rgba(int w, int h, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(std::size_t(w) * h * 4);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    return v;
}

// Our own encoding of an RGBA32 picture; empty when the writer fails.
std::vector<uint8_t> encoded(const std::vector<uint8_t>& pixels, int w, int h)
{
    ByteBlock block;
    if (!write_png_to_memory(ConstImageView(pixels.data(), w, h, w * 4, 4), block)) return {};
    std::vector<uint8_t> file(block.data, block.data + block.size);
    release_block(block);
    return file;
}

struct Decoded {
    Rgba32Picture picture;
    ~Decoded() { release_picture(picture); }
    const uint8_t* px(int x, int y) const { return picture.pixels + (std::size_t(y) * picture.width + x) * 4; }
};

TEST(PngCodec, RoundTripsRgba32ThroughMemoryAndFiles)
{
    const auto pixels = random_rgba(37, 23, 9);
    const ConstImageView view(pixels.data(), 37, 23, 37 * 4, 4);
    ByteBlock block;
    ASSERT_TRUE(write_png_to_memory(view, block));
    Decoded d;
    ASSERT_TRUE(read_png_from_memory(block.data, block.size, d.picture));
    release_block(block);
    ASSERT_EQ(d.picture.width, 37);
    ASSERT_EQ(d.picture.height, 23);
    EXPECT_EQ(0, std::memcmp(d.picture.pixels, pixels.data(), pixels.size()));

    const auto path = std::filesystem::temp_directory_path() / ("mur_png_" + std::to_string(::getpid()) + ".png");
    ASSERT_TRUE(write_png(path.c_str(), view));
    Decoded f;
    ASSERT_TRUE(read_png(path.c_str(), f.picture));
    EXPECT_EQ(0, std::memcmp(f.picture.pixels, pixels.data(), pixels.size()));
    std::filesystem::remove(path);
}

TEST(PngCodec, WritesRowsOfAnyStride)
{
    std::vector<uint8_t> padded(3 * 40, 0);  // 3 rows of 8 pixels with 8 bytes of padding each
    for (int y = 0; y < 3; ++y)
        for (int i = 0; i < 32; ++i) padded[y * 40 + i] = static_cast<uint8_t>(y * 32 + i);
    ByteBlock block;
    ASSERT_TRUE(write_png_to_memory(ConstImageView(padded.data(), 8, 3, 40, 4), block));
    Decoded d;
    ASSERT_TRUE(read_png_from_memory(block.data, block.size, d.picture));
    release_block(block);
    EXPECT_EQ(d.px(0, 2)[0], 64);
    EXPECT_EQ(d.px(7, 2)[3], 95);
}

TEST(PngCodec, GrayBecomesOpaqueRgb)
{
    const uint8_t gray[6] = {0, 50, 100, 150, 200, 255};
    const auto file = encode_with_libpng(gray, 3, 2, PNG_FORMAT_GRAY);
    Decoded d;
    ASSERT_TRUE(read_png_from_memory(file.data(), file.size(), d.picture));
    EXPECT_EQ(d.px(1, 0)[0], 50);
    EXPECT_EQ(d.px(1, 0)[2], 50);
    EXPECT_EQ(d.px(1, 0)[3], 255);
    EXPECT_EQ(d.px(2, 1)[1], 255);
}

TEST(PngCodec, GrayAlphaKeepsItsAlpha)
{
    const uint8_t ga[4] = {10, 20, 30, 40};
    const auto file = encode_with_libpng(ga, 2, 1, PNG_FORMAT_GA);
    Decoded d;
    ASSERT_TRUE(read_png_from_memory(file.data(), file.size(), d.picture));
    EXPECT_EQ(d.px(0, 0)[1], 10);
    EXPECT_EQ(d.px(0, 0)[3], 20);
    EXPECT_EQ(d.px(1, 0)[3], 40);
}

TEST(PngCodec, PaletteWithTransparencyBecomesRgba)
{
    const uint8_t colormap[3 * 4] = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0};
    const uint8_t indices[4] = {0, 1, 2, 1};
    const auto file = encode_with_libpng(indices, 2, 2, PNG_FORMAT_RGBA | PNG_FORMAT_FLAG_COLORMAP, colormap, 3);
    Decoded d;
    ASSERT_TRUE(read_png_from_memory(file.data(), file.size(), d.picture));
    EXPECT_EQ(d.px(0, 0)[0], 255);
    EXPECT_EQ(d.px(0, 0)[3], 255);
    EXPECT_EQ(d.px(1, 0)[1], 255);
    EXPECT_EQ(d.px(1, 0)[3], 128);
    EXPECT_EQ(d.px(0, 1)[2], 255);
    EXPECT_EQ(d.px(0, 1)[3], 0);
}

TEST(PngCodec, SixteenBitChannelsKeepTheirHighByte)
{
    const uint16_t rgb[6] = {0x1234, 0xABCD, 0xFF00, 0x00FF, 0x8080, 0x7FFF};
    const auto file = encode_with_libpng(rgb, 2, 1, PNG_FORMAT_LINEAR_RGB);
    Decoded d;
    ASSERT_TRUE(read_png_from_memory(file.data(), file.size(), d.picture));
    EXPECT_EQ(d.px(0, 0)[0], 0x12);
    EXPECT_EQ(d.px(0, 0)[1], 0xAB);
    EXPECT_EQ(d.px(0, 0)[2], 0xFF);
    EXPECT_EQ(d.px(1, 0)[0], 0x00);
    EXPECT_EQ(d.px(1, 0)[2], 0x7F);
    EXPECT_EQ(d.px(1, 0)[3], 255);
}

// A PNG signature and header chunk claiming the given size, and nothing else.
std::vector<uint8_t> header_only(uint32_t w, uint32_t h)
{
    std::vector<uint8_t> f = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t v : {w, h})
        for (int s = 24; s >= 0; s -= 8) f.push_back(static_cast<uint8_t>(v >> s));
    f.insert(f.end(), {8, 6, 0, 0, 0});
    const uLong crc = crc32(0, f.data() + 12, 17);
    for (int s = 24; s >= 0; s -= 8) f.push_back(static_cast<uint8_t>(crc >> s));
    return f;
}

TEST(PngCodec, AbsurdSizesAreRefusedBeforeAllocating)
{
    const std::size_t blocks = mem::live_blocks();
    for (auto [w, h] : {std::pair{70000u, 1u}, std::pair{65535u, 65535u}, std::pair{0u, 5u}}) {
        const auto file = header_only(w, h);
        Rgba32Picture p;
        EXPECT_FALSE(read_png_from_memory(file.data(), file.size(), p)) << w << "x" << h;
        EXPECT_EQ(p.pixels, nullptr);
        EXPECT_EQ(mem::live_blocks(), blocks);
    }
}

TEST(PngCodec, DamagedFilesFailWithoutLeaking)
{
    const auto pixels = random_rgba(64, 64, 4);
    const std::vector<uint8_t> good = encoded(pixels, 64, 64);
    ASSERT_FALSE(good.empty());
    const std::size_t blocks = mem::live_blocks();
    Rgba32Picture p;
    for (std::size_t cut : {std::size_t{4}, std::size_t{30}, good.size() / 2, good.size() - 20}) {
        EXPECT_FALSE(read_png_from_memory(good.data(), cut, p)) << "cut at " << cut;
        EXPECT_EQ(mem::live_blocks(), blocks);
    }
    std::vector<uint8_t> flipped = good;
    flipped[good.size() / 2] ^= 0xFF;
    EXPECT_FALSE(read_png_from_memory(flipped.data(), flipped.size(), p));
    EXPECT_EQ(mem::live_blocks(), blocks);
    EXPECT_FALSE(read_png("/nonexistent/file.png", p));
    EXPECT_FALSE(read_png(nullptr, p));
}

// Inserts a chunk right after the header chunk; a length other than the
// data's own is written as given (a damaged or truncated chunk).
std::vector<uint8_t> with_chunk(const std::vector<uint8_t>& file, const char* type, const std::vector<uint8_t>& data,
                                uint32_t declared)
{
    std::vector<uint8_t> chunk;
    for (int s = 24; s >= 0; s -= 8) chunk.push_back(static_cast<uint8_t>(declared >> s));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef*>(type), 4), data.data(), uInt(data.size()));
    for (int s = 24; s >= 0; s -= 8) chunk.push_back(static_cast<uint8_t>(crc >> s));
    std::vector<uint8_t> out;
    out.reserve(file.size() + chunk.size());
    out.insert(out.end(), file.begin(), file.begin() + 33);  // signature and header chunk
    out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), file.begin() + 33, file.end());
    return out;
}

TEST(PngCodec, OtherChunksAreSkippedWhateverTheirSize)
{
    const auto pixels = random_rgba(16, 8, 5);
    const std::vector<uint8_t> good = encoded(pixels, 16, 8);
    ASSERT_FALSE(good.empty());

    // Text of 3 MB is read past within a budget of 1 MB for the whole decode.
    std::vector<uint8_t> text(3u << 20, 'a');
    std::memcpy(text.data(), "Comment\0", 8);
    const auto big = with_chunk(good, "tEXt", text, uint32_t(text.size()));
    Decoded d;
    mem::set_budget(mem::live_bytes() + (1u << 20));
    const bool read = read_png_from_memory(big.data(), big.size(), d.picture);
    mem::reset_failures();
    ASSERT_TRUE(read);
    EXPECT_EQ(0, std::memcmp(d.picture.pixels, pixels.data(), pixels.size()));

    // Compressed text claiming 1.4 GB in a file of a hundred bytes fails at
    // once; its length never reaches an allocation.
    for (const char* type : {"zTXt", "iCCP", "iTXt", "fcTL", "abCd"}) {
        const auto lying = with_chunk(good, type, {'I', 'D', 0}, 0x544CFFFFu);
        Rgba32Picture p;
        EXPECT_FALSE(read_png_from_memory(lying.data(), lying.size(), p)) << type;
        EXPECT_EQ(p.pixels, nullptr);
    }
}

TEST(PngCodec, AllocationFailureIsAFailure)
{
    const auto pixels = random_rgba(8, 8, 4);
    ByteBlock block;
    ASSERT_TRUE(write_png_to_memory(ConstImageView(pixels.data(), 8, 8, 32, 4), block));
    Rgba32Picture p;
    mem::fail_allocations(0, -1);
    EXPECT_FALSE(read_png_from_memory(block.data, block.size, p));
    ByteBlock other;
    EXPECT_FALSE(write_png_to_memory(ConstImageView(pixels.data(), 8, 8, 32, 4), other));
    mem::reset_failures();
    release_block(block);
}

TEST(PngCodec, ReadsARealPhotograph)
{
    const std::filesystem::path photo = std::filesystem::path(MUR_TESTDATA_DIR) / "astronaut.png";
    if (!std::filesystem::exists(photo)) GTEST_SKIP() << "no test pictures at " << photo;
    Decoded d;
    ASSERT_TRUE(read_png(photo.c_str(), d.picture));
    EXPECT_EQ(d.picture.width, 512);
    EXPECT_EQ(d.picture.height, 512);
    uint64_t sum = 0;
    for (int i = 0; i < 512 * 512; ++i) {
        ASSERT_EQ(d.picture.pixels[i * 4 + 3], 255);
        sum += d.picture.pixels[i * 4];
    }
    EXPECT_GT(sum / (512 * 512), 40u);  // a photograph, not a blank
    ByteBlock block;
    ASSERT_TRUE(write_png_to_memory(ConstImageView(d.picture.pixels, 512, 512, 2048, 4), block));
    Decoded again;
    ASSERT_TRUE(read_png_from_memory(block.data, block.size, again.picture));
    release_block(block);
    EXPECT_EQ(0, std::memcmp(again.picture.pixels, d.picture.pixels, 512 * 512 * 4));
}

}  // namespace
}  // namespace mur::imaging
