#include "imaging/distortion_maps.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace mur::imaging {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

bool finite(std::initializer_list<double> values) noexcept
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// A wavelength or cell size of less than a pixel would alias into noise.
double at_least_a_pixel(double length) noexcept { return std::max(std::fabs(length), 1.0); }

bool add(TransformPipeline& pipeline, MapPositions apply, std::initializer_list<double> values) noexcept
{
    if (!finite(values)) return false;
    TransformMap m;
    m.apply = apply;
    std::copy(values.begin(), values.end(), m.value);
    return add_transform(pipeline, m);
}

// ---- Maps about a centre: value[0..2] the circle --------------------------------------

// Each position moved along its ray from the centre (value[0..1]) by the
// factor `factor(distance squared)` gives; kLeave leaves it.
constexpr double kLeave = std::numeric_limits<double>::quiet_NaN();

template <class Factor>
inline void along_rays(const TransformMap& m, double* x, double* y, int32_t count, Factor factor) noexcept
{
    const double cx = m.value[0], cy = m.value[1];
    for (int32_t i = 0; i < count; ++i) {
        const double ex = x[i] - cx, ey = y[i] - cy;
        const double f = factor(ex * ex + ey * ey);
        if (std::isnan(f)) continue;
        x[i] = cx + ex * f;
        y[i] = cy + ey * f;
    }
}

// value[3]: the amount. Outside the circle, at its centre and for amount 0
// nothing moves.
void pinch_map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const double radius = m.value[2], amount = m.value[3];
    const double scale = kPi / (2.0 * radius);
    along_rays(m, x, y, count, [&](double r2) {
        const double r = std::sqrt(r2);
        if (!(r < radius) || r == 0.0) return kLeave;
        // sin(pi r / 2R) >= r / R, so the factor stays within R / r for
        // amounts up to 1: every position inside the circle reads inside it.
        return std::exp(-amount * std::log(std::sin(r * scale)));
    });
}

// value[3]: k, value[4]: 1 / R^2.
void lens_map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const double k = m.value[3], inverseR2 = m.value[4];
    along_rays(m, x, y, count, [&](double r2) {
        const double d2 = r2 * inverseR2;
        return d2 < 1.0 ? 1.0 - k + k * d2 : kLeave;
    });
}

// value[3]: the turn at the centre in radians.
void spin_map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const double cx = m.value[0], cy = m.value[1], radius = m.value[2], turn = m.value[3];
    for (int32_t i = 0; i < count; ++i) {
        const double ex = x[i] - cx, ey = y[i] - cy;
        const double r = std::sqrt(ex * ex + ey * ey);
        if (!(r < radius)) continue;
        const double fall = 1.0 - r / radius;
        // Each position comes from the one turned back.
        const double t = -turn * fall * fall, c = std::cos(t), s = std::sin(t);
        x[i] = cx + c * ex - s * ey;
        y[i] = cy + s * ex + c * ey;
    }
}

// value[3]: the largest turn in radians, value[4]: 2 pi / wavelength.
void spin_wave_map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const double cx = m.value[0], cy = m.value[1], radius = m.value[2], turn = m.value[3], k = m.value[4];
    for (int32_t i = 0; i < count; ++i) {
        const double ex = x[i] - cx, ey = y[i] - cy;
        const double r = std::sqrt(ex * ex + ey * ey);
        if (!(r < radius)) continue;
        const double fall = 1.0 - r / radius;
        const double t = -turn * std::sin(k * r) * fall * fall, c = std::cos(t), s = std::sin(t);
        x[i] = cx + c * ex - s * ey;
        y[i] = cy + s * ex + c * ey;
    }
}

// value[0..1]: the centre, value[2]: amplitude, value[3]: 2 pi / wavelength.
void ripple_map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const double amplitude = m.value[2], k = m.value[3];
    along_rays(m, x, y, count, [&](double r2) {
        const double r = std::sqrt(r2);
        if (r == 0.0 || !std::isfinite(r)) return kLeave;
        return 1.0 + amplitude * std::sin(k * r) / r;
    });
}

