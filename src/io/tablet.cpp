// Pen-tablet input: one context for the host's window, packets pulled in
// batches, and per-packet answers (pressure, eraser end, status, position
// relative to the window). Without the driver library or a tablet every
// query gives its neutral value and no error text is set.
#include "io/io.h"
#include "engine/guard.h"
#include "engine/state.h"
#include "engine/tablet_state.h"
#include "io/wintab_loader.h"
#include "platform/desktop.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

static_assert(sizeof(mur::TabletPacket) == sizeof(PACKET) && offsetof(mur::TabletPacket, pkX) == offsetof(PACKET, pkX) &&
                  offsetof(mur::TabletPacket, pkNormalPressure) == offsetof(PACKET, pkNormalPressure),
              "the kept packets have the driver's layout");

namespace mur {
namespace {

inline constexpr char kContextName[] = "murcore tablet context";
inline constexpr int32_t kDiscardedOnReset = 1000;
inline constexpr int32_t kResetPressure = 10;
inline constexpr int32_t kPressureStep = 25;

TabletState& tablet_state() noexcept { return engine.tablet; }

bool in_batch(int32_t index) noexcept { return index >= 0 && index < tablet_state().packetCount; }
bool in_slots(int32_t index) noexcept { return index >= 0 && index < kTabletPacketSlots; }

// Packet pressure times the scale, truncated; a driver value too large for
// the result gives the largest result.
int32_t scaled_pressure(const TabletPacket& packet) noexcept
{
    const float scaled = static_cast<float>(packet.pkNormalPressure) * tablet_state().pressureScale;
    if (!(scaled < 2147483648.0f)) return INT32_MAX;
    return static_cast<int32_t>(scaled);
}

// a - b with two's-complement wrap-around, as the driver's coordinates may
// be anything.
int32_t wrapping_difference(int32_t a, int32_t b) noexcept
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

void store_pressure_axis(const AXIS& axis) noexcept
{
    TabletState& t = tablet_state();
    t.pressureMin = axis.axMin;
    t.pressureMax = axis.axMax;
    t.pressureRange = wrapping_difference(axis.axMax, axis.axMin);
    const uint32_t range = static_cast<uint32_t>(t.pressureRange);
    // An axis without range measures nothing: no scale, and packets read as
    // full pressure (MUR_ReadTabletPressure).
    t.pressureScale = range ? 100.0f / static_cast<float>(range) : 0.0f;
}

// The driver's default context, changed to report status, position and
// pressure in screen pixels with y growing downwards.
LOGCONTEXTA painting_context() noexcept
{
    LOGCONTEXTA context{};
    tablet::info(WTI_DEFCONTEXT, 0, &context);
    std::memset(context.lcName, 0, sizeof context.lcName);
    std::memcpy(context.lcName, kContextName, sizeof kContextName);
    context.lcOptions = CXO_SYSTEM;
    context.lcPktData = MUR_TABLET_PACKET_DATA;
    context.lcPktMode = 0;
    context.lcMoveMask = MUR_TABLET_PACKET_DATA;
    context.lcBtnUpMask = context.lcBtnDnMask;
    context.lcOutOrgX = 0;
    context.lcOutOrgY = 0;
    context.lcOutExtX = platform::screen_width();
    context.lcOutExtY = wrapping_difference(0, platform::screen_height());
    return context;
}

int32_t close_open_context() noexcept
{
    TabletState& t = tablet_state();
    if (!t.tabletContext) return 0;
    const int32_t result = tablet::close_context(t.tabletContext);
    t.tabletContext = nullptr;
    return result;
}

}  // namespace
int32_t io::init_tablet(MUR_Window window)
{
    TabletState& t = tablet_state();
    // A second initialisation replaces the context rather than losing it.
    close_open_context();
    t.tabletWindow = window;

    AXIS pressure{};
    if (!tablet::info(WTI_DEVICES, DVC_NPRESSURE, &pressure)) return 0;
    store_pressure_axis(pressure);

    LOGCONTEXTA context = painting_context();
    t.tabletContext = tablet::open_context(window, &context, 1);
    if (!t.tabletContext) return 0;
    return tablet::queue_size_set(t.tabletContext, kTabletPacketSlots);
}

int32_t io::set_tablet_origin()
{
    TabletState& t = tablet_state();
    if (!t.tabletContext) return 0;
    platform::ScreenPoint origin{0, 0};
    const bool converted = platform::client_origin_on_screen(t.tabletWindow, origin);
    t.tabletOrigin = {origin.x, origin.y};
    return converted ? 1 : 0;
}

int32_t io::read_tablet_packets()
{
    TabletState& t = tablet_state();
    t.packetCount = 0;
    if (!t.tabletContext) return 0;
    const int32_t read = tablet::packets_get(t.tabletContext, kTabletPacketSlots, t.packets);
    t.packetCount = std::clamp(read, int32_t{0}, kTabletPacketSlots);
    return t.packetCount;
}

int32_t io::read_tablet_pressure(int32_t index)
{
    TabletState& t = tablet_state();
    if (!t.tabletContext) return t.lastPressure;
    if (in_batch(index)) {
        int32_t pressure = t.pressureRange == 0 ? kFullPressure : scaled_pressure(t.packets[index]);
        if (pressure == 0) pressure = 1;
        t.lastPressure = pressure;
        return pressure;
    }
    // No such packet (a stroke made with the mouse): a ramp from the
    // reset value up to full pressure.
    const int32_t pressure = t.lastPressure;
    t.lastPressure = pressure >= kFullPressure - kPressureStep ? kFullPressure : pressure + kPressureStep;
    return pressure;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_InitTablet(MUR_Window window)
{
    return guard_silent(int32_t{0}, [&] { return io::init_tablet(window); });
}

MUR_API int32_t MUR_SetTabletOrigin(void)
{
    return guard_silent(int32_t{0}, [&] { return io::set_tablet_origin(); });
}

MUR_API int32_t MUR_CloseTablet(void)
{
    return guard_silent(int32_t{0}, [&] { return close_open_context(); });
}

MUR_API void MUR_ResetTabletPressure(void)
{
    guard_silent(0, [&] {
        TabletState& t = tablet_state();
        t.lastPressure = kResetPressure;
        if (t.tabletContext) tablet::packets_get(t.tabletContext, kDiscardedOnReset, nullptr);
        return 0;
    });
}

MUR_API int32_t MUR_ReadTabletPackets(void)
{
    return guard_silent(int32_t{0}, [&] { return io::read_tablet_packets(); });
}

MUR_API int32_t MUR_ReadTabletPressure(int32_t index)
{
    return guard_silent(int32_t{0}, [&] { return io::read_tablet_pressure(index); });
}

MUR_API int32_t MUR_ReadRawTabletPressure(int32_t index)
{
    return guard_silent(int32_t{0}, [&]() -> int32_t {
        const TabletState& t = tablet_state();
        if (!t.tabletContext || !in_slots(index)) return 0;
        return scaled_pressure(t.packets[index]);
    });
}

MUR_API int32_t MUR_IsPacketInvert(int32_t index)
{
    return guard_silent(int32_t{0}, [&]() -> int32_t {
        return in_batch(index) && (tablet_state().packets[index].pkStatus & TPS_INVERT) ? 1 : 0;
    });
}

MUR_API uint32_t MUR_PacketStatus(int32_t index)
{
    return guard_silent(uint32_t{0}, [&]() -> uint32_t {
        const TabletState& t = tablet_state();
        if (!t.tabletContext || !in_batch(index)) return 0;
        return t.packets[index].pkStatus;
    });
}

MUR_API int32_t MUR_ReadTabletX(int32_t index)
{
    return guard_silent(int32_t{0}, [&]() -> int32_t {
        const TabletState& t = tablet_state();
        if (!t.tabletContext || !in_batch(index)) return 0;
        return wrapping_difference(t.packets[index].pkX, t.tabletOrigin.x);
    });
}

MUR_API int32_t MUR_ReadTabletY(int32_t index)
{
    return guard_silent(int32_t{0}, [&]() -> int32_t {
        const TabletState& t = tablet_state();
        if (!t.tabletContext || !in_batch(index)) return 0;
        return wrapping_difference(t.packets[index].pkY, t.tabletOrigin.y);
    });
}

}  // extern "C"
