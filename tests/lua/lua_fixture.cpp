#include "lua/lua_fixture.h"

#include <unistd.h>

#include <fstream>

namespace mur::test {

void LuaFilterTest::SetUp()
{
    EngineTest::SetUp();
    create_image(kWidth, kHeight);
    ASSERT_EQ(MUR_CreateLayer(2, kWidth, kHeight), 1);
    MUR_SetLayer(2);
    // Distinct 8-bit values in every channel (low bytes 0, so a store of the
    // unchanged page gives the layer back).
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            uint16_t* p = pixel_at(layer(), x, y);
            p[0] = uint16_t((10 + x * 30) << 8), p[1] = uint16_t((20 + y * 40) << 8);
            p[2] = uint16_t(((x * 7 + y * 13) % 256) << 8), p[3] = uint16_t((255 - x - y) << 8);
        }
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    scriptPath = "lua_filter_test_" + std::to_string(getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".lua";
    MUR_SetMessageBoxHandler(
        [](void* user, const char* text, const char* caption) {
            static_cast<LuaFilterTest*>(user)->messages.push_back(std::string(caption) + ": " + text);
        },
        this);
    MUR_SetDebugOutputHandler([](void* user, const char* text) { static_cast<LuaFilterTest*>(user)->debug.push_back(text); },
                              this);
}

void LuaFilterTest::TearDown()
{
    std::remove(scriptPath.c_str());
    MUR_IPLFreeSrcBuffer32();
    MUR_IPLFreeDstBuffer32();
    EngineTest::TearDown();
}

bool LuaFilterTest::run(const std::string& script, int32_t variant, const int32_t sliders[6], int32_t style1,
                        int32_t style2, const int32_t flags[6])
{
    std::ofstream(scriptPath) << script;
    const int32_t none[6] = {};
    const int32_t* s = sliders ? sliders : none;
    const int32_t* f = flags ? flags : none;
    const std::size_t before = messages.size();
    MUR_LuaFilterRun(scriptPath.c_str(), variant, s[0], s[1], s[2], s[3], s[4], s[5], style1, style2, f[0], f[1], f[2],
                     f[3], f[4], f[5]);
    return messages.size() == before;
}

std::vector<uint8_t> LuaFilterTest::layer_bytes() const
{
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x)
            for (int c = 0; c < 4; ++c) out.push_back(uint8_t(pixel_at(layer(), x, y)[c] >> 8));
    return out;
}

}  // namespace mur::test
