#include "imaging/riff_avi.h"

#include "engine/memory.h"

#include <algorithm>
#include <cstring>

#include <stdio_ext.h>
#include <unistd.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace mur::imaging {
namespace {

// Where the parts of the fixed header lie: the RIFF form, the header list
// with the main header and one stream list, then the frame list.
constexpr uint32_t kAvihBytes = 56;
constexpr uint32_t kStrhBytes = 56;
constexpr uint32_t kStrfBytes = 40;  // BITMAPINFOHEADER
constexpr uint32_t kStrlBytes = 4 + (8 + kStrhBytes) + (8 + kStrfBytes);
constexpr uint32_t kHdrlBytes = 4 + (8 + kAvihBytes) + (8 + kStrlBytes);
constexpr uint32_t kMoviListAt = 12 + 8 + kHdrlBytes;   // the 'LIST' of 'movi'
constexpr uint32_t kMoviTypeAt = kMoviListAt + 8;       // index offsets count from here
constexpr uint32_t kHeaderBytes = kMoviTypeAt + 4;      // the first frame's chunk starts here
static_assert(kHeaderBytes == 224);

constexpr uint32_t kHasIndex = 0x10;       // AVIF_HASINDEX
constexpr uint32_t kKeyFrame = 0x10;       // AVIIF_KEYFRAME
constexpr std::size_t kRowBlockBytes = 256 * 1024;

void put16(uint8_t*& p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p += 2;
}
void put32(uint8_t*& p, uint32_t v)
{
    put16(p, v & 0xFFFF);
    put16(p, v >> 16);
}
void put_fourcc(uint8_t*& p, const char* code)
{
    std::memcpy(p, code, 4);
    p += 4;
}

uint32_t saturate32(uint64_t v) { return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(v); }

uint32_t row_bytes(int32_t width) { return (uint32_t(width) * 3 + 3) & ~3u; }

bool write_all(AviWriter& w, const void* data, std::size_t size)
{
    if (size && std::fwrite(data, 1, size, w.file.file) != size) {
        w.failed = true;
        return false;
    }
    w.fileBytes += size;
    return true;
}

// The header as it stands: at the start with zero frames, at the end with
// the final sizes.
void fill_header(const AviWriter& w, uint8_t (&h)[kHeaderBytes], uint64_t indexBytes)
{
    const bool jpeg = w.codec == AviCodec::MotionJpeg;
    const uint32_t frameBytes = jpeg ? saturate32(uint64_t(w.width) * uint64_t(w.height) * 3)
                                     : saturate32(avi_dib_frame_bytes(w.width, w.height));
    const uint32_t buffer = jpeg ? w.largestFrame : frameBytes;
    const uint64_t moviBytes = w.fileBytes > kHeaderBytes ? w.fileBytes - kMoviTypeAt : 4;
    const uint64_t total = std::max<uint64_t>(w.fileBytes, kHeaderBytes) + indexBytes;
    uint8_t* p = h;
    put_fourcc(p, "RIFF");
    put32(p, saturate32(total - 8));
    put_fourcc(p, "AVI ");
    put_fourcc(p, "LIST");
    put32(p, kHdrlBytes);
    put_fourcc(p, "hdrl");

    put_fourcc(p, "avih");
    put32(p, kAvihBytes);
    put32(p, saturate32(uint64_t(w.framePeriod) * 1000));                         // microseconds a frame
    put32(p, saturate32(uint64_t(w.largestFrame) * 1000 / uint64_t(w.framePeriod)));  // most bytes a second
    put32(p, 0);                                                                   // padding granularity
    put32(p, kHasIndex);
    put32(p, w.frames);
    put32(p, 0);  // initial frames
    put32(p, 1);  // streams
    put32(p, buffer + 8);
    put32(p, uint32_t(w.width));
    put32(p, uint32_t(w.height));
    for (int i = 0; i < 4; ++i) put32(p, 0);

    put_fourcc(p, "LIST");
    put32(p, kStrlBytes);
    put_fourcc(p, "strl");
    put_fourcc(p, "strh");
    put32(p, kStrhBytes);
    put_fourcc(p, "vids");
    put_fourcc(p, jpeg ? "MJPG" : "DIB ");
    put32(p, 0);     // flags
    put16(p, 0);     // priority
    put16(p, 0);     // language
    put32(p, 0);     // initial frames
    put32(p, uint32_t(w.framePeriod));  // scale over rate: framePeriod milliseconds a frame
    put32(p, 1000);
    put32(p, 0);     // start
    put32(p, w.frames);
    put32(p, buffer);
    put32(p, 0xFFFFFFFFu);  // quality: the codec's default
    put32(p, 0);            // sample size: frames vary
    put16(p, 0);            // frame rectangle
    put16(p, 0);
    put16(p, uint32_t(w.width));
    put16(p, uint32_t(w.height));

    put_fourcc(p, "strf");
    put32(p, kStrfBytes);
    put32(p, kStrfBytes);
    put32(p, uint32_t(w.width));
    put32(p, uint32_t(w.height));  // positive: rows bottom-up
    put16(p, 1);                   // planes
    put16(p, 24);                  // bits a pixel
    if (jpeg)
        put_fourcc(p, "MJPG");
    else
        put32(p, 0);  // BI_RGB
    put32(p, frameBytes);
    for (int i = 0; i < 4; ++i) put32(p, 0);  // resolution, colours used, important colours

    put_fourcc(p, "LIST");
    put32(p, saturate32(moviBytes));
    put_fourcc(p, "movi");
}

// Room for one more frame of `size` bytes: its chunk, the index grown by
// one entry and the index chunk's own header within the bound.
bool reserve_frame(AviWriter& w, std::size_t size)
{
    if (w.failed || !w.file.file) return false;
    const uint64_t chunk = 8 + ((uint64_t(size) + 1) & ~uint64_t{1});
    const uint64_t after = w.fileBytes + chunk + 8 + 16 * (uint64_t(w.frames) + 1);
    if (after > w.maxFileBytes || size > 0xFFFFFFF0u) {
        w.failed = true;
        return false;
    }
    if (w.frames == w.indexCapacity) {
        const uint32_t grown = w.indexCapacity ? w.indexCapacity * 2 : 256;
        auto* index = mem::try_alloc_array<AviIndexEntry>(grown);
        if (!index) {
            w.failed = true;
            return false;
        }
        if (w.frames) std::memcpy(index, w.index, sizeof(AviIndexEntry) * w.frames);
        mem::release_nothrow(w.index);
        w.index = index;
        w.indexCapacity = grown;
    }
    return true;
}

bool begin_chunk(AviWriter& w, uint32_t size)
{
    uint8_t head[8];
    uint8_t* p = head;
    put_fourcc(p, w.codec == AviCodec::MotionJpeg ? "00dc" : "00db");
    put32(p, size);
    w.index[w.frames] = {uint32_t(w.fileBytes - kMoviTypeAt), size};
    return write_all(w, head, sizeof head);
}

// The frame is whole once its bytes have left the buffer: what lies before
// the end of the last whole frame is on disk whatever fails later.
bool end_chunk(AviWriter& w, uint32_t size)
{
    if (size & 1) {
        const uint8_t pad = 0;
        if (!write_all(w, &pad, 1)) return false;
    }
    if (std::fflush(w.file.file) != 0) {
        w.failed = true;
        return false;
    }
    w.largestFrame = std::max(w.largestFrame, size);
    ++w.frames;
    return true;
}

// B, G, R from R, G, B (or R, G, B, A), a row at a time.
void to_bgr_scalar(const uint8_t* src, int32_t bytesPerPixel, int32_t width, uint8_t* dst)
{
    for (int32_t x = 0; x < width; ++x, src += bytesPerPixel, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
    }
}

#if defined(__x86_64__)
// Five pixels a step: 16 bytes in, the first 15 shuffled, 16 out (the last
// byte is overwritten by the next step); the last pixels, which a 16-byte
// load would read past, go one by one.
__attribute__((target("ssse3"))) void rgb_to_bgr_ssse3(const uint8_t* src, int32_t width, uint8_t* dst)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int32_t x = 0;
    for (; x + 6 <= width; x += 5, src += 15, dst += 15)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                         _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), order));
    to_bgr_scalar(src, 3, width - x, dst);
}
#endif

