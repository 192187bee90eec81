// The replayer's brush and strokes: the tool set up the way the demo sets
// up its brushes, dabs walked along a dense path.
#include "murcore.h"
#include "replay_state.h"

#include <algorithm>
#include <cmath>

namespace mur_tool {
namespace {

void set_up_tool(ReplayState& s)
{
    if (s.toolReady) return;
    MUR_SetSize(s.size);
    const auto soft = static_cast<int32_t>(std::lround(s.softness * 255));
    switch (s.brush) {
    case Brush::Round:
    case Brush::Eraser:
        MUR_SetTool(1.0f, 0, 0, 0, soft, 0, 10, 0, 0, 0, 0, 0, 0, "", "", 0);
        break;
    case Brush::Airbrush:
        MUR_SetTool(1.0f, 0, 0, 0, 255, 0, 10, 0, 0, 0, 0, 0, 0, "", "", 0);
        break;
    case Brush::Chalk: {
        // More grain: bigger cells, fewer of them painted.
        const auto cell = static_cast<int32_t>(1 + std::lround(s.grain * 3));
        const auto cellChance = static_cast<int32_t>(std::lround(230 - 110 * s.grain));
        const auto pixelChance = static_cast<int32_t>(std::lround(230 - 90 * s.grain));
        MUR_SetTool(1.0f, cell, cellChance, pixelChance, soft, 6, 4, 0, 0, 0, 0, 0, 0, "", "", 0);
        break;
    }
    case Brush::Smudge:
        MUR_SetTool(1.0f, 0, 0, 0, soft, 0, 10, 200, 0, 1, 0, 0, 0, "", "", 0);
        break;
    }
    MUR_SetDensity(s.density);
    if (s.useBanks) {
        const int32_t* b = s.banks;
        MUR_SetColorBanks(b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11]);
        MUR_SetMixMode(s.mixMode, 240);
    }
    MUR_SetRotateBrushMode(s.rotateMode, s.rotateDegrees);
    s.toolReady = true;
}

int32_t page_coordinate(double v)
{
    if (!(v == v)) v = -1e9;  // far off the page
    return static_cast<int32_t>(std::lround(std::clamp(v, -1e9, 1e9)));
}

Sample lerp(const Sample& a, const Sample& b, double t)
{
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.pressure + (b.pressure - a.pressure) * t};
}

// Samples of a curve piece: two a pixel of its length, at least one, at most the cap.
int32_t piece_samples(double length, int32_t cap)
{
    return static_cast<int32_t>(std::clamp(std::ceil(length * 2), 1.0, double(std::max(cap, 1))));
}

// One stroke: samples come in along the path, dabs go down every quarter of
// the dab size walked.
class Walk {
public:
    explicit Walk(ReplayState& s) : s_(s), eraser_(s.brush == Brush::Eraser)
    {
        set_up_tool(s);
        MUR_SetLayer(kDrawingSlot);
        MUR_SetColor(s.colour[0], s.colour[1], s.colour[2]);
        if (eraser_)
            MUR_DeletePaintLayer();  // the eraser works on the layer itself
        else
            MUR_CreatePaintLayer(100, 100, "Normal");
    }
    ~Walk()
    {
        if (!eraser_) MUR_MergePaintLayer(kDrawingSlot);
        MUR_SaveUndoBuffer(1, 0);
    }
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

    // Distance along the path without samples (a piece far off the page).
    void skip(double length, const Sample& end)
    {
        walked_ += length;
        last_ = end;
        started_ = true;
    }

