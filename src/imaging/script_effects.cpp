#include "imaging/script_effects.h"

#include "engine/memory.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mur::imaging {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Sines and cosines of whole quarter turns come out exact, so such turns
// move pixels without blending them.
double snap(double v)
{
    if (std::fabs(v) < 1e-12) return 0.0;
    if (std::fabs(v - 1.0) < 1e-12) return 1.0;
    if (std::fabs(v + 1.0) < 1e-12) return -1.0;
    return v;
}

}  // namespace

bool add_script_effect(ScriptEffectList& list, int32_t number, int32_t flag) noexcept
{
    if (number != kRotateEffect || list.count >= ScriptEffectList::kCapacity) return false;
    ScriptEffect& e = list.effects[list.count++];
    e = {};
    e.number = number;
    e.enabled = flag != 0;
    e.values[4] = 100.0;
    return true;
}

bool set_script_effect_value(ScriptEffectList& list, int32_t index, int32_t slot, double value) noexcept
{
    if (index < 0 || index >= list.count || slot < 0 || slot >= 8) return false;
    list.effects[index].values[slot] = value;
    return true;
}

bool run_script_effects(const ScriptEffectList& list, const ImageView& image) noexcept
{
    for (int32_t i = 0; i < list.count; ++i) {
        const ScriptEffect& e = list.effects[i];
        if (!e.enabled) continue;
        if (e.number == kRotateEffect && !rotate_about_centre(image, e.values[3], e.values[4])) return false;
    }
    return true;
}

bool rotate_about_centre(const ImageView& image, double degrees, double zoomPercent) noexcept
{
    if (!image.data || image.bytesPerPixel != 4 || image.width <= 0 || image.height <= 0) return false;
    if (image.stride < std::ptrdiff_t{image.width} * 4 && image.stride > -std::ptrdiff_t{image.width} * 4) return false;
    if (!std::isfinite(degrees) || !std::isfinite(zoomPercent) || zoomPercent <= 0.0) return false;

    const int32_t w = image.width, h = image.height;
    const std::size_t rowBytes = std::size_t(w) * 4;
    mem::Owned<uint8_t> copy(static_cast<uint8_t*>(mem::try_alloc_uninit(rowBytes * std::size_t(h))));
    if (!copy) return false;
    for (int32_t y = 0; y < h; ++y) std::memcpy(copy.get() + y * rowBytes, image.row(y), rowBytes);
    const uint8_t* src = copy.get();

    // Each output pixel centre, taken back through the turn and the zoom,
    // lands on a source position; the centre of the picture stays put.
    const double turn = std::fmod(degrees, 360.0) * kPi / 180.0;
    const double cosA = snap(std::cos(turn)), sinA = snap(std::sin(turn));
    const double inverseZoom = 100.0 / zoomPercent;
    const double cx = w * 0.5, cy = h * 0.5;

#pragma omp parallel for schedule(static) if (int64_t{w} * h >= 65536)
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* out = image.row(y);
        const double dy = y + 0.5 - cy;
        for (int32_t x = 0; x < w; ++x, out += 4) {
            const double dx = x + 0.5 - cx;
            const double sx = (dx * cosA - dy * sinA) * inverseZoom + cx - 0.5;
            const double sy = (dx * sinA + dy * cosA) * inverseZoom + cy - 0.5;
            const double fx0 = std::floor(sx), fy0 = std::floor(sy);
            if (!(fx0 >= -1.0 && fy0 >= -1.0 && fx0 < w && fy0 < h)) {  // also when not a number
                std::memset(out, 0, 4);
                continue;
            }
            const auto x0 = static_cast<int32_t>(fx0), y0 = static_cast<int32_t>(fy0);
            const double fx = sx - fx0, fy = sy - fy0;
            const double weights[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
            double sum[4] = {0, 0, 0, 0};
            for (int k = 0; k < 4; ++k) {
                const int32_t px = x0 + (k & 1), py = y0 + (k >> 1);
                if (px < 0 || py < 0 || px >= w || py >= h || weights[k] == 0.0) continue;
                const uint8_t* p = src + py * rowBytes + std::size_t(px) * 4;
                for (int c = 0; c < 4; ++c) sum[c] += weights[k] * p[c];
            }
            for (int c = 0; c < 4; ++c) out[c] = static_cast<uint8_t>(std::min(255.0, sum[c] + 0.5));
        }
    }
    return true;
}

}  // namespace mur::imaging
