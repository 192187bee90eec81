// TIFF rows through libtiff: 8 bits a sample, RGB or RGBA with unassociated
// alpha, Deflate with the horizontal predictor, the resolution in dots per
// inch.
#include "engine/memory.h"
#include "imaging/line_codecs.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace mur::imaging {
namespace {

std::FILE* file_of(thandle_t h) { return static_cast<std::FILE*>(h); }

tmsize_t read_proc(thandle_t h, void* out, tmsize_t n) { return tmsize_t(std::fread(out, 1, std::size_t(n), file_of(h))); }
tmsize_t write_proc(thandle_t h, void* in, tmsize_t n) { return tmsize_t(std::fwrite(in, 1, std::size_t(n), file_of(h))); }
toff_t seek_proc(thandle_t h, toff_t offset, int whence)
{
    if (fseeko(file_of(h), off_t(offset), whence) != 0) return toff_t(-1);
    return toff_t(ftello(file_of(h)));
}
int close_proc(thandle_t) { return 0; }  // the file is the line writer's
toff_t size_proc(thandle_t h)
{
    const off_t here = ftello(file_of(h));
    fseeko(file_of(h), 0, SEEK_END);
    const off_t end = ftello(file_of(h));
    fseeko(file_of(h), here, SEEK_SET);
    return toff_t(end);
}
int map_proc(thandle_t, void**, toff_t*) { return 0; }
void unmap_proc(thandle_t, void*, toff_t) {}
int quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* tif_of(LineWriter& w) { return static_cast<TIFF*>(w.codec); }

bool tiff_begin(LineWriter& w)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return false;
    TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
    TIFF* tif = TIFFClientOpenExt("page", "w", w.file.file, read_proc, write_proc, seek_proc, close_proc, size_proc,
                                  map_proc, unmap_proc, options);
    TIFFOpenOptionsFree(options);
    if (!tif) return false;
    w.codec = tif;
    const LineSettings& s = w.settings;
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(s.width)) && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(s.height)) &&
              TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.channels) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
              TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) &&
              TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (ok && s.channels == 4) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        ok = TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (ok) {
        w.scratch = static_cast<uint8_t*>(mem::try_alloc_uninit(std::size_t(s.width) * std::size_t(s.channels)));
        ok = w.scratch != nullptr;
    }
    if (ok && s.dpi > 0)
        ok = TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(s.dpi)) && TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(s.dpi)) &&
             TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    return ok;
}

bool tiff_line(LineWriter& w, const uint8_t* row)
{
    // The predictor works in the buffer it is given: a copy keeps the
    // caller's row as it was.
    const std::size_t bytes = std::size_t(w.settings.width) * std::size_t(w.settings.channels);
    std::memcpy(w.scratch, row, bytes);
    return TIFFWriteScanline(tif_of(w), w.scratch, uint32_t(w.rowsWritten), 0) == 1;
}

bool tiff_finish(LineWriter& w)
{
    TIFF* tif = tif_of(w);
    w.codec = nullptr;
    const bool ok = TIFFFlush(tif) == 1;
    TIFFClose(tif);
    return ok;
}

void tiff_release(LineWriter& w)
{
    if (TIFF* tif = tif_of(w)) TIFFClose(tif);
    w.codec = nullptr;
}

}  // namespace

const LineCodec kTiffLines{LineFormat::Tiff, false, true, true, tiff_begin, tiff_line, tiff_finish, tiff_release};

}  // namespace mur::imaging
