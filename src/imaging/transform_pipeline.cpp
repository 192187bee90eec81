#include "imaging/transform_pipeline.h"

#include "imaging/transform_sampling.h"

#include <algorithm>
#include <cmath>

namespace mur::imaging {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Rows with fewer pixels than this in all are made on the calling thread.
constexpr int64_t kParallelPixels = 1 << 14;

// ---- The maps ----------------------------------------------------------------------

// value[0..5]: the matrix.
void affine_map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const double* v = m.value;
    for (int32_t i = 0; i < count; ++i) {
        const double px = x[i], py = y[i];
        x[i] = v[0] * px + v[1] * py + v[2];
        y[i] = v[3] * px + v[4] * py + v[5];
    }
}

// value[0..8]: the matrix, by rows.
void projective_map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const double* h = m.value;
    for (int32_t i = 0; i < count; ++i) {
        const double px = x[i], py = y[i];
        const double w = h[6] * px + h[7] * py + h[8];
        if (std::fabs(w) < 1e-12) {
            x[i] = y[i] = -HUGE_VAL;  // the horizon: nothing comes from there
            continue;
        }
        x[i] = (h[0] * px + h[1] * py + h[2]) / w;
        y[i] = (h[3] * px + h[4] * py + h[5]) / w;
    }
}

// value: to x, to y, push x, push y (to - from), 1 / radius^2. Inside the
// radius a position moves back along the push by (1 - r^2)^2, r the
// distance from `to` in radii: all the way at `to`, smoothly nothing at the
// rim. That weight falls at most 1.54 per radius, so with the radius at
// least twice the push no two positions map to one.
void push_map(const TransformMap& m, double* x, double* y, int32_t count) noexcept
{
    const double* v = m.value;
    for (int32_t i = 0; i < count; ++i) {
        const double ex = x[i] - v[0], ey = y[i] - v[1];
        const double r2 = (ex * ex + ey * ey) * v[4];
        if (!(r2 < 1.0)) continue;
        const double f = (1.0 - r2) * (1.0 - r2);
        x[i] -= v[2] * f;
        y[i] -= v[3] * f;
    }
}

bool finite(std::initializer_list<double> values) noexcept
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// ---- Rows ------------------------------------------------------------------------------

// A run of destination columns [begin, end) of one row.
struct Run {
    int32_t begin, end;
};

// Makes the pixels of the runs `runs(y, out)` returns for every row in
// [y0, y1); at most `kMaxRuns` runs a row.
constexpr int kMaxRuns = 4;

template <class Runs>
void process_rows(const sampling::Chain& chain, const ConstImageView& src, const ImageView& dst, EdgeMode edge,
                  uint32_t fill, int32_t y0, int32_t y1, int64_t pixels, Runs runs) noexcept
{
#pragma omp parallel for schedule(static) if (pixels >= kParallelPixels)
    for (int32_t y = y0; y < y1; ++y) {
        Run row[kMaxRuns];
        const int n = runs(y, row);
        double px[sampling::kChunk], py[sampling::kChunk];
        const bool affine = chain.count == 1 && chain.stages[0].affine;
        for (int r = 0; r < n; ++r)
            for (int32_t x = row[r].begin; x < row[r].end; x += sampling::kChunk) {
                const int32_t count = std::min(sampling::kChunk, row[r].end - x);
                uint8_t* out = dst.row(y) + std::ptrdiff_t{x} * 4;
                if (affine && sampling::sample_affine_run(src, chain.stages[0].value, x, y, count, edge, fill, out))
                    continue;
                sampling::source_positions(chain, x, y, count, px, py);
                sampling::sample_run(src, px, py, count, edge, fill, out);
            }
    }
}

// Solves the n x n system a * s = b (a by rows, n <= 8) by elimination with
// partial pivoting; false when it is singular.
bool solve(double a[8][8], double b[8], double s[8], int n) noexcept
{
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (std::fabs(a[pivot][col]) < 1e-12) return false;
        std::swap(a[pivot], a[col]);
        std::swap(b[pivot], b[col]);
        for (int r = col + 1; r < n; ++r) {
            const double f = a[r][col] / a[col][col];
            for (int c = col; c < n; ++c) a[r][c] -= f * a[col][c];
            b[r] -= f * b[col];
        }
    }
    for (int r = n - 1; r >= 0; --r) {
        double v = b[r];
        for (int c = r + 1; c < n; ++c) v -= a[r][c] * s[c];
        s[r] = v / a[r][r];
    }
    return true;
}

