// The brush shape: a square plane of 16-bit coverage, computed as a round
// brush or made from a picture (an image file or a texture script), which is
// kept between builds while its path and parameter stay the same.
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "paint/paint.h"
#include "imaging/picture_reader.h"
#include "imaging/pixel_convert.h"
#include "imaging/resample.h"
#include "imaging/script_effects.h"
#include "imaging/texture_script.h"
#include "ipl/native_filters/native_filter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mur {
namespace {

BrushShapeState& shape() noexcept { return engine.shape; }
int32_t brush_side() noexcept { return std::clamp(engine.tool.size, 0, std::max(engine.maxBrushSize, 0)); }

void release_source() noexcept
{
    BrushShapeState& s = shape();
    mem::release_nothrow(s.sourceImage);
    s.sourceImage = nullptr;
    s.sourceWidth = s.sourceHeight = 0;
    s.sourcePath[0] = '\0';
}

bool remember(uint8_t* pixels, int32_t w, int32_t h, const char* path) noexcept
{
    BrushShapeState& s = shape();
    s.sourceImage = pixels;
    s.sourceWidth = w;
    s.sourceHeight = h;
    std::memcpy(s.sourcePath, path, std::strlen(path) + 1);
    return true;
}

// A texture script run into a picture of its tile size, in B, G, R, A order.
// True when the path is a script, whether or not it made a picture.
bool load_script(const char* path) noexcept
{
    imaging::TextureScript script;
    if (!imaging::load_texture_script(path, script)) return false;
    int32_t w = 0, h = 0;
    if (imaging::texture_script_header(script, w, h) && w > 0 && h > 0) {
        uint8_t* pixels = x_NewCharUndoReduce(std::size_t(w) * h * 4);
        const imaging::ImageView tile = imaging::rgba32_view(pixels, w, h, std::ptrdiff_t{w} * 4);
        if (pixels && imaging::run_texture_script(script, tile)) {
            imaging::swap_red_blue(tile);
            remember(pixels, w, h, path);
        } else {
            mem::release_nothrow(pixels);
        }
    }
    imaging::finish_texture_script(script);
    return true;
}

bool load_image(const char* path) noexcept
{
    imaging::Rgba32Picture decoded;
    if (!imaging::read_picture(path, decoded)) return false;
    const std::size_t bytes = std::size_t(decoded.width) * decoded.height * 4;
    uint8_t* pixels = x_NewCharUndoReduce(bytes);
    if (pixels) {
        std::memcpy(pixels, decoded.pixels, bytes);
        remember(pixels, decoded.width, decoded.height, path);
    }
    imaging::release_picture(decoded);
    return pixels != nullptr;
}

// Turns the picture by the shape parameter (effect 51 at 100 percent zoom).
void transform_source(int32_t shapeParam) noexcept
{
    BrushShapeState& s = shape();
    imaging::ScriptEffectList effects;
    if (imaging::add_script_effect(effects, imaging::kRotateEffect, 1)) {
        imaging::set_script_effect_value(effects, 0, 3, shapeParam);
        imaging::set_script_effect_value(effects, 0, 4, 100);
        imaging::run_script_effects(
            effects, imaging::rgba32_view(s.sourceImage, s.sourceWidth, s.sourceHeight, std::ptrdiff_t{s.sourceWidth} * 4));
    }
    s.sourceParam = shapeParam;
}

// Resamples the picture to the brush side into `working`, blurred first by
// the shape blur when it is set.
bool resample_source(const imaging::ImageView& working, bool withBlur, bool original) noexcept
{
    const BrushShapeState& s = shape();
    const int32_t side = working.width;
    const imaging::ConstImageView source(s.sourceImage, s.sourceWidth, s.sourceHeight, std::ptrdiff_t{s.sourceWidth} * 4, 4);
    if (original) {
        const bool tiny = s.sourceWidth < 5 || s.sourceHeight < 5 || side < 5;
        return imaging::general_resize(source, working, tiny ? 17 : 8);
    }
    if (!withBlur) return imaging::general_resize(source, working, side < s.sourceWidth ? 15 : 8);
    const std::size_t bytes = std::size_t(s.sourceWidth) * s.sourceHeight * 4;
    const mem::Owned<uint8_t> blurred(x_NewCharUndoReduce(bytes));
    if (!blurred) return false;
    std::memcpy(blurred.get(), s.sourceImage, bytes);
    ipl::NativeFilterParams params;
    params.sliders[0] = 0;
    params.sliders[1] = (100 - engine.tool.shapeBlur) * 10;
    ipl::run_native_filter(s.sourceImage, blurred.get(), s.sourceWidth, s.sourceHeight, "Value Blur", true, params);
    const imaging::ConstImageView from(blurred.get(), s.sourceWidth, s.sourceHeight, std::ptrdiff_t{s.sourceWidth} * 4, 4);
    return side < s.sourceWidth ? imaging::decimate(from, working) : imaging::plain_resize(from, working);
}

// The picture shape; false when there is no picture or it cannot be made.
bool build_picture_shape(const char* path, int32_t shapeParam, bool original) noexcept
{
    BrushShapeState& s = shape();
    if (s.sourceImage && (std::strcmp(s.sourcePath, path) != 0 || s.sourceParam != shapeParam)) release_source();
    if (!s.sourceImage) {
        const bool script = !original && load_script(path);
        if (!script) load_image(path);
        if (s.sourceImage) transform_source(shapeParam);
    }
    if (!s.sourceImage) return false;

    const int32_t side = brush_side();
    if (side <= 0) return false;
    const mem::Owned<uint8_t> working(x_NewCharUndoReduce(std::size_t(side) * side * 4));
    const mem::Owned<uint8_t> gray(x_NewCharUndoReduce(std::size_t(side) * side));
    bool complete = false;
    if (working && gray) {
        const imaging::ImageView work = imaging::rgba32_view(working.get(), side, side, std::ptrdiff_t{side} * 4);
        if (resample_source(work, !original && engine.tool.shapeBlur >= 1, original) &&
            imaging::rgba32_to_gray8(work, imaging::g8_view(gray.get(), side, side, side))) {
            const int32_t m = engine.maxBrushSize;
            const float intensity = engine.tool.shapeIntensity;
            for (int32_t y = 0; y < side; ++y)
                for (int32_t x = 0; x < side; ++x)
                    s.plane[std::size_t(y) * m + x] =
                        static_cast<uint16_t>(std::clamp(gray[std::size_t(y) * side + x] * 256.0 * intensity, 0.0, 65535.0));
            complete = true;
        }
        engine.tool.drawingLength = engine.tool.drawingLengthSetting;
    }
    return complete;
}

// The round shape: full inside, a linear fall-off over the soft edge,
// inverted into a ring on request.
void build_round_shape(bool original) noexcept
{
    const ToolSettings& t = engine.tool;
    const int32_t side = brush_side(), m = engine.maxBrushSize;
    const double r = t.size * 0.5;
    const double edge = t.shapeSoftness / 255.0 * r, inner = r - edge;
    const double centre = original ? double(t.size / 2) : t.size * 0.5;
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x) {
            const double px = original ? x : x + 0.5, py = original ? y : y + 0.5;
            const double d = std::hypot(px - centre, py - centre);
            if (d > r) continue;
            double v = 65535;
            if (t.shapeSoftness != 0 && d > inner) v = std::clamp(65535 * (r - d) / edge, 0.0, 65535.0);
            const double value = t.shapeInvert ? std::abs(v - 65535) : v;
            const double scaled = value * t.shapeIntensity;  // a NaN intensity covers nothing
            engine.shape.plane[std::size_t(y) * m + x] =
                static_cast<uint16_t>(std::isnan(scaled) ? 0.0 : std::clamp(scaled, 0.0, 65535.0));
        }
}

