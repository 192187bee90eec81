// Dabs per second of `mur replay` beside the demo's direct dab loop
// (Catmull-Rom path, a dab every quarter of its size, paint layer merged and
// undo step saved per stroke) on the same 800 x 560 page, with the same
// strokes and brush sizes. One thread: a dab of more than 35 rows would
// otherwise fork a team, and on a shared machine the team's waits swamp
// what is measured.
#include "murcore.h"
#include "replay.h"

#include <benchmark/benchmark.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int32_t kPageW = 800, kPageH = 560;
constexpr int kStrokes = 40;

struct Point {
    double x, y;
};

std::vector<Point> stroke_path(int k)
{
    std::vector<Point> path;
    for (int j = 0; j <= 6; ++j)
        path.push_back({40.0 + j * 120, 40.0 + k * 12 + 12 * std::sin(j * 1.3 + k)});
    return path;
}

std::string replay_text(int32_t size)
{
    std::string s = "1554\nDescription\n1\n \nRandomSeed\n5\nSetPage\n800\n560\n0\n0\nSelectBrush\n0\n0.3\n0\n";
    s += "SetBrushSize\n" + std::to_string(size) + "\nSetColor\n60\n90\n140\n";
    char line[96];
    for (int k = 0; k < kStrokes; ++k) {
        const std::vector<Point> path = stroke_path(k);
        std::snprintf(line, sizeof line, "DrawStart\n%.14g\n%.14g\n-1\nSmoothPlot2\n0\n0\n0\n1\n0\n", path[0].x, path[0].y);
        s += line;
        for (const Point& p : path) {
            std::snprintf(line, sizeof line, "SmoothPlot2\n%.14g\n%.14g\n1\n0\n0\n", p.x, p.y);
            s += line;
        }
        s += "SmoothPlot2\n0\n0\n0\n0\n1\nDrawStop\n1\n";
    }
    return s + "ScriptEnd\n";
}

void BM_ReplayDabs(benchmark::State& state)
{
    const auto size = static_cast<int32_t>(state.range(0));
    const std::string text = replay_text(size);
    omp_set_num_threads(1);
    mur_tool::ReplayOptions options;
    options.log = nullptr;
    int64_t dabs = 0;
    for (auto _ : state) {
        const mur_tool::ReplayOutcome out = mur_tool::replay_script(text, options);
        if (out.status != 0) state.SkipWithError(out.error.c_str());
        dabs += out.dabs;
    }
    state.SetItemsProcessed(dabs);
    state.SetLabel("mur replay, " + std::to_string(dabs / std::max<int64_t>(1, state.iterations())) + " dabs a run");
    MUR_DeleteImage();
    omp_set_num_threads(omp_get_num_procs());
}
BENCHMARK(BM_ReplayDabs)->Arg(16)->Arg(40)->Arg(96)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: the demo's loop over the same page, path, brush and spacing,
// straight through the interface.
Point catmull_rom(const Point& p0, const Point& p1, const Point& p2, const Point& p3, double t)
{
    const double t2 = t * t, t3 = t2 * t;
    auto axis = [&](double a, double b, double c, double d) {
        return 0.5 * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (3 * b - a - 3 * c + d) * t3);
    };
    return {axis(p0.x, p1.x, p2.x, p3.x), axis(p0.y, p1.y, p2.y, p3.y)};
}

void BM_DirectDabLoop(benchmark::State& state)
{
    const auto size = static_cast<int32_t>(state.range(0));
    omp_set_num_threads(1);
    int64_t dabs = 0;
    for (auto _ : state) {
        MUR_SetRandomSeed(5);
        MUR_CreateImage(nullptr, kPageW, kPageH, 256, 0);
        for (int32_t slot : {1, 2}) {
            MUR_CreateLayer(slot, kPageW, kPageH);
            MUR_SetLayerOptions(slot, 1, 0, 100, "Normal");
        }
        MUR_SetLayer(2);
        MUR_IPLAllocSrcBuffer32();
        MUR_IPLAllocDstBuffer32();
        MUR_SetUndoLevels(4);
        MUR_SetSize(size);
        MUR_SetTool(1.0f, 0, 0, 0, 77, 0, 10, 0, 0, 0, 0, 0, 0, "", "", 0);
        MUR_SetDensity(256);
        MUR_SetRotateBrushMode(0, 0);
        for (int k = 0; k < kStrokes; ++k) {
            const std::vector<Point> points = stroke_path(k);
            std::vector<Point> curve;
            for (std::size_t i = 0; i + 1 < points.size(); ++i) {
                const Point& p0 = points[i == 0 ? 0 : i - 1];
                const Point& p3 = points[std::min(i + 2, points.size() - 1)];
                const int n = int(std::ceil(std::hypot(points[i + 1].x - points[i].x, points[i + 1].y - points[i].y) * 2));
                for (int j = 0; j < n; ++j) curve.push_back(catmull_rom(p0, points[i], points[i + 1], p3, double(j) / n));
            }
            curve.push_back(points.back());
            MUR_SetLayer(2);
            MUR_SetColor(60, 90, 140);
            MUR_CreatePaintLayer(100, 100, "Normal");
            double walked = 0, nextDab = 0;
            for (std::size_t i = 0; i < curve.size(); ++i) {
                if (i > 0) walked += std::hypot(curve[i].x - curve[i - 1].x, curve[i].y - curve[i - 1].y);
                if (walked < nextDab) continue;
                MUR_SetScaleSize(size);
                MUR_SetAlpha(100);
                MUR_DrawDabGrit(int32_t(std::lround(curve[i].x)), int32_t(std::lround(curve[i].y)), 60 << 8, 90 << 8,
                                140 << 8);
                MUR_DecDrawingLength();
                ++dabs;
                nextDab = walked + std::max(1.0, size / 4.0);
            }
            MUR_MergePaintLayer(2);
            MUR_SaveUndoBuffer(1, 0);
        }
    }
    state.SetItemsProcessed(dabs);
    state.SetLabel("direct loop, " + std::to_string(dabs / std::max<int64_t>(1, state.iterations())) + " dabs a run");
    MUR_DeleteImage();
    omp_set_num_threads(omp_get_num_procs());
}
BENCHMARK(BM_DirectDabLoop)->Arg(16)->Arg(40)->Arg(96)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
