// Reading picture files: into the holding buffer, straight into a host
// buffer, camera raw files, and the facts of a header (resolution, PNG size).
#include "engine/guard.h"
#include "engine/state.h"
#include "imaging/picture_reader.h"
#include "imaging/raw_reader.h"
#include "imaging/resolution.h"
#include "io/io.h"

#include <cstdio>
#include <new>
#include <cstring>

namespace mur {
namespace {

// A PNG's width (field 0) or height (field 1) from its header chunk; 0 when
// the file cannot be opened or is not a PNG.
int32_t png_header_field(const char* path, int field) noexcept
{
    if (!path || !*path) return 0;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return 0;
    uint8_t head[24];
    const bool read = std::fread(head, 1, sizeof head, file) == sizeof head;
    std::fclose(file);
    if (!read || std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) != 0 || std::memcmp(head + 12, "IHDR", 4) != 0) return 0;
    const uint8_t* p = head + 16 + field * 4;
    const uint32_t value = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    return value > 0x7FFFFFFF ? 0 : int32_t(value);
}

}  // namespace

uint32_t io::metafile_background() noexcept
{
    const uint16_t* c = engine.tool.color;
    return uint32_t(c[2] >> 8) << 16 | uint32_t(c[1] >> 8) << 8 | uint32_t(c[0] >> 8);
}

bool io::read_picture_file(const char* path, imaging::Rgba32Picture& picture) noexcept
{
    const imaging::MetafileCanvas canvas{engine.width, engine.height, metafile_background()};
    return imaging::read_picture_or_metafile(path, canvas, picture);
}

int32_t io::read_from_file(const char* path)
{
    imaging::Rgba32Picture picture;
    if (!read_picture_file(path, picture)) return 0;
    hold_picture(picture);
    return 1;
}

int32_t io::read_from_file_raw(const char* path)
{
    imaging::Rgba32Picture picture;
    bool outOfMemory = false;
    if (!imaging::read_raw(path, picture, {}, &outOfMemory)) {
        // LibRaw keeps its failed allocations to itself: reported as the fault they are.
        if (outOfMemory) throw std::bad_alloc();
        return 0;
    }
    hold_picture(picture);
    return 1;
}

int32_t io::read_from_file_into(uint8_t* buffer, int32_t width, int32_t height, const char* path, int32_t channels)
{
    if (!buffer || width <= 0 || height <= 0) return 0;
    imaging::Rgba32Picture picture;
    // RGBA32 of the right size is decoded straight into the host's buffer.
    imaging::DecodeInto into(channels == 4 ? buffer : nullptr, width, height);
    if (!read_picture_file(path, picture)) return 0;
    int32_t copied = 0;
    if (picture.pixels == buffer) {
        copied = 1;
    } else if (picture.width == width && picture.height == height) {
        const std::size_t pixels = std::size_t(width) * std::size_t(height);
        if (channels == 4) {
            std::memcpy(buffer, picture.pixels, pixels * 4);
        } else {
            for (std::size_t i = 0; i < pixels; ++i) std::memcpy(buffer + i * 3, picture.pixels + i * 4, 3);
        }
        copied = 1;
    }
    imaging::release_picture(picture);
    return copied;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_ReadFromFile(const char* path)
{
    return guard("ReadFromFile", int32_t{0}, [&] { return io::read_from_file(path); });
}

MUR_API int32_t MUR_ReadFromFileRAW(const char* path)
{
    return guard("ReadFromFileRAW", int32_t{0}, [&] { return io::read_from_file_raw(path); });
}

MUR_API int32_t MUR_ReadFromFileRGB24(uint8_t* buffer, int32_t width, int32_t height, const char* path)
{
    return guard("ReadFromFileRGB24", int32_t{0}, [&] { return io::read_from_file_into(buffer, width, height, path, 3); });
}

MUR_API int32_t MUR_ReadFromFileRGBA32(uint8_t* buffer, int32_t width, int32_t height, const char* path)
{
    return guard("ReadFromFileRGBA32", int32_t{0}, [&] { return io::read_from_file_into(buffer, width, height, path, 4); });
}

MUR_API int32_t MUR_GetDPIFromFile(const char* path)
{
    return guard("GetDPIFromFile", imaging::kDefaultDpi, [&] { return imaging::read_dpi(path); });
}

MUR_API int32_t MUR_GetWidthFromPNG(const char* path)
{
    return guard("GetWidthFromPNG", int32_t{0}, [&] { return png_header_field(path, 0); });
}

MUR_API int32_t MUR_GetHeightFromPNG(const char* path)
{
    return guard("GetHeightFromPNG", int32_t{0}, [&] { return png_header_field(path, 1); });
}

}  // extern "C"
