#include "imaging/jpeg_frame.h"

#include "engine/memory.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

// libjpeg reports errors through a callback that must not return: it jumps
// back to the step that set the jump point. Those steps own no C++ objects.

namespace mur::imaging {

struct JpegFrameEncoder {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    jpeg_destination_mgr dest;
    std::jmp_buf jump;
    int32_t quality;
    uint8_t* out;           // engine heap
    std::size_t capacity;
    bool outOfMemory;
};

namespace {

JpegFrameEncoder* owner(j_compress_ptr cinfo)
{
    return reinterpret_cast<JpegFrameEncoder*>(reinterpret_cast<char*>(cinfo) - offsetof(JpegFrameEncoder, cinfo));
}

[[noreturn]] void on_error(j_common_ptr cinfo)
{
    std::longjmp(owner(reinterpret_cast<j_compress_ptr>(cinfo))->jump, 1);
}
void on_message(j_common_ptr, int) {}

void init_destination(j_compress_ptr cinfo)
{
    JpegFrameEncoder* e = owner(cinfo);
    e->dest.next_output_byte = e->out;
    e->dest.free_in_buffer = e->capacity;
}

// The block is full: one twice as large, the bytes so far kept.
boolean grow_destination(j_compress_ptr cinfo)
{
    JpegFrameEncoder* e = owner(cinfo);
    const std::size_t grown = e->capacity * 2;
    auto* out = static_cast<uint8_t*>(mem::try_alloc_uninit(grown));
    if (!out) {
        e->outOfMemory = true;
        std::longjmp(e->jump, 1);
    }
    std::memcpy(out, e->out, e->capacity);
    mem::release_nothrow(e->out);
    e->out = out;
    e->dest.next_output_byte = out + e->capacity;
    e->dest.free_in_buffer = grown - e->capacity;
    e->capacity = grown;
    return TRUE;
}

void term_destination(j_compress_ptr) {}

bool compress(JpegFrameEncoder* e, const ConstImageView* image)
{
    if (setjmp(e->jump)) {
        jpeg_abort_compress(&e->cinfo);
        return false;
    }
    jpeg_compress_struct& c = e->cinfo;
    c.image_width = JDIMENSION(image->width);
    c.image_height = JDIMENSION(image->height);
    c.input_components = image->bytesPerPixel;
    c.in_color_space = image->bytesPerPixel == 4 ? JCS_EXT_RGBX : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, e->quality, TRUE);
    c.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW rows[16];
        const JDIMENSION n = std::min<JDIMENSION>(16, c.image_height - c.next_scanline);
        for (JDIMENSION i = 0; i < n; ++i)
            rows[i] = const_cast<JSAMPROW>(image->row(int32_t(c.next_scanline + i)));
        jpeg_write_scanlines(&c, rows, n);
    }
    jpeg_finish_compress(&c);
    return true;
}

bool create(JpegFrameEncoder* e)
{
    if (setjmp(e->jump)) return false;
    jpeg_create_compress(&e->cinfo);
    return true;
}

}  // namespace

JpegFrameEncoder* create_jpeg_frame_encoder(int32_t quality) noexcept
{
    auto* e = static_cast<JpegFrameEncoder*>(mem::try_alloc(sizeof(JpegFrameEncoder)));
    if (!e) return nullptr;
    e->quality = std::clamp(quality, 1, 100);
    e->cinfo.err = jpeg_std_error(&e->err);
    e->err.error_exit = on_error;
    e->err.emit_message = on_message;
    if (!create(e)) {
        mem::release_nothrow(e);
        return nullptr;
    }
    e->dest.init_destination = init_destination;
    e->dest.empty_output_buffer = grow_destination;
    e->dest.term_destination = term_destination;
    e->cinfo.dest = &e->dest;
    return e;
}

void release_jpeg_frame_encoder(JpegFrameEncoder*& e) noexcept
{
    if (!e) return;
    jpeg_destroy_compress(&e->cinfo);
    mem::release_nothrow(e->out);
    mem::release_nothrow(e);
    e = nullptr;
}

bool encode_jpeg_frame(JpegFrameEncoder& e, const ConstImageView& image, const uint8_t*& data,
                       std::size_t& size) noexcept
{
    data = nullptr;
    size = 0;
    if (!image.data || image.width <= 0 || image.height <= 0 || image.width > JPEG_MAX_DIMENSION ||
        image.height > JPEG_MAX_DIMENSION || (image.bytesPerPixel != 3 && image.bytesPerPixel != 4))
        return false;
    if (!e.out) {
        // A quarter of the raw frame holds most frames at the usual qualities.
        const std::size_t first = std::max<std::size_t>(64 * 1024, std::size_t(image.width) * std::size_t(image.height) * 3 / 4);
        e.out = static_cast<uint8_t*>(mem::try_alloc_uninit(first));
        if (!e.out) return false;
        e.capacity = first;
    }
    e.outOfMemory = false;
    if (!compress(&e, &image)) return false;
    data = e.out;
    size = e.capacity - e.dest.free_in_buffer;
    return true;
}

}  // namespace mur::imaging
