// The row kernels of the plain dab: the exact divisions they use, the
// portable kernel against a direct 64-bit reading of the mix-mode-32 rule,
// and the AVX2 kernel against the portable one, byte for byte.
#include "paint/plain_dab_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace mur::test {
namespace {

using plain_dab::PlainRow;
using plain_dab::RowKernels;

// Multiples k * n and their neighbours k * n - 1 are where a floor division
// that is slightly off shows: the smallest k, the largest below 2^32, those
// around a 16-bit quotient, and a spread between.
std::vector<uint64_t> boundary_multipliers(uint64_t n)
{
    const uint64_t top = 0xFFFFFFFFull / n;
    std::vector<uint64_t> ks;
    for (uint64_t k = 1; k <= std::min<uint64_t>(top, 24); ++k) ks.push_back(k);
    for (uint64_t k = top > 24 ? top - 24 : 1; k <= top; ++k) ks.push_back(k);
    for (uint64_t k : {65534ull, 65535ull, 65536ull, 65537ull})
        if (k <= top) ks.push_back(k);
    for (uint64_t k = 1; k <= top; k += std::max<uint64_t>(top / 48, 1)) ks.push_back(k);
    return ks;
}

TEST(PlainDabDivision, DoubleQuotientIsExactAtEveryBoundary)
{
    for (uint64_t n = 1; n <= 65536; ++n) {
        const uint32_t d = static_cast<uint32_t>(n);
        for (uint64_t k : boundary_multipliers(n)) {
            for (uint64_t p : {k * n - 1, k * n}) {
                const uint32_t x = static_cast<uint32_t>(p);
                if (plain_dab::divide_exact(x, d) != x / d) FAIL() << x << " / " << d;
            }
        }
        const uint32_t largest = 0xFFFFFFFFu;
        if (plain_dab::divide_exact(largest, d) != largest / d) FAIL() << "largest / " << d;
    }
}

TEST(PlainDabDivision, ReciprocalIsExactAtEveryBoundary)
{
    plain_dab::Reciprocal inverse;
    for (uint64_t n = 1; n <= 65536; ++n) {
        const uint32_t d = static_cast<uint32_t>(n);
        inverse.set(d);
        for (uint64_t k : boundary_multipliers(n)) {
            for (uint64_t p : {k * n - 1, k * n}) {
                const uint32_t x = static_cast<uint32_t>(p);
                if (inverse.divide(x) != x / d) FAIL() << x << " / " << d;
            }
        }
        if (inverse.divide(0xFFFFFFFFu) != 0xFFFFFFFFu / d) FAIL() << "largest / " << d;
    }
}

// The plain dab read directly, with 64-bit arithmetic and the division
// operator.
void paint_reference(const PlainRow& r)
{
    for (int32_t x = r.left; x < r.right; ++x) {
        const int32_t u = r.steps[x - r.left];
        if (r.grit && int32_t{r.grit[u]} > r.density) continue;
        uint64_t a = r.shape[u];
        if (r.alphaScale < 128) a = (a * r.alphaScale) >> 7;
        if (r.texture && r.texture[x] < 255) a = (r.texture[x] * a) >> 8;
        if (r.mask && r.maskOnCoverage && r.mask[x] < 65535) a = (r.mask[x] * a) >> 16;
        if (a == 0) continue;
        if (r.solid) a = 65535;
        uint16_t* d = r.target + 4 * x;
        const uint64_t da = d[3], sigma = (a * r.colour[3]) >> 16;
        uint64_t n = sigma;
        if (da == 0) {
            for (int c = 0; c < 3; ++c) d[c] = static_cast<uint16_t>(r.colour[c]);
        } else {
            n = (((65535 - da) * sigma) >> 16) + da;
            for (int c = 0; c < 3; ++c) {
                const uint64_t p1 = ((65535 - sigma) * ((d[c] * da) >> 16)) & ~uint64_t{0xFFFF};
                const uint64_t p2 = (sigma * r.colour[c]) & ~uint64_t{0xFFFF};
                d[c] = static_cast<uint16_t>(std::min<uint64_t>((p1 + p2) / n, 65535));
            }
        }
        if (r.writeAlpha) {
            if (r.mask && !r.maskOnCoverage) n = std::min<uint64_t>(n, r.mask[x]);
            d[3] = static_cast<uint16_t>(n);
        }
    }
}

// A random row with its own buffers: target pixels transparent, opaque and
// between, shape values 0, full and between, masks and textures likewise,
// and shape columns that run on, repeat or jump.
struct RandomRow {
    static constexpr int32_t kShape = 96;
    std::vector<uint16_t> target, mask, shape;
    std::vector<uint8_t> texture, grit;
    std::vector<int32_t> steps;
    PlainRow row{};

