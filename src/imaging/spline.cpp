#include "imaging/spline.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace mur::imaging {
namespace {

// Second derivatives of a natural cubic spline through (t[i], v[i]): zero at
// both ends, tridiagonal system solved by the Thomas algorithm.
std::vector<double> natural_second_derivatives(const std::vector<double>& t, const std::vector<double>& v)
{
    const std::size_t n = t.size();
    std::vector<double> m(n, 0.0);
    if (n < 3) return m;
    std::vector<double> diag(n, 0.0), rhs(n, 0.0), upper(n, 0.0);
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double h0 = t[i] - t[i - 1];
        const double h1 = t[i + 1] - t[i];
        diag[i] = 2.0 * (h0 + h1);
        upper[i] = h1;
        rhs[i] = 6.0 * ((v[i + 1] - v[i]) / h1 - (v[i] - v[i - 1]) / h0);
    }
    // Forward sweep over the interior rows 1..n-2 (the lower diagonal of row i is h0).
    for (std::size_t i = 2; i + 1 < n; ++i) {
        const double lower = t[i] - t[i - 1];
        const double factor = lower / diag[i - 1];
        diag[i] -= factor * upper[i - 1];
        rhs[i] -= factor * rhs[i - 1];
    }
    for (std::size_t i = n - 2; i >= 1; --i) {
        m[i] = (rhs[i] - (i + 2 < n ? upper[i] * m[i + 1] : 0.0)) / diag[i];
        if (i == 1) break;
    }
    return m;
}

double evaluate(const std::vector<double>& t, const std::vector<double>& v, const std::vector<double>& m, double s)
{
    std::size_t i = 0;
    while (i + 2 < t.size() && s > t[i + 1]) ++i;
    const double h = t[i + 1] - t[i];
    const double a = (t[i + 1] - s) / h;
    const double b = (s - t[i]) / h;
    return v[i] + b * (v[i + 1] - v[i]) + ((a * a * a - a) * m[i] + (b * b * b - b) * m[i + 1]) * h * h / 6.0;
}

}  // namespace

bool sample_spline_through_points(std::span<const Point2> points, std::span<Point2> out) noexcept
{
    if (points.size() < 2 || out.size() < 2) return false;
    try {
        const std::size_t n = points.size();
        // Chord-length knots; a repeated point still gets a short interval so
        // the knots stay strictly increasing.
        std::vector<double> chord(n - 1);
        double total = 0.0;
        for (std::size_t i = 0; i + 1 < n; ++i) {
            chord[i] = std::hypot(points[i + 1].x - points[i].x, points[i + 1].y - points[i].y);
            total += chord[i];
        }
        const double floor = total > 0.0 ? total * 0.05 : 1.0;
        std::vector<double> t(n, 0.0), xs(n), ys(n);
        for (std::size_t i = 0; i + 1 < n; ++i) t[i + 1] = t[i] + std::max(chord[i], floor);
        for (std::size_t i = 0; i < n; ++i) {
            t[i] /= t[n - 1];
            xs[i] = points[i].x;
            ys[i] = points[i].y;
        }
        const std::vector<double> mx = natural_second_derivatives(t, xs);
        const std::vector<double> my = natural_second_derivatives(t, ys);
        const std::size_t last = out.size() - 1;
        for (std::size_t k = 0; k <= last; ++k) {
            const double s = static_cast<double>(k) / static_cast<double>(last);
            out[k] = {evaluate(t, xs, mx, s), evaluate(t, ys, my, s)};
        }
        out[0] = points[0];
        out[last] = points[n - 1];
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace mur::imaging
