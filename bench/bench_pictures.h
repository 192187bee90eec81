// Pictures the benchmarks work on.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace mur_bench {

// A side x side opaque RGBA32 picture of smooth gradients with noise:
// neither constant nor white noise.
inline std::vector<uint8_t> photo_like(int side)
{
    std::vector<uint8_t> v(std::size_t(side) * side * 4);
    std::mt19937 rng(3);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            uint8_t* p = v.data() + (std::size_t(y) * side + x) * 4;
            p[0] = static_cast<uint8_t>((x * 255 / side + rng() % 16) & 255);
            p[1] = static_cast<uint8_t>((y * 255 / side + rng() % 16) & 255);
            p[2] = static_cast<uint8_t>(((x + y) * 127 / side + rng() % 16) & 255);
            p[3] = 255;
        }
    return v;
}

}  // namespace mur_bench
