// What the engine keeps of the pen tablet: the open context, the window it
// belongs to, the pressure axis and the last batch of packets.
#pragma once

#include "murcore.h"

#include <cstdint>

namespace mur {

inline constexpr int32_t kTabletPacketSlots = 256;
inline constexpr int32_t kFullPressure = 100;  // percent

// One packet as the driver fills it: status, position and pressure
// (the layout of the driver's packet, checked where the driver is called).
struct TabletPacket {
    uint32_t pkStatus = 0;
    int32_t pkX = 0;
    int32_t pkY = 0;
    uint32_t pkNormalPressure = 0;
};

struct TabletPoint {
    int32_t x = 0;
    int32_t y = 0;
};

struct TabletState {
    void* tabletContext = nullptr;      // the driver's open context, or null
    MUR_Window tabletWindow = nullptr;  // the window given to MUR_InitTablet
    TabletPoint tabletOrigin;           // screen position of its client area
    int32_t pressureMin = 0;            // the normal-pressure axis
    int32_t pressureMax = 0;
    int32_t pressureRange = 0;          // max - min
    float pressureScale = 0.0f;         // 100 / range; 0 when the axis has no range
    TabletPacket packets[kTabletPacketSlots] = {};
    int32_t packetCount = 0;            // valid packets in `packets`
    int32_t lastPressure = kFullPressure;
};

}  // namespace mur
