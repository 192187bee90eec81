// The rectangle, ellipse and gradient tools: drawn into the tool destination
// buffer, weighed by the texture and the mask, merged over the current layer.
#include "ipl/ipl.h"

#include "engine/fixed_point.h"
#include "engine/guard.h"
#include "engine/state.h"
#include "imaging/shapes.h"
#include "ipl/filter_framing.h"
#include "ipl/ipl_buffers.h"
#include "ipl/tool_store.h"
#include "layers/layers.h"
#include "undo/history.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace mur::ipl {
namespace {

uint8_t byte_of(int32_t v) noexcept { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// The tool destination buffer at the page's size, cleared to the colour with
// alpha 0; null without a current layer or memory.
uint8_t* cleared_tool_destination(uint8_t r, uint8_t g, uint8_t b)
{
    if (!current_layer_with_pixels() || !keep_or_allocate(engine.ipl.toolDst32, 4)) return nullptr;
    uint8_t* page = engine.ipl.toolDst32.data;
    const uint8_t clear[4] = {r, g, b, 0};
    for (std::size_t i = 0; i < image_pixels(); ++i) std::memcpy(page + i * 4, clear, 4);
    return page;
}

// The drawn shape through the texture and the mask, over the current layer;
// a merge that found no memory is the operation's failure.
void merge_tool_destination(uint8_t* page, int32_t opacity)
{
    LayerRecord& layer = *current_layer_with_pixels();
    layers::weigh_by_texture_and_mask(page, 0, 0, engine.width, engine.height);
    if (!MergeResultIntoLayer(page, layer, 0, opacity, layer.alphaLocked != 0)) throw std::bad_alloc();
}

int32_t opacity_of_percent(int32_t percent) noexcept
{
    return static_cast<int32_t>(fx::percent_of_255(std::clamp(percent, 0, 100)));
}

}  // namespace

ShapeBox shape_box(int32_t x0, int32_t y0, int32_t x1, int32_t y1) noexcept
{
    ShapeBox box;
    // The second point's column is left out; rows include both points.
    if (x0 < x1) {
        box.left = x0;
        box.right = int64_t{x1} - 1;
    } else {
        box.left = int64_t{x1} + 1;
        box.right = x0;
    }
    box.top = std::min(y0, y1);
    box.bottom = std::max(y0, y1);
    return box;
}

void draw_rectangle(int32_t r, int32_t g, int32_t b, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent)
{
    uint8_t* page = cleared_tool_destination(byte_of(r), byte_of(g), byte_of(b));
    if (!page) return;
    const ShapeBox box = shape_box(x0, y0, x1, y1);
    if (box.left <= box.right) {
        // Clipped to the page first, so that the sizes fit.
        const int64_t left = std::max<int64_t>(box.left, 0), right = std::min<int64_t>(box.right, engine.width - 1);
        const int64_t top = std::max<int64_t>(box.top, 0), bottom = std::min<int64_t>(box.bottom, engine.height - 1);
        if (left <= right && top <= bottom) {
            const imaging::ImageView view = imaging::rgba32_view(page, engine.width, engine.height, std::ptrdiff_t{engine.width} * 4);
            imaging::fill_rect(view,
                               {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right - left + 1),
                                static_cast<int32_t>(bottom - top + 1)},
                               {byte_of(r), byte_of(g), byte_of(b), 255});
        }
    }
    merge_tool_destination(page, opacity_of_percent(percent));
    undo::mark_page_dirty();
}

