// scenario_runner: carries out scenario steps on an emulator and checks the expectations.
//
// Each action step is handed to the emulator, which settles before it returns; the views of the
// desks and the routers follow every action. Each expectation is checked against what the host
// holds (the routers, the controls of the current desk's layout, the commands and violations of
// the last action) and written to the transcript as met or failed, with what was found instead.
// An action that cannot be carried out (no such control, no such router, a closed desk) is
// reported and counts as a failure, unless an "expect refused" right after it claims it.
//
// runScenario() plays a whole scenario on a fresh emulator: creates the desks, runs the steps,
// deletes the panels and writes a summary line. Every transcript entry is stamped with the
// scenario line whose step led to it, and what failed is kept with its line (scenario_failure),
// so that a report can point at the line; the coverage of the layouts is gathered on the way.
//
// Whether a scenario passed, and what counts as its failures, is decided here and nowhere else:
// failed expectations, actions not carried out that no "expect refused" claimed, and contract
// violations that no "expect violation" claimed.
#pragma once

#include "emulator.h"
#include "scenario_coverage.h"
#include "scenario_parser.h"
#include "transcript.h"

#include <string>

// One thing that failed a scenario: its line (0: none, such as the start-up or the deletion of
// the panels at the end) and one line saying what failed, as the transcript says it.
struct scenario_failure {
    int line = 0;
    std::string message;
    std::string kind; // "expectation", "not-carried-out", or the violation's id
};

// An expectation's outcome: met, or what was found instead.
struct expectation_check {
    bool met = false;
    std::string found;
};

class scenario_runner {
public:
    scenario_runner(emulator& target, transcript& output) : host(target), record(output) {}

    void run(const scenario_step& step);

    int met() const { return passed; }
    int failed() const { return failures; }
    // Actions that could not be carried out (no such control, router, desk).
    int notCarriedOut() const { return problems; }
    int currentDesk() const { return deskNumber; }
    // Failed expectations and unclaimed actions not carried out, in the order they came.
    const std::vector<scenario_failure>& failuresFound() const { return failing; }
    // What the steps reached of the layouts the desks show (commands and messages are the
    // run log's: runScenario adds them).
    const scenario_coverage& coverage() const { return reach; }
    // Every layout the desks show now counts in the coverage, reached or not.
    void noteLayouts();

    // Checks an expectation against the desk deskNumber as run() would, but writes nothing and
    // counts nothing: for a tool that keeps an expectation only when it holds. "expect refused"
    // and "expect violation" claim what they find, so only run() checks them (here: not met).
    expectation_check check(const scenario_step& step, int deskNumber) const;

private:
    void action(const scenario_step& step);
    // host answers ...: how the host answers from now on; not an action.
    void answers(const scenario_step& step);
    // An expectation's text with "{panel_path}" replaced by the panel path.
    std::string expand(const std::string& text) const;
    void expect(const scenario_step& step);
    expectation_check checkCommands(const scenario_step& step, int onDesk) const;
    // Writes and counts an expectation's outcome.
    void verdict(const scenario_step& step, const expectation_check& outcome);
    void cannot(const std::string& problem);
    // The control of the desk onDesk; file gets the file of the layout that holds it.
    const layout_control* control(int onDesk, const std::string& name, std::string& problem,
                                  std::string& file) const;

    emulator& host;
    transcript& record;
    int deskNumber = 1;
    // The last action: its answer, if it was a query (none: null), and whether it was refused and
    // that refusal not yet claimed.
    bool lastWasQuery = false;
    std::optional<std::string> lastAnswer;
    bool lastRefused = false;
    int passed = 0;
    int failures = 0;
    int problems = 0;
    std::vector<scenario_failure> failing;
    std::optional<std::size_t> lastProblem; // in failing: the last action's, until claimed
    scenario_coverage reach;
};

// What a whole scenario run needs besides the scenario itself.
struct scenario_setup {
    facility plant;
    layout_store layouts;
    emulator_options options;
    int defaultDesks = 1;    // when the scenario has no "panels" line
    std::string description; // the banner's description of plug-in and facility
};

struct scenario_outcome {
    int met = 0;
    int failed = 0;
    int notCarriedOut = 0;
    std::size_t violations = 0; // contract violations no expectation claimed
    bool passed() const { return failed == 0 && notCarriedOut == 0 && violations == 0; }
    // Everything that failed it, by line; the violations at the end (the panels' deletion) last.
    std::vector<scenario_failure> failures;
    scenario_coverage coverage;
};

// The summary line of a scenario: "NAME: passed, 3 expectations met, 0 failed, 0 contract
// violations".
std::string summaryText(const std::string& name, const scenario_outcome& outcome);

// Where the lines at the top of play that say how the host answers ("host answers ...", with the
// comments among them) end, from step from on: they are carried out before the desks are created,
// so that they hold for the start-up conversation too. from when there are none.
std::size_t hostOpening(const scenario& play, std::size_t from);

// Plays the scenario; name is how the banner and the summary call it. The host answers given at
// its top (hostOpening) hold from the start-up on. A runaway panel ends it
// early, failed. Throws plugin_error when the plug-in cannot be loaded or gives no panel, and
// run_halted when a layout the panel shows cannot be read.
scenario_outcome runScenario(const scenario& play, const std::string& name,
                             const scenario_setup& setup, transcript& record);
