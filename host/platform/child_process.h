// child_process: a process of this program's own that runs a body apart from this one, with one
// pipe from it to this process: the supervisor's way to keep a plug-in away from the process
// that reports on it.
//
// The constructor starts the child; it is called on the program's main thread while no other
// thread runs. On POSIX systems the child is a copy of this process made by fork, and the body
// runs in it with everything this process had. Where a process cannot be copied (Windows), the
// child is this program started again with the arguments restart gives, which must lead it along
// the same path to the same body: the first child_process that the started program constructs
// finds that it is the child, runs its body there on the pipe it inherited and ends, and the
// parent's constructor returns once the child has reached that point (a started program that
// ends before it is a platform_error). Either way the body runs on the child's only thread and
// writes to the parent through the parent_pipe it is given; when it returns (or throws, which
// counts as status 2) the child ends at once with the body's result as its exit status, running
// no exit handlers and flushing no buffers: what this process had buffered is the parent's to
// write. A child does not outlive a parent that is killed (on Linux the parent's death kills it;
// on Windows the child is in a job object that ends with the parent).
//
// On Windows the started child also makes its own end the way a crash ends a process on POSIX
// systems: an exception that nothing handles ends it at once with the exception's code (no
// debugger is started, no dialog shown), and so does abort(), with STATUS_FATAL_APP_EXIT, where
// the C runtime would otherwise exit with status 3 as if the program had chosen to.
//
// The parent reads what the child writes through output(), may end() the child at any time, and
// waits for it with wait(), which says how it ended. The destructor ends and waits for a child
// that was not waited for, so that no process is left behind.
#pragma once

#include "process_ending.h"
#include "timed_input.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The child's end of the pipe to its parent.
class parent_pipe {
public:
    explicit parent_pipe(std::intptr_t systemHandle) : handle(systemHandle) {}
    // Writes every byte, waiting while the pipe is full; false when the parent has closed its end
    // (or is gone), and then nothing more can be told to it. The default action of a broken pipe
    // is in force in the child: on POSIX systems such a write may end the child by SIGPIPE.
    bool write(const char* bytes, std::size_t count);

private:
    std::intptr_t handle;
};

class child_process {
public:
    using body = std::function<int(parent_pipe&)>;

    // Starts a child that runs run; restart is what this program, started again, must be given
    // to reach the same body (its arguments, without the program itself), where the child cannot
    // be a copy of this process. Throws platform_error when the system cannot make the pipe or the
    // process, or the started child ends before it reaches the body; nothing is left open then.
    child_process(const body& run, const std::vector<std::string>& restart);
    // A child whose body this program cannot reach again: only where the child is a copy of this
    // process; elsewhere it throws platform_error.
    explicit child_process(const body& run) : child_process(run, {}) {}
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;
    ~child_process();

    // Whether the child is a copy of this process (POSIX systems), so that a body may use what the
    // caller made before (a bound socket, objects in memory); where it is not (Windows), the
    // started program has only what its arguments lead it to make.
    static bool copiesThisProcess();

    // The system's number for the child, for the user and for passing it an interrupt.
    int id() const { return processId; }
    // What the child writes; it ends when the child closed its end or ended.
    timed_input& output() { return pipe; }
    // Ends the child at once, without a chance to clean up (SIGKILL; TerminateProcess); harmless
    // once it ended.
    void end();
    // Closes output() and waits until the child has ended; then says how. Called once.
    process_ending wait();

private:
    struct system_process;
    int processId = 0;
    timed_input pipe;
    std::optional<process_ending> ended;
    std::shared_ptr<system_process> system; // what the system keeps of the child, where it is more
                                            // than its id (Windows: its handle and job)
};

// Ends this process at once with status, running no exit handlers and flushing no buffers: for a
// child that has nobody left to report to.
[[noreturn]] void endThisProcessNow(int status);
