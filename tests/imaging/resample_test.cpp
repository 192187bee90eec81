#include "imaging/resample.h"

#include "engine/memory.h"
#include "imaging/png_codec.h"
#include "imaging/resample_rows.h"

#include <gtest/gtest.h>
#include <omp.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace mur::imaging {
namespace {

struct Image {
    int w, h, bpp;
    std::vector<uint8_t> bytes;
    Image(int width, int height, int bytesPerPixel = 4)
        : w(width), h(height), bpp(bytesPerPixel), bytes(std::size_t(width) * height * bytesPerPixel, 0)
    {
    }
    ImageView view() { return {bytes.data(), w, h, std::ptrdiff_t{w} * bpp, bpp}; }
    ConstImageView cview() const { return {bytes.data(), w, h, std::ptrdiff_t{w} * bpp, bpp}; }
    uint8_t* px(int x, int y) { return bytes.data() + (std::size_t(y) * w + x) * bpp; }
    uint16_t* px16(int x, int y) { return reinterpret_cast<uint16_t*>(px(x, y)); }
    void fill(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
    {
        const uint8_t v[4] = {r, g, b, a};
        for (int i = 0; i < w * h; ++i) std::memcpy(bytes.data() + i * 4, v, 4);
    }
};

Image random_image(int w, int h, uint32_t seed, bool opaque)
{
    Image img(w, h);
    std::mt19937 rng(seed);
    for (auto& b : img.bytes) b = static_cast<uint8_t>(rng());
    if (opaque)
        for (int i = 0; i < w * h; ++i) img.bytes[i * 4 + 3] = 255;
    return img;
}

TEST(ResizeFilters, NamesFollowTheResizeTable)
{
    EXPECT_EQ(resize_filter_from_name("Area Average"), ResizeFilter::AreaAverage);
    EXPECT_EQ(static_cast<int>(resize_filter_from_name("Nearest Neighbor")), 18);
    EXPECT_EQ(static_cast<int>(resize_filter_from_name("Bilinear")), 18);
    EXPECT_EQ(static_cast<int>(resize_filter_from_name("Bicubic")), 17);
    EXPECT_EQ(static_cast<int>(resize_filter_from_name("Box")), 0);
    EXPECT_EQ(static_cast<int>(resize_filter_from_name("B-Spline")), 5);
    EXPECT_EQ(static_cast<int>(resize_filter_from_name("Cubic 2")), 7);
    EXPECT_EQ(static_cast<int>(resize_filter_from_name("Catrom")), 13);
    EXPECT_EQ(static_cast<int>(resize_filter_from_name("Hanning")), 12);
    // Exact case only; anything else is Lanczos3.
    EXPECT_EQ(resize_filter_from_name("lanczos3"), ResizeFilter::Lanczos3);
    EXPECT_EQ(resize_filter_from_name("box"), ResizeFilter::Lanczos3);
    EXPECT_EQ(resize_filter_from_name(""), ResizeFilter::Lanczos3);
    EXPECT_EQ(resize_filter_from_name(nullptr), ResizeFilter::Lanczos3);
}

TEST(Resample, BoxHalvingAveragesPairs)
{
    Image src(4, 2);
    const uint8_t values[4] = {10, 30, 100, 200};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = src.px(x, y);
            p[0] = p[1] = p[2] = values[x];
            p[3] = 255;
        }
    Image dst(2, 1);
    ASSERT_TRUE(resample(src.cview(), dst.view(), ResizeFilter::Box));
    EXPECT_EQ(dst.px(0, 0)[0], 20);
    EXPECT_EQ(dst.px(1, 0)[0], 150);
    EXPECT_EQ(dst.px(1, 0)[3], 255);
}

TEST(Resample, AreaAverageWeighsPartialPixelsByCoverage)
{
    // 3 pixels into 2: the outputs cover [0, 1.5) and [1.5, 3).
    Image src(3, 1);
    const uint8_t values[3] = {0, 90, 240};
    for (int x = 0; x < 3; ++x) {
        uint8_t* p = src.px(x, 0);
        p[0] = p[1] = p[2] = values[x];
        p[3] = 255;
    }
    Image dst(2, 1);
    ASSERT_TRUE(decimate(src.cview(), dst.view()));
    EXPECT_EQ(dst.px(0, 0)[0], 30);   // (0 * 1 + 90 * 0.5) / 1.5
    EXPECT_EQ(dst.px(1, 0)[0], 190);  // (90 * 0.5 + 240 * 1) / 1.5
}

TEST(Resample, NearestPicksThePixelUnderTheCentre)
{
    Image src(5, 1);
    for (int x = 0; x < 5; ++x) src.px(x, 0)[0] = static_cast<uint8_t>(x * 50), src.px(x, 0)[3] = 255;
    Image dst(2, 1);
    ASSERT_TRUE(general_resize(src.cview(), dst.view(), 18));
    EXPECT_EQ(dst.px(0, 0)[0], 50);   // centre 1.25
    EXPECT_EQ(dst.px(1, 0)[0], 150);  // centre 3.75
}

TEST(Resample, SameSizeWithAnInterpolatingFilterIsTheIdentity)
{
    const Image src = random_image(23, 17, 3, false);
    for (int mode : {8, 13, 17, 18, 1}) {
        Image dst(23, 17);
        ASSERT_TRUE(general_resize(src.cview(), dst.view(), mode));
        for (int i = 0; i < 23 * 17; ++i) {
            const uint8_t* s = src.bytes.data() + i * 4;
            const uint8_t* d = dst.bytes.data() + i * 4;
            if (s[3] == 0) {
                ASSERT_EQ(d[3], 0);
                continue;
            }
            // Premultiplied and back: colours of faint pixels may move a level.
            for (int c = 0; c < 4; ++c) ASSERT_NEAR(d[c], s[c], s[3] < 128 ? 1 : 0) << "mode " << mode;
        }
    }
}

TEST(Resample, UniformPicturesStayUniformWithEveryFilter)
{
    Image src(31, 19);
    src.fill(200, 100, 50, 255);
    for (int id : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 17, 18})
        for (auto [w, h] : {std::pair{7, 5}, std::pair{64, 45}}) {
            Image dst(w, h);
            ASSERT_TRUE(general_resize(src.cview(), dst.view(), id));
            for (int i = 0; i < w * h; ++i) {
                const uint8_t* d = dst.bytes.data() + i * 4;
                ASSERT_TRUE(d[0] == 200 && d[1] == 100 && d[2] == 50 && d[3] == 255) << "filter " << id;
            }
        }
}

