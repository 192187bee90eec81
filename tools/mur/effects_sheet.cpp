#include "effects_sheet.h"

#include "murcore.h"
#include "contact_sheet.h"
#include "share_dir.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace mur_tool {
namespace {

constexpr int kCellWidth = 320;
constexpr int kColumns = 6;
constexpr int32_t kLayer = 2, kScratch = 255;
constexpr int32_t kNeedsMask = 1, kNeedsResource = 4;
constexpr int32_t kScriptFileRoute = 7;

// The texture script of a script-file family's name, by its last word.
std::string texture_for(const std::string& name)
{
    static const char* const kByWord[][2] = {
        {"Material", "brick"}, {"Nature", "wood"}, {"Surface", "marble"}, {"Other", "rough_paper"},
        {"Utility", "canvas_weave"}};
    for (const auto& [word, file] : kByWord)
        if (name.size() >= std::strlen(word) && name.compare(name.size() - std::strlen(word), std::string::npos, word) == 0)
            return share_dir() + "/textures/" + file + ".lua";
    return share_dir() + "/textures/brick.lua";
}

// Soft rings for the scratch layer, so that "Distort by Scratch Layer" has
// slopes to follow.
std::vector<uint8_t> rings(int w, int h)
{
    std::vector<uint8_t> rgba(std::size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x - w / 2.0, y - h / 2.0);
            const uint8_t v = static_cast<uint8_t>(127.5 + 127.5 * std::sin(d / 6.0));
            uint8_t* p = &rgba[(std::size_t(y) * w + x) * 4];
            p[0] = p[1] = p[2] = v;
            p[3] = 255;
        }
    return rgba;
}

// The photo inside an ellipse, transparent around it, so that the shadow an
// effect draws under the layer's alpha has room to show.
std::vector<uint8_t> cut_out(const Picture& photo)
{
    std::vector<uint8_t> rgba = photo.rgba;
    const int w = photo.width, h = photo.height;
    const double rx = 0.38 * w, ry = 0.38 * h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double u = (x + 0.5 - w / 2.0) / rx, v = (y + 0.5 - h / 2.0) / ry;
            if (u * u + v * v > 1) rgba[(std::size_t(y) * w + x) * 4 + 3] = 0;
        }
    return rgba;
}

// The middle of the photo, a third of its width and height, for the
// clipboard: "Clip Fill" lays it resized over the whole page.
std::vector<uint8_t> middle_third(const Picture& photo, int& w, int& h)
{
    w = std::max(1, photo.width / 3), h = std::max(1, photo.height / 3);
    std::vector<uint8_t> rgba(std::size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        std::memcpy(&rgba[std::size_t(y) * w * 4],
                    &photo.rgba[(std::size_t(y + photo.height / 3) * photo.width + photo.width / 3) * 4],
                    std::size_t(w) * 4);
    return rgba;
}

}  // namespace

int effects_sheet(const char* inPath, const char* outPath)
{
    Picture photo;
    if (!read_sheet_picture("effects", inPath, kCellWidth, 3, photo)) return 1;
    const int w = photo.width, h = photo.height;
    const std::string script = share_dir() + "/lua/swirl.lua";

    MUR_CreateImage(nullptr, w, h, 64, 0);
    if (!MUR_CreateLayer(kLayer, w, h) || !MUR_CreateLayer(kScratch, w, h)) {
        std::fprintf(stderr, "mur effects: no layer: %s\n", MUR_GetLastError());
        return 1;
    }
    const std::vector<uint8_t> scratch = rings(w, h), cutOut = cut_out(photo);
    MUR_LoadRGBA32Layer(scratch.data(), w * 4, kScratch, 0, 0, w, h, 0);
    MUR_SetLayer(kLayer);
    MUR_EnableMask(0);
    MUR_IPLInit(0);
    int clipW = 0, clipH = 0;
    const std::vector<uint8_t> clip = middle_third(photo, clipW, clipH);
    MUR_RGBA32ToClipboardRect(clip.data(), 0, 0, clipW, clipH, 0);

    std::vector<Cell> cells;
    std::vector<uint8_t> result(std::size_t(w) * h * 4);
    int count = 0;
    char name[64];
    int32_t v[10];
    for (int32_t index = 0; MUR_IPLEffectInfo(index, reinterpret_cast<uint8_t*>(name), sizeof name, v); ++index) {
        const bool shadowed = std::strcmp(name, "Drop Shadow") == 0;
        MUR_LoadRGBA32Layer((shadowed ? cutOut : photo.rgba).data(), w * 4, kLayer, 0, 0, w, h, 0);
        MUR_ClearMask(65535, 65535, 65535);  // all protected: the mask makers mark what they select
        MUR_IPLAllocSrcBuffer32();
        MUR_IPLAllocDstBuffer32();
        const std::string resource = v[8] == kScriptFileRoute ? texture_for(name) : script;
        // The colour: a warm mid-tone, which the HSL mask maker looks for; the
        // shadow a dark one.
        const int32_t tone = shadowed ? 4 : 1;
        const int32_t ran = MUR_IPLImageProcess(0, name, 1, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], 0, 0, 0,
                                                0, 0, 0, 160 / tone, 110 / tone, 70 / tone,
                                                (v[9] & kNeedsResource) ? resource.c_str() : nullptr);
        std::printf("%3d  %-26s %s\n", index + 1, name, ran ? "" : "(not run)");
        if (v[9] & kNeedsMask) {
            cells.push_back({name, w, h, mask_as_grey(w, h)});
        } else {
            MUR_GetRGBA32Layer(result.data(), w * 4, kLayer);
            cells.push_back({name, w, h, over_checkerboard(result, w, h)});
        }
        ++count;
    }
    MUR_IPLFreeSrcBuffer32();
    MUR_IPLFreeDstBuffer32();
    MUR_IPLExit();
    MUR_DeleteImage();

    std::string error;
    if (!write_sheet(outPath, cells, kColumns, error)) {
        std::fprintf(stderr, "mur effects: %s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %s: %d effects on %dx%d cells\n", outPath, count, w, h);
    return 0;
}

}  // namespace mur_tool
