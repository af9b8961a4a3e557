#include "serve_command.h"

#include "child_process.h"
#include "console.h"
#include "desk_server.h"
#include "hot_reload.h"
#include "live_desks.h"
#include "platform_error.h"
#include "plugin_loader.h"
#include "private_folder.h"
#include "reload_routes.h"
#include "session_routes.h"
#include "supervisor.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>

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

// The folder of the plug-in's copies: private to this run, removed when it ends.
class copies_folder {
public:
    copies_folder() {
        try {
            path = makePrivateFolder("zeth-host-serve-").string();
        } catch (const platform_error& error) {
            throw serve_error(std::string("no folder for the plug-in's copies: ") + error.what() +
                              "; set TMPDIR, or serve with --no-watch");
        }
    }
    ~copies_folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    copies_folder(const copies_folder&) = delete;
    copies_folder& operator=(const copies_folder&) = delete;

    std::string path;
};

// Which build the desks run, as a session's heading names it.
std::string buildText(const std::optional<plugin_build>& serving) {
    return serving ? "build " + std::to_string(serving->number) + ", of " + serving->modified
                   : std::string();
}

// The desks and their server, in the process that holds the plug-in.
int serveDesks(const serve_request& request, const scenario_setup& setup, http_endpoint& endpoint,
               event_stream& stream, transcript& record, std::ostream& messages,
               const std::string& crashReport, const std::string& copies) {
    record.attach(stream);
    transcript_entry banner;
    banner.kind = entry_kind::banner;
    banner.text = "zeth-host serve: " + setup.description;
    record.add(banner);

    int desks = setup.defaultDesks;
    for (const scenario& opening : request.openings) {
        desks = opening.panels.value_or(desks);
    }
    live_setup live{setup.plant, setup.layouts,    setup.options,
                    desks,       request.openings, request.facilityFile};
    std::optional<plugin_builds> builds;
    if (request.watch) {
        builds.emplace(request.pluginFile, copies);
        try {
            std::optional<plugin_build> serving = builds->serving();
            serving = serving ? serving : builds->accept(builds->copyCandidate());
            live.options.pluginPath = serving->file;
        } catch (const plugin_error& error) {
            // No build yet: the desks cannot start, and the first build to settle starts them.
            messages << "zeth-host serve: " << error.what() << '\n' << std::flush;
        }
    }
    live_desks served(live, record, messages);
    desk_server server(endpoint, served, stream, {crashReport});
    desk_routes& routes = server.desks();
    std::optional<hot_reload> reload;
    if (builds) {
        reload_setting setting;
        setting.trial = {request.program, setup.options.panelPath, request.callTimeout,
                         setup.options.messageLimit, setup.options.timerLimit};
        setting.sessionFile = (std::filesystem::path(copies) / "session.zeth").string();
        reload_hooks hooks;
        hooks.onEmulatorThread = [&server](std::function<void()> work) {
            return server.onEmulatorThread(std::move(work));
        };
        hooks.session = [&served] { return served.snapshot(); };
        hooks.takeOver = [&served, &routes](const plugin_build& build,
                                            const session_snapshot& snapshot) {
            if (routes.running()) {
                served.rebuild(build.file, snapshot.text);
                routes.desksRemade();
            } else {
                // Desks that had stopped (or never started) start afresh on the new build.
                const std::string before = served.pluginFile();
                served.usePlugin(build.file);
                routes.startDesks();
                if (!routes.running()) {
                    served.usePlugin(before);
                    throw std::runtime_error(routes.currentState().value("stopped", ""));
                }
            }
        };
        hooks.reported = [&stream](const reload_report& report) { publishReload(stream, report); };
        reload.emplace(*builds, setting, hooks);
    }
    addReloadRoutes(server.routes(), routes, request.pluginFile, reload ? &*reload : nullptr);
    session_routes sessions(
        server.routes(), routes, served,
        {request.scenarioFolder, request.pluginFile, setup.options.panelPath,
         [&reload] { return buildText(reload ? reload->serving() : std::nullopt); }});
    if (reload) {
        reload->watch();
    }
    server.run(stopRequested);
    if (reload) {
        reload->stop();
    }
    return 0;
}

} // namespace

int runServe(const serve_request& request, transcript& record, std::ostream& messages) {
    http_endpoint endpoint(request.bind, request.port);
    if (!endpoint.loopback()) {
        messages << "zeth-host serve: warning: listening on " << request.bind
                 << ", not on loopback: anyone who can reach this machine can work the desks\n";
    }
    messages << "zeth-host serve: the desks are at " << endpoint.url()
             << "  (Ctrl-C closes them and stops)\n"
             << std::flush;
    // The desks' process serves on the socket bound here and keeps the page's stream across a
    // crash: only a copy of this process can. Where the plug-in's process would be this program
    // started afresh (Windows), the desks run in this process, and a crash ends serve.
    const bool inProcess = request.inProcess || !child_process::copiesThisProcess();
    if (inProcess && !request.inProcess) {
        messages << "zeth-host serve: on this system the plug-in runs in zeth-host's own process: "
                    "a crash or a hang of it ends serve (run, shell and validate supervise it)\n"
                 << std::flush;
    }
    catchInterrupts(stopRequested);
    crash_watch crashes;
    record.attach(crashes);
    event_stream stream;
    std::string crashReport;
    std::optional<copies_folder> copies;
    if (request.watch) {
        copies.emplace();
    }
    while (true) {
        const supervised_body body = [&](supervised_run& child) {
            scenario_setup watched = request.setup;
            watched.options.calls = &child.calls;
            watched.options.viewsOfEveryDeskUpTo = desk_server::viewsOfEveryDeskUpTo;
            watched.options.debugOutput = child.debugOutput;
            return serveDesks(request, watched, endpoint, stream, child.record, child.messages,
                              crashReport, copies ? copies->path : std::string());
        };
        crashes.report.clear();
        const int status = inProcess ? runInProcess(body, record, messages)
                                     : runSupervised({request.pluginFile,
                                                      request.callTimeout,
                                                      request.output,
                                                      "--call-timeout",
                                                      [](int child) { passInterruptsTo(child); },
                                                      {}},
                                                     body, record, messages);
        passInterruptsTo(0);
        if (stopRequested || inProcess || crashes.report.empty()) {
            return stopRequested && status != 2 ? 0 : status;
        }
        crashReport = crashes.report;
        messages << "zeth-host serve: the plug-in's process ended; the page offers to start the "
                    "desks again\n"
                 << std::flush;
    }
}
