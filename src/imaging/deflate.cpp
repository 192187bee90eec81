#include "imaging/deflate.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace mur::imaging {
namespace {

// zlib counts in uInt; larger buffers go through in slices.
constexpr std::size_t kSlice = UINT_MAX / 2;

}  // namespace

std::size_t deflate_bound(std::size_t size) noexcept
{
    // compressBound's formula, without its 32-bit limit.
    return size + (size >> 12) + (size >> 14) + (size >> 25) + 13 + 64;
}

std::size_t deflate_buffer(const uint8_t* src, std::size_t size, uint8_t* dst, std::size_t capacity,
                           int level) noexcept
{
    if (!src || !dst || capacity == 0) return 0;
    if (level < 0 || level > 9) level = Z_DEFAULT_COMPRESSION;
    z_stream z{};
    if (deflateInit(&z, level) != Z_OK) return 0;
    std::size_t inLeft = size, outLeft = capacity;
    z.next_in = const_cast<Bytef*>(src);
    z.next_out = dst;
    int status = Z_OK;
    while (status == Z_OK) {
        if (z.avail_in == 0) {
            z.avail_in = static_cast<uInt>(std::min(inLeft, kSlice));
            inLeft -= z.avail_in;
        }
        if (z.avail_out == 0) {
            if (outLeft == 0) break;
            z.avail_out = static_cast<uInt>(std::min(outLeft, kSlice));
            outLeft -= z.avail_out;
        }
        status = deflate(&z, inLeft == 0 ? Z_FINISH : Z_NO_FLUSH);
        if (status == Z_BUF_ERROR && z.avail_out == 0 && outLeft != 0) status = Z_OK;
    }
    const std::size_t produced = capacity - outLeft - z.avail_out;
    deflateEnd(&z);
    return status == Z_STREAM_END ? produced : 0;
}

std::size_t inflate_buffer(const uint8_t* src, std::size_t size, uint8_t* dst, std::size_t capacity) noexcept
{
    if (!src || !dst || size == 0) return 0;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return 0;
    std::size_t inLeft = size, outLeft = capacity;
    z.next_in = const_cast<Bytef*>(src);
    z.next_out = dst;
    int status = Z_OK;
    while (status == Z_OK) {
        if (z.avail_in == 0) {
            if (inLeft == 0) break;  // truncated stream
            z.avail_in = static_cast<uInt>(std::min(inLeft, kSlice));
            inLeft -= z.avail_in;
        }
        if (z.avail_out == 0) {
            if (outLeft == 0) break;  // more data than fits
            z.avail_out = static_cast<uInt>(std::min(outLeft, kSlice));
            outLeft -= z.avail_out;
        }
        status = inflate(&z, Z_NO_FLUSH);
        if (status == Z_BUF_ERROR) status = Z_OK;  // needs the next slice
    }
    const std::size_t produced = capacity - outLeft - z.avail_out;
    inflateEnd(&z);
    return status == Z_STREAM_END ? produced : 0;
}

}  // namespace mur::imaging
