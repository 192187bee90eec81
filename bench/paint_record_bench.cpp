// Drawing scripts recorded by a filter script: records per second beside
// C's fprintf of the same lines (built into both benchmark programs, so
// each Lua build is measured).
#include "murcore.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kRecordPairs = 50000;  // stroke positions and colours, two records a pair

// A start directory with its scripts/ folder, for the length of the process.
struct TempDir {
    fs::path path = fs::temp_directory_path() / ("mur_paint_bench_" + std::to_string(getpid()));
    TempDir() { fs::create_directories(path / "scripts"); }
    ~TempDir()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

const std::string& start_dir()
{
    static const TempDir dir;
    static const std::string text = dir.path.string() + "/";
    return text;
}

void BM_RecordDrawingScript(benchmark::State& state)
{
    const std::string script = start_dir() + "record.lua";
    std::ofstream(script) << "paint_open(1)\n"
                             "for i = 1, " << kRecordPairs << " do\n"
                             "  paint_stroke_pos(i * 0.37, i * 0.11, (i % 100) / 100)\n"
                             "  paint_brush_color((i % 7) / 7, 0.5, (i % 3) / 3)\n"
                             "end\n"
                             "paint_close()\n";
    MUR_CreateImage(nullptr, 16, 16, 16, 0);
    MUR_CreateLayer(1, 16, 16);
    MUR_SetLayer(1);
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    MUR_SetStartDir(start_dir().c_str());
    for (auto _ : state) MUR_LuaFilterRun(script.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    state.SetItemsProcessed(state.iterations() * kRecordPairs * 2);
    state.SetLabel(std::to_string(fs::file_size(start_dir() + "scripts/luapaint.srp") >> 10) + " KB a run");
    MUR_DeleteImage();
}
BENCHMARK(BM_RecordDrawingScript)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: the same lines from C with fprintf.
void BM_RecordDrawingScriptFprintf(benchmark::State& state)
{
    const std::string path = start_dir() + "scripts/fprintf.srp";
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "w");
        std::fprintf(f, "1554\nDescription\n1\n \nRandomSeed\n%.14g\n", 1.0);
        for (int i = 1; i <= kRecordPairs; ++i) {
            std::fprintf(f, "SmoothPlot2\n%.14g\n%.14g\n%.14g\n0\n0\n", i * 0.37, i * 0.11, (i % 100) / 100.0);
            std::fprintf(f, "SetColor\n%d\n%d\n%d\n", int((i % 7) / 7.0 * 255), int(0.5 * 255), int((i % 3) / 3.0 * 255));
        }
        std::fputs("ScriptEnd\n", f);
        std::fclose(f);
    }
    state.SetItemsProcessed(state.iterations() * kRecordPairs * 2);
    state.SetLabel("fprintf");
}
BENCHMARK(BM_RecordDrawingScriptFprintf)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
