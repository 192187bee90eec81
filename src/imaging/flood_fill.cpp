// The plane-marking flood fills: a match over the whole picture and a
// scanline fill of the 4-connected region.
#include "imaging/flood_fill.h"

#include "engine/memory.h"
#include "engine/parallel_rows.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mur::imaging {
namespace {

template <FloodKey K>
inline bool matches(const uint8_t* p, FloodSeed s, int32_t limit) noexcept
{
    if constexpr (K == FloodKey::Rgb) {
        // The seed's own colour, the common case inside a region, first.
        if (p[0] == s.r && p[1] == s.g && p[2] == s.b) return true;
        const int32_t dr = p[0] - s.r, dg = p[1] - s.g, db = p[2] - s.b;
        return dr * dr + dg * dg + db * db <= limit;
    } else {
        const int32_t da = p[3] - s.a;
        return 3 * da * da <= limit;
    }
}

// The spans still to explore, on the engine's heap; it doubles as it
// fills. A span (y, left, right, dy) says: columns left..right of row y are
// marked, explore row y + dy above or below them.
struct SpanStack {
    struct Span {
        int32_t y, left, right, dy;
    };
    mem::Owned<Span> items;
    std::size_t size = 0, capacity = 0;

    bool push(int32_t y, int32_t left, int32_t right, int32_t dy) noexcept
    {
        if (size == capacity) {
            const std::size_t grown = capacity ? capacity * 2 : 1024;
            mem::Owned<Span> bigger(static_cast<Span*>(mem::try_alloc_uninit(grown * sizeof(Span))));
            if (!bigger) return false;
            if (size) std::memcpy(bigger.get(), items.get(), size * sizeof(Span));
            items = std::move(bigger);
            capacity = grown;
        }
        items[size++] = {y, left, right, dy};
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

// Heckbert's span fill: each span explores the row beyond it and turns
// back only where the run found there reaches past the span's own ends, so
// most pixels are tested once or twice.
template <FloodKey K>
int64_t fill_region(const ConstImageView& rgba, int32_t x0, int32_t y0, FloodSeed seed, int32_t limit,
                    uint8_t* plane) noexcept
{
    const int32_t w = rgba.width, h = rgba.height;
    const uint8_t* row = nullptr;
    uint8_t* marks = nullptr;
    auto open = [&](int32_t x) { return !marks[x] && matches<K>(row + std::ptrdiff_t{x} * 4, seed, limit); };
    SpanStack stack;
    auto push = [&](int32_t y, int32_t left, int32_t right, int32_t dy) {
        return y + dy < 0 || y + dy >= h || stack.push(y, left, right, dy);
    };
    // Runs of the seed's own colour, the inside of most regions, four
    // columns at a time; the column that ends the run is then tested alone.
    [[maybe_unused]] const uint32_t key = uint32_t(seed.r) | uint32_t(seed.g) << 8 | uint32_t(seed.b) << 16;
    auto seed_four = [&](int32_t x) {
#if defined(__SSE2__)
        if constexpr (K == FloodKey::Rgb) {
            uint32_t m;
            std::memcpy(&m, marks + x, 4);
            if (m) return false;
            const auto* four = reinterpret_cast<const __m128i*>(row + std::ptrdiff_t{x} * 4);
            const __m128i px = _mm_and_si128(_mm_loadu_si128(four), _mm_set1_epi32(0x00FFFFFF));
            return _mm_movemask_epi8(_mm_cmpeq_epi32(px, _mm_set1_epi32(int32_t(key)))) == 0xFFFF;
        }
#endif
        return (void)x, false;
    };
    // Eight columns are tested alone first: in a narrow corridor the wider
    // reads past its end cost more than they save. (Leftward runs are
    // short: the spans below and above start at their run's left end.)
    auto run_right = [&](int32_t x) {
        for (int32_t i = 0; i < 8; ++i, ++x)
            if (x >= w || !open(x)) return x;
        while (x + 4 <= w && seed_four(x)) x += 4;
        while (x < w && open(x)) ++x;
        return x;
    };
    row = rgba.row(y0);
    marks = plane + std::ptrdiff_t{y0} * w;
    if (!open(x0)) return 0;
    if (!push(y0, x0, x0, 1) || !push(y0 + 1, x0, x0, -1)) return -1;
    int64_t marked = 0;
    while (stack.size) {
        const SpanStack::Span s = stack.items[--stack.size];
        const int32_t y = s.y + s.dy, x1 = s.left, x2 = s.right, dy = s.dy;
        row = rgba.row(y);
        marks = plane + std::ptrdiff_t{y} * w;
        int32_t x = x1;
        while (x >= 0 && open(x)) --x;
        int32_t left = x + 1;
        // The first run, when x1 was open, continues to the right even past x2.
        bool firstRun = left <= x1;
        if (firstRun) {
            std::memset(marks + left, 1, std::size_t(x1 - left + 1));
            marked += x1 - left + 1;
            if (left < x1 && !push(y, left, x1 - 1, -dy)) return -1;
            x = x1 + 1;
        } else {
            // x1 itself is closed: find the first open column of the span.
            for (x = x1 + 1; x <= x2 && !open(x); ++x) {}
            left = x;
        }
        while (firstRun || x <= x2) {
            firstRun = false;
            const int32_t start = x;
            x = run_right(x);
            std::memset(marks + start, 1, std::size_t(x - start));
            marked += x - start;
            if (!push(y, left, x - 1, dy)) return -1;
            if (x > x2 + 1 && !push(y, x2 + 1, x - 1, -dy)) return -1;
            for (++x; x <= x2 && !open(x); ++x) {}
            left = x;
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
