// Normal's blend of a partly covered pixel, decided in double precision when
// that is certain to give the integers the layer merge's extended precision
// gives.
//
// Each output before its truncation is, in exact arithmetic,
//     colour: t = (c Sa + d Da (1 - Sa)) / Ao,  capped at 65280
//     alpha:  65535 Ao,  with Ao = Sa + Da (1 - Sa)
// where c, d are 16-bit colours. Both the extended-precision arithmetic and
// this one compute these from non-negative terms; the only subtraction,
// 1 - Sa, is exact or off by one rounding of Sa, and Ao is at least Da and at
// least Sa. So c Sa / Ao is at most c and d Da err(1 - Sa) / Ao at most
// d err(1 - Sa): every error stays below 65536 times a few units in the last
// place, under 1e-10 in double and far less in extended precision. Where no
// output lies within kMargin (1e-6) of an integer, truncating either value
// gives the same integer. Otherwise, and that is rare, the function declines
// and the caller runs the extended-precision arithmetic.
//
// Over an opaque destination Da is exactly 1 and Ao = Sa + (1 - Sa) rounds to
// exactly 1 in any binary precision (with Sa >= 1/2 the subtraction is exact;
// below, 1 - Sa is off by at most half a unit of [1/2, 1), and the sum then
// rounds, ties to even, back to 1), so the alpha is 65535 in both.
#pragma once

#include <cstdint>

namespace mur::blend {

inline bool normal_blend_fast(const int32_t c[3], int32_t u, int32_t destAlpha, const uint16_t d[3],
                              uint16_t out[4]) noexcept
{
    constexpr double kMargin = 1e-6;
    // Every value here is at least 0, so the truncation is the floor.
    const auto near_integer = [](double v, int32_t whole) {
        const double f = v - whole;
        return f < kMargin || f > 1 - kMargin;
    };
    const double sa = u * (1.0 / 65535), da = destAlpha * (1.0 / 65535);
    const double k = 1 - sa;
    const double ao = sa + da * k;
    if (destAlpha == 65535) {
        out[3] = 65535;
    } else {
        const double alpha = ao * 65535;
        const auto whole = static_cast<int32_t>(alpha);
        if (near_integer(alpha, whole)) return false;
        out[3] = static_cast<uint16_t>(whole);
    }
    const double inverse = 1 / ao;
    for (int i = 0; i < 3; ++i) {
        if (c[i] == 0 && d[i] == 0) {  // exactly 0 either way
            out[i] = 0;
            continue;
        }
        const double t = (c[i] * sa + d[i] * da * k) * inverse;
        if (t >= 65280 + kMargin) {
            out[i] = 65280;
        } else {
            const auto whole = static_cast<int32_t>(t);
            if (near_integer(t, whole)) return false;
            out[i] = static_cast<uint16_t>(whole);
        }
    }
    return true;
}

}  // namespace mur::blend
