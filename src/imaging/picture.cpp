#include "imaging/picture.h"

#include "engine/memory.h"

namespace mur::imaging {

bool allocate_picture(Rgba32Picture& picture, int32_t width, int32_t height) noexcept
{
    picture = {};
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return false;
    if (uint64_t(width) * uint64_t(height) > kMaxPicturePixels) return false;
    picture.pixels = static_cast<uint8_t*>(mem::try_alloc(std::size_t(width) * std::size_t(height) * 4));
    if (!picture.pixels) return false;
    picture.width = width;
    picture.height = height;
    return true;
}

void release_picture(Rgba32Picture& picture) noexcept
{
    mem::release_nothrow(picture.pixels);
    picture = {};
}

void release_block(ByteBlock& block) noexcept
{
    mem::release_nothrow(block.data);
    block = {};
}

}  // namespace mur::imaging
