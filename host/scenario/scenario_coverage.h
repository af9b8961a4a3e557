// scenario_coverage: what a set of scenarios reached of the panel and its layouts, for
// "zeth-host run --coverage".
//
// For each layout a desk showed, every control and list with how many operator actions reached it
// (a control event delivered to the panel: a click or a pick that the host refused, because the
// control was disabled or not there, does not count) and how many expectations looked at it
// ("expect enabled", "expect disabled", "expect property"); every command of the host's vocabulary
// with how often the panel sent it; every message code with how often the host delivered it.
// What nothing reached is listed at the end: "never clicked: Clear; never expected: Undo".
//
// One coverage is gathered per scenario file (runScenario fills it), carried from the plug-in's
// process to zeth-host's as JSON (toJson, fromJson) and added up over the files (add). The
// report changes no exit status.
#pragma once

#include "layout.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct control_coverage {
    std::string name;
    bool list = false;
    std::int64_t actions = 0;
    std::int64_t expectations = 0;
};

struct layout_coverage {
    std::string file;
    std::vector<control_coverage> controls; // in the layout's order
};

class scenario_coverage {
public:
    // The layout's controls, each at 0 unless the file is here already.
    void shown(const layout& panel);
    // An action's event reached control of the layout read from file (a layout shown already).
    void reached(const std::string& file, const std::string& control);
    // An expectation looked at control of that layout.
    void lookedAt(const std::string& file, const std::string& control);
    void commandsSent(const std::map<std::string, std::int64_t>& counts);
    void messagesDelivered(const std::map<int, std::int64_t>& counts);
    // Adds another file's coverage to this one.
    void add(const scenario_coverage& other);

    // The report for people: one table per layout, the commands, the message codes, and what
    // nothing reached; files names how many scenario files it covers.
    std::string text(std::size_t files) const;
    // The same as one JSON object (one line), for tools: {"kind": "coverage", "files", "layouts":
    // [{"file", "controls": [{"name", "kind", "actions", "expectations"}]}], "commands": {"CD":
    // N, ...}, "messages": {"1": N, ...}, "never": {"clicked", "selected", "expected",
    // "sent", "delivered"}}.
    std::string json(std::size_t files) const;
    // The form carried between processes, and back; fromJson throws std::exception on a text
    // that toJson did not write.
    std::string toJson() const { return json(0); }
    static scenario_coverage fromJson(const std::string& text);

    const std::vector<layout_coverage>& layouts() const { return shownLayouts; }

private:
    control_coverage* find(const std::string& file, const std::string& control);

    std::vector<layout_coverage> shownLayouts;
    std::map<std::string, std::int64_t> commands;
    std::map<int, std::int64_t> messages;
};
