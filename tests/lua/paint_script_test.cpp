// Drawing scripts recorded by the paint_ functions of a filter script: the
// file's place, header, trailer and records, number forms (the same under
// both Lua builds), and what a bad argument, an error or a second open
// leave in the file.
#include "lua/lua_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace mur {
namespace {

namespace fs = std::filesystem;

class PaintScript : public test::LuaFilterTest {
protected:
    void SetUp() override
    {
        LuaFilterTest::SetUp();
        char pattern[] = "/tmp/mur_paint_script_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        fs::create_directory(dir / "scripts");
        MUR_SetStartDir((dir.string() + "/").c_str());
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
        LuaFilterTest::TearDown();
    }

    fs::path file() const { return dir / "scripts" / "luapaint.srp"; }

    // The file's bytes; "<none>" when there is no file.
    std::string text() const
    {
        std::ifstream in(file(), std::ios::binary);
        if (!in) return "<none>";
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    static std::string lines(const std::vector<std::string>& tokens)
    {
        std::string out;
        for (const std::string& t : tokens) out += t + "\n";
        return out;
    }

    static const std::string kHeader42;
    fs::path dir;
};

const std::string PaintScript::kHeader42 = "1554\nDescription\n1\n \nRandomSeed\n42\n";

TEST_F(PaintScript, TheEdgeCasesOfTheFormat)
{
    // Nothing before paint_open leaves a file.
    EXPECT_TRUE(run("paint_dab(1, 2, 3) paint_brush_color(1, 1, 1) paint_close()"));
    EXPECT_EQ(text(), "<none>");

    EXPECT_TRUE(run("paint_open(42) paint_close()"));
    EXPECT_EQ(text(), lines({"1554", "Description", "1", " ", "RandomSeed", "42", "ScriptEnd"}));

    EXPECT_TRUE(run("paint_open(42) paint_brush_color(1, 0.5, 0) paint_close()"));
    EXPECT_EQ(text(), kHeader42 + lines({"SetColor", "255", "127", "0", "ScriptEnd"}));

    EXPECT_TRUE(run("paint_open(42) paint_stroke_start(3, 4) paint_stroke_pos(3, 4, 0.5) paint_stroke_pos(9.25, 8, 1)"
                    " paint_stroke_stop() paint_close()"));
    EXPECT_EQ(text(), kHeader42 + lines({"DrawStart", "3", "4", "-1", "SmoothPlot2", "0", "0", "0", "1", "0",
                                         "SmoothPlot2", "3", "4", "0.5", "0", "0", "SmoothPlot2", "9.25", "8", "1",
                                         "0", "0", "SmoothPlot2", "0", "0", "0", "0", "1", "DrawStop", "1",
                                         "ScriptEnd"}));
}

// Every painting function against a file written from the record table by
// hand; the same script also checks that all 47 are there.
TEST_F(PaintScript, EveryRecordMatchesTheExpectedFile)
{
    const fs::path fixtures = fs::path(MUR_SOURCE_DIR) / "tests" / "lua" / "drawing_scripts";
    std::ifstream script(fixtures / "every_record.lua"), expected(fixtures / "every_record.srp", std::ios::binary);
    ASSERT_TRUE(script && expected);
    std::ostringstream s, e;
    s << script.rdbuf();
    e << expected.rdbuf();
    EXPECT_TRUE(run(s.str())) << messages.back();
    EXPECT_EQ(text(), e.str());

    EXPECT_TRUE(run("local n = 0\n"
                    "for name, v in pairs(_G) do\n"
                    "  if type(v) == 'function' and name:sub(1, 6) == 'paint_' then n = n + 1 end\n"
                    "end\n"
                    "assert(n == 47, n)"))
        << messages.back();
}

// Numbers are written by the host as "%.14g" (the reference here is the C
// library's printf), so both Lua builds write the same bytes; NaN is "nan";
// colours are trunc(v x 255), unclamped, NaN 0 and held to 32 bits.
TEST_F(PaintScript, NumbersTakeOneFormUnderBothBuilds)
{
    const char* values[] = {"10", "1/3", "1e15", "-0.5", "2^53", "1e-5", "123456789012345678", "-1/7", "1e300",
                            "1/0", "-1/0", "0.1 + 0.2", "-zero"};
    // -zero at run time: Lua 5.1 folds the constant -0 into 0.
    std::string script = "local zero = 0 paint_open(42) paint_brush_size(10) paint_brush_size(1/3) paint_brush_size(1e15)\n";
    std::string expected = kHeader42 + lines({"SetBrushSize", "10", "SetBrushSize", "0.33333333333333", "SetBrushSize",
                                              "1e+15"});
    for (const char* v : values) {
        script += std::string("paint_brush_size(") + v + ")\n";
        // The value as the C library evaluates the same expression.
        double d = 0;
        const std::string expr = v;
        if (expr == "1/3") d = 1.0 / 3;
        else if (expr == "2^53") d = std::ldexp(1.0, 53);
        else if (expr == "-1/7") d = -1.0 / 7;
        else if (expr == "1/0") d = HUGE_VAL;
        else if (expr == "-1/0") d = -HUGE_VAL;
        else if (expr == "0.1 + 0.2") d = 0.1 + 0.2;
        else if (expr == "-zero") d = -0.0;
        else d = std::strtod(v, nullptr);
        char formatted[64];
        std::snprintf(formatted, sizeof formatted, "%.14g", d);
        expected += std::string("SetBrushSize\n") + formatted + "\n";
    }
    script += "paint_brush_size(0/0) paint_brush_size(-(0/0))\n";
    expected += "SetBrushSize\nnan\nSetBrushSize\nnan\n";
    script += "paint_brush_color(-0.5, 0/0, 1e300) paint_brush_color('0.5', 2, -1e300)\n";
    expected += lines({"SetColor", "-127", "0", "2147483647", "SetColor", "127", "510", "-2147483648"});
    // Strings stay as they are, but a line end in one becomes a blank.
    script += "paint_filter('Name\\nForged\\r\\n', '0x10', ' 7 ', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, "
              "'a\\0b')\npaint_close()\n";
    expected += lines({"Filter", "Name Forged  ", "0x10", " 7 ", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10",
                       "11", "12", "13", "14", "15", "16", "a b", "ScriptEnd"});
    EXPECT_TRUE(run(script)) << messages.back();
    EXPECT_EQ(text(), expected);
}

// A bad argument raises the script's error before the keyword is written;
// the records before it stay, and the host closes the file without the
// trailer.
TEST_F(PaintScript, BadArgumentsLeaveNoHalfRecordAndAnErrorKeepsTheRecords)
{
    EXPECT_TRUE(run("paint_open(42)\n"
                    "assert(not pcall(paint_line, 1, 2, nil, 4))\n"
                    "assert(not pcall(paint_line, 1, 2, 3))\n"
                    "assert(not pcall(paint_line, 1, true, 3, 4))\n"
                    "assert(not pcall(paint_line, {}, 2, 3, 4))\n"
                    "assert(not pcall(paint_brush_color, 1, 'x', 1))\n"
                    "assert(not pcall(paint_set_color_banks, 250, 1, 1))\n"
                    "assert(not pcall(paint_filter, print))\n"
                    "assert(not pcall(paint_open))\n"
                    "paint_dab(1, 2, 3)\n"
                    "paint_close()"))
        << messages.back();
    EXPECT_EQ(text(), kHeader42 + lines({"Dab", "1", "2", "3", "ScriptEnd"}));

    // An error mid-script: the records so far stay, no trailer.
    EXPECT_FALSE(run("paint_open(42) paint_brush_size(5) paint_line(1, 2, 3, nil)"));
    EXPECT_NE(messages.back().find("bad argument #4 to 'paint_line'"), std::string::npos) << messages.back();
    EXPECT_EQ(text(), kHeader42 + lines({"SetBrushSize", "5"}));
    EXPECT_FALSE(run("paint_open(42) paint_brush_size(6) error('stop')"));
    EXPECT_EQ(text(), kHeader42 + lines({"SetBrushSize", "6"}));
    // The next run starts closed.
    EXPECT_TRUE(run("paint_brush_size(7) paint_close()"));
    EXPECT_EQ(text(), kHeader42 + lines({"SetBrushSize", "6"}));
}

TEST_F(PaintScript, ASecondOpenStartsTheFileAgain)
{
    EXPECT_TRUE(run("paint_open(1) paint_brush_size(5) paint_open(2) paint_brush_size(6) paint_close()"
                    " paint_brush_size(7) paint_close()"));
    EXPECT_EQ(text(), lines({"1554", "Description", "1", " ", "RandomSeed", "2", "SetBrushSize", "6", "ScriptEnd"}));
}

TEST_F(PaintScript, TheStartDirectoryAndAMissingFolder)
{
    // No trailing separator: one is added.
    MUR_SetStartDir(dir.string().c_str());
    EXPECT_TRUE(run("paint_open(42) paint_close()"));
    EXPECT_EQ(text(), kHeader42 + "ScriptEnd\n");

    // No scripts/ folder: the records are dropped, the script runs on, and
    // the engine creates no folder.
    fs::remove_all(dir / "scripts");
    EXPECT_TRUE(run("paint_open(42) paint_dab(1, 2, 3) paint_close() set_rgb(0, 0, 1, 1, 1)"));
    EXPECT_FALSE(fs::exists(dir / "scripts"));
    EXPECT_EQ(layer_bytes()[0], 255);
}

}  // namespace
}  // namespace mur
