// Pictures to and from the clipboard: copies of the current layer (whole or
// a rectangle, through the enabled mask) and of host buffers, reads into the
// holding buffer, pastes into the current layer, files and flips.
#include "io/io.h"

#include "engine/guard.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/rect_clip.h"
#include "layers/layers.h"
#include "mask/mask.h"
#include "platform/clipboard.h"
#include "platform/screen_capture.h"
#include "undo/history.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace mur::io {
namespace {

LayerRecord* current_layer() noexcept
{
    LayerRecord* layer = engine.layers.currentRecord;
    return layer && layer->pixels ? layer : nullptr;
}

// The rectangle (x, y, w, h) of a layer, already clipped to it, as RGBA32
// from the high bytes.
mem::Owned<uint8_t> layer_rect_rgba32(const LayerRecord& layer, int32_t x, int32_t y, int32_t w, int32_t h)
{
    mem::Owned<uint8_t> out(mem::alloc_array<uint8_t>(std::size_t(w) * std::size_t(h) * 4));
    for (int32_t row = 0; row < h; ++row) {
        const uint16_t* s = layer.pixels + std::size_t(y + row) * std::size_t(layer.stride) + std::size_t(x) * 4;
        uint8_t* d = out.get() + std::size_t(row) * std::size_t(w) * 4;
        for (std::size_t i = 0, n = std::size_t(w) * 4; i < n; ++i) d[i] = static_cast<uint8_t>(s[i] >> 8);
    }
    return out;
}

// Lays a straight-alpha RGBA32 pixel over another (both 8 bits).
void over(uint8_t* d, const uint8_t* s) noexcept
{
    const uint32_t sa = s[3];
    if (sa == 255) {
        std::memcpy(d, s, 4);
        return;
    }
    if (d[3] == 255) {  // an opaque destination stays opaque: one rounded division by 255
        const uint32_t keep = 255 - sa;
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = s[c] * sa + d[c] * keep + 128;
            d[c] = static_cast<uint8_t>((v + (v >> 8)) >> 8);
        }
        return;
    }
    const uint32_t da = d[3] * (255 - sa);  // x 255
    const uint32_t a = sa * 255 + da;       // x 255
    for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((s[c] * sa * 255 + d[c] * da + a / 2) / a);
    d[3] = static_cast<uint8_t>((a + 127) / 255);
}

}  // namespace

bool put_on_clipboard(const uint8_t* rgba, int32_t width, int32_t height, std::ptrdiff_t stride) noexcept
{
    return platform::put_clipboard_rgba32(rgba, width, height, stride);
}

bool read_clipboard_into_holding()
{
    imaging::Rgba32Picture picture;
    if (!platform::read_clipboard_picture(picture)) return false;
    hold_picture(picture);
    return true;
}

