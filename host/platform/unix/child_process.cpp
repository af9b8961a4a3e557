#include "child_process.h"

#include "platform_error.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

namespace {

[[noreturn]] void runInChild(int writeEnd, const child_process::body& run) {
    std::signal(SIGPIPE, SIG_DFL);
    int status = 2;
    try {
        parent_pipe pipe(writeEnd);
        status = run(pipe);
    } catch (...) {
        status = 2;
    }
    endThisProcessNow(status);
}

} // namespace

bool parent_pipe::write(const char* bytes, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t wrote = ::write(static_cast<int>(handle), bytes + done, count - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// The child is a copy of this process: restart is not needed to reach the body.
child_process::child_process(const body& run, const std::vector<std::string>& /*restart*/)
    : pipe(-1, false) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        throw platform_error(std::string("cannot make a pipe (") + std::strerror(errno) + ")");
    }
    try {
        // Owned from here on: a failure below closes the read end with this object's members.
        pipe = timed_input(ends[0], true);
    } catch (...) {
        ::close(ends[0]);
        ::close(ends[1]);
        throw;
    }
    // What this process has buffered is written once, by this process: the child's copy of every
    // C stream buffer is empty (some runtimes, valgrind's among them, flush them at _exit).
    std::fflush(nullptr);
#if defined(__linux__)
    const pid_t parent = getpid();
#endif
    const pid_t child = fork();
    if (child < 0) {
        const int why = errno;
        ::close(ends[1]);
        throw platform_error(std::string("cannot start a process (") + std::strerror(why) + ")");
    }
    if (child == 0) {
        ::close(ends[0]);
#if defined(__linux__)
        // A child stuck in a loop must not outlive a parent that was killed; one whose parent
        // died before this took effect ends at once.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(2);
        }
#endif
        runInChild(ends[1], run);
    }
    ::close(ends[1]);
    processId = static_cast<int>(child);
}

bool child_process::copiesThisProcess() {
    return true;
}

child_process::~child_process() {
    if (!ended) {
        end();
        wait();
    }
}

void child_process::end() {
    if (!ended) {
        kill(static_cast<pid_t>(processId), SIGKILL);
    }
}

process_ending child_process::wait() {
    if (ended) {
        return *ended;
    }
    pipe.close();
    int waited = 0;
    while (waitpid(static_cast<pid_t>(processId), &waited, 0) < 0 && errno == EINTR) {
    }
    process_ending how;
    if (WIFSIGNALED(waited)) {
        how.died = true;
        how.status = WTERMSIG(waited);
    } else {
        how.status = WIFEXITED(waited) ? WEXITSTATUS(waited) : 2;
    }
    ended = how;
    return how;
}

void endThisProcessNow(int status) {
    _exit(status);
}
