#include "imaging/texture_script.h"

#include "engine/memory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace mur::imaging {
namespace {

namespace fs = std::filesystem;

const fs::path kTextures = fs::path(MUR_SHARE_DIR) / "textures";

// Loads a script from text; the script is finished when this goes.
struct Script {
    TextureScript s;
    bool loaded = false;
    explicit Script(const std::string& source, const TextureScriptLimits& limits = {})
    {
        loaded = load_texture_script_from_memory(source.data(), source.size(), s, limits);
    }
    ~Script() { finish_texture_script(s); }
};

// A tile buffer filled with a marker, so that leftovers show.
struct Tile {
    int w, h;
    std::vector<uint8_t> px;
    Tile(int width, int height) : w(width), h(height), px(std::size_t(width) * height * 4, 0xAB) {}
    ImageView view() { return rgba32_view(px.data(), w, h, std::ptrdiff_t{w} * 4); }
    const uint8_t* at(int x, int y) const { return px.data() + (std::size_t(y) * w + x) * 4; }
    bool all_zero() const
    {
        for (uint8_t b : px)
            if (b) return false;
        return true;
    }
};

// Runs a script into a fresh tile of its size: false when it does not load or run.
bool run(const std::string& source, const TextureScriptLimits& limits = {}, Tile* out = nullptr)
{
    Script script(source, limits);
    if (!script.loaded) return false;
    Tile tile(script.s.width, script.s.height);
    const bool ok = run_texture_script(script.s, tile.view());
    if (!ok) {
        EXPECT_TRUE(tile.all_zero()) << "a failed run leaves no partial tile";
    }
    if (out) *out = tile;
    return ok;
}

TEST(TextureScript, HeaderAndTexelsFillTheTile)
{
    Script script("width = 3\nheight = 2\n"
                  "function texel(x, y) return x / 2, y, 0.5 end\n");
    ASSERT_TRUE(script.loaded);
    int32_t w = 0, h = 0;
    ASSERT_TRUE(texture_script_header(script.s, w, h));
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    Tile tile(3, 2);
    ASSERT_TRUE(run_texture_script(script.s, tile.view()));
    // x / 2 for x = 0, 1, 2 is 0, 0.5, 1: levels 0, 128 (127.5 rounded), 255.
    EXPECT_EQ(tile.at(0, 0)[0], 0);
    EXPECT_EQ(tile.at(1, 0)[0], 128);
    EXPECT_EQ(tile.at(2, 1)[0], 255);
    EXPECT_EQ(tile.at(0, 0)[1], 0);
    EXPECT_EQ(tile.at(0, 1)[1], 255);
    EXPECT_EQ(tile.at(1, 1)[2], 128);
    EXPECT_EQ(tile.at(2, 1)[3], 255);  // no alpha returned: opaque
}

TEST(TextureScript, AlphaIsOptionalAndValuesAreClamped)
{
    Tile tile(1, 1);
    ASSERT_TRUE(run("width, height = 2, 1\n"
                    "function texel(x, y) if x == 0 then return -1, 2, 0.25, 0.25 end return 1, 1, 1, nil end\n",
                    {}, &tile));
    EXPECT_EQ(tile.at(0, 0)[0], 0);
    EXPECT_EQ(tile.at(0, 0)[1], 255);
    EXPECT_EQ(tile.at(0, 0)[2], 64);  // 63.75
    EXPECT_EQ(tile.at(0, 0)[3], 64);
    EXPECT_EQ(tile.at(1, 0)[3], 255);
}

TEST(TextureScript, FilesThatAreNoScriptsDoNotLoad)
{
    const char* notScripts[] = {
        "this is not Lua",
        "width = 4\nfunction texel() return 1, 1, 1 end",                            // no height
        "width, height = 4, 4",                                                       // no texel
        "width, height = 4, 4\ntexel = 7",                                            // texel not a function
        "width, height = '4', 4\nfunction texel() return 1, 1, 1 end",               // a string
        "width, height = 4.5, 4\nfunction texel() return 1, 1, 1 end",               // not whole
        "width, height = 0, 4\nfunction texel() return 1, 1, 1 end",
        "width, height = -3, 4\nfunction texel() return 1, 1, 1 end",
        "width, height = 70000, 1\nfunction texel() return 1, 1, 1 end",
        "width, height = 65535, 65535\nfunction texel() return 1, 1, 1 end",          // too many pixels
        "width, height = 0/0, 4\nfunction texel() return 1, 1, 1 end",
        "error('at load')\nwidth, height = 4, 4\nfunction texel() return 1, 1, 1 end",
        "\x1bLuaQ precompiled",
        "",
    };
    for (const char* source : notScripts) {
        Script s(source);
        EXPECT_FALSE(s.loaded) << source;
        EXPECT_EQ(s.s.state, nullptr) << source;
        int32_t w, h;
        EXPECT_FALSE(texture_script_header(s.s, w, h));
    }
    // A first line for the shell is allowed.
    Script shebang("#!/usr/bin/lua\nwidth, height = 1, 1\nfunction texel() return 1, 1, 1 end\n");
    EXPECT_TRUE(shebang.loaded);
}

TEST(TextureScript, PictureFilesAndMissingFilesAreNoScripts)
{
    TextureScript s;
    EXPECT_FALSE(load_texture_script((fs::path(MUR_TESTDATA_DIR) / "coffee.png").c_str(), s));
    EXPECT_FALSE(load_texture_script("/nonexistent/texture.lua", s));
    EXPECT_FALSE(load_texture_script(nullptr, s));
    EXPECT_EQ(s.state, nullptr);
    TextureScriptLimits small;
    small.sourceBytes = 16;
    const std::string longer = "width, height = 1, 1\nfunction texel() return 1, 1, 1 end\n";
    EXPECT_FALSE(load_texture_script_from_memory(longer.data(), longer.size(), s, small));
}

TEST(TextureScript, OnlyTheSafeLibrariesAreThere)
{
    // The tile is one pixel wide only when every reach outside is gone and
    // the allowed libraries are there.
    Tile tile(1, 1);
    ASSERT_TRUE(run("local gone = io == nil and os == nil and package == nil and debug == nil and require == nil\n"
                    "  and dofile == nil and loadfile == nil and load == nil and loadstring == nil and jit == nil\n"
                    "  and newproxy == nil and string.find == nil and string.gsub == nil and string.match == nil\n"
                    "  and string.gmatch == nil\n"
                    "local there = math.sin ~= nil and string.format ~= nil and table.insert ~= nil and pairs ~= nil\n"
                    "  and pcall ~= nil and print ~= nil\n"  // print writes to the debug sink
                    "width = (gone and there) and 1 or 2\nheight = 1\n"
                    "function texel() return 1, 1, 1 end\n",
                    {}, &tile));
    EXPECT_EQ(tile.w, 1);
}

TEST(TextureScript, TexelsThatAreNotNumbersOrThatFailGiveNoTile)
{
    const char* bad[] = {
        "function texel(x, y) if y == 1 then error('boom') end return 1, 1, 1 end",
        "function texel(x, y) if x == 2 then return '1', 1, 1 end return 1, 1, 1 end",
        "function texel(x, y) if x == 1 then return 1, 1 end return 1, 1, 1 end",
        "function texel(x, y) return 1, 1, 1, {} end",
        "function texel(x, y) return 0/0, 1, 1 end",
        "function texel(x, y) return nil end",
    };
    for (const char* texel : bad) EXPECT_FALSE(run(std::string("width, height = 3, 2\n") + texel)) << texel;
}

TEST(TextureScript, RunawayScriptsAreStoppedEvenWhenTheyCatchTheError)
{
    TextureScriptLimits quick;
    quick.run.seconds = 0.3;
    EXPECT_FALSE(run("while true do end\nwidth, height = 1, 1\nfunction texel() return 1, 1, 1 end", quick));
    EXPECT_FALSE(run("width, height = 4, 4\nfunction texel() while true do end end", quick));
    EXPECT_FALSE(run("width, height = 4, 4\n"
                     "function texel()\n"
                     "  while true do pcall(function() while true do end end) end\n"
                     "end",
                     quick));
    EXPECT_FALSE(run("width, height = 4, 4\n"
                     "function texel()\n"
                     "  local co = coroutine.create(function() while true do end end)\n"
                     "  while true do coroutine.resume(co) end\n"
                     "end",
                     quick));
    // The engine's limits (MUR_LuaSetLimits) end an endless loop too.
    const ScriptLimits before = script_limits();
    set_script_limits({0.3, before.memoryBytes});
    EXPECT_FALSE(run("width, height = 1, 1\nfunction texel() local i = 0 while true do i = i + 1 end end"));
    set_script_limits(before);
}

TEST(TextureScript, ScriptsThatSpendTheirTimeInLibraryCallsAreStoppedByTheClock)
{
    // Few instructions, each a library call over a whole megabyte: the
    // instruction budget alone would let this run for hours.
    TextureScriptLimits clock;
    clock.run.seconds = 0.2;
    EXPECT_FALSE(run("local s = string.rep('1', 1000000) .. 'x'\n"
                     "while true do local n = tonumber(s) end\n"
                     "width, height = 1, 1\nfunction texel() return 1, 1, 1 end",
                     clock));
    // Each instruction a long string.rep: the clock is read as memory grows.
    EXPECT_FALSE(run("for i = 1, 1e9 do local s = string.rep('abc', 400000) end\n"
                     "width, height = 1, 1\nfunction texel() return 1, 1, 1 end",
                     clock));
    // An empty string repeated any number of times is empty at once; a
    // result past the memory cap is refused before it is built.
    EXPECT_TRUE(run("for i = 1, 1000 do assert(#string.rep('', 2147483647) == 0) end\n"
                    "assert(not pcall(string.rep, 'ab', 2147483647))\n"
                    "assert(('xy'):rep(3) == 'xyxyxy' and ('x'):rep(0) == '' and ('x'):rep(-5) == '')\n"
                    "width, height = 1, 1\nfunction texel() return 1, 1, 1 end",
                    clock));
}

TEST(TextureScript, MemoryHungryScriptsFailCleanly)
{
    TextureScriptLimits tight;
    tight.run.memoryBytes = 4 << 20;
    const std::size_t blocks = mem::live_blocks();
    EXPECT_FALSE(run("local s = string.rep('x', 64 * 1024 * 1024)\n"
                     "width, height = 1, 1\nfunction texel() return 1, 1, 1 end",
                     tight));
    EXPECT_FALSE(run("width, height = 2, 2\n"
                     "function texel()\n"
                     "  local t = {}\n"
                     "  for i = 1, 1e9 do t[i] = tostring(i) .. string.rep('y', 100) end\n"
                     "end",
                     tight));
    EXPECT_EQ(mem::live_blocks(), blocks);
}

TEST(TextureScript, EngineHeapFailuresFailCleanly)
{
    const std::string source = "width, height = 2, 2\nfunction texel(x, y) return x, y, 0 end\n";
    const std::size_t blocks = mem::live_blocks();
    for (long after : {0L, 1L, 5L, 50L, 200L}) {
        mem::fail_allocations(after, -1);
        TextureScript s;
        const bool loaded = load_texture_script_from_memory(source.data(), source.size(), s);
        mem::reset_failures();
        if (loaded) {
            Tile tile(2, 2);
            EXPECT_TRUE(run_texture_script(s, tile.view()));
        }
        finish_texture_script(s);
        EXPECT_EQ(mem::live_blocks(), blocks) << after;
    }
}

TEST(TextureScript, RunRefusesAViewOfAnotherSizeAndAnUnloadedScript)
{
    Script script("width, height = 4, 4\nfunction texel() return 1, 0, 0 end\n");
    ASSERT_TRUE(script.loaded);
    Tile wrong(4, 3);
    EXPECT_FALSE(run_texture_script(script.s, wrong.view()));
    EXPECT_TRUE(wrong.all_zero());
    TextureScript none;
    Tile tile(4, 4);
    EXPECT_FALSE(run_texture_script(none, tile.view()));
    finish_texture_script(none);
    finish_texture_script(none);
}

// The shipped examples: they load, fill their whole tile the same way every
// time, are not flat, and join without a seam when tiled.
TEST(TextureScript, TheExampleTexturesAreSeamlessTiles)
{
    for (const char* name : {"canvas_weave.lua", "rough_paper.lua"}) {
        const fs::path path = kTextures / name;
        Rgba32Picture a, b;
        ASSERT_TRUE(render_texture_script(path.c_str(), a)) << name;
        ASSERT_TRUE(render_texture_script(path.c_str(), b)) << name;
        const int w = a.width, h = a.height;
        ASSERT_GE(w, 32);
        ASSERT_GE(h, 32);
        EXPECT_EQ(0, std::memcmp(a.pixels, b.pixels, std::size_t(w) * h * 4)) << name;

        auto gray = [&](int x, int y) {
            const uint8_t* p = a.pixels + (std::size_t(y) * w + x) * 4;
            return (p[0] + p[1] + p[2]) / 3.0;
        };
        double low = 255, high = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                EXPECT_EQ(a.pixels[(std::size_t(y) * w + x) * 4 + 3], 255);
                low = std::min(low, gray(x, y));
                high = std::max(high, gray(x, y));
            }
        EXPECT_GT(high - low, 40.0) << name << " has too little texture";
        // The step from the last column to the first is about as large as
        // the largest step between neighbouring columns inside the tile (a
        // thread edge, a bump), not a jump beyond them; the same for rows.
        double largest = 0, seam = 0;
        for (int x = 0; x + 1 < w; ++x) {
            double step = 0;
            for (int y = 0; y < h; ++y) step += std::abs(gray(x + 1, y) - gray(x, y));
            largest = std::max(largest, step / h);
        }
        for (int y = 0; y < h; ++y) seam += std::abs(gray(0, y) - gray(w - 1, y));
        EXPECT_LE(seam / h, 1.25 * largest + 0.5) << name << " columns";
        largest = seam = 0;
        for (int y = 0; y + 1 < h; ++y) {
            double step = 0;
            for (int x = 0; x < w; ++x) step += std::abs(gray(x, y + 1) - gray(x, y));
            largest = std::max(largest, step / w);
        }
        for (int x = 0; x < w; ++x) seam += std::abs(gray(x, 0) - gray(x, h - 1));
        EXPECT_LE(seam / w, 1.25 * largest + 0.5) << name << " rows";
        release_picture(a);
        release_picture(b);
    }
}

}  // namespace
}  // namespace mur::imaging
