#include "timer_table.h"

#include <limits>

std::uint64_t timer_table::start(int deskNumber, int id, std::int32_t interval) {
    timer& entry = timers[{deskNumber, id}];
    entry.interval = interval;
    entry.generation = nextGeneration++;
    entry.running = true;
    return entry.generation;
}

bool timer_table::stop(int deskNumber, int id) {
    const auto found = timers.find({deskNumber, id});
    if (found == timers.end() || !found->second.running) {
        return false;
    }
    found->second.running = false;
    return true;
}

bool timer_table::current(int deskNumber, int id, std::uint64_t generation) const {
    const auto found = timers.find({deskNumber, id});
    return found != timers.end() && found->second.running && found->second.generation == generation;
}

bool timer_table::running(int deskNumber, int id) const {
    const auto found = timers.find({deskNumber, id});
    return found != timers.end() && found->second.running;
}

std::int32_t timer_table::interval(int deskNumber, int id) const {
    const auto found = timers.find({deskNumber, id});
    return found == timers.end() ? 0 : found->second.interval;
}

int timer_table::runningFor(int deskNumber) const {
    int count = 0;
    for (auto found = timers.lower_bound({deskNumber, std::numeric_limits<int>::min()});
         found != timers.end() && found->first.first == deskNumber; ++found) {
        count += found->second.running ? 1 : 0;
    }
    return count;
}

void timer_table::stopAll(int deskNumber) {
    for (auto& [key, entry] : timers) {
        if (key.first == deskNumber) {
            entry.running = false;
        }
    }
}
