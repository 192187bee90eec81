#include "lua_command.h"

#include "murcore.h"
#include "png_files.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace mur_tool {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;
bool g_failed = false;

// Ctrl-C stops the script; the engine reports it as an error.
extern "C" void on_interrupt(int)
{
    g_interrupted = 1;
    MUR_LuaCancel();
}

void print_message(void*, const char* text, const char* caption)
{
    if (std::string(caption) == "Lua Script Error") g_failed = true;
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

}  // namespace

int lua_command(const char* script, const char* inPath, const char* outPath, const int32_t sliders[6])
{
    std::signal(SIGINT, on_interrupt);
    Picture picture;
    std::string error;
    std::error_code ignored;
    if (!read_png(inPath, picture, error)) {
        std::fprintf(stderr, "mur lua: %s\n", error.c_str());
        std::signal(SIGINT, SIG_DFL);
        return 1;
    }
    const int w = picture.width, h = picture.height;
    MUR_CreateImage(nullptr, w, h, 32, 0);
    MUR_CreateLayer(1, w, h);
    MUR_SetLayer(1);
    MUR_LoadRGBA32(picture.rgba.data(), w * 4, 0);
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    MUR_SetMessageBoxHandler(print_message, nullptr);
    // The current directory is the start directory; a drawing script the
    // script records goes into its scripts/ folder.
    std::string startDir = std::filesystem::current_path(ignored).string();
    if (!startDir.empty() && startDir.back() != '/') startDir += '/';
    std::filesystem::create_directory("scripts", ignored);
    MUR_SetStartDir(startDir.c_str());
    // A Ctrl-C before the run starts would be forgotten by it: no run then.
    if (!g_interrupted)
        MUR_LuaFilterRun(script, 0, sliders[0], sliders[1], sliders[2], sliders[3], sliders[4], sliders[5], 0, 0, 0, 0,
                         0, 0, 0, 0);
    int status = 0;
    if (g_failed || g_interrupted) {
        if (!g_failed) std::fputs("mur lua: interrupted\n", stderr);
        status = 1;
    } else {
        std::vector<uint8_t> out(std::size_t(w) * h * 4);
        MUR_GetRGBA32Layer(out.data(), w * 4, 1);
        if (!write_png(outPath, out.data(), w, h, 4, error)) {
            std::fprintf(stderr, "mur lua: %s\n", error.c_str());
            status = 1;
        } else {
            std::printf("wrote %s (%dx%d)\n", outPath, w, h);
        }
    }
    MUR_IPLFreeSrcBuffer32();
    MUR_IPLFreeDstBuffer32();
    MUR_DeleteImage();
    std::signal(SIGINT, SIG_DFL);
    return status;
}

}  // namespace mur_tool
