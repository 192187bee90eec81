// Listing filter plug-ins: 2000 synthetic 256 KB plug-ins (their resources
// at the end of the file, as linkers put them) scanned by the engine,
// beside icoutils' wrestool listing the PIPL resources of the same files in
// the same run. Both read the files from the page cache after the first
// round.
#include "murcore.h"
#include "support/pe_builder.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 2000;
constexpr std::size_t kFileBytes = 256 * 1024;

struct PluginFolder {
    fs::path dir = fs::temp_directory_path() / ("mur_plugin_bench_" + std::to_string(getpid()));
    std::vector<std::string> files;
    PluginFolder()
    {
        fs::create_directories(dir);
        for (int i = 0; i < kFiles; ++i) {
            std::vector<mur::test::PeResource> resources(1);
            resources[0].id = 16000;
            const std::string name = "Filter " + std::to_string(i);
            resources[0].data = mur::test::filter_pipl("8BFM", "Bench", name.c_str());
            const mur::test::Bytes bytes = mur::test::make_pe(resources, i % 2 == 1, kFileBytes).bytes;
            const fs::path path = dir / ("p" + std::to_string(10000 + i) + ".8bf");
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            files.push_back(path.string());
        }
    }
    ~PluginFolder() { fs::remove_all(dir); }
};

const PluginFolder& folder()
{
    static const PluginFolder f;
    return f;
}

void BM_PluginScan(benchmark::State& state)
{
    const PluginFolder& f = folder();
    for (auto _ : state) {
        if (MUR_PhotoshopPluginScan(f.dir.c_str()) != kFiles) state.SkipWithError("not every plug-in listed");
        int names = 0;
        while (*MUR_PhotoshopPluginNextName()) ++names;
        benchmark::DoNotOptimize(names);
    }
    state.counters["files/s"] = benchmark::Counter(double(kFiles) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PluginScan)->Unit(benchmark::kMillisecond)->UseRealTime();

double children_cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// One wrestool run over all the files, its output thrown away. Its CPU time
// is a child's: the CPU column stays empty and "child_cpu_ms" (per run) is
// what compares with our CPU column on a busy machine.
void BM_WrestoolListPipl(benchmark::State& state)
{
    const PluginFolder& f = folder();
    std::vector<char*> argv = {const_cast<char*>("wrestool"), const_cast<char*>("--list"),
                               const_cast<char*>("--type=PIPL")};
    for (const std::string& file : f.files) argv.push_back(const_cast<char*>(file.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const double cpuBefore = children_cpu_seconds();
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "wrestool", &actions, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("wrestool is not installed (Debian icoutils)");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("wrestool failed");
    }
    posix_spawn_file_actions_destroy(&actions);
    state.counters["child_cpu_ms"] = (children_cpu_seconds() - cpuBefore) * 1e3 / double(state.iterations());
    state.counters["files/s"] = benchmark::Counter(double(kFiles) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WrestoolListPipl)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
