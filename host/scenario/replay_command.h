// replay_command: the command line that plays a saved scenario file again, as a user types it in
// a POSIX shell. Tools that save a scenario (validate's failing session, serve's recorded one)
// name it in their messages and headings.
#pragma once

#include <string>

// word as one word of a shell command: bare when nothing in it is special to the shell, else in
// single quotes.
std::string shellWord(const std::string& word);

// "zeth-host run --plugin P [--panel-path DIR] FILE".
std::string replayCommand(const std::string& pluginFile, const std::string& panelPath,
                          const std::string& scenarioFile);
