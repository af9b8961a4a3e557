// check_outcome: what one check of a plug-in came to, and the words for it.
//
// The outcome names ("passed", "timed-out") are part of validate's interface: people read them on
// the line of each check and tools read them in the JSON document, so they never change.
#pragma once

#include <string>
#include <string_view>

enum class check_outcome {
    passed,
    failed,   // the plug-in broke a rule of the host contract
    skipped,  // the check could not apply (no layout to act on, no export table to read)
    warning,  // allowed, but worth the author's attention
    crashed,  // the plug-in's process died by a signal or ended itself
    timedOut, // a call into the plug-in did not return within the time limit
};

// "passed", "failed", "skipped", "warning", "crashed", "timed-out".
std::string_view outcomeName(check_outcome outcome);
// Whether the outcome makes the whole run fail (exit status 1): failed, crashed, timed-out.
bool outcomeFailsRun(check_outcome outcome);

// One check's finding: the outcome and one line saying why.
struct check_finding {
    check_outcome outcome = check_outcome::passed;
    std::string reason;
};
