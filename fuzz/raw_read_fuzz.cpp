// Camera raw through our reader on arbitrary bytes: the sizes a file declares
// are checked against the limits before LibRaw unpacks anything, and a
// result is a whole picture within the limits or none.
#include "imaging/raw_reader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    mur::imaging::PictureLimits limits;
    limits.maxSide = 2048;
    limits.maxPixels = uint64_t{1} << 20;
    mur::imaging::Rgba32Picture picture;
    const bool ok = mur::imaging::read_raw_from_memory(data, size, picture, limits);
    if (ok != (picture.pixels != nullptr)) __builtin_trap();
    if (ok && !limits.allows(picture.width, picture.height)) __builtin_trap();
    mur::imaging::release_picture(picture);
    return 0;
}
