// serve_command: `zeth-host serve`, the desks in a browser.
//
// It binds the address first (a bad one stops it with status 2 before anything is loaded),
// prints the page's address, then serves the desks (desk_server.h) until SIGINT or SIGTERM:
// then every desk is closed (each panel sends its closing notice into the transcript) and the
// status is 0. The transcript goes to standard output as for run, text or --json.
//
// The desks, the plug-in and the HTTP server run together in the supervised child process
// (supervisor.h), so the page talks to the very process that holds the panels. When the plug-in
// crashes, exits or hangs there, the supervisor writes its violation as for run, and a new child
// serves the page on the same socket: the page shows the supervisor's line and offers to start
// the desks again. With --in-process everything runs in zeth-host's own process, for a debugger;
// so it does on Windows, where the child cannot be a copy of this process (it says so). The
// reload's trials stay in processes of their own there too.
//
// Watching (the default): the desks run a copy of the plug-in file, kept in a private folder
// made here (and removed at the end), and a rebuilt plug-in is reloaded (hot_reload.h); a new
// child after a crash starts on the build that served last.
//
// Called once, on the program's main thread, with no other thread running.
#pragma once

#include "scenario_parser.h"
#include "scenario_runner.h"
#include "transcript.h"

#include <ostream>
#include <string>
#include <vector>

struct serve_request {
    scenario_setup setup;           // realtime unless --virtual
    std::vector<scenario> openings; // played in order once the desks exist
    std::string pluginFile;         // named in the supervisor's reports; watched
    double callTimeout = 10.0;
    const std::ostream* output = nullptr; // the transcript's stream, watched for write failures
    bool inProcess = false;
    std::string bind = "127.0.0.1";
    int port = 8270;
    bool watch = true;                // reload the plug-in when it is rebuilt
    std::string scenarioFolder = "."; // where the page saves and opens scenarios
    std::string program;              // zeth-host itself, for the reload's trials
    std::string facilityFile;         // --facility; empty: the built-in facility
};

// Returns the exit status: 0 after a signal closed the desks; 2 when the address cannot be used
// or the run could not go on. Throws serve_error (http_endpoint.h) for an unusable address.
int runServe(const serve_request& request, transcript& record, std::ostream& messages);
