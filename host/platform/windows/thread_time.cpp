// The Windows part of thread_time: the thread's kernel and user time. Windows counts no
// preemptions per thread: preempted stays 0 and preemptionsCounted false.
#include "thread_time.h"

#include <windows.h>

thread_time threadTime() {
    thread_time now;
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user) != 0) {
        const auto ticks = [](const FILETIME& time) {
            return (static_cast<unsigned long long>(time.dwHighDateTime) << 32U) |
                   time.dwLowDateTime;
        };
        now.known = true;
        now.processor = static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7; // 100 ns units
    }
    return now;
}
