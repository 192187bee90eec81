// Image files of 4096 x 4096 pixels: reading and writing JPEG, PNG and TIFF
// through the engine's exports beside the same library called directly
// with the same settings, in the same run; PNG writing beside ImageMagick's
// convert at its defaults; the page export of a three-layer page with its
// peak memory.
#include "engine/memory.h"
#include "imaging/picture_reader.h"
#include "imaging/resample.h"
#include "murcore.h"

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 4096;
constexpr std::size_t kPixels = std::size_t(kSide) * kSide;

std::string scratch(const char* name) { return "/tmp/mur_files_bench_" + std::to_string(getpid()) + "_" + name; }

// A photograph enlarged to 4096 x 4096, RGB and RGBA (alpha a gradient).
struct Photo {
    std::vector<uint8_t> rgb = std::vector<uint8_t>(kPixels * 3), rgba = std::vector<uint8_t>(kPixels * 4);
    Photo()
    {
        mur::imaging::Rgba32Picture small;
        const std::string path = std::string(MUR_TESTDATA_DIR) + "/astronaut.png";
        if (!mur::imaging::read_picture(path.c_str(), small)) std::abort();
        mur::imaging::resample({small.pixels, small.width, small.height, small.width * 4, 4},
                               mur::imaging::rgba32_view(rgba.data(), kSide, kSide, kSide * 4),
                               mur::imaging::ResizeFilter::Bicubic);
        mur::imaging::release_picture(small);
        for (std::size_t i = 0; i < kPixels; ++i) {
            std::memcpy(&rgb[i * 3], &rgba[i * 4], 3);
            rgba[i * 4 + 3] = uint8_t(i % kSide / 16);
        }
    }
};

const Photo& photo()
{
    static const Photo p;
    return p;
}

std::size_t file_size(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return std::size_t(in.tellg());
}

// ---- The libraries called directly, with the engine's settings ---------------------

void direct_jpeg_write(const std::string& path, const uint8_t* rgb)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = kSide, c.image_height = kSide, c.input_components = 3, c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 97, TRUE);
    c.dct_method = JDCT_ISLOW;
    for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    c.density_unit = 1, c.X_density = c.Y_density = 300;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(rgb) + std::size_t(c.next_scanline) * kSide * 3;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

void direct_jpeg_read(const std::string& path, uint8_t* rgba)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    jpeg_decompress_struct d;
    jpeg_error_mgr e;
    d.err = jpeg_std_error(&e);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&d);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = rgba + std::size_t(d.output_scanline) * kSide * 4;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::fclose(f);
}

void direct_png_write(const std::string& path, const uint8_t* rgb)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, 11811, 11811, PNG_RESOLUTION_METER);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    for (int y = 0; y < kSide; ++y) png_write_row(png, rgb + std::size_t(y) * kSide * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

void direct_png_read(const std::string& path, uint8_t* rgba)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    for (int y = 0; y < kSide; ++y) png_read_row(png, rgba + std::size_t(y) * kSide * 4, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
}

void direct_tiff_write(const std::string& path, const uint8_t* rgba)
{
    TIFF* t = TIFFOpen(path.c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kSide);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, kSide);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 300.0f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, 300.0f);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    std::vector<uint8_t> row(kSide * 4);  // the predictor works in the row it is given
    for (int y = 0; y < kSide; ++y) {
        std::memcpy(row.data(), rgba + std::size_t(y) * kSide * 4, row.size());
        TIFFWriteScanline(t, row.data(), uint32_t(y), 0);
    }
    TIFFClose(t);
}

void direct_tiff_read(const std::string& path, uint8_t* rgba)
{
    TIFF* t = TIFFOpen(path.c_str(), "r");
    for (int y = 0; y < kSide; ++y) TIFFReadScanline(t, rgba + std::size_t(y) * kSide * 4, uint32_t(y), 0);
    TIFFClose(t);
}

// ---- Writing ------------------------------------------------------------------------

enum Format { kJpeg, kPng, kTiff };

void BM_WriteOurs(benchmark::State& state)
{
    const Format format = Format(state.range(0));
    const Photo& p = photo();
    const std::string path = scratch("ours");
    for (auto _ : state) {
        const int32_t ok = format == kJpeg  ? MUR_WriteToFileRGB24(p.rgb.data(), kSide, kSide, path.c_str(), ".jpg", 300)
                           : format == kPng ? MUR_WriteToFileRGB24(p.rgb.data(), kSide, kSide, path.c_str(), ".png", 300)
                                            : MUR_WriteToFileRGBA32(p.rgba.data(), kSide, kSide, path.c_str(), ".tif", 300);
        if (!ok) state.SkipWithError("write failed");
    }
    state.counters["file_MB"] = double(file_size(path)) / 1e6;
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteOurs)->ArgName("jpeg0_png1_tiff2")->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WriteLibraryDirect(benchmark::State& state)
{
    const Format format = Format(state.range(0));
    const Photo& p = photo();
    const std::string path = scratch("direct");
    for (auto _ : state) {
        if (format == kJpeg) direct_jpeg_write(path, p.rgb.data());
        if (format == kPng) direct_png_write(path, p.rgb.data());
        if (format == kTiff) direct_tiff_write(path, p.rgba.data());
    }
    state.counters["file_MB"] = double(file_size(path)) / 1e6;
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteLibraryDirect)->ArgName("jpeg0_png1_tiff2")->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- Reading ------------------------------------------------------------------------

