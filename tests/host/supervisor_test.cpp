// zeth-host against plug-ins that crash, exit, hang, run away, and against outputs and inputs
// that fail: each row runs the real zeth-host program in a process of its own and checks the exit
// status, the violation that ends the transcript and the message a user sees.
#include "junit_report.h"
#include "scripted_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using ::testing::HasSubstr;

namespace {

const std::vector<std::string> faults = {
    "fault:crash", "fault:stack-overflow", "fault:abort", "fault:exit",       "fault:_exit",
    "fault:loop",  "fault:sleep",          "hammer",      "fault:keep-reply", "fault:last-words"};

// A folder with the scripted plug-in's layout, and a file per scenario text.
// The scripted plug-in's layout, with a control for each fault, in the test's own folder.
std::filesystem::path workFolder() {
    static const std::filesystem::path folder = [] {
        const std::filesystem::path made = scratchFolder() / "supervisor";
        std::filesystem::create_directories(made);
        std::ofstream(made / "test.zeth_ui") << scriptedLayout(faults);
        return made;
    }();
    return folder;
}

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct finished {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs zeth-host (through the build's emulator, if any) with input on its standard input and its
// standard output going to outputFile (empty: a file of the test's). Kills it after two minutes.
finished runHost(std::vector<std::string> arguments, const std::string& input,
                 std::string outputFile = "") {
    const std::filesystem::path folder = workFolder();
    const std::string inFile = (folder / "stdin").string();
    std::ofstream(inFile, std::ios::binary) << input;
    const bool ownOutput = outputFile.empty();
    if (ownOutput) {
        outputFile = (folder / "stdout").string();
    }
    const std::string errFile = (folder / "stderr").string();
    std::vector<std::string> command;
    std::istringstream emulator(ZETH_HOST_EMULATOR);
    for (std::string part; std::getline(emulator, part, ';');) {
        if (!part.empty()) {
            command.push_back(part);
        }
    }
    command.push_back(ZETH_HOST_PROGRAM);
    command.insert(command.end(), arguments.begin(), arguments.end());
    const pid_t child = fork();
    if (child == 0) {
        // The sanitizers' own crash handlers would turn a crash into an exit: let it be a signal.
        setenv("ASAN_OPTIONS", "handle_segv=0:handle_sigbus=0:handle_abort=0", 1);
        setenv("UBSAN_OPTIONS", "handle_segv=0:handle_sigbus=0:handle_abort=0", 1);
        dup2(open(inFile.c_str(), O_RDONLY), 0);
        dup2(open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        std::vector<char*> argv;
        for (std::string& part : command) {
            argv.push_back(part.data());
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    finished result;
    int waited = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (waitpid(child, &waited, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &waited, 0);
            ADD_FAILURE() << "zeth-host did not end within two minutes";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    result.status = WIFEXITED(waited) ? WEXITSTATUS(waited) : 128 + WTERMSIG(waited);
    result.out = ownOutput ? slurp(outputFile) : std::string();
    result.err = slurp(errFile);
    return result;
}

std::string scenarioFile(const std::string& name, const std::string& text) {
    const std::filesystem::path path = workFolder() / (name + ".zeth");
    std::ofstream(path) << text;
    return path.string();
}

// What a parser of its own reads in a JUnit report (check_junit.py): a line per testcase, "NAME
// OUTCOME MESSAGE", then the counts; or why the file is not a report.
std::string junitReading(const std::filesystem::path& report) {
    const std::string command = "python3 " + std::string(ZETH_HOST_TESTS) + "/check_junit.py '" +
                                report.string() + "' 2>&1";
    std::string read;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            read.append(buffer, got);
        }
        const int status = pclose(pipe);
        read += "exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + "\n";
    }
    return read;
}

// text with what varies from run to run and machine to machine masked: the given paths, and the
// times and the timestamp of a JUnit report.
std::string masked(std::string text,
                   const std::vector<std::pair<std::string, std::string>>& paths) {
    for (const auto& [from, to] : paths) {
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
            text.replace(at, from.size(), to);
        }
    }
    for (const char* attribute : {" time=\"", " timestamp=\""}) {
        for (std::size_t at = text.find(attribute); at != std::string::npos;
             at = text.find(attribute, at + 1)) {
            const std::size_t value = at + std::strlen(attribute);
            text.replace(value, text.find('"', value) - value, "MASKED");
        }
    }
    return text;
}

// received against tests/host/NAME; a difference leaves NAME's received twin in the working
// folder and says how to approve it.
void expectApproved(const std::string& received, const std::string& name) {
    const std::string approved = std::string(ZETH_HOST_TESTS) + "/" + name;
    std::string twin = name;
    twin.replace(twin.find(".approved."), 10, ".received.");
    const std::filesystem::path kept = std::filesystem::absolute(twin);
    if (received != slurp(approved)) {
        std::ofstream(kept) << received;
    }
    EXPECT_EQ(received, slurp(approved))
        << "if the change is meant, approve it: cp " << kept << " " << approved;
}

std::string lastLines(const std::string& text) {
    const std::size_t end = text.find_last_not_of('\n');
    std::size_t start = text.rfind("!!", end);
    return start == std::string::npos ? text : text.substr(start);
}

struct plugin_row {
    std::string name;
    std::string mode; // the scripted plug-in's mode
    std::string play; // the scenario
    std::vector<std::string> options;
    std::string violation;
    std::string said; // in the violation's line
    std::string plugin = ZETH_SCRIPTED_PLUGIN;
    std::string before = ""; // the lines just before the violation's
};

void PrintTo(const plugin_row& row, std::ostream* out) {
    *out << row.name;
}

class plugin_fault : public ::testing::TestWithParam<plugin_row> {};

TEST_P(plugin_fault, endsTheRunWithItsViolationAndTheCallInProgress) {
    const plugin_row& row = GetParam();
    std::vector<std::string> arguments = {"run", "--plugin", row.plugin, "--panel-path",
                                          workFolder().string() + "#" + row.mode};
    arguments.insert(arguments.end(), row.options.begin(), row.options.end());
    arguments.push_back(scenarioFile(row.name, row.play));
    const finished run = runHost(arguments, "");
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_THAT(lastLines(run.out), HasSubstr("!! " + row.violation + ": ")) << run.out;
    EXPECT_THAT(lastLines(run.out), HasSubstr(row.said)) << run.out;
    EXPECT_THAT(run.out, HasSubstr(row.before + "    !! " + row.violation + ": ")) << run.out;
}

const std::string plugin = std::filesystem::path(ZETH_SCRIPTED_PLUGIN).string();

INSTANTIATE_TEST_SUITE_P(
    rows, plugin_fault,
    ::testing::Values(
        plugin_row{"crashInFactory",
                   "crash-in-factory",
                   "",
                   {},
                   "plugin-crashed",
                   "the plug-in \"" + plugin +
                       "\" died by signal 11 (Segmentation fault) in "
                       "the factory load_zeth_client_script on desk 1"},
        plugin_row{"crashInMessage",
                   "",
                   "click fault:crash\n",
                   {},
                   "plugin-crashed",
                   "died by signal 11 (Segmentation fault) in notify code 2 (control event "
                   "fault:crash \"click\") on desk 1, during \"click fault:crash\""},
        plugin_row{"crashInDestructor",
                   "crash-in-destructor",
                   "",
                   {},
                   "plugin-crashed",
                   "died by signal 11 (Segmentation fault) in the destructor on desk 1, during "
                   "\"the host deletes the panel\""},
        plugin_row{"stackOverflow",
                   "",
                   "click fault:stack-overflow\n",
                   {},
                   "plugin-crashed",
                   "died by signal 11 (Segmentation fault) in notify code 2"},
        plugin_row{"debugOutputBeforeACrash",
                   "",
                   "click fault:last-words\n",
                   {},
                   "plugin-crashed",
                   "died by signal 11 (Segmentation fault) in notify code 2 (control event "
                   "fault:last-words \"click\")",
                   ZETH_SCRIPTED_PLUGIN,
                   "\n    debug: the last words\n    debug: unfinished\n"},
        plugin_row{"abort",
                   "",
                   "click fault:abort\n",
                   {},
                   "plugin-crashed",
                   "died by signal 6 (Aborted) in notify code 2"},
        plugin_row{"exit",
                   "",
                   "click fault:exit\n",
                   {},
                   "plugin-exited",
                   "ended the host's process with exit status 0 in notify code 2"},
        plugin_row{"underscoreExit",
                   "",
                   "click fault:_exit\n",
                   {},
                   "plugin-exited",
                   "ended the host's process with exit status 0 in notify code 2"},
        plugin_row{"loop",
                   "",
                   "click fault:loop\n",
                   {"--call-timeout", "0.5"},
                   "plugin-hung",
                   "did not return within 0.5 s (--call-timeout); the host stopped it in notify "
                   "code 2"},
        plugin_row{"sleep",
                   "",
                   "click fault:sleep\n",
                   {"--call-timeout", "0.5"},
                   "plugin-hung",
                   "did not return within 0.5 s"},
        plugin_row{"timerStorm",
                   "timer-storm",
                   "wait 1s\n",
                   {},
                   "runaway-panel",
                   "desk 1 started timer 101 while 100 of its timers were running "
                   "(--timer-limit); the host stopped the run"},
        plugin_row{"rerouteStorm",
                   "reroute-storm",
                   "route 20 101 5\n",
                   {"--message-limit", "1000"},
                   "runaway-panel",
                   "more than 1000 messages fell due at 0.000s: the panels keep the host busy "
                   "without end (--message-limit); the host stopped the run"},
        plugin_row{"fourThreads",
                   "",
                   "click hammer\n",
                   {},
                   "call-from-another-thread",
                   "came from another thread than the one the host called the panel on; the "
                   "host answered null and did nothing",
                   ZETH_THREADED_PLUGIN}),
    [](const ::testing::TestParamInfo<plugin_row>& row) { return row.param.name; });

// Failures of the surroundings: each must give a clear message and a status that says so.
TEST(supervisor, surroundingsThatFailAreNeverAPass) {
    const std::string panelPath = workFolder().string() + "#";
    const finished rejected =
        runHost({"shell", "--plugin", ZETH_SCRIPTED_PLUGIN, "--panel-path", panelPath},
                "click Take\nclick\n");
    EXPECT_EQ(rejected.status, 1) << "a rejected line from a pipe fails the run";
    EXPECT_THAT(rejected.err, HasSubstr("expected a control name"));

    // Without a plug-in the shell cannot start, yet its help still answers.
    const finished noPlugin =
        runHost({"shell", "--plugin", "/nonexistent/panel.so"}, "help\nclick Take\n");
    EXPECT_EQ(noPlugin.status, 2);
    EXPECT_THAT(noPlugin.err, HasSubstr("expect crosspoint ROUTER DEST = SOURCE"));
    EXPECT_THAT(noPlugin.err, HasSubstr("no panel to act on: cannot load the plug-in "
                                        "\"/nonexistent/panel.so\": there is no such file"));

    const finished full = runHost({}, "", "/dev/full");
    EXPECT_EQ(full.status, 2);
    EXPECT_THAT(full.err, HasSubstr("cannot write the transcript"));

    const finished noLayout =
        runHost({"--plugin", ZETH_SCRIPTED_PLUGIN, "--panel-path", "/nonexistent/layouts#"}, "");
    EXPECT_EQ(noLayout.status, 2);
    EXPECT_THAT(
        noLayout.err,
        HasSubstr("cannot show the layout: /nonexistent/layouts/test.zeth_ui: no such file"));
}

// zeth-host validate against the scripted plug-in: each row sets a mode and the controls its
// layout shows, and names the check that must report the fault, its outcome and its reason.
struct validate_row {
    std::string name;
    std::string mode;
    std::vector<std::string> controls; // the layout's controls, each clicked by the session
    std::vector<std::string> only;     // the checks to run; empty: all of them
    std::string check;
    std::string outcome;
    std::string said; // in the check's reason
    std::string messages = "300";
};

void PrintTo(const validate_row& row, std::ostream* out) {
    *out << row.name;
}

// A folder of the row's own holding test.zeth_ui with its controls.
std::filesystem::path validateFolder(const std::string& name,
                                     const std::vector<std::string>& controls) {
    const std::filesystem::path folder = workFolder() / "validate" / name;
    std::filesystem::create_directories(folder);
    std::ofstream layout(folder / "test.zeth_ui");
    for (const std::string& control : controls) {
        layout << "[[control]]\nname = \"" << control << "\"\n";
    }
    return folder;
}

finished runValidate(const std::filesystem::path& folder, const std::string& mode,
                     std::vector<std::string> options, const std::string& messages = "300") {
    std::vector<std::string> arguments = {"validate",
                                          "--plugin",
                                          ZETH_SCRIPTED_PLUGIN,
                                          "--panel-path",
                                          folder.string() + "#" + mode,
                                          "--scenario-folder",
                                          folder.string(),
                                          "--messages",
                                          messages,
                                          "--timeout",
                                          "0.5"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return runHost(arguments, "");
}

// The line of one check: "OUTCOME  ID  REASON".
std::string checkLine(const std::string& out, const std::string& id) {
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string outcome;
        std::string named;
        words >> outcome >> named;
        if (named == id) {
            return line;
        }
    }
    return "(no line for " + id + ")";
}

class validate_fault : public ::testing::TestWithParam<validate_row> {};

TEST_P(validate_fault, isReportedUnderItsCheckAndTheRunGoesOn) {
    const validate_row& row = GetParam();
    const std::filesystem::path folder = validateFolder(row.name, row.controls);
    std::vector<std::string> options;
    if (!row.only.empty()) {
        options.push_back("--only");
        options.insert(options.end(), row.only.begin(), row.only.end());
    }
    const std::filesystem::path report = folder / "validate.xml";
    options.insert(options.end(), {"--junit", report.string()});
    const finished run = runValidate(folder, row.mode, options, row.messages);
    EXPECT_EQ(run.status, row.outcome == "warning" || row.outcome == "passed" ? 0 : 1) << run.out;
    const std::string line = checkLine(run.out, row.check);
    EXPECT_THAT(line, ::testing::StartsWith(row.outcome + " ")) << run.out << run.err;
    EXPECT_THAT(line, HasSubstr(row.said)) << run.out;
    // The JUnit report says the same of the check: a failure, a skip, or a pass (a warning too).
    const std::string junitOutcome = row.outcome == "skipped" ? "skipped"
                                     : row.outcome == "warning" || row.outcome == "passed"
                                         ? "passed"
                                         : "failure";
    const std::string reading = junitReading(report);
    EXPECT_THAT(reading, HasSubstr(row.check + " " + junitOutcome + " ")) << reading;
    EXPECT_THAT(reading, HasSubstr("\nexit 0")) << reading;
    // Every check chosen has its line, the ones after a crash or a hang included.
    const std::size_t checks = row.only.empty() ? 10 : row.only.size();
    EXPECT_THAT(run.out,
                HasSubstr(std::to_string(checks) + (checks == 1 ? " check: " : " checks: ")))
        << run.out;

    // A failing session is saved, and "zeth-host run" fails on it in the same way.
    const std::filesystem::path saved = folder / "validate-session-1.zeth";
    if (row.check == "operator-session") {
        ASSERT_TRUE(std::filesystem::exists(saved)) << run.out;
        EXPECT_THAT(line, HasSubstr(saved.string()));
        if (!row.controls.empty()) {
            EXPECT_THAT(slurp(saved), HasSubstr("click \"" + row.controls.back() + "\"\n"));
        }
        const finished replay =
            runHost({"run", "--plugin", ZETH_SCRIPTED_PLUGIN, "--panel-path",
                     folder.string() + "#" + row.mode, "--call-timeout", "0.5", saved.string()},
                    "");
        EXPECT_EQ(replay.status, 1) << replay.out;
        EXPECT_THAT(lastLines(replay.out), HasSubstr("!! ")) << replay.out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    rows, validate_fault,
    ::testing::Values(
        validate_row{"crashInFactory",
                     "crash-in-factory",
                     {},
                     {},
                     "factory",
                     "crashed",
                     "died by signal 11 (Segmentation fault) in the factory"},
        validate_row{"nullObject",
                     "null-object",
                     {},
                     {"factory", "start-up"},
                     "factory",
                     "failed",
                     "gave no panel object"},
        validate_row{"throwOnCreate",
                     "throw-on-create",
                     {},
                     {"factory"},
                     "factory",
                     "failed",
                     "gave no panel object"},
        validate_row{"crashInDestructor",
                     "crash-in-destructor",
                     {},
                     {"start-up", "closing-notice", "queries"},
                     "closing-notice",
                     "crashed",
                     "died by signal 11 (Segmentation fault) in the destructor"},
        validate_row{"noClosingNotice",
                     "no-closing-notice",
                     {},
                     {"closing-notice"},
                     "closing-notice",
                     "failed",
                     "missing-closing-notice"},
        validate_row{"commandAfterClosing",
                     "command-after-closing",
                     {},
                     {"closing-notice"},
                     "closing-notice",
                     "failed",
                     "command-after-closing"},
        validate_row{"timerStorm",
                     "timer-storm",
                     {},
                     {"start-up", "operator-session"},
                     "operator-session",
                     "failed",
                     "runaway-panel"},
        validate_row{"keepReply",
                     "",
                     {"fault:keep-reply"},
                     {"operator-session"},
                     "operator-session",
                     "failed",
                     "reply-not-handed-back"},
        validate_row{"doubleHandBack",
                     "",
                     {"fault:double-hand-back"},
                     {"operator-session"},
                     "operator-session",
                     "failed",
                     "double-hand-back"},
        validate_row{"foreignHandBack",
                     "",
                     {"fault:foreign-hand-back"},
                     {"operator-session"},
                     "operator-session",
                     "failed",
                     "foreign-hand-back"},
        validate_row{"unmatchedNullHandBack",
                     "",
                     {"fault:unmatched-null-hand-back"},
                     {"operator-session"},
                     "operator-session",
                     "failed",
                     "unmatched-null-hand-back"},
        validate_row{"unknownMessageCode",
                     "",
                     {"fault:unknown-message-code"},
                     {"operator-session"},
                     "operator-session",
                     "failed",
                     "unknown-message-code"},
        validate_row{"throw",
                     "",
                     {"fault:throw"},
                     {"operator-session"},
                     "operator-session",
                     "failed",
                     "exception-from-panel"},
        validate_row{"keepNullRn",
                     "",
                     {"fault:keep-null-rn"},
                     {"operator-session"},
                     "operator-session",
                     "failed",
                     "reply-not-handed-back"},
        validate_row{"nullCommand",
                     "",
                     {"fault:null-command"},
                     {"operator-session"},
                     "operator-session",
                     "failed",
                     "unknown-command: the command text is empty"},
        validate_row{"stackOverflow",
                     "",
                     {"fault:stack-overflow"},
                     {"operator-session"},
                     "operator-session",
                     "crashed",
                     "died by signal 11 (Segmentation fault)"},
        validate_row{"underscoreExit",
                     "",
                     {"fault:_exit"},
                     {"operator-session"},
                     "operator-session",
                     "crashed",
                     "ended the host's process with exit status 0"},
        validate_row{"crashInMessage",
                     "",
                     {"fault:crash"},
                     {},
                     "operator-session",
                     "crashed",
                     "died by signal 11 (Segmentation fault) in notify code 2 (control event "
                     "fault:crash \"click\")"},
        validate_row{"abort",
                     "",
                     {"fault:abort"},
                     {"operator-session", "message-time"},
                     "operator-session",
                     "crashed",
                     "died by signal 6 (Aborted) in notify code 2"},
        validate_row{"exit",
                     "",
                     {"fault:exit"},
                     {"operator-session"},
                     "operator-session",
                     "crashed",
                     "ended the host's process with exit status 0 in notify code 2"},
        validate_row{"loop",
                     "",
                     {"fault:loop"},
                     {},
                     "operator-session",
                     "timed-out",
                     "did not return within 0.5 s (--timeout); the host stopped it in notify "
                     "code 2"},
        validate_row{"slowMessage",
                     "",
                     {"fault:slow"},
                     {"message-time"},
                     "message-time",
                     "warning",
                     "(control event fault:slow \"click\") kept the host's thread",
                     "10"},
        validate_row{"sleep",
                     "",
                     {"fault:sleep"},
                     {"message-time", "operator-session"},
                     "message-time",
                     "timed-out",
                     "did not return within 0.5 s"},
        validate_row{"fastTimer",
                     "fast-timer",
                     {"Take"},
                     {"start-up"},
                     "start-up",
                     "warning",
                     "\"ET 1 1\" starts timer 1 every 1 ms, more often than a host can keep"},
        validate_row{"secondLayout",
                     "second-layout",
                     {"Take"},
                     {"start-up", "operator-session"},
                     "start-up",
                     "failed",
                     "shows one that cannot be read (cannot show the layout: /dev/zero: a "
                     "device, not a regular file)"}),
    [](const ::testing::TestParamInfo<validate_row>& row) { return row.param.name; });

// The JSON document's shape, against the approved one: the ids in order, the outcomes, the field
// names and the reasons, with what varies (timings, this machine's paths) masked. Every check but
// exports, whose finding on this plug-in depends on what the toolchain exports of its own, and
// message-time, whose finding depends on the machine's speed (an emulator's, a sanitizer's).
TEST(validate, jsonDocumentKeepsItsApprovedShape) {
    const std::filesystem::path folder =
        validateFolder("json", {"fault:crash", "fault:keep-reply"});
    // Seed 2 clicks keep-reply before the crash: passed, failed and crashed side by side.
    std::vector<std::string> options = {
        "--json", "--seed", "2", "--junit", (folder / "validate.xml").string(), "--only"};
    for (const char* id : {"factory", "factory-null-host", "start-up", "closing-notice",
                           "message-codes", "hostile-records", "queries", "operator-session"}) {
        options.push_back(id);
    }
    const finished run = runValidate(folder, "", options);
    EXPECT_EQ(run.status, 1) << run.err;
    nlohmann::ordered_json document = nlohmann::ordered_json::parse(run.out);
    const auto mask = [&](std::string text) {
        for (const auto& [from, to] :
             {std::pair<std::string, std::string>{folder.string(), "FOLDER"},
              {ZETH_SCRIPTED_PLUGIN, "PLUGIN"}}) {
            for (std::size_t at = text.find(from); at != std::string::npos;
                 at = text.find(from, at)) {
                text.replace(at, from.size(), to);
            }
        }
        return text;
    };
    document["plugin"] = mask(document["plugin"].get<std::string>());
    document["panel_path"] = mask(document["panel_path"].get<std::string>());
    for (auto& check : document["checks"]) {
        check["seconds"] = 0;
        check["reason"] = mask(check["reason"].get<std::string>());
        if (check["scenario"].is_string()) {
            check["scenario"] = mask(check["scenario"].get<std::string>());
        }
    }
    expectApproved(document.dump(2) + "\n", "validate.approved.json");
    // The same run's JUnit report: one testcase per check, the crashes and the failure as failures.
    EXPECT_THAT(junitReading(folder / "validate.xml"),
                HasSubstr("tests=8 failures=3 errors=0 skipped=0\nexit 0"));
    expectApproved(masked(slurp(folder / "validate.xml"),
                          {{folder.string(), "FOLDER"}, {ZETH_SCRIPTED_PLUGIN, "PLUGIN"}}),
                   "validate.junit.approved.xml");
}

// validate --config: a skip with its reason and line, a per-check time limit, and the files it
// refuses with status 2, naming the line and the nearest name.
struct config_row {
    std::string name;
    std::string config;
    int status;
    std::vector<std::string> said; // in what validate prints (both streams)
};

void PrintTo(const config_row& row, std::ostream* out) {
    *out << row.name;
}

class validate_config : public ::testing::TestWithParam<config_row> {};

TEST_P(validate_config, skipsWithAReasonAndLimitsEachCheck) {
    const config_row& row = GetParam();
    const std::filesystem::path folder = validateFolder("config_" + row.name, {"fault:slow"});
    std::ofstream(folder / "validate.toml") << row.config;
    const finished run = runValidate(folder, "",
                                     {"--config", (folder / "validate.toml").string(), "--only",
                                      "operator-session", "message-time"},
                                     "3");
    EXPECT_EQ(run.status, row.status) << run.out << run.err;
    for (const std::string& said : row.said) {
        EXPECT_THAT(run.out + run.err, HasSubstr(said)) << run.out << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    rows, validate_config,
    ::testing::Values(
        config_row{"skipAndLimit",
                   "seed = 4\nskip = { \"message-time\" = \"the panel waits on a device by "
                   "design\" }\ntimeouts = { \"operator-session\" = 0.01 }\n",
                   1,
                   {"skipped   message-time       the panel waits on a device by design (",
                    "validate.toml:2)",
                    "timed-out operator-session   did not return within 0.01 s "
                    "(timeouts in ",
                    "seed 4"}},
        config_row{"emptyReason",
                   "skip = { \"message-time\" = \"\" }\n",
                   2,
                   {"validate.toml:1: skipping \"message-time\" needs a reason"}},
        config_row{"unknownId",
                   "skip = { \"operator-sesion\" = \"flaky\" }\n",
                   2,
                   {"validate.toml:1: unknown key \"operator-sesion\" in skip; did you mean "
                    "\"operator-session\"?"}},
        config_row{"unknownKey",
                   "seed = 1\nmesages = 5\n",
                   2,
                   {"validate.toml:2: unknown key \"mesages\"; did you mean \"messages\"?"}}),
    [](const ::testing::TestParamInfo<config_row>& row) { return row.param.name; });

// zeth-host run over several files: a plug-in that crashes in the first still leaves the others
// to run, each file gets its summary and all of them one more; the reports name each failing line.
TEST(run, everyFileRunsAfterACrashAndTheReportsPointAtItsLines) {
    const std::filesystem::path folder = workFolder() / "reports";
    std::filesystem::create_directories(folder);
    const auto file = [&](const std::string& name, const std::string& text) {
        std::ofstream(folder / name) << text;
        return (folder / name).string();
    };
    const std::vector<std::string> files = {
        file("crash.zeth", "expect crosspoint 20 101 = 1\nclick fault:crash\n"),
        file("passes.zeth", "expect crosspoint 20 101 = 1\n"),
        file("fails.zeth", "# an expectation and the contract broken\nexpect crosspoint 20 101 = "
                           "2\nclick fault:keep-reply\n"),
        file("unreadable.zeth", "click\n")};
    const std::filesystem::path report = folder / "run.xml";
    std::vector<std::string> arguments = {"run",
                                          "--plugin",
                                          ZETH_SCRIPTED_PLUGIN,
                                          "--panel-path",
                                          workFolder().string() + "#",
                                          "--junit",
                                          report.string(),
                                          "--report",
                                          "github"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const finished run = runHost(arguments, "");
    EXPECT_EQ(run.status, 2) << "a file could not be run" << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("crash.zeth: FAILED, 1 expectations met, 0 failed, 1 contract "
                                   "violations (plugin-crashed ended the file's run)"));
    EXPECT_THAT(run.out, HasSubstr("passes.zeth: passed, 1 expectations met"));
    EXPECT_THAT(run.out, HasSubstr("4 scenario files: 1 passed, 2 FAILED (crash.zeth, "
                                   "fails.zeth), 1 could not be run (unreadable.zeth)"));
    EXPECT_THAT(run.err, HasSubstr("unreadable.zeth:1: expected a control name"));

    const std::string reading = junitReading(report);
    EXPECT_THAT(reading, HasSubstr("crash.zeth:2: plugin-crashed: "));
    EXPECT_THAT(reading, HasSubstr("fails.zeth failure " + files[2] +
                                   ":2: expect crosspoint 20 101 = 2: FAILED, it carries 1"));
    EXPECT_THAT(reading, HasSubstr("tests=4 failures=2 errors=1 skipped=0\nexit 0"));
    const std::vector<std::pair<std::string, std::string>> paths = {
        {folder.string(), "FOLDER"},
        {workFolder().string(), "LAYOUTS"},
        {ZETH_SCRIPTED_PLUGIN, "PLUGIN"}};
    expectApproved(masked(slurp(report), paths), "run.junit.approved.xml");
    std::string annotations;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        annotations += line.rfind("::", 0) == 0 ? line + "\n" : "";
    }
    expectApproved(masked(annotations, paths), "run.github.approved.txt");

    // With JSON lines the annotations go to standard error: every line of the output is JSON.
    arguments.insert(arguments.begin() + 1, "--json");
    const finished json = runHost(arguments, "");
    std::istringstream objects(json.out);
    for (std::string line; std::getline(objects, line);) {
        EXPECT_TRUE(nlohmann::json::accept(line)) << line;
    }
    EXPECT_THAT(json.err, HasSubstr("::error file=" + files[2] + ",line=3::reply-not-handed-back"));
}

// A panel's texts reach the report as they are: whatever bytes they hold, it stays well-formed
// XML, and what can be kept is kept.
TEST(junit, staysWellFormedForAnyTextAPanelSends) {
    const std::vector<std::pair<std::string, std::string>> texts = {
        {"control characters", std::string("a\x01"
                                           "b\x1f\x7f") +
                                   '\0' + "c\td\re"},
        {"bytes that are not UTF-8", "\xff\xfe \xc3( \xe2\x82 \xed\xa0\x80 \xf4\x90\x80\x80"},
        {"non-characters", "\xef\xbf\xbe \xef\xbf\xbf"},
        {"markup", "]]> <![CDATA[ </failure> &amp; \"'<>&"},
        {"UTF-8", "Studio \xc3\x85 \xe2\x82\xac \xf0\x9f\x8e\xac"}};
    junit_suite suite{"texts <&>", "", 0.5, {}};
    for (const auto& [name, text] : texts) {
        junit_case failed{name + text, text, 0.1,  junit_case::result::failed,
                          text,        text, text, text};
        suite.cases.push_back(failed);
    }
    const std::filesystem::path report = workFolder() / "texts.xml";
    writeJunitFile(report.string(), suite);
    const std::string reading = junitReading(report);
    EXPECT_THAT(reading, HasSubstr("tests=5 failures=5 errors=0 skipped=0\nexit 0")) << reading;
    EXPECT_THAT(reading, HasSubstr("a\\x01b\\x1f\x7f\\x00c\td"));
    EXPECT_THAT(reading, HasSubstr("markup]]> <![CDATA[ </failure> &amp; \"'<>& failure"));
    EXPECT_THAT(reading, HasSubstr("Studio \xc3\x85 \xe2\x82\xac \xf0\x9f\x8e\xac failure"));
    EXPECT_THAT(reading, HasSubstr("\xef\xbf\xbd\xef\xbf\xbd \xef\xbf\xbd("));
}

// R7_DESK, the reference panel, passes every check; what keeps validate from starting is
// status 2 with a message that says what to do.
TEST(validate, passesTheReferencePanelAndSaysWhyItCannotStart) {
    const finished desk = runHost({"validate", "--messages", "2000"}, "");
    EXPECT_EQ(desk.status, 0) << desk.out << desk.err;
    const finished listed = runHost({"validate", "--list"}, "");
    std::istringstream ids(listed.out);
    int checks = 0;
    for (std::string line; std::getline(ids, line); ++checks) {
        const std::string id = line.substr(0, line.find(' '));
        EXPECT_THAT(checkLine(desk.out, id), ::testing::ContainsRegex("^(passed|warning) "))
            << desk.out;
    }
    EXPECT_EQ(checks, 10) << listed.out;

    const finished missing = runHost({"validate", "--plugin", "/nonexistent/panel.so"}, "");
    EXPECT_EQ(missing.status, 2);
    EXPECT_THAT(missing.err, HasSubstr("there is no such file"));
    const finished unknown = runHost({"validate", "--only", "no-such-check"}, "");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_THAT(unknown.err, HasSubstr("--list shows every id"));

    // Without the layout the panel shows, the checks that act on it are skipped, not failed; the
    // run says so after its summary, and --strict fails it. A scenario folder yet to be is made.
    const std::filesystem::path sessions = workFolder() / "validate" / "sessions" / "new";
    std::filesystem::remove_all(sessions);
    const std::vector<std::string> noLayoutRun = {"validate",
                                                  "--plugin",
                                                  ZETH_SCRIPTED_PLUGIN,
                                                  "--panel-path",
                                                  "/nonexistent/layouts#",
                                                  "--scenario-folder",
                                                  sessions.string(),
                                                  "--only",
                                                  "factory",
                                                  "operator-session"};
    const finished noLayout = runHost(noLayoutRun, "");
    EXPECT_EQ(noLayout.status, 0) << noLayout.out << noLayout.err;
    EXPECT_THAT(checkLine(noLayout.out, "factory"), ::testing::StartsWith("passed "));
    EXPECT_THAT(checkLine(noLayout.out, "operator-session"), ::testing::StartsWith("skipped "));
    EXPECT_THAT(checkLine(noLayout.out, "operator-session"), HasSubstr("--panel-path"));
    EXPECT_THAT(noLayout.out, ::testing::ContainsRegex("\n1 of 2 checks was skipped and checked "
                                                       "nothing[^\n]*operator-session: the "
                                                       "panel's layout cannot be read[^\n]*"
                                                       "--strict makes a skip fail the run"));
    EXPECT_TRUE(std::filesystem::is_directory(sessions));
    std::vector<std::string> strict = noLayoutRun;
    strict.push_back("--strict");
    const finished strictRun = runHost(strict, "");
    EXPECT_EQ(strictRun.status, 1) << strictRun.out;
    EXPECT_THAT(strictRun.out, HasSubstr("1 passed, 1 skipped (exit status 1)"));
    // A skip the project's configuration asks for, with its reason, is no failure even so.
    const std::filesystem::path config = workFolder() / "validate" / "skip_factory.toml";
    std::ofstream(config) << "skip = { \"factory\" = \"checked by the project's own test\" }\n";
    const finished configured = runHost({"validate", "--plugin", ZETH_SCRIPTED_PLUGIN, "--config",
                                         config.string(), "--strict", "--only", "factory"},
                                        "");
    EXPECT_EQ(configured.status, 0) << configured.out << configured.err;
    EXPECT_THAT(configured.out, HasSubstr("The configuration asks for them"));
    const finished notAFolder =
        runHost({"validate", "--scenario-folder", ZETH_SCRIPTED_PLUGIN}, "");
    EXPECT_EQ(notAFolder.status, 2);
    EXPECT_THAT(notAFolder.err, HasSubstr("cannot make the scenario folder"));
}

} // namespace
