#include "imaging/added_noise.h"

#include "imaging/effect_support.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mur::imaging {
namespace {

// Draws are 16-bit: each one picks an entry of a table of the shape's
// quantiles at the midpoints of 65536 equal slices of probability.
constexpr int kDrawBits = 16;
constexpr int kTableSize = 1 << kDrawBits;

// The standard normal quantile (P. J. Acklam's rational approximation,
// relative error below 1.2e-9).
double normal_quantile(double p) noexcept
{
    static constexpr double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                                   1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
    static constexpr double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                                   6.680131188771972e+01,  -1.328068155288572e+01};
    static constexpr double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                                   -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
    static constexpr double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                                   3.754408661907416e+00};
    constexpr double low = 0.02425;
    if (p < low) {
        const double q = std::sqrt(-2 * std::log(p));
        return (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
               ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    }
    if (p > 1 - low) return -normal_quantile(1 - p);
    const double q = p - 0.5, r = q * q;
    return (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
           (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
}

// 64 well-mixed bits of a 64-bit counter (the SplitMix64 finaliser).
inline uint64_t mix64(uint64_t z) noexcept
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

double noise_quantile(NoiseShape shape, double p) noexcept
{
    p = std::clamp(p, 1e-12, 1 - 1e-12);
    switch (shape) {
    case NoiseShape::Gaussian:
        return normal_quantile(p);
    case NoiseShape::NegativeExponential:
        return -std::log1p(-p) - 1;  // mean 1, deviation 1
    case NoiseShape::Rayleigh: {
        constexpr double mean = 1.2533141373155003;       // sqrt(pi / 2)
        constexpr double deviation = 0.65513637756203358;  // sqrt((4 - pi) / 2)
        return (std::sqrt(-2 * std::log1p(-p)) - mean) / deviation;
    }
    case NoiseShape::Uniform:
        return (2 * p - 1) * std::numbers::sqrt3;
    }
    return 0;
}

bool add_shaped_noise(const ConstImageView& src, const ImageView& dst, NoiseShape shape, double sigma,
                      uint32_t seed) noexcept
{
    if (!fx::same_shape(src, dst) || src.bytesPerPixel != 4) return false;
    const mem::Owned<int16_t> table = fx::temporary<int16_t>(kTableSize);
    if (!table) return false;
    const double k = std::isfinite(sigma) ? std::clamp(sigma, 0.0, 255.0) : 0.0;
    for (int i = 0; i < kTableSize; ++i) {
        const double v = k * noise_quantile(shape, (i + 0.5) / kTableSize);
        table.get()[i] = static_cast<int16_t>(std::lround(std::clamp(v, -512.0, 512.0)));
    }
    const int16_t* offsets = table.get();
    const int32_t width = src.width;
    const uint64_t key = uint64_t{seed} << 32;
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < src.height; ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = dst.row(y);
        const uint64_t rowKey = (key ^ (uint64_t(uint32_t(y)) * 0x9E3779B97F4A7C15ull)) + 1;
        for (int32_t x = 0; x < width; ++x, s += 4, d += 4) {
            const uint64_t bits = mix64(rowKey + uint64_t(uint32_t(x)) * 0xD1B54A32D192ED03ull);
            const int r = s[0] + offsets[bits & 0xFFFF];
            const int g = s[1] + offsets[(bits >> 16) & 0xFFFF];
            const int b = s[2] + offsets[(bits >> 32) & 0xFFFF];
            d[0] = fx::clamp8i(r);
            d[1] = fx::clamp8i(g);
            d[2] = fx::clamp8i(b);
            d[3] = s[3];
        }
    }
    return true;
}

}  // namespace mur::imaging
