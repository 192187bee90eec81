// The allocation-failure sweep: every export that allocates, its N-th
// allocation failing for N = 1, 2, ... until a call meets no failure.
//
// Which exports allocate is found, not listed: each export is first called
// with ordinary values (a covering design over a benign pool: small numbers,
// buffers, and the names and paths the engine knows) while the engine heap
// counts allocations; the calls that allocate are swept. operator new takes
// part in the same countdown. Each call runs in a child process; after it:
//   - the child must have lived, also through the ordinary host calls that
//     follow the call (the engine must still be usable after a failure);
//   - after a full teardown the engine heap holds no more blocks than after
//     the same call without a failure, and operator new keeps none either;
//   - when the call reports a failure (the last-error text, or a result
//     other than the call's without a failure), the layers, the mask and the
//     undo history are as before the call;
//   - a call that reports nothing either did its whole work or none of it
//     (giving up undo history for memory is the guarded allocators' rule);
//   - an injected failure that reached the export as an exception left the
//     export's failure text.
//
//   alloc_failure_sweep [--full] [--stage no-image|image|fresh-image|deleted] [--export NAME] [--verbose]
//
// Quick mode (the default, for CI) tries at most 48 failure points of each
// call, spread over its allocations; --full tries them all.
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/png_codec.h"
#include "ipl/native_filters/native_filter.h"
#include "layers/blend_modes.h"
#include "murcore.h"
#include "support/engine_reset.h"
#include "sweeps/call_design.h"
#include "sweeps/child_process.h"
#include "sweeps/counted_new.h"
#include "sweeps/engine_stages.h"
#include "sweeps/export_table.h"
#include "sweeps/state_digest.h"
#include "sweeps/sweep_options.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));

using namespace mur;
using namespace mur::sweep;

