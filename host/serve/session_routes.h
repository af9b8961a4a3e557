// session_routes: the session of the served desks as the page records, saves and replays it.
//
//   GET  /api/session.zeth   the session as a scenario file (text/plain) that zeth-host run plays
//                            to the same state: a heading naming the plug-in, its build and the
//                            time, the "panels" and "facility" lines, then the session's lines
//   POST /api/expect         an expectation pointed at on the page, checked at once on the live
//                            desk and kept in the session only when it holds:
//        {"desk": 1, "expect": "crosspoint", "router": "R7 SDI Router" | 20,
//         "destination": 102, "source": 5}
//        {"desk": 1, "expect": "enabled" | "disabled", "control": "Take"}
//        {"desk": 1, "expect": "property", "control": "Take", "property": "statesheet",
//         "value": "KX_TakeLow"}
//        {"desk": 1, "expect": "commands", "commands": ["ET 1", ...]}   the last action's, all
//        ("desk" may be left out: the desk the line box acts on). Answered as an action (200,
//        the expectation met in its records); one that does not hold is 409, saying what was
//        found, and nothing is written or kept.
//   POST /api/save           {"name": "take_story.zeth", "overwrite": false}: writes the session
//                            into the scenario folder. The name is a plain file name (no folder,
//                            no "..", not hidden; ".zeth" is added when it has another ending);
//                            an existing file is 409 unless "overwrite" is true. Answer:
//                            {"file", "lines", "play": the command that plays it}
//   GET  /api/scenarios      {"folder", "scenarios": ["take_story.zeth", ...]}: the folder's
//                            scenario files, by name
//   GET  /api/scenario?name=take_story.zeth   {"name", "lines": [the file's lines]}
//   POST /api/play           {"name": "take_story.zeth", "line": 12}: the desks made anew and the
//                            file played up to that line (1 is the first); the session then is
//                            those lines, and recording goes on from there. Answered as an action.
// The state document's "session": {"lines": 12, "full": false, "folder": the scenario folder}.
// Names the folder does not have are 404; a file that is not a scenario 400; one that names
// another facility than serve's 409.
//
// Saving is the only thing the server writes to the user's files, and only into the scenario
// folder. Threads: every route runs on the emulator's thread (route_thread::emulator).
#pragma once

#include "desk_routes.h"
#include "live_desks.h"
#include "route_table.h"

#include <functional>
#include <string>
#include <vector>

struct session_files {
    std::string folder;     // the scenario folder (--scenario-folder)
    std::string pluginFile; // as the user named it: the heading's play command names it
    std::string panelPath;  // --panel-path, for the play command; empty: the facility's
    // Which build the desks run, for the heading: "build 3, of 2024-05-01 12:03:05"; empty: none
    // to say.
    std::function<std::string()> build;
};

class session_routes {
public:
    session_routes(route_table& table, desk_routes& routes, live_desks& desks, session_files files);
    session_routes(const session_routes&) = delete;
    session_routes& operator=(const session_routes&) = delete;

    // The heading's comment lines of the session saved as fileName.
    std::vector<std::string> heading(const std::string& fileName) const;

private:
    void addRoutes(route_table& table);
    // The scenario folder's file for a name the page gave, checked; throws request_refused.
    std::string fileNamed(const std::string& name, bool addEnding) const;

    desk_routes& routes;
    live_desks& desks;
    session_files files;
};
