// live_desks: the desks the page works, with their session: the emulator, the scenario language
// on it, and the session recorder (session_recorder.h).
//
// The desks are made on the virtual clock, play what they start with (the opening scenarios, a
// session replayed on a new build, a saved scenario up to a chosen line) as fast as the panels
// answer, and then, when serve runs on the wall clock, follow it from where that play ended. So
// the same start is reached the same way whichever way the desks are made. They can be made
// anew: on another build of the plug-in (a reload) or from a saved scenario (play to here); the
// new desks are made and played first, and only then do the desks before them close, so that a
// play that cannot be finished leaves the desks as they were.
//
// What is recorded: every line of the scenario language carried out (not "view", "help" or "desk"
// lines: the desk is recorded with the next line), every expectation that holds (one that does
// not is shown and not kept), each action the page carried out (carriedOut) and each step of the
// clock (waited). An action the host refused is kept only with the expectation that claims it.
// On the wall clock, an expectation follows its action without a wait unless ticks or revertives
// came in between; then an expectation of what the last action did (its commands, its answer) is
// not kept, since in a replay the wait would be the last action.
//
// Called on the emulator's thread only. The transcript and the messages stream must outlive it.
#pragma once

#include "emulator.h"
#include "scenario_parser.h"
#include "scenario_runner.h"
#include "session_recorder.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

// The outcome of one line of the scenario language.
struct line_outcome {
    enum class verdict { done, unparsable, notCarriedOut };
    verdict what = verdict::done;
    std::string message; // why not, one line; or what the line answered
};

struct live_setup {
    facility plant;
    layout_store layouts;
    emulator_options options; // realtime: the desks follow the wall clock once started
    int desks = 1;            // when what they start with has no "panels" line
    std::vector<scenario> openings;
    std::string facilityFile; // the facility's file, for the session's "facility" line
};

class live_desks {
public:
    live_desks(live_setup setup, transcript& record, std::ostream& messages);
    live_desks(const live_desks&) = delete;
    live_desks& operator=(const live_desks&) = delete;

    // The emulator of the desks now; before start() one without desks. A rebuild replaces it: a
    // reference is good until the next start(), rebuild() or playTo().
    emulator& host() { return *desks; }
    const emulator& host() const { return *desks; }
    int currentDesk() const { return runner ? runner->currentDesk() : 1; }
    const session_recorder& session() const { return recorded; }
    // The session as a reload replays it: up to the clock's present.
    session_snapshot snapshot() const;
    // The facility's file (for the session's "facility" line); empty: the built-in facility.
    const std::string& facilityFile() const { return setup.facilityFile; }
    // The plug-in file the desks run (a build's copy while serve watches the plug-in).
    const std::string& pluginFile() const { return setup.options.pluginPath; }

    // The plug-in file the next start() loads.
    void usePlugin(const std::string& pluginFile) { setup.options.pluginPath = pluginFile; }
    // Makes the desks and plays the openings, with which the session begins. Throws as
    // emulator::start does (plugin_error, run_halted), and scenario_error.
    void start();
    // Carries out one line of the scenario language on the current desk, and keeps it in the
    // session as said above.
    line_outcome line(const std::string& text);
    // An action the page carried out, as its scenario line, on deskNumber (0: on no desk), begun
    // at clock time at; refused: the host refused it (a disabled control).
    void carriedOut(const std::string& line, int deskNumber, std::int64_t at, bool refused);
    // The page's step of the virtual clock, begun at clock time at.
    void waited(std::int64_t milliseconds, std::int64_t at);
    // An expectation pointed at on deskNumber: checked there without writing anything; when it
    // holds it is run (the transcript shows it met) and kept. Returns why it was not kept (what
    // was found instead); nothing when it was. Throws scenario_error when the line does not parse.
    std::optional<std::string> expect(const std::string& line, int deskNumber);

    // The desks made anew on pluginFile, playing text (a scenario: its "panels" line says how
    // many desks, its "facility" line is not read: the facility is the desks' own); the session
    // stays as it is. Throws (std::exception) when that cannot be done: the desks stay as they
    // were.
    void rebuild(const std::string& pluginFile, const std::string& text);
    // The desks made anew from a saved scenario's text, played up to its line upTo; the session
    // then is those lines (without the file's "panels" and "facility" lines and the heading a
    // recorded session has), and recording goes on from there. Throws as rebuild().
    void playTo(const std::string& text, const std::string& origin, int upTo);

private:
    void play(const std::string& pluginFile, const scenario& played);
    void keep(const scenario_step& step, int deskNumber, std::int64_t at, bool carried, bool held,
              bool refusedByHost);
    // The clock time an expectation is kept at: now when ticks or revertives have come in since
    // the last line kept (a replay must wait for them too), else that line's time, so that no
    // wait (an action of its own) comes between the last action and what is expected of it.
    std::int64_t expectationTime(std::int64_t now) const;
    // Why an expectation of what the last action did (its commands, its answer, its refusal)
    // cannot be kept now, if it cannot: the clock's own deliveries came after it, and a replay
    // would wait for them in an action of its own; or the last action was refused, and the session
    // does not have it.
    std::optional<std::string> lastActionUnkept(const scenario_step& step, std::int64_t now) const;

    live_setup setup;
    transcript& record;
    std::ostream& messages;
    std::unique_ptr<emulator> desks;
    std::unique_ptr<scenario_runner> runner;
    session_recorder recorded;
    std::optional<std::int64_t> dueAfterLast; // the first delivery due after the last line kept
    std::int64_t lastActionEnd = 0;           // the clock time the last action ended
    int lineNumber = 0;                       // of the line box, for its messages
};

// The first lines of a recorded session's file that zeth-host wrote itself: "# zeth-host serve:".
bool recordedHeadingLine(const std::string& line);
