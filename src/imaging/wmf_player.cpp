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

bool records_well_formed(const uint8_t* d, std::size_t n)
{
    std::size_t at = header_start(d, n);
    if (n - at < 18) return false;
    const uint32_t headerWords = le16(d + at + 2);
    if (headerWords != 9) return false;
    at += 18;
    for (uint32_t count = 0; count < kMaxRecords; ++count) {
        if (n - at < 6) return false;
        const uint64_t bytes = uint64_t(le32(d + at)) * 2;
        const uint32_t function = le16(d + at + 4);
        if (bytes < 6 || bytes > n - at) return false;
        if (function == 0) return true;  // META_EOF
        at += std::size_t(bytes);
    }
    return false;
}

void put16(uint8_t*& p, uint32_t v) { *p++ = uint8_t(v), *p++ = uint8_t(v >> 8); }
void put32(uint8_t*& p, uint32_t v) { put16(p, v & 0xFFFF), put16(p, v >> 16); }

constexpr std::size_t kPreludeBytes = 2 * (3 + 5 + 5 + 7 + 4 + 8 + 4 + 7 + 4 + 4 + 4);

// The gd device starts every picture white. A placeable metafile gets the
// background by a few records put before its own: the frame filled with a
// brush of the background colour and no pen, in a saved device context that
// is restored, the two objects deleted again so the metafile's own objects
// keep their numbers.
mem::Owned<uint8_t> with_background(const uint8_t* d, std::size_t n, uint32_t colour, std::size_t& size)
{
    size = n + kPreludeBytes;
    mem::Owned<uint8_t> out(static_cast<uint8_t*>(mem::try_alloc_uninit(size)));
    if (!out) return out;
    const std::size_t headerEnd = kPlaceableBytes + 18;
    std::memcpy(out.get(), d, headerEnd);
    uint8_t* h = out.get() + kPlaceableBytes;
    uint8_t* p = h + 6;
    put32(p, le32(h + 6) + uint32_t(kPreludeBytes / 2));  // size in words
    p = h + 10;
    put16(p, std::max<uint32_t>(le16(h + 10), 2));         // objects
    p = h + 12;
    put32(p, std::max<uint32_t>(le32(h + 12), 8));         // largest record
    const int32_t left = int16_t(le16(d + 6)), top = int16_t(le16(d + 8));
    const int32_t right = int16_t(le16(d + 10)), bottom = int16_t(le16(d + 12));
    p = out.get() + headerEnd;
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
    std::memcpy(p, d + headerEnd, n - headerEnd);
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
    if (!looks_like_wmf(d, n) || !limits.allows(width, height) || n > 0x7FFFFFFF || !records_well_formed(d, n))
        return false;
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
    std::size_t size = n;
    const mem::Owned<uint8_t> prepared = placeable ? with_background(d, n, background_colour, size) : nullptr;
    wmfD_Rect bounds{};
    if ((!placeable || prepared) &&
        wmf_mem_open(api, placeable ? prepared.get() : const_cast<unsigned char*>(d), long(size)) == wmf_E_None &&
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
