// The PNG reader on arbitrary bytes: no fault, nothing left allocated,
// and a result is either a whole picture within the limits or none.
#include "engine/memory.h"
#include "imaging/png_codec.h"
#include "imaging/picture_limits.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The reader allows the engine's limits; pictures a fuzzer makes up are
    // kept small by their header, as the picture reader does for tighter limits.
    mur::imaging::PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = uint64_t{1} << 22;
    if (size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0) {
        auto be32 = [](const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; };
        if (!limits.allows(be32(data + 16), be32(data + 20))) return 0;
    }
    const std::size_t liveBefore = mur::mem::live_blocks();
    mur::imaging::Rgba32Picture picture;
    const bool ok = mur::imaging::read_png_from_memory(data, size, picture);
    if (ok != (picture.pixels != nullptr)) __builtin_trap();
    if (ok && !mur::imaging::PictureLimits{}.allows(picture.width, picture.height)) __builtin_trap();
    mur::imaging::release_picture(picture);
    if (mur::mem::live_blocks() != liveBefore) __builtin_trap();
    return 0;
}
