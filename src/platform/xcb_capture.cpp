// Screen capture over XCB: the default screen's root window read in bands
// of rows (through a shared memory segment when the server offers MIT-SHM),
// each pixel taken apart by the visual's colour masks. True colour of 24 or
// 32 bits in 32-bit pixels and of 15 or 16 bits in 16-bit pixels; other
// visuals are not read.
#include "platform/xcb_session.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace mur::platform {
namespace {

constexpr std::size_t kBandBytes = 8u << 20;

struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t top = 0;  // mask >> shift
};

Channel channel(uint32_t mask) noexcept
{
    Channel c{mask, 0, 0};
    if (!mask) return c;
    while (!((mask >> c.shift) & 1)) ++c.shift;
    c.top = mask >> c.shift;
    return c;
}

uint8_t level(uint32_t pixel, const Channel& c) noexcept
{
    return c.top ? uint8_t(((pixel & c.mask) >> c.shift) * 255u / c.top) : 0;
}

struct Format {
    int bitsPerPixel = 0;
    std::size_t rowBytes = 0;
    bool msbFirst = false;
    Channel r, g, b;
};

bool screen_format(const XcbApi* x, const xcb_setup_t* setup, const xcb_screen_t* screen, Format& f) noexcept
{
    const xcb_format_t* formats = x->xcb_setup_pixmap_formats(setup);
    const int count = x->xcb_setup_pixmap_formats_length(setup);
    int pad = 32;
    for (int i = 0; i < count; ++i)
        if (formats[i].depth == screen->root_depth) f.bitsPerPixel = formats[i].bits_per_pixel, pad = formats[i].scanline_pad;
    if (f.bitsPerPixel != 32 && f.bitsPerPixel != 16) return false;
    const xcb_visualtype_t* visual = nullptr;
    for (xcb_depth_iterator_t d = x->xcb_screen_allowed_depths_iterator(screen); d.rem && !visual; x->xcb_depth_next(&d))
        for (xcb_visualtype_iterator_t v = x->xcb_depth_visuals_iterator(d.data); v.rem; x->xcb_visualtype_next(&v))
            if (v.data->visual_id == screen->root_visual) {
                visual = v.data;
                break;
            }
    if (!visual || (visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR && visual->_class != XCB_VISUAL_CLASS_DIRECT_COLOR))
        return false;
    f.r = channel(visual->red_mask);
    f.g = channel(visual->green_mask);
    f.b = channel(visual->blue_mask);
    if (!f.r.top || !f.g.top || !f.b.top) return false;
    const std::size_t bits = std::size_t(screen->width_in_pixels) * std::size_t(f.bitsPerPixel);
    f.rowBytes = (bits + std::size_t(pad) - 1) / std::size_t(pad) * std::size_t(pad) / 8;
    f.msbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    return true;
}

void convert_rows(const Format& f, const uint8_t* data, int32_t width, int32_t rows, uint8_t* out) noexcept
{
    // The common case: 32-bit pixels, least significant byte first, a byte
    // a channel: the bytes are moved, not scaled.
    const bool bytes = std::endian::native == std::endian::little && f.bitsPerPixel == 32 && !f.msbFirst &&
                       f.r.top == 255 && f.g.top == 255 && f.b.top == 255 && f.r.shift % 8 == 0 &&
                       f.g.shift % 8 == 0 && f.b.shift % 8 == 0;
    if (bytes) {
        // Each output word is R | G << 8 | B << 16 | 255 << 24 gathered by
        // shifts from the input word, which the compiler keeps in vector
        // lanes.
        const int r = f.r.shift, g = f.g.shift, b = f.b.shift;
        for (int32_t y = 0; y < rows; ++y) {
            const uint8_t* s = data + std::size_t(y) * f.rowBytes;
            uint8_t* d = out + std::size_t(y) * std::size_t(width) * 4;
            for (int32_t x = 0; x < width; ++x) {
                uint32_t p;
                std::memcpy(&p, s + std::size_t(x) * 4, 4);
                const uint32_t q = (p >> r & 0xFFu) | (p >> g & 0xFFu) << 8 | (p >> b & 0xFFu) << 16 | 0xFF000000u;
                std::memcpy(d + std::size_t(x) * 4, &q, 4);
            }
        }
        return;
    }
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* s = data + std::size_t(y) * f.rowBytes;
        uint8_t* d = out + std::size_t(y) * std::size_t(width) * 4;
        for (int32_t x = 0; x < width; ++x, d += 4) {
            uint32_t p;
            if (f.bitsPerPixel == 32) {
                const uint8_t* q = s + std::size_t(x) * 4;
                p = f.msbFirst ? uint32_t(q[0]) << 24 | uint32_t(q[1]) << 16 | uint32_t(q[2]) << 8 | q[3]
                               : uint32_t(q[3]) << 24 | uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
            } else {
                const uint8_t* q = s + std::size_t(x) * 2;
                p = f.msbFirst ? uint32_t(q[0]) << 8 | q[1] : uint32_t(q[1]) << 8 | q[0];
            }
            d[0] = level(p, f.r);
            d[1] = level(p, f.g);
            d[2] = level(p, f.b);
            d[3] = 255;
        }
    }
}

