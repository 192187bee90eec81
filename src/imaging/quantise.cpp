#include "imaging/quantise.h"

#include "engine/memory.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mur::imaging {
namespace {

constexpr int kCellBits = 6;
constexpr int kCells = 1 << (3 * kCellBits);
constexpr int kRefinements = 4;

struct Cell {
    uint32_t count;
    uint64_t sum[3];
};

struct Point {  // a non-empty cell: its mean colour and weight
    float c[3];
    uint32_t weight;
};

struct Box {
    int32_t begin, end;  // points[begin, end)
    double error;        // weighted squared deviation from the mean
    int axis;            // the channel of largest spread
};

bool usable(const ConstImageView& v)
{
    return v.data && v.width > 0 && v.height > 0 && (v.bytesPerPixel == 3 || v.bytesPerPixel == 4);
}

void measure(Box& box, const Point* points)
{
    double w = 0, s[3] = {}, q[3] = {};
    for (int32_t i = box.begin; i < box.end; ++i)
        for (int k = 0; k < 3; ++k) {
            const double v = points[i].c[k];
            s[k] += v * points[i].weight;
            q[k] += v * v * points[i].weight;
            if (k == 0) w += points[i].weight;
        }
    box.error = 0;
    double best = -1;
    for (int k = 0; k < 3; ++k) {
        const double var = q[k] - s[k] * s[k] / w;
        box.error += var;
        if (var > best) best = var, box.axis = k;
    }
    if (box.end - box.begin < 2) box.error = 0;
}

// Exactly the picture's colours when it has at most `most`; false otherwise.
bool exact_palette(const ConstImageView& image, int32_t most, Palette& palette)
{
    palette.count = 0;
    uint32_t seen[256];
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* p = image.row(y);
        for (int32_t x = 0; x < image.width; ++x, p += image.bytesPerPixel) {
            const uint32_t key = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            bool found = false;
            for (int32_t i = palette.count - 1; i >= 0 && !found; --i) found = seen[i] == key;
            if (found) continue;
            if (palette.count == most) return false;
            seen[palette.count] = key;
            std::memcpy(palette.rgb[palette.count++], p, 3);
        }
    }
    return true;
}

int32_t nearest(const Palette& palette, int r, int g, int b)
{
    int32_t best = 0;
    int bestDistance = INT32_MAX;
    for (int32_t i = 0; i < palette.count; ++i) {
        const int dr = r - palette.rgb[i][0], dg = g - palette.rgb[i][1], db = b - palette.rgb[i][2];
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) bestDistance = d, best = i;
    }
    return best;
}

}  // namespace

bool build_palette(const ConstImageView& image, int32_t maxColours, Palette& palette) noexcept
{
    palette = {};
    if (!usable(image) || maxColours < 1) return false;
    maxColours = std::min(maxColours, 256);
    if (exact_palette(image, maxColours, palette)) return true;
    palette.count = 0;

    const mem::Owned<Cell> cells(mem::try_alloc_array<Cell>(kCells));
    if (!cells) return false;
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* p = image.row(y);
        for (int32_t x = 0; x < image.width; ++x, p += image.bytesPerPixel) {
            constexpr int shift = 8 - kCellBits;
            Cell& c = cells[(p[0] >> shift) << (2 * kCellBits) | (p[1] >> shift) << kCellBits | (p[2] >> shift)];
            ++c.count;
            for (int k = 0; k < 3; ++k) c.sum[k] += p[k];
        }
    }
    int32_t used = 0;
    for (int i = 0; i < kCells; ++i) used += cells[i].count ? 1 : 0;
    const mem::Owned<Point> points(mem::try_alloc_array<Point>(std::size_t(used)));
    const mem::Owned<Box> boxes(mem::try_alloc_array<Box>(256));
    if (!points || !boxes) return false;
    for (int i = 0, n = 0; i < kCells; ++i)
        if (const Cell& c = cells[i]; c.count) {
            for (int k = 0; k < 3; ++k) points[n].c[k] = float(double(c.sum[k]) / c.count);
            points[n++].weight = c.count;
        }

    // Median cut: split the box of largest error at the weighted median of
    // its widest channel until there are enough boxes.
    int32_t boxCount = 1;
    boxes[0] = {0, used, 0, 0};
    measure(boxes[0], points.get());
    while (boxCount < maxColours) {
        Box* worst = std::max_element(boxes.get(), boxes.get() + boxCount,
                                      [](const Box& a, const Box& b) { return a.error < b.error; });
        if (worst->error <= 0) break;
        const int axis = worst->axis;
        Point* first = points.get() + worst->begin;
        Point* last = points.get() + worst->end;
        std::sort(first, last, [axis](const Point& a, const Point& b) { return a.c[axis] < b.c[axis]; });
        uint64_t total = 0, half = 0;
        for (Point* p = first; p != last; ++p) total += p->weight;
        Point* cut = first;
        while (cut + 1 < last && (half + cut->weight) * 2 <= total) half += (cut++)->weight;
        if (cut == first) ++cut;
        Box upper{int32_t(cut - points.get()), worst->end, 0, 0};
        worst->end = upper.begin;
        measure(*worst, points.get());
        measure(upper, points.get());
        boxes[boxCount++] = upper;
    }

    // Refinement: each point to its nearest centre, each centre to the mean of its points.
    double centre[256][3];
    for (int32_t b = 0; b < boxCount; ++b) {
        double w = 0, s[3] = {};
        for (int32_t i = boxes[b].begin; i < boxes[b].end; ++i) {
            w += points[i].weight;
            for (int k = 0; k < 3; ++k) s[k] += double(points[i].c[k]) * points[i].weight;
        }
        for (int k = 0; k < 3; ++k) centre[b][k] = s[k] / w;
    }
    for (int round = 0; round < kRefinements; ++round) {
        double sums[256][4] = {};
        for (int32_t i = 0; i < used; ++i) {
            int32_t best = 0;
            double bestDistance = 1e30;
            for (int32_t b = 0; b < boxCount; ++b) {
                const double dr = points[i].c[0] - centre[b][0], dg = points[i].c[1] - centre[b][1],
                             db = points[i].c[2] - centre[b][2];
                const double d = dr * dr + dg * dg + db * db;
                if (d < bestDistance) bestDistance = d, best = b;
            }
            for (int k = 0; k < 3; ++k) sums[best][k] += double(points[i].c[k]) * points[i].weight;
            sums[best][3] += points[i].weight;
        }
        for (int32_t b = 0; b < boxCount; ++b)
            if (sums[b][3] > 0)
                for (int k = 0; k < 3; ++k) centre[b][k] = sums[b][k] / sums[b][3];
    }
    palette.count = boxCount;
    for (int32_t b = 0; b < boxCount; ++b)
        for (int k = 0; k < 3; ++k) palette.rgb[b][k] = uint8_t(std::clamp(std::lround(centre[b][k]), 0L, 255L));
    return true;
}

