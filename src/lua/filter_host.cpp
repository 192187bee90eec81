// Running a filter script: copy the source buffer into the destination,
// open a fresh sandboxed state, register the host functions and globals, load
// the file as "@path", run it once, store the destination into the current
// layer through mask and texture, copy it back when the script worked on one
// buffer, close what it left open.
#include "lua/lua.h"

#include "engine/guard.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/lua_sandbox.h"
#include "layers/layers.h"
#include "lua/filter_run.h"
#include "platform/script_sinks.h"

#include <lua.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace mur::lua {

FilterRun g_run;

namespace {

constexpr const char* kErrorCaption = "Lua Script Error";

struct ScriptFile {
    char* text = nullptr;
    std::size_t size = 0;
};

// The whole file on the engine heap; false with the reason in `error`.
bool read_script(const char* path, ScriptFile& file, char* error, std::size_t capacity) noexcept
{
    if (!path) {
        std::snprintf(error, capacity, "cannot open the script: no path given");
        return false;
    }
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::snprintf(error, capacity, "cannot open %s", path);
        return false;
    }
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long length = ok ? std::ftell(f) : -1;
    ok = ok && length >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok && std::size_t(length) > kMaxScriptBytes) {
        std::snprintf(error, capacity, "%s: larger than the %zu MB a script may have", path, kMaxScriptBytes >> 20);
        std::fclose(f);
        return false;
    }
    if (ok) {
        file.size = std::size_t(length);
        file.text = static_cast<char*>(mem::try_alloc(file.size + 1));
        ok = file.text && std::fread(file.text, 1, file.size, f) == file.size;
    }
    std::fclose(f);
    if (!ok) {
        mem::release_nothrow(file.text);
        file = {};
        std::snprintf(error, capacity, "cannot read %s", path);
    }
    return ok;
}

struct RunJob {
    imaging::Sandbox* box;
    const FilterValues* values;
    const ScriptFile* file;
    char chunkName[512];
};

// Protected: the host's functions and globals, then the script, once.
int run_protected(lua_State* L)
{
    auto* job = static_cast<RunJob*>(lua_touserdata(L, 1));
    register_host(L, *job->values);
    if (imaging::load_script_text(*job->box, job->file->text, job->file->size, job->chunkName) != 0) lua_error(L);
    lua_call(L, 0, 1);
    return 0;
}

// Whatever happens, the run ends: its file closed, its state and text
// released, the run state reset.
struct RunEnd {
    imaging::Sandbox& box;
    ScriptFile& file;
    ~RunEnd()
    {
        close_drawing_script();
        imaging::close_sandbox(box);
        mem::release_nothrow(file.text);
        g_run = {};
    }
};

}  // namespace

bool run_filter(const char* path, const FilterValues& values)
{
    const IplBuffer& src = engine.ipl.src32;
    const IplBuffer& dst = engine.ipl.dst32;
    const std::size_t bytes = image_pixels() * 4;
    if (g_run.active || !src.data || !dst.data || bytes == 0 || src.bytes != bytes || dst.bytes != bytes) return false;

    g_run = {src.data, dst.data, engine.width, engine.height, false, nullptr, true};
    std::memcpy(dst.data, src.data, bytes);

    char message[1024];
    bool ok = false;
    ScriptFile file;
    imaging::Sandbox box;
    const RunEnd end{box, file};
    if (!read_script(path, file, message, sizeof message)) {
        // reported below
    } else if (!imaging::open_sandbox(box, imaging::script_limits(), static_cast<uint32_t>(values.variant), true)) {
        std::snprintf(message, sizeof message, "not enough memory to start the script");
    } else {
        RunJob job{&box, &values, &file, {}};
        std::snprintf(job.chunkName, sizeof job.chunkName, "@%s", path);
        ok = imaging::sandbox_cpcall(box, run_protected, &job) == 0;
        if (!ok) imaging::describe_script_error(box, message, sizeof message);
    }
    if (ok)
        layers::load_rgba32(g_run.dst, g_run.width * 4, 1);
    else
        platform::show_message_box(message, kErrorCaption);
    if (g_run.singleBuffer) std::memcpy(g_run.src, g_run.dst, bytes);
    return ok;
}

}  // namespace mur::lua

using namespace mur;

extern "C" {

MUR_API void MUR_LuaFilterRun(const char* path, int32_t variant, int32_t slider1, int32_t slider2, int32_t slider3,
                              int32_t slider4, int32_t slider5, int32_t slider6, int32_t style1, int32_t style2,
                              int32_t flag1, int32_t flag2, int32_t flag3, int32_t flag4, int32_t flag5,
                              int32_t flag6)
{
    guard("LuaFilterRun", [&] {
        const lua::FilterValues values{variant, {slider1, slider2, slider3, slider4, slider5, slider6}, style1, style2,
                                       {flag1, flag2, flag3, flag4, flag5, flag6}};
        lua::run_filter(path, values);
    });
}

MUR_API int32_t MUR_LuaSetLimits(int32_t seconds, int32_t megabytes)
{
    if (seconds < 0 || megabytes < 0) return 0;
    return guard("LuaSetLimits", int32_t{0}, [&] {
        imaging::set_script_limits({double(seconds), std::size_t(megabytes) << 20});
        return int32_t{1};
    });
}

// No guard: one atomic store, and it must stay safe in a signal handler.
MUR_API void MUR_LuaCancel(void) { mur::guard("LuaCancel", [&] { imaging::request_script_cancel(); }); }

}  // extern "C"
