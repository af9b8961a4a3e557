// The Windows part of timed_input. A handle given to the constructor is a pipe opened for
// overlapped reading (as child_process makes it): each read is one overlapped ReadFile, waited for
// at most the time given and cancelled when that passes, so that no read is left running into the
// caller's buffer. Standard input may be a console, a pipe or a file, none of which can be waited
// for alike; one thread of this layer's reads it in pieces and hands each piece over, so that a
// wait with a time limit is a wait on that hand-over.
#include "timed_input.h"

#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace {

// Standard input, read ahead by one thread of its own, at most one piece at a time: it reads the
// next piece only once the last one has been taken. The thread starts with the first read and
// lives as long as the process (standard input is never closed); it keeps this state alive.
class standard_input_reader {
public:
    static std::shared_ptr<standard_input_reader> shared() {
        static const std::shared_ptr<standard_input_reader> reader =
            std::make_shared<standard_input_reader>();
        return reader;
    }

    input_piece read(char* buffer, std::size_t size,
                     std::optional<std::chrono::milliseconds> timeout) {
        std::unique_lock<std::mutex> lock(guard);
        if (!started) {
            started = true;
            std::thread([reader = shared()] { reader->readAhead(); }).detach();
        }
        const auto ready = [this] { return !arrived.empty() || ended; };
        if (timeout) {
            if (!changed.wait_for(lock, *timeout, ready)) {
                return {input_status::timedOut, 0};
            }
        } else {
            changed.wait(lock, ready);
        }
        if (arrived.empty()) {
            return {input_status::ended, 0};
        }
        const std::size_t count = std::min(size, arrived.size());
        arrived.copy(buffer, count);
        arrived.erase(0, count);
        if (arrived.empty()) {
            changed.notify_all();
        }
        return {input_status::data, count};
    }

private:
    void readAhead() {
        const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        char piece[4096];
        while (true) {
            {
                std::unique_lock<std::mutex> lock(guard);
                changed.wait(lock, [this] { return arrived.empty(); });
            }
            DWORD got = 0;
            // A console gives 0 bytes for a line that begins with Ctrl-Z, a file at its end; a
            // pipe whose writer has gone fails.
            const bool read = input != nullptr && input != INVALID_HANDLE_VALUE &&
                              ReadFile(input, piece, sizeof piece, &got, nullptr) != 0;
            std::lock_guard<std::mutex> lock(guard);
            if (!read || got == 0) {
                ended = true;
                changed.notify_all();
                return;
            }
            arrived.append(piece, got);
            changed.notify_all();
        }
    }

    std::mutex guard;
    std::condition_variable changed;
    std::string arrived;
    bool ended = false;
    bool started = false;
};

} // namespace

struct timed_input::system_stream {
    HANDLE handle = INVALID_HANDLE_VALUE; // the pipe; standard input: not used
    bool owned = false;
    HANDLE event = nullptr; // signals the end of the overlapped read
    std::shared_ptr<standard_input_reader> standard;
};

timed_input timed_input::standardInput() {
    timed_input input(reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE), false);
    input.stream->standard = standard_input_reader::shared();
    return input;
}

timed_input::timed_input(std::intptr_t handle, bool owned)
    : stream(new system_stream{reinterpret_cast<HANDLE>(handle), owned, nullptr, nullptr}) {
    if (stream->handle != INVALID_HANDLE_VALUE) {
        stream->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
}

timed_input::timed_input(timed_input&& other) noexcept = default;
timed_input& timed_input::operator=(timed_input&& other) noexcept {
    if (this != &other) {
        close();
        if (stream && stream->event != nullptr) {
            CloseHandle(stream->event);
        }
        stream = std::move(other.stream);
    }
    return *this;
}

timed_input::~timed_input() {
    close();
    if (stream && stream->event != nullptr) {
        CloseHandle(stream->event);
    }
}

void timed_input::close() {
    if (stream && stream->owned && stream->handle != INVALID_HANDLE_VALUE) {
        CloseHandle(stream->handle);
        stream->handle = INVALID_HANDLE_VALUE;
    }
}

input_piece timed_input::read(char* buffer, std::size_t size,
                              std::optional<std::chrono::milliseconds> timeout) {
    if (!stream) {
        return {input_status::ended, 0};
    }
    if (stream->standard) {
        return stream->standard->read(buffer, size, timeout);
    }
    if (stream->handle == INVALID_HANDLE_VALUE || stream->event == nullptr) {
        return {input_status::ended, 0};
    }
    OVERLAPPED pending{};
    pending.hEvent = stream->event;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1U << 30));
    DWORD got = 0;
    if (ReadFile(stream->handle, buffer, wanted, &got, &pending) == 0) {
        if (GetLastError() != ERROR_IO_PENDING) {
            return {input_status::ended, 0}; // the writer has gone (ERROR_BROKEN_PIPE) or failed
        }
        // INFINITE is 0xFFFFFFFF ms: a longer wait is cut just short of it.
        const DWORD waitMs =
            timeout ? static_cast<DWORD>(std::clamp<std::int64_t>(timeout->count(), 0, 0xFFFFFFFE))
                    : INFINITE;
        if (WaitForSingleObject(stream->event, waitMs) != WAIT_OBJECT_0) {
            // Cancelled, and waited for: a read that completed in the meantime still counts.
            CancelIoEx(stream->handle, &pending);
            if (GetOverlappedResult(stream->handle, &pending, &got, TRUE) == 0 || got == 0) {
                return {input_status::timedOut, 0};
            }
            return {input_status::data, got};
        }
        if (GetOverlappedResult(stream->handle, &pending, &got, FALSE) == 0) {
            return {input_status::ended, 0};
        }
    }
    if (got == 0) {
        return {input_status::ended, 0};
    }
    return {input_status::data, got};
}
