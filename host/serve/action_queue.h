// action_queue: carries work from the HTTP threads to the emulator's thread.
//
// The host contract lets only one thread enter a panel, and the facility, the desks and the
// transcript are not shared between threads: so a request never touches them itself. It posts a
// job here and waits for its answer; the emulator's thread runs the jobs one at a time, in the
// order they were posted, between its own deliveries.
//
// Threads: post() and close() from any thread; runPending() only from the emulator's thread.
// A job is owned by the queue until it has run or the queue is destroyed; a job left when the
// queue closes is destroyed without running (a waiting request then hears "closing").
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class action_queue {
public:
    using job = std::function<void()>;

    // Queues work for the emulator's thread; false (and work dropped) once the queue is closed.
    bool post(job work);
    // Runs every job queued, waiting up to wait for the first; returns how many ran. A job must
    // not throw.
    int runPending(std::chrono::milliseconds wait);
    // Refuses every later post and drops what is queued.
    void close();

private:
    std::mutex guard;
    std::condition_variable arrived;
    std::deque<job> jobs;
    bool closed = false;
};
