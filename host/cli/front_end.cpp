#include "front_end.h"

#include "builtin_files.h"
#include "help_topics.h"
#include "json_transcript.h"
#include "program_location.h"
#include "scenario_batch.h"
#include "scenario_runner.h"
#include "shell.h"
#if defined(ZETH_HOST_SERVE)
#include "serve_command.h"
#endif
#include "supervisor.h"
#include "text_transcript.h"
#include "validation_run.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <memory>

namespace {

struct command_line {
    std::string facilityFile;
    std::string pluginFile;
    std::string panelPath;
    int panels = 1;
    bool realtime = false;
    bool json = false;
    bool inProcess = false;
    double callTimeout = 10.0;
    std::int64_t messageLimit = 100000;
    int timerLimit = 100;
    std::vector<std::string> scenarios;
    // run and validate: reports for CI
    std::string junitFile;
    std::string report;
    bool coverage = false;
    // validate
    std::vector<std::string> only;
    bool list = false;
    std::uint64_t seed = 1;
    std::int64_t messages = 10000;
    double timeout = 10.0;
    std::string scenarioFolder = ".";
    std::string configFile;
    std::int64_t repeat = 1;
    bool onlyFailed = false;
    bool strict = false;
    // help
    std::string topic;
    // validate: one check's process, started anew (validation_run.h: runOneCheck)
    std::string check;
    std::string sessionFile;
    std::string replayFile;
    // serve
    std::string bind = "127.0.0.1";
    int port = 8270;
    bool virtualClock = false;
    bool watch = true;
};

void addOptions(CLI::App& app, command_line& options) {
    app.add_option("--facility", options.facilityFile,
                   "Facility file (TOML); default: the built-in facility")
        ->check(CLI::ExistingFile);
    app.add_option("--plugin", options.pluginFile,
                   "Panel plug-in to load; default: R7_DESK beside zeth-host");
    app.add_option("--panel-path", options.panelPath,
                   "Panel path handed to each panel; default: the facility's");
    app.add_option("--panels", options.panels,
                   "Desks sharing the facility, when a scenario does not say")
        ->check(CLI::Range(1, 1000));
    app.add_flag("--realtime", options.realtime, "Run the clock against the wall clock");
    app.add_flag("--json", options.json, "Write the transcript as JSON lines");
    app.add_option("--call-timeout", options.callTimeout,
                   "Seconds a call into the plug-in may take before it counts as hung")
        ->check(CLI::Range(0.01, 86400.0));
    app.add_option("--message-limit", options.messageLimit,
                   "Messages that may fall due at one instant before the panel counts as runaway")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{1} << 40));
    app.add_option("--timer-limit", options.timerLimit,
                   "Timers one desk may run before the panel counts as runaway")
        ->check(CLI::Range(1, 1000000));
    app.add_flag("--in-process", options.inProcess,
                 "Run the plug-in in zeth-host's own process (for a debugger): a crash or hang "
                 "then ends zeth-host without a report");
}

// The options that shape a supervised body's work, as arguments: what this program, started
// again, is given before its command to reach the same body (supervision::restart).
std::vector<std::string> bodyOptions(const command_line& options) {
    std::vector<std::string> given;
    const auto add = [&given](const char* name, const std::string& value) {
        given.emplace_back(name);
        given.push_back(value);
    };
    if (!options.facilityFile.empty()) {
        add("--facility", options.facilityFile);
    }
    if (!options.pluginFile.empty()) {
        add("--plugin", options.pluginFile);
    }
    if (!options.panelPath.empty()) {
        add("--panel-path", options.panelPath);
    }
    add("--panels", std::to_string(options.panels));
    if (options.realtime) {
        given.emplace_back("--realtime");
    }
    add("--message-limit", std::to_string(options.messageLimit));
    add("--timer-limit", std::to_string(options.timerLimit));
    return given;
}

std::string fileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string describe(const command_line& options, const std::string& facilityFile) {
    return "plug-in " +
           (options.pluginFile.empty() ? std::string("R7_DESK") + " (built beside it)"
                                       : fileName(options.pluginFile)) +
           ", facility " +
           (facilityFile.empty() ? std::string(layout_store::builtinDirectory)
                                 : fileName(facilityFile));
}

