// Windows metafiles through libwmf's gd device. The records are walked first
// (each within the file, the file ending in its end record), so the library
// only ever sees a well-formed record list.
#include "imaging/metafile.h"

#include <libwmf/api.h>
#include <libwmf/gd.h>
#include <libwmf/gd/gd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/memory.h"

namespace mur::imaging {
namespace {

uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableBytes = 22;
// More records than any drawing needs; a file past it is refused.
constexpr uint32_t kMaxRecords = 1u << 20;

// libwmf draws text with the standard PostScript faces; they are mapped to
// the DejaVu faces, which Debian's fonts-dejavu-core installs. Without a
// face it loads no metafile at all.
#define MUR_DEJAVU "/usr/share/fonts/truetype/dejavu/"
char kSans[] = MUR_DEJAVU "DejaVuSans.ttf", kSansBold[] = MUR_DEJAVU "DejaVuSans-Bold.ttf",
     kSansItalic[] = MUR_DEJAVU "DejaVuSans-Oblique.ttf", kSansBoldItalic[] = MUR_DEJAVU "DejaVuSans-BoldOblique.ttf",
     kSerif[] = MUR_DEJAVU "DejaVuSerif.ttf", kSerifBold[] = MUR_DEJAVU "DejaVuSerif-Bold.ttf",
     kSerifItalic[] = MUR_DEJAVU "DejaVuSerif-Italic.ttf", kSerifBoldItalic[] = MUR_DEJAVU "DejaVuSerif-BoldItalic.ttf",
     kMono[] = MUR_DEJAVU "DejaVuSansMono.ttf", kMonoBold[] = MUR_DEJAVU "DejaVuSansMono-Bold.ttf",
     kMonoItalic[] = MUR_DEJAVU "DejaVuSansMono-Oblique.ttf", kMonoBoldItalic[] = MUR_DEJAVU "DejaVuSansMono-BoldOblique.ttf";
#undef MUR_DEJAVU
char kTimes[] = "Times-Roman", kTimesBold[] = "Times-Bold", kTimesItalic[] = "Times-Italic",
     kTimesBoldItalic[] = "Times-BoldItalic", kHelvetica[] = "Helvetica", kHelveticaBold[] = "Helvetica-Bold",
     kHelveticaItalic[] = "Helvetica-Oblique", kHelveticaBoldItalic[] = "Helvetica-BoldOblique", kCourier[] = "Courier",
     kCourierBold[] = "Courier-Bold", kCourierItalic[] = "Courier-Oblique", kCourierBoldItalic[] = "Courier-BoldOblique",
     kSymbol[] = "Symbol";
wmfMapping kFaces[] = {
    {kTimes, kSerif, FT_ENCODING_NONE},           {kTimesBold, kSerifBold, FT_ENCODING_NONE},
    {kTimesItalic, kSerifItalic, FT_ENCODING_NONE}, {kTimesBoldItalic, kSerifBoldItalic, FT_ENCODING_NONE},
    {kHelvetica, kSans, FT_ENCODING_NONE},        {kHelveticaBold, kSansBold, FT_ENCODING_NONE},
    {kHelveticaItalic, kSansItalic, FT_ENCODING_NONE}, {kHelveticaBoldItalic, kSansBoldItalic, FT_ENCODING_NONE},
    {kCourier, kMono, FT_ENCODING_NONE},          {kCourierBold, kMonoBold, FT_ENCODING_NONE},
    {kCourierItalic, kMonoItalic, FT_ENCODING_NONE}, {kCourierBoldItalic, kMonoBoldItalic, FT_ENCODING_NONE},
    {kSymbol, kSans, FT_ENCODING_NONE},           {nullptr, nullptr, FT_ENCODING_NONE}};

std::size_t header_start(const uint8_t* d, std::size_t n)
{
    return n >= kPlaceableBytes && le32(d) == kPlaceableKey ? kPlaceableBytes : 0;
}

// The record list: every record within the file, the last one the end
// record. `end` is the offset after it, `largestWords` the longest record.
struct RecordWalk {
    bool ok = false;
    std::size_t end = 0;
    uint32_t largestWords = 0;
};

RecordWalk walk_records(const uint8_t* d, std::size_t n)
{
    RecordWalk walk;
    std::size_t at = header_start(d, n);
    if (n - at < 18 || le16(d + at + 2) != 9) return walk;
    at += 18;
    for (uint32_t count = 0; count < kMaxRecords; ++count) {
        if (n - at < 6) return walk;
        const uint32_t words = le32(d + at);
        const uint32_t function = le16(d + at + 4);
        if (words < 3 || uint64_t(words) * 2 > n - at) return walk;
        walk.largestWords = std::max(walk.largestWords, words);
        at += std::size_t(words) * 2;
        if (function == 0) {  // META_EOF
            walk.ok = true;
            walk.end = at;
            return walk;
        }
    }
    return walk;
}

void put16(uint8_t*& p, uint32_t v) { *p++ = uint8_t(v), *p++ = uint8_t(v >> 8); }
void put32(uint8_t*& p, uint32_t v) { put16(p, v & 0xFFFF), put16(p, v >> 16); }

constexpr std::size_t kPreludeBytes = 2 * (3 + 5 + 5 + 7 + 4 + 8 + 4 + 7 + 4 + 4 + 4);
constexpr uint32_t kPreludeLargestWords = 8;

// Writes the records that give a placeable metafile its background: the
// frame filled with a brush of the background colour and no pen, in a saved
// device context that is restored, the two objects deleted again so the
// metafile's own objects keep their numbers (the gd device starts every
// picture white).
void put_background(uint8_t*& p, const uint8_t* d, uint32_t colour)
{
    const int32_t left = int16_t(le16(d + 6)), top = int16_t(le16(d + 8));
    const int32_t right = int16_t(le16(d + 10)), bottom = int16_t(le16(d + 12));
    auto record = [&p](uint32_t function, std::initializer_list<uint32_t> words) {
        put32(p, uint32_t(3 + words.size()));
        put16(p, function);
        for (uint32_t w : words) put16(p, w);
    };
    record(0x001E, {});                                                        // SaveDC
    record(0x020B, {uint32_t(top), uint32_t(left)});                           // SetWindowOrg
    record(0x020C, {uint32_t(bottom - top), uint32_t(right - left)});          // SetWindowExt
    record(0x02FC, {0, colour & 0xFFFF, (colour >> 16) & 0xFF, 0});            // CreateBrushIndirect: solid
    record(0x012D, {0});                                                       // SelectObject
    record(0x02FA, {5, 0, 0, 0, 0});                                           // CreatePenIndirect: no pen
    record(0x012D, {1});
    record(0x041B, {uint32_t(std::min(bottom + 1, 32767)), uint32_t(std::min(right + 1, 32767)), uint32_t(top),
                    uint32_t(left)});                                          // Rectangle
    record(0x0127, {0xFFFF});                                                  // RestoreDC(-1)
    record(0x01F0, {0});                                                       // DeleteObject
    record(0x01F0, {1});
}

enum class DibCheck { Sound, Damaged, TooLarge };

// A device-independent bitmap as libwmf's reader takes it: a core or info
// header, one plane of 1, 4, 8, 16, 24 or 32 bits, uncompressed (or with
// bit fields), the colour table and every row inside the record. The reader
// trusts the colour count and the rows it is given, so a bitmap that
// promises more than the record holds is not played. RLE-coded bitmaps are
// not played either.
DibCheck check_dib(const uint8_t* dib, std::size_t bytes, const PictureLimits& limits)
{
    const uint32_t headerBytes = le32(dib);
    int64_t w = 0, h = 0;
    uint32_t planes = 0, bits = 0, compression = 0, colours = 0, entryBytes = 4;
    if (headerBytes == 12) {
        w = le16(dib + 4), h = int16_t(le16(dib + 6)), planes = le16(dib + 8), bits = le16(dib + 10);
        entryBytes = 3;
    } else if (headerBytes >= 40 && headerBytes <= 124 && bytes >= headerBytes) {
        w = int32_t(le32(dib + 4)), h = int32_t(le32(dib + 8)), planes = le16(dib + 12), bits = le16(dib + 14);
        compression = le32(dib + 16), colours = le32(dib + 32);
    } else {
        return DibCheck::Damaged;
    }
    if (!limits.allows(std::abs(w), std::abs(h))) return w == 0 || h == 0 ? DibCheck::Damaged : DibCheck::TooLarge;
    const bool knownBits = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    const bool knownCoding = compression == 0 || (compression == 3 && (bits == 16 || bits == 32));
    if (planes != 1 || !knownBits || !knownCoding || colours > 256 || (bits <= 8 && colours > (1u << bits)))
        return DibCheck::Damaged;
    const uint64_t entries = bits <= 8 && colours == 0 ? (1u << bits) : colours;
    const uint64_t masks = compression == 3 && headerBytes == 40 ? 12 : 0;
    const uint64_t stride = (uint64_t(std::abs(w)) * bits + 31) / 32 * 4;
    const uint64_t needed = headerBytes + masks + entries * entryBytes + stride * uint64_t(std::abs(h));
    return needed <= bytes ? DibCheck::Sound : DibCheck::Damaged;
}

// libwmf's gd device allocates a brush of the pen's width squared and
// renders glyphs at the font's height: both are held to the picture's size
// (in logical units, by the window extent in force); text records are not
// played; a bitmap record beyond the picture limits refuses the metafile,
// one whose bitmap is damaged is not played.
bool tame_records(uint8_t* records, std::size_t bytes, const PictureLimits& limits, int64_t frameSide)
{
    // Until the metafile sets its window, one logical unit spans the frame.
    int32_t extentW = 1, extentH = 1, originX = 0, originY = 0;
    // Coordinates are held to the window and its neighbourhood, so nothing
    // is drawn over an area thousands of times the picture's.
    auto clamp_coordinate = [&](uint8_t* p, bool isX) {
        const int64_t origin = isX ? originX : originY, extent = isX ? extentW : extentH;
        const int32_t v = int16_t(le16(p));
        const int32_t c = int32_t(std::clamp<int64_t>(v, std::max<int64_t>(origin - 2 * extent, -32768),
                                                      std::min<int64_t>(origin + 3 * extent, 32767)));
        put16(p, uint32_t(c));
    };
    for (std::size_t at = 0; at + 6 <= bytes;) {
        uint8_t* r = records + at;
        const std::size_t words = le32(r);
        const uint32_t function = le16(r + 4);
        uint8_t* params = r + 6;
        const std::size_t paramBytes = words * 2 - 6;
        // The largest size in logical units that stays within twice the
        // picture both ways (a window much taller than wide scales widths
        // by its width: a pen as wide as its height would be a brush of
        // millions of pixels stamped at every point of a line).
        // The library scales the pens of a placeable metafile by its frame
        // whatever the window, so they are held to the frame's shorter side
        // too (frameSide; 0 without a frame).
        int64_t most = std::max<int64_t>(1, std::min(int64_t(extentW) * 2, int64_t(extentH) * 2));
        if (frameSide > 0) most = std::min(most, frameSide * 2);
        auto clamp16 = [most](uint8_t* p, int64_t least) {
            const int32_t v = int16_t(le16(p));
            const int32_t c = int32_t(std::clamp<int64_t>(v, least, most));
            put16(p, uint32_t(c));
        };
        // Records whose parameters are all (y, x) coordinates, and those
        // with a point count and (x, y) points.
        const bool yx = function == 0x041B || function == 0x0418 || function == 0x061C || function == 0x0213 ||
                        function == 0x0214 || function == 0x0817 || function == 0x0830 || function == 0x081A ||
                        function == 0x0416 || function == 0x0415;
        const bool points = function == 0x0324 || function == 0x0325;
        if (function == 0x020C && paramBytes >= 4) {  // SetWindowExt (y, x)
            extentH = std::max(1, std::abs(int32_t(int16_t(le16(params)))));
            extentW = std::max(1, std::abs(int32_t(int16_t(le16(params + 2)))));
        } else if (function == 0x020B && paramBytes >= 4) {  // SetWindowOrg (y, x)
            originY = int16_t(le16(params));
            originX = int16_t(le16(params + 2));
        } else if (yx) {
            for (std::size_t i = 0; i + 2 <= paramBytes; i += 2) clamp_coordinate(params + i, (i / 2) % 2 == 1);
        } else if (points) {
            for (std::size_t i = 2; i + 2 <= paramBytes; i += 2) clamp_coordinate(params + i, (i / 2) % 2 == 1);
        } else if (function == 0x0538 && paramBytes >= 2) {  // PolyPolygon: count, counts, (x, y) points
            const std::size_t first = 2 + std::size_t(le16(params)) * 2;
            for (std::size_t i = first; i + 2 <= paramBytes; i += 2)
                clamp_coordinate(params + i, ((i - first) / 2) % 2 == 0);
        } else if (function == 0x0521 || function == 0x0A32) {
            // TextOut, ExtTextOut: libwmf's text drawing is not safe on
            // untrusted files (a face it cannot map ends in a null
            // dereference), so text is not drawn; the record becomes a
            // SetTextJustification, which draws nothing.
            uint8_t* f = r + 4;
            put16(f, 0x020A);
        } else if (function == 0x02FA && paramBytes >= 4) {  // CreatePenIndirect: width, never negative
            clamp16(params + 2, 0);
        } else if (function == 0x02FB && paramBytes >= 4) {  // CreateFontIndirect: height, width
            // A height of 0 asks for the default size, which the library
            // takes a very long time to find: a twelfth of the window instead.
            if (le16(params) == 0) {
                uint8_t* height = params;
                put16(height, uint32_t(-std::max<int64_t>(1, most / 24)));
            }
            clamp16(params, -most);
            clamp16(params + 2, 0);
        } else {
            // Records that carry a device-independent bitmap, and where its
            // header starts among their parameters.
            std::size_t header = 0;
            if (function == 0x0F43) header = 22;       // StretchDIB
            else if (function == 0x0B41) header = 20;  // DIBStretchBlt (with a bitmap)
            else if (function == 0x0940) header = 16;  // DIBBitBlt (with a bitmap)
            else if (function == 0x0D33) header = 18;  // SetDIBitsToDevice
            else if (function == 0x0142) header = 4;   // DIBCreatePatternBrush
            // The two blits carry no bitmap when their parameters end in a
            // reserved word after the fixed part; every other length is
            // taken as a bitmap by the library.
            const bool withoutBitmap = (function == 0x0B41 || function == 0x0940) && paramBytes == header + 2;
            if (header && !withoutBitmap) {
                const DibCheck dib =
                    paramBytes >= header + 12 ? check_dib(params + header, paramBytes - header, limits) : DibCheck::Damaged;
                if (dib == DibCheck::TooLarge) return false;
                if (dib == DibCheck::Damaged) {
                    uint8_t* f = r + 4;
                    put16(f, 0x020A);  // drawn as nothing, like text
                }
            }
        }
        at += words * 2;
    }
    return true;
}

// The copy libwmf reads: the header's sizes made those of the records as
// walked (the library allocates by them), the background records of a
// placeable metafile first, nothing after the end record.
mem::Owned<uint8_t> prepare(const uint8_t* d, const RecordWalk& walk, uint32_t colour, std::size_t& size)
{
    const std::size_t start = header_start(d, walk.end);
    const bool placeable = start != 0;
    const std::size_t headerEnd = start + 18, prelude = placeable ? kPreludeBytes : 0;
    size = walk.end + prelude;
    mem::Owned<uint8_t> out(static_cast<uint8_t*>(mem::try_alloc_uninit(size)));
    if (!out) return out;
    std::memcpy(out.get(), d, headerEnd);
    uint8_t* p = out.get() + start + 6;
    put32(p, uint32_t((size - start) / 2));                                    // file size in words
    p = out.get() + start + 10;
    put16(p, std::max<uint32_t>(le16(d + start + 10), placeable ? 2 : 0));     // objects
    put32(p, std::max(walk.largestWords, placeable ? kPreludeLargestWords : 0)); // longest record
    p = out.get() + headerEnd;
    if (placeable) put_background(p, d, colour);
    std::memcpy(p, d + headerEnd, walk.end - headerEnd);
    return out;
}

// The gd device leaves the picture it drew to the caller, allocated with
// malloc, and libwmf exports no way to release it: its blocks are freed here
// as gd's own destroy does.
void release_gd_image(void* image)
{
    auto* im = static_cast<gdImagePtr>(image);
    if (!im) return;
    if (im->pixels) {
        for (int y = 0; y < im->sy; ++y) std::free(im->pixels[y]);
        std::free(im->pixels);
    }
    if (im->tpixels) {
        if (im->_tpixels) {
            std::free(im->_tpixels);
        } else {
            for (int y = 0; y < im->sy; ++y) std::free(im->tpixels[y]);
        }
        std::free(im->tpixels);
    }
    std::free(im->polyInts);
    std::free(im->style);
    if (im->clip) {
        std::free(im->clip->list);
        std::free(im->clip);
    }
    std::free(im);
}

// A placeable frame the picture can show: a real size on paper, and not
// stretched more than 64 times as much one way as the other (the library
// spends minutes drawing such a metafile).
bool frame_drawable(const uint8_t* d, std::size_t n, int32_t width, int32_t height)
{
    if (!header_start(d, n)) return true;
    const int64_t frameW = int64_t(int16_t(le16(d + 10))) - int16_t(le16(d + 6));
    const int64_t frameH = int64_t(int16_t(le16(d + 12))) - int16_t(le16(d + 8));
    const uint32_t inch = le16(d + 14);
    if (frameW <= 0 || frameH <= 0 || inch < 1 || inch > 16384) return false;
    const double scaleX = double(width) / double(frameW), scaleY = double(height) / double(frameH);
    return scaleX <= scaleY * 64 && scaleY <= scaleX * 64;
}

}  // namespace

bool looks_like_wmf(const uint8_t* d, std::size_t n) noexcept
{
    if (!d) return false;
    const std::size_t at = header_start(d, n);
    if (n < at + 18) return false;
    const uint32_t type = le16(d + at), words = le16(d + at + 2), version = le16(d + at + 4);
    return (type == 1 || type == 2) && words == 9 && (version == 0x0300 || version == 0x0100);
}

bool draw_wmf(const uint8_t* d, std::size_t n, int32_t width, int32_t height, uint32_t background_colour,
              Rgba32Picture& picture, const PictureLimits& limits) noexcept
{
    picture = {};
    if (!looks_like_wmf(d, n) || !limits.allows(width, height) || n > 0x7FFFFFFF) return false;
    const RecordWalk walk = walk_records(d, n);
    if (!walk.ok || !frame_drawable(d, n, width, height)) return false;
    std::size_t size = 0;
    const mem::Owned<uint8_t> prepared = prepare(d, walk, background_colour, size);
    if (!prepared) return false;
    {
        const std::size_t start = header_start(d, n), first = start + 18 + (start ? kPreludeBytes : 0);
        const int64_t frameSide =
            start ? std::min<int64_t>(int64_t(int16_t(le16(d + 10))) - int16_t(le16(d + 6)),
                                      int64_t(int16_t(le16(d + 12))) - int16_t(le16(d + 8)))
                  : 0;
        if (!tame_records(prepared.get() + first, size - first, limits, frameSide)) return false;
    }
    wmfAPI* api = nullptr;
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmf_gd_function;
    options.font.ps = kFaces;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_FONTMAP | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api) wmf_api_destroy(api);
        return false;
    }
    bool ok = false;
    wmf_gd_t* gd = WMF_GD_GetData(api);
    gd->type = wmf_gd_image;
    const bool placeable = header_start(d, n) != 0;
    wmfD_Rect bounds{};
    if (wmf_mem_open(api, prepared.get(), long(size)) == wmf_E_None &&
        wmf_scan(api, 0, &bounds) == wmf_E_None) {
        // The frame of a placeable metafile, in points, fills the picture;
        // without one, the extent of what is drawn.
        if (placeable) {
            const int32_t left = int16_t(le16(d + 6)), top = int16_t(le16(d + 8));
            const int32_t right = int16_t(le16(d + 10)), bottom = int16_t(le16(d + 12));
            const uint32_t inch = le16(d + 14);
            if (inch > 0 && right > left && bottom > top) {
                bounds.TL = {0.0f, 0.0f};
                bounds.BR = {float(right - left) * 72.0f / float(inch), float(bottom - top) * 72.0f / float(inch)};
            }
        }
    }
    if (bounds.BR.x > bounds.TL.x && bounds.BR.y > bounds.TL.y) {
        gd->bbox = bounds;
        gd->width = unsigned(width);
        gd->height = unsigned(height);
        if (wmf_play(api, 0, &bounds) == wmf_E_None && gd->gd_image && allocate_picture(picture, width, height)) {
            const int* pixels = wmf_gd_image_pixels(gd->gd_image);
            const uint32_t bg[3] = {background_colour & 0xFF, (background_colour >> 8) & 0xFF,
                                    (background_colour >> 16) & 0xFF};
            for (std::size_t i = 0; i < std::size_t(width) * std::size_t(height); ++i) {
                // gd's true colour: alpha 0 (opaque) .. 127 (clear), then R, G, B.
                const uint32_t p = uint32_t(pixels[i]), clear = (p >> 24) & 0x7F;
                const uint32_t c[3] = {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
                uint8_t* out = picture.pixels + i * 4;
                for (int k = 0; k < 3; ++k) out[k] = uint8_t((c[k] * (127 - clear) + bg[k] * clear + 63) / 127);
                out[3] = 255;
            }
            ok = true;
        }
    }
    release_gd_image(gd->gd_image);
    gd->gd_image = nullptr;
    wmf_mem_close(api);
    wmf_api_destroy(api);
    return ok;
}

}  // namespace mur::imaging
