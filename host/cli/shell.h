// shell: the interactive front end. It creates the desks, then reads scenario lines from the
// input one at a time and carries each out at once, writing the transcript as it goes; "help"
// lists the language, "quit" (or the end of the input) deletes the panels and ends.
//
// On the virtual clock time moves only with "wait". In real time (--realtime) the clock follows
// the wall clock also while the shell waits for a line: the Take button flashes on its own.
#pragma once

#include "scenario_runner.h"
#include "transcript.h"

#include <istream>
#include <ostream>

// When the plug-in cannot be loaded, the shell says why and still answers help (the language
// needs no panel) until quit or the end of the input, refusing every other line; the status is
// then 2, since the run could not start.
//
// Returns the process exit status: 0 when every expectation was met and no contract was broken,
// and, when the input is not a terminal, no line was rejected. Throws as runScenario does.
int runShell(const scenario_setup& setup, int desks, transcript& record, std::ostream& prompts);
