// timed_input: a stream of bytes this process reads, waiting for each piece at most a given
// time: the pipe from a child process, standard input.
//
// One thread reads it at a time. A piece is whatever has arrived, up to the buffer's size; a
// reader that wants lines or frames collects them itself. The stream owns its handle when made
// with owned (the pipe from a child), and closes it when closed or destroyed; standard input is
// never closed.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

enum class input_status {
    data,     // count bytes arrived
    timedOut, // nothing arrived within the time given
    ended,    // the writer closed its end, or the stream failed: nothing more will come
};

struct input_piece {
    input_status status = input_status::ended;
    std::size_t count = 0;
};

class timed_input {
public:
    // This process's standard input.
    static timed_input standardInput();
    // A handle of the system's (a file descriptor; on Windows a HANDLE), closed by this stream
    // when owned.
    timed_input(std::intptr_t handle, bool owned);
    timed_input(timed_input&& other) noexcept;
    timed_input& operator=(timed_input&& other) noexcept;
    ~timed_input();

    // Waits until bytes arrive, the stream ends or timeout has passed (no timeout: as long as it
    // takes), then reads what arrived, at most size bytes into buffer (size > 0). A signal that
    // interrupts the wait does not end it early.
    input_piece read(char* buffer, std::size_t size,
                     std::optional<std::chrono::milliseconds> timeout);
    // Closes an owned handle now: a writer at the other end of a pipe then finds it closed.
    void close();

private:
    struct system_stream;
    std::unique_ptr<system_stream> stream;
};
