// process_ending: how a child process ended, in the system's terms and in words for a report.
#pragma once

#include <string>

struct process_ending {
    // It did not end of its own accord: a signal ended it (a crash, abort(), a kill); on Windows
    // an exception it did not handle, or another process ended it.
    bool died = false;
    // When it exited: its exit status. When it died: the signal's number, or the exception code.
    int status = 0;

    // A phrase for a report of how it died, naming the signal or the exception by its number and
    // in words: "died by signal 11 (Segmentation fault)". Of an exit: "exited with status 3".
    std::string words() const;

    // How a plug-in's process dies, and how it ends the host's process, on this system, for the
    // descriptions of those violations: "a signal (a crash, a stack overflow, abort)" and
    // "exit, _exit" on Linux; on Windows an exception and ExitProcess too. Static text.
    static const char* dyingWays();
    static const char* exitingWays();
};