const std::string& written(Format format)
{
    static std::string paths[3];
    if (paths[format].empty()) {
        paths[format] = scratch(format == kJpeg ? "in.jpg" : format == kPng ? "in.png" : "in.tif");
        const Photo& p = photo();
        if (format == kJpeg) direct_jpeg_write(paths[format], p.rgb.data());
        if (format == kPng) direct_png_write(paths[format], p.rgb.data());
        if (format == kTiff) direct_tiff_write(paths[format], p.rgba.data());
    }
    return paths[format];
}

void BM_ReadOurs(benchmark::State& state)
{
    const Format format = Format(state.range(0));
    const std::string& path = written(format);
    std::vector<uint8_t> out(kPixels * 4);
    for (auto _ : state)
        if (!MUR_ReadFromFileRGBA32(out.data(), kSide, kSide, path.c_str())) state.SkipWithError("read failed");
}
BENCHMARK(BM_ReadOurs)->ArgName("jpeg0_png1_tiff2")->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadLibraryDirect(benchmark::State& state)
{
    const Format format = Format(state.range(0));
    const std::string& path = written(format);
    std::vector<uint8_t> out(kPixels * 4);
    for (auto _ : state) {
        if (format == kJpeg) direct_jpeg_read(path, out.data());
        if (format == kPng) direct_png_read(path, out.data());
        if (format == kTiff) direct_tiff_read(path, out.data());
    }
}
BENCHMARK(BM_ReadLibraryDirect)->ArgName("jpeg0_png1_tiff2")->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- PNG beside ImageMagick ---------------------------------------------------------

// convert's default PNG compression from raw RGB bytes; the time of reading
// the raw bytes alone (to the null format) is reported for subtraction.
void BM_PngWriteImageMagickConvert(benchmark::State& state)
{
    const Photo& p = photo();
    const std::string raw = scratch("in.rgb"), out = scratch("magick.png");
    std::ofstream(raw, std::ios::binary).write(reinterpret_cast<const char*>(p.rgb.data()), std::streamsize(p.rgb.size()));
    const std::string source = "convert -size 4096x4096 -depth 8 rgb:" + raw;
    const std::string toPng = source + " -density 300 -units PixelsPerInch " + out, toNull = source + " null:";
    double nullSeconds = 0;
    for (auto _ : state) {
        if (std::system(toPng.c_str()) != 0) state.SkipWithError("convert failed");
        state.PauseTiming();
        const auto start = std::chrono::steady_clock::now();
        std::system(toNull.c_str());
        nullSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.ResumeTiming();
    }
    state.counters["file_MB"] = double(file_size(out)) / 1e6;
    state.counters["read_raw_only_ms"] = nullSeconds * 1000 / double(state.iterations());
    std::remove(raw.c_str());
    std::remove(out.c_str());
}
BENCHMARK(BM_PngWriteImageMagickConvert)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// ---- The page -----------------------------------------------------------------------

long status_kb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return -1;
}

// A 4096 x 4096 page of three layers; the peak resident memory the export
// adds is read from the kernel's high-water mark, reset before each export.
void BM_SavePage(benchmark::State& state)
{
    const bool alpha = state.range(0) == 1;
    MUR_CreateImage(nullptr, kSide, kSide, 64, 0);
    for (int slot = 1; slot <= 3; ++slot) MUR_CreateLayer(slot, kSide, kSide);
    MUR_SetLayerOptions(2, 1, 0, 70, "Multiply");
    MUR_SetLayerOptions(3, 1, 0, 100, "Screen");
    const Photo& p = photo();
    MUR_LoadRGBA32Layer(p.rgba.data(), kSide * 4, 2, 0, 0, kSide, kSide, 0);
    MUR_LoadRGBA32Layer(p.rgba.data(), kSide * 4, 3, 0, 0, kSide, kSide, 0);
    const std::string path = scratch(alpha ? "page.png" : "page.jpg");
    long extraKb = 0;
    for (auto _ : state) {
        std::ofstream("/proc/self/clear_refs") << "5";  // resets the high-water mark
        const long before = status_kb("VmRSS:");
        const int32_t ok = alpha ? MUR_SavePageToFileRGB32(path.c_str(), ".png", 300)
                                 : MUR_SavePageToFileRGB24(path.c_str(), ".jpg", 300);
        if (!ok) state.SkipWithError("export failed");
        extraKb = std::max(extraKb, status_kb("VmHWM:") - before);
    }
    state.counters["peak_extra_MB"] = double(extraKb) / 1024;
    state.counters["layers_MB"] = 3.0 * kPixels * 8 / 1e6;
    std::remove(path.c_str());
    MUR_DeleteImage();
}
BENCHMARK(BM_SavePage)->ArgName("jpeg0_png1")->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
