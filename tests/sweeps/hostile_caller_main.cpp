// The hostile caller: every export of the header, each call in a child
// process of its own, with null pointers and large buffers, and numbers from
// 0, -1, 1, INT_MIN, INT_MAX, NaN and +-1e30, in the engine's three states.
// A child that dies (a signal, a sanitizer report) or does not end fails the
// sweep, unless the call hands a buffer smaller than the sizes it passes
// promise (buffer_contract.txt); then the death is counted as excused. After
// each call the child goes on as a host would (reads back, renders, paints,
// undoes); a death there means the call left the engine unusable.
//
//   hostile_caller [--full] [--stage no-image|image|deleted] [--export NAME [--call N]] [--verbose] [--count]
//
// Under the sanitizers, reports are not symbolized (most deaths are excused,
// and symbolizing each would take most of the run); a death inside the
// contract prints the command that replays it alone, symbolized.
//
// Quick mode (the default, for CI) tries every value of every argument with
// the others at three bases, and pairs where they are few; --full adds all
// five bases and every pair.
#include "sweeps/call_design.h"
#include "sweeps/child_process.h"
#include "sweeps/engine_stages.h"
#include "sweeps/export_table.h"
#include "sweeps/sweep_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace mur::sweep;

// Blocks past 256 MB fail as on a machine without that much memory, rather than
// make ASan mark gigabytes of shadow for an INT_MAX brush size.
extern "C" const char* __asan_default_options()
{
    return "symbolize=0:allocator_may_return_null=1:max_allocation_size_mb=256";
}
extern "C" const char* __ubsan_default_options() { return "symbolize=0"; }

namespace {

struct Options : SweepOptions {
    bool countOnly = false;
    long call = -1;  // with --export: only this call of its design
    int timeoutSeconds = 20;
};

struct Tally {
    std::size_t exports = 0;
    std::size_t calls = 0;
    std::size_t deaths = 0;          // inside the contract: failures
    std::size_t afterDeaths = 0;     // the next host calls died: failures
    std::size_t excused = 0;         // deaths of calls outside the contract
    std::size_t outside = 0;         // calls outside the contract
};

constexpr char kCallDone = 'c', kHostDone = 'h';

Options parse(int argc, char** argv)
{
    Options o;
    static_cast<SweepOptions&>(o) = parse_sweep_options(
        argc, argv, {std::begin(kStages), std::end(kStages)},
        "[--full] [--stage no-image|image|deleted] [--export NAME [--call N]] [--timeout S] [--verbose] [--count]",
        [&](int& i) {
            const bool value = i + 1 < argc;
            if (std::strcmp(argv[i], "--count") == 0)
                o.countOnly = true;
            else if (std::strcmp(argv[i], "--call") == 0 && value)
                o.call = std::atol(argv[++i]);
            else if (std::strcmp(argv[i], "--timeout") == 0 && value)
                o.timeoutSeconds = std::atoi(argv[++i]);
            else
                return false;
            return true;
        });
    return o;
}

void report(const char* what, Stage stage, const std::string& call, const ChildEnd& end, const Options& o,
            const char* name, std::size_t index)
{
    std::printf("%s [%s] %s: %s\n", what, stage_name(stage), call.c_str(),
                describe_end(end, o.timeoutSeconds).c_str());
    if (!end.log.empty()) std::printf("%s\n", end.log.c_str());
    std::printf("replay: ASAN_OPTIONS=symbolize=1 UBSAN_OPTIONS=symbolize=1:print_stacktrace=1 hostile_caller%s "
                "--stage %s --export %s --call %zu\n",
                o.full ? " --full" : "", stage_name(stage), name, index);
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    DesignOptions design;
    design.pools = Pools::Hostile;
    design.bases = options.full ? std::vector<int>{2, 0, 1, 3, 4} : std::vector<int>{2, 3, 4};
    design.pairwise = options.full;
    design.cheapPairs = 120;

    enter_scratch_folder("mur_hostile_caller");
    CallerMemory memory;
    map_caller_memory(memory);
    prepare_for_children();

    Tally tally;
    if (options.countOnly) {
        for (std::size_t e = 0; e < kExportCount; ++e)
            if (!options.only || std::strcmp(options.only, kExports[e].name) == 0)
                tally.calls += covering_rows(kExports[e], design).size();
        std::printf("%zu calls per state\n", tally.calls);
        return 0;
    }
    for_each_stage_export(options, [&](Stage stage, const ImageSize& image, const ExportInfo& info) {
        if (stage == options.stages.front()) ++tally.exports;
        const std::vector<Row> rows = covering_rows(info, design);
        for (std::size_t index = 0; index < rows.size(); ++index) {
            if (options.call >= 0 && std::size_t(options.call) != index) continue;
            const Row& row = rows[index];
            ArgValue args[kMaxArgs];
            fill_args(info, row, design.pools, memory, args);
            const bool inside = inside_contract(info, args, image);
            ++tally.calls;
            if (!inside) ++tally.outside;
            const ChildEnd end = run_in_child(
                [&](int fd) {
                    CallResult result;
                    info.call(args, result);
                    send_result(fd, &kCallDone, 1);
                    use_engine_as_host();
                    send_result(fd, &kHostDone, 1);
                },
                options.timeoutSeconds);
            if (end.kind == ChildEnd::Returned) continue;
            const std::string call = describe_call(info, row, design.pools, memory);
            const bool callDone = !end.payload.empty();
            // A call outside the contract may also have written past the
            // buffer into the engine's memory.
            if (!inside) {
                ++tally.excused;
                if (options.verbose) report("excused", stage, call, end, options, info.name, index);
            } else if (!callDone) {
                ++tally.deaths;
                report("DEATH", stage, call, end, options, info.name, index);
            } else {
                ++tally.afterDeaths;
                report("DEATH AFTER", stage, call, end, options, info.name, index);
            }
        }
    });
    std::printf("hostile caller (%s): %zu exports, %zu calls in %zu states (%zu outside the buffer contract); "
                "deaths inside the contract: %zu, in the host calls after: %zu; excused deaths: %zu\n",
                options.full ? "full" : "quick", tally.exports, tally.calls, options.stages.size(), tally.outside,
                tally.deaths, tally.afterDeaths, tally.excused);
    return tally.deaths + tally.afterDeaths == 0 ? 0 : 1;
}
