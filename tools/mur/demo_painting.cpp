// The painting of the demo: a small evening landscape made only of brush
// strokes, the way a paint program makes them. Every stroke is a row of dabs
// along a smooth curve with a pressure that swells and fades; the host side
// of a stroke (tool set-up, paint layer, pick-up before each dab, merge and
// undo step) is done here through the public interface.
#include "demo_painting.h"

#include "demo.h"
#include "murcore.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace mur_tool {
namespace {

constexpr int32_t kWidth = 800;
constexpr int32_t kHeight = 560;
constexpr int32_t kLargestBrush = 160;
constexpr double kPi = 3.14159265358979;

enum Slot : int32_t { Paper = 1, Sky = 2, Land = 3, Trees = 4 };

struct Point {
    double x, y;
};

struct Rgb {
    int32_t r, g, b;
};

// Where a stroke's dabs go.
enum class Target {
    PaintLayer,  // a paint layer, merged into the layer at the end
    Layer,       // straight into the layer (the eraser)
    Mask,        // the selection mask (the mask maker)
};

struct Stroke {
    const char* name;
    int32_t layer;
    std::vector<Point> path;     // control points of the curve
    Rgb colour;
    int32_t size;                // the brush size the shape is made at
    double thinnest = 0.35;      // dab size without pressure, as a share of the size
    int32_t alpha = 100;         // percent at full pressure
    double alphaFollows = 0.5;   // how much of the alpha goes with the pressure
    double spacing = 0.12;       // distance of dabs as a share of the dab size
    int32_t mixPickUp = 0;       // strength of the mixing pick-up before each dab
    Target target = Target::PaintLayer;
    int32_t opacity = 100;       // of the paint layer
    double pressureWobble = 0.08;
    std::function<void()> tool = [] {};  // the tool set-up after the size is set
    std::function<void(int32_t)> afterDab = nullptr;  // called with the dabs so far, when set
};

// A point of the Catmull-Rom curve through p0..p3 between p1 and p2.
Point catmull_rom(const Point& p0, const Point& p1, const Point& p2, const Point& p3, double t)
{
    const double t2 = t * t, t3 = t2 * t;
    auto axis = [&](double a, double b, double c, double d) {
        return 0.5 * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (3 * b - a - 3 * c + d) * t3);
    };
    return {axis(p0.x, p1.x, p2.x, p3.x), axis(p0.y, p1.y, p2.y, p3.y)};
}

// The curve through the points, sampled finely enough to walk along.
std::vector<Point> sample_curve(const std::vector<Point>& points)
{
    std::vector<Point> out;
    if (points.size() < 2) return points;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const Point& p0 = points[i == 0 ? 0 : i - 1];
        const Point& p3 = points[std::min(i + 2, points.size() - 1)];
        for (int k = 0; k < 64; ++k) out.push_back(catmull_rom(p0, points[i], points[i + 1], p3, k / 64.0));
    }
    out.push_back(points.back());
    return out;
}

// Pressure along the stroke: it rises quickly, holds with a little tremor and
// tapers off at the end, like a pen lifted away.
double pressure(double t, double wobble)
{
    const double rise = std::min(1.0, t / 0.15), fall = std::min(1.0, (1 - t) / 0.3);
    const double shape = std::sqrt(std::max(0.0, rise)) * std::pow(std::max(0.0, fall), 0.7);
    return std::clamp(shape * (1 - wobble + wobble * std::sin(t * 23.0)), 0.0, 1.0);
}

double curve_length(const std::vector<Point>& curve)
{
    double length = 0;
    for (std::size_t i = 1; i < curve.size(); ++i)
        length += std::hypot(curve[i].x - curve[i - 1].x, curve[i].y - curve[i - 1].y);
    return length;
}

