// The effect "Adobe Compatible Plug-ins" through a fake plug-in host library
// loaded by the engine's own loading code.
#include "support/engine_fixture.h"
#include "support/pe_builder.h"

#include "io/apih.h"
#include "io/io.h"
#include "platform/plugin_host.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace mur::test {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kW = 8, kH = 4;

struct FakeHost {
    void (*reset)(int32_t);
    int (*calls)();
    const ApihImage* (*source)();
    const ApihImage* (*destination)();
    const char* (*path)();
    void* (*window)();
    const int32_t* (*values)();
    int32_t (*run_mode)();
    const uint32_t* (*packed)();
    int32_t (*progress_answer)();
    const uint8_t* (*first_pixels)();
};

template <class F>
void resolve(void* library, const char* name, F& function)
{
    function = reinterpret_cast<F>(dlsym(library, name));
    ASSERT_NE(function, nullptr) << name;
}

std::vector<uint8_t> layer_bytes(int32_t slot)
{
    std::vector<uint8_t> out(std::size_t(kW) * kH * 4);
    MUR_GetRGBA32Layer(out.data(), kW * 4, slot);
    return out;
}

void write(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class PluginEffect : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        library = dlopen(MUR_FAKE_APIH_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        resolve(library, "fake_reset", fake.reset);
        resolve(library, "fake_calls", fake.calls);
        resolve(library, "fake_source", fake.source);
        resolve(library, "fake_destination", fake.destination);
        resolve(library, "fake_path", fake.path);
        resolve(library, "fake_window", fake.window);
        resolve(library, "fake_values", fake.values);
        resolve(library, "fake_run_mode", fake.run_mode);
        resolve(library, "fake_packed", fake.packed);
        resolve(library, "fake_progress_answer", fake.progress_answer);
        resolve(library, "fake_first_pixels", fake.first_pixels);
        fake.reset(0);
        ASSERT_TRUE(platform::set_plugin_host_path(MUR_FAKE_APIH_PATH));

        folder = fs::temp_directory_path() / ("mur_plugin_invoke_" + std::to_string(::getpid()));
        fs::create_directories(folder);
        single = (folder / "single.8bf").string();
        write(single, make_pe({{"PIPL", 1, "", filter_pipl("8BFM", "Blur", "Soft")}}, false).bytes);
        write((folder / "two.8bf").string(), make_pe({{"PIPL", 7, "", filter_pipl("8BFM", "Blur", "A")},
                                                      {"PIPL", 9, "", filter_pipl("8BFM", "Blur", "B")}},
                                                     true)
                                                 .bytes);

        create_image(kW, kH);
        engine.hostWindow = reinterpret_cast<MUR_Window>(uintptr_t{0x5eed});
        MUR_CreateLayer(1, kW, kH);
        MUR_CreateLayer(2, kW, kH);
        MUR_SetLayer(2);
        MUR_IPLAllocSrcBuffer32();
        MUR_IPLAllocDstBuffer32();
        // The layer changes after the source was filled: the effect refills it.
        for (int32_t i = 0; i < kW * kH; ++i) {
            const uint8_t px[4] = {uint8_t(10 + i), uint8_t(100 + i), uint8_t(200 - i), uint8_t(60 + 5 * i)};
            pattern.insert(pattern.end(), px, px + 4);
        }
        MUR_LoadRGBA32Layer(pattern.data(), kW * 4, 2, 0, 0, kW, kH, 0);
        pattern = layer_bytes(2);
    }
    void TearDown() override
    {
        platform::set_plugin_host_path(nullptr);
        if (library) dlclose(library);
        fs::remove_all(folder);
        EngineTest::TearDown();
    }

    void* library = nullptr;
    FakeHost fake{};
    fs::path folder;
    std::string single;
    std::vector<uint8_t> pattern;
};

