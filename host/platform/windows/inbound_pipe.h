// inbound_pipe: a pipe from a process this one starts to this one. Built for Windows only; the
// files of this layer that start processes use it.
//
// The read end is this process's, opened for overlapped reading so that a read can be waited for
// with a time limit and cancelled, and never inherited. The write end is inheritable, for the
// started process; the caller closes it once that process has started (or could not be), so that
// the read end sees the pipe end when the started process (and whatever it passed the handle on
// to) is gone.
#pragma once

#include <windows.h>

struct inbound_pipe {
    HANDLE read = INVALID_HANDLE_VALUE;
    HANDLE write = INVALID_HANDLE_VALUE;
};

// A new pipe, named after this process so that no other process's pipe can stand in for it.
// Throws platform_error "cannot make a pipe (reason)"; nothing is left open then.
inbound_pipe makeInboundPipe();
