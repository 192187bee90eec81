#include "imaging/drop_shadow.h"

#include "imaging/effect_support.h"
#include "imaging/gaussian_blur.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mur::imaging {

void shadow_offset(double distance, double angleDegrees, int32_t& dx, int32_t& dy) noexcept
{
    const double d = std::isfinite(distance) ? std::clamp(distance, -1e5, 1e5) : 0.0;
    const double a = std::isfinite(angleDegrees) ? std::fmod(angleDegrees, 360.0) * std::numbers::pi / 180 : 0.0;
    dx = static_cast<int32_t>(std::lround(d * std::cos(a)));
    dy = static_cast<int32_t>(std::lround(d * std::sin(a)));
}

bool drop_shadow(const ConstImageView& src, const ImageView& dst, const ShadowLook& look) noexcept
{
    if (!fx::same_shape(src, dst) || src.bytesPerPixel != 4) return false;
    const int32_t w = src.width, h = src.height;
    const mem::Owned<uint8_t> alpha = fx::temporary<uint8_t>(std::size_t(w) * h);
    if (!alpha) return false;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* a = alpha.get() + std::size_t(y) * w;
        for (int32_t x = 0; x < w; ++x) a[x] = s[x * 4 + 3];
    }
    const ImageView plane = g8_view(alpha.get(), w, h, w);
    const double sigma = std::isfinite(look.blur) ? std::clamp(look.blur, 0.0, 1e4) : 0.0;
    if (sigma > 0 && !gaussian_blur(plane, plane, sigma)) return false;
    const double opacity = std::isfinite(look.opacity) ? std::clamp(look.opacity, 0.0, 1.0) : 0.0;
    const int64_t ox = look.offsetX, oy = look.offsetY;
    const uint8_t* colour = look.colour;
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < h; ++y) {
        const int64_t sy = y - oy;
        const uint8_t* shadowRow = sy >= 0 && sy < h ? alpha.get() + std::size_t(sy) * w : nullptr;
        const uint8_t* s = src.row(y);
        uint8_t* d = dst.row(y);
        for (int32_t x = 0; x < w; ++x, s += 4, d += 4) {
            const int64_t sx = x - ox;
            const double under = shadowRow && sx >= 0 && sx < w ? shadowRow[sx] / 255.0 * opacity : 0.0;
            const double over = s[3] / 255.0;
            const double covered = under * (1 - over);  // of the shadow, what shows through
            const double out = over + covered;
            if (out <= 0) {
                d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 0;
                continue;
            }
            for (int c = 0; c < 3; ++c) d[c] = fx::clamp8((s[c] * over + colour[c] * covered) / out);
            d[3] = fx::clamp8(out * 255);
        }
    }
    return true;
}

}  // namespace mur::imaging
