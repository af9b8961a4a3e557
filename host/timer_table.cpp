#include "timer_table.h"

std::uint64_t timer_table::start(int desk, int id, std::int32_t interval) {
    timer& entry = timers[{desk, id}];
    entry.interval = interval;
    entry.generation = nextGeneration++;
    entry.running = true;
    return entry.generation;
}

bool timer_table::stop(int desk, int id) {
    const auto found = timers.find({desk, id});
    if (found == timers.end() || !found->second.running) {
        return false;
    }
    found->second.running = false;
    return true;
}

bool timer_table::current(int desk, int id, std::uint64_t generation) const {
    const auto found = timers.find({desk, id});
    return found != timers.end() && found->second.running && found->second.generation == generation;
}

bool timer_table::running(int desk, int id) const {
    const auto found = timers.find({desk, id});
    return found != timers.end() && found->second.running;
}

std::int32_t timer_table::interval(int desk, int id) const {
    const auto found = timers.find({desk, id});
    return found == timers.end() ? 0 : found->second.interval;
}

void timer_table::stopAll(int desk) {
    for (auto& [key, entry] : timers) {
        if (key.first == desk) {
            entry.running = false;
        }
    }
}