int32_t paste_picture_into_layer(const uint8_t* rgba, int32_t width, int32_t height, int64_t x, int64_t y)
{
    LayerRecord* layer = current_layer();
    if (!layer || !rgba || width <= 0 || height <= 0) return 0;
    const imaging::ClippedRect area = imaging::clip_rect(x, y, width, height, layer->width, layer->height);
    if (area.empty()) return 0;
    const auto x0 = static_cast<int32_t>(area.cols.begin), y0 = static_cast<int32_t>(area.rows.begin);
    const auto w = static_cast<int32_t>(area.cols.length()), h = static_cast<int32_t>(area.rows.length());
    mem::Owned<uint8_t> under = layer_rect_rgba32(*layer, x0, y0, w, h);
    const std::size_t rowBytes = std::size_t(w) * 4;
    const int32_t slot = engine.layers.currentLayer;
    // Rows the picture covers whole are loaded back together; in the others
    // only the runs it covers, so pixels under its transparent parts keep
    // their 16 bits.
    int32_t blockStart = 0;
    auto flush = [&](int32_t end) {
        if (end > blockStart)
            layers::load_rgba32_layer(under.get() + std::size_t(blockStart) * rowBytes, static_cast<int32_t>(rowBytes),
                                      slot, x0, y0 + blockStart, w, end - blockStart, true);
    };
    for (int32_t row = 0; row < h; ++row) {
        const uint8_t* s = rgba + (std::size_t(y0 - y + row) * std::size_t(width) + std::size_t(x0 - x)) * 4;
        uint8_t* d = under.get() + std::size_t(row) * rowBytes;
        bool whole = true;
        for (int32_t col = 0; col < w; ++col) {
            if (s[col * 4 + 3]) over(d + col * 4, s + col * 4);
            else whole = false;
        }
        if (whole) continue;
        flush(row);
        blockStart = row + 1;
        for (int32_t col = 0; col < w;) {
            if (!s[col * 4 + 3]) {
                ++col;
                continue;
            }
            const int32_t start = col;
            while (col < w && s[col * 4 + 3]) ++col;
            layers::load_rgba32_layer(d + start * 4, static_cast<int32_t>(rowBytes), slot, x0 + start, y0 + row,
                                      col - start, 1, true);
        }
    }
    flush(h);
    undo::widen_dirty(x0, y0, x0 + w - 1, y0 + h - 1);
    return 1;
}

int32_t paste_holding_into_layer(int64_t x, int64_t y, bool centred)
{
    const HoldingBuffer& held = engine.holding;
    if (!held.pixels) return 0;
    if (centred) x -= held.width / 2, y -= held.height / 2;
    const int32_t pasted = paste_picture_into_layer(held.pixels, held.width, held.height, x, y);
    release_holding_buffer();
    return pasted;
}

int32_t layer_to_clipboard(int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool whole)
{
    const LayerRecord* layer = current_layer();
    if (!layer) return 0;
    int64_t left = 0, top = 0, w = layer->width, h = layer->height;
    if (!whole) {
        left = std::min(x0, x1), top = std::min(y0, y1);
        w = int64_t{std::max(x0, x1)} - left, h = int64_t{std::max(y0, y1)} - top;
    }
    const imaging::ClippedRect area = imaging::clip_rect(left, top, w, h, layer->width, layer->height);
    if (area.empty()) return 0;
    const auto cx = static_cast<int32_t>(area.cols.begin), cy = static_cast<int32_t>(area.rows.begin);
    const auto cw = static_cast<int32_t>(area.cols.length()), ch = static_cast<int32_t>(area.rows.length());
    mem::Owned<uint8_t> picture = layer_rect_rgba32(*layer, cx, cy, cw, ch);
    if (engine.mask.enabled)
        mask::apply_mask_to_alpha(picture.get(), cw * 4, cx, cy, cx + cw - 1, cy + ch - 1);
    return put_on_clipboard(picture.get(), cw, ch, std::ptrdiff_t{cw} * 4) ? 1 : 0;
}

int32_t buffer_to_clipboard(const uint8_t* buffer, int32_t x, int32_t y, int32_t width, int32_t height, bool applyMask)
{
    if (!buffer || width <= 0 || height <= 0 || width > imaging::kMaxPictureSide || height > imaging::kMaxPictureSide)
        return 0;
    if (!applyMask || !engine.mask.enabled) return put_on_clipboard(buffer, width, height, std::ptrdiff_t{width} * 4);
    // The mask is laid on a copy: the host's buffer stays as it was.
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * 4;
    mem::Owned<uint8_t> copy(mem::alloc_array<uint8_t>(bytes));
    std::memcpy(copy.get(), buffer, bytes);
    mask::apply_mask_to_alpha(copy.get(), width * 4, x, y, static_cast<int32_t>(int64_t{x} + width - 1),
                              static_cast<int32_t>(int64_t{y} + height - 1));
    return put_on_clipboard(copy.get(), width, height, std::ptrdiff_t{width} * 4);
}

