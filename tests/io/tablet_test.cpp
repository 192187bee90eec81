// Tablet input through a fake driver library, loaded by the engine's own
// loading code.
#include "support/engine_fixture.h"

#include "io/wintab.h"
#include "io/wintab_loader.h"
#include "platform/desktop.h"

#include <dlfcn.h>

#include <climits>

namespace mur::test {
namespace {

// The scripting side of the fake library.
struct FakeDriver {
    void (*reset)();
    void (*set_pressure_axis)(int32_t, int32_t);
    void (*remove_pressure_axis)();
    void (*fail_open)(int);
    void (*set_queue_size_result)(int32_t);
    void (*override_packets_get)(int32_t);
    int (*queue_packet)(uint32_t, int32_t, int32_t, uint32_t);
    int (*queued)();
    int (*open_contexts)();
    int (*opens)();
    const LOGCONTEXTA* (*last_opened)();
    MUR_Window (*last_window)();
    int32_t (*last_enable)();
    int32_t (*queue_size)();
    int32_t (*last_packets_requested)();
};

template <class F>
void resolve(void* library, const char* name, F& function)
{
    function = reinterpret_cast<F>(dlsym(library, name));
    ASSERT_NE(function, nullptr) << name;
}

class Tablet : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        library = dlopen(MUR_FAKE_WINTAB_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        resolve(library, "fake_reset", fake.reset);
        resolve(library, "fake_set_pressure_axis", fake.set_pressure_axis);
        resolve(library, "fake_remove_pressure_axis", fake.remove_pressure_axis);
        resolve(library, "fake_fail_open", fake.fail_open);
        resolve(library, "fake_set_queue_size_result", fake.set_queue_size_result);
        resolve(library, "fake_override_packets_get", fake.override_packets_get);
        resolve(library, "fake_queue_packet", fake.queue_packet);
        resolve(library, "fake_queued", fake.queued);
        resolve(library, "fake_open_contexts", fake.open_contexts);
        resolve(library, "fake_opens", fake.opens);
        resolve(library, "fake_last_opened", fake.last_opened);
        resolve(library, "fake_last_window", fake.last_window);
        resolve(library, "fake_last_enable", fake.last_enable);
        resolve(library, "fake_queue_size", fake.queue_size);
        resolve(library, "fake_last_packets_requested", fake.last_packets_requested);
        fake.reset();
        ASSERT_TRUE(tablet::set_library_path(MUR_FAKE_WINTAB_PATH));
    }

    void TearDown() override
    {
        MUR_CloseTablet();
        tablet::set_library_path(nullptr);
        platform::detach_desktop_backend();
        if (library) dlclose(library);
        EngineTest::TearDown();
    }

    // Opens a context for `window` on the fake tablet and asserts it opened.
    void open_tablet()
    {
        ASSERT_NE(MUR_InitTablet(&window), 0);
        ASSERT_EQ(fake.open_contexts(), 1);
    }

    // Queues packets with these pressures and reads them as one batch.
    void read_pressures(std::initializer_list<uint32_t> pressures)
    {
        for (uint32_t p : pressures) fake.queue_packet(TPS_PROXIMITY, 0, 0, p);
        ASSERT_EQ(MUR_ReadTabletPackets(), static_cast<int32_t>(pressures.size()));
    }

