#include "virtual_clock.h"

#include <thread>

virtual_clock::virtual_clock(bool realtime)
    : paced(realtime), start(std::chrono::steady_clock::now()) {}

void virtual_clock::advanceTo(std::int64_t time) {
    if (time <= current) {
        return;
    }
    if (paced) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(time));
    }
    current = time;
}

void virtual_clock::followWallClock() {
    paced = true;
    start = std::chrono::steady_clock::now() - std::chrono::milliseconds(current);
}

std::int64_t virtual_clock::wallTime() const {
    if (!paced) {
        return current;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}