// Twice the signed area of the triangle (a, b, c).
double cross(const Quad& q, int a, int b, int c) noexcept
{
    return (q.x[b] - q.x[a]) * (q.y[c] - q.y[a]) - (q.y[b] - q.y[a]) * (q.x[c] - q.x[a]);
}

bool proper(const Quad& q) noexcept
{
    for (int i = 0; i < 4; ++i)
        if (!finite({q.x[i], q.y[i]})) return false;
    // No three corners on one line.
    for (int skip = 0; skip < 4; ++skip) {
        int c[3], n = 0;
        for (int i = 0; i < 4; ++i)
            if (i != skip) c[n++] = i;
        if (std::fabs(cross(q, c[0], c[1], c[2])) < 1e-9) return false;
    }
    return true;
}

// The columns of row y whose centres lie inside the quadrilateral (even-odd
// rule), clipped to [0, width): at most two runs.
int quad_runs(const Quad& q, int32_t y, int32_t width, Run* out) noexcept
{
    double crossings[4];
    int n = 0;
    const double cy = y;
    for (int i = 0; i < 4; ++i) {
        const int j = (i + 1) % 4;
        const double ya = q.y[i], yb = q.y[j];
        // Half-open in y, so a corner on the row counts once.
        if ((ya <= cy) == (yb <= cy)) continue;
        crossings[n++] = q.x[i] + (cy - ya) * (q.x[j] - q.x[i]) / (yb - ya);
    }
    for (int i = 1; i < n; ++i)  // at most four: insertion
        for (int k = i; k > 0 && crossings[k] < crossings[k - 1]; --k) std::swap(crossings[k], crossings[k - 1]);
    int runs = 0;
    for (int k = 0; k + 1 < n; k += 2) {
        // Centres x with left <= x < right.
        const double left = std::clamp(std::ceil(crossings[k]), 0.0, double(width));
        const double right = std::clamp(std::ceil(crossings[k + 1]), 0.0, double(width));
        if (right > left) out[runs++] = {static_cast<int32_t>(left), static_cast<int32_t>(right)};
    }
    return runs;
}

}  // namespace

void clear_transforms(TransformPipeline& pipeline) noexcept { pipeline.count = 0; }

bool add_transform(TransformPipeline& pipeline, const TransformMap& map) noexcept
{
    if (!map.apply || pipeline.count < 0 || pipeline.count >= kMaxTransformMaps) return false;
    pipeline.maps[pipeline.count++] = map;
    return true;
}

bool add_affine_transform(TransformPipeline& pipeline, const double matrix[6]) noexcept
{
    if (!matrix) return false;
    TransformMap m;
    m.apply = affine_map;
    m.affine = true;
    std::copy(matrix, matrix + 6, m.value);
    return add_transform(pipeline, m);
}

bool add_offset_transform(TransformPipeline& pipeline, double dx, double dy) noexcept
{
    const double matrix[6] = {1, 0, -dx, 0, 1, -dy};
    return add_affine_transform(pipeline, matrix);
}

bool add_rotate_transform(TransformPipeline& pipeline, double degrees, double cx, double cy) noexcept
{
    // The picture turns clockwise by the angle, so each position comes from
    // the one turned back: counter-clockwise about the centre.
    const double t = degrees * kPi / 180.0, c = std::cos(t), s = std::sin(t);
    const double matrix[6] = {c, s, cx - c * cx - s * cy, -s, c, cy + s * cx - c * cy};
    return add_affine_transform(pipeline, matrix);
}

bool add_projective_transform(TransformPipeline& pipeline, const double h[9]) noexcept
{
    if (!h) return false;
    TransformMap m;
    m.apply = projective_map;
    std::copy(h, h + 9, m.value);
    return add_transform(pipeline, m);
}