int32_t paint_stroke(const Stroke& s)
{
    MUR_SetLayer(s.layer);
    MUR_SetSize(s.size);
    s.tool();
    MUR_SetColor(s.colour.r, s.colour.g, s.colour.b);
    // The eraser works on the layer itself: a paint layer would take its
    // dabs instead.
    if (s.target == Target::PaintLayer) MUR_CreatePaintLayer(s.opacity, 100, "Normal");
    if (s.target == Target::Layer) MUR_DeletePaintLayer();

    const std::vector<Point> curve = sample_curve(s.path);
    const double length = std::max(curve_length(curve), 1.0);
    double walked = 0, nextDab = 0;
    int32_t dabs = 0;
    for (std::size_t i = 0; i < curve.size(); ++i) {
        if (i > 0) walked += std::hypot(curve[i].x - curve[i - 1].x, curve[i].y - curve[i - 1].y);
        if (walked < nextDab) continue;
        const double p = pressure(walked / length, s.pressureWobble);
        const int32_t dabSize = std::max(2, static_cast<int32_t>(std::lround(s.size * (s.thinnest + (1 - s.thinnest) * p))));
        const int32_t alpha = static_cast<int32_t>(std::lround(s.alpha * (1 - s.alphaFollows + s.alphaFollows * p)));
        const auto x = static_cast<int32_t>(std::lround(curve[i].x)), y = static_cast<int32_t>(std::lround(curve[i].y));
        MUR_SetScaleSize(dabSize);
        MUR_SetAlpha(std::max(alpha, 1));
        if (s.mixPickUp > 0) MUR_MixBlendBufferSurface(x, y, s.mixPickUp);
        if (s.target == Target::Mask) MUR_SetMaskMakerOn();
        if (s.target == Target::Layer) MUR_SetEraseModeOn();
        MUR_DrawDabGrit(x, y, s.colour.r << 8, s.colour.g << 8, s.colour.b << 8);
        MUR_DecDrawingLength();
        ++dabs;
        if (s.afterDab) s.afterDab(dabs);
        nextDab = walked + std::max(1.0, s.spacing * dabSize);
    }

    if (s.target == Target::PaintLayer) MUR_MergePaintLayer(s.layer);
    const bool mask = s.target == Target::Mask;
    MUR_SaveUndoBuffer(mask ? 0 : 1, mask ? 1 : 0);
    std::printf("  %-34s %4d dabs into %s %d\n", s.name, dabs, mask ? "the mask over layer" : "layer", s.layer);
    return dabs;
}

// Tool set-ups. Each starts from the whole tool, as a host's brush preset would.
std::function<void()> round_brush(int32_t softness)
{
    return [=] { MUR_SetTool(1.0f, 0, 0, 0, softness, 0, 10, 0, 0, 0, 0, 0, 0, "", "", 0); };
}

std::function<void()> chalk(int32_t cell, int32_t density)
{
    return [=] {
        MUR_SetTool(1.0f, cell, 150, 170, 90, 6, 4, 0, 0, 0, 0, 0, 0, "", "", 0);
        MUR_SetDensity(density);
    };
}

std::function<void()> textured(const std::string& script, int32_t density)
{
    return [=] {
        MUR_SetTool(1.0f, 1, 0, 0, 120, 4, 6, 0, 0, 0, 0, 0, 0, script.c_str(), "", 0);
        MUR_SetDensity(density);
    };
}

std::function<void()> smudge()
{
    return [] {
        MUR_SetTool(1.0f, 0, 0, 0, 200, 0, 10, 200, 0, 1, 0, 0, 0, "", "", 0);
    };
}

std::function<void()> bank_mixer()
{
    return [] {
        MUR_SetTool(1.0f, 0, 0, 0, 60, 110, 10, 0, 0, 0, 0, 0, 0, "", "", 0);
        MUR_SetColorBanks(190, 40, 50, 235, 120, 40, 250, 215, 90, 255, 250, 235);
        MUR_SetMixMode(250, 240);
    };
}

// A band of horizontal strokes filling y0..y1, each a little wavy.
std::vector<Stroke> band(const char* name, int32_t layer, int32_t y0, int32_t y1, int32_t step, Rgb top, Rgb bottom,
                         int32_t size, int32_t alpha, std::function<void()> tool, double waviness)
{
    std::vector<Stroke> strokes;
    for (int32_t y = y0; y <= y1; y += step) {
        const double t = y1 > y0 ? double(y - y0) / (y1 - y0) : 0;
        const Rgb c{static_cast<int32_t>(top.r + (bottom.r - top.r) * t), static_cast<int32_t>(top.g + (bottom.g - top.g) * t),
                    static_cast<int32_t>(top.b + (bottom.b - top.b) * t)};
        std::vector<Point> path;
        for (int k = 0; k <= 6; ++k) {
            const double x = -60 + k * (kWidth + 120) / 6.0;
            path.push_back({x, y + waviness * std::sin(k * 1.7 + y * 0.05)});
        }
        if ((y / step) % 2) std::reverse(path.begin(), path.end());
        Stroke s{name, layer, path, c, size};
        s.alpha = alpha;
        s.thinnest = 0.7;
        s.spacing = 0.08;
        s.tool = tool;
        strokes.push_back(s);
    }
    return strokes;
}

// The ridge of the distant hills and of the near ones at x.
double far_ridge(double x) { return 318 + 22 * std::sin(x / 110.0 + 0.6) + 9 * std::sin(x / 37.0); }
double near_ridge(double x) { return 392 + 30 * std::sin(x / 150.0 + 2.2) + 6 * std::sin(x / 29.0); }

