#include "hot_reload.h"

#include <fstream>

namespace {

// Rounds of trials on a session that grew meanwhile, before the last round holds the emulator's
// thread.
constexpr int roundLimit = 4;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

hot_reload::hot_reload(plugin_builds& copies, reload_setting chosen, reload_hooks calls)
    : builds(copies), setting(std::move(chosen)), hooks(std::move(calls)),
      servingBuild(copies.serving()) {}

hot_reload::~hot_reload() {
    stop();
}

void hot_reload::watch() {
    if (!watcher.joinable()) {
        watcher = std::thread([this] { watching(); });
    }
}

void hot_reload::stop() {
    {
        std::lock_guard<std::mutex> lock(guard);
        stopping = true;
    }
    wake.notify_all();
    if (watcher.joinable()) {
        watcher.join();
    }
}

std::optional<reload_report> hot_reload::latest() const {
    std::lock_guard<std::mutex> lock(guard);
    return last;
}

std::optional<plugin_build> hot_reload::serving() const {
    std::lock_guard<std::mutex> lock(guard);
    return servingBuild;
}

void hot_reload::watching() {
    const std::optional<plugin_build> serving = builds.serving();
    settle_watch files(serving ? serving->stamp : file_stamp{}, setting.settle);
    std::unique_lock<std::mutex> lock(guard);
    while (!wake.wait_for(lock, setting.poll, [this] { return stopping; })) {
        lock.unlock();
        const file_stamp seen = stampOf(builds.pluginFile());
        const auto now = std::chrono::steady_clock::now();
        if (files.look(seen, now)) {
            files.taken(seen);
            reloadNow(now);
        }
        lock.lock();
    }
}

reload_report hot_reload::reloadNow(std::chrono::steady_clock::time_point settled) {
    reload_report report;
    report.reload = ++reloads;
    report.pluginFile = builds.pluginFile();
    const std::optional<plugin_build> serving = builds.serving();
    const auto tell = [this, &report, settled] {
        report.seconds = secondsSince(settled);
        {
            std::lock_guard<std::mutex> lock(guard);
            last = report;
            if (report.inService) {
                servingBuild = report.build;
            }
        }
        hooks.reported(report);
    };
    try {
        report.build = builds.copyCandidate();
    } catch (const std::exception& error) {
        report.refusal = error.what();
        hooks.onEmulatorThread(tell);
        return report;
    }

    // The trials of one snapshot: the new build's replay, and the serving build's beside it.
    const auto tryOn = [this, &report, &serving](const session_snapshot& snapshot) {
        report.lines = snapshot.lines;
        std::ofstream(setting.sessionFile, std::ios::trunc) << snapshot.text;
        const bool cached =
            serving && cache.build == serving->number && cache.text == snapshot.text;
        std::vector<std::string> previous = cached ? cache.transcript : std::vector<std::string>{};
        std::thread before;
        if (serving && !cached) {
            before = std::thread([this, &serving, &previous] {
                previous =
                    replayOnBuild(setting.trial, serving->file, setting.sessionFile).transcript;
            });
        }
        const trial_outcome tried =
            replayOnBuild(setting.trial, report.build.file, setting.sessionFile);
        if (before.joinable()) {
            before.join();
        }
        report.previous = std::move(previous);
        report.replay = tried.transcript;
        report.refusal = tried.refusal;
        report.inService = tried.played;
    };
    // On the emulator's thread: the build takes over, unless the session grew since snapshot.
    const auto takeOver = [this, &report, &tell](const session_snapshot& snapshot, bool& grown) {
        grown = hooks.session().version != snapshot.version;
        if (grown) {
            return;
        }
        if (report.inService) {
            // Renamed before the take-over, so that the desks load the build from where it stays.
            try {
                report.build = builds.accept(report.build);
                hooks.takeOver(report.build, snapshot);
            } catch (const std::exception& error) {
                report.inService = false;
                report.refusal = error.what();
            }
        }
        if (report.inService) {
            builds.retireBefore(report.build);
            cache = {report.build.number, snapshot.text, report.replay};
        } else {
            builds.refuse(report.build);
        }
        tell();
    };

    for (int round = 1; round <= roundLimit; ++round) {
        session_snapshot snapshot;
        bool grown = false;
        bool ran = false;
        if (round < roundLimit) {
            ran = hooks.onEmulatorThread([&] { snapshot = hooks.session(); });
            if (ran) {
                tryOn(snapshot);
                ran = hooks.onEmulatorThread([&] { takeOver(snapshot, grown); });
            }
        } else {
            ran = hooks.onEmulatorThread([&] {
                snapshot = hooks.session();
                tryOn(snapshot);
                takeOver(snapshot, grown);
            });
        }
        if (!ran) {
            builds.refuse(report.build); // the desks are closing
            return report;
        }
        if (!grown) {
            return report;
        }
    }
    return report;
}
