// The clipboard picture scaled and turned: the transforming paste (with its
// cache of the last transformed copy), the image brush and the brush files
// made from it.
#include "io/io.h"

#include "engine/guard.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/rect_clip.h"
#include "imaging/resample.h"
#include "imaging/transform_pipeline.h"
#include "ipl/filter_framing.h"
#include "layers/layer_merge.h"
#include "layers/layers.h"
#include "paint/paint.h"
#include "platform/clipboard.h"
#include "undo/history.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mur::io {
namespace {

using imaging::Rgba32Picture;

// Releases a picture on every path out of a scope.
struct PictureOwner {
    Rgba32Picture p;
    PictureOwner() = default;
    PictureOwner(const PictureOwner&) = delete;
    PictureOwner& operator=(const PictureOwner&) = delete;
    ~PictureOwner() { imaging::release_picture(p); }
    void replace(Rgba32Picture& next) noexcept
    {
        imaging::release_picture(p);
        p = next;
        next = {};
    }
};

imaging::ConstImageView view_of(const Rgba32Picture& p) noexcept
{
    return {p.pixels, p.width, p.height, std::ptrdiff_t{p.width} * 4, 4};
}

imaging::ImageView mutable_view(Rgba32Picture& p) noexcept
{
    return imaging::rgba32_view(p.pixels, p.width, p.height, std::ptrdiff_t{p.width} * 4);
}

bool fits(int64_t width, int64_t height) noexcept
{
    return width >= 1 && height >= 1 && width <= imaging::kMaxPictureSide && height <= imaging::kMaxPictureSide &&
           uint64_t(width) * uint64_t(height) <= imaging::kMaxPicturePixels;
}

// The sides a picture takes when its longer side becomes `size`: each
// truncated, at least 1. False when they exceed the picture limits.
bool scaled_sides(const Rgba32Picture& p, int32_t size, int32_t& width, int32_t& height, double& factor) noexcept
{
    factor = double(size) / double(std::max(p.width, p.height));
    const double w = std::max(1.0, std::trunc(factor * p.width)), h = std::max(1.0, std::trunc(factor * p.height));
    if (!(w <= imaging::kMaxPictureSide && h <= imaging::kMaxPictureSide) || !fits(int64_t(w), int64_t(h)))
        return false;
    width = int32_t(w), height = int32_t(h);
    return true;
}

// Resamples a picture to width x height; smooth: premultiplied, with
// `mode`; else the nearest sample.
bool resize_picture(PictureOwner& picture, int32_t width, int32_t height, bool smooth, int32_t mode)
{
    Rgba32Picture out;
    if (!imaging::allocate_picture(out, width, height)) return false;
    Rgba32Picture& in = picture.p;
    bool ok;
    if (smooth) {
        ipl::premultiply_rgba32(in.pixels, in.width, in.height);
        ok = imaging::general_resize(view_of(in), mutable_view(out), mode);
        ipl::unpremultiply_rgba32(out.pixels, width, height);
    } else {
        ok = imaging::general_resize(view_of(in), mutable_view(out), int32_t(imaging::ResizeFilter::Nearest));
    }
    if (!ok) {
        imaging::release_picture(out);
        return false;
    }
    picture.replace(out);
    return true;
}

// Turns a picture by hundredths of a degree (clockwise on the screen) onto a
// canvas that holds it whole; smooth: bilinear on premultiplied colour,
// else the nearest sample.
bool rotate_picture(PictureOwner& picture, int32_t angle, bool smooth)
{
    const double radians = angle * 0.01 * 0.0174532925;
    Rgba32Picture& in = picture.p;
    const double c = std::fabs(std::cos(radians)), s = std::fabs(std::sin(radians));
    const double w = std::max(1.0, std::floor(in.width * c + in.height * s + 0.5));
    const double h = std::max(1.0, std::floor(in.width * s + in.height * c + 0.5));
    if (!(w <= imaging::kMaxPictureSide && h <= imaging::kMaxPictureSide) || !fits(int64_t(w), int64_t(h)))
        return false;
    Rgba32Picture out;
    if (!imaging::allocate_picture(out, int32_t(w), int32_t(h))) return false;
    imaging::TransformPipeline pipeline;
    imaging::add_offset_transform(pipeline, (w - in.width) / 2, (h - in.height) / 2);
    imaging::add_rotate_transform(pipeline, radians * 57.29577951308232, (in.width - 1) / 2.0, (in.height - 1) / 2.0);
    if (smooth) {
        ipl::premultiply_rgba32(in.pixels, in.width, in.height);
        imaging::process_transforms(pipeline, view_of(in), mutable_view(out), imaging::EdgeMode::Fill, 0);
        ipl::unpremultiply_rgba32(out.pixels, out.width, out.height);
    } else {
        mem::Owned<double> xs(mem::alloc_array<double>(std::size_t(out.width) * 2));
        double* ys = xs.get() + out.width;
        for (int32_t y = 0; y < out.height; ++y) {
            for (int32_t x = 0; x < out.width; ++x) xs[x] = x, ys[x] = y;
            for (int32_t m = 0; m < pipeline.count; ++m) pipeline.maps[m].apply(pipeline.maps[m], xs.get(), ys, out.width);
            uint8_t* d = out.pixels + std::size_t(y) * std::size_t(out.width) * 4;
            for (int32_t x = 0; x < out.width; ++x, d += 4) {
                const double sx = std::floor(xs[x] + 0.5), sy = std::floor(ys[x] + 0.5);
                if (sx >= 0 && sy >= 0 && sx < in.width && sy < in.height)
                    std::memcpy(d, in.pixels + (std::size_t(sy) * std::size_t(in.width) + std::size_t(sx)) * 4, 4);
            }
        }
    }
    picture.replace(out);
    return true;
}

bool no_rotation(int32_t angle) noexcept { return angle == 0 || angle == 36000; }

bool copy_picture(const uint8_t* pixels, int32_t width, int32_t height, Rgba32Picture& out) noexcept
{
    if (!imaging::allocate_unfilled_picture(out, width, height)) return false;
    std::memcpy(out.pixels, pixels, std::size_t(width) * std::size_t(height) * 4);
    return true;
}

bool cache_holds(int32_t size, int32_t angle, bool smooth) noexcept
{
    const ClipTransformCache& c = engine.clipCache;
    return c.pixels && c.size == size && c.angle == angle && c.smooth == smooth;
}

void put_in_cache(const Rgba32Picture& p, int32_t size, int32_t angle, bool smooth)
{
    clear_clip_cache();
    auto* copy = static_cast<uint8_t*>(mem::try_alloc_uninit(std::size_t(p.width) * std::size_t(p.height) * 4));
    if (!copy) return;  // no copy kept: the next paste reads the clipboard again
    std::memcpy(copy, p.pixels, std::size_t(p.width) * std::size_t(p.height) * 4);
    engine.clipCache = {copy, p.width, p.height, size, angle, smooth};
}

// The clipboard picture with its longer side at `size` (premultiplied,
// area average when narrowing, else Lanczos), then turned when `angle` asks.
bool brush_picture(PictureOwner& picture, int32_t size, int32_t angle)
{
    if (size < 1 || !platform::read_clipboard_picture(picture.p)) return false;
    int32_t w = 0, h = 0;
    double factor = 0;
    if (!scaled_sides(picture.p, size, w, h, factor)) return false;
    if (!resize_picture(picture, w, h, true, w < picture.p.width ? 15 : 8)) return false;
    return no_rotation(angle) || rotate_picture(picture, angle, true);
}

// The picture centred on a transparent size x size canvas (clipped).
bool centre_on_canvas(const Rgba32Picture& p, int32_t size, Rgba32Picture& canvas)
{
    if (!fits(size, size) || !imaging::allocate_picture(canvas, size, size)) return false;
    const int64_t left = (int64_t{size} - p.width) / 2, top = (int64_t{size} - p.height) / 2;
    const imaging::ClippedRect area = imaging::clip_rect(left, top, p.width, p.height, size, size);
    for (int64_t y = area.rows.begin; y < area.rows.end; ++y)
        std::memcpy(canvas.pixels + (std::size_t(y) * std::size_t(size) + std::size_t(area.cols.begin)) * 4,
                    p.pixels + (std::size_t(y - top) * std::size_t(p.width) + std::size_t(area.cols.begin - left)) * 4,
                    std::size_t(area.cols.length()) * 4);
    return true;
}

}  // namespace