std::vector<Point> along(double (*ridge)(double), double offset, double x0, double x1, int points)
{
    std::vector<Point> path;
    for (int k = 0; k <= points; ++k) {
        const double x = x0 + (x1 - x0) * k / points;
        path.push_back({x, ridge(x) + offset});
    }
    return path;
}

std::vector<Point> circle(Point c, double radius, int points)
{
    std::vector<Point> path;
    for (int k = 0; k <= points; ++k) {
        const double a = 2 * kPi * k / points;
        path.push_back({c.x + radius * std::cos(a), c.y + radius * std::sin(a)});
    }
    return path;
}

void load_paper()
{
    std::vector<uint8_t> paper(std::size_t(kWidth) * kHeight * 4);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
            h = (h ^ (h >> 13)) * 1274126177u;
            const int grain = static_cast<int>((h ^ (h >> 16)) & 7) - 4;
            uint8_t* p = &paper[(std::size_t(y) * kWidth + x) * 4];
            p[0] = static_cast<uint8_t>(244 + grain), p[1] = static_cast<uint8_t>(237 + grain);
            p[2] = static_cast<uint8_t>(222 + grain), p[3] = 255;
        }
    MUR_LoadRGBA32Layer(paper.data(), kWidth * 4, Paper, 0, 0, kWidth, kHeight, 0);
}

}  // namespace