TEST_F(PluginEffect, RunsOverBgraCopiesAndStoresTheResultBack)
{
    for (const bool otherMode : {false, true}) {
        SCOPED_TRACE(otherMode);
        MUR_LoadRGBA32Layer(pattern.data(), kW * 4, 2, 0, 0, kW, kH, 0);
        fake.reset(0);
        ASSERT_TRUE(io::run_plugin_effect(single.c_str(), otherMode));
        ASSERT_EQ(fake.calls(), 1);

        const ApihImage& s = *fake.source();
        const ApihImage& d = *fake.destination();
        EXPECT_EQ(s.width, kW);
        EXPECT_EQ(s.height, kH);
        EXPECT_EQ(s.rowPixels, kW);
        EXPECT_EQ(s.pixels, engine.ipl.src32.data);
        EXPECT_EQ(d.width, kW);
        EXPECT_EQ(d.height, kH);
        EXPECT_EQ(d.rowPixels, kW);
        EXPECT_EQ(d.pixels, engine.ipl.dst32.data);
        for (int i = 0; i < 4; ++i) {  // the layer's first pixels as B, G, R, A
            EXPECT_EQ(fake.first_pixels()[4 * i], pattern[4 * i + 2]);
            EXPECT_EQ(fake.first_pixels()[4 * i + 1], pattern[4 * i + 1]);
            EXPECT_EQ(fake.first_pixels()[4 * i + 2], pattern[4 * i]);
            EXPECT_EQ(fake.first_pixels()[4 * i + 3], pattern[4 * i + 3]);
        }
        EXPECT_EQ(std::string(fake.path()), single);
        EXPECT_EQ(fake.window(), engine.hostWindow);
        EXPECT_EQ(fake.values()[0], 0);
        EXPECT_EQ(fake.values()[1], -1);
        EXPECT_EQ(fake.values()[2], 0);
        EXPECT_EQ(fake.values()[3], 0);
        EXPECT_EQ(fake.run_mode(), otherMode ? 0 : 2);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(fake.packed()[i], 0u);
        EXPECT_EQ(fake.progress_answer(), 0);

        // Blue inverted, alpha 128 unless the lock was forced on; the lock
        // is the layer's own again afterwards.
        const std::vector<uint8_t> after = layer_bytes(2);
        for (std::size_t p = 0; p < after.size(); p += 4) {
            EXPECT_EQ(after[p], pattern[p]);
            EXPECT_EQ(after[p + 1], pattern[p + 1]);
            EXPECT_EQ(after[p + 2], 255 - pattern[p + 2]);
            EXPECT_EQ(after[p + 3], otherMode ? pattern[p + 3] : 128);
        }
        EXPECT_EQ(engine.layers.currentRecord->alphaLocked, 0);
        // The source is in R, G, B, A order again.
        EXPECT_EQ(std::vector<uint8_t>(engine.ipl.src32.data, engine.ipl.src32.data + pattern.size()), pattern);
    }
}

TEST_F(PluginEffect, OneFilterOfSeveralKeepsItsResourceInThePath)
{
    const std::string path = (folder / "two.8bf#9").string();
    EXPECT_TRUE(io::run_plugin_effect(path.c_str(), false));
    EXPECT_EQ(std::string(fake.path()), path);
}

TEST_F(PluginEffect, FailuresLeaveTheLayerUnchanged)
{
    const auto unchanged = [&](const char* what) { EXPECT_EQ(layer_bytes(2), pattern) << what; };

    fake.reset(1);
    EXPECT_FALSE(io::run_plugin_effect(single.c_str(), false));
    EXPECT_EQ(fake.calls(), 1);
    unchanged("the plug-in failed");

    fake.reset(0);
    for (const std::string& unlisted : {(folder / "two.8bf").string(), (folder / "two.8bf#8").string(),
                                       (folder / "none.8bf").string(), folder.string(), std::string()})
        EXPECT_FALSE(io::run_plugin_effect(unlisted.c_str(), false)) << unlisted;
    EXPECT_FALSE(io::run_plugin_effect(nullptr, false));
    EXPECT_EQ(fake.calls(), 0);
    unchanged("not a listed filter");

    MUR_IPLFreeDstBuffer32();
    EXPECT_FALSE(io::run_plugin_effect(single.c_str(), false));
    EXPECT_EQ(fake.calls(), 0);
    MUR_IPLAllocDstBuffer32();

    EXPECT_STREQ(MUR_GetLastError(), "");
    ASSERT_TRUE(platform::set_plugin_host_path("/nonexistent/libapih.so"));
    EXPECT_FALSE(io::run_plugin_effect(single.c_str(), false));
    EXPECT_STREQ(MUR_GetLastError(), "Plug-in host not available");
    EXPECT_EQ(fake.calls(), 0);
    unchanged("no plug-in host");
}

}  // namespace
}  // namespace mur::test
