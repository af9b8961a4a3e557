#include "plugin_watch.h"

#include "file_check.h"
#include "local_time.h"
#include "platform_error.h"

file_stamp stampOf(const std::string& path) {
    file_stamp stamp;
    try {
        const file_facts facts = examineFile(path);
        if (facts.kind == file_kind::regular) {
            stamp.exists = true;
            stamp.modified = facts.modified;
            stamp.size = facts.size;
        }
    } catch (const platform_error&) {
        // Cannot be read: as if it were not there.
    }
    return stamp;
}

std::string modifiedText(const std::string& path) {
    const file_stamp stamp = stampOf(path);
    if (!stamp.exists) {
        return {};
    }
    return localTimeText(std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::nanoseconds(stamp.modified))));
}

bool settle_watch::look(const file_stamp& seen, time_point now) {
    if (seen != lastSeen) {
        lastSeen = seen;
        seenSince = now;
        return false;
    }
    return seen.exists && seen != lastTaken && now - seenSince >= settling;
}
