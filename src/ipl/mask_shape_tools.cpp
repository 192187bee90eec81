// The mask shape tools: an ellipse or a rectangle drawn in grey on a black
// page picture and combined into the mask, and the magic wand, which marks
// the pixels near a clicked one (by colour, luminance, hue, HSL or alpha,
// connected or not) and writes the masking amount there.
#include "ipl/ipl.h"

#include "engine/fixed_point.h"
#include "engine/guard.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/flood_fill.h"
#include "imaging/shapes.h"
#include "ipl/ipl_buffers.h"
#include "ipl/named_modes.h"
#include "ipl/tool_store.h"
#include "mask/mask.h"
#include "undo/history.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace mur::ipl {
namespace {

// The masking amount of a strength percent (clamped to 0..100, so that the
// amount stays a byte): trunc(strength x 2.559).
int32_t masking_amount(int32_t strength) noexcept
{
    return static_cast<int32_t>(fx::percent_of_255(std::clamp(strength, 0, 100)));
}

// A zeroed RGB24 picture of the page's size; null when the page is empty or
// has no mask. Throws when the memory cannot be had.
mem::Owned<uint8_t> black_shape_picture()
{
    if (image_pixels() == 0 || !engine.mask.plane) return mem::Owned<uint8_t>();
    mem::Owned<uint8_t> picture(static_cast<uint8_t*>(mem::try_alloc(image_pixels() * 3)));
    if (!picture) throw std::bad_alloc();
    return picture;
}

void combine_shape(const uint8_t* picture, int32_t blackOnly, int32_t amount, const char* operation)
{
    mask::combine_mask(picture, engine.width * 3, blackOnly == 1 ? 1 : 0, amount, operation);
    undo::mark_page_dirty();
}

struct EllipseRows {
    uint8_t* picture;
    int32_t amount;
};

void grey_ellipse_row(void* context, int32_t y, int32_t x0, const uint8_t* coverage, int32_t count)
{
    const EllipseRows& e = *static_cast<const EllipseRows*>(context);
    uint8_t* p = e.picture + (std::size_t(y) * engine.width + x0) * 3;
    for (int32_t k = 0; k < count; ++k, p += 3)
        p[0] = p[1] = p[2] = static_cast<uint8_t>((coverage[k] * e.amount + 127) / 255);
}

enum class WandMode { Connected, NonConnected, ColorRange, LuminanceRange, HueRange, HslRange, AlphaConnected, AlphaRange };

constexpr NamedMode<WandMode> kWandModes[] = {
    {"Connected", WandMode::Connected},
    {"Non-connected", WandMode::NonConnected},
    {"Color Range", WandMode::ColorRange},
    {"Luminance Range", WandMode::LuminanceRange},
    {"Hue Range", WandMode::HueRange},
    {"HSL Range", WandMode::HslRange},
    {"Alpha Connected", WandMode::AlphaConnected},
    {"Alpha Non-connected", WandMode::AlphaRange},
};

// Marks the plane for the flood modes; false when the fill's span stack
// could not be had.
bool mark_flood(const imaging::ConstImageView& view, WandMode mode, int32_t x, int32_t y, int32_t tolerance,
                uint8_t* plane)
{
    const imaging::FloodSeed seed = imaging::flood_seed_at(view, x, y);
    const int32_t limit = imaging::flood_distance_limit(tolerance);
    switch (mode) {
    case WandMode::NonConnected:
        imaging::flood_match_plane(view, seed, limit, imaging::FloodKey::Rgb, plane, image_pixels() > 100000);
        return true;
    case WandMode::Connected:
        return imaging::flood_fill_plane(view, x, y, seed, limit, imaging::FloodKey::Rgb, plane) >= 0;
    default:
        return imaging::flood_fill_plane(view, x, y, seed, limit, imaging::FloodKey::AlphaAsGrey, plane) >= 0;
    }
}

}  // namespace

void mask_ellipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t strength, int32_t blackOnly,
                  const char* operation)
{
    mem::Owned<uint8_t> picture = black_shape_picture();
    if (!picture) return;
    const int32_t amount = masking_amount(strength);
    const int64_t left = std::min(x0, x1), top = std::min(y0, y1);
    const int64_t rx = std::max<int64_t>((std::max(x0, x1) - left) / 2, 2);
    const int64_t ry = std::max<int64_t>((std::max(y0, y1) - top) / 2, 2);
    const int64_t cx = left + rx, cy = top + ry;
    // An ellipse wholly off the page draws nothing on it; the combine still
    // runs, for black-only.
    if (cx - rx < engine.width && cx + rx >= 0 && cy - ry < engine.height && cy + ry >= 0) {
        imaging::EllipseGeometry e;
        e.cx = static_cast<int32_t>(cx);
        e.cy = static_cast<int32_t>(cy);
        e.rx = double(rx);
        e.ry = double(ry);
        EllipseRows rows{picture.get(), amount};
        // The radii are valid: only memory can fail it.
        if (!imaging::ellipse_coverage_rows(e, engine.width, engine.height, grey_ellipse_row, &rows))
            throw std::bad_alloc();
    }
    combine_shape(picture.get(), blackOnly, amount, operation);
}

