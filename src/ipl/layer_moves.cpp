// Moves of the current layer's picture through the IPL buffers: the pan,
// which shifts the source buffer and lays it over the layer, and the
// point-to-point push warp.
#include "ipl/ipl.h"

#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/pixel_moves.h"
#include "imaging/transform_pipeline.h"
#include "ipl/filter_framing.h"
#include "layers/layer_load.h"
#include "layers/layers.h"
#include "undo/history.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mur::ipl {
namespace {

// Both IPL buffers at the page's size and a current layer, or nothing to do.
bool buffers_ready() noexcept
{
    const std::size_t bytes = image_pixels() * 4;
    return bytes > 0 && engine.ipl.src32.data && engine.ipl.src32.bytes == bytes && engine.ipl.dst32.data &&
           engine.ipl.dst32.bytes == bytes && engine.layers.currentRecord && engine.layers.currentRecord->pixels;
}

imaging::ImageView page_view(uint8_t* data) noexcept
{
    return imaging::rgba32_view(data, engine.width, engine.height, std::ptrdiff_t{engine.width} * 4);
}

void mark_page_dirty() noexcept
{
    undo::set_dirty_empty();
    undo::widen_dirty(0, 0, engine.width - 1, engine.height - 1);
}

int32_t wrap_offset(int32_t d, int32_t n) noexcept
{
    const int32_t r = d % n;
    return r < 0 ? r + n : r;
}

// The rectangle [x0, x1) x [y0, y1) of the page.
struct Box {
    int32_t x0, y0, x1, y1;
    int32_t width() const noexcept { return x1 - x0; }
    int32_t height() const noexcept { return y1 - y0; }
};

// The box around (cx, cy) reaching `reach` pixels each way, clipped to the page.
Box page_box(double cx, double cy, double reach) noexcept
{
    auto clip = [](double v, int32_t limit) {
        return static_cast<int32_t>(std::clamp(v, 0.0, double(limit)));
    };
    return {clip(std::floor(cx - reach), engine.width), clip(std::floor(cy - reach), engine.height),
            clip(std::ceil(cx + reach) + 1, engine.width), clip(std::ceil(cy + reach) + 1, engine.height)};
}

}  // namespace

void pan(int32_t dx, int32_t dy, int32_t wrapMode, int32_t r, int32_t g, int32_t b, int32_t a, int32_t weightSwitch)
{
    if (!buffers_ready()) return;
    const int32_t width = engine.width, height = engine.height;
    const imaging::ImageView src = page_view(engine.ipl.src32.data), dst = page_view(engine.ipl.dst32.data);
    if (wrapMode == 0) {
        // Over transparency: what the moved picture leaves uncovered is empty.
        const uint32_t clear = 0;
        imaging::place_on_canvas(src, dst, dx, dy, &clear);
    } else {
        const uint32_t fill = uint32_t(r) + uint32_t(g) * 256u + uint32_t(b) * 65536u + uint32_t(a) * 16777216u;
        const imaging::EdgeMode edge = wrapMode == 1   ? imaging::EdgeMode::Wrap
                                       : wrapMode == 2 ? imaging::EdgeMode::Repeat
                                                       : imaging::EdgeMode::Fill;
        // A wrapped move is the same as its remainder, which stays exact.
        const double mx = edge == imaging::EdgeMode::Wrap ? wrap_offset(dx, width) : double(dx);
        const double my = edge == imaging::EdgeMode::Wrap ? wrap_offset(dy, height) : double(dy);
        imaging::TransformPipeline pipeline;
        imaging::add_offset_transform(pipeline, mx, my);
        imaging::process_transforms(pipeline, src, dst, edge, fill);
    }
    if (weightSwitch & 0xFF) layers::weigh_by_texture_and_mask(dst.data, 0, 0, width, height);
    LayerRecord& layer = *engine.layers.currentRecord;
    MergeResultIntoLayer(dst.data, layer, 0, 255, layer.alphaLocked != 0);
    mark_page_dirty();
}

void warp_point_to_point(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY)
{
    if (!buffers_ready() || (fromX == toX && fromY == toY)) return;
    const int32_t width = engine.width;
    const std::ptrdiff_t stride = std::ptrdiff_t{width} * 4;
    imaging::TransformPipeline pipeline;
    if (!imaging::add_push_transform(pipeline, fromX, fromY, toX, toY, 0)) return;
    // Only the pixels within the push's reach of `to` change, and they read
    // only pixels within the reach plus the push itself.
    const double push = std::hypot(double(toX) - fromX, double(toY) - fromY), reach = 2 * push;
    const Box changed = page_box(toX, toY, reach + 1);
    const Box read = page_box(toX, toY, reach + push + 2);
    if (changed.width() <= 0 || changed.height() <= 0 || read.width() <= 0 || read.height() <= 0) return;

    // A premultiplied copy of what is read, so that the source buffer stays
    // as it is for the next warp.
    mem::Owned<uint8_t> copy(x_NewCharUndoReduce(image_pixels() * 4));
    if (!copy) return;
    for (int32_t y = read.y0; y < read.y1; ++y) {
        uint8_t* row = copy.get() + y * stride + std::ptrdiff_t{read.x0} * 4;
        std::memcpy(row, engine.ipl.src32.data + y * stride + std::ptrdiff_t{read.x0} * 4, std::size_t(read.width()) * 4);
        premultiply_rgba32(row, read.width(), 1);
    }
    // Sources outside the box repeat its border, which is the page's border
    // wherever the box was clipped.
    const imaging::ConstImageView source(copy.get() + read.y0 * stride + std::ptrdiff_t{read.x0} * 4, read.width(),
                                         read.height(), stride, 4);
    imaging::add_offset_transform(pipeline, read.x0, read.y0);
    const imaging::ImageView dst = page_view(engine.ipl.dst32.data);
    imaging::process_transforms(pipeline, source, dst, imaging::EdgeMode::Repeat, 0,
                                imaging::Rect{changed.x0, changed.y0, changed.width(), changed.height()});
    // Only the disc the push reaches is stored: every other pixel keeps its
    // 16 bits exactly.
    LayerRecord& layer = *engine.layers.currentRecord;
    for (int32_t y = changed.y0; y < changed.y1; ++y) {
        const double dy = y - double(toY), half2 = reach * reach - dy * dy;
        if (half2 <= 0) continue;
        const double half = std::sqrt(half2);
        // Columns strictly inside: |x - to x| < half.
        const auto x0 = static_cast<int32_t>(std::max(double(changed.x0), std::floor(toX - half) + 1));
        const auto x1 = static_cast<int32_t>(std::min(double(changed.x1), std::ceil(toX + half)));
        if (x1 <= x0) continue;
        uint8_t* run = dst.data + y * stride + std::ptrdiff_t{x0} * 4;
        unpremultiply_rgba32(run, x1 - x0, 1);
        load_rgba32_into_layer(run, static_cast<int32_t>(stride), layer, x0, y, x1 - x0, 1, true);
    }
    mark_page_dirty();
}

}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API void MUR_IPLPan(int32_t dx, int32_t dy, int32_t wrapMode, int32_t red, int32_t green, int32_t blue,
                        int32_t alpha, int32_t weightSwitch)
{
    guard("IPLPan", [&] { ipl::pan(dx, dy, wrapMode, red, green, blue, alpha, weightSwitch); });
}

MUR_API void MUR_WarpPointToPoint(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY)
{
    guard("WarpPointToPoint", [&] { ipl::warp_point_to_point(fromX, fromY, toX, toY); });
}

}  // extern "C"
