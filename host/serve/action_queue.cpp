#include "action_queue.h"

bool action_queue::post(job work) {
    {
        std::lock_guard<std::mutex> lock(guard);
        if (closed) {
            return false;
        }
        jobs.push_back(std::move(work));
    }
    arrived.notify_one();
    return true;
}

int action_queue::runPending(std::chrono::milliseconds wait) {
    std::deque<job> ready;
    {
        std::unique_lock<std::mutex> lock(guard);
        arrived.wait_for(lock, wait, [this] { return !jobs.empty() || closed; });
        ready.swap(jobs);
    }
    for (job& work : ready) {
        work();
    }
    return static_cast<int>(ready.size());
}

void action_queue::close() {
    std::deque<job> dropped;
    {
        std::lock_guard<std::mutex> lock(guard);
        closed = true;
        dropped.swap(jobs);
    }
    arrived.notify_all();
}
