#include "imaging/texture_tiles.h"

#include "imaging/effect_support.h"
#include "imaging/resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace mur::imaging {
namespace {

constexpr int32_t kMaxTileSide = 65536;

// Where page column (or row) i samples the base tile of `base` pixels
// grown to `size`: two neighbours (wrapping) and the weight of the second.
struct Tap {
    int32_t first, second;
    float weight;
};

bool make_taps(mem::Owned<Tap>& taps, int32_t count, int32_t size, int32_t base, int32_t offset) noexcept
{
    taps = fx::temporary<Tap>(static_cast<std::size_t>(count));
    if (!taps) return false;
    const int64_t start = offset % size;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t at = static_cast<int32_t>((start + i) % size);
        if (size == base) {
            taps.get()[i] = {at, at, 0.0f};
            continue;
        }
        const double u = (at + 0.5) * base / size - 0.5;
        const double f = std::floor(u);
        const int32_t a = static_cast<int32_t>(((static_cast<int64_t>(f) % base) + base) % base);
        taps.get()[i] = {a, (a + 1) % base, static_cast<float>(u - f)};
    }
    return true;
}

// The page's Rec. 601 luma into a float plane.
mem::Owned<float> luma_plane(const ImageView& page) noexcept
{
    mem::Owned<float> plane = fx::temporary<float>(std::size_t(page.width) * page.height);
    if (!plane) return plane;
    float* out = plane.get();
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < page.height; ++y) {
        const uint8_t* p = page.row(y);
        float* o = out + std::size_t(y) * page.width;
        for (int32_t x = 0; x < page.width; ++x, p += 4) o[x] = static_cast<float>(fx::luma(p));
    }
    return plane;
}

// Calls f(x, y, dx, dy, pixel) with the plane's central differences along
// the two axes (edges repeated) for every pixel of the page.
template <class F>
void each_slope(const ImageView& page, const float* g, F&& f)
{
    const int32_t w = page.width, h = page.height;
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < h; ++y) {
        const float* up = g + std::size_t(std::max(y - 1, 0)) * w;
        const float* down = g + std::size_t(std::min(y + 1, h - 1)) * w;
        const float* row = g + std::size_t(y) * w;
        uint8_t* p = page.row(y);
        for (int32_t x = 0; x < w; ++x, p += 4) {
            const double dx = (row[std::min(x + 1, w - 1)] - row[std::max(x - 1, 0)]) * 0.5;
            const double dy = (down[x] - up[x]) * 0.5;
            f(dx, dy, p);
        }
    }
}

}  // namespace

int32_t scaled_tile_side(int32_t side, double scale, int32_t minSide) noexcept
{
    const double wanted = std::isfinite(scale) && scale >= 0 ? std::round(side * scale) : double(side);
    return static_cast<int32_t>(std::clamp(wanted, double(std::max(1, minSide)), double(kMaxTileSide)));
}

bool lay_tile(const ConstImageView& tile, const ImageView& page, const TilePlacement& placement) noexcept
{
    if (!tile.data || tile.bytesPerPixel != 4 || tile.width <= 0 || tile.height <= 0 || !page.data ||
        page.bytesPerPixel != 4 || page.width <= 0 || page.height <= 0)
        return false;
    const int32_t tw = placement.width, th = placement.height;
    if (tw <= 0 || th <= 0 || tw > kMaxTileSide || th > kMaxTileSide) return false;
    // A side that shrinks is area-averaged first; the base then grows to the
    // placement's size (or stays) by wrapping bilinear taps.
    const int32_t bw = std::min(tile.width, tw), bh = std::min(tile.height, th);
    mem::Owned<uint8_t> shrunk;
    ConstImageView base = tile;
    if (bw != tile.width || bh != tile.height) {
        shrunk = fx::temporary<uint8_t>(std::size_t(bw) * bh * 4);
        if (!shrunk) return false;
        const ImageView small = rgba32_view(shrunk.get(), bw, bh, std::ptrdiff_t{bw} * 4);
        if (!resample(tile, small, ResizeFilter::AreaAverage)) return false;
        base = small;
    }
    const auto wrap = [](int32_t v, int32_t n) { return static_cast<int32_t>(((int64_t{v} % n) + n) % n); };
    mem::Owned<Tap> columns, rows;
    if (!make_taps(columns, page.width, tw, bw, wrap(placement.offsetX, tw)) ||
        !make_taps(rows, page.height, th, bh, wrap(placement.offsetY, th)))
        return false;
    const Tap* cx = columns.get();
    const Tap* cy = rows.get();
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < page.height; ++y) {
        const Tap ty = cy[y];
        const uint8_t* r0 = base.row(ty.first);
        const uint8_t* r1 = base.row(ty.second);
        uint8_t* out = page.row(y);
        for (int32_t x = 0; x < page.width; ++x, out += 4) {
            const Tap tx = cx[x];
            if (tx.weight == 0 && ty.weight == 0) {
                const uint8_t* s = r0 + tx.first * 4;
                out[0] = s[0], out[1] = s[1], out[2] = s[2];
            } else {
                const uint8_t *a = r0 + tx.first * 4, *b = r0 + tx.second * 4;
                const uint8_t *c = r1 + tx.first * 4, *d = r1 + tx.second * 4;
                for (int k = 0; k < 3; ++k) {
                    const float top = a[k] + (b[k] - a[k]) * tx.weight;
                    const float bottom = c[k] + (d[k] - c[k]) * tx.weight;
                    out[k] = static_cast<uint8_t>(top + (bottom - top) * ty.weight + 0.5f);
                }
            }
            out[3] = 255;
        }
    }
    return true;
}

bool emboss_relief(const ImageView& page, double depth) noexcept
{
    const mem::Owned<float> g = luma_plane(page);
    if (!g) return false;
    const double k = std::isfinite(depth) ? std::clamp(depth, -1e3, 1e3) : 0.0;
    // Light from the upper left: the diagonal rise towards the lower right.
    each_slope(page, g.get(), [&](double dx, double dy, uint8_t* p) {
        p[0] = p[1] = p[2] = fx::clamp8(128 + k * (dx + dy));
    });
    return true;
}

bool shade_height_map(const ImageView& page, double depth) noexcept
{
    const mem::Owned<float> g = luma_plane(page);
    if (!g) return false;
    const double k = (std::isfinite(depth) ? std::clamp(depth, -1e4, 1e4) : 0.0) / 255;
    // The light's direction, up-left and 35 degrees above the ground.
    const double lx = -1 / std::sqrt(3.0), ly = -1 / std::sqrt(3.0), lz = 1 / std::sqrt(3.0);
    each_slope(page, g.get(), [&](double dx, double dy, uint8_t* p) {
        const double nx = -k * dx, ny = -k * dy;
        const double lit = (nx * lx + ny * ly + lz) / std::sqrt(nx * nx + ny * ny + 1);
        p[0] = p[1] = p[2] = fx::clamp8(std::max(lit, 0.0) * (127.5 / lz));
    });
    return true;
}

}  // namespace mur::imaging
