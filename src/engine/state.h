// The single process-wide engine state. Every export reads and writes it
// directly; the host calls the engine from one thread, so there is no lock.
#pragma once

#include "engine/brush_state.h"
#include "engine/error_text.h"
#include "engine/holding_state.h"
#include "engine/ipl_state.h"
#include "engine/layer_record.h"
#include "engine/mask_state.h"
#include "engine/tablet_state.h"
#include "engine/tool_settings.h"
#include "engine/undo_state.h"

#include <cstddef>
#include <cstdint>

#include "murcore.h"

namespace mur {

inline constexpr int32_t kMaxImageSide = 10000;
inline constexpr int32_t kFallbackImageSide = 100;
inline constexpr int kStartDirCapacity = 1024;
inline constexpr int kSplinePoints = 100;

struct EngineState {
    // The image as a whole.
    MUR_Window hostWindow = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowStride32 = 0;        // width * 4
    int32_t maxBrushSize = 0;
    int32_t maxBrushSize4 = 0;
    int32_t createParam5 = 0;
    int32_t viewScaleInt = 1;
    float viewScale = 1.0f;
    int32_t viewOffsetX = 0;
    int32_t viewOffsetY = 0;
    int32_t viewWidth = 0;
    int32_t viewHeight = 0;
    int32_t aoi[4] = {};
    int32_t randomSeed = 0;
    char startDir[kStartDirCapacity] = {};
    char ErrorText[kErrorTextCapacity] = {};
    uint8_t lockAlpha = 0;
    uint8_t tracingMode = 0;
    uint16_t** tracePixels = nullptr;        // the pixel pointer of slot 0
    double splineX[kSplinePoints] = {};
    double splineY[kSplinePoints] = {};
    int32_t splineCount = 0;

    // What the image owns, by subsystem.
    LayerTable layers;
    MaskState mask;
    UndoState undo;
    ToolSettings tool;
    BrushShapeState shape;
    BlendBufferState blend;
    ImageBrushState imageBrush;
    LayerRecord paintLayer;
    IplBufferSet ipl;
    TabletState tablet;
    HoldingBuffer holding;
    ClipTransformCache clipCache;
};

extern EngineState engine;

// Rectangles and sizes of the image in bytes and samples, computed without
// overflow.
inline std::size_t image_pixels() noexcept
{
    return static_cast<std::size_t>(engine.width > 0 ? engine.width : 0) *
           static_cast<std::size_t>(engine.height > 0 ? engine.height : 0);
}

}  // namespace mur
