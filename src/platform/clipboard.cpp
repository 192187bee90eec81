// The process's clipboard store: one DIB block under a lock.
#include "platform/clipboard.h"

#include "engine/memory.h"
#include "imaging/bmp_reader.h"
#include "platform/desktop_exchange.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>

namespace mur::platform {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;

struct Store {
    std::mutex lock;
    uint8_t* block = nullptr;  // engine heap
    std::size_t size = 0;
    uint64_t serial = 0;
};

Store& store() noexcept
{
    static Store s;
    return s;
}

std::atomic<uint64_t> g_reads{0};

uint32_t le32(const uint8_t* p) noexcept { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const uint8_t* p) noexcept { return uint16_t(p[0] | p[1] << 8); }

void put_le32(uint8_t* p, uint32_t v) noexcept
{
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Swaps the block in; the old one is released outside the lock.
void replace_block(uint8_t* block, std::size_t size) noexcept
{
    uint8_t* old = nullptr;
    {
        std::lock_guard<std::mutex> hold(store().lock);
        old = store().block;
        store().block = block;
        store().size = size;
        ++store().serial;
    }
    mem::release_nothrow(old);
}

// Where the pixels of a DIB start: after the header, the bit-field masks a
// plain info header is followed by, and the colour table. 0 when the header
// is unusable.
std::size_t pixel_offset(const uint8_t* dib, std::size_t size) noexcept
{
    if (size < 12) return 0;
    const uint32_t headerSize = le32(dib);
    if (headerSize == 12) {
        const uint16_t bits = le16(dib + 10);
        return 12 + (bits <= 8 ? (std::size_t{1} << bits) * 3 : 0);
    }
    if (headerSize < 40 || headerSize > size) return 0;
    const uint16_t bits = le16(dib + 14);
    const uint32_t compression = le32(dib + 16);
    const uint32_t used = le32(dib + 32);
    std::size_t offset = headerSize;
    if (headerSize == 40 && compression == 3) offset += 12;  // BI_BITFIELDS
    if (headerSize == 40 && compression == 6) offset += 16;  // BI_ALPHABITFIELDS
    std::size_t colours = used;
    if (bits <= 8 && (used == 0 || used > (1u << bits))) colours = std::size_t{1} << bits;
    if (colours > size / 4) return 0;
    return offset + colours * 4;
}

}  // namespace

bool encode_dib(const uint8_t* rgba, int32_t width, int32_t height, std::ptrdiff_t stride,
                imaging::ByteBlock& block) noexcept
{
    block = {};
    if (!rgba || width <= 0 || height <= 0 || width > imaging::kMaxPictureSide ||
        height > imaging::kMaxPictureSide || uint64_t(width) * uint64_t(height) > imaging::kMaxPicturePixels)
        return false;
    const std::size_t rowBytes = std::size_t(width) * 4;
    const std::size_t pixels = rowBytes * std::size_t(height);
    auto* out = static_cast<uint8_t*>(mem::try_alloc_uninit(kDibHeaderBytes + pixels));
    if (!out) return false;
    std::memset(out, 0, kDibHeaderBytes);
    put_le32(out, kDibHeaderBytes);
    put_le32(out + 4, uint32_t(width));
    put_le32(out + 8, uint32_t(height));
    out[12] = 1;   // planes
    out[14] = 32;  // bits a pixel; BI_RGB
    put_le32(out + 20, uint32_t(pixels));
    put_le32(out + 24, 3780);  // 96 dpi
    put_le32(out + 28, 3780);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = rgba + std::ptrdiff_t(y) * stride;
        uint8_t* d = out + kDibHeaderBytes + std::size_t(height - 1 - y) * rowBytes;
        for (int32_t x = 0; x < width; ++x, s += 4, d += 4) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            d[3] = s[3];
        }
    }
    block = {out, kDibHeaderBytes + pixels};
    return true;
}

namespace {

// The block this store writes (a 40-byte header, 32 bits, BI_RGB, rows
// without a colour table) is converted directly, with the bitmap reader's
// rule that an alpha of zero throughout means an opaque picture.
bool decode_plain_dib(const uint8_t* dib, std::size_t size, imaging::Rgba32Picture& picture,
                      const imaging::PictureLimits& limits) noexcept
{
    if (size < kDibHeaderBytes || le32(dib) != kDibHeaderBytes || le16(dib + 14) != 32 || le32(dib + 16) != 0 ||
        le32(dib + 32) != 0)
        return false;
    const auto width = static_cast<int32_t>(le32(dib + 4)), signedHeight = static_cast<int32_t>(le32(dib + 8));
    if (width <= 0 || signedHeight == 0 || signedHeight == INT32_MIN) return false;
    const int32_t height = signedHeight < 0 ? -signedHeight : signedHeight;
    const std::size_t rowBytes = std::size_t(width) * 4;
    if (!limits.allows(width, height) || (size - kDibHeaderBytes) / rowBytes < std::size_t(height))
        return false;
    if (!imaging::allocate_unfilled_picture(picture, width, height)) return false;
    uint8_t anyAlpha = 0;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = dib + kDibHeaderBytes + std::size_t(signedHeight < 0 ? y : height - 1 - y) * rowBytes;
        uint8_t* d = picture.pixels + std::size_t(y) * rowBytes;
        for (int32_t x = 0; x < width; ++x, s += 4, d += 4) {
            d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
            anyAlpha |= s[3];
        }
    }
    if (!anyAlpha)
        for (std::size_t i = 3, n = rowBytes * std::size_t(height); i < n; i += 4) picture.pixels[i] = 255;
    return true;
}

}  // namespace

