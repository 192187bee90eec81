// The shape generators of the painting effects: lines, points, circles,
// rectangles, splines, worms, fibres and trees, drawn with smooth edges
// into a cleared BGRA picture, every random draw from the seed.
#include "imaging/script_library.h"

#include <cmath>
#include <cstring>

namespace mur::imaging::script {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A small sequential generator: the shapes' draws in drawing order.
struct Draws {
    uint64_t state;
    explicit Draws(uint32_t seed, uint32_t stream) : state((uint64_t{seed} << 32 | stream) ^ 0x9E3779B97F4A7C15ull) {}
    uint64_t next() noexcept
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() noexcept { return (next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double a, double b) noexcept { return a + (b - a) * unit(); }
    // A bright colour of random hue, as B, G, R.
    void colour(uint8_t (&c)[3]) noexcept
    {
        const double h = unit() * 6.0, v = range(0.55, 1.0), s = range(0.5, 1.0);
        const int i = static_cast<int>(h) % 6;
        const double f = h - std::floor(h), p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
        const double rgb[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
        c[kR] = uint8_t(rgb[i][0] * 255), c[kG] = uint8_t(rgb[i][1] * 255), c[kB] = uint8_t(rgb[i][2] * 255);
    }
};

struct Canvas {
    const ImageView& image;

    // Colour c laid over the pixel with coverage a (0..1).
    void put(int32_t x, int32_t y, const uint8_t (&c)[3], float a) const noexcept
    {
        if (a <= 0.0f) return;
        a = std::min(a, 1.0f);
        uint8_t* p = image.row(y) + std::ptrdiff_t{x} * 4;
        const float da = p[kA] * (1.0f / 255.0f), oa = a + da * (1.0f - a);
        for (int i = 0; i < 3; ++i) p[i] = static_cast<uint8_t>((c[i] * a + p[i] * da * (1.0f - a)) / oa + 0.5f);
        p[kA] = static_cast<uint8_t>(oa * 255.0f + 0.5f);
    }

    // The rows and columns of a box, clipped.
    bool clip(double x0, double y0, double x1, double y1, int32_t& ax, int32_t& ay, int32_t& bx, int32_t& by) const noexcept
    {
        if (!(x1 >= 0 && y1 >= 0 && x0 < image.width && y0 < image.height)) return false;  // not-a-number too
        ax = static_cast<int32_t>(std::max(0.0, std::floor(x0)));
        ay = static_cast<int32_t>(std::max(0.0, std::floor(y0)));
        bx = static_cast<int32_t>(std::min(double(image.width - 1), std::ceil(x1)));
        by = static_cast<int32_t>(std::min(double(image.height - 1), std::ceil(y1)));
        return ax <= bx && ay <= by;
    }

    void disc(double cx, double cy, double r, const uint8_t (&c)[3]) const noexcept
    {
        int32_t ax, ay, bx, by;
        if (!clip(cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1, ax, ay, bx, by)) return;
        for (int32_t y = ay; y <= by; ++y)
            for (int32_t x = ax; x <= bx; ++x)
                put(x, y, c, float(r + 0.5 - std::hypot(x - cx, y - cy)));
    }

    void box(double x0, double y0, double x1, double y1, const uint8_t (&c)[3]) const noexcept
    {
        int32_t ax, ay, bx, by;
        if (!clip(x0, y0, x1, y1, ax, ay, bx, by)) return;
        for (int32_t y = ay; y <= by; ++y) {
            const double cy = std::min(y + 1.0, y1) - std::max(double(y), y0);
            for (int32_t x = ax; x <= bx; ++x) put(x, y, c, float(cy * (std::min(x + 1.0, x1) - std::max(double(x), x0))));
        }
    }

    // A stroke of half-width r from (x0, y0) to (x1, y1) with round ends,
    // drawn in pieces so that each piece's box stays small. Each pixel
    // belongs to the one piece its position along the whole stroke falls
    // in, so no pixel is laid twice.
    void segment(double x0, double y0, double x1, double y1, double r, const uint8_t (&c)[3]) const noexcept
    {
        const double length = std::hypot(x1 - x0, y1 - y0);
        if (!(length < 1e7)) return;
        const int pieces = std::max(1, static_cast<int>(length / (4 * r + 16)));
        for (int k = 0; k < pieces; ++k) {
            const double from = k == 0 ? -1e30 : double(k) / pieces, to = k + 1 == pieces ? 1e30 : double(k + 1) / pieces;
            const double a = double(k) / pieces, b = double(k + 1) / pieces;
            piece(x0, y0, x1, y1, r, c, from, to, x0 + (x1 - x0) * a, y0 + (y1 - y0) * a, x0 + (x1 - x0) * b,
                  y0 + (y1 - y0) * b);
        }
    }

    void piece(double x0, double y0, double x1, double y1, double r, const uint8_t (&c)[3], double from, double to,
               double ax0, double ay0, double ax1, double ay1) const noexcept
    {
        int32_t ax, ay, bx, by;
        if (!clip(std::min(ax0, ax1) - r - 1, std::min(ay0, ay1) - r - 1, std::max(ax0, ax1) + r + 1,
                  std::max(ay0, ay1) + r + 1, ax, ay, bx, by))
            return;
        const double dx = x1 - x0, dy = y1 - y0, l2 = dx * dx + dy * dy;
        for (int32_t y = ay; y <= by; ++y)
            for (int32_t x = ax; x <= bx; ++x) {
                const double px = x - x0, py = y - y0;
                const double t = l2 > 0 ? (px * dx + py * dy) / l2 : 0.0;
                if (t < from || t >= to) continue;  // another piece's
                const double u = std::clamp(t, 0.0, 1.0);
                put(x, y, c, float(r + 0.5 - std::hypot(px - u * dx, py - u * dy)));
            }
    }
};

// A point of the Catmull-Rom curve through p1 and p2 (p0 and p3 beside).
inline double catmull(double p0, double p1, double p2, double p3, double t) noexcept
{
    return 0.5 * (2 * p1 + (p2 - p0) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t * t + (3 * p1 - p0 - 3 * p2 + p3) * t * t * t);
}

void branch(const Canvas& canvas, Draws& d, double x, double y, double angle, double length, double width, int depth,
            const Settings& s) noexcept
{
    const double x1 = x + std::cos(angle) * length, y1 = y - std::sin(angle) * length;
    const double leaf = depth <= 2 ? 1.0 : 0.0;
    const uint8_t c[3] = {static_cast<uint8_t>(30 + 20 * leaf), static_cast<uint8_t>(60 + 110 * leaf),
                          static_cast<uint8_t>(100 - 40 * leaf)};
    canvas.segment(x, y, x1, y1, std::max(0.5, width), c);
    if (depth == 0) return;
    const double spread = 0.2 + 0.8 * s.unit(2);
    const int children = 2 + static_cast<int>(d.unit() * 1.5);
    for (int k = 0; k < children; ++k) {
        const double turn = (k - (children - 1) * 0.5) * spread + d.range(-0.2, 0.2);
        branch(canvas, d, x1, y1, angle + turn, length * d.range(0.6, 0.8), width * 0.68, depth - 1, s);
    }
}

}  // namespace

bool draw_shapes(int32_t id, const Settings& s, const ImageView& target) noexcept
{
    const Canvas canvas{target};
    const double w = target.width, h = target.height, side = std::max(w, h), diag = std::hypot(w, h);
    Draws d(s.seed(), static_cast<uint32_t>(id));
    uint8_t c[3];
    switch (id) {
    case kScriptLines: {
        const int n = s.steps(0, 5, 100);
        const double width = 0.5 + s.unit(1) * 0.01 * side;
        const uint8_t colour[3] = {s.colour(2), s.colour(1), s.colour(0)};
        for (int k = 0; k < n; ++k) {
            const double px = d.unit() * w, py = d.unit() * h;
            const double angle = s.on(15) ? d.unit() * kPi : 0.0;
            const double r = s.on(16) ? width * d.range(0.3, 1.7) : width;
            const double ex = std::cos(angle) * diag, ey = std::sin(angle) * diag;
            canvas.segment(px - ex, py - ey, px + ex, py + ey, r, colour);
        }
        return true;
    }
    case kScriptPoints: {
        // Sizes follow the page, so a count of its own covers alike at any size.
        const int n = s.steps(0, 80, 8000);
        const double r = 0.5 + s.unit(1) * 0.01 * side;
        for (int k = 0; k < n; ++k) {
            const double x = d.unit() * w, y = d.unit() * h;
            d.colour(c);
            canvas.disc(x, y, r * d.range(0.5, 1.0), c);
        }
        return true;
    }
    case kScriptCircles:
    case kScriptRectangles: {
        const int n = s.steps(0, 3, 200);
        const double size = (0.01 + 0.2 * s.unit(1)) * side;
        for (int k = 0; k < n; ++k) {
            const double x = d.unit() * w, y = d.unit() * h, a = size * d.range(0.3, 1.0), b = size * d.range(0.3, 1.0);
            d.colour(c);
            if (id == kScriptCircles) canvas.disc(x, y, a, c);
            else canvas.box(x - a, y - b, x + a, y + b, c);
        }
        return true;
    }
    case kScriptSplines: {
        const int n = s.steps(0, 2, 40);
        const double r = 0.5 + s.unit(1) * 0.01 * side;
        for (int k = 0; k < n; ++k) {
            double px[6], py[6];
            for (int i = 0; i < 6; ++i) px[i] = d.range(-0.1, 1.1) * w, py[i] = d.range(-0.1, 1.1) * h;
            d.colour(c);
            for (int i = 0; i < 3; ++i) {
                double lx = px[i + 1], ly = py[i + 1];
                const int steps = std::max(8, static_cast<int>(std::hypot(px[i + 2] - px[i + 1], py[i + 2] - py[i + 1]) / 8));
                for (int j = 1; j <= steps; ++j) {
                    const double t = double(j) / steps;
                    const double x = catmull(px[i], px[i + 1], px[i + 2], px[i + 3], t);
                    const double y = catmull(py[i], py[i + 1], py[i + 2], py[i + 3], t);
                    canvas.segment(lx, ly, x, y, r, c);
                    lx = x, ly = y;
                }
            }
        }
        return true;
    }
    case kScriptWorms:
    case kScriptFibers: {
        const bool fibres = id == kScriptFibers;
        const int n = fibres ? static_cast<int>(s.steps(0, 50, 1500) * std::max(1.0, side / 512.0)) : s.steps(0, 3, 150);
        const double length = (0.05 + (fibres ? 0.3 : 0.5) * s.unit(1)) * side;
        const double r = fibres ? 0.4 + 0.6 * s.unit(2) : 1.0 + s.unit(2) * 0.012 * side;
        const double step = fibres ? 3.0 : std::max(1.0, r);
        for (int k = 0; k < n; ++k) {
            double x = d.unit() * w, y = d.unit() * h;
            double angle = fibres ? kPi / 2 + d.range(-0.3, 0.3) : d.unit() * 2 * kPi;
            if (fibres) {
                const uint8_t v = static_cast<uint8_t>(d.range(170, 255));
                c[0] = c[1] = c[2] = v;
            } else {
                d.colour(c);
            }
            for (double run = 0; run < length; run += step) {
                angle += fibres ? d.range(-0.08, 0.08) : d.range(-0.35, 0.35);
                const double nx = x + std::cos(angle) * step, ny = y + std::sin(angle) * step;
                canvas.segment(x, y, nx, ny, r, c);
                x = nx, y = ny;
            }
        }
        return true;
    }
    case kScriptTrees: {
        const int n = s.steps(0, 1, 10);
        const double length = (0.05 + 0.2 * s.unit(1)) * h;
        for (int k = 0; k < n; ++k) {
            const double x = (k + d.range(0.2, 0.8)) * w / n;
            branch(canvas, d, x, h, kPi / 2 + d.range(-0.1, 0.1), length * d.range(0.7, 1.0), std::max(1.0, length * 0.06),
                   8, s);
        }
        return true;
    }
    default: return false;
    }
}

}  // namespace mur::imaging::script
