#include "support/engine_fixture.h"

#include "engine/random.h"

#include <thread>
#include <vector>

namespace mur::test {
namespace {

// The generator by its definition, as an independent reference.
struct ReferenceLcg {
    uint32_t state;
    int32_t next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7FFF);
    }
};

using RandomTables = EngineTest;

TEST_F(RandomTables, GeneratorFollowsTheLinearCongruentialRule)
{
    rng_seed(1);
    EXPECT_EQ(rng_next(), 41);
    EXPECT_EQ(rng_next(), 18467);
    EXPECT_EQ(rng_next(), 6334);
    ReferenceLcg ref{0xDEADBEEF};
    rng_seed(0xDEADBEEF);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(rng_next(), ref.next());
}

TEST_F(RandomTables, GeneratorStateIsPerThread)
{
    rng_seed(5);
    std::thread other([] {
        rng_seed(999);
        for (int i = 0; i < 10; ++i) rng_next();
    });
    other.join();
    ReferenceLcg ref{5};
    EXPECT_EQ(rng_next(), ref.next());
}

TEST_F(RandomTables, BytesAreDrawsModuloTheModulusWrappedToEightBits)
{
    MUR_SetRandomSeed(77);
    RandomByteTable table;
    MakeRandArrayByte(table, 1000, 5000);
    ASSERT_EQ(table.length, 5000);
    ReferenceLcg ref{77};
    bool wrapped = false;
    for (int i = 0; i < 5000; ++i) {
        const int32_t v = ref.next() % 1000;
        wrapped |= v > 255;
        ASSERT_EQ(table.data[i], static_cast<uint8_t>(v)) << "byte " << i;
    }
    EXPECT_TRUE(wrapped);
    DeleteRandArrayBtye(table);
}

TEST_F(RandomTables, UnchangedRequestKeepsTheTable)
{
    MUR_SetRandomSeed(3);
    RandomByteTable table;
    MakeRandArrayByte(table, 255, 100);
    table.data[0] = 0xAB;  // a rebuild would overwrite this
    MakeRandArrayByte(table, 255, 100);
    EXPECT_EQ(table.data[0], 0xAB);
    MakeRandArrayByte(table, 254, 100);
    EXPECT_EQ(table.modulus, 254);
    EXPECT_NE(table.data[0], 0xAB);
    DeleteRandArrayBtye(table);
    EXPECT_EQ(table.data, nullptr);
}

TEST_F(RandomTables, DegenerateRequestsGiveAnEmptyTable)
{
    RandomByteTable table;
    MakeRandArrayByte(table, 0, 100);
    EXPECT_EQ(table.data, nullptr);
    EXPECT_EQ(table.length, 0);
    MakeRandArrayByte(table, 255, -4);
    EXPECT_EQ(table.data, nullptr);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(RandomTables, AllocationFailureIsReportedAndLeavesNoTable)
{
    RandomByteTable table;
    mem::fail_allocations(0, 1);
    MakeRandArrayByte(table, 255, 100);
    EXPECT_EQ(table.data, nullptr);
    EXPECT_STREQ(MUR_GetLastError(), "MakeRandArrayByte Excpt");
}

}  // namespace
}  // namespace mur::test
