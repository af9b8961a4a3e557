// child_program: another program run to its end in a process of its own, its output captured.
//
// For work that must not share a process with the caller: a trial run of a plug-in that may
// crash or hang, started from a process whose other threads keep serving. Unlike child_process
// (a copy of this process, made while no other thread runs), the program is started afresh, so
// nothing of the caller's threads and locks goes with it (on POSIX systems posix_spawn). Its
// standard input is empty, it gets no other file, socket or handle of the caller's, and its
// standard output and error are read as they come, each kept up to a limit (what is past it is
// read and dropped, and said). A program still running at the deadline, whether its streams are
// still open or not, is ended at once (SIGKILL) and reported as such.
//
// Threads: runChildProgram() may be called on any thread, on several at once; it blocks until the
// program has ended. It throws platform_error when the system cannot make the pipes or start the
// program; how the program ended, however it ended, is the outcome.
#pragma once

#include "process_ending.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

struct child_program {
    std::string program;                // a path; not searched for in PATH
    std::vector<std::string> arguments; // without the program itself
    std::chrono::milliseconds deadline{60000};
    std::size_t outputLimit = 8 * 1024 * 1024; // bytes kept of each stream
};

struct child_outcome {
    bool killed = false;    // still running at the deadline: ended
    process_ending ending;  // how it ended
    std::string output;     // standard output, up to the limit
    std::string error;      // standard error, up to the limit
    bool truncated = false; // either stream went past the limit
};

child_outcome runChildProgram(const child_program& run);