void clear_clip_cache() noexcept
{
    uint8_t* old = engine.clipCache.pixels;
    engine.clipCache = {};
    mem::release_nothrow(old);
}

void paste_transformed(int32_t x, int32_t y, int32_t size, int32_t angle, bool centred, bool smooth, int32_t opacity,
                       bool toPaintLayer)
{
    PictureOwner picture;
    if (cache_holds(size, angle, smooth)) {
        const ClipTransformCache& c = engine.clipCache;
        if (!copy_picture(c.pixels, c.width, c.height, picture.p)) return;
    } else {
        if (!platform::read_clipboard_picture(picture.p)) return;
        int32_t w = 0, h = 0;
        double factor = 0;
        if (!scaled_sides(picture.p, size, w, h, factor)) return;
        if (factor != 1.0) {
            const bool tiny = w < 5 || h < 5 || picture.p.width < 5 || picture.p.height < 5;
            if (!resize_picture(picture, w, h, smooth, tiny ? 17 : 8)) return;
        }
        if (!no_rotation(angle) && !rotate_picture(picture, angle, smooth)) return;
        put_in_cache(picture.p, size, angle, smooth);
    }

    Rgba32Picture& p = picture.p;
    int64_t left = x, top = y;
    if (centred) left -= p.width / 2, top -= p.height / 2;
    const imaging::ClippedRect area = imaging::clip_rect(left, top, p.width, p.height, engine.width, engine.height);
    if (area.empty()) return;
    const auto cx = int32_t(area.cols.begin), cy = int32_t(area.rows.begin);
    const auto cw = int32_t(area.cols.length()), ch = int32_t(area.rows.length());

    // The visible part as RGBA64, weighed by the texture and the mask.
    mem::Owned<uint8_t> part(mem::alloc_array<uint8_t>(std::size_t(cw) * std::size_t(ch) * 4));
    for (int32_t row = 0; row < ch; ++row)
        std::memcpy(part.get() + std::size_t(row) * std::size_t(cw) * 4,
                    p.pixels + (std::size_t(cy - top + row) * std::size_t(p.width) + std::size_t(cx - left)) * 4,
                    std::size_t(cw) * 4);
    imaging::release_picture(p);
    layers::weigh_by_texture_and_mask(part.get(), cx, cy, cw, ch);
    const std::size_t values = std::size_t(cw) * std::size_t(ch) * 4;
    mem::Owned<uint16_t> wide(mem::alloc_array<uint16_t>(values));
    for (std::size_t i = 0; i < values; ++i) wide[i] = static_cast<uint16_t>(part[i] << 8);

    LayerRecord* current = engine.layers.currentRecord && engine.layers.currentRecord->pixels
                               ? engine.layers.currentRecord
                               : nullptr;
    LayerRecord& stroke = engine.paintLayer;
    const bool intoPaint = toPaintLayer && stroke.pixels;
    LayerRecord* target = intoPaint ? &stroke : current;
    if (!target) return;
    MergeRequest r;
    r.source = wide.get();
    r.sourceWidth = r.width = cw;
    r.sourceHeight = r.height = ch;
    r.sourceStride = cw * 4;
    r.destination = target->pixels;
    r.destWidth = target->width;
    r.destHeight = target->height;
    r.destStride = target->stride;
    r.destX = cx;
    r.destY = cy;
    r.mode = 0;
    r.opacity = opacity;
    r.density = 255;
    r.alphaLock = current && current->alphaLocked;
    merge_layer(r);
    if (intoPaint) {
        stroke.extentX0 = stroke.extentY0 = 0;
        stroke.extentX1 = engine.width;
        stroke.extentY1 = engine.height;
    } else {
        undo::widen_dirty(cx, cy, cx + cw - 1, cy + ch - 1);
    }
}

