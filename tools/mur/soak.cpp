#include "soak.h"

#include "murcore.h"
#include "soak_state.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

namespace mur_tool {

uint64_t next_random(SoakRandom& r)
{
    uint64_t z = (r.state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int32_t random_between(SoakRandom& r, int32_t lo, int32_t hi)
{
    if (hi <= lo) return lo;
    return lo + static_cast<int32_t>(next_random(r) % uint64_t(int64_t{hi} - lo + 1));
}

bool random_chance(SoakRandom& r, int percent) { return random_between(r, 0, 99) < percent; }

namespace {

using Clock = std::chrono::steady_clock;

bool check_invariants(SoakState& s, std::string& why)
{
    if (std::strcmp(MUR_GetLastError(), kSoakSentinel) != 0) {
        why = std::string("an operation left the failure text \"") + MUR_GetLastError() + "\"";
        return false;
    }
    if (!layers_match(s, why) || !heap_within_budget(s, why) || !undo_then_redo_restores(s, why)) return false;
    // A small view of the image at 1:1, every step.
    return render_stays_inside(s, 1, 1.0f, random_between(s.rng, -8, s.width), random_between(s.rng, -8, s.height),
                               random_between(s.rng, 1, 48), random_between(s.rng, 1, 48), random_chance(s.rng, 30),
                               why);
}

}  // namespace

int soak(const SoakOptions& options)
{
    if (options.steps <= 0 && options.minutes <= 0) {
        std::puts("soak: give --minutes or --steps");
        return 2;
    }
    const Clock::time_point start = Clock::now();
    const auto out_of_time = [&] {
        return options.minutes > 0 &&
               std::chrono::duration<double>(Clock::now() - start).count() >= options.minutes * 60;
    };
    SoakState state;
    start_walk(state, options.seed, options.shareDir);
    long step = 0;
    while ((options.steps <= 0 || step < options.steps) && !out_of_time()) {
        ++step;
        std::string why;
        const std::string action = walk_step(state, why);
        if (options.trace) std::printf("step %ld: %s\n", step, action.c_str());
        if (why.empty()) check_invariants(state, why);
        if (!why.empty()) {
            std::printf("soak: seed %" PRIu64 " failed at step %ld (%s): %s\n"
                        "replay: mur soak --seed %" PRIu64 " --steps %ld --trace\n",
                        options.seed, step, action.c_str(), why.c_str(), options.seed, step);
            return 1;
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("soak: seed %" PRIu64 ", %ld steps in %.0f s, every invariant held;", options.seed, step, seconds);
    for (const auto& [what, count] : state.counts) std::printf(" %s %ld,", what.c_str(), count);
    std::printf(" heap %zu KB at the end\n", process_heap_bytes() >> 10);
    MUR_DeleteImage();
    return 0;
}

}  // namespace mur_tool
