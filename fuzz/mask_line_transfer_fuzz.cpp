// The mask's line-coded transfer on arbitrary records: putting a line writes
// that mask row and nothing else, and what is put reads back as the same
// line code it decodes to.
#include "engine/state.h"
#include "murcore.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr int32_t kWidth = 300, kHeight = 3;  // rows longer than one run
    static bool ready = false;
    if (!ready) {
        MUR_CreateImage(nullptr, kWidth, kHeight, 8, 0);
        ready = true;
    }
    uint16_t* plane = mur::engine.mask.plane;
    for (int32_t i = 0; i < kWidth * kHeight; ++i) plane[i] = 0x1234;
    // The stream has no length of its own: a line holds at most one record
    // per sample, so the input is padded to that much.
    std::vector<uint8_t> stream(std::size_t(kWidth) * 2, 0);
    std::memcpy(stream.data(), data, std::min(size, stream.size()));
    MUR_PutMaskLineRLE(stream.data(), 1);
    for (int32_t x = 0; x < kWidth; ++x)
        if (plane[x] != 0x1234 || plane[2 * kWidth + x] != 0x1234) __builtin_trap();

    // Every sample written has a low byte of 0; samples the records did not
    // reach keep their value.
    std::vector<uint8_t> code(std::size_t(kWidth) * 2);
    const int32_t bytes = MUR_GetMaskLineRLE(code.data(), 1);
    if (bytes <= 0 || bytes > kWidth * 2 || bytes % 2 != 0) __builtin_trap();
    std::vector<uint16_t> decoded(kWidth);
    MUR_RLEUncompressG8ToG16(code.data(), decoded.data(), kWidth);
    for (int32_t x = 0; x < kWidth; ++x)
        if (decoded[x] != (plane[kWidth + x] & 0xFF00)) __builtin_trap();
    return 0;
}
