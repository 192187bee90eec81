// The brush settings: the single-value setters with the values they derive,
// the scale-size sampling table, and colour operations on pixel data.
#include "paint/paint.h"
#include "engine/fixed_point.h"
#include "engine/guard.h"
#include "engine/random.h"
#include "engine/saturate.h"
#include "engine/state.h"
#include "imaging/rect_clip.h"
#include "layers/layer_access.h"

#include <algorithm>
#include <cmath>

namespace mur {
namespace {

ToolSettings& tool() noexcept { return engine.tool; }

uint16_t byte_to_16(int32_t v) noexcept { return static_cast<uint16_t>(std::clamp(v, 0, 255) * 256); }
using fx::clamp16;

}  // namespace

void recompute_strength_inverses() noexcept
{
    ToolSettings& t = tool();
    if (t.blendStrength > 0) t.blendStrengthInverse = 256 - t.blendStrength;
    if (t.primaryColorStrength > 0) t.primaryColorStrengthInverse = 256 - t.primaryColorStrength;
}

void paint::set_color_alpha(int32_t r, int32_t g, int32_t b)
{
    LayerRecord* layer = engine.layers.currentRecord;
    if (!layer || !layer->pixels) return;
    const uint16_t rgb[3] = {uint16_t((r & 0xFF) * 257), uint16_t((g & 0xFF) * 257), uint16_t((b & 0xFF) * 257)};
    for_each_layer_pixel(*layer, [&rgb](uint16_t* p) {
        if (p[3] >= 256) return;
        p[0] = rgb[0], p[1] = rgb[1], p[2] = rgb[2], p[3] = 0;
    });
}

void paint::set_color_banks(int32_t r0, int32_t g0, int32_t b0, int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t r3, int32_t g3, int32_t b3)
{
    const int32_t banks[4][3] = {{r0, g0, b0}, {r1, g1, b1}, {r2, g2, b2}, {r3, g3, b3}};
    ToolSettings& t = tool();
    for (int k = 0; k < 4; ++k) {
        t.colorBankR[k] = byte_to_16(banks[k][0]);
        t.colorBankG[k] = byte_to_16(banks[k][1]);
        t.colorBankB[k] = byte_to_16(banks[k][2]);
        t.colorBankA[k] = 65535;
    }
}

void paint::set_rotate_brush_mode(int32_t mode, int32_t degrees)
{
    ToolSettings& t = tool();
    t.rotateBrushMode = static_cast<uint8_t>(mode);
    t.rotateDegrees = degrees;
    // The angle in radians uses this value of pi, as brushes have always had it.
    t.rotateRadians = static_cast<float>(degrees * 0.005555555555555556 * 3.14159);
    t.rotateSin = std::sin(t.rotateRadians);
    t.rotateCos = std::cos(t.rotateRadians);
}

void paint::set_scale_size(int32_t n)
{
    ToolSettings& t = tool();
    if (n < 1) n = 1;
    if (n > t.size) n = t.size;
    if (n > 999) n = 999;
    t.sizeStepCount = std::max(n, 0);
    if (t.sizeStepCount == 0) return;
    const double step = double(t.size) / n;
    double at = step * 0.5;
    for (int32_t i = 0; i < n; ++i, at += step) t.sizeSteps[i] = static_cast<int32_t>(at);
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_SetColor(int32_t r, int32_t g, int32_t b)
{
    mur::guard("SetColor", [&] {
        uint16_t* c = tool().color;
        c[0] = byte_to_16(r), c[1] = byte_to_16(g), c[2] = byte_to_16(b), c[3] = 65535;
    });
}

MUR_API void MUR_SetColor16(int32_t r, int32_t g, int32_t b)
{
    mur::guard("SetColor16", [&] {
        uint16_t* c = tool().color;
        c[0] = clamp16(r), c[1] = clamp16(g), c[2] = clamp16(b), c[3] = 65535;
    });
}

MUR_API void MUR_SetColorBanks(int32_t r0, int32_t g0, int32_t b0, int32_t r1, int32_t g1, int32_t b1, int32_t r2,
                               int32_t g2, int32_t b2, int32_t r3, int32_t g3, int32_t b3)
{
    mur::guard("SetColorBanks", [&] { paint::set_color_banks(r0, g0, b0, r1, g1, b1, r2, g2, b2, r3, g3, b3); });
}

MUR_API void MUR_SetShapeBlur(int32_t value) { mur::guard("SetShapeBlur", [&] { tool().shapeBlur = value; }); }

MUR_API void MUR_SetBlendStrength(int32_t value)
{
    mur::guard("SetBlendStrength", [&] {
        tool().blendStrength = value;
        if (value > 0) tool().blendStrengthInverse = 256 - value;
    });
}

MUR_API void MUR_SetBlendPrimaryColorStrength(int32_t value)
{
    mur::guard("SetBlendPrimaryColorStrength", [&] {
        tool().primaryColorStrength = value;
        if (value > 0) tool().primaryColorStrengthInverse = 256 - value;
    });
}

MUR_API void MUR_SetBlendRemix(int32_t flag)
{
    mur::guard("SetBlendRemix", [&] { tool().blendRemix = static_cast<uint8_t>(flag); });
}
MUR_API void MUR_SetDensity(int32_t value)
{
    mur::guard("SetDensity", [&] { tool().dabDensity = saturate_i32(int64_t{value} - 1); });
}

MUR_API void MUR_SetAlpha(int32_t value)
{
    mur::guard("SetAlpha", [&] {
        tool().alpha = value;
        tool().alpha128 = saturate_i32(value * 1.28);
    });
}

MUR_API void MUR_SetColorVary(int32_t value) { mur::guard("SetColorVary", [&] { tool().colorVary = value; }); }
MUR_API void MUR_SetColorLocked(int32_t flag)
{
    mur::guard("SetColorLocked", [&] { tool().lockColor = static_cast<uint8_t>(flag); });
}
MUR_API void MUR_SetBlobLocked(int32_t flag)
{
    mur::guard("SetBlobLocked", [&] { tool().lockBlob = static_cast<uint8_t>(flag); });
}
MUR_API void MUR_SetAlphaLevel(int32_t value) { mur::guard("SetAlphaLevel", [&] { tool().alphaLevel = value; }); }
MUR_API void MUR_SetImageBrushMode(int32_t flag)
{
    mur::guard("SetImageBrushMode", [&] { tool().imageBrushMode = static_cast<uint8_t>(flag); });
}
MUR_API void MUR_SetSolidBrushMode(int32_t flag)
{
    mur::guard("SetSolidBrushMode", [&] { tool().solidBrushMode = static_cast<uint8_t>(flag); });
}

MUR_API void MUR_SetRotateBrushMode(int32_t mode, int32_t degrees)
{
    mur::guard("SetRotateBrushMode", [&] { paint::set_rotate_brush_mode(mode, degrees); });
}

MUR_API void MUR_SetMixMode(int32_t mode, int32_t amount)
{
    mur::guard("SetMixMode", [&] {
        ToolSettings& t = tool();
        t.mixMode = mode;
        t.mixAmount = amount;
        t.mixAmountInverse = saturate_i32(256 - int64_t{amount});
        t.mixBias16 = saturate_i32((double(amount) - 127) / 127.0 * 16);
    });
}

MUR_API void MUR_TempDisableBlend(void) { mur::guard("TempDisableBlend", [&] { tool().tempDisableBlend = 1; }); }
MUR_API void MUR_DecDrawingLength(void) { mur::guard("DecDrawingLength", [&] { tool().drawingLength -= 1; }); }

MUR_API void MUR_SetSize(int32_t size)
{
    mur::guard("SetSize", [&] {
        // One sampling step per pixel of size: the table holds 1000.
        ToolSettings& t = tool();
        t.size = std::clamp(size, 0, kSizeSteps);
        t.sizeStepCount = t.size;
        for (int32_t i = 0; i < t.size; ++i) t.sizeSteps[i] = i;
    });
}

MUR_API void MUR_SetScaleSize(int32_t n)
{
    mur::guard("SetScaleSize", [&] { paint::set_scale_size(n); });
}

MUR_API void MUR_SetPixColorVary(int32_t value)
{
    mur::guard("SetPixColorVary", [&] {
        tool().pixColorVary = value;
        if (value > 0) MakeRandArrayByte(tool().pixColorVaryTable, 1000, 3 * engine.maxBrushSize);
    });
}

MUR_API void MUR_SetPixLumVary(int32_t value)
{
    mur::guard("SetPixLumVary", [&] {
        tool().pixLumVary = value;
        if (value > 0) MakeRandArrayByte(tool().pixLumVaryTable, 256, 3 * engine.maxBrushSize);
    });
}

MUR_API void MUR_SetColorAlpha(int32_t r, int32_t g, int32_t b)
{
    guard("SetColorAlpha", [&] { paint::set_color_alpha(r, g, b); });
}

MUR_API void MUR_SetAlphaFromRGBAImageColor(uint8_t* image, int32_t r, int32_t g, int32_t b)
{
    mur::guard("SetAlphaFromRGBAImageColor", [&] {
        if (!image) return;
        for (std::size_t i = 0; i < image_pixels(); ++i) {
            uint8_t* p = image + i * 4;
            if (p[0] == (r & 0xFF) && p[1] == (g & 0xFF) && p[2] == (b & 0xFF)) p[3] = 0;
        }
    });
}

MUR_API void MUR_SetPixelRGB24(uint8_t* image, int32_t stride, int32_t x, int32_t y, int32_t r, int32_t g, int32_t b)
{
    mur::guard("SetPixelRGB24", [&] {
        const imaging::CallerRows<uint8_t> to = imaging::caller_rows(image, stride);
        if (!to.usable() || x < 0 || y < 0 || x >= engine.width || y >= engine.height) return;
        uint8_t* p = to.at(y, int64_t{x} * 3);
        p[0] = static_cast<uint8_t>((r & 0xFFFF) >> 8);
        p[1] = static_cast<uint8_t>((g & 0xFFFF) >> 8);
        p[2] = static_cast<uint8_t>((b & 0xFFFF) >> 8);
    });
}

}  // extern "C"
