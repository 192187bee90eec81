// The session thread: every event of the connection passes here. Requests
// for our clipboard picture are answered from the store (TARGETS,
// TIMESTAMP, image/png with alpha, image/bmp; INCR above the chunk size),
// the encoded bytes kept until the store changes. The events of the
// caller's own reads are handed over. The thread touches the store (under
// its lock) and nothing of the engine.
#include "platform/xcb_session.h"

#include "engine/memory.h"
#include "imaging/png_codec.h"
#include "platform/clipboard.h"

#include <cstdlib>
#include <cstring>

namespace mur::platform {
namespace {

constexpr auto kTransferTimeout = std::chrono::seconds(30);

EncodedBytes encode(bool png) noexcept
{
    try {
        imaging::ByteBlock dib;
        if (!copy_clipboard_dib(dib)) return nullptr;
        auto bytes = std::make_shared<std::vector<uint8_t>>();
        if (png) {
            imaging::Rgba32Picture picture;
            const bool decoded = decode_dib(dib.data, dib.size, picture);
            imaging::release_block(dib);
            if (!decoded) return nullptr;
            imaging::ByteBlock file;
            const imaging::ConstImageView view{picture.pixels, picture.width, picture.height,
                                               std::ptrdiff_t{picture.width} * 4, 4};
            const bool written = imaging::write_png_to_memory(view, file);
            imaging::release_picture(picture);
            if (!written) return nullptr;
            bytes->assign(file.data, file.data + file.size);
            imaging::release_block(file);
        } else {
            // A bitmap file is a plain 32-bit block behind a 14-byte file
            // header; blocks of other forms are rewritten so first.
            imaging::Rgba32Picture picture;
            if (!decode_dib(dib.data, dib.size, picture)) {
                imaging::release_block(dib);
                return nullptr;
            }
            imaging::release_block(dib);
            const bool encodedAgain =
                encode_dib(picture.pixels, picture.width, picture.height, std::ptrdiff_t{picture.width} * 4, dib);
            imaging::release_picture(picture);
            if (!encodedAgain) return nullptr;
            const uint32_t total = uint32_t(dib.size + 14);
            uint8_t file[14] = {'B', 'M'};
            for (int i = 0; i < 4; ++i) file[2 + i] = uint8_t(total >> (8 * i));
            const uint32_t offset = 14 + uint32_t(kDibHeaderBytes);
            for (int i = 0; i < 4; ++i) file[10 + i] = uint8_t(offset >> (8 * i));
            bytes->resize(14 + dib.size);
            std::memcpy(bytes->data(), file, 14);
            std::memcpy(bytes->data() + 14, dib.data, dib.size);
            imaging::release_block(dib);
        }
        return bytes;
    } catch (...) {
        return nullptr;
    }
}

EncodedBytes encoded(XcbSession& s, bool png) noexcept
{
    const uint64_t serial = clipboard_serial();
    if (serial != s.encodedSerial) {
        s.png.reset();
        s.bmp.reset();
        s.encodedSerial = serial;
    }
    EncodedBytes& slot = png ? s.png : s.bmp;
    if (!slot) slot = encode(png);
    return slot;
}

void notify(XcbSession& s, const xcb_selection_request_event_t& r, xcb_atom_t property) noexcept
{
    xcb_selection_notify_event_t e{};
    e.response_type = XCB_SELECTION_NOTIFY;
    e.time = r.time;
    e.requestor = r.requestor;
    e.selection = r.selection;
    e.target = r.target;
    e.property = property;
    s.x->xcb_send_event(s.connection, 0, r.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
}

OutgoingTransfer* free_transfer(XcbSession& s) noexcept
{
    const auto now = std::chrono::steady_clock::now();
    for (OutgoingTransfer& t : s.transfers)
        if (t.done || now - t.lastStep > kTransferTimeout) return &t;
    return nullptr;
}

// Writes the next increment of a transfer (the empty one ends it).
void send_step(XcbSession& s, OutgoingTransfer& t) noexcept
{
    const std::size_t left = t.data->size() - t.sent;
    const std::size_t n = left < s.chunk ? left : s.chunk;
    s.x->xcb_change_property(s.connection, XCB_PROP_MODE_REPLACE, t.requestor, t.property, t.type, 8, uint32_t(n),
                             t.data->data() + t.sent);
    t.sent += n;
    t.lastStep = std::chrono::steady_clock::now();
    if (n == 0) {
        t.done = true;
        t.data.reset();
        const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
        s.x->xcb_change_window_attributes(s.connection, t.requestor, XCB_CW_EVENT_MASK, &none);
    }
}

void answer(XcbSession& s, const xcb_selection_request_event_t& r) noexcept
{
    const XcbAtoms& a = s.atoms;
    const xcb_atom_t property = r.property ? r.property : r.target;
    bool owning;
    xcb_timestamp_t since;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        owning = s.owning;
        since = s.ownedSince;
    }
    if (!owning || r.selection != a.clipboard || !clipboard_holds_picture()) return notify(s, r, XCB_NONE);
    if (r.target == a.targets) {
        const xcb_atom_t offered[] = {a.targets, a.timestamp, a.png, a.bmp};
        s.x->xcb_change_property(s.connection, XCB_PROP_MODE_REPLACE, r.requestor, property, a.atom, 32, 4, offered);
        return notify(s, r, property);
    }
    if (r.target == a.timestamp) {
        s.x->xcb_change_property(s.connection, XCB_PROP_MODE_REPLACE, r.requestor, property, a.integer, 32, 1, &since);
        return notify(s, r, property);
    }
    if (r.target != a.png && r.target != a.bmp) return notify(s, r, XCB_NONE);
    EncodedBytes bytes = encoded(s, r.target == a.png);
    if (!bytes) return notify(s, r, XCB_NONE);
    if (bytes->size() <= s.chunk) {
        s.x->xcb_change_property(s.connection, XCB_PROP_MODE_REPLACE, r.requestor, property, r.target, 8,
                                 uint32_t(bytes->size()), bytes->data());
        return notify(s, r, property);
    }
    OutgoingTransfer* t = free_transfer(s);
    if (!t || bytes->size() > UINT32_MAX) return notify(s, r, XCB_NONE);
    *t = {r.requestor, property, r.target, bytes, 0, false, std::chrono::steady_clock::now()};
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    s.x->xcb_change_window_attributes(s.connection, r.requestor, XCB_CW_EVENT_MASK, &mask);
    const uint32_t size = uint32_t(bytes->size());
    s.x->xcb_change_property(s.connection, XCB_PROP_MODE_REPLACE, r.requestor, property, a.incr, 32, 1, &size);
    notify(s, r, property);
}

// A requestor deleted a property we are sending through: the next step.
bool continue_transfer(XcbSession& s, const xcb_property_notify_event_t& e) noexcept
{
    if (e.state != XCB_PROPERTY_DELETE) return false;
    for (OutgoingTransfer& t : s.transfers)
        if (!t.done && t.requestor == e.window && t.property == e.atom) {
            send_step(s, t);
            return true;
        }
    return false;
}

}  // namespace

void serve_session(XcbSession& s) noexcept
{
    while (xcb_generic_event_t* event = s.x->xcb_wait_for_event(s.connection)) {
        bool keep = false;
        switch (event->response_type & 0x7F) {
        case XCB_SELECTION_REQUEST:
            answer(s, *reinterpret_cast<xcb_selection_request_event_t*>(event));
            s.x->xcb_flush(s.connection);
            break;
        case XCB_SELECTION_CLEAR: {
            std::lock_guard<std::mutex> hold(s.lock);
            s.owning = false;
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (e->window != s.window) {
                if (continue_transfer(s, *e)) s.x->xcb_flush(s.connection);
                break;
            }
            keep = true;
            break;
        }
        case XCB_SELECTION_NOTIFY: keep = true; break;
        case XCB_CLIENT_MESSAGE: {
            const auto* e = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (e->window == s.window && e->type == s.atoms.property) {
                std::free(event);
                return;  // stopped
            }
            break;
        }
        default: break;
        }
        if (keep) {
            std::lock_guard<std::mutex> hold(s.lock);
            s.forwarded.push_back(event);
            s.arrived.notify_all();
        } else {
            std::free(event);
        }
    }
    // The connection failed: wake any caller waiting.
    std::lock_guard<std::mutex> hold(s.lock);
    s.owning = false;
    s.arrived.notify_all();
}

}  // namespace mur::platform
