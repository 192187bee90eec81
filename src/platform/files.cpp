#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace mur::platform {

const char* system_directory() noexcept { return "/usr/share"; }

// A rename never replaces an existing file: the file at the new path would be
// lost without a word.
bool rename_file(const char* oldPath, const char* newPath) noexcept
{
    if (!oldPath || !newPath || !*oldPath || !*newPath) return false;
    if (renameat2(AT_FDCWD, oldPath, AT_FDCWD, newPath, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // The file system cannot refuse a replacement by itself.
    if (access(newPath, F_OK) == 0) return false;
    return std::rename(oldPath, newPath) == 0;
}

}  // namespace mur::platform