// ---- Maps along the axes -----------------------------------------------------------------

// value[0]: amplitude, value[1]: 2 pi / wavelength, value[2]: phase in radians.
void wave_map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const double amplitude = m.value[0], k = m.value[1], phase = m.value[2];
    for (int32_t i = 0; i < count; ++i) y[i] += amplitude * std::sin(k * x[i] + phase);
}

// value[0]: amplitude, value[1]: 2 pi / wavelength.
void wow_map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const double amplitude = m.value[0], k = m.value[1];
    for (int32_t i = 0; i < count; ++i) {
        const double px = x[i], py = y[i];
        x[i] = px + amplitude * std::sin(k * py);
        y[i] = py + amplitude * std::sin(k * px);
    }
}

// value[0]: amplitude, value[1]: 1 / period.
void zig_zag_map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const double amplitude = m.value[0], inversePeriod = m.value[1];
    for (int32_t i = 0; i < count; ++i) {
        const double t = y[i] * inversePeriod;
        // 1 at whole periods, -1 half way between, straight in between.
        const double triangle = 4.0 * std::fabs(t - std::floor(t + 0.5)) - 1.0;
        x[i] -= amplitude * triangle;
    }
}

// ---- Turbulence ----------------------------------------------------------------------------

inline uint32_t mix(uint32_t h) noexcept
{
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h;
}

// The lattice point's value, -1..1.
inline double lattice_value(int64_t ix, int64_t iy, uint32_t seed) noexcept
{
    const uint32_t h = mix(static_cast<uint32_t>(ix) * 0x9E3779B1U ^ mix(static_cast<uint32_t>(iy) + seed * 0x85EBCA77U));
    return static_cast<double>(h) * (2.0 / 4294967295.0) - 1.0;
}

inline double smooth(double t) noexcept { return t * t * (3.0 - 2.0 * t); }

// value[0]: amplitude, value[1]: 1 / cell size, value[2]: octaves, value[3]: seed.
void turbulence_map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const double amplitude = m.value[0], inverseCell = m.value[1];
    const int octaves = static_cast<int>(m.value[2]);
    const uint32_t seed = static_cast<uint32_t>(m.value[3]);
    for (int32_t i = 0; i < count; ++i) {
        double dx = 0, dy = 0, weight = 1, total = 0, frequency = inverseCell;
        for (int o = 0; o < octaves; ++o) {
            const double u = x[i] * frequency, v = y[i] * frequency;
            // Another seed for each octave and each axis.
            dx += weight * lattice_noise(u, v, seed + 2u * static_cast<uint32_t>(o));
            dy += weight * lattice_noise(u, v, seed + 2u * static_cast<uint32_t>(o) + 1u);
            total += weight;
            weight *= 0.5;
            frequency *= 2.0;
        }
        x[i] += amplitude * dx / total;
        y[i] += amplitude * dy / total;
    }
}

Circle usable(Circle c) noexcept { return {c.x, c.y, std::fabs(c.radius)}; }

}  // namespace

double lattice_noise(double x, double y, uint32_t seed) noexcept
{
    if (!finite({x, y})) return 0.0;
    constexpr double kReach = 1e15;  // lattice coordinates stay whole numbers below this
    x = std::clamp(x, -kReach, kReach);
    y = std::clamp(y, -kReach, kReach);
    const double fx = std::floor(x), fy = std::floor(y);
    const int64_t ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
    const double tx = smooth(x - fx), ty = smooth(y - fy);
    const double top = lattice_value(ix, iy, seed) * (1 - tx) + lattice_value(ix + 1, iy, seed) * tx;
    const double bottom = lattice_value(ix, iy + 1, seed) * (1 - tx) + lattice_value(ix + 1, iy + 1, seed) * tx;
    return top * (1 - ty) + bottom * ty;
}