int32_t clipboard_to_image_brush(int32_t size)
{
    PictureOwner picture;
    Rgba32Picture canvas;
    if (size > engine.maxBrushSize || !brush_picture(picture, size, 0) || !centre_on_canvas(picture.p, size, canvas))
        return 0;
    const bool loaded = paint::load_image_brush_rgba32(canvas.pixels, size, size);
    imaging::release_picture(canvas);
    return loaded ? 1 : 0;
}

int32_t clipboard_to_brush_file(const char* path, int32_t size, int32_t angle, bool shape)
{
    PictureOwner picture;
    if (!path || !brush_picture(picture, size, shape ? angle : 0)) return 0;
    Rgba32Picture& p = picture.p;
    const std::size_t pixels = std::size_t(p.width) * std::size_t(p.height);
    if (shape) {
        // An opaque picture has no coverage of its own: dark paint covers,
        // white does not.
        bool opaque = true;
        for (std::size_t i = 0; i < pixels && opaque; ++i) opaque = p.pixels[i * 4 + 3] == 255;
        if (opaque)
            for (std::size_t i = 0; i < pixels; ++i) {
                uint8_t* q = p.pixels + i * 4;
                q[3] = static_cast<uint8_t>(255 - (q[0] + q[1] + q[2]) / 3);
            }
    }
    PictureOwner canvas;
    if (!centre_on_canvas(p, size, canvas.p)) return 0;
    if (shape)
        for (std::size_t i = 0, n = std::size_t(size) * std::size_t(size); i < n; ++i) {
            uint8_t* q = canvas.p.pixels + i * 4;
            q[0] = q[1] = q[2] = q[3];
            q[3] = 255;
        }
    return write_to_file(canvas.p.pixels, size, size, path, ".png", 300, 4);
}

}  // namespace mur::io

