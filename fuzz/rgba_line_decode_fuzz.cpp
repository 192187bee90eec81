// The RGBA32 line decoder on arbitrary records: it must neither write past
// the line nor read more than one record per pixel.
#include "layers/line_rle.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const std::size_t pixels = 1 + ((data[0] | data[1] << 8) % 4096);
    // The stream has no length of its own: a valid one holds at most one
    // record per pixel, so the input is padded to that much.
    std::vector<uint8_t> stream(pixels * 5, 0);
    std::memcpy(stream.data(), data + 2, std::min(size - 2, stream.size()));
    std::vector<uint16_t> line(pixels * 4);
    const std::size_t read = mur::rle::decode_rgba32_line(stream.data(), line.data(), pixels);
    if (read > stream.size()) __builtin_trap();
    return 0;
}
