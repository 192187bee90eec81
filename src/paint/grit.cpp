#include "paint/grit.h"

#include "engine/random.h"
#include "engine/state.h"

#include <algorithm>
#include <cstring>

namespace mur::grit {
namespace {

std::size_t buffer_bytes() noexcept
{
    const std::size_t side = static_cast<std::size_t>(engine.maxBrushSize) + 25;
    return side * side;
}

// Reads a random table from a start position onwards, wrapping at its end
// (a late start with a large brush reaches past it).
struct TableReader {
    const RandomByteTable& table;
    int64_t at;
    uint8_t next() noexcept
    {
        if (at >= table.length || at < 0) at = 0;
        return table.data[at++];
    }
};

}  // namespace

int32_t grit_side() noexcept { return std::max(engine.tool.size, 0) + 25; }

void build_random() noexcept
{
    ToolSettings& t = engine.tool;
    const RandomByteTable& a = t.randomTableA;
    const RandomByteTable& b = t.randomTableB;
    const int32_t k = t.gritCell, s = grit_side(), m = engine.maxBrushSize;
    if (k <= 0 || !a.data || !b.data || a.length <= 0 || b.length <= 0) return;
    const std::size_t bytes = buffer_bytes();
    for (int g = 0; g < kGritBuffers; ++g) {
        uint8_t* buffer = t.gritBuffers[g];
        t.currentGrit = g;
        if (!buffer) continue;
        std::memset(buffer, 255, bytes);
        for (int32_t y0 = 0; y0 < s; y0 += k) {
            // Start positions: the integer division comes first.
            const int64_t spanA = std::max<int64_t>(0, (int64_t{a.length} - 2 * int64_t{k}) / 32767);
            const int64_t spanB = std::max<int64_t>(0, (int64_t{a.length} - int64_t{k}) / 32767);
            TableReader readA{a, rng_next() * spanA};
            TableReader readB{b, rng_next() * spanB};
            for (int32_t x0 = 0; x0 < s; x0 += k) {
                if (readA.next() >= t.gritCellChance) continue;
                const uint8_t shade = readB.next();
                for (int32_t i = 0; i < k && y0 + i < s; ++i)
                    for (int32_t j = 0; j < k && x0 + j < s; ++j) {
                        if (readA.next() >= t.gritPixelChance) continue;
                        // A brush wider than the buffers were made for would
                        // reach past them: such positions are left out.
                        const std::size_t at = std::size_t(y0 + i) * m + std::size_t(x0 + j);
                        if (at < bytes) buffer[at] = shade;
                    }
            }
        }
    }
    // The last buffer built is the current one, read from its start.
    t.gritOffset = 0;
    t.drawingLength = t.drawingLengthSetting;
}

bool fill_from_gray(const uint8_t* gray, int32_t width, int32_t height) noexcept
{
    ToolSettings& t = engine.tool;
    if (!gray || width <= 0 || height <= 0) return false;
    const int32_t s = grit_side(), m = engine.maxBrushSize;
    const std::size_t bytes = buffer_bytes();
    for (int g = 0; g < kGritBuffers; ++g) {
        uint8_t* buffer = t.gritBuffers[g];
        t.currentGrit = g;
        const int32_t rx = width - s > 0 ? rng_next() % (width - s) : 0;
        const int32_t ry = height - s > 0 ? rng_next() % (height - s) : 0;
        if (!buffer) continue;
        std::memset(buffer, 255, bytes);
        // The window's top-left corner lands on the buffer's, clipped to
        // M x M and to the plane.
        const int32_t rows = std::min({s, m, height - ry}), cols = std::min({s, m, width - rx});
        for (int32_t y = 0; y < rows; ++y)
            std::memcpy(buffer + std::size_t(y) * m, gray + std::size_t(ry + y) * width + rx, std::size_t(std::max(cols, 0)));
    }
    t.gritOffset = 0;
    t.drawingLength = t.drawingLengthSetting;
    return true;
}

}  // namespace mur::grit
