// run_log: what happened in a run that expectations ask about: every command each desk sent and
// every contract violation, each stamped with the operator action during which it happened.
//
// Reporting a violation also writes it to the transcript. An "expect violation ID" claims one
// matching violation of the current action, which then no longer counts against the run.
#pragma once

#include "contract_checker.h"
#include "transcript.h"
#include "virtual_clock.h"

#include <array>
#include <cstdint>
#include <map>
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
    int line = 0; // the scenario line being carried out (transcript::line)
};

class run_log {
public:
    run_log(transcript& output, const virtual_clock& runClock) : record(output), clock(runClock) {}

    // A new operator action begins: "since the last action" starts here.
    void beginAction();
    void command(int deskNumber, const std::string& text);
    void report(int deskNumber, const violation& what);
    // A message of this code reached a panel (the desk says so for each call it makes).
    void delivered(int code);

    // Commands of desk (0: of every desk) sent since the current action began. Only the current
    // action's commands are kept, so a long run costs no more per command than a short one.
    std::vector<const logged_command*> commandsOfAction(int deskNumber) const;
    // Claims the first unclaimed violation of this kind in the current action; false if none.
    bool claimViolation(violation_kind kind);
    // Violations that no expectation claimed.
    std::size_t unexpectedViolations() const;
    const std::vector<logged_violation>& violations() const { return reported; }

    // Every command of the run so far, counted by its first two characters ("RC"), and every
    // message delivered, counted by code: what a coverage report lists. Counting costs an
    // increment, so a long run pays nothing for it.
    std::map<std::string, std::int64_t> commandCounts() const;
    std::map<int, std::int64_t> deliveryCounts() const { return deliveries; }

private:
    transcript& record;
    const virtual_clock& clock;
    std::uint64_t action = 0;
    std::vector<logged_command> sent; // of the current action only
    std::vector<logged_violation> reported;
    std::size_t firstOfAction = 0; // the current action's first violation in reported
    // By two capital letters, 26 * 26 of them; any other start of a command counts as "other".
    std::array<std::int64_t, 26 * 26> byName{};
    std::int64_t otherCommands = 0;
    std::map<int, std::int64_t> deliveries;
};