    void feed(const Sample& p)
    {
        if (started_) walked_ += std::hypot(p.x - last_.x, p.y - last_.y);
        last_ = p;
        started_ = true;
        if (walked_ < nextDab_) return;
        if (!(p.pressure > 0) || s_.opacity == 0) {
            nextDab_ = walked_ + 1;
            return;
        }
        const auto dabSize = static_cast<int32_t>(std::clamp(std::lround(s_.size * p.pressure), 1L, long(s_.size)));
        const auto alpha = static_cast<int32_t>(std::max(1L, std::lround(s_.opacity * p.pressure)));
        const int32_t x = page_coordinate(p.x), y = page_coordinate(p.y);
        MUR_SetScaleSize(dabSize);
        MUR_SetAlpha(alpha);
        if (s_.brush == Brush::Smudge) MUR_MixBlendBufferSurface(x, y, 90);
        if (eraser_) MUR_SetEraseModeOn();
        MUR_DrawDabGrit(x, y, s_.colour[0] << 8, s_.colour[1] << 8, s_.colour[2] << 8);
        MUR_DecDrawingLength();
        ++s_.dabs;
        nextDab_ = walked_ + std::max(1.0, dabSize / 4.0);
    }

private:
    ReplayState& s_;
    const bool eraser_;
    double walked_ = 0, nextDab_ = 0;
    Sample last_{};
    bool started_ = false;
};

// The cubic Bezier b0..b3 into the walk. A piece whose control box lies
// beyond the page by more than the brush is walked without dabs.
void walk_bezier(Walk& walk, const ReplayState& s, const Sample (&b)[4])
{
    const double length = std::hypot(b[1].x - b[0].x, b[1].y - b[0].y) + std::hypot(b[2].x - b[1].x, b[2].y - b[1].y) +
                          std::hypot(b[3].x - b[2].x, b[3].y - b[2].y);
    double x0 = b[0].x, x1 = b[0].x, y0 = b[0].y, y1 = b[0].y;
    for (const Sample& p : b) x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    const double margin = s.size + 2.0;
    if (!(x1 >= -margin && x0 <= s.width + margin && y1 >= -margin && y0 <= s.height + margin)) {
        walk.skip(std::isfinite(length) ? length : 0, b[3]);
        return;
    }
    const int32_t n = piece_samples(length, s.sampleCap);
    for (int32_t k = 0; k < n; ++k) {
        const double t = double(k) / n;
        const Sample a = lerp(lerp(b[0], b[1], t), lerp(b[1], b[2], t), t);
        const Sample c = lerp(lerp(b[1], b[2], t), lerp(b[2], b[3], t), t);
        walk.feed(lerp(a, c, t));
    }
}

}  // namespace

void paint_points(ReplayState& s, const std::vector<Sample>& points)
{
    if (points.empty()) return;
    Walk walk(s);
    // The Catmull-Rom segment p1..p2 is the Bezier p1, p1 + (p2 - p0) / 6,
    // p2 - (p3 - p1) / 6, p2; the pressure runs straight from p1's to p2's.
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const Sample& p0 = points[i == 0 ? 0 : i - 1];
        const Sample& p1 = points[i];
        const Sample& p2 = points[i + 1];
        const Sample& p3 = points[std::min(i + 2, points.size() - 1)];
        const Sample b[4] = {p1, {p1.x + (p2.x - p0.x) / 6, p1.y + (p2.y - p0.y) / 6, lerp(p1, p2, 1.0 / 3).pressure},
                             {p2.x - (p3.x - p1.x) / 6, p2.y - (p3.y - p1.y) / 6, lerp(p1, p2, 2.0 / 3).pressure}, p2};
        walk_bezier(walk, s, b);
    }
    walk.feed(points.back());
}

void paint_bezier(ReplayState& s, const Sample (&b)[4])
{
    Walk walk(s);
    walk_bezier(walk, s, b);
    walk.feed(b[3]);
}

void finish_stroke(ReplayState& s)
{
    if (!s.inStroke) return;
    s.inStroke = false;
    // A stroke without positions has no pressure: it paints nothing.
    if (!s.points.empty() && s.points[0].pressure >= 0) paint_points(s, s.points);
    s.points.clear();
}

}  // namespace mur_tool