TEST(Resample, TransparentPixelsDoNotDarkenTheirNeighbours)
{
    // White opaque on the left, transparent black on the right: the blended
    // edge keeps its white and only loses alpha.
    Image src(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 4; ++x) std::memset(src.px(x, y), 255, 4);
    for (int id : {1, 8, 15, 17}) {
        Image dst(3, 3);
        ASSERT_TRUE(general_resize(src.cview(), dst.view(), id));
        const uint8_t* mid = dst.px(1, 1);
        EXPECT_GT(mid[3], 64) << id;
        EXPECT_LT(mid[3], 192) << id;
        EXPECT_EQ(mid[0], 255) << id;
        EXPECT_EQ(mid[1], 255) << id;
    }
}

TEST(Resample, Rgba64KeepsSixteenBitsAndTheEdgeColour)
{
    Image src(4, 1, 8);
    for (int x = 0; x < 4; ++x) {
        uint16_t* p = src.px16(x, 0);
        p[0] = 1000, p[1] = 40000, p[2] = 65535;
        p[3] = x < 2 ? 65535 : 0;
    }
    Image dst(2, 1, 8);
    ASSERT_TRUE(resample(src.cview(), dst.view(), ResizeFilter::Box));
    EXPECT_EQ(dst.px16(0, 0)[0], 1000);
    EXPECT_EQ(dst.px16(0, 0)[1], 40000);
    EXPECT_EQ(dst.px16(0, 0)[3], 65535);
    EXPECT_EQ(dst.px16(1, 0)[3], 0);

    Image mixed(4, 1, 8);
    for (int x = 0; x < 4; ++x) {
        uint16_t* p = mixed.px16(x, 0);
        p[0] = p[1] = p[2] = static_cast<uint16_t>(x < 2 ? 30000 : 0);
        p[3] = x < 2 ? 65535 : 0;
    }
    Image one(1, 1, 8);
    ASSERT_TRUE(resample(mixed.cview(), one.view(), ResizeFilter::AreaAverage));
    EXPECT_EQ(one.px16(0, 0)[0], 30000);
    EXPECT_NEAR(one.px16(0, 0)[3], 32768, 1);
}

