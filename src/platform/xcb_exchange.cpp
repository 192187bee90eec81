// The X11 desktop exchange: the session started on first use when DISPLAY
// names a display, claiming the CLIPBOARD selection for the store's picture
// and reading other programs' pictures (INCR included), and the backend
// record the store and the capture call.
#include "platform/desktop_exchange.h"

#include "imaging/picture_reader.h"
#include "platform/clipboard.h"
#include "platform/xcb_session.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace mur::platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kFirstAnswer = std::chrono::seconds(10);
constexpr auto kBetweenIncrements = std::chrono::seconds(5);
constexpr std::size_t kMaxForeignBytes = std::size_t{1} << 30;

std::mutex g_startLock;
XcbSession* g_session = nullptr;
std::string g_failedDisplay;  // a display that could not be opened is not tried again

xcb_atom_t intern(const XcbApi* x, xcb_connection_t* c, const char* name) noexcept
{
    xcb_intern_atom_reply_t* r = x->xcb_intern_atom_reply(c, x->xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : XCB_NONE;
    std::free(r);
    return atom;
}

XcbSession* open_session(const XcbApi* x) noexcept
{
    xcb_connection_t* c = x->xcb_connect(nullptr, nullptr);
    if (!c || x->xcb_connection_has_error(c)) {
        if (c) x->xcb_disconnect(c);
        return nullptr;
    }
    auto* s = new (std::nothrow) XcbSession;
    if (!s) {
        x->xcb_disconnect(c);
        return nullptr;
    }
    s->x = x;
    s->connection = c;
    s->screen = x->xcb_setup_roots_iterator(x->xcb_get_setup(c)).data;
    const uint32_t maxRequest = x->xcb_get_maximum_request_length(c);  // in 4-byte units
    s->chunk = std::min<std::size_t>(std::size_t{maxRequest} * 4 / 2, 256 * 1024);
    s->window = x->xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    x->xcb_create_window(c, 0, s->window, s->screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                         XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    XcbAtoms& a = s->atoms;
    a.clipboard = intern(x, c, "CLIPBOARD");
    a.targets = intern(x, c, "TARGETS");
    a.timestamp = intern(x, c, "TIMESTAMP");
    a.incr = intern(x, c, "INCR");
    a.atom = XCB_ATOM_ATOM;
    a.integer = XCB_ATOM_INTEGER;
    a.png = intern(x, c, "image/png");
    a.bmp = intern(x, c, "image/bmp");
    a.xbmp = intern(x, c, "image/x-bmp");
    a.jpeg = intern(x, c, "image/jpeg");
    a.tiff = intern(x, c, "image/tiff");
    a.gif = intern(x, c, "image/gif");
    a.property = intern(x, c, "MUR_SELECTION");
    a.clock = intern(x, c, "MUR_CLOCK");
    x->xcb_flush(c);
    if (x->xcb_connection_has_error(c) || !a.clipboard || !a.property) {
        x->xcb_disconnect(c);
        delete s;
        return nullptr;
    }
    try {
        s->reader = std::thread(serve_session, std::ref(*s));
    } catch (...) {
        x->xcb_disconnect(c);
        delete s;
        return nullptr;
    }
    return s;
}

void close_session(XcbSession* s) noexcept
{
    if (!s) return;
    // A message to our own window ends the thread's loop.
    xcb_client_message_event_t stop{};
    stop.response_type = XCB_CLIENT_MESSAGE;
    stop.format = 32;
    stop.window = s->window;
    stop.type = s->atoms.property;
    s->x->xcb_send_event(s->connection, 0, s->window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&stop));
    s->x->xcb_flush(s->connection);
    if (s->reader.joinable()) s->reader.join();
    for (xcb_generic_event_t* e : s->forwarded) std::free(e);
    close_shared_segment(*s);
    s->x->xcb_destroy_window(s->connection, s->window);
    s->x->xcb_disconnect(s->connection);
    delete s;
}

XcbSession* session() noexcept
{
    std::lock_guard<std::mutex> hold(g_startLock);
    if (g_session) return g_session;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return nullptr;
    try {
        if (g_failedDisplay == display) return nullptr;
        const XcbApi* x = xcb_api();
        g_session = x ? open_session(x) : nullptr;
        if (!g_session) g_failedDisplay = display;
    } catch (...) {
        return nullptr;
    }
    return g_session;
}

// Waits for a handed-over event the predicate accepts (others are dropped);
// null at the deadline or when the connection fails. The caller frees it.
template <class Accept>
xcb_generic_event_t* wait_event(XcbSession& s, Clock::time_point deadline, Accept accept) noexcept
{
    std::unique_lock<std::mutex> hold(s.lock);
    for (;;) {
        while (!s.forwarded.empty()) {
            xcb_generic_event_t* e = s.forwarded.front();
            s.forwarded.pop_front();
            if (accept(e)) return e;
            std::free(e);
        }
        if (s.x->xcb_connection_has_error(s.connection)) return nullptr;
        if (s.arrived.wait_until(hold, deadline) == std::cv_status::timeout && s.forwarded.empty()) return nullptr;
    }
}

void drop_forwarded(XcbSession& s) noexcept
{
    std::lock_guard<std::mutex> hold(s.lock);
    for (xcb_generic_event_t* e : s.forwarded) std::free(e);
    s.forwarded.clear();
}

// The server's time, from a property change on our window.
xcb_timestamp_t server_time(XcbSession& s) noexcept
{
    drop_forwarded(s);
    s.x->xcb_change_property(s.connection, XCB_PROP_MODE_APPEND, s.window, s.atoms.clock, XCB_ATOM_INTEGER, 32, 0,
                             nullptr);
    s.x->xcb_flush(s.connection);
    xcb_generic_event_t* e = wait_event(s, Clock::now() + kFirstAnswer, [&](xcb_generic_event_t* ev) {
        return (ev->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
               reinterpret_cast<xcb_property_notify_event_t*>(ev)->atom == s.atoms.clock;
    });
    const xcb_timestamp_t t = e ? reinterpret_cast<xcb_property_notify_event_t*>(e)->time : XCB_CURRENT_TIME;
    std::free(e);
    return t;
}

xcb_window_t clipboard_owner(XcbSession& s) noexcept
{
    xcb_get_selection_owner_reply_t* r =
        s.x->xcb_get_selection_owner_reply(s.connection, s.x->xcb_get_selection_owner(s.connection, s.atoms.clipboard),
                                           nullptr);
    const xcb_window_t owner = r ? r->owner : XCB_NONE;
    std::free(r);
    return owner;
}

bool claim() noexcept
{
    XcbSession* s = session();
    if (!s) return false;
    const xcb_timestamp_t now = server_time(*s);
    {
        std::lock_guard<std::mutex> hold(s->lock);
        s->owning = true;  // before the claim: a request may follow it at once
        s->ownedSince = now;
    }
    s->x->xcb_set_selection_owner(s->connection, s->window, s->atoms.clipboard, now);
    const bool confirmed = clipboard_owner(*s) == s->window;
    if (!confirmed) {
        std::lock_guard<std::mutex> hold(s->lock);
        s->owning = false;
    }
    return confirmed;
}

// Asks the owner for the selection in `target` and reads the answer
// (collecting INCR increments); false when refused, late or too large.
bool convert(XcbSession& s, xcb_atom_t target, xcb_atom_t& type, std::vector<uint8_t>& bytes) noexcept
{
    const XcbAtoms& a = s.atoms;
    drop_forwarded(s);
    s.x->xcb_delete_property(s.connection, s.window, a.property);
    s.x->xcb_convert_selection(s.connection, s.window, a.clipboard, target, a.property, XCB_CURRENT_TIME);
    s.x->xcb_flush(s.connection);
    xcb_generic_event_t* e = wait_event(s, Clock::now() + kFirstAnswer, [&](xcb_generic_event_t* ev) {
        return (ev->response_type & 0x7F) == XCB_SELECTION_NOTIFY;
    });
    if (!e) return false;
    const xcb_atom_t property = reinterpret_cast<xcb_selection_notify_event_t*>(e)->property;
    std::free(e);
    if (property == XCB_NONE) return false;
    auto read = [&](bool& incr) -> bool {
        xcb_get_property_reply_t* r = s.x->xcb_get_property_reply(
            s.connection, s.x->xcb_get_property(s.connection, 1, s.window, a.property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                                uint32_t(kMaxForeignBytes / 4)),
            nullptr);
        if (!r) return false;
        const auto* v = static_cast<const uint8_t*>(s.x->xcb_get_property_value(r));
        const std::size_t n = std::size_t(s.x->xcb_get_property_value_length(r));
        type = r->type;
        incr = r->type == a.incr;
        bool ok = r->bytes_after == 0 && bytes.size() + n <= kMaxForeignBytes;
        try {
            if (ok && !incr) bytes.insert(bytes.end(), v, v + n);
        } catch (...) {
            ok = false;
        }
        std::free(r);
        return ok;
    };
    bool incr = false;
    drop_forwarded(s);
    if (!read(incr)) return false;
    if (!incr) return true;
    // INCR: our delete above asked for the first increment; each one we
    // read and delete asks for the next; the empty one ends.
    s.x->xcb_flush(s.connection);
    xcb_atom_t incrType = XCB_NONE;
    for (;;) {
        xcb_generic_event_t* ev = wait_event(s, Clock::now() + kBetweenIncrements, [&](xcb_generic_event_t* p) {
            const auto* pn = reinterpret_cast<xcb_property_notify_event_t*>(p);
            return (p->response_type & 0x7F) == XCB_PROPERTY_NOTIFY && pn->atom == a.property &&
                   pn->state == XCB_PROPERTY_NEW_VALUE;
        });
        if (!ev) return false;
        std::free(ev);
        const std::size_t before = bytes.size();
        bool again = false;
        if (!read(again) || again) return false;
        s.x->xcb_flush(s.connection);
        if (type != XCB_NONE) incrType = type;
        if (bytes.size() == before) break;
    }
    type = incrType;
    return true;
}

ForeignRead read_foreign(imaging::Rgba32Picture& picture) noexcept
{
    picture = {};
    XcbSession* s = session();
    if (!s) return ForeignRead::Ours;
    const xcb_window_t owner = clipboard_owner(*s);
    if (owner == s->window) return ForeignRead::Ours;
    if (owner == XCB_NONE) return ForeignRead::None;
    try {
        const XcbAtoms& a = s->atoms;
        xcb_atom_t type = XCB_NONE;
        std::vector<uint8_t> bytes;
        if (!convert(*s, a.targets, type, bytes)) return ForeignRead::None;
        const std::size_t count = bytes.size() / 4;
        xcb_atom_t best = XCB_NONE;
        for (xcb_atom_t wanted : {a.png, a.bmp, a.xbmp, a.jpeg, a.tiff, a.gif}) {
            for (std::size_t i = 0; i < count && best == XCB_NONE; ++i) {
                xcb_atom_t offered;
                std::memcpy(&offered, bytes.data() + i * 4, 4);
                if (offered == wanted) best = wanted;
            }
            if (best != XCB_NONE) break;
        }
        if (best == XCB_NONE) return ForeignRead::None;  // text only
        bytes.clear();
        if (!convert(*s, best, type, bytes) || bytes.empty()) return ForeignRead::None;
        return imaging::read_picture_from_memory(bytes.data(), bytes.size(), picture) ? ForeignRead::Picture
                                                                                      : ForeignRead::None;
    } catch (...) {
        return ForeignRead::None;
    }
}

bool capture(imaging::Rgba32Picture& picture) noexcept
{
    XcbSession* s = session();
    return s && capture_session_screen(*s, picture);
}

const ExchangeBackend kBackend{claim, read_foreign, capture};

// Stops the session when the library is unloaded or the process ends.
struct StopAtUnload {
    ~StopAtUnload() { stop_exchange_backend(); }
} g_stopAtUnload;

}  // namespace

const ExchangeBackend* exchange_backend() noexcept { return session() ? &kBackend : nullptr; }

void stop_exchange_backend() noexcept
{
    std::lock_guard<std::mutex> hold(g_startLock);
    close_session(g_session);
    g_session = nullptr;
    g_failedDisplay.clear();
}

void announce_clipboard_change() noexcept
{
    if (const ExchangeBackend* b = exchange_backend()) b->claim();
}

}  // namespace mur::platform