scenario_setup makeSetup(const command_line& options) {
    scenario_setup setup{options.facilityFile.empty() ? builtinFacility()
                                                      : readFacilityFile(options.facilityFile),
                         builtinLayouts(),
                         {options.pluginFile, options.panelPath, options.realtime, nullptr,
                          options.messageLimit, options.timerLimit},
                         options.panels,
                         {}};
    setup.description = describe(options, options.facilityFile);
    return setup;
}

// The scenario files given (none: the built-in demo), each read with its own facility if it names
// one; a file that cannot be read, or whose facility cannot, carries the reason instead.
std::vector<batch_file> readScenarios(const command_line& options) {
    std::vector<batch_file> files;
    if (options.scenarios.empty()) {
        files.push_back(
            {"", "the demo", parseScenario(builtinDemoText(), "demo.zeth"), {}, {}, {}});
    }
    for (const std::string& path : options.scenarios) {
        batch_file next{path, fileName(path), {}, {}, {}, {}};
        try {
            next.play = readScenarioFile(path);
        } catch (const std::exception& error) {
            next.problem = error.what();
            files.push_back(std::move(next));
            continue;
        }
        if (!next.play->facilityFile.empty()) {
            try {
                next.plant = readFacilityFile(next.play->facilityFile);
            } catch (const std::exception& error) {
                next.problem = path + ":" + std::to_string(next.play->facilityAt) +
                               ": the facility file cannot be used: " + error.what();
                next.play.reset();
            }
            next.description = describe(options, next.play ? next.play->facilityFile : "");
        }
        files.push_back(std::move(next));
    }
    return files;
}

// The reports a CI system reads, for run and validate alike.
void addReportOptions(CLI::App& command, command_line& options) {
    command.add_option("--junit", options.junitFile,
                       "Also write a JUnit XML report to this file, for a CI system");
    command
        .add_option("--report", options.report,
                    "github: also print each failure as an annotation line of that CI system")
        ->check(CLI::IsMember({"github"}));
}

void addValidateOptions(CLI::App& validate, command_line& options) {
    validate.footer("Also zeth-host's own options: --plugin P (default: R7_DESK beside zeth-host), "
                    "--facility F, --panel-path DIR, and --json for one JSON document.\nExit "
                    "status: 0 when no check failed, crashed or timed out; 1 otherwise; 2 when "
                    "the checks could not start.");
    validate.add_option("--only", options.only, "Run only the checks with these ids");
    validate.add_flag("--list", options.list, "List every check's id and what it checks");
    validate.add_option("--seed", options.seed, "Seed of the random operator session");
    validate.add_option("--messages", options.messages, "Operator actions in the random session")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{100000000}));
    validate
        .add_option("--timeout", options.timeout,
                    "Seconds a call into the plug-in may take before the check is timed-out")
        ->check(CLI::Range(0.01, 86400.0));
    validate.add_option("--scenario-folder", options.scenarioFolder,
                        "Where a failing random session is saved as a scenario file (made when "
                        "missing)");
    validate.add_flag("--strict", options.strict,
                      "Count a skipped check as a failure: exit status 1");
    validate.add_option("--config", options.configFile,
                        "The project's settings (TOML): checks skipped with their reasons, "
                        "per-check time limits, seed, messages; options given here win");
    validate
        .add_option("--repeat", options.repeat,
                    "Run the operator session with this many seeds, from --seed on")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{10000}));
    validate.add_flag("--only-failed", options.onlyFailed,
                      "Print only the checks that did not pass (and the summary)");
    addReportOptions(validate, options);
    // Not for people: how a check's process, started anew, reaches the check's work.
    validate.add_option("--check", options.check)->group("");
    validate.add_option("--session-file", options.sessionFile)->group("");
    validate.add_option("--replay-file", options.replayFile)->group("");
}

int runHelp(const std::string& topic) {
    const std::optional<std::string> text = helpText(topic);
    if (!text) {
        std::cerr << "zeth-host help: there is no topic \"" << topic
                  << "\"; zeth-host help lists them\n";
        return 2;
    }
    std::cout << *text << std::flush;
    return 0;
}