void to_bgr(const uint8_t* src, int32_t bytesPerPixel, int32_t width, uint8_t* dst)
{
#if defined(__x86_64__)
    static const bool hasSsse3 = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
    if (bytesPerPixel == 3 && hasSsse3) return rgb_to_bgr_ssse3(src, width, dst);
#endif
    to_bgr_scalar(src, bytesPerPixel, width, dst);
}

void release(AviWriter& w)
{
    mem::release_nothrow(w.index);
    mem::release_nothrow(w.rows);
    w = AviWriter{};
}

}  // namespace

uint64_t avi_dib_frame_bytes(int32_t width, int32_t height) noexcept
{
    return width > 0 && height > 0 ? uint64_t(row_bytes(width)) * uint64_t(height) : 0;
}

bool avi_open(AviWriter& w, const char* path, int32_t width, int32_t height, int32_t framePeriod) noexcept
{
    release(w);
    if (width <= 0 || height <= 0 || width > kMaxAviSide || height > kMaxAviSide || framePeriod < 1) return false;
    w.width = width;
    w.height = height;
    w.framePeriod = framePeriod;
    if (!open_replacing(w.file, path)) {
        release(w);
        return false;
    }
    // Frames go out in large blocks of their own: a stream buffer would only
    // copy them once more.
    std::setvbuf(w.file.file, nullptr, _IONBF, 0);
    uint8_t header[kHeaderBytes];
    fill_header(w, header, 0);
    if (!write_all(w, header, sizeof header)) {
        avi_abandon(w);
        return false;
    }
    return true;
}

