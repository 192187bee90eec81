// The holding buffer: pictures read from files (and, through it, from the
// clipboard, the screen or a scanner) kept for the host to read back or to
// load into the current layer.
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/resample.h"
#include "io/io.h"
#include "layers/layers.h"

#include <cstring>

namespace mur {
namespace {

HoldingBuffer& holding() noexcept { return engine.holding; }

bool empty() noexcept { return !holding().pixels; }

std::size_t held_pixels() noexcept { return std::size_t(holding().width) * std::size_t(holding().height); }

void replace_with(uint8_t* pixels, int32_t width, int32_t height)
{
    HoldingBuffer& h = holding();
    uint8_t* old = h.pixels;
    h = {pixels, width, height};
    mem::release(old);
}

imaging::ConstImageView held_view() noexcept
{
    const HoldingBuffer& h = holding();
    return {h.pixels, h.width, h.height, std::ptrdiff_t(h.width) * 4, 4};
}

void copy_rgb(const uint8_t* rgba, uint8_t* rgb, std::size_t pixels) noexcept
{
    for (std::size_t i = 0; i < pixels; ++i, rgba += 4, rgb += 3) std::memcpy(rgb, rgba, 3);
}

}  // namespace

uint8_t* io::create_holding_buffer(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0 || width > imaging::kMaxPictureSide || height > imaging::kMaxPictureSide ||
        uint64_t(width) * uint64_t(height) > imaging::kMaxPicturePixels)
        return nullptr;
    uint8_t* pixels = x_NewCharUndoReduce(std::size_t(width) * std::size_t(height) * 4);
    if (!pixels) return nullptr;
    replace_with(pixels, width, height);
    return pixels;
}

void io::hold_picture(imaging::Rgba32Picture& picture)
{
    replace_with(picture.pixels, picture.width, picture.height);
    picture = {};
}

void io::release_holding_buffer() { replace_with(nullptr, 0, 0); }

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_GetNewRGBAWidth(void)
{
    return guard("GetNewRGBAWidth", int32_t{0}, [&] { return empty() ? 0 : holding().width; });
}

MUR_API int32_t MUR_GetNewRGBAHeight(void)
{
    return guard("GetNewRGBAHeight", int32_t{0}, [&] { return empty() ? 0 : holding().height; });
}

MUR_API void MUR_GetNewRGBA32(uint8_t* buffer)
{
    guard("GetNewRGBA32", [&] {
        if (buffer && !empty()) std::memcpy(buffer, holding().pixels, held_pixels() * 4);
    });
}

MUR_API void MUR_GetNewRGBA24(uint8_t* buffer)
{
    guard("GetNewRGBA24", [&] {
        if (buffer && !empty()) copy_rgb(holding().pixels, buffer, held_pixels());
    });
}

MUR_API void MUR_GetResizedNewRGBA24(uint8_t* buffer, int32_t width, int32_t height)
{
    guard("GetResizedNewRGB24", [&] {
        if (!buffer || empty() || width <= 0 || height <= 0 || width > imaging::kMaxPictureSide ||
            height > imaging::kMaxPictureSide)
            return;
        imaging::Rgba32Picture resized;
        if (!imaging::allocate_picture(resized, width, height)) return;
        const HoldingBuffer& h = holding();
        const bool tiny = width < 5 || height < 5 || h.width < 5 || h.height < 5;
        const imaging::ImageView to = imaging::rgba32_view(resized.pixels, width, height, std::ptrdiff_t(width) * 4);
        if (imaging::general_resize(held_view(), to, tiny ? 17 : 8))
            copy_rgb(resized.pixels, buffer, std::size_t(width) * std::size_t(height));
        imaging::release_picture(resized);
    });
}

MUR_API int32_t MUR_IsNewRGBA32Transparent(void)
{
    return guard("IsNewRGBA32Transparent", int32_t{0}, [&]() -> int32_t {
        if (empty()) return 0;
        const uint8_t* p = holding().pixels;
        for (std::size_t i = 0, n = held_pixels(); i < n; ++i)
            if (p[i * 4 + 3] < 255) return 1;
        return 0;
    });
}

MUR_API void MUR_SetInNewRGBA(void)
{
    guard("SetInNewRGBA", [&] {
        if (empty() || !engine.layers.currentRecord) return;
        const HoldingBuffer& h = holding();
        layers::load_rgba32_layer(h.pixels, h.width * 4, engine.layers.currentLayer, 0, 0, h.width, h.height, true);
    });
}

MUR_API void MUR_DeleteNewRGBA(void)
{
    guard("DeleteNewRGBA", [&] { io::release_holding_buffer(); });
}

}  // extern "C"
