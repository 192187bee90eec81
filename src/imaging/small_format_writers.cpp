// Line writers of the formats written without a library: BMP, TGA and PCX
// headers and rows, and the enhanced metafile of one bitmap record.
#include "engine/memory.h"
#include "imaging/line_codecs.h"
#include "imaging/pcx_format.h"

#include <algorithm>
#include <cstring>

namespace mur::imaging {
namespace {

// ---- BMP: 24-bit rows of B, G, R padded to four bytes, bottom row first --------

std::size_t bmp_stride(int32_t width) { return (std::size_t(width) * 3 + 3) & ~std::size_t{3}; }

constexpr uint32_t kBmpHeaderBytes = 14 + 40;

void put_bitmap_info(uint8_t* info, int32_t width, int32_t height, uint32_t imageBytes, int32_t ppm)
{
    put32(info, 40);
    put32(info + 4, uint32_t(width));
    put32(info + 8, uint32_t(height));  // positive: bottom-up rows
    put16(info + 12, 1);
    put16(info + 14, 24);
    put32(info + 16, 0);  // BI_RGB
    put32(info + 20, imageBytes);
    put32(info + 24, uint32_t(ppm));
    put32(info + 28, uint32_t(ppm));
}

bool allocate_scratch(LineWriter& w, std::size_t bytes)
{
    w.scratch = static_cast<uint8_t*>(mem::try_alloc(bytes));  // zeroed: padding bytes stay 0
    return w.scratch != nullptr;
}

void rgb_to_bgr(const uint8_t* row, uint8_t* out, int32_t width)
{
    for (int32_t x = 0; x < width; ++x, row += 3, out += 3) {
        out[0] = row[2];
        out[1] = row[1];
        out[2] = row[0];
    }
}

bool bmp_begin(LineWriter& w)
{
    const LineSettings& s = w.settings;
    const uint64_t imageBytes = uint64_t(bmp_stride(s.width)) * uint64_t(s.height);
    if (imageBytes + kBmpHeaderBytes > 0xFFFFFFFFu) return false;
    uint8_t header[kBmpHeaderBytes] = {'B', 'M'};
    put32(header + 2, uint32_t(imageBytes + kBmpHeaderBytes));
    put32(header + 10, kBmpHeaderBytes);
    put_bitmap_info(header + 14, s.width, s.height, uint32_t(imageBytes), pixels_per_metre(s.dpi));
    return allocate_scratch(w, bmp_stride(s.width)) && write_bytes(w, header, sizeof header);
}

bool bmp_line(LineWriter& w, const uint8_t* row)
{
    rgb_to_bgr(row, w.scratch, w.settings.width);
    return write_bytes(w, w.scratch, bmp_stride(w.settings.width));
}

bool nothing_to_finish(LineWriter&) { return true; }
void nothing_to_release(LineWriter&) {}

// ---- TGA: uncompressed 32-bit B, G, R, A, top row first ------------------------

bool tga_begin(LineWriter& w)
{
    uint8_t header[18] = {};
    header[2] = 2;  // uncompressed true colour
    put16(header + 12, uint32_t(w.settings.width));
    put16(header + 14, uint32_t(w.settings.height));
    header[16] = 32;
    header[17] = 0x20 | 8;  // top-left origin, 8 alpha bits
    return allocate_scratch(w, std::size_t(w.settings.width) * 4) && write_bytes(w, header, sizeof header);
}

bool tga_line(LineWriter& w, const uint8_t* row)
{
    uint8_t* out = w.scratch;
    for (int32_t x = 0; x < w.settings.width; ++x, row += 4, out += 4) {
        out[0] = row[2];
        out[1] = row[1];
        out[2] = row[0];
        out[3] = row[3];
    }
    return write_bytes(w, w.scratch, std::size_t(w.settings.width) * 4);
}

// ---- PCX: version 5, 8 bits, three planes a row, each run-length coded ---------

bool pcx_begin(LineWriter& w)
{
    const LineSettings& s = w.settings;
    uint8_t header[kPcxHeaderBytes] = {};
    header[0] = 10;  // manufacturer
    header[1] = 5;   // version
    header[2] = 1;   // run-length coded
    header[3] = 8;   // bits per plane
    put16(header + 8, uint32_t(s.width - 1));
    put16(header + 10, uint32_t(s.height - 1));
    const uint32_t dpi = uint32_t(std::clamp(s.dpi, 0, 65535));
    put16(header + 12, dpi);
    put16(header + 14, dpi);
    header[65] = 3;  // planes
    put16(header + 66, uint32_t(pcx_bytes_per_line(s.width)));
    put16(header + 68, 1);  // colour
    // Worst case of a plane: every byte a run of its own with a count byte.
    return allocate_scratch(w, std::size_t(pcx_bytes_per_line(s.width)) * 3 * 2) &&
           write_bytes(w, header, sizeof header);
}

bool pcx_line(LineWriter& w, const uint8_t* row)
{
    const int32_t width = w.settings.width, perLine = pcx_bytes_per_line(width);
    uint8_t* out = w.scratch;
    for (int plane = 0; plane < 3; ++plane) {
        int32_t x = 0;
        while (x < perLine) {
            const uint8_t value = x < width ? row[std::size_t(x) * 3 + plane] : 0;
            int32_t run = 1;
            while (x + run < perLine && run < 63 &&
                   (x + run < width ? row[std::size_t(x + run) * 3 + plane] : 0) == value)
                ++run;
            if (run > 1 || value >= 0xC0) *out++ = uint8_t(0xC0 | run);
            *out++ = value;
            x += run;
        }
    }
    return write_bytes(w, w.scratch, std::size_t(out - w.scratch));
}

// ---- EMF: header, one StretchDIBits record with a 24-bit DIB, end of file ------

constexpr uint32_t kEmfHeaderBytes = 108;
constexpr uint32_t kStretchDiBitsBytes = 80;
constexpr uint32_t kEofBytes = 20;

bool emf_begin(LineWriter& w)
{
    const LineSettings& s = w.settings;
    const uint64_t bits = uint64_t(bmp_stride(s.width)) * uint64_t(s.height);
    const uint64_t recordBytes = kStretchDiBitsBytes + 40 + bits;
    const uint64_t total = kEmfHeaderBytes + recordBytes + kEofBytes;
    if (total > 0x7FFFFFFFu) return false;
    // The reference device has `dpi` pixels an inch, so the frame (in
    // hundredths of a millimetre) gives the picture its size on paper.
    const int64_t dpi = s.dpi > 0 ? s.dpi : 96;
    uint8_t head[kEmfHeaderBytes + kStretchDiBitsBytes + 40] = {};
    uint8_t* h = head;
    put32(h, 1);  // EMR_HEADER
    put32(h + 4, kEmfHeaderBytes);
    put32(h + 16, uint32_t(s.width - 1));  // bounds, device pixels, inclusive
    put32(h + 20, uint32_t(s.height - 1));
    put32(h + 32, uint32_t(std::min<int64_t>(int64_t(s.width) * 2540 / dpi, INT32_MAX)));
    put32(h + 36, uint32_t(std::min<int64_t>(int64_t(s.height) * 2540 / dpi, INT32_MAX)));
    put32(h + 40, 0x464D4520);  // " EMF"
    put32(h + 44, 0x10000);
    put32(h + 48, uint32_t(total));
    put32(h + 52, 3);  // records
    put16(h + 56, 1);  // handles
    put32(h + 72, uint32_t(std::min<int64_t>(dpi * 10, INT32_MAX)));  // device: 10 x 10 inches
    put32(h + 76, uint32_t(std::min<int64_t>(dpi * 10, INT32_MAX)));
    put32(h + 80, 254);  // ... in millimetres
    put32(h + 84, 254);
    put32(h + 100, 254000);  // ... in micrometres
    put32(h + 104, 254000);

    uint8_t* r = head + kEmfHeaderBytes;
    put32(r, 81);  // EMR_STRETCHDIBITS
    put32(r + 4, uint32_t(recordBytes));
    put32(r + 16, uint32_t(s.width - 1));
    put32(r + 20, uint32_t(s.height - 1));
    put32(r + 40, uint32_t(s.width));   // source width
    put32(r + 44, uint32_t(s.height));  // source height
    put32(r + 48, kStretchDiBitsBytes); // bitmap info offset
    put32(r + 52, 40);
    put32(r + 56, kStretchDiBitsBytes + 40);  // bits offset
    put32(r + 60, uint32_t(bits));
    put32(r + 64, 0);           // DIB_RGB_COLORS
    put32(r + 68, 0x00CC0020);  // SRCCOPY
    put32(r + 72, uint32_t(s.width));
    put32(r + 76, uint32_t(s.height));
    put_bitmap_info(r + kStretchDiBitsBytes, s.width, s.height, uint32_t(bits), pixels_per_metre(int32_t(dpi)));
    return allocate_scratch(w, bmp_stride(s.width)) && write_bytes(w, head, sizeof head);
}

bool emf_finish(LineWriter& w)
{
    uint8_t eof[kEofBytes] = {};
    put32(eof, 14);  // EMR_EOF
    put32(eof + 4, kEofBytes);
    put32(eof + 12, 16);  // palette offset (no entries)
    put32(eof + 16, kEofBytes);
    return write_bytes(w, eof, sizeof eof);
}

}  // namespace

const LineCodec kBmpLines{LineFormat::Bmp, true, true, false, bmp_begin, bmp_line, nothing_to_finish, nothing_to_release};
const LineCodec kTgaLines{LineFormat::Tga, false, false, true, tga_begin, tga_line, nothing_to_finish, nothing_to_release};
const LineCodec kPcxLines{LineFormat::Pcx, false, true, false, pcx_begin, pcx_line, nothing_to_finish, nothing_to_release};
const LineCodec kEmfLines{LineFormat::Emf, true, true, false, emf_begin, bmp_line, emf_finish, nothing_to_release};

}  // namespace mur::imaging
