// Animation export at 1920 x 1080, frames per second beside peers in the
// same run: uncompressed AVI frames beside a plain fwrite of the same bytes;
// Motion JPEG frames beside libjpeg-turbo compressing the same frames
// directly and beside ffmpeg's mjpeg encoder at a like quantisation;
// animated GIF frames beside ImageMagick's convert -colors 256 building the
// same animation, with each one's mean error against the frames.
#include "imaging/picture_reader.h"
#include "imaging/resample.h"
#include "murcore.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <jpeglib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kW = 1920, kH = 1080, kFrames = 8;
constexpr std::size_t kFrameBytes = std::size_t(kW) * kH * 3;
constexpr int kJpegQuality = 90;
constexpr int kFramesPerFile = 60;  // a new file every 60 frames: 373 MB uncompressed

std::string scratch(const std::string& name) { return "/tmp/mur_export_bench_" + std::to_string(getpid()) + "_" + name; }

// Eight frames of a photograph at 1920 x 1080, each moved 6 pixels further
// to the right: the frames of a painting that changes a little at a time.
struct Frames {
    std::vector<std::vector<uint8_t>> rgb;
    Frames()
    {
        mur::imaging::Rgba32Picture small;
        const std::string path = std::string(MUR_TESTDATA_DIR) + "/astronaut.png";
        if (!mur::imaging::read_picture(path.c_str(), small)) std::abort();
        std::vector<uint8_t> big(std::size_t(kW + 6 * kFrames) * kH * 4);
        mur::imaging::resample({small.pixels, small.width, small.height, small.width * 4, 4},
                               mur::imaging::rgba32_view(big.data(), kW + 6 * kFrames, kH, (kW + 6 * kFrames) * 4),
                               mur::imaging::ResizeFilter::Bicubic);
        mur::imaging::release_picture(small);
        for (int k = 0; k < kFrames; ++k) {
            std::vector<uint8_t> f(kFrameBytes);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    std::memcpy(&f[(std::size_t(y) * kW + x) * 3], &big[(std::size_t(y) * (kW + 6 * kFrames) + x + 6 * k) * 4], 3);
            rgb.push_back(std::move(f));
        }
    }
};

const Frames& frames()
{
    static const Frames f;
    return f;
}

double child_cpu_seconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void write_raw_frames(const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    for (const auto& f : frames().rgb) out.write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
}

// The mean absolute difference of R, G, B between the first eight frames of
// a video as ffmpeg decodes them and the eight frames; -1 when it cannot.
double ffmpeg_mean_error(const std::string& path)
{
    std::FILE* pipe = popen(("ffmpeg -v error -i " + path + " -frames:v 8 -f rawvideo -pix_fmt rgb24 - 2>/dev/null").c_str(), "r");
    if (!pipe) return -1;
    std::vector<uint8_t> frame(kFrameBytes);
    double sum = 0, count = 0;
    for (int i = 0; i < kFrames && std::fread(frame.data(), 1, kFrameBytes, pipe) == kFrameBytes; ++i) {
        const uint8_t* src = frames().rgb[std::size_t(i)].data();
        for (std::size_t b = 0; b < kFrameBytes; ++b) sum += std::abs(int(frame[b]) - int(src[b]));
        count += double(kFrameBytes);
    }
    pclose(pipe);
    return count == double(kFrameBytes) * kFrames ? sum / count : -1;
}

// ---- Uncompressed AVI ---------------------------------------------------------------

