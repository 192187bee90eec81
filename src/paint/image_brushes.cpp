// Image brushes: a small picture used as the dab. The picture comes from a
// file, a strip of frames, host pixels, a colour or the selected pick-up
// buffer; it is sized to the brush, turned to the stroke and put into the
// selected pick-up buffer, from which the grit dabs paint.
//
// Every operation builds its new buffers before it lets go of the old ones,
// so one that runs out of memory leaves the brush as it was.
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/image_view.h"
#include "imaging/line_writer.h"
#include "imaging/picture_reader.h"
#include "imaging/resample.h"
#include "imaging/script_effects.h"
#include "paint/paint.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

namespace mur {
namespace {

ImageBrushState& brush() noexcept { return engine.imageBrush; }

// Brush files are written at 72 dots per inch (2834 pixels per metre).
constexpr int32_t kSaveDpi = 72;

// A strength in percent as a level of 0..255.
uint32_t strength_level(int32_t percent) noexcept
{
    return static_cast<uint32_t>(std::clamp(percent, 0, 100) * 2.559);
}

uint16_t widen_257(int32_t v) noexcept { return static_cast<uint16_t>(std::clamp(v, 0, 255) * 257); }

// The brush size, or 0 when there is none to make a picture of.
int32_t brush_size() noexcept { return std::max(engine.tool.size, 0); }

// A new zeroed RGBA64 block through the history-reducing allocator, owned
// until handed over.
mem::Owned<uint16_t> new_rgba64(int32_t width, int32_t height)
{
    mem::Owned<uint16_t> block(x_NewShortUndoReduce(int64_t{width} * height * 4));
    if (!block) throw std::bad_alloc();
    return block;
}

mem::Owned<uint8_t> new_rgba32(int32_t width, int32_t height)
{
    mem::Owned<uint8_t> block(x_NewCharUndoReduce(std::size_t(width) * std::size_t(height) * 4));
    if (!block) throw std::bad_alloc();
    return block;
}

// Hands a block over to an owner, releasing what the owner held first (a
// release that faults leaves both as they were).
template <class T>
void hand_over(T*& owner, mem::Owned<T>& fresh)
{
    mem::release(owner);
    owner = fresh.release();
}

void replace_picture(mem::Owned<uint16_t>& pixels, int32_t width, int32_t height)
{
    ImageBrushState& b = brush();
    hand_over(b.picture, pixels);
    b.width = width;
    b.height = height;
    b.sizedCurrent = false;
}

struct DecodedPicture {
    imaging::Rgba32Picture picture;
    ~DecodedPicture() { imaging::release_picture(picture); }
};

// RGBA32 rows (high bytes) as RGBA64.
void widen_rows(const uint8_t* src, std::ptrdiff_t srcStride, uint16_t* dst, int32_t width, int32_t height) noexcept
{
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = src + y * srcStride;
        uint16_t* d = dst + std::size_t(y) * width * 4;
        for (int32_t i = 0; i < width * 4; ++i) d[i] = static_cast<uint16_t>(s[i] << 8);
    }
}

void narrow_rows(const uint16_t* src, uint8_t* dst, std::size_t values) noexcept
{
    for (std::size_t i = 0; i < values; ++i) dst[i] = static_cast<uint8_t>(src[i] >> 8);
}

bool load_rgba32(const uint8_t* data, int32_t width, int32_t height)
{
    const int32_t largest = engine.maxBrushSize;
    if (!data || width <= 0 || height <= 0 || width > largest || height > largest) return false;
    mem::Owned<uint16_t> pixels = new_rgba64(width, height);
    widen_rows(data, std::ptrdiff_t{width} * 4, pixels.get(), width, height);
    replace_picture(pixels, width, height);
    return true;
}

void load_file(const char* path)
{
    if (!path || engine.maxBrushSize <= 0) return;
    imaging::PictureLimits limits;
    limits.maxSide = engine.maxBrushSize;
    DecodedPicture decoded;
    if (!imaging::read_picture(path, decoded.picture, limits)) return;
    load_rgba32(decoded.picture.pixels, decoded.picture.width, decoded.picture.height);
}

// Frame `frame` of the strip into the brush picture, which has the frame's size.
void copy_frame(int32_t frame) noexcept
{
    ImageBrushState& b = brush();
    const int32_t side = b.arrayHeight;
    for (int32_t y = 0; y < side; ++y)
        std::memcpy(b.picture + std::size_t(y) * side * 4,
                    b.array + (std::size_t(y) * b.arrayWidth + std::size_t(frame) * side) * 4, std::size_t(side) * 8);
}

void load_array(const char* path)
{
    if (!path || engine.maxBrushSize <= 0) return;
    imaging::PictureLimits limits;
    limits.maxHeight = engine.maxBrushSize;
    DecodedPicture decoded;
    if (!imaging::read_picture(path, decoded.picture, limits)) return;
    const int32_t width = decoded.picture.width, height = decoded.picture.height;
    if (width < height) return;  // not even one frame
    mem::Owned<uint16_t> strip = new_rgba64(width, height);
    mem::Owned<uint16_t> frame = new_rgba64(height, height);
    widen_rows(decoded.picture.pixels, std::ptrdiff_t{width} * 4, strip.get(), width, height);
    ImageBrushState& b = brush();
    hand_over(b.array, strip);
    b.arrayWidth = width;
    b.arrayHeight = height;
    b.frameCount = width / height;
    replace_picture(frame, height, height);
    copy_frame(0);
}

void copy_from_array(float position)
{
    ImageBrushState& b = brush();
    if (!b.array || !b.picture || b.frameCount <= 0) return;
    // Position 1.0 (and beyond) is the last frame, not one past the strip.
    const double wanted = std::floor(double(b.frameCount) * double(position));
    const int32_t frame = std::isnan(wanted) ? 0 : static_cast<int32_t>(std::clamp(wanted, 0.0, double(b.frameCount - 1)));
    if (b.width != b.arrayHeight || b.height != b.arrayHeight) {
        mem::Owned<uint16_t> picture = new_rgba64(b.arrayHeight, b.arrayHeight);
        replace_picture(picture, b.arrayHeight, b.arrayHeight);
    }
    copy_frame(frame);
    b.sizedCurrent = false;
}

void fill(int32_t r, int32_t g, int32_t bl)
{
    const int32_t n = brush_size();
    if (n <= 0) return;
    mem::Owned<uint16_t> pixels = new_rgba64(n, n);
    const uint16_t colour[4] = {widen_257(r), widen_257(g), widen_257(bl), 65535};
    for (std::size_t i = 0; i < std::size_t(n) * n; ++i) std::memcpy(pixels.get() + i * 4, colour, sizeof colour);
    replace_picture(pixels, n, n);
}

void colour(int32_t r, int32_t g, int32_t bl)
{
    ImageBrushState& b = brush();
    if (!b.picture) {
        const int32_t n = brush_size();
        if (n <= 0) return;
        mem::Owned<uint16_t> pixels = new_rgba64(n, n);
        std::memset(pixels.get(), 0xFF, std::size_t(n) * n * 8);
        replace_picture(pixels, n, n);
    }
    const uint16_t rgb[3] = {widen_257(r), widen_257(g), widen_257(bl)};
    for (std::size_t i = 0; i < std::size_t(b.width) * b.height; ++i) std::memcpy(b.picture + i * 4, rgb, sizeof rgb);
    b.sizedCurrent = false;
}

const LayerRecord* buffer_with_pixels() noexcept
{
    const LayerRecord* buffer = engine.blend.selected;
    return buffer && buffer->pixels ? buffer : nullptr;
}

// The brush size's square of the pick-up buffer; the part beyond the
// buffer (a brush larger than the image's largest) stays transparent.
void copy_to()
{
    const int32_t n = brush_size();
    if (n <= 0) return;
    mem::Owned<uint16_t> pixels = new_rgba64(n, n);
    if (const LayerRecord* buffer = buffer_with_pixels()) {
        const int32_t side = std::min({n, buffer->width, buffer->height});
        for (int32_t y = 0; y < side; ++y)
            std::memcpy(pixels.get() + std::size_t(y) * n * 4, buffer->pixels + std::size_t(y) * buffer->stride,
                        std::size_t(side) * 8);
    }
    replace_picture(pixels, n, n);
}

void size_brush()
{
    ImageBrushState& b = brush();
    const int32_t n = brush_size();
    if (!b.picture || n <= 0) return;
    if (b.sized && b.sizedCurrent && b.sizedWidth == n) return;  // already made from this picture at this size
    mem::Owned<uint16_t> fresh;
    uint16_t* target = b.sized;
    if (!b.sized || b.sizedWidth != n) {
        fresh = new_rgba64(n, n);
        target = fresh.get();
    }
    if (b.width == n && b.height == n) {
        std::memcpy(target, b.picture, std::size_t(n) * n * 8);
    } else {
        // Lanczos3 up, area average down; the resampler weights colours by
        // alpha where the picture has transparency.
        const imaging::ConstImageView from(reinterpret_cast<const uint8_t*>(b.picture), b.width, b.height,
                                           std::ptrdiff_t{b.width} * 8, 8);
        const int32_t method = n < b.width ? int32_t(imaging::ResizeFilter::AreaAverage) : int32_t(imaging::ResizeFilter::Lanczos3);
        if (!imaging::general_resize(from, imaging::rgba64_view(target, n, n, n * 4), method)) throw std::bad_alloc();
    }
    if (fresh) {
        hand_over(b.sized, fresh);
        b.sizedWidth = b.sizedHeight = n;
    }
    b.sizedCurrent = true;
    b.rotationValid = false;
}

void rotate(float degrees)
{
    ImageBrushState& b = brush();
    if (!b.sized) return;
    const int32_t n = b.sizedWidth;
    if (!b.rotationValid || !b.unrotated || !b.rotated || b.rotatedWidth != n) {
        mem::Owned<uint8_t> unrotated = new_rgba32(n, n), rotated = new_rgba32(n, n);
        narrow_rows(b.sized, unrotated.get(), std::size_t(n) * n * 4);
        hand_over(b.unrotated, unrotated);
        hand_over(b.rotated, rotated);
        b.rotatedWidth = b.rotatedHeight = n;
        b.rotationValid = true;
    }
    // Effect 51 turns counter-clockwise: 360 - angle turns the brush by the
    // angle clockwise on screen, all four channels in one alpha-weighted pass.
    imaging::ScriptEffectList effects;
    imaging::add_script_effect(effects, imaging::kRotateEffect, 1);
    imaging::set_script_effect_value(effects, 0, 3, 360.0 - double(degrees));
    imaging::set_script_effect_value(effects, 0, 4, 100);
    imaging::set_script_effect_value(effects, 0, 5, 1);
    const imaging::ConstImageView from(b.unrotated, n, n, std::ptrdiff_t{n} * 4, 4);
    if (!imaging::run_script_effects(effects, from, imaging::rgba32_view(b.rotated, n, n, std::ptrdiff_t{n} * 4)))
        std::memcpy(b.rotated, b.unrotated, std::size_t(n) * n * 4);  // an angle that is no number: unturned
}

// The side of the square that fits both a picture of `side` and the buffer.
int32_t copy_side(int32_t side, const LayerRecord& buffer) noexcept
{
    return std::min({side, buffer.width, buffer.height});
}

void copy_from(int32_t strength)
{
    size_brush();
    const ImageBrushState& b = brush();
    const LayerRecord* buffer = buffer_with_pixels();
    if (!b.sized || !buffer) return;
    const uint32_t c = strength_level(strength);
    const int32_t side = copy_side(b.sizedWidth, *buffer);
    for (int32_t y = 0; y < side; ++y) {
        const uint16_t* q = b.sized + std::size_t(y) * b.sizedWidth * 4;
        uint16_t* d = buffer->pixels + std::size_t(y) * buffer->stride;
        if (c == 0) {
            std::memcpy(d, q, std::size_t(side) * 8);
            continue;
        }
        for (int32_t i = 0; i < side * 4; ++i) d[i] = static_cast<uint16_t>((c * d[i] + q[i] * (255 - c)) >> 8);
    }
}

void copy_from_rotated(int32_t strength)
{
    const ImageBrushState& b = brush();
    const LayerRecord* buffer = buffer_with_pixels();
    if (!b.rotated || !b.rotationValid || !buffer) return;
    const uint32_t c = strength_level(strength), k = 255 - c;
    const int32_t side = copy_side(b.rotatedWidth, *buffer);
    for (int32_t y = 0; y < side; ++y) {
        const uint8_t* q = b.rotated + std::size_t(y) * b.rotatedWidth * 4;
        uint16_t* d = buffer->pixels + std::size_t(y) * buffer->stride;
        if (c == 0) {
            for (int32_t i = 0; i < side * 4; ++i) d[i] = static_cast<uint16_t>(q[i] << 8);
            continue;
        }
        for (int32_t x = 0; x < side; ++x, q += 4, d += 4) {
            d[0] = static_cast<uint16_t>(q[0] * k + ((c * d[0]) >> 8));
            d[1] = static_cast<uint16_t>((c * d[1] + k * (uint32_t{q[1]} << 8)) >> 8);
            d[2] = static_cast<uint16_t>((c * d[2] + k * (uint32_t{q[2]} << 8)) >> 8);
            d[3] = static_cast<uint16_t>(k * q[3] + ((c * d[3]) >> 8));
        }
    }
}

// 8-bit RGBA PNG at 72 dpi; the file appears only when it is complete.
void save(const char* path)
{
    const ImageBrushState& b = brush();
    if (!path || !b.picture) return;
    mem::Owned<uint8_t> pixels = new_rgba32(b.width, b.height);
    narrow_rows(b.picture, pixels.get(), std::size_t(b.width) * b.height * 4);
    imaging::LineSettings settings;
    settings.channels = 4;
    settings.dpi = kSaveDpi;
    const imaging::ConstImageView view(pixels.get(), b.width, b.height, std::ptrdiff_t{b.width} * 4, 4);
    if (!imaging::write_picture_lines(path, imaging::LineFormat::Png, view, settings)) throw std::runtime_error("unwritten");
}

}  // namespace

