// console: the terminal a user works zeth-host from: whether standard input is one (a person
// typing, not a pipe or a file), the interrupts the user sends (Ctrl-C), and standard output and
// error written byte for byte.
//
// catchInterrupts() is called once, on the main thread, before the loop that polls the flag.
// From then on Ctrl-C, and the system's request to stop (SIGTERM; on Windows Ctrl-Break and the
// console's closing), set the flag instead of ending the process, and are passed on to the child
// process named with passInterruptsTo(), so that a supervised child stops too (on Windows the
// child shares the console, which gives it the same interrupts itself).
//
// writeStandardStreamsVerbatim() is called once, first thing on the main thread, before anything
// is written.
#pragma once

#include <atomic>

// True when standard input is a terminal or console.
bool standardInputIsTerminal();

// From now on an interrupt sets requested (which must live as long as the process).
void catchInterrupts(std::atomic<bool>& requested);
// The child process an interrupt is passed on to, by its id (child_process::id()); 0: none.
void passInterruptsTo(int childId);

// From now on standard output and standard error carry exactly the bytes written: no "\n" becomes
// "\r\n" (as Windows' C runtime would make it), so that a transcript is the same file on every
// system.
void writeStandardStreamsVerbatim();
