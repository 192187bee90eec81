#include "imaging/line_writer.h"

#include "engine/memory.h"
#include "imaging/line_codecs.h"
#include "imaging/picture.h"

#include <cmath>

namespace mur::imaging {
namespace {

const LineCodec* const kLineCodecs[] = {&kBmpLines, &kPngLines, &kJpegLines, &kTgaLines,
                                        &kTiffLines, &kPcxLines, &kEmfLines};

const LineCodec* codec_of(LineFormat format) noexcept
{
    for (const LineCodec* codec : kLineCodecs)
        if (codec->format == format) return codec;
    return nullptr;
}

}  // namespace

bool rows_bottom_up(LineFormat format) noexcept
{
    const LineCodec* codec = codec_of(format);
    return codec && codec->bottomUp;
}

bool takes_channels(LineFormat format, int32_t channels) noexcept
{
    const LineCodec* codec = codec_of(format);
    return codec && ((channels == 3 && codec->takesRgb) || (channels == 4 && codec->takesRgba));
}

int32_t pixels_per_metre(int32_t dpi) noexcept
{
    if (dpi <= 0) return 0;
    const double ppm = std::trunc(double(dpi) * 39.3700787);
    return ppm >= 2147483647.0 ? INT32_MAX : static_cast<int32_t>(ppm);
}

bool write_bytes(LineWriter& writer, const void* data, std::size_t size) noexcept
{
    if (writer.failed || std::fwrite(data, 1, size, writer.file.file) != size) writer.failed = true;
    return !writer.failed;
}

bool begin_lines(LineWriter& writer, const char* path, LineFormat format, const LineSettings& settings) noexcept
{
    writer = LineWriter{};
    writer.format = format;
    writer.settings = settings;
    const LineCodec* codec = codec_of(format);
    if (!codec || !takes_channels(format, settings.channels)) return false;
    if (settings.width <= 0 || settings.height <= 0 || settings.width > kMaxPictureSide ||
        settings.height > kMaxPictureSide || uint64_t(settings.width) * uint64_t(settings.height) > kMaxPicturePixels)
        return false;
    if (!open_replacing(writer.file, path)) return false;
    if (!codec->begin(writer)) {
        abandon_lines(writer);
        return false;
    }
    return true;
}

bool write_line(LineWriter& writer, const uint8_t* row) noexcept
{
    if (!writer.file.file || writer.failed || !row || writer.rowsWritten >= writer.settings.height) {
        writer.failed = true;
        return false;
    }
    if (!codec_of(writer.format)->line(writer, row)) writer.failed = true;
    ++writer.rowsWritten;
    return !writer.failed;
}

bool finish_lines(LineWriter& writer) noexcept
{
    const LineCodec* codec = codec_of(writer.format);
    if (!codec || !writer.file.file || writer.failed || writer.rowsWritten != writer.settings.height ||
        !codec->finish(writer)) {
        abandon_lines(writer);
        return false;
    }
    codec->release(writer);
    mem::release_nothrow(writer.scratch);
    writer.scratch = nullptr;
    return commit_replacing(writer.file);
}

void abandon_lines(LineWriter& writer) noexcept
{
    if (const LineCodec* codec = codec_of(writer.format)) codec->release(writer);
    mem::release_nothrow(writer.scratch);
    writer.scratch = nullptr;
    abandon_replacing(writer.file);
    writer.failed = true;
}

bool write_picture_lines(const char* path, LineFormat format, const ConstImageView& image,
                         LineSettings settings) noexcept
{
    if (!image.data || image.bytesPerPixel != settings.channels) return false;
    settings.width = image.width;
    settings.height = image.height;
    LineWriter writer;
    if (!begin_lines(writer, path, format, settings)) return false;
    const bool bottomUp = rows_bottom_up(format);
    for (int32_t i = 0; i < image.height; ++i)
        if (!write_line(writer, image.row(bottomUp ? image.height - 1 - i : i))) break;
    return finish_lines(writer);
}

}  // namespace mur::imaging
