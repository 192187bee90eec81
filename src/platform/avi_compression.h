// How the frames of a new AVI recording are compressed: chosen once per
// recording, on its first frame. A desktop shows its compression dialog;
// without one the choice is what the host set last (MUR_SetAVICompression),
// uncompressed until it sets anything.
#pragma once

#include <cstdint>

#include "murcore.h"

namespace mur::platform {

enum class AviCodec : int32_t {
    Cancelled = -1,  // the user backed out: the recording takes no frames
    Dib = 0,         // uncompressed 24-bit rows
    MotionJpeg = 1,  // every frame a JPEG
};

struct AviCompression {
    AviCodec codec = AviCodec::Dib;
    int32_t quality = 0;  // 1..100 for Motion JPEG
};

// The host's setting; false (and the setting kept) for a codec outside
// -1..1 or a Motion JPEG quality outside 1..100.
bool set_avi_compression(int32_t codec, int32_t quality) noexcept;

// The host's setting as it stands.
AviCompression avi_compression_setting() noexcept;

// A dialog a desktop backend shows instead of the host's setting: it is
// given the owner window and the host's setting as the proposal, and
// returns the user's choice (an answer out of range counts as cancelled).
using AviCompressionDialog = AviCompression (*)(void* user, MUR_Window owner, AviCompression proposal);
void attach_avi_compression_dialog(AviCompressionDialog dialog, void* user) noexcept;
void detach_avi_compression_dialog() noexcept;

// Asks for the compression of a new recording: the dialog when one is
// attached, else the host's setting.
AviCompression choose_avi_compression(MUR_Window owner) noexcept;

}  // namespace mur::platform