int runValidate(const command_line& options, const CLI::App& validate) {
    if (options.list) {
        std::cout << checkListing() << std::flush;
        return 0;
    }
    try {
        validation_request request;
        validation_settings& settings = request.settings;
        settings.pluginFile = options.pluginFile.empty() ? defaultPluginPath() : options.pluginFile;
        settings.plant = options.facilityFile.empty() ? builtinFacility()
                                                      : readFacilityFile(options.facilityFile);
        settings.facilityFile = options.facilityFile;
        settings.layouts = builtinLayouts();
        settings.panelPath = options.panelPath;
        settings.seed = options.seed;
        settings.messages = options.messages;
        settings.timeout = options.timeout;
        settings.restart = bodyOptions(options);
        if (!options.check.empty()) {
            settings.sessionFile = options.sessionFile;
            settings.replayFile = options.replayFile;
            return runOneCheck(settings, options.check, std::cout);
        }
        if (!options.configFile.empty()) {
            request.config = readValidationConfig(options.configFile);
            const auto given = [&](const char* option) { return validate.count(option) > 0; };
            settings.seed =
                given("--seed") ? options.seed : request.config.seed.value_or(options.seed);
            settings.messages = given("--messages")
                                    ? options.messages
                                    : request.config.messages.value_or(options.messages);
            settings.timeout = given("--timeout")
                                   ? options.timeout
                                   : request.config.timeout.value_or(options.timeout);
        }
        request.only = options.only;
        request.json = options.json;
        request.scenarioFolder = options.scenarioFolder;
        request.repeat = options.repeat;
        request.onlyFailed = options.onlyFailed;
        request.junitFile = options.junitFile;
        request.githubReport = options.report == "github";
        request.strict = options.strict;
        return runValidation(request, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << "zeth-host validate: " << error.what() << '\n';
        return 2;
    }
}

} // namespace

int runFrontEnd(int argc, char** argv) {
    CLI::App app{"zeth-host: the host emulator. It loads a panel plug-in and plays the host's "
                 "part against a simulated facility.\nWithout a subcommand it runs the built-in "
                 "demo.",
                 "zeth-host"};
    // Options are "--name" on every system: on Windows, CLI11 would also take "/name" for one,
    // and so refuse a path such as "/work/plant.toml" (a path on the current drive).
    app.allow_windows_style_options(false);
    command_line options;
    addOptions(app, options);
    app.fallthrough();
    CLI::App* run = app.add_subcommand(
        "run", "Run scenario files, each in a process of its own (none: the built-in demo)");
    run->add_option("scenarios", options.scenarios, "Scenario files")->check(CLI::ExistingFile);
    addReportOptions(*run, options);
    run->add_flag("--coverage", options.coverage,
                  "After the run, what the scenarios reached of each layout, the commands and "
                  "the message codes, and what nothing reached");
    CLI::App* shell = app.add_subcommand("shell", "Type the scenario language interactively");
    CLI::App* validate = app.add_subcommand(
        "validate", "Check a panel plug-in against the host contract, one line per check");
    addValidateOptions(*validate, options);
    CLI::App* help = app.add_subcommand(
        "help", "The references: the scenario language, the events a panel receives, the file "
                "formats, the HTTP routes (no plug-in needed)");
    help->add_option("topic", options.topic, "One reference; none: the list of topics");
#if defined(ZETH_HOST_SERVE)
    CLI::App* serve = app.add_subcommand(
        "serve", "Serve the desks to a browser, live (scenario files given are played first)");
    serve->add_option("scenarios", options.scenarios, "Scenario files")->check(CLI::ExistingFile);
    serve->add_option("--port", options.port, "Port to listen on; 0 picks a free one")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    serve
        ->add_option("--bind", options.bind,
                     "Address to listen on; anything but loopback lets other machines in")
        ->capture_default_str();
    serve->add_flag("--virtual", options.virtualClock,
                    "Virtual clock: time passes only when the page steps it");
    serve->add_flag("--watch,!--no-watch", options.watch,
                    "Reload the plug-in when it is rebuilt, replaying the session (default: on)");
    serve
        ->add_option("--scenario-folder", options.scenarioFolder,
                     "Where the page saves the session as a scenario, and opens saved ones")
        ->check(CLI::ExistingDirectory)
        ->capture_default_str();
#else
    CLI::App* serve = app.add_subcommand("serve", "Not in this build (no HTTP library)");
    serve->allow_extras();
#endif
    app.require_subcommand(0, 1);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? 0 : 2;
    }

    if (validate->parsed()) {
        return runValidate(options, *validate);
    }
    if (help->parsed()) {
        return runHelp(options.topic);
    }