    RandomRow(std::mt19937& random, int32_t width, int flags, bool solid, bool writeAlpha, bool scaled)
    {
        auto pick16 = [&](int zeros, int fulls) -> uint16_t {
            const uint32_t roll = random() % 100;
            if (roll < uint32_t(zeros)) return 0;
            if (roll < uint32_t(zeros + fulls)) return 65535;
            return static_cast<uint16_t>(random());
        };
        const int32_t left = static_cast<int32_t>(random() % 6);
        const int32_t pixels = left + width + 3;  // untouched pixels on both sides
        target.resize(std::size_t(pixels) * 4);
        for (int32_t x = 0; x < pixels; ++x) {
            for (int c = 0; c < 3; ++c) target[4 * x + c] = static_cast<uint16_t>(random());
            target[4 * x + 3] = pick16(30, 30);
        }
        shape.resize(kShape);
        for (uint16_t& s : shape) s = pick16(15, 30);
        grit.resize(kShape);
        for (uint8_t& g : grit) g = random() % 3 == 0 ? 255 : static_cast<uint8_t>(random());
        mask.resize(std::size_t(pixels));
        for (uint16_t& m : mask) m = pick16(20, 40);
        texture.resize(std::size_t(pixels));
        for (uint8_t& t : texture) t = random() % 3 == 0 ? 255 : random() % 5 == 0 ? 0 : static_cast<uint8_t>(random());

        steps.resize(std::size_t(width));
        const uint32_t kind = random() % 4;
        const int32_t start = static_cast<int32_t>(random() % (kShape - width + 1));
        for (int32_t k = 0; k < width; ++k) {
            if (kind == 0) steps[k] = start + k;                                     // one to one
            else if (kind == 1) steps[k] = static_cast<int32_t>(random() % kShape);  // anywhere
            else if (kind == 2) steps[k] = std::min(start + k * 2 / 3, kShape - 1);  // enlarged: repeats
            else steps[k] = random() % 9 == 0 ? static_cast<int32_t>(random() % kShape) : start + k;  // mostly on
        }

        row.target = target.data();
        row.mask = (flags & (plain_dab::kMaskOnCoverage | plain_dab::kMaskCapsAlpha)) ? mask.data() : nullptr;
        row.maskOnCoverage = (flags & plain_dab::kMaskOnCoverage) != 0;
        row.texture = (flags & plain_dab::kWithTexture) ? texture.data() : nullptr;
        row.grit = (flags & plain_dab::kWithGrit) ? grit.data() : nullptr;
        row.shape = shape.data();
        row.steps = steps.data();
        row.left = left;
        row.right = left + width;
        for (int c = 0; c < 3; ++c) row.colour[c] = random() % 4 == 0 ? pick16(50, 50) : static_cast<uint16_t>(random() & 0xFF00);
        row.colour[3] = random() % 3 == 0 ? pick16(20, 0) : 65535;
        row.alphaScale = scaled ? static_cast<uint32_t>(random() % 128) : 128;
        const int32_t densities[] = {-1, 0, 127, 254, 255, static_cast<int32_t>(random() % 256)};
        row.density = densities[random() % 6];
        row.solid = solid;
        row.writeAlpha = writeAlpha;
    }
};

std::string describe(const PlainRow& r, int flags)
{
    return "flags " + std::to_string(flags) + ", width " + std::to_string(r.right - r.left) + ", left " +
           std::to_string(r.left) + ", solid " + std::to_string(r.solid) + ", alpha " + std::to_string(r.writeAlpha) +
           ", scale " + std::to_string(r.alphaScale) + ", density " + std::to_string(r.density);
}

// Runs `check` on random rows of every kind: each kernel choice, solid or
// not, alpha written or not, coverage scaled or not, widths 1..70.
template <class Check>
void for_random_rows(uint32_t seed, Check check)
{
    std::mt19937 random(seed);
    for (int flags = 0; flags < 16; ++flags) {
        if ((flags & plain_dab::kMaskOnCoverage) && (flags & plain_dab::kMaskCapsAlpha)) continue;
        for (int variant = 0; variant < 8; ++variant) {
            for (int32_t width = 1; width <= 70; ++width) {
                RandomRow r(random, width, flags, variant & 1, (variant & 2) != 0, (variant & 4) != 0);
                ASSERT_EQ(plain_dab::kernel_index(r.row), flags);
                check(r, flags);
                if (::testing::Test::HasFatalFailure()) return;
            }
        }
    }
}

TEST(PlainDabRows, PortableKernelFollowsTheRule)
{
    for_random_rows(1, [](RandomRow& r, int flags) {
        std::vector<uint16_t> expected = r.target;
        PlainRow reference = r.row;
        reference.target = expected.data();
        paint_reference(reference);
        plain_dab::portable_rows().paint(r.row);
        ASSERT_EQ(r.target, expected) << describe(r.row, flags);
    });
}

TEST(PlainDabRows, Avx2KernelMatchesThePortableOneByteForByte)
{
    if (!plain_dab::avx2_available()) GTEST_SKIP() << "no AVX2 on this processor";
    for_random_rows(2, [](RandomRow& r, int flags) {
        std::vector<uint16_t> expected = r.target;
        PlainRow portable = r.row;
        portable.target = expected.data();
        plain_dab::portable_rows().paint(portable);
        plain_dab::avx2_rows().paint(r.row);
        ASSERT_EQ(r.target, expected) << describe(r.row, flags);
    });
}

// A row of four pixels, one shape value each, for the rules by example.
struct FourPixels {
    uint16_t target[16] = {10000, 20000, 30000, 0,      10000, 20000, 30000, 32768,
                           10000, 20000, 30000, 65535,  10000, 20000, 30000, 40000};
    uint16_t shape[4] = {40000, 40000, 0, 65535};
    uint8_t grit[4] = {0, 0, 0, 200};
    int32_t steps[4] = {0, 1, 2, 3};
    PlainRow row{};
    FourPixels()
    {
        row.target = target;
        row.shape = shape;
        row.steps = steps;
        row.left = 0;
        row.right = 4;
        row.colour[0] = 0x8000, row.colour[1] = 0x4000, row.colour[2] = 0x2000, row.colour[3] = 65535;
        row.alphaScale = 128;
        row.density = 254;
        row.writeAlpha = true;
    }
};

std::vector<const RowKernels*> kernels_here()
{
    std::vector<const RowKernels*> sets{&plain_dab::portable_rows()};
    if (plain_dab::avx2_available()) sets.push_back(&plain_dab::avx2_rows());
    return sets;
}

TEST(PlainDabRows, ColourGoesOntoTransparentAndBlendsOverPaint)
{
    for (const RowKernels* kernels : kernels_here()) {
        FourPixels p;
        kernels->paint(p.row);
        // Transparent: the colour, alpha (40000 * 65535) >> 16.
        EXPECT_EQ(std::vector<uint16_t>(p.target, p.target + 4), (std::vector<uint16_t>{0x8000, 0x4000, 0x2000, 39999}));
        // Over alpha 32768: sigma = 39999, N = ((65535 - 32768) * 39999) >> 16 + 32768 = 52766; red:
        // P1 = (25536 * 5000) & ~0xFFFF = 127664128, P2 = (39999 * 32768) & ~0xFFFF = 1310654464, (P1 + P2) / N.
        EXPECT_EQ(p.target[4], 27258);
        EXPECT_EQ(p.target[7], 52766);
        // Full coverage over alpha 40000: sigma 65534, N = (25535 * 65534) >> 16 + 40000.
        EXPECT_EQ(p.target[15], 65534);
    }
}

TEST(PlainDabRows, ZeroCoverageAndGrainHolesLeaveThePixel)
{
    for (const RowKernels* kernels : kernels_here()) {
        FourPixels p;
        p.row.grit = p.grit;
        p.row.density = 199;  // the grain byte 200 of pixel 3 lies above it
        kernels->paint(p.row);
        EXPECT_EQ(std::vector<uint16_t>(p.target + 8, p.target + 16),
                  (std::vector<uint16_t>{10000, 20000, 30000, 65535, 10000, 20000, 30000, 40000}));
        EXPECT_EQ(p.target[3], 39999);
    }
}

TEST(PlainDabRows, MaskCapsTheAlphaOrWeighsTheCoverage)
{
    for (const RowKernels* kernels : kernels_here()) {
        const uint16_t mask[4] = {1000, 65535, 65535, 32768};
        FourPixels capped;
        capped.row.mask = mask;
        kernels->paint(capped.row);
        EXPECT_EQ(capped.target[3], 1000);
        EXPECT_EQ(capped.target[0], 0x8000);
        EXPECT_EQ(capped.target[15], 32768);

        FourPixels weighed;
        weighed.row.mask = mask;
        weighed.row.maskOnCoverage = true;
        kernels->paint(weighed.row);
        EXPECT_EQ(weighed.target[3], (((1000u * 40000u) >> 16) * 65535u) >> 16);  // 609
    }
}

TEST(PlainDabRows, WithoutAlphaWritesTheColourOnly)
{
    for (const RowKernels* kernels : kernels_here()) {
        FourPixels p;
        p.row.writeAlpha = false;
        kernels->paint(p.row);
        EXPECT_EQ(p.target[0], 0x8000);
        EXPECT_EQ(p.target[3], 0);
        EXPECT_EQ(p.target[7], 32768);
    }
}

}  // namespace
}  // namespace mur::test
