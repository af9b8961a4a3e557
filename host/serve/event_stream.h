// event_stream: the live stream of a served run, for the page's server-sent events.
//
// It is a transcript writer: every transcript entry becomes two events, "record" (the entry as
// the JSON transcript writes it, the same object as a line of --json) and "line" (the text
// transcript's lines for it, with its kind and violation id, for the page's transcript view).
// The emulator's thread also publishes "state" events (the whole state document), "changes"
// events (what changed in it, state_changes.h) and "notice" events. Each event is numbered; the
// stream keeps the latest ones, at most serve_limits::keptEvents and keptBytes of them, so that a
// reader that reconnects continues where it was (the Last-Event-ID of server-sent events) and a
// reader that falls further behind is found out (chunk's behind) instead of holding memory.
//
// A reader asks for one state form: the whole "state" events (the stream's first form, for the
// tools that read it) or the "changes" events (the page's, a fraction of the size for a large
// facility). The stream counts the readers of each form, so that nobody pays for whole state
// documents that nobody reads.
//
// Threads: write(), publish() and watch() from the emulator's thread; the rest from any thread.
#pragma once

#include "json_transcript.h"
#include "text_transcript.h"
#include "transcript.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

struct stream_event {
    std::uint64_t serial = 0; // 1, 2, ... in the order published
    std::string name;         // "record", "line", "state", "changes", "notice"
    std::string data;         // one line of JSON
};

enum class state_form {
    whole,   // "state" events, no "changes"
    changes, // "changes" events, no "state"
};

// A piece of the stream for one reader, as server-sent events.
struct stream_chunk {
    std::string text;       // "id: 7\nevent: record\ndata: {...}\n\n" ...; empty: nothing new
    std::uint64_t last = 0; // the serial the reader has now seen up to
    bool behind = false;    // events after the reader's serial are no longer kept
};

class event_stream : public transcript_writer {
public:
    event_stream();

    void write(const transcript_entry& entry) override;
    void publish(const std::string& name, const std::string& data);
    // Every entry written here is written to watcher too (which must outlive the stream).
    void watch(transcript_writer& watcher);

    // The events after serial for a reader of form, up to about maxBytes (at least one event when
    // there is one). Of several "state" events only the latest is given: a page that catches up
    // draws once. A serial past the latest (numbered by an earlier process of the same desks)
    // reads as 0: everything kept is new.
    stream_chunk chunkAfter(std::uint64_t serial, state_form form, std::size_t maxBytes);
    // The serial of the latest event (0: none yet), and of the oldest still kept (1 when none).
    std::uint64_t latest();
    std::uint64_t oldest();
    // The events published since serial, "record" events only, as their JSON texts.
    std::vector<std::string> recordsAfter(std::uint64_t serial);

    // The transport counts its readers of each form: +1 when one starts, -1 when it ends.
    void reading(state_form form, int change);
    int readers(state_form form) const;

private:
    void add(const std::string& name, std::string data);

    std::ostringstream jsonText;
    std::ostringstream plainText;
    json_transcript json{jsonText};
    text_transcript text{plainText};
    std::vector<transcript_writer*> watchers;
    std::mutex guard;
    std::deque<stream_event> events; // consecutive serials, the oldest first
    std::size_t keptBytes = 0;
    std::uint64_t serial = 0;
    std::atomic<int> wholeReaders{0};
    std::atomic<int> changeReaders{0};
};
