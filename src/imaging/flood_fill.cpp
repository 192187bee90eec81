// The plane-marking flood fills: a match over the whole picture and a
// scanline fill of the 4-connected region.
#include "imaging/flood_fill.h"

#include "engine/memory.h"
#include "engine/parallel_rows.h"

#include <algorithm>
#include <cstring>

namespace mur::imaging {
namespace {

template <FloodKey K>
inline bool matches(const uint8_t* p, FloodSeed s, int32_t limit) noexcept
{
    if constexpr (K == FloodKey::Rgb) {
        const int32_t dr = p[0] - s.r, dg = p[1] - s.g, db = p[2] - s.b;
        return dr * dr + dg * dg + db * db <= limit;
    } else {
        const int32_t da = p[3] - s.a;
        return 3 * da * da <= limit;
    }
}

// The seeds still to visit, on the engine's heap; it doubles as it fills.
struct SeedStack {
    struct Seed {
        int32_t x, y;
    };
    mem::Owned<Seed> items;
    std::size_t size = 0, capacity = 0;

    bool push(int32_t x, int32_t y) noexcept
    {
        if (size == capacity) {
            const std::size_t grown = capacity ? capacity * 2 : 1024;
            mem::Owned<Seed> bigger(static_cast<Seed*>(mem::try_alloc_uninit(grown * sizeof(Seed))));
            if (!bigger) return false;
            if (size) std::memcpy(bigger.get(), items.get(), size * sizeof(Seed));
            items = std::move(bigger);
            capacity = grown;
        }
        items[size++] = {x, y};
        return true;
    }
};

template <FloodKey K>
void match_rows(const ConstImageView& rgba, FloodSeed seed, int32_t limit, uint8_t* plane, bool threaded) noexcept
{
    const int32_t w = rgba.width;
    for_rows(0, rgba.height, threaded, [&](int64_t y) {
        const uint8_t* p = rgba.row(static_cast<int32_t>(y));
        uint8_t* out = plane + y * w;
        for (int32_t x = 0; x < w; ++x, p += 4)
            if (matches<K>(p, seed, limit)) out[x] = 1;
    });
}

template <FloodKey K>
int64_t fill_region(const ConstImageView& rgba, int32_t x0, int32_t y0, FloodSeed seed, int32_t limit,
                    uint8_t* plane) noexcept
{
    const int32_t w = rgba.width, h = rgba.height;
    auto open = [&](int32_t x, const uint8_t* row, const uint8_t* marks) {
        return !marks[x] && matches<K>(row + std::ptrdiff_t{x} * 4, seed, limit);
    };
    SeedStack stack;
    if (!stack.push(x0, y0)) return -1;
    int64_t marked = 0;
    while (stack.size) {
        const SeedStack::Seed s = stack.items[--stack.size];
        const uint8_t* row = rgba.row(s.y);
        uint8_t* marks = plane + std::ptrdiff_t{s.y} * w;
        if (!open(s.x, row, marks)) continue;
        int32_t left = s.x, right = s.x;
        while (left > 0 && open(left - 1, row, marks)) --left;
        while (right + 1 < w && open(right + 1, row, marks)) ++right;
        std::memset(marks + left, 1, std::size_t(right - left + 1));
        marked += right - left + 1;
        // One seed for every run of open pixels above and below the span.
        for (const int32_t ny : {s.y - 1, s.y + 1}) {
            if (ny < 0 || ny >= h) continue;
            const uint8_t* nrow = rgba.row(ny);
            const uint8_t* nmarks = plane + std::ptrdiff_t{ny} * w;
            bool inRun = false;
            for (int32_t x = left; x <= right; ++x) {
                const bool o = open(x, nrow, nmarks);
                if (o && !inRun && !stack.push(x, ny)) return -1;
                inRun = o;
            }
        }
    }
    return marked;
}

}  // namespace

int32_t flood_distance_limit(int32_t tolerance) noexcept
{
    const int32_t t = std::clamp(tolerance, 0, 50000);
    return static_cast<int32_t>(static_cast<float>(t) * 0.00002f * 195075.0f);
}

FloodSeed flood_seed_at(const ConstImageView& rgba, int32_t x, int32_t y) noexcept
{
    const uint8_t* p = rgba.row(y) + std::ptrdiff_t{x} * 4;
    return {p[0], p[1], p[2], p[3]};
}

void flood_match_plane(const ConstImageView& rgba, FloodSeed seed, int32_t limit, FloodKey key, uint8_t* plane,
                       bool threaded) noexcept
{
    if (!rgba.data || !plane || rgba.width <= 0 || rgba.height <= 0) return;
    if (key == FloodKey::Rgb) match_rows<FloodKey::Rgb>(rgba, seed, limit, plane, threaded);
    else match_rows<FloodKey::AlphaAsGrey>(rgba, seed, limit, plane, threaded);
}

int64_t flood_fill_plane(const ConstImageView& rgba, int32_t x, int32_t y, FloodSeed seed, int32_t limit,
                         FloodKey key, uint8_t* plane) noexcept
{
    if (!rgba.data || !plane || x < 0 || y < 0 || x >= rgba.width || y >= rgba.height) return 0;
    return key == FloodKey::Rgb ? fill_region<FloodKey::Rgb>(rgba, x, y, seed, limit, plane)
                                : fill_region<FloodKey::AlphaAsGrey>(rgba, x, y, seed, limit, plane);
}

}  // namespace mur::imaging
