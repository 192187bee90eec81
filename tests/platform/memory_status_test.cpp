#include "platform/memory_status.h"

#include <gtest/gtest.h>

namespace mur::test {
namespace {

TEST(MemoryStatusParsing, ReadsTheKernelsFigures)
{
    const char* meminfo =
        "MemTotal:       16384000 kB\nMemFree:         1000000 kB\nMemAvailable:    8192000 kB\n"
        "SwapTotal:       2048000 kB\nSwapFree:        1024000 kB\n";
    const char* status = "Name:\tx\nVmPeak:\t  900 kB\nVmSize:\t  500 kB\n";
    const platform::MemoryStatus s = platform::parse_memory_status(meminfo, status, 1u << 30);
    EXPECT_EQ(s.totalPhys, 16384000ull * 1024);
    EXPECT_EQ(s.availPhys, 8192000ull * 1024);
    EXPECT_EQ(s.totalPageFile, (16384000ull + 2048000) * 1024);
    EXPECT_EQ(s.availPageFile, (8192000ull + 1024000) * 1024);
    EXPECT_EQ(s.totalVirtual, 1u << 30);
    EXPECT_EQ(s.availVirtual, (1u << 30) - 500 * 1024);
    const platform::MemoryStatus old = platform::parse_memory_status("MemTotal: 100 kB\nMemFree: 40 kB\n", "", 0);
    EXPECT_EQ(old.availPhys, 40u * 1024);
    EXPECT_EQ(old.availVirtual, 0u);
}

}  // namespace
}  // namespace mur::test