bool add_push_transform(TransformPipeline& pipeline, double fromX, double fromY, double toX, double toY,
                        double radius) noexcept
{
    if (!finite({fromX, fromY, toX, toY, radius})) return false;
    const double px = toX - fromX, py = toY - fromY;
    const double reach = std::max(radius, 2.0 * std::hypot(px, py));
    TransformMap m;
    m.apply = push_map;
    m.value[0] = toX, m.value[1] = toY, m.value[2] = px, m.value[3] = py;
    m.value[4] = reach > 0 ? 1.0 / (reach * reach) : 0.0;  // no reach: nothing moves
    if (!(reach > 0)) m.value[2] = m.value[3] = 0;
    return add_transform(pipeline, m);
}

bool process_transforms(const TransformPipeline& pipeline, const ConstImageView& src, const ImageView& dst,
                        EdgeMode edge, uint32_t fill, Rect area) noexcept
{
    if (!sampling::usable_rgba32(src) || !sampling::usable_rgba32(dst)) return false;
    const int64_t x0 = std::max<int64_t>(area.x, 0), y0 = std::max<int64_t>(area.y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{area.x} + area.width, dst.width);
    const int64_t y1 = std::min<int64_t>(int64_t{area.y} + area.height, dst.height);
    if (x1 <= x0 || y1 <= y0) return true;
    const sampling::Chain chain = sampling::merge_affine_maps(pipeline);
    const Run columns{static_cast<int32_t>(x0), static_cast<int32_t>(x1)};
    process_rows(chain, src, dst, edge, fill, static_cast<int32_t>(y0), static_cast<int32_t>(y1), (x1 - x0) * (y1 - y0),
                 [&](int32_t, Run* out) {
                     out[0] = columns;
                     return 1;
                 });
    return true;
}

bool process_transforms(const TransformPipeline& pipeline, const ConstImageView& src, const ImageView& dst,
                        EdgeMode edge, uint32_t fill) noexcept
{
    return process_transforms(pipeline, src, dst, edge, fill, Rect{0, 0, dst.width, dst.height});
}

bool projective_between(const Quad& from, const Quad& to, double h[9]) noexcept
{
    if (!h || !proper(from) || !proper(to)) return false;
    // x' (g x + h y + 1) = a x + b y + c and likewise for y', h8 = 1.
    double a[8][8] = {}, b[8], s[8];
    for (int i = 0; i < 4; ++i) {
        const double x = from.x[i], y = from.y[i], u = to.x[i], v = to.y[i];
        double* r0 = a[2 * i];
        double* r1 = a[2 * i + 1];
        r0[0] = x, r0[1] = y, r0[2] = 1, r0[6] = -u * x, r0[7] = -u * y;
        r1[3] = x, r1[4] = y, r1[5] = 1, r1[6] = -v * x, r1[7] = -v * y;
        b[2 * i] = u;
        b[2 * i + 1] = v;
    }
    if (!solve(a, b, s, 8)) return false;
    for (int i = 0; i < 8; ++i) {
        if (!std::isfinite(s[i])) return false;
        h[i] = s[i];
    }
    h[8] = 1.0;
    return true;
}

bool polygon_warp(const ConstImageView& src, const Quad& from, const ImageView& dst, const Quad& to, EdgeMode edge,
                  uint32_t fill) noexcept
{
    if (!sampling::usable_rgba32(src) || !sampling::usable_rgba32(dst)) return false;
    // The inverse map: from the destination quadrilateral back to the source's.
    double h[9];
    if (!projective_between(to, from, h)) return false;
    TransformPipeline pipeline;
    add_projective_transform(pipeline, h);
    const sampling::Chain chain = sampling::merge_affine_maps(pipeline);
    const double top = *std::min_element(to.y, to.y + 4), bottom = *std::max_element(to.y, to.y + 4);
    const int32_t y0 = static_cast<int32_t>(std::clamp(std::ceil(top), 0.0, double(dst.height)));
    const int32_t y1 = static_cast<int32_t>(std::clamp(std::ceil(bottom), 0.0, double(dst.height)));
    if (y1 <= y0) return true;
    process_rows(chain, src, dst, edge, fill, y0, y1, int64_t{dst.width} * (y1 - y0),
                 [&](int32_t y, Run* out) { return quad_runs(to, y, dst.width, out); });
    return true;
}

}  // namespace mur::imaging
