// The engine's pseudo-random generator and its tables of random bytes.
//
// The generator is the classic linear congruential one, with its state kept
// per thread: state = state * 214013 + 2531011 (mod 2^32), and each draw
// returns (state >> 16) & 0x7FFF. Equal seeds give equal sequences on a
// thread, so every table drawn from a seed can be drawn again.
#pragma once

#include <cstdint>

namespace mur {

inline constexpr int32_t kRandMax = 0x7FFF;

void rng_seed(uint32_t seed) noexcept;   // seeds the calling thread's generator
int32_t rng_next() noexcept;             // 0..32767 on the calling thread

// A table of random bytes, remembered with the modulus, seed and length it
// was drawn with so that an unchanged request reuses it.
struct RandomByteTable {
    uint8_t* data = nullptr;
    int32_t modulus = 0;
    int32_t seed = 0;
    int32_t length = 0;
};

// Draws the table from `randomSeed` unless it already holds data of this
// length, modulus and seed: each byte is the next draw modulo the modulus,
// truncated to 8 bits. A fault sets "MakeRandArrayByte Excpt".
void MakeRandArrayByte(RandomByteTable& table, int32_t modulus, int32_t length) noexcept;

// Releases the table's data. A fault sets "DeleteRandArrayBtye Excpt".
void DeleteRandArrayBtye(RandomByteTable& table) noexcept;

}  // namespace mur
