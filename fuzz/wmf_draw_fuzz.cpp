// Windows metafiles through our wrapper of libwmf, drawn at a fixed size: the
// record walk refuses malformed record lists before the library sees them,
// and a result is the whole picture or none.
#include "imaging/metafile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    mur::imaging::PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = uint64_t{1} << 20;
    mur::imaging::Rgba32Picture picture;
    const bool ok = mur::imaging::draw_wmf(data, size, 48, 32, 0x00336699, picture, limits);
    if (ok != (picture.pixels != nullptr)) __builtin_trap();
    if (ok && (picture.width != 48 || picture.height != 32)) __builtin_trap();
    mur::imaging::release_picture(picture);
    return 0;
}
