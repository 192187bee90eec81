#include "ipl/ipl_buffers.h"
#include "support/engine_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace mur {
namespace {

using test::fill_layer;
using test::pixel_at;

class IplBuffers : public test::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(5, 3);
        ASSERT_EQ(MUR_CreateLayer(2, 5, 3), 1);
        MUR_SetLayer(2);
        // A known pixel at (0, 0).
        uint16_t* p = pixel_at(layer(), 0, 0);
        p[0] = 0x12ab, p[1] = 0x34cd, p[2] = 0x56ef, p[3] = 0x7801;
    }
    void TearDown() override
    {
        MUR_ToolFreeSrcBuffer32();
        MUR_ToolFreeDstBuffer32();
        EngineTest::TearDown();
    }
    static LayerRecord& layer() { return engine.layers.slots[2]; }
};

TEST_F(IplBuffers, SourceIsFilledWithTheCurrentLayersHighBytes)
{
    MUR_IPLAllocSrcBuffer32();
    ASSERT_NE(engine.ipl.src32.data, nullptr);
    EXPECT_EQ(engine.ipl.src32.bytes, 5u * 3 * 4);
    const uint8_t* s = engine.ipl.src32.data;
    EXPECT_EQ(s[0], 0x12);
    EXPECT_EQ(s[1], 0x34);
    EXPECT_EQ(s[2], 0x56);
    EXPECT_EQ(s[3], 0x78);
}

TEST_F(IplBuffers, SecondAllocationKeepsTheBufferAndRefillsIt)
{
    MUR_IPLAllocSrcBuffer32();
    const uint8_t* first = engine.ipl.src32.data;
    pixel_at(layer(), 0, 0)[0] = 0xee00;
    MUR_IPLAllocSrcBuffer32();
    EXPECT_EQ(engine.ipl.src32.data, first);
    EXPECT_EQ(engine.ipl.src32.data[0], 0xee);
}

TEST_F(IplBuffers, DestinationAllocationKeepsItsContents)
{
    MUR_IPLAllocDstBuffer32();
    ASSERT_NE(engine.ipl.dst32.data, nullptr);
    engine.ipl.dst32.data[7] = 99;
    MUR_IPLAllocDstBuffer32();
    EXPECT_EQ(engine.ipl.dst32.data[7], 99);
}

TEST_F(IplBuffers, Rgb24SourceHoldsColourWithoutAlpha)
{
    MUR_IPLAllocSrcBuffer24();
    MUR_IPLAllocDstBuffer24();
    ASSERT_NE(engine.ipl.src24.data, nullptr);
    EXPECT_EQ(engine.ipl.src24.bytes, 5u * 3 * 3);
    EXPECT_EQ(engine.ipl.dst24.bytes, 5u * 3 * 3);
    EXPECT_EQ(engine.ipl.src24.data[0], 0x12);
    EXPECT_EQ(engine.ipl.src24.data[1], 0x34);
    EXPECT_EQ(engine.ipl.src24.data[2], 0x56);
    EXPECT_EQ(engine.ipl.src24.data[3], 0);  // the next pixel: a transparent layer's black
}

