// A filter script against the same filter in C on a 4000 x 3000 page, one
// thread, stop guards on (the default limits): the script inverts colour
// with get_rgb and set_rgb per pixel; the C filter does the same arithmetic
// (byte / 255 out, trunc((1 - v) x 255) back) over the same buffers. Both run
// as a filter does: the source copied into the destination, the pixels, the
// destination stored into the layer through the mask. The C loop alone is
// there too. "Mpixel/s" counts page pixels per CPU second (the machine is
// shared; one thread, so CPU time is the time the filter took). The program
// is built once per Lua (mur_bench: the library's, mur_bench_other_lua: the
// other), and `make bench` runs both.
#include "engine/state.h"
#include "imaging/color_spaces.h"
#include "imaging/lua_sandbox.h"
#include "layers/layers.h"
#include "murcore.h"

#include <benchmark/benchmark.h>
#include <omp.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr int32_t kWidth = 4000, kHeight = 3000;
constexpr int64_t kPixels = int64_t{kWidth} * kHeight;

const char kInvert[] =
    "for y = 0, height - 1 do\n"
    "  for x = 0, width - 1 do\n"
    "    local r, g, b = get_rgb(x, y)\n"
    "    set_rgb(x, y, 1 - r, 1 - g, 1 - b)\n"
    "  end\n"
    "end\n";

struct Page {
    std::string script;
    Page()
    {
        MUR_CreateImage(nullptr, kWidth, kHeight, 32, 0);
        MUR_CreateLayer(1, kWidth, kHeight);
        MUR_SetLayer(1);
        MUR_IPLAllocSrcBuffer32();
        MUR_IPLAllocDstBuffer32();
        uint8_t* s = mur::engine.ipl.src32.data;
        for (int64_t i = 0; i < kPixels * 4; ++i) s[i] = static_cast<uint8_t>((i * 7919) >> 3);
        script = "/tmp/mur_bench_invert_" + std::to_string(getpid()) + ".lua";
        std::ofstream(script) << kInvert;
        MUR_SetMessageBoxHandler([](void*, const char* text, const char*) { std::fprintf(stderr, "%s\n", text); },
                                 nullptr);
    }
    ~Page() { std::remove(script.c_str()); }
};

Page& page()
{
    static Page p;
    return p;
}

void rate(benchmark::State& state)
{
    state.counters["Mpixel/s"] =
        benchmark::Counter(double(state.iterations()) * kPixels * 1e-6, benchmark::Counter::kIsRate);
}

// The script's arithmetic, in C.
void invert_loop(const uint8_t* src, uint8_t* dst)
{
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            const std::size_t i = (std::size_t(y) * kWidth + x) * 4;
            const double r = src[i] / 255.0, g = src[i + 1] / 255.0, b = src[i + 2] / 255.0;
            dst[i] = mur::color::to_byte(1 - r);
            dst[i + 1] = mur::color::to_byte(1 - g);
            dst[i + 2] = mur::color::to_byte(1 - b);
        }
}

void BM_InvertC_Loop(benchmark::State& state)
{
    Page& p = page();
    omp_set_num_threads(1);
    for (auto _ : state) {
        invert_loop(mur::engine.ipl.src32.data, mur::engine.ipl.dst32.data);
        benchmark::ClobberMemory();
    }
    rate(state);
    (void)p;
}

void BM_InvertC_Filter(benchmark::State& state)
{
    page();
    omp_set_num_threads(1);
    for (auto _ : state) {
        std::memcpy(mur::engine.ipl.dst32.data, mur::engine.ipl.src32.data, std::size_t(kPixels) * 4);
        invert_loop(mur::engine.ipl.src32.data, mur::engine.ipl.dst32.data);
        mur::layers::load_rgba32(mur::engine.ipl.dst32.data, kWidth * 4, 1);
        benchmark::ClobberMemory();
    }
    rate(state);
}

void BM_InvertLua_Filter(benchmark::State& state)
{
    Page& p = page();
    omp_set_num_threads(1);
    state.SetLabel(mur::imaging::sandbox_is_luajit() ? "LuaJIT" : "Lua 5.1");
    for (auto _ : state) MUR_LuaFilterRun(p.script.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    rate(state);
}

BENCHMARK(BM_InvertC_Loop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InvertC_Filter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InvertLua_Filter)->Unit(benchmark::kMillisecond);

}  // namespace
