// The sandbox of filter scripts: what a script can reach, and the time,
// memory and cancel stops, which no pcall can swallow.
#include "engine/memory.h"
#include "imaging/lua_sandbox.h"
#include "lua/lua_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace mur {
namespace {

using LuaSandbox = test::LuaFilterTest;

TEST_F(LuaSandbox, OnlyTheSafeLibrariesAreThere)
{
    EXPECT_TRUE(run("for _, name in ipairs({'io', 'os', 'package', 'debug', 'ffi', 'jit', 'bit', 'require', 'module',\n"
                    "    'dofile', 'load', 'loadfile', 'loadstring', 'newproxy'}) do\n"
                    "  assert(_G[name] == nil, name)\n"
                    "end\n"
                    "for _, name in ipairs({'find', 'match', 'gmatch', 'gsub'}) do assert(string[name] == nil, name) end\n"
                    "assert(math.sin and string.format and table.insert and pcall and coroutine.create and print)\n"
                    "assert(('ab'):rep(3) == 'ababab' and not pcall(string.rep, 'ab', 2^31))\n"
                    // No cdata reaches a script: every host function gives numbers.
                    "for _, v in ipairs({get_rgba(0, 0)}) do assert(type(v) == 'number') end\n"
                    "assert(type(get_hsv) == 'function' and getfenv(get_rgb) == _G)\n"))
        << messages.back();
}

TEST_F(LuaSandbox, RunawayScriptsStopEvenWhenTheyCatchTheError)
{
    imaging::set_script_limits({0.3, 0});
    const char* runaways[] = {
        "while true do end",
        "for i = 1, 1e18 do end",
        "local n = 0 for i = 1, 1e18 do n = n + get_value(i % width, 0) end",
        "while true do pcall(function() while true do end end) end",
        "local co = coroutine.wrap(function() while true do end end) while true do pcall(co) end",
        "local function f(n) return f(n + 1) end f(0)",
        "local s = string.rep('1', 100000) .. 'x' while true do local n = tonumber(s) end",
    };
    for (const char* script : runaways) {
        const std::vector<uint8_t> before = layer_bytes();
        EXPECT_FALSE(run(std::string("set_rgb(0, 0, 1, 1, 1)\n") + script)) << script;
        ASSERT_FALSE(messages.empty());
        EXPECT_NE(messages.back().find("script stopped: it ran out of its 0.3 s"), std::string::npos)
            << script << ": " << messages.back();
        EXPECT_EQ(layer_bytes(), before) << script;
    }
}

TEST_F(LuaSandbox, TheMemoryCapStopsAScriptAndLeavesNothingBehind)
{
    imaging::set_script_limits({0, std::size_t{8} << 20});
    const std::size_t blocks = mem::live_blocks();
    for (const char* script : {"local t = {} for i = 1, 1e9 do t[i] = i end",
                               "local t = {} while true do pcall(function() t[#t + 1] = {1, 2, 3, 4} end) end",
                               "local s = 'x' while true do s = s .. s end"}) {
        EXPECT_FALSE(run(script)) << script;
        EXPECT_NE(messages.back().find("script stopped: it needs more than its 8 MB"), std::string::npos)
            << script << ": " << messages.back();
    }
    EXPECT_EQ(mem::live_blocks(), blocks);
    // Nothing but the limits changed: a modest script runs.
    EXPECT_TRUE(run("local t = {} for i = 1, 1000 do t[i] = i end"));
}

TEST_F(LuaSandbox, CancelStopsARunFromAnotherThread)
{
    imaging::set_script_limits({0, 0});  // no time limit: only the cancel ends it
    std::atomic<bool> done{false};
    std::thread canceller([&] {
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            MUR_LuaCancel();
        }
    });
    EXPECT_FALSE(run("local x = 0 while true do x = x + get_value(0, 0) end"));
    done = true;
    canceller.join();
    EXPECT_NE(messages.back().find("script cancelled"), std::string::npos) << messages.back();
    // A cancel before a run is forgotten when it starts.
    MUR_LuaCancel();
    EXPECT_TRUE(run("for i = 1, 100000 do end"));
}

TEST_F(LuaSandbox, LimitsAreSetThroughTheExport)
{
    EXPECT_EQ(MUR_LuaSetLimits(-1, 5), 0);
    EXPECT_EQ(MUR_LuaSetLimits(5, -1), 0);
    EXPECT_EQ(imaging::script_limits().seconds, 30.0);
    EXPECT_EQ(MUR_LuaSetLimits(0, 1), 1);
    EXPECT_EQ(imaging::script_limits().memoryBytes, std::size_t{1} << 20);
    EXPECT_FALSE(run("local t = {} for i = 1, 1e6 do t[i] = {} end"));
    EXPECT_EQ(MUR_LuaSetLimits(INT32_MAX, INT32_MAX), 1);
    EXPECT_TRUE(run("local t = {} for i = 1, 1e4 do t[i] = {} end"));
}

}  // namespace
}  // namespace mur

namespace mur {
namespace {

// Every allocation of a run failing in turn (the engine heap, under the
// sandbox's own cap): no crash, nothing left behind, a clean error.
TEST_F(LuaSandbox, EachFailingAllocationOfARunFailsCleanly)
{
    const std::string script = "local t = {} for i = 1, 200 do t[i] = tostring(i) .. 'x' end\n"
                                "local s = table.concat(t) for y = 0, height - 1 do\n"
                                "  for x = 0, width - 1 do set_rgb(x, y, get_hsv(x, y)) end end\n";
    run(script);  // the file is written once; count what a clean run allocates
    const std::size_t blocks = mem::live_blocks();
    for (long after = 0; after < 1500; ++after) {
        mem::fail_allocations(after, 1);
        MUR_LuaFilterRun(scriptPath.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        mem::reset_failures();
        ASSERT_EQ(mem::live_blocks(), blocks) << "allocation " << after;
    }
}

}  // namespace
}  // namespace mur