bool decode_dib(const uint8_t* dib, std::size_t size, imaging::Rgba32Picture& picture,
                const imaging::PictureLimits& limits) noexcept
{
    picture = {};
    if (dib && size >= kDibHeaderBytes && le32(dib) == kDibHeaderBytes && le16(dib + 14) == 32 &&
        le32(dib + 16) == 0 && le32(dib + 32) == 0)
        return decode_plain_dib(dib, size, picture, limits);
    const std::size_t offset = dib ? pixel_offset(dib, size) : 0;
    if (!offset || offset > size || size > SIZE_MAX - kFileHeaderBytes || size - kFileHeaderBytes > UINT32_MAX)
        return false;
    // The bitmap reader reads files: a file header in front of the block.
    auto* file = static_cast<uint8_t*>(mem::try_alloc_uninit(size + kFileHeaderBytes));
    if (!file) return false;
    std::memset(file, 0, kFileHeaderBytes);
    file[0] = 'B';
    file[1] = 'M';
    put_le32(file + 2, uint32_t(size + kFileHeaderBytes));
    put_le32(file + 10, uint32_t(offset + kFileHeaderBytes));
    std::memcpy(file + kFileHeaderBytes, dib, size);
    const bool ok = imaging::read_bmp_from_memory(file, size + kFileHeaderBytes, picture, limits);
    mem::release_nothrow(file);
    return ok;
}

bool put_clipboard_rgba32(const uint8_t* rgba, int32_t width, int32_t height, std::ptrdiff_t stride) noexcept
{
    imaging::ByteBlock block;
    if (!encode_dib(rgba, width, height, stride, block)) return false;
    replace_block(block.data, block.size);
    announce_clipboard_change();
    return true;
}

bool put_clipboard_dib(const uint8_t* dib, std::size_t size) noexcept
{
    if (!dib || size == 0) return false;
    auto* copy = static_cast<uint8_t*>(mem::try_alloc_uninit(size));
    if (!copy) return false;
    std::memcpy(copy, dib, size);
    replace_block(copy, size);
    announce_clipboard_change();
    return true;
}

bool copy_clipboard_dib(imaging::ByteBlock& block) noexcept
{
    block = {};
    std::lock_guard<std::mutex> hold(store().lock);
    if (!store().block) return false;
    auto* copy = static_cast<uint8_t*>(mem::try_alloc_uninit(store().size));
    if (!copy) return false;
    std::memcpy(copy, store().block, store().size);
    block = {copy, store().size};
    return true;
}

bool read_clipboard_picture(imaging::Rgba32Picture& picture) noexcept
{
    picture = {};
    // With a desktop attached its clipboard is read: ours is the store.
    if (const ExchangeBackend* desktop = exchange_backend()) {
        const ForeignRead got = desktop->read(picture);
        if (got != ForeignRead::Ours) {
            g_reads.fetch_add(1, std::memory_order_relaxed);
            return got == ForeignRead::Picture;
        }
    }
    std::lock_guard<std::mutex> hold(store().lock);
    if (!store().block) return false;
    g_reads.fetch_add(1, std::memory_order_relaxed);
    return decode_dib(store().block, store().size, picture);
}

bool clipboard_picture_size(int32_t& width, int32_t& height) noexcept
{
    width = height = 0;
    std::lock_guard<std::mutex> hold(store().lock);
    const uint8_t* b = store().block;
    if (!b || store().size < 12) return false;
    const uint32_t headerSize = le32(b);
    if (headerSize == 12) {
        width = le16(b + 4), height = le16(b + 6);
    } else if (headerSize >= 40 && store().size >= 40) {
        const auto w = static_cast<int32_t>(le32(b + 4)), h = static_cast<int32_t>(le32(b + 8));
        if (w <= 0 || h == 0 || h == INT32_MIN) return false;
        width = w, height = h < 0 ? -h : h;
    }
    return width > 0 && height > 0;
}

bool clipboard_holds_picture() noexcept
{
    std::lock_guard<std::mutex> hold(store().lock);
    return store().block != nullptr;
}

void empty_clipboard() noexcept { replace_block(nullptr, 0); }

uint64_t clipboard_serial() noexcept
{
    std::lock_guard<std::mutex> hold(store().lock);
    return store().serial;
}

uint64_t clipboard_reads() noexcept { return g_reads.load(std::memory_order_relaxed); }

}  // namespace mur::platform
