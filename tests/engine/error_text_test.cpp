#include "support/engine_fixture.h"

#include "engine/fault.h"
#include "engine/guard.h"

#include <stdexcept>
#include <string>

namespace mur::test {
namespace {

using ErrorText = EngineTest;

TEST_F(ErrorText, KeepsAtMost511Characters)
{
    const std::string longText(600, 'x');
    MUR_SetLastError(longText.c_str());
    EXPECT_EQ(std::string(MUR_GetLastError()), std::string(511, 'x'));
    MUR_SetLastError(std::string(511, 'y').c_str());
    EXPECT_EQ(std::string(MUR_GetLastError()), std::string(511, 'y'));
    MUR_SetLastError("short");
    EXPECT_STREQ(MUR_GetLastError(), "short");
}

TEST_F(ErrorText, IsNeverClearedBySuccess)
{
    MUR_SetLastError("CreateLayer Excpt");
    create_image(16, 16);
    EXPECT_EQ(MUR_CreateLayer(1, 16, 16), 1);
    MUR_SetLayer(1);
    MUR_DeleteImage();
    EXPECT_STREQ(MUR_GetLastError(), "CreateLayer Excpt");
}

TEST_F(ErrorText, NullTextChangesNothing)
{
    MUR_SetLastError("kept");
    MUR_SetLastError(nullptr);
    EXPECT_STREQ(MUR_GetLastError(), "kept");
}

TEST_F(ErrorText, GuardNamesTheOperationAndReturnsTheFailureValue)
{
    const int32_t result = guard("SetTool", 7, []() -> int32_t { throw std::runtime_error("boom"); });
    EXPECT_EQ(result, 7);
    EXPECT_STREQ(MUR_GetLastError(), "SetTool Excpt");
    guard("MUR_GetColorAtMerged", [] { throw Fault("access"); });
    EXPECT_STREQ(MUR_GetLastError(), "MUR_GetColorAtMerged Excpt");
    EXPECT_EQ(guard("Fine", 0, [] { return 3; }), 3);
    EXPECT_STREQ(MUR_GetLastError(), "MUR_GetColorAtMerged Excpt");
}

}  // namespace
}  // namespace mur::test
