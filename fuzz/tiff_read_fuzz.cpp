// The TIFF reader on arbitrary bytes: no fault, nothing left allocated,
// and a result is either a whole picture within the limits or none.
#include "engine/memory.h"
#include "imaging/tiff_reader.h"
#include "imaging/picture_limits.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    mur::imaging::PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = uint64_t{1} << 22;
    const std::size_t liveBefore = mur::mem::live_blocks();
    mur::imaging::Rgba32Picture picture;
    const bool ok = mur::imaging::read_tiff_from_memory(data, size, picture, limits);
    if (ok != (picture.pixels != nullptr)) __builtin_trap();
    if (ok && !mur::imaging::PictureLimits{}.allows(picture.width, picture.height)) __builtin_trap();
    mur::imaging::release_picture(picture);
    if (mur::mem::live_blocks() != liveBefore) __builtin_trap();
    return 0;
}
