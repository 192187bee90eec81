#include "imaging/png_codec.h"

#include "engine/memory.h"

#include <png.h>

#include <cstdio>
#include <cstring>

// libpng reports errors by longjmp. The functions that call setjmp below keep
// everything that must survive a jump in memory reached through pointers set
// before the jump point, and own no C++ objects with destructors.

namespace mur::imaging {
namespace {

// The largest chunk the reader buffers whole; the chunks it keeps are a few
// hundred bytes, and picture data is streamed, not buffered.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{1} << 20;

// libpng's own blocks (row buffers, the inflate state, kept chunks) come
// from the engine heap like every other buffer of a decode.
png_voidp png_alloc(png_structp, png_alloc_size_t bytes) { return mem::try_alloc_uninit(bytes); }
void png_release(png_structp, png_voidp block) { mem::release_nothrow(block); }

[[noreturn]] void on_png_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_png_warning(png_structp, png_const_charp) {}

struct MemoryReader {
    const uint8_t* data;
    std::size_t size;
    std::size_t offset;
};

void read_from_memory(png_structp png, png_bytep out, png_size_t length)
{
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->offset) png_error(png, "truncated");
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
}

struct Decoding {
    Rgba32Picture* picture;
    bool pixelsComplete;  // an error after the pixels (a damaged trailing chunk) spares them
};

// Reads the picture from a read struct whose input is already set up.
bool decode(png_structp png, png_infop info, Decoding* state)
{
    Rgba32Picture* picture = state->picture;
    if (setjmp(png_jmpbuf(png))) {
        if (state->pixelsComplete) return true;
        release_picture(*state->picture);
        return false;
    }
    png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
    // Only the pixels and their transparency are used: every other ancillary
    // chunk (text, profiles, frame controls) is skipped unread, so its length
    // field never sizes an allocation. What is still buffered is capped.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static constexpr png_byte kKept[] = "tRNS";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kKept, 1);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);

    if (depth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t(width) * 4) png_error(png, "unexpected row layout");

    // Every row is written once; interlaced pictures fill theirs pass by pass.
    const bool filled = passes == 1 ? allocate_unfilled_picture(*picture, int32_t(width), int32_t(height))
                                    : allocate_picture(*picture, int32_t(width), int32_t(height));
    if (!filled) png_error(png, "picture too large");
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, picture->pixels + std::size_t(y) * width * 4, nullptr);
    state->pixelsComplete = true;
    png_read_end(png, nullptr);
    return true;
}

bool read_with(void (*setup)(png_structp, void*), void* source, Rgba32Picture& picture)
{
    picture = {};
    png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning,
                                               nullptr, png_alloc, png_release);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (info) {
        setup(png, source);
        Decoding state{&picture, false};
        ok = decode(png, info, &state);
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return ok;
}

struct MemoryWriter {
    ByteBlock block;
    std::size_t capacity;
    bool failed;
};

void write_to_memory(png_structp png, png_bytep data, png_size_t length)
{
    auto* writer = static_cast<MemoryWriter*>(png_get_io_ptr(png));
    if (writer->block.size + length > writer->capacity) {
        std::size_t capacity = writer->capacity ? writer->capacity * 2 : 4096;
        while (capacity < writer->block.size + length) capacity *= 2;
        auto* grown = static_cast<uint8_t*>(mem::try_alloc(capacity));
        if (!grown) {
            writer->failed = true;
            png_error(png, "out of memory");
        }
        if (writer->block.size) std::memcpy(grown, writer->block.data, writer->block.size);
        mem::release_nothrow(writer->block.data);
        writer->block.data = grown;
        writer->capacity = capacity;
    }
    std::memcpy(writer->block.data + writer->block.size, data, length);
    writer->block.size += length;
}

void flush_nothing(png_structp) {}

bool encode(png_structp png, png_infop info, const ConstImageView* image)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(image->width), static_cast<png_uint_32>(image->height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    for (int32_t y = 0; y < image->height; ++y) png_write_row(png, image->row(y));
    png_write_end(png, nullptr);
    return true;
}

bool write_with(void (*setup)(png_structp, void*), void* sink, const ConstImageView& image)
{
    if (!image.data || image.bytesPerPixel != 4 || image.width <= 0 || image.height <= 0) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (info) {
        setup(png, sink);
        ok = encode(png, info, &image);
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return ok;
}

}  // namespace

bool read_png(const char* path, Rgba32Picture& picture) noexcept
{
    picture = {};
    if (!path) return false;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    const bool ok = read_with([](png_structp png, void* f) { png_init_io(png, static_cast<std::FILE*>(f)); }, file,
                              picture);
    std::fclose(file);
    return ok;
}

bool read_png_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture) noexcept
{
    picture = {};
    if (!data || size < 8) return false;
    MemoryReader reader{data, size, 0};
    return read_with([](png_structp png, void* r) { png_set_read_fn(png, r, read_from_memory); }, &reader, picture);
}

bool write_png(const char* path, const ConstImageView& image) noexcept
{
    if (!path) return false;
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    bool ok = write_with([](png_structp png, void* f) { png_init_io(png, static_cast<std::FILE*>(f)); }, file, image);
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) std::remove(path);
    return ok;
}

bool write_png_to_memory(const ConstImageView& image, ByteBlock& block) noexcept
{
    block = {};
    MemoryWriter writer{{}, 0, false};
    const bool ok = write_with(
        [](png_structp png, void* w) { png_set_write_fn(png, w, write_to_memory, flush_nothing); }, &writer, image);
    if (!ok) {
        mem::release_nothrow(writer.block.data);
        return false;
    }
    block = writer.block;
    return true;
}

}  // namespace mur::imaging
