// The reload of a rebuilt plug-in, from the file settled to the page told: the real R7_DESK on
// the built-in facility, a served session of 100 actions (pick a package, pick a button, let
// Take flash, Take, Undo, over and over, with the clock's steps between), the plug-in file
// written anew, and one reload: the copy, the trials of the session on the new build (and on the
// build that served, unless the last reload already replayed this very session on it), the
// comparison, and the take-over, where the desks are made anew and the session replayed on them.
// The figure is wall time (the trials are processes of their own); "replay_ms" is the take-over's
// replay on its own, the part of the reload that grows with the session.
//
// reloadAfterClicks: the session grew since the last reload (two trials, side by side);
// reloadUnchanged: it did not (the serving build's replay is the last reload's, one trial).
// "--smoke" runs one reload of each only (the ci preset's brief test).
#include "builtin_files.h"
#include "hot_reload.h"
#include "live_desks.h"
#include "plugin_loader.h"
#include "private_folder.h"
#include "program_location.h"
#include "smoke_main.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A served session on R7_DESK whose plug-in file can be rebuilt, with its reload.
class reloading_desks {
public:
    reloading_desks() {
        fs::create_directories(folder / "copies");
        copyPlugin();
        builds = std::make_unique<plugin_builds>(watched.string(), (folder / "copies").string());
        const plugin_build first = builds->accept(builds->copyCandidate());
        live_setup setup{builtinFacility(), builtinLayouts(), {}, 1, {}, {}};
        setup.options.pluginPath = first.file;
        desks = std::make_unique<live_desks>(setup, record, messages);
        desks->start();
        const char* packages[] = {"1", "2", "5", "7"};
        for (int cycle = 0; cycle < 20; ++cycle) {
            for (const std::string& line : {std::string("select ") + packages[cycle % 4],
                                            std::string("click Dest_2"), std::string("wait 1500ms"),
                                            std::string("click Take"), std::string("click Undo")}) {
                desks->line(line);
            }
        }
        reload_setting setting;
        setting.trial.program = (programDirectory() / "zeth-host").string();
        setting.sessionFile = (folder / "copies" / "session.zeth").string();
        reload_hooks hooks;
        hooks.onEmulatorThread = [](const std::function<void()>& work) {
            work();
            return true;
        };
        hooks.session = [this] { return desks->snapshot(); };
        hooks.takeOver = [this](const plugin_build& build, const session_snapshot& snapshot) {
            const auto start = std::chrono::steady_clock::now();
            desks->rebuild(build.file, snapshot.text);
            replay = std::chrono::steady_clock::now() - start;
        };
        hooks.reported = [](const reload_report&) {};
        reload = std::make_unique<hot_reload>(*builds, setting, hooks);
    }
    ~reloading_desks() {
        reload.reset();
        desks.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    // The build tool writes the plug-in file anew.
    void copyPlugin() {
        fs::copy_file(defaultPluginPath(), watched, fs::copy_options::overwrite_existing);
    }

    const fs::path folder = makePrivateFolder("zeth_reload_bench_");
    const fs::path watched = folder / "R7_DESK.so";
    transcript record;
    std::ostringstream messages;
    std::unique_ptr<plugin_builds> builds;
    std::unique_ptr<live_desks> desks;
    std::unique_ptr<hot_reload> reload;
    std::chrono::steady_clock::duration replay{};
};

void reloadRuns(benchmark::State& state, bool clicked) {
    reloading_desks served;
    std::size_t actions = 0;
    double replayed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (clicked) {
            served.desks->line("click Dest_1"); // the session grows between rebuilds
        }
        served.copyPlugin();
        state.ResumeTiming();
        const reload_report report = served.reload->reloadNow(std::chrono::steady_clock::now());
        if (!report.inService) {
            state.SkipWithError(("the reload was rolled back: " + report.refusal).c_str());
            return;
        }
        actions = report.lines;
        replayed += std::chrono::duration<double, std::milli>(served.replay).count();
    }
    state.counters["lines"] = static_cast<double>(actions);
    state.counters["replay_ms"] = benchmark::Counter(replayed, benchmark::Counter::kAvgIterations);
}

void reloadAfterClicks(benchmark::State& state) {
    reloadRuns(state, true);
}

void reloadUnchanged(benchmark::State& state) {
    reloadRuns(state, false);
}

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv, [](bool smoke) {
        for (auto* registered :
             {benchmark::RegisterBenchmark("reloadAfterClicks", reloadAfterClicks),
              benchmark::RegisterBenchmark("reloadUnchanged", reloadUnchanged)}) {
            registered->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(smoke ? 1 : 20);
        }
    });
}
