#include "imaging/gif_writer.h"

#include "imaging/replacing_file.h"

#include <gif_lib.h>

#include <cstdio>

namespace mur::imaging {
namespace {

int write_to_file(GifFileType* gif, const GifByteType* data, int length)
{
    return int(std::fwrite(data, 1, std::size_t(length), static_cast<std::FILE*>(gif->UserData)));
}

}  // namespace

bool write_gif(const char* path, const uint8_t* indices, int32_t width, int32_t height, const Palette& palette) noexcept
{
    if (!indices || width <= 0 || height <= 0 || width > 65535 || height > 65535 || palette.count < 1 ||
        palette.count > 256)
        return false;
    for (std::size_t i = 0; i < std::size_t(width) * std::size_t(height); ++i)
        if (indices[i] >= palette.count) return false;
    ReplacingFile file;
    if (!open_replacing(file, path)) return false;
    int error = 0;
    GifFileType* gif = EGifOpen(file.file, write_to_file, &error);
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    bool ok = gif && map;
    if (ok) {
        for (int i = 0; i < 256; ++i) {
            const uint8_t* c = palette.rgb[i < palette.count ? i : 0];
            map->Colors[i] = {c[0], c[1], c[2]};
        }
        ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
        for (int32_t y = 0; y < height && ok; ++y)
            ok = EGifPutLine(gif, const_cast<GifPixelType*>(indices + std::size_t(y) * width), width) == GIF_OK;
    }
    if (map) GifFreeMapObject(map);
    if (gif && EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    if (!ok) {
        abandon_replacing(file);
        return false;
    }
    return commit_replacing(file);
}

}  // namespace mur::imaging
