// The X11 session of the desktop exchange: one XCB connection (XCB is
// thread-safe), an unmapped input-only window, the atoms, and the thread
// that reads every event: it answers other programs' requests for the
// clipboard picture and hands the events of our own reads to the caller.
#pragma once

#include "imaging/picture.h"
#include "platform/xcb_library.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace mur::platform {

struct XcbAtoms {
    xcb_atom_t clipboard, targets, timestamp, incr, atom, integer, png, bmp, xbmp, jpeg, tiff, gif, property, clock;
};

// An encoded picture offered to others, shared with the transfers sending it.
using EncodedBytes = std::shared_ptr<const std::vector<uint8_t>>;

// A picture being sent to a requestor in increments.
struct OutgoingTransfer {
    xcb_window_t requestor = 0;
    xcb_atom_t property = 0;
    xcb_atom_t type = 0;
    EncodedBytes data;
    std::size_t sent = 0;
    bool done = true;
    std::chrono::steady_clock::time_point lastStep;
};

inline constexpr int kMaxTransfers = 8;

// The shared memory the capture reads bands through (MIT-SHM).
struct SharedSegment {
    int id = -1;
    void* address = nullptr;
    xcb_shm_seg_t segment = 0;
    std::size_t bytes = 0;
    bool failed = false;  // the server offers none or cannot attach it
};

struct XcbSession {
    const XcbApi* x = nullptr;
    xcb_connection_t* connection = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_window_t window = 0;
    XcbAtoms atoms{};
    std::size_t chunk = 0;  // the largest property written at once
    std::thread reader;

    // Shared between the thread and the callers.
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<xcb_generic_event_t*> forwarded;  // events of our own reads
    bool owning = false;
    xcb_timestamp_t ownedSince = 0;

    // The capturing caller's own.
    SharedSegment shared;

    // The thread's own.
    uint64_t encodedSerial = UINT64_MAX;
    EncodedBytes png, bmp;
    OutgoingTransfer transfers[kMaxTransfers];
};

// The thread's loop: runs until the connection fails or the session is
// stopped.
void serve_session(XcbSession& session) noexcept;

// The screen of a session as RGBA32 (MIT-SHM when offered).
bool capture_session_screen(XcbSession& session, imaging::Rgba32Picture& picture) noexcept;

// Gives the shared segment back (at the session's end).
void close_shared_segment(XcbSession& session) noexcept;

}  // namespace mur::platform