bool avi_choose_codec(AviWriter& w, AviCodec codec) noexcept
{
    if (w.frames > 0 || !w.file.file) return false;
    w.codec = codec;
    return true;
}

bool avi_write_dib_frame(AviWriter& w, const ConstImageView& image) noexcept
{
    if (w.codec != AviCodec::Dib || !image.data || image.width != w.width || image.height != w.height ||
        (image.bytesPerPixel != 3 && image.bytesPerPixel != 4))
        return false;
    const uint32_t rowSize = row_bytes(w.width);
    const uint64_t size = avi_dib_frame_bytes(w.width, w.height);
    if (size > 0xFFFFFFF0u) {
        w.failed = true;
        return false;
    }
    if (!w.rows) {
        w.rowsBytes = std::max<std::size_t>(kRowBlockBytes, rowSize);
        w.rows = static_cast<uint8_t*>(mem::try_alloc_uninit(w.rowsBytes));
        if (!w.rows) return false;
    }
    if (!reserve_frame(w, std::size_t(size)) || !begin_chunk(w, uint32_t(size))) return false;
    // Rows go out bottom row first, converted a block of rows at a time.
    const int32_t blockRows = int32_t(std::max<std::size_t>(1, w.rowsBytes / rowSize));
    int32_t y = w.height - 1;
    while (y >= 0) {
        const int32_t n = std::min(blockRows, y + 1);
        uint8_t* out = w.rows;
        for (int32_t i = 0; i < n; ++i, --y, out += rowSize) {
            to_bgr(image.row(y), image.bytesPerPixel, w.width, out);
            std::memset(out + std::size_t(w.width) * 3, 0, rowSize - std::size_t(w.width) * 3);
        }
        if (!write_all(w, w.rows, std::size_t(n) * rowSize)) return false;
    }
    return end_chunk(w, uint32_t(size));
}

bool avi_write_compressed_frame(AviWriter& w, const uint8_t* data, std::size_t size) noexcept
{
    if (w.codec != AviCodec::MotionJpeg || !data || size == 0) return false;
    return reserve_frame(w, size) && begin_chunk(w, uint32_t(size)) && write_all(w, data, size) &&
           end_chunk(w, uint32_t(size));
}

bool avi_close(AviWriter& w) noexcept
{
    if (!w.file.file) {
        release(w);
        return false;
    }
    // A failed write may have left part of a chunk: the file ends after the
    // last whole frame.
    const uint64_t framesEnd = w.frames ? kMoviTypeAt + uint64_t(w.index[w.frames - 1].offset) + 8 +
                                              ((uint64_t(w.index[w.frames - 1].size) + 1) & ~uint64_t{1})
                                        : kHeaderBytes;
    if (std::ferror(w.file.file)) {
        // What a failed write left in the buffer lies past the last whole frame.
        __fpurge(w.file.file);
        std::clearerr(w.file.file);
    }
    w.failed = false;
    bool ok = std::fflush(w.file.file) == 0 && std::fseek(w.file.file, long(framesEnd), SEEK_SET) == 0;
    w.fileBytes = framesEnd;
    if (ok) {
        uint8_t head[8];
        uint8_t* p = head;
        put_fourcc(p, "idx1");
        put32(p, 16 * w.frames);
        ok = write_all(w, head, sizeof head);
        uint8_t entries[16 * 256];
        for (uint32_t i = 0; i < w.frames && ok; i += 256) {
            const uint32_t n = std::min<uint32_t>(256, w.frames - i);
            p = entries;
            for (uint32_t k = 0; k < n; ++k) {
                put_fourcc(p, w.codec == AviCodec::MotionJpeg ? "00dc" : "00db");
                put32(p, kKeyFrame);
                put32(p, w.index[i + k].offset);
                put32(p, w.index[i + k].size);
            }
            ok = write_all(w, entries, std::size_t(16) * n);
        }
    }
    const uint64_t indexBytes = 8 + 16 * uint64_t(w.frames);
    ok = ok && std::fflush(w.file.file) == 0 && ftruncate(fileno(w.file.file), off_t(w.fileBytes)) == 0;
    if (ok) {
        w.fileBytes = framesEnd;
        uint8_t header[kHeaderBytes];
        fill_header(w, header, indexBytes);
        ok = std::fseek(w.file.file, 0, SEEK_SET) == 0 && std::fwrite(header, 1, sizeof header, w.file.file) == sizeof header;
    }
    if (ok)
        ok = commit_replacing(w.file);
    else
        abandon_replacing(w.file);
    release(w);
    return ok;
}

void avi_abandon(AviWriter& w) noexcept
{
    abandon_replacing(w.file);
    release(w);
}

}  // namespace mur::imaging