bool paint::load_image_brush_rgba32(const uint8_t* data, int32_t width, int32_t height)
{
    return load_rgba32(data, width, height);
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_LoadImageBrush(const char* path)
{
    guard("LoadImageBrush", [&] { load_file(path); });
}

MUR_API void MUR_LoadImageBrushFromRGBA32(const uint8_t* data, int32_t width, int32_t height)
{
    guard("LoadImageBrushFromRGBA32", [&] { load_rgba32(data, width, height); });
}

MUR_API void MUR_LoadImageBrushArray(const char* path)
{
    guard("LoadImageBrushArray", [&] { load_array(path); });
}

MUR_API void MUR_CopyFromImageBrushArray(float position)
{
    guard("CopyFromImageBrushArray", [&] { copy_from_array(position); });
}

MUR_API void MUR_FillImageBrush(int32_t r, int32_t g, int32_t b)
{
    guard("FillImageBrush", [&] { fill(r, g, b); });
}

MUR_API void MUR_ColorImageBrush(int32_t r, int32_t g, int32_t b)
{
    guard("ColorImageBrush", [&] { colour(r, g, b); });
}

MUR_API void MUR_CopyToImageBrush(void)
{
    guard("CopyToImageBrush", [&] { copy_to(); });
}

MUR_API void MUR_SizeImageBrush(void)
{
    guard("SizeImageBrush", [&] { size_brush(); });
}

MUR_API void MUR_RotateImageBrush(float degrees)
{
    guard("RotateImageBrush", [&] { rotate(degrees); });
}

MUR_API void MUR_CopyFromImageBrush(int32_t strengthPercent)
{
    guard("CopyFromImageBrush", [&] { copy_from(strengthPercent); });
}

MUR_API void MUR_CopyFromImageBrushRotate(int32_t strengthPercent)
{
    guard("CopyFromImageBrushRotate", [&] { copy_from_rotated(strengthPercent); });
}

MUR_API void MUR_SaveImageBrush(const char* path)
{
    guard("SaveImageBrush", [&] { save(path); });
}

}  // extern "C"