void build_shape(const char* path, int32_t shapeParam, bool original) noexcept
{
    uint16_t* plane = engine.shape.plane;
    if (!plane) return;
    const std::size_t m = std::size_t(std::max(engine.maxBrushSize, 0));
    std::fill_n(plane, m * m, uint16_t{0});
    // A path of 0 or 1 characters means no picture; paths that do not fit
    // the remembered path are refused.
    const std::size_t length = path ? strnlen(path, kShapePathCapacity) : 0;
    const bool picture = length > 1 && length < kShapePathCapacity;
    if (picture && build_picture_shape(path, shapeParam, original)) return;
    build_round_shape(original);
}

}  // namespace

void paint::set_brush_shape(const char* path, int32_t shapeParam, bool original)
{
    build_shape(path, shapeParam, original);
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_SetBrushShape(const char* path, int32_t shapeParam)
{
    guard("SetBrushShape", [&] { paint::set_brush_shape(path, shapeParam, false); });
}

MUR_API void MUR_SetBrushShape_ORIGINAL(const char* path, int32_t shapeParam)
{
    guard("SetBrushShape", [&] { paint::set_brush_shape(path, shapeParam, true); });
}

MUR_API void MUR_UnloadBrushShape(void)
{
    guard("MUR_UnloadBrushShape", [&] { release_source(); });
}

}  // extern "C"
