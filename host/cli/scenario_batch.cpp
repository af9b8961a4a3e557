#include "scenario_batch.h"

#include "github_annotation.h"
#include "junit_report.h"
#include "supervisor.h"
#include "text_transcript.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <optional>
#include <sstream>

namespace {

// What one file came to.
struct file_verdict {
    enum class ended { passed, failed, notRun };
    ended how = ended::notRun;
    scenario_outcome outcome;
    bool finished = false; // its run reached the end (the coverage is whole)
    std::string problem;   // notRun: why
    double seconds = 0.0;
    std::string transcriptText; // for the JUnit body; only when a report wants it
};

// The child's outcome, carried to this process as JSON.
std::string encodeOutcome(const scenario_outcome& outcome) {
    nlohmann::json failures = nlohmann::json::array();
    for (const scenario_failure& each : outcome.failures) {
        failures.push_back({{"line", each.line}, {"message", each.message}, {"kind", each.kind}});
    }
    return nlohmann::json{{"met", outcome.met},
                          {"failed", outcome.failed},
                          {"not_carried_out", outcome.notCarriedOut},
                          {"violations", outcome.violations},
                          {"failures", failures},
                          {"coverage", nlohmann::json::parse(outcome.coverage.toJson())}}
        .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

scenario_outcome decodeOutcome(const std::string& text) {
    const nlohmann::json document = nlohmann::json::parse(text);
    scenario_outcome outcome;
    outcome.met = document.at("met").get<int>();
    outcome.failed = document.at("failed").get<int>();
    outcome.notCarriedOut = document.at("not_carried_out").get<int>();
    outcome.violations = document.at("violations").get<std::size_t>();
    for (const nlohmann::json& each : document.at("failures")) {
        outcome.failures.push_back({each.at("line").get<int>(),
                                    each.at("message").get<std::string>(),
                                    each.at("kind").get<std::string>()});
    }
    outcome.coverage = scenario_coverage::fromJson(document.at("coverage").dump());
    return outcome;
}

// What the transcript of one file showed, for a file whose run the plug-in ended before its
// outcome came: the expectations and violations so far, and the violation that ended it.
class file_tally : public transcript_writer {
public:
    void write(const transcript_entry& entry) override {
        if (entry.kind == entry_kind::expectation) {
            entry.passed ? ++seen.met : ++seen.failed;
            if (!entry.passed) {
                seen.failures.push_back(
                    {entry.line, text_transcript::expectationText(entry), "expectation"});
            }
        } else if (entry.kind == entry_kind::violation) {
            ++seen.violations;
            ending = scenario_failure{entry.line, entry.id + ": " + entry.detail, entry.id};
        }
    }
    // The outcome so far, the violation that ended the run last among its failures.
    scenario_outcome cutShort() const {
        scenario_outcome outcome = seen;
        if (ending) {
            outcome.failures.push_back(*ending);
        }
        return outcome;
    }
    std::string endedBy() const { return ending ? ending->kind : std::string("an early end"); }

private:
    scenario_outcome seen;
    std::optional<scenario_failure> ending;
};

// path as seen from folder: relative to it when it lies inside it, otherwise absolute. The
// built-in panel path names no folder and stays as it is.
std::string seenFrom(const std::string& path, const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    if (path.empty() || path.rfind(layout_store::builtinDirectory, 0) == 0) {
        return path;
    }
    // Lexically, so that the names stay those the user gave (no links resolved).
    const auto normal = [](const fs::path& given) {
        const fs::path absolute = fs::absolute(given).lexically_normal();
        return absolute.has_filename() ? absolute : absolute.parent_path();
    };
    const fs::path absolute = normal(path);
    const fs::path inside = absolute.lexically_relative(normal(folder));
    if (inside.empty() || *inside.begin() == "..") {
        return absolute.string();
    }
    return inside.string();
}

// While it lives, the process works in a scenario's folder, so that the paths the scenario names
// and the panel path its panels get read the same wherever zeth-host was started, and a panel
// that opens files through its panel path finds them. The folder before is restored at the end
// (which matters with --in-process, where the file runs in zeth-host's own process).
class scenario_folder {
public:
    explicit scenario_folder(const std::filesystem::path& folder)
        : before(std::filesystem::current_path()) {
        std::error_code failed;
        std::filesystem::current_path(folder, failed);
        if (failed) {
            throw scenario_error("cannot run a scenario from its folder " + folder.string() + ": " +
                                 failed.message());
        }
    }
    ~scenario_folder() {
        std::error_code ignored;
        std::filesystem::current_path(before, ignored);
    }
    scenario_folder(const scenario_folder&) = delete;
    scenario_folder& operator=(const scenario_folder&) = delete;

private:
    std::filesystem::path before;
};

// The setup for a scenario file that runs from folder: the plug-in named by its absolute path,
// the panel paths as seen from the folder.
scenario_setup fromFolder(scenario_setup setup, const std::filesystem::path& folder) {
    setup.options.pluginPath =
        std::filesystem::absolute(setup.options.pluginPath.empty() ? defaultPluginPath()
                                                                   : setup.options.pluginPath)
            .string();
    setup.options.panelPath = seenFrom(setup.options.panelPath, folder);
    setup.plant.panelPath = seenFrom(setup.plant.panelPath, folder);
    return setup;
}

file_verdict runFile(const batch_request& request, const batch_file& file,
                     transcript_writer& writer, std::ostream& err) {
    file_verdict verdict;
    if (!file.play) {
        verdict.problem = file.problem;
        return verdict;
    }
    const auto began = std::chrono::steady_clock::now();
    transcript record; // a fresh one per process: the serial numbers of hand-backs are its own
    record.attach(writer);
    file_tally tally;
    record.attach(tally);
    std::ostringstream text;
    text_transcript textCopy(text);
    if (!request.junitFile.empty()) {
        record.attach(textCopy);
    }
    std::optional<scenario_outcome> arrived;
    std::string unreadableResult;
    const auto resultArrived = [&](const std::string& result) {
        try {
            arrived = decodeOutcome(result);
        } catch (const std::exception& error) {
            unreadableResult = error.what();
        }
    };
    const supervised_body body = [&](supervised_run& child) {
        scenario_setup own = request.setup;
        own.options.calls = &child.calls;
        own.options.debugOutput = child.debugOutput;
        if (file.plant) {
            own.plant = *file.plant;
            own.description = file.description;
        }
        // A scenario file runs from its own folder (the built-in demo has none).
        std::optional<scenario_folder> workingIn;
        if (!file.path.empty()) {
            std::filesystem::path folder = std::filesystem::path(file.path).parent_path();
            if (folder.empty()) {
                folder = ".";
            }
            own = fromFolder(std::move(own), folder);
            workingIn.emplace(folder);
        }
        const scenario_outcome outcome = runScenario(*file.play, file.name, own, child.record);
        child.sendResult(encodeOutcome(outcome));
        return outcome.passed() ? 0 : 1;
    };
    // The body's messages (why it could not run) follow its transcript, and a report names them.
    std::ostringstream said;
    std::vector<std::string> restart = request.restart;
    restart.emplace_back("run");
    if (!file.path.empty()) {
        restart.push_back(file.path);
    }
    const supervision watch{
        request.pluginFile, request.callTimeout, request.output, "--call-timeout", {}, restart};
    const int status = request.inProcess ? runInProcess(body, record, said, resultArrived)
                                         : runSupervised(watch, body, record, said, resultArrived);
    err << said.str() << std::flush;
    verdict.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (status == 2 || (!arrived && !unreadableResult.empty())) {
        std::string why = said.str();
        while (!why.empty() && why.back() == '\n') {
            why.pop_back();
        }
        verdict.problem = !unreadableResult.empty()
                              ? "its outcome could not be read: " + unreadableResult
                              : (why.empty() ? std::string("it could not be run") : why);
        verdict.transcriptText = text.str();
        return verdict;
    }
    if (arrived) {
        verdict.outcome = *arrived;
        verdict.finished = true;
    } else {
        // The plug-in ended the run: the supervisor's violation closes the transcript, and the
        // file's summary line is this process's to write.
        verdict.outcome = tally.cutShort();
        transcript_entry summary;
        summary.kind = entry_kind::summary;
        summary.text = summaryText(file.name, verdict.outcome) + " (" + tally.endedBy() +
                       " ended the file's run)";
        record.add(std::move(summary));
    }
    verdict.how = status == 0 && verdict.outcome.passed() ? file_verdict::ended::passed
                                                          : file_verdict::ended::failed;
    verdict.transcriptText = text.str();
    return verdict;
}

// The lines of the transcript around the one that holds found: its paragraph (an action with
// what followed it, up to the next blank line), at most maxLines of it, ending a few lines after.
std::string linesAround(const std::string& transcriptText, const std::string& found) {
    constexpr std::size_t maxLines = 40;
    constexpr std::size_t after = 3;
    std::vector<std::string> lines;
    std::istringstream in(transcriptText);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    std::size_t at = 0;
    while (at < lines.size() && lines[at].find(found) == std::string::npos) {
        ++at;
    }
    if (at == lines.size()) {
        at = lines.empty() ? 0 : lines.size() - 1; // not there: the end, where the run stopped
    }
    std::size_t first = at;
    while (first > 0 && !lines[first - 1].empty() && at - first + 1 < maxLines - after) {
        --first;
    }
    std::size_t last = at;
    while (last + 1 < lines.size() && !lines[last + 1].empty() && last < at + after) {
        ++last;
    }
    std::string shown;
    for (std::size_t i = first; i <= last && i < lines.size(); ++i) {
        shown += lines[i] + "\n";
    }
    return shown;
}

std::string located(const batch_file& file, int line) {
    const std::string where = file.path.empty() ? file.name : file.path;
    return line > 0 ? where + ":" + std::to_string(line) : where;
}

junit_case testcaseOf(const batch_file& file, const file_verdict& verdict) {
    junit_case testcase;
    testcase.name = file.path.empty() ? file.name : file.path;
    testcase.classname = "zeth-host.run";
    testcase.seconds = verdict.seconds;
    if (verdict.how == file_verdict::ended::notRun) {
        testcase.outcome = junit_case::result::error;
        testcase.type = "not-run";
        testcase.message = verdict.problem;
        testcase.body = verdict.problem + "\n" + verdict.transcriptText;
        return testcase;
    }
    if (verdict.how == file_verdict::ended::failed) {
        testcase.outcome = junit_case::result::failed;
        const std::vector<scenario_failure>& failures = verdict.outcome.failures;
        if (failures.empty()) {
            testcase.type = "failed";
            testcase.message = located(file, 0) + ": " + summaryText(file.name, verdict.outcome);
            return testcase;
        }
        const scenario_failure& first = failures.front();
        testcase.type = first.kind;
        testcase.message = located(file, first.line) + ": " + first.message;
        // A violation's line in the transcript reads "!! ID: detail", the message says "ID:".
        testcase.body = linesAround(verdict.transcriptText, first.message);
        if (failures.size() > 1) {
            testcase.body += "\nand " + std::to_string(failures.size() - 1) + " more:\n";
            for (std::size_t i = 1; i < failures.size(); ++i) {
                testcase.body +=
                    located(file, failures[i].line) + ": " + failures[i].message + "\n";
            }
        }
    }
    return testcase;
}

std::string namesOf(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

} // namespace

int runBatch(const batch_request& request, transcript_writer& writer, std::ostream& out,
             std::ostream& err) {
    const std::string timestamp = junitTimestamp();
    const auto began = std::chrono::steady_clock::now();
    std::vector<file_verdict> verdicts;
    for (const batch_file& file : request.files) {
        if (!file.play) {
            err << "zeth-host: " << file.problem << '\n' << std::flush;
        }
    }
    std::vector<std::string> failed;
    std::vector<std::string> notRun;
    int passed = 0;
    for (const batch_file& file : request.files) {
        verdicts.push_back(runFile(request, file, writer, err));
        const file_verdict& verdict = verdicts.back();
        if (verdict.how == file_verdict::ended::passed) {
            ++passed;
        } else {
            (verdict.how == file_verdict::ended::failed ? failed : notRun).push_back(file.name);
        }
        if (request.githubReport) {
            std::ostream& annotations = request.json ? err : out;
            for (const scenario_failure& each : verdict.outcome.failures) {
                annotations << githubAnnotation("error", located(file, 0), each.line, each.message);
            }
            if (verdict.how == file_verdict::ended::notRun) {
                annotations << githubAnnotation("error", located(file, 0), 0,
                                                "zeth-host could not run it: " + verdict.problem);
            }
            annotations.flush();
        }
    }
    if (request.files.size() > 1) {
        transcript record;
        record.attach(writer);
        transcript_entry summary;
        summary.kind = entry_kind::summary;
        summary.text = std::to_string(request.files.size()) +
                       " scenario files: " + std::to_string(passed) + " passed, " +
                       std::to_string(failed.size()) + " FAILED" +
                       (failed.empty() ? "" : " (" + namesOf(failed) + ")") +
                       (notRun.empty() ? std::string()
                                       : ", " + std::to_string(notRun.size()) +
                                             " could not be run (" + namesOf(notRun) + ")");
        record.add(std::move(summary));
    }
    int status = !notRun.empty() ? 2 : !failed.empty() ? 1 : 0;

    if (request.coverage) {
        scenario_coverage total;
        std::size_t covered = 0;
        std::vector<std::string> leftOut;
        for (std::size_t i = 0; i < verdicts.size(); ++i) {
            if (verdicts[i].finished) {
                total.add(verdicts[i].outcome.coverage);
                ++covered;
            } else {
                leftOut.push_back(request.files[i].name);
            }
        }
        if (request.json) {
            nlohmann::ordered_json line = nlohmann::ordered_json::parse(total.json(covered));
            line["left_out"] = leftOut;
            out << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                << '\n';
        } else {
            out << total.text(covered);
            if (!leftOut.empty()) {
                out << "  left out, since their runs did not reach the end: " << namesOf(leftOut)
                    << '\n';
            }
        }
        out.flush();
    }

    if (!request.junitFile.empty()) {
        junit_suite suite;
        suite.name = "zeth-host run";
        suite.timestamp = timestamp;
        suite.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        for (std::size_t i = 0; i < verdicts.size(); ++i) {
            suite.cases.push_back(testcaseOf(request.files[i], verdicts[i]));
        }
        try {
            writeJunitFile(request.junitFile, suite);
        } catch (const std::exception& error) {
            err << "zeth-host: " << error.what() << '\n';
            status = 2;
        }
    }
    return status;
}