TEST(Resample, ResultsDoNotDependOnTheThreadCount)
{
    const Image src = random_image(301, 203, 11, false);
    for (auto [w, h] : {std::pair{97, 411}, std::pair{640, 80}}) {
        Image one(w, h), two(w, h);
        omp_set_num_threads(1);
        ASSERT_TRUE(resample(src.cview(), one.view(), ResizeFilter::Lanczos3));
        omp_set_num_threads(2);
        ASSERT_TRUE(resample(src.cview(), two.view(), ResizeFilter::Lanczos3));
        EXPECT_EQ(one.bytes, two.bytes);
    }
    omp_set_num_threads(omp_get_num_procs());
}

TEST(Resample, UnusableViewsAndAllocationFailuresLeaveTheDestination)
{
    const Image src = random_image(16, 16, 5, true);
    Image dst(8, 8);
    dst.fill(1, 2, 3, 4);
    const auto before = dst.bytes;
    Image wide(8, 8, 8);
    EXPECT_FALSE(resample(src.cview(), wide.view(), ResizeFilter::Box));  // formats differ
    EXPECT_FALSE(general_resize(src.cview(), dst.view(), 14));            // no such filter
    EXPECT_FALSE(resample({}, dst.view(), ResizeFilter::Box));
    ImageView shortRows = dst.view();
    shortRows.stride = 8;
    EXPECT_FALSE(resample(src.cview(), shortRows, ResizeFilter::Box));
    const std::size_t blocks = mem::live_blocks();
    for (long after = 0; after < 8; ++after) {
        mem::fail_allocations(after, 1);
        const bool ok = resample(src.cview(), dst.view(), ResizeFilter::Lanczos3);
        mem::reset_failures();
        if (ok) break;
        EXPECT_EQ(dst.bytes, before);
        EXPECT_EQ(mem::live_blocks(), blocks);
    }
}

TEST(Resample, OnePixelSourcesAndTargetsWork)
{
    Image src(1, 1);
    src.fill(9, 8, 7, 255);
    Image big(5, 3);
    ASSERT_TRUE(general_resize(src.cview(), big.view(), 8));
    for (int i = 0; i < 15; ++i) EXPECT_EQ(big.bytes[i * 4 + 1], 8);
    const Image many = random_image(300, 1, 2, true);
    Image one(1, 1);
    ASSERT_TRUE(general_resize(many.cview(), one.view(), 15));
    uint64_t sum = 0;
    for (int x = 0; x < 300; ++x) sum += many.bytes[x * 4];
    EXPECT_NEAR(one.bytes[0], double(sum) / 300.0, 0.51);
}

// The two compilations of the row loops must agree bit for bit, or results
// would depend on the processor.
TEST(ResampleRows, Avx2LoopsMatchTheBaselineBitForBit)
{
#if defined(__x86_64__)
    if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 here";
#else
    GTEST_SKIP() << "not an x86-64 processor";
#endif
    const rows::Kernels& base = rows::baseline_kernels();
    const rows::Kernels& fast = rows::avx2_kernels();
    std::mt19937 rng(21);
    constexpr int kIn = 300, kOut = 97, kTaps = 9;
    std::vector<uint8_t> source(kIn * 8 * kTaps);
    for (auto& b : source) b = static_cast<uint8_t>(rng());
    std::vector<int32_t> first(kOut), count(kOut);
    std::vector<float> weights(kOut * kTaps), wide(kOut * kTaps * 4);
    std::uniform_real_distribution<float> w(-0.3f, 1.0f);
    for (int x = 0; x < kOut; ++x) {
        count[x] = 1 + static_cast<int32_t>(rng() % kTaps);
        first[x] = static_cast<int32_t>(rng() % (kIn - count[x]));
        for (int k = 0; k < kTaps; ++k) {
            weights[x * kTaps + k] = w(rng);
            for (int c = 0; c < 4; ++c) wide[(x * kTaps + k) * 4 + c] = weights[x * kTaps + k];
        }
    }
    const rows::TapsView taps{first.data(), count.data(), weights.data(), wide.data(), kTaps};
    for (int kind = 0; kind < 4; ++kind)
        for (int p = 0; p < 2; ++p) {
            std::vector<uint8_t> a(kOut * 8, 1), b(kOut * 8, 1);
            base.horizontal[kind][p](source.data(), a.data(), kOut, taps);
            fast.horizontal[kind][p](source.data(), b.data(), kOut, taps);
            EXPECT_EQ(a, b) << "horizontal kind " << kind << " premultiplied " << p;
            if (!base.vertical[kind][p]) continue;
            // 75 pixels: strips of eight values and a four-value tail.
            std::vector<uint8_t> c(75 * 8, 1), d(75 * 8, 1);
            base.vertical[kind][p](source.data(), 75 * 8, kTaps, weights.data(), c.data(), 75 * 4);
            fast.vertical[kind][p](source.data(), 75 * 8, kTaps, weights.data(), d.data(), 75 * 4);
            EXPECT_EQ(c, d) << "vertical kind " << kind << " premultiplied " << p;
        }
}

