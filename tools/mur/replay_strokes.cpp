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

int32_t page_coordinate(double v) { return static_cast<int32_t>(std::lround(std::clamp(v, -1e9, 1e9))); }

Sample lerp(const Sample& a, const Sample& b, double t)
{
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.pressure + (b.pressure - a.pressure) * t};
}

// Samples of one segment: two a pixel of its chord, at least one, at most the cap.
int32_t segment_samples(const Sample& a, const Sample& b, int32_t cap)
{
    const double chord = std::hypot(b.x - a.x, b.y - a.y);
    return static_cast<int32_t>(std::clamp(std::ceil(chord * 2), 1.0, double(std::max(cap, 1))));
}

}  // namespace

std::vector<Sample> catmull_rom_samples(const std::vector<Sample>& points, int32_t cap)
{
    if (points.size() < 2) return points;
    std::vector<Sample> out;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const Sample& p0 = points[i == 0 ? 0 : i - 1];
        const Sample& p1 = points[i];
        const Sample& p2 = points[i + 1];
        const Sample& p3 = points[std::min(i + 2, points.size() - 1)];
        const int32_t n = segment_samples(p1, p2, cap);
        for (int32_t k = 0; k < n; ++k) {
            const double t = double(k) / n, t2 = t * t, t3 = t2 * t;
            auto axis = [&](double a, double b, double c, double d) {
                return 0.5 * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (3 * b - a - 3 * c + d) * t3);
            };
            out.push_back({axis(p0.x, p1.x, p2.x, p3.x), axis(p0.y, p1.y, p2.y, p3.y),
                           p1.pressure + (p2.pressure - p1.pressure) * t});
        }
    }
    out.push_back(points.back());
    return out;
}

std::vector<Sample> bezier_samples(Sample p0, Sample p1, Sample p2, Sample p3, int32_t cap)
{
    const double hull = std::hypot(p1.x - p0.x, p1.y - p0.y) + std::hypot(p2.x - p1.x, p2.y - p1.y) +
                        std::hypot(p3.x - p2.x, p3.y - p2.y);
    const int32_t n = segment_samples({0, 0, 0}, {hull, 0, 0}, cap);
    std::vector<Sample> out;
    for (int32_t k = 0; k <= n; ++k) {
        const double t = double(k) / n;
        const Sample a = lerp(lerp(p0, p1, t), lerp(p1, p2, t), t), b = lerp(lerp(p1, p2, t), lerp(p2, p3, t), t);
        const Sample p = lerp(a, b, t);
        out.push_back({p.x, p.y, 1.0});
    }
    return out;
}

void paint_path(ReplayState& s, const std::vector<Sample>& path)
{
    if (path.empty()) return;
    set_up_tool(s);
    MUR_SetLayer(kDrawingSlot);
    MUR_SetColor(s.colour[0], s.colour[1], s.colour[2]);
    const bool eraser = s.brush == Brush::Eraser;
    if (eraser)
        MUR_DeletePaintLayer();  // the eraser works on the layer itself
    else
        MUR_CreatePaintLayer(100, 100, "Normal");

    double walked = 0, nextDab = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (i > 0) walked += std::hypot(path[i].x - path[i - 1].x, path[i].y - path[i - 1].y);
        if (walked < nextDab) continue;
        const double p = path[i].pressure;
        if (!(p > 0) || s.opacity == 0) {
            nextDab = walked + 1;
            continue;
        }
        const auto dabSize = static_cast<int32_t>(std::clamp(std::lround(s.size * p), 1L, long(s.size)));
        const auto alpha = static_cast<int32_t>(std::max(1L, std::lround(s.opacity * p)));
        const int32_t x = page_coordinate(path[i].x), y = page_coordinate(path[i].y);
        MUR_SetScaleSize(dabSize);
        MUR_SetAlpha(alpha);
        if (s.brush == Brush::Smudge) MUR_MixBlendBufferSurface(x, y, 90);
        if (eraser) MUR_SetEraseModeOn();
        MUR_DrawDabGrit(x, y, s.colour[0] << 8, s.colour[1] << 8, s.colour[2] << 8);
        MUR_DecDrawingLength();
        ++s.dabs;
        nextDab = walked + std::max(1.0, dabSize / 4.0);
    }
    if (!eraser) MUR_MergePaintLayer(kDrawingSlot);
    MUR_SaveUndoBuffer(1, 0);
}

void finish_stroke(ReplayState& s)
{
    if (!s.inStroke) return;
    s.inStroke = false;
    // A stroke without positions has no pressure: it paints nothing.
    if (s.points.empty() || s.points[0].pressure < 0) return;
    paint_path(s, catmull_rom_samples(s.points, s.sampleCap));
    s.points.clear();
}

}  // namespace mur_tool