    void* library = nullptr;
    FakeDriver fake{};
    int window = 0;
};

// ---- Context --------------------------------------------------------------

using TabletContext = Tablet;

TEST_F(TabletContext, OpensForTheWindowReportingStatusPositionAndPressureInScreenPixels)
{
    open_tablet();
    const LOGCONTEXTA& c = *fake.last_opened();
    EXPECT_EQ(fake.last_window(), &window);
    EXPECT_EQ(fake.last_enable(), 1);
    EXPECT_STREQ(c.lcName, "murcore tablet context");
    EXPECT_EQ(c.lcOptions, 0x0001u);               // CXO_SYSTEM
    EXPECT_EQ(c.lcPktData, 0x0002u | 0x0080u | 0x0100u | 0x0400u);
    EXPECT_EQ(c.lcMoveMask, c.lcPktData);
    EXPECT_EQ(c.lcPktMode, 0u);
    EXPECT_EQ(c.lcBtnDnMask, 0x5u);                // the default's
    EXPECT_EQ(c.lcBtnUpMask, 0x5u);                // the default's button-down mask
    EXPECT_EQ(c.lcInExtX, 15200);                  // the rest of the default is kept
    EXPECT_EQ(c.lcOutOrgX, 0);
    EXPECT_EQ(c.lcOutOrgY, 0);
    EXPECT_EQ(c.lcOutExtX, 1920);
    EXPECT_EQ(c.lcOutExtY, -1080);
    EXPECT_EQ(fake.queue_size(), 256);
}

TEST_F(TabletContext, OutputExtentIsTheScreenOfTheAttachedDesktop)
{
    platform::DesktopBackend backend;
    backend.screenSize = [](int32_t& w, int32_t& h) noexcept {
        w = 2560;
        h = 1440;
        return true;
    };
    platform::attach_desktop_backend(backend);
    open_tablet();
    EXPECT_EQ(fake.last_opened()->lcOutExtX, 2560);
    EXPECT_EQ(fake.last_opened()->lcOutExtY, -1440);
}

TEST_F(TabletContext, InitReturnsTheQueueSizeResult)
{
    fake.set_queue_size_result(7);
    EXPECT_EQ(MUR_InitTablet(&window), 7);
    MUR_CloseTablet();
    fake.set_queue_size_result(0);
    EXPECT_EQ(MUR_InitTablet(&window), 0);
    EXPECT_EQ(fake.open_contexts(), 1);  // open all the same, with the driver's queue
}

TEST_F(TabletContext, DeviceWithoutPressureAxisOpensNothing)
{
    fake.remove_pressure_axis();
    EXPECT_EQ(MUR_InitTablet(&window), 0);
    EXPECT_EQ(fake.opens(), 0);
    EXPECT_EQ(MUR_CloseTablet(), 0);
}

TEST_F(TabletContext, ContextThatDoesNotOpenIsReportedAsFailure)
{
    fake.fail_open(1);
    EXPECT_EQ(MUR_InitTablet(&window), 0);
    fake.queue_packet(0, 1, 2, 300);
    EXPECT_EQ(MUR_ReadTabletPackets(), 0);
    EXPECT_EQ(MUR_CloseTablet(), 0);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(TabletContext, SecondInitReplacesTheOpenContext)
{
    open_tablet();
    open_tablet();
    EXPECT_EQ(fake.opens(), 2);
    EXPECT_EQ(fake.open_contexts(), 1);
}

TEST_F(TabletContext, CloseReturnsTheDriversResultOnceAndForgetsTheContext)
{
    open_tablet();
    EXPECT_EQ(MUR_CloseTablet(), 1);
    EXPECT_EQ(fake.open_contexts(), 0);
    EXPECT_EQ(MUR_CloseTablet(), 0);
    fake.queue_packet(0, 5, 5, 500);
    EXPECT_EQ(MUR_ReadTabletPackets(), 0);
}

// ---- Pressure -------------------------------------------------------------

using TabletPressure = Tablet;

TEST_F(TabletPressure, AxisOf0To1023GivesAScaleOf100Over1023)
{
    open_tablet();
    EXPECT_EQ(engine.tablet.pressureMin, 0);
    EXPECT_EQ(engine.tablet.pressureMax, 1023);
    EXPECT_EQ(engine.tablet.pressureRange, 1023);
    EXPECT_FLOAT_EQ(engine.tablet.pressureScale, 100.0f / 1023.0f);
}

TEST_F(TabletPressure, Raw1023Gives100AndRaw5GivesZeroReportedAs1)
{
    open_tablet();
    read_pressures({1023, 5, 512, 0});
    EXPECT_EQ(MUR_ReadRawTabletPressure(0), 100);
    EXPECT_EQ(MUR_ReadTabletPressure(0), 100);
    EXPECT_EQ(MUR_ReadRawTabletPressure(1), 0);
    EXPECT_EQ(MUR_ReadTabletPressure(1), 1);
    EXPECT_EQ(MUR_ReadTabletPressure(2), 50);  // 512 * 100 / 1023 = 50.05
    EXPECT_EQ(MUR_ReadTabletPressure(3), 1);
}

TEST_F(TabletPressure, AxisMinimumIsNotSubtracted)
{
    fake.set_pressure_axis(100, 1123);
    open_tablet();
    read_pressures({1123, 100});
    EXPECT_EQ(MUR_ReadTabletPressure(0), 109);  // 1123 * 100 / 1023 = 109.8
    EXPECT_EQ(MUR_ReadTabletPressure(1), 9);    // 100 * 100 / 1023 = 9.8
}

TEST_F(TabletPressure, AfterAResetMissingPacketsRampFrom10ToFull)
{
    open_tablet();
    MUR_ResetTabletPressure();
    for (int32_t expected : {10, 35, 60, 85, 100, 100}) EXPECT_EQ(MUR_ReadTabletPressure(0), expected);
}

TEST_F(TabletPressure, RampContinuesFromTheLastPacketsPressure)
{
    open_tablet();
    read_pressures({512});
    EXPECT_EQ(MUR_ReadTabletPressure(0), 50);
    EXPECT_EQ(MUR_ReadTabletPressure(1), 50);
    EXPECT_EQ(MUR_ReadTabletPressure(-1), 75);
    EXPECT_EQ(MUR_ReadTabletPressure(1), 100);
    EXPECT_EQ(MUR_ReadTabletPressure(1), 100);
}

TEST_F(TabletPressure, ResetDiscardsTheQueuedPackets)
{
    open_tablet();
    for (int i = 0; i < 5; ++i) fake.queue_packet(0, i, i, 700);
    MUR_ResetTabletPressure();
    EXPECT_EQ(fake.last_packets_requested(), 1000);
    EXPECT_EQ(fake.queued(), 0);
    EXPECT_EQ(MUR_ReadTabletPackets(), 0);
}

TEST_F(TabletPressure, AxisWithoutRangeReadsAsFullPressureWithoutDividing)
{
    fake.set_pressure_axis(512, 512);
    open_tablet();
    EXPECT_EQ(engine.tablet.pressureScale, 0.0f);
    read_pressures({512, 0});
    EXPECT_EQ(MUR_ReadTabletPressure(0), 100);
    EXPECT_EQ(MUR_ReadTabletPressure(1), 100);
    EXPECT_EQ(MUR_ReadRawTabletPressure(0), 0);
}

TEST_F(TabletPressure, OversizedDriverPressureGivesTheLargestValue)
{
    fake.set_pressure_axis(0, 1);
    open_tablet();
    read_pressures({0xFFFFFFFFu, 1});
    EXPECT_EQ(MUR_ReadRawTabletPressure(0), INT32_MAX);
    EXPECT_EQ(MUR_ReadTabletPressure(1), 100);
}

TEST_F(TabletPressure, RawPressureReadsSlotsOfEarlierBatches)
{
    open_tablet();
    read_pressures({1023, 1023});
    read_pressures({512});
    EXPECT_EQ(MUR_ReadRawTabletPressure(1), 100);  // left from the first batch
    EXPECT_EQ(MUR_ReadTabletPressure(1), 100);     // no such packet: the ramp, already full
}

TEST_F(TabletPressure, RawPressureOutsideThe256SlotsIs0)
{
    open_tablet();
    read_pressures({1023});
    for (int32_t index : {256, 1000, -1, INT32_MIN, INT32_MAX}) EXPECT_EQ(MUR_ReadRawTabletPressure(index), 0);
    EXPECT_EQ(MUR_ReadRawTabletPressure(0), 100);
}

// ---- Packets --------------------------------------------------------------

using TabletPackets = Tablet;

TEST_F(TabletPackets, ABatchHoldsAtMost256Packets)
{
    open_tablet();
    for (int i = 0; i < 300; ++i) fake.queue_packet(0, i, 0, 0);
    EXPECT_EQ(MUR_ReadTabletPackets(), 256);
    EXPECT_EQ(fake.last_packets_requested(), 256);
    EXPECT_EQ(MUR_ReadTabletX(255), 255);
    EXPECT_EQ(MUR_ReadTabletPackets(), 44);
    EXPECT_EQ(MUR_ReadTabletX(0), 256);
}

TEST_F(TabletPackets, DriverCountsOutsideTheSlotsAreClamped)
{
    open_tablet();
    fake.override_packets_get(1000);
    EXPECT_EQ(MUR_ReadTabletPackets(), 256);
    EXPECT_EQ(MUR_PacketStatus(255), 0u);
    EXPECT_EQ(MUR_ReadTabletX(256), 0);
    fake.override_packets_get(-3);
    EXPECT_EQ(MUR_ReadTabletPackets(), 0);
}

TEST_F(TabletPackets, EraserEndIsReportedForPacketsOfTheBatchOnly)
{
    open_tablet();
    fake.queue_packet(TPS_PROXIMITY | TPS_INVERT, 0, 0, 100);
    fake.queue_packet(TPS_PROXIMITY, 0, 0, 100);
    fake.queue_packet(TPS_INVERT, 0, 0, 100);
    ASSERT_EQ(MUR_ReadTabletPackets(), 3);
    EXPECT_EQ(MUR_IsPacketInvert(0), 1);
    EXPECT_EQ(MUR_IsPacketInvert(1), 0);
    EXPECT_EQ(MUR_IsPacketInvert(2), 1);
    EXPECT_EQ(MUR_IsPacketInvert(3), 0);
    EXPECT_EQ(MUR_IsPacketInvert(-1), 0);
    EXPECT_EQ(MUR_PacketStatus(0), 0x11u);
    EXPECT_EQ(MUR_PacketStatus(1), 0x01u);

    fake.queue_packet(TPS_PROXIMITY, 0, 0, 100);
    ASSERT_EQ(MUR_ReadTabletPackets(), 1);
    EXPECT_EQ(MUR_IsPacketInvert(2), 0);  // slot 2 still holds the eraser packet
    EXPECT_EQ(MUR_PacketStatus(2), 0u);
}

// ---- Origin ---------------------------------------------------------------

using TabletOrigin = Tablet;

MUR_Window originWindow = nullptr;

bool origin_of_test_window(MUR_Window w, platform::ScreenPoint& origin) noexcept
{
    if (w != originWindow) return false;
    origin = {300, 200};
    return true;
}

TEST_F(TabletOrigin, PositionsAreRelativeToTheWindowsClientOrigin)
{
    originWindow = &window;
    platform::DesktopBackend backend;
    backend.clientOrigin = origin_of_test_window;
    platform::attach_desktop_backend(backend);
    open_tablet();
    EXPECT_EQ(MUR_SetTabletOrigin(), 1);
    fake.queue_packet(0, 300, 200, 0);
    fake.queue_packet(0, 310, 195, 0);
    ASSERT_EQ(MUR_ReadTabletPackets(), 2);
    EXPECT_EQ(MUR_ReadTabletX(0), 0);
    EXPECT_EQ(MUR_ReadTabletY(0), 0);
    EXPECT_EQ(MUR_ReadTabletX(1), 10);
    EXPECT_EQ(MUR_ReadTabletY(1), -5);
}

TEST_F(TabletOrigin, UnknownWindowFailsAndLeavesTheScreenOrigin)
{
    originWindow = nullptr;
    platform::DesktopBackend backend;
    backend.clientOrigin = origin_of_test_window;
    platform::attach_desktop_backend(backend);
    open_tablet();
    EXPECT_EQ(MUR_SetTabletOrigin(), 0);
    fake.queue_packet(0, 40, 30, 0);
    ASSERT_EQ(MUR_ReadTabletPackets(), 1);
    EXPECT_EQ(MUR_ReadTabletX(0), 40);
    EXPECT_EQ(MUR_ReadTabletY(0), 30);
}

TEST_F(TabletOrigin, WithoutAWindowSystemClientAreasStartAtTheScreenOrigin)
{
    open_tablet();
    EXPECT_EQ(MUR_SetTabletOrigin(), 1);
    fake.queue_packet(0, 40, -30, 0);
    ASSERT_EQ(MUR_ReadTabletPackets(), 1);
    EXPECT_EQ(MUR_ReadTabletX(0), 40);
    EXPECT_EQ(MUR_ReadTabletY(0), -30);
}

TEST_F(TabletOrigin, ExtremeCoordinatesWrapInsteadOfOverflowing)
{
    originWindow = &window;
    platform::DesktopBackend backend;
    backend.clientOrigin = [](MUR_Window, platform::ScreenPoint& origin) noexcept {
        origin = {-10, 10};
        return true;
    };
    platform::attach_desktop_backend(backend);
    open_tablet();
    ASSERT_EQ(MUR_SetTabletOrigin(), 1);
    fake.queue_packet(0, INT32_MAX, INT32_MIN, 0);
    ASSERT_EQ(MUR_ReadTabletPackets(), 1);
    EXPECT_EQ(MUR_ReadTabletX(0), INT32_MIN + 9);
    EXPECT_EQ(MUR_ReadTabletY(0), INT32_MAX - 9);
}

// ---- The driver library ---------------------------------------------------

using TabletLibrary = Tablet;

TEST_F(TabletLibrary, MissingLibraryMakesEveryCallNeutralWithoutAnErrorText)
{
    ASSERT_TRUE(tablet::set_library_path("/nonexistent/libwintab32.so"));
    fake.queue_packet(TPS_INVERT, 5, 5, 1023);
    EXPECT_EQ(MUR_InitTablet(&window), 0);
    EXPECT_EQ(MUR_SetTabletOrigin(), 0);
    EXPECT_EQ(MUR_ReadTabletPackets(), 0);
    EXPECT_EQ(MUR_ReadTabletPressure(0), 100);
    MUR_ResetTabletPressure();
    EXPECT_EQ(MUR_ReadTabletPressure(0), 10);
    EXPECT_EQ(MUR_ReadRawTabletPressure(0), 0);
    EXPECT_EQ(MUR_IsPacketInvert(0), 0);
    EXPECT_EQ(MUR_PacketStatus(0), 0u);
    EXPECT_EQ(MUR_ReadTabletX(0), 0);
    EXPECT_EQ(MUR_ReadTabletY(0), 0);
    EXPECT_EQ(MUR_CloseTablet(), 0);
    EXPECT_STREQ(MUR_GetLastError(), "");
    EXPECT_EQ(fake.opens(), 0);
}

TEST_F(TabletLibrary, MissingFunctionFailsItsCallWithoutAnErrorText)
{
    ASSERT_TRUE(tablet::set_library_path(MUR_FAKE_WINTAB_WITHOUT_OPEN_PATH));
    EXPECT_EQ(MUR_InitTablet(&window), 0);
    EXPECT_EQ(MUR_ReadTabletPackets(), 0);
    EXPECT_EQ(MUR_CloseTablet(), 0);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

}  // namespace
}  // namespace mur::test
