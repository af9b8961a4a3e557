// run_log: what happened in a run that expectations ask about: the commands each desk sent, the
// lines it wrote as debug output, and every contract violation, each stamped with the operator
// action during which it happened.
//
// "The last action" of a desk is the latest action that was on that desk, or on the whole host
// (time passing, a router's change), or during which the host called that desk's panel (a
// revertive from another desk's Take); before any of those, the desk's creation. Only the
// commands and debug lines of each desk's last action are kept, so a long run costs no more per
// command than a short one.
//
// Reporting a violation also writes it to the transcript. An "expect violation ID" claims one
// matching violation of the desk's last action, which then no longer counts against the run.
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

    // A new action begins, on desk deskNumber (0: on the whole host, so on every desk).
    void beginAction(int deskNumber);
    // The host calls desk's panel: the current action is now also that desk's last action.
    void deskCalled(int deskNumber);
    void command(int deskNumber, const std::string& text);
    void debugLine(int deskNumber, const std::string& text);
    void report(int deskNumber, const violation& what);
    // A message of this code reached a panel (the desk says so for each call it makes).
    void delivered(int code);

    // Commands of the desk's last action (0: of the current action, every desk's).
    std::vector<const logged_command*> commandsOfAction(int deskNumber) const;
    // The debug lines the desk wrote during its last action.
    const std::vector<std::string>& debugOfAction(int deskNumber) const;
    // Claims the first unclaimed violation of this kind in the desk's last action (one of that
    // desk, or of no desk); false if none.
    bool claimViolation(int deskNumber, violation_kind kind);
    // Violations that no expectation claimed.
    std::size_t unexpectedViolations() const;
    const std::vector<logged_violation>& violations() const { return reported; }

    // Every command of the run so far, counted by its first two characters ("RC"), and every
    // message delivered, counted by code: what a coverage report lists. Counting costs an
    // increment, so a long run pays nothing for it.
    std::map<std::string, std::int64_t> commandCounts() const;
    std::map<int, std::int64_t> deliveryCounts() const { return deliveries; }

private:
    // What one desk did during its last action.
    struct desk_action {
        std::uint64_t action = 0;
        std::vector<logged_command> sent;
        std::vector<std::string> debug;
    };
    // The desk's record, made current: emptied when its last action is older than the host's.
    desk_action& current(int deskNumber);
    std::uint64_t lastActionOf(int deskNumber) const;

    transcript& record;
    const virtual_clock& clock;
    std::uint64_t action = 0;
    std::uint64_t hostAction = 0;   // the latest action on the whole host
    std::vector<desk_action> desks; // by desk number; element 0 unused
    std::vector<logged_violation> reported;
    // By two capital letters, 26 * 26 of them; any other start of a command counts as "other".
    std::array<std::int64_t, 26 * 26> byName{};
    std::int64_t otherCommands = 0;
    std::map<int, std::int64_t> deliveries;
};
