// The PSD reader on arbitrary bytes: it must not read or write out of
// bounds, must refuse oversize dimensions before allocating, and a result is
// either a whole picture within the limits or none.
#include "imaging/psd_format.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    mur::imaging::PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = uint64_t{1} << 22;
    mur::imaging::Rgba32Picture picture;
    const bool ok = mur::imaging::read_psd_from_memory(data, size, picture, limits);
    if (ok != (picture.pixels != nullptr)) __builtin_trap();
    if (ok && !limits.allows(picture.width, picture.height)) __builtin_trap();
    mur::imaging::release_picture(picture);
    return 0;
}
