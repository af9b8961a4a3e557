// debug_output_capture on Linux: standard error (descriptor 2) goes to an anonymous file
// in memory (memfd) from begin() to end(). The file is mapped into memory and kept filled with NUL
// bytes: whatever the plug-in writes lands at the file's offset, which take() sets back to 0 each
// time it empties the file, so "nothing was written" is a look at the first mapped bytes, without
// a system call. Only output that begins with more NUL bytes than that look covers, or that is
// nothing but NUL bytes, hides from it until more is written; the supervisor, which asks the file
// for its offset, finds it all the same. A forked process shares the file, its offset and the
// mapping with the process that made it.
#include "debug_output_capture.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int standardError = 2;
// The part of the file that is mapped; more written between two takes is read with pread.
constexpr std::size_t mappedSize = 1u << 20;
// How many of the first bytes take() looks at to see whether anything was written.
constexpr std::size_t lookedAt = 64;

// Reads up to count bytes at offset; fewer at the end of the file or on an error.
std::size_t readAt(int file, char* into, std::size_t count, off_t offset) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            pread(file, into + done, count - done, offset + static_cast<off_t>(done));
        if (got > 0) {
            done += static_cast<std::size_t>(got);
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    return done;
}

} // namespace

// Redirecting standard error costs three system calls: the descriptor of the moment is copied
// into a number of the capture's own, the file takes its place, and at the end the copy goes back.
struct debug_output_capture::system_state {
    int file = -1;          // the capture's file
    char* mapped = nullptr; // its first mappedSize bytes
    int saved = -1;         // the capture's own descriptor number: standard error while redirected
    bool redirected = false;
    int calls = 0; // begin() calls not yet ended
    int holds = 0; // hold() calls not yet released

    void redirect() {
        if (redirected || file < 0 || dup3(standardError, saved, O_CLOEXEC) < 0) {
            return;
        }
        redirected = dup2(file, standardError) >= 0;
    }
    void restore() {
        if (redirected && calls == 0 && holds == 0) {
            dup2(saved, standardError);
            redirected = false;
        }
    }
};

debug_output_capture::debug_output_capture() : state(std::make_unique<system_state>()) {
    const int file = memfd_create("zeth-host debug output", MFD_CLOEXEC);
    if (file < 0) {
        return;
    }
    void* mapped = MAP_FAILED;
    // Above 2, so that it cannot be taken for standard error itself.
    const int saved = fcntl(file, F_DUPFD_CLOEXEC, 3);
    if (saved >= 0 && ftruncate(file, static_cast<off_t>(mappedSize)) == 0) {
        mapped = mmap(nullptr, mappedSize, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    }
    if (mapped == MAP_FAILED) {
        if (saved >= 0) {
            close(saved);
        }
        close(file);
        return;
    }
    state->file = file;
    state->saved = saved;
    state->mapped = static_cast<char*>(mapped);
}

debug_output_capture::~debug_output_capture() {
    state->calls = 0;
    state->holds = 0;
    state->restore();
    if (state->file >= 0) {
        munmap(state->mapped, mappedSize);
        close(state->saved);
        close(state->file);
    }
}

bool debug_output_capture::available() const {
    return state->file >= 0;
}

void debug_output_capture::begin() {
    ++state->calls;
    state->redirect();
}

void debug_output_capture::end() {
    if (state->calls > 0) {
        --state->calls;
    }
    state->restore();
}

void debug_output_capture::hold() {
    ++state->holds;
}

void debug_output_capture::release() {
    if (state->holds > 0) {
        --state->holds;
    }
    state->restore();
}

debug_output_capture::taken debug_output_capture::take(std::size_t keep) {
    taken result;
    if (state->file < 0) {
        return result;
    }
    // Word by word: the look costs a few instructions.
    std::uint64_t words[lookedAt / sizeof(std::uint64_t)];
    std::memcpy(words, state->mapped, sizeof words);
    std::uint64_t any = 0;
    for (const std::uint64_t word : words) {
        any |= word;
    }
    if (any == 0) {
        return result;
    }
    const off_t end = lseek(state->file, 0, SEEK_CUR);
    if (end <= 0) {
        return result;
    }
    const auto written = static_cast<std::size_t>(end);
    const std::size_t inMemory = std::min(written, mappedSize);
    const std::size_t kept = std::min(written, keep);
    result.text.assign(state->mapped, std::min(inMemory, kept));
    if (kept > inMemory) {
        result.text.resize(kept);
        result.text.resize(inMemory + readAt(state->file, &result.text[inMemory], kept - inMemory,
                                             static_cast<off_t>(inMemory)));
    }
    result.dropped = written - result.text.size();
    // Empty again: NUL bytes where the text was, the next write at the start.
    std::memset(state->mapped, 0, inMemory);
    if (written > mappedSize) {
        while (ftruncate(state->file, static_cast<off_t>(mappedSize)) < 0 && errno == EINTR) {
        }
    }
    lseek(state->file, 0, SEEK_SET);
    return result;
}

std::string debug_output_capture::leftOver() {
    std::string text;
    if (state->file < 0) {
        return text;
    }
    const off_t end = lseek(state->file, 0, SEEK_CUR);
    if (end > 0) {
        text.resize(static_cast<std::size_t>(end));
        text.resize(readAt(state->file, &text[0], text.size(), 0));
    }
    return text;
}
