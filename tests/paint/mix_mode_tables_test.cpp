// The per-pixel arithmetic of the mix modes as the two users read it: the
// pick-up buffer's (a buffer colour transformed by the layer colour under it)
// and the grit dab's (the colour a mode makes of the target and the dab
// colour). Each case is a chosen pixel with its result worked out by hand
// from the mode's formula, branch boundaries included.
#include "engine/random.h"
#include "paint/mix_modes.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <ostream>

namespace mur {
namespace {

using Rgb = std::array<uint32_t, 3>;

constexpr uint16_t kBankR[4] = {1000, 11000, 21000, 31000};
constexpr uint16_t kBankG[4] = {2000, 12000, 22000, 32000};
constexpr uint16_t kBankB[4] = {3000, 13000, 23000, 33000};
constexpr uint16_t kColour[4] = {65280, 0, 32768, 65535};

// ---- Pick-up buffer modes ----

struct BufferCase {
    int32_t mode;
    Rgb buffer;
    Rgb layer;
    Rgb colour;      // the buffer colour after the mode
    uint32_t alpha;  // the buffer alpha after the mode (60000 before, the layer's 50000)
};

std::ostream& operator<<(std::ostream& out, const BufferCase& c)
{
    return out << "mode " << c.mode << " buffer " << c.buffer[0] << "," << c.buffer[1] << "," << c.buffer[2];
}

class BufferModeTable : public ::testing::TestWithParam<BufferCase> {};

// The buffer colour and alpha after the mode: the buffer pixel is mixed over
// the layer pixel.
std::pair<Rgb, uint32_t> buffer_after(int32_t mode, const Rgb& buffer, const Rgb& layer, int32_t bias = 0)
{
    const mix::ColourBanks banks{kBankR, kBankG, kBankB, kColour, bias};
    const mix::Mixed m = mix::mix_colour(mode, layer.data(), buffer.data(), banks);
    const uint32_t alpha = m.alpha == mix::MixedAlpha::base ? 50000 : m.alpha == mix::MixedAlpha::luminance ? mix::mean(buffer.data()) : 60000;
    return {Rgb{m.m[0], m.m[1], m.m[2]}, alpha};
}

TEST_P(BufferModeTable, TransformsTheBufferPixel)
{
    const BufferCase c = GetParam();
    const auto [colour, alpha] = buffer_after(c.mode, c.buffer, c.layer);
    EXPECT_EQ(colour, c.colour);
    EXPECT_EQ(alpha, c.alpha);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, BufferModeTable,
    ::testing::Values(
        BufferCase{33, {20000, 30000, 1000}, {40000, 10000, 65535}, {12207, 4577, 999}, 60000},
        BufferCase{34, {20000, 30000, 1000}, {40000, 10000, 65535}, {47794, 35423, 65535}, 60000},
        BufferCase{35, {20000, 30000, 1000}, {40000, 10000, 65535}, {20000, 10000, 1000}, 60000},
        BufferCase{36, {20000, 30000, 1000}, {40000, 10000, 65535}, {40000, 30000, 65535}, 60000},
        BufferCase{37, {20000, 30000, 1000}, {40000, 10000, 65535}, {20000, 20000, 64535}, 60000},
        BufferCase{38, {20000, 30000, 1000}, {40000, 10000, 65535}, {60000, 40000, 64535}, 60000},
        BufferCase{39, {20000, 30000, 1000}, {40000, 10000, 65535}, {35586, 30845, 64536}, 60000},
        BufferCase{40, {20000, 30000, 1000}, {40000, 10000, 65535}, {30052, 9155, 65535}, 60000},
        BufferCase{41, {20000, 30000, 1000}, {40000, 10000, 65535}, {24414, 9155, 1999}, 60000},
        BufferCase{42, {20000, 30000, 1000}, {40000, 10000, 65535}, {33927, 9284, 65535}, 60000},
        BufferCase{43, {20000, 30000, 1000}, {40000, 10000, 65535}, {57569, 18442, 65535}, 60000},
        BufferCase{44, {20000, 30000, 1000}, {40000, 10000, 65535}, {0, 0, 65535}, 60000},
        BufferCase{45, {20000, 30000, 1000}, {40000, 10000, 65535}, {35137, 2814, 65535}, 60000},
        BufferCase{46, {20000, 30000, 1000}, {40000, 10000, 65535}, {15664, 16205, 65535}, 60000},
        BufferCase{47, {20000, 30000, 1000}, {40000, 10000, 65535}, {60000, 40000, 65535}, 60000},
        BufferCase{48, {20000, 30000, 1000}, {40000, 10000, 65535}, {0, 0, 1000}, 60000},
        BufferCase{40, {30000, 40000, 50000}, {20000, 32766, 32767}, {18310, 39997, 50000}, 60000},
        BufferCase{41, {20000, 32766, 32767}, {30000, 40000, 50000}, {18310, 39997, 50000}, 60000},
        BufferCase{43, {65535, 65534, 32768}, {1000, 2000, 3000}, {65535, 65535, 6000}, 60000},
        BufferCase{44, {0, 1, 40000}, {1000, 50000, 65535}, {0, 0, 65535}, 60000},
        BufferCase{48, {1000, 2000, 3000}, {1000, 2000, 3000}, {0, 0, 0}, 60000},
        BufferCase{249, {12000, 15000, 18000}, {40000, 10000, 65535}, {1000, 2000, 3000}, 60000},
        BufferCase{249, {30000, 36000, 33000}, {40000, 10000, 65535}, {11000, 12000, 13000}, 60000},
        BufferCase{250, {12000, 15000, 18000}, {40000, 10000, 65535}, {1000, 2000, 3000}, 60000},
        BufferCase{250, {20000, 30000, 25000}, {40000, 10000, 65535}, {11000, 12000, 13000}, 60000},
        BufferCase{250, {50000, 40000, 45000}, {40000, 10000, 65535}, {21000, 22000, 23000}, 60000},
        BufferCase{251, {3000, 6000, 9000}, {40000, 10000, 65535}, {1000, 2000, 3000}, 60000},
        BufferCase{251, {20000, 30000, 25000}, {40000, 10000, 65535}, {11000, 12000, 13000}, 60000},
        BufferCase{251, {50000, 40000, 45000}, {40000, 10000, 65535}, {21000, 22000, 23000}, 60000},
        BufferCase{251, {60000, 55000, 62000}, {40000, 10000, 65535}, {31000, 32000, 33000}, 60000},
        BufferCase{252, {20000, 30000, 25000}, {40000, 10000, 65535}, {8617, 9617, 10617}, 60000},
        BufferCase{252, {50000, 40000, 45000}, {40000, 10000, 65535}, {14710, 15710, 16710}, 60000},
        BufferCase{253, {12000, 15000, 18000}, {40000, 10000, 65535}, {1000, 2000, 3000}, 60000},
        BufferCase{253, {50000, 40000, 45000}, {40000, 10000, 65535}, {40000, 10000, 65535}, 60000},
        BufferCase{254, {12000, 15000, 18000}, {40000, 10000, 65535}, {40000, 10000, 65535}, 60000},
        BufferCase{254, {50000, 40000, 45000}, {40000, 10000, 65535}, {1000, 2000, 3000}, 60000},
        BufferCase{255, {3000, 6000, 9000}, {40000, 10000, 65535}, {1000, 2000, 3000}, 60000},
        BufferCase{255, {30000, 36000, 33000}, {40000, 10000, 65535}, {30000, 36000, 33000}, 60000},
        BufferCase{255, {60000, 55000, 62000}, {40000, 10000, 65535}, {11000, 12000, 13000}, 60000},
        BufferCase{256, {20478, 20478, 20478}, {40000, 10000, 65535}, {40000, 10000, 65535}, 50000},
        BufferCase{256, {20479, 20479, 20479}, {40000, 10000, 65535}, {20479, 20479, 20479}, 60000},
        BufferCase{257, {49151, 49151, 49151}, {40000, 10000, 65535}, {49151, 49151, 49151}, 60000},
        BufferCase{257, {49152, 49152, 49152}, {40000, 10000, 65535}, {40000, 10000, 65535}, 50000},
        BufferCase{258, {3000, 6000, 9000}, {40000, 10000, 65535}, {40000, 10000, 65535}, 50000},
        BufferCase{258, {30000, 36000, 33000}, {40000, 10000, 65535}, {30000, 36000, 33000}, 60000},
        BufferCase{258, {60000, 55000, 62000}, {40000, 10000, 65535}, {40000, 10000, 65535}, 50000},
        BufferCase{259, {12287, 12287, 12287}, {40000, 10000, 65535}, {1000, 2000, 3000}, 60000},
        BufferCase{259, {12288, 12288, 12288}, {40000, 10000, 65535}, {40000, 10000, 65535}, 50000},
        BufferCase{260, {57343, 57343, 57343}, {40000, 10000, 65535}, {1000, 2000, 3000}, 60000},
        BufferCase{260, {30000, 36000, 33000}, {40000, 10000, 65535}, {40000, 10000, 65535}, 50000},
        BufferCase{261, {10921, 32766, 54612}, {40000, 10000, 65535}, {0, 21845, 43690}, 60000},
        BufferCase{261, {10922, 32767, 54613}, {40000, 10000, 65535}, {21845, 43690, 65535}, 60000},
        BufferCase{262, {21844, 43689, 43690}, {40000, 10000, 65535}, {0, 32767, 65535}, 60000},
        BufferCase{340, {50000, 40000, 45000}, {40000, 10000, 65535}, {32767, 32767, 32767}, 45000},
        BufferCase{387, {20000, 20000, 20000}, {40000, 10000, 65535}, {20000, 20000, 20000}, 60000},
        BufferCase{387, {60000, 60000, 60000}, {40000, 10000, 65535}, {40000, 10000, 65535}, 60000},
        BufferCase{388, {20000, 20000, 20000}, {40000, 10000, 65535}, {40000, 10000, 65535}, 60000},
        BufferCase{388, {60000, 60000, 60000}, {40000, 10000, 65535}, {60000, 60000, 60000}, 60000},
        BufferCase{425, {20000, 30000, 25000}, {40000, 10000, 65535}, {49725, 0, 24960}, 60000},
        BufferCase{425, {50000, 40000, 45000}, {40000, 10000, 65535}, {65374, 24319, 44927}, 60000},
        BufferCase{32, {20000, 30000, 1000}, {40000, 10000, 65535}, {20000, 30000, 1000}, 60000},
        BufferCase{100, {20000, 30000, 1000}, {40000, 10000, 65535}, {20000, 30000, 1000}, 60000},
        BufferCase{426, {20000, 30000, 1000}, {40000, 10000, 65535}, {20000, 30000, 1000}, 60000}));

TEST(BufferModeTable, PosterizeDropsTheBiasBitsModuloThirtyTwo)
{
    const Rgb layer{1, 2, 3};
    for (const auto& [bias, kept] : {std::pair{4, 0xFFF0u}, std::pair{16, 0u}, std::pair{-16, 0u}}) {
        const auto [colour, alpha] = buffer_after(295, {0x1234, 0xABCD, 0xFFFF}, layer, bias);
        // -16 modulo 32 is 16: every bit of a 16-bit channel goes.
        EXPECT_EQ(colour, (Rgb{0x1234 & kept, 0xABCD & kept, 0xFFFF & kept})) << "bias " << bias;
        EXPECT_EQ(alpha, 60000u);
    }
}

// The modes are pure: exactly the two flagged ones make their loop draw one
// number, and the function itself draws none.
TEST(MixModeList, OnlyTheFlaggedModesDrawAndTheFunctionNever)
{
    const Rgb base{1, 2, 3}, over{100, 100, 100};
    for (int32_t mode = 0; mode < 500; ++mode) {
        EXPECT_EQ(mix::draws_random(mode), mode == 253 || mode == 254) << "mode " << mode;
        rng_seed(7);
        const int32_t first = rng_next();
        rng_seed(7);
        mix::mix_colour(mode, base.data(), over.data(), {kBankR, kBankG, kBankB, kColour, 0});
        EXPECT_EQ(rng_next(), first) << "mode " << mode;
    }
}

// ---- Grit dab modes ----

struct DabCase {
    int32_t mode;
    Rgb target;
    Rgb dab;
    Rgb colour;  // the mode's colour m
    bool keep;   // the target stays with its alpha
};

std::ostream& operator<<(std::ostream& out, const DabCase& c)
{
    return out << "mode " << c.mode << " dab " << c.dab[0] << "," << c.dab[1] << "," << c.dab[2];
}

class DabModeTable : public ::testing::TestWithParam<DabCase> {};

TEST_P(DabModeTable, MakesTheModeColour)
{
    const DabCase c = GetParam();
    const mix::ColourBanks banks{kBankR, kBankG, kBankB, kColour, 0};
    const mix::Mixed m = mix::mix_colour(c.mode, c.target.data(), c.dab.data(), banks);
    EXPECT_EQ((Rgb{m.m[0], m.m[1], m.m[2]}), c.colour);
    EXPECT_EQ(m.alpha == mix::MixedAlpha::base, c.keep);
    EXPECT_FALSE(mix::mix_mode_flags(c.mode) & mix::kAmountExempt);
    EXPECT_NE(m.alpha, mix::MixedAlpha::luminance);
}

// Ids 100 and 426 have no row: the dab colour stands.
INSTANTIATE_TEST_SUITE_P(
    Modes, DabModeTable,
    ::testing::Values(
        DabCase{34, {40000, 10000, 65535}, {20000, 30000, 1000}, {47794, 35423, 65535}, false},
        DabCase{35, {40000, 10000, 65535}, {20000, 30000, 1000}, {20000, 10000, 1000}, false},
        DabCase{36, {40000, 10000, 65535}, {20000, 30000, 1000}, {40000, 30000, 65535}, false},
        DabCase{37, {40000, 10000, 65535}, {20000, 30000, 1000}, {20000, 20000, 64535}, false},
        DabCase{38, {40000, 10000, 65535}, {20000, 30000, 1000}, {60000, 40000, 64535}, false},
        DabCase{39, {40000, 10000, 65535}, {20000, 30000, 1000}, {35586, 30845, 64536}, false},
        DabCase{40, {40000, 10000, 65535}, {20000, 30000, 1000}, {30052, 9155, 65535}, false},
        DabCase{41, {40000, 10000, 65535}, {20000, 30000, 1000}, {24414, 9155, 1999}, false},
        DabCase{42, {40000, 10000, 65535}, {20000, 30000, 1000}, {33927, 9284, 65535}, false},
        DabCase{43, {40000, 10000, 65535}, {20000, 30000, 1000}, {57569, 18442, 65535}, false},
        DabCase{44, {40000, 10000, 65535}, {20000, 30000, 1000}, {0, 0, 65535}, false},
        DabCase{45, {40000, 10000, 65535}, {20000, 30000, 1000}, {35137, 2814, 65535}, false},
        DabCase{46, {40000, 10000, 65535}, {20000, 30000, 1000}, {15664, 16205, 65535}, false},
        DabCase{47, {40000, 10000, 65535}, {20000, 30000, 1000}, {60000, 40000, 65535}, false},
        DabCase{48, {40000, 10000, 65535}, {20000, 30000, 1000}, {0, 0, 1000}, false},
        DabCase{40, {20000, 32766, 32767}, {30000, 40000, 50000}, {18310, 39997, 50000}, false},
        DabCase{41, {30000, 40000, 50000}, {20000, 32766, 32767}, {18310, 39997, 50000}, false},
        DabCase{43, {1000, 2000, 3000}, {65535, 65534, 32768}, {65535, 65535, 6000}, false},
        DabCase{44, {1000, 50000, 65535}, {0, 1, 40000}, {0, 0, 65535}, false},
        DabCase{45, {30000, 65535, 1}, {65535, 60000, 0}, {65535, 65535, 0}, false},
        DabCase{46, {65535, 60000, 0}, {30000, 65535, 1}, {65535, 65535, 0}, false},
        DabCase{48, {1000, 2000, 3000}, {1000, 2000, 3000}, {0, 0, 0}, false},
        DabCase{249, {40000, 10000, 65535}, {12000, 15000, 18000}, {1000, 2000, 3000}, false},
        DabCase{249, {40000, 10000, 65535}, {30000, 36000, 33000}, {11000, 12000, 13000}, false},
        DabCase{250, {40000, 10000, 65535}, {12000, 15000, 18000}, {1000, 2000, 3000}, false},
        DabCase{250, {40000, 10000, 65535}, {20000, 30000, 25000}, {11000, 12000, 13000}, false},
        DabCase{250, {40000, 10000, 65535}, {50000, 40000, 45000}, {21000, 22000, 23000}, false},
        DabCase{251, {40000, 10000, 65535}, {3000, 6000, 9000}, {1000, 2000, 3000}, false},
        DabCase{251, {40000, 10000, 65535}, {20000, 30000, 25000}, {11000, 12000, 13000}, false},
        DabCase{251, {40000, 10000, 65535}, {50000, 40000, 45000}, {21000, 22000, 23000}, false},
        DabCase{251, {40000, 10000, 65535}, {60000, 55000, 62000}, {31000, 32000, 33000}, false},
        DabCase{252, {40000, 10000, 65535}, {20000, 30000, 25000}, {8617, 9617, 10617}, false},
        DabCase{252, {40000, 10000, 65535}, {50000, 40000, 45000}, {14710, 15710, 16710}, false},
        DabCase{253, {40000, 10000, 65535}, {12000, 15000, 18000}, {1000, 2000, 3000}, false},
        DabCase{253, {40000, 10000, 65535}, {50000, 40000, 45000}, {40000, 10000, 65535}, false},
        DabCase{254, {40000, 10000, 65535}, {12000, 15000, 18000}, {40000, 10000, 65535}, false},
        DabCase{254, {40000, 10000, 65535}, {50000, 40000, 45000}, {1000, 2000, 3000}, false},
        DabCase{255, {40000, 10000, 65535}, {3000, 6000, 9000}, {1000, 2000, 3000}, false},
        DabCase{255, {40000, 10000, 65535}, {30000, 36000, 33000}, {30000, 36000, 33000}, false},
        DabCase{255, {40000, 10000, 65535}, {60000, 55000, 62000}, {11000, 12000, 13000}, false},
        DabCase{256, {40000, 10000, 65535}, {3000, 6000, 9000}, {40000, 10000, 65535}, true},
        DabCase{256, {40000, 10000, 65535}, {30000, 36000, 33000}, {30000, 36000, 33000}, false},
        DabCase{257, {40000, 10000, 65535}, {30000, 36000, 33000}, {30000, 36000, 33000}, false},
        DabCase{257, {40000, 10000, 65535}, {60000, 55000, 62000}, {40000, 10000, 65535}, true},
        DabCase{258, {40000, 10000, 65535}, {3000, 6000, 9000}, {40000, 10000, 65535}, true},
        DabCase{258, {40000, 10000, 65535}, {30000, 36000, 33000}, {30000, 36000, 33000}, false},
        DabCase{258, {40000, 10000, 65535}, {60000, 55000, 62000}, {40000, 10000, 65535}, true},
        DabCase{259, {40000, 10000, 65535}, {3000, 6000, 9000}, {1000, 2000, 3000}, false},
        DabCase{259, {40000, 10000, 65535}, {12000, 15000, 18000}, {40000, 10000, 65535}, true},
        DabCase{260, {40000, 10000, 65535}, {60000, 55000, 62000}, {1000, 2000, 3000}, false},
        DabCase{260, {40000, 10000, 65535}, {60000, 60000, 60000}, {1000, 2000, 3000}, false},
        DabCase{260, {40000, 10000, 65535}, {30000, 36000, 33000}, {40000, 10000, 65535}, true},
        DabCase{261, {40000, 10000, 65535}, {10921, 32766, 54612}, {0, 21845, 43690}, false},
        DabCase{261, {40000, 10000, 65535}, {10922, 32767, 54613}, {21845, 43690, 65535}, false},
        DabCase{262, {40000, 10000, 65535}, {21844, 43689, 43690}, {0, 32767, 65535}, false},
        DabCase{387, {40000, 10000, 65535}, {20000, 20000, 20000}, {20000, 20000, 20000}, false},
        DabCase{387, {40000, 10000, 65535}, {60000, 60000, 60000}, {40000, 10000, 65535}, false},
        DabCase{388, {40000, 10000, 65535}, {20000, 20000, 20000}, {40000, 10000, 65535}, false},
        DabCase{388, {40000, 10000, 65535}, {60000, 60000, 60000}, {60000, 60000, 60000}, false},
        DabCase{425, {40000, 10000, 65535}, {20000, 30000, 25000}, {49725, 0, 24960}, false},
        DabCase{425, {40000, 10000, 65535}, {50000, 40000, 45000}, {65374, 24319, 44927}, false},
        DabCase{100, {40000, 10000, 65535}, {20000, 30000, 1000}, {20000, 30000, 1000}, false},
        DabCase{426, {40000, 10000, 65535}, {20000, 30000, 1000}, {20000, 30000, 1000}, false}));

TEST(DabModeTable, PosterizeAndGrayAreNotMixedByTheAmount)
{
    const Rgb target{40000, 10000, 65535}, dab{0x1234, 0xABCD, 0xFFFF};
    const mix::Mixed posterized = mix::mix_colour(295, target.data(), dab.data(), {kBankR, kBankG, kBankB, kColour, 8});
    EXPECT_EQ((Rgb{posterized.m[0], posterized.m[1], posterized.m[2]}), (Rgb{0x1200, 0xAB00, 0xFF00}));
    EXPECT_TRUE(mix::mix_mode_flags(295) & mix::kAmountExempt);
    EXPECT_EQ(posterized.alpha, mix::MixedAlpha::over);

    const mix::Mixed gray = mix::mix_colour(340, target.data(), dab.data(), {kBankR, kBankG, kBankB, kColour, 0});
    EXPECT_EQ((Rgb{gray.m[0], gray.m[1], gray.m[2]}), (Rgb{32767, 32767, 32767}));
    EXPECT_TRUE(mix::mix_mode_flags(340) & mix::kAmountExempt);
    EXPECT_EQ(gray.alpha, mix::MixedAlpha::luminance);
}

}  // namespace
}  // namespace mur
