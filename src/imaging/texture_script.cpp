#include "imaging/texture_script.h"

#include "imaging/picture_limits.h"
#include "imaging/picture_reader.h"

#include <lua.hpp>

#include <cmath>
#include <cstring>

// Lua reports errors by longjmp. Every call that can raise one runs inside
// a protected call of the sandbox, in the plain functions marked "protected"
// below, which own no C++ objects with destructors.

namespace mur::imaging {

namespace {

struct LoadJob {
    Sandbox* box;
    const char* source;
    std::size_t size;
    double width;
    double height;
};

double global_number(lua_State* L, const char* name)
{
    lua_pushstring(L, name);
    lua_rawget(L, LUA_GLOBALSINDEX);
    const double v = lua_type(L, -1) == LUA_TNUMBER ? lua_tonumber(L, -1) : NAN;
    lua_pop(L, 1);
    return v;
}

// Protected: compiles and runs the chunk and reads the globals.
int load_protected(lua_State* L)
{
    auto* job = static_cast<LoadJob*>(lua_touserdata(L, 1));
    if (load_script_text(*job->box, job->source, job->size, "=texture") != 0) lua_error(L);
    lua_call(L, 0, 0);
    job->width = global_number(L, "width");
    job->height = global_number(L, "height");
    lua_pushstring(L, "texel");
    lua_rawget(L, LUA_GLOBALSINDEX);
    if (lua_type(L, -1) != LUA_TFUNCTION) job->width = NAN;
    lua_pop(L, 1);
    return 0;
}

struct RunJob {
    uint8_t* pixels;
    std::ptrdiff_t stride;
    int32_t width;
    int32_t height;
};

uint8_t channel_value(lua_State* L, int index)
{
    const double v = lua_tonumber(L, index);
    if (std::isnan(v)) luaL_error(L, "texel: not a number");
    if (v <= 0.0) return 0;
    if (v >= 1.0) return 255;
    return static_cast<uint8_t>(v * 255.0 + 0.5);
}

// Protected: calls texel for every pixel of the tile.
int run_protected(lua_State* L)
{
    auto* job = static_cast<RunJob*>(lua_touserdata(L, 1));
    lua_pushstring(L, "texel");
    lua_rawget(L, LUA_GLOBALSINDEX);
    if (lua_type(L, -1) != LUA_TFUNCTION) luaL_error(L, "texel is not a function");
    const int texel = lua_gettop(L);
    for (int32_t y = 0; y < job->height; ++y) {
        uint8_t* out = job->pixels + y * job->stride;
        for (int32_t x = 0; x < job->width; ++x, out += 4) {
            lua_pushvalue(L, texel);
            lua_pushinteger(L, x);
            lua_pushinteger(L, y);
            lua_call(L, 2, 4);
            for (int i = 0; i < 3; ++i)
                if (lua_type(L, texel + 1 + i) != LUA_TNUMBER) luaL_error(L, "texel: not a number");
            const int alphaType = lua_type(L, texel + 4);
            if (alphaType != LUA_TNUMBER && alphaType != LUA_TNIL) luaL_error(L, "texel: not a number");
            out[0] = channel_value(L, texel + 1);
            out[1] = channel_value(L, texel + 2);
            out[2] = channel_value(L, texel + 3);
            out[3] = alphaType == LUA_TNIL ? 255 : channel_value(L, texel + 4);
            lua_settop(L, texel);
        }
    }
    return 0;
}

bool whole_size(double v, int32_t& out)
{
    if (!(v >= 1.0 && v <= kMaxPictureSide) || v != std::floor(v)) return false;
    out = static_cast<int32_t>(v);
    return true;
}

void clear(const ImageView& tile)
{
    for (int32_t y = 0; y < tile.height; ++y) std::memset(tile.row(y), 0, std::size_t(tile.width) * 4);
}

}  // namespace

bool load_texture_script_from_memory(const char* source, std::size_t size, TextureScript& script,
                                     const TextureScriptLimits& limits) noexcept
{
    finish_texture_script(script);
    if (!source || size == 0 || size > limits.sourceBytes) return false;
    if (!open_sandbox(script.box, limits.run, 0)) return false;
    script.state = script.box.L;
    LoadJob job{&script.box, source, size, NAN, NAN};
    int32_t width = 0, height = 0;
    if (sandbox_cpcall(script.box, load_protected, &job) != 0 || !whole_size(job.width, width) ||
        !whole_size(job.height, height) ||
        !PictureLimits{}.allows(width, height)) {
        finish_texture_script(script);
        return false;
    }
    script.width = width;
    script.height = height;
    return true;
}

bool load_texture_script(const char* path, TextureScript& script, const TextureScriptLimits& limits) noexcept
{
    finish_texture_script(script);
    ByteBlock file;
    if (!read_file_bytes(path, file, limits.sourceBytes)) return false;
    const bool ok = load_texture_script_from_memory(reinterpret_cast<const char*>(file.data), file.size, script, limits);
    release_block(file);
    return ok;
}

bool texture_script_header(const TextureScript& script, int32_t& width, int32_t& height) noexcept
{
    if (!script.state) return false;
    width = script.width;
    height = script.height;
    return true;
}

bool run_texture_script(TextureScript& script, const ImageView& tile) noexcept
{
    if (!tile.data || tile.bytesPerPixel != 4 || tile.width <= 0 || tile.height <= 0) return false;
    bool ok = script.state && tile.width == script.width && tile.height == script.height &&
              (tile.stride >= std::ptrdiff_t{tile.width} * 4 || tile.stride <= -std::ptrdiff_t{tile.width} * 4);
    if (ok) {
        RunJob job{tile.data, tile.stride, tile.width, tile.height};
        ok = sandbox_cpcall(script.box, run_protected, &job) == 0;
    }
    if (!ok) clear(tile);
    return ok;
}

void finish_texture_script(TextureScript& script) noexcept
{
    close_sandbox(script.box);
    script = {};
}

bool render_texture_script(const char* path, Rgba32Picture& picture, const TextureScriptLimits& limits) noexcept
{
    picture = {};
    TextureScript script;
    bool ok = load_texture_script(path, script, limits) &&
              allocate_picture(picture, script.width, script.height);
    if (ok) {
        ok = run_texture_script(script, rgba32_view(picture.pixels, picture.width, picture.height,
                                                    std::ptrdiff_t{picture.width} * 4));
        if (!ok) release_picture(picture);
    }
    finish_texture_script(script);
    return ok;
}

}  // namespace mur::imaging
