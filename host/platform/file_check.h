// file_check: what a path names before anything reads it, and a file read without waiting on
// anything but the file: so that a FIFO, a device or a folder named as a facility file is refused
// instead of read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class file_kind { missing, regular, directory, fifo, device, socket, other };

struct file_facts {
    file_kind kind = file_kind::missing;
    std::uintmax_t size = 0; // in bytes; for a regular file only
    // When it was last written, in nanoseconds since 1970 (UTC), as finely as the file system
    // keeps it: a file written twice within one second, at the same size, still differs.
    std::int64_t modified = 0;
};

// What path names now, following symbolic links; file_kind::missing when nothing is there.
// Throws platform_error with the system's reason when it cannot tell (a folder on the way that
// may not be searched, ...).
file_facts examineFile(const std::string& path);

// Gives the file to the time of last writing that the file from has, as finely as examineFile()
// reads it, so that a copy says when its original was built. Throws platform_error with the
// system's reason.
void copyModifiedTime(const std::string& from, const std::string& to);

// A file opened for reading, closed when this is destroyed. Opening never waits: a FIFO that
// became the path since it was examined opens at once, and facts() then says what it is before
// anything is read. Throws platform_error with the system's reason.
class input_file {
public:
    explicit input_file(const std::string& path);
    input_file(const input_file&) = delete;
    input_file& operator=(const input_file&) = delete;
    ~input_file();

    // What the opened file is; throws platform_error.
    file_facts facts() const;
    // Reads at most size bytes into buffer; 0 at the end of the file. Throws platform_error.
    std::size_t read(char* buffer, std::size_t size);

private:
    std::intptr_t handle;
};
