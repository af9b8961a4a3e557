#include "child_program.h"

#include "output_limit.h"
#include "platform_error.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {} // namespace

child_outcome runChildProgram(const child_program& run) {
    // posix_spawn reports a program it could not start only where the C library can see the
    // exec fail; under a process emulator (valgrind) the child may instead end with status 127
    // and look like a program that ran. A program that is not there is refused first.
    if (access(run.program.c_str(), X_OK) != 0) {
        throw platform_error("cannot start " + run.program + " (" + std::strerror(errno) + ")");
    }
    child_outcome outcome;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        throw platform_error(std::string("cannot make a pipe (") + std::strerror(errno) + ")");
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        const int why = errno;
        close(out[0]);
        close(out[1]);
        throw platform_error(std::string("cannot make a pipe (") + std::strerror(why) + ")");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    // Nothing else of this process goes with the program: a caller's sockets and files that are
    // not marked close-on-exec (a server's listening socket, say) would outlive the caller in it.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    std::vector<std::string> words{run.program};
    words.insert(words.end(), run.arguments.begin(), run.arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    pid_t child = -1;
    const int spawned =
        posix_spawn(&child, run.program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(out[0]);
        close(err[0]);
        throw platform_error("cannot start " + run.program + " (" + std::strerror(spawned) + ")");
    }

    const auto deadline = std::chrono::steady_clock::now() + run.deadline;
    pollfd streams[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* kept[2] = {&outcome.output, &outcome.error};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            outcome.killed = true;
            break;
        }
        const int ready = poll(streams, 2, static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            outcome.killed = true;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (streams[i].fd < 0 || streams[i].revents == 0) {
                continue;
            }
            const ssize_t got = read(streams[i].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                close(streams[i].fd);
                streams[i].fd = -1;
                --open;
                continue;
            }
            keepWithinLimit(*kept[i], buffer, static_cast<std::size_t>(got), run.outputLimit,
                            outcome.truncated);
        }
    }
    for (const pollfd& stream : streams) {
        if (stream.fd >= 0) {
            close(stream.fd);
        }
    }
    // A program may close its streams and run on: the deadline holds for its end as well.
    int waited = 0;
    while (!outcome.killed) {
        const pid_t ended = waitpid(child, &waited, WNOHANG);
        if (ended == child) {
            break;
        }
        if (ended < 0 && errno != EINTR) {
            outcome.killed = true; // cannot be waited for without blocking: ended below
        } else if (std::chrono::steady_clock::now() >= deadline) {
            outcome.killed = true;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    if (outcome.killed) {
        kill(child, SIGKILL);
        while (waitpid(child, &waited, 0) < 0 && errno == EINTR) {
        }
    }
    outcome.ending.died = WIFSIGNALED(waited);
    outcome.ending.status = WIFSIGNALED(waited) ? WTERMSIG(waited) : WEXITSTATUS(waited);
    return outcome;
}
