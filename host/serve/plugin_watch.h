// plugin_watch: when a rebuilt plug-in file is ready to be loaded.
//
// A build tool writes the plug-in file over some time (the linker writes it piece by piece, or
// removes it and writes it anew), so a change alone does not say the build is done. The file is
// ready when it exists, differs from the build taken last, and has stayed exactly the same (its
// modification time and size) for a settling time. A build taken (loaded, or refused) is not
// taken again; the next change is the next build.
//
// A settle_watch is a value the caller feeds its looks at the file; it reads no clock and no file
// itself. Used on one thread at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// What the watch compares of a file.
struct file_stamp {
    bool exists = false;
    std::int64_t modified = 0; // when it was last written, in ns since 1970, as finely as kept
    std::uintmax_t size = 0;
    bool operator==(const file_stamp& other) const {
        return exists == other.exists && modified == other.modified && size == other.size;
    }
    bool operator!=(const file_stamp& other) const { return !(*this == other); }
};

// The file's stamp now; a file that cannot be examined is one that does not exist.
file_stamp stampOf(const std::string& path);
// The file's modification time as local time, "2024-05-01 12:03:05"; empty when it has none.
std::string modifiedText(const std::string& path);

class settle_watch {
public:
    using time_point = std::chrono::steady_clock::time_point;

    // taken: the stamp of the build in service. settle: how long a new build must stay unchanged.
    settle_watch(file_stamp taken, std::chrono::milliseconds settle)
        : lastTaken(taken), settling(settle) {}

    // One look at the file at time now: true when it is a new build, ready to be taken.
    bool look(const file_stamp& seen, time_point now);
    // The build with this stamp has been taken (into service or refused).
    void taken(const file_stamp& stamp) { lastTaken = stamp; }
    std::chrono::milliseconds settle() const { return settling; }

private:
    file_stamp lastTaken;
    std::chrono::milliseconds settling;
    file_stamp lastSeen;
    time_point seenSince{};
};
