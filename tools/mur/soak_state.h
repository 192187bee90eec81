// What `mur soak` keeps about the engine (the host's model of it), the
// walk's random numbers, and the steps and checks that work on them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace mur_tool {

inline constexpr const char* kSoakSentinel = "soak: no failure";
inline constexpr int32_t kSoakSlots = 10;  // the walk uses slots 0..9

// splitmix64: the same numbers on every platform, so a seed replays.
struct SoakRandom {
    uint64_t state = 0;
};
uint64_t next_random(SoakRandom& r);
int32_t random_between(SoakRandom& r, int32_t lo, int32_t hi);  // lo..hi inclusive
bool random_chance(SoakRandom& r, int percent);

struct SoakSlot {
    bool live = false;
    int32_t width = 0;
    int32_t height = 0;
};

struct SoakState {
    SoakRandom rng;
    std::string shareDir;
    int32_t width = 0, height = 0, maxBrush = 0;
    SoakSlot slots[kSoakSlots];
    int32_t current = -1;
    int32_t undoLevels = 0, undoMB = 0;
    int32_t undoBudgetSinceSave = 0;     // the highest budget since the last save, in MB
    std::map<std::string, long> counts;  // steps taken, by action
};

// Builds the first image; one random host action (`why` is set when the
// action itself found a broken invariant); returns what was done.
void start_walk(SoakState& s, uint64_t seed, const char* shareDir);
std::string walk_step(SoakState& s, std::string& why);

// The invariants checked after every step.
bool layers_match(const SoakState& s, std::string& why);
bool heap_within_budget(const SoakState& s, std::string& why);
bool history_within_budget(const SoakState& s, std::string& why);  // right after a save
bool undo_then_redo_restores(SoakState& s, std::string& why);
bool render_stays_inside(SoakState& s, int32_t n, float scale, int32_t x, int32_t y, int32_t w, int32_t h,
                         bool bottomUp, std::string& why);

// Every live layer (the part inside the image) and the mask, hashed: one
// value per slot 0..9 (0 for an empty one), then the mask.
using ImageHash = std::vector<uint64_t>;
ImageHash image_hash(const SoakState& s);
// "layer 3, the mask" for the parts that differ.
std::string differing_parts(const ImageHash& a, const ImageHash& b);
// The current layer as the engine has it (undo may select another).
void sync_current(SoakState& s);

// The bytes of the process heap in use: the sanitizer's figure when built
// with one, else the C library's.
std::size_t process_heap_bytes();

}  // namespace mur_tool
