#include "imaging/gif_reader.h"

#include "engine/memory.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

namespace mur::imaging {
namespace {

struct MemoryInput {
    const uint8_t* data;
    std::size_t size;
    std::size_t offset;
};

int read_input(GifFileType* gif, GifByteType* out, int length)
{
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    if (length <= 0) return 0;
    const std::size_t n = std::min(std::size_t(length), in->size - in->offset);
    std::memcpy(out, in->data + in->offset, n);
    in->offset += n;
    return static_cast<int>(n);
}

// Skips the records before the first frame, noting its transparent index;
// false when the file ends or breaks before a frame.
bool find_first_frame(GifFileType* gif, int& transparent)
{
    transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
        if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
        if (type != EXTENSION_RECORD_TYPE) return false;  // the trailer, or garbage
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) transparent = (block[1] & 1) ? block[4] : -1;
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
        }
    }
}

bool decode(GifFileType* gif, Rgba32Picture& picture, const PictureLimits& limits)
{
    int transparent;
    if (!find_first_frame(gif, transparent)) return false;
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* colors = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!colors || !colors->Colors || frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0)
        return false;
    if (!limits.allows(frame.Width, frame.Height)) return false;
    const int64_t width = std::max<int64_t>(gif->SWidth, int64_t{frame.Left} + frame.Width);
    const int64_t height = std::max<int64_t>(gif->SHeight, int64_t{frame.Top} + frame.Height);
    if (!limits.allows(width, height)) return false;

    uint8_t palette[256][4];
    for (int i = 0; i < 256; ++i) {
        if (i < colors->ColorCount) {
            palette[i][0] = colors->Colors[i].Red;
            palette[i][1] = colors->Colors[i].Green;
            palette[i][2] = colors->Colors[i].Blue;
        } else {
            palette[i][0] = palette[i][1] = palette[i][2] = 0;
        }
        palette[i][3] = i == transparent ? 0 : 255;
    }

    mem::Owned<uint8_t> line(static_cast<uint8_t*>(mem::try_alloc_uninit(std::size_t(frame.Width))));
    if (!line) return false;
    if (!allocate_picture(picture, static_cast<int32_t>(width), static_cast<int32_t>(height))) return false;

    static constexpr int kPassStart[4] = {0, 4, 2, 1};
    static constexpr int kPassStep[4] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? kPassStart[pass] : 0;
        const int step = frame.Interlace ? kPassStep[pass] : 1;
        for (int row = start; row < frame.Height; row += step) {
            if (DGifGetLine(gif, line.get(), frame.Width) == GIF_ERROR) {
                release_picture(picture);
                return false;
            }
            uint8_t* out = picture.pixels + ((std::size_t(frame.Top) + row) * std::size_t(width) + frame.Left) * 4;
            for (int x = 0; x < frame.Width; ++x) std::memcpy(out + 4 * x, palette[line[x]], 4);
        }
    }
    return true;
}

}  // namespace

bool read_gif_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                          const PictureLimits& limits) noexcept
{
    picture = {};
    if (!data || size < 13) return false;
    MemoryInput input{data, size, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&input, read_input, &error);
    if (!gif) return false;
    const bool ok = decode(gif, picture, limits);
    DGifCloseFile(gif, &error);
    return ok;
}

}  // namespace mur::imaging
