#include "local_time.h"

#include <ctime>

std::string localTimeText(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    // localtime_s: std::localtime shares one result between threads.
    if (localtime_s(&local, &seconds) != 0) {
        return {};
    }
    char text[32];
    return std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) > 0 ? text : "";
}