void mask_rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t strength, int32_t blackOnly,
                    const char* operation)
{
    mem::Owned<uint8_t> picture = black_shape_picture();
    if (!picture) return;
    const int32_t amount = masking_amount(strength);
    // The far corner is left out: columns left..right - 1, rows top..bottom - 1.
    const int64_t left = std::max<int64_t>(std::min(x0, x1), 0);
    const int64_t right = std::min<int64_t>(std::max(x0, x1), engine.width);
    const int64_t top = std::max<int64_t>(std::min(y0, y1), 0);
    const int64_t bottom = std::min<int64_t>(std::max(y0, y1), engine.height);
    for (int64_t y = top; y < bottom; ++y)
        if (left < right)
            std::memset(picture.get() + (std::size_t(y) * engine.width + left) * 3, amount, std::size_t(right - left) * 3);
    combine_shape(picture.get(), blackOnly, amount, operation);
}

void mask_wand(int32_t x, int32_t y, int32_t tolerance, int32_t strength, const char* modeName)
{
    WandMode mode;
    if (!find_named_mode(kWandModes, modeName, mode)) return;
    if (x < 0 || y < 0 || x >= engine.width || y >= engine.height || !engine.mask.plane) return;
    LayerRecord* layer = current_layer_with_pixels();
    if (!layer || x >= layer->width || y >= layer->height) return;
    if (mode == WandMode::AlphaConnected && engine.layers.currentLayer <= 1) return;

    const int32_t t = std::clamp(tolerance, 0, 50000);
    const int32_t amount = masking_amount(strength);
    IplBuffer& source = engine.ipl.toolSrc32;
    if (!keep_or_allocate(source, 4)) throw std::bad_alloc();
    fill_rgba32_from_current_layer(source);
    const uint8_t* page = source.data;
    const imaging::ConstImageView view(page, engine.width, engine.height, std::ptrdiff_t{engine.width} * 4, 4);
    const uint8_t* clicked = page + (std::size_t(y) * engine.width + x) * 4;
    const int32_t r = clicked[0], g = clicked[1], b = clicked[2], alpha = clicked[3];
    const int32_t percent = t / 500;

    switch (mode) {
    case WandMode::Connected:
    case WandMode::NonConnected:
    case WandMode::AlphaConnected: {
        mem::Owned<uint8_t> plane(static_cast<uint8_t*>(mem::try_alloc(image_pixels())));
        if (!plane || !mark_flood(view, mode, x, y, t, plane.get())) {
            release(source);
            throw std::bad_alloc();
        }
        mask::create_mask_from_flood_mask(plane.get(), amount);
        break;
    }
    case WandMode::ColorRange: mask::create_mask_from_rgba_image_color_range(page, r, g, b, percent, amount); break;
    case WandMode::LuminanceRange:
        mask::create_mask_from_rgba_image_luminance_range(page, r, g, b, percent, amount);
        break;
    case WandMode::HueRange: mask::create_mask_from_rgba_image_hue_range(page, r, g, b, percent, amount); break;
    case WandMode::HslRange: {
        const double hsl = t * 0.00002;
        mask::create_mask_from_rgba_image_hsl_range(page, r, g, b, hsl, hsl, hsl, amount);
        break;
    }
    case WandMode::AlphaRange: mask::create_mask_from_rgba_image_alpha_range(page, alpha, percent, amount); break;
    }
    release(source);
    undo::mark_page_dirty();
}

}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API void MUR_IPLMaskEllipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t strength, int32_t blackOnly,
                                const char* operation)
{
    guard("IPLMaskEllipse", [&] { ipl::mask_ellipse(x0, y0, x1, y1, strength, blackOnly, operation); });
}

MUR_API void MUR_IPLMaskRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t strength, int32_t blackOnly,
                                  const char* operation)
{
    guard("IPLMaskRectangle", [&] { ipl::mask_rectangle(x0, y0, x1, y1, strength, blackOnly, operation); });
}

MUR_API void MUR_IPLMaskWand(int32_t x, int32_t y, int32_t tolerance, int32_t strength, const char* mode)
{
    guard("IPLMaskWand", [&] { ipl::mask_wand(x, y, tolerance, strength, mode); });
}

}  // extern "C"
