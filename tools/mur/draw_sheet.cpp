#include "draw_sheet.h"

#include "contact_sheet.h"
#include "murcore.h"
#include "share_dir.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace mur_tool {
namespace {

constexpr int kPhotoWidth = 220;  // wider pictures are shrunk first
constexpr int kColumns = 6;
constexpr int kLabelBand = 20;    // the label's strip above each cell

// Without a photograph: soft colour fields and a few flat patches, so that
// fills have regions to find.
Picture made_up_picture()
{
    Picture p;
    p.width = kPhotoWidth;
    p.height = 160;
    p.rgba.resize(std::size_t(p.width) * p.height * 4);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            uint8_t* q = &p.rgba[(std::size_t(y) * p.width + x) * 4];
            const bool patch = (x / 40 + y / 40) % 3 == 0;
            q[0] = patch ? 220 : static_cast<uint8_t>(60 + x * 150 / p.width);
            q[1] = patch ? 190 : static_cast<uint8_t>(80 + y * 120 / p.height);
            q[2] = patch ? 60 : static_cast<uint8_t>(120 + 60 * std::sin(x * 0.05 + y * 0.03));
            q[3] = 255;
        }
    return p;
}

// The document a cell starts from: white background, the picture on layer
// 2 (with alpha falling off towards the corners when `soft`), layer 2 current,
// both IPL buffers allocated.
void make_document(const Picture& photo, bool soft)
{
    const int w = photo.width, h = photo.height;
    MUR_CreateImage(nullptr, w, h, 64, 0);
    MUR_CreateLayer(1, w, h);
    MUR_CreateLayer(2, w, h);
    MUR_SetLayerOptions(1, 1, 0, 100, "Normal");
    MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
    std::vector<uint8_t> rgba = photo.rgba;
    if (soft)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double d = std::hypot((x - w / 2.0) / (w / 2.0), (y - h / 2.0) / (h / 2.0));
                rgba[(std::size_t(y) * w + x) * 4 + 3] = static_cast<uint8_t>(std::clamp(1.25 - d, 0.0, 1.0) * 255);
            }
    MUR_LoadRGBA32Layer(rgba.data(), w * 4, 2, 0, 0, w, h, 0);
    MUR_SetLayer(2);
    MUR_IPLInit(0);
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
}

// Layer 2 alone over a checkerboard (transparency shows), below a strip
// with the label written by the text tool.
Cell finish_cell(const std::string& label, int w, int h)
{
    std::vector<uint8_t> rgba(std::size_t(w) * h * 4);
    MUR_GetRGBA32Layer(rgba.data(), w * 4, 2);
    std::vector<uint8_t> picture = over_checkerboard(rgba, w, h);
    MUR_DeleteImage();

    // The label: black text on white in an image of its own.
    MUR_CreateImage(nullptr, w, kLabelBand, 8, 0);
    MUR_CreateLayer(1, w, kLabelBand);
    MUR_SetLayer(1);
    MUR_IPLAllocSrcBuffer32();
    MUR_SetFontByName(0, "sans-serif", 13, 400, 0);
    MUR_IPLText(0, 0, 0, 3, 2, 0, 0, 0, 0, label.c_str(), 1);
    std::vector<uint8_t> band(std::size_t(w) * kLabelBand * 4);
    MUR_GetRGBA32Layer(band.data(), w * 4, 1);
    MUR_DeleteImage();

    Cell cell{"", w, h + kLabelBand, {}};
    cell.rgb.reserve(std::size_t(w) * (h + kLabelBand) * 3);
    for (std::size_t i = 0; i < band.size(); i += 4) cell.rgb.insert(cell.rgb.end(), &band[i], &band[i] + 3);
    cell.rgb.insert(cell.rgb.end(), picture.begin(), picture.end());
    return cell;
}

struct Step {
    std::string label;
    bool soft;
    std::function<void(int w, int h)> run;
};

// The current layer through a host-side adjustment of its RGBA32 copy.
void adjust_layer(int w, int h, const std::function<void(uint8_t*)>& adjust)
{
    std::vector<uint8_t> rgba(std::size_t(w) * h * 4);
    MUR_GetRGBA32Layer(rgba.data(), w * 4, 2);
    adjust(rgba.data());
    MUR_LoadRGBA32Layer(rgba.data(), w * 4, 2, 0, 0, w, h, 0);
}

