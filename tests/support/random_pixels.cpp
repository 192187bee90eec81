#include "support/random_pixels.h"

#include <algorithm>
#include <iterator>

namespace mur::test {

uint16_t random_alpha(Rng& rng)
{
    static const uint16_t edges[] = {0,     1,     255,   8190,  8191,  9214,  9215,  12286, 12287,
                                     32512, 32513, 32767, 32768, 36862, 65279, 65280, 65534, 65535};
    switch (pick(rng, 0, 4)) {
    case 0: return 0;
    case 1: return 65535;
    case 2: return edges[pick(rng, 0, std::size(edges) - 1)];
    default: return static_cast<uint16_t>(pick(rng, 0, 65535));
    }
}

uint16_t random_colour(Rng& rng)
{
    switch (pick(rng, 0, 3)) {
    case 0: return static_cast<uint16_t>(pick(rng, 0, 255) << 8);
    case 1: return pick(rng, 0, 1) ? 65535 : 0;
    default: return static_cast<uint16_t>(pick(rng, 0, 65535));
    }
}

void fill_random_pixels(uint16_t* pixels, int64_t count, Rng& rng, const uint16_t* like)
{
    for (int64_t i = 0; i < count;) {
        const int64_t run = std::min<int64_t>(pick(rng, 1, 40), count - i);
        const uint16_t alpha = random_alpha(rng);
        const bool flat = pick(rng, 0, 1);
        const uint16_t rgb[3] = {random_colour(rng), random_colour(rng), random_colour(rng)};
        for (int64_t k = 0; k < run; ++k, ++i) {
            uint16_t* p = pixels + i * 4;
            for (int c = 0; c < 3; ++c)
                p[c] = like && pick(rng, 0, 5) == 0 ? like[i * 4 + c] : flat ? rgb[c] : random_colour(rng);
            p[3] = flat || pick(rng, 0, 3) ? alpha : random_alpha(rng);
        }
    }
}

}  // namespace mur::test
