// plugin_checks: the battery of checks that "zeth-host validate" runs on a panel plug-in, each
// with a stable id (part of the interface: ids never change meaning) and a one-line description.
//
// A check's run() is called in a process of its own (validation_run forks it through the
// supervisor), on that process's only thread, with the call monitor that tells the supervisor
// which call into the plug-in is in progress: a crash or a hang then becomes the check's outcome
// (crashed, timed-out) without the check seeing it. run() says what it found; an exception from
// it (plugin_error: the library cannot be loaded or gives no panel) is a failed check. Checks
// other than closing-notice leave the panel undeleted when they end, so that a fault in the
// destructor is reported once, under closing-notice.
#pragma once

#include "call_monitor.h"
#include "check_outcome.h"
#include "facility.h"
#include "layout_store.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct validation_settings {
    std::string pluginFile;   // the plug-in to check
    facility plant;           // the facility it is checked against
    std::string facilityFile; // where plant was read from; empty: the built-in facility
    layout_store layouts;     // the built-in layouts
    std::string panelPath;    // handed to the factory; empty: the facility's
    std::uint64_t seed = 1;
    std::int64_t messages = 10000;           // operator actions in the random session
    double timeout = 10.0;                   // seconds one call into the plug-in may take
    std::string timeoutSource = "--timeout"; // where timeout was set, for the report of a hang
    double slowMessage = 0.010;              // seconds one message may keep the host's thread
    std::int32_t shortestTimer = 10;         // milliseconds: a shorter interval no host can keep
    // operator-session: the scenario file the session is written to, line by line as it is
    // played, so that it holds the session up to the failing action whatever ends the process.
    std::string sessionFile;
    // operator-session: replay this scenario file instead of playing a random session.
    std::string replayFile;
    // This program's options that name the plug-in, the facility and the panel path, as
    // arguments: what a check's process, where it is this program started again, is given before
    // the check's own (supervision::restart).
    std::vector<std::string> restart;
};

struct plugin_check {
    std::string_view id;
    std::string_view description;
    check_finding (*run)(const validation_settings& settings, call_monitor& calls);
};

// Every check, in the order validate runs them.
const std::vector<plugin_check>& pluginChecks();
// The check with this id; null when there is none.
const plugin_check* checkNamed(std::string_view id);

// The id of the random operator session, which validation_run saves and replays on a failure.
constexpr std::string_view operatorSessionId = "operator-session";