bool add_pinch_transform(TransformPipeline& pipeline, Circle circle, double amount) noexcept
{
    const Circle c = usable(circle);
    return add(pipeline, pinch_map, {c.x, c.y, c.radius, std::clamp(amount, -1.0, 1.0)});
}

bool add_lens_transform(TransformPipeline& pipeline, Circle circle, double strength) noexcept
{
    const Circle c = usable(circle);
    const double inverseR2 = c.radius > 0 ? 1.0 / (c.radius * c.radius) : 0.0;
    if (!(c.radius > 0) || !std::isfinite(inverseR2)) return add(pipeline, lens_map, {c.x, c.y, 0.0, 0.0, 0.0});
    return add(pipeline, lens_map, {c.x, c.y, c.radius, std::clamp(strength, -0.95, 0.95), inverseR2});
}

bool add_elliptical_transform(TransformPipeline& pipeline, int32_t width, int32_t height, double strength) noexcept
{
    if (width <= 0 || height <= 0) return false;
    // The ellipse and the rectangle are both unit circles of their norms
    // once the axes are scaled by the half sides.
    struct Local {
        static void map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
        {
            const double cx = m.value[0], cy = m.value[1], hw = m.value[2], hh = m.value[3], s = m.value[4];
            for (int32_t i = 0; i < count; ++i) {
                const double u = (x[i] - cx) / hw, v = (y[i] - cy) / hh;
                const double square = std::max(std::fabs(u), std::fabs(v));
                if (square == 0.0) continue;
                const double f = 1.0 + s * (std::sqrt(u * u + v * v) / square - 1.0);
                x[i] = cx + u * f * hw;
                y[i] = cy + v * f * hh;
            }
        }
    };
    return add(pipeline, Local::map,
               {(width - 1) * 0.5, (height - 1) * 0.5, width * 0.5, height * 0.5, std::clamp(strength, 0.0, 1.0)});
}

bool add_spin_transform(TransformPipeline& pipeline, Circle circle, double degrees) noexcept
{
    const Circle c = usable(circle);
    return add(pipeline, spin_map, {c.x, c.y, c.radius, std::fmod(degrees, 36000.0) * kPi / 180.0});
}

bool add_spin_wave_transform(TransformPipeline& pipeline, Circle circle, double degrees, double wavelength) noexcept
{
    const Circle c = usable(circle);
    return add(pipeline, spin_wave_map,
               {c.x, c.y, c.radius, std::fmod(degrees, 36000.0) * kPi / 180.0, kTwoPi / at_least_a_pixel(wavelength)});
}

bool add_ripple_transform(TransformPipeline& pipeline, double cx, double cy, double amplitude, double wavelength) noexcept
{
    return add(pipeline, ripple_map, {cx, cy, amplitude, kTwoPi / at_least_a_pixel(wavelength)});
}

bool add_wave_transform(TransformPipeline& pipeline, double amplitude, double wavelength, double phase) noexcept
{
    return add(pipeline, wave_map,
               {amplitude, kTwoPi / at_least_a_pixel(wavelength), std::fmod(phase, 360.0) * kPi / 180.0});
}

bool add_wow_transform(TransformPipeline& pipeline, double amplitude, double wavelength) noexcept
{
    return add(pipeline, wow_map, {amplitude, kTwoPi / at_least_a_pixel(wavelength)});
}

bool add_zig_zag_transform(TransformPipeline& pipeline, double amplitude, double period) noexcept
{
    return add(pipeline, zig_zag_map, {amplitude, 1.0 / at_least_a_pixel(period)});
}

bool add_turbulence_transform(TransformPipeline& pipeline, double amplitude, double scale, int32_t octaves,
                              uint32_t seed) noexcept
{
    return add(pipeline, turbulence_map,
               {amplitude, 1.0 / at_least_a_pixel(scale), double(std::clamp(octaves, 1, 6)), double(seed)});
}

}  // namespace mur::imaging
