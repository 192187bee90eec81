#include "demo.h"

#include "demo_painting.h"
#include "murcore.h"
#include "png_files.h"
#include "share_dir.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace mur_tool {
namespace {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr int32_t kBrush = 128;

const char* yes_no(int32_t v) { return v ? "yes" : "no"; }

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
uint8_t byte(double v) { return static_cast<uint8_t>(std::lround(clamp01(v) * 255)); }

// An RGBA32 picture of the image's size, drawn pixel by pixel.
struct Canvas {
    std::vector<uint8_t> rgba = std::vector<uint8_t>(std::size_t(kWidth) * kHeight * 4, 0);
    template <class Shade>
    void paint(Shade shade)
    {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                double c[4] = {0, 0, 0, 0};
                shade(x, y, c);
                uint8_t* p = &rgba[(std::size_t(y) * kWidth + x) * 4];
                for (int i = 0; i < 4; ++i) p[i] = byte(c[i]);
            }
    }
};

double smoothstep(double edge0, double edge1, double x)
{
    const double t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

// A cheap, repeatable grain in 0..1.
double grain(int x, int y)
{
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

void load_layer(int32_t slot, const Canvas& canvas, const char* mode, int32_t opacity)
{
    MUR_CreateLayer(slot, kWidth, kHeight);
    MUR_LoadRGBA32Layer(canvas.rgba.data(), kWidth * 4, slot, 0, 0, kWidth, kHeight, 0);
    MUR_SetLayerOptions(slot, 1, 0, opacity, mode);
    std::printf("  layer %d: %-12s at %3d%%\n", slot, mode, opacity);
}

}  // namespace

bool save_view(const std::string& path, int32_t n, float s, int32_t x, int32_t y, int32_t w, int32_t h)
{
    MUR_SetScale(n, s);
    const int32_t outW = s == static_cast<float>(n) ? w : s > n ? static_cast<int32_t>(w / s) : w * n;
    const int32_t outH = s == static_cast<float>(n) ? h : s > n ? static_cast<int32_t>(h / s) : h * n;
    MUR_SetViewSize(outW, outH);
    std::vector<uint8_t> bgr(std::size_t(outW) * outH * 3);
    if (!MUR_Render(bgr.data(), outW * 3, x, y, w, h)) return false;
    for (std::size_t i = 0; i < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
    std::string error;
    if (!write_png(path, bgr.data(), outW, outH, 3, error)) {
        std::printf("could not write %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    std::printf("  wrote %s (%dx%d)\n", path.c_str(), outW, outH);
    return true;
}

namespace {

// The document: paper, sky, sun, light, a masked hill, a texture, and a
// stroke in progress in the paint layer.
void build_document()
{
    Canvas paper;
    paper.paint([](int x, int y, double* c) {
        const double g = 0.04 * (grain(x, y) - 0.5);
        c[0] = 0.96 + g, c[1] = 0.93 + g, c[2] = 0.86 + g, c[3] = 1;
        (void)y;
    });
    load_layer(1, paper, "Normal", 100);

    Canvas sky;
    sky.paint([](int, int y, double* c) {
        const double t = y / double(kHeight);
        c[0] = 0.35 + 0.4 * t, c[1] = 0.55 + 0.3 * t, c[2] = 0.85, c[3] = 1 - smoothstep(0.35, 0.7, t);
    });
    load_layer(2, sky, "Normal", 85);

    Canvas sun;
    sun.paint([](int x, int y, double* c) {
        const double d = std::hypot(x - 470.0, y - 120.0);
        c[0] = 1.0, c[1] = 0.62, c[2] = 0.2, c[3] = 1 - smoothstep(55, 75, d);
    });
    load_layer(3, sun, "Multiply", 90);

    Canvas glow;
    glow.paint([](int x, int y, double* c) {
        const double d = std::hypot(x - 470.0, y - 120.0);
        c[0] = 1.0, c[1] = 0.9, c[2] = 0.6, c[3] = 0.8 * (1 - smoothstep(60, 220, d));
    });
    load_layer(4, glow, "Screen", 60);

    Canvas hill;
    hill.paint([](int x, int y, double* c) {
        const double ridge = 330 + 40 * std::sin(x / 90.0) + 15 * std::sin(x / 23.0);
        const double shade = 0.15 * grain(x / 3, y / 3);
        c[0] = 0.25 + shade, c[1] = 0.48 + shade, c[2] = 0.22, c[3] = smoothstep(ridge - 2, ridge + 2, y);
    });
    load_layer(5, hill, "Normal", 100);

    // A layer mask over the hill: it fades out towards the left edge.
    Canvas fade;
    fade.paint([](int x, int, double* c) {
        const double v = smoothstep(20, 260, x);
        c[0] = c[1] = c[2] = v, c[3] = 1;
    });
    load_layer(6, fade, "Layer Mask", 100);

    Canvas weave;
    weave.paint([](int x, int y, double* c) {
        const double v = 0.5 + 0.18 * std::sin(x * 0.8) * std::sin(y * 0.8) + 0.08 * (grain(x, y) - 0.5);
        c[0] = c[1] = c[2] = v, c[3] = 0.55;
    });
    load_layer(7, weave, "Overlay", 70);

    MUR_SetLayer(5);
    // The stroke: a thick, tapering curve with soft edges, put into the paint
    // layer through a spare slot.
    Canvas stroke;
    stroke.paint([](int x, int y, double* c) {
        const double t = (x - 60) / 520.0;
        if (t < 0 || t > 1) return;
        const double centre = 400 + 30 * std::sin(t * 6.0);
        const double radius = 4 + 14 * std::sin(t * 3.14159);
        const double d = std::abs(y - centre);
        c[0] = 0.75, c[1] = 0.12 + 0.3 * t, c[2] = 0.1;
        c[3] = (1 - smoothstep(radius - 2.5, radius + 1, d)) * (0.75 + 0.25 * grain(x, y));
    });
    MUR_CreateLayer(200, kWidth, kHeight);
    MUR_LoadRGBA32Layer(stroke.rgba.data(), kWidth * 4, 200, 0, 0, kWidth, kHeight, 0);
    MUR_CreatePaintLayer(100, 100, "Normal");
    MUR_SwapPaintLayer(200);
    MUR_DeleteLayer(200);
    MUR_CreatePaintLayer(90, 100, "Normal");
    MUR_SetPaintLayerExtents(40, 340, 600, 460);
    std::printf("  paint layer: a stroke on layer 5, Normal at 90%%\n");

    // Protect a band of the image with the mask: half-masked there.
    std::vector<uint16_t> mask(std::size_t(kWidth) * kHeight, 65535);
    for (int y = 180; y < 260; ++y)
        for (int x = 40; x < 300; ++x) mask[std::size_t(y) * kWidth + x] = 16384;
    MUR_SetMaskData16(mask.data());
    MUR_SetMaskOptions(255, 40, 40, 255, 120, 120, 0);
}

}  // namespace

int demo(const char* outDir)
{
    std::error_code ignored;
    std::filesystem::create_directories(outDir, ignored);
    MUR_SetRandomSeed(1234);
    MUR_CreateImage(nullptr, kWidth, kHeight, kBrush, 0);
    std::printf("created a %dx%d image for brushes up to %d px; undo back buffers use %d MB\n", kWidth, kHeight,
                kBrush, MUR_GetCurrentUndoMemory());
    build_document();
    std::printf("%d layers live, current layer %d\n", MUR_GetLayerCount(), MUR_GetLayerNum());

    const std::string dir(outDir);
    std::printf("rendering:\n");
    save_view(dir + "/view.png", 1, 1.0f, 0, 0, kWidth, kHeight);
    save_view(dir + "/view_zoom4.png", 4, 1.0f, 400, 330, 160, 120);
    save_view(dir + "/view_reduced.png", 1, 2.5f, 0, 0, kWidth, kHeight);
    MUR_DisplayMask(1);
    save_view(dir + "/view_mask.png", 1, 1.0f, 0, 0, kWidth, kHeight);
    MUR_DisplayMask(0);

    MUR_SetUndoLevels(20);
    MUR_SetUndoMB(64);
    MUR_SetLayer(5);
    MUR_MergePaintLayer(5);
    MUR_InvalidateDirtyUndoCanvas();
    MUR_SaveUndoBuffer(1, 1);
    std::printf("merged the stroke into layer 5 and saved an undo step (%d step, %d MB of history)\n",
                MUR_GetUndoCount(), MUR_GetCurrentUndoMemory());
    save_view(dir + "/view_merged.png", 1, 1.0f, 0, 0, kWidth, kHeight);
    MUR_Undo();
    std::printf("undone: can redo %s; redone: ", yes_no(MUR_CanRedo()));
    MUR_Redo();
    std::printf("can undo %s\n", yes_no(MUR_CanUndo()));
    std::printf("composite colour at (470, 120): 0x%08X\n", MUR_GetColorAtMerged(470, 120));

    MUR_NewSize(nullptr, 800, 600, kBrush, 0);
    std::printf("resized the page to 800x600; %d layers kept; undo count %d\n", MUR_GetLayerCount(),
                MUR_GetUndoCount());
    MUR_DeleteImage();
    std::printf("deleted the image; %d layers left\n", MUR_GetLayerCount());
    const char* error = MUR_GetLastError();
    std::printf("last error: %s\n", *error ? error : "(none)");
    return paint_landscape(dir, share_dir());
}

}  // namespace mur_tool
