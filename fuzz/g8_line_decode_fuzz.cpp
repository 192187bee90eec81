// The G8 line decoder on arbitrary records: it must neither write past the
// line nor read more than one record per sample.
#include "layers/line_rle.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const std::size_t samples = 1 + ((data[0] | data[1] << 8) % 4096);
    std::vector<uint8_t> stream(samples * 2, 0);
    std::memcpy(stream.data(), data + 2, std::min(size - 2, stream.size()));
    std::vector<uint16_t> line(samples);
    const std::size_t read = mur::rle::decode_g8_line(stream.data(), line.data(), samples);
    if (read > stream.size()) __builtin_trap();
    return 0;
}
