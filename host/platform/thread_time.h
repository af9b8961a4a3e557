// thread_time: the processor time the calling thread has used, and how often the system took
// the processor from it: so that a call is timed by its own work when the machine is busy.
#pragma once

struct thread_time {
    bool known = false;   // false where the system cannot say; then the fields are 0
    double processor = 0; // seconds of processor time the thread has used
    long preempted = 0;   // times the system took the processor from it unasked
    // Whether the system counts preempted at all: Windows does not, and there it stays 0, so
    // that only a wall clock compared over several runs can tell a busy machine from a slow call.
    bool preemptionsCounted = false;
};

// The calling thread's figures now.
thread_time threadTime();
