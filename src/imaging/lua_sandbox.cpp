#include "imaging/lua_sandbox.h"

#include "engine/memory.h"
#include "platform/script_sinks.h"

#include <lua.hpp>
#if MUR_LUAJIT
#include <luajit.h>
#endif

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

// Lua reports errors by longjmp. Every call that can raise one runs inside
// lua_cpcall or lua_pcall, in plain functions that own no C++ objects with
// destructors.

namespace mur::imaging {

struct SandboxBudget {
    std::size_t used;         // bytes of the state's heap
    std::size_t memoryLimit;  // 0 = none
    double seconds;           // the limit, for the text of a stop
    double deadline;          // thread CPU seconds; 0 = none
    uint32_t allocations;     // growths since the clock was last read
    uint32_t random;          // the generator state of math.random
    ScriptStop stop;
    lua_State* state;         // the main thread, once made
    uint8_t* arena;           // serves the allocations that make the state
    std::size_t arenaUsed;
};

namespace {

constexpr int kHookInterval = 10000;                      // instructions between checks
constexpr std::size_t kClockedGrowth = std::size_t{64} << 10;  // growths this large read the clock
constexpr uint32_t kClockedAllocations = 1024;            // and so does every 1024th growth
// LuaJIT cannot take a failed allocation while it makes a state (it frees
// the half-made state wrongly) or opens its FFI library (the library's state
// is lost), so the allocations that make and open a state come from one
// block allocated before and released after the state (about 40 KB are
// needed).
constexpr std::size_t kArenaBytes = std::size_t{96} << 10;
constexpr const char* kFfiKey = "mur.ffi";  // in the registry, out of scripts' reach

ScriptLimits g_limits;
std::atomic<bool> g_cancel{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the cancel flag is set from signal handlers");

double thread_cpu_seconds() noexcept
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

SandboxBudget* budget_of(lua_State* L) noexcept
{
    void* ud = nullptr;
    lua_getallocf(L, &ud);
    return static_cast<SandboxBudget*>(ud);
}

void stop_hook(lua_State* L, lua_Debug*);

// Records why the run stops and makes the hook fire at the next instruction.
void trip(SandboxBudget* b, ScriptStop why) noexcept
{
    if (b->stop == ScriptStop::None) b->stop = why;
    if (b->state) lua_sethook(b->state, stop_hook, LUA_MASKCOUNT, 1);
}

// Whether the time is up or a cancel came; trips the budget when so.
bool must_stop(SandboxBudget* b) noexcept
{
    if (b->stop != ScriptStop::None) return true;
    if (g_cancel.load(std::memory_order_relaxed))
        trip(b, ScriptStop::Cancel);
    else if (b->deadline > 0 && thread_cpu_seconds() >= b->deadline)
        trip(b, ScriptStop::Time);
    return b->stop != ScriptStop::None;
}

const char* stop_words(const SandboxBudget* b, char* out, std::size_t capacity) noexcept
{
    switch (b->stop) {
    case ScriptStop::Time: std::snprintf(out, capacity, "script stopped: it ran out of its %g s", b->seconds); break;
    case ScriptStop::Memory:
        std::snprintf(out, capacity, "script stopped: it needs more than its %zu MB", b->memoryLimit >> 20);
        break;
    case ScriptStop::Cancel: std::snprintf(out, capacity, "script cancelled"); break;
    case ScriptStop::None: std::snprintf(out, capacity, "script error"); break;
    }
    return out;
}

// After a stop the hook raises an error at every instruction, in whichever
// coroutine runs, until the protected call has unwound.
void stop_hook(lua_State* L, lua_Debug*)
{
    SandboxBudget* b = budget_of(L);
    if (!must_stop(b)) {
#if MUR_LUAJIT
        // The profiler's tick armed the hook for one instruction; back to the interval.
        lua_sethook(L, stop_hook, LUA_MASKCOUNT, kHookInterval);
#endif
        return;
    }
    lua_sethook(L, stop_hook, LUA_MASKCOUNT, 1);
    char words[96];
    luaL_error(L, "%s", stop_words(b, words, sizeof words));
}

#if MUR_LUAJIT
// The profiler's tick, at a safe point in the interpreter: it must not touch
// the stack, so it only arms the hook for the next instruction.
void profiler_tick(void*, lua_State* L, int, int) { lua_sethook(L, stop_hook, LUA_MASKCOUNT, 1); }
#endif

// The state's allocator: engine heap blocks, counted against the cap. Lua
// expects shrinking to succeed, so blocks shrink in place. Long library calls
// (string.rep, concatenations) spend their time growing blocks, so growth
// also reads the clock now and then, and a stopped run gets no more memory.
bool in_arena(const SandboxBudget* b, const void* block) noexcept
{
    const auto* p = static_cast<const uint8_t*>(block);
    return b->arena && p >= b->arena && p < b->arena + kArenaBytes;
}

void release_block(SandboxBudget* b, void* block) noexcept
{
    if (!in_arena(b, block)) mem::release_nothrow(block);
}

void* sandbox_alloc(void* ud, void* block, std::size_t oldSize, std::size_t newSize) noexcept
{
    auto* b = static_cast<SandboxBudget*>(ud);
    const std::size_t had = block ? oldSize : 0;
    if (newSize == 0) {
        release_block(b, block);
        b->used -= had;
        return nullptr;
    }
    if (block && newSize <= oldSize) {
        b->used -= oldSize - newSize;
        return block;
    }
    const std::size_t growth = newSize - had;
    if (b->state) {
        if (b->stop != ScriptStop::None) return nullptr;
        if ((growth >= kClockedGrowth || ++b->allocations >= kClockedAllocations)) {
            b->allocations = 0;
            if (must_stop(b)) return nullptr;
        }
    }
    if (b->memoryLimit && (b->used >= b->memoryLimit || growth > b->memoryLimit - b->used)) {
        if (b->state) trip(b, ScriptStop::Memory);
        return nullptr;
    }
    void* grown = nullptr;
    const std::size_t rounded = (newSize + 15) & ~std::size_t{15};
    if (!b->state && b->arena && rounded <= kArenaBytes - b->arenaUsed) {
        grown = b->arena + b->arenaUsed;
        b->arenaUsed += rounded;
    } else {
        grown = mem::try_alloc_uninit(newSize);
    }
    if (!grown) return nullptr;
    if (block) {
        std::memcpy(grown, block, oldSize);
        release_block(b, block);
    }
    b->used += growth;
    return grown;
}

// string.rep without its endless loop over an empty string, and refusing a
// result beyond the memory cap before building it.
int bounded_rep(lua_State* L)
{
    std::size_t length = 0;
    const char* s = luaL_checklstring(L, 1, &length);
    const double n = std::trunc(luaL_checknumber(L, 2));
    if (!(n > 0) || length == 0) {
        lua_pushliteral(L, "");
        return 1;
    }
    const SandboxBudget* b = budget_of(L);
    const std::size_t cap = b->memoryLimit ? b->memoryLimit : std::size_t{1} << 40;
    if (n > double(cap / length)) return luaL_error(L, "string.rep: result too large");
    const auto count = static_cast<std::size_t>(n);
    luaL_Buffer buffer;
    luaL_buffinit(L, &buffer);
    for (std::size_t i = 0; i < count; ++i) luaL_addlstring(&buffer, s, length);
    luaL_pushresult(&buffer);
    return 1;
}

// A whole number for math.random's bounds, clamped to the 32-bit range.
double bound_argument(lua_State* L, int index)
{
    const double v = std::trunc(luaL_checknumber(L, index));
    if (!(v >= -2147483648.0)) return v != v ? 0 : -2147483648.0;
    return v > 2147483647.0 ? 2147483647.0 : v;
}

// math.random as Lua 5.1 defines it, over the engine's generator:
// state = state * 214013 + 2531011, draws (state >> 16) & 0x7FFF.
int script_random(lua_State* L)
{
    SandboxBudget* b = budget_of(L);
    b->random = b->random * 214013u + 2531011u;
    const double r = double((b->random >> 16) & 0x7FFF) / 32768.0;
    switch (lua_gettop(L)) {
    case 0: lua_pushnumber(L, r); return 1;
    case 1: {
        const double upper = bound_argument(L, 1);
        luaL_argcheck(L, 1 <= upper, 1, "interval is empty");
        lua_pushnumber(L, std::floor(r * upper) + 1);
        return 1;
    }
    case 2: {
        const double lower = bound_argument(L, 1), upper = bound_argument(L, 2);
        luaL_argcheck(L, lower <= upper, 2, "interval is empty");
        lua_pushnumber(L, std::floor(r * (upper - lower + 1)) + lower);
        return 1;
    }
    default: return luaL_error(L, "wrong number of arguments");
    }
}

int script_randomseed(lua_State* L)
{
    budget_of(L)->random = static_cast<uint32_t>(script_int32(luaL_checknumber(L, 1)));
    return 0;
}

// print: its arguments through tostring (the first upvalue), tab-separated,
// as one line of the debug sink.
int script_print(lua_State* L)
{
    const int n = lua_gettop(L);
    luaL_Buffer line;
    luaL_buffinit(L, &line);
    for (int i = 1; i <= n; ++i) {
        lua_pushvalue(L, lua_upvalueindex(1));
        lua_pushvalue(L, i);
        lua_call(L, 1, 1);
        if (!lua_isstring(L, -1)) return luaL_error(L, "'tostring' must return a string to 'print'");
        if (i > 1) luaL_addchar(&line, '\t');
        luaL_addvalue(&line);
    }
    luaL_pushresult(&line);
    platform::output_debug_string(lua_tostring(L, -1));
    return 0;
}

void set_global_nil(lua_State* L, const char* name)
{
    lua_pushnil(L);
    lua_setfield(L, LUA_GLOBALSINDEX, name);
}

void open_library(lua_State* L, lua_CFunction open, const char* name)
{
    lua_pushcfunction(L, open);
    lua_pushstring(L, name);
    lua_call(L, 1, 0);
}

// Protected: opens the allowed libraries and takes out what reaches files,
// other code or the process; under LuaJIT, keeps the FFI library for the
// host when asked (the first argument is not null).
int open_protected(lua_State* L)
{
#if MUR_LUAJIT
    if (lua_touserdata(L, 1)) {
        lua_pushcfunction(L, luaopen_ffi);
        lua_call(L, 0, 1);
        lua_setfield(L, LUA_REGISTRYINDEX, kFfiKey);
    }
#endif
    open_library(L, luaopen_base, "");
    open_library(L, luaopen_table, LUA_TABLIBNAME);
    open_library(L, luaopen_string, LUA_STRLIBNAME);
    open_library(L, luaopen_math, LUA_MATHLIBNAME);
#if MUR_LUAJIT
    // Without its library LuaJIT never compiles; scripts do not see it.
    open_library(L, luaopen_jit, LUA_JITLIBNAME);
    set_global_nil(L, LUA_JITLIBNAME);
#endif
    for (const char* name : {"dofile", "loadfile", "load", "loadstring", "require", "module", "newproxy"})
        set_global_nil(L, name);
    lua_getfield(L, LUA_GLOBALSINDEX, "tostring");
    lua_pushcclosure(L, script_print, 1);
    lua_setfield(L, LUA_GLOBALSINDEX, "print");

    lua_getfield(L, LUA_GLOBALSINDEX, LUA_STRLIBNAME);
    for (const char* name : {"find", "match", "gmatch", "gsub"}) {
        lua_pushnil(L);
        lua_setfield(L, -2, name);
    }
    lua_pushcfunction(L, bounded_rep);
    lua_setfield(L, -2, "rep");
    lua_pop(L, 1);

    lua_getfield(L, LUA_GLOBALSINDEX, LUA_MATHLIBNAME);
    lua_pushcfunction(L, script_random);
    lua_setfield(L, -2, "random");
    lua_pushcfunction(L, script_randomseed);
    lua_setfield(L, -2, "randomseed");
    lua_pop(L, 1);
    return 0;
}

}  // namespace

ScriptLimits script_limits() noexcept { return g_limits; }

void set_script_limits(const ScriptLimits& limits) noexcept
{
    g_limits.seconds = limits.seconds > 0 ? limits.seconds : 0;
    g_limits.memoryBytes = limits.memoryBytes;
}

void request_script_cancel() noexcept { g_cancel.store(true, std::memory_order_relaxed); }

bool sandbox_is_luajit() noexcept { return MUR_LUAJIT != 0; }

int32_t script_int32(double value) noexcept
{
    if (!std::isfinite(value)) return 0;
    const double wrapped = std::fmod(std::trunc(value), 4294967296.0);  // -2^32 < wrapped < 2^32
    const auto bits = static_cast<uint32_t>(static_cast<int64_t>(wrapped));
    return static_cast<int32_t>(bits);
}

bool open_sandbox(Sandbox& box, const ScriptLimits& limits, uint32_t seed, bool hostFfi) noexcept
{
    close_sandbox(box);
    auto* b = static_cast<SandboxBudget*>(mem::try_alloc(sizeof(SandboxBudget)));
    if (!b) return false;
    g_cancel.store(false, std::memory_order_relaxed);
    const double seconds = limits.seconds > 0 ? limits.seconds : 0;
    *b = {0, limits.memoryBytes, seconds, seconds > 0 ? thread_cpu_seconds() + seconds : 0, 0, seed,
          ScriptStop::None, nullptr, static_cast<uint8_t*>(mem::try_alloc_uninit(kArenaBytes)), 0};
    lua_State* L = b->arena ? lua_newstate(sandbox_alloc, b) : nullptr;
    if (!L) {
        mem::release_nothrow(b->arena);
        mem::release_nothrow(b);
        return false;
    }
    box.L = L;
    box.budget = b;
    if (lua_cpcall(L, open_protected, hostFfi ? &box : nullptr) != 0) {
        close_sandbox(box);
        return false;
    }
    b->state = L;
    lua_sethook(L, stop_hook, LUA_MASKCOUNT, kHookInterval);
    return true;
}

void close_sandbox(Sandbox& box) noexcept
{
    if (box.L) lua_close(box.L);
    if (box.budget) mem::release_nothrow(box.budget->arena);
    mem::release_nothrow(box.budget);
    box = {};
}

int load_script_text(Sandbox& box, const char* source, std::size_t size, const char* chunkName) noexcept
{
    if (!box.L) return LUA_ERRMEM;
    if (!source) size = 0;
    if (size > 0 && source[0] == '\033') {
        lua_pushfstring(box.L, "%s: precompiled chunks are refused", chunkName + (chunkName[0] == '@'));
        return LUA_ERRSYNTAX;
    }
    if (size > 0 && source[0] == '#') {  // the newline stays, so line numbers do too
        const void* eol = std::memchr(source, '\n', size);
        const std::size_t skip = eol ? std::size_t(static_cast<const char*>(eol) - source) : size;
        source += skip;
        size -= skip;
    }
    return luaL_loadbuffer(box.L, size ? source : "", size, chunkName);
}

namespace {

template <class Call>
int guarded_call(Sandbox& box, Call&& call) noexcept
{
    if (!box.L) return LUA_ERRMEM;
#if MUR_LUAJIT
    luaJIT_profile_start(box.L, "li10", profiler_tick, nullptr);
#endif
    int status = call();
#if MUR_LUAJIT
    luaJIT_profile_stop(box.L);
#endif
    if (status == 0 && box.budget->stop != ScriptStop::None) {
        lua_pushliteral(box.L, "script stopped");
        status = LUA_ERRRUN;
    }
    return status;
}

}  // namespace

int sandbox_pcall(Sandbox& box, int args, int results) noexcept
{
    return guarded_call(box, [&] { return lua_pcall(box.L, args, results, 0); });
}

int sandbox_cpcall(Sandbox& box, int (*function)(lua_State*), void* data) noexcept
{
    return guarded_call(box, [&] { return lua_cpcall(box.L, function, data); });
}

ScriptStop sandbox_stop(const Sandbox& box) noexcept { return box.budget ? box.budget->stop : ScriptStop::None; }

void describe_script_error(const Sandbox& box, char* out, std::size_t capacity) noexcept
{
    if (!out || capacity == 0) return;
    out[0] = '\0';
    if (box.budget && box.budget->stop != ScriptStop::None) {
        stop_words(box.budget, out, capacity);
        return;
    }
    const char* text = box.L ? lua_tostring(box.L, -1) : nullptr;
    if (text)
        std::snprintf(out, capacity, "%s", text);
    else
        std::snprintf(out, capacity, "(error object is a %s value)",
                      box.L ? lua_typename(box.L, lua_type(box.L, -1)) : "missing");
}

void check_script_stop(lua_State* L)
{
    SandboxBudget* b = budget_of(L);
    if (!must_stop(b)) return;
    char words[96];
    luaL_error(L, "%s", stop_words(b, words, sizeof words));
}

bool push_ffi_library(lua_State* L)
{
#if MUR_LUAJIT
    lua_getfield(L, LUA_REGISTRYINDEX, kFfiKey);
    if (lua_isnil(L, -1)) luaL_error(L, "the sandbox was opened without the FFI library");
    return true;
#else
    (void)L;
    return false;
#endif
}

}  // namespace mur::imaging
