// hot_reload: the page follows the rebuild of the plug-in.
//
// A thread of its own looks at the plug-in file every tenth of a second (plugin_watch.h). When a
// new build has settled, it copies it (plugin_builds.h), takes the session so far from the
// emulator's thread, and replays it on the new build and on the build that serves, each in a
// trial process of its own and both at once (replay_trial.h). A build that got through the replay
// takes over: on the emulator's thread the desks are made anew on it and the session is replayed
// there, so that the page shows the new build at the same place of the story; the desks of the
// build before then close. A build that did not get through is refused, and the serving build
// goes on with its session untouched (rolled back). Either way the report (reload_report.h) goes
// to the page. When the session grows while the trials run, they run again on the grown session:
// a build serves only a session it has been tried on. After a few rounds of that, the last round
// holds the emulator's thread from the session's snapshot to the take-over.
//
// Threads: watch() starts the thread; stop() (or the destructor) ends it, waiting for a reload
// in progress; call it before the desks and the emulator's queue go. reloadNow() runs one reload
// on the calling thread (the watch's own, or a benchmark's); latest() from any thread. The builds
// and the hooks must outlive the hot_reload.
#pragma once

#include "plugin_builds.h"
#include "reload_report.h"
#include "replay_trial.h"
#include "session_recorder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct reload_setting {
    trial_setting trial;
    std::string sessionFile; // where the trials read the session from (in the builds' folder)
    std::chrono::milliseconds settle{300};
    std::chrono::milliseconds poll{100};
};

// What the reload asks of the served desks.
struct reload_hooks {
    // Runs work on the emulator's thread and waits until it has run; false when the desks are
    // closing and it did not run. Called from the reload's thread.
    std::function<bool(std::function<void()>)> onEmulatorThread;
    // Emulator's thread: the session now.
    std::function<session_snapshot()> session;
    // Emulator's thread: makes the desks anew on the build and replays the snapshot's text on
    // them. Throws (std::exception) when it cannot, leaving the desks as they were.
    std::function<void(const plugin_build&, const session_snapshot&)> takeOver;
    // Emulator's thread: tells the page.
    std::function<void(const reload_report&)> reported;
};

class hot_reload {
public:
    hot_reload(plugin_builds& builds, reload_setting setting, reload_hooks hooks);
    ~hot_reload();
    hot_reload(const hot_reload&) = delete;
    hot_reload& operator=(const hot_reload&) = delete;

    // Starts watching the plug-in file for new builds.
    void watch();
    void stop();
    // One reload of the plug-in file as it is now; settled is when it was found ready.
    reload_report reloadNow(std::chrono::steady_clock::time_point settled);
    // The report of the latest reload, if there has been one.
    std::optional<reload_report> latest() const;
    // The build in service, as the reloads left it.
    std::optional<plugin_build> serving() const;

private:
    void watching();
    // The serving build's replay of this session: from the last reload when it covered the same
    // session on the same build, else a trial of its own.
    struct replay_cache {
        int build = 0;
        std::string text;
        std::vector<std::string> transcript;
    };

    plugin_builds& builds;
    reload_setting setting;
    reload_hooks hooks;
    mutable std::mutex guard;
    std::condition_variable wake;
    bool stopping = false;
    std::thread watcher;
    std::optional<reload_report> last;        // guarded
    std::optional<plugin_build> servingBuild; // guarded
    int reloads = 0;                          // the reload thread only
    replay_cache cache;                       // the reload thread only
};