using namespace mur;

extern "C" {

MUR_API int32_t MUR_FromClipboardIntoEX2(int32_t x, int32_t y, int32_t size, int32_t angle, int32_t centred,
                                         int32_t smooth, int32_t opacity, int32_t toPaintLayer)
{
    guard("FromClipBoardIntoEX", [&] {
        io::paste_transformed(x, y, size, angle, centred == 1, smooth != 0, opacity, toPaintLayer != 0);
    });
    return 0;
}

MUR_API void MUR_ClearClipEX2Cache(void)
{
    guard("ClearClipEX2Cache", [] { io::clear_clip_cache(); });
}

MUR_API int32_t MUR_FromClipboardToImageBrush(int32_t size)
{
    return guard("FromClipBoardToImageBrush", int32_t{0}, [&] { return io::clipboard_to_image_brush(size); });
}

MUR_API int32_t MUR_FromClipboardToImageBrushFile(const char* path, int32_t size)
{
    return guard("MUR_FromClipboardToImageBrushFile", int32_t{0},
                 [&] { return io::clipboard_to_brush_file(path, size, 0, false); });
}

MUR_API int32_t MUR_FromClipboardToShapeFile(const char* path, int32_t size, int32_t angle)
{
    return guard("MUR_FromClipboardToShapeFile", int32_t{0},
                 [&] { return io::clipboard_to_brush_file(path, size, angle, true); });
}

}  // extern "C"
