#include "plugin_watch.h"

#include "local_time.h"

#include <filesystem>

file_stamp stampOf(const std::string& path) {
    std::error_code error;
    file_stamp stamp;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::is_regular_file(status)) {
        return stamp;
    }
    const auto modified = std::filesystem::last_write_time(path, error);
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        return stamp;
    }
    stamp.exists = true;
    stamp.modified = static_cast<std::int64_t>(modified.time_since_epoch().count());
    stamp.size = size;
    return stamp;
}

std::string modifiedText(const std::string& path) {
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(path, error);
    if (error) {
        return {};
    }
    // The file clock's epoch is its own (C++17 has no clock_cast): measured from both clocks' now.
    const auto system = std::chrono::system_clock::now() +
                        std::chrono::duration_cast<std::chrono::system_clock::duration>(
                            modified - std::filesystem::file_time_type::clock::now());
    return localTimeText(system);
}

bool settle_watch::look(const file_stamp& seen, time_point now) {
    if (seen != lastSeen) {
        lastSeen = seen;
        seenSince = now;
        return false;
    }
    return seen.exists && seen != lastTaken && now - seenSince >= settling;
}
