// Writing host pictures to files, the format chosen by an extension text
// (compared without regard to case, its dot included).
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "imaging/gif_writer.h"
#include "imaging/line_writer.h"
#include "imaging/psd_format.h"
#include "io/io.h"
#include "io/file_formats.h"

#include <strings.h>

namespace mur {
namespace {

constexpr FileFormat kRgb24Formats[] = {
    {".bmp", FileKind::Lines, imaging::LineFormat::Bmp}, {".png", FileKind::Lines, imaging::LineFormat::Png},
    {".jpg", FileKind::Lines, imaging::LineFormat::Jpeg}, {".gif", FileKind::Gif, {}},
    {".pcx", FileKind::Lines, imaging::LineFormat::Pcx}, {".psd", FileKind::Psd, {}},
    // Both metafile extensions are written as enhanced metafiles.
    {".emf", FileKind::Lines, imaging::LineFormat::Emf}, {".wmf", FileKind::Lines, imaging::LineFormat::Emf},
};

constexpr FileFormat kRgba32Formats[] = {
    {".png", FileKind::Lines, imaging::LineFormat::Png},
    {".tga", FileKind::Lines, imaging::LineFormat::Tga},
    {".tif", FileKind::Lines, imaging::LineFormat::Tiff},
};

template <std::size_t N>
const FileFormat* find(const FileFormat (&table)[N], const char* extension) noexcept
{
    if (!extension) return nullptr;
    for (const FileFormat& f : table)
        if (strcasecmp(f.extension, extension) == 0) return &f;
    return nullptr;
}

// 256 colours from the picture's own palette, one index a pixel.
int32_t write_gif(const imaging::ConstImageView& image, const char* path)
{
    imaging::Palette palette;
    if (!imaging::build_palette(image, 256, palette)) return 0;
    const mem::Owned<uint8_t> indices(x_NewCharUndoReduce(std::size_t(image.width) * std::size_t(image.height)));
    if (!indices || !imaging::map_to_palette(image, palette, indices.get(), false)) return 0;
    return imaging::write_gif(path, indices.get(), image.width, image.height, palette) ? 1 : 0;
}

}  // namespace

const FileFormat* io::file_format(const char* extension, int32_t channels) noexcept
{
    return channels == 4 ? find(kRgba32Formats, extension) : find(kRgb24Formats, extension);
}

int32_t io::write_to_file(const uint8_t* pixels, int32_t width, int32_t height, const char* path,
                          const char* extension, int32_t dpi, int32_t channels)
{
    const FileFormat* format = file_format(extension, channels);
    if (!format || !pixels || !path || width <= 0 || height <= 0 || width > imaging::kMaxPictureSide ||
        height > imaging::kMaxPictureSide || uint64_t(width) * uint64_t(height) > imaging::kMaxPicturePixels)
        return 0;
    const imaging::ConstImageView image(pixels, width, height, std::ptrdiff_t(width) * channels, channels);
    switch (format->kind) {
    case FileKind::Lines: {
        imaging::LineSettings settings;
        settings.channels = channels;
        settings.dpi = dpi;
        settings.quality = 97;
        return imaging::write_picture_lines(path, format->lines, image, settings) ? 1 : 0;
    }
    case FileKind::Gif:
        return write_gif(image, path);
    case FileKind::Psd:
        return imaging::write_psd(path, image, dpi) ? 1 : 0;
    }
    return 0;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_WriteToFileRGB24(const uint8_t* pixels, int32_t width, int32_t height, const char* path,
                                     const char* extension, int32_t dpi)
{
    return guard("WriteToFileRGB24", int32_t{0},
                 [&] { return io::write_to_file(pixels, width, height, path, extension, dpi, 3); });
}

MUR_API int32_t MUR_WriteToFileRGBA32(const uint8_t* pixels, int32_t width, int32_t height, const char* path,
                                      const char* extension, int32_t dpi)
{
    return guard("WriteToFileRGBA32", int32_t{0},
                 [&] { return io::write_to_file(pixels, width, height, path, extension, dpi, 4); });
}

}  // extern "C"
