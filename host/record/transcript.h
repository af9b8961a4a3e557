// transcript: the record of a run, entry by entry, as the operator and the host saw it: each
// operator action, each delivery to a panel, each command with its reply and what the host did,
// each contract violation, the desk's view after each action, and each expectation's outcome.
//
// Entries go to every attached writer (text for people, JSON lines for tools) in the order they
// were added. While a call into a panel is in progress the transcript holds its entries back, so
// that a reply handed back later in the same call can still be marked on its command's line;
// release() writes them out when the call has returned.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class entry_kind {
    banner,      // text: a heading line of the run
    action,      // text: what the operator (or the scenario) did
    delivery,    // text: what the host delivered to a panel (event, revertive, tick, query)
    command,     // text: the command; reply; handedBack; effect: what the host did
    violation,   // id, detail, cause
    view,        // text: the one-line view of a desk (desk set) or of the routers (desk 0)
    expectation, // text: the expectation; passed; detail: why not
    note,        // text: anything else worth a line
    comment,     // text: the scenario's own narration
    problem,     // text: an operator action that could not be carried out, and why
    summary,     // text: the closing line of a scenario
    debug,       // text: one line the panel wrote as debug output, in order with its commands
};

struct transcript_entry {
    entry_kind kind = entry_kind::note;
    std::int64_t time = 0; // milliseconds on the run's clock
    int deskNumber = 0;    // 0: not about one desk
    std::string text;
    std::optional<std::string> reply;
    bool handedBack = false;
    std::string effect;
    std::string id;
    std::string detail;
    std::string cause;
    bool passed = true;
    bool continues = false; // a comment: continues the comment line just before it
    // The scenario line whose step led to the entry (0: none, such as the start-up before the
    // first step): where a report points a reader or a CI system. Not shown in the transcript.
    int line = 0;
};

class transcript_writer {
public:
    transcript_writer() = default;
    transcript_writer(const transcript_writer&) = delete;
    transcript_writer& operator=(const transcript_writer&) = delete;
    virtual ~transcript_writer() = default;
    virtual void write(const transcript_entry& entry) = 0;
};

// Sees every operation on a transcript as it happens, held entries included, so that another
// process can replay the same transcript and keep it when this one dies mid-call.
class transcript_relay {
public:
    transcript_relay() = default;
    transcript_relay(const transcript_relay&) = delete;
    transcript_relay& operator=(const transcript_relay&) = delete;
    virtual ~transcript_relay() = default;
    virtual void added(const transcript_entry& entry) = 0;
    virtual void held() = 0;
    virtual void released() = 0;
    virtual void handedBack(std::uint64_t serial) = 0;
};

class transcript {
public:
    // The writer must outlive the transcript (or its last entry).
    void attach(transcript_writer& writer);
    // Every operation from now on also goes to relay, which must outlive the transcript.
    void relayTo(transcript_relay& relay) { relayed = &relay; }
    // Adds an entry; returns its serial number (never 0). An entry without a line of its own
    // gets the current scenario line.
    std::uint64_t add(transcript_entry entry);
    // The scenario line being carried out from now on (0: none); set by the scenario runner.
    void atLine(int line) { currentLine = line; }
    int line() const { return currentLine; }
    // Entries added from now on wait until the matching release().
    void hold();
    void release();
    // Writes every held entry now, whatever holds are open: the call that held them will never
    // return (its process died).
    void releaseAll();
    // Marks the held command entry with this serial as handed back; false when it was written.
    // Without a listener there is nothing to mark: true.
    bool markHandedBack(std::uint64_t serial);
    // True when an entry goes anywhere: a writer is attached or a relay sees it. Without either,
    // add() keeps nothing (it only numbers the entry), so callers may skip composing entries.
    bool listening() const { return !writers.empty() || relayed != nullptr; }

private:
    void write(const transcript_entry& entry);

    std::vector<transcript_writer*> writers;
    transcript_relay* relayed = nullptr;
    std::vector<std::pair<std::uint64_t, transcript_entry>> held;
    int holds = 0;
    std::uint64_t nextSerial = 1;
    int currentLine = 0;
};