TEST_F(IplBuffers, FreeingLeavesTheBufferAbsentAndMayBeRepeated)
{
    const std::size_t before = mem::live_bytes();
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    MUR_IPLFreeSrcBuffer32();
    MUR_IPLFreeDstBuffer32();
    MUR_IPLFreeSrcBuffer32();
    EXPECT_EQ(engine.ipl.src32.data, nullptr);
    EXPECT_EQ(engine.ipl.src32.bytes, 0u);
    EXPECT_EQ(engine.ipl.dst32.data, nullptr);
    EXPECT_EQ(mem::live_bytes(), before);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(IplBuffers, ToolBuffersSurviveAPageResizeAndAreReplacedOnTheNextAllocation)
{
    MUR_ToolAllocSrcBuffer32();
    MUR_ToolAllocDstBuffer32();
    MUR_IPLAllocSrcBuffer32();
    EXPECT_EQ(engine.ipl.toolSrc32.data[0], 0x12);
    MUR_NewSize(nullptr, 8, 6, 32, 0);
    EXPECT_EQ(engine.ipl.src32.data, nullptr) << "IPL buffers go with the old page";
    ASSERT_NE(engine.ipl.toolSrc32.data, nullptr) << "tool buffers stay until released";
    EXPECT_EQ(engine.ipl.toolSrc32.bytes, 5u * 3 * 4);
    MUR_ToolAllocSrcBuffer32();
    MUR_ToolAllocDstBuffer32();
    EXPECT_EQ(engine.ipl.toolSrc32.bytes, 8u * 6 * 4);
    EXPECT_EQ(engine.ipl.toolDst32.bytes, 8u * 6 * 4);
}

TEST_F(IplBuffers, FailedAllocationLeavesTheBufferAbsent)
{
    mem::fail_allocations(0, -1);
    MUR_IPLAllocSrcBuffer32();
    MUR_ToolAllocDstBuffer32();
    mem::reset_failures();
    EXPECT_EQ(engine.ipl.src32.data, nullptr);
    EXPECT_EQ(engine.ipl.src32.bytes, 0u);
    EXPECT_EQ(engine.ipl.toolDst32.data, nullptr);
}

TEST_F(IplBuffers, FaultWhileReleasingNamesTheOperationAndKeepsTheBuffer)
{
    MUR_IPLAllocDstBuffer32();
    mem::fault_releases(0);
    MUR_IPLFreeDstBuffer32();
    mem::reset_failures();
    EXPECT_EQ(std::string(MUR_GetLastError()), "IPLFreeDstBuffer32 Excpt");
    EXPECT_NE(engine.ipl.dst32.data, nullptr);
}

TEST_F(IplBuffers, HostImagesAreCopiedOnlyIntoPresentBuffers)
{
    std::vector<uint8_t> image(5 * 3 * 4, 200);
    MUR_IPLSetSrcBuffer32(image.data());  // absent: nothing happens
    EXPECT_EQ(engine.ipl.src32.data, nullptr);
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    MUR_IPLSetSrcBuffer32(image.data());
    MUR_IPLSetDstBuffer32(image.data());
    MUR_IPLSetDstBuffer32(nullptr);
    EXPECT_EQ(std::memcmp(engine.ipl.src32.data, image.data(), image.size()), 0);
    EXPECT_EQ(std::memcmp(engine.ipl.dst32.data, image.data(), image.size()), 0);
}

TEST_F(IplBuffers, UpdateRefillsThePresentSource)
{
    MUR_IPLUpdateSrcBuffer32();  // absent: nothing happens
    MUR_IPLAllocSrcBuffer32();
    std::memset(engine.ipl.src32.data, 1, engine.ipl.src32.bytes);
    MUR_IPLUpdateSrcBuffer32();
    EXPECT_EQ(engine.ipl.src32.data[0], 0x12);
    EXPECT_EQ(engine.ipl.src32.data[4], 0);
}

TEST_F(IplBuffers, MaskReachesTheSourceAlphaOnlyWhileEnabled)
{
    fill_layer(layer(), 0, 0, 0, 200 << 8);
    std::fill_n(engine.mask.plane, 15, uint16_t{32768});
    MUR_EnableMask(0);
    MUR_IPLAllocSrcBuffer32();
    MUR_ApplyMaskToAlpha_IPLSrcRGBA();
    EXPECT_EQ(engine.ipl.src32.data[3], 200) << "mask disabled";
    MUR_EnableMask(1);
    MUR_ApplyMaskToAlpha_IPLSrcRGBA();
    EXPECT_EQ(engine.ipl.src32.data[3], (200 * 129) >> 8);  // high byte 128: (a * 129) >> 8
}

TEST_F(IplBuffers, DeletingTheImageReleasesTheIplBuffers)
{
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer24();
    MUR_DeleteImage();
    EXPECT_EQ(engine.ipl.src32.data, nullptr);
    EXPECT_EQ(engine.ipl.dst24.data, nullptr);
}

TEST(IplModule, StartAndStopMayBeRepeated)
{
    MUR_IPLInit(7);
    MUR_IPLInit(0);
    EXPECT_TRUE(ipl::started());
    MUR_IPLExit();
    MUR_IPLExit();
    EXPECT_FALSE(ipl::started());
}

}  // namespace
}  // namespace mur
