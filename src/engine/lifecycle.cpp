#include "engine/lifecycle.h"

#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/hooks.h"
#include "engine/memory.h"
#include "engine/state.h"

#include <algorithm>
#include <cstring>

namespace mur {

inline constexpr int32_t kMaxBrushSide = 32768;
inline constexpr int32_t kRandomTableLength = 1000000;

int32_t clamp_image_side(int32_t side) noexcept
{
    return (side < 0 || side > kMaxImageSide) ? kFallbackImageSide : side;
}

int32_t clamp_brush_size(int32_t size) noexcept { return std::clamp(size, 0, kMaxBrushSide); }

namespace {

std::size_t grit_buffer_bytes() noexcept
{
    const std::size_t side = static_cast<std::size_t>(engine.maxBrushSize) + 25;
    return side * side;
}

void store_view_defaults() noexcept
{
    engine.viewScaleInt = 1;
    engine.viewScale = 1.0f;
    engine.viewOffsetX = 0;
    engine.viewOffsetY = 0;
}

void store_brush_size(int32_t maxBrushSize) noexcept
{
    engine.maxBrushSize = clamp_brush_size(maxBrushSize);
    engine.maxBrushSize4 = engine.maxBrushSize * 4;
}

// The modules above the engine act through their hooks (engine/hooks.h).
void call(void (*hook)()) { if (hook) hook(); }
void set_blend_buffer_count(int32_t count)
{
    if (const auto hook = engine_hooks().setBlendBufferCount) hook(count);
}

// The image-sized planes outside the layer table and the undo history.
void release_mask_texture_and_back_buffers()
{
    mem::release_and_null(engine.mask.plane);
    mem::release_and_null(engine.layers.texture);
    call(engine_hooks().releaseBackBuffers);
}

void release_history()
{
    call(engine_hooks().releaseHistoryEntries);
    call(engine_hooks().clearHistory);
    engine.undo.undoUsedKB = 0;
}

void release_brush_buffers()
{
    set_blend_buffer_count(0);
    mem::release_and_null(engine.paintLayer.pixels);
    mem::release_and_null(engine.shape.plane);
    mem::release_and_null(engine.shape.sourceImage);
    engine.shape.sourceWidth = 0;
    engine.shape.sourceHeight = 0;
    engine.shape.sourcePath[0] = '\0';
    for (uint8_t*& grit : engine.tool.gritBuffers) mem::release_and_null(grit);
    ImageBrushState& brush = engine.imageBrush;
    for (uint16_t** block : {&brush.picture, &brush.array, &brush.sized}) mem::release_and_null(*block);
    for (uint8_t** block : {&brush.unrotated, &brush.rotated}) mem::release_and_null(*block);
    brush = ImageBrushState{};
}

void release_ipl_buffers()
{
    for (IplBuffer* buffer : {&engine.ipl.src32, &engine.ipl.dst32, &engine.ipl.src24, &engine.ipl.dst24}) {
        mem::release_and_null(buffer->data);
        buffer->bytes = 0;
    }
}

// Create steps 5 to 11: the buffers made for the image size and brush size.
void allocate_image_buffers()
{
    const std::size_t pixels = image_pixels();
    for (uint8_t*& grit : engine.tool.gritBuffers) grit = x_NewCharUndoReduce(grit_buffer_bytes());

    const std::size_t side = static_cast<std::size_t>(engine.maxBrushSize);
    engine.shape.plane = mem::alloc_array<uint16_t>(side * side);

    set_blend_buffer_count(1);

    engine.mask.plane = mem::alloc_array<uint16_t>(pixels);
    std::memset(engine.mask.plane, 0xFF, pixels * sizeof(uint16_t));
    engine.mask.strideBytes = engine.width * 2;
    engine.mask.enabled = 1;
    engine.tracingMode = 0;

    engine.undo.backBuffer.colorPatch = mem::alloc_array<uint16_t>(pixels * 4);
    engine.undo.backBuffer.maskPatch = mem::alloc_array<uint16_t>(pixels);

    call(engine_hooks().clearHistory);
    engine.undo.undoUsedKB = static_cast<int32_t>(pixels * 10 / 1024);

    MakeRandArrayByte(engine.tool.randomTableA, 255, kRandomTableLength);
    MakeRandArrayByte(engine.tool.randomTableB, 254, kRandomTableLength);
}

}  // namespace

void create_image(MUR_Window hostWindow, int32_t width, int32_t height, int32_t maxBrushSize, int32_t param5)
{
    engine.width = clamp_image_side(width);
    engine.height = clamp_image_side(height);
    engine.hostWindow = hostWindow;
    engine.rowStride32 = engine.width * 4;
    store_brush_size(maxBrushSize);
    engine.createParam5 = param5;
    store_view_defaults();

    for (LayerRecord& slot : engine.layers.slots) mem::release_and_null(slot.pixels);

    // A second create without a delete in between: whatever the first
    // image still owns goes before it is allocated anew.
    release_mask_texture_and_back_buffers();
    release_history();
    release_brush_buffers();
    release_ipl_buffers();

    engine.layers.currentRecord = nullptr;
    engine.tracePixels = &engine.layers.slots[0].pixels;
    allocate_image_buffers();
}

void new_size(MUR_Window hostWindow, int32_t width, int32_t height, int32_t maxBrushSize, int32_t param5)
{
    engine.height = clamp_image_side(height);
    engine.hostWindow = hostWindow;
    engine.width = clamp_image_side(width);

    release_mask_texture_and_back_buffers();
    release_history();
    release_brush_buffers();
    release_ipl_buffers();

    store_view_defaults();
    engine.rowStride32 = engine.width * 4;
    store_brush_size(maxBrushSize);
    engine.createParam5 = param5;

    allocate_image_buffers();
}

void delete_image()
{
    release_mask_texture_and_back_buffers();
    release_history();
    release_brush_buffers();
    for (LayerRecord& slot : engine.layers.slots) mem::release_and_null(slot.pixels);
    release_ipl_buffers();
    mem::trim();
    // No image is left: operations on image-sized buffers find nothing
    // to do, rather than the size of the image that is gone.
    engine.width = 0;
    engine.height = 0;
    engine.rowStride32 = 0;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_CreateImage(MUR_Window hostWindow, int32_t width, int32_t height, int32_t maxBrushSize,
                             int32_t param5)
{
    guard("CreateImage", [&] { create_image(hostWindow, width, height, maxBrushSize, param5); });
}

MUR_API void MUR_NewSize(MUR_Window hostWindow, int32_t width, int32_t height, int32_t maxBrushSize,
                         int32_t param5)
{
    guard("NewSize", [&] { new_size(hostWindow, width, height, maxBrushSize, param5); });
}

MUR_API void MUR_DeleteImage(void)
{
    guard("DeleteImage", [&] { delete_image(); });
}

}  // extern "C"
