#include "imaging/gif_animation.h"

#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "imaging/replacing_file.h"

#include <gif_lib.h>

#include <cstdio>
#include <cstring>

#include <stdio_ext.h>
#include <unistd.h>

namespace mur::imaging {

struct GifAnimation {
    ReplacingFile file;
    GifFileType* gif;
    int32_t width;
    int32_t height;
    int32_t delay;
    long goodEnd;  // where the last whole frame ends
    bool failed;
};

namespace {

int write_to_file(GifFileType* gif, const GifByteType* data, int length)
{
    return int(std::fwrite(data, 1, std::size_t(length), static_cast<std::FILE*>(gif->UserData)));
}

ColorMapObject* colour_map(const Palette& palette)
{
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    if (!map) return nullptr;
    for (int i = 0; i < 256; ++i) {
        const uint8_t* c = palette.rgb[i < palette.count ? i : 0];
        map->Colors[i] = {c[0], c[1], c[2]};
    }
    return map;
}

// The Netscape application extension: loop count 0 (for ever).
bool put_looping(GifFileType* gif)
{
    static const GifByteType kName[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType kLoop[] = {1, 0, 0};
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, sizeof kName, kName) == GIF_OK &&
           EGifPutExtensionBlock(gif, sizeof kLoop, kLoop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
}

void close_gif(GifAnimation& a)
{
    int error = 0;
    if (a.gif && EGifCloseFile(a.gif, &error) != GIF_OK) a.failed = true;
    a.gif = nullptr;
}

}  // namespace

GifAnimation* begin_gif_animation(const char* path, int32_t width, int32_t height, const Palette& global,
                                  int32_t delay) noexcept
{
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 || delay < 0 || delay > 65535) return nullptr;
    auto* a = static_cast<GifAnimation*>(mem::try_alloc(sizeof(GifAnimation)));
    if (!a) return nullptr;
    a->width = width;
    a->height = height;
    a->delay = delay;
    if (!open_replacing(a->file, path)) {
        mem::release_nothrow(a);
        return nullptr;
    }
    int error = 0;
    a->gif = EGifOpen(a->file.file, write_to_file, &error);
    ColorMapObject* map = colour_map(global);
    bool ok = a->gif && map;
    if (ok) {
        EGifSetGifVersion(a->gif, true);
        ok = EGifPutScreenDesc(a->gif, width, height, 8, 0, map) == GIF_OK && put_looping(a->gif);
    }
    if (map) GifFreeMapObject(map);
    a->goodEnd = ok && std::fflush(a->file.file) == 0 ? std::ftell(a->file.file) : -1;
    if (!ok || a->goodEnd < 0) {
        close_gif(*a);
        abandon_replacing(a->file);
        mem::release_nothrow(a);
        return nullptr;
    }
    return a;
}

bool add_gif_frame(GifAnimation& a, const uint8_t* indices, const Palette& palette) noexcept
{
    if (a.failed || !a.gif || !indices || palette.count < 1 || palette.count > 256) return false;
    const std::size_t pixels = std::size_t(a.width) * std::size_t(a.height);
    for (std::size_t i = 0; i < pixels; ++i)
        if (indices[i] >= palette.count) return false;
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.UserInputFlag = false;
    control.DelayTime = a.delay;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    ColorMapObject* map = colour_map(palette);
    bool ok = map && EGifPutExtension(a.gif, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension) == GIF_OK &&
              EGifPutImageDesc(a.gif, 0, 0, a.width, a.height, false, map) == GIF_OK;
    for (int32_t y = 0; y < a.height && ok; ++y)
        ok = EGifPutLine(a.gif, const_cast<GifPixelType*>(indices + std::size_t(y) * std::size_t(a.width)), a.width) ==
             GIF_OK;
    if (map) GifFreeMapObject(map);
    // The frame is whole once its bytes have left the buffer.
    const long end = ok && std::fflush(a.file.file) == 0 ? std::ftell(a.file.file) : -1;
    // Half a frame cannot be taken back: the animation ends before it.
    if (end < 0) {
        a.failed = true;
        return false;
    }
    a.goodEnd = end;
    return true;
}

bool add_gif_frame_quantised(GifAnimation& a, const ConstImageView& image) noexcept
{
    if (a.failed || image.width != a.width || image.height != a.height) return false;
    Palette palette;
    if (!build_palette(image, 256, palette)) return false;
    const mem::Owned<uint8_t> indices(x_NewCharUndoReduce(std::size_t(a.width) * std::size_t(a.height)));
    if (!indices || !map_to_palette(image, palette, indices.get(), false)) return false;
    return add_gif_frame(a, indices.get(), palette);
}

bool finish_gif_animation(GifAnimation*& a) noexcept
{
    if (!a) return false;
    close_gif(*a);
    if (a->failed) {
        // The frames before the failure, and the trailer after them.
        const char trailer = ';';
        // What a failed write left in the buffer lies past the last whole frame.
        if (std::ferror(a->file.file)) __fpurge(a->file.file);
        std::clearerr(a->file.file);
        if (std::fflush(a->file.file) != 0 || ftruncate(fileno(a->file.file), off_t(a->goodEnd)) != 0 ||
            std::fseek(a->file.file, a->goodEnd, SEEK_SET) != 0 || std::fwrite(&trailer, 1, 1, a->file.file) != 1)
            abandon_replacing(a->file);
    }
    const bool ok = a->file.file && commit_replacing(a->file);
    mem::release_nothrow(a);
    a = nullptr;
    return ok;
}

}  // namespace mur::imaging
