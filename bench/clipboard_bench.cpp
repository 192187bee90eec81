// The clipboard paste and the screen capture beside their peers in the same
// run: MUR_FromClipboardInto of a 2000 x 2000 soft-alpha picture onto a
// 4000 x 3000 layer beside ImageMagick's Over composite (MagickWand), and
// the 1920 x 1080 capture of a virtual X server (Xvfb, started here) beside
// ffmpeg's x11grab reading the same server.
#include "murcore.h"

#include <benchmark/benchmark.h>

#ifdef MUR_BENCH_MAGICKWAND
#include <wand/MagickWand.h>
#endif

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr int32_t kPageW = 4000, kPageH = 3000, kPicture = 2000;

std::vector<uint8_t> soft_alpha_picture()
{
    std::vector<uint8_t> p(std::size_t(kPicture) * kPicture * 4);
    std::mt19937 rng(5);
    for (int32_t y = 0; y < kPicture; ++y)
        for (int32_t x = 0; x < kPicture; ++x) {
            uint8_t* q = p.data() + (std::size_t(y) * kPicture + x) * 4;
            q[0] = uint8_t(x), q[1] = uint8_t(y), q[2] = uint8_t(rng());
            q[3] = uint8_t((x + y) * 255 / (2 * kPicture));  // a soft ramp, 0 .. 254
        }
    return p;
}

std::vector<uint8_t> page()
{
    std::vector<uint8_t> p(std::size_t(kPageW) * kPageH * 4);
    std::mt19937 rng(6);
    for (std::size_t i = 0; i < p.size(); ++i) p[i] = (i & 3) == 3 ? 255 : uint8_t(rng());
    return p;
}

void BM_FromClipboardInto(benchmark::State& state)
{
    MUR_CreateImage(nullptr, kPageW, kPageH, 64, 0);
    MUR_CreateLayer(2, kPageW, kPageH);
    MUR_SetLayer(2);
    const std::vector<uint8_t> base = page();
    MUR_LoadRGBA32(base.data(), kPageW * 4, 0);
    const std::vector<uint8_t> picture = soft_alpha_picture();
    MUR_RGBA32ToClipboardRect(picture.data(), 0, 0, kPicture, kPicture, 0);
    for (auto _ : state)
        if (!MUR_FromClipboardInto(1000, 500, 0)) state.SkipWithError("nothing pasted");
    MUR_DeleteImage();
}
BENCHMARK(BM_FromClipboardInto)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

#ifdef MUR_BENCH_MAGICKWAND
void BM_MagickOverComposite(benchmark::State& state)
{
    MagickWandGenesis();
    MagickWand* dst = NewMagickWand();
    MagickWand* src = NewMagickWand();
    const std::vector<uint8_t> base = page(), picture = soft_alpha_picture();
    if (MagickConstituteImage(dst, kPageW, kPageH, "RGBA", CharPixel, base.data()) == MagickFalse ||
        MagickConstituteImage(src, kPicture, kPicture, "RGBA", CharPixel, picture.data()) == MagickFalse) {
        state.SkipWithError("MagickConstituteImage failed");
    } else {
        for (auto _ : state)
            if (MagickCompositeImage(dst, src, OverCompositeOp, 1000, 500) == MagickFalse)
                state.SkipWithError("MagickCompositeImage failed");
    }
    DestroyMagickWand(src);
    DestroyMagickWand(dst);
}
BENCHMARK(BM_MagickOverComposite)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
#endif

// A 1920 x 1080 x 24 Xvfb for the capture benchmarks, started once.
struct VirtualScreen {
    pid_t pid = 0;
    std::string display;
    VirtualScreen()
    {
        const int number = 600 + int(getpid() % 300);
        display = ":" + std::to_string(number);
        std::vector<std::string> args = {"Xvfb", display, "-screen", "0", "1920x1080x24", "-nolisten", "tcp", "-noreset"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid, "Xvfb", nullptr, nullptr, argv.data(), environ) != 0) {
            pid = 0;
            return;
        }
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        for (int i = 0; i < 200 && !std::filesystem::exists(socket); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        setenv("DISPLAY", display.c_str(), 1);
    }
    ~VirtualScreen()
    {
        if (pid) kill(pid, SIGTERM), waitpid(pid, nullptr, 0);
    }
};

VirtualScreen& screen()
{
    static VirtualScreen s;
    return s;
}

void BM_ScreenCapture1080p(benchmark::State& state)
{
    if (!screen().pid) return state.SkipWithError("Xvfb is not installed");
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!MUR_ScreenCapture()) state.SkipWithError("no capture");
        MUR_DeleteNewRGBA();
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.counters["frames/s"] = double(state.iterations()) / took.count();
}
BENCHMARK(BM_ScreenCapture1080p)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// ffmpeg reading 300 frames of the same screen as fast as it can; the time
// of one frame, its start-up spread over them.
void BM_FfmpegX11grab1080p(benchmark::State& state)
{
    if (!screen().pid) return state.SkipWithError("Xvfb is not installed");
    constexpr int kFrames = 300;
    const std::string command = "ffmpeg -loglevel error -f x11grab -framerate 1000 -video_size 1920x1080 -i " +
                                screen().display + " -frames:v " + std::to_string(kFrames) +
                                " -f rawvideo -y /dev/null";
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) return state.SkipWithError("ffmpeg failed (is it installed?)");
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count() / kFrames);
        seconds += took.count();
    }
    state.counters["frames/s"] = double(state.iterations()) * kFrames / seconds;
}
BENCHMARK(BM_FfmpegX11grab1080p)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace
