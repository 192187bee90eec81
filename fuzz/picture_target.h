// The body shared by the picture reader targets: a reader on arbitrary bytes
// must not fault or leave anything allocated, and its result is either a
// whole picture within the limits it was given or none. The limits are tight,
// so that made-up headers stay quick.
#pragma once

#include "engine/memory.h"
#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

template <class Read>
int fuzz_picture_reader(const uint8_t* data, std::size_t size, Read read)
{
    mur::imaging::PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = uint64_t{1} << 22;
    const std::size_t liveBefore = mur::mem::live_blocks();
    mur::imaging::Rgba32Picture picture;
    const bool ok = read(data, size, picture, limits);
    if (ok != (picture.pixels != nullptr)) __builtin_trap();
    if (ok && !limits.allows(picture.width, picture.height)) __builtin_trap();
    mur::imaging::release_picture(picture);
    if (mur::mem::live_blocks() != liveBefore) __builtin_trap();
    return 0;
}
