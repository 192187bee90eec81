#include "imaging/texture_script.h"

#include "engine/memory.h"
#include "imaging/picture_limits.h"
#include "imaging/picture_reader.h"

#include <lua.hpp>

#include <cmath>
#include <cstring>
#include <ctime>

// Lua reports errors by longjmp. Every call that can raise one runs inside
// lua_cpcall, in the plain functions marked "protected" below, which own no
// C++ objects with destructors.

namespace mur::imaging {

struct TextureScriptContext {
    std::size_t used;        // bytes of the state's heap
    std::size_t memoryLimit;
    uint64_t instructionsLeft;
    double cpuDeadline;      // thread CPU seconds
    bool exhausted;
    lua_State* state;        // the main thread, once made
};

namespace {

constexpr int kHookInterval = 1000;  // instructions between budget checks

double thread_cpu_seconds() noexcept
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void count_hook(lua_State* L, lua_Debug*);

// The state's allocator: engine heap blocks, counted against the cap. Lua
// expects shrinking to succeed, so blocks shrink in place. Growing is also
// where long library calls spend their time (string.rep, concatenations), so
// a script past its CPU time gets no more memory: the call fails, and the
// hook ends the script at its next instruction.
void* script_alloc(void* ud, void* block, std::size_t oldSize, std::size_t newSize) noexcept
{
    auto* c = static_cast<TextureScriptContext*>(ud);
    const std::size_t had = block ? oldSize : 0;
    if (newSize == 0) {
        mem::release_nothrow(block);
        c->used -= had;
        return nullptr;
    }
    if (block && newSize <= oldSize) {
        c->used -= oldSize - newSize;
        return block;
    }
    if (c->state && (c->exhausted || thread_cpu_seconds() >= c->cpuDeadline)) {
        if (!c->exhausted) lua_sethook(c->state, count_hook, LUA_MASKCOUNT, 1);
        c->exhausted = true;
        return nullptr;
    }
    if (newSize - had > c->memoryLimit - c->used) return nullptr;
    void* grown = mem::try_alloc_uninit(newSize);
    if (!grown) return nullptr;
    if (block) {
        std::memcpy(grown, block, oldSize);
        mem::release_nothrow(block);
    }
    c->used += newSize - had;
    return grown;
}

// Once the budget is spent the hook fires on every instruction and raises an
// error each time, so a script that catches the error with pcall is unwound
// all the same.
void count_hook(lua_State* L, lua_Debug*)
{
    void* ud = nullptr;
    lua_getallocf(L, &ud);
    auto* c = static_cast<TextureScriptContext*>(ud);
    if (!c->exhausted) {
        if (c->instructionsLeft > kHookInterval && thread_cpu_seconds() < c->cpuDeadline) {
            c->instructionsLeft -= kHookInterval;
            return;
        }
        c->exhausted = true;
        lua_sethook(L, count_hook, LUA_MASKCOUNT, 1);
    }
    luaL_error(L, "texture script: instruction budget spent");
}

// string.rep without its endless loop over an empty string, and refusing a
// result beyond the memory cap before building it.
int bounded_rep(lua_State* L)
{
    std::size_t length = 0;
    const char* s = luaL_checklstring(L, 1, &length);
    const lua_Integer n = luaL_checkinteger(L, 2);
    if (n <= 0 || length == 0) {
        lua_pushliteral(L, "");
        return 1;
    }
    void* ud = nullptr;
    lua_getallocf(L, &ud);
    if (std::size_t(n) > static_cast<TextureScriptContext*>(ud)->memoryLimit / length)
        return luaL_error(L, "string.rep: result too large");
    luaL_Buffer b;
    luaL_buffinit(L, &b);
    for (lua_Integer i = 0; i < n; ++i) luaL_addlstring(&b, s, length);
    luaL_pushresult(&b);
    return 1;
}

struct LoadJob {
    const char* source;
    std::size_t size;
    double width;
    double height;
};

void remove_global(lua_State* L, const char* name)
{
    lua_pushnil(L);
    lua_setfield(L, LUA_GLOBALSINDEX, name);
}

double global_number(lua_State* L, const char* name)
{
    lua_pushstring(L, name);
    lua_rawget(L, LUA_GLOBALSINDEX);
    const double v = lua_type(L, -1) == LUA_TNUMBER ? lua_tonumber(L, -1) : NAN;
    lua_pop(L, 1);
    return v;
}

// Protected: opens the allowed libraries, runs the chunk and reads the
// globals.
int load_protected(lua_State* L)
{
    auto* job = static_cast<LoadJob*>(lua_touserdata(L, 1));
    static const luaL_Reg kLibraries[] = {
        {"", luaopen_base}, {LUA_MATHLIBNAME, luaopen_math}, {LUA_STRLIBNAME, luaopen_string},
        {LUA_TABLIBNAME, luaopen_table}};
    for (const luaL_Reg& lib : kLibraries) {
        lua_pushcfunction(L, lib.func);
        lua_pushstring(L, lib.name);
        lua_call(L, 1, 0);
    }
    for (const char* name : {"dofile", "loadfile", "load", "loadstring", "require", "module", "print", "newproxy"})
        remove_global(L, name);
    lua_getfield(L, LUA_GLOBALSINDEX, LUA_STRLIBNAME);
    for (const char* name : {"find", "match", "gmatch", "gsub"}) {
        lua_pushnil(L);
        lua_setfield(L, -2, name);
    }
    lua_pushcfunction(L, bounded_rep);
    lua_setfield(L, -2, "rep");
    lua_pop(L, 1);

    if (luaL_loadbuffer(L, job->source, job->size, "=texture") != 0) lua_error(L);
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
    if (source[0] == '\033') return false;  // precompiled chunks are refused: the loader trusts them
    // A first line starting with '#' is skipped, as the stand-alone interpreter does.
    if (source[0] == '#') {
        const void* eol = std::memchr(source, '\n', size);
        const std::size_t skip = eol ? std::size_t(static_cast<const char*>(eol) - source) : size;
        source += skip;
        size -= skip;
    }

    auto* context = static_cast<TextureScriptContext*>(mem::try_alloc(sizeof(TextureScriptContext)));
    if (!context) return false;
    *context = {0, limits.memoryBytes, limits.instructions, thread_cpu_seconds() + limits.cpuSeconds, false, nullptr};
    lua_State* L = lua_newstate(script_alloc, context);
    if (!L) {
        mem::release_nothrow(context);
        return false;
    }
    script.state = L;
    script.context = context;
    context->state = L;
    lua_sethook(L, count_hook, LUA_MASKCOUNT, kHookInterval);

    LoadJob job{source, size, NAN, NAN};
    int32_t width = 0, height = 0;
    if (lua_cpcall(L, load_protected, &job) != 0 || !whole_size(job.width, width) || !whole_size(job.height, height) ||
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
        ok = lua_cpcall(script.state, run_protected, &job) == 0;
    }
    if (!ok) clear(tile);
    return ok;
}

void finish_texture_script(TextureScript& script) noexcept
{
    if (script.state) lua_close(script.state);
    mem::release_nothrow(script.context);
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
