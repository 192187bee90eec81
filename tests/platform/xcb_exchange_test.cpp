// The clipboard and the screen through a virtual X server (Xvfb): another
// program (xcb_peer, a small XCB client) reads our picture while we wait
// and offers its own, small and through INCR, and the capture reads what it
// draws on the root window. Skipped, with a message, without Xvfb.
#include "imaging/png_codec.h"
#include "io/external_readers.h"
#include "platform/clipboard.h"
#include "platform/desktop_exchange.h"
#include "support/engine_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace mur::test {
namespace {

pid_t g_server = 0;
std::string g_display;

class XvfbExchange : public EngineTest {
protected:
    static void SetUpTestSuite()
    {
        if (!have_program("Xvfb")) return;
        const int number = 40 + int(getpid() % 500);
        g_display = ":" + std::to_string(number);
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        std::vector<std::string> args = {"Xvfb", g_display, "-screen", "0", "1920x1080x24", "-nolisten", "tcp", "-noreset"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&g_server, "Xvfb", &quiet, nullptr, argv.data(), environ) != 0) g_server = 0;
        posix_spawn_file_actions_destroy(&quiet);
        for (int i = 0; i < 200 && g_server && !std::filesystem::exists(socket); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        setenv("DISPLAY", g_display.c_str(), 1);
    }
    static void TearDownTestSuite()
    {
        platform::stop_exchange_backend();
        unsetenv("DISPLAY");
        if (g_server) {
            kill(g_server, SIGTERM);
            waitpid(g_server, nullptr, 0);
            g_server = 0;
        }
    }
    void SetUp() override
    {
        if (!g_server) GTEST_SKIP() << "Xvfb (package xvfb, scripts/deps.sh) is not installed";
        EngineTest::SetUp();
        ASSERT_NE(platform::exchange_backend(), nullptr) << "no connection to " << g_display;
    }
    static std::string peer() { return MUR_XCB_PEER; }
    ScratchDir dir;
};

std::vector<uint8_t> noise(int32_t w, int32_t h, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> p(std::size_t(w) * h * 4);
    for (auto& v : p) v = uint8_t(rng());
    for (std::size_t i = 3; i < p.size(); i += 4) p[i] |= 1;  // no alpha 0: colour under it would be free
    return p;
}

std::vector<uint8_t> read_png_pixels(const std::string& path, int32_t& w, int32_t& h)
{
    imaging::Rgba32Picture p;
    if (!imaging::read_png(path.c_str(), p)) return {};
    w = p.width, h = p.height;
    std::vector<uint8_t> out(p.pixels, p.pixels + std::size_t(w) * h * 4);
    imaging::release_picture(p);
    return out;
}

TEST_F(XvfbExchange, AnotherProgramReadsOurPictureAndWeReadItsSmallAndThroughIncr)
{
    for (auto [w, h] : {std::pair{37, 21}, std::pair{3000, 2400}}) {
        // Ours, read by the peer while we wait (our thread answers).
        const std::vector<uint8_t> ours = noise(w, h, uint32_t(w));
        ASSERT_EQ(MUR_RGBA32ToClipboardRect(ours.data(), 0, 0, w, h, 0), 1);
        const std::string got = dir / "got.png";
        bool ok = false;
        const std::string targets = command_output(peer() + " read " + got, &ok);
        ASSERT_TRUE(ok) << w;
        EXPECT_NE(targets.find("TARGETS\n"), std::string::npos) << targets;
        EXPECT_NE(targets.find("TIMESTAMP\n"), std::string::npos) << targets;
        EXPECT_NE(targets.find("image/png\n"), std::string::npos) << targets;
        EXPECT_NE(targets.find("image/bmp\n"), std::string::npos) << targets;
        int32_t gw = 0, gh = 0;
        EXPECT_EQ(read_png_pixels(got, gw, gh), ours) << w;
        EXPECT_EQ(identify(got, "%m %[channels]"), "PNG srgba");
        // Our own selection reads back from the store.
        EXPECT_EQ(MUR_FromClipboard(), 1);
        MUR_DeleteNewRGBA();

        // Theirs, offered by the peer: written by us first as a PNG file.
        const std::vector<uint8_t> theirs = noise(w, h, uint32_t(h) + 7);
        const std::string offer = dir / "offer.png";
        ASSERT_EQ(MUR_WriteToFileRGBA32(theirs.data(), w, h, offer.c_str(), ".png", 72), 1);
        FILE* owner = popen((peer() + " own " + offer + " 30").c_str(), "r");
        ASSERT_NE(owner, nullptr);
        char line[32] = {};
        ASSERT_NE(std::fgets(line, sizeof line, owner), nullptr);
        ASSERT_STREQ(line, "owning\n");
        ASSERT_EQ(MUR_FromClipboard(), 1) << w;
        ASSERT_EQ(MUR_GetNewRGBAWidth(), w);
        std::vector<uint8_t> read(ours.size());
        MUR_GetNewRGBA32(read.data());
        MUR_DeleteNewRGBA();
        EXPECT_EQ(read, theirs) << w;
        // Taking the clipboard back ends the peer.
        ASSERT_EQ(MUR_RGBA32ToClipboardRect(ours.data(), 0, 0, 1, 1, 0), 1);
        EXPECT_EQ(pclose(owner), 0);
    }
}

TEST_F(XvfbExchange, TheCaptureReadsRectanglesDrawnOnTheRoot)
{
    bool ok = false;
    command_output(peer() + " draw 0 0 1920 1080 000000 100 200 300 150 ff8000 1000 50 20 900 10a0f0", &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(MUR_ScreenCapture(), 1);
    ASSERT_EQ(MUR_GetNewRGBAWidth(), 1920);
    ASSERT_EQ(MUR_GetNewRGBAHeight(), 1080);
    std::vector<uint8_t> screen(std::size_t(1920) * 1080 * 4);
    MUR_GetNewRGBA32(screen.data());
    auto at = [&](int x, int y) {
        const uint8_t* p = screen.data() + (std::size_t(y) * 1920 + x) * 4;
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    };
    for (int y = 0; y < 1080; y += 7)
        for (int x = 0; x < 1920; x += 5) {
            uint32_t want = 0x000000FF;
            if (x >= 100 && x < 400 && y >= 200 && y < 350) want = 0xFF8000FF;
            if (x >= 1000 && x < 1020 && y >= 50 && y < 950) want = 0x10A0F0FF;
            ASSERT_EQ(at(x, y), want) << x << "," << y;
        }
    // Pasted into a layer at (0, 0): the layer takes the screen's corner.
    create_image(200, 250);
    ASSERT_EQ(MUR_CreateLayer(2, 200, 250), 1);
    MUR_SetLayer(2);
    ASSERT_EQ(MUR_ScreenCaptureInto(), 1);
    EXPECT_EQ(pixel_at(engine.layers.slots[2], 150, 220)[0], 0xFF00);
    EXPECT_EQ(pixel_at(engine.layers.slots[2], 50, 220)[0], 0);
}

}  // namespace
}  // namespace mur::test
