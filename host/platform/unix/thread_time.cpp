#include "thread_time.h"

#include <ctime>
#include <sys/resource.h>

thread_time threadTime() {
    thread_time now;
#if defined(__linux__)
    timespec used{};
    rusage usage{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used) == 0 &&
        getrusage(RUSAGE_THREAD, &usage) == 0) {
        now.known = true;
        now.processor = static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
        now.preempted = usage.ru_nivcsw;
        now.preemptionsCounted = true;
    }
#endif
    return now;
}
