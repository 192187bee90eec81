// JPEG rows through libjpeg-turbo: 24-bit RGB, accurate integer DCT, no
// smoothing, every component sampled 1 x 1 (no chroma subsampling), the
// resolution in dots per inch in the JFIF header.
#include "engine/memory.h"
#include "imaging/line_codecs.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

// libjpeg reports errors through a callback that must not return: it jumps
// back to the step that set the jump point. Those steps own no C++ objects.

namespace mur::imaging {
namespace {

struct JpegLines {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    std::jmp_buf jump;
    bool created;
};

[[noreturn]] void on_error(j_common_ptr cinfo)
{
    auto* s = reinterpret_cast<JpegLines*>(reinterpret_cast<char*>(cinfo) - offsetof(JpegLines, cinfo));
    std::longjmp(s->jump, 1);
}
void on_message(j_common_ptr, int) {}

JpegLines* state(LineWriter& w) { return static_cast<JpegLines*>(w.codec); }

bool start(JpegLines* s, std::FILE* file, const LineSettings* settings)
{
    if (setjmp(s->jump)) return false;
    jpeg_create_compress(&s->cinfo);
    s->created = true;
    jpeg_stdio_dest(&s->cinfo, file);
    s->cinfo.image_width = JDIMENSION(settings->width);
    s->cinfo.image_height = JDIMENSION(settings->height);
    s->cinfo.input_components = 3;
    s->cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&s->cinfo);
    jpeg_set_quality(&s->cinfo, std::clamp(settings->quality, 1, 100), TRUE);
    s->cinfo.dct_method = JDCT_ISLOW;
    s->cinfo.smoothing_factor = 0;
    for (int c = 0; c < s->cinfo.num_components; ++c) {
        s->cinfo.comp_info[c].h_samp_factor = 1;
        s->cinfo.comp_info[c].v_samp_factor = 1;
    }
    s->cinfo.write_JFIF_header = TRUE;
    if (settings->dpi > 0) {
        s->cinfo.density_unit = 1;  // dots per inch
        s->cinfo.X_density = UINT16(std::min(settings->dpi, 65535));
        s->cinfo.Y_density = UINT16(std::min(settings->dpi, 65535));
    } else {
        s->cinfo.density_unit = 0;  // aspect ratio only: no resolution
        s->cinfo.X_density = s->cinfo.Y_density = 1;
    }
    jpeg_start_compress(&s->cinfo, TRUE);
    return true;
}

bool jpeg_begin(LineWriter& w)
{
    auto* s = static_cast<JpegLines*>(mem::try_alloc(sizeof(JpegLines)));
    if (!s) return false;
    w.codec = s;
    s->cinfo.err = jpeg_std_error(&s->err);
    s->err.error_exit = on_error;
    s->err.emit_message = on_message;
    return start(s, w.file.file, &w.settings);
}

bool row(JpegLines* s, const uint8_t* pixels)
{
    if (setjmp(s->jump)) return false;
    JSAMPROW rows[1] = {const_cast<JSAMPROW>(pixels)};
    return jpeg_write_scanlines(&s->cinfo, rows, 1) == 1;
}

bool jpeg_line(LineWriter& w, const uint8_t* pixels) { return row(state(w), pixels); }

bool end(JpegLines* s)
{
    if (setjmp(s->jump)) return false;
    jpeg_finish_compress(&s->cinfo);
    return true;
}

bool jpeg_finish(LineWriter& w) { return end(state(w)); }

void jpeg_release(LineWriter& w)
{
    JpegLines* s = state(w);
    if (!s) return;
    if (s->created) jpeg_destroy_compress(&s->cinfo);
    mem::release_nothrow(s);
    w.codec = nullptr;
}

}  // namespace

const LineCodec kJpegLines{LineFormat::Jpeg, false, true, false, jpeg_begin, jpeg_line, jpeg_finish, jpeg_release};

}  // namespace mur::imaging
