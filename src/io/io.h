// What the input and output module offers the other modules and its own exports:
// its internal interface.
#pragma once

#include "murcore.h"

#include <cstdint>

namespace mur::io {


// ---- The work of the exports of the same name (MUR_...), so that other
// modules call it directly -------------------------------------------------

int32_t init_tablet(MUR_Window window);
int32_t set_tablet_origin();
int32_t read_tablet_packets();
int32_t read_tablet_pressure(int32_t index);

}  // namespace mur::io
