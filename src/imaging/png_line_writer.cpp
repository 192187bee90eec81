// PNG rows through libpng: colour type 2 (RGB) or 6 (RGBA), 8 bits a
// channel, the resolution as pixels per metre.
#include "engine/memory.h"
#include "imaging/line_codecs.h"

#include <png.h>

// libpng reports errors by longjmp to the function that called setjmp; each
// step below sets its own jump point and owns no C++ objects.

namespace mur::imaging {
namespace {

struct PngLines {
    png_structp png;
    png_infop info;
};

[[noreturn]] void on_png_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_png_warning(png_structp, png_const_charp) {}

PngLines* state(LineWriter& w) { return static_cast<PngLines*>(w.codec); }

bool start(PngLines* s, std::FILE* file, const LineSettings* settings)
{
    if (setjmp(png_jmpbuf(s->png))) return false;
    png_init_io(s->png, file);
    png_set_IHDR(s->png, s->info, png_uint_32(settings->width), png_uint_32(settings->height), 8,
                 settings->channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const int32_t ppm = pixels_per_metre(settings->dpi);
    if (ppm > 0) png_set_pHYs(s->png, s->info, png_uint_32(ppm), png_uint_32(ppm), PNG_RESOLUTION_METER);
    png_set_compression_level(s->png, settings->pngLevel);
    png_write_info(s->png, s->info);
    return true;
}

bool png_begin(LineWriter& w)
{
    auto* s = static_cast<PngLines*>(mem::try_alloc(sizeof(PngLines)));
    if (!s) return false;
    w.codec = s;
    s->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning);
    if (!s->png) return false;
    s->info = png_create_info_struct(s->png);
    return s->info && start(s, w.file.file, &w.settings);
}

bool row(PngLines* s, const uint8_t* pixels)
{
    if (setjmp(png_jmpbuf(s->png))) return false;
    png_write_row(s->png, pixels);
    return true;
}

bool png_line(LineWriter& w, const uint8_t* pixels) { return row(state(w), pixels); }

bool end(PngLines* s)
{
    if (setjmp(png_jmpbuf(s->png))) return false;
    png_write_end(s->png, nullptr);
    return true;
}

bool png_finish(LineWriter& w) { return end(state(w)); }

void png_release(LineWriter& w)
{
    PngLines* s = state(w);
    if (!s) return;
    if (s->png) png_destroy_write_struct(&s->png, s->info ? &s->info : nullptr);
    mem::release_nothrow(s);
    w.codec = nullptr;
}

}  // namespace

const LineCodec kPngLines{LineFormat::Png, false, true, true, png_begin, png_line, png_finish, png_release};

}  // namespace mur::imaging
