// virtual_clock: the emulator's time, in milliseconds since the run began.
//
// On the virtual clock time moves only when the event loop moves it, so a run is deterministic:
// the same scenario gives the same transcript on every machine. In real time (--realtime) the
// clock is the same, but moving it forward first waits until the wall clock has got there, so a
// person sees the Take button flash once a second.
#pragma once

#include <chrono>
#include <cstdint>

class virtual_clock {
public:
    explicit virtual_clock(bool realtime = false);

    std::int64_t now() const { return current; }
    bool realtime() const { return paced; }
    // Moves the clock to time; a time in the past leaves it where it is. In real time it first
    // sleeps until the wall clock reaches that time.
    void advanceTo(std::int64_t time);
    // From now on the clock follows the wall clock, going on from its present time (a run replayed
    // on the virtual clock that then goes on live).
    void followWallClock();
    // How far the wall clock has got since the run began; in virtual time, now().
    std::int64_t wallTime() const;

private:
    bool paced;
    std::int64_t current = 0;
    std::chrono::steady_clock::time_point start;
};
