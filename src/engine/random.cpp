#include "engine/random.h"

#include "engine/error_text.h"
#include "engine/memory.h"
#include "engine/state.h"

namespace mur {
namespace {

thread_local uint32_t t_rngState = 0;

}  // namespace

void rng_seed(uint32_t seed) noexcept { t_rngState = seed; }

int32_t rng_next() noexcept
{
    t_rngState = t_rngState * 214013u + 2531011u;
    return static_cast<int32_t>((t_rngState >> 16) & 0x7FFFu);
}

void DeleteRandArrayBtye(RandomByteTable& table) noexcept
{
    try {
        mem::release_and_null(table.data);
    } catch (...) {
        set_fault_text("DeleteRandArrayBtye");
    }
}

void MakeRandArrayByte(RandomByteTable& table, int32_t modulus, int32_t length) noexcept
{
    if (table.data && table.length == length && table.modulus == modulus && table.seed == engine.randomSeed)
        return;
    DeleteRandArrayBtye(table);
    if (table.data) return;  // the old data could not be released: keep it as it is
    try {
        // A table with nothing to draw from (modulus 0) or of no length is empty.
        table.length = 0;
        if (length <= 0 || modulus == 0) return;
        rng_seed(static_cast<uint32_t>(engine.randomSeed));
        table.data = mem::alloc_array<uint8_t>(static_cast<std::size_t>(length));
        for (int32_t i = 0; i < length; ++i)
            table.data[i] = static_cast<uint8_t>(rng_next() % modulus);
        table.length = length;
        table.modulus = modulus;
        table.seed = engine.randomSeed;
    } catch (...) {
        set_fault_text("MakeRandArrayByte");
    }
}

}  // namespace mur
