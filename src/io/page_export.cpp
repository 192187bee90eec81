// The composited page to a file, row by row: one RGBA64 row composited,
// narrowed to 8 bits and handed to the format's line writer, so the page is
// never held whole.
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "io/file_formats.h"
#include "io/io.h"
#include "layers/layers.h"

namespace mur {
namespace {

bool page_format(const FileFormat* format, int32_t channels) noexcept
{
    if (!format || format->kind != FileKind::Lines) return false;
    if (channels == 4) return true;  // PNG, TGA, TIFF
    using imaging::LineFormat;
    return format->lines == LineFormat::Bmp || format->lines == LineFormat::Png || format->lines == LineFormat::Jpeg;
}

// Abandons an unfinished writer on every way out, a fault included.
struct WriterScope {
    imaging::LineWriter& writer;
    bool done = false;
    ~WriterScope()
    {
        if (!done) imaging::abandon_lines(writer);
    }
};

}  // namespace

int32_t io::save_page_to_file(const char* path, const char* extension, int32_t dpi, int32_t channels)
{
    const FileFormat* format = file_format(extension, channels);
    const int32_t width = engine.width, height = engine.height;
    if (!page_format(format, channels) || !path || width <= 0 || height <= 0) return 0;
    const mem::Owned<uint8_t> wide(x_NewCharUndoReduce(std::size_t(width) * 8));
    const mem::Owned<uint8_t> narrow(x_NewCharUndoReduce(std::size_t(width) * std::size_t(channels)));
    if (!wide || !narrow) return 0;

    imaging::LineSettings settings;
    settings.width = width;
    settings.height = height;
    settings.channels = channels;
    settings.dpi = dpi;
    settings.quality = 97;
    imaging::LineWriter writer;
    if (!imaging::begin_lines(writer, path, format->lines, settings)) return 0;
    WriterScope scope{writer};
    auto* row = reinterpret_cast<uint16_t*>(wide.get());
    const bool bottomUp = imaging::rows_bottom_up(format->lines);
    for (int32_t i = 0; i < height; ++i) {
        layers::merge_rect(row, 0, bottomUp ? height - 1 - i : i, width, 1);
        uint8_t* out = narrow.get();
        for (int32_t x = 0; x < width; ++x, out += channels)
            for (int32_t c = 0; c < channels; ++c) out[c] = uint8_t(row[x * 4 + c] >> 8);
        if (!imaging::write_line(writer, narrow.get())) return 0;
    }
    scope.done = true;
    return imaging::finish_lines(writer) ? 1 : 0;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_SavePageToFileRGB24(const char* path, const char* extension, int32_t dpi)
{
    return guard("MUR_SavePageToFileRGB24", int32_t{0}, [&] { return io::save_page_to_file(path, extension, dpi, 3); });
}

MUR_API int32_t MUR_SavePageToFileRGB32(const char* path, const char* extension, int32_t dpi)
{
    return guard("MUR_SavePageToFileRGB32", int32_t{0}, [&] { return io::save_page_to_file(path, extension, dpi, 4); });
}

}  // extern "C"
