// scenario_parser: the scenario language, a run of operator actions and expectations, and its
// reader.
//
// The language is line based; "#" starts a comment (outside double quotes), blank lines are
// skipped; a line that is all comment is narration, carried into the transcript for its readers
// (except "# exit status: N", which only the golden tests read); words are separated by spaces, and
// a text with spaces goes in double quotes (\" and
// \\ inside). Actions act on the current desk (desk 1 until a "desk" line changes it):
//
//   panels 2                          how many desks share the facility (before any other line)
//   desk 2                            the following lines act on desk 2
//   select 5 [in LIST]                the operator picks item 5 of a list (default: the first)
//   select "Studio A" [in LIST]       ... or the item with this text
//   click Take                        the operator clicks a control
//   wait 3s | wait 1500ms | wait 2.5s the clock moves on; ticks and revertives fall due
//   route ROUTER DEST SOURCE          someone else makes a crosspoint: the panels hear of it
//   revertive ROUTER DEST SOURCE      the router reports a source without routing it
//   query "return=all"                the host asks the panel a property query
//   view                              shows the views again
//
// Expectations (checked on the current desk; a failed one fails the run):
//
//   expect crosspoint ROUTER DEST = SOURCE     the router carries SOURCE at DEST
//   expect enabled CONTROL | expect disabled CONTROL
//   expect property CONTROL NAME = VALUE       the control's property as the host holds it
//   expect [no] command [starting] "TEXT"      a command the desk sent during the last action
//   expect violation ID                        a contract violation during the last action,
//                                              which then does not fail the run
//
// ROUTER is a device name in quotes or a device number.
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
        view,
        expectCrosspoint,
        expectEnabled,
        expectProperty,
        expectCommand,
        expectViolation,
    };

    kind what = kind::view;
    int line = 0;
    std::string text; // the line as written, without its comment; a comment's text

    std::int64_t number = 0; // desk, item index, milliseconds
    std::string name;        // control, item text, query text, router, command text
    std::string list;        // select: the list named with "in"
    std::string property;    // expect property
    std::string value;       // expect property
    std::int32_t destination = 0;
    std::int32_t source = 0;
    bool continues = false; // a comment directly below another comment line
    bool enabled = true;    // expect enabled/disabled
    bool negated = false;   // expect no command
    bool prefix = false;    // expect command starting
    violation_kind violation = violation_kind::malformedCommand;
};

struct scenario {
    std::string origin;        // the file, for messages
    std::optional<int> panels; // from a "panels" line
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

// Reads one line for the interactive shell: nothing for a blank or comment line; throws
// scenario_error. A "panels" line is refused there (the desks exist already).
std::optional<scenario_step> parseScenarioLine(const std::string& line, const std::string& origin,
                                               int number);
