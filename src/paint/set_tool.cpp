// Setting the whole tool at once: its values, its grit (random, or from a
// texture script or image file) and its brush shape.
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/random.h"
#include "engine/state.h"
#include "paint/paint.h"
#include "imaging/picture_reader.h"
#include "imaging/pixel_convert.h"
#include "imaging/rect_copy.h"
#include "imaging/texture_script.h"
#include "paint/grit.h"

#include <cstring>

namespace mur {

void recompute_strength_inverses() noexcept;

namespace {

constexpr int32_t kTileCanvas = 600;  // texture scripts are tiled over this square

// Texture grit from a script: its tile repeated over the canvas, in gray.
// True when the path is a script.
bool grit_from_script(const char* path) noexcept
{
    imaging::TextureScript script;
    if (!imaging::load_texture_script(path, script)) return false;
    int32_t w = 0, h = 0;
    if (imaging::texture_script_header(script, w, h) && w > 0 && h > 0) {
        const mem::Owned<uint8_t> tile(x_NewCharUndoReduce(std::size_t(w) * h * 4));
        const mem::Owned<uint8_t> canvas(x_NewCharUndoReduce(std::size_t(kTileCanvas) * kTileCanvas * 4));
        if (tile && canvas) {
            const imaging::ImageView tileView = imaging::rgba32_view(tile.get(), w, h, std::ptrdiff_t{w} * 4);
            const imaging::ImageView canvasView =
                imaging::rgba32_view(canvas.get(), kTileCanvas, kTileCanvas, kTileCanvas * 4);
            if (imaging::run_texture_script(script, tileView)) {
                imaging::swap_red_blue(tileView);
                for (int32_t y0 = 0; y0 < kTileCanvas; y0 += h)
                    for (int32_t x0 = 0; x0 < kTileCanvas; x0 += w) imaging::paste_opaque(tileView, canvasView, x0, y0);
                const mem::Owned<uint8_t> gray(x_NewCharUndoReduce(std::size_t(kTileCanvas) * kTileCanvas));
                if (gray && imaging::rgba32_to_gray8(canvasView, imaging::g8_view(gray.get(), kTileCanvas, kTileCanvas, kTileCanvas)))
                    grit::fill_from_gray(gray.get(), kTileCanvas, kTileCanvas);
            }
        }
    }
    imaging::finish_texture_script(script);
    return true;
}

// Texture grit from an image file.
void grit_from_image(const char* path) noexcept
{
    imaging::Rgba32Picture picture;
    if (!imaging::read_picture(path, picture)) return;
    const int32_t w = picture.width, h = picture.height;
    const mem::Owned<uint8_t> gray(x_NewCharUndoReduce(std::size_t(w) * h));
    if (gray && imaging::rgba32_to_gray8(imaging::ConstImageView(picture.pixels, w, h, std::ptrdiff_t{w} * 4, 4),
                                         imaging::g8_view(gray.get(), w, h, w)))
        grit::fill_from_gray(gray.get(), w, h);
    imaging::release_picture(picture);
}

}  // namespace
void paint::set_tool(float shapeIntensity, int32_t gritCell, int32_t gritCellChance, int32_t gritPixelChance, int32_t shapeSoftness, int32_t colorVary, int32_t drawingLength, int32_t blendStrength, int32_t primaryColorStrength, int32_t blendRemix, int32_t param11, int32_t shapeInvert, int32_t param13, const char* texturePath, const char* shapePath, int32_t shapeParam)
{
    rng_seed(static_cast<uint32_t>(engine.randomSeed));
    ToolSettings& t = engine.tool;
    t.shapeIntensity = shapeIntensity;
    t.gritCell = gritCell;
    t.gritCellChance = gritCellChance;
    t.gritPixelChance = gritPixelChance;
    t.shapeSoftness = static_cast<uint8_t>(shapeSoftness);
    t.colorVary = colorVary;
    t.drawingLengthSetting = drawingLength;
    t.blendStrength = blendStrength;
    t.primaryColorStrength = primaryColorStrength;
    t.blendRemix = static_cast<uint8_t>(blendRemix);
    t.toolParam11 = static_cast<int32_t>(param11 & 0xFF);
    t.shapeInvert = static_cast<uint8_t>(shapeInvert);
    t.toolParam13 = static_cast<uint8_t>(param13);
    t.shapeParam = shapeParam;
    t.mixMode = 32;

    if (t.gritCell != 0) grit::build_random();
    const std::size_t textureLength = texturePath ? strnlen(texturePath, 4096) : 0;
    if (textureLength > 1 && textureLength < 4096 && grit::grit_side() < 600)
        if (!grit_from_script(texturePath)) grit_from_image(texturePath);

    guard("SetBrushShape", [&] { paint::set_brush_shape(shapePath, shapeParam, false); });
    recompute_strength_inverses();
    t.tempDisableBlend = 0;
    t.maskMaker = 0;
    t.eraseMode = 0;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_SetTool(float shapeIntensity, int32_t gritCell, int32_t gritCellChance, int32_t gritPixelChance,
                         int32_t shapeSoftness, int32_t colorVary, int32_t drawingLength, int32_t blendStrength,
                         int32_t primaryColorStrength, int32_t blendRemix, int32_t param11, int32_t shapeInvert,
                         int32_t param13, const char* texturePath, const char* shapePath, int32_t shapeParam)
{
    guard("SetTool", [&] { paint::set_tool(shapeIntensity, gritCell, gritCellChance, gritPixelChance, shapeSoftness, colorVary, drawingLength, blendStrength, primaryColorStrength, blendRemix, param11, shapeInvert, param13, texturePath, shapePath, shapeParam); });
}

}  // extern "C"
