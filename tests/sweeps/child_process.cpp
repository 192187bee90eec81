#include "sweeps/child_process.h"

#include <omp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace mur::sweep {
namespace {

int g_childThreads = 1;
std::FILE* g_log = nullptr;
std::filesystem::path g_scratch;
pid_t g_scratchOwner = 0;

void remove_scratch_folder()
{
    if (getpid() != g_scratchOwner) return;
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(g_scratch, ignored);
}

}  // namespace

void prepare_for_children()
{
    g_childThreads = omp_get_max_threads();
    omp_set_num_threads(1);
    g_log = std::tmpfile();
    if (!g_log) {
        std::perror("tmpfile");
        std::exit(2);
    }
}

std::string enter_scratch_folder(const char* name)
{
    g_scratch = std::filesystem::temp_directory_path() / (std::string(name) + "_" + std::to_string(getpid()));
    std::filesystem::create_directories(g_scratch);
    std::filesystem::current_path(g_scratch);
    g_scratchOwner = getpid();
    std::atexit(remove_scratch_folder);
    return g_scratch.string();
}

void send_result(int fd, const void* bytes, std::size_t size)
{
    const auto* p = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(3);
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

ChildEnd run_in_child(const std::function<void(int)>& body, int timeoutSeconds)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    const int logFd = fileno(g_log);
    if (ftruncate(logFd, 0) != 0 || lseek(logFd, 0, SEEK_SET) != 0) std::perror("log file");
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(2);
    }
    if (pid == 0) {
        close(pipeFds[0]);
        dup2(logFd, STDERR_FILENO);
        signal(SIGALRM, SIG_DFL);
        alarm(static_cast<unsigned>(timeoutSeconds));
        omp_set_num_threads(g_childThreads);
        body(pipeFds[1]);
        _exit(0);
    }
    close(pipeFds[1]);
    ChildEnd end;
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(pipeFds[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        end.payload.append(chunk, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        end.code = WEXITSTATUS(status);
        end.kind = end.code == 0 ? ChildEnd::Returned : ChildEnd::Died;
    } else if (WIFSIGNALED(status)) {
        end.bySignal = true;
        end.code = WTERMSIG(status);
        end.kind = end.code == SIGALRM ? ChildEnd::TimedOut : ChildEnd::Died;
    }
    if (end.kind != ChildEnd::Returned) {
        const off_t size = lseek(logFd, 0, SEEK_END);
        const off_t from = size > 6000 ? size - 6000 : 0;
        end.log.resize(static_cast<std::size_t>(size - from));
        if (pread(logFd, end.log.data(), end.log.size(), from) < 0) end.log.clear();
    }
    return end;
}

std::string describe_end(const ChildEnd& end, int timeoutSeconds)
{
    switch (end.kind) {
    case ChildEnd::Returned: return "returned";
    case ChildEnd::TimedOut: return "no end after " + std::to_string(timeoutSeconds) + " s";
    case ChildEnd::Died: break;
    }
    if (end.bySignal) return "signal " + std::to_string(end.code) + " (" + strsignal(end.code) + ")";
    return "exit status " + std::to_string(end.code);
}

}  // namespace mur::sweep