// The session's shared memory segment, made (and attached by the server)
// on the first capture and kept for the next ones while large enough.
bool open_shared_band(XcbSession& s, std::size_t bytes) noexcept
{
    SharedSegment& g = s.shared;
    if (g.failed) return false;
    if (g.address && g.bytes >= bytes) return true;
    close_shared_segment(s);
    const XcbApi* x = s.x;
    xcb_connection_t* c = s.connection;
    g.failed = true;  // until it works
    if (!x->shmId) return false;
    const xcb_query_extension_reply_t* ext = x->xcb_get_extension_data(c, x->shmId);
    if (!ext || !ext->present) return false;
    xcb_shm_query_version_reply_t* v = x->xcb_shm_query_version_reply(c, x->xcb_shm_query_version(c), nullptr);
    if (!v) return false;
    std::free(v);
    g.id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (g.id < 0) return false;
    g.address = shmat(g.id, nullptr, 0);
    if (g.address == reinterpret_cast<void*>(-1)) {
        g.address = nullptr;
        close_shared_segment(s);
        return false;
    }
    g.segment = x->xcb_generate_id(c);
    x->xcb_shm_attach(c, g.segment, uint32_t(g.id), 0);
    g.bytes = bytes;
    g.failed = false;
    return true;
}

}  // namespace

void close_shared_segment(XcbSession& s) noexcept
{
    SharedSegment& g = s.shared;
    if (g.segment) s.x->xcb_shm_detach(s.connection, g.segment);
    if (g.address) shmdt(g.address);
    if (g.id >= 0) shmctl(g.id, IPC_RMID, nullptr);
    g = {};
}

bool capture_session_screen(XcbSession& s, imaging::Rgba32Picture& picture) noexcept
{
    picture = {};
    const XcbApi* x = s.x;
    Format f;
    if (!screen_format(x, x->xcb_get_setup(s.connection), s.screen, f)) return false;
    const int32_t width = s.screen->width_in_pixels, height = s.screen->height_in_pixels;
    if (!imaging::allocate_unfilled_picture(picture, width, height)) return false;
    const int32_t bandRows = int32_t(std::max<std::size_t>(1, std::min<std::size_t>(kBandBytes / f.rowBytes, 65535)));
    bool useShm = open_shared_band(s, f.rowBytes * std::size_t(bandRows));
    bool ok = true;
    for (int32_t y = 0; y < height && ok; y += bandRows) {
        const int32_t rows = std::min(bandRows, height - y);
        uint8_t* out = picture.pixels + std::size_t(y) * std::size_t(width) * 4;
        if (useShm) {
            xcb_shm_get_image_reply_t* r = x->xcb_shm_get_image_reply(
                s.connection,
                x->xcb_shm_get_image(s.connection, s.screen->root, 0, int16_t(y), uint16_t(width), uint16_t(rows),
                                     ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, s.shared.segment, 0),
                nullptr);
            const bool got = r != nullptr;
            std::free(r);
            if (got) {
                convert_rows(f, static_cast<const uint8_t*>(s.shared.address), width, rows, out);
                continue;
            }
            useShm = false;  // the server could not attach the segment (a remote display): plain requests
            close_shared_segment(s);
            s.shared.failed = true;
        }
        {
            xcb_get_image_reply_t* r = x->xcb_get_image_reply(
                s.connection,
                x->xcb_get_image(s.connection, XCB_IMAGE_FORMAT_Z_PIXMAP, s.screen->root, 0, int16_t(y),
                                 uint16_t(width), uint16_t(rows), ~0u),
                nullptr);
            ok = r && std::size_t(x->xcb_get_image_data_length(r)) >= f.rowBytes * std::size_t(rows);
            if (ok) convert_rows(f, x->xcb_get_image_data(r), width, rows, out);
            std::free(r);
        }
    }
    if (!ok) imaging::release_picture(picture);
    return ok;
}

}  // namespace mur::platform