bool map_to_palette(const ConstImageView& image, const Palette& palette, uint8_t* indices, bool dither) noexcept
{
    if (!usable(image) || !indices || palette.count < 1) return false;
    // A direct-mapped cache of recent colours: photographs repeat many.
    constexpr uint32_t kCacheSize = 1u << 16;
    const mem::Owned<uint32_t> cache(mem::try_alloc_array<uint32_t>(kCacheSize));
    const std::size_t errorValues = dither ? (std::size_t(image.width) + 2) * 3 * 2 : 0;
    const mem::Owned<int32_t> error(dither ? mem::try_alloc_array<int32_t>(errorValues) : nullptr);
    if (!cache || (dither && !error)) return false;
    for (uint32_t i = 0; i < kCacheSize; ++i) cache[i] = 0xFFFFFFFFu;
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* p = image.row(y);
        uint8_t* out = indices + std::size_t(y) * image.width;
        int32_t* here = dither ? error.get() + (y & 1) * (image.width + 2) * 3 : nullptr;
        int32_t* below = dither ? error.get() + ((y + 1) & 1) * (image.width + 2) * 3 : nullptr;
        if (dither) std::fill(below, below + (image.width + 2) * 3, 0);
        for (int32_t x = 0; x < image.width; ++x, p += image.bytesPerPixel) {
            int c[3] = {p[0], p[1], p[2]};
            if (dither)
                for (int k = 0; k < 3; ++k) c[k] = std::clamp(c[k] + here[(x + 1) * 3 + k] / 16, 0, 255);
            const uint32_t key = uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | uint32_t(c[2]);
            const uint32_t slot = (key * 2654435761u) >> 16;
            int32_t index;
            if ((cache[slot] & 0xFFFFFF) == key && cache[slot] >> 24 != 0xFF) {
                index = int32_t(cache[slot] >> 24);
            } else {
                index = nearest(palette, c[0], c[1], c[2]);
                if (index < 255) cache[slot] = uint32_t(index) << 24 | key;
            }
            out[x] = uint8_t(index);
            if (dither)
                for (int k = 0; k < 3; ++k) {
                    const int e = c[k] - palette.rgb[index][k];
                    here[(x + 2) * 3 + k] += e * 7;
                    below[x * 3 + k] += e * 3;
                    below[(x + 1) * 3 + k] += e * 5;
                    below[(x + 2) * 3 + k] += e;
                }
        }
    }
    return true;
}

double mean_channel_error(const ConstImageView& a, const ConstImageView& b) noexcept
{
    if (!usable(a) || !usable(b) || a.width != b.width || a.height != b.height) return -1;
    double total = 0;
    for (int32_t y = 0; y < a.height; ++y) {
        const uint8_t* p = a.row(y);
        const uint8_t* q = b.row(y);
        uint64_t row = 0;
        for (int32_t x = 0; x < a.width; ++x, p += a.bytesPerPixel, q += b.bytesPerPixel)
            for (int k = 0; k < 3; ++k) row += uint64_t(std::abs(int(p[k]) - int(q[k])));
        total += double(row);
    }
    return total / (double(a.width) * a.height * 3);
}

}  // namespace mur::imaging