void BM_AviUncompressedFrames(benchmark::State& state)
{
    const Frames& f = frames();
    MUR_CreateImage(nullptr, kW, kH, 16, 0);
    MUR_SetAVICompression(0, 0);
    const std::string path = scratch("dib.avi");
    MUR_CreateAVI(path.c_str(), 40);
    int n = 0;
    for (auto _ : state) {
        if (!MUR_WriteAVI_RGB24(f.rgb[std::size_t(n % kFrames)].data(), kW, kH)) state.SkipWithError("frame refused");
        if (++n % kFramesPerFile == 0) {
            state.PauseTiming();
            MUR_CreateAVI(path.c_str(), 40);
            state.ResumeTiming();
        }
    }
    MUR_CloseAVI();
    std::remove(path.c_str());
    MUR_DeleteImage();
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFrameBytes));
}
BENCHMARK(BM_AviUncompressedFrames)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The peer: the same bytes (the chunk header and the bottom-up B, G, R rows)
// written with one fwrite a frame, a new file as often.
void BM_AviPeerPlainFwrite(benchmark::State& state)
{
    const Frames& f = frames();
    const std::size_t rowBytes = (std::size_t(kW) * 3 + 3) & ~std::size_t{3};
    std::vector<std::vector<uint8_t>> dib;
    for (const auto& rgb : f.rgb) {
        std::vector<uint8_t> d(8 + rowBytes * kH, 0);
        std::memcpy(d.data(), "00db", 4);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                for (int c = 0; c < 3; ++c) d[8 + rowBytes * std::size_t(kH - 1 - y) + std::size_t(x) * 3 + std::size_t(c)] =
                    rgb[(std::size_t(y) * kW + x) * 3 + std::size_t(2 - c)];
        dib.push_back(std::move(d));
    }
    const std::string path = scratch("plain.bin");
    std::FILE* out = std::fopen(path.c_str(), "wb");
    int n = 0;
    for (auto _ : state) {
        const auto& d = dib[std::size_t(n % kFrames)];
        if (std::fwrite(d.data(), 1, d.size(), out) != d.size()) state.SkipWithError("fwrite failed");
        if (++n % kFramesPerFile == 0) {
            state.PauseTiming();
            std::fclose(out);
            out = std::fopen(path.c_str(), "wb");
            state.ResumeTiming();
        }
    }
    std::fclose(out);
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFrameBytes));
}
BENCHMARK(BM_AviPeerPlainFwrite)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// ---- Motion JPEG --------------------------------------------------------------------

void BM_AviMotionJpegFrames(benchmark::State& state)
{
    const Frames& f = frames();
    MUR_CreateImage(nullptr, kW, kH, 16, 0);
    MUR_SetAVICompression(1, int32_t(state.range(0)));
    const std::string path = scratch("mjpeg.avi");
    MUR_CreateAVI(path.c_str(), 40);
    int n = 0;
    for (auto _ : state)
        if (!MUR_WriteAVI_RGB24(f.rgb[std::size_t(n++ % kFrames)].data(), kW, kH)) state.SkipWithError("frame refused");
    MUR_CloseAVI();
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    state.counters["KB_per_frame"] = double(in.tellg()) / 1024.0 / double(n);
    state.counters["mean_error"] = ffmpeg_mean_error(path);
    std::remove(path.c_str());
    MUR_DeleteImage();
    MUR_SetAVICompression(0, 0);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AviMotionJpegFrames)->ArgName("quality")->Arg(kJpegQuality)->Arg(75)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// libjpeg-turbo compressing the same frames directly into memory with the
// same settings (quality, 4:2:0, accurate integer DCT), nothing written.
void BM_MotionJpegPeerLibjpegDirect(benchmark::State& state)
{
    const Frames& f = frames();
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    int n = 0;
    for (auto _ : state) {
        jpeg_mem_dest(&cinfo, &out, &size);
        cinfo.image_width = kW;
        cinfo.image_height = kH;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, kJpegQuality, TRUE);
        cinfo.dct_method = JDCT_ISLOW;
        jpeg_start_compress(&cinfo, TRUE);
        const uint8_t* frame = f.rgb[std::size_t(n++ % kFrames)].data();
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(frame + std::size_t(cinfo.next_scanline) * kW * 3);
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
    }
    state.counters["KB_per_frame"] = double(size) / 1024.0;
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MotionJpegPeerLibjpegDirect)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// ffmpeg's mjpeg encoder on the eight frames from a raw file, 4:2:0 into an
// AVI, at the fixed quantiser `q` (state.range(0)); the KB a frame and the
// mean error (both videos decoded by ffmpeg) tell which of our qualities
// each q matches. Time a frame is the wall time of the
// whole run (program start included) over 8 frames; the encoder's CPU time
// (all threads) is child_cpu_ms_per_frame.
void BM_MotionJpegPeerFfmpeg(benchmark::State& state)
{
    write_raw_frames(scratch("frames.rgb"));
    const std::string out = scratch("ffmpeg.avi");
    const std::string command = "ffmpeg -v error -y -f rawvideo -pix_fmt rgb24 -s 1920x1080 -r 25 -i " +
                                scratch("frames.rgb") + " -c:v mjpeg -pix_fmt yuvj420p -q:v " +
                                std::to_string(state.range(0)) + " " + out;
    double cpu = 0;
    for (auto _ : state) {
        const double before = child_cpu_seconds();
        if (std::system(command.c_str()) != 0) state.SkipWithError("ffmpeg failed");
        cpu += child_cpu_seconds() - before;
    }
    std::ifstream in(out, std::ios::binary | std::ios::ate);
    state.counters["KB_per_frame"] = double(in.tellg()) / 1024.0 / kFrames;
    state.counters["mean_error"] = ffmpeg_mean_error(out);
    state.counters["child_cpu_ms_per_frame"] = cpu * 1000 / double(state.iterations()) / kFrames;
    state.counters["frames_per_s"] = benchmark::Counter(double(state.iterations()) * kFrames, benchmark::Counter::kIsRate);
    std::remove(out.c_str());
    std::remove(scratch("frames.rgb").c_str());
}
BENCHMARK(BM_MotionJpegPeerFfmpeg)->ArgName("q")->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// ---- Animated GIF -------------------------------------------------------------------

