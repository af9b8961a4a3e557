// local_time: a moment as the people at this machine read the clock.
#pragma once

#include <chrono>
#include <string>

// The time in this machine's time zone, "2024-05-01 12:03:05".
std::string localTimeText(std::chrono::system_clock::time_point time);
