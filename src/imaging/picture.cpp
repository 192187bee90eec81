#include "imaging/picture.h"

#include "engine/memory.h"

#include <cstring>

namespace mur::imaging {
namespace {

thread_local DecodeInto* t_destination = nullptr;

}  // namespace

DecodeInto::DecodeInto(uint8_t* pixels_, int32_t width_, int32_t height_) noexcept
    : pixels(pixels_), width(width_), height(height_), outer(t_destination)
{
    t_destination = this;
}

DecodeInto::~DecodeInto() { t_destination = outer; }

namespace {

bool allocate(Rgba32Picture& picture, int32_t width, int32_t height, bool zeroed) noexcept
{
    picture = {};
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return false;
    if (uint64_t(width) * uint64_t(height) > kMaxPicturePixels) return false;
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * 4;
    if (DecodeInto* d = t_destination; d && !d->taken && d->pixels && d->width == width && d->height == height) {
        d->taken = true;
        if (zeroed) std::memset(d->pixels, 0, bytes);
        picture = {d->pixels, width, height, true};
        return true;
    }
    picture.pixels = static_cast<uint8_t*>(zeroed ? mem::try_alloc(bytes) : mem::try_alloc_uninit(bytes));
    if (!picture.pixels) return false;
    picture.width = width;
    picture.height = height;
    return true;
}

}  // namespace

bool allocate_picture(Rgba32Picture& picture, int32_t width, int32_t height) noexcept
{
    return allocate(picture, width, height, true);
}

bool allocate_unfilled_picture(Rgba32Picture& picture, int32_t width, int32_t height) noexcept
{
    return allocate(picture, width, height, false);
}

void release_picture(Rgba32Picture& picture) noexcept
{
    if (!picture.borrowed) mem::release_nothrow(picture.pixels);
    picture = {};
}

void release_block(ByteBlock& block) noexcept
{
    mem::release_nothrow(block.data);
    block = {};
}

}  // namespace mur::imaging
