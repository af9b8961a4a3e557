#include "validation_run.h"

#include "replay_command.h"
#include "scenario_parser.h"
#include "supervisor.h"
#include "violation_kind.h"

#include <nlohmann/json.hpp>

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
    std::string scenario; // the saved session, if any
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
    watch.timeoutOption = "--timeout";
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
    check_result result{std::string(check.id), runInChild(check, playing), 0.0, {}};
    if (!outcomeFailsRun(result.finding.outcome)) {
        std::filesystem::remove(file);
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

std::string resultLine(const check_result& result) {
    std::string outcome(outcomeName(result.finding.outcome));
    outcome.resize(std::max(outcomeColumn, outcome.size() + 1), ' ');
    std::string id = result.id;
    id.resize(std::max(idColumn, id.size() + 1), ' ');
    return outcome + id + result.finding.reason + "\n";
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

} // namespace

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
            throw validation_error("there is no check \"" + id +
                                   "\"; zeth-host validate --list shows every id");
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
    for (const plugin_check* check : chosen) {
        const auto began = std::chrono::steady_clock::now();
        check_result result =
            check->id == operatorSessionId
                ? runSession(*check, request)
                : check_result{std::string(check->id), runInChild(*check, settings), 0.0, {}};
        result.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        lines << resultLine(result) << std::flush;
        ++counts[std::string(outcomeName(result.finding.outcome))];
        if (outcomeFailsRun(result.finding.outcome)) {
            status = 1;
        }
        results.push_back(std::move(result));
    }
    lines << summaryLine(counts, results.size(), status) << std::flush;

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
        for (const check_result& each : results) {
            checks.push_back(
                {{"id", each.id},
                 {"outcome", outcomeName(each.finding.outcome)},
                 {"reason", each.finding.reason},
                 {"seconds", each.seconds},
                 {"scenario", each.scenario.empty() ? nlohmann::ordered_json(nullptr)
                                                    : nlohmann::ordered_json(each.scenario)}});
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
    return status;
}
