#include "filters_sheet.h"

#include "murcore.h"
#include "contact_sheet.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace mur_tool {
namespace {

constexpr int kCellWidth = 320;   // pictures wider than this are shrunk for their cells
constexpr int kColumns = 6;

// The picture a filter is shown on: the photograph, a cut-out with a soft
// transparent border (for the filters that work on alpha), or the photograph
// inset in a transparent margin (for the filters that read the data extents).
enum class Input { Photo, SoftCutout, Inset };
// What the cell shows: the filter's result, or the selection mask it wrote.
enum class Shows { Pixels, Mask };

struct Entry {
    const char* name;
    Input input;
    Shows shows;
    int32_t sliders[6];
    int32_t style1;
    int32_t flags[6];
};

// Table order of the engine, with settings that show what each filter does.
const Entry kEntries[] = {
    {"Value Blur", Input::Photo, Shows::Pixels, {500, 500}, 0, {}},
    {"Noise Reduction", Input::Photo, Shows::Pixels, {1000, 120}, 0, {}},
    {"Noise Reduction RGB", Input::Photo, Shows::Pixels, {1000, 150, 1000, 0, 1000, 150}, 0, {}},
    {"Anti Alias", Input::Photo, Shows::Pixels, {1000, 800, 1000, 800}, 0, {}},
    {"Grayscale", Input::Photo, Shows::Pixels, {}, 0, {}},
    {"Invert", Input::Photo, Shows::Pixels, {}, 0, {}},
    {"Basic Threshold", Input::Photo, Shows::Pixels, {500}, 0, {}},
    {"Hyper Contrast", Input::Photo, Shows::Pixels, {500}, 0, {}},
    {"Adjust RGBA", Input::Photo, Shows::Pixels, {700, 500, 300, 500}, 0, {}},
    {"Clamp", Input::Photo, Shows::Pixels, {300, 300, 700, 700}, 0, {1, 1, 1, 0}},
    {"Channel", Input::Photo, Shows::Pixels, {}, 0, {1, 0, 0}},
    {"Alpha Edge Color", Input::SoftCutout, Shows::Pixels, {1000, 800, 0, 100, 900}, 0, {1}},
    {"Adjust Lab", Input::Photo, Shows::Pixels, {550, 650, 650}, 0, {}},
    {"Box Blur", Input::Photo, Shows::Pixels, {50}, 0, {}},
    {"Bas Relief", Input::Photo, Shows::Pixels, {500}, 2, {}},
    {"Line Art Cleaner", Input::Photo, Shows::Pixels, {400, 500}, 0, {}},
    {"Reflection", Input::Photo, Shows::Pixels, {350, 800, 900, 300}, 0, {}},
    {"Mirror", Input::Photo, Shows::Pixels, {500}, 0, {}},
    {"Gallery Wrap Mirror Auto", Input::Inset, Shows::Pixels, {}, 0, {}},
    {"Fader", Input::Photo, Shows::Pixels, {500, 500, 0, 500}, 0, {0, 0, 0, 1}},
    {"Borderize", Input::Photo, Shows::Pixels, {300, 150}, 0, {}},
    {"Vignette", Input::Photo, Shows::Pixels, {0, 0, 0, 300, 300, 900}, 0, {1}},
    {"Detail Blur", Input::Photo, Shows::Pixels, {50}, 0, {}},
    {"Adaptive Blur", Input::Photo, Shows::Pixels, {750}, 0, {}},
    {"Mask High Low", Input::Photo, Shows::Mask, {700, 300}, 0, {}},
    {"Mask Detail", Input::Photo, Shows::Mask, {60, 200}, 0, {}},
};

// ---- Pictures -------------------------------------------------------------------

Picture variant(const Picture& photo, Input input)
{
    Picture p = photo;
    const double cx = p.width / 2.0, cy = p.height / 2.0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            uint8_t& alpha = p.rgba[(std::size_t(y) * p.width + x) * 4 + 3];
            if (input == Input::SoftCutout) {
                // An ellipse whose edge fades over its outer fifth.
                const double dx = (x - cx) / (cx * 0.9), dy = (y - cy) / (cy * 0.9);
                const double r = dx * dx + dy * dy;
                alpha = static_cast<uint8_t>(alpha * std::clamp((1 - r) / 0.2, 0.0, 1.0));
            } else if (input == Input::Inset) {
                const bool inside = x >= p.width / 5 && x < p.width * 4 / 5 && y >= p.height / 5 && y < p.height * 4 / 5;
                if (!inside) alpha = 0;
            }
        }
    return p;
}

}  // namespace

int filters_sheet(const char* inPath, const char* outPath)
{
    Picture photo;
    if (!read_sheet_picture("filters", inPath, kCellWidth, 3, photo)) return 1;
    const int w = photo.width, h = photo.height;
    std::string error;

    MUR_CreateImage(nullptr, w, h, 64, 0);
    if (!MUR_CreateLayer(2, w, h)) {
        std::fprintf(stderr, "mur filters: no layer: %s\n", MUR_GetLastError());
        return 1;
    }
    MUR_SetLayer(2);
    MUR_EnableMask(0);
    MUR_IPLInit(0);

    const int count = static_cast<int>(std::size(kEntries));
    std::vector<Cell> cells;
    std::vector<uint8_t> destination(std::size_t(w) * h * 4);
    for (int n = 0; n < count; ++n) {
        const Entry& e = kEntries[n];
        Picture source = variant(photo, e.input);
        // Some filters store to the current layer or write the mask: start each from the picture.
        MUR_LoadRGBA32Layer(source.rgba.data(), w * 4, 2, 0, 0, w, h, 0);
        MUR_ClearMask(65535, 65535, 65535);  // all protected: the mask makers mark what they select
        const int32_t* s = e.sliders;
        const int32_t* f = e.flags;
        const int32_t ran = MUR_IPLNativeFilterRGBA32(source.rgba.data(), destination.data(), w, h, e.name, 0, s[0],
                                                      s[1], s[2], s[3], s[4], s[5], e.style1, 0, f[0], f[1], f[2],
                                                      f[3], f[4], f[5], 0, 0, 0);
        std::printf("%2d  %-26s %s\n", n + 1, e.name, ran ? "" : "(not run)");
        cells.push_back({e.name, w, h, e.shows == Shows::Mask ? mask_as_grey(w, h) : over_checkerboard(destination, w, h)});
    }
    MUR_IPLExit();
    MUR_DeleteImage();

    if (!write_sheet(outPath, cells, kColumns, error)) {
        std::fprintf(stderr, "mur filters: %s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %s: %d filters on %dx%d cells\n", outPath, count, w, h);
    return 0;
}

}  // namespace mur_tool
