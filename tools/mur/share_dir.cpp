#include "share_dir.h"

#include <filesystem>
#include <system_error>

namespace mur_tool {

std::string share_dir()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return MUR_SHARE_RELATIVE;  // relative to the working folder, the best left
    return (self.parent_path() / MUR_SHARE_RELATIVE).lexically_normal().string();
}

}  // namespace mur_tool
