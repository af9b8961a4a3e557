// timer_table: the periodic timers that panels start and stop with "ET".
//
// A timer belongs to one desk and has an id of the panel's choosing. "ET id interval" starts it,
// or restarts it when it runs: the first tick then comes one interval later and the ticks of the
// earlier start are dropped. "ET id" stops it; stopping a timer that does not run is harmless.
// Ticks are queued one at a time: each delivered tick queues the next, one interval on, while the
// same start of the timer still runs. The table tells the event loop which queued ticks are
// still wanted (current).
#pragma once

#include <cstdint>
#include <map>
#include <utility>

class timer_table {
public:
    // Starts or restarts timer id of desk; returns the generation for its ticks.
    std::uint64_t start(int deskNumber, int id, std::int32_t interval);
    // Stops timer id of desk; true when it was running.
    bool stop(int deskNumber, int id);
    // Whether a tick of this generation is still wanted.
    bool current(int deskNumber, int id, std::uint64_t generation) const;
    bool running(int deskNumber, int id) const;
    std::int32_t interval(int deskNumber, int id) const;
    // How many timers of desk are running.
    int runningFor(int deskNumber) const;
    // Stops every timer of desk (the desk closed).
    void stopAll(int deskNumber);

private:
    struct timer {
        std::int32_t interval = 0;
        std::uint64_t generation = 0;
        bool running = false;
    };
    std::map<std::pair<int, int>, timer> timers;
    std::uint64_t nextGeneration = 1;
};