void draw_ellipse(int32_t r, int32_t g, int32_t b, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent)
{
    uint8_t* page = cleared_tool_destination(byte_of(r), byte_of(g), byte_of(b));
    if (!page) return;
    const ShapeBox box = shape_box(x0, y0, x1, y1);
    const int64_t rx = std::max<int64_t>((box.right - box.left) / 2, 2), ry = std::max<int64_t>((box.bottom - box.top) / 2, 2);
    const int64_t cx = box.left + rx, cy = box.top + ry;
    // A centre far off the page draws nothing on it.
    if (cx - rx < engine.width && cx + rx >= 0 && cy - ry < engine.height && cy + ry >= 0) {
        const imaging::ImageView view = imaging::rgba32_view(page, engine.width, engine.height, std::ptrdiff_t{engine.width} * 4);
        imaging::EllipseGeometry e;
        e.cx = static_cast<int32_t>(std::clamp<int64_t>(cx, INT32_MIN / 2, INT32_MAX / 2));
        e.cy = static_cast<int32_t>(std::clamp<int64_t>(cy, INT32_MIN / 2, INT32_MAX / 2));
        e.rx = double(rx);
        e.ry = double(ry);
        // The radii are valid: only memory can fail it.
        if (!imaging::fill_ellipse(view, e, {byte_of(r), byte_of(g), byte_of(b), 255})) throw std::bad_alloc();
    }
    merge_tool_destination(page, opacity_of_percent(percent));
    undo::mark_page_dirty();
}

imaging::Gradient gradient_stops(const int32_t colours[4][3], int32_t count) noexcept
{
    imaging::Gradient g;
    const int32_t n = std::clamp(count, 0, 4);
    auto colour = [&](int32_t k, uint8_t alpha) {
        return imaging::Rgba8{byte_of(colours[k][0]), byte_of(colours[k][1]), byte_of(colours[k][2]), alpha};
    };
    if (n >= 2) {
        g.count = n;
        for (int32_t k = 0; k < n; ++k) g.stops[k] = {k * 100 / (n - 1), colour(k, 0)};
    } else {
        // One colour fading: into transparency (count 0) or out of it (count
        // 1), once the alpha is turned over.
        g.count = 2;
        g.stops[0] = {0, colour(0, n == 0 ? 255 : 0)};
        g.stops[1] = {100, colour(0, n == 0 ? 0 : 255)};
    }
    return g;
}

void draw_gradient(const int32_t colours[4][3], int32_t count, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                   const char* kind)
{
    if (!kind) return;
    uint8_t* page = cleared_tool_destination(0, 0, 0);
    if (!page) return;
    const imaging::ImageView view = imaging::rgba32_view(page, engine.width, engine.height, std::ptrdiff_t{engine.width} * 4);
    const imaging::Gradient g = gradient_stops(colours, count);
    const bool threaded = image_pixels() > 65536;
    const double dx = double(x1) - x0, dy = double(y1) - y0;
    const bool drawn = std::strcmp(kind, "Linear") == 0
                           ? imaging::draw_linear_gradient(view, x0, y0, x1, y1, g, threaded)
                           : imaging::draw_radial_gradient(view, x0, y0, std::sqrt(dx * dx + dy * dy), g, threaded);
    if (drawn) {
        for (std::size_t i = 0; i < image_pixels(); ++i) page[i * 4 + 3] = static_cast<uint8_t>(255 - page[i * 4 + 3]);
        merge_tool_destination(page, 255);
    }
    undo::mark_page_dirty();
}

}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API void MUR_IPLRectangle(int32_t red, int32_t green, int32_t blue, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                              int32_t opacityPercent)
{
    guard("IPLRectangle", [&] { ipl::draw_rectangle(red, green, blue, x0, y0, x1, y1, opacityPercent); });
}

MUR_API void MUR_IPLEllipse(int32_t red, int32_t green, int32_t blue, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                            int32_t opacityPercent)
{
    guard("IPLEllipse", [&] { ipl::draw_ellipse(red, green, blue, x0, y0, x1, y1, opacityPercent); });
}

MUR_API void MUR_IPLGradient(int32_t red1, int32_t green1, int32_t blue1, int32_t red2, int32_t green2, int32_t blue2,
                             int32_t red3, int32_t green3, int32_t blue3, int32_t red4, int32_t green4, int32_t blue4,
                             int32_t colorCount, int32_t x0, int32_t y0, int32_t x1, int32_t y1, const char* kind)
{
    guard("IPLGradient", [&] {
        const int32_t colours[4][3] = {{red1, green1, blue1}, {red2, green2, blue2}, {red3, green3, blue3},
                                       {red4, green4, blue4}};
        ipl::draw_gradient(colours, colorCount, x0, y0, x1, y1, kind);
    });
}

}  // extern "C"
