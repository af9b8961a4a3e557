// run_log: what happened in a run that expectations ask about: every command each desk sent and
// every contract violation, each stamped with the operator action during which it happened.
//
// Reporting a violation also writes it to the transcript. An "expect violation ID" claims one
// matching violation of the current action, which then no longer counts against the run.
#pragma once

#include "contract_checker.h"
#include "transcript.h"
#include "virtual_clock.h"

#include <cstdint>
#include <string>
#include <vector>

struct logged_command {
    int deskNumber = 0;
    std::int64_t time = 0;
    std::uint64_t action = 0;
    std::string text;
};

struct logged_violation {
    int deskNumber = 0;
    std::int64_t time = 0;
    std::uint64_t action = 0;
    violation what;
    bool expected = false;
};

class run_log {
public:
    run_log(transcript& output, const virtual_clock& runClock) : record(output), clock(runClock) {}

    // A new operator action begins: "since the last action" starts here.
    void beginAction();
    void command(int deskNumber, const std::string& text);
    void report(int deskNumber, const violation& what);

    // Commands of desk (0: of every desk) sent since the current action began. Only the current
    // action's commands are kept, so a long run costs no more per command than a short one.
    std::vector<const logged_command*> commandsOfAction(int deskNumber) const;
    // Claims the first unclaimed violation of this kind in the current action; false if none.
    bool claimViolation(violation_kind kind);
    // Violations that no expectation claimed.
    std::size_t unexpectedViolations() const;
    const std::vector<logged_violation>& violations() const { return reported; }

private:
    transcript& record;
    const virtual_clock& clock;
    std::uint64_t action = 0;
    std::vector<logged_command> sent; // of the current action only
    std::vector<logged_violation> reported;
    std::size_t firstOfAction = 0; // the current action's first violation in reported
};