int32_t flip_clipboard(bool horizontal)
{
    imaging::Rgba32Picture picture;
    if (!platform::read_clipboard_picture(picture)) return 0;
    const std::size_t rowBytes = std::size_t(picture.width) * 4;
    for (int32_t y = 0; y < picture.height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(picture.pixels + std::size_t(y) * rowBytes);
        if (horizontal) std::reverse(row, row + picture.width);
    }
    if (!horizontal)
        for (int32_t y = 0, z = picture.height - 1; y < z; ++y, --z)
            std::swap_ranges(picture.pixels + std::size_t(y) * rowBytes, picture.pixels + std::size_t(y + 1) * rowBytes,
                             picture.pixels + std::size_t(z) * rowBytes);
    const bool put = put_on_clipboard(picture.pixels, picture.width, picture.height, std::ptrdiff_t(rowBytes));
    imaging::release_picture(picture);
    return put ? 1 : 0;
}

int32_t capture_screen_into_holding()
{
    imaging::Rgba32Picture picture;
    if (!platform::capture_screen(picture)) return 0;
    hold_picture(picture);
    return 1;
}

}  // namespace mur::io

using namespace mur;

extern "C" {

MUR_API int32_t MUR_ToClipboard(void)
{
    return guard("ToClipBoard", int32_t{0}, [] { return io::layer_to_clipboard(0, 0, 0, 0, true); });
}

MUR_API int32_t MUR_ToClipboardRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    return guard("ToClipBoardRect", int32_t{0}, [&] { return io::layer_to_clipboard(x0, y0, x1, y1, false); });
}

MUR_API int32_t MUR_RGBA32ToClipboardRect(const uint8_t* buffer, int32_t x, int32_t y, int32_t width, int32_t height,
                                          int32_t applyMask)
{
    return guard("RGBA32ToClipBoardRect", int32_t{0},
                 [&] { return io::buffer_to_clipboard(buffer, x, y, width, height, applyMask != 0); });
}

MUR_API int32_t MUR_FromClipboard(void)
{
    return guard("FromClipBoard", int32_t{0}, [] { return io::read_clipboard_into_holding() ? 1 : 0; });
}

MUR_API int32_t MUR_FromClipboardInto(int32_t x, int32_t y, int32_t centred)
{
    return guard("FromClipBoardInto", int32_t{0}, [&]() -> int32_t {
        if (!io::read_clipboard_into_holding()) return 0;
        return io::paste_holding_into_layer(x, y, centred == 1);
    });
}

MUR_API int32_t MUR_ClipboardFlip(int32_t horizontal)
{
    return guard("ClipBoardHFlip", int32_t{0}, [&] { return io::flip_clipboard(horizontal == 1); });
}

MUR_API int32_t MUR_ScreenCapture(void)
{
    return guard("ScreenCapture", int32_t{0}, [] { return io::capture_screen_into_holding(); });
}

MUR_API int32_t MUR_ScreenCaptureInto(void)
{
    return guard("ScreenCaptureInto", int32_t{0}, [] {
        return io::capture_screen_into_holding() ? io::paste_holding_into_layer(0, 0, false) : 0;
    });
}

MUR_API int32_t MUR_FromClipboardToFile(const char* path, const char* extension, int32_t dpi)
{
    return guard("FromClipBoardToFile", int32_t{0}, [&]() -> int32_t {
        if (!path || !extension || !io::read_clipboard_into_holding()) return 0;
        const HoldingBuffer& held = engine.holding;
        const int32_t written = io::write_to_file(held.pixels, held.width, held.height, path, extension, dpi, 4);
        io::release_holding_buffer();
        return written;
    });
}

MUR_API int32_t MUR_ToClipboardFromFile(const char* path)
{
    return guard("ToClipBoardFromFile", int32_t{0}, [&]() -> int32_t {
        if (!path || io::read_from_file(path) != 1) return 0;
        const HoldingBuffer& held = engine.holding;
        return io::buffer_to_clipboard(held.pixels, 0, 0, held.width, held.height, false);
    });
}

}  // extern "C"
