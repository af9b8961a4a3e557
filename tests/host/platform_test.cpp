// The platform layer's child process and timed stream where the supervisor's fault table does not
// reach them: how a child ends when its body throws or it is ended from outside, a child whose
// owner forgets it, and a wait that a signal interrupts; another program run to its end, however
// it ends; a private folder; a file's time of writing; the local time's text.
#include "child_process.h"
#include "child_program.h"
#include "file_check.h"
#include "local_time.h"
#include "platform_error.h"
#include "private_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
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

struct program_row {
    std::string name;
    std::string script; // for /bin/sh -c
    std::chrono::milliseconds deadline;
    bool killed;
    bool died;
    int status;
    std::string output;
    std::string error;
    bool truncated;
};

void PrintTo(const program_row& row, std::ostream* out) {
    *out << row.name;
}

class child_program_run : public ::testing::TestWithParam<program_row> {};

TEST_P(child_program_run, endsAsTheSystemSawItWithItsOutputKept) {
    const program_row& row = GetParam();
    child_program run;
    run.program = "/bin/sh";
    run.arguments = {"-c", row.script};
    run.deadline = row.deadline;
    run.outputLimit = 1000;
    const auto began = std::chrono::steady_clock::now();
    const child_outcome outcome = runChildProgram(run);
    EXPECT_LT(std::chrono::steady_clock::now() - began, row.deadline + 20s);
    EXPECT_EQ(outcome.killed, row.killed);
    EXPECT_EQ(outcome.ending.died, row.died);
    EXPECT_EQ(outcome.ending.status, row.status);
    EXPECT_EQ(outcome.output, row.output);
    EXPECT_EQ(outcome.error, row.error);
    EXPECT_EQ(outcome.truncated, row.truncated);
}

INSTANTIATE_TEST_SUITE_P(
    rows, child_program_run,
    ::testing::Values(
        program_row{"itsStatusAndBothStreams", "printf out; printf err >&2; exit 3", 60s, false,
                    false, 3, "out", "err", false},
        program_row{"anEmptyInput", "cat; printf done", 60s, false, false, 0, "done", "", false},
        program_row{"aSignal", "kill -TERM $$", 60s, false, true, SIGTERM, "", "", false},
        program_row{"pastTheLimit", "printf '%01200d' 0", 60s, false, false, 0,
                    std::string(1000, '0'), "", true},
        program_row{"stillRunningAtTheDeadline", "printf started; exec sleep 60", 300ms, true, true,
                    SIGKILL, "started", "", false},
        program_row{"itsStreamsClosedButRunningAtTheDeadline",
                    "exec >/dev/null 2>&1; exec sleep 60", 300ms, true, true, SIGKILL, "", "",
                    false}),
    [](const ::testing::TestParamInfo<program_row>& row) { return row.param.name; });

// A descriptor of the caller's that is not close-on-exec (as a server's sockets are) stays out of
// the program.
TEST(child_program, getsNoDescriptorOfTheCallerButItsStreams) {
    const int open = dup(1);
    ASSERT_GE(open, 3);
    child_program run;
    run.program = "/bin/sh";
    run.arguments = {"-c", "if [ -e /proc/$$/fd/" + std::to_string(open) +
                               " ]; then printf kept; else printf closed; fi"};
    const child_outcome outcome = runChildProgram(run);
    close(open);
    EXPECT_EQ(outcome.output, "closed");
}

TEST(child_program, aProgramThatCannotBeStartedIsAPlatformError) {
    child_program run;
    run.program = "/nonexistent/zeth-host";
    EXPECT_THROW(runChildProgram(run), platform_error);
}

TEST(private_folder, eachIsNewEmptyAndTheUsersAlone) {
    namespace fs = std::filesystem;
    const fs::path first = makePrivateFolder("zeth_platform_test_");
    const fs::path second = makePrivateFolder("zeth_platform_test_");
    EXPECT_NE(first, second);
    for (const fs::path& folder : {first, second}) {
        EXPECT_TRUE(fs::is_directory(folder));
        EXPECT_TRUE(fs::is_empty(folder));
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << folder;
        fs::remove_all(folder);
    }
}

// A rebuild within the second of the build before, at the same size, is still a change: the
// time of writing is kept to the file system's finest tick, and a copy carries it unchanged.
TEST(file_check, theTimeOfWritingIsKeptFinerThanSecondsAndCopied) {
    namespace fs = std::filesystem;
    const fs::path folder = makePrivateFolder("zeth_platform_test_");
    const std::string built = (folder / "built").string();
    const std::string copy = (folder / "copy").string();
    std::ofstream(built) << "build";
    std::ofstream(copy) << "other";
    const timespec written[2] = {{0, UTIME_OMIT}, {1700000000, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, built.c_str(), written, 0), 0);
    EXPECT_EQ(examineFile(built).modified, 1700000000123456789);
    copyModifiedTime(built, copy);
    EXPECT_EQ(examineFile(copy).modified, 1700000000123456789);
    EXPECT_THROW(copyModifiedTime((folder / "missing").string(), copy), platform_error);
    fs::remove_all(folder);
}

TEST(local_time, isTheTimeInThisMachinesZone) {
    const char* was = std::getenv("TZ");
    const std::string before = was ? was : "";
    setenv("TZ", "ZZZ-2", 1); // two hours east of UTC
    tzset();
    const std::string text = localTimeText(std::chrono::system_clock::from_time_t(0));
    if (was) {
        setenv("TZ", before.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
    EXPECT_EQ(text, "1970-01-01 02:00:00");
}

} // namespace
