// replay_trial: a session replayed on one build of the plug-in, in a process of its own, before
// that build may serve.
//
// The trial is `zeth-host run` on the session's scenario file, on the virtual clock, supervised as
// every run is: so a build that crashes, ends the process or hangs in the replay takes down only
// the trial, and its supervisor's line says what happened. The build is refused when it could not
// be loaded, its factory gave no panel, it crashed, exited, hung, or ran away (kept the host busy
// without end); it played when the replay reached its end, even with expectations that failed
// or contracts broken: those are what the build does now, for the author to see.
//
// Threads: replayOnBuild() runs on any thread, on several at once; it blocks until the trial ends.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

struct trial_setting {
    std::string program;   // zeth-host itself
    std::string panelPath; // --panel-path; empty: the facility's
    double callTimeout = 10.0;
    std::int64_t messageLimit = 100000;
    int timerLimit = 100;
    // A trial still running after this is stopped and the build refused.
    std::chrono::milliseconds deadline{10 * 60 * 1000};
};

struct trial_outcome {
    bool played = false;
    int status = -1;                     // zeth-host run's exit status (2: it could not start)
    std::vector<std::string> transcript; // the text transcript, one entry a line
    std::string refusal; // not played: the supervisor's line, or zeth-host's own message
};

trial_outcome replayOnBuild(const trial_setting& setting, const std::string& pluginFile,
                            const std::string& sessionFile);