// ---------------------------------------------------------------------------
// Against ImageMagick's -resize on a photograph

bool have_convert() { return std::system("command -v convert >/dev/null 2>&1") == 0; }

struct Picture {
    Rgba32Picture p;
    ~Picture() { release_picture(p); }
};

double mean_absolute_difference(const uint8_t* a, const uint8_t* b, std::size_t bytes)
{
    uint64_t sum = 0;
    for (std::size_t i = 0; i < bytes; ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return double(sum) / double(bytes);
}

struct Reference {
    ResizeFilter ours;
    const char* magick;  // options before -resize
};

TEST(ResampleAgainstImageMagick, EveryCommonFilterUpAndDownStaysWithinOneAndAHalfLevels)
{
    const std::filesystem::path photo = std::filesystem::path(MUR_TESTDATA_DIR) / "astronaut.png";
    if (!std::filesystem::exists(photo)) GTEST_SKIP() << "no test pictures at " << photo;
    if (!have_convert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    Picture source;
    ASSERT_TRUE(read_png(photo.c_str(), source.p));

    const Reference references[] = {
        {ResizeFilter::Box, "-filter Box"},
        {ResizeFilter::Triangle, "-filter Triangle"},
        {ResizeFilter::Hamming, "-filter Hamming"},
        {ResizeFilter::Gaussian, "-filter Gaussian"},
        {ResizeFilter::Bell, "-filter Quadratic"},
        {ResizeFilter::BSpline, "-filter Spline"},
        {ResizeFilter::Cubic1, "-filter Cubic -define filter:b=0 -define filter:c=1"},
        {ResizeFilter::Cubic2, "-filter Cubic -define filter:b=0 -define filter:c=0.75"},
        {ResizeFilter::Lanczos3, "-filter Lanczos"},
        {ResizeFilter::Mitchell, "-filter Mitchell"},
        {ResizeFilter::Sinc, "-filter Sinc"},
        {ResizeFilter::Hermite, "-filter Hermite"},
        {ResizeFilter::Hanning, "-filter Hanning"},
        {ResizeFilter::Catrom, "-filter Catrom"},
        {ResizeFilter::Bicubic, "-filter Catrom"},
        {ResizeFilter::Nearest, "-filter Point"},
    };
    const auto folder = std::filesystem::temp_directory_path() / ("mur_resample_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (int side : {317, 811}) {
        for (const Reference& ref : references) {
            const auto out = folder / "ref.png";
            const std::string command = "convert '" + photo.string() + "' " + ref.magick + " -resize " +
                                        std::to_string(side) + "x" + std::to_string(side) + "! '" + out.string() + "'";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            Picture expected;
            ASSERT_TRUE(read_png(out.c_str(), expected.p));
            ASSERT_EQ(expected.p.width, side);
            std::vector<uint8_t> ours(std::size_t(side) * side * 4);
            ASSERT_TRUE(resample(ConstImageView(source.p.pixels, 512, 512, 2048, 4),
                                 rgba32_view(ours.data(), side, side, side * 4), ref.ours));
            const double mad = mean_absolute_difference(ours.data(), expected.p.pixels, ours.size());
            EXPECT_LT(mad, 1.5) << filter_record(ref.ours)->name << " to " << side << ": " << ref.magick;
            RecordProperty(std::string(filter_record(ref.ours)->name) + "_" + std::to_string(side), std::to_string(mad));
        }
    }
    // Area averaging is ImageMagick's -scale when shrinking.
    const auto out = folder / "scale.png";
    const std::string command = "convert '" + photo.string() + "' -scale 317x317! '" + out.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    Picture expected;
    ASSERT_TRUE(read_png(out.c_str(), expected.p));
    std::vector<uint8_t> ours(317 * 317 * 4);
    ASSERT_TRUE(decimate(ConstImageView(source.p.pixels, 512, 512, 2048, 4), rgba32_view(ours.data(), 317, 317, 317 * 4)));
    EXPECT_LT(mean_absolute_difference(ours.data(), expected.p.pixels, ours.size()), 1.5) << "area average";
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace mur::imaging
