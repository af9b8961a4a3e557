#include "file_check.h"

#include "platform_error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail() {
    throw platform_error(std::strerror(errno));
}

file_facts factsOf(const struct stat& status) {
    file_facts facts;
    if (S_ISREG(status.st_mode)) {
        facts.kind = file_kind::regular;
        facts.size = static_cast<std::uintmax_t>(status.st_size);
    } else if (S_ISDIR(status.st_mode)) {
        facts.kind = file_kind::directory;
    } else if (S_ISFIFO(status.st_mode)) {
        facts.kind = file_kind::fifo;
    } else if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) {
        facts.kind = file_kind::device;
    } else if (S_ISSOCK(status.st_mode)) {
        facts.kind = file_kind::socket;
    } else {
        facts.kind = file_kind::other;
    }
    facts.modified =
        static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return facts;
}

} // namespace

file_facts examineFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) {
            return {};
        }
        fail();
    }
    return factsOf(status);
}

void copyModifiedTime(const std::string& from, const std::string& to) {
    struct stat status {};
    if (::stat(from.c_str(), &status) != 0) {
        fail();
    }
    const timespec times[2] = {{0, UTIME_OMIT}, status.st_mtim};
    if (::utimensat(AT_FDCWD, to.c_str(), times, 0) != 0) {
        fail();
    }
}

input_file::input_file(const std::string& path)
    // O_NONBLOCK: a FIFO opens without waiting for a writer.
    : handle(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
    if (handle < 0) {
        fail();
    }
}

input_file::~input_file() {
    ::close(static_cast<int>(handle));
}

file_facts input_file::facts() const {
    struct stat status {};
    if (::fstat(static_cast<int>(handle), &status) != 0) {
        fail();
    }
    return factsOf(status);
}

std::size_t input_file::read(char* buffer, std::size_t size) {
    while (true) {
        const ssize_t got = ::read(static_cast<int>(handle), buffer, size);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            fail();
        }
    }
}
