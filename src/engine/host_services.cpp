// Small services for the host: windows, system colours and metrics, memory
// figures, view settings, the random seed, the start directory, files.
#include "engine/guard.h"
#include "engine/random.h"
#include "engine/state.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/memory_status.h"
#include "platform/script_sinks.h"

#include <atomic>
#include <cstring>

namespace mur {
namespace {

// Whole megabytes, truncated to 32 bits.
int32_t megabytes(uint64_t bytes) noexcept { return static_cast<int32_t>(static_cast<uint32_t>(bytes >> 20)); }

}  // namespace
}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_SetMessageBoxHandler(MUR_MessageBoxHandler handler, void* user)
{
    mur::guard("SetMessageBoxHandler", [&] { platform::set_message_box_handler(handler, user); });
}

MUR_API void MUR_SetDebugOutputHandler(MUR_DebugOutputHandler handler, void* user)
{
    mur::guard("SetDebugOutputHandler", [&] { platform::set_debug_output_handler(handler, user); });
}

MUR_API void MUR_SetEscapeKeyHandler(MUR_EscapeKeyHandler handler, void* user)
{
    mur::guard("SetEscapeKeyHandler", [&] { platform::set_escape_key_handler(handler, user); });
}

MUR_API int32_t MUR_SetWindowRedraw(MUR_Window window, int32_t flag)
{
    return mur::guard<int32_t>("SetWindowRedraw", 0, [&] { return platform::set_window_redraw(window, flag & 0xFF); });
}

MUR_API int32_t MUR_RedrawWindow(MUR_Window window)
{
    return mur::guard<int32_t>("RedrawWindow", 0, [&] { return platform::redraw_window(window); });
}

MUR_API int32_t MUR_SetWindowBasePos(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return mur::guard<int32_t>("SetWindowBasePos", 0, [&]() -> int32_t {
        platform::WindowRect normal{};
        if (!platform::read_window_placement(engine.hostWindow, normal)) return 0;
        normal = {left, top, right - 1, bottom - 1};
        return platform::write_window_placement(engine.hostWindow, normal) ? 1 : 0;
    });
}

MUR_API uint32_t MUR_GetWindowBackgroundColor(void)
{
    return mur::guard<uint32_t>("GetWindowBackgroundColor", 0, [&] { return platform::button_face_color(); });
}
MUR_API uint32_t MUR_GetWindowTextColor(void)
{
    return mur::guard<uint32_t>("GetWindowTextColor", 0, [&] { return platform::button_text_color(); });
}
MUR_API int32_t MUR_GetWindowCaptionSize(void)
{
    return mur::guard<int32_t>("GetWindowCaptionSize", 0, [&] { return platform::caption_height(); });
}
MUR_API int32_t MUR_GetWindowSmallCaptionSize(void)
{
    return mur::guard<int32_t>("GetWindowSmallCaptionSize", 0, [&] { return platform::small_caption_height(); });
}
MUR_API int32_t MUR_GetWindowFixedFrameSize(void)
{
    return mur::guard<int32_t>("GetWindowFixedFrameSize", 0, [&] { return platform::fixed_frame_height(); });
}
MUR_API int32_t MUR_IsCompositionEnabled(void)
{
    return mur::guard<int32_t>("IsCompositionEnabled", 0, [&] { return platform::composition_enabled() ? 1 : 0; });
}

MUR_API int32_t MUR_IsDisplayChanged(void)
{
    return mur::guard<int32_t>("IsDisplayChanged", 0, [&] { return platform::take_display_changed() ? 1 : 0; });
}