int paint_landscape(const std::string& outDir, const std::string& shareDir)
{
    MUR_SetRandomSeed(2026);
    MUR_CreateImage(nullptr, kWidth, kHeight, kLargestBrush, 0);
    for (int32_t slot : {Paper, Sky, Land, Trees}) MUR_CreateLayer(slot, kWidth, kHeight);
    for (int32_t slot : {Paper, Sky, Land, Trees}) MUR_SetLayerOptions(slot, 1, 0, 100, "Normal");
    load_paper();
    MUR_SetUndoLevels(40);
    MUR_SetUndoMB(256);
    std::printf("painting a %dx%d landscape:\n", kWidth, kHeight);

    int32_t dabs = 0;
    const Point sun{575, 250};

    // Sky: soft airbrush washes from deep blue above to a warm glow at the horizon.
    for (const Stroke& s : band("airbrush wash (sky)", Sky, 20, 330, 38, {52, 78, 150}, {246, 178, 120}, 150, 38,
                                round_brush(255), 18))
        dabs += paint_stroke(s);

    // Clouds: the eraser lifts the wash off again in soft drifts.
    for (int k = 0; k < 3; ++k) {
        Stroke s{"eraser (clouds)", Sky,
                 {{60.0 + 90 * k, 95.0 + 48 * k}, {190.0 + 80 * k, 80.0 + 45 * k}, {330.0 + 70 * k, 102.0 + 40 * k},
                  {440.0 + 60 * k, 90.0 + 44 * k}},
                 {255, 255, 255}, 70};
        s.target = Target::Layer;
        s.alpha = 35;
        s.thinnest = 0.3;
        s.tool = round_brush(255);
        dabs += paint_stroke(s);
    }

    // The mask maker protects the sun's disc; a haze is then laid over the
    // horizon around it, and the mask opened again.
    {
        Stroke s{"mask maker (sun disc)", Sky, circle(sun, 14, 12), {255, 255, 255}, 56};
        s.target = Target::Mask;
        s.thinnest = 1.0;
        s.alphaFollows = 0;
        s.tool = round_brush(0);
        dabs += paint_stroke(s);
        for (const Stroke& haze : band("airbrush haze (around the sun)", Sky, 215, 300, 28, {236, 120, 84},
                                       {226, 104, 86}, 120, 55, round_brush(255), 10))
            dabs += paint_stroke(haze);
        MUR_ClearMask(0, 0, 0);
        MUR_SaveUndoBuffer(0, 1);
        Stroke glow{"soft round (sun)", Sky, circle(sun, 6, 8), {255, 236, 170}, 60};
        glow.thinnest = 1.0;
        glow.alpha = 70;
        glow.alphaFollows = 0;
        glow.tool = round_brush(140);
        dabs += paint_stroke(glow);
    }

    // Distant hills: a hard round brush along the ridge, then filling down.
    for (int k = 0; k < 5; ++k) {
        Stroke s{"hard round (far hills)", Land, along(far_ridge, 14.0 + 16 * k, -40, kWidth + 40, 9), {92, 92, 142}, 44};
        s.thinnest = 0.6;
        s.tool = round_brush(20);
        dabs += paint_stroke(s);
    }
    // Near hills in green, overlapping the distant ones.
    for (int k = 0; k < 8; ++k) {
        Stroke s{"hard round (near hills)", Land, along(near_ridge, 18.0 + 20 * k, -40, kWidth + 40, 9),
                 {static_cast<int32_t>(64 + 6 * k), static_cast<int32_t>(104 + 4 * k), 58}, 56};
        s.thinnest = 0.6;
        s.tool = round_brush(25);
        dabs += paint_stroke(s);
    }
    // A smudge drags colour along the meeting of the two.
    for (int k = 0; k < 2; ++k) {
        Stroke s{"smudge (pick-up and remix)", Land, along(near_ridge, -2.0 + 10 * k, 20, kWidth - 20, 12), {0, 0, 0}, 34};
        s.mixPickUp = 90;
        s.spacing = 0.1;
        s.tool = smudge();
        dabs += paint_stroke(s);
    }
    // Chalk catches the light on the near hills; the step is undone and
    // redone on the way, as a painter changing their mind twice.
    for (int k = 0; k < 4; ++k) {
        Stroke s{"chalk (random grit)", Land, along(near_ridge, 24.0 + 26 * k, 30.0 + 60 * k, 520.0 + 60 * k, 6),
                 {170, 190, 92}, 38};
        s.alpha = 70;
        s.tool = chalk(2, 150);
        dabs += paint_stroke(s);
        if (k == 0) {
            MUR_Undo();
            std::printf("  undo: %d steps, can redo %s\n", MUR_GetUndoCount(), MUR_CanRedo() ? "yes" : "no");
            MUR_Redo();
            std::printf("  redo: the chalk is back, can redo %s\n", MUR_CanRedo() ? "yes" : "no");
        }
    }
    // A field in the foreground, through the weave of a texture script.
    for (int k = 0; k < 5; ++k) {
        Stroke s{"texture grit (field)", Land,
                 {{-40.0, 478.0 + 22 * k}, {260.0, 470.0 + 22 * k}, {540.0, 486.0 + 22 * k}, {kWidth + 40.0, 474.0 + 22 * k}},
                 {static_cast<int32_t>(206 - 8 * k), static_cast<int32_t>(150 - 10 * k), 72}, 70};
        s.thinnest = 0.7;
        s.alpha = 90;
        s.tool = textured(shareDir + "/textures/canvas_weave.lua", 150);
        dabs += paint_stroke(s);
    }
    // Flowers: a colour-bank mix mode turns each dab's varied colour into
    // one of three bank colours by its lightness.
    for (int k = 0; k < 4; ++k) {
        std::vector<Point> path;
        for (int j = 0; j <= 8; ++j) path.push_back({40.0 + j * 90 + 17 * k, 470.0 + 20 * k + 14 * std::sin(j * 1.3 + k)});
        Stroke s{"colour banks (flowers)", Land, path, {128, 128, 128}, 12};
        s.spacing = 2.6;
        s.thinnest = 0.6;
        s.tool = bank_mixer();
        dabs += paint_stroke(s);
    }
    // Two trees on the hill: dark trunks, then chalky crowns.
    for (const double x : {170.0, 236.0}) {
        Stroke trunk{"hard round (trunk)", Trees, {{x, near_ridge(x) + 30}, {x + 2, near_ridge(x) - 40}, {x - 1, near_ridge(x) - 95}},
                     {58, 46, 40}, 12};
        trunk.thinnest = 0.4;
        trunk.tool = round_brush(30);
        dabs += paint_stroke(trunk);
        for (int k = 0; k < 3; ++k) {
            Stroke crown{"chalk (crown)", Trees, circle({x, near_ridge(x) - 100 + 12 * k}, 26.0 - 6 * k, 10),
                         {static_cast<int32_t>(46 + 14 * k), static_cast<int32_t>(84 + 16 * k), 52}, 44};
            crown.alpha = 90;
            crown.tool = chalk(3, 200);
            dabs += paint_stroke(crown);
        }
    }

    // Leaves blown over the meadow: an image brush stamped along a path.
    dabs += paint_stamp_stroke(outDir, kWidth, kHeight, Land, Trees, 600, 535);

    std::printf("  %d dabs in all; %d undo steps kept\n", dabs, MUR_GetUndoCount());
    const bool written = save_view(outDir + "/demo.png", 1, 1.0f, 0, 0, kWidth, kHeight);
    MUR_DeleteImage();
    return written ? 0 : 1;
}

int32_t paint_round_stroke(int32_t layer, const std::vector<std::pair<double, double>>& path, int32_t r, int32_t g,
                           int32_t b, int32_t size, int32_t softness, const std::function<void(int32_t)>& afterDab)
{
    std::vector<Point> points;
    for (const auto& [x, y] : path) points.push_back({x, y});
    Stroke s{"round brush", layer, points, {r, g, b}, size};
    s.tool = round_brush(softness);
    s.afterDab = afterDab;
    return paint_stroke(s);
}

}  // namespace mur_tool
