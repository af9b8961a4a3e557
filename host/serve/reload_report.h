// reload_report: what one reload found, as the page shows it: which build was tried, whether it
// now serves or was rolled back and why, and what changed: the session's replay on the new build
// beside its replay on the build that served before, with the first line that differs.
//
// The JSON document (GET /api/reload, and the "reload" event):
//   { "reload": 2, "build": 3, "plugin": "build/ci/bin/R7_DESK.so",
//     "modified": "2024-05-01 12:03:05", "outcome": "in-service" | "rolled-back",
//     "refusal": "" | "plugin-crashed: the plug-in ... died by signal 11 ...",
//     "change": "No change in behaviour" | "The behaviour changed from line 42 on" | ...,
//     "first_difference": 41 | null (0-based, into both transcripts),
//     "failed_expectations": 0, "lines": 100 (the session's, replayed), "seconds": 0.41,
//     "previous": ["..."], "replay": ["..."] }
#pragma once

#include "plugin_builds.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

struct reload_report {
    int reload = 0; // 1, 2, ...: the reloads tried since serve started
    plugin_build build;
    std::string pluginFile; // the file watched
    bool inService = false;
    std::string refusal;               // rolled back: why, in one line
    std::vector<std::string> previous; // the session replayed on the build that served
    std::vector<std::string> replay;   // ... and on this build
    std::size_t lines = 0;             // the session's lines
    double seconds = 0;                // from the file settled to the page told
};

// The first line at which the two differ (where the shorter ends, if it is the start of the
// other); none when they are the same.
std::optional<std::size_t> firstDifferingLine(const std::vector<std::string>& previous,
                                              const std::vector<std::string>& replay);
// The replay's expectations that failed (lines "    expect ...: FAILED, ...").
std::size_t failedExpectations(const std::vector<std::string>& transcript);
// The one line that says what changed: "No change in behaviour", "The behaviour changed from line
// 42 on (1 expectation of the session fails)", or why the build was rolled back.
std::string changeText(const reload_report& report);
nlohmann::json reportDocument(const reload_report& report);