namespace {

constexpr const char* kSentinel = "allocation sweep: no failure text";
constexpr int kTimeoutSeconds = 60;
constexpr std::size_t kRowsPerExport = 6;
constexpr std::size_t kQuickPoints = 48;

// What a child reports about one call, sent right after it.
struct Report {
    std::size_t attempts = 0;       // allocations the call tried
    bool hit = false;               // the injected failure was met
    bool thrown = false;            // ... by an allocation that throws
    int64_t result = 0;
    bool textSet = false;           // the last-error text changed
    char text[96] = {};
    StateDigest before, after;
    int64_t newBlocks = 0;          // operator new blocks kept by the call
};

// Sent once the child has gone on as a host and torn the engine down.
struct Teardown {
    std::size_t liveBlocks = 0;     // engine heap blocks left
    int lsanLeaks = 0;
};

struct Tally {
    std::size_t exports = 0;        // exports found to allocate
    std::size_t calls = 0;          // allocating calls swept
    std::size_t points = 0;         // failure points met
    std::size_t crashes = 0, leaks = 0, changed = 0, textless = 0;
    std::size_t reported = 0, absorbed = 0, silent = 0;
    std::map<std::string, std::size_t> silentByExport;
};

// A texture script and a picture for the exports that read files. Written
// again before each call: an export that renames files (MUR_RenameFile) may
// have moved them away in an earlier child.
struct BenignFiles {
    std::string script;
    std::string picture;
};

void write_benign_files(const BenignFiles& files)
{
    std::ofstream(files.script) << "width, height = 6, 5\n"
                                   "function texel(x, y) local t = {x / 6, y / 5} return t[1], t[2], 0.5 end\n";
    std::vector<uint8_t> pixels(9 * 7 * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 37);
    imaging::write_png(files.picture.c_str(), imaging::ConstImageView(pixels.data(), 9, 7, 9 * 4, 4));
}

BenignFiles g_files;

// The names and paths a host passes: no text, the files above, and every
// name the engine looks up.
std::vector<std::string> benign_texts(const BenignFiles& files)
{
    std::vector<std::string> texts = {"", files.script, files.picture, "Add", "Subtract", "Replace", "MC", "Bicubic"};
    for (const BlendModeInfo& mode : kBlendModes) texts.emplace_back(mode.name);
    for (const ipl::NativeFilter& filter : ipl::native_filters()) texts.emplace_back(filter.name);
    return texts;
}

// The slot a failure may replace, by the contract, for these arguments.
int32_t replaced_slot(const ExportInfo& info, const ArgValue* args)
{
    return info.failureSlotArg >= 0 ? args[info.failureSlotArg].i32 : -1;
}

// One call with its N-th allocation failing (N = 0: none), in this process.
Report call_with_failure(const ExportInfo& info, const ArgValue* args, long n)
{
    Report r;
    const int32_t slot = replaced_slot(info, args);
    MUR_SetLastError(kSentinel);
    r.before = digest_state(slot);
    const int64_t newBefore = live_operator_new_blocks();
    const mem::AllocationCounts counts = mem::allocation_counts();
    if (n > 0) mem::fail_allocations(n - 1, 1);
    arm_operator_new(true);
    CallResult result;
    info.call(args, result);
    arm_operator_new(false);
    mem::reset_failures();
    const mem::AllocationCounts after = mem::allocation_counts();
    r.newBlocks = live_operator_new_blocks() - newBefore;
    r.attempts = after.attempts - counts.attempts;
    r.hit = after.injected > counts.injected;
    r.thrown = after.injectedThrowing > counts.injectedThrowing;
    r.result = result.value;
    r.textSet = std::strcmp(MUR_GetLastError(), kSentinel) != 0;
    std::snprintf(r.text, sizeof r.text, "%s", MUR_GetLastError());
    r.after = digest_state(slot);
    if (info.releasedBy >= 0 && result.value != 0) {
        ArgValue block;
        block.ptr = reinterpret_cast<void*>(static_cast<intptr_t>(result.value));
        CallResult ignored;
        kExports[info.releasedBy].call(&block, ignored);
    }
    return r;
}

Teardown use_and_tear_down()
{
    use_engine_as_host();
    test::reset_engine();
    Teardown t;
    t.liveBlocks = mem::live_blocks();
    if (__lsan_do_recoverable_leak_check) t.lsanLeaks = __lsan_do_recoverable_leak_check();
    return t;
}

// How many allocations an ordinary call tries; -1 when the child died.
long count_allocations(const ExportInfo& info, const ArgValue* args, ChildEnd& end)
{
    end = run_in_child(
        [&](int fd) {
            write_benign_files(g_files);
            const std::size_t before = mem::allocation_counts().attempts;
            arm_operator_new(true);
            CallResult result;
            info.call(args, result);
            arm_operator_new(false);
            const std::size_t attempts = mem::allocation_counts().attempts - before;
            send_result(fd, &attempts, sizeof attempts);
        },
        kTimeoutSeconds);
    std::size_t attempts = 0;
    if (end.kind != ChildEnd::Returned || end.payload.size() != sizeof attempts) return -1;
    std::memcpy(&attempts, end.payload.data(), sizeof attempts);
    return long(attempts);
}

enum class ChildFate { Lived, DiedInCall, DiedAfter };

ChildFate run_child(const ExportInfo& info, const ArgValue* args, long n, Report& report, Teardown& teardown,
                    ChildEnd& end)
{
    end = run_in_child(
        [&](int fd) {
            write_benign_files(g_files);
            const Report r = call_with_failure(info, args, n);
            send_result(fd, &r, sizeof r);
            const Teardown t = use_and_tear_down();
            send_result(fd, &t, sizeof t);
        },
        kTimeoutSeconds);
    if (end.payload.size() >= sizeof(Report)) std::memcpy(&report, end.payload.data(), sizeof report);
    if (end.kind == ChildEnd::Returned && end.payload.size() == sizeof(Report) + sizeof(Teardown)) {
        std::memcpy(&teardown, end.payload.data() + sizeof(Report), sizeof teardown);
        return ChildFate::Lived;
    }
    return end.payload.size() >= sizeof(Report) ? ChildFate::DiedAfter : ChildFate::DiedInCall;
}

// The parts of the state a failure of the export must leave alone.
bool kept_what_it_must(const ExportInfo& info, const StateDigest& before, const StateDigest& after,
                       std::string& changed)
{
    if (before.layers != after.layers && !(info.failureReplaces & kReplacesLayers)) changed += "layers ";
    if (before.paint != after.paint && !(info.failureReplaces & kReplacesPaint)) changed += "paint layer ";
    if (before.mask != after.mask && !(info.failureReplaces & kReplacesMask)) changed += "mask ";
    if (before.undo != after.undo && !(info.failureReplaces & kReplacesUndo)) changed += "undo history ";
    return changed.empty();
}

// The failure points to try for a call that made `attempts` allocations.
std::vector<long> failure_points(std::size_t attempts, bool full)
{
    std::vector<long> points;
    if (full || attempts <= kQuickPoints) {
        for (std::size_t n = 1; n <= attempts; ++n) points.push_back(long(n));
    } else {
        for (std::size_t k = 0; k < kQuickPoints; ++k) points.push_back(long(1 + k * (attempts - 1) / (kQuickPoints - 1)));
    }
    return points;
}

// What the sweep of one stage works with.
struct Sweep {
    const SweepOptions& options;
    const DesignOptions& design;
    const CallerMemory& memory;
    Tally& tally;
    Stage stage;
    std::set<std::string>& allocating;
};

// The ordinary calls of an export that allocate: one row for each number of
// allocations met, a few at most.
std::map<std::size_t, Row> allocating_calls(Sweep& sw, const ImageSize& image, const ExportInfo& info)
{
    std::map<std::size_t, Row> byAttempts;
    for (const Row& row : covering_rows(info, sw.design)) {
        std::vector<ArgValue> args(kMaxArgs);
        fill_args(info, row, sw.design.pools, sw.memory, args.data());
        if (!inside_contract(info, args.data(), image)) continue;
        ChildEnd end;
        const long attempts = count_allocations(info, args.data(), end);
        if (attempts < 0) {
            ++sw.tally.crashes;
            std::printf("CRASH [%s] %s without a failure: %s\n%s\n", stage_name(sw.stage),
                        describe_call(info, row, sw.design.pools, sw.memory).c_str(),
                        describe_end(end, kTimeoutSeconds).c_str(), end.log.c_str());
            continue;
        }
        if (attempts > 0 && byAttempts.size() < kRowsPerExport && !byAttempts.count(std::size_t(attempts)))
            byAttempts.emplace(std::size_t(attempts), row);
    }
    return byAttempts;
}

// Fails each allocation of one call in turn and checks what is left.
void sweep_call(Sweep& sw, const ExportInfo& info, const Row& row, std::size_t attempts)
{
    Tally& tally = sw.tally;
    ++tally.calls;
    std::vector<ArgValue> args(kMaxArgs);
    fill_args(info, row, sw.design.pools, sw.memory, args.data());
    Report base;
    Teardown baseGone;
    ChildEnd end;
    if (run_child(info, args.data(), 0, base, baseGone, end) != ChildFate::Lived) return;
    const std::string call = describe_call(info, row, sw.design.pools, sw.memory);
    auto fail = [&](std::size_t& counter, const char* what, long n, const std::string& detail) {
        ++counter;
        std::printf("%s [%s] %s, allocation %ld of %zu failing: %s\n", what, stage_name(sw.stage), call.c_str(), n,
                    attempts, detail.c_str());
    };
    if (baseGone.liveBlocks > 0 || base.newBlocks > 0 || baseGone.lsanLeaks > 0)
        fail(tally.leaks, "LEAK", 0,
             std::to_string(baseGone.liveBlocks) + " engine blocks after teardown, " +
                 std::to_string(base.newBlocks) + " operator new blocks kept");
    const bool full = sw.options.full;
    const std::vector<long> points = failure_points(attempts, full);
    for (std::size_t i = 0; i < points.size() || full; ++i) {
        const long n = i < points.size() ? points[i] : long(attempts + 1 + i - points.size());
        Report r;
        Teardown gone;
        const ChildFate fate = run_child(info, args.data(), n, r, gone, end);
        if (fate == ChildFate::DiedInCall) {
            fail(tally.crashes, "CRASH", n, describe_end(end, kTimeoutSeconds) + "\n" + end.log);
            continue;
        }
        if (!r.hit) break;  // the call met no failure: every point was tried
        ++tally.points;
        if (fate == ChildFate::DiedAfter) {
            fail(tally.crashes, "CRASH AFTER", n,
                 std::string("the host's next calls died after \"") + r.text + "\": " +
                     describe_end(end, kTimeoutSeconds) + "\n" + end.log);
            continue;
        }
        if (gone.liveBlocks > baseGone.liveBlocks || r.newBlocks > base.newBlocks || gone.lsanLeaks)
            fail(tally.leaks, "LEAK", n,
                 std::to_string(gone.liveBlocks) + " engine blocks after teardown (" +
                     std::to_string(baseGone.liveBlocks) + " without the failure), " + std::to_string(r.newBlocks) +
                     " operator new blocks kept");
        // Pointers are compared by being null or not: the same call may get
        // another block.
        const bool pointer = info.returns == ReturnKind::Pointer || info.returns == ReturnKind::Text;
        const bool sameResult = pointer ? (r.result == 0) == (base.result == 0) : r.result == base.result;
        const bool reported = r.textSet || !sameResult;
        std::string changed;
        const bool unchanged = kept_what_it_must(info, r.before, r.after, changed);
        const bool complete = r.after.layers == base.after.layers && r.after.paint == base.after.paint &&
                              r.after.mask == base.after.mask && sameResult;
        if (r.thrown && !r.textSet)
            fail(tally.textless, "NO TEXT", n, "an allocation threw and the last-error text was not set");
        if (reported) {
            ++tally.reported;
            if (!unchanged)
                fail(tally.changed, "CHANGED", n, std::string("reported \"") + r.text + "\" but changed the " + changed);
        } else if (complete) {
            ++tally.absorbed;
        } else if (r.after == r.before) {
            ++tally.silent;
            ++tally.silentByExport[info.name];
        } else {
            fail(tally.changed, "CHANGED", n, "reported nothing, did part of its work (" + changed + ")");
        }
        if (sw.options.verbose)
            std::printf("  %s N=%ld: %s\n", info.name, n,
                        reported ? r.text : complete ? "absorbed" : unchanged ? "silent" : "partial");
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const SweepOptions options =
        parse_sweep_options(argc, argv, {std::begin(kAllStages), std::end(kAllStages)},
                            "[--full] [--stage no-image|image|fresh-image|deleted] [--export NAME] [--verbose]");
    const std::filesystem::path scratch = enter_scratch_folder("mur_alloc_sweep");
    g_files = {(scratch / "texture.lua").string(), (scratch / "shape.png").string()};
    CallerMemory memory;
    memory.benignTexts = benign_texts(g_files);
    map_caller_memory(memory, true);
    prepare_for_children();

    DesignOptions design;
    design.pools = Pools::Benign;
    design.benignTexts = int(memory.benignTexts.size());
    design.bases = options.full ? std::vector<int>{1, 3} : std::vector<int>{1};
    design.cheapPairs = options.full ? 60 : 0;

    Tally tally;
    std::set<std::string> allocating;
    for_each_stage_export(options, [&](Stage stage, const ImageSize& image, const ExportInfo& info) {
        Sweep sw{options, design, memory, tally, stage, allocating};
        const std::map<std::size_t, Row> calls = allocating_calls(sw, image, info);
        if (!calls.empty()) allocating.insert(info.name);
        for (const auto& [attempts, row] : calls) sweep_call(sw, info, row, attempts);
    });
    tally.exports = allocating.size();
    std::printf("allocation failures (%s): %zu allocating exports, %zu calls, %zu failure points in %zu states; "
                "crashes: %zu, leaks: %zu, changed states: %zu, missing failure texts: %zu "
                "(failures reported: %zu, absorbed: %zu, silent without change: %zu)\n",
                options.full ? "full" : "quick", tally.exports, tally.calls, tally.points, options.stages.size(),
                tally.crashes, tally.leaks, tally.changed, tally.textless, tally.reported, tally.absorbed,
                tally.silent);
    std::printf("allocating exports:");
    for (const std::string& name : allocating) std::printf(" %s", name.c_str());
    std::printf("\n");
    if (!tally.silentByExport.empty()) {
        std::printf("silent failures by export:");
        for (const auto& [name, count] : tally.silentByExport) std::printf(" %s %zu", name.c_str(), count);
        std::printf("\n");
    }
    return tally.crashes + tally.leaks + tally.changed + tally.textless == 0 ? 0 : 1;
}
