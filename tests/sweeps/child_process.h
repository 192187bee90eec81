// Running one call in a forked child, so that a call that kills its process
// is a finding and not the end of the sweep.
#pragma once

#include <functional>
#include <string>

namespace mur::sweep {

struct ChildEnd {
    enum Kind { Returned, Died, TimedOut } kind = Returned;
    bool bySignal = false;
    int code = 0;             // exit status, or the signal that ended the child
    std::string payload;      // what the child wrote to its result pipe
    std::string log;          // the end of what the child wrote to stderr
};

// Prepares the process for forking: OpenMP regions of the parent run on the
// calling thread only (a child forked from a process with a worker team
// cannot start one of its own); children get the usual team back.
void prepare_for_children();

// Makes a scratch folder under the system's temporary folder the working
// folder, and removes it when the program ends: files that exports write or
// rename under relative names land there. Returns its path.
std::string enter_scratch_folder(const char* name);

// Runs body(resultFd) in a child that is killed after `timeoutSeconds`.
ChildEnd run_in_child(const std::function<void(int resultFd)>& body, int timeoutSeconds);

// Writes all of `bytes` to a result pipe.
void send_result(int fd, const void* bytes, std::size_t size);

// "signal 11 (Segmentation fault)", "exit status 1", "no end after 5 s".
std::string describe_end(const ChildEnd& end, int timeoutSeconds);

}  // namespace mur::sweep
