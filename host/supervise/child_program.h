// child_program: another program run to its end in a process of its own, its output captured.
//
// For work that must not share a process with the caller: a trial run of a plug-in that may
// crash or hang, started from a process whose other threads keep serving. The program is started
// with posix_spawn (no fork of the calling process's threads and locks), its standard input is
// empty, and its standard output and error are read as they come, each kept up to a limit (what
// is past it is read and dropped, and said). A program still running at the deadline is killed
// (SIGKILL) and reported as such.
//
// Threads: runChildProgram() may be called on any thread, on several at once; it blocks until the
// program has ended. Where processes cannot be spawned (Windows builds) it reports that the
// program could not start.
#pragma once

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
    bool started = false;   // false: the program could not be started (why: in error)
    bool killed = false;    // still running at the deadline: killed
    int status = -1;        // exit status, when it exited
    int signal = 0;         // the signal that ended it, when one did
    std::string output;     // standard output, up to the limit
    std::string error;      // standard error, up to the limit; or why it could not start
    bool truncated = false; // either stream went past the limit
};

child_outcome runChildProgram(const child_program& run);

// The file of the program now running (/proc/self/exe resolved), for starting it again.
std::string thisProgramFile();
