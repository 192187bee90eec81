// Digests of the engine state an export must leave alone when it reports a
// failure: the layer table, the paint layer, the mask, and the undo history
// with its back buffers.
#pragma once

#include <cstdint>

namespace mur::sweep {

struct StateDigest {
    uint64_t layers = 0;
    uint64_t paint = 0;
    uint64_t mask = 0;
    uint64_t undo = 0;

    bool operator==(const StateDigest&) const = default;
};

// `exceptSlot`: a layer slot left out of the layers' digest (-1: none).
StateDigest digest_state(int32_t exceptSlot = -1);

}  // namespace mur::sweep
