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
};
