#include "imaging/bmp_reader.h"
#include "imaging/line_codecs.h"
#include "imaging/metafile.h"

#include "engine/memory.h"

#include <algorithm>
#include <cstring>

namespace mur::imaging {
namespace {

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
int32_t sle32(const uint8_t* p) { return int32_t(le32(p)); }

constexpr uint32_t kEmrHeader = 1, kEmrEof = 14, kEmrBitBlt = 76, kEmrStretchBlt = 77, kEmrSetDiBitsToDevice = 80,
                   kEmrStretchDiBits = 81;
// A metafile may repeat its records without end; past this many bitmaps
// the rest are not drawn.
constexpr int kMaxBitmapRecords = 4096;

// Where a bitmap record's fields are (offsets from the record's start).
struct BitmapRecordLayout {
    uint32_t type;
    uint32_t minBytes;
    uint32_t xDest, yDest, cxDest, cyDest;  // cxDest == 0: the source size
    uint32_t xSrc, ySrc, cxSrc, cySrc;      // cxSrc == 0: the destination size
    uint32_t offBmi, cbBmi, offBits, cbBits;
};

constexpr BitmapRecordLayout kBitmapRecords[] = {
    {kEmrStretchDiBits, 80, 24, 28, 72, 76, 32, 36, 40, 44, 48, 52, 56, 60},
    {kEmrSetDiBitsToDevice, 76, 24, 28, 0, 0, 32, 36, 40, 44, 48, 52, 56, 60},
    {kEmrBitBlt, 100, 24, 28, 32, 36, 40, 44, 0, 0, 84, 88, 92, 96},
    {kEmrStretchBlt, 108, 24, 28, 32, 36, 40, 44, 100, 104, 84, 88, 92, 96},
};

struct Target {
    Rgba32Picture* picture;
    double scaleX, scaleY;  // logical unit -> target pixel
    int32_t originX, originY;
};

// The record's bitmap as a BMP file in memory, decoded by the BMP reader.
bool decode_dib(const uint8_t* record, uint32_t recordBytes, const BitmapRecordLayout& l, Rgba32Picture& dib,
                bool& bottomUp, const PictureLimits& limits)
{
    const uint32_t offBmi = le32(record + l.offBmi), cbBmi = le32(record + l.cbBmi);
    const uint32_t offBits = le32(record + l.offBits), cbBits = le32(record + l.cbBits);
    if (cbBmi < 12 || offBmi > recordBytes || cbBmi > recordBytes - offBmi) return false;
    if (offBits > recordBytes || cbBits > recordBytes - offBits) return false;
    bottomUp = cbBmi >= 40 ? sle32(record + offBmi + 8) > 0 : true;
    const std::size_t total = 14 + std::size_t(cbBmi) + cbBits;
    const mem::Owned<uint8_t> file(static_cast<uint8_t*>(mem::try_alloc_uninit(total)));
    if (!file) return false;
    uint8_t* f = file.get();
    f[0] = 'B';
    f[1] = 'M';
    put32(f + 2, uint32_t(total));
    put32(f + 6, 0);
    put32(f + 10, 14 + cbBmi);
    std::memcpy(f + 14, record + offBmi, cbBmi);
    std::memcpy(f + 14 + cbBmi, record + offBits, cbBits);
    return read_bmp_from_memory(f, total, dib, limits);
}

// Draws the source rectangle of the bitmap into the destination rectangle
// (logical units), nearest neighbour, clipped to both.
void blit(const Target& t, const Rgba32Picture& dib, int64_t sx, int64_t sy, int64_t sw, int64_t sh, int64_t dx,
          int64_t dy, int64_t dw, int64_t dh)
{
    if (sw == 0 || sh == 0 || dw == 0 || dh == 0) return;
    // Target pixel edges of the destination rectangle; a negative size mirrors.
    const double x0 = (double(dx) - t.originX) * t.scaleX, x1 = (double(dx + dw) - t.originX) * t.scaleX;
    const double y0 = (double(dy) - t.originY) * t.scaleY, y1 = (double(dy + dh) - t.originY) * t.scaleY;
    const double left = std::min(x0, x1), right = std::max(x0, x1), top = std::min(y0, y1), bottom = std::max(y0, y1);
    const Rgba32Picture& out = *t.picture;
    const int32_t cx0 = int32_t(std::clamp(left, 0.0, double(out.width))), cx1 = int32_t(std::clamp(right, 0.0, double(out.width)));
    const int32_t cy0 = int32_t(std::clamp(top, 0.0, double(out.height))), cy1 = int32_t(std::clamp(bottom, 0.0, double(out.height)));
    const bool mirrorX = (x1 < x0) != (sw < 0), mirrorY = (y1 < y0) != (sh < 0);
    const int64_t sLeft = sw < 0 ? sx + sw : sx, sTop = sh < 0 ? sy + sh : sy;
    const int64_t sWidth = sw < 0 ? -sw : sw, sHeight = sh < 0 ? -sh : sh;
    for (int32_t y = cy0; y < cy1; ++y) {
        double fy = (y + 0.5 - top) / (bottom - top);
        if (mirrorY) fy = 1.0 - fy;
        const int64_t srcY = sTop + std::clamp(int64_t(fy * double(sHeight)), int64_t{0}, sHeight - 1);
        if (srcY < 0 || srcY >= dib.height) continue;
        for (int32_t x = cx0; x < cx1; ++x) {
            double fx = (x + 0.5 - left) / (right - left);
            if (mirrorX) fx = 1.0 - fx;
            const int64_t srcX = sLeft + std::clamp(int64_t(fx * double(sWidth)), int64_t{0}, sWidth - 1);
            if (srcX < 0 || srcX >= dib.width) continue;
            const uint8_t* s = dib.pixels + (std::size_t(srcY) * std::size_t(dib.width) + std::size_t(srcX)) * 4;
            uint8_t* d = out.pixels + (std::size_t(y) * std::size_t(out.width) + std::size_t(x)) * 4;
            std::memcpy(d, s, 3);
        }
    }
}

void play_bitmap(const Target& t, const uint8_t* record, uint32_t bytes, const BitmapRecordLayout& l,
                 const PictureLimits& limits)
{
    Rgba32Picture dib;
    bool bottomUp = true;
    if (!decode_dib(record, bytes, l, dib, bottomUp, limits)) return;
    const int64_t dx = sle32(record + l.xDest), dy = sle32(record + l.yDest);
    int64_t sx = sle32(record + l.xSrc), sy = sle32(record + l.ySrc);
    int64_t sw = sle32(record + l.cxSrc), sh = sle32(record + l.cySrc);
    int64_t dw = l.cxDest ? sle32(record + l.cxDest) : sw, dh = l.cyDest ? sle32(record + l.cyDest) : sh;
    if (!l.cxSrc) {
        sw = dw;
        sh = dh;
    }
    // A bottom-up bitmap counts its source rows from the bottom.
    if ((l.type == kEmrStretchDiBits || l.type == kEmrSetDiBitsToDevice) && bottomUp) sy = dib.height - sy - sh;
    blit(t, dib, sx, sy, sw, sh, dx, dy, dw, dh);
    release_picture(dib);
}

}  // namespace

bool looks_like_emf(const uint8_t* d, std::size_t n) noexcept
{
    return d && n >= 88 && le32(d) == kEmrHeader && le32(d + 40) == 0x464D4520;
}

bool draw_emf(const uint8_t* d, std::size_t n, int32_t width, int32_t height, uint32_t background,
              Rgba32Picture& picture, const PictureLimits& limits) noexcept
{
    picture = {};
    if (!looks_like_emf(d, n) || !limits.allows(width, height)) return false;
    const uint32_t headerBytes = le32(d + 4);
    if (headerBytes < 88 || headerBytes > n) return false;
    const int64_t left = sle32(d + 8), top = sle32(d + 12), right = sle32(d + 16), bottom = sle32(d + 20);
    if (right < left || bottom < top) return false;
    if (!allocate_picture(picture, width, height)) return false;
    const uint8_t bg[4] = {uint8_t(background), uint8_t(background >> 8), uint8_t(background >> 16), 255};
    for (std::size_t i = 0; i < std::size_t(width) * std::size_t(height); ++i) std::memcpy(picture.pixels + i * 4, bg, 4);
    Target t{&picture, double(width) / double(right - left + 1), double(height) / double(bottom - top + 1),
             int32_t(left), int32_t(top)};
    std::size_t at = headerBytes;
    int bitmaps = 0;
    while (at + 8 <= n) {
        const uint32_t type = le32(d + at), bytes = le32(d + at + 4);
        if (bytes < 8 || bytes % 4 != 0 || bytes > n - at) break;  // damaged: what was drawn stays
        if (type == kEmrEof) break;
        for (const BitmapRecordLayout& l : kBitmapRecords)
            if (l.type == type && bytes >= l.minBytes && bitmaps < kMaxBitmapRecords) {
                ++bitmaps;
                play_bitmap(t, d + at, bytes, l, limits);
            }
        at += bytes;
    }
    return true;
}

}  // namespace mur::imaging
