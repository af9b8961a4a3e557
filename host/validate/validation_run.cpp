#include "validation_run.h"

#include "github_annotation.h"
#include "junit_report.h"
#include "problem_list.h"
#include "replay_command.h"
#include "scenario_parser.h"
#include "supervisor.h"
#include "text_file.h"
#include "violation_kind.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace {

constexpr std::size_t idColumn = 19;
constexpr std::size_t outcomeColumn = 10;

struct check_result {
    std::string id;
    check_finding finding;
    double seconds = 0.0;
    std::string scenario;    // the saved session, if any
    bool configured = false; // skipped because the configuration says so, with its reason
    // operator-session with several seeds: each seed's own result (seed in the id's place).
    std::vector<std::pair<std::uint64_t, check_result>> sessions;
};

// Keeps the violation the supervisor adds when the check's process dies or hangs.
class death_catcher : public transcript_writer {
public:
    void write(const transcript_entry& entry) override {
        if (entry.kind == entry_kind::violation) {
            last = entry;
        }
    }
    std::optional<transcript_entry> last;
};

std::string oneLine(std::string text) {
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
        text.replace(at, 1, "; ");
    }
    return text;
}

// The supervisor's report without the plug-in's path, which the run's heading names already:
// "died by signal 11 (Segmentation fault) in the factory ... on desk 1".
std::string deathReason(const std::string& detail, const std::string& pluginFile) {
    const std::string named = "the plug-in \"" + pluginFile + "\" ";
    return detail.rfind(named, 0) == 0 ? detail.substr(named.size()) : detail;
}

// One run of check in a process of its own. The child writes its finding as "OUTCOME\tREASON".
check_finding runInChild(const plugin_check& check, const validation_settings& settings) {
    transcript record;
    death_catcher deaths;
    record.attach(deaths);
    std::ostringstream said;
    const supervised_body body = [&](supervised_run& child) {
        check_finding found;
        try {
            found = check.run(settings, child.calls);
        } catch (const std::exception& error) {
            found = {check_outcome::failed, error.what()};
        }
        child.messages << outcomeName(found.outcome) << '\t' << oneLine(found.reason) << std::flush;
        return 0;
    };
    supervision watch;
    watch.pluginFile = settings.pluginFile;
    watch.callTimeout = settings.timeout;
    watch.timeoutOption = settings.timeoutSource;
    watch.restart = settings.restart;
    watch.restart.insert(watch.restart.end(), {"validate", "--check", std::string(check.id),
                                               "--seed", std::to_string(settings.seed),
                                               "--messages", std::to_string(settings.messages)});
    if (!settings.sessionFile.empty()) {
        watch.restart.insert(watch.restart.end(), {"--session-file", settings.sessionFile});
    }
    if (!settings.replayFile.empty()) {
        watch.restart.insert(watch.restart.end(), {"--replay-file", settings.replayFile});
    }
    const int status = runSupervised(watch, body, record, said);
    if (deaths.last) {
        const auto kind = violationFromId(deaths.last->id);
        const std::string reason = deathReason(deaths.last->detail, settings.pluginFile);
        if (kind == violation_kind::pluginHung) {
            return {check_outcome::timedOut, reason};
        }
        if (kind == violation_kind::pluginCrashed || kind == violation_kind::pluginExited) {
            return {check_outcome::crashed, reason};
        }
    }
    const std::string text = said.str();
    const std::size_t tab = text.find('\t');
    if (tab != std::string::npos) {
        for (const check_outcome each :
             {check_outcome::passed, check_outcome::failed, check_outcome::skipped,
              check_outcome::warning, check_outcome::crashed, check_outcome::timedOut}) {
            if (text.compare(0, tab, outcomeName(each)) == 0) {
                return {each, text.substr(tab + 1)};
            }
        }
    }
    return {check_outcome::failed, "the check's process ended with status " +
                                       std::to_string(status) + " and no finding" +
                                       (text.empty() ? std::string() : ": " + oneLine(text))};
}

// The random session; on a failure, its actions up to the failing one saved and replayed.
check_result runSession(const plugin_check& check, const validation_request& request) {
    const validation_settings& settings = request.settings;
    const std::filesystem::path file =
        std::filesystem::path(request.scenarioFolder) /
        ("validate-session-" + std::to_string(settings.seed) + ".zeth");
    std::string heading = "# zeth-host validate: a random operator session (seed " +
                          std::to_string(settings.seed) + ") on " +
                          std::filesystem::path(settings.pluginFile).filename().string() + "\n";
    if (!settings.facilityFile.empty()) {
        heading += "facility " +
                   quotedWord(std::filesystem::absolute(settings.facilityFile).string()) + "\n";
    }
    if (!(std::ofstream(file, std::ios::trunc) << heading)) {
        throw validation_error("cannot write the session's scenario file " + file.string() +
                               "; choose a folder with --scenario-folder");
    }
    validation_settings playing = settings;
    playing.sessionFile = file.string();
    check_result result{std::string(check.id), runInChild(check, playing), 0.0, {}, false, {}};
    if (!outcomeFailsRun(result.finding.outcome)) {
        // A passed session leaves nothing behind. Where the file cannot go yet (on Windows while
        // a process that had it open is still ending), it stays: the check passed all the same.
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        return result;
    }
    std::ifstream saved(file);
    std::string lines;
    std::int64_t actions = 0;
    for (std::string line; std::getline(saved, line);) {
        if (line.rfind('#', 0) != 0 && line.rfind("facility ", 0) != 0) {
            lines += line + '\n';
            ++actions;
        }
    }
    saved.close();
    std::ofstream(file, std::ios::trunc)
        << "# zeth-host validate: the shortest random operator session (seed " << settings.seed
        << ") after which " << std::filesystem::path(settings.pluginFile).filename().string()
        << " failed:\n# " << outcomeName(result.finding.outcome) << ": " << result.finding.reason
        << "\n"
        << heading.substr(heading.find('\n') + 1) << lines;

    validation_settings replaying = settings;
    replaying.replayFile = file.string();
    const check_finding again = runInChild(check, replaying);
    const std::string replay =
        replayCommand(settings.pluginFile, settings.panelPath, file.string());
    result.scenario = file.string();
    result.finding.reason +=
        "; " + std::to_string(actions) + (actions == 1 ? " action" : " actions") + " saved in " +
        file.string() +
        (outcomeFailsRun(again.outcome) ? ", replay: " + replay
                                        : ", which did not fail again when replayed (the plug-in "
                                          "depends on more than the operator's actions): " +
                                              replay);
    return result;
}

// The operator session with each seed asked for; one seed's result is the check's own, several
// are summed up with each seed's result kept.
check_result runSessions(const plugin_check& check, const validation_request& request) {
    if (request.repeat <= 1) {
        return runSession(check, request);
    }
    check_result total{std::string(check.id), {}, 0.0, {}, false, {}};
    std::vector<std::string> failing;
    validation_request each = request;
    for (std::int64_t n = 0; n < request.repeat; ++n) {
        each.settings.seed = request.settings.seed + static_cast<std::uint64_t>(n);
        check_result one = runSession(check, each);
        if (outcomeFailsRun(one.finding.outcome)) {
            if (failing.empty()) {
                total.finding.outcome = one.finding.outcome;
                total.scenario = one.scenario;
            }
            failing.push_back(std::to_string(each.settings.seed));
        }
        total.sessions.emplace_back(each.settings.seed, std::move(one));
    }
    const std::string seeds = "seeds " + std::to_string(request.settings.seed) + " to " +
                              std::to_string(each.settings.seed);
    if (failing.empty()) {
        total.finding = total.sessions.front().second.finding;
        if (total.finding.outcome == check_outcome::passed) {
            total.finding.reason = std::to_string(request.repeat) + " operator sessions (" + seeds +
                                   "), the contract kept on every message";
        }
        return total;
    }
    std::string named;
    for (const std::string& seed : failing) {
        named += (named.empty() ? "" : ", ") + seed;
    }
    total.finding.reason = std::to_string(failing.size()) + " of " +
                           std::to_string(request.repeat) + " operator sessions failed (" + seeds +
                           "; failing: " + named + "), each saved as a scenario (below)";
    return total;
}

std::string resultLine(const check_result& result) {
    std::string outcome(outcomeName(result.finding.outcome));
    outcome.resize(std::max(outcomeColumn, outcome.size() + 1), ' ');
    std::string id = result.id;
    id.resize(std::max(idColumn, id.size() + 1), ' ');
    std::string lines = outcome + id + result.finding.reason + "\n";
    for (const auto& [seed, one] : result.sessions) {
        if (outcomeFailsRun(one.finding.outcome)) {
            lines += std::string(outcomeColumn + idColumn, ' ') + "seed " + std::to_string(seed) +
                     ": " + std::string(outcomeName(one.finding.outcome)) + ", " +
                     one.finding.reason + "\n";
        }
    }
    return lines;
}

junit_case testcaseOf(const check_result& result, const std::string& scenarioText) {
    junit_case testcase;
    testcase.name = result.id;
    testcase.classname = "zeth-host.validate";
    testcase.seconds = result.seconds;
    const check_outcome outcome = result.finding.outcome;
    if (outcome == check_outcome::skipped) {
        testcase.outcome = junit_case::result::skipped;
        testcase.message = result.finding.reason;
    } else if (outcomeFailsRun(outcome)) {
        testcase.outcome = junit_case::result::failed;
        testcase.type = std::string(outcomeName(outcome));
        testcase.message = result.finding.reason;
        testcase.body = resultLine(result);
        if (!scenarioText.empty()) {
            testcase.body += "\nThe saved session, " + result.scenario + ":\n" + scenarioText;
        }
    } else if (outcome == check_outcome::warning) {
        testcase.output = "warning: " + result.finding.reason + "\n";
    }
    return testcase;
}

// The saved session's text, for a report; empty when there is none.
std::string savedSession(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    try {
        return readTextFile(path);
    } catch (const std::exception&) {
        return {};
    }
}

// The lines of a text.
int lineCount(const std::string& text) {
    int lines = 0;
    for (const char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    return lines;
}

std::string summaryLine(const std::map<std::string, int>& counts, std::size_t checks, int status) {
    std::string line = std::to_string(checks) + (checks == 1 ? " check:" : " checks:");
    bool first = true;
    for (const check_outcome each :
         {check_outcome::passed, check_outcome::warning, check_outcome::skipped,
          check_outcome::failed, check_outcome::crashed, check_outcome::timedOut}) {
        const auto found = counts.find(std::string(outcomeName(each)));
        if (found != counts.end() && found->second > 0) {
            line += (first ? " " : ", ") + std::to_string(found->second) + " " + found->first;
            first = false;
        }
    }
    return line + " (exit status " + std::to_string(status) + ")\n";
}

// After the summary, when checks were skipped: how many, for which reasons (each reason once,
// with its checks), and what to do. Empty when none was.
std::string skipLine(const std::vector<check_result>& results, bool strict) {
    std::vector<std::pair<std::string, std::vector<std::string>>> reasons;
    std::size_t skipped = 0;
    std::size_t configured = 0;
    for (const check_result& each : results) {
        if (each.finding.outcome != check_outcome::skipped) {
            continue;
        }
        ++skipped;
        configured += each.configured ? 1 : 0;
        auto same = std::find_if(reasons.begin(), reasons.end(), [&](const auto& reason) {
            return reason.first == each.finding.reason;
        });
        if (same == reasons.end()) {
            reasons.push_back({each.finding.reason, {}});
            same = std::prev(reasons.end());
        }
        same->second.push_back(each.id);
    }
    if (skipped == 0) {
        return {};
    }
    std::string line = std::to_string(skipped) + " of " + std::to_string(results.size()) +
                       (results.size() == 1 ? " check" : " checks") +
                       (skipped == 1 ? " was" : " were") +
                       " skipped and checked nothing, which is no pass.";
    for (const auto& [reason, ids] : reasons) {
        std::string named;
        for (const std::string& id : ids) {
            named += (named.empty() ? "" : ", ") + id;
        }
        line += " " + named + ": " + reason + ".";
    }
    if (configured == skipped) {
        return line + " The configuration asks for them, each with its reason.\n";
    }
    const std::string which =
        configured == 0 ? "a skip" : "a skip that the configuration did not ask for";
    return line + (strict ? " With --strict " + which + " fails the run.\n"
                          : " Mend that and validate again (--strict makes " + which +
                                " fail the run).\n");
}

} // namespace

int runOneCheck(const validation_settings& settings, const std::string& id, std::ostream& report) {
    const plugin_check* check = checkNamed(id);
    if (check == nullptr) {
        throw validation_error("there is no check \"" + id +
                               "\"; zeth-host validate --list shows every id");
    }
    const check_result result{id, runInChild(*check, settings), 0.0, {}, {}, {}};
    report << resultLine(result) << std::flush;
    return outcomeFailsRun(result.finding.outcome) ? 1 : 0;
}

std::string checkListing() {
    std::string listing;
    for (const plugin_check& each : pluginChecks()) {
        std::string id(each.id);
        id.resize(std::max(idColumn, id.size() + 1), ' ');
        listing += id + std::string(each.description) + "\n";
    }
    return listing;
}

int runValidation(const validation_request& request, std::ostream& report, std::ostream& progress) {
    const validation_settings& settings = request.settings;
    std::vector<const plugin_check*> chosen;
    for (const std::string& id : request.only) {
        const plugin_check* check = checkNamed(id);
        if (check == nullptr) {
            std::vector<std::string> ids;
            for (const plugin_check& each : pluginChecks()) {
                ids.emplace_back(each.id);
            }
            const std::string nearest = nearestName(id, ids);
            throw validation_error("there is no check \"" + id + "\"" +
                                   (nearest.empty() ? "" : "; did you mean \"" + nearest + "\"?") +
                                   "; zeth-host validate --list shows every id");
        }
        chosen.push_back(check);
    }
    if (chosen.empty()) {
        for (const plugin_check& each : pluginChecks()) {
            chosen.push_back(&each);
        }
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(settings.pluginFile, error)) {
        throw validation_error("cannot load the plug-in \"" + settings.pluginFile +
                               "\": there is no such file (build the plug-in, or name one with "
                               "--plugin)");
    }
    // A folder named for the saved sessions is made now, so that a name that cannot be one stops
    // the run before any check instead of after the session that failed.
    std::filesystem::create_directories(request.scenarioFolder, error);
    if (error || !std::filesystem::is_directory(request.scenarioFolder, error)) {
        throw validation_error("cannot make the scenario folder \"" + request.scenarioFolder +
                               "\"" + (error ? ": " + error.message() : std::string()) +
                               "; choose another with --scenario-folder");
    }

    std::ostream& lines = request.json ? progress : report;
    const std::string facilityName =
        settings.facilityFile.empty() ? std::string("<built-in>") : settings.facilityFile;
    lines << "zeth-host validate: " << settings.pluginFile << " against the facility "
          << facilityName << ", seed " << settings.seed << ", " << settings.messages
          << " messages\n"
          << std::flush;

    std::vector<check_result> results;
    std::map<std::string, int> counts;
    int status = 0;
    const std::string timestamp = junitTimestamp();
    const auto runBegan = std::chrono::steady_clock::now();
    for (const plugin_check* check : chosen) {
        const auto began = std::chrono::steady_clock::now();
        const std::string id(check->id);
        validation_request own = request;
        if (const auto limit = request.config.timeouts.find(id);
            limit != request.config.timeouts.end()) {
            own.settings.timeout = limit->second;
            own.settings.timeoutSource = "timeouts in " + request.config.file;
        }
        check_result result{id, {}, 0.0, {}, false, {}};
        if (const auto skip = request.config.skips.find(id); skip != request.config.skips.end()) {
            result.finding = {check_outcome::skipped, skip->second.reason + " (" +
                                                          request.config.file + ":" +
                                                          std::to_string(skip->second.line) + ")"};
            result.configured = true;
        } else if (check->id == operatorSessionId) {
            result = runSessions(*check, own);
        } else {
            result.finding = runInChild(*check, own.settings);
        }
        result.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        if (!request.onlyFailed || result.finding.outcome != check_outcome::passed) {
            lines << resultLine(result) << std::flush;
        }
        ++counts[std::string(outcomeName(result.finding.outcome))];
        // --strict fails the skips the run could not help, not those the project configured.
        if (outcomeFailsRun(result.finding.outcome) ||
            (request.strict && result.finding.outcome == check_outcome::skipped &&
             !result.configured)) {
            status = 1;
        }
        results.push_back(std::move(result));
    }
    lines << summaryLine(counts, results.size(), status) << skipLine(results, request.strict)
          << std::flush;

    if (request.json) {
        nlohmann::ordered_json document;
        document["plugin"] = settings.pluginFile;
        document["facility"] = facilityName;
        document["panel_path"] =
            settings.panelPath.empty() ? settings.plant.panelPath : settings.panelPath;
        document["seed"] = settings.seed;
        document["messages"] = settings.messages;
        document["timeout"] = settings.timeout;
        nlohmann::ordered_json checks = nlohmann::ordered_json::array();
        const auto scenarioOf = [](const check_result& each) {
            return each.scenario.empty() ? nlohmann::ordered_json(nullptr)
                                         : nlohmann::ordered_json(each.scenario);
        };
        for (const check_result& each : results) {
            checks.push_back({{"id", each.id},
                              {"outcome", outcomeName(each.finding.outcome)},
                              {"reason", each.finding.reason},
                              {"seconds", each.seconds},
                              {"scenario", scenarioOf(each)}});
            if (!each.sessions.empty()) {
                nlohmann::ordered_json sessions = nlohmann::ordered_json::array();
                for (const auto& [seed, one] : each.sessions) {
                    sessions.push_back({{"seed", seed},
                                        {"outcome", outcomeName(one.finding.outcome)},
                                        {"reason", one.finding.reason},
                                        {"scenario", scenarioOf(one)}});
                }
                checks.back()["sessions"] = sessions;
            }
        }
        document["checks"] = checks;
        nlohmann::ordered_json tally;
        for (const check_outcome each :
             {check_outcome::passed, check_outcome::failed, check_outcome::skipped,
              check_outcome::warning, check_outcome::crashed, check_outcome::timedOut}) {
            const std::string name(outcomeName(each));
            tally[name] = counts.count(name) != 0 ? counts.at(name) : 0;
        }
        document["counts"] = tally;
        document["status"] = status;
        // A plug-in's texts in the reasons need not be UTF-8: such bytes become U+FFFD.
        report << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
               << '\n'
               << std::flush;
    }

    if (request.githubReport) {
        // On the saved session's failing line where there is one, else on the plug-in.
        for (const check_result& each : results) {
            const check_outcome outcome = each.finding.outcome;
            if (!outcomeFailsRun(outcome) && outcome != check_outcome::warning) {
                continue;
            }
            const std::string saved = savedSession(each.scenario);
            lines << githubAnnotation(outcomeFailsRun(outcome) ? "error" : "warning",
                                      saved.empty() ? settings.pluginFile : each.scenario,
                                      saved.empty() ? 0 : lineCount(saved),
                                      std::string(outcomeName(outcome)) + " " + each.id + ": " +
                                          each.finding.reason);
        }
        lines << std::flush;
    }
    if (!request.junitFile.empty()) {
        junit_suite suite;
        suite.name = "zeth-host validate " + settings.pluginFile;
        suite.timestamp = timestamp;
        suite.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - runBegan).count();
        for (const check_result& each : results) {
            suite.cases.push_back(testcaseOf(each, savedSession(each.scenario)));
        }
        writeJunitFile(request.junitFile, suite); // throws: status 2
    }
    return status;
}
