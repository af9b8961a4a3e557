#include "timed_input.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

struct timed_input::system_stream {
    int descriptor = -1;
    bool owned = false;
};

timed_input timed_input::standardInput() {
    return timed_input(STDIN_FILENO, false);
}

timed_input::timed_input(std::intptr_t handle, bool owned)
    : stream(new system_stream{static_cast<int>(handle), owned}) {}

timed_input::timed_input(timed_input&& other) noexcept = default;
timed_input& timed_input::operator=(timed_input&& other) noexcept {
    if (this != &other) {
        close();
        stream = std::move(other.stream);
    }
    return *this;
}

timed_input::~timed_input() {
    close();
}

void timed_input::close() {
    if (stream && stream->owned && stream->descriptor >= 0) {
        ::close(stream->descriptor);
        stream->descriptor = -1;
    }
}

input_piece timed_input::read(char* buffer, std::size_t size,
                              std::optional<std::chrono::milliseconds> timeout) {
    if (!stream || stream->descriptor < 0) {
        return {input_status::ended, 0};
    }
    using clock = std::chrono::steady_clock;
    const clock::time_point deadline =
        clock::now() + timeout.value_or(std::chrono::milliseconds::zero());
    int waitMs = timeout ? static_cast<int>(std::max<std::int64_t>(0, timeout->count())) : -1;
    while (true) {
        pollfd input{stream->descriptor, POLLIN, 0};
        const int ready = ::poll(&input, 1, waitMs);
        if (ready < 0 && errno == EINTR) {
            if (timeout) {
                // What is left, rounded up: the wait never ends before the time given.
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - clock::now());
                waitMs = static_cast<int>(std::max<std::int64_t>(0, left.count()));
            }
            continue;
        }
        if (ready == 0) {
            return {input_status::timedOut, 0};
        }
        const ssize_t got = ::read(stream->descriptor, buffer, size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return {input_status::ended, 0};
        }
        return {input_status::data, static_cast<std::size_t>(got)};
    }
}
