// debug_output_capture: what a plug-in writes as debug output while the host is inside one of
// its calls, taken back by the host at the moments it chooses, so that each line can stand in the
// transcript under the call that wrote it, in order with that call's commands.
//
// A plug-in writes its debug output where its system puts it; on Linux that is the process's
// standard error, where the framework's debug output goes unless a sink is set. From begin() to
// the matching end() standard error goes to a file of the capture's own instead, and take() gives
// what was written since the last take(). Outside them standard error is the process's own, so the
// host's own messages (the shell's prompt, an error) reach the user as before. The output is read
// where the host's thread stands, never by another thread: what the panel wrote before it sent a
// command has been taken when the host takes at that command, on every run alike.
//
// Who calls what, on the host's thread: begin() and end() bracket each call into a panel; hold()
// and release() (scope does both) bracket a whole action, so that its calls share the redirection
// that the first of them makes, which costs system calls. take() at each moment the host wants what
// was written so far: each command and hand-back the panel sends, and the end of each call; it
// makes no system call when nothing was written. A supervising process makes the capture before it
// forks: the plug-in's process inherits the file, and after that process died the supervisor reads
// what was written and not yet taken (leftOver()) and shows it before the crash.
//
// Failure: when the system gives no such file, or standard error cannot be redirected, nothing is
// captured (available() is false) and the output goes where it would have gone. Nothing throws.
//
// Bounds: the file holds only what was written since the last take(), which empties it; take()
// keeps at most the bytes it is asked to and drops the rest, counting them. Output that is nothing
// but NUL bytes, or that begins with many of them, may be taken only with the output after it
// (unix/debug_output_capture.cpp says how many). Output that another plug-in thread writes
// between two calls of one action is taken with the next call's; a write in the instant between a
// take() and the emptying of the file is lost.
//
// The system's part (the file, the redirection) is in unix/debug_output_capture.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class debug_output_capture {
public:
    debug_output_capture();
    ~debug_output_capture();
    debug_output_capture(const debug_output_capture&) = delete;
    debug_output_capture& operator=(const debug_output_capture&) = delete;

    bool available() const;

    // A call into a panel begins: from now on standard error goes to the capture's file, until
    // the matching end() (calls may nest) or, while held, until the last release().
    void begin();
    void end();
    // A redirection made while held lasts until the matching release() (holds may nest).
    void hold();
    void release();

    // hold() for its lifetime; capture may be null, and then it does nothing.
    class scope {
    public:
        explicit scope(debug_output_capture* capture) : captured(capture) {
            if (captured != nullptr) {
                captured->hold();
            }
        }
        ~scope() {
            if (captured != nullptr) {
                captured->release();
            }
        }
        scope(const scope&) = delete;
        scope& operator=(const scope&) = delete;

    private:
        debug_output_capture* captured;
    };

    struct taken {
        std::string text;          // at most keep bytes, in the order written
        std::uint64_t dropped = 0; // the bytes written beyond keep, thrown away
    };
    // What was written since the last take(), which is emptied.
    taken take(std::size_t keep);
    // Everything written and not taken yet: for the supervisor, after the plug-in's process died.
    std::string leftOver();

    // The lines of captured text, each without its line end ("\n" or "\r\n"). Text after the last
    // line end is a line of its own: output written before a command is shown before it, even
    // when it had no line end yet. An empty text has no lines; an empty line between two line ends
    // is kept.
    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> found;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            const bool ended = end != std::string::npos;
            if (!ended) {
                end = text.size();
            }
            const std::size_t last = ended && end > start && text[end - 1] == '\r' ? end - 1 : end;
            found.push_back(text.substr(start, last - start));
            start = end + 1;
        }
        return found;
    }

private:
    struct system_state;
    std::unique_ptr<system_state> state;
};
