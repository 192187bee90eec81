// Recording an animated GIF while the user paints: bound to the image size
// at its creation, every frame reduced to 256 colours of its own.
#include "engine/export_state.h"
#include "engine/guard.h"
#include "engine/state.h"
#include "imaging/gif_animation.h"
#include "io/io.h"

#include <algorithm>
#include <cstring>

namespace mur {

int32_t io::close_gif()
{
    GifRecorder& r = exporting.gif;
    if (!r.gif) return 0;
    const bool ok = imaging::finish_gif_animation(r.gif);
    r = GifRecorder{};
    return ok ? 1 : 0;
}

int32_t io::create_gif(const char* path, int32_t frameDelayMs, const uint8_t* palette)
{
    close_gif();
    GifRecorder& r = exporting.gif;
    if (palette)
        std::memcpy(r.palette, palette, sizeof r.palette);
    else
        std::memset(r.palette, 0, sizeof r.palette);
    if (!path || engine.width <= 0 || engine.height <= 0) return -1;
    imaging::Palette global;
    global.count = 256;
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) global.rgb[i][c] = r.palette[i * 4 + c];
    const int32_t delay = std::clamp(frameDelayMs / 10, 0, 65535);
    r.gif = imaging::begin_gif_animation(path, engine.width, engine.height, global, delay);
    if (!r.gif) return -1;
    r.width = engine.width;
    r.height = engine.height;
    r.delay = delay;
    return delay;
}

int32_t io::write_gif_rgb24(const uint8_t* pixels, int32_t width, int32_t height)
{
    GifRecorder& r = exporting.gif;
    if (!r.gif || !pixels || width != r.width || height != r.height) return 0;
    const imaging::ConstImageView frame(pixels, width, height, std::ptrdiff_t(width) * 3, 3);
    return imaging::add_gif_frame_quantised(*r.gif, frame) ? 1 : 0;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_CreateGIF(const char* path, int32_t frameDelayMs, const uint8_t* palette)
{
    return guard("CreateGIF", int32_t{-1}, [&] { return io::create_gif(path, frameDelayMs, palette); });
}

MUR_API int32_t MUR_WriteGIF_RGB24(const uint8_t* pixels, int32_t width, int32_t height)
{
    return guard("WriteGIF_RGB24", int32_t{0}, [&] { return io::write_gif_rgb24(pixels, width, height); });
}

MUR_API int32_t MUR_CloseGIF(void)
{
    return guard("CloseGIF", int32_t{0}, [&] { return io::close_gif(); });
}

}  // extern "C"
