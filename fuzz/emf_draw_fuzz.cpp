// The enhanced-metafile player on arbitrary bytes, drawn at a fixed size:
// records and bitmaps are bounds-checked, bitmaps beyond the limits are
// refused before they are decoded, and a result is the whole picture or none.
#include "imaging/metafile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    mur::imaging::PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = uint64_t{1} << 20;
    mur::imaging::Rgba32Picture picture;
    const bool ok = mur::imaging::draw_emf(data, size, 64, 48, 0x00336699, picture, limits);
    if (ok != (picture.pixels != nullptr)) __builtin_trap();
    if (ok && (picture.width != 64 || picture.height != 48)) __builtin_trap();
    mur::imaging::release_picture(picture);
    return 0;
}
