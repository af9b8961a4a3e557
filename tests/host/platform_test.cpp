// The platform layer's child process and timed stream where the supervisor's fault table does not
// reach them: how a child ends when its body throws or it is ended from outside, a child whose
// owner forgets it, and a wait that a signal interrupts.
#include "child_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

#include <sys/time.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

int sleepLong(parent_pipe&) {
    std::this_thread::sleep_for(60s);
    return 0;
}

// Everything the child writes until it closes its end; fails the test if that takes a minute.
std::string readToEnd(child_process& child) {
    std::string all;
    char buffer[256];
    while (true) {
        const input_piece piece = child.output().read(buffer, sizeof buffer, 60s);
        if (piece.status != input_status::data) {
            EXPECT_EQ(piece.status, input_status::ended) << "the child kept its end open";
            return all;
        }
        all.append(buffer, piece.count);
    }
}

struct ending_row {
    std::string name;
    child_process::body run;
    bool endIt; // the parent ends the child while it runs
    std::string wrote;
    bool died;
    int status;
    std::string words;
};

void PrintTo(const ending_row& row, std::ostream* out) {
    *out << row.name;
}

class child_ending : public ::testing::TestWithParam<ending_row> {};

TEST_P(child_ending, isToldAsTheSystemSawIt) {
    const ending_row& row = GetParam();
    child_process child(row.run);
    if (row.endIt) {
        char byte = 0;
        EXPECT_EQ(child.output().read(&byte, 1, 20ms).status, input_status::timedOut);
        child.end();
    }
    EXPECT_EQ(readToEnd(child), row.wrote);
    const process_ending ending = child.wait();
    EXPECT_EQ(ending.died, row.died);
    EXPECT_EQ(ending.status, row.status);
    EXPECT_EQ(ending.words(), row.words);
}

INSTANTIATE_TEST_SUITE_P(
    rows, child_ending,
    ::testing::Values(
        ending_row{"itsBodysResult",
                   [](parent_pipe& parent) { return parent.write("framed", 6) ? 3 : 4; }, false,
                   "framed", false, 3, "exited with status 3"},
        ending_row{"aBodyThatThrows", [](parent_pipe&) -> int { throw std::runtime_error("lost"); },
                   false, "", false, 2, "exited with status 2"},
        ending_row{"abort", [](parent_pipe&) -> int { std::abort(); }, false, "", true, SIGABRT,
                   "died by signal 6 (Aborted)"},
        ending_row{"endedByTheParent", sleepLong, true, "", true, SIGKILL,
                   "died by signal 9 (Killed)"}),
    [](const ::testing::TestParamInfo<ending_row>& row) { return row.param.name; });

TEST(child_process, aChildItsOwnerForgetsIsEndedAndWaitedFor) {
    int id = 0;
    {
        child_process forgotten(sleepLong);
        id = forgotten.id();
    }
    // Not even a zombie is left: the id names no process of ours any more.
    EXPECT_EQ(kill(id, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

extern "C" void ignoreAlarm(int) {}

TEST(timed_input, aSignalDuringTheWaitNeitherEndsItNorCutsItShort) {
    struct sigaction action {};
    action.sa_handler = ignoreAlarm; // without SA_RESTART: the wait is interrupted
    sigemptyset(&action.sa_mask);
    struct sigaction before {};
    sigaction(SIGALRM, &action, &before);
    child_process quiet(sleepLong);
    const auto began = std::chrono::steady_clock::now();
    itimerval soon{};
    soon.it_value.tv_usec = 100000; // 0.1 s, once
    setitimer(ITIMER_REAL, &soon, nullptr);
    char byte = 0;
    const input_piece piece = quiet.output().read(&byte, 1, 400ms);
    const auto waited = std::chrono::steady_clock::now() - began;
    sigaction(SIGALRM, &before, nullptr);
    EXPECT_EQ(piece.status, input_status::timedOut);
    EXPECT_GE(waited, 400ms);
}

} // namespace
