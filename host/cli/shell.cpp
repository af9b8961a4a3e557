#include "shell.h"

#include "console.h"
#include "scenario_language.h"
#include "timed_input.h"

#include <algorithm>
#include <chrono>
#include <iostream>

namespace {

// Reads lines from standard input, waiting at most a given time for the next one.
class line_reader {
public:
    enum class status { line, timeout, end };

    status next(int timeoutMs, std::string& line) {
        while (true) {
            const std::size_t newline = pending.find('\n');
            if (newline != std::string::npos) {
                line = pending.substr(0, newline);
                pending.erase(0, newline + 1);
                return status::line;
            }
            if (ended) {
                if (pending.empty()) {
                    return status::end;
                }
                line.swap(pending);
                pending.clear();
                return status::line;
            }
            char buffer[4096];
            const input_piece got = input.read(
                buffer, sizeof buffer,
                timeoutMs < 0 ? std::nullopt : std::optional(std::chrono::milliseconds(timeoutMs)));
            if (got.status == input_status::timedOut) {
                return status::timeout;
            }
            if (got.status == input_status::ended) {
                ended = true;
            } else {
                pending.append(buffer, got.count);
            }
        }
    }

private:
    timed_input input = timed_input::standardInput();
    std::string pending;
    bool ended = false;
};

bool interactive() {
    return standardInputIsTerminal();
}

// Carries out typed lines until the input ends or says quit; returns how many lines it rejected.
int readLines(emulator& host, scenario_runner& runner, bool realtime, std::ostream& prompts) {
    line_reader input;
    const bool prompting = interactive();
    int number = 0;
    int rejected = 0;
    bool prompted = false;
    while (true) {
        if (realtime) {
            // Deliver what fell due while waiting; the prompt then goes after it again.
            const auto due = host.nextDue();
            const std::int64_t wall = host.clock().wallTime();
            host.runUntil(wall);
            prompted = prompted && !(due && *due <= wall);
        }
        if (prompting && !prompted) {
            prompts << "zeth> " << std::flush;
            prompted = true;
        }
        int timeout = -1;
        if (realtime) {
            if (const auto due = host.nextDue()) {
                timeout = static_cast<int>(
                    std::clamp<std::int64_t>(*due - host.clock().wallTime(), 0, 60000));
            }
        }
        std::string line;
        const line_reader::status got = input.next(timeout, line);
        if (got == line_reader::status::timeout) {
            continue;
        }
        if (got == line_reader::status::end) {
            break;
        }
        prompted = false;
        ++number;
        if (realtime) {
            host.runUntil(host.clock().wallTime()); // the line happens now, not when we waited
        }
        const std::string word = line.substr(0, line.find_first_of(" \t\r"));
        if (word == "quit" || word == "exit") {
            break;
        }
        if (word == "help") {
            prompts << scenarioHelp();
            continue;
        }
        try {
            if (const auto step = parseScenarioLine(line, "input", number)) {
                runner.run(*step);
            }
        } catch (const scenario_error& error) {
            ++rejected;
            prompts << error.what() << '\n' << std::flush;
        }
    }
    return rejected;
}

// Without a panel (the plug-in could not be loaded) the language can still be read: help
// answers, quit or the end of the input ends, every other line is refused with the reason.
void readWithoutPanel(const std::string& why, std::ostream& prompts) {
    line_reader input;
    const bool prompting = interactive();
    while (true) {
        if (prompting) {
            prompts << "zeth> " << std::flush;
        }
        std::string line;
        if (input.next(-1, line) != line_reader::status::line) {
            return;
        }
        const std::string word = line.substr(0, line.find_first_of(" \t\r"));
        if (word == "quit" || word == "exit") {
            return;
        }
        if (word == "help") {
            prompts << scenarioHelp();
        } else if (!word.empty() && word[0] != '#') {
            prompts << "no panel to act on: " << why << '\n' << std::flush;
        }
    }
}

} // namespace

int runShell(const scenario_setup& setup, int desks, transcript& record, std::ostream& prompts) {
    emulator host(setup.plant, setup.layouts, setup.options, record);
    scenario_runner runner(host, record);
    int rejected = 0;
    try {
        try {
            host.start(desks);
        } catch (const plugin_error& error) {
            prompts << "zeth-host: " << error.what()
                    << "\nzeth-host shell: no panel to act on; help lists the scenario language, "
                       "quit ends\n"
                    << std::flush;
            readWithoutPanel(error.what(), prompts);
            return 2; // the run could not start
        }
        host.showViews();
        rejected = readLines(host, runner, setup.options.realtime, prompts);
    } catch (const run_halted& halted) {
        if (halted.reason().why != run_halt::cause::runaway) {
            throw;
        }
    }
    host.finish();
    // A typist sees a rejected line and types it again; from a pipe or a file it is a fault of
    // the input, which must fail the run.
    const bool inputHeld = rejected == 0 || interactive();
    const bool passed = runner.failed() == 0 && runner.notCarriedOut() == 0 &&
                        host.log().unexpectedViolations() == 0 && inputHeld;
    return passed ? 0 : 1;
}
