// validation_run: "zeth-host validate": runs the checks of plugin_checks.h on one plug-in, each
// in a process of its own under the supervisor, and reports them.
//
// A check whose process dies by a signal or ends itself is crashed, one whose call into the
// plug-in outlasts the time limit is timed-out (the process is killed), and the next check runs
// regardless. When the random operator session fails, its actions up to the failing one, which
// is the shortest failing prefix of a session that replays the same, are saved as a scenario file
// and replayed once more in a fresh process to show that they fail again; the check's reason
// names the file and the command that replays it.
//
// A configuration (validation_config.h) skips checks, each with its reason, and gives checks
// their own time limit. With repeat N the operator session runs with the seeds seed to
// seed + N - 1, and each failing seed is reported with its saved scenario.
//
// Output: one line per check as it finishes ("OUTCOME  ID  REASON"; with onlyFailed, none for a
// check that passed), below operator-session's line one line per failing seed when it repeats,
// then a summary and, when checks were skipped, one line saying how many, why and what to do: a
// skipped check checked nothing, which must not pass for a pass. With json the lines go to
// progress instead and report gets one JSON document at the end:
//   {"plugin", "facility", "panel_path", "seed", "messages", "timeout",
//    "checks": [{"id", "outcome", "reason", "seconds", "scenario"}],   scenario: a path or null
//    "counts": {"passed", "failed", "skipped", "warning", "crashed", "timed-out"}, "status"}
// With repeat above 1, operator-session's entry also has "sessions": [{"seed", "outcome",
// "reason", "scenario"}], one per seed. Then, as asked: a JUnit report (one testcase per check)
// and an annotation line of the GitHub CI system per check that failed or warned (on progress
// with json, else on report).
//
// Called by the command line on the program's main thread, with no other threads running (it
// forks). The exit status: 0 when no check failed, crashed or timed out (nor, with strict, was
// skipped), 1 otherwise. The scenario folder is made first when it does not exist. Problems
// that keep the run from starting (no plug-in file, an unknown id, a folder that cannot be made
// or written) throw validation_error before any check runs: status 2.
#pragma once

#include "plugin_checks.h"
#include "validation_config.h"

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

class validation_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct validation_request {
    validation_settings settings;
    std::vector<std::string> only; // the ids of the checks to run; empty: every check
    bool json = false;
    std::string scenarioFolder = "."; // where a failing session's scenario file goes
    validation_config config;         // skips and per-check time limits
    std::int64_t repeat = 1;          // seeds of the operator session
    bool onlyFailed = false;
    std::string junitFile; // empty: no JUnit report
    bool githubReport = false;
    bool strict = false; // a skipped check fails the run
};

int runValidation(const validation_request& request, std::ostream& report, std::ostream& progress);

// One check with exactly these settings, in a supervised process of its own, and its line on
// report: the way a check's process reaches its work where it is this program started again
// (validate --check ID, with --session-file and --replay-file for the operator session). Returns
// 1 when the check failed, crashed or timed out, else 0; an unknown id throws validation_error.
int runOneCheck(const validation_settings& settings, const std::string& id, std::ostream& report);

// Every check's id and description, one a line, for --list.
std::string checkListing();
