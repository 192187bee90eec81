#include "imaging/picture_reader.h"

#include "engine/memory.h"
#include "imaging/bmp_reader.h"
#include "imaging/gif_reader.h"
#include "imaging/jpeg_reader.h"
#include "imaging/metafile.h"
#include "imaging/pcx_format.h"
#include "imaging/psd_format.h"
#include "imaging/png_codec.h"
#include "imaging/tga_reader.h"
#include "imaging/tiff_reader.h"

#include <cstdio>
#include <cstring>

namespace mur::imaging {
namespace {

bool starts_with(const uint8_t* data, std::size_t size, const char* magic, std::size_t length)
{
    return size >= length && std::memcmp(data, magic, length) == 0;
}

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// The PNG reader checks the picture limits of the engine; tighter ones are
// checked here against the header chunk before it allocates.
bool png_within(const uint8_t* data, std::size_t size, const PictureLimits& limits)
{
    if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
    return limits.allows(be32(data + 16), be32(data + 20));
}

}  // namespace

PictureFormat detect_picture_format(const uint8_t* data, std::size_t size) noexcept
{
    if (!data) return PictureFormat::Unknown;
    if (starts_with(data, size, "\x89PNG\r\n\x1a\n", 8)) return PictureFormat::Png;
    if (starts_with(data, size, "\xFF\xD8\xFF", 3)) return PictureFormat::Jpeg;
    if (starts_with(data, size, "GIF87a", 6) || starts_with(data, size, "GIF89a", 6)) return PictureFormat::Gif;
    if (starts_with(data, size, "II*\0", 4) || starts_with(data, size, "MM\0*", 4) ||
        starts_with(data, size, "II+\0", 4) || starts_with(data, size, "MM\0+", 4))
        return PictureFormat::Tiff;
    if (starts_with(data, size, "BM", 2)) return PictureFormat::Bmp;
    if (starts_with(data, size, "8BPS", 4)) return PictureFormat::Psd;
    if (looks_like_emf(data, size)) return PictureFormat::Emf;
    if (looks_like_wmf(data, size)) return PictureFormat::Wmf;
    if (looks_like_pcx(data, size)) return PictureFormat::Pcx;
    if (looks_like_tga(data, size)) return PictureFormat::Tga;
    return PictureFormat::Unknown;
}

bool read_picture_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                              const PictureLimits& limits) noexcept
{
    picture = {};
    switch (detect_picture_format(data, size)) {
    case PictureFormat::Png:
        return png_within(data, size, limits) && read_png_from_memory(data, size, picture);
    case PictureFormat::Jpeg:
        return read_jpeg_from_memory(data, size, picture, limits);
    case PictureFormat::Gif:
        return read_gif_from_memory(data, size, picture, limits);
    case PictureFormat::Tiff:
        return read_tiff_from_memory(data, size, picture, limits);
    case PictureFormat::Bmp:
        return read_bmp_from_memory(data, size, picture, limits);
    case PictureFormat::Tga:
        return read_tga_from_memory(data, size, picture, limits);
    case PictureFormat::Psd:
        return read_psd_from_memory(data, size, picture, limits);
    case PictureFormat::Pcx:
        return read_pcx_from_memory(data, size, picture, limits);
    case PictureFormat::Emf:
    case PictureFormat::Wmf:
    case PictureFormat::Unknown:
        break;
    }
    return false;
}

bool read_file_bytes(const char* path, ByteBlock& block, uint64_t maxBytes) noexcept
{
    block = {};
    if (!path || !*path) return false;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    bool ok = false;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long length = std::ftell(file);
        if (length > 0 && uint64_t(length) <= maxBytes && std::fseek(file, 0, SEEK_SET) == 0) {
            block.data = static_cast<uint8_t*>(mem::try_alloc_uninit(std::size_t(length)));
            if (block.data) {
                block.size = std::size_t(length);
                ok = std::fread(block.data, 1, block.size, file) == block.size;
                if (!ok) release_block(block);
            }
        }
    }
    std::fclose(file);
    return ok;
}

bool read_picture(const char* path, Rgba32Picture& picture, const PictureLimits& limits) noexcept
{
    picture = {};
    ByteBlock file;
    if (!read_file_bytes(path, file)) return false;
    const bool ok = read_picture_from_memory(file.data, file.size, picture, limits);
    release_block(file);
    return ok;
}

bool read_picture_or_metafile_from_memory(const uint8_t* data, std::size_t size, const MetafileCanvas& canvas,
                                          Rgba32Picture& picture, const PictureLimits& limits) noexcept
{
    picture = {};
    switch (detect_picture_format(data, size)) {
    case PictureFormat::Emf:
        return draw_emf(data, size, canvas.width, canvas.height, canvas.background, picture, limits);
    case PictureFormat::Wmf:
        return draw_wmf(data, size, canvas.width, canvas.height, canvas.background, picture, limits);
    default:
        return read_picture_from_memory(data, size, picture, limits);
    }
}

bool read_picture_or_metafile(const char* path, const MetafileCanvas& canvas, Rgba32Picture& picture,
                              const PictureLimits& limits) noexcept
{
    picture = {};
    ByteBlock file;
    if (!read_file_bytes(path, file)) return false;
    const bool ok = read_picture_or_metafile_from_memory(file.data, file.size, canvas, picture, limits);
    release_block(file);
    return ok;
}

}  // namespace mur::imaging
