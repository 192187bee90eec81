// The stamp stroke of the demo: a leaf drawn with the drawing tools becomes
// an image brush, is saved as a brush file and loaded back, and is stamped
// along a path over the meadow, each stamp turned along the path and put
// into the pick-up buffer that the dabs paint from. A magic-wand click on
// the meadow first limits the stamps to it.
#include "demo_painting.h"

#include "murcore.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace mur_tool {
namespace {

constexpr double kPi = 3.14159265358979;
constexpr int32_t kLeaf = 44;      // side of the stamp
constexpr int32_t kScratch = 5;    // the layer the leaf is drawn on

// The leaf: an anti-aliased green blade along x with a darker midrib and a
// stalk, on transparent pixels, as RGBA32 of kLeaf x kLeaf.
std::vector<uint8_t> draw_leaf(int32_t width, int32_t height)
{
    MUR_CreateLayer(kScratch, width, height);
    MUR_SetLayer(kScratch);
    MUR_IPLEllipse(96, 142, 58, 5, 13, 41, 31, 100);
    MUR_IPLEllipse(126, 170, 70, 9, 16, 36, 26, 70);
    MUR_IPLRectangle(74, 112, 44, 8, 22, 37, 22, 80);
    MUR_IPLRectangle(92, 98, 46, 0, 21, 6, 22, 100);
    std::vector<uint8_t> page(std::size_t(width) * height * 4);
    MUR_GetRGBA32Layer(page.data(), width * 4, kScratch);
    MUR_DeleteLayer(kScratch);
    std::vector<uint8_t> leaf(std::size_t(kLeaf) * kLeaf * 4);
    for (int32_t y = 0; y < kLeaf; ++y)
        std::copy_n(&page[std::size_t(y) * width * 4], kLeaf * 4, &leaf[std::size_t(y) * kLeaf * 4]);
    return leaf;
}

}  // namespace

int32_t paint_stamp_stroke(const std::string& outDir, int32_t width, int32_t height, int32_t meadowLayer,
                           int32_t stampLayer, int32_t meadowX, int32_t meadowY)
{
    // The stamp goes out to a brush file and comes back from it.
    const std::vector<uint8_t> leaf = draw_leaf(width, height);
    MUR_LoadImageBrushFromRGBA32(leaf.data(), kLeaf, kLeaf);
    const std::string file = outDir + "/leaf_stamp.png";
    MUR_SaveImageBrush(file.c_str());
    MUR_FillImageBrush(0, 0, 0);
    MUR_LoadImageBrush(file.c_str());

    // The wand masks the meadow's colours; inverted, only the meadow takes paint.
    MUR_SetLayer(meadowLayer);
    MUR_ClearMask(0, 0, 0);
    MUR_IPLMaskWand(meadowX, meadowY, 6000, 100, "Color Range");
    MUR_InvertMask();
    MUR_SaveUndoBuffer(0, 1);

    // A hard round dab the size of the stamp, coloured from the pick-up
    // buffer, with the buffer's alpha as the dab's shape.
    MUR_SetLayer(stampLayer);
    MUR_SetSize(kLeaf);
    MUR_SetTool(1.0f, 0, 0, 0, 0, 0, 10, 255, 0, 0, 0, 0, 0, "", "", 0);
    MUR_SetImageBrushMode(1);
    MUR_SetScaleSize(kLeaf);
    MUR_SetAlpha(100);
    MUR_SizeImageBrush();
    MUR_CreatePaintLayer(100, 100, "Normal");

    // A path wandering over the foreground; each leaf lies along it, with
    // a little flutter.
    int32_t dabs = 0;
    const double x0 = 30, x1 = width - 30;
    double lastX = x0, lastY = 0;
    for (double x = x0; x <= x1; x += 1.0) {
        const double y = height - 62 + 22 * std::sin(x / 70.0) + 10 * std::sin(x / 23.0);
        if (x == x0) lastY = y;
        if (std::hypot(x - lastX, y - lastY) < 26 && x != x0) continue;
        const double along = std::atan2(y - lastY, x - lastX) * 180 / kPi;
        const double flutter = 25 * std::sin(dabs * 2.3);
        lastX = x, lastY = y;
        MUR_RotateImageBrush(static_cast<float>(along + flutter));
        MUR_CopyFromImageBrushRotate(0);
        MUR_DrawDabGrit(static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y)), 0, 0, 0);
        ++dabs;
    }
    MUR_MergePaintLayer(stampLayer);
    MUR_SaveUndoBuffer(1, 0);
    MUR_SetImageBrushMode(0);
    MUR_ClearMask(0, 0, 0);
    MUR_SaveUndoBuffer(0, 1);
    std::printf("  %-34s %4d dabs into layer %d (brush file %s)\n", "leaf stamps (wand-selected meadow)", dabs,
                stampLayer, file.c_str());
    return dabs;
}

}  // namespace mur_tool
