// scenario_parser: the scenario language, a run of operator actions and expectations, and its
// reader.
//
// The language is described once, in scenario_language.h. It is line based; "#" starts a comment
// (outside double quotes), blank lines are skipped; a line that is all comment is narration,
// carried into the transcript for its readers (except "# exit status: N", which only the golden
// tests read); words are separated by spaces, and a text with spaces goes in double quotes (\" and
// \\ inside). Actions act on the current desk (desk 1 until a "desk" line changes it):
//
//   panels 2                          how many desks share the facility (opening lines only)
//   facility "plant/facility.toml"    the scenario's own facility file, relative to the scenario
//                                     file (opening lines only): its layouts and its panel path
//   host answers "SD 'R7 SDI Router'" with "12 34" [once]
//   host answers starting "TG '1'" with null [once]
//                                     the host answers that command (or each one beginning so)
//                                     with this reply, or null, from now on (once: the next one
//                                     only); at the top of a file, before any action, also the
//                                     start-up conversation
//   host answers normally             every command gets the host's own reply again
//   desk 2                            the following lines act on desk 2
//   select 5 [in LIST]                the operator picks item 5 of a list (default: the first)
//   select "Studio A" [in LIST]       ... or the item with this text
//   click Take [anyway]               the operator clicks a control (anyway: the host delivers
//                                     the click even when the control is disabled)
//   wait 3s | wait 1500ms | wait 2.5s the clock moves on; ticks and revertives fall due
//   route ROUTER DEST SOURCE          someone else makes a crosspoint: the panels hear of it
//   revertive DEVICE DEST SOURCE      the device reports a source, any 32-bit numbers, without
//                                     routing it
//   query "return=all"                the host asks the panel a property query
//   tick 2                            the host delivers a tick of timer 2, running or not
//   event "2" "Take" "click"          the host delivers a control event of any panel, control
//                                     and message
//   message 6 "TEXT" | message 7 "TEXT"  the host delivers message 6 or 7 with a text
//   close                             the host deletes the desk's panel; later actions on the
//                                     desk are refused
//   view                              shows the views again
//
// Expectations (checked on the current desk; a failed one fails the run). "The last action" is
// the desk's last action (run_log.h); before any, the desk's creation, so its start-up
// conversation can be checked by expectations before any action on it. "{panel_path}" in an
// expectation's text (and in a host answer's command text) stands for the panel path the host gave
// the factory:
//
//   expect crosspoint ROUTER DEST = SOURCE     the router carries SOURCE at DEST
//   expect enabled CONTROL | expect disabled CONTROL
//   expect property CONTROL NAME = VALUE       the control's property as the host holds it
//   expect [no] command [starting] "TEXT"      a command the desk sent during the last action
//   expect commands "T1" "T2" ...              the desk's commands of the last action, all of
//                                              them, in this order
//   expect commands first|last|including "T1" ...
//                                              ... begin with, end with or hold this run of them
//   expect commands none                       the desk sent nothing during the last action
//   expect [no] debug [starting] "TEXT"        a line the panel wrote as debug output during the
//                                              last action
//   expect no debug                            ... none at all
//   expect answer null | expect answer "TEXT"  the panel's answer to the last action, a query
//   expect timers N                            the desk runs N timers
//   expect refused                             the last action was refused (no such desk or
//                                              control, a closed desk): claims that refusal,
//                                              which then does not fail the run
//   expect violation ID                        a contract violation during the last action,
//                                              which then does not fail the run
//
// ROUTER is a device name in quotes or a device number; so is DEVICE, which need not be a router.
#pragma once

#include "violation_kind.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct scenario_step {
    enum class kind {
        comment,
        desk,
        select,
        selectNamed,
        click,
        wait,
        route,
        revertive,
        query,
        tick,
        event,
        message,
        hostAnswers,
        hostAnswersNormally,
        close,
        view,
        expectCrosspoint,
        expectEnabled,
        expectProperty,
        expectCommand,
        expectCommands,
        expectDebug,
        expectAnswer,
        expectTimers,
        expectRefused,
        expectViolation,
    };

    kind what = kind::view;
    int line = 0;
    std::string text; // the line as written, without its comment; a comment's text

    std::int64_t number = 0; // desk, item index, milliseconds, timers, timer id, message code
    std::string name; // control, item text, query text, router, command text, debug or message text
    std::string list; // select: the list named with "in"
    std::string property; // expect property
    std::string value;    // expect property; host answers: the reply
    std::int32_t destination = 0;
    std::int32_t source = 0;
    bool continues = false; // a comment directly below another comment line
    bool enabled = true;    // expect enabled/disabled
    bool negated = false;   // expect no command, expect no debug
    bool prefix = false;    // expect command starting, expect debug starting, host answers starting
    bool once = false;      // host answers ... once
    bool anyway = false;    // click ... anyway
    violation_kind violation = violation_kind::malformedCommand;

    // expect commands: where the run of texts must stand among the last action's commands.
    enum class run_place { whole, first, last, including };
    run_place place = run_place::whole;
    std::vector<std::string> texts; // expect commands; event: panel, control, message
    bool null = false;              // expect answer null, host answers ... with null
};

// Whether a step of this kind is an expectation ("expect ..."), which checks and changes nothing
// on the desks; every other step but a comment, "desk" and "view" is an action.
bool isExpectation(scenario_step::kind what);

struct scenario {
    std::string origin;        // the file, for messages
    std::optional<int> panels; // from a "panels" line
    // From a "facility" line: the file as written, and as found from the working directory
    // (relative to the scenario file's folder).
    std::string facilityLine;
    std::string facilityFile;
    int facilityAt = 0; // its line
    std::vector<scenario_step> steps;
};

// Every problem of a scenario, one a line, each as "FILE:LINE: what was expected" (at most a
// screenful: see problem_list.h).
class scenario_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a whole scenario; throws scenario_error listing every line that is wrong.
scenario parseScenario(const std::string& text, const std::string& origin);
// Reads a scenario file through readTextFile (text_file.h): a byte-order mark is skipped; a file
// that is not a regular text file, a NUL byte or bytes that are not UTF-8 throw scenario_error.
scenario readScenarioFile(const std::string& path);

// text as one word of the language: in double quotes, with \" and \\ inside, so that the reader
// gives back exactly text. For tools that write scenario lines.
std::string quotedWord(const std::string& text);
// text as one word, bare where the reader takes it back whole (no space, quote, backslash or
// "#"), else quotedWord: "click Dest_2", "click \"CD '1' 'Take'\"".
std::string scenarioWord(const std::string& text);

// Reads one line for the interactive shell: nothing for a blank or comment line; throws
// scenario_error. A "panels" line is refused there (the desks exist already).
std::optional<scenario_step> parseScenarioLine(const std::string& line, const std::string& origin,
                                               int number);
