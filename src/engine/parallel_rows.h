// Row loops that share their rows among the OpenMP threads only when asked.
// A parallel region costs a team set-up even when its if-clause is false,
// which dominates small per-dab loops; the serial branch skips it.
#pragma once

#include <cstdint>

namespace mur {

template <class Body>
void for_rows(int64_t first, int64_t last, bool threaded, Body&& body)
{
    if (!threaded) {
        for (int64_t row = first; row < last; ++row) body(row);
        return;
    }
#pragma omp parallel for schedule(static)
    for (int64_t row = first; row < last; ++row) body(row);
}

}  // namespace mur
