// Putting the engine back to how it is when the library is loaded.
#pragma once

namespace mur::test {

// Releases everything the engine owns (the image, the random tables, the
// blend buffers, the history) and puts every setting back; lifts injected
// allocation failures.
void reset_engine();

}  // namespace mur::test
