// session_recorder: the served session kept as lines of the scenario language, and turned into a
// scenario file that `zeth-host run` plays to the same state.
//
// The session is what the desks have been through since they started: the lines played at the
// start (the opening scenarios, or a saved scenario played up to a chosen line), then every line
// the page or the line box carried out, and every expectation that held. The clock is kept as
// "wait" lines: before each line, the time since the line before (to the millisecond), so that a
// replay on the virtual clock reaches each action at the clock time it had live, on the wall
// clock too. A line acts on the desk it names by number; a "desk N" line is written before it
// whenever that differs from the desk of the line before, so that every line of the scenario acts
// where it acted live (and the line box's desk follows). Host answers said live before any other
// action of the session come after a "desk" line too: a scenario's reader would otherwise take
// them as holding for the start-up, which they did not.
//
// The session is bounded: past lineLimit lines nothing more is kept (full() says so), the desks
// go on.
//
// Called on the emulator's thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The session as a reload takes it: its version (which grows with every line kept) and its
// scenario text, replayed up to the clock's present.
struct session_snapshot {
    std::uint64_t version = 0;
    std::string text;
    std::size_t lines = 0;
};

// What a session's scenario file says besides its lines.
struct session_setting {
    int desks = 1;
    std::string facilityFile; // the facility file serve reads; empty: the built-in facility
};

class session_recorder {
public:
    static constexpr std::size_t lineLimit = 100000;

    explicit session_recorder(session_setting setting = {}) : setup(std::move(setting)) {}

    // The desks started afresh and played these lines (taken as they are: comments, "desk" and
    // "wait" lines included). deskNumber is the desk the scenario language acts on after them,
    // at the clock time after them. desks: how many desks there are.
    void begin(std::vector<std::string> played, int desks, int deskNumber, std::int64_t at);
    // A line carried out on deskNumber (0: on no desk in particular, such as a route), that began
    // at clock time at. False when it was not kept: the session is full, or the line holds a line
    // break (which no scenario line can).
    bool add(const std::string& line, int deskNumber, std::int64_t at);
    // A wait of the given length, as the line says it ("wait 3s"), that began at clock time at:
    // the clock is at at + milliseconds after it.
    bool addWait(const std::string& line, std::int64_t milliseconds, std::int64_t at);
    // An action the host refused (a click on a disabled control, no such control): it changed
    // nothing, so it is kept only when the next line claims the refusal.
    void addRefused(const std::string& line, int deskNumber, std::int64_t at);
    // An "expect refused" or "expect violation" that held: kept, after the refused action it
    // claims if there is one.
    bool addClaim(const std::string& line, int deskNumber, std::int64_t at);

    // The lines kept so far, "desk" and "wait" lines included, without the file's heading.
    const std::vector<std::string>& lines() const { return kept; }
    bool full() const { return kept.size() >= lineLimit; }
    // A refused action waits for the expectation that would claim it.
    bool refusedPending() const { return refused.has_value(); }
    int desks() const { return setup.desks; }
    // Grows with every change of the lines (begin, and every line kept).
    std::uint64_t version() const { return changes; }
    // The clock time of the latest line.
    std::int64_t lastTime() const { return latest; }

    // The session as a scenario file: the heading's lines as comments, the "panels" line, the
    // "facility" line when the facility is a file (relative to folder, where the file will be;
    // folder empty: by its absolute path), the lines, and a "wait" up to until when that is
    // later than the latest line (so that a replay reaches the desks' present).
    std::string scenarioText(const std::vector<std::string>& heading, const std::string& folder,
                             std::optional<std::int64_t> until = std::nullopt) const;

private:
    struct line_at {
        std::string line;
        int deskNumber = 0;
        std::int64_t at = 0;
    };
    bool keep(const line_at& next);
    void waitUntil(std::int64_t at);

    session_setting setup;
    std::vector<std::string> kept;
    int deskNumber = 1;
    std::int64_t latest = 0;
    std::optional<line_at> refused; // a refused action not yet claimed
    std::uint64_t changes = 0;
};

// "wait 3s" for whole seconds, else "wait 1500ms".
std::string waitLine(std::int64_t milliseconds);

// The lines of what the page does, as the scenario language writes them.
std::string clickLine(const std::string& control); // click Dest_2
// select 5 in Sources # Studio A   (the item's text, when it has one, as a comment)
std::string selectLine(std::int32_t index, const std::string& list, const std::string& itemText);
// route "R7 SDI Router" 102 5   (router: the device's name, or its number when it has none)
std::string routeLine(const std::string& router, std::int32_t destination, std::int32_t source);
// expect crosspoint "R7 SDI Router" 102 = 5
std::string crosspointExpectation(const std::string& router, std::int32_t destination,
                                  std::int32_t source);
// expect enabled Take | expect disabled Take
std::string enabledExpectation(const std::string& control, bool enabled);
// expect property Take statesheet = KX_TakeLow
std::string propertyExpectation(const std::string& control, const std::string& property,
                                const std::string& value);
// expect commands "ET 1" "CD '1' 'Take'"
std::string commandsExpectation(const std::vector<std::string>& texts);