// The mean absolute difference of R, G, B between every frame of a GIF (as
// giflib decodes it) and the eight frames; -1 when it cannot be read.
double gif_mean_error(const std::string& path)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif) return -1;
    double sum = 0, count = 0;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == kFrames) {
        for (int i = 0; i < kFrames; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
            if (image.ImageDesc.Width != kW || image.ImageDesc.Height != kH || !map) continue;
            const uint8_t* src = frames().rgb[std::size_t(i)].data();
            for (std::size_t p = 0; p < std::size_t(kW) * kH; ++p) {
                const GifColorType c = map->Colors[image.RasterBits[p]];
                sum += std::abs(c.Red - src[p * 3]) + std::abs(c.Green - src[p * 3 + 1]) + std::abs(c.Blue - src[p * 3 + 2]);
                count += 3;
            }
        }
    }
    DGifCloseFile(gif, &error);
    return count ? sum / count : -1;
}

void BM_GifFrames(benchmark::State& state)
{
    const Frames& f = frames();
    MUR_CreateImage(nullptr, kW, kH, 16, 0);
    const std::string path = scratch("ours.gif");
    MUR_CreateGIF(path.c_str(), 100, nullptr);
    int n = 0;
    for (auto _ : state) {
        if (!MUR_WriteGIF_RGB24(f.rgb[std::size_t(n % kFrames)].data(), kW, kH)) state.SkipWithError("frame refused");
        if (++n % kFrames == 0) {
            state.PauseTiming();
            MUR_CreateGIF(path.c_str(), 100, nullptr);
            state.ResumeTiming();
        }
    }
    // One whole animation of the eight frames for the error.
    MUR_CreateGIF(path.c_str(), 100, nullptr);
    for (const auto& frame : f.rgb) MUR_WriteGIF_RGB24(frame.data(), kW, kH);
    MUR_CloseGIF();
    state.counters["mean_error"] = gif_mean_error(path);
    std::remove(path.c_str());
    MUR_DeleteImage();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GifFrames)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// ImageMagick's convert building the same animation from the raw frames at
// its defaults for -colors 256 (a table per frame); time a frame is the wall
// time of the run over 8 frames.
void BM_GifPeerImageMagickConvert(benchmark::State& state)
{
    write_raw_frames(scratch("frames.rgb"));
    const std::string out = scratch("magick.gif");
    const std::string command = "convert -size 1920x1080 -depth 8 rgb:" + scratch("frames.rgb") +
                                " -delay 10 -loop 0 -colors 256 " + out;
    double cpu = 0;
    for (auto _ : state) {
        const double before = child_cpu_seconds();
        if (std::system(command.c_str()) != 0) state.SkipWithError("convert failed");
        cpu += child_cpu_seconds() - before;
    }
    state.counters["mean_error"] = gif_mean_error(out);
    state.counters["child_cpu_ms_per_frame"] = cpu * 1000 / double(state.iterations()) / kFrames;
    state.counters["frames_per_s"] = benchmark::Counter(double(state.iterations()) * kFrames, benchmark::Counter::kIsRate);
    std::remove(out.c_str());
    std::remove(scratch("frames.rgb").c_str());
}
BENCHMARK(BM_GifPeerImageMagickConvert)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace
