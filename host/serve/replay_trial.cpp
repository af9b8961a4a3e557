#include "replay_trial.h"

#include "child_program.h"
#include "platform_error.h"
#include "text_file.h"
#include "violation_kind.h"

#include <sstream>

namespace {

std::string trimmed(std::string text) {
    const std::size_t first = text.find_first_not_of(" \n");
    const std::size_t last = text.find_last_not_of(" \n");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The line of a violation that ends a run (the supervisor's, or the runaway's), if the transcript
// has one: "plugin-crashed: the plug-in ... died by signal 11 ...".
std::string endingViolation(const std::vector<std::string>& transcript) {
    for (const violation_kind kind : {violation_kind::pluginCrashed, violation_kind::pluginExited,
                                      violation_kind::pluginHung, violation_kind::runawayPanel}) {
        const std::string marker = "    !! " + std::string(violationId(kind)) + ": ";
        for (const std::string& line : transcript) {
            if (line.rfind(marker, 0) == 0) {
                return line.substr(7);
            }
        }
    }
    return {};
}

std::string number(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

} // namespace

trial_outcome replayOnBuild(const trial_setting& setting, const std::string& pluginFile,
                            const std::string& sessionFile) {
    child_program run;
    run.program = setting.program;
    run.arguments = {"run",
                     "--plugin",
                     pluginFile,
                     "--call-timeout",
                     number(setting.callTimeout),
                     "--message-limit",
                     std::to_string(setting.messageLimit),
                     "--timer-limit",
                     std::to_string(setting.timerLimit)};
    if (!setting.panelPath.empty()) {
        run.arguments.insert(run.arguments.end(), {"--panel-path", setting.panelPath});
    }
    run.arguments.push_back(sessionFile);
    run.deadline = setting.deadline;
    trial_outcome outcome;
    child_outcome ran;
    try {
        ran = runChildProgram(run);
    } catch (const platform_error& error) {
        outcome.refusal = std::string("the replay could not start: ") + error.what();
        return outcome;
    }
    outcome.status = ran.ending.died ? -1 : ran.ending.status;
    outcome.transcript = splitLines(ran.output);
    if (ran.truncated) {
        outcome.transcript.push_back("(the transcript is cut here: it is over " +
                                     std::to_string(run.outputLimit / (1024 * 1024)) + " MiB)");
    }
    if (ran.killed) {
        outcome.refusal = "the replay did not end within " +
                          std::to_string(setting.deadline.count() / 1000) +
                          " s and was stopped: the build keeps the host busy";
    } else if (ran.ending.died || (ran.ending.status != 0 && ran.ending.status != 1)) {
        const std::string said = trimmed(ran.error);
        outcome.refusal =
            said.empty() ? "the replay " + ran.ending.words() + " and said nothing" : said;
    } else {
        outcome.refusal = endingViolation(outcome.transcript);
    }
    outcome.played = outcome.refusal.empty();
    return outcome;
}
