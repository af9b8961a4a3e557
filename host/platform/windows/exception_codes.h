// exception_codes: how a Windows process's exit code tells a death from an exit, and the words for
// the exceptions that end processes. child_process ends processes with these codes and
// process_ending reads them; built for Windows only.
//
// A process that an exception ended has the exception's code as its exit code (child_process
// makes sure of that in its child). Those codes have the error severity (the top two bits set)
// without the customer bit, or are among the few warning and customer codes listed here; exit
// statuses a program chooses (0, 1, 3, even -1, which has the customer bit) are neither.
#pragma once

#include <string>

// The exit code child_process::end() gives the child it ends (a customer code of its own).
constexpr unsigned long endedByThisProcess = 0xE0000E4DUL;
// What the child's abort() ends it with: STATUS_FATAL_APP_EXIT.
constexpr unsigned long abortCode = 0x40000015UL;

// True when a process with this exit code was ended by an exception (or by end()).
bool isExceptionCode(unsigned long code);

// The exception in words ("access violation"); empty for a code without a name here.
std::string exceptionName(unsigned long code);
