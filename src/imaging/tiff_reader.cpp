#include "imaging/tiff_reader.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>

namespace mur::imaging {
namespace {

struct MemoryFile {
    const uint8_t* data;
    uint64_t size;
    uint64_t offset;
};

tmsize_t read_proc(thandle_t handle, void* out, tmsize_t length)
{
    auto* f = static_cast<MemoryFile*>(handle);
    if (length <= 0 || f->offset >= f->size) return 0;
    const uint64_t n = std::min<uint64_t>(uint64_t(length), f->size - f->offset);
    std::memcpy(out, f->data + f->offset, n);
    f->offset += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t write_proc(thandle_t, void*, tmsize_t) { return -1; }

toff_t seek_proc(thandle_t handle, toff_t offset, int whence)
{
    auto* f = static_cast<MemoryFile*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = f->offset;
    else if (whence == SEEK_END) base = f->size;
    else if (whence != SEEK_SET) return static_cast<toff_t>(-1);
    if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
    f->offset = base + offset;  // reads past the end return nothing
    return f->offset;
}

int close_proc(thandle_t) { return 0; }
toff_t size_proc(thandle_t handle) { return static_cast<MemoryFile*>(handle)->size; }
// The library reads straight from the buffer, as it does from a mapped file;
// it never writes to a file opened for reading.
int map_proc(thandle_t handle, void** base, toff_t* size)
{
    auto* f = static_cast<MemoryFile*>(handle);
    *base = const_cast<uint8_t*>(f->data);
    *size = f->size;
    return 1;
}
void unmap_proc(thandle_t, void*, toff_t) {}

int quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* open_memory(MemoryFile* file, const PictureLimits& limits)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
    // No single working buffer of the library needs more than a few bytes
    // for every pixel the limits allow.
    const uint64_t most = std::min<uint64_t>(limits.maxPixels, kMaxPicturePixels) * 8 + (uint64_t{1} << 20);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(most));
    TIFF* tif = TIFFClientOpenExt("memory", "r", file, read_proc, write_proc, seek_proc, close_proc, size_proc,
                                  map_proc, unmap_proc, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

// 8-bit RGB and RGB with unassociated alpha in strips, top row first, are
// read row by row exactly; the library's RGBA image would premultiply the alpha.
bool is_plain_rgb(TIFF* tif)
{
    uint16_t bits = 0, samples = 0, planar = 0, photometric = 0, extraCount = 0, orientation = 0;
    uint16_t* extra = nullptr;
    if (TIFFIsTiled(tif) || TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits) != 1 ||
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples) != 1 ||
        TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar) != 1 ||
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) != 1 ||
        TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation) != 1 || orientation != ORIENTATION_TOPLEFT)
        return false;
    if (bits != 8 || planar != PLANARCONFIG_CONTIG || photometric != PHOTOMETRIC_RGB) return false;
    if (samples == 3) return true;
    return samples == 4 && TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) == 1 &&
           extraCount == 1 && extra[0] == EXTRASAMPLE_UNASSALPHA;
}

bool read_plain_rgb(TIFF* tif, Rgba32Picture& picture)
{
    uint16_t samples = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    const tmsize_t lineBytes = TIFFScanlineSize(tif);
    if (lineBytes != tmsize_t(picture.width) * samples) return false;
    for (int32_t y = 0; y < picture.height; ++y) {
        uint8_t* row = picture.pixels + std::size_t(y) * picture.width * 4;
        // The row's samples land in the picture's row; 3-sample rows are
        // then spread out from the end so nothing is overwritten early.
        if (TIFFReadScanline(tif, row, uint32_t(y), 0) != 1) return false;
        if (samples == 3)
            for (int32_t x = picture.width - 1; x >= 0; --x) {
                row[x * 4 + 3] = 255;
                row[x * 4 + 2] = row[x * 3 + 2];
                row[x * 4 + 1] = row[x * 3 + 1];
                row[x * 4] = row[x * 3];
            }
    }
    return true;
}

}  // namespace

bool read_tiff_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                           const PictureLimits& limits) noexcept
{
    picture = {};
    if (!data || size < 8) return false;
    MemoryFile file{data, size, 0};
    TIFF* tif = open_memory(&file, limits);
    if (!tif) return false;
    bool ok = false;
    uint32_t width = 0, height = 0;
    char message[1024];
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) == 1 && TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) == 1 &&
        limits.allows(width, height) && is_plain_rgb(tif) &&
        allocate_unfilled_picture(picture, static_cast<int32_t>(width), static_cast<int32_t>(height))) {
        ok = read_plain_rgb(tif, picture);
        if (!ok) release_picture(picture);
    } else if (width && height && limits.allows(width, height) && TIFFRGBAImageOK(tif, message) &&
        allocate_picture(picture, static_cast<int32_t>(width), static_cast<int32_t>(height))) {
        // The library's raster is one 32-bit word a pixel, the size of ours.
        auto* raster = reinterpret_cast<uint32_t*>(picture.pixels);
        ok = TIFFReadRGBAImageOriented(tif, width, height, raster, ORIENTATION_TOPLEFT, 1) == 1;
        if (ok) {
            const std::size_t pixels = std::size_t(width) * height;
            for (std::size_t i = 0; i < pixels; ++i) {
                const uint32_t v = raster[i];
                unsigned r = TIFFGetR(v), g = TIFFGetG(v), b = TIFFGetB(v);
                const unsigned a = TIFFGetA(v);
                if (a != 0 && a != 255) {
                    r = std::min(255u, (r * 255 + a / 2) / a);
                    g = std::min(255u, (g * 255 + a / 2) / a);
                    b = std::min(255u, (b * 255 + a / 2) / a);
                }
                uint8_t* out = picture.pixels + i * 4;
                out[0] = static_cast<uint8_t>(r);
                out[1] = static_cast<uint8_t>(g);
                out[2] = static_cast<uint8_t>(b);
                out[3] = static_cast<uint8_t>(a);
            }
        } else {
            release_picture(picture);
        }
    }
    TIFFClose(tif);
    return ok;
}

}  // namespace mur::imaging
