// Rectangles, anti-aliased ellipses and gradients.
#include "imaging/shapes.h"

#include "engine/memory.h"
#include "engine/parallel_rows.h"

#include <algorithm>
#include <cmath>

namespace mur::imaging {
namespace {

// Sub-rows a pixel row is cut into for the ellipse's coverage: within each
// the ellipse's span is exact, so the area is exact up to this sampling of
// the curve's height.
constexpr int32_t kSubRows = 16;

inline uint8_t lerp_byte(uint8_t a, uint8_t b, int32_t w) noexcept
{
    return static_cast<uint8_t>((a * (256 - w) + b * w + 128) >> 8);
}

template <class Position>
bool draw_gradient(const ImageView& rgba, const Gradient& g, bool threaded, Position position) noexcept
{
    if (!rgba.data || rgba.width <= 0 || rgba.height <= 0 || g.count < 1 || g.count > kMaxGradientStops) return false;
    for_rows(0, rgba.height, threaded, [&](int64_t y) {
        uint8_t* p = rgba.row(static_cast<int32_t>(y));
        for (int32_t x = 0; x < rgba.width; ++x, p += 4) {
            const Rgba8 c = gradient_colour(g, position(double(x), double(y)) * 100);
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = c.a;
        }
    });
    return true;
}

}  // namespace

void fill_rect(const ImageView& rgba, Rect area, Rgba8 colour) noexcept
{
    if (!rgba.data) return;
    const int64_t x0 = std::max<int64_t>(area.x, 0), y0 = std::max<int64_t>(area.y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{area.x} + area.width, rgba.width);
    const int64_t y1 = std::min<int64_t>(int64_t{area.y} + area.height, rgba.height);
    for (int64_t y = y0; y < y1; ++y) {
        uint8_t* p = rgba.row(static_cast<int32_t>(y)) + x0 * 4;
        for (int64_t x = x0; x < x1; ++x, p += 4) {
            p[0] = colour.r;
            p[1] = colour.g;
            p[2] = colour.b;
            p[3] = colour.a;
        }
    }
}

bool ellipse_coverage_rows(const EllipseGeometry& e, int32_t width, int32_t height,
                           void (*row)(void*, int32_t, int32_t, const uint8_t*, int32_t), void* context) noexcept
{
    if (!row || width <= 0 || height <= 0) return false;
    if (!(e.rx > 0) || !(e.ry > 0) || !std::isfinite(e.rx) || !std::isfinite(e.ry)) return false;
    const double cx = e.cx + 0.5, cy = e.cy + 0.5;
    // The columns and rows the ellipse can touch, clipped to the picture.
    const double left = std::max(0.0, std::floor(cx - e.rx)), right = std::min(double(width), std::ceil(cx + e.rx));
    const double top = std::max(0.0, std::floor(cy - e.ry)), bottom = std::min(double(height), std::ceil(cy + e.ry));
    if (left >= right || top >= bottom) return true;
    const auto x0 = static_cast<int32_t>(left), count = static_cast<int32_t>(right - left);
    // Per column: the partial areas of the sub-rows, and a running count of
    // the sub-rows that cover it whole (as differences).
    mem::Owned<double> partial(static_cast<double*>(mem::try_alloc_uninit(std::size_t(count) * sizeof(double))));
    mem::Owned<int32_t> whole(static_cast<int32_t*>(mem::try_alloc_uninit(std::size_t(count + 1) * sizeof(int32_t))));
    mem::Owned<uint8_t> coverage(static_cast<uint8_t*>(mem::try_alloc_uninit(std::size_t(count))));
    if (!partial || !whole || !coverage) return false;
    for (auto y = static_cast<int32_t>(top); y < static_cast<int32_t>(bottom); ++y) {
        std::fill_n(partial.get(), count, 0.0);
        std::fill_n(whole.get(), count + 1, 0);
        for (int32_t s = 0; s < kSubRows; ++s) {
            const double v = (y + (s + 0.5) / kSubRows - cy) / e.ry;
            if (v * v >= 1) continue;
            const double half = e.rx * std::sqrt(1 - v * v);
            // The span [l, r) in columns relative to x0, clipped.
            const double l = std::max(cx - half - x0, 0.0), r = std::min(cx + half - x0, double(count));
            if (l >= r) continue;
            const auto il = static_cast<int32_t>(l), ir = static_cast<int32_t>(r);
            if (il == ir) {
                partial[il] += r - l;
                continue;
            }
            partial[il] += il + 1 - l;
            ++whole[il + 1];
            --whole[ir];
            if (ir < count) partial[ir] += r - ir;
        }
        int32_t running = 0;
        for (int32_t i = 0; i < count; ++i) {
            running += whole[i];
            const double a = (partial[i] + running) * (255.0 / kSubRows);
            coverage[i] = static_cast<uint8_t>(std::min(255.0, a + 0.5));
        }
        row(context, y, x0, coverage.get(), count);
    }
    return true;
}

bool fill_ellipse(const ImageView& rgba, const EllipseGeometry& e, Rgba8 colour) noexcept
{
    if (!rgba.data || rgba.bytesPerPixel != 4) return false;
    struct Target {
        const ImageView* view;
        Rgba8 colour;
    } target{&rgba, colour};
    return ellipse_coverage_rows(
        e, rgba.width, rgba.height,
        [](void* context, int32_t y, int32_t x0, const uint8_t* coverage, int32_t count) {
            const Target& t = *static_cast<const Target*>(context);
            uint8_t* p = t.view->row(y) + std::ptrdiff_t{x0} * 4;
            for (int32_t i = 0; i < count; ++i, p += 4) {
                if (!coverage[i]) continue;
                p[0] = t.colour.r;
                p[1] = t.colour.g;
                p[2] = t.colour.b;
                p[3] = static_cast<uint8_t>((t.colour.a * coverage[i] + 127) / 255);
            }
        },
        &target);
}

Rgba8 gradient_colour(const Gradient& g, double percent) noexcept
{
    const int32_t n = std::clamp(g.count, 1, kMaxGradientStops);
    if (!(percent > g.stops[0].percent)) return g.stops[0].colour;
    for (int32_t k = 0; k + 1 < n; ++k) {
        const GradientStop &a = g.stops[k], &b = g.stops[k + 1];
        if (percent >= b.percent) continue;
        const double span = double(b.percent) - a.percent;
        const auto w = static_cast<int32_t>((percent - a.percent) / span * 256);
        return {lerp_byte(a.colour.r, b.colour.r, w), lerp_byte(a.colour.g, b.colour.g, w),
                lerp_byte(a.colour.b, b.colour.b, w), lerp_byte(a.colour.a, b.colour.a, w)};
    }
    return g.stops[n - 1].colour;
}

bool draw_linear_gradient(const ImageView& rgba, double x0, double y0, double x1, double y1, const Gradient& g,
                          bool threaded) noexcept
{
    const double dx = x1 - x0, dy = y1 - y0, length2 = dx * dx + dy * dy;
    if (!(length2 > 0) || !std::isfinite(length2)) return false;
    return draw_gradient(rgba, g, threaded,
                         [=](double x, double y) { return ((x - x0) * dx + (y - y0) * dy) / length2; });
}

bool draw_radial_gradient(const ImageView& rgba, double x0, double y0, double radius, const Gradient& g,
                          bool threaded) noexcept
{
    if (!(radius > 0) || !std::isfinite(radius)) return false;
    return draw_gradient(rgba, g, threaded, [=](double x, double y) { return std::hypot(x - x0, y - y0) / radius; });
}

}  // namespace mur::imaging
