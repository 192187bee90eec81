#include "imaging/rect_clip.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

namespace mur::imaging {
namespace {

// Starts and lengths from the whole 32-bit range, around the limits tried.
constexpr int64_t kValues[] = {INT32_MIN, INT32_MIN + 1, -9, -8, -1, 0, 1, 3, 7, 8, 9, INT32_MAX - 1, INT32_MAX};
constexpr int64_t kLimits[] = {0, 1, 8};

// Membership of column p, decided pixel by pixel in 128 bits.
bool in_run(__int128 start, __int128 length, __int128 p) { return p >= start && p < start + length; }

void expect_span(Span got, int64_t limit, bool (*member)(int64_t p), const char* what, int64_t s, int64_t l)
{
    for (int64_t p = -2; p < limit + 2; ++p) {
        const bool expected = p >= 0 && p < limit && member(p);
        EXPECT_EQ(p >= got.begin && p < got.end, expected) << what << "(" << s << ", " << l << ", " << limit
                                                            << ") at " << p;
    }
    EXPECT_GE(got.length(), 0);
}

int64_t g_start, g_length;

TEST(RectClip, ClipSpanKeepsExactlyThePixelsOfTheRunInsideTheLimit)
{
    for (int64_t limit : kLimits)
        for (int64_t s : kValues)
            for (int64_t l : kValues) {
                g_start = s, g_length = l;
                expect_span(clip_span(s, l, limit), limit, [](int64_t p) { return in_run(g_start, g_length, p); },
                            "clip_span", s, l);
            }
}

TEST(RectClip, CutSpanMovesANegativeStartToZeroWithoutShorteningTheRun)
{
    for (int64_t limit : kLimits)
        for (int64_t s : kValues)
            for (int64_t l : kValues) {
                g_start = s, g_length = l;
                expect_span(cut_span(s, l, limit), limit,
                            [](int64_t p) { return in_run(g_start < 0 ? 0 : g_start, g_length, p); }, "cut_span", s,
                            l);
            }
}

TEST(RectClip, AnEmptySideEmptiesTheWholeRectangle)
{
    EXPECT_TRUE(clip_rect(INT32_MIN, 0, INT32_MAX, 5, 8, 8).empty());  // x + w = -1
    EXPECT_TRUE(clip_rect(0, 8, 4, 4, 8, 8).empty());
    EXPECT_EQ(clip_rect(0, 8, 4, 4, 8, 8).cols.length(), 0);
    const ClippedRect r = clip_rect(-3, 2, 5, INT32_MAX, 8, 6);
    EXPECT_EQ(r.cols.begin, 0);
    EXPECT_EQ(r.cols.end, 2);
    EXPECT_EQ(r.rows.begin, 2);
    EXPECT_EQ(r.rows.end, 6);
}

TEST(RectClip, CallerRowsRefuseNullAndNegativeStridesAndAddressIn64Bits)
{
    uint8_t bytes[16] = {};
    EXPECT_TRUE(caller_rows(bytes, 0).usable());
    EXPECT_FALSE(caller_rows(bytes, -1).usable());
    EXPECT_FALSE(caller_rows(bytes, INT32_MIN).usable());
    EXPECT_FALSE(caller_rows(static_cast<uint8_t*>(nullptr), 4).usable());
    // 16-bit rows start on whole values only.
    alignas(8) uint16_t words[8] = {};
    EXPECT_TRUE(caller_rows(words, 8).usable());
    EXPECT_FALSE(caller_rows(words, 7).usable());
    EXPECT_FALSE(caller_rows(reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(words) + 1), 8).usable());
    EXPECT_TRUE(caller_rows(bytes + 1, 7).usable());
    const CallerRows<const uint16_t> rows = caller_rows(reinterpret_cast<const uint16_t*>(bytes), 6);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(rows.at(2, 2)), bytes + 14);
    // Row offsets past 2 GB do not wrap (the pointer is only computed).
    const CallerRows<uint8_t> wide = caller_rows(bytes, INT32_MAX);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(wide.at(3)) - reinterpret_cast<uintptr_t>(bytes), uintptr_t{3} * INT32_MAX);
}

}  // namespace
}  // namespace mur::imaging
