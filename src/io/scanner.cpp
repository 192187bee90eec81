// Scanners through SANE: whether the library is there, the choice of a
// device, and one acquisition into the holding buffer. Each call runs a whole
// SANE session (init ... exit); without the library or a device every call
// answers 0 and sets no text.
#include "engine/guard.h"
#include "engine/memory.h"
#include "imaging/picture.h"
#include "io/io.h"
#include "platform/scanner.h"

#include <algorithm>
#include <cstring>

namespace mur {
namespace {

inline constexpr std::size_t kNameCapacity = 256;
inline constexpr int kMaxFrames = 3;                 // three-pass red, green, blue
inline constexpr long kMaxEmptyReads = 1 << 20;     // a backend answering nothing, for ever
inline constexpr std::size_t kFirstUnknownLines = 64;

struct ScannerChoice {
    char selected[kNameCapacity] = {};  // empty: the first device
    char answer[kNameCapacity] = {};    // the text MUR_TwainGetSourceName returned last
};

ScannerChoice g_choice;

struct Session {
    const platform::SaneCalls* sane = platform::sane_calls();
    bool open = false;
    Session() noexcept
    {
        SANE_Int version = 0;
        open = sane && sane->init(&version, nullptr) == SANE_STATUS_GOOD;
    }
    ~Session()
    {
        if (open) sane->exit();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The local devices, null-terminated; null when the list cannot be had.
    const SANE_Device** devices() const noexcept
    {
        const SANE_Device** list = nullptr;
        if (!open || sane->get_devices(&list, SANE_TRUE) != SANE_STATUS_GOOD) return nullptr;
        return list;
    }
};

const SANE_Device* find_device(const SANE_Device** list, const char* name) noexcept
{
    for (; list && *list; ++list)
        if ((*list)->name && std::strcmp((*list)->name, name) == 0) return *list;
    return nullptr;
}

// The chosen device when present, else the first; null without devices.
const SANE_Device* chosen_device(const SANE_Device** list) noexcept
{
    if (!list || !list[0]) return nullptr;
    const SANE_Device* named = g_choice.selected[0] ? find_device(list, g_choice.selected) : nullptr;
    return named ? named : list[0];
}

bool copy_name(char* out, const char* name) noexcept
{
    if (!name || strnlen(name, kNameCapacity) >= kNameCapacity) return false;
    std::strcpy(out, name);
    return true;
}

// An open device, cancelled and closed on every path out.
struct OpenDevice {
    const platform::SaneCalls* sane;
    SANE_Handle handle = nullptr;
    ~OpenDevice()
    {
        if (handle) {
            sane->cancel(handle);
            sane->close(handle);
        }
    }
};

// One frame's bytes, whole lines of bytesPerLine.
struct Frame {
    SANE_Parameters p{};
    mem::Owned<uint8_t> data;
    int32_t lines = 0;
};

bool is_channel(SANE_Frame f) noexcept { return f == SANE_FRAME_RED || f == SANE_FRAME_GREEN || f == SANE_FRAME_BLUE; }

// The bytes a line needs at least.
uint64_t line_bytes(const SANE_Parameters& p) noexcept
{
    const uint64_t samples = uint64_t(p.pixels_per_line) * (p.format == SANE_FRAME_RGB ? 3 : 1);
    return (samples * uint64_t(p.depth) + 7) / 8;
}

bool usable(const SANE_Parameters& p) noexcept
{
    if (p.format != SANE_FRAME_GRAY && p.format != SANE_FRAME_RGB && !is_channel(p.format)) return false;
    if (p.depth != 1 && p.depth != 8 && p.depth != 16) return false;
    if (p.pixels_per_line <= 0 || p.pixels_per_line > imaging::kMaxPictureSide) return false;
    if (p.lines == 0 || p.lines < -1 || p.lines > imaging::kMaxPictureSide) return false;
    if (p.bytes_per_line <= 0 || uint64_t(p.bytes_per_line) < line_bytes(p)) return false;
    // Padding of more than a line's worth again is no scanner's.
    return uint64_t(p.bytes_per_line) <= 2 * line_bytes(p) + 8;
}

// The most lines a picture of this width may have.
uint64_t line_cap(const SANE_Parameters& p) noexcept
{
    return std::min<uint64_t>(imaging::kMaxPictureSide, imaging::kMaxPicturePixels / uint64_t(p.pixels_per_line));
}

// Reads one started frame to its end. Known line counts must arrive whole;
// unknown ones grow the buffer up to the cap.
bool read_frame(const platform::SaneCalls& sane, SANE_Handle handle, Frame& frame) noexcept
{
    if (sane.get_parameters(handle, &frame.p) != SANE_STATUS_GOOD || !usable(frame.p)) return false;
    const uint64_t bpl = uint64_t(frame.p.bytes_per_line);
    const bool known = frame.p.lines > 0;
    const uint64_t maxBytes = bpl * line_cap(frame.p);
    uint64_t capacity = known ? bpl * uint64_t(frame.p.lines) : std::min(maxBytes, bpl * kFirstUnknownLines);
    if (capacity > maxBytes) return false;
    frame.data.reset(mem::try_alloc_array<uint8_t>(capacity));
    if (!frame.data) return false;

    uint64_t used = 0;
    long empty = 0;
    for (;;) {
        if (used == capacity) {
            if (known || capacity == maxBytes) {
                // Full: only the end may follow.
                SANE_Byte probe;
                SANE_Int got = 0;
                const SANE_Status status = sane.read(handle, &probe, 1, &got);
                if (status == SANE_STATUS_EOF) break;
                if (status != SANE_STATUS_GOOD || got > 0 || ++empty > kMaxEmptyReads) return false;
                continue;
            }
            const uint64_t bigger = std::min(maxBytes, capacity * 2);
            uint8_t* grown = mem::try_alloc_array<uint8_t>(bigger);
            if (!grown) return false;
            std::memcpy(grown, frame.data.get(), used);
            frame.data.reset(grown);
            capacity = bigger;
        }
        const SANE_Int ask = SANE_Int(std::min<uint64_t>(capacity - used, 1u << 20));
        SANE_Int got = 0;
        const SANE_Status status = sane.read(handle, frame.data.get() + used, ask, &got);
        if (status == SANE_STATUS_EOF) break;
        if (status != SANE_STATUS_GOOD || got < 0 || got > ask) return false;
        if (got == 0 && ++empty > kMaxEmptyReads) return false;
        used += uint64_t(got);
    }
    if (used == 0 || used % bpl != 0 || (known && used != capacity)) return false;
    frame.lines = int32_t(used / bpl);
    return true;
}

// Sample i of a line, as 8 bits.
uint8_t sample(const uint8_t* line, int64_t i, int32_t depth, bool grayBits) noexcept
{
    switch (depth) {
    case 1: {
        const bool set = (line[i >> 3] >> (7 - (i & 7))) & 1;
        return (set != grayBits) ? 255 : 0;  // gray: a set bit is black
    }
    case 8: return line[i];
    default: {
        uint16_t v;
        std::memcpy(&v, line + 2 * i, 2);
        return uint8_t(v >> 8);
    }
    }
}

// Channel c (0..2, or -1 for all three from gray) of the picture from a frame.
void convert(const Frame& f, imaging::Rgba32Picture& picture, int c) noexcept
{
    const bool rgb = f.p.format == SANE_FRAME_RGB;
    const bool gray = f.p.format == SANE_FRAME_GRAY;
    for (int32_t y = 0; y < picture.height; ++y) {
        const uint8_t* line = f.data.get() + std::size_t(y) * std::size_t(f.p.bytes_per_line);
        uint8_t* out = picture.pixels + std::size_t(y) * std::size_t(picture.width) * 4;
        for (int32_t x = 0; x < picture.width; ++x, out += 4) {
            if (rgb) {
                for (int k = 0; k < 3; ++k) out[k] = sample(line, int64_t(x) * 3 + k, f.p.depth, false);
            } else if (gray) {
                out[0] = out[1] = out[2] = sample(line, x, f.p.depth, true);
            } else {
                out[c] = sample(line, x, f.p.depth, false);
            }
            out[3] = 255;
        }
    }
}

// Every frame of one image, converted; false unless the image is whole.
bool scan_image(const platform::SaneCalls& sane, SANE_Handle handle, imaging::Rgba32Picture& picture) noexcept
{
    Frame frames[kMaxFrames];
    bool channels[3] = {};
    for (int n = 0;; ++n) {
        if (n == kMaxFrames || sane.start(handle) != SANE_STATUS_GOOD) return false;
        Frame& f = frames[n];
        if (!read_frame(sane, handle, f)) return false;
        if (n == 0 && !picture.pixels &&
            !imaging::allocate_unfilled_picture(picture, f.p.pixels_per_line, f.lines))
            return false;
        if (f.p.pixels_per_line != picture.width || f.lines != picture.height) return false;
        if (is_channel(f.p.format)) {
            const int c = f.p.format - SANE_FRAME_RED;
            if (channels[c]) return false;
            channels[c] = true;
            convert(f, picture, c);
            if (f.p.last_frame) return channels[0] && channels[1] && channels[2];
        } else {
            // Gray and RGB come in one frame.
            if (n != 0 || !f.p.last_frame) return false;
            convert(f, picture, -1);
            return true;
        }
        f.data.reset();
    }
}

}  // namespace

int32_t io::scanner_available()
{
    const Session session;
    return session.open ? 1 : 0;
}

int32_t io::select_scanner()
{
    const Session session;
    const SANE_Device* device = chosen_device(session.devices());
    return device && copy_name(g_choice.selected, device->name) ? 1 : 0;
}

int32_t io::select_scanner_by_name(const char* name)
{
    if (!name) return 0;
    const Session session;
    const SANE_Device* device = find_device(session.devices(), name);
    return device && copy_name(g_choice.selected, device->name) ? 1 : 0;
}

const char* io::scanner_name(int32_t index)
{
    g_choice.answer[0] = 0;
    const Session session;
    const SANE_Device** list = session.devices();
    for (int32_t i = 0; list && list[i] && index >= 0; ++i) {
        if (i == index) {
            copy_name(g_choice.answer, list[i]->name);
            break;
        }
    }
    return g_choice.answer;
}

int32_t io::acquire_scan()
{
    const Session session;
    const SANE_Device* device = chosen_device(session.devices());
    if (!device) return 0;
    OpenDevice open{session.sane};
    if (session.sane->open(device->name, &open.handle) != SANE_STATUS_GOOD) {
        open.handle = nullptr;
        return 0;
    }
    imaging::Rgba32Picture picture;
    if (!scan_image(*session.sane, open.handle, picture)) {
        imaging::release_picture(picture);
        return 0;
    }
    hold_picture(picture);
    return 1;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_IsTwain(void)
{
    return guard("IsTwain", int32_t{0}, [&] { return io::scanner_available(); });
}

MUR_API int32_t MUR_TwainSelectSource(void)
{
    return guard("TwainSelectSource", int32_t{0}, [&] { return io::select_scanner(); });
}

MUR_API int32_t MUR_TwainSelectSourceByName(const char* name)
{
    return guard("TwainSelectSourceByName", int32_t{0}, [&] { return io::select_scanner_by_name(name); });
}

MUR_API const char* MUR_TwainGetSourceName(int32_t index)
{
    const char* name = guard("TwainGetSourceName", static_cast<const char*>(nullptr),
                             [&] { return io::scanner_name(index); });
    return name ? name : "";
}

MUR_API int32_t MUR_TwainAcquire(void)
{
    return guard("TwainAcquire", int32_t{0}, [&] { return io::acquire_scan(); });
}

}  // extern "C"
