#include "imaging/jpeg_reader.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE

#include <jerror.h>
#include <jpeglib.h>

// libjpeg reports errors through a callback that must not return: it jumps
// back to the decoding function. That function holds no C++ objects with
// destructors, and what must survive the jump is reached through pointers.

namespace mur::imaging {
namespace {

// Progressive files may hold any number of scans, each a pass over the whole
// picture; real ones have a dozen or so.
constexpr int kMaxScans = 500;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    bool damaged;
};

[[noreturn]] void on_error(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void on_message(j_common_ptr cinfo, int level)
{
    if (level != -1) return;  // trace messages
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    const int code = err->pub.msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) err->damaged = true;
}

void on_progress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) on_error(cinfo);
}

// Ink values to RGB. Adobe writes CMYK inverted (0 = full ink).
void cmyk_to_rgba(uint8_t* row, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, row += 4) {
        unsigned c = row[0], m = row[1], y = row[2], k = row[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        row[0] = static_cast<uint8_t>((c * k + 127) / 255);
        row[1] = static_cast<uint8_t>((m * k + 127) / 255);
        row[2] = static_cast<uint8_t>((y * k + 127) / 255);
        row[3] = 255;
    }
}

bool decode(jpeg_decompress_struct* cinfo, ErrorManager* err, jpeg_progress_mgr* progress, const uint8_t* data,
            std::size_t size, Rgba32Picture* picture, const PictureLimits* limits)
{
    if (setjmp(err->jump)) {
        release_picture(*picture);
        return false;
    }
    jpeg_create_decompress(cinfo);
    progress->progress_monitor = on_progress;
    cinfo->progress = progress;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) return false;
    if (!limits->allows(cinfo->image_width, cinfo->image_height)) return false;

    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_components != 4 || cinfo->output_width != cinfo->image_width ||
        cinfo->output_height != cinfo->image_height)
        on_error(reinterpret_cast<j_common_ptr>(cinfo));

    if (!allocate_unfilled_picture(*picture, static_cast<int32_t>(cinfo->output_width),
                          static_cast<int32_t>(cinfo->output_height)))
        on_error(reinterpret_cast<j_common_ptr>(cinfo));
    const std::size_t stride = std::size_t(cinfo->output_width) * 4;
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = picture->pixels + std::size_t(cinfo->output_scanline) * stride;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1 || err->damaged) on_error(reinterpret_cast<j_common_ptr>(cinfo));
        if (cmyk) cmyk_to_rgba(row, cinfo->output_width, cinfo->saw_Adobe_marker);
    }
    jpeg_finish_decompress(cinfo);
    if (err->damaged) on_error(reinterpret_cast<j_common_ptr>(cinfo));
    return true;
}

}  // namespace

bool read_jpeg_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                           const PictureLimits& limits) noexcept
{
    picture = {};
    if (!data || size < 4 || size > 0xFFFFFFFFu) return false;
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = on_error;
    err.pub.emit_message = on_message;
    jpeg_progress_mgr progress{};
    const bool ok = decode(&cinfo, &err, &progress, data, size, &picture, &limits);
    jpeg_destroy_decompress(&cinfo);
    return ok;
}

}  // namespace mur::imaging