#if !defined(ZETH_HOST_SERVE)
    if (serve->parsed()) {
        std::cerr << "zeth-host: serve is not in this build: it was built without an HTTP library "
                     "(the 32-bit Linux build has none); run, shell and validate are. For the "
                     "desks in a browser, use the 64-bit Linux or the Windows build of zeth-host\n";
        return 2;
    }
#endif
    std::unique_ptr<transcript_writer> writer;
    if (options.json) {
        writer = std::make_unique<json_transcript>(std::cout);
    } else {
        writer = std::make_unique<text_transcript>(std::cout);
    }
    transcript record;
    record.attach(*writer);
    int status = 2;
    try {
#if defined(ZETH_HOST_SERVE)
        if (serve->parsed()) {
            serve_request request;
            request.setup = makeSetup(options);
            request.callTimeout = options.callTimeout;
            request.output = &std::cout;
            request.inProcess = options.inProcess;
            request.bind = options.bind;
            request.port = options.port;
            request.setup.options.realtime = !options.virtualClock;
            request.pluginFile =
                options.pluginFile.empty() ? defaultPluginPath() : options.pluginFile;
            request.facilityFile = options.facilityFile;
            request.watch = options.watch;
            request.scenarioFolder = options.scenarioFolder;
            request.program = programFile().string();
            for (const batch_file& file : readScenarios(options)) {
                if (!file.play) {
                    throw scenario_error(file.problem);
                }
                if (!file.play->facilityFile.empty()) {
                    throw scenario_error(file.name + ": it names its own facility; zeth-host "
                                                     "serve takes the facility from --facility");
                }
                if (!options.scenarios.empty()) {
                    request.openings.push_back(*file.play);
                }
            }
            status = runServe(request, record, std::cerr);
            std::cout.flush();
            return status;
        }
#endif
        // Files are read here, before the plug-in's process starts: a bad facility stops the
        // run with status 2 before anything is loaded, a bad scenario file is named and skipped.
        const scenario_setup setup = makeSetup(options);
        const std::string pluginFile =
            options.pluginFile.empty() ? defaultPluginPath() : options.pluginFile;
        if (shell->parsed()) {
            const supervised_body body = [&](supervised_run& child) {
                scenario_setup watched = setup;
                watched.options.calls = &child.calls;
                watched.options.debugOutput = child.debugOutput;
                return runShell(watched, options.panels, child.record, child.messages);
            };
            std::vector<std::string> restart = bodyOptions(options);
            restart.emplace_back("shell");
            status = options.inProcess ? runInProcess(body, record, std::cerr)
                                       : runSupervised({pluginFile,
                                                        options.callTimeout,
                                                        &std::cout,
                                                        "--call-timeout",
                                                        {},
                                                        restart},
                                                       body, record, std::cerr);
        } else {
            batch_request batch{readScenarios(options),
                                setup,
                                pluginFile,
                                options.callTimeout,
                                options.inProcess,
                                options.json,
                                options.junitFile,
                                options.report == "github",
                                options.coverage,
                                &std::cout,
                                bodyOptions(options)};
            status = runBatch(batch, *writer, std::cout, std::cerr);
        }
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << "zeth-host: " << error.what() << '\n';
        return 2;
    }
    if (!std::cout.flush() && status != 2) {
        std::cerr << "zeth-host: cannot write the transcript to standard output: the run's "
                     "record is lost; free space or choose another output\n";
        return 2;
    }
    return status;
}
