#include "geometry_sheet.h"

#include "contact_sheet.h"
#include "murcore.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace mur_tool {
namespace {

constexpr int kPhotoWidth = 240;  // wider pictures are shrunk first
constexpr int kColumns = 6;

// The document every cell starts from: the picture as the background and,
// on layer 2, a translucent yellow disc with a red rim off the centre, so
// that turns and mirrors show which way they went and every operation shows
// that the layers stay in register.
void make_document(const Picture& photo)
{
    const int w = photo.width, h = photo.height;
    MUR_CreateImage(nullptr, w, h, 64, 0);
    MUR_CreateLayer(1, w, h);
    MUR_CreateLayer(2, w, h);
    MUR_SetLayerOptions(1, 1, 0, 100, "Normal");
    MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
    MUR_LoadRGBA32Layer(photo.rgba.data(), w * 4, 1, 0, 0, w, h, 0);
    std::vector<uint8_t> stamp(std::size_t(w) * h * 4, 0);
    const double cx = w * 0.3, cy = h * 0.32, r = std::min(w, h) * 0.18;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x - cx, y - cy);
            uint8_t* p = &stamp[(std::size_t(y) * w + x) * 4];
            if (d < r * 0.8) p[0] = 255, p[1] = 220, p[2] = 40, p[3] = 150;
            else if (d < r) p[0] = 200, p[1] = 20, p[2] = 20, p[3] = 255;
        }
    MUR_LoadRGBA32Layer(stamp.data(), w * 4, 2, 0, 0, w, h, 0);
    MUR_SetLayer(1);
    MUR_IPLInit(0);
}

// The document as the host sees it after telling the engine its new size:
// layer 2 over layer 1, over a checkerboard.
Cell view_of(const std::string& label, int w, int h)
{
    MUR_NewSize(nullptr, w, h, 64, 0);
    std::vector<uint8_t> below(std::size_t(w) * h * 4), above(below.size());
    MUR_GetRGBA32Layer(below.data(), w * 4, 1);
    MUR_GetRGBA32Layer(above.data(), w * 4, 2);
    for (std::size_t i = 0; i < below.size(); i += 4) {
        const int a = above[i + 3], b = below[i + 3], out = a + b * (255 - a) / 255;
        for (int c = 0; c < 3 && out > 0; ++c)
            below[i + c] = static_cast<uint8_t>((above[i + c] * a + below[i + c] * b * (255 - a) / 255) / out);
        below[i + 3] = static_cast<uint8_t>(out);
    }
    return {label, w, h, over_checkerboard(below, w, h)};
}

struct Step {
    std::string label;
    std::function<void(int w, int h, int& newW, int& newH)> run;
};

std::vector<Step> steps()
{
    std::vector<Step> s;
    s.push_back({"original", [](int w, int h, int& nw, int& nh) { nw = w, nh = h; }});
    s.push_back({"resize up bicubic", [](int w, int h, int& nw, int& nh) {
                     nw = w * 13 / 10, nh = h * 13 / 10;
                     MUR_IPLResize(nw, nh, "Bicubic");
                 }});
    s.push_back({"resize down lanczos", [](int w, int h, int& nw, int& nh) {
                     nw = w * 6 / 10, nh = h * 6 / 10;
                     MUR_IPLResize(nw, nh, "Lanczos3");
                 }});
    for (const char* anchor : {"TL", "TC", "TR", "ML", "MC", "MR", "BL", "BC", "BR"})
        s.push_back({std::string("anchor ") + anchor, [anchor](int w, int h, int& nw, int& nh) {
                         nw = w * 5 / 4, nh = h * 5 / 4;
                         MUR_IPLResizePage(nw, nh, anchor, 60, 110, 160);
                     }});
    s.push_back({"crop", [](int w, int h, int& nw, int& nh) {
                     MUR_IPLCrop(w / 5, h / 5, w * 4 / 5, h * 4 / 5);
                     nw = w * 4 / 5 - w / 5, nh = h * 4 / 5 - h / 5;
                 }});
    s.push_back({"turn left", [](int w, int h, int& nw, int& nh) { MUR_IPLRotateLeft(), nw = h, nh = w; }});
    s.push_back({"turn right", [](int w, int h, int& nw, int& nh) { MUR_IPLRotateRight(), nw = h, nh = w; }});
    s.push_back({"flip horizontal", [](int w, int h, int& nw, int& nh) { MUR_IPLFlipHorizontal(), nw = w, nh = h; }});
    s.push_back({"flip vertical", [](int w, int h, int& nw, int& nh) { MUR_IPLFlipVertical(), nw = w, nh = h; }});
    s.push_back({"seam carving", [](int w, int h, int& nw, int& nh) {
                     nw = w * 7 / 10, nh = h;
                     MUR_IPLSeamCarvingRGBA(nw, nh, 0);
                 }});
    s.push_back({"plain resize", [](int w, int h, int& nw, int& nh) {
                     nw = w * 7 / 10, nh = h;
                     MUR_IPLResize(nw, nh, "Lanczos3");
                 }});
    s.push_back({"pan with wrap", [](int w, int h, int& nw, int& nh) {
                     MUR_IPLAllocSrcBuffer32();
                     MUR_IPLAllocDstBuffer32();
                     MUR_IPLPan(w / 3, h / 4, 1, 0, 0, 0, 0, 0);
                     nw = w, nh = h;
                 }});
    s.push_back({"push warp", [](int w, int h, int& nw, int& nh) {
                     // Three pushes to the right through the middle, each from
                     // the picture the one before left.
                     MUR_IPLAllocSrcBuffer32();
                     MUR_IPLAllocDstBuffer32();
                     for (int i = 0; i < 3; ++i) {
                         const int x = w * (40 + 6 * i) / 100;
                         MUR_WarpPointToPoint(x, h / 2, x + w / 16, h / 2);
                         MUR_IPLUpdateSrcBuffer32();
                     }
                     nw = w, nh = h;
                 }});
    return s;
}

}  // namespace

int geometry_sheet(const char* inPath, const char* outPath)
{
    Picture photo;
    if (!read_sheet_picture("geometry", inPath, kPhotoWidth, 8, photo)) return 1;
    const int w = photo.width, h = photo.height;
    std::string error;
    std::vector<Cell> cells;
    for (const Step& step : steps()) {
        make_document(photo);
        int nw = w, nh = h;
        step.run(w, h, nw, nh);
        cells.push_back(view_of(step.label, nw, nh));
        std::printf("%2zu  %-20s %dx%d\n", cells.size(), step.label.c_str(), nw, nh);
        MUR_DeleteImage();
    }
    MUR_IPLExit();
    if (!write_sheet(outPath, cells, kColumns, error)) {
        std::fprintf(stderr, "mur geometry: %s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %s: %zu geometry operations on a %dx%d document of two layers\n", outPath, cells.size(), w, h);
    return 0;
}

}  // namespace mur_tool