MUR_API int32_t MUR_GetTotalPhyMemory(void)
{
    return mur::guard<int32_t>("GetTotalPhyMemory", 0, [&]() -> int32_t {
        return megabytes(platform::read_memory_status().totalPhys);
    });
}
MUR_API int32_t MUR_GetAvailPhyMemory(void)
{
    return mur::guard<int32_t>("GetAvailPhyMemory", 0, [&]() -> int32_t {
        return megabytes(platform::read_memory_status().availPhys);
    });
}
MUR_API int32_t MUR_GetTotalPgMemory(void)
{
    return mur::guard<int32_t>("GetTotalPgMemory", 0, [&]() -> int32_t {
        return megabytes(platform::read_memory_status().totalPageFile);
    });
}
MUR_API int32_t MUR_GetAvailPgMemory(void)
{
    return mur::guard<int32_t>("GetAvailPgMemory", 0, [&]() -> int32_t {
        return megabytes(platform::read_memory_status().availPageFile);
    });
}
MUR_API int32_t MUR_GetTotalVirMemory(void)
{
    return mur::guard<int32_t>("GetTotalVirMemory", 0, [&]() -> int32_t {
        return megabytes(platform::read_memory_status().totalVirtual);
    });
}
MUR_API int32_t MUR_GetAvailVirMemory(void)
{
    return mur::guard<int32_t>("GetAvailVirMemory", 0, [&]() -> int32_t {
        return megabytes(platform::read_memory_status().availVirtual);
    });
}

MUR_API void MUR_SetScale(int32_t scaleInt, float scale)
{
    mur::guard("SetScale", [&] {
        engine.viewScaleInt = scaleInt;
        engine.viewScale = scale;
    });
}

MUR_API void MUR_SetOffset(int32_t x, int32_t y)
{
    mur::guard("SetOffset", [&] {
        engine.viewOffsetX = x;
        engine.viewOffsetY = y;
    });
}

MUR_API void MUR_SetViewSize(int32_t width, int32_t height)
{
    mur::guard("SetViewSize", [&] {
        engine.viewWidth = width;
        engine.viewHeight = height;
    });
}

MUR_API void MUR_SetAOI(int32_t a, int32_t b, int32_t c, int32_t d)
{
    mur::guard("SetAOI", [&] {
        engine.aoi[0] = a;
        engine.aoi[1] = b;
        engine.aoi[2] = c;
        engine.aoi[3] = d;
    });
}

MUR_API void MUR_SetRandomSeed(int32_t seed)
{
    mur::guard("SetRandomSeed", [&] {
        engine.randomSeed = seed;
        rng_seed(static_cast<uint32_t>(seed));
    });
}

MUR_API void MUR_SetAlphaLocked(int32_t flag)
{
    mur::guard("SetAlphaLocked", [&] { engine.lockAlpha = static_cast<uint8_t>(flag); });
}

MUR_API void MUR_SetTracingMode(int32_t flag)
{
    mur::guard("SetTracingMode", [&] { engine.tracingMode = static_cast<uint8_t>(flag & 0xFF); });
}

MUR_API void MUR_SetStartDir(const char* path)
{
    mur::guard("SetStartDir", [&] {
        if (!path) return;
        const std::size_t length = strnlen(path, kStartDirCapacity);
        if (length >= kStartDirCapacity) return;
        std::memcpy(engine.startDir, path, length + 1);
    });
}

MUR_API const char* MUR_GetDirInfo(void)
{
    return mur::guard<const char*>("GetDirInfo", nullptr, [&] { return platform::system_directory(); });
}

MUR_API int32_t MUR_RenameFile(const char* oldPath, const char* newPath)
{
    return mur::guard<int32_t>("RenameFile", 0, [&] { return platform::rename_file(oldPath, newPath) ? 1 : 0; });
}

MUR_API intptr_t BankAdrs(const void* pointer) { return reinterpret_cast<intptr_t>(pointer); }

MUR_API void MUR_SetGrid(int32_t)
{
    mur::guard("SetGrid", [&] {

    });
}
MUR_API void MUR_SetGridSpacing(int32_t)
{
    mur::guard("SetGridSpacing", [&] {

    });
}

}  // extern "C"
