// event_stream: the live stream of a served run, for the page's server-sent events.
//
// It is a transcript writer: every transcript entry becomes two events, "record" (the entry as
// the JSON transcript writes it, the same object as a line of --json) and "line" (the text
// transcript's lines for it, with its kind and violation id, for the page's transcript view).
// The emulator's thread also publishes "state" events (the state document, state_document.h)
// and "notice" events. The stream keeps the latest events (a bounded number), each numbered, so
// that a page that reconnects continues where it was (the Last-Event-ID of server-sent events).
//
// Threads: write() and publish() from the emulator's thread; after(), latest() and close() from
// any thread.
#pragma once

#include "json_transcript.h"
#include "text_transcript.h"
#include "transcript.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

struct stream_event {
    std::uint64_t serial = 0; // 1, 2, ... in the order published
    std::string name;         // "record", "line", "state", "notice"
    std::string data;         // one line of JSON
};

class event_stream : public transcript_writer {
public:
    explicit event_stream(std::size_t kept = 4000);

    void write(const transcript_entry& entry) override;
    void publish(const std::string& name, const std::string& data);

    // The events after serial that are still kept, waiting up to wait for one when there is
    // none yet; empty when the wait ran out or the stream is closed.
    std::vector<stream_event> after(std::uint64_t serial, std::chrono::milliseconds wait);
    // The serial of the latest event (0: none yet).
    std::uint64_t latest();
    // The events published since serial, "record" events only, as their JSON texts.
    std::vector<std::string> recordsAfter(std::uint64_t serial);
    // Wakes every waiting reader; later waits return at once.
    void close();
    bool isClosed();

private:
    void add(const std::string& name, std::string data);

    std::size_t limit;
    std::ostringstream jsonText;
    std::ostringstream plainText;
    json_transcript json{jsonText};
    text_transcript text{plainText};
    std::mutex guard;
    std::condition_variable published;
    std::deque<stream_event> events;
    std::uint64_t serial = 0;
    bool closed = false;
};
