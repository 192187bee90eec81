// The functions the buffer contract's size expressions use (see
// buffer_contract.txt), over 128-bit integers so that no product of 32-bit
// arguments overflows.
#pragma once

#include "sweeps/export_table.h"

#include "murcore.h"

namespace mur::sweep {

inline Big c_pos(Big v) { return v > 0 ? v : 0; }
inline Big c_min(Big a, Big b) { return a < b ? a : b; }
inline Big c_max(Big a, Big b) { return a > b ? a : b; }

inline Big c_rows(Big n, Big stride, Big bytes)
{
    if (n <= 0 || bytes <= 0) return 0;
    if (n == 1) return bytes;
    if (stride < 0) return 0;
    return (n - 1) * stride + bytes;
}

inline Big c_updown(Big n, Big stride, Big bytes)
{
    if (n <= 0 || bytes <= 0) return 0;
    if (n == 1) return bytes;
    if (stride < 0) return kUnbounded;
    return (n - 1) * stride + bytes;
}

inline Big c_reach(Big x, Big w, Big limit)
{
    const Big end = c_min(x + w, limit);
    return end > c_max(x, 0) ? end - x : 0;
}

inline Big c_clip(Big x, Big w, Big limit)
{
    const Big start = c_max(x, 0);
    return start + w > limit ? limit - start : w;
}

inline Big c_inside(Big x, Big y, Big width, Big height)
{
    return x >= 0 && y >= 0 && x < width && y < height ? 1 : 0;
}

// The handlers the sweeps install: a non-null pool value gives one that does
// nothing (the engine must never call what it was not given).
inline void quiet_message_box(void*, const char*, const char*) {}
inline void quiet_debug_output(void*, const char*) {}
inline int32_t quiet_escape_key(void*) { return 0; }
template <class Handler>
Handler quiet_handler(const void* chosen);
template <>
inline MUR_MessageBoxHandler quiet_handler<MUR_MessageBoxHandler>(const void* chosen)
{
    return chosen ? quiet_message_box : nullptr;
}
template <>
inline MUR_DebugOutputHandler quiet_handler<MUR_DebugOutputHandler>(const void* chosen)
{
    return chosen ? quiet_debug_output : nullptr;
}
template <>
inline MUR_EscapeKeyHandler quiet_handler<MUR_EscapeKeyHandler>(const void* chosen)
{
    return chosen ? quiet_escape_key : nullptr;
}

}  // namespace mur::sweep
