// help_topics: "zeth-host help [TOPIC]", the references a panel author reads, from zeth-host
// alone: no plug-in, facility or file is needed, so it answers wherever zeth-host runs.
//
// The references are the texts of the source tree's reference/ folder (installed with the kit as
// share/zeth/reference/*.md, linked from the README), compiled in when zeth-host is built; beside
// them "violations" lists every violation id with its sentence (violation_kind.h), and
// "scenario" is the shell's own list of the scenario language (scenario_language.h).
//
// Called by the command line on the main thread.
#pragma once

#include <optional>
#include <string>

// Without a topic: the topics, each with one line, then the scenario language's list. With one:
// its text, or nothing when there is no such topic.
std::optional<std::string> helpText(const std::string& topic);
