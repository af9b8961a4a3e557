// supervisor: keeps the plug-in away from the process that reports on it.
//
// runSupervised() runs a body (the emulator with its plug-in: a scenario run, the shell) in a
// child process. Everything the body writes to the transcript, the calls it makes into panels and
// its messages for the user come to this process as they happen (wire_frame), and this process
// writes the transcript and decides the verdict. So when the plug-in crashes (a signal), ends the
// process (exit, _exit) or hangs in a call past the time limit, the transcript is whole up to that
// point, held entries of the call in progress included, and it ends with one violation naming the
// plug-in file, the call in progress (desk, which call, the action that led to it) and the signal
// or exit status: plugin-crashed, plugin-exited or plugin-hung. The run then fails (status 1).
// What the plug-in wrote as debug output in that call and the host had not taken yet comes just
// before that line: the supervisor makes the debug output capture, which the child shares.
// Nothing is installed in the plug-in's process to catch signals: the child simply dies (on
// Windows, where an unhandled exception would start a debugger and abort() would look like an
// exit, the child ends itself with the exception's code: child_process.h).
//
// Threads: runSupervised() is called on the program's main thread, with no other threads
// running (the child is a child_process: on POSIX systems a fork of this one, on Windows this
// program started again with supervision::restart, which must lead it to this same call with the
// same body). The body runs in the child on its only thread.
#pragma once

#include "call_monitor.h"
#include "debug_output_capture.h"
#include "transcript.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

struct supervision {
    std::string pluginFile;    // named in the report of a crash
    double callTimeout = 10.0; // seconds one call into the plug-in may take
    // The stream the transcript's writers write to: a failed write stops the run (status 2),
    // since a run whose transcript is lost has nothing to show. Null: not checked.
    const std::ostream* output = nullptr;
    // The option that sets callTimeout, named in the report of a hang.
    std::string timeoutOption = "--call-timeout";
    // Told the child's process id as soon as it runs (in this process, before the body's first
    // frame), so that the caller can pass it a signal; null: nobody is told.
    std::function<void(int)> childStarted;
    // The arguments with which this program, started again, comes to this same runSupervised call
    // with the same body: how the child reaches its work where it cannot be a copy of this process
    // (Windows). Not used where it is a copy (Linux).
    std::vector<std::string> restart;
};

// Given, in this process, each result the body sent (supervised_run::sendResult), in order with
// the transcript; null: results are dropped.
using result_handler = std::function<void(const std::string&)>;

// What the body works with. The transcript and the monitor reach the supervisor; messages
// (errors, prompts) reach the user in order with the transcript.
struct supervised_run {
    transcript& record;
    call_monitor& calls;
    std::ostream& messages;
    // Hands a result (a text of the caller's own form) to the caller's result_handler.
    std::function<void(const std::string&)> sendResult;
    // The capture of the plug-in's debug output that the supervisor reads after a crash (for
    // emulator_options::debugOutput); null in this process: the emulator makes its own.
    debug_output_capture* debugOutput = nullptr;
};

// The body returns the run's exit status (0 passed, 1 failed, 2 could not run). An exception from
// it is a run that could not go on: its message is shown and the status is 2.
using supervised_body = std::function<int(supervised_run&)>;

// Runs body in a child process and returns the run's exit status.
int runSupervised(const supervision& settings, const supervised_body& body, transcript& record,
                  std::ostream& messages, const result_handler& resultArrived = {});
// Runs body in this process: for a debugger, which should stop where the plug-in crashes.
int runInProcess(const supervised_body& body, transcript& record, std::ostream& messages,
                 const result_handler& resultArrived = {});
