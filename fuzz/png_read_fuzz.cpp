// The PNG reader on arbitrary bytes (see picture_target.h). The reader allows
// the engine's limits; like the picture reader with tighter ones, the target
// passes on only headers within them.
#include "imaging/png_codec.h"
#include "picture_target.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz_picture_reader(data, size, [](const uint8_t* d, std::size_t n, mur::imaging::Rgba32Picture& picture,
                                              const mur::imaging::PictureLimits& limits) {
        auto be32 = [](const uint8_t* p) {
            return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
        };
        if (n >= 24 && std::memcmp(d + 12, "IHDR", 4) == 0 && !limits.allows(be32(d + 16), be32(d + 20))) return false;
        return mur::imaging::read_png_from_memory(d, n, picture);
    });
}
