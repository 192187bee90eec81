// Runs filter scripts and texture scripts and prints a digest of what each
// wrote, so that the LuaJIT and the Lua 5.1 builds can be compared.
//
// usage: lua_digests PICTURE.png SCRIPT.lua ...
// Each filter script runs on the picture (variant 7, sliders 100..600, style
// 1 and 2, flags 1, 0, 1, 0, 1, 0) with a mask that falls off to the right;
// the line is "<script> <digest of layer and mask> <message boxes>". A file
// under a "textures" folder is run as a texture script instead.
#include "engine/state.h"
#include "imaging/picture_reader.h"
#include "imaging/texture_script.h"
#include "murcore.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

uint64_t fnv(uint64_t h, const void* data, std::size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

int g_messages = 0;

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: lua_digests PICTURE.png SCRIPT.lua ...\n");
        return 2;
    }
    mur::imaging::Rgba32Picture picture;
    if (!mur::imaging::read_picture(argv[1], picture)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const int32_t w = picture.width, h = picture.height;
    MUR_SetMessageBoxHandler([](void*, const char*, const char*) { ++g_messages; }, nullptr);
    MUR_SetDebugOutputHandler([](void*, const char*) {}, nullptr);
    std::vector<uint8_t> out(std::size_t(w) * h * 4);
    for (int i = 2; i < argc; ++i) {
        const std::string path = argv[i];
        const std::string name = path.substr(path.find_last_of('/') + 1);
        uint64_t digest = 14695981039346656037ull;
        g_messages = 0;
        if (path.find("/textures/") != std::string::npos) {
            mur::imaging::Rgba32Picture tile;
            if (mur::imaging::render_texture_script(path.c_str(), tile)) {
                digest = fnv(digest, tile.pixels, std::size_t(tile.width) * tile.height * 4);
                mur::imaging::release_picture(tile);
            } else {
                g_messages = 1;
            }
        } else {
            MUR_CreateImage(nullptr, w, h, 32, 0);
            MUR_CreateLayer(2, w, h);
            MUR_SetLayer(2);
            MUR_LoadRGBA32(picture.pixels, w * 4, 0);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    mur::engine.mask.plane[std::size_t(y) * w + x] = uint16_t(65535 - int64_t(x) * 40000 / w);
            MUR_SetColor(200, 120, 40);
            MUR_SetColorBanks(10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120);
            MUR_IPLAllocSrcBuffer32();
            MUR_IPLAllocDstBuffer32();
            MUR_LuaFilterRun(path.c_str(), 7, 100, 200, 300, 400, 500, 600, 1, 2, 1, 0, 1, 0, 1, 0);
            MUR_GetRGBA32Layer(out.data(), w * 4, 2);
            digest = fnv(digest, out.data(), out.size());
            digest = fnv(digest, mur::engine.mask.plane, std::size_t(w) * h * 2);
            digest = fnv(digest, mur::engine.ipl.src32.data, out.size());
            MUR_IPLFreeSrcBuffer32();
            MUR_IPLFreeDstBuffer32();
            MUR_DeleteImage();
        }
        std::printf("%s %016llx %d\n", name.c_str(), static_cast<unsigned long long>(digest), g_messages);
    }
    mur::imaging::release_picture(picture);
    return 0;
}
