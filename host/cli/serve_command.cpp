#include "serve_command.h"

#include "console.h"
#include "desk_server.h"
#include "scenario_language.h"
#include "supervisor.h"

#include <atomic>
#include <memory>

namespace {

// Set by an interrupt in both processes; the supervisor passes it on to the child.
std::atomic<bool> stopRequested{false};

// Keeps the supervisor's line when the plug-in's process dies: the page shows it.
class crash_watch : public transcript_writer {
public:
    void write(const transcript_entry& entry) override {
        if (entry.kind == entry_kind::violation &&
            (entry.id == "plugin-crashed" || entry.id == "plugin-exited" ||
             entry.id == "plugin-hung")) {
            report = entry.id + ": " + entry.detail +
                     (entry.cause.empty() ? std::string() : " [cause: " + entry.cause + "]");
        }
    }
    std::string report;
};

// The desks and their server, in the process that holds the plug-in.
int serveDesks(const serve_request& request, scenario_setup setup, http_endpoint& endpoint,
               event_stream& stream, transcript& record, std::ostream& messages,
               const std::string& crashReport) {
    record.attach(stream);
    emulator host(setup.plant, setup.layouts, setup.options, record);
    scenario_runner runner(host, record);
    int desks = setup.defaultDesks;
    for (const scenario& opening : request.openings) {
        desks = opening.panels.value_or(desks);
    }
    transcript_entry banner;
    banner.kind = entry_kind::banner;
    banner.text = "zeth-host serve: " + setup.description;
    record.add(banner);
    desk_server server(endpoint, host, stream,
                       languageHooks(host, runner, desks, request.openings, messages),
                       {crashReport});
    server.run(stopRequested);
    return 0;
}

} // namespace

serve_hooks languageHooks(emulator& host, scenario_runner& runner, int desks,
                          const std::vector<scenario>& openings, std::ostream& messages) {
    auto lineNumber = std::make_shared<int>(0);
    serve_hooks hooks;
    hooks.start = [&host, &runner, desks, &openings, &messages] {
        try {
            // The first scenario's host answers at its top hold for the start-up too.
            std::size_t first = 0;
            if (!openings.empty()) {
                for (; first < hostOpening(openings.front(), 0); ++first) {
                    runner.run(openings.front().steps[first]);
                }
            }
            host.start(desks);
            host.showViews();
            for (const scenario& opening : openings) {
                for (std::size_t next = &opening == &openings.front() ? first : 0;
                     next < opening.steps.size(); ++next) {
                    runner.run(opening.steps[next]);
                }
            }
        } catch (const std::exception& error) {
            messages << "zeth-host: " << error.what() << '\n' << std::flush;
            throw;
        }
    };
    hooks.line = [&runner, lineNumber](const std::string& text) {
        const std::string word = text.substr(0, text.find_first_of(" \t\r"));
        if (word == "help") {
            return line_outcome{line_outcome::verdict::done, scenarioHelp()};
        }
        if (word == "quit" || word == "exit") {
            return line_outcome{line_outcome::verdict::unparsable,
                                "the page does not stop zeth-host: press Ctrl-C where it runs"};
        }
        std::optional<scenario_step> step;
        try {
            step = parseScenarioLine(text, "page", ++*lineNumber);
        } catch (const scenario_error& error) {
            return line_outcome{line_outcome::verdict::unparsable, error.what()};
        }
        if (step) {
            const int before = runner.notCarriedOut();
            runner.run(*step);
            if (runner.notCarriedOut() > before) {
                return line_outcome{line_outcome::verdict::notCarriedOut, {}};
            }
        }
        return line_outcome{};
    };
    hooks.currentDesk = [&runner] { return runner.currentDesk(); };
    return hooks;
}

int runServe(const serve_request& request, transcript& record, std::ostream& messages) {
    http_endpoint endpoint(request.bind, request.port);
    if (!endpoint.loopback()) {
        messages << "zeth-host serve: warning: listening on " << request.bind
                 << ", not on loopback: anyone who can reach this machine can work the desks\n";
    }
    messages << "zeth-host serve: the desks are at " << endpoint.url()
             << "  (Ctrl-C closes them and stops)\n"
             << std::flush;
    catchInterrupts(stopRequested);
    crash_watch crashes;
    record.attach(crashes);
    event_stream stream;
    std::string crashReport;
    while (true) {
        const supervised_body body = [&](supervised_run& child) {
            scenario_setup watched = request.setup;
            watched.options.calls = &child.calls;
            watched.options.viewsOfEveryDeskUpTo = desk_server::viewsOfEveryDeskUpTo;
            watched.options.debugOutput = child.debugOutput;
            return serveDesks(request, watched, endpoint, stream, child.record, child.messages,
                              crashReport);
        };
        crashes.report.clear();
        const int status =
            request.inProcess
                ? runInProcess(body, record, messages)
                : runSupervised({request.pluginFile, request.callTimeout, request.output,
                                 "--call-timeout", [](int child) { passInterruptsTo(child); }},
                                body, record, messages);
        passInterruptsTo(0);
        if (stopRequested || request.inProcess || crashes.report.empty()) {
            return stopRequested && status != 2 ? 0 : status;
        }
        crashReport = crashes.report;
        messages << "zeth-host serve: the plug-in's process ended; the page offers to start the "
                    "desks again\n"
                 << std::flush;
    }
}
