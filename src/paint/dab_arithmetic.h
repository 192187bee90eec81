// The integer arithmetic every dab path shares: exact division through a
// reciprocal, and mix mode 32 (paint laid over a pixel by its coverage).
// The general row kernel, the portable plain kernel and the AVX2 plain
// kernel all follow `mix_normal`; the AVX2 one does its division in doubles
// as `divide_exact` does, and the tests hold the three to the same bytes.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mur::dab {

// Exact division of 32-bit values through a rounded-up reciprocal:
// floor(x / n) = (x * ceil(2^k / n)) >> k, taken as the high 64 bits of
// x * (ceil(2^k / n) << (64 - k)). Divisors of at most 16 bits use k = 48
// (n * r exceeds 2^48 by less than n <= 2^16, which keeps every 32-bit x
// exact) and need only a 64-bit division to set up; larger ones use k = 64.
// The reciprocal of the last divisor is kept: neighbouring pixels of a dab
// mostly share their result alpha.
struct Reciprocal {
    uint32_t n = 0;
    uint64_t r = 0;
    void set(uint32_t divisor) noexcept
    {
        if (divisor == n) return;
        n = divisor;
        if (divisor <= 1)
            r = 0;
        else if (divisor <= 65536)
            r = (((uint64_t{1} << 48) + divisor - 1) / divisor) << 16;
        else
            r = static_cast<uint64_t>((static_cast<unsigned __int128>(1) << 64) / divisor) + 1;
    }
    uint32_t divide(uint32_t x) const noexcept
    {
        return n == 1 ? x : static_cast<uint32_t>((static_cast<unsigned __int128>(x) * r) >> 64);
    }
};

// floor(p / n) in doubles, exact for p < 2^32 and 1 <= n <= 65536: the
// reciprocal 1 / n is rounded by less than 2^-53 relative, so p * (1 / n)
// lies within 2^-21 of p / n, and the fused add of 2^-18 is rounded by at
// most 2^-21 more. An integer quotient thus lands just above itself, and a
// fraction, which lies at least 1 / n >= 2^-16 below the next integer, stays
// below it: truncation gives the floor. The vector kernel divides this way,
// four lanes at a time (there p = P * 65536 and the reciprocal 65536 / n,
// the same product).
inline constexpr double kQuotientBias = 0x1p-18;
inline uint32_t divide_exact(uint32_t p, uint32_t n) noexcept
{
    return static_cast<uint32_t>(std::fma(static_cast<double>(p), 1.0 / n, kQuotientBias));
}

// Mix mode 32: paint of colour s (alpha s[3]) laid with coverage a over the
// pixel dst. Over a transparent pixel the paint's colour and its coverage-
// weighted alpha sigma stand. Otherwise the result alpha is
// n = ((65535 - da) sigma >> 16) + da and each channel the premultiplied mix
// P1 + P2 over n, where P1 and P2 (the kept and the laid parts, each with its
// low 16 bits cleared) are a blend of two products below 2^32, so their sum
// fits 32 bits. Returns n; `out` gets the colour, capped at 65535: without
// pick-up the quotient can reach 65536 (a full dab colour 65535 over a pixel
// whose rounding leaves (P1 + P2) / n just above it).
inline uint32_t mix_normal(uint32_t a, const uint32_t s[4], const uint16_t dst[4], uint32_t out[3],
                           Reciprocal& inverse) noexcept
{
    const uint32_t da = dst[3];
    const uint32_t sigma = (a * s[3]) >> 16;
    if (da == 0) {
        out[0] = s[0], out[1] = s[1], out[2] = s[2];
        return sigma;
    }
    const uint32_t n = (((65535 - da) * sigma) >> 16) + da;
    inverse.set(n);
    const uint32_t keep = 65535 - sigma;
    for (int i = 0; i < 3; ++i) {
        const uint32_t p1 = (keep * ((uint32_t{dst[i]} * da) >> 16)) & ~uint32_t{0xFFFF};
        const uint32_t p2 = (sigma * s[i]) & ~uint32_t{0xFFFF};
        out[i] = std::min<uint32_t>(inverse.divide(p1 + p2), 65535);
    }
    return n;
}

}  // namespace mur::dab
