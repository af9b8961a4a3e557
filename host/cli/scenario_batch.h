// scenario_batch: "zeth-host run" over scenario files, each file in a supervised process of its
// own, so that a plug-in that crashes, exits or hangs in one file ends that file, and the next one
// still runs.
//
// Each file's transcript goes to the writer as it happens and ends with the file's summary line;
// for a file whose run the plug-in ended, zeth-host writes that line itself from what the
// transcript showed. With more than one file a last line sums them up and names every file that
// failed and every one that could not be run (unreadable, or a plug-in or layout that cannot be
// loaded). Then, as asked: the JUnit report (one testcase per file), the annotation lines of the
// GitHub CI system (one per failure, on its file and line; on standard error when the transcript
// is JSON, so that standard output stays one object a line), and the coverage of the layouts
// over every file that ran to its end.
//
// Exit status: 2 when a file could not be run (or a report cannot be written), else 1 when a file
// failed, else 0. Called on the program's main thread, with no other threads running (it starts
// the files' processes).
#pragma once

#include "facility.h"
#include "scenario_parser.h"
#include "scenario_runner.h"
#include "transcript.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct batch_file {
    std::string path;             // as given, for the reports; the demo: empty
    std::string name;             // how the transcript names it
    std::optional<scenario> play; // none: it cannot be read, and problem says why
    std::optional<facility> plant;
    std::string description; // the banner's description, when it has its own facility
    std::string problem;
};

struct batch_request {
    std::vector<batch_file> files;
    scenario_setup setup;
    std::string pluginFile;
    double callTimeout = 10.0;
    bool inProcess = false;
    bool json = false;         // the writer writes JSON lines
    std::string junitFile;     // empty: no JUnit report
    bool githubReport = false; // --report github
    bool coverage = false;
    // The stream the writer writes to: a failed write stops the run (supervision::output).
    const std::ostream* output = nullptr;
    // The options that shape a file's run, as arguments: this program, started again with them,
    // "run" and the file's path (none for the demo), runs that file (supervision::restart).
    std::vector<std::string> restart;
};

// Runs every file; writer and the reports' lines go to out, messages to err.
int runBatch(const batch_request& request, transcript_writer& writer, std::ostream& out,
             std::ostream& err);