// The IPL source as the displacements want it: premultiplied by alpha.
void premultiplied_source(int w, int h)
{
    std::vector<uint8_t> rgba(std::size_t(w) * h * 4);
    MUR_GetRGBA32Layer(rgba.data(), w * 4, 2);
    MUR_AdjustRGBA32PreFilter(rgba.data(), w, h);
    MUR_IPLSetSrcBuffer32(rgba.data());
}

// The current layer blurred as an RGB24 copy.
void blur_layer(int w, int h, int size, int strength)
{
    std::vector<uint8_t> rgb(std::size_t(w) * h * 3);
    std::vector<uint8_t> rgba(std::size_t(w) * h * 4);
    MUR_GetRGBA32Layer(rgba.data(), w * 4, 2);
    MUR_RGBAToRGB(rgb.data(), w, h, rgba.data());
    MUR_BlurMoreBufferRGB24(rgb.data(), w, h, size, strength);
    MUR_RGBToRGBA(rgba.data(), w, h, rgb.data());
    MUR_LoadRGBA32Layer(rgba.data(), w * 4, 2, 0, 0, w, h, 0);
}

std::vector<Step> steps(const std::string& share)
{
    std::vector<Step> s;
    s.push_back({"original", false, [](int, int) {}});
    for (const char* mode : {"Paint Non-connected", "Erase Non-connected", "Paint Connected", "Erase Connected"})
        s.push_back({mode, false, [mode](int w, int h) { MUR_IPLFloodFill(230, 40, 120, w / 2, h / 2, 4000, mode); }});
    for (const char* mode : {"Paint Alpha Connected", "Paint Alpha Non-Connected"})
        s.push_back({mode, true, [mode](int, int) { MUR_IPLFloodFill(40, 200, 90, 2, 2, 5000, mode); }});
    s.push_back({"rectangles 100/50%, mask", false, [](int w, int h) {
                     // The mask protects a band across the middle.
                     std::vector<uint16_t> mask(std::size_t(w) * h, 65535);
                     for (int y = h * 2 / 5; y < h * 3 / 5; ++y)
                         for (int x = 0; x < w; ++x) mask[std::size_t(y) * w + x] = 0;
                     MUR_SetMaskData16(mask.data());
                     MUR_EnableMask(1);
                     MUR_IPLRectangle(200, 30, 30, w / 10, h / 10, w / 2, h * 9 / 10, 100);
                     MUR_IPLRectangle(30, 30, 200, w * 2 / 5, h / 5, w * 9 / 10, h * 4 / 5, 50);
                 }});
    s.push_back({"ellipses", false, [](int w, int h) {
                     MUR_IPLEllipse(250, 220, 40, w / 8, h / 8, w * 7 / 8, h * 7 / 8, 100);
                     MUR_IPLEllipse(40, 40, 160, w / 3, h / 3, w / 3 + 3, h / 3 + 3, 100);
                     MUR_IPLEllipse(200, 40, 40, w / 2, h / 4, w * 3 / 4, h / 2, 60);
                 }});
    s.push_back({"gradient 2 colours", false, [](int w, int h) {
                     MUR_IPLGradient(255, 200, 0, 0, 60, 200, 0, 0, 0, 0, 0, 0, 2, 0, 0, w - 1, h - 1, "Linear");
                 }});
    s.push_back({"gradient 3 colours", false, [](int w, int h) {
                     MUR_IPLGradient(220, 30, 30, 30, 200, 30, 30, 30, 220, 0, 0, 0, 3, 0, h / 2, w - 1, h / 2, "Linear");
                 }});
    s.push_back({"gradient 4 colours", false, [](int w, int h) {
                     MUR_IPLGradient(0, 0, 0, 255, 0, 0, 255, 255, 0, 255, 255, 255, 4, w / 2, 0, w / 2, h - 1, "Linear");
                 }});
    s.push_back({"fade in (count 0)", false, [](int w, int h) {
                     MUR_IPLGradient(20, 60, 160, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, w - 1, h / 3, "Linear");
                 }});
    s.push_back({"fade out (count 1)", false, [](int w, int h) {
                     MUR_IPLGradient(20, 60, 160, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, w - 1, h / 3, "Linear");
                 }});
    s.push_back({"radial gradient", false, [](int w, int h) {
                     MUR_IPLGradient(255, 255, 200, 250, 120, 0, 90, 0, 60, 0, 0, 0, 3, w / 2, h / 2, w / 2, h / 10, "Radial");
                 }});
    for (const int smooth : {1, 0})
        s.push_back({smooth ? "text smooth 16 and 30 px" : "text plain 16 and 30 px", false, [smooth](int w, int h) {
                         MUR_SetFontByName(0, "sans-serif", 16, 400, 0);
                         MUR_IPLText(255, 255, 255, 6, h / 8, 0, 0, 0, 0, "Smooth text?\nJust right.", smooth);
                         MUR_SetFontByName(0, "serif", 30, 700, 1);
                         MUR_IPLText(250, 230, 40, 6, h / 2, 0, 0, 0, 0, "Wavy Ag\xC3\xA9", smooth);
                         (void)w;
                     }});
    s.push_back({"HSL hue +120", false, [](int w, int h) {
                     adjust_layer(w, h, [&](uint8_t* p) { MUR_ProcessBuffer_HSLAdjust(p, w, h, 120, 0, 0); });
                 }});
    s.push_back({"HSL sat +40 light +10", false, [](int w, int h) {
                     adjust_layer(w, h, [&](uint8_t* p) { MUR_ProcessBuffer_HSLAdjust(p, w, h, 0, 40, 10); });
                 }});
    s.push_back({"HSV hue -90 val -20", false, [](int w, int h) {
                     adjust_layer(w, h, [&](uint8_t* p) { MUR_ProcessBuffer_HSVAdjust(p, w, h, -90, 0, -20); });
                 }});
    s.push_back({"HSV sat -60", false, [](int w, int h) {
                     adjust_layer(w, h, [&](uint8_t* p) { MUR_ProcessBuffer_HSVAdjust(p, w, h, 0, -60, 0); });
                 }});
    s.push_back({"Photo Pop", false, [](int, int) { MUR_IPLPhotoPop(300, 75, 1); }});
    s.push_back({"Photo Pop saturation 10", false, [](int, int) { MUR_IPLPhotoPop(300, 10, 0); }});
    s.push_back({"bump: texture script", false, [share](int w, int h) {
                     premultiplied_source(w, h);
                     const std::string script = share + "/textures/canvas_weave.lua";
                     MUR_IPLDisplacementBumpISLFile(script.c_str(), 25, 1, 0);
                 }});
    s.push_back({"bump: picture ripples", false, [](int w, int h) {
                     std::vector<uint8_t> bump(std::size_t(w) * h * 4, 255);
                     for (int y = 0; y < h; ++y)
                         for (int x = 0; x < w; ++x) {
                             const double d = std::hypot(x - w / 2.0, y - h / 2.0);
                             const auto v = static_cast<uint8_t>(127.5 + 127.5 * std::sin(d / 5));
                             std::fill_n(&bump[(std::size_t(y) * w + x) * 4], 3, v);
                         }
                     premultiplied_source(w, h);
                     MUR_IPLDisplacementBumpRGBA(bump.data(), 5, int32_t(0xFF204060u));
                 }});
    for (const int strength : {100, 40})
        s.push_back({"blur size 40 at " + std::to_string(strength) + "%", false,
                     [strength](int w, int h) { blur_layer(w, h, 40, strength); }});
    return s;
}

}  // namespace

int draw_sheet(const char* outPath, const char* photoPath)
{
    Picture photo;
    if (photoPath) {
        if (!read_sheet_picture("draw", photoPath, kPhotoWidth, 16, photo)) return 1;
    } else {
        photo = made_up_picture();
    }
    const int w = photo.width, h = photo.height;
    std::vector<Cell> cells;
    for (const Step& step : steps(share_dir())) {
        make_document(photo, step.soft);
        step.run(w, h);
        cells.push_back(finish_cell(step.label, w, h));
        std::printf("%2zu  %s\n", cells.size(), step.label.c_str());
    }
    MUR_IPLExit();
    std::string error;
    if (!write_sheet(outPath, cells, kColumns, error)) {
        std::fprintf(stderr, "mur draw: %s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %s: %zu drawing cells on a %dx%d picture\n", outPath, cells.size(), w, h);
    return 0;
}

}  // namespace mur_tool
