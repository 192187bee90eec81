// `mur soak`: a seeded random walk over the whole interface, as a host drives
// it (images and layers made, resized, swapped and deleted; tools, shapes and
// strokes into the paint layer, merged; undo and redo; masks; filters; line
// codes and compressed transfers; renders at every scale), with invariants
// checked after every step:
//   - no operation leaves a failure text;
//   - the layer count and the current layer are the host's;
//   - undo then redo restores every layer and the mask, and undoing a step
//     just saved restores the image as it was before it;
//   - renders write nothing outside the rows and columns they were given;
//   - the history stays within its budget, and the process heap within the
//     sum of what the image owns, the history's budget and a margin.
// Every step's choices come from the seed alone, so a failing step replays
// exactly with the same seed and the step count it reports.
#pragma once

#include <cstdint>

namespace mur_tool {

struct SoakOptions {
    uint64_t seed = 1;
    double minutes = 0;    // stop after this long (0: no time limit)
    long steps = 0;        // stop after this many steps (0: no step limit)
    bool trace = false;    // print every step
    const char* shareDir = "";
};

// Runs the walk; 0 when every invariant held, 1 at the first that did not.
int soak(const SoakOptions& options);

}  // namespace mur_tool
