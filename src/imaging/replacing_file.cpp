#include "imaging/replacing_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace mur::imaging {
namespace {

std::atomic<unsigned> temporaryCounter{0};

}  // namespace

bool open_replacing(ReplacingFile& out, const char* path) noexcept
{
    out.file = nullptr;
    out.path[0] = out.tempPath[0] = '\0';
    if (!path || !*path) return false;
    const std::size_t length = strnlen(path, kMaxPathBytes + 1);
    if (length > kMaxPathBytes) return false;
    std::memcpy(out.path, path, length + 1);
    // O_EXCL with a fresh name each try: never an existing file, and the
    // permissions the process would give the destination itself.
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::snprintf(out.tempPath, sizeof out.tempPath, "%s.~mur%ld-%u", path, long(getpid()),
                      temporaryCounter.fetch_add(1));
        const int fd = open(out.tempPath, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            break;
        }
        out.file = fdopen(fd, "w+b");
        if (out.file) return true;
        close(fd);
        unlink(out.tempPath);
        break;
    }
    out.tempPath[0] = '\0';
    return false;
}

bool commit_replacing(ReplacingFile& out) noexcept
{
    if (!out.file) return false;
    const bool written = std::ferror(out.file) == 0 && std::fflush(out.file) == 0;
    const bool closed = std::fclose(out.file) == 0;
    out.file = nullptr;
    if (written && closed && std::rename(out.tempPath, out.path) == 0) {
        out.tempPath[0] = '\0';
        return true;
    }
    unlink(out.tempPath);
    out.tempPath[0] = '\0';
    return false;
}

void abandon_replacing(ReplacingFile& out) noexcept
{
    if (out.file) std::fclose(out.file);
    out.file = nullptr;
    if (out.tempPath[0]) unlink(out.tempPath);
    out.tempPath[0] = '\0';
}

}  // namespace mur::imaging
