// Bump-map displacement through the transform pipeline: one inverse map that
// reads the grey plane.
#include "imaging/bump_displacement.h"

#include "imaging/transform_pipeline.h"

#include <algorithm>
#include <cmath>

namespace mur::imaging {
namespace {

// value[0] = k. Positions arrive on pixel centres of the destination, which
// is the grey plane's size; the plane is read at the nearest pixel.
void displace(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const ConstImageView& g = m.plane;
    const double k = m.value[0] / (2 * 255.0);
    for (int32_t i = 0; i < count; ++i) {
        const double fx = std::floor(x[i] + 0.5), fy = std::floor(y[i] + 0.5);
        if (!(fx >= 0 && fy >= 0 && fx < g.width && fy < g.height)) continue;
        const auto px = static_cast<int32_t>(fx), py = static_cast<int32_t>(fy);
        const uint8_t* row = g.row(py);
        const int32_t dx = row[std::min(px + 1, g.width - 1)] - row[std::max(px - 1, 0)];
        const int32_t dy = g.row(std::min(py + 1, g.height - 1))[px] - g.row(std::max(py - 1, 0))[px];
        x[i] += k * dx;
        y[i] += k * dy;
    }
}

}  // namespace

bool bump_displace(const ConstImageView& src, const ConstImageView& grey, const ImageView& dst, double k,
                   uint32_t edge) noexcept
{
    if (!src.data || !grey.data || !dst.data || !std::isfinite(k)) return false;
    if (grey.bytesPerPixel != 1 || grey.width != dst.width || grey.height != dst.height) return false;
    if (src.width != dst.width || src.height != dst.height) return false;
    TransformPipeline pipeline;
    TransformMap map;
    map.apply = displace;
    map.plane = grey;
    map.value[0] = k;
    if (!add_transform(pipeline, map)) return false;
    return process_transforms(pipeline, src, dst, EdgeMode::Fill, edge);
}

void grey_plane_from_rgba(const ConstImageView& rgba, const ImageView& grey) noexcept
{
    if (!rgba.data || !grey.data || rgba.width != grey.width || rgba.height != grey.height) return;
    for (int32_t y = 0; y < rgba.height; ++y) {
        const uint8_t* s = rgba.row(y);
        uint8_t* g = grey.row(y);
        for (int32_t x = 0; x < rgba.width; ++x, s += 4) g[x] = static_cast<uint8_t>((s[0] + s[1] + s[2]) / 3);
    }
}

}  // namespace mur::imaging
