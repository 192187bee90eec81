#include "sweeps/engine_stages.h"

#include "engine/state.h"
#include "murcore.h"

#include <cstring>
#include <vector>

namespace mur::sweep {
namespace {

std::vector<uint8_t> gradient_rgba32(int32_t width, int32_t height)
{
    std::vector<uint8_t> picture(std::size_t(width) * height * 4);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = &picture[(std::size_t(y) * width + x) * 4];
            p[0] = static_cast<uint8_t>(x * 4);
            p[1] = static_cast<uint8_t>(y * 5);
            p[2] = static_cast<uint8_t>((x + y) * 2);
            p[3] = static_cast<uint8_t>(x < 8 ? 0 : 255 - y);
        }
    return picture;
}

void build_fresh_image()
{
    const int32_t w = kStageWidth, h = kStageHeight;
    MUR_SetRandomSeed(7);
    MUR_CreateImage(nullptr, w, h, 32, 0);
    MUR_IPLInit(0);
    for (int32_t slot : {0, 1, 2, 3}) MUR_CreateLayer(slot, w, h);
    MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
    MUR_SetLayerOptions(3, 1, 0, 60, "Multiply");
    MUR_SetLayer(3);
    const std::vector<uint8_t> picture = gradient_rgba32(w, h);
    MUR_LoadRGBA32(picture.data(), w * 4, 0);
    MUR_SetLayer(2);
    MUR_LoadRGBA32(picture.data(), w * 4, 0);
    MUR_SetUndoLevels(20);
}

void build_image()
{
    const int32_t w = kStageWidth, h = kStageHeight;
    build_fresh_image();
    MUR_SetLayer(3);
    MUR_CreateTexture(3);
    MUR_SetLayer(2);
    MUR_InvalidateDirtyUndoCanvas();
    MUR_SaveUndoBuffer(1, 1);

    // A mask protecting the left third and half-protecting a band.
    std::vector<uint8_t> gray(std::size_t(w) * h * 3, 0);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) std::memset(&gray[(std::size_t(y) * w + x) * 3], x < w / 3 ? 255 : y < 8 ? 128 : 0, 3);
    MUR_LoadMask(gray.data(), w * 3, w, h);
    MUR_EnableMask(1);

    MUR_SetTool(1.0f, 2, 150, 170, 90, 6, 10, 120, 60, 0, 0, 0, 0, "", "", 0);
    MUR_SetSize(12);
    MUR_SetColor(200, 100, 50);
    MUR_SetBlendBufferCount(2);
    MUR_SelectBlendBuffer(1);
    MUR_CreatePaintLayer(100, 100, "Normal");
    MUR_DrawDabGrit(30, 20, 200 << 8, 100 << 8, 50 << 8);
    MUR_MergePaintLayer(2);
    MUR_SaveUndoBuffer(1, 0);
    MUR_CreatePaintLayer(80, 100, "Normal");
    MUR_DrawDabGrit(40, 24, 20 << 8, 100 << 8, 250 << 8);

    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    MUR_IPLAllocSrcBuffer24();
    MUR_IPLAllocDstBuffer24();
    MUR_ToolAllocSrcBuffer32();
    MUR_ToolAllocDstBuffer32();
}

}  // namespace

const char* stage_name(Stage stage)
{
    switch (stage) {
    case Stage::NoImage: return "no-image";
    case Stage::ImageWithLayers: return "image";
    case Stage::FreshImage: return "fresh-image";
    case Stage::AfterDelete: return "deleted";
    }
    return "?";
}

bool stage_from_name(const char* name, Stage& stage)
{
    for (Stage s : kAllStages)
        if (std::strcmp(name, stage_name(s)) == 0) {
            stage = s;
            return true;
        }
    return false;
}

void build_stage(Stage stage)
{
    switch (stage) {
    case Stage::NoImage: break;
    case Stage::ImageWithLayers: build_image(); break;
    case Stage::FreshImage: build_fresh_image(); break;
    case Stage::AfterDelete:
        build_image();
        MUR_DeleteImage();
        break;
    }
}

ImageSize current_image()
{
    const bool present = engine.mask.plane != nullptr;
    return {present ? engine.width : 0, present ? engine.height : 0};
}

void use_engine_as_host()
{
    const int64_t w = engine.width > 0 ? engine.width : 0, h = engine.height > 0 ? engine.height : 0;
    std::vector<uint8_t> pixels(std::size_t(w) * std::size_t(h) * 4 + 4);
    MUR_SetScale(1, 1.0f);
    MUR_SetViewSize(static_cast<int32_t>(w), static_cast<int32_t>(h));
    MUR_GetRGBA32(pixels.data(), static_cast<int32_t>(w * 4));
    // A corner of the view is enough to meet a poisoned view setting.
    MUR_Render(pixels.data(), static_cast<int32_t>(w * 3), 0, 0, 16, 12);
    MUR_DrawDabGrit(static_cast<int32_t>(w / 2), static_cast<int32_t>(h / 2), 30000, 20000, 10000);
    MUR_MergePaintLayer(MUR_GetLayerNum());
    MUR_SaveUndoBuffer(1, 1);
    MUR_Undo();
    MUR_Redo();
}

}  // namespace mur::sweep
